// One page of 5,000 rows by 10 columns (Chinese and ASCII values) shown by the desktop program's
// real grid fill, offscreen, beside two floors from the same run: walking the same recordset
// without a window, and that walk plus the event processing the fill does per row. Also the time
// from the start of a process to the login dialog on screen, and what the editor's colouring
// costs on a long script.
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PrivateFolders.h"
#include "conn/LibraryAccess.h"
#include "core/GridText.h"
#include "quarlolink/QuarloApp.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"
#include "ui/SqlHighlighter.h"

using quarlolink::QuarloApp;
using quarlolink::internal::LibraryAccess;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 5000;
constexpr int kColumns = 10;
constexpr int kRounds = 9;

std::string Answer() {
  std::string text =
      "OK<Head><RecordsAffected>-1</RecordsAffected><EOF>True</EOF>"
      "<IsNextRecordset>False</IsNextRecordset></Head><Fields>";
  for (int c = 0; c < kColumns; ++c) {
    text += "<Field><Name>" + std::string(c % 2 ? "名称" : "col") + std::to_string(c) +
            "</Name><Type>200</Type><DefinedSize>50</DefinedSize></Field>";
  }
  text += "</Fields>";
  for (int r = 1; r <= kRows; ++r) {
    text += "<RowValue>";
    for (int c = 0; c < kColumns; ++c) {
      const std::string tag = "~" + std::to_string(c) + "_";
      const std::string value =
          c % 2 ? "北京市朝阳区" + std::to_string(r) : "value " + std::to_string(r * kColumns + c);
      text += "<" + tag + ">" + value + "</" + tag + ">";
    }
    text += "</RowValue>";
  }
  return text;
}

std::shared_ptr<quarlolink::XmlRecordset> Fill(const std::shared_ptr<QuarloApp>& app,
                                               const std::string& text) {
  auto rs = LibraryAccess::NewRecordset(app);
  LibraryAccess::SetCurrentRecordset(*app, rs);
  LibraryAccess::FillXmlText(*rs, text);
  return rs;
}

// What the fill reads of each row, without a window.
size_t Walk(quarlolink::XmlRecordset& rs, bool pumpEvents) {
  size_t bytes = 0;
  auto fields = rs.Fields();
  while (!rs.Eof()) {
    if (pumpEvents) QCoreApplication::processEvents();
    for (const auto& f : *fields) bytes += quarlodesk::TrimmedView(f->Value()).size();
    rs.MoveNext();
    if (pumpEvents) QCoreApplication::processEvents();
  }
  return bytes;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Milliseconds since this process was started (exec), from /proc.
double MsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(all.substr(all.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) fields >> field;  // field 22: start time in clock ticks
  const double startSeconds = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - startSeconds) * 1000;
}

// A script of 5,000 lines put into an editor, and one key typed at its top, with the editor's
// colouring or without.
struct EditorTimes {
  double load, key;
};
EditorTimes EditorRound(bool coloured) {
  QString script;
  for (int i = 0; i < 5000; ++i) {
    script += QString("select id, '名称%1' as 名称, [列 %1] from t where x = %1 -- 注释\n").arg(i);
  }
  QPlainTextEdit editor;
  if (coloured) new quarlodesk::SqlHighlighter(editor.document());
  auto t0 = Clock::now();
  editor.setPlainText(script);
  const double load = Ms(Clock::now() - t0);
  editor.moveCursor(QTextCursor::Start);
  t0 = Clock::now();
  editor.insertPlainText("x");
  return {load, Ms(Clock::now() - t0)};
}

quarlodesk::Environment BenchEnvironment() {
  quarlodesk::Environment env;
  env.userName = "bench";
  env.version = "bench";
  env.exit = [](int code) { QCoreApplication::exit(code); };
  return env;
}

