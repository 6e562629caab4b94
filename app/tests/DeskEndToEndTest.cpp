// The desktop program in this process against quarlopages on SQLite and PostgreSQL, one user
// story per test.
#include <unistd.h>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <regex>

#include "DeskFixture.h"
#include "UrlCatcher.h"
#include "core/QueryFile.h"
#include "kokit/Codepage.h"

namespace quarlodesk::testing {
namespace {

const char* kSixtyRows =
    "with recursive n(i) as (select 1 union all select i + 1 from n where i < 60)\n"
    "select i as 编号, '名称' || i as 名称, '  pad  ' as 空格 from n";

Expected TypeInto(const char* text) {
  return {"QInputDialog", [text](QWidget* w) {
            auto* box = qobject_cast<QInputDialog*>(w);
            box->setTextValue(QString::fromUtf8(text));
            box->accept();
          }};
}

Expected ChooseFile(std::string path) {
  return {"QFileDialog", [path](QWidget* w) {
            // What a user types into the dialog's file name field.
            w->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
            QMetaObject::invokeMethod(w, "accept");
          }};
}

using DeskEndToEnd = DeskStory;
INSTANTIATE_TEST_SUITE_P(Backends, DeskEndToEnd, ::testing::Values(Db::Sqlite, Db::Postgres),
                         BackendName);

// Runs a query with Chinese values, pages forward and back, changes the rows per page, edits the
// statement before paging, and copies cells and column names.
TEST_P(DeskEndToEnd, QueryPagingAndCopy) {
  Desk& desk = LoggedIn();
  const std::string type = GetParam() == Db::Sqlite ? "Access" : "MS-SQL Server";
  EXPECT_EQ(desk.Window().windowTitle().toStdString(),
            "Quarlo Query(简体中文版){" + type + "}(新建查询文件.sql)");
  EXPECT_EQ(desk.Panel("RowsPerPage"), "每页行数：50");

  desk.Run(kSixtyRows);
  EXPECT_EQ(desk.Panel("Status"), "状态：就绪") << desk.Message();
  EXPECT_TRUE(desk.GridVisible());
  ASSERT_EQ(desk.Grid().GridRows(), 51);
  EXPECT_EQ(desk.Cell(0, 1), "编号");
  EXPECT_EQ(desk.Cell(1, 0), "1");
  EXPECT_EQ(desk.Cell(1, 2), "名称1");
  EXPECT_EQ(desk.Cell(1, 3), "pad");
  EXPECT_EQ(desk.Message(), "（所影响的行数为 50 行）");
  // quarlopages says where its time went: the message ends with the whole split.
  const std::regex split(
      "数据库 [0-9.]+ ms · 服务器 [0-9.]+ ms · 网络 [0-9.]+ ms · 显示 [0-9.]+ ms");
  EXPECT_TRUE(std::regex_match(desk.TimingLine(), split)) << desk.TimingLine();
  EXPECT_EQ(desk.MessageColour(), QColor(0, 0, 255));
  EXPECT_EQ(desk.Panel("CurrPageNo"), "当前页：1");
  EXPECT_EQ(desk.Panel("Rows"), "影响行数：50");

  desk.Trigger("mnuPopupMenu_NextPage");
  ASSERT_EQ(desk.Grid().GridRows(), 11);
  EXPECT_EQ(desk.Cell(1, 0), "51");
  EXPECT_EQ(desk.Cell(10, 2), "名称60");
  EXPECT_EQ(desk.Panel("CurrPageNo"), "当前页：2");
  desk.Trigger("mnuRun_PrevPage");
  EXPECT_EQ(desk.Cell(1, 0), "1");

  desk.Answers().Expect(TypeInto("20"));
  desk.Trigger("mnuRun_SetRowsPerPage");
  EXPECT_EQ(desk.Panel("RowsPerPage"), "每页行数：25");  // whole batches of rows per request
  EXPECT_EQ(desk.Grid().GridRows(), 26);
  desk.Answers().Expect(TypeInto("abc"));  // unusable: the page size stays
  desk.Trigger("SetRowsPerPage");
  EXPECT_EQ(desk.Panel("RowsPerPage"), "每页行数：25");

  auto* view = desk.Find<QTableView>("mfgMain");
  view->setCurrentIndex(desk.Grid().index(0, 1));
  view->selectionModel()->select(QItemSelection(desk.Grid().index(0, 1), desk.Grid().index(1, 2)),
                                 QItemSelectionModel::ClearAndSelect);
  desk.Trigger("mnuPopupMenu_Copy");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "1\t名称1\r\n2\t名称2\r\n");
  view->selectionModel()->select(QItemSelection(desk.Grid().index(0, 0), desk.Grid().index(0, 2)),
                                 QItemSelectionModel::ClearAndSelect);
  desk.Trigger("mnuPopupMenu_CopyColName");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "编号,名称\r\n");

