#pragma once

#include <functional>

namespace kokit {

// The process-wide event pump: what a waiting toolkit or client routine runs to let the host's
// event loop deliver its events (the desktop program installs QCoreApplication::processEvents).
// Waits call PumpEvents() between their sleeps.

// Installs `pump` for the whole process, replacing any earlier one; an empty function removes
// it. Safe from any thread, also from inside a running pump.
void SetEventPump(std::function<void()> pump);

// Runs the installed pump once; does nothing when none is installed. Whatever the pump throws
// reaches the caller.
void PumpEvents();

}  // namespace kokit
