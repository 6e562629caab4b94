// The two backends behind one interface: the built-in SQLite backend and PostgreSQL through
// psqlODBC registered as "SQL Server". What the pages make of them is in the end-to-end tests;
// here what those cannot reach: the Statement calls themselves, cancels from another thread, and
// each backend's own texts, types and rules.
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

namespace quarlopages::db {
namespace {

using quarlo::testing::Db;
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
    ConnectOptions options;
    if (Sqlite()) {
      std::ofstream(dir_ / "demo.mdb").close();  // an empty database
      options.mapPath = dir_.path().string();
    }
    conn_ = Connect(Sqlite() ? "Driver={Microsoft Access Driver (*.mdb)};Dbq=demo.mdb;Uid=admin;"
                             : quarlo::testing::LoginString(Db::Postgres),
                    options);
    // A temporary table in PostgreSQL, so that tests running side by side never meet.
    RunAll(*conn_, std::string("create ") + (Sqlite() ? "" : "temp ") +
                       "table people(id integer primary key, name varchar(20), note text);"
                       "insert into people values (1, 'a', null), (2, 'b', ''), (3, 'c', '')");
  }
  bool Sqlite() const { return GetParam() == Db::Sqlite; }

  quarlo::testing::TempDir dir_;
  std::unique_ptr<Connection> conn_;
};

INSTANTIATE_TEST_SUITE_P(Backends, Backend, ::testing::Values(Db::Sqlite, Db::Postgres),
                         quarlo::testing::BackendName);

