// The real quarlopages program spoken to over HTTP (the loopback site of Site.h), relaying to
// SQLite files through the built-in backend and to PostgreSQL through unixODBC under the driver
// name "SQL Server"; and a lone statement read a page at a time from its open cursor: how far it
// was read (the log's "read=N"), what holds the database meanwhile, and when that ends.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <latch>
#include <memory>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "HttpClient.h"
#include "ProtocolText.h"
#include "Site.h"
#include "db/Backend.h"
#include "kokit/Codepage.h"

namespace quarlopages::testing {
namespace {

using namespace std::chrono_literals;
using quarlo::testing::BackendName;
using quarlo::testing::Db;

constexpr const char* kKey = "e2e shared key";
constexpr const char* kOpen = "/quarlo/quarloopen.asp";
constexpr const char* kExecute = "/quarlo/quarloexecute.asp";

class EndToEnd : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    if (!quarlo::testing::Available(GetParam())) {
      GTEST_SKIP() << "QUARLO_TEST_PGPORT is not set: no PostgreSQL for this run";
    }
    Start({});
  }

  void Start(const std::vector<std::string>& extra) { site_.Start(kKey, extra); }
  std::string ConnectionString(const std::string& password = "") {
    return site_.ConnectionString(password);
  }

  std::string Text(const HttpAnswer& a) { return kokit::FromLegacy(a.body); }
  HttpAnswer Raw(const std::string& path, const std::string& query) {
    return client_.Get(server_->Url() + path + query);
  }
  std::string OpenPage(const std::string& query) { return Text(Raw(kOpen, query)); }

  std::string KeyCheck(const std::string& key = kKey) {
    return Element(OpenPage(KeyCheckQuery(key)), "EncKey");
  }
  // Opens the connection and, for PostgreSQL, makes the same tables the SQLite file has.
  void Login() {
    ASSERT_EQ(OpenPage(OpenQuery(ConnectionString(), KeyCheck())), "OK");
    if (GetParam() == Db::Postgres) {
      auto a = Exec(
          "create temp table t(id integer primary key, name varchar(20), note varchar(40)); "
          "insert into t select g, 'name' || g, 'note ' || g || '   ' "
          "from generate_series(1, 60) g; "
          "create temp table counter(n integer); insert into counter values (0)");
      ASSERT_TRUE(a.ok) << a.text;
    }
  }
  ParsedAnswer Exec(const std::string& sql, const ExecuteParams& p = {}, size_t columns = 0) {
    return ParseAnswer(Text(Raw(kExecute, ExecuteQuery(sql, p))), columns);
  }

  quarlo::testing::Site site_{GetParam()};
  quarlo::testing::TempDir& map_ = site_.map;
  quarlo::testing::TempDir& spool_ = site_.spool;
  std::unique_ptr<ServerProcess>& server_ = site_.server;
  HttpClient client_;
};

INSTANTIATE_TEST_SUITE_P(Backends, EndToEnd, ::testing::Values(Db::Sqlite, Db::Postgres),
                         BackendName);

