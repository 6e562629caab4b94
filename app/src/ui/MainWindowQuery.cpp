// Running statements and showing their results page by page.
#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <charconv>

#include "core/CommandRules.h"
#include "core/GridText.h"
#include "core/Numbers.h"
#include "core/TimingText.h"
#include "quarlolink/QuarloApp.h"
#include "quarlolink/XmlRecordset.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/ResultModel.h"
#include "ui/Twips.h"

namespace quarlodesk {

void MainWindow::SetRunState(int32_t state) {
  runState_ = state;
  Panel("Status")->setText(Q(GetStatusText(state)));
}

void MainWindow::SetCmdStates() {
  CmdStateInput in;
  in.runState = runState_;
  in.isTextChanged = isTextChanged_;
  in.hasRecordset = currRs_ != nullptr;
  if (currRs_) {
    in.fieldCount = currRs_->Fields() ? currRs_->Fields()->Count() : 0;
    in.isNextRecordset = currRs_->IsNextRecordset();
    in.currPageNo = currRs_->CurrPageNo();
  }
  const CmdStates states = ComputeCmdStates(in);
  for (const auto& [name, enabled] : states.enabled) {
    if (QAction* a = Action(name)) a->setEnabled(enabled);
  }
  if (states.showRecentFiles) {
    ShowLastUse();
  } else {
    for (int n = 1; n <= RecentFiles::kSlots; ++n) {
      if (QAction* a = Action("mnuFile_LastUse" + std::to_string(n))) a->setVisible(false);
    }
  }
}

// The editor's text with its line breaks as CR LF, or the selection's when there is one.
std::string MainWindow::EditorCmdText() const {
  const QTextCursor cursor = txtCmd_->textCursor();
  QString text = cursor.hasSelection() ? cursor.selectedText() : txtCmd_->toPlainText();
  text.replace(QChar::ParagraphSeparator, QChar('\n'));
  text.replace(QChar::LineSeparator, QChar('\n'));
  text.replace(QString("\n"), QString("\r\n"));
  return S(text);
}

void MainWindow::GetCmdText() { cmdText_ = NormaliseCmdText(EditorCmdText()); }

bool MainWindow::IsCmdChanged() const { return NormaliseCmdText(EditorCmdText()) != cmdText_; }

void MainWindow::Execute() {
  auto cn = conn_.cn;
  if (!cn) return;
  GetCmdText();
  cancelledRequest_ = false;
  SetRunState(kRunning);
  StartUseTime();
  SetCmdStates();  // only the cancel command is offered while the request runs
  {
    BusyCursor busy(Qt::BusyCursor);
    currRs_ = cn->Execute(cmdText_);
  }
  ShowRecordset();
}

void MainWindow::Page(Paging kind) {
  if (!currRs_) return;
  if (IsCmdChanged()) {
    Execute();
    return;
  }
  StartUseTime();
  cancelledRequest_ = false;
  SetRunState(kRunning);
  SetCmdStates();
  {
    BusyCursor busy(Qt::BusyCursor);
    switch (kind) {
      case Paging::Next:
        currRs_->MoveNextPage();
        break;
      case Paging::Prev:
        currRs_->MovePrevPage();
        break;
      case Paging::NextRecordset:
        if (currRs_->IsNextRecordset()) currRs_ = currRs_->NextRecordset();
        break;
    }
  }
  ShowRecordset();
}

void MainWindow::SetRowsPerPage() {
  auto cn = conn_.cn;
  if (!cn) return;
  QInputDialog box(this);
  box.setObjectName("inputRowsPerPage");
  box.setWindowTitle(Q(appTitle_));
  box.setLabelText(Q("输入每页显示的行数："));
  box.setTextValue(QString::number(cn->RowsPerPage()));
  int32_t rows = cn->RowsPerPage();
  {
    NormalCursor normal;
    if (box.exec() == QDialog::Accepted) {
      if (auto n = ParseWholeNumber(S(box.textValue()))) rows = *n;
    }
  }
  cn->SetRowsPerPage(rows);
  Panel("RowsPerPage")->setText(Q("每页行数：" + std::to_string(cn->RowsPerPage())));
  if (model_->GridRows() > 1 && currRs_) {
    StartUseTime();
    cancelledRequest_ = false;
    SetRunState(kRunning);
    SetCmdStates();
    {
      BusyCursor busy(Qt::BusyCursor);
      currRs_->MoveFristPage();
    }
    ShowRecordset();
  }
}

void MainWindow::Cancel() {
  isCancel_ = true;
  // A request under way is stopped itself, on the server too; a fill stops at its next row.
  if (runState_ == kRunning && conn_.cn) {
    cancelledRequest_ = true;
    conn_.cn->Cancel();
  }
}

void MainWindow::StartUseTime() {
  startTime_ = std::chrono::steady_clock::now();
  if (conn_.cn) timingMark_ = conn_.cn->Timing();
  timMain_->start();
  ShowUseTime();
}

void MainWindow::ShowUseTime() {
  const auto elapsed = std::chrono::steady_clock::now() - startTime_;
  Panel("UseTime")->setText(
      Q(UseTimeText(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count())));
}

void MainWindow::StopUseTime() { timMain_->stop(); }

// Where the time since the clock started went, for the message after the rows-affected text.
std::string MainWindow::TimingNote() const {
  const double elapsedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - startTime_)
          .count();
  std::optional<TimingParts> parts;
  if (conn_.cn) {
    if (auto split = (conn_.cn->Timing() - timingMark_).Split(elapsedMs)) {
      parts = TimingParts{split->databaseMs, split->serverMs, split->networkMs, split->clientMs};
    }
  }
  return TimingText(elapsedMs, parts);
}

