// The backends behind one interface, where the end-to-end tests cannot reach: Statement calls,
// cancels from another thread, each backend's own texts and types, and the map folder.
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <set>
#include <thread>

#include "Backends.h"
#include "SqliteFile.h"
#include "TempDir.h"
#include "db/AdoTypes.h"
#include "db/Backend.h"
#include "db/ConnectionString.h"
#include "db/PsqlOdbc.h"

namespace quarlopages::db {
namespace {

namespace fs = std::filesystem;
using quarlo::testing::Db;
using quarlopages::testing::MakeSqliteFile;
using Rows = std::vector<std::vector<std::string>>;

inline std::vector<std::vector<std::string>> ReadAll(Statement& s) {
  std::vector<std::vector<std::string>> rows;
  Row row;
  while (s.Fetch(row)) {
    std::vector<std::string> texts;
    for (const auto& v : row) texts.push_back(v ? *v : "<null>");
    rows.push_back(texts);
  }
  return rows;
}

inline void RunAll(Connection& conn, const std::string& sql) {
  auto s = conn.Execute(sql, 0);
  while (s->NextResult()) {
  }
}

template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const DbError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no DbError";
  return {};
}

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
    // What only PostgreSQL through psqlODBC shows: the driver's SQL types as ADO codes, and an
    // update committed while a cursor is open (WITH statements kept out of it: the PsqlOdbc table).
    const std::pair<const char*, int> columns[] = {
        {"'y'::text as t", ado::kLongVarChar},
        {"1.5::numeric(10,2) as n", ado::kNumeric},
        {"now()::timestamp as ts", ado::kDBTimeStamp},
        {"current_date as d", ado::kDBDate},
        {"true as b", ado::kVarChar},  // psqlODBC's BoolsAsChar
        {"1::smallint as si", ado::kSmallInt},
        {"1.5::float8 as f", ado::kDouble},
        {"'ab'::char(3) as c", ado::kChar}};
    std::string sql = "select 0";
    for (const auto& c : columns) sql += std::string(", ") + c.first;
    auto s = conn_->Execute(sql, 0);
    for (size_t i = 0; i < std::size(columns); ++i) {
      EXPECT_EQ(s->Columns().at(i + 1).adoType, columns[i].second) << columns[i].first;
    }
    EXPECT_EQ(s->Columns()[8].definedSize, 3);
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
    EXPECT_FALSE(ErrorOf([&] { conn_->Execute("select pg_sleep(30)", 1); }).empty());
    EXPECT_EQ(ReadAll(*conn_->Execute("select pg_sleep(1.2)::text || '3'", 0)), (Rows{{"3"}}));
  }
  EXPECT_EQ(ReadAll(*conn_->Execute("select count(*) from people", 1)), (Rows{{"3"}}));

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

// root/map is the map folder; root/out lies beside it. Each database's table t holds one row.
class Confined {
 public:
  Confined() {
    fs::create_directories(map() / "data" / "sub");
    fs::create_directories(root_ / "out");
    MakeSqliteFile(map() / "data" / "sub" / "in.db",
                   "create table t(v); insert into t values ('in')");
    MakeSqliteFile(root_ / "out" / "secret.db",
                   "create table t(v); insert into t values ('secret')");
    fs::create_symlink("data/sub/in.db", map() / "inlink.db");
    fs::create_symlink("../out/secret.db", map() / "outlink.db");
    fs::create_symlink("../out", map() / "outdir");
  }
  fs::path map() const { return root_ / "map"; }
  // `text` with {root} and {map} replaced by the folders.
  std::string Fill(std::string text) const {
    for (auto [name, value] : {std::pair{"{root}", root_.path()}, std::pair{"{map}", map()}}) {
      for (size_t at; (at = text.find(name)) != std::string::npos;) {
        text.replace(at, std::string(name).size(), value.string());
      }
    }
    return text;
  }
  std::set<fs::path> Files() const {
    std::set<fs::path> all;
    for (const auto& e : fs::recursive_directory_iterator(root_.path())) all.insert(e.path());
    return all;
  }
  ConnectOptions Options(bool allowAnyPath) const {
    return {.mapPath = map().string(), .allowAnyPath = allowAnyPath};
  }

 private:
  quarlo::testing::TempDir root_;
};

constexpr const char* kRule = "数据库文件必须位于服务器的映射文件夹";

