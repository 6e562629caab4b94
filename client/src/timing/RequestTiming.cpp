#include "quarlolink/RequestTiming.h"

#include <algorithm>

namespace quarlolink {

std::optional<TimingSplit> RequestTiming::Split(double elapsedMs) const {
  if (!HasServerSplit()) return std::nullopt;
  TimingSplit s;
  s.databaseMs = std::max(0.0, databaseMs);
  s.serverMs = std::max(0.0, serverMs - databaseMs);
  s.networkMs = std::max(0.0, wireMs - serverMs);
  s.clientMs = std::max(0.0, elapsedMs - s.databaseMs - s.serverMs - s.networkMs);
  return s;
}

RequestTiming& RequestTiming::operator+=(const RequestTiming& o) {
  requests += o.requests;
  timedRequests += o.timedRequests;
  wireMs += o.wireMs;
  decodeMs += o.decodeMs;
  fillMs += o.fillMs;
  databaseMs += o.databaseMs;
  rowsMs += o.rowsMs;
  writeMs += o.writeMs;
  serverMs += o.serverMs;
  return *this;
}

RequestTiming& RequestTiming::operator-=(const RequestTiming& o) {
  requests -= o.requests;
  timedRequests -= o.timedRequests;
  wireMs -= o.wireMs;
  decodeMs -= o.decodeMs;
  fillMs -= o.fillMs;
  databaseMs -= o.databaseMs;
  rowsMs -= o.rowsMs;
  writeMs -= o.writeMs;
  serverMs -= o.serverMs;
  return *this;
}

}  // namespace quarlolink