// A child run: start the program's window as main does, print when the login dialog shows.
int StartupChild(int argc, char** argv) {
  QApplication app(argc, argv);
  quarlodesk::SetUpApplication(app);
  quarlodesk::MainWindow window(BenchEnvironment());
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* d = QApplication::activeModalWidget();
    if (d && d->objectName() == "frmLogin" && d->isVisible()) {
      std::printf("%.1f\n", MsSinceProcessStart());
      std::fflush(stdout);
      std::_Exit(0);
    }
  });
  poll.start(1);
  QTimer::singleShot(0, &window, [&] { window.Start(); });
  return app.exec();
}

double StartupRound(const char* self) {
  std::string command = std::string(self) + " --startup-child";
  FILE* p = popen(command.c_str(), "r");
  char line[64] = {};
  if (!p || !std::fgets(line, sizeof line, p)) return -1;
  pclose(p);
  return std::atof(line);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The children share the parent's folders: the first one starts on an empty store (a first
  // start writes every default), the later ones as a user starts the program every day.
  if (argc > 1 && std::strcmp(argv[1], "--startup-child") == 0) return StartupChild(argc, argv);
  PrivateFolders folders;

  const double firstStart = StartupRound(argv[0]);
  std::vector<double> startup;
  for (int i = 0; i < 7; ++i) startup.push_back(StartupRound(argv[0]));

  QApplication qapp(argc, argv);
  quarlodesk::SetUpApplication(qapp);
  const std::string text = Answer();
  auto app = QuarloApp::Create();
  app->SetRowsPerComm(kRows);
  app->SetRowsPerPage(kRows);
  quarlodesk::MainWindow window(BenchEnvironment());
  window.Connection().cn = app;
  window.show();
  QCoreApplication::processEvents();

  std::vector<double> walk, pumped, fill;
  size_t sink = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto rs = Fill(app, text);
    auto t0 = Clock::now();
    sink += Walk(*rs, false);
    walk.push_back(Ms(Clock::now() - t0));

    rs = Fill(app, text);
    t0 = Clock::now();
    sink += Walk(*rs, true);
    pumped.push_back(Ms(Clock::now() - t0));

    rs = Fill(app, text);
    window.SetCurrRs(rs);
    t0 = Clock::now();
    window.ShowRecordset();
    fill.push_back(Ms(Clock::now() - t0));
    if (window.RunStateValue() != 0) {
      std::fprintf(stderr, "the fill did not end at rest (state %d)\n", window.RunStateValue());
      return 1;
    }
  }
  std::vector<double> plainLoad, colouredLoad, plainKey, colouredKey;
  for (int round = 0; round < 5; ++round) {
    const EditorTimes plain = EditorRound(false), coloured = EditorRound(true);
    plainLoad.push_back(plain.load);
    plainKey.push_back(plain.key);
    colouredLoad.push_back(coloured.load);
    colouredKey.push_back(coloured.key);
  }
  const double w = Median(walk), p = Median(pumped), f = Median(fill);
  std::printf("Desktop grid fill, one page of %d rows x %d columns, median of %d rounds (%zu)\n",
              kRows, kColumns, kRounds, sink % 10);
  std::printf("  walk without a window            %8.1f ms\n", w);
  std::printf("  walk + event processing per row %8.1f ms   (the floor)\n", p);
  std::printf(
      "  ShowRecordset into the grid      %8.1f ms   %.2fx the floor (goal <= 2x, < 100 ms)\n", f,
      f / p);
  std::printf(
      "Editor, a 5,000-line script: load %.1f ms coloured / %.1f ms plain; a key typed %.2f ms "
      "coloured / %.2f ms plain (median of 5)\n",
      Median(colouredLoad), Median(plainLoad), Median(colouredKey), Median(plainKey));
  std::printf(
      "Start of the process to the login dialog shown: %.0f ms (median of %zu); "
      "first start on an empty store %.0f ms\n",
      Median(startup), startup.size(), firstStart);
  return 0;
}