TEST(SqliteConfine, PathsAndStatementsKeepToTheMapFolder) {
  const struct {
    const char* name;
    const char* dbq;
    const char* holds;  // the value of t.v in the file it names; "" when it names none
    bool inside;
  } rows[] = {
      {"as the client rewrites it", "{map}\\data\\sub\\in.db", "in", true},
      {"link inside", "inlink.db", "in", true},
      {"dot dot", "../out/secret.db", "secret", false},
      {"backslash dot dot", "data\\..\\..\\out\\secret.db", "secret", false},
      {"absolute outside", "{root}/out/secret.db", "secret", false},
      {"link out", "outlink.db", "secret", false},
      {"folder link out", "outdir/secret.db", "secret", false},
      {"missing outside", "../out/new.db", "", false},
  };
  Confined dir;
  const auto before = dir.Files();
  for (const auto& row : rows) {
    for (bool allowAnyPath : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (allowAnyPath ? ", any path" : ""));
      const std::string cs = "driver={SQLite3};dbq=" + dir.Fill(row.dbq) + ";";
      if ((row.inside || allowAnyPath) && *row.holds) {
        auto conn = Connect(cs, dir.Options(allowAnyPath));
        EXPECT_EQ(ReadAll(*conn->Execute("select v from t", 0)), (Rows{{row.holds}}));
      } else {
        const std::string text = ErrorOf([&] { Connect(cs, dir.Options(allowAnyPath)); });
        EXPECT_NE(text.find(row.inside || allowAnyPath ? "数据库文件不存在" : kRule),
                  std::string::npos)
            << text;
      }
      EXPECT_EQ(dir.Files(), before);
    }
  }

  // Statements that would reach other files are refused, even with the flag, and make nothing.
  const struct {
    const char* name;
    const char* sql;
    const char* refusal;
  } statements[] = {
      {"attach", "attach '{root}/out/new.db' as x", "不允许 ATTACH"},
      {"attach inside", "attach '{map}/data/sub/in.db' as x", "不允许 ATTACH"},
      {"vacuum into", "vacuum into '{root}/out/copy.db'", "不允许 ATTACH"},
      {"load extension", "select load_extension('{root}/out/x.so')", "不允许 load_extension"},
      {"temp store directory", "pragma temp_store_directory = '{root}/out'",
       "不允许设置 PRAGMA temp_store_directory"},
  };
  auto conn = Connect("driver={SQLite3};dbq=data/sub/in.db", dir.Options(true));
  for (const auto& row : statements) {
    SCOPED_TRACE(row.name);
    const std::string text = ErrorOf([&] { conn->Execute(dir.Fill(row.sql), 0); });
    EXPECT_NE(text.find(row.refusal), std::string::npos) << text;
    EXPECT_EQ(dir.Files(), before);
    EXPECT_EQ(ReadAll(*conn->Execute("select v from t", 0)), (Rows{{"in"}}));
  }
}

// The rest of the rule runs in every login of the end-to-end tests.
TEST(ConnectionString, PiecesWithoutAValueAndUnterminatedBraces) {
  const auto cs = ConnectionString::Parse(";;uid=first;junk;UID=second;pwd={a;b}}c};");
  EXPECT_EQ(cs.Get("uid"), "first");
  EXPECT_EQ(cs.Get("pwd"), "a;b}c");
  EXPECT_EQ(cs.GetRaw("PWD"), "{a;b}}c}");
  EXPECT_THROW(ConnectionString::Parse("driver={SQLite3;dbq=x"), DbError);
}

TEST(AdoTypes, SqliteDeclaredTypesAndOdbcSizes) {
  using namespace ado;
  struct Row {
    const char* declared;
    int storageClass;
    int32_t type, size;
  } rows[] = {
      {"char(3)", SQLITE_NULL, kChar, 3},
      {"REAL", SQLITE_NULL, kDouble, 8},
      {"datetime", SQLITE_NULL, kDBTimeStamp, 16},
      {"boolean", SQLITE_NULL, kBoolean, 2},
      // Names SQLite knows only by its affinity rules.
      {"BLOB", SQLITE_NULL, kLongVarBinary, 0},
      {"floating", SQLITE_NULL, kDouble, 8},
      {"whatever", SQLITE_NULL, kNumeric, 19},
      {"", SQLITE_FLOAT, kDouble, 8},  // an expression, typed by its first value
  };
  for (const Row& row : rows) {
    const TypeAndSize t = FromDeclaredType(row.declared, row.storageClass);
    EXPECT_EQ(t.type, row.type) << row.declared;
    EXPECT_EQ(t.size, row.size) << row.declared;
  }
  EXPECT_EQ(FromOdbcType(SQL_LONGVARCHAR, 1ull << 40).size, 2147483647);
}

TEST(PsqlOdbc, CursorOptionsAndWhatGoesThroughTheCursor) {
  using namespace psqlodbc;
  EXPECT_EQ(WithCursorOptions("driver={SQL Server};usedeclarefetch=0;"),
            "driver={SQL Server};usedeclarefetch=0;Fetch=1000");
  EXPECT_EQ(WithCursorOptions("UseDeclareFetch=1;FETCH=50"), "UseDeclareFetch=1;FETCH=50");
  EXPECT_FALSE(UsesCursors("driver={SQL Server};UseDeclareFetch=0"));
  struct Row {
    const char* sql;
    const char* keptOut;  // KeepOutOfCursor's text
    bool throughCursor;
  } rows[] = {
      {"  With x as (select 1) insert into t select * from x",
       "/**/   With x as (select 1) insert into t select * from x", false},
      {"withdrawn", "withdrawn", false},
      {" (SELECT 1)", " (SELECT 1)", true},
      {"/**/ select 1", "/**/ select 1", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KeepOutOfCursor(row.sql), row.keptOut) << row.sql;
    EXPECT_EQ(ReadsThroughCursor(row.sql), row.throughCursor) << row.sql;
  }
}

}  // namespace
}  // namespace quarlopages::db
