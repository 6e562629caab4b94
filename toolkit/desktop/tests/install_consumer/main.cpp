#include <kokit/KoTimer.h>
#include <kokit/TrayIcon.h>

#include <QApplication>

// Builds against the installed headers and library; the first tick ends the event loop.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kokit::TrayIcon tray;
  tray.SetToolTipText(" kokit ");
  kokit::KoTimer timer;
  timer.OnTimer([&] { app.quit(); });
  timer.SetInterval(10);
  return app.exec() == 0 && tray.ToolTipText() == "kokit" ? 0 : 1;
}
