#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quarlopages::testing {

// The real quarlopages program on a free loopback port, its stderr collected.
class ServerProcess {
 public:
  ServerProcess(const std::vector<std::string>& args,
                const std::map<std::string, std::string>& env) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      dup2(fds[1], 2);
      for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      std::vector<std::string> all{QUARLOPAGES_BIN, "--listen", "127.0.0.1", "--port", "0"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    fd_ = fds[0];
    reader_ = std::thread([this] { ReadLoop(); });
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until) {
      {
        std::lock_guard lock(mutex_);
        if (auto at = stderr_.find("listening on "); at != std::string::npos) {
          auto end = stderr_.find('\n', at);
          if (end != std::string::npos) {
            url_ = stderr_.substr(at + 13, end - at - 13);
            return;
          }
        }
        if (closed_) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Stop();
    throw std::runtime_error("quarlopages did not start: " + Stderr());
  }
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  const std::string& Url() const { return url_; }
  pid_t Pid() const { return pid_; }
  std::string Stderr() {
    std::lock_guard lock(mutex_);
    return stderr_;
  }

  // SIGTERM, then the exit status (-1 when it did not exit normally within 30 s).
  int Stop() {
    if (pid_ <= 0) return exitCode_;
    kill(pid_, SIGTERM);
    int status = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > until) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (reader_.joinable()) reader_.join();
    close(fd_);
    return exitCode_;
  }

 private:
  void ReadLoop() {
    char buf[4096];
    for (;;) {
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      std::lock_guard lock(mutex_);
      if (n <= 0) {
        closed_ = true;
        return;
      }
      stderr_.append(buf, static_cast<size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int fd_ = -1;
  int exitCode_ = -1;
  std::string url_;
  std::mutex mutex_;
  std::string stderr_;
  bool closed_ = false;
  std::thread reader_;
};

}  // namespace quarlopages::testing