  // An edited statement is run from its first page instead of paging the old one.
  desk.Find<QPlainTextEdit>("txtCmd")->setPlainText("select 'x' as\ty");
  desk.Trigger("NextPage");
  EXPECT_EQ(desk.Cell(0, 1), "y");
  EXPECT_EQ(desk.Cell(1, 1), "x");
}

// A batch of two result sets, a failing statement, statements without rows, and a grid fill
// cancelled.
TEST_P(DeskEndToEnd, ResultSetsFailuresCommandsAndCancelledFill) {
  Desk& desk = LoggedIn();
  desk.Run("select 1 as a; select '二' as b, 2 as c");
  EXPECT_EQ(desk.Cell(0, 1), "a");
  desk.Trigger("NextRecordset");
  EXPECT_EQ(desk.Cell(1, 1), "二");
  EXPECT_FALSE(desk.Action("mnuPopupMenu_NextRecordset")->isEnabled());

  desk.Run("select * from no_such_table");
  EXPECT_EQ(desk.Panel("Status"), "状态：执行SQL语句出错");
  EXPECT_EQ(desk.MessageColour(), QColor(255, 0, 0));
  EXPECT_NE(desk.Message().find("no_such_table"), std::string::npos) << desk.Message();
  EXPECT_FALSE(desk.GridVisible());
  EXPECT_EQ(desk.Panel("Rows"), "影响行数：1");  // the page panels keep their texts
  EXPECT_FALSE(desk.Action("mnuRun_NextPage")->isEnabled());

  desk.Run("create temp table quarlo_t(a integer)");
  desk.Run("insert into quarlo_t values (1), (2), (3)");
  EXPECT_EQ(desk.Message(), "执行命令成功\n（所影响的行数为 3 行）");
  EXPECT_EQ(desk.MessageColour(), QColor(0, 0, 255));
  EXPECT_EQ(desk.Panel("Rows"), "影响行数：3");

  desk.Run("select a from quarlo_t where a > 5");  // fields but no rows: the header alone
  EXPECT_TRUE(desk.GridVisible());
  EXPECT_EQ(desk.Grid().GridRows(), 1);
  EXPECT_EQ(desk.Message(), "（所影响的行数为 0 行）");

  // The cancel command during a grid fill keeps the rows added so far.
  desk.Run("select 1 as before");
  QTimer watch;
  bool sent = false;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!sent && desk.Panel("Status") == "状态：已返回数据") {
      sent = true;
      desk.Trigger("Cancel");
    }
  });
  watch.start(0);
  desk.Run(kSixtyRows);
  watch.stop();
  EXPECT_TRUE(sent);
  EXPECT_EQ(desk.Panel("Status"), "状态：中止SQL语句执行");
  EXPECT_TRUE(desk.GridVisible());
  EXPECT_GE(desk.Grid().GridRows(), 2);
  EXPECT_LT(desk.Grid().GridRows(), 51);
  EXPECT_EQ(desk.Message(), "（所影响的行数为 1 行）");  // the previous message stays
  EXPECT_TRUE(desk.Action("mnuRun_ExecSQL")->isEnabled());
}

