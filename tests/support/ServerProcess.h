#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quarlopages::testing {

// The real quarlopages program on a free loopback port, its stderr collected in a file.
class ServerProcess {
 public:
  ServerProcess(const std::vector<std::string>& args,
                const std::map<std::string, std::string>& env) {
    log_ = (std::filesystem::temp_directory_path() / "quarlopages-stderr-XXXXXX").string();
    const int log = mkstemp(log_.data());
    if (log < 0) throw std::runtime_error("mkstemp");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      dup2(log, 2);
      for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
      std::vector<std::string> all{QUARLOPAGES_BIN, "--listen", "127.0.0.1", "--port", "0"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(log);
    for (int i = 0; i < 6000 && pid_ > 0; ++i) {
      const std::string err = Stderr();
      const auto at = err.find("listening on "), end = err.find('\n', at);
      if (at != std::string::npos && end != std::string::npos) {
        url_ = err.substr(at + 13, end - at - 13);
        return;
      }
      if (waitpid(pid_, nullptr, WNOHANG) != 0) pid_ = -1;  // it ended
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::string err = Stderr();
    Stop();
    unlink(log_.c_str());
    throw std::runtime_error("quarlopages did not start: " + err);
  }
  ~ServerProcess() { Stop(), unlink(log_.c_str()); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  const std::string& Url() const { return url_; }
  pid_t Pid() const { return pid_; }
  std::string Stderr() const {
    std::ifstream in(log_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // SIGTERM, then the exit status (-1 when it did not exit normally within 30 s).
  int Stop() {
    if (pid_ <= 0) return exitCode_;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; waitpid(pid_, &status, WNOHANG) == 0; ++i) {
      if (i == 6000) kill(pid_, SIGKILL);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
  }

 private:
  std::string log_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  std::string url_;
};

}  // namespace quarlopages::testing
