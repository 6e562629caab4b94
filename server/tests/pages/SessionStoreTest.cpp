// How long a session and a failing address are remembered.
#include "SessionStore.h"

#include <gtest/gtest.h>

#include <thread>

#include "Throttle.h"

namespace quarlopages {
namespace {

using namespace std::chrono_literals;

TEST(SessionStore, IdleSessionsExpireButNotUnderARequestAndFreeTheirPlaces) {
  SessionStore store(1s, 2);
  std::string idle = store.Create()->id;
  auto held = store.Create();
  const std::string busy = held->id;
  EXPECT_FALSE(store.Create());  // capped
  std::this_thread::sleep_for(1100ms);
  EXPECT_FALSE(store.Find(idle));
  EXPECT_EQ(store.Sweep(), 0u);  // the held one is in use
  EXPECT_EQ(store.Size(), 1u);
  held = SessionStore::Lease();
  EXPECT_TRUE(store.Find(busy));  // just released: its idle time starts again
  EXPECT_TRUE(store.Create());    // the expired one's place
}

// Waits grow per address; a success or a quiet window forgets them; the table stays bounded
// and keeps the most recent address.
TEST(Throttle, RepeatedFailuresFromOneAddressWaitLonger) {
  FailureThrottle t;
  const auto now = FailureThrottle::Clock::now();
  std::vector<long> waits;
  for (int i = 0; i < 9; ++i) waits.push_back(t.RecordFailure("10.0.0.1", now).count());
  EXPECT_EQ(waits, (std::vector<long>{0, 0, 250, 500, 1000, 2000, 4000, 4000, 4000}));
  EXPECT_EQ(t.RecordFailure("10.0.0.2", now), 0ms);
  t.RecordSuccess("10.0.0.1");
  EXPECT_EQ(t.RecordFailure("10.0.0.1", now), 0ms);
  for (int i = 0; i < 5; ++i) t.RecordFailure("b", now);
  EXPECT_EQ(t.RecordFailure("b", now + FailureThrottle::kWindow + 1s), 0ms);

  const size_t many = FailureThrottle::kMaxAddresses * 3;
  for (size_t i = 0; i < many; ++i)
    t.RecordFailure("addr" + std::to_string(i), now + std::chrono::milliseconds(i));
  const std::string last = "addr" + std::to_string(many - 1);
  t.RecordFailure(last, now + std::chrono::milliseconds(many));
  EXPECT_EQ(t.RecordFailure(last, now + std::chrono::milliseconds(many)), 250ms);
}

}  // namespace
}  // namespace quarlopages
