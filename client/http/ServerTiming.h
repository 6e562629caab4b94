#pragma once

#include <optional>
#include <string_view>

namespace quarlolink::http {

// The durations (milliseconds) of the metrics the library reads from a Server-Timing header.
struct ServerTimingFigures {
  std::optional<double> db;
  std::optional<double> rows;
  std::optional<double> write;
  std::optional<double> total;
};

// Reads a Server-Timing value ("db;dur=120.1, rows;dur=8.0;desc=\"x\", ..."; several header
// lines joined with ", "). Names compare without regard to ASCII case; for each name the first
// metric with a "dur" counts; a duration that is not a non-negative number is left out, and so is
// anything that does not parse.
ServerTimingFigures ParseServerTiming(std::string_view value);

}  // namespace quarlolink::http
