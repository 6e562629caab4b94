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

std::string Repeat(const std::string& s, int n) { return n == 0 ? "" : s + Repeat(s, n - 1); }

// The X a window's mouse move carries for a given message number.
int32_t XOf(int32_t message) {
  const double twipsPerPixel = 1440.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  return static_cast<int32_t>(message * twipsPerPixel);
}

}  // namespace

// The tooltip is trimmed and cut to 63 bytes of the legacy code page (a Chinese character two).
TEST(TrayIcon, ToolTipIsTrimmedAndCutToTheFieldInLegacyBytes) {
  const std::pair<std::string, std::string> rows[] = {
      {"  查询分析器 - a.sql  ", "查询分析器 - a.sql"},
      {"x" + Repeat("中", 31), "x" + Repeat("中", 31)},
      {"xy" + Repeat("中", 31), "xy" + Repeat("中", 30)},  // no character straddles the end
      {"   ", ""},
  };
  for (const auto& [text, stored] : rows) {
    TrayIcon tray;
    tray.SetToolTipText(text);
    EXPECT_EQ(tray.ToolTipText(), stored) << text;
  }
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

// Window messages (512 and up) arrive as the mouse-move X, Qt activations through the Qt icon;
// a call during an event is only stored; Display needs a notification area.
TEST(TrayIcon, MouseMoveXAndQtActivationRaiseTheEvents) {
  TrayIcon tray;
  std::string log;
  tray.OnMouseLeftClick([&] { log += "left "; });
  tray.OnMouseLeftDoubleClick([&] { log += "double "; });
  tray.OnMouseRightClick([&] { log += "right "; });
  const std::pair<int32_t, const char*> rows[] = {
      {514, "left "},  // left button released
      {515, "double "},
      {517, "right "},  // right button released
      {512, ""},        // mouse move
      {QSystemTrayIcon::Trigger, "left "},
      {QSystemTrayIcon::DoubleClick, "double "},
      {QSystemTrayIcon::Context, "right "},
      {QSystemTrayIcon::MiddleClick, ""},
  };
  for (const auto& [message, raised] : rows) {
    log.clear();
    if (message >= 512) {
      tray.SetMouseMoveX(XOf(message));
      EXPECT_EQ(tray.MouseMoveX(), XOf(message));
    } else {
      emit tray.Native().activated(static_cast<QSystemTrayIcon::ActivationReason>(message));
    }
    EXPECT_EQ(log, raised) << message;
  }
  log.clear();
  tray.OnMouseLeftClick([&] {
    log += "left ";
    tray.SetMouseMoveX(XOf(517));
    emit tray.Native().activated(QSystemTrayIcon::DoubleClick);
  });
  tray.SetMouseMoveX(XOf(514));
  EXPECT_EQ(log, "left ");
  EXPECT_EQ(tray.MouseMoveX(), XOf(517));
  // Without a notification area Display only reports it.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    tray.Display();
    EXPECT_EQ(tray.OptStatus(), -1);
    EXPECT_FALSE(tray.Native().isVisible());
    tray.Disappear();
    EXPECT_EQ(tray.OptString(), "OK");
  }
}
