#include "db/DatabaseFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "DbTestUtil.h"
#include "TempDir.h"
#include "db/AdoTypes.h"
#include "db/Backend.h"

namespace quarlopages::db {
namespace {

using quarlo::testing::TempDir;
using testing::ErrorOf;
using testing::ReadAll;
using testing::RunAll;
using Rows = std::vector<std::vector<std::string>>;

// Endless unless stopped: counts the rows of an unbounded recursive query.
constexpr const char* kEndless =
    "with recursive c(x) as (select 1 union all select x + 1 from c) select count(*) from c";

class SqliteBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "data" / "sub");
    std::ofstream(dir_ / "data" / "sub" / "demo.mdb")
        .close();  // an empty file is an empty database
    options_.mapPath = dir_.path().string();
    conn_ = Connect(ConnectionString(), options_);
    RunAll(*conn_,
           "create table people(id integer primary key, name varchar(20), score real, note text);"
           "insert into people values (1, '张三', 90.5, null);"
           "insert into people values (2, 'Li Si', 71, 'ok');"
           "insert into people values (3, '王五', null, '备注');");
  }
  std::string ConnectionString() const {
    return "Driver={Microsoft Access Driver (*.mdb)};Dbq=data\\sub\\demo.mdb;Uid=admin;Pwd=;";
  }

  TempDir dir_;
  ConnectOptions options_;
  std::unique_ptr<Connection> conn_;
};

TEST_F(SqliteBackend, BatchGivesOneResultSetPerStatement) {
  auto s = conn_->Execute(
      "select id, name from people where id < 3 order by id; "
      "update people set score = 0 where id = 3; select count(*) as n from people;",
      0);
  ASSERT_EQ(s->Columns().size(), 2u);
  EXPECT_EQ(s->Columns()[0].name, "id");
  EXPECT_EQ(s->RowsAffected(), -1);
  EXPECT_EQ(ReadAll(*s), (Rows{{"1", "张三"}, {"2", "Li Si"}}));

  ASSERT_TRUE(s->NextResult());
  EXPECT_TRUE(s->Columns().empty());
  EXPECT_EQ(s->RowsAffected(), 1);
  Row row;
  EXPECT_FALSE(s->Fetch(row));

  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(ReadAll(*s), (Rows{{"3"}}));
  EXPECT_FALSE(s->NextResult());
  EXPECT_FALSE(s->NextResult());
}

TEST_F(SqliteBackend, UpdateCountsIncludingNoRowMatchedAndDdl) {
  auto s = conn_->Execute(
      "update people set note = 'x'; update people set note = 'y' where id = 99; "
      "create table other(a int); delete from people where id = 2",
      0);
  EXPECT_EQ(s->RowsAffected(), 3);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 0);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 0);  // not the previous statement's count
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 1);
  EXPECT_FALSE(s->NextResult());
}

TEST_F(SqliteBackend, NullsAndChineseTextComeBackAsTheyAre) {
  EXPECT_THROW(conn_->Execute(std::string("select 1;\0 drop table people", 25), 0), DbError);
  auto s = conn_->Execute("select name as 姓名, score, note from people order by id", 0);
  EXPECT_EQ(s->Columns()[0].name, "姓名");
  EXPECT_EQ(
      ReadAll(*s),
      (Rows{{"张三", "90.5", "<null>"}, {"Li Si", "71.0", "ok"}, {"王五", "<null>", "备注"}}));
}

TEST_F(SqliteBackend, ColumnTypesComeFromDeclaredTypes) {
  auto s = conn_->Execute("select id, name, score, note, 1 + 1 as two, 'a' || name from people", 0);
  const auto& c = s->Columns();
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c[0].adoType, ado::kInteger);
  EXPECT_EQ(c[1].adoType, ado::kVarChar);
  EXPECT_EQ(c[1].definedSize, 20);
  EXPECT_EQ(c[2].adoType, ado::kDouble);
  EXPECT_EQ(c[3].adoType, ado::kVarChar);
  EXPECT_EQ(c[4].adoType, ado::kInteger);
  EXPECT_EQ(c[5].adoType, ado::kVarChar);
  EXPECT_EQ(c[5].name, "'a' || name");
}

TEST_F(SqliteBackend, SelectWithoutRowsKeepsItsColumns) {
  auto s = conn_->Execute("select id, name from people where id > 100", 0);
  EXPECT_EQ(s->Columns().size(), 2u);
  EXPECT_TRUE(ReadAll(*s).empty());
}

TEST_F(SqliteBackend, BlanksAndCommentsAloneGiveNoResultSet) {
  auto s = conn_->Execute("  -- nothing here\n ;; ", 0);
  EXPECT_TRUE(s->Columns().empty());
  EXPECT_EQ(s->RowsAffected(), 0);
  EXPECT_FALSE(s->NextResult());
}

TEST_F(SqliteBackend, NextResultDropsTheRowsLeft) {
  auto s = conn_->Execute("select id from people order by id; select 'b'", 0);
  Row row;
  ASSERT_TRUE(s->Fetch(row));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(ReadAll(*s), (Rows{{"b"}}));
}

