#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Curl.h"

namespace quarlolink::http {

// The transfer component of a request item: one easy handle, kept for the item's life so the
// connection stays open between requests, driven through its own multi handle on the caller's
// thread. libcurl's callbacks only collect bytes; everything else happens in Drive().
class Transfer {
 public:
  enum class State { Idle, Running, Completed, Failed };

  explicit Transfer(int32_t requestTimeout);
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;
  ~Transfer();

  // Starts a GET, or a HEAD when `head`; returns at once. A request that cannot be started
  // (bad URL, request too long) ends in State::Failed with its code and text set. A body of
  // more than `maxBody` bytes fails the request as soon as it is announced or passes the mark.
  void Start(const std::string& url, bool head, std::size_t maxBody);

  // Lets the transfer make progress: handles what the sockets have, then, while it is still
  // running, waits up to `waitMs` for its sockets and handles what arrived.
  State Drive(int waitMs);

  State state() const { return state_; }
  bool StillExecuting() const { return state_ == State::Running; }

  // After State::Failed: a libcurl code (or -1 for our own refusals) and its explanation.
  int32_t ResponseCode() const { return code_; }
  const std::string& ResponseInfo() const { return info_; }

  // Header of the final response of the exchange: its lines, each ending CR LF, status first.
  const std::string& Header() const { return header_; }
  // The Server-Timing value of that response (several lines joined with ", "), or "".
  const std::string& ServerTiming() const { return serverTiming_; }

  // Hands over the body collected so far without a copy, leaving none behind.
  std::string TakeBody() { return std::exchange(body_, std::string()); }

  const std::string& Url() const { return url_; }
  void SetUrl(const std::string& url) { url_ = url; }
  int32_t RequestTimeout() const { return requestTimeout_; }
  void SetRequestTimeout(int32_t seconds) { requestTimeout_ = seconds; }
  std::string RemoteHost() const;
  std::string Document() const;

 private:
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t n, void* self);

  void Fail(int32_t code, std::string info);
  void Begin(const std::string& url);
  void Finish(CURLcode rc);
  bool FollowRedirect();
  void KeepCookies();

  EasyHandle easy_;
  MultiHandle multi_;
  bool attached_ = false;
  State state_ = State::Idle;
  bool head_ = false;
  int redirects_ = 0;
  int32_t requestTimeout_;
  std::string url_;
  std::string requestUrl_;
  int32_t code_ = 0;
  std::string info_;
  std::string header_;
  std::string serverTiming_;
  std::string body_;
  std::size_t maxBody_ = 0;
  bool tooLarge_ = false;  // the body passed maxBody_: the write callback stopped the transfer
  std::string cookieHeader_;
  std::vector<std::string> setCookies_;  // collected by the header callback, kept after it
  char errorBuffer_[CURL_ERROR_SIZE] = {};
};

}  // namespace quarlolink::http
