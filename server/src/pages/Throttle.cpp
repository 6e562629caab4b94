#include "Throttle.h"

#include <algorithm>

namespace quarlopages {

std::chrono::milliseconds FailureThrottle::RecordFailure(const std::string& address,
                                                         Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (entries_.size() >= kMaxAddresses) Prune(now);
  Entry& e = entries_[address];
  if (e.failures > 0 && now - e.last > kWindow) e.failures = 0;
  e.failures = std::min(e.failures + 1, 64);
  e.last = now;
  if (e.failures <= 2) return std::chrono::milliseconds(0);
  int shift = std::min(e.failures - 3, 4);
  return std::chrono::milliseconds(250 << shift);
}

void FailureThrottle::RecordSuccess(const std::string& address) {
  std::lock_guard lock(mutex_);
  entries_.erase(address);
}

void FailureThrottle::Prune(Clock::time_point now) {
  std::erase_if(entries_, [&](const auto& item) { return now - item.second.last > kWindow; });
  // Still full: forget the quietest half rather than grow without bound.
  while (entries_.size() >= kMaxAddresses) {
    auto oldest = std::min_element(
        entries_.begin(), entries_.end(),
        [](const auto& a, const auto& b) { return a.second.last < b.second.last; });
    entries_.erase(oldest);
    if (entries_.size() < kMaxAddresses / 2) break;
  }
}

}  // namespace quarlopages
