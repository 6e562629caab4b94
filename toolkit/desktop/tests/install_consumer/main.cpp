#include <kokit/KoTimer.h>
#include <kokit/KoToolsApp.h>
#include <kokit/TrayIcon.h>

#include <QApplication>

// Builds against the installed headers and libraries; the first tick ends the event loop.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kokit::KoToolsApp tools;
  const std::string enc = tools.EncUnicodeStr("中文", "", kokit::xpEncStr_EncNoKeyHead);
  kokit::TrayIcon tray;
  tray.SetToolTipText(" kokit ");
  kokit::KoTimer timer;
  timer.OnTimer([&] { app.quit(); });
  timer.SetInterval(10);
  const bool ok = app.exec() == 0 && tray.ToolTipText() == "kokit" &&
                  tools.EncUnicodeStr(enc, "", kokit::xpEncStr_UnEncNoKeyHead) == "中文";
  return ok ? 0 : 1;
}
