// Writes screenshots of the program for the README and the manual: the login dialog, the main
// window with a page of results, the settings dialog, the about box and the export dialog. Run by
// scripts/screenshots against quarlopages on the demo database; the settings live in a
// temporary folder.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ui/Application.h"
#include "ui/MainWindow.h"

namespace {

// Grabs the next modal dialog once it is laid out, then runs `then` on it.
void OnNextDialog(const QString& file, std::function<void(QWidget*)> then) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, file, then] {
    QWidget* d = QApplication::activeModalWidget();
    if (!d || !d->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    QTimer::singleShot(300, d, [d, file, then] {
      d->grab().save(file);
      std::printf("wrote %s\n", file.toLocal8Bit().constData());
      then(d);
    });
  });
  timer->start(20);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SITE OUTPUT-FOLDER\n", argv[0]);
    return 64;
  }
  const std::string site = argv[1];
  // Absolute: the working folder changes below.
  const QString out = QString::fromStdString(std::filesystem::absolute(argv[2]).string());
  char store[] = "/tmp/quarlodesk-shots-XXXXXX";
  if (!mkdtemp(store)) return 1;
  setenv("KOKIT_REGISTRY_DIR", store, 1);
  setenv("XDG_STATE_HOME", store, 1);
  setenv("XDG_CONFIG_HOME", store, 1);  // Qt's own settings too (the file dialog's last folder)
  // The export dialog opens in the working folder: one of the store's, with earlier exports.
  const std::filesystem::path exports = std::filesystem::path(store) / "导出";
  std::filesystem::create_directory(exports);
  for (const char* name : {"员工.csv", "部门.jsonl"}) std::ofstream(exports / name) << "1\n";
  std::filesystem::current_path(exports);

  QApplication app(argc, argv);
  quarlodesk::SetUpApplication(app);
  quarlodesk::CommandLine prefill;
  prefill.site = site;
  prefill.type = quarlodesk::DbType::Access;
  prefill.database = "demo.db";
  quarlodesk::Environment env;
  env.userName = "demo";
  env.version = QUARLODESK_VERSION;
  env.prefill = prefill;
  env.exit = [](int code) { QCoreApplication::exit(code); };
  quarlodesk::MainWindow window(env);
  window.resize(1000, 640);

  OnNextDialog(out + "/login.png",
               [](QWidget* d) { d->findChild<QPushButton*>("cmdOK")->click(); });
  QTimer::singleShot(0, &window, [&] {
    window.Start();
    window.findChild<QPlainTextEdit*>("txtCmd")->setPlainText(QString::fromUtf8(
        "/* 各部门的员工 */\n"
        "select e.name as 姓名, e.english_name as 英文名, d.name as 部门, e.title as 职务,\n"
        "       e.hired as 入职日期, e.salary as 工资\n"
        "from employees e join departments d on d.id = e.department_id\n"
        "order by e.id"));
    window.RunCommand("mnuRun_ExecSQL");
    QTimer::singleShot(300, &window, [&] {
      window.grab().save(out + "/main-window.png");
      std::printf("wrote %s/main-window.png\n", out.toLocal8Bit().constData());
      // Before the settings command, which lets go of the result.
      OnNextDialog(out + "/export.png", [](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
      window.RunCommand("mnuFile_Export");
      OnNextDialog(out + "/settings.png", [](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
      window.RunCommand("mnuFile_Setting");
      OnNextDialog(out + "/about.png", [](QWidget* d) { qobject_cast<QDialog*>(d)->accept(); });
      window.RunCommand("mnuHelp_About");
      QCoreApplication::exit(0);
    });
  });
  const int rc = app.exec();
  std::filesystem::remove_all(store);
  return rc;
}
