#include "ui/Application.h"

#include <unistd.h>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <filesystem>

#include "kokit/EventPump.h"
#include "kokit/KoToolsApp.h"
#include "ui/AppLook.h"
#include "ui/Environment.h"

namespace quarlodesk {

void SetUpApplication(QApplication& app) {
  app.setApplicationName("quarlodesk");
  app.setOrganizationName("Tarnwick Studio");
  app.setDesktopFileName("quarlodesk");  // the menu entry, so that the desktop shows its icon
  app.setWindowIcon(AppIcon());
  app.setQuitOnLastWindowClosed(false);  // the program ends through its own exit sequence
  auto* translator = new QTranslator(&app);
  if (translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  }
  InstallFontSubstitutes();
  kokit::SetEventPump([] { QCoreApplication::processEvents(); });
}

namespace {

// The manual beside the installed program, else the one in the source tree (a build run in
// place).
std::string FindManual() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path installed =
        (exe.parent_path() / QUARLODESK_MANUAL_FROM_BIN / "index.html").lexically_normal();
    if (fs::exists(installed, ec)) return installed.string();
  }
  const fs::path source = fs::path(QUARLODESK_SOURCE_MANUAL);
  if (fs::exists(source, ec)) return source.string();
  return (fs::path(QUARLODESK_INSTALLED_MANUAL)).string();
}

}  // namespace

Environment RealEnvironment(const CommandLine& commandLine) {
  Environment env;
  env.userName = kokit::KoToolsApp().GetUserName();
  env.helpFile = FindManual();
  env.version = QUARLODESK_VERSION;
  env.prefill = commandLine;
  env.exit = [](int code) { QCoreApplication::exit(code); };
  return env;
}

}  // namespace quarlodesk
