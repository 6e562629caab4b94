#pragma once

#include <QMainWindow>
#include <QPointer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/Login.h"
#include "core/ProgramSettings.h"
#include "core/RecentFiles.h"
#include "core/RunState.h"
#include "kokit/ErrString.h"
#include "quarlolink/RequestTiming.h"
#include "ui/Environment.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTableView;
class QTimer;
class QToolBar;
class QFrame;

namespace quarlolink {
class XmlRecordset;
}

namespace quarlodesk {

class LoginDialog;
class ResultModel;
class SavedPasswords;

// The main window: editor, result grid, message box, status bar, menus and toolbar, and the
// commands behind them. What decides lives in core/; this class applies it to the widgets.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(Environment env);
  ~MainWindow() override;

  // The load sequence: settings, error reporter, login; the window shows at the end of a
  // successful login, or the program ends when the login is abandoned.
  void Start();

  // For the benchmark and the tests: what a command does, by the name of its menu item.
  void RunCommand(const std::string& menuName);
  ProgramSettings& Settings() { return settings_; }
  ConnectionHolder& Connection() { return conn_; }
  std::shared_ptr<quarlolink::XmlRecordset> CurrRs() const { return currRs_; }
  void SetCurrRs(std::shared_ptr<quarlolink::XmlRecordset> rs) { currRs_ = std::move(rs); }
  void ShowRecordset();
  int32_t RunStateValue() const { return runState_; }
  bool IsTextChanged() const { return isTextChanged_; }
  const std::string& FilePath() const { return filePath_; }
  const std::string& AppTitle() const { return appTitle_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Building (MainWindowBuild.cpp).
  void BuildWidgets();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  QAction* AddAction(QMenu* menu, const char* name, const char* caption,
                     std::function<void()> handler);
  QAction* Action(const std::string& name) const;
  QLabel* Panel(const std::string& key) const;

  // Layout (MainWindowLayout.cpp).
  void SizeControls(int y);
  void SizeControlsAtSplitter();
  void SetFontSize(int size);
  void MarkFontMenu();
  void EnableUndo();
  void DisableUndo();

  // Queries (MainWindowQuery.cpp).
  void SetRunState(int32_t state);
  void SetCmdStates();
  std::string EditorCmdText() const;
  void GetCmdText();
  bool IsCmdChanged() const;
  void Execute();
  enum class Paging { Next, Prev, NextRecordset };
  void Page(Paging kind);
  void SetRowsPerPage();
  void Cancel();
  void StartUseTime();
  void ShowUseTime();
  void StopUseTime();
  std::string TimingNote() const;
  void PageTail();
  void ShowMessageText(const std::string& text, bool failure);

  // Every row of the current result set to a file (MainWindowExport.cpp).
  void ExportResult();
  void ReturnToPage(int32_t page);

  // Files (MainWindowFiles.cpp).
  enum class SaveCheck { NotAsked, Asked, Abandoned };
  SaveCheck ChkSaveCmd(const std::string& title);
  void OnEditorChanged();
  void NewFile();
  void OpenFile();
  void OpenRecent(int n);
  void Save(bool saveAs);
  bool ReadIntoEditor(const std::string& path, const std::string& title);
  std::string ChooseSaveFile(const std::string& dialogTitle);
  void UpdateCaption();
  void ClearResultCells();
  void LoadLastUse();
  void ShowLastUse();
  void AddLastUse(const std::string& path);
  void ReportFileFailure(const std::string& title, int line);

  // Edit, font, popup, settings, login, help, close (MainWindowCommands.cpp).
  enum class EditKey { Cut, Copy, Paste, Delete, Undo };
  void EditCommand(EditKey key);
  void ShowPopup(const QPoint& at);
  void CopySelection();
  void CopyColumnNames();
  void SettingsCommand();
  void OpenSettingDialog(QWidget* owner);
  void Login();
  void AfterLogin();
  void HelpTitle();
  void OnlineDoc();
  void About();
  bool CloseWindow();
  void ShutDown();
  std::shared_ptr<quarlolink::QuarloApp> NewConnection();

  Environment env_;
  ProgramSettings settings_;
  ConnectionHolder conn_;
  kokit::ErrString oErrString_;
  int32_t optStatus_ = 0;
  std::string optString_ = "OK";
  bool forceExit_ = false;
  bool closed_ = false;
  std::string appTitle_;
  std::string webSite_;
  std::string connectionString_;

  // Query state.
  int32_t runState_ = kReady;
  std::string cmdText_;
  bool isCancel_ = false;
  bool cancelledRequest_ = false;  // the cancel command stopped the request under way
  std::shared_ptr<quarlolink::XmlRecordset> currRs_;
  std::chrono::steady_clock::time_point startTime_;
  quarlolink::RequestTiming timingMark_;  // the connection's totals when the clock started
  int32_t lastRowNo_ = 0;
  int32_t pageEndRowNo_ = 0;
  int32_t rowsShown_ = 0;

  // File state.
  std::string fileTitle_;
  std::string filePath_;
  bool isTextChanged_ = false;
  std::string lastOpenName_;
  std::string lastSaveName_;
  std::string lastExportName_;
  RecentFiles lastUse_;

  // Layout.
  int splitterTop_ = 4000;
  bool isSplitterMoving_ = false;
  double fontSize_ = 10;

  // Widgets, owned by the window.
  QWidget* area_ = nullptr;
  QToolBar* tbToolBar_ = nullptr;
  QPlainTextEdit* txtCmd_ = nullptr;
  QFrame* imgSplitter_ = nullptr;
  QFrame* picSplitter_ = nullptr;
  QPlainTextEdit* txtMessage_ = nullptr;
  QTableView* mfgMain_ = nullptr;
  ResultModel* model_ = nullptr;
  QTimer* timMain_ = nullptr;
  QMenu* mnuPopupMenu_ = nullptr;
  QMenu* mnuFile_ = nullptr;
  SavedPasswords* passwords_ = nullptr;
  LoginDialog* frmLogin_ = nullptr;
  std::map<std::string, QAction*> actions_;
  std::map<std::string, std::function<void()>> handlers_;
  std::map<std::string, QLabel*> panels_;
};

}  // namespace quarlodesk
