#include <gtest/gtest.h>

#include <QTest>
#include <cerrno>
#include <chrono>
#include <functional>
#include <vector>

#include "kokit/Error.h"
#include "kokit/KoTimer.h"

using kokit::KoTimer;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// When the n-th tick may come at the earliest. Ticks may come late on a loaded machine, and a
// late one is followed by an early one (the timer keeps its phase), but the n-th never comes
// before n intervals have passed: Qt's coarse timers keep within 5 %.
constexpr auto Earliest(int n, std::chrono::milliseconds interval) {
  return n * interval * 95 / 100 - 1ms;
}

}  // namespace

// An interval set while the timer runs starts afresh; then it ticks once per interval.
TEST(KoTimer, TicksOncePerIntervalFromTheLastChange) {
  KoTimer timer;
  std::vector<Clock::time_point> ticks;
  timer.OnTimer([&] { ticks.push_back(Clock::now()); });
  timer.SetInterval(65535);
  QTest::qWait(50);
  const auto changed = Clock::now();
  timer.SetInterval(40);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 4; }, 10000));
  EXPECT_EQ(timer.Interval(), 40);
  for (size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_GE(ticks[i] - changed, Earliest(static_cast<int>(i) + 1, 40ms)) << "tick " << i + 1;
  }
}

TEST(KoTimer, NoTickWhileDisabledOrAtIntervalZero) {
  struct Row {
    const char* name;
    std::function<void(KoTimer&, int&)> start;
    int ticks;
  };
  const Row rows[] = {
      {"disabled before the interval is set",
       [](KoTimer& t, int&) {
         t.SetEnabled(false);
         t.SetInterval(10);
       },
       0},
      {"interval set back to 0",
       [](KoTimer& t, int&) {
         t.SetInterval(10);
         t.SetInterval(0);
       },
       0},
      {"disabled by its own handler",
       [](KoTimer& t, int& n) {
         t.OnTimer([&t, &n] {
           ++n;
           t.SetEnabled(false);
         });
         t.SetInterval(10);
       },
       1},
  };
  for (const Row& row : rows) {
    KoTimer timer;
    int ticks = 0;
    timer.OnTimer([&] { ++ticks; });
    row.start(timer, ticks);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= row.ticks; }, 10000)) << row.name;
    QTest::qWait(100);
    EXPECT_EQ(ticks, row.ticks) << row.name;
  }
}

TEST(KoTimer, IntervalOutsideZeroTo65535IsRefused) {
  struct Row {
    const char* name;
    int32_t interval;
    bool accepted;
  };
  const Row rows[] = {
      {"zero", 0, true},
      {"largest", 65535, true},
      {"negative", -1, false},
      {"past the largest", 65536, false},
  };
  for (const Row& row : rows) {
    KoTimer timer;
    timer.SetInterval(1000);
    int32_t number = 0;
    try {
      timer.SetInterval(row.interval);
    } catch (const kokit::Error& e) {
      number = e.Number();
    }
    EXPECT_EQ(number, row.accepted ? 0 : ERANGE) << row.name;
    EXPECT_EQ(timer.Interval(), row.accepted ? row.interval : 1000) << row.name;
  }
}
