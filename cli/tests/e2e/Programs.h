// The quarlo program run as a child: with its streams in files, or on a pseudo-terminal.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace quarlocli::testing {

using Vars = std::map<std::string, std::string>;

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A child killed if it still runs when the object goes. With a folder, its standard streams are
// files there; without, it is on a pseudo-terminal, driven like a user at the keyboard.
class Program {
 public:
  Program(std::vector<std::string> argv, const Vars& env, const std::filesystem::path& dir = {},
          const std::string& stdinFile = "/dev/null") {
    static int count = 0;
    if (!dir.empty()) out_ = dir / ("out-" + std::to_string(++count));
    const std::string err = out_.string() + ".err";
    // Through env(1), so that the child needs no allocation between fork and exec.
    std::vector<std::string> all{"/usr/bin/env"};
    for (const auto& [k, v] : env) all.push_back(k + "=" + v);
    all.insert(all.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& a : all) args.push_back(a.data());
    args.push_back(nullptr);
    pid_ = dir.empty() ? forkpty(&fd_, nullptr, nullptr, nullptr) : fork();
    if (pid_ != 0) return;
    if (!dir.empty()) {
      dup2(open(stdinFile.c_str(), O_RDONLY), 0);
      dup2(open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
      dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    }
    // Default signal handling whatever the test runner has (a background shell ignores SIGINT).
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
    execv(args[0], args.data());
    _exit(127);
  }
  ~Program() {
    Wait(std::chrono::seconds(0));
    if (fd_ >= 0) close(fd_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The exit status (128 + signal when killed by one); -1 when it ran past `limit` (then killed).
  int Wait(std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int st = 0;
    while (pid_ > 0 && waitpid(pid_, &st, WNOHANG) != pid_) {
      if (std::chrono::steady_clock::now() > end) {
        kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        return pid_ = -1;
      }
      // A terminal's output is read meanwhile, or the child could block writing it.
      if (fd_ < 0 || !Read(10)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (pid_ > 0) status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    pid_ = -1;
    return status_;
  }
  void Signal(int sig) { kill(pid_, sig); }
  std::string Out() const { return ReadFile(out_); }
  std::string Err() const { return ReadFile(out_.string() + ".err"); }

  // libedit shows its prompt a moment before it switches the terminal to raw mode; keys typed
  // within that moment are taken by the line discipline (a Ctrl+D becomes a NUL). A person never
  // types that fast: give the program the moment.
  void Type(const std::string& keys) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (write(fd_, keys.data(), keys.size()) < 0) return;
  }
  // Reads the terminal until `what` has appeared since the last match, or the time is up.
  bool WaitFor(const std::string& what) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      if (auto at = seen_.find(what, mark_); at != std::string::npos) {
        mark_ = at + what.size();
        return true;
      }
    } while (Read(50) && std::chrono::steady_clock::now() < end);
    return false;
  }
  const std::string& Seen() const { return seen_; }

 private:
  // False once the terminal is closed.
  bool Read(int ms) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return true;
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n > 0) seen_.append(buf, static_cast<size_t>(n));
    return n > 0;
  }

  std::filesystem::path out_;
  pid_t pid_ = -1;
  int fd_ = -1;
  int status_ = -1;
  std::string seen_;
  size_t mark_ = 0;
};

}  // namespace quarlocli::testing
