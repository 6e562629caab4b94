#include <gtest/gtest.h>

#include <QTest>
#include <cerrno>
#include <functional>

#include "kokit/Error.h"
#include "kokit/KoTimer.h"

using kokit::KoTimer;

// Ticks come only while the timer is enabled with an interval above 0; a handler may stop it.
TEST(KoTimer, TicksOnlyWhileEnabledWithAValidInterval) {
  struct Row {
    const char* name;
    std::function<void(KoTimer&, int&)> start;
    int ticks;
  };
  const Row rows[] = {
      {"a new interval takes effect while running; the handler disables the timer",
       [](KoTimer& t, int& n) {
         t.OnTimer([&t, &n] {
           if (++n == 3) t.SetEnabled(false);
         });
         t.SetInterval(65535);
         t.SetInterval(10);
       },
       3},
      {"disabled before the interval is set",
       [](KoTimer& t, int&) { t.SetEnabled(false), t.SetInterval(10); }, 0},
      {"interval set back to 0", [](KoTimer& t, int&) { t.SetInterval(10), t.SetInterval(0); }, 0},
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
  // An interval outside 0 to 65535 is refused and changes nothing.
  const std::pair<int32_t, int32_t> intervals[] = {
      {0, 0}, {65535, 65535}, {-1, 1000}, {65536, 1000}};
  for (const auto& [interval, kept] : intervals) {
    KoTimer timer;
    timer.SetInterval(1000);
    try {
      timer.SetInterval(interval);
    } catch (const kokit::Error& e) {
      EXPECT_EQ(e.Number(), ERANGE) << interval;
    }
    EXPECT_EQ(timer.Interval(), kept) << interval;
  }
}