// Server-Timing's parts add up to "total"; a page read before costs the database nothing.
TEST_P(EndToEnd, AClientFromKeyCheckToPagedBatchesUpdatesAndTimings) {
  const std::regex form(
      "Server-Timing: db;dur=(\\d+\\.\\d{3}), rows;dur=(\\d+\\.\\d{3}), "
      "write;dur=(\\d+\\.\\d{3}), total;dur=(\\d+\\.\\d{3})\r\n");
  auto figures = [&form](const HttpAnswer& a) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(a.headers, m, form)) << a.headers;
    std::vector<double> f;
    for (size_t i = 1; i < m.size(); ++i) f.push_back(std::stod(m[i]));
    if (f.size() == 4) {
      EXPECT_NEAR(f[0] + f[1] + f[2], f[3], 0.0021);
    }
    return f;
  };

  std::string bad = GetParam() == Db::Sqlite
                        ? "driver={Microsoft Access Driver (*.mdb)};dbq=missing.db;uid=;pwd="
                        : ConnectionString("not the password");
  std::string refused = OpenPage(OpenQuery(bad, KeyCheck()));
  EXPECT_NE(refused.find(GetParam() == Db::Sqlite ? "missing.db" : "password"), std::string::npos)
      << refused;
  EXPECT_EQ(refused.find("not the password"), std::string::npos) << "the password is echoed";
  EXPECT_FALSE(std::filesystem::exists(map_ / "missing.db"));

  Login();
  const std::string updateThenSelect = "update counter set n = n + 1; select id from t order by id";
  auto counted = Exec(updateThenSelect);
  EXPECT_EQ(std::tie(counted.recordsAffected, counted.isNextRecordset), std::tuple("1", "True"))
      << counted.text;
  ASSERT_EQ(Exec(updateThenSelect, {.beginRecordset = 2}).rows.size(), 25u);
  for (int move : {25, 50, 25, 0, 50}) {
    auto page = Exec(updateThenSelect, {.beginRecordset = 2, .moveRows = move, .noHead = true}, 1);
    ASSERT_FALSE(page.rows.empty()) << page.text;
    EXPECT_EQ(std::tuple(page.rows[0][0], page.rows.size(), page.eof),
              std::tuple(std::to_string(move + 1), move == 50 ? 10u : 25u,
                         move == 50 ? "True" : "False"));
  }
  EXPECT_EQ(Exec("select n from counter").rows.at(0).at(0), "1");

  const std::string cross = "select a.id, b.name from t a, t b order by a.id, b.id";
  auto timed = figures(Raw(kExecute, ExecuteQuery(cross)));
  ASSERT_EQ(timed.size(), 4u);
  EXPECT_GT(timed[0], 0);  // the database's share of 3,600 rows
  EXPECT_GT(timed[1], 0);  // spooled and read back
  auto back = figures(Raw(kExecute, ExecuteQuery(cross, {.moveRows = 0, .noHead = true})));
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[0], 0);  // a page read before comes from the spool
}

class SlowStatements : public EndToEnd {};
INSTANTIATE_TEST_SUITE_P(Backends, SlowStatements, ::testing::Values(Db::Postgres), BackendName);

