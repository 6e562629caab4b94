// quarlo through quarlopages to a SQLite file (the "Access" login).
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <regex>

#include "ExpectedOutputs.h"
#include "Fixture.h"
#include "Terminal.h"
#include "kokit/Codepage.h"

using namespace quarlocli::testing;
using quarlo::testing::TempDir;

namespace {

void Exec(sqlite3* db, const char* sql) {
  char* msg = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
    std::string text = msg ? msg : "?";
    sqlite3_free(msg);
    throw std::runtime_error(text);
  }
}

class SqliteSite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    std::filesystem::create_directories(dir_->path() / "db");
    sqlite3* db = nullptr;
    sqlite3_open((dir_->path() / "db" / "cli.db").c_str(), &db);
    Exec(db,
         "create table t(id integer, name text, note text);"
         "insert into t values (1, '中文', 'a,b'), (2, 'say \"hi\"', 'line1' || char(10) || "
         "'line2'), (3, '', null);"
         "create table u(x integer);");
    sqlite3_close(db);
    server_ = new PagesServer(dir_->path(), dir_->path());
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }

  // Connection flags for the file database, relative to the server's map folder.
  std::vector<std::string> Login(std::vector<std::string> more) const {
    std::vector<std::string> args{"--site", server_->Url(), "--type",
                                  "access", "--database",   "db/cli.db"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  Result Quarlo(std::vector<std::string> more, std::map<std::string, std::string> env = {},
                const std::string& stdinFile = "/dev/null") {
    return RunQuarlo(work_.path(), Login(std::move(more)), env, stdinFile);
  }

  static TempDir* dir_;
  static PagesServer* server_;
  TempDir work_;
};

TempDir* SqliteSite::dir_ = nullptr;
PagesServer* SqliteSite::server_ = nullptr;

const char* kQuery = "select id, name, note from t order by id";

}  // namespace

TEST_F(SqliteSite, CsvIsTheDefaultOffATerminal) {
  Result r = Quarlo({"-c", kQuery});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kExpectedCsv);
  EXPECT_EQ(r.err, "（所影响的行数为 3 行）\n");
}

TEST_F(SqliteSite, TableTsvAndJson) {
  Result table = Quarlo({"--format", "table", "-c", kQuery});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out, kExpectedTable);

  Result tsv = Quarlo({"--format", "tsv", "-q", "-c", kQuery});
  ASSERT_EQ(tsv.status, 0) << tsv.err;
  EXPECT_EQ(tsv.out, kExpectedTsv);
  EXPECT_EQ(tsv.err, "");

  Result json = Quarlo({"--format", "json", "-c", kQuery});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, kExpectedJson);
}

