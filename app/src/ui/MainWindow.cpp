// The main window's load and close sequences, the login, and the commands that open the other
// windows.
#include "ui/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>

#include "core/ErrorStatus.h"
#include "core/FontSizes.h"
#include "core/Layout.h"
#include "kokit/KoToolsApp.h"
#include "quarlolink/QuarloApp.h"
#include "quarlolink/XmlRecordset.h"
#include "ui/AboutBox.h"
#include "ui/AppLook.h"
#include "ui/Desktop.h"
#include "ui/Dialogs.h"
#include "ui/LoginDialog.h"
#include "ui/ResultModel.h"
#include "ui/SavedPasswords.h"
#include "ui/SettingDialog.h"
#include "ui/Splash.h"
#include "ui/Twips.h"

namespace quarlodesk {

MainWindow::MainWindow(Environment env)
    : env_(std::move(env)), settings_(XdgDefaultPaths(env_.helpFile), env_.version, env_.userName) {
  setObjectName("frmMain");
  setWindowIcon(AppIcon());
  BuildWidgets();
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  setMinimumSize(TwipsToPxX(this, kMinWindowTwips), TwipsToPxY(this, kMinWindowTwips));
  resize(960, 680);
  passwords_ = new SavedPasswords(settings_, this);
  frmLogin_ = new LoginDialog(this, settings_, *passwords_, conn_, env_.prefill,
                              [this](QWidget* owner) { OpenSettingDialog(owner); });
}

MainWindow::~MainWindow() = default;

void MainWindow::RunCommand(const std::string& menuName) { handlers_.at(menuName)(); }

std::shared_ptr<quarlolink::QuarloApp> MainWindow::NewConnection() { return NewQuarloApp(this); }

void MainWindow::Start() {
  settings_.StartUp();
  oErrString_.SetUseIn(kokit::xpUseIn_Form);
  oErrString_.SetModuleName("frmMain");
  oErrString_.SetLogFileName(settings_.SysText("LogFilePath"));
  oErrString_.OnErrOcc([this] { ApplyErrorStatus(oErrString_, optStatus_, optString_); });
  splitterTop_ = std::max(2000, PxToTwipsY(this, height()) * 2 / 5);
  Login();
}

void MainWindow::Login() {
  for (;;) {
    Splash splash(this);
    frmLogin_->exec();
    BusyCursor busy;
    if (!frmLogin_->LoginSucceeded()) {
      forceExit_ = true;
      if (conn_.cn) {
        splash.SetStatus(Q("正在退出..."));
        splash.ShowCentred();
      }
      CloseWindow();
      return;
    }
    splash.SetStatus(Q("正在登录..."));
    splash.ShowCentred();
    webSite_ = frmLogin_->WebSite();
    connectionString_ = frmLogin_->ConnectionString();
    if (!conn_.cn) conn_.cn = NewConnection();
    auto cn = conn_.cn;
    appTitle_ = cn->SoftName() + "(" + cn->SoftLang() + "){" + frmLogin_->TypeText() + "}";
    cn->SetWebSite(webSite_);
    cn->OpenConn(connectionString_);
    if (cn->OptStatus() == 0) break;
    splash.hide();
    ShowMessage(this, QMessageBox::Critical, appTitle_, cn->OptString());
  }
  AfterLogin();
}

void MainWindow::AfterLogin() {
  const int position = frmLogin_->TypePosition();
  settings_.SetUser("LastLoginNo", position + 1);
  const std::string recordName = LoginRecordName(position);
  std::string record = settings_.UserText(recordName.c_str());
  LoginRecord fields = frmLogin_->Fields();
  fields.password =
      passwords_->Keep(recordName, frmLogin_->TypeText(), ParseLoginRecord(record), fields);
  WriteLoginRecord(fields, record);
  settings_.SetUser(recordName.c_str(), record);

  fileTitle_ = "新建查询文件.sql";
  filePath_.clear();
  UpdateCaption();
  Panel("Conn")->setText(Q(ConnectionDescription(DbTypeAt(position), webSite_, fields)));
  Panel("RowsPerPage")->setText(Q("每页行数：" + std::to_string(conn_.cn->RowsPerPage())));
  SetRunState(kReady);
  forceExit_ = false;
  StopUseTime();
  if (!Action("mnuFile_LastUse1")) {
    for (int n = 1; n <= RecentFiles::kSlots; ++n) {
      AddAction(mnuFile_, ("mnuFile_LastUse" + std::to_string(n)).c_str(), "", [this, n] {
        OpenRecent(n);
      })->setVisible(false);
    }
  }
  SetFontSize(kFontMid);
  MarkFontMenu();
  LoadLastUse();
  SetCmdStates();
  show();
  SizeControlsAtSplitter();
  txtCmd_->setFocus();
}

void MainWindow::SettingsCommand() {
  OpenSettingDialog(this);
  if (conn_.cn) {
    Panel("RowsPerPage")->setText(Q("每页行数：" + std::to_string(conn_.cn->RowsPerPage())));
    conn_.cn->SetRowsPerPage(conn_.cn->RowsPerPage());
  }
  currRs_.reset();
  SetCmdStates();
  StopUseTime();
}

void MainWindow::OpenSettingDialog(QWidget* owner) {
  SettingDialog dialog(owner, conn_, [this](QWidget* parent) {
    OpenHelpFile(parent, settings_.SysText("HelpFilePath"));
  });
  NormalCursor normal;
  dialog.exec();
}

void MainWindow::HelpTitle() { OpenHelpFile(this, settings_.SysText("HelpFilePath")); }

void MainWindow::OnlineDoc() {
  // The manual as the site of the current login serves it.
  const std::string base = conn_.cn ? conn_.cn->WebSite() : webSite_;
  OpenWebPage(this, appTitle_.empty() ? "Quarlo" : appTitle_,
              base + settings_.SysText("OnlineDocUrl"));
}

void MainWindow::About() {
  auto cn = conn_.cn ? conn_.cn : NewConnection();
  const std::string name = cn->SoftName() + "(" + cn->SoftLang() + ")";
  AboutBox box(this);
  box.setWindowTitle(Q("关于" + name));
  box.SetTitleLines(Q(name + "\r\n" + cn->Version() + "(" + settings_.SysText("SP") + ")"));
  kokit::KoToolsApp tools;
  box.SetDescription(
      Q("Quarlo 查询分析器：通过网站上的服务器页面，对无法直接连接的数据库执行 SQL "
        "语句，并逐页查看结果。\n\n"
        "quarlodesk " +
        env_.version + "\n" + tools.Version() + "\nQt " + qVersion() +
        "\n\n用户手册：帮助 → 帮助主题"));
  NormalCursor normal;
  box.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (CloseWindow()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool MainWindow::CloseWindow() {
  if (closed_) return true;
  // While a request or a fill runs only the cancel command is offered; closing would pull the
  // connection from under it.
  if (runState_ == kRunning || runState_ == kShowing) return false;
  if (!forceExit_) {
    const SaveCheck check = ChkSaveCmd("退出");
    if (check == SaveCheck::Abandoned) return false;
    if (check == SaveCheck::NotAsked &&
        ShowMessage(this, QMessageBox::Question, appTitle_, "是否确定退出。",
                    QMessageBox::Ok | QMessageBox::Cancel,
                    QMessageBox::Cancel) != QMessageBox::Ok) {
      return false;
    }
  }
  BusyCursor busy;
  currRs_.reset();
  if (conn_.cn) {
    conn_.cn->CloseConn();
    conn_.cn.reset();
  }
  ShutDown();
  return true;
}

void MainWindow::ShutDown() {
  closed_ = true;
  settings_.ShutDown();
  hide();
  if (env_.exit) env_.exit(0);
}

}  // namespace quarlodesk
