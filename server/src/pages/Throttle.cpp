#include "Throttle.h"

#include <algorithm>
#include <vector>

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
  // Still full: forget the quieter half rather than grow without bound.
  if (entries_.size() < kMaxAddresses) return;
  std::vector<Clock::time_point> times;
  times.reserve(entries_.size());
  for (const auto& item : entries_) times.push_back(item.second.last);
  auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
  std::nth_element(times.begin(), middle, times.end());
  Clock::time_point cut = *middle;
  std::erase_if(entries_, [&](const auto& item) { return item.second.last < cut; });
}

}  // namespace quarlopages