// The cancel command while a long statement runs stops it on the database, and the session goes
// on.
TEST_P(DeskEndToEnd, CancelRunningStatement) {
  Desk& desk = LoggedIn();
  const bool pg = GetParam() == Db::Postgres;
  const std::string slow =
      pg ? "select pg_sleep(30) as slept"
         : "with recursive n(i) as (select 1 union all select i + 1 from n where i < 300000000) "
           "select count(*) as c from n";
  QTimer watch;
  std::chrono::steady_clock::time_point cancelledAt;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (desk.Panel("Status") != "状态：正在执行SQL语句...") return;
    watch.stop();
    QTimer::singleShot(300, [&] {
      cancelledAt = std::chrono::steady_clock::now();
      desk.Trigger("Cancel");
    });
  });
  watch.start(0);
  desk.Run(slow);
  const auto atRest = std::chrono::steady_clock::now() - cancelledAt;
  EXPECT_EQ(desk.Panel("Status"), "状态：中止SQL语句执行");
  EXPECT_NE(desk.Message().find("中止"), std::string::npos) << desk.Message();
  EXPECT_FALSE(desk.GridVisible());
  ::testing::Test::RecordProperty(
      "cancel_to_rest_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(atRest).count()));
  if (pg) {
    desk.Run(
        "select count(*) as n from pg_stat_activity "
        "where query like '%pg_sleep(30)%' and pid <> pg_backend_pid()");
    EXPECT_EQ(desk.Cell(1, 1), "0");
  }
  desk.Run("select 'next' as t");
  EXPECT_EQ(desk.Cell(1, 1), "next") << desk.Message();
}

// A query saved in the legacy code page, a new one, the saved one opened again from the recent
// list, and the program closed with the save question.
TEST_P(DeskEndToEnd, QueryFilesAndRecentList) {
  if (GetParam() != Db::Sqlite) GTEST_SKIP() << "files do not depend on the database";
  Desk& desk = LoggedIn();
  auto* editor = desk.Find<QPlainTextEdit>("txtCmd");
  editor->setPlainText("select '中文' as 列\nfrom departments");
  const std::string path = (desk.Files() / "月报.sql").string();
  desk.Answers().Expect(ChooseFile(path));
  desk.Trigger("mnuFile_Save");
  EXPECT_EQ(ReadWholeFile(path), kokit::ToLegacy("select '中文' as 列\r\nfrom departments"));
  EXPECT_EQ(desk.Window().windowTitle().toStdString(),
            "Quarlo Query(简体中文版){Access}(月报.sql)");
  EXPECT_FALSE(desk.Action("mnuFile_Save")->isEnabled());
  EXPECT_EQ(desk.Action("mnuFile_LastUse1")->text().toStdString(), "&1 " + path);

  desk.Trigger("New");
  EXPECT_EQ(editor->toPlainText().toStdString(), "");
  EXPECT_EQ(desk.Window().FilePath(), "");

  editor->setPlainText("select 2");
  std::string question;
  desk.Answers().Expect(PressButton(QMessageBox::No, &question));
  desk.Trigger("mnuFile_LastUse1");
  EXPECT_EQ(question, "新建查询文件.sql的内容已经改变，是否保存？");
  EXPECT_EQ(editor->toPlainText().toStdString(), "select '中文' as 列\nfrom departments");
  EXPECT_FALSE(desk.Window().IsTextChanged());

  editor->appendPlainText("where id = 2");
  desk.Answers().Expect(PressButton(QMessageBox::Yes));  // saved into the open file, no more asked
  desk.Window().close();
  EXPECT_EQ(desk.ExitCode(), 0);
  EXPECT_EQ(EditorTextFromFile(ReadWholeFile(path)),
            "select '中文' as 列\nfrom departments\nwhere id = 2");
}

