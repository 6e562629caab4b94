// The two backends behind one interface: the built-in SQLite backend and PostgreSQL through
// psqlODBC registered as "SQL Server", reached with the connection strings the desktop builds.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "Backends.h"
#include "DbTestUtil.h"
#include "TempDir.h"
#include "db/AdoTypes.h"
#include "db/Backend.h"
#include "db/DatabaseFile.h"

namespace quarlopages::db {
namespace {

using quarlo::testing::Db;
using quarlo::testing::TempDir;
using testing::ErrorOf;
using testing::ReadAll;
using testing::RunAll;
using Rows = std::vector<std::vector<std::string>>;

// Endless unless stopped: counts the rows of an unbounded recursive query.
constexpr const char* kEndless =
    "with recursive c(x) as (select 1 union all select x + 1 from c) select count(*) from c";

class Backend : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    if (!quarlo::testing::Available(GetParam())) GTEST_SKIP() << "no PostgreSQL test service";
    if (Sqlite()) {
      std::filesystem::create_directories(dir_ / "data" / "sub");
      std::ofstream(dir_ / "data" / "sub" / "demo.mdb").close();  // an empty database
      options_.mapPath = dir_.path().string();
    }
    conn_ = Connect(ConnectionString(), options_);
    // A temporary table in PostgreSQL, so that tests running side by side never meet.
    RunAll(*conn_, std::string("create ") + (Sqlite() ? "" : "temp ") +
                       "table people(id integer primary key, name varchar(20), note text);"
                       "insert into people values (1, '张三', null);"
                       "insert into people values (2, 'Li Si', 'ok');"
                       "insert into people values (3, '王五', '备注');");
  }
  bool Sqlite() const { return GetParam() == Db::Sqlite; }
  std::string ConnectionString(const std::string& password = "") const {
    return Sqlite() ? "Driver={Microsoft Access Driver (*.mdb)};Dbq=data\\sub\\demo.mdb;Uid=admin;"
                    : quarlo::testing::LoginString(Db::Postgres, password);
  }
  // A statement that runs until it is stopped.
  std::string Endless() const { return Sqlite() ? kEndless : "select pg_sleep(30)"; }
  std::string CancelledPrefix() const { return Sqlite() ? "HY008: 语句已取消" : "HY008"; }

  TempDir dir_;
  ConnectOptions options_;
  std::unique_ptr<Connection> conn_;
};

INSTANTIATE_TEST_SUITE_P(Backends, Backend, ::testing::Values(Db::Sqlite, Db::Postgres),
                         quarlo::testing::BackendName);

TEST_P(Backend, BatchGivesOneResultSetPerStatementAndCountsUpdates) {
  auto s = conn_->Execute(
      "select id, name from people where id < 3 order by id; "
      "update people set note = 'x'; update people set note = 'y' where id = 99; "
      "delete from people where id = 2; select id from people order by id; select 'b' as b",
      0);
  ASSERT_EQ(s->Columns().size(), 2u);
  EXPECT_EQ(s->Columns()[0].name, "id");
  EXPECT_EQ(s->RowsAffected(), -1);
  EXPECT_EQ(ReadAll(*s), (Rows{{"1", "张三"}, {"2", "Li Si"}}));
  for (int affected : {3, 0, 1}) {
    ASSERT_TRUE(s->NextResult());
    EXPECT_TRUE(s->Columns().empty());
    EXPECT_EQ(s->RowsAffected(), affected);
    Row row;
    EXPECT_FALSE(s->Fetch(row));
  }
  ASSERT_TRUE(s->NextResult());
  Row row;
  ASSERT_TRUE(s->Fetch(row));
  ASSERT_TRUE(s->NextResult());  // drops the rows left
  EXPECT_EQ(ReadAll(*s), (Rows{{"b"}}));
  EXPECT_FALSE(s->NextResult());
  EXPECT_FALSE(s->NextResult());

  // Alone, an update that matches nothing is 0 rows ("no data" to ODBC), not an error.
  auto lone = conn_->Execute("update people set note = 'z' where id = 99", 0);
  EXPECT_TRUE(lone->Columns().empty());
  EXPECT_EQ(lone->RowsAffected(), 0);
  EXPECT_FALSE(lone->NextResult());
  auto none = conn_->Execute("select id, name from people where id > 100", 0);
  EXPECT_EQ(none->Columns().size(), 2u);
  EXPECT_TRUE(ReadAll(*none).empty());
}

