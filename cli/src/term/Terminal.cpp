#include "term/Terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "term/Interrupt.h"

namespace quarlocli {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

class EchoOff {
 public:
  explicit EchoOff(int fd) : fd_(fd) {
    if (tcgetattr(fd, &saved_) != 0) return;
    termios t = saved_;
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    t.c_lflag |= ECHONL;
    ok_ = tcsetattr(fd, TCSAFLUSH, &t) == 0;
  }
  ~EchoOff() {
    if (ok_) tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool ok_ = false;
};

void WriteAll(int fd, std::string_view s) {
  while (!s.empty()) {
    ssize_t n = write(fd, s.data(), s.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    s.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

bool IsTerminal(int fd) { return isatty(fd) == 1; }

std::optional<std::string> ReadPassword(const std::string& prompt) {
  Fd tty(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (tty.get() < 0) return std::nullopt;
  std::string line;
  bool ended = false;
  {
    // Echo goes off before the prompt shows, so nothing typed after it is ever echoed.
    EchoOff echoOff(tty.get());
    WriteAll(tty.get(), prompt);
    char c;
    for (;;) {
      ssize_t n = read(tty.get(), &c, 1);
      if (n < 0 && errno == EINTR) {
        if (Interrupted()) break;
        continue;
      }
      if (n <= 0) break;
      if (c == '\n' || c == '\r') {
        ended = true;
        break;
      }
      line.push_back(c);
    }
  }
  if (!ended) {
    WriteAll(tty.get(), "\n");
    return std::nullopt;
  }
  return line;
}

void ProgressLine::Start() {
  Erase();
  start_ = Clock::now();
  last_ = start_;
}

void ProgressLine::Update(int64_t rows) {
  if (!enabled_) return;
  auto now = Clock::now();
  if (now - start_ < kDelay || now - last_ < kInterval) return;
  last_ = now;
  err_ << "\rquarlo: " << rows << " rows\x1b[K" << std::flush;
  shown_ = true;
}

void ProgressLine::Erase() {
  if (!shown_) return;
  err_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

}  // namespace quarlocli
