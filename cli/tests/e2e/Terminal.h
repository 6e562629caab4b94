#pragma once

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quarlocli::testing {

// A program on a pseudo-terminal, driven like a user at the keyboard.
class OnTerminal {
 public:
  OnTerminal(const std::string& program, std::vector<std::string> args,
             const std::vector<std::string>& extraEnv) {
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    envStore.insert(envStore.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      execve(program.c_str(), argv.data(), envp.data());
      _exit(127);
    }
  }
  ~OnTerminal() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }
  OnTerminal(const OnTerminal&) = delete;
  OnTerminal& operator=(const OnTerminal&) = delete;

  // libedit shows its prompt a moment before it switches the terminal to raw mode; keys typed
  // within that moment are taken by the line discipline (a Ctrl+D becomes a NUL). A person never
  // types that fast: give the program the moment.
  void Type(const std::string& keys) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (write(fd_, keys.data(), keys.size()) < 0) return;
  }

  // Reads until `what` has appeared in the output since the last call, or the time is up.
  bool WaitFor(const std::string& what, std::chrono::seconds limit = std::chrono::seconds(20)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      auto at = seen_.find(what, mark_);
      if (at != std::string::npos) {
        mark_ = at + what.size();
        return true;
      }
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) > 0) {
        char buf[4096];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n <= 0) break;
        seen_.append(buf, static_cast<size_t>(n));
      }
    }
    return seen_.find(what, mark_) != std::string::npos;
  }

  int Wait() {
    int st = 0;
    for (int i = 0; i < 2000; ++i) {
      if (waitpid(pid_, &st, WNOHANG) == pid_) {
        done_ = true;
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      }
      WaitFor("\x01never", std::chrono::seconds(0));
      usleep(10000);
    }
    return -1;
  }

  const std::string& Seen() const { return seen_; }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  bool done_ = false;
  std::string seen_;
  size_t mark_ = 0;
};

}  // namespace quarlocli::testing
