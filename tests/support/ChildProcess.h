#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace quarlo::testing {

// Runs `body` in a forked child and gives its exit status (body's return value), or -1 when
// it did not exit normally. The child never returns into the test.
inline int InChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    _exit(code);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quarlo::testing
