#pragma once

#include <sys/socket.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "UniqueFd.h"

namespace quarlopages {

// The listening socket and the one thread that accepts from it. A connection is accepted only
// while fewer than the limit are open; the others wait in the kernel's listen queue until one
// closes. (libmicrohttpd itself accepts past its limit and closes at once, which resets the
// client's request, and it counts a closed connection until its thread has been joined.)
class Listener {
 public:
  // Takes each accepted socket and owns it from then on; false when it could not (the socket is
  // then closed and the connection no longer counts). Closed() must follow each one it took.
  using Hand = std::function<bool(int fd, const sockaddr* address, socklen_t length)>;

  // Binds and listens; throws std::runtime_error.
  Listener(const sockaddr* address, socklen_t length);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  int Port() const { return port_; }
  void Start(unsigned limit, Hand hand);
  // A connection it handed over has ended; may be called from any thread.
  void Closed();
  // Stops accepting and closes the socket; connections still queued are refused.
  void Stop();

 private:
  void Run(std::stop_token stop);
  void Opened();

  UniqueFd socket_;
  UniqueFd wake_;  // an eventfd that ends the accept thread's wait
  int port_ = 0;
  Hand hand_;
  std::mutex mutex_;
  std::condition_variable_any roomOrStop_;
  unsigned open_ = 0;
  unsigned limit_ = 0;
  std::jthread thread_;  // last: stops before the members it uses go
};

}  // namespace quarlopages