TEST_P(SlowStatements, PastTheCommandTimeoutAndStoppedWhileRunning) {
  ASSERT_EQ(OpenPage(OpenQuery(ConnectionString(), KeyCheck(), 1)), "OK");
  auto a = Exec("select pg_sleep(5)");
  EXPECT_TRUE(!a.ok && !a.text.empty() && a.text != "SessionTimeout") << a.text;
  EXPECT_TRUE(Exec("select 1 as one").ok);

  Login();  // without the time-out
  std::thread running([this] {
    HttpClient same;
    same.SetCookie(client_.Cookie());
    try {
      same.Get(server_->Url() + kExecute + ExecuteQuery("select pg_sleep(60)"));
    } catch (const std::exception&) {
      // The answer may be cut off by the stop; the exit status is what counts.
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(server_->Stop(), 0);  // -1 had it waited 30 s for the statement
  running.join();
  EXPECT_TRUE(std::filesystem::is_empty(spool_.path()));
}

class Program : public EndToEnd {};
INSTANTIATE_TEST_SUITE_P(Backends, Program, ::testing::Values(Db::Sqlite), BackendName);

TEST_P(Program, OneRunFromRefusedKeysThroughEdgeResultsToTheCapAndSigterm) {
  std::filesystem::create_directories(map_ / "data");
  MakeSqliteFile(map_ / "data" / "test.db", NumberedRows(60));
  Start({"--max-sessions", "2", "--max-rows", "100", "--max-spool-mb", "1", "--max-sql-kb", "4"});
  const std::string access = "driver={Microsoft Access Driver (*.mdb)};dbq=";
  const std::string refused = "密钥验证失败：客户端的密钥与服务器的 ENC_KEY 不一致";
  const std::string badOpt = "参数 Opt 缺少或无法识别（应为 0、1、2 或 3）";
  const std::pair<std::string, std::string> refusals[] = {
      {KeyCheckQuery("not the key"), refused},
      {"?Opt=4", badOpt},
      {"", badOpt},
      {OpenQuery(access + "data/test.db;", "x"), "请先通过密钥验证（Opt=0）再打开数据库连接"}};
  for (const auto& [query, answer] : refusals) EXPECT_EQ(OpenPage(query), answer) << query;
  HttpAnswer head = client_.Head(server_->Url() + kOpen + KeyCheckQuery(kKey));
  EXPECT_EQ(head.status, 200);
  EXPECT_TRUE(head.body.empty());
  EXPECT_EQ(head.headers.find("Set-Cookie"), std::string::npos);
  EXPECT_EQ(client_.Head(server_->Url() + "/elsewhere").status, 404);

  HttpAnswer check = Raw(kOpen, KeyCheckQuery(kKey));
  EXPECT_NE(check.headers.find("Set-Cookie: QuarloSession="), std::string::npos);
  EXPECT_NE(check.headers.find("HttpOnly"), std::string::npos);
  const std::string answer = Text(check);
  ASSERT_EQ(answer.substr(0, 2), "OK");
  const std::string key = Element(answer, "EncKey");
  EXPECT_EQ(Element(answer, "MapPath"), map_.path().string());
  const std::string cookie = client_.Cookie();
  // A second check keeps the session and issues a fresh key.
  EXPECT_NE(KeyCheck(), key);
  EXPECT_EQ(client_.Cookie(), cookie);
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  EXPECT_EQ(OpenPage(OpenQuery(access + "data/test.db;", "stale key")),
            "连接字符串无法解密：请重新进行密钥验证后再打开连接");
  auto login = [&](const std::string& dbq) {
    return OpenPage(OpenQuery(access + dbq, KeyCheck()));
  };
  EXPECT_NE(login("data\\tset.db;").find("tset.db"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(map_ / "data" / "tset.db"));
  EXPECT_EQ(login("data\\test.db;uid=;pwd="), "OK");
  HttpAnswer close = Raw(kOpen, "?Opt=2");
  EXPECT_EQ(Text(close), "OK");
  EXPECT_EQ(close.newConnections, 0);
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  ASSERT_EQ(login((map_ / "data" / "test.db").string() + ";"), "OK");

  // A later page is never run as a statement: neither without one in the session nor in place
  // of the session's current one.
  auto laterPage = [&] {
    return Exec("update counter set n = n + 1; select id from t",
                {.beginRecordset = 2, .moveRows = 25, .noHead = true}, 1)
        .text;
  };
  EXPECT_NE(laterPage().find("请重新执行语句"), std::string::npos);
  // 0x81 leads a character, and "'" cannot end one.
  EXPECT_EQ(Text(Raw(kExecute,
                     "?SQL=" + PercentEncodeBytes("update counter set n = 1 where '\x81' <> ''") +
                         "&RowsPerComm=25")),
            "语句的第 33 个字节不是代码页 GB18030 的字符，语句没有执行");
  EXPECT_EQ(Exec("select n from counter").rows.at(0)[0], "0");
  EXPECT_NE(laterPage().find("请重新执行语句"), std::string::npos);
  EXPECT_EQ(Exec("select n from counter").rows.at(0)[0], "0");
  // "select 1+2" with the "+" written as itself, as no client does, still adds.
  auto plus = ParseAnswer(Text(Raw(kExecute, "?SQL=%73%65%6C%65%63%74%20%31+%32&RowsPerComm=25")));
  EXPECT_EQ(plus.rows.at(0).at(0), "3");

  const std::string batch = "select 1 as a; select 'x' as b, 2 as c";
  ASSERT_EQ(Exec(batch).isNextRecordset, "True");
  auto second = Exec(batch, {.beginRecordset = 2});
  EXPECT_EQ(second.isNextRecordset, "False");
  EXPECT_EQ(second.rows.at(0), (std::vector<std::string>{"x", "2"}));
  // The first result set is gone; the statement is not run again for it.
  auto earlier = Exec(batch, {.beginRecordset = 1, .noHead = true});
  EXPECT_NE(earlier.text.find("第 1 个结果集已经读过"), std::string::npos) << earlier.text;
  auto missing = Exec(batch, {.beginRecordset = 3});
  EXPECT_NE(missing.text.find("没有第 3 个结果集"), std::string::npos) << missing.text;

  const std::string rowsRange = "RowsPerComm 必须在 1 到 100 之间";
  struct Case {
    const char* name;
    std::string query;
    std::string answer;
  } cases[] = {
      {"too many rows", ExecuteQuery("select 1", {.rowsPerComm = 101}), rowsRange},
      {"empty", ExecuteQuery(""), "没有要执行的 SQL 语句"},
      {"negative move", ExecuteQuery("select 1", {.moveRows = -1, .noHead = true}),
       "MoveRows 不能是负数"},
      {"rows not a number", "?SQL=%41&RowsPerComm=x", "参数 RowsPerComm 必须是整数"},
      {"bad escape", "?SQL=%7&RowsPerComm=25",
       "请求参数中有错误的百分号编码（\"%\" 后必须是两位十六进制数字）"},
      {"too long", ExecuteQuery("select '" + std::string(5000, 'z') + "'"),
       "语句太长（5009 字节），服务器最多接受 4096 字节"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(Raw(kExecute, c.query)), c.answer) << c.name;
  // Far past the limit the request line does not fit the connection at all.
  EXPECT_EQ(Raw(kExecute, ExecuteQuery(std::string(100000, 'z'))).status, 414);
  EXPECT_EQ(Text(HttpClient().Get(server_->Url() + kOpen + "?Opt=2")), "OK");

  // A batch is read whole at once (about 4 MB here); a lone statement would drop its oldest
  // pages instead.
  auto big = Exec(
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
      "select printf('%0200d', i) as pad from n; select 1");
  EXPECT_NE(big.text.find("结果太大"), std::string::npos) << big.text.substr(0, 300);
  ASSERT_TRUE(Exec("select 'SECRET_SQL_MARKER' as v").ok);
  EXPECT_FALSE(std::filesystem::is_empty(spool_.path()));

  HttpClient().Get(server_->Url() + kOpen + KeyCheckQuery(kKey));  // a second session
  EXPECT_EQ(Text(HttpClient().Get(server_->Url() + kOpen + KeyCheckQuery(kKey))),
            "服务器的会话数已达上限（2），请稍后再试");

  EXPECT_EQ(server_->Stop(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(spool_.path()));
  // Every log line is written once the program has stopped.
  const std::string log = server_->Stderr();
  for (const char* hidden : {"SECRET_SQL_MARKER", "test.db", kKey})
    EXPECT_EQ(log.find(hidden), std::string::npos) << hidden;
  for (std::string seen :
       {"open.asp Opt=0 200 OK", "open.asp Opt=1 200 OK", "execute.asp sql=31B 200 OK"})
    EXPECT_NE(log.find("/quarlo/quarlo" + seen), std::string::npos) << log;
}

TEST_P(Program, AnyPathHttpsAndTheManual) {
  quarlo::testing::TempDir outside;
  MakeSqliteFile(outside / "other.db", NumberedRows(3));
  const std::string login =
      "driver={Microsoft Access Driver (*.mdb)};dbq=" + (outside / "other.db").string() + ";";
  EXPECT_NE(OpenPage(OpenQuery(login, KeyCheck())).find("映射文件夹"), std::string::npos);
  EXPECT_EQ(server_->Stderr().find("--allow-any-path"), std::string::npos);
  const std::string cert = (outside / "cert.pem").string(), key = (outside / "key.pem").string();
  const std::string openssl =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1";
  ASSERT_EQ(
      std::system((openssl + " -keyout " + key + " -out " + cert + " >/dev/null 2>&1").c_str()), 0);
  Start(
      {"--allow-any-path", "--tls-cert", cert, "--tls-key", key, "--doc-path", QUARLO_MANUAL_DIR});
  EXPECT_NE(server_->Stderr().find("warning: --allow-any-path"), std::string::npos);
  const std::string site = server_->Url();
  ASSERT_EQ(site.rfind("https://127.0.0.1:", 0), 0u) << site;
  HttpAnswer check = Raw(kOpen, KeyCheckQuery(kKey));
  EXPECT_NE(check.headers.find("; Secure"), std::string::npos);
  ASSERT_EQ(OpenPage(OpenQuery(login, Element(Text(check), "EncKey"))), "OK");
  EXPECT_EQ(Exec("select count(*) from t").rows.at(0).at(0), "3");

  // The setting's path without its final "/" leads to the folder, so relative links work.
  HttpAnswer bare = client_.Get(site + "/quarlo20cn");
  EXPECT_NE(bare.headers.find("Location: /quarlo20cn/\r\n"), std::string::npos) << bare.headers;
  HttpAnswer index = client_.Get(site + "/quarlo20cn/");
  EXPECT_NE(index.headers.find("Content-Type: text/html; charset=UTF-8"), std::string::npos);
  HttpAnswer head = client_.Head(site + "/quarlo20cn/");
  EXPECT_TRUE(head.body.empty());
  EXPECT_NE(head.headers.find("Content-Length: " + std::to_string(index.body.size())),
            std::string::npos);
  EXPECT_EQ(client_.Get(site + "/quarlo20cn/%2e%2e/%2e%2e/README.md").status, 404);

  server_.reset();
  ServerProcess plain({"--map-path", map_.path().string()}, {});
  EXPECT_NE(plain.Stderr().find("warning"), std::string::npos);
  EXPECT_EQ(plain.Stop(), 0);
}

constexpr int kClients = 24, kRounds = 5;

// One client: logs in to a file of its own (SQLite writers on one file would wait for each
// other), then counts up once per round after an idle gap of 0.9 to 1.1 s, around the server's
// 1 s time-out. Every client waits the same gaps, so the server closes many idle connections at
// once and they come back at once.
void Client(const std::string& site, int id, std::latch& loggedIn) {
  HttpClient http;
  auto page = [&](const char* path, const std::string& query) {
    return kokit::FromLegacy(http.Get(site + path + query).body);
  };
  std::string opened;
  try {
    const std::string key = Element(page(kOpen, KeyCheckQuery(kKey)), "EncKey");
    const std::string file = "hits" + std::to_string(id) + ".db";
    opened = page(kOpen, OpenQuery("driver={SQLite3};dbq=" + file, key));
  } catch (...) {
    loggedIn.count_down();
    throw;
  }
  loggedIn.arrive_and_wait();
  if (opened != "OK") throw std::runtime_error("open: " + opened);
  std::mt19937 random(1);
  std::uniform_int_distribution<int> gapMs(900, 1100);
  for (int r = 0; r < kRounds; ++r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(gapMs(random)));
    ParsedAnswer a = ParseAnswer(page(kExecute, ExecuteQuery("update hits set n = n + 1")));
    if (!a.ok || a.recordsAffected != "1") throw std::runtime_error("update: " + a.text);
  }
  ParsedAnswer count = ParseAnswer(page(kExecute, ExecuteQuery("select n from hits")));
  if (count.rows.size() != 1 || count.rows[0][0] != std::to_string(kRounds)) {
    throw std::runtime_error("counted " + count.text + " instead of " + std::to_string(kRounds));
  }
}

TEST(KeepAlive, RequestsAroundTheIdleTimeoutAreAllAnsweredAndRunOnce) {
  quarlo::testing::Site site;
  for (int id = 0; id < kClients; ++id) {
    MakeSqliteFile(site.map / ("hits" + std::to_string(id) + ".db"),
                   "create table hits(n integer); insert into hits values (0)");
  }
  site.Start(kKey, {"--idle-timeout", "1", "--max-connections", std::to_string(kClients)});
  ServerProcess& server = *site.server;
  std::vector<std::string> failures(kClients);
  std::latch loggedIn(kClients);
  {
    std::vector<std::jthread> clients;
    for (int id = 0; id < kClients; ++id) {
      clients.emplace_back([&, id] {
        try {
          Client(server.Url(), id, loggedIn);
        } catch (const std::exception& e) {
          failures[id] = e.what();
        }
      });
    }
  }
  for (int id = 0; id < kClients; ++id) EXPECT_EQ(failures[id], "") << "client " << id;
}

TEST(ProgramFlags, HelpSucceedsAndBadFlagsFail) {
  const std::string bin = QUARLOPAGES_BIN;
  EXPECT_EQ(WEXITSTATUS(std::system((bin + " --help >/dev/null").c_str())), 0);
  EXPECT_EQ(WEXITSTATUS(std::system((bin + " --port nine 2>/dev/null").c_str())), 2);
}

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
  EXPECT_FALSE(DatabaseHeld());
#if !defined(__SANITIZE_ADDRESS__)
  // The driver may buffer a result of its own; the built-in backend streams.
  if (GetParam() == Db::Sqlite) {
    EXPECT_LT(PeakMemoryKiB(server_->Pid()), 32 * 1024);
  }
#endif

  auto whole = Page(Big(3000) + "; select 'second' as v");
  EXPECT_EQ(std::tuple(whole.isNextRecordset, read_, DatabaseHeld()),
            std::tuple("True", 3000, false))
      << whole.text.substr(0, 300);
}

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
}  // namespace quarlopages::testing
