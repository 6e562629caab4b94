#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace quarlo::testing {

// A scripted HTTP (or HTTPS) server on 127.0.0.1 and a free port, running on its own threads
// for the life of the object. Tests register handlers on server() before calling Start().
class TestServer {
 public:
  TestServer() : server_(std::make_unique<httplib::Server>()) { Configure(); }
  TestServer(const std::string& certFile, const std::string& keyFile)
      : server_(std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str())) {
    Configure();
  }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;
  ~TestServer() { Stop(); }

  httplib::Server& server() { return *server_; }

  void Start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // This version has no wait_until_ready(): poll is_running() for a bounded time.
    for (int i = 0; i < 500 && !server_->is_running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  void Stop() {
    stopping_ = true;
    if (thread_.joinable()) {
      server_->stop();
      thread_.join();
    }
  }

  int port() const { return port_; }
  std::string Url(const std::string& path, const char* scheme = "http") const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + path;
  }

  // Sleeps up to `ms` milliseconds, returning early when the server is being stopped.
  void Hold(int ms) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_ && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

 private:
  void Configure() {
    server_->set_tcp_nodelay(true);
    server_->set_keep_alive_max_count(100000);
  }

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  int port_ = 0;
};

}  // namespace quarlo::testing
