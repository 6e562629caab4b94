#include "Throttle.h"

#include <gtest/gtest.h>

namespace quarlopages {
namespace {

using std::chrono::milliseconds;

TEST(Throttle, SlowsRepeatedFailuresFromOneAddress) {
  FailureThrottle t;
  auto now = FailureThrottle::Clock::now();
  std::vector<long> waits;
  for (int i = 0; i < 9; ++i) waits.push_back(t.RecordFailure("10.0.0.1", now).count());
  EXPECT_EQ(waits, (std::vector<long>{0, 0, 250, 500, 1000, 2000, 4000, 4000, 4000}));
  EXPECT_EQ(t.RecordFailure("10.0.0.2", now), milliseconds(0));
}

TEST(Throttle, SuccessOrAQuietWindowForgets) {
  FailureThrottle t;
  auto now = FailureThrottle::Clock::now();
  for (int i = 0; i < 5; ++i) t.RecordFailure("a", now);
  t.RecordSuccess("a");
  EXPECT_EQ(t.RecordFailure("a", now), milliseconds(0));
  for (int i = 0; i < 5; ++i) t.RecordFailure("b", now);
  EXPECT_EQ(t.RecordFailure("b", now + FailureThrottle::kWindow + std::chrono::seconds(1)),
            milliseconds(0));
}

TEST(Throttle, ManyAddressesStayBounded) {
  FailureThrottle t;
  auto now = FailureThrottle::Clock::now();
  for (size_t i = 0; i < FailureThrottle::kMaxAddresses * 3; ++i) {
    t.RecordFailure("addr" + std::to_string(i), now + milliseconds(i));
  }
  // The most recent address is still remembered.
  std::string last = "addr" + std::to_string(FailureThrottle::kMaxAddresses * 3 - 1);
  auto later = now + milliseconds(FailureThrottle::kMaxAddresses * 3);
  t.RecordFailure(last, later);
  EXPECT_EQ(t.RecordFailure(last, later), milliseconds(250));
}

}  // namespace
}  // namespace quarlopages
