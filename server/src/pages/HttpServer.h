#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Listener.h"
#include "Pages.h"

struct MHD_Daemon;

namespace quarlopages {

struct HttpOptions {
  std::string listen = "127.0.0.1";
  int port = 0;
  size_t maxRequestTarget = 1 << 20;  // bytes of request line the connection pool must take
  unsigned maxConnections = 64;       // more wait in the listen queue until one closes
  unsigned idleTimeoutSeconds = 300;
  std::string tlsCertPem;  // both set: https
  std::string tlsKeyPem;
};

// libmicrohttpd with a thread per connection (a slow statement holds up only its own client),
// kept-alive connections and TCP_NODELAY, fed by our own Listener. Each request is handed over
// with its raw target, since libmicrohttpd's own query parsing turns "+" into a blank.
class HttpServer {
 public:
  using Handler = std::function<PageResponse(const PageRequest&)>;
  // Called after each answer with the request, the answer and the seconds it took.
  using Logger = std::function<void(const PageRequest&, const PageResponse&, double)>;

  HttpServer(HttpOptions options, Handler handler, Logger logger);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Throws std::runtime_error when it cannot listen.
  void Start();
  int Port() const { return listener_ ? listener_->Port() : 0; }
  std::string Url() const;

  // Stops accepting connections; requests already running go on, later ones on kept-alive
  // connections are turned away with 503.
  void Quiesce();
  // Waits up to `timeout` until no request is being handled; true when none is.
  bool WaitIdle(std::chrono::milliseconds timeout);
  void Stop();

 private:
  friend struct HttpCallbacks;

  HttpOptions options_;
  Handler handler_;
  Logger logger_;
  std::unique_ptr<Listener> listener_;
  MHD_Daemon* daemon_ = nullptr;
  std::mutex activeMutex_;
  std::condition_variable idle_;
  int active_ = 0;
  std::atomic<bool> stopping_{false};
};

}  // namespace quarlopages