TEST_P(Backend, NullsChineseAndLongValuesComeBackWhole) {
  EXPECT_THROW(conn_->Execute(std::string("select 1;\0 drop table people", 25), 0), DbError);
  auto s = conn_->Execute("select name as \"姓名\", note from people order by id", 0);
  EXPECT_EQ(s->Columns()[0].name, "姓名");
  EXPECT_EQ(ReadAll(*s), (Rows{{"张三", "<null>"}, {"Li Si", "ok"}, {"王五", "备注"}}));

  std::string expected = "abc";
  for (int i = 0; i < 30000; ++i) expected += "汉";
  auto s2 = conn_->Execute(Sqlite() ? "select 'abc' || replace(hex(zeroblob(30000)), '00', '汉') "
                                      "as v, '' as e"
                                    : "select 'abc' || repeat('汉', 30000) as v, ''::text as e",
                           0);
  EXPECT_EQ(ReadAll(*s2), (Rows{{expected, ""}}));
}

TEST_P(Backend, FailingStatementGivesTheDriversTextAndTheConnectionGoesOn) {
  const std::string text = ErrorOf([&] { conn_->Execute("select * from nope", 0); });
  if (Sqlite()) {
    EXPECT_EQ(text, "SQLite: no such table: nope");
    // Statement by statement: the failure comes with the result set that fails.
    auto s = conn_->Execute("select 1; insert into people values (1, 'dup', '')", 0);
    EXPECT_EQ(ReadAll(*s), (Rows{{"1"}}));
    EXPECT_NE(ErrorOf([&] { s->NextResult(); }).find("UNIQUE constraint failed"),
              std::string::npos);
  } else {
    EXPECT_EQ(text.rfind("42P01: ", 0), 0u) << text;
    EXPECT_NE(text.find("\"nope\" does not exist"), std::string::npos) << text;
    // A failure anywhere in a batch fails the whole call.
    EXPECT_THROW(conn_->Execute("select 1; select * from nope", 0), DbError);
  }
  EXPECT_EQ(ReadAll(*conn_->Execute("select 2", 0)), (Rows{{"2"}}));
}

TEST_P(Backend, LongStatementEndsWithTimeoutAndTheNextRunsUnderItsOwn) {
  const std::string text = ErrorOf([&] { conn_->Execute(Endless(), 1); });
  if (Sqlite()) {
    EXPECT_EQ(text, "HYT00: 语句执行超时（1 秒）");
  }
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(ReadAll(*conn_->Execute("select 1", 1)), (Rows{{"1"}}));
  if (!Sqlite()) {
    EXPECT_EQ(ReadAll(*conn_->Execute("select pg_sleep(1.2)::text || '3'", 0)), (Rows{{"3"}}));
  }
}

TEST_P(Backend, ConnectionCancelFromAnotherThreadStopsExecute) {
  auto canceller = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    conn_->Cancel();
  });
  const std::string text = ErrorOf([&] { conn_->Execute(Endless(), 0); });
  canceller.get();
  EXPECT_EQ(text.rfind(CancelledPrefix(), 0), 0u) << text;
  EXPECT_THROW(conn_->Execute("select 1", 0), DbError);
}

TEST_P(Backend, StatementCancelEndsItsWork) {
  if (Sqlite()) {
    // Cancelled from another thread while NextResult runs the endless statement.
    auto s = conn_->Execute(std::string("select 1; ") + kEndless, 0);
    auto canceller = std::async(std::launch::async, [&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      s->Cancel();
    });
    EXPECT_EQ(ErrorOf([&] { s->NextResult(); }), "HY008: 语句已取消");
    canceller.get();
    Row row;
    EXPECT_THROW(s->Fetch(row), DbError);
  } else {
    // Cancelled while its cursor is being read.
    auto s = conn_->Execute("select generate_series(1, 10)", 0);
    Row row;
    ASSERT_TRUE(s->Fetch(row));
    s->Cancel();
    EXPECT_THROW(s->Fetch(row), DbError);
    EXPECT_EQ(ReadAll(*conn_->Execute("select 4", 0)), (Rows{{"4"}}));
  }
}

