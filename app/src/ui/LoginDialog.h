#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/CommandLine.h"
#include "core/Login.h"
#include "ui/Environment.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quarlodesk {

class ProgramSettings;
class SavedPasswords;

// The login dialog: web site, database type, server, database, user and password; builds the
// connection string and can test the site. Loaded the first time it is shown and kept (hidden)
// between logins, so a later login shows what was entered last.
class LoginDialog : public QDialog {
  Q_OBJECT

 public:
  using SettingsOpener = std::function<void(QWidget* owner)>;

  LoginDialog(QWidget* parent, ProgramSettings& settings, SavedPasswords& passwords,
              ConnectionHolder& conn, CommandLine prefill, SettingsOpener openSettings);

  int exec() override;
  void reject() override;

  bool LoginSucceeded() const { return loginSucceeded_; }
  const std::string& WebSite() const { return webSite_; }
  const std::string& ConnectionString() const { return connectionString_; }
  int TypePosition() const;
  std::string TypeText() const;
  // The fields as the stored record takes them.
  LoginRecord Fields() const;

 private:
  void Load();
  void FillFieldsForType();
  void BuildConnectionString();
  void OnLogin();
  void OnCancel();
  void OnTest();
  // The saved password of a record that leaves it to the keyring: looked up while the dialog
  // shows; a login asked for meanwhile waits for it. Editing the login drops the lookup.
  void FetchPassword(const LoginRecord& record);
  void DropFetch();
  void EndLoginWait();
  void ShowPasswordPlace();

  ProgramSettings& settings_;
  SavedPasswords& passwords_;
  ConnectionHolder& conn_;
  CommandLine prefill_;
  SettingsOpener openSettings_;
  bool loaded_ = false;
  bool testing_ = false;  // the site test is waiting for its answer
  bool loginSucceeded_ = false;
  std::string webSite_;
  std::string connectionString_;
  int fetch_ = 0;            // lookups started; an answer for an older one is ignored
  bool fetching_ = false;    // the latest lookup will fill the password field
  bool loginWaits_ = false;  // the login button was pressed while it runs

  QLineEdit* txtWebSite_;
  QComboBox* cboDBType_;
  QLabel* lblServer_;
  QLineEdit* txtServer_;
  QLineEdit* txtDatabase_;
  QLineEdit* txtUserName_;
  QLineEdit* txtPassword_;
  QCheckBox* chkSavePwd_;
  QLabel* lblPasswordPlace_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
  QPushButton* cmdTest_;
  QPushButton* cmdSetting_;
};

// A connection object of the program: the library's, with the failure prompt of its site test
// shown as a dialog over `parent`.
std::shared_ptr<quarlolink::QuarloApp> NewQuarloApp(QWidget* parent);

}  // namespace quarlodesk
