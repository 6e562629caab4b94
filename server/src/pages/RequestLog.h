#pragma once

#include <chrono>
#include <string>

#include "Pages.h"

namespace quarlopages {

// One line per request: time, client, method, page, "Opt=N" or the statement's length, HTTP
// status, outcome and duration. Never a statement, connection string, key or password.
std::string FormatLogLine(const PageRequest& request, const PageResponse& response, double seconds,
                          std::chrono::system_clock::time_point now);

}  // namespace quarlopages
