#include "term/Interrupt.h"

#include <signal.h>

#include <csignal>

namespace quarlocli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
struct sigaction g_oldInt;
struct sigaction g_oldPipe;

extern "C" void OnInterrupt(int) {
  if (g_interrupted) {
    // A second Ctrl+C: the user wants out now.
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
    return;
  }
  g_interrupted = 1;
}

void Arm() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a blocking read or wait returns with EINTR
  sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  g_interrupted = 0;
  sigaction(SIGINT, nullptr, &g_oldInt);
  Arm();
  struct sigaction ign {};
  ign.sa_handler = SIG_IGN;
  sigemptyset(&ign.sa_mask);
  sigaction(SIGPIPE, &ign, &g_oldPipe);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &g_oldInt, nullptr);
  sigaction(SIGPIPE, &g_oldPipe, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

void ClearInterrupt() {
  g_interrupted = 0;
  Arm();
}

}  // namespace quarlocli
