#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "core/CommandLine.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv) {
  // Qt takes its own options (-platform, -display ...) out of argv first.
  std::vector<std::string> args(argv + 1, argv + argc);
  const quarlodesk::CommandLine early = quarlodesk::ParseCommandLine(args);
  if (early.action == quarlodesk::CommandLine::Help) {
    std::fputs(quarlodesk::CommandLineHelp().c_str(), stdout);
    return 0;
  }
  if (early.action == quarlodesk::CommandLine::Version) {
    std::printf("quarlodesk %s\n", QUARLODESK_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  args.assign(argv + 1, argv + argc);
  const quarlodesk::CommandLine commandLine = quarlodesk::ParseCommandLine(args);
  if (commandLine.action == quarlodesk::CommandLine::Usage) {
    std::fprintf(stderr, "quarlodesk: %s\n（quarlodesk --help 显示用法）\n",
                 commandLine.error.c_str());
    return 64;
  }
  quarlodesk::SetUpApplication(app);
  quarlodesk::MainWindow window(quarlodesk::RealEnvironment(commandLine));
  QTimer::singleShot(0, &window, [&window] { window.Start(); });
  return app.exec();
}
