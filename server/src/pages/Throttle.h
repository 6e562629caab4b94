#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace quarlopages {

// Slows down repeated key-check failures from one address: the first two are answered at once,
// then each further one waits twice as long as the last (from 250 ms up to 4 s) until the
// address gets the key right or stays quiet for the window.
class FailureThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::minutes kWindow{15};
  static constexpr size_t kMaxAddresses = 4096;

  // Records a failure and returns how long to wait before answering it.
  std::chrono::milliseconds RecordFailure(const std::string& address, Clock::time_point now);
  void RecordSuccess(const std::string& address);

 private:
  struct Entry {
    int failures = 0;
    Clock::time_point last;
  };
  void Prune(Clock::time_point now);

  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace quarlopages
