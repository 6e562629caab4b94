// A lone statement read a page at a time from its open cursor, on SQLite and PostgreSQL: how far
// it was read (the log's "read=N"), what holds the database meanwhile, when that ends, and that
// a result larger than the server's memory is walked to its end.
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "EndToEndFixture.h"
#include "db/Backend.h"

namespace quarlopages {
namespace {

using namespace quarlopages::testing;
using namespace std::chrono_literals;

// About 40 MB of rows on SQLite, more than the server may hold in memory; fewer on PostgreSQL,
// whose driver reads slowly (and may hold a result of its own).
constexpr int kSqliteRows = 200000, kPostgresRows = 100000;

[[maybe_unused]] long PeakMemoryKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

class Streaming : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    if (IsSkipped()) return;
    if (GetParam() == Db::Sqlite) {
      // A table, so that the open statement holds the file's read lock as a cursor holds a
      // transaction in PostgreSQL.
      MakeSqliteFile(map_ / "test.db",
                     "create table big as with recursive n(i) as (select 1 union all select i + 1 "
                     "from n where i < " +
                         std::to_string(kSqliteRows) +
                         ") select i as id, printf('%0200d', i) as pad from n");
    }
  }

  void LoginAndFindBackend() {
    Login();
    okAnswers_ += GetParam() == Db::Postgres ? 1 : 0;  // Login's own batch
    if (GetParam() == Db::Postgres) backendPid_ = Page("select pg_backend_pid()").rows.at(0).at(0);
  }

  // Rows 1..n with a 200-character value each.
  int BigRows() const { return GetParam() == Db::Sqlite ? kSqliteRows : kPostgresRows; }
  std::string Big(int rows = 0) {
    rows = rows ? rows : BigRows();
    return GetParam() == Db::Sqlite
               ? "select id, pad from big where id <= " + std::to_string(rows) + " order by id"
               : "select g as id, lpad(g::text, 200, '0') as pad from generate_series(1, " +
                     std::to_string(rows) + ") g";
  }

  // Exec, and once its log line is written, how many rows of its result the server has read.
  ParsedAnswer Page(const std::string& sql, const ExecuteParams& p = {}) {
    ParsedAnswer a = Exec(sql, p, p.noHead ? 2 : 0);
    if (a.ok) ++okAnswers_;
    std::string log;
    for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(10ms)) {
      log = server_->Stderr();
      size_t seen = 0;
      for (size_t at = 0; (at = log.find(" OK read=", at)) != std::string::npos; ++at) ++seen;
      if (seen >= okAnswers_) break;
    }
    size_t at = log.rfind(" OK read=");
    read_ = at == std::string::npos ? -1 : std::atoll(log.c_str() + at + 9);
    return a;
  }

  // Whether an open statement of the server holds the database: the SQLite file's read lock, or
  // PostgreSQL's backend idle inside a transaction.
  bool DatabaseHeld() {
    if (GetParam() == Db::Sqlite) {
      sqlite3* db = nullptr;
      sqlite3_open((map_ / "test.db").c_str(), &db);
      const int rc = sqlite3_exec(db, "begin exclusive; rollback", nullptr, nullptr, nullptr);
      sqlite3_close(db);
      return rc == SQLITE_BUSY;
    }
    if (!observer_) observer_ = db::Connect(ConnectionString(), {});
    auto s = observer_->Execute("select state from pg_stat_activity where pid = " + backendPid_, 0);
    db::Row row;
    return s->Fetch(row) && row.at(0) == "idle in transaction";
  }
  bool HeldWithin(std::chrono::seconds limit, bool held) {
    for (auto until = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(50ms)) {
      if (DatabaseHeld() == held) return true;
    }
    return false;
  }

  size_t okAnswers_ = 0;
  int64_t read_ = -1;
  std::string backendPid_;
  std::unique_ptr<db::Connection> observer_;
};

INSTANTIATE_TEST_SUITE_P(Backends, Streaming, ::testing::Values(Db::Sqlite, Db::Postgres),
                         BackendName);

