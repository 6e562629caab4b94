#pragma once

#include "Config.h"

namespace quarlopages {

// Runs the pages with `config` until SIGINT or SIGTERM, then stops gracefully: no new
// connections, running statements cancelled, answers finished, every database connection closed
// and the spool folder removed. Returns the exit code. SIGINT and SIGTERM must be blocked in
// every thread before the call (BlockStopSignals).
int RunServer(const Config& config);

// Blocks SIGINT and SIGTERM in the calling thread and the threads it starts later.
void BlockStopSignals();

}  // namespace quarlopages
