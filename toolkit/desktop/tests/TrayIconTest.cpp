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

// A row with a message sets the mouse-move X; one without activates the Qt icon.
TEST_F(TrayEvents, MouseMoveXAndQtActivationRaiseTheEvents) {
  struct Row {
    const char* name;
    int32_t message;
    QSystemTrayIcon::ActivationReason reason;
    const char* raised;
  };
  const auto none = QSystemTrayIcon::Unknown;
  const Row rows[] = {
      {"left button released", 514, none, "left "},
      {"left double click", 515, none, "double "},
      {"right button released", 517, none, "right "},
      {"mouse move", 512, none, ""},
      {"left button pressed", 513, none, ""},
      {"right button pressed", 516, none, ""},
      {"Qt trigger", 0, QSystemTrayIcon::Trigger, "left "},
      {"Qt double click", 0, QSystemTrayIcon::DoubleClick, "double "},
      {"Qt context", 0, QSystemTrayIcon::Context, "right "},
      {"Qt middle click", 0, QSystemTrayIcon::MiddleClick, ""},
  };
  for (const Row& row : rows) {
    log.clear();
    if (row.message != 0) {
      tray.SetMouseMoveX(XOf(row.message));
      EXPECT_EQ(tray.MouseMoveX(), XOf(row.message)) << row.name;
    } else {
      emit tray.Native().activated(row.reason);
    }
    EXPECT_EQ(log, row.raised) << row.name;
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