// Declared types for SQLite, the driver's SQL types for PostgreSQL, as ADO codes.
TEST_P(Backend, ColumnTypesMapToAdoCodes) {
  struct Column {
    const char* expression;
    int adoType;
    int definedSize;  // 0: not checked
  };
  const std::vector<Column> columns =
      Sqlite() ? std::vector<Column>{{"id", ado::kInteger, 0},
                                     {"name", ado::kVarChar, 20},
                                     {"note", ado::kVarChar, 0},
                                     {"1 + 1 as two", ado::kInteger, 0},
                                     {"'a' || name", ado::kVarChar, 0}}
               : std::vector<Column>{{"1::int as i", ado::kInteger, 4},
                                     {"'x'::varchar(10) as v", ado::kVarChar, 10},
                                     {"'y'::text as t", ado::kLongVarChar, 0},
                                     {"1.5::numeric(10,2) as n", ado::kNumeric, 0},
                                     {"now()::timestamp as ts", ado::kDBTimeStamp, 0},
                                     {"current_date as d", ado::kDBDate, 0},
                                     {"true as b", ado::kVarChar, 0},  // psqlODBC's BoolsAsChar
                                     {"2::bigint as bi", ado::kBigInt, 0},
                                     {"1::smallint as si", ado::kSmallInt, 0},
                                     {"1.5::float8 as f", ado::kDouble, 0},
                                     {"'ab'::char(3) as c", ado::kChar, 3}};
  std::string sql = "select ";
  for (const auto& c : columns)
    sql += std::string(c.expression) + (&c == &columns.back() ? "" : ", ");
  auto s = conn_->Execute(sql + " from people where id = 1", 0);
  ASSERT_EQ(s->Columns().size(), columns.size());
  for (size_t i = 0; i < columns.size(); ++i) {
    SCOPED_TRACE(columns[i].expression);
    EXPECT_EQ(s->Columns()[i].adoType, columns[i].adoType);
    if (columns[i].definedSize) {
      EXPECT_EQ(s->Columns()[i].definedSize, columns[i].definedSize);
    }
  }
  const Rows rows = ReadAll(*s);
  ASSERT_EQ(rows.size(), 1u);
  if (Sqlite()) {
    EXPECT_EQ(s->Columns().at(4).name, "'a' || name");
  } else {
    EXPECT_EQ(rows[0][6], "1");  // psqlODBC sends a bool as 1/0
    EXPECT_EQ(rows[0][10], "ab ");
  }
}

// The built-in backend's own rules: statements and the files it opens.
TEST(SqliteBackend, CountsDdlAsNoRowAndKeepsTheStatementPastItsConnection) {
  TempDir dir;
  ConnectOptions options;
  options.mapPath = dir.path().string();
  std::ofstream(dir / "a.db").close();
  auto conn = Connect("driver={SQLite3};dbq=a.db", options);
  auto s = conn->Execute(
      "create table t(a int, r real); insert into t values (1, 90.5), (2, 71), (3, null); "
      "create table u(b int); select a, r from t order by a",
      0);
  EXPECT_EQ(s->RowsAffected(), 0);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 3);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 0);  // not the previous statement's count
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->Columns().at(1).adoType, ado::kDouble);
  conn.reset();
  EXPECT_EQ(ReadAll(*s), (Rows{{"1", "90.5"}, {"2", "71.0"}, {"3", "<null>"}}));

  auto blank = Connect("driver={SQLite3};dbq=a.db", options)->Execute("  -- nothing here\n ;; ", 0);
  EXPECT_TRUE(blank->Columns().empty());
  EXPECT_EQ(blank->RowsAffected(), 0);
  EXPECT_FALSE(blank->NextResult());
}

TEST(SqliteBackend, OpensOnlyDatabaseFilesThatExist) {
  TempDir dir;
  ConnectOptions options;
  options.mapPath = dir.path().string();
  std::filesystem::create_directories(dir / "data");
  EXPECT_EQ(ErrorOf([&] { Connect("Driver={SQLite3};Database=data\\nosuch.db", options); }),
            "数据库文件不存在：" + (dir / "data/nosuch.db").string());
  EXPECT_FALSE(std::filesystem::exists(dir / "data" / "nosuch.db"));
  std::ofstream(dir / "data" / "text.mdb")
      << "this is not a database, just some text padding it out";
  EXPECT_NE(ErrorOf([&] {
              Connect("driver={SQLite3};dbq=data/text.mdb", options);
            }).find("file is not a database"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { Connect("driver={SQLite3};dbq=data", options); }).find("不是数据库文件"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { Connect("driver={SQLite3};uid=x", options); }).find("dbq="),
            std::string::npos);
  // Absolute paths, and driver names and keywords in any case.
  std::ofstream(dir / "data" / "empty.db").close();
  auto conn = Connect("DRIVER={sqlite3};DBQ=" + (dir / "data" / "empty.db").string(), options);
  EXPECT_EQ(ReadAll(*conn->Execute("select 3", 0)), (Rows{{"3"}}));

  EXPECT_EQ(ResolveDatabaseFile("db\\a.mdb", "/srv/map"), "/srv/map/db/a.mdb");
  EXPECT_EQ(ResolveDatabaseFile(".\\a.mdb", "/srv/map/"), "/srv/map/a.mdb");
  EXPECT_EQ(ResolveDatabaseFile("/data/a.mdb", "/srv/map"), "/data/a.mdb");
}

#ifdef QUARLOPAGES_DEMO_DB
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
  EXPECT_EQ(ReadAll(*s), (Rows{{"30"}}));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(ReadAll(*s), (Rows{{"销售部"}}));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(ReadAll(*s), (Rows{{"40"}}));
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->Columns().size(), 5u);
  EXPECT_EQ(ReadAll(*s).size(), 1u);
}
#endif

}  // namespace
}  // namespace quarlopages::db