// A walk under a 1 MB spool: pages read ahead only as far as asked, recent pages from the spool,
// older ones refused, the end, and a batch read whole at once.
TEST_P(Streaming, AWalkReadsOnlyAsFarAsItsPagesAndABatchIsReadWhole) {
  Start({"--max-spool-mb", "1"});
  LoginAndFindBackend();
  const std::string sql = Big();
  const int all = BigRows();
  auto first = Page(sql);
  ASSERT_TRUE(first.ok) << first.text.substr(0, 300);
  EXPECT_EQ(std::tuple(first.rows.size(), first.eof, first.isNextRecordset),
            std::tuple(25u, "False", "False"));
  EXPECT_EQ(read_, 26);  // one row ahead, so that EOF is exact
  EXPECT_TRUE(DatabaseHeld());

  struct Step {
    const char* name;
    int rowsPerComm, moveRows;
    int64_t readAfter;
    const char* eof;  // nullptr: the page is no longer kept
  } steps[] = {
      {"forward past the driver's fetches, another RowsPerComm", 100, 2500, 2601, "False"},
      {"back to the start, from the spool", 10, 0, 2601, "False"},
      {"past the 1 MB the session may keep", 1000, 10000, 11001, "False"},
      {"a recent page, from the spool", 1000, 9500, 11001, "False"},
      {"the first page, dropped", 25, 0, 11001, nullptr},
      {"the last rows", 5000, all - 10, all, "True"},
      {"back again after the end", 25, all - 2500, all, "False"},
  };
  for (const Step& s : steps) {
    auto page = Page(sql, {.rowsPerComm = s.rowsPerComm, .moveRows = s.moveRows, .noHead = true});
    if (!s.eof) {
      EXPECT_EQ(page.text,
                "第 1 行起的这一页已不在服务器上：结果太大，服务器只保留最近读过的 1 MB "
                "行数据，更早的页已经删除。请重新执行语句");
      continue;
    }
    ASSERT_TRUE(page.ok) << s.name << ": " << page.text.substr(0, 300);
    ASSERT_FALSE(page.rows.empty()) << s.name;
    EXPECT_EQ(page.rows.size(), static_cast<size_t>(std::min(s.rowsPerComm, all - s.moveRows)))
        << s.name;
    EXPECT_EQ(page.rows[0][0], std::to_string(s.moveRows + 1)) << s.name;
    EXPECT_EQ(read_, s.readAfter) << s.name;
    EXPECT_EQ(page.eof, s.eof) << s.name;
  }
  // Read to its end, the statement has let go of the database.
  EXPECT_FALSE(DatabaseHeld());
#if !defined(__SANITIZE_ADDRESS__)
  // The driver may buffer a result of its own; the built-in backend streams.
  if (GetParam() == Db::Sqlite) {
    EXPECT_LT(PeakMemoryKiB(server_->Pid()), 32 * 1024);
  }
#endif

  // A batch of two statements is read whole at once.
  const std::string batch = Big(3000) + "; select 'second' as v";
  auto whole = Page(batch);
  ASSERT_TRUE(whole.ok) << whole.text.substr(0, 300);
  EXPECT_EQ(whole.isNextRecordset, "True");
  EXPECT_EQ(read_, 3000);
  EXPECT_FALSE(DatabaseHeld());
  EXPECT_EQ(Page(batch, {.beginRecordset = 2}).rows.at(0).at(0), "second");
}

