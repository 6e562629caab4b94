#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "Backends.h"
#include "ModalAnswers.h"
#include "Site.h"
#include "TempDir.h"
#include "quarlolink/QuarloApp.h"
#include "ui/MainWindow.h"
#include "ui/ResultModel.h"

namespace quarlodesk::testing {

using quarlo::testing::BackendName;
using quarlo::testing::Db;
using quarlo::testing::Env;

struct LoginFields {
  int type = 2;  // position in the type list: 0 MS-SQL Server, 1 Oracle, 2 Access
  std::string site, server, database, user, password;
  bool savePassword = false;
};

inline Expected FillLogin(LoginFields f, const char* button = "cmdOK") {
  return {"frmLogin", [f, button](QWidget* d) {
            auto* type = d->findChild<QComboBox*>("cboDBType");
            type->setCurrentIndex(f.type);
            emit type->activated(f.type);
            d->findChild<QLineEdit*>("txtWebSite")->setText(QString::fromStdString(f.site));
            d->findChild<QLineEdit*>("txtServer")->setText(QString::fromStdString(f.server));
            d->findChild<QLineEdit*>("txtDatabase")->setText(QString::fromStdString(f.database));
            d->findChild<QLineEdit*>("txtUserName")->setText(QString::fromStdString(f.user));
            d->findChild<QLineEdit*>("txtPassword")->setText(QString::fromStdString(f.password));
            d->findChild<QCheckBox*>("chkSavePwd")->setChecked(f.savePassword);
            d->findChild<QPushButton*>(button)->click();
          }};
}

// quarlopages (Site.h) with the demo database copied into its map folder, under the desktop's
// own key.
class Site {
 public:
  Site() {
    std::filesystem::copy_file(QUARLOPAGES_DEMO_DB, site_.map / "demo.db");
    site_.Start(quarlolink::QuarloApp::Create()->EncKey());
  }
  std::string Url() const { return site_.WebSite(); }

  LoginFields Login(Db db) const {
    LoginFields f;
    f.site = Url();
    if (db == Db::Sqlite) {
      f.type = 2;
      f.database = "demo.db";
    } else {
      f.type = 0;
      f.server = "127.0.0.1";
      f.database = Env("QUARLO_TEST_PG_DATABASE");
      f.user = Env("QUARLO_TEST_PG_USER");
      f.password = Env("QUARLO_TEST_PG_PASSWORD");
    }
    return f;
  }

 private:
  quarlo::testing::Site site_;
};

// The main window in this process, with its settings store, logs and files in a temporary folder.
class Desk {
 public:
  Desk() {
    Environment env;
    env.userName = "tester";
    env.helpFile = (files_ / "manual.html").string();
    env.version = "0.1.0";
    env.exit = [this](int code) { exitCode_ = code; };
    window_ = std::make_unique<MainWindow>(std::move(env));
  }

  MainWindow& Window() { return *window_; }
  ModalAnswers& Answers() { return answers_; }
  const quarlo::testing::TempDir& Files() const { return files_; }
  int ExitCode() const { return exitCode_; }

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = window_->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  std::string Panel(const char* key) { return Find<QLabel>(key)->text().toStdString(); }
  // The message box's text without its closing line of where the time went (TimingLine()).
  std::string Message() {
    const std::string text = Find<QPlainTextEdit>("txtMessage")->toPlainText().toStdString();
    return text.substr(0, text.size() - TimingLine().size() - (TimingLine().empty() ? 0 : 1));
  }
  std::string TimingLine() {
    const std::string text = Find<QPlainTextEdit>("txtMessage")->toPlainText().toStdString();
    const size_t at = text.rfind('\n');
    if (at == std::string::npos) return "";
    const std::string last = text.substr(at + 1);
    return last.starts_with("数据库 ") || last.starts_with("用时 ") ? last : "";
  }
  QColor MessageColour() {
    return Find<QPlainTextEdit>("txtMessage")->palette().color(QPalette::Text);
  }
  ResultModel& Grid() { return *static_cast<ResultModel*>(Find<QTableView>("mfgMain")->model()); }
  bool GridVisible() { return !Find<QTableView>("mfgMain")->isHidden(); }
  std::string Cell(int row, int column) { return Grid().Cell(row, column).toStdString(); }

  // Logs in through the dialog; true when the main window came up.
  bool LogIn(const LoginFields& f) {
    answers_.Expect(FillLogin(f));
    window_->Start();
    return window_->isVisible();
  }

  void Run(const std::string& sql) {
    Find<QPlainTextEdit>("txtCmd")->setPlainText(QString::fromStdString(sql));
    Trigger("mnuRun_ExecSQL");
  }
  void Trigger(const char* name) {
    QAction* a = Action(name);
    ASSERT_TRUE(a->isEnabled()) << name << " is disabled";
    a->trigger();
  }

 private:
  quarlo::testing::TempDir files_;
  ModalAnswers answers_;
  int exitCode_ = -1;
  std::unique_ptr<MainWindow> window_;
};

// One user story over SQLite or PostgreSQL: a site of its own, and every dialog expected came and
// none other.
class DeskStory : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    if (!quarlo::testing::Available(GetParam())) {
      GTEST_SKIP() << "QUARLO_TEST_PGPORT is not set: no PostgreSQL for this run";
    }
    desk_ = std::make_unique<Desk>();
  }
  void TearDown() override {
    if (!desk_) return;
    EXPECT_TRUE(desk_->Answers().Unexpected().empty())
        << "unexpected dialog: " << desk_->Answers().Unexpected().front();
    EXPECT_TRUE(desk_->Answers().AllUsed()) << "an expected dialog never came";
  }
  Desk& LoggedIn() {
    EXPECT_TRUE(desk_->LogIn(site_.Login(GetParam())));
    return *desk_;
  }

  Site site_;
  std::unique_ptr<Desk> desk_;
};

}  // namespace quarlodesk::testing
