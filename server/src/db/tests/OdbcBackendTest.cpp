#include "db/OdbcBackend.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "DbTestUtil.h"
#include "TempDir.h"
#include "db/AdoTypes.h"
#include "db/Backend.h"

namespace quarlopages::db {
namespace {

using testing::ErrorOf;
using testing::ReadAll;
using testing::RunAll;
using Rows = std::vector<std::vector<std::string>>;
using Clock = std::chrono::steady_clock;
using quarlo::testing::ScopedEnv;

TEST(OdbcBackend, UnknownDriverNameGivesTheDriverManagerText) {
  const std::string text = ErrorOf([] { Connect("driver={No Such Driver};server=x", {}); });
  EXPECT_NE(text.find("[unixODBC][Driver Manager]"), std::string::npos) << text;
}

// PostgreSQL through psqlODBC registered as "SQL Server" (tests/services/start), reached with the
// connection string the desktop program builds; the port comes from PGPORT.
class Postgres : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("QUARLO_TEST_PGPORT")) {
      GTEST_SKIP() << "no PostgreSQL test service: source tests/services/start first "
                      "(scripts/test does)";
    }
    conn_ = Connect(ConnectionString(Env("QUARLO_TEST_PG_PASSWORD")), options_);
  }
  static std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
  }
  static std::string ConnectionString(const std::string& password) {
    return "driver={SQL Server};server=127.0.0.1;database=" + Env("QUARLO_TEST_PG_DATABASE") +
           ";uid=" + Env("QUARLO_TEST_PG_USER") + ";pwd=" + password;
  }
  // A table of this connection's own, so tests running side by side never meet.
  void MakePeople() {
    RunAll(*conn_,
           "create temp table people(id int primary key, name varchar(20), note text);"
           "insert into people values (1, '张三', null), (2, 'Li Si', 'ok'), (3, '王五', '备注')");
  }

  ConnectOptions options_;
  std::unique_ptr<Connection> conn_;
};

TEST_F(Postgres, BatchGivesOneResultSetPerStatement) {
  auto s = conn_->Execute("select 1 as a; select 'x' as b, 2 as c", 0);
  ASSERT_EQ(s->Columns().size(), 1u);
  EXPECT_EQ(s->Columns()[0].name, "a");
  EXPECT_EQ(s->RowsAffected(), -1);
  EXPECT_EQ(ReadAll(*s), (Rows{{"1"}}));
  ASSERT_TRUE(s->NextResult());
  ASSERT_EQ(s->Columns().size(), 2u);
  EXPECT_EQ(ReadAll(*s), (Rows{{"x", "2"}}));
  EXPECT_FALSE(s->NextResult());
  EXPECT_FALSE(s->NextResult());
}

TEST_F(Postgres, UpdateCountsIncludingNoRowMatched) {
  MakePeople();
  auto s = conn_->Execute(
      "update people set note = 'x'; update people set note = 'y' where id = 99; "
      "delete from people where id = 2; select count(*) from people",
      0);
  EXPECT_TRUE(s->Columns().empty());
  EXPECT_EQ(s->RowsAffected(), 3);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 0);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(s->RowsAffected(), 1);
  ASSERT_TRUE(s->NextResult());
  EXPECT_EQ(ReadAll(*s), (Rows{{"2"}}));
  EXPECT_FALSE(s->NextResult());

  // Alone, an update that matches nothing is "no data" to ODBC: 0 rows, not an error.
  auto lone = conn_->Execute("update people set note = 'z' where id = 99", 0);
  EXPECT_TRUE(lone->Columns().empty());
  EXPECT_EQ(lone->RowsAffected(), 0);
  EXPECT_FALSE(lone->NextResult());
}

TEST_F(Postgres, NullsChineseAndLongValuesComeBackWhole) {
  MakePeople();
  auto s = conn_->Execute("select name as \"姓名\", note from people order by id", 0);
  EXPECT_EQ(s->Columns()[0].name, "姓名");
  EXPECT_EQ(ReadAll(*s), (Rows{{"张三", "<null>"}, {"Li Si", "ok"}, {"王五", "备注"}}));
  EXPECT_THROW(conn_->Execute(std::string("select 1;\0 drop table people", 25), 0), DbError);

  std::string expected = "abc";
  for (int i = 0; i < 30000; ++i) expected += "汉";
  auto s2 = conn_->Execute("select 'abc' || repeat('汉', 30000) as v, ''::text as e", 0);
  const Rows rows = ReadAll(*s2);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], expected);
  EXPECT_EQ(rows[0][1], "");
}

TEST_F(Postgres, ColumnTypesMapToAdoCodes) {
  auto s = conn_->Execute(
      "select 1::int as i, 'x'::varchar(10) as v, 'y'::text as t, 1.5::numeric(10,2) as n, "
      "now()::timestamp as ts, current_date as d, true as b, 2::bigint as bi, 1::smallint as si, "
      "1.5::float8 as f, 'ab'::char(3) as c",
      0);
  const auto& c = s->Columns();
  ASSERT_EQ(c.size(), 11u);
  EXPECT_EQ(c[0].adoType, ado::kInteger);
  EXPECT_EQ(c[0].definedSize, 4);
  EXPECT_EQ(c[1].adoType, ado::kVarChar);
  EXPECT_EQ(c[1].definedSize, 10);
  EXPECT_EQ(c[2].adoType, ado::kLongVarChar);
  EXPECT_EQ(c[3].adoType, ado::kNumeric);
  EXPECT_EQ(c[4].adoType, ado::kDBTimeStamp);
  EXPECT_EQ(c[5].adoType, ado::kDBDate);
  EXPECT_EQ(c[6].adoType, ado::kVarChar);  // psqlODBC's BoolsAsChar, on by default
  EXPECT_EQ(c[7].adoType, ado::kBigInt);
  EXPECT_EQ(c[8].adoType, ado::kSmallInt);
  EXPECT_EQ(c[9].adoType, ado::kDouble);
  EXPECT_EQ(c[10].adoType, ado::kChar);
  EXPECT_EQ(c[10].definedSize, 3);
  const Rows rows = ReadAll(*s);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][6], "1");  // psqlODBC sends a bool as 1/0
  EXPECT_EQ(rows[0][10], "ab ");
}

