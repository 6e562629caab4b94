#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>
#include <cerrno>

#include "kokit/Error.h"
#include "kokit/KoTimer.h"
#include "kokit/TrayIcon.h"

using kokit::KoTimer;
using kokit::TrayIcon;

// The QApplication is made when tests run, not when they are listed.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}

// Ticks come only while the timer is enabled with an interval above 0; a handler may stop it;
// an interval outside 0 to 65535 is refused and changes nothing.
TEST(Desktop, KoTimerTicksOnlyWhileEnabledWithAnInterval) {
  KoTimer timer;
  int ticks = 0;
  timer.OnTimer([&] {
    if (++ticks == 3) timer.SetEnabled(false);
  });
  timer.SetInterval(65535);
  timer.SetInterval(10);  // takes effect while running
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 10000));
  timer.SetEnabled(true), timer.SetInterval(0);
  QTest::qWait(100);
  EXPECT_EQ(ticks, 3);
  timer.SetInterval(1000);
  for (int32_t bad : {-1, 65536}) {
    try {
      timer.SetInterval(bad);
      ADD_FAILURE() << bad;
    } catch (const kokit::Error& e) {
      EXPECT_EQ(e.Number(), ERANGE) << bad;
    }
  }
  EXPECT_EQ(timer.Interval(), 1000);
}

// The tooltip is trimmed and cut to 63 bytes of the legacy code page (a Chinese character two).
// Window messages (512 and up) arrive as the mouse-move X, Qt activations through the Qt icon;
// a call during an event is only stored; Display needs a notification area.
TEST(Desktop, TrayIconTipBindingAndEvents) {
  std::string cut = "xy", kept = "xy";
  for (int i = 0; i < 31; ++i) cut += "中", kept += i < 30 ? "中" : "";
  TrayIcon tray;
  tray.SetToolTipText(cut);
  EXPECT_EQ(tray.ToolTipText(), kept);  // no character straddles the end
  tray.SetToolTipText("   ");
  EXPECT_EQ(tray.ToolTipText(), "");
  QWidget form;
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::blue);
  form.setWindowIcon(QIcon(pixmap));
  form.setWindowTitle("  查询分析器  ");
  tray.BindForm(form);
  EXPECT_EQ(tray.ToolTipText(), "查询分析器");
  EXPECT_EQ(tray.Icon().cacheKey(), form.windowIcon().cacheKey());

  std::string log;
  tray.OnMouseLeftClick([&] { log += "left "; });
  tray.OnMouseLeftDoubleClick([&] { log += "double "; });
  tray.OnMouseRightClick([&] { log += "right "; });
  for (auto reason : {QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
                      QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Trigger}) {
    emit tray.Native().activated(reason);
  }
  EXPECT_EQ(log, "double right left ");
  // The X a window's mouse move carries for a message number.
  auto x = [](int32_t message) {
    return static_cast<int32_t>(message * 1440.0 /
                                QGuiApplication::primaryScreen()->logicalDotsPerInchX());
  };
  tray.OnMouseLeftClick([&] {
    log += "left ";
    tray.SetMouseMoveX(x(517));
    emit tray.Native().activated(QSystemTrayIcon::DoubleClick);
  });
  tray.SetMouseMoveX(x(514));
  EXPECT_EQ(log, "double right left left ");
  EXPECT_EQ(tray.MouseMoveX(), x(517));
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    tray.Display();
    EXPECT_EQ(tray.OptStatus(), -1);
    EXPECT_FALSE(tray.Native().isVisible());
    tray.Disappear();
    EXPECT_EQ(tray.OptString(), "OK");
  }
}
