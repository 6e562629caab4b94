#pragma once

#include <filesystem>
#include <string>

#include "Config.h"
#include "ServerTiming.h"
#include "SessionStore.h"
#include "Throttle.h"

namespace quarlopages {

struct PageRequest {
  std::string path;           // decoded path of the request target
  std::string target;         // raw request target, query included
  std::string sessionCookie;  // value of the session cookie, empty when none came
  std::string clientAddress;
  bool head = false;
};

struct PageResponse {
  int status = 200;
  std::string body;         // in the legacy code page
  std::string contentType;  // text/html with the code page's charset
  std::string setCookie;    // a new session's id, to be sent as the session cookie
  std::string location;     // a redirect's target
  std::string note;         // for the request log: "Opt=0" or "sql=123B", never values
  std::string outcome;      // for the request log: "OK", "SessionTimeout", "refused", ...
  ServerTiming timing;      // the database's and the rows' share, for the Server-Timing header
};

inline constexpr const char* kSessionCookie = "QuarloSession";

// The open page and the execute page: the protocol without the HTTP around it.
class Pages {
 public:
  Pages(const Config& config, std::filesystem::path mapPath, std::filesystem::path spoolDir);

  PageResponse Handle(const PageRequest& request);

  SessionStore& Sessions() { return sessions_; }

 private:
  PageResponse Open(const PageRequest& request);
  PageResponse Execute(const PageRequest& request);
  PageResponse KeyCheck(const PageRequest& request, const std::string& encKey);
  PageResponse OpenConnection(const PageRequest& request, const class QueryString& query);
  PageResponse StopStatement(const PageRequest& request);

  const Config& config_;
  std::filesystem::path mapPath_;
  std::filesystem::path spoolDir_;
  SessionStore sessions_;
  FailureThrottle throttle_;
};

}  // namespace quarlopages
