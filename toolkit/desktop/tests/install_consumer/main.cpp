#include <kokit/KoTimer.h>
#include <kokit/TrayIcon.h>

#include <QApplication>

// Builds against the installed headers and library; three ticks end the event loop.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kokit::TrayIcon tray;
  tray.SetToolTipText(" kokit ");
  kokit::KoTimer timer;
  int ticks = 0;
  timer.OnTimer([&] {
    if (++ticks == 3) app.quit();
  });
  timer.SetInterval(10);
  app.exec();
  return ticks >= 3 && tray.ToolTipText() == "kokit" ? 0 : 1;
}
