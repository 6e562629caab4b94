#include "RequestLog.h"

#include <cstdio>
#include <ctime>

namespace quarlopages {

std::string FormatLogLine(const PageRequest& request, const PageResponse& response, double seconds,
                          std::chrono::system_clock::time_point now) {
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  // The path is the configured page or, for a stray request, cut short: it is not a secret but
  // it is not ours either.
  std::string path = request.path.substr(0, 120);
  for (char& c : path) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  }
  char line[512];
  std::snprintf(line, sizeof line, "%s %s %s %s %s %d %s %.3f ms", stamp,
                request.clientAddress.empty() ? "-" : request.clientAddress.c_str(),
                request.head ? "HEAD" : "GET", path.c_str(),
                response.note.empty() ? "-" : response.note.c_str(), response.status,
                response.outcome.empty() ? "-" : response.outcome.c_str(), seconds * 1000.0);
  return line;
}

}  // namespace quarlopages
