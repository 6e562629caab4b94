// Query files: new, open, save, save as, the recent-file list and the save question.
#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <filesystem>

#include "core/QueryFile.h"
#include "kokit/KoToolsApp.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/ResultModel.h"

namespace quarlodesk {

namespace {

constexpr const char* kNewFileTitle = "新建查询文件.sql";
const QString kQueryFilter = QString::fromUtf8("查询文件 (*.sql);;文本文件 (*.txt);;所有文件 (*)");

std::string FileTitleOf(const std::string& path) {
  return kokit::KoToolsApp().GetFilePart(path, kokit::xpFilePart_FileTitle);
}

}  // namespace

// Names the command to the error reporter for its scope, and reports a failure the way every
// file command does: a message box, then the reporter (which sets the window's status and logs).
class FileCommandScope {
 public:
  FileCommandScope(kokit::ErrString& err, int32_t& status, std::string& text, const char* name)
      : err_(err) {
    status = 0;
    text = "OK";
    err_.SetFunctionName(name);
    err_.SetRemark("");
  }
  ~FileCommandScope() { err_.Clear(); }
  FileCommandScope(const FileCommandScope&) = delete;
  FileCommandScope& operator=(const FileCommandScope&) = delete;

 private:
  kokit::ErrString& err_;
};

void MainWindow::ReportFileFailure(const std::string& title, int line) {
  const kokit::Error e = kokit::CurrentError();
  ShowMessage(this, QMessageBox::Critical, title,
              "(" + std::to_string(e.Number()) + ")" + e.Description());
  oErrString_.RaiseError(e, line, optString_, "");
}

void MainWindow::UpdateCaption() { setWindowTitle(Q(appTitle_ + "(" + fileTitle_ + ")")); }

void MainWindow::OnEditorChanged() {
  isTextChanged_ = true;
  Action("mnuFile_Save")->setEnabled(true);
  Action("Save")->setEnabled(true);
  EnableUndo();
}

std::string MainWindow::ChooseSaveFile(const std::string& dialogTitle) {
  QFileDialog dialog(this, Q(dialogTitle));
  dialog.setObjectName("cdMain");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(kQueryFilter);
  dialog.setDefaultSuffix("sql");
  if (!lastSaveName_.empty()) dialog.selectFile(Q(lastSaveName_));
  NormalCursor normal;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const std::string chosen = S(dialog.selectedFiles().first());
  if (chosen.empty()) return {};
  lastSaveName_ = chosen;
  return chosen;
}

MainWindow::SaveCheck MainWindow::ChkSaveCmd(const std::string& title) {
  FileCommandScope scope(oErrString_, optStatus_, optString_, "ChkSaveCmd");
  const std::string text = S(txtCmd_->toPlainText());
  if (text.find_first_not_of(' ') == std::string::npos || !isTextChanged_) {
    return SaveCheck::NotAsked;
  }
  try {
    if (ShowMessage(this, QMessageBox::Question, title, fileTitle_ + "的内容已经改变，是否保存？",
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
      return SaveCheck::Asked;
    }
    if (filePath_.empty()) {
      lastSaveName_.clear();
      const std::string chosen = ChooseSaveFile("保存查询文件");
      // The text the user wanted kept is not thrown away because the dialog was closed.
      if (chosen.empty()) return SaveCheck::Abandoned;
      fileTitle_ = FileTitleOf(chosen);
      filePath_ = chosen;
    }
    BusyCursor busy;
    WriteWholeFile(filePath_, QueryFileBytes(text));
    return SaveCheck::Asked;
  } catch (...) {
    ReportFileFailure(title, __LINE__);
    return SaveCheck::Abandoned;
  }
}

void MainWindow::ClearResultCells() {
  txtMessage_->clear();
  model_->ClearCells();
}

void MainWindow::NewFile() {
  if (ChkSaveCmd("新建") == SaveCheck::Abandoned) return;
  FileCommandScope scope(oErrString_, optStatus_, optString_, "mnuFile_New_Click");
  fileTitle_ = kNewFileTitle;
  filePath_.clear();
  UpdateCaption();
  txtCmd_->clear();
  ClearResultCells();
  Action("mnuFile_Save")->setEnabled(false);
  Action("Save")->setEnabled(false);
  isTextChanged_ = false;
}

bool MainWindow::ReadIntoEditor(const std::string& path, const std::string& title) {
  std::string text;
  try {
    text = EditorTextFromFile(ReadWholeFile(path));
  } catch (...) {
    // The editor keeps its text and the current file stays what it was, so a later save
    // cannot write the old text over the file that failed to open.
    ReportFileFailure(title, __LINE__);
    return false;
  }
  fileTitle_ = FileTitleOf(path);
  filePath_ = path;
  if (text.empty()) {
    ShowMessage(this, QMessageBox::Information, appTitle_, filePath_ + "\r\n文件内容为空");
  }
  txtCmd_->setPlainText(Q(text));
  UpdateCaption();
  ClearResultCells();
  Action("mnuFile_Save")->setEnabled(false);
  Action("Save")->setEnabled(false);
  isTextChanged_ = false;
  return true;
}

void MainWindow::OpenFile() {
  if (ChkSaveCmd("打开") == SaveCheck::Abandoned) return;
  FileCommandScope scope(oErrString_, optStatus_, optString_, "mnuFile_Open_Click");
  QFileDialog dialog(this, Q("打开查询文件"));
  dialog.setObjectName("cdMain");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(kQueryFilter);
  if (!lastOpenName_.empty()) dialog.selectFile(Q(lastOpenName_));
  std::string chosen;
  {
    NormalCursor normal;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    chosen = S(dialog.selectedFiles().first());
  }
  if (chosen.empty()) return;
  lastOpenName_ = chosen;
  if (ReadIntoEditor(chosen, "打开")) AddLastUse(filePath_);
}

void MainWindow::OpenRecent(int n) {
  if (ChkSaveCmd("打开") == SaveCheck::Abandoned) return;
  FileCommandScope scope(oErrString_, optStatus_, optString_, "mnuFile_LastUse_Click");
  const std::string path = lastUse_.Slot(n);
  if (!path.empty()) ReadIntoEditor(path, "打开");
}

void MainWindow::Save(bool saveAs) {
  FileCommandScope scope(oErrString_, optStatus_, optString_,
                         saveAs ? "mnuFile_SaveAs_Click" : "mnuFile_Save_Click");
  const std::string title = saveAs ? "另存为" : "保存";
  try {
    std::string path = filePath_;
    if (saveAs || path.empty()) {
      path = ChooseSaveFile(saveAs ? "查询文件保存为" : "保存查询文件");
      if (path.empty()) return;
    }
    {
      BusyCursor busy;
      WriteWholeFile(path, QueryFileBytes(S(txtCmd_->toPlainText())));
    }
    fileTitle_ = FileTitleOf(path);
    filePath_ = path;
    UpdateCaption();
    Action("mnuFile_Save")->setEnabled(false);
    Action("Save")->setEnabled(false);
    isTextChanged_ = false;
    AddLastUse(filePath_);
  } catch (...) {
    ReportFileFailure(title, __LINE__);
  }
}

void MainWindow::LoadLastUse() { lastUse_.Load(settings_.UserText("LastUse")); }

void MainWindow::ShowLastUse() {
  const auto items = lastUse_.MenuItems();
  bool any = false;
  for (int n = 1; n <= RecentFiles::kSlots; ++n) {
    QAction* a = Action("mnuFile_LastUse" + std::to_string(n));
    if (!a) continue;
    const auto& item = items[static_cast<size_t>(n - 1)];
    a->setText(Q(item.caption));
    a->setVisible(item.visible);
    any = any || item.visible;
  }
  settings_.SetUser("LastUse", lastUse_.Stored());
  Action("mnuFile_LastUse0")->setVisible(any);
}

void MainWindow::AddLastUse(const std::string& path) {
  if (lastUse_.Add(path)) ShowLastUse();
}

}  // namespace quarlodesk