void MainWindow::ShowMessageText(const std::string& text, bool failure) {
  QPalette p = txtMessage_->palette();
  p.setColor(QPalette::Text, failure ? QColor(255, 0, 0) : QColor(0, 0, 255));
  txtMessage_->setPalette(p);
  QString shown = Q(text);
  shown.replace(QString("\r\n"), QString("\n"));
  txtMessage_->setPlainText(shown);
}

void MainWindow::PageTail() {
  model_->Commit();
  const bool hasFields = currRs_ && currRs_->Fields() && currRs_->Fields()->Count() > 0;
  mfgMain_->setVisible(hasFields);
  Panel("CurrPageNo")->setText(Q("当前页：" + std::to_string(currRs_ ? currRs_->CurrPageNo() : 0)));
  Panel("Rows")->setText(Q("影响行数：" + std::to_string(rowsShown_)));
  SizeControlsAtSplitter();
}

void MainWindow::ShowRecordset() {
  BusyCursor busy(Qt::BusyCursor);
  isCancel_ = false;
  try {
    SetRunState(kShowing);
    ShowUseTime();
    SetCmdStates();
    mfgMain_->hide();
    model_->Reset(2);

    auto cn = conn_.cn;
    if (!cn) throw std::runtime_error("no connection");
    if (cn->OptStatus() != 0) {
      ShowMessageText(cn->OptString(), true);
      SizeControlsAtSplitter();
      SetRunState(cancelledRequest_ ? kCancelled : kFailed);
    } else {
      if (!currRs_ || !currRs_->Fields()) throw std::runtime_error("no recordset");
      const auto fields = currRs_->Fields();
      const int32_t count = fields->Count();
      if (count == 0) {
        rowsShown_ = std::max(0, currRs_->RowsAffected());
        ShowMessageText("执行命令成功\r\n（所影响的行数为 " + std::to_string(rowsShown_) +
                            " 行）\r\n" + TimingNote(),
                        false);
        SetRunState(kReady);
        PageTail();
      } else {
        std::vector<std::string> headers;
        std::vector<std::shared_ptr<quarlolink::XmlField>> columns;
        for (const auto& f : *fields) {
          headers.push_back(f->Name());
          columns.push_back(f);
        }
        model_->Reset(count + 1);
        for (int32_t i = 0; i < count; ++i) model_->SetHeader(i + 1, Q(headers[i]));
        ColumnWidths widths(fontSize_, headers);

        lastRowNo_ = currRs_->CurrRowNo() - 1;
        pageEndRowNo_ = lastRowNo_ + cn->RowsPerPage();
        rowsShown_ = 0;
        bool cancelled = false;
        while (!currRs_->Eof()) {
          if (isCancel_) {
            SetCmdStates();
            model_->Commit();
            mfgMain_->show();
            SetRunState(kCancelled);
            cancelled = true;
            break;
          }
          ++lastRowNo_;
          ++rowsShown_;
          QCoreApplication::processEvents();
          char number[16];
          const auto end = std::to_chars(number, number + sizeof number, lastRowNo_).ptr;
          model_->AddCell(std::string_view(number, static_cast<size_t>(end - number)));
          for (int32_t i = 0; i < count; ++i) {
            const std::string_view value = TrimmedView(columns[static_cast<size_t>(i)]->Value());
            widths.Add(static_cast<size_t>(i), value);
            model_->AddCell(value);
          }
          model_->EndRow();
          if (currRs_->CurrRowNo() >= pageEndRowNo_) break;
          currRs_->MoveNext();
          QCoreApplication::processEvents();
        }
        if (!cancelled) {
          model_->Commit();
          ShowMessageText(
              "（所影响的行数为 " + std::to_string(rowsShown_) + " 行）\r\n" + TimingNote(), false);
          const std::vector<int> twips = widths.Widths(lastRowNo_);
          for (size_t c = 0; c < twips.size(); ++c) {
            mfgMain_->setColumnWidth(static_cast<int>(c), TwipsToPxX(this, twips[c]));
          }
          SetRunState(kReady);
        }
        PageTail();
      }
    }
  } catch (...) {
    SizeControlsAtSplitter();
    SetRunState(kFailed);
  }
  SetCmdStates();
  StopUseTime();
}

}  // namespace quarlodesk