TEST_F(SqliteBackend, FailingStatementReportsTheDriverText) {
  EXPECT_EQ(ErrorOf([&] { conn_->Execute("select * from nope", 0); }),
            "SQLite: no such table: nope");
  auto s = conn_->Execute("select 1; insert into people values (1, 'dup', 0, '')", 0);
  EXPECT_EQ(ReadAll(*s), (Rows{{"1"}}));
  EXPECT_NE(ErrorOf([&] { s->NextResult(); }).find("UNIQUE constraint failed"), std::string::npos);
}

TEST_F(SqliteBackend, MissingFileIsRefusedAndNotCreated) {
  const std::string text =
      ErrorOf([&] { Connect("Driver={SQLite3};Database=data\\nosuch.db", options_); });
  EXPECT_EQ(text, "数据库文件不存在：" + (dir_ / "data/nosuch.db").string());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "data" / "nosuch.db"));
}

TEST_F(SqliteBackend, AbsolutePathsAndDriverNamesInAnyCase) {
  const std::string file = (dir_ / "data" / "sub" / "demo.mdb").string();
  auto conn = Connect("DRIVER={sqlite3};DBQ=" + file, options_);
  EXPECT_EQ(ReadAll(*conn->Execute("select count(*) from people", 0)), (Rows{{"3"}}));
}

TEST_F(SqliteBackend, FolderOrOtherFileIsNotADatabase) {
  std::ofstream(dir_ / "data" / "text.mdb")
      << "this is not a database, just some text padding it out";
  EXPECT_NE(ErrorOf([&] {
              Connect("driver={SQLite3};dbq=data/text.mdb", options_);
            }).find("file is not a database"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { Connect("driver={SQLite3};dbq=data", options_); }).find("不是数据库文件"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { Connect("driver={SQLite3};uid=x", options_); }).find("dbq="),
            std::string::npos);
}

TEST_F(SqliteBackend, LongStatementEndsWithTimeoutError) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { conn_->Execute(kEndless, 1); }), "HYT00: 语句执行超时（1 秒）");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // The connection still works afterwards.
  EXPECT_EQ(ReadAll(*conn_->Execute("select 1", 1)), (Rows{{"1"}}));
}

TEST_F(SqliteBackend, StatementCancelFromAnotherThreadStopsNextResult) {
  auto s = conn_->Execute(std::string("select 1; ") + kEndless, 0);
  auto canceller = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    s->Cancel();
  });
  EXPECT_EQ(ErrorOf([&] { s->NextResult(); }), "HY008: 语句已取消");
  canceller.get();
  Row row;
  EXPECT_THROW(s->Fetch(row), DbError);
}

TEST_F(SqliteBackend, ConnectionCancelStopsARunningExecute) {
  auto canceller = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    conn_->Cancel();
  });
  EXPECT_EQ(ErrorOf([&] { conn_->Execute(kEndless, 0); }), "HY008: 语句已取消");
  canceller.get();
  EXPECT_THROW(conn_->Execute("select 1", 0), DbError);
}

TEST_F(SqliteBackend, StatementOutlivesItsConnection) {
  auto s = conn_->Execute("select id from people order by id", 0);
  conn_.reset();
  EXPECT_EQ(ReadAll(*s).size(), 3u);
}

TEST(SqlitePath, BackslashesAndRelativePathsUnderTheMapFolder) {
  EXPECT_EQ(ResolveDatabaseFile("db\\a.mdb", "/srv/map"), "/srv/map/db/a.mdb");
  EXPECT_EQ(ResolveDatabaseFile(".\\a.mdb", "/srv/map/"), "/srv/map/a.mdb");
  EXPECT_EQ(ResolveDatabaseFile("/data/a.mdb", "/srv/map"), "/data/a.mdb");
}

}  // namespace
}  // namespace quarlopages::db

#ifdef QUARLOPAGES_DEMO_DB
namespace quarlopages::db {
namespace {

// The built demo database answers the Access login with a path relative to its folder.
TEST(DemoDatabase, OpensWithTheAccessLoginAndHoldsChineseData) {
  const std::filesystem::path demo = QUARLOPAGES_DEMO_DB;
  ConnectOptions options;
  options.mapPath = demo.parent_path().string();
  auto conn =
      Connect("Driver={Microsoft Access Driver (*.mdb)};Dbq=.\\demo.db;Uid=admin;Pwd=;", options);
  auto s = conn->Execute(
      "select count(*) from employees; select name from departments where id = 2; "
      "select count(*) from orders; select * from order_totals where id = 1",
      5);
  EXPECT_EQ(testing::ReadAll(*s), (std::vector<std::vector<std::string>>{{"30"}}));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(testing::ReadAll(*s), (std::vector<std::vector<std::string>>{{"销售部"}}));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(testing::ReadAll(*s), (std::vector<std::vector<std::string>>{{"40"}}));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->Columns().size(), 5u);
  EXPECT_EQ(testing::ReadAll(*s).size(), 1u);
}

}  // namespace
}  // namespace quarlopages::db
#endif
