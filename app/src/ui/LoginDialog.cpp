#include "ui/LoginDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "core/ProgramSettings.h"
#include "quarlolink/QuarloApp.h"
#include "ui/Dialogs.h"
#include "ui/SavedPasswords.h"
#include "ui/SelectAllOnFocus.h"

namespace quarlodesk {

std::shared_ptr<quarlolink::QuarloApp> NewQuarloApp(QWidget* parent) {
  auto cn = quarlolink::QuarloApp::Create();
  QPointer<QWidget> owner(parent);
  cn->SetPromptHandler(
      [owner](const std::string& title, const std::string& message, const std::string& text) {
        QInputDialog box(owner);
        box.setObjectName("promptTest");
        box.setWindowTitle(Q(title));
        box.setLabelText(Q(message));
        box.setTextValue(Q(text));
        NormalCursor normal;
        box.exec();
      });
  return cn;
}

LoginDialog::LoginDialog(QWidget* parent, ProgramSettings& settings, SavedPasswords& passwords,
                         ConnectionHolder& conn, CommandLine prefill, SettingsOpener openSettings)
    : QDialog(parent),
      settings_(settings),
      passwords_(passwords),
      conn_(conn),
      prefill_(std::move(prefill)),
      openSettings_(std::move(openSettings)) {
  setObjectName("frmLogin");
  setWindowTitle(Q("Quarlo 登录"));
  setModal(true);

  auto* grid = new QGridLayout;
  auto* selectAll = new SelectAllOnFocus(this);
  int row = 0;
  auto addField = [&](const char* labelName, const char* caption, QWidget* field) {
    auto* label = new QLabel(Q(caption), this);
    label->setObjectName(labelName);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    ++row;
    return label;
  };
  auto lineEdit = [&](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMinimumWidth(260);
    return e;
  };

  txtWebSite_ = lineEdit("txtWebSite");
  txtWebSite_->setText("http://");
  addField("lblLabels0", "站点名称：", txtWebSite_);
  cboDBType_ = new QComboBox(this);
  cboDBType_->setObjectName("cboDBType");
  cboDBType_->setAccessibleName(Q("数据库类型："));
  addField("lblLabels1", "数据库类型：", cboDBType_);
  txtServer_ = lineEdit("txtServer");
  lblServer_ = addField("lblServer", "数据库服务器：", txtServer_);
  txtDatabase_ = lineEdit("txtDatabase");
  addField("lblLabels2", "数据库：", txtDatabase_);
  txtUserName_ = lineEdit("txtUserName");
  addField("lblLabels3", "用 户：", txtUserName_);
  txtPassword_ = lineEdit("txtPassword");
  txtPassword_->setEchoMode(QLineEdit::Password);
  addField("lblLabels4", "密 码：", txtPassword_);
  chkSavePwd_ = new QCheckBox(Q("保存密码"), this);
  chkSavePwd_->setObjectName("chkSavePwd");
  grid->addWidget(chkSavePwd_, row++, 1);
  lblPasswordPlace_ = new QLabel(this);
  lblPasswordPlace_->setObjectName("lblPasswordPlace");
  lblPasswordPlace_->setWordWrap(true);
  grid->addWidget(lblPasswordPlace_, row++, 0, 1, 2);
  for (QLineEdit* e : {txtWebSite_, txtServer_, txtDatabase_, txtUserName_}) {
    e->installEventFilter(selectAll);
  }

  auto button = [&](const char* name, const char* caption) {
    auto* b = new QPushButton(Q(caption), this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  cmdOK_ = button("cmdOK", "登录");
  cmdOK_->setDefault(true);
  cmdCancel_ = button("cmdCancel", "取消");
  cmdTest_ = button("cmdTest", "测试");
  cmdSetting_ = button("cmdSetting", "设置");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdTest_);
  buttons->addWidget(cmdSetting_);
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(cmdOK_, &QPushButton::clicked, this, &LoginDialog::OnLogin);
  connect(cmdCancel_, &QPushButton::clicked, this, &LoginDialog::OnCancel);
  connect(cmdTest_, &QPushButton::clicked, this, &LoginDialog::OnTest);
  connect(cmdSetting_, &QPushButton::clicked, this, [this] {
    if (openSettings_) openSettings_(this);
  });
  connect(cboDBType_, &QComboBox::activated, this, [this] { FillFieldsForType(); });
  for (QLineEdit* e : {txtWebSite_, txtServer_, txtDatabase_, txtUserName_, txtPassword_}) {
    connect(e, &QLineEdit::textChanged, this, [this] { DropFetch(); });
  }
  connect(&passwords_, &SavedPasswords::PlaceChanged, this, [this] {
    if (!loginWaits_) ShowPasswordPlace();
  });
}

int LoginDialog::exec() {
  if (!loaded_) Load();
  loginSucceeded_ = false;
  NormalCursor normal;
  return QDialog::exec();
}

void LoginDialog::Load() {
  loaded_ = true;
  for (const char* name : kDbTypeNames) cboDBType_->addItem(Q(name));
  const int32_t stored = settings_.UserNumber("LastLoginNo");
  const int32_t no = ClampLastLoginNo(stored);
  if (no != stored) settings_.SetUser("LastLoginNo", no);
  cboDBType_->setCurrentIndex(no - 1);
  if (prefill_.type) cboDBType_->setCurrentIndex(static_cast<int>(*prefill_.type));
  FillFieldsForType();
  // What the command line gives stands over the stored login; nothing is stored until a login
  // succeeds.
  if (prefill_.site) txtWebSite_->setText(Q(*prefill_.site));
  if (prefill_.server) txtServer_->setText(Q(*prefill_.server));
  if (prefill_.database) txtDatabase_->setText(Q(*prefill_.database));
  if (prefill_.user) txtUserName_->setText(Q(*prefill_.user));
}

int LoginDialog::TypePosition() const { return cboDBType_->currentIndex(); }
std::string LoginDialog::TypeText() const { return S(cboDBType_->currentText()); }

void LoginDialog::FillFieldsForType() {
  const int position = TypePosition();
  if (position < 0) return;
  const LoginRecord r = ParseLoginRecord(settings_.UserText(LoginRecordName(position).c_str()));
  const bool access = DbTypeAt(position) == DbType::Access;
  QPalette labelPalette = lblServer_->palette();
  labelPalette.setColor(
      QPalette::WindowText,
      palette().color(access ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText));
  lblServer_->setPalette(labelPalette);
  txtServer_->setEnabled(!access);
  QPalette fieldPalette = palette();
  if (access) {
    const QColor grey = palette().color(QPalette::Disabled, QPalette::WindowText);
    fieldPalette.setColor(QPalette::Disabled, QPalette::Text, grey);
    fieldPalette.setColor(QPalette::Disabled, QPalette::Base, grey);
  }
  txtServer_->setPalette(fieldPalette);
  txtServer_->setText(Q(r.server));
  txtWebSite_->setText(Q(r.webSite));
  txtUserName_->setText(Q(r.user));
  txtDatabase_->setText(Q(r.database));
  chkSavePwd_->setChecked(r.savePwd);
  txtPassword_->setText(Q(r.password));
  FetchPassword(r);
}

void LoginDialog::FetchPassword(const LoginRecord& record) {
  const int fetch = ++fetch_;
  fetching_ = record.savePwd && record.password.empty();
  passwords_.Fetch(KeyringKey(TypeText(), record), this,
                   [this, fetch](std::optional<std::string> password) {
                     if (fetch != fetch_) return;
                     const bool fill = fetching_ && password;
                     const bool login = loginWaits_;
                     fetching_ = false;
                     EndLoginWait();
                     if (fill) txtPassword_->setText(Q(*password));
                     if (login) OnLogin();
                   });
}

void LoginDialog::DropFetch() {
  ++fetch_;
  fetching_ = false;
  EndLoginWait();
}

void LoginDialog::EndLoginWait() {
  if (!loginWaits_) return;
  loginWaits_ = false;
  cmdOK_->setEnabled(true);
  ShowPasswordPlace();
}

void LoginDialog::ShowPasswordPlace() {
  lblPasswordPlace_->setText(Q(PasswordPlaceText(passwords_.Place())));
  lblPasswordPlace_->setToolTip(Q(passwords_.Reason()));
}

void LoginDialog::BuildConnectionString() {
  webSite_ = quarlolink::host::NormaliseWebSite(S(txtWebSite_->text()));
  txtWebSite_->setText(Q(webSite_));
  const int position = TypePosition();
  if (position < 0 || position >= kDbTypeCount) return;  // keeps the previous string
  connectionString_ = quarlolink::host::BuildConnectionString(
      DbTypeAt(position), S(txtServer_->text()), S(txtDatabase_->text()), S(txtUserName_->text()),
      S(txtPassword_->text()));
}

LoginRecord LoginDialog::Fields() const {
  LoginRecord r;
  r.server = S(txtServer_->text());
  r.database = S(txtDatabase_->text());
  r.user = S(txtUserName_->text());
  r.webSite = S(txtWebSite_->text());
  r.savePwd = chkSavePwd_->isChecked();
  r.password = r.savePwd ? S(txtPassword_->text()) : "";
  return r;
}

void LoginDialog::OnLogin() {
  if (fetching_) {
    loginWaits_ = true;
    cmdOK_->setEnabled(false);
    lblPasswordPlace_->setText(Q("正在从系统密钥环读取保存的密码..."));
    return;
  }
  BuildConnectionString();
  loginSucceeded_ = true;
  hide();
  done(QDialog::Accepted);
}

void LoginDialog::OnCancel() {
  EndLoginWait();
  loginSucceeded_ = false;
  QDialog::reject();
}

void LoginDialog::reject() {
  if (testing_) return;  // Escape or the close button while the test waits
  OnCancel();
}

void LoginDialog::OnTest() {
  BuildConnectionString();
  const bool serverEnabled = txtServer_->isEnabled();
  const QList<QWidget*> controls{cmdOK_,      cmdCancel_, cmdTest_,     cmdSetting_,  cboDBType_,
                                 txtWebSite_, txtServer_, txtDatabase_, txtUserName_, txtPassword_};
  {
    BusyCursor busy;
    testing_ = true;
    for (QWidget* w : controls) w->setEnabled(false);
    conn_.cn = NewQuarloApp(this);
    conn_.cn->SetWebSite(webSite_);
    conn_.cn->Test();
    testing_ = false;
  }
  if (conn_.cn->OptStatus() != 0) {
    ShowMessage(this, QMessageBox::Critical, S(windowTitle()), conn_.cn->OptString());
  } else {
    ShowMessage(this, QMessageBox::Information, S(windowTitle()), "连接测试成功");
  }
  conn_.cn.reset();
  for (QWidget* w : controls) w->setEnabled(true);
  txtServer_->setEnabled(serverEnabled);
}

}  // namespace quarlodesk
