#pragma once

namespace quarlocli {

// Ctrl+C handling for the whole process (a signal handler can reach nothing but a flag). While an
// InterruptGuard lives, the first SIGINT only raises the flag, so the program can stop its walk
// and close the connection; a second one ends the process at once. SIGPIPE is ignored, so a
// closed output shows as a failed write instead of killing the process mid-request.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};

bool Interrupted();
// Lowers the flag and arms the handler again (the interactive prompt goes on after a Ctrl+C).
void ClearInterrupt();

}  // namespace quarlocli