TEST_F(Postgres, FailingStatementGivesSqlstateAndMessage) {
  const std::string text = ErrorOf([&] { conn_->Execute("select * from nope", 0); });
  EXPECT_EQ(text.rfind("42P01: ", 0), 0u) << text;
  EXPECT_NE(text.find("\"nope\" does not exist"), std::string::npos) << text;
  // A failure anywhere in a batch fails the whole call.
  EXPECT_THROW(conn_->Execute("select 1; select * from nope", 0), DbError);
  EXPECT_EQ(ReadAll(*conn_->Execute("select 2", 0)), (Rows{{"2"}}));
}

TEST_F(Postgres, RefusedLoginGivesTheDriverText) {
  const std::string text = ErrorOf([&] { Connect(ConnectionString("wrong"), options_); });
  EXPECT_NE(text.find("password authentication failed"), std::string::npos) << text;
  EXPECT_EQ(text.find("wrong"), std::string::npos) << "the password must not be echoed";
}

TEST_F(Postgres, LongStatementEndsWithTimeout) {
  const auto start = Clock::now();
  const std::string text = ErrorOf([&] { conn_->Execute("select pg_sleep(30)", 1); });
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(text.empty());
  // The next statement runs under its own time-out, not the last one's.
  EXPECT_EQ(ReadAll(*conn_->Execute("select pg_sleep(1.2)::text || '3'", 0)), (Rows{{"3"}}));
}

TEST_F(Postgres, ConnectionCancelFromAnotherThreadStopsExecute) {
  const auto start = Clock::now();
  auto canceller = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    conn_->Cancel();
  });
  const std::string text = ErrorOf([&] { conn_->Execute("select pg_sleep(30)", 0); });
  canceller.get();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(text.rfind("HY008", 0), 0u) << text;
  EXPECT_THROW(conn_->Execute("select 1", 0), DbError);
}

TEST_F(Postgres, StatementCancelEndsItsReading) {
  auto s = conn_->Execute("select generate_series(1, 10)", 0);
  Row row;
  ASSERT_TRUE(s->Fetch(row));
  s->Cancel();
  EXPECT_THROW(s->Fetch(row), DbError);
  EXPECT_EQ(ReadAll(*conn_->Execute("select 4", 0)), (Rows{{"4"}}));
}

TEST_F(Postgres, LoneSelectStreamsThroughACursor) {
  auto big = conn_->Execute("select g from generate_series(1, 20000) g", 0);
  Row row;
  ASSERT_TRUE(big->Fetch(row));
  EXPECT_EQ(ReadAll(*conn_->Execute(
                "select count(*) from pg_cursors where statement not like '%pg_cursors%'", 0)),
            (Rows{{"1"}}));
  EXPECT_EQ(ReadAll(*big).size(), 19999u);
}

TEST_F(Postgres, UpdateWhileACursorIsOpenIsCommitted) {
  auto other = Connect(ConnectionString(Env("QUARLO_TEST_PG_PASSWORD")), options_);
  RunAll(*other,
         "create table if not exists shared_counts(id int primary key, n int);"
         "insert into shared_counts values (pg_backend_pid(), 0)");
  const std::string id = ReadAll(*other->Execute("select pg_backend_pid()", 0))[0][0];
  auto open = conn_->Execute("select g from generate_series(1, 100000) g", 0);
  Row row;
  ASSERT_TRUE(open->Fetch(row));
  auto update = conn_->Execute("update shared_counts set n = n + 1 where id = " + id, 0);
  EXPECT_EQ(update->RowsAffected(), 1);
  // Seen from another connection while the cursor is still open.
  EXPECT_EQ(ReadAll(*other->Execute("select n from shared_counts where id = " + id, 0)),
            (Rows{{"1"}}));
  RunAll(*other, "delete from shared_counts where id = " + id);
}

TEST_F(Postgres, DataModifyingWithStatementsRun) {
  MakePeople();
  auto s = conn_->Execute(
      "with x as (insert into people values (4, '赵六', null) returning id) select * from x", 0);
  EXPECT_EQ(ReadAll(*s), (Rows{{"4"}}));
  auto s2 = conn_->Execute(
      "  WITH x AS (select 5 as id) insert into people select id, 'e', null from x", 0);
  EXPECT_EQ(s2->RowsAffected(), 1);
  EXPECT_EQ(ReadAll(*conn_->Execute("select count(*) from people", 0)), (Rows{{"5"}}));
}

TEST_F(Postgres, LoginTimeoutEndsAConnectThatGetsNoAnswer) {
  // A server that takes the connection and never answers.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
  ASSERT_EQ(listen(fd, 8), 0);
  ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  ScopedEnv port("PGPORT", std::to_string(ntohs(addr.sin_port)));
  options_.loginTimeoutSeconds = 1;
  const auto start = Clock::now();
  const std::string text =
      ErrorOf([&] { Connect(ConnectionString(Env("QUARLO_TEST_PG_PASSWORD")), options_); });
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(text.empty());
  close(fd);
}

}  // namespace
}  // namespace quarlopages::db