// The open cursor is closed by a new statement, the session's end, the server's stop, and, under
// a server started again, by idleness (the rows read stay).
TEST_P(Streaming, TheCursorClosesWithANewStatementTheSessionsEndTheStopAndIdleness) {
  Start({"--session-timeout", "2"});
  LoginAndFindBackend();
  const std::string sql = Big();
  ASSERT_TRUE(Page(sql).ok);
  EXPECT_TRUE(DatabaseHeld());
  EXPECT_EQ(Page("select 'next' as v").rows.at(0).at(0), "next");
  EXPECT_FALSE(DatabaseHeld());
  ASSERT_TRUE(Page(sql).ok);
  EXPECT_TRUE(DatabaseHeld());
  EXPECT_TRUE(HeldWithin(10s, false)) << "the expired session kept its cursor";
  EXPECT_EQ(Exec(sql, {.moveRows = 25, .noHead = true}).text, "SessionTimeout");
  LoginAndFindBackend();
  ASSERT_TRUE(Page(sql).ok);
  EXPECT_TRUE(DatabaseHeld());
  EXPECT_EQ(server_->Stop(), 0);
  EXPECT_FALSE(DatabaseHeld());

  Start({"--cursor-timeout", "1"});
  okAnswers_ = 0;  // a new log
  LoginAndFindBackend();
  ASSERT_TRUE(Page(sql).ok);
  EXPECT_TRUE(HeldWithin(10s, false)) << "the idle cursor stayed open";
  auto again = Page(sql, {.moveRows = 0, .noHead = true});
  EXPECT_EQ(again.rows.size(), 25u) << again.text.substr(0, 300);
  EXPECT_EQ(Page(sql, {.moveRows = 25, .noHead = true}).text,
            "这条语句的游标空闲超过 1 秒，服务器已经把它关闭（已读的前 26 "
            "行仍可翻看）；要看后面的行，请重新执行语句");
  EXPECT_EQ(Page("select 'fresh' as v").rows.at(0).at(0), "fresh");
}

// The client's stop, asked again until it reaches what runs, ends a statement running on the
// database and then a page being read from an open cursor; after each the session goes on.
TEST_P(Streaming, StopEndsTheRunningStatementAndAPageReadFromTheCursor) {
  const bool sqlite = GetParam() == Db::Sqlite;
  auto stopWhileRunning = [&](const std::string& query) {
    std::string stopped;
    std::thread running([&] {
      HttpClient same;
      same.SetCookie(client_.Cookie());
      try {
        stopped = Text(same.Get(server_->Url() + kExecute + query));
      } catch (const std::exception& e) {
        stopped = e.what();
      }
    });
    std::string answer;
    for (int i = 0; i < 1000 && (answer = OpenPage("?Opt=3")) != "OK"; ++i) {
      std::this_thread::sleep_for(10ms);
    }
    running.join();
    EXPECT_EQ(answer, "OK");
    return stopped;
  };
  const std::string byDatabase = sqlite ? "SQLite: interrupted" : "57014: ";
  LoginAndFindBackend();
  EXPECT_EQ(OpenPage("?Opt=3"), "这个会话现在没有正在执行的语句");
  const std::string stopped = stopWhileRunning(ExecuteQuery(
      sqlite ? "with recursive c(x) as (select 1 union all select x + 1 from c where x < "
               "1000000000) select count(*) from c"
             : "select pg_sleep(30)"));
  EXPECT_EQ(stopped.rfind(byDatabase, 0), 0u) << stopped;
  EXPECT_EQ(Page("select 'next' as v").rows.at(0).at(0), "next");

  // The first 1,000 rows come at once, every later one slowly.
  const std::string sql =
      sqlite
          ? "with recursive c(x) as (select 1 union all select x + 1 from c where x < 4000000000) "
            "select x from c where x <= 1000 or x % 2000000000 = 0"
          : "select g, case when g > 1000 then pg_sleep(0.05) end as s "
            "from generate_series(1, 100000) g";
  ASSERT_TRUE(Page(sql).ok);
  const std::string read =
      stopWhileRunning(ExecuteQuery(sql, {.rowsPerComm = 100, .moveRows = 975, .noHead = true}));
  // The database's text when the stop reached it in the slow fetch, the row loop's when it came
  // between rows.
  EXPECT_TRUE(read.rfind(byDatabase, 0) == 0 || read == db::kCancelledText) << read.substr(0, 300);
  EXPECT_EQ(Page("select 'again' as v").rows.at(0).at(0), "again");
  client_.DropCookies();
  EXPECT_EQ(OpenPage("?Opt=3"), "没有找到会话（可能已经过期），没有可以停止的语句");
}

}  // namespace
}  // namespace quarlopages
