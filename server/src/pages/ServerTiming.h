#pragma once

#include <chrono>
#include <string>

namespace quarlopages {

// Where the server's time went while it answered one request, in milliseconds.
struct ServerTiming {
  double dbMs = 0;    // in the database: connecting, running the statement
  double rowsMs = 0;  // reading the result's rows and spooling them, reading them back
};

// The standard Server-Timing header value of an answer, every figure with three decimals:
// "db;dur=120.100, rows;dur=8.000, write;dur=0.400, total;dur=128.700". "write" is the rest of
// the handling (the request read, the answer written), "total" all of it.
std::string ServerTimingValue(const ServerTiming& timing, double totalMs);

// Adds the time from its making to its end to one figure, also when an exception passes.
class TimeInto {
 public:
  explicit TimeInto(double& ms) : ms_(ms) {}
  ~TimeInto() {
    ms_ += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
               .count();
  }
  TimeInto(const TimeInto&) = delete;
  TimeInto& operator=(const TimeInto&) = delete;

 private:
  double& ms_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace quarlopages
