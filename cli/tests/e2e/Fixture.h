#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>

#include "Child.h"
#include "TempDir.h"

namespace quarlocli::testing {

// A free TCP port on loopback (the server binds it right after).
inline int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

// quarlopages on a free loopback port, serving the given map folder; stopped with SIGTERM.
class PagesServer {
 public:
  PagesServer(const std::filesystem::path& mapPath, const std::filesystem::path& work) {
    for (int attempt = 0; attempt < 3 && url_.empty(); ++attempt) {
      int port = FreePort();
      child_ = std::make_unique<Child>(
          QUARLOPAGES_BIN,
          std::vector<std::string>{"--listen", "127.0.0.1", "--port", std::to_string(port),
                                   "--map-path", mapPath.string()},
          work);
      auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (std::chrono::steady_clock::now() < end) {
        std::string err = child_->Err();
        auto at = err.find("listening on ");
        if (at != std::string::npos && err.find('\n', at) != std::string::npos) {
          url_ = err.substr(at + 13, err.find('\n', at) - at - 13);
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    if (url_.empty()) throw std::runtime_error("quarlopages did not start: " + child_->Err());
  }
  ~PagesServer() {
    child_->Signal(SIGTERM);
    child_->Wait(std::chrono::seconds(10));
  }
  const std::string& Url() const { return url_; }
  // The server's request log so far (one line per request).
  std::string Log() const { return child_->Err(); }

 private:
  std::unique_ptr<Child> child_;
  std::string url_;
};

struct Result {
  int status;
  std::string out;
  std::string err;
};

// Runs quarlo with the arguments and waits for it.
inline Result RunQuarlo(const std::filesystem::path& work, const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env = {},
                        const std::string& stdinFile = "/dev/null") {
  Child c(QUARLO_BIN, args, work, env, stdinFile);
  int status = c.Wait();
  return {status, c.Out(), c.Err()};
}

}  // namespace quarlocli::testing