TEST_F(SqliteSite, SeveralResultSetsOfOneBatch) {
  Result r = Quarlo({"--split", "none", "-q", "-c", "select 1 as a; select '二' as b, 3 as c"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a\r\n1\r\n\r\nb,c\r\n二,3\r\n");
}

TEST_F(SqliteSite, UpdateReportsRowsAffectedAsTheDesktopWordsIt) {
  Result r = Quarlo({"--format", "table", "-c",
                     "delete from u; insert into u values (1), (2); update u set x = 3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("执行命令成功\n（所影响的行数为 2 行）\n"), std::string::npos) << r.out;
}

TEST_F(SqliteSite, FailingStatementStopsWithStatusOne) {
  Result r = Quarlo({"-c", "select 1 as a; select * from no_such_table; select 3 as c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("a\r\n1\r\n"), std::string::npos);
  EXPECT_EQ(r.out.find("c\r\n"), std::string::npos);
  EXPECT_NE(r.err.find("no_such_table"), std::string::npos) << r.err;

  Result on = Quarlo(
      {"--continue-on-error", "-c", "select 1 as a; select * from no_such_table; select 3 as c"});
  EXPECT_EQ(on.status, 1);
  EXPECT_NE(on.out.find("c\r\n3\r\n"), std::string::npos) << on.out;
}

TEST_F(SqliteSite, MaxRowsAndPage) {
  const char* series =
      "with recursive s(n) as (select 1 union all select n + 1 from s where n < 100) "
      "select n from s";
  Result r = Quarlo({"--max-rows", "7", "--no-header", "-q", "-c", series});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");

  // One-run settings: pages of 10 rows fetched 10 at a time; page 3 holds rows 21..30.
  Result p = Quarlo({"--rows-per-comm", "10", "--rows-per-page", "10", "--page", "3", "--no-header",
                     "-q", "-c", series});
  ASSERT_EQ(p.status, 0) << p.err;
  EXPECT_EQ(p.out, "21\r\n22\r\n23\r\n24\r\n25\r\n26\r\n27\r\n28\r\n29\r\n30\r\n");

  Result beyond = Quarlo({"--page", "9", "--no-header", "-q", "-c", series});
  ASSERT_EQ(beyond.status, 0) << beyond.err;
  EXPECT_EQ(beyond.out, "");
}

TEST_F(SqliteSite, QueryFileInTheLegacyCodePage) {
  auto file = work_.path() / "q.sql";
  WriteFile(file, kokit::ToLegacy("-- 查询\r\nselect name\r\nfrom t\r\nwhere id = 1;\r\n"));
  Result r = Quarlo({"-q", "-f", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "name\r\n中文\r\n");

  // A UTF-8 file needs --encoding; read as GB18030 its bytes are refused or garbled, never sent.
  auto utf8 = work_.path() / "u.sql";
  WriteFile(utf8, "select '中文' as x");
  Result u = Quarlo({"-q", "--encoding", "UTF-8", "-f", utf8.string()});
  ASSERT_EQ(u.status, 0) << u.err;
  EXPECT_EQ(u.out, "x\r\n中文\r\n");

  auto bad = work_.path() / "bad.sql";
  WriteFile(bad, "select '\x81'");
  Result b = Quarlo({"-f", bad.string()});
  EXPECT_EQ(b.status, 64);
  EXPECT_NE(b.err.find("bad.sql"), std::string::npos) << b.err;

  Result missing = Quarlo({"-f", (work_.path() / "none.sql").string()});
  EXPECT_EQ(missing.status, 64);
}

// The new user's trial: text GBK cannot hold goes in and comes back unchanged, and the database
// file holds it as it is; a query file in the legacy code page carries it too ("€" as 0x80).
TEST_F(SqliteSite, TextOutsideGbkIsStoredUnchanged) {
  Result insert = Quarlo({"-q", "-c", "create table k(v text); insert into k values ('한국어 😀')"});
  ASSERT_EQ(insert.status, 0) << insert.err;
  Result select = Quarlo({"-q", "-c", "select v from k"});
  ASSERT_EQ(select.status, 0) << select.err;
  EXPECT_EQ(select.out, "v\r\n한국어 😀\r\n");
  sqlite3* db = nullptr;
  sqlite3_open_v2((dir_->path() / "db" / "cli.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "select hex(v) from k", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
               "ED959CEAB5ADEC96B420F09F9880");
  sqlite3_finalize(st);
  sqlite3_close(db);

  auto file = work_.path() / "k.sql";
  WriteFile(file, kokit::ToLegacy("select '𠀀 €' as x"));
  ASSERT_NE(ReadFile(file).find("\x95\x32\x82\x36 \x80"), std::string::npos);
  Result q = Quarlo({"-q", "-f", file.string()});
  ASSERT_EQ(q.status, 0) << q.err;
  EXPECT_EQ(q.out, "x\r\n𠀀 €\r\n");
}

TEST_F(SqliteSite, StandardInputWithGoLines) {
  auto script = work_.path() / "in.sql";
  WriteFile(script, "select 1 as a\ngo\nselect 'x;y' as b\nGO\n");
  Result r = Quarlo({"-q"}, {}, script.string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a\r\n1\r\n\r\nb\r\nx;y\r\n");
}

TEST_F(SqliteSite, StandardInputIsUtf8UnlessToldOtherwise) {
  auto gbk = work_.path() / "gbk.sql";
  WriteFile(gbk, kokit::ToLegacy("select '汉字' as x"));
  Result refused = Quarlo({"-q"}, {}, gbk.string());
  EXPECT_EQ(refused.status, 64);
  EXPECT_NE(refused.err.find("standard input"), std::string::npos) << refused.err;

  Result told =
      Quarlo({"-q", "--encoding", "GBK", "-f", "-", "-c", "select 2 as y"}, {}, gbk.string());
  ASSERT_EQ(told.status, 0) << told.err;
  EXPECT_EQ(told.out, "x\r\n汉字\r\n\r\ny\r\n2\r\n");
}

TEST_F(SqliteSite, TestChecksSiteAndKey) {
  Result ok = RunQuarlo(work_.path(), {"--site", server_->Url(), "--test"});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.out, "连接测试成功\n");

  Result wrong = RunQuarlo(work_.path(), {"--site", server_->Url(), "--test", "--enc-key", "nope"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("quarlo: "), std::string::npos);
}

TEST_F(SqliteSite, WrongKeyOrDatabaseFailsTheLogin) {
  Result key = Quarlo({"--enc-key", "not the key", "-c", "select 1"});
  EXPECT_EQ(key.status, 2);
  EXPECT_FALSE(key.err.empty());
  EXPECT_EQ(key.out, "");

  Result db = RunQuarlo(work_.path(), {"--site", server_->Url(), "--type", "access", "--database",
                                       "db/missing.db", "-c", "select 1"});
  EXPECT_EQ(db.status, 2);
  EXPECT_FALSE(db.err.empty());

  Result site = RunQuarlo(work_.path(),
                          {"--site", "127.0.0.1:1", "--connect-timeout", "2", "-c", "select 1"});
  EXPECT_EQ(site.status, 2);
}

TEST_F(SqliteSite, OneRunSettingsAreNotSaved) {
  TempDir store;
  std::map<std::string, std::string> env{{"KOKIT_REGISTRY_DIR", store.path().string()}};
  ASSERT_EQ(Quarlo({"-c", "select 1"}, env).status, 0);
  auto snapshot = [&] {
    std::string all;
    for (const auto& e : std::filesystem::directory_iterator(store.path())) {
      all += e.path().filename().string() + ReadFile(e.path());
    }
    return all;
  };
  const std::string before = snapshot();
  ASSERT_FALSE(before.empty());
  Result r = Quarlo(
      {"--rows-per-comm", "7", "--open-url", "/quarlo/quarloopen.asp", "-q", "-c", "select 1 as a"},
      env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(snapshot(), before);
}

TEST_F(SqliteSite, InteractivePromptEditsAndRemembers) {
  TempDir state;
  std::vector<std::string> env{"XDG_STATE_HOME=" + state.path().string()};
  {
    OnTerminal t(QUARLO_BIN, Login({}), env);
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("select name from t\r");
    ASSERT_TRUE(t.WaitFor("quarlo-> ")) << t.Seen();
    t.Type("where id = 1;\r");
    // On a terminal the table is the default.
    ASSERT_TRUE(t.WaitFor(" 中文\r\n（所影响的行数为 1 行）")) << t.Seen();
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    // Ctrl+C drops the line being typed and the prompt goes on.
    t.Type("select 'half");
    t.Type("\x03");
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("select * from nope;\r");
    ASSERT_TRUE(t.WaitFor("quarlo: ")) << t.Seen();
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("\\q\r");
    EXPECT_EQ(t.Wait(), 0) << t.Seen();
  }
  {
    // The history of the first session comes back with the up arrow.
    OnTerminal t(QUARLO_BIN, Login({}), env);
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("\x1b[A\x1b[A\r");
    ASSERT_TRUE(t.WaitFor("（所影响的行数为 1 行）")) << t.Seen();
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("\x04");
    EXPECT_EQ(t.Wait(), 0) << t.Seen();
  }
}

TEST_F(SqliteSite, PasswordIsAskedWithoutEcho) {
  TempDir state;
  OnTerminal t(QUARLO_BIN, Login({"--user", "admin", "-c", "select 1 as a"}),
               {"XDG_STATE_HOME=" + state.path().string(), "QUARLO_PASSWORD="});
  // An empty $QUARLO_PASSWORD is still a password: nothing is asked.
  EXPECT_EQ(t.Wait(), 0) << t.Seen();

  OnTerminal asked(QUARLO_BIN, Login({"--user", "admin", "-c", "select 1 as a"}),
                   {"XDG_STATE_HOME=" + state.path().string()});
  ASSERT_TRUE(asked.WaitFor("Password for admin: ")) << asked.Seen();
  asked.Type("s3cret-word\r");
  ASSERT_TRUE(asked.WaitFor("（所影响的行数为 1 行）")) << asked.Seen();
  EXPECT_EQ(asked.Wait(), 0);
  EXPECT_EQ(asked.Seen().find("s3cret-word"), std::string::npos) << asked.Seen();
}

TEST_F(SqliteSite, PasswordArgumentWarnsAndTimingIsShown) {
  Result r =
      Quarlo({"--user", "admin", "--password", "pw", "--timing", "-q", "-c", "select 1 as a"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning: a password given with --password is visible"), std::string::npos)
      << r.err;
  // quarlopages says where its time went.
  EXPECT_TRUE(std::regex_search(r.err, std::regex("Time: [0-9.]+ ms \\(database [0-9.]+ ms, "
                                                  "server [0-9.]+ ms, network [0-9.]+ ms, "
                                                  "display [0-9.]+ ms\\)")))
      << r.err;
  EXPECT_EQ(r.out, "a\r\n1\r\n");
}

TEST(Usage, WrongUsageExits64AndHelpExits0) {
  TempDir work;
  Result none = RunQuarlo(work.path(), {});
  EXPECT_EQ(none.status, 64);
  EXPECT_NE(none.err.find("--site"), std::string::npos);
  Result bad = RunQuarlo(work.path(), {"--site", "x", "--format", "xml"});
  EXPECT_EQ(bad.status, 64);
  Result help = RunQuarlo(work.path(), {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--max-rows"), std::string::npos);
}

TEST_F(SqliteSite, CtrlCStopsTheRunningStatementAndExits130) {
  // The batch makes a table before its long part (a count SQLite needs minutes for), so the
  // test knows when the statement runs.
  Child quarlo(QUARLO_BIN,
               Login({"--split", "none", "-c",
                      "create table marker(n integer); with recursive c(x) as (select 1 union all "
                      "select x + 1 from c where x < 1000000000) select count(*) from c"}),
               work_.path());
  sqlite3* db = nullptr;
  sqlite3_open((dir_->path() / "db" / "cli.db").c_str(), &db);
  auto started = [db] {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "select count(*) from sqlite_master where name = 'marker'", -1, &s,
                       nullptr);
    bool found = sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) > 0;
    sqlite3_finalize(s);
    return found;
  };
  for (int i = 0; i < 3000 && !started(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  quarlo.Signal(SIGINT);
  EXPECT_EQ(quarlo.Wait(std::chrono::seconds(30)), 130);
  EXPECT_NE(quarlo.Err().find("操作已被用户中止，服务器上正在执行的语句已停止"), std::string::npos)
      << quarlo.Err();
  Exec(db, "drop table marker");
  sqlite3_close(db);
}
