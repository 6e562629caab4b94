#pragma once

namespace quarlolink::internal {

// Marks an object busy for the life of the scope and leaves the flag as it was found. Objects
// refuse calls that the host's events make into them while they are busy.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = was_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace quarlolink::internal
