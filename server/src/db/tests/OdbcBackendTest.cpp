#include "db/OdbcBackend.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Backends.h"
#include "DbTestUtil.h"
#include "TempDir.h"
#include "db/Backend.h"

namespace quarlopages::db {
namespace {

using testing::ErrorOf;
using testing::ReadAll;
using testing::RunAll;
using Rows = std::vector<std::vector<std::string>>;
using quarlo::testing::Db;
using quarlo::testing::ScopedEnv;

TEST(OdbcBackend, UnknownDriverNameGivesTheDriverManagerText) {
  const std::string text = ErrorOf([] { Connect("driver={No Such Driver};server=x", {}); });
  EXPECT_NE(text.find("[unixODBC][Driver Manager]"), std::string::npos) << text;
}

// What only PostgreSQL through psqlODBC shows: its cursors and login time-out; the rules both
// backends share are in BackendTest.cpp.
class Postgres : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!quarlo::testing::Available(Db::Postgres)) GTEST_SKIP() << "no PostgreSQL test service";
    conn_ = Connect(ConnectionString(), options_);
  }
  static std::string ConnectionString() { return quarlo::testing::LoginString(Db::Postgres); }

  ConnectOptions options_;
  std::unique_ptr<Connection> conn_;
};

// An update while a cursor is open is committed at once, and data-modifying WITH statements
// run (the driver would wrap them in a cursor).
TEST_F(Postgres, UpdatesAndWithStatementsBesideAnOpenCursor) {
  auto other = Connect(ConnectionString(), options_);
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

  RunAll(*conn_, "create temp table people(id int primary key)");
  EXPECT_EQ(ReadAll(*conn_->Execute(
                "with x as (insert into people values (4) returning id) select * from x", 0)),
            (Rows{{"4"}}));
  EXPECT_EQ(conn_->Execute("  WITH x AS (select 5 as id) insert into people select id from x", 0)
                ->RowsAffected(),
            1);
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
  EXPECT_FALSE(ErrorOf([&] { Connect(ConnectionString(), options_); }).empty());
  close(fd);
}

}  // namespace
}  // namespace quarlopages::db
