#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace quarlo::testing {

// A minimal HTTPS server on 127.0.0.1 that takes request lines of any length (the scripted
// server gives up on long ones over TLS): it reads each request's head and answers with the
// number of bytes it read and the cookies sent, one connection at a time.
class RawTlsServer {
 public:
  RawTlsServer(const std::string& certFile, const std::string& keyFile) {
    SSL_CTX_use_certificate_chain_file(ctx_.get(), certFile.c_str());
    SSL_CTX_use_PrivateKey_file(ctx_.get(), keyFile.c_str(), SSL_FILETYPE_PEM);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 8);
    socklen_t len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~RawTlsServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  RawTlsServer(const RawTlsServer&) = delete;
  RawTlsServer& operator=(const RawTlsServer&) = delete;

  std::string Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  bool Readable(int fd) const {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 20) > 0;
  }

  void Serve() {
    while (!stop_) {
      if (!Readable(listener_)) continue;
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx_.get()), SSL_free);
      SSL_set_fd(ssl.get(), fd);
      if (SSL_accept(ssl.get()) == 1) Answer(ssl.get(), fd);
      close(fd);
    }
  }

  void Answer(SSL* ssl, int fd) {
    std::string head;
    char buf[16384];
    while (!stop_ && head.find("\r\n\r\n") == std::string::npos) {
      if (SSL_pending(ssl) == 0 && !Readable(fd)) continue;
      const int n = SSL_read(ssl, buf, sizeof buf);
      if (n <= 0) return;
      head.append(buf, static_cast<std::size_t>(n));
    }
    // The head's size, and the cookies it carried.
    std::string body = std::to_string(head.size());
    const std::size_t cookie = head.find("\r\nCookie: ");
    if (cookie != std::string::npos) {
      body += "|" + head.substr(cookie + 10, head.find("\r\n", cookie + 2) - cookie - 10);
    }
    const std::string response =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    SSL_write(ssl, response.data(), static_cast<int>(response.size()));
    SSL_shutdown(ssl);
  }

  std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx_{SSL_CTX_new(TLS_server_method()),
                                                         SSL_CTX_free};
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace quarlo::testing
