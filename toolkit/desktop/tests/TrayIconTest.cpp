#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>
#include <string>

#include "kokit/TrayIcon.h"

using kokit::TrayIcon;

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The X a window's mouse move carries for a given message number.
int32_t XOf(int32_t message) {
  const double twipsPerPixel = 1440.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  return static_cast<int32_t>(message * twipsPerPixel);
}

// A tray icon whose three events write their names into `log`.
class TrayEvents : public testing::Test {
 protected:
  TrayEvents() {
    tray.OnMouseLeftClick([this] { log += "left "; });
    tray.OnMouseLeftDoubleClick([this] { log += "double "; });
    tray.OnMouseRightClick([this] { log += "right "; });
  }
  TrayIcon tray;
  std::string log;
};

}  // namespace

// The legacy code page is GBK here: two bytes a Chinese character.
TEST(TrayIcon, ToolTipIsTrimmedAndCutToTheFieldInLegacyBytes) {
  struct Row {
    const char* name;
    std::string text;
    std::string stored;
  };
  const Row rows[] = {
      {"blanks around are dropped", "  查询分析器 - a.sql  ", "查询分析器 - a.sql"},
      {"63 bytes and the NUL fill the field", "x" + Repeat("中", 31), "x" + Repeat("中", 31)},
      {"a character that would straddle the end is left out", "xy" + Repeat("中", 31),
       "xy" + Repeat("中", 30)},
      {"ASCII is cut at 63", std::string(70, 'a'), std::string(63, 'a')},
      {"only blanks", "   ", ""},
  };
  for (const Row& row : rows) {
    TrayIcon tray;
    tray.SetToolTipText(row.text);
    EXPECT_EQ(tray.ToolTipText(), row.stored) << row.name;
  }
}

TEST(TrayIcon, BindFormTakesTheWindowIconAndTrimmedTitle) {
  QWidget form;
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::blue);
  form.setWindowIcon(QIcon(pixmap));
  form.setWindowTitle("  查询分析器  ");
  TrayIcon tray;
  tray.BindForm(form);
  EXPECT_EQ(tray.ToolTipText(), "查询分析器");
  EXPECT_EQ(tray.Icon().cacheKey(), form.windowIcon().cacheKey());
}

TEST_F(TrayEvents, MouseMoveXRaisesTheEventOfItsMessage) {
  struct Row {
    const char* name;
    int32_t message;
    const char* raised;
  };
  const Row rows[] = {
      {"left button released", 514, "left "},   {"left double click", 515, "double "},
      {"right button released", 517, "right "}, {"mouse move", 512, ""},
      {"left button pressed", 513, ""},         {"right button pressed", 516, ""},
  };
  for (const Row& row : rows) {
    log.clear();
    tray.SetMouseMoveX(XOf(row.message));
    EXPECT_EQ(log, row.raised) << row.name;
    EXPECT_EQ(tray.MouseMoveX(), XOf(row.message)) << row.name;
  }
}

TEST_F(TrayEvents, QtActivationRaisesTheSameEvents) {
  struct Row {
    QSystemTrayIcon::ActivationReason reason;
    const char* raised;
  };
  const Row rows[] = {
      {QSystemTrayIcon::Trigger, "left "},
      {QSystemTrayIcon::DoubleClick, "double "},
      {QSystemTrayIcon::Context, "right "},
      {QSystemTrayIcon::MiddleClick, ""},
  };
  for (const Row& row : rows) {
    log.clear();
    emit tray.Native().activated(row.reason);
    EXPECT_EQ(log, row.raised) << row.reason;
  }
}

TEST_F(TrayEvents, ACallDuringAnEventIsOnlyStored) {
  tray.OnMouseLeftClick([this] {
    log += "left ";
    tray.SetMouseMoveX(XOf(517));
    emit tray.Native().activated(QSystemTrayIcon::DoubleClick);
  });
  tray.SetMouseMoveX(XOf(514));
  EXPECT_EQ(log, "left ");
  EXPECT_EQ(tray.MouseMoveX(), XOf(517));
  tray.SetMouseMoveX(XOf(517));
  EXPECT_EQ(log, "left right ");
}

TEST(TrayIcon, DisplayWithoutNotificationAreaOnlyReportsIt) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
  TrayIcon tray;
  tray.SetToolTipText("查询分析器");
  tray.Display();
  EXPECT_EQ(tray.OptStatus(), -1);
  EXPECT_NE(tray.OptString(), "OK");
  EXPECT_FALSE(tray.Native().isVisible());
  tray.Disappear();
  EXPECT_EQ(tray.OptStatus(), 0);
  EXPECT_EQ(tray.OptString(), "OK");
}
