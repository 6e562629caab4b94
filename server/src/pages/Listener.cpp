#include "Listener.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace quarlopages {

Listener::Listener(const sockaddr* address, socklen_t length) {
  const int family = address->sa_family;
  socket_.Reset(::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  wake_.Reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (socket_.Get() < 0 || wake_.Get() < 0) {
    throw std::runtime_error(std::string("cannot make a socket: ") + std::strerror(errno));
  }
  const int on = 1;
  // A restarted server takes its port back while old connections linger in TIME_WAIT.
  setsockopt(socket_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (family == AF_INET6) setsockopt(socket_.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (bind(socket_.Get(), address, length) != 0 || listen(socket_.Get(), SOMAXCONN) != 0) {
    throw std::runtime_error(std::strerror(errno));
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  getsockname(socket_.Get(), reinterpret_cast<sockaddr*>(&bound), &size);
  port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                   : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

Listener::~Listener() { Stop(); }

void Listener::Start(unsigned limit, Hand hand) {
  limit_ = limit;
  hand_ = std::move(hand);
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void Listener::Opened() {
  std::lock_guard lock(mutex_);
  ++open_;
}

void Listener::Closed() {
  {
    std::lock_guard lock(mutex_);
    --open_;
  }
  roomOrStop_.notify_all();
}

void Listener::Stop() {
  if (thread_.joinable()) {
    thread_.request_stop();
    const uint64_t one = 1;
    [[maybe_unused]] auto n = write(wake_.Get(), &one, sizeof one);
    thread_.join();
  }
  socket_.Reset();
}

void Listener::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    {
      std::unique_lock lock(mutex_);
      if (!roomOrStop_.wait(lock, stop, [this] { return open_ < limit_; })) return;
    }
    pollfd fds[2] = {{socket_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 || fds[1].revents != 0) continue;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = accept4(socket_.Get(), reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      // Counted now: libmicrohttpd announces the connection later, from its own thread.
      Opened();
      if (!hand_(fd, reinterpret_cast<sockaddr*>(&peer), length)) Closed();
    } else if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      // Out of descriptors or memory: the connection stays queued until some are freed.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

}  // namespace quarlopages
