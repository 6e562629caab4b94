// One fault at a time between the client library and quarlopages, and what the user is left
// with: PostgreSQL stopped in the middle of a walk, quarlopages restarted between two pages, a
// server that stops answering.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <thread>

#include "PrivatePostgres.h"
#include "Site.h"
#include "quarlolink/QuarloApp.h"

namespace {

using namespace quarlo::testing;
using quarlolink::XmlRecordset;

std::string Value(const std::shared_ptr<XmlRecordset>& rs, const char* column) {
  return rs->Fields()->Item(column)->Value();
}

// Walks `rs` from row `id` to row `upTo`, checking that row i carries id i; a walk that ends
// sooner must end with a status. Returns the last id seen.
int WalkChecked(const std::shared_ptr<XmlRecordset>& rs, int id, int upTo) {
  for (; !rs->Eof() && id < upTo; ++id, rs->MoveNext()) {
    if (Value(rs, "id") != std::to_string(id + 1)) {
      ADD_FAILURE() << "a wrong row after row " << id;
      break;
    }
  }
  if (id < upTo) {
    EXPECT_NE(rs->OptStatus(), 0);
    EXPECT_FALSE(rs->OptString().empty());
    EXPECT_TRUE(rs->Eof());
  }
  return id;
}

class ServerFaults : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& extra = {},
             const std::map<std::string, std::string>& env = {}) {
    site_.Start(app_->EncKey(), extra, env);
    app_->SetWebSite(site_.WebSite());
  }
  void StartOnSqlite(int rows) {
    quarlopages::testing::MakeSqliteFile(site_.map / "t.db",
                                         quarlopages::testing::NumberedRows(rows));
    Start();
    Login("driver={Microsoft Access Driver (*.mdb)};dbq=t.db;uid=;pwd=");
  }
  void Login(const std::string& connectionString) {
    app_->Test();
    ASSERT_EQ(app_->OptStatus(), 0) << app_->OptString();
    app_->OpenConn(connectionString);
    ASSERT_EQ(app_->OptStatus(), 0) << app_->OptString();
  }
  std::string Count() {
    auto rs = app_->Execute("select count(*) as c from t");
    return rs ? Value(rs, "c") : app_->OptString();
  }

  Site site_;
  std::shared_ptr<quarlolink::QuarloApp> app_ = quarlolink::QuarloApp::Create();
};

TEST_F(ServerFaults, PostgresStoppedMidWalkKeepsShownRowsAndRecoversAfterRestart) {
  if (Env("ODBCSYSINI").empty()) GTEST_SKIP() << "no ODBC driver list (tests/services/start)";
  PrivatePostgres pg;
  Start({}, {{"PGPORT", pg.Port()}});
  Login("driver={SQL Server};server=127.0.0.1;database=postgres;uid=tester;pwd=unused");
  auto rs = app_->Execute("select n as id, 'row ' || n as label from generate_series(1, 300) n");
  ASSERT_NE(rs, nullptr) << app_->OptString();
  ASSERT_EQ(WalkChecked(rs, 0, 60), 60);
  pg.Stop();
  WalkChecked(rs, 60, 300);
  // A statement while the database is down fails with a status and a text.
  EXPECT_EQ(app_->Execute("select 1 as one"), nullptr);
  EXPECT_NE(app_->OptStatus(), 0);
  EXPECT_FALSE(app_->OptString().empty());
  pg.Start();
  auto after = app_->Execute("select 2 as two");
  ASSERT_NE(after, nullptr) << app_->OptString();
  EXPECT_EQ(Value(after, "two"), "2");
}

// The new server has no session: the library opens again by itself; the statement cannot be
// resumed there, so the walk either goes on with the right rows or stops with a status.
TEST_F(ServerFaults, PagesRestartedBetweenPagesNeverGivesWrongRows) {
  StartOnSqlite(200);
  auto rs = app_->Execute("select id, name from t order by id");
  ASSERT_NE(rs, nullptr) << app_->OptString();
  ASSERT_EQ(WalkChecked(rs, 0, 30), 30);  // two batches of 25 fetched
  const std::string url = site_.server->Url();
  const std::string port = url.substr(url.rfind(':') + 1, url.find('/', 8) - url.rfind(':') - 1);
  site_.server->Stop();
  Start({"--port", port});
  ASSERT_EQ(site_.server->Url(), url);
  WalkChecked(rs, 30, 200);
  EXPECT_EQ(Count(), "200");
}

// A stopped server: the statement ends as timed out, and once it answers again so does the
// connection.
TEST_F(ServerFaults, ServerThatStopsAnsweringTimesOutByTheCommandTimeout) {
  StartOnSqlite(10);
  app_->SetCommandTimeout(2);
  const pid_t pid = site_.server->Pid();
  ASSERT_EQ(kill(pid, SIGSTOP), 0);
  // SIGSTOP is delivered some time after kill() returns: wait until the process is stopped.
  std::string stat;
  for (int i = 0; i < 1000 && stat.find(") T") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::getline(in, stat);
  }
  ASSERT_NE(stat.find(") T"), std::string::npos) << stat;
  auto rs = app_->Execute("select id from t");
  kill(pid, SIGCONT);
  EXPECT_EQ(rs, nullptr);
  EXPECT_NE(app_->OptStatus(), 0);
  EXPECT_EQ(app_->OptString(), "运行超时!");
  EXPECT_EQ(Count(), "10");
}

}  // namespace
