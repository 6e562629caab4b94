// Exporting every row of the current result set to a file. The rows come from the grid's own
// recordset, read again from its first row (the server keeps the statement's rows, so nothing runs
// twice); afterwards the recordset returns to the page the grid shows, so paging goes on as before.
#include <QCoreApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <algorithm>
#include <optional>

#include "core/ResultExport.h"
#include "kokit/Error.h"
#include "quarlolink/QuarloApp.h"
#include "quarlolink/XmlRecordset.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"

namespace quarlodesk {

namespace {

constexpr int64_t kProgressEvery = 256;  // rows between updates of the progress text

struct ExportTarget {
  std::string path;
  ExportFormat format;
};

std::optional<ExportTarget> ChooseExportFile(QWidget* parent, const std::string& lastName) {
  const std::vector<ExportChoice> choices = ExportChoices();
  QStringList filters;
  for (const auto& c : choices) filters << Q(c.filter);
  QFileDialog dialog(parent, Q("导出结果"));
  dialog.setObjectName("cdExport");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(Q(choices.front().suffix));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    const auto at = filters.indexOf(filter);
    if (at >= 0) dialog.setDefaultSuffix(Q(choices[static_cast<size_t>(at)].suffix));
  });
  if (!lastName.empty()) dialog.selectFile(Q(lastName));
  NormalCursor normal;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const auto at = filters.indexOf(dialog.selectedNameFilter());
  return ExportTarget{S(dialog.selectedFiles().first()),
                      choices[static_cast<size_t>(std::max<qsizetype>(at, 0))].format};
}

}  // namespace

void MainWindow::ExportResult() {
  auto cn = conn_.cn;
  auto rs = currRs_;
  const auto fields = rs ? rs->Fields() : nullptr;
  if (!cn || !fields || fields->Count() == 0) return;
  const auto target = ChooseExportFile(this, lastExportName_);
  if (!target) return;
  lastExportName_ = target->path;

  std::vector<quarlolink::host::Column> columns;
  for (const auto& f : *fields) columns.push_back({f->Name(), f->DataType()});
  const int32_t page = rs->CurrPageNo();
  const bool loaded = rs->TotalPages() > 0;  // else the result set has no rows to read again

  QProgressDialog progress(Q("正在导出结果..."), Q("取消"), 0, 0, this);
  progress.setObjectName("dlgExport");
  progress.setWindowTitle(Q(appTitle_));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  bool fetching = false;
  // A batch under way is stopped on the spot; between batches the loop sees the flag.
  const auto stopper = connect(&progress, &QProgressDialog::canceled, this, [&] {
    if (fetching) cn->Cancel();
  });
  progress.show();
  auto fetch = [&](auto move) {
    fetching = true;
    move();
    fetching = false;
    if (!progress.wasCanceled() && cn->OptStatus() != 0) throw kokit::Error(-1, cn->OptString());
  };

  std::string failure;
  int64_t rows = 0;
  try {
    ResultExport file(target->path, target->format, columns);
    if (loaded) {
      // A request for the first rows that is not marked as a continuation makes the server run
      // the statement again; a step forward first marks the requests after it.
      fetch([&] { rs->MoveNextPage(); });
      fetch([&] { rs->MoveFristPage(); });
    } else if (rs->OptStatus() != 0) {
      throw kokit::Error(-1, rs->OptString());  // its fetch failed: nothing to read again
    }
    std::vector<std::string> values(columns.size());
    while (!rs->Eof() && !progress.wasCanceled()) {
      size_t i = 0;
      for (const auto& f : *fields) values[i++] = f->Value();
      file.Row(values);
      if (file.Rows() % kProgressEvery == 0) {
        progress.setLabelText(Q("已导出 " + std::to_string(file.Rows()) + " 行..."));
        QCoreApplication::processEvents();
      }
      fetch([&] { rs->MoveNext(); });
    }
    if (!progress.wasCanceled()) {
      file.Commit();
      rows = file.Rows();
    }
  } catch (const std::exception& e) {
    failure = e.what();
  }

  const bool cancelled = progress.wasCanceled();
  disconnect(stopper);
  progress.setCancelButton(nullptr);
  progress.setLabelText(Q("正在回到第 " + std::to_string(page) + " 页..."));
  if (loaded) ReturnToPage(page);
  progress.close();

  if (!failure.empty()) {
    ShowMessage(this, QMessageBox::Warning, appTitle_,
                "导出失败：" + failure + "\n没有写入“" + target->path + "”。");
  } else if (!cancelled) {
    ShowMessage(this, QMessageBox::Information, appTitle_,
                "已导出 " + std::to_string(rows) + " 行到“" + target->path + "”。");
  }
}

// Moves the grid's recordset back to the page it shows (the page's rows stay in the grid).
void MainWindow::ReturnToPage(int32_t page) {
  if (page < 1) return;
  BusyCursor busy(Qt::BusyCursor);
  currRs_->MoveFristPage();
  for (int32_t p = 1; p < page && conn_.cn->OptStatus() == 0; ++p) currRs_->MoveNextPage();
  SetCmdStates();
}

}  // namespace quarlodesk