// A failed login shows the reason and the dialog again; the test button; the stored login; the
// online documentation of the site; logging in again and cancelling ends the program.
TEST_P(DeskEndToEnd, LoginTestAndRelogin) {
  Desk& desk = *desk_;
  LoginFields wrong = site_.Login(GetParam());
  wrong.site = "http://127.0.0.1:1/";  // nothing listens on port 1: refused
  LoginFields right = site_.Login(GetParam());
  right.savePassword = true;
  std::string failure, tested;
  desk.Answers().Expect(FillLogin(wrong));
  desk.Answers().Expect(PressButton(QMessageBox::Ok, &failure));
  desk.Answers().Expect(FillLogin(right, "cmdTest"));
  desk.Answers().Expect(PressButton(QMessageBox::Ok, &tested));
  desk.Answers().Expect(FillLogin(right));
  desk.Window().Start();
  ASSERT_TRUE(desk.Window().isVisible());
  EXPECT_NE(failure.find("127.0.0.1"), std::string::npos) << failure;
  EXPECT_EQ(tested, "连接测试成功");
  const std::string record =
      desk.Window().Settings().UserText(GetParam() == Db::Sqlite ? "LastLogin3" : "LastLogin1");
  EXPECT_NE(record.find("<SavePwd>1</SavePwd><Password>" + right.password + "</Password>"),
            std::string::npos);
  EXPECT_EQ(desk.Window().Settings().UserNumber("LastLoginNo"), GetParam() == Db::Sqlite ? 3 : 1);

  {
    UrlCatcher browser("http");
    desk.Trigger("mnuHelp_OnlineDoc");
    ASSERT_EQ(browser.opened.size(), 1u);
    EXPECT_EQ(browser.opened[0], site_.Url() + "/quarlo20cn/");
  }

  desk.Answers().Expect({"frmLogin", [](QWidget* d) {
                           // The dialog shows what was entered last.
                           EXPECT_NE(d->findChild<QLineEdit*>("txtDatabase")->text(), "");
                           d->findChild<QPushButton*>("cmdCancel")->click();
                         }});
  desk.Trigger("mnuFile_ReLogin");
  EXPECT_EQ(desk.ExitCode(), 0);
  EXPECT_FALSE(desk.Window().isVisible());
}

// A password holding ";" and braces reaches PostgreSQL whole: the login quotes it instead of
// letting it cut the connection string short.
TEST_P(DeskEndToEnd, PasswordWithSemicolonLogsIn) {
  if (GetParam() != Db::Postgres) GTEST_SKIP() << "needs a database with passwords";
  Desk& desk = LoggedIn();
  const std::string role = "desk_" + std::to_string(getpid());
  const std::string password = "p;w}d{x=1";
  desk.Run("create role " + role + " login password '" + password + "'");
  ASSERT_EQ(desk.Panel("Status"), "状态：就绪") << desk.Message();
  LoginFields f = site_.Login(Db::Postgres);
  f.user = role;
  f.password = password;
  desk.Answers().Expect(FillLogin(f));
  desk.Trigger("mnuFile_ReLogin");
  desk.Run("select current_user as u");
  EXPECT_EQ(desk.Cell(1, 1), role) << desk.Message();
  LoginFields cut = f;
  cut.password = "p";  // what the unquoted string would have sent
  std::string failure;
  desk.Answers().Expect(FillLogin(cut));
  desk.Answers().Expect(PressButton(QMessageBox::Ok, &failure));
  desk.Answers().Expect(FillLogin(site_.Login(Db::Postgres)));
  desk.Trigger("mnuFile_ReLogin");
  EXPECT_NE(failure.find("password"), std::string::npos) << failure;
  desk.Run("drop role " + role);
}

}  // namespace
}  // namespace quarlodesk::testing
