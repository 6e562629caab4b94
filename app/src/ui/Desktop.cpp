#include "ui/Desktop.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "ui/Dialogs.h"

namespace quarlodesk {

std::string OpenWebPage(QWidget* parent, const std::string& title, const std::string& url) {
  const QUrl target = QUrl::fromUserInput(Q(url));
  if (target.isValid() && QDesktopServices::openUrl(target)) return "OK";
  const std::string status = "无法启动浏览器（xdg-open）";
  ShowMessage(parent, QMessageBox::Question, title, "发生以下错误：\r\n" + status + "\r\n" + url);
  return status;
}

void OpenHelpFile(QWidget* parent, const std::string& path) {
  QString p = Q(path);
  if (!QFileInfo(p).isFile()) {
    QFileDialog dialog(parent, Q("打开帮助文件"));
    dialog.setObjectName("cdMain");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(Q("CHM文件 (*.chm);;所有文件 (*)"));
    dialog.selectFile(p);
    NormalCursor normal;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      p = dialog.selectedFiles().first();
    }
  }
  if (!QFileInfo(p).isFile()) return;
  if (p.endsWith(".chm", Qt::CaseInsensitive)) {
    for (const char* viewer : {"xchm", "kchmviewer", "chmsee"}) {
      const QString program = QStandardPaths::findExecutable(viewer);
      if (!program.isEmpty() && QProcess::startDetached(program, {p})) return;
    }
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(p).absoluteFilePath()));
}

}  // namespace quarlodesk
