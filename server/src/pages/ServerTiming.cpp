#include "ServerTiming.h"

#include <algorithm>
#include <cstdio>

namespace quarlopages {

std::string ServerTimingValue(const ServerTiming& timing, double totalMs) {
  const double db = std::max(0.0, timing.dbMs);
  const double rows = std::max(0.0, timing.rowsMs);
  const double total = std::max(totalMs, db + rows);
  char text[160];
  std::snprintf(text, sizeof text, "db;dur=%.3f, rows;dur=%.3f, write;dur=%.3f, total;dur=%.3f", db,
                rows, total - db - rows, total);
  return text;
}

}  // namespace quarlopages