// A statement holding a NUL byte is refused whole; each backend's own rules and time-out text,
// and a time-out that holds for its own statement only. A statement's cancel ends its own
// work and the connection goes on; the connection's cancel, from another thread, stops Execute and
// leaves the connection unusable.
TEST_P(Backend, EachBackendsRulesTimeoutsAndCancels) {
  EXPECT_THROW(conn_->Execute(std::string("select 1;\0 drop table people", 25), 0), DbError);
  if (Sqlite()) {
    EXPECT_EQ(ErrorOf([&] { conn_->Execute(kEndless, 1); }), "HYT00: 语句执行超时（1 秒）");
    // The built-in backend's own rules: DDL counts 0 rows, not the previous statement's count; a
    // statement outlives its connection; a file that is no database is refused.
    const ConnectOptions options{.mapPath = dir_.path().string()};
    auto own = Connect("driver={SQLite3};dbq=demo.mdb", options);
    auto s = own->Execute(
        "create table t(a int, r real); insert into t values (1, 90.5), (2, 71), (3, null); "
        "create table u(b int); select a, r from t order by a",
        0);
    for (int affected : {0, 3, 0}) {
      EXPECT_EQ(s->RowsAffected(), affected);
      ASSERT_TRUE(s->NextResult());
    }
    EXPECT_EQ(s->Columns().at(1).adoType, ado::kDouble);
    own.reset();
    EXPECT_EQ(ReadAll(*s), (Rows{{"1", "90.5"}, {"2", "71.0"}, {"3", "<null>"}}));
    std::ofstream(dir_ / "text.mdb") << "this is not a database, just some text padding";
    const std::string text = ErrorOf([&] { Connect("driver={SQLite3};dbq=text.mdb", options); });
    EXPECT_NE(text.find("file is not a database"), std::string::npos) << text;
  } else {
    // What only PostgreSQL through psqlODBC shows: the driver's SQL types as ADO codes, an update
    // committed while a cursor is open, and data-modifying WITH statements kept out of the cursor.
    const struct {
      const char* expression;
      int adoType;
      int definedSize;  // 0: not checked
    } columns[] = {{"'y'::text as t", ado::kLongVarChar, 0},
                   {"1.5::numeric(10,2) as n", ado::kNumeric, 0},
                   {"now()::timestamp as ts", ado::kDBTimeStamp, 0},
                   {"current_date as d", ado::kDBDate, 0},
                   {"true as b", ado::kVarChar, 0},  // psqlODBC's BoolsAsChar
                   {"1::smallint as si", ado::kSmallInt, 0},
                   {"1.5::float8 as f", ado::kDouble, 0},
                   {"'ab'::char(3) as c", ado::kChar, 3}};
    std::string sql = "select 0";
    for (const auto& c : columns) sql += std::string(", ") + c.expression;
    auto s = conn_->Execute(sql, 0);
    for (size_t i = 0; i < std::size(columns); ++i) {
      SCOPED_TRACE(columns[i].expression);
      EXPECT_EQ(s->Columns().at(i + 1).adoType, columns[i].adoType);
      if (columns[i].definedSize) {
        EXPECT_EQ(s->Columns()[i + 1].definedSize, columns[i].definedSize);
      }
    }
    const Rows rows = ReadAll(*s);
    EXPECT_EQ(rows.at(0).at(5), "1");  // psqlODBC sends a bool as 1/0
    EXPECT_EQ(rows[0][8], "ab ");

    auto other = Connect(quarlo::testing::LoginString(Db::Postgres), {});
    RunAll(*other,
           "create table if not exists shared_counts(id int primary key, n int);"
           "insert into shared_counts values (pg_backend_pid(), 0)");
    const std::string id = ReadAll(*other->Execute("select pg_backend_pid()", 0))[0][0];
    auto open = conn_->Execute("select g from generate_series(1, 100000) g", 0);
    Row row;
    ASSERT_TRUE(open->Fetch(row));
    auto update = conn_->Execute("update shared_counts set n = n + 1 where id = " + id, 0);
    EXPECT_EQ(update->RowsAffected(), 1);
    EXPECT_EQ(ReadAll(*other->Execute("select n from shared_counts where id = " + id, 0)),
              (Rows{{"1"}}));
    RunAll(*other, "delete from shared_counts where id = " + id);
    open.reset();
    EXPECT_EQ(
        ReadAll(*conn_->Execute(
            "with x as (insert into people values (4, 'a', null) returning id) select * from x",
            0)),
        (Rows{{"4"}}));
    EXPECT_EQ(conn_
                  ->Execute("  WITH x AS (select 5 as id) insert into people select id, 'e', null "
                            "from x",
                            0)
                  ->RowsAffected(),
              1);
    EXPECT_FALSE(ErrorOf([&] { conn_->Execute("select pg_sleep(30)", 1); }).empty());
    EXPECT_EQ(ReadAll(*conn_->Execute("select pg_sleep(1.2)::text || '3'", 0)), (Rows{{"3"}}));
  }
  EXPECT_EQ(ReadAll(*conn_->Execute("select count(*) from people", 1)),
            (Rows{{Sqlite() ? "3" : "5"}}));

  auto later = [](auto&& cancel) {
    return std::async(std::launch::async, [cancel] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      cancel();
    });
  };
  Row row;
  if (Sqlite()) {
    // Cancelled while NextResult runs the endless statement.
    auto s = conn_->Execute(std::string("select 1; ") + kEndless, 0);
    auto canceller = later([&s] { s->Cancel(); });
    EXPECT_EQ(ErrorOf([&] { s->NextResult(); }), kCancelledText);
    canceller.get();
    EXPECT_THROW(s->Fetch(row), DbError);
  } else {
    // Cancelled while its cursor is being read.
    auto s = conn_->Execute("select generate_series(1, 10)", 0);
    ASSERT_TRUE(s->Fetch(row));
    s->Cancel();
    EXPECT_THROW(s->Fetch(row), DbError);
  }
  EXPECT_EQ(ReadAll(*conn_->Execute("select 4", 0)), (Rows{{"4"}}));

  auto canceller = later([this] { conn_->Cancel(); });
  const std::string text =
      ErrorOf([&] { conn_->Execute(Sqlite() ? kEndless : "select pg_sleep(30)", 0); });
  canceller.get();
  EXPECT_EQ(text.rfind(Sqlite() ? kCancelledText : "HY008", 0), 0u) << text;
  EXPECT_THROW(conn_->Execute("select 1", 0), DbError);
}

}  // namespace
}  // namespace quarlopages::db
