// One fault at a time between the client library and quarlopages, and what the user is left
// with: PostgreSQL stopped in the middle of a walk, quarlopages restarted between two pages, a
// server that stops answering.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "PrivatePostgres.h"
#include "Site.h"
#include "quarlolink/QuarloApp.h"

namespace {

using quarlo::testing::Env;
using quarlolink::QuarloApp;
using quarlolink::XmlRecordset;
using quarlopages::testing::ServerProcess;
using Clock = std::chrono::steady_clock;

std::string Value(const std::shared_ptr<XmlRecordset>& rs, const char* column) {
  return rs->Fields()->Item(column)->Value();
}

// Walks `rs` to its end or its first failure, checking that row i carries id i. Returns the
// last id seen.
int WalkChecked(const std::shared_ptr<XmlRecordset>& rs, int from, int upTo = 1 << 30) {
  int id = from;
  while (!rs->Eof() && id < upTo) {
    EXPECT_EQ(Value(rs, "id"), std::to_string(id + 1)) << "a wrong row after row " << id;
    if (Value(rs, "id") != std::to_string(id + 1)) break;
    ++id;
    rs->MoveNext();
  }
  return id;
}

// SIGSTOP is delivered some time after kill() returns: waits until the process is stopped.
bool StopProcess(pid_t pid) {
  if (kill(pid, SIGSTOP) != 0) return false;
  for (int i = 0; i < 1000; ++i) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    auto close = text.rfind(')');
    if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'T') {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class ServerFaults : public ::testing::Test {
 protected:
  void StartPages(const std::vector<std::string>& extra = {},
                  const std::map<std::string, std::string>& env = {}) {
    site_.Start(app_->EncKey(), extra, env);
    app_->SetWebSite(site_.WebSite());
  }

  std::string Port() const {
    const std::string& url = server_->Url();
    auto colon = url.rfind(':');
    return url.substr(colon + 1, url.find('/', colon) - colon - 1);
  }

  void Login(const std::string& connectionString) {
    app_->Test();
    ASSERT_EQ(app_->OptStatus(), 0) << app_->OptString();
    app_->OpenConn(connectionString);
    ASSERT_EQ(app_->OptStatus(), 0) << app_->OptString();
  }

  quarlo::testing::Site site_;
  quarlo::testing::TempDir& map_ = site_.map;
  std::unique_ptr<ServerProcess>& server_ = site_.server;
  std::shared_ptr<QuarloApp> app_ = QuarloApp::Create();
};

constexpr const char* kSqliteConn = "driver={Microsoft Access Driver (*.mdb)};dbq=t.db;uid=;pwd=";

TEST_F(ServerFaults, PostgresStoppedMidWalkKeepsShownRowsAndRecoversAfterRestart) {
  if (Env("ODBCSYSINI").empty()) GTEST_SKIP() << "no ODBC driver list (tests/services/start)";
  quarlo::testing::PrivatePostgres pg;
  StartPages({}, {{"PGPORT", pg.Port()}});
  Login("driver={SQL Server};server=127.0.0.1;database=postgres;uid=tester;pwd=unused");

  auto rs = app_->Execute("select n as id, 'row ' || n as label from generate_series(1, 300) n");
  ASSERT_NE(rs, nullptr) << app_->OptString();
  int seen = WalkChecked(rs, 0, 60);
  ASSERT_EQ(seen, 60);

  pg.Stop();
  // The rest of the walk either comes whole (read before the stop) or ends with a status.
  seen = WalkChecked(rs, seen);
  RecordProperty("rows_after_stop", seen);
  if (seen < 300) {
    EXPECT_NE(rs->OptStatus(), 0);
    EXPECT_FALSE(rs->OptString().empty());
  }
  // A statement while the database is down fails with a status and a text, quickly.
  auto started = Clock::now();
  EXPECT_EQ(app_->Execute("select 1 as one"), nullptr);
  EXPECT_NE(app_->OptStatus(), 0);
  EXPECT_FALSE(app_->OptString().empty());
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(30));
  RecordProperty("status_while_down", app_->OptString());

  pg.Start();
  auto after = app_->Execute("select 2 as two");
  ASSERT_NE(after, nullptr) << app_->OptString();
  EXPECT_EQ(Value(after, "two"), "2");
}

TEST_F(ServerFaults, PagesRestartedBetweenPagesNeverGivesWrongRows) {
  quarlopages::testing::MakeSqliteFile(map_ / "t.db", quarlopages::testing::NumberedRows(200));
  StartPages();
  Login(kSqliteConn);
  auto rs = app_->Execute("select id, name from t order by id");
  ASSERT_NE(rs, nullptr) << app_->OptString();
  int seen = WalkChecked(rs, 0, 30);  // two batches of 25 fetched
  ASSERT_EQ(seen, 30);

  std::string port = Port();
  server_->Stop();
  StartPages({"--port", port});
  ASSERT_EQ(Port(), port);

  // The new server has no session: the library opens again by itself; the statement cannot be
  // resumed there, so the walk either goes on with the right rows or stops with a status.
  seen = WalkChecked(rs, seen);
  RecordProperty("rows_after_restart", seen);
  RecordProperty("walk_status", rs->OptString());
  if (seen < 200) {
    EXPECT_NE(rs->OptStatus(), 0);
    EXPECT_FALSE(rs->OptString().empty());
    EXPECT_TRUE(rs->Eof());
  }
  auto again = app_->Execute("select count(*) as c from t");
  ASSERT_NE(again, nullptr) << app_->OptString();
  EXPECT_EQ(Value(again, "c"), "200");
}

TEST_F(ServerFaults, ServerThatStopsAnsweringTimesOutWithinTheCommandTimeout) {
  quarlopages::testing::MakeSqliteFile(map_ / "t.db", quarlopages::testing::NumberedRows(10));
  StartPages();
  Login(kSqliteConn);
  app_->SetCommandTimeout(2);

  ASSERT_TRUE(StopProcess(server_->Pid()));
  auto started = Clock::now();
  auto rs = app_->Execute("select id from t");
  auto took = Clock::now() - started;
  kill(server_->Pid(), SIGCONT);

  RecordProperty(
      "timed_out_after_ms",
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
  RecordProperty("timeout_status", app_->OptString());
  EXPECT_EQ(rs, nullptr);
  EXPECT_NE(app_->OptStatus(), 0);
  EXPECT_FALSE(app_->OptString().empty());
  EXPECT_GE(took, std::chrono::milliseconds(1900));
  EXPECT_LT(took, std::chrono::seconds(5));

  // Once it answers again, so does the connection.
  auto after = app_->Execute("select count(*) as c from t");
  ASSERT_NE(after, nullptr) << app_->OptString();
  EXPECT_EQ(Value(after, "c"), "10");
}

}  // namespace
