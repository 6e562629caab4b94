// quarlo through quarlopages to a SQLite file (the "Access" login) and to PostgreSQL through
// psqlODBC (registered as "SQL Server", the "MS-SQL Server" login).
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>
#include <regex>

#include "Backends.h"
#include "Programs.h"
#include "ServerProcess.h"
#include "SqliteFile.h"
#include "TempDir.h"
#include "kokit/Codepage.h"

using namespace quarlocli::testing;
using namespace quarlo::testing;
using quarlopages::testing::ServerProcess;

namespace {

struct Result {
  int status;
  std::string out, err;
};

// One quarlopages for the suite: its map folder holds db/cli.db; PostgreSQL is reached by ODBC.
class Site : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    map_ = std::make_unique<TempDir>();
    std::filesystem::create_directories(map_->path() / "db");
    quarlopages::testing::MakeSqliteFile(
        DbFile(),
        "create table t(id integer, name text, note text); insert into t values (1, '中文', "
        "'a,b'), (2, 'say \"hi\"', 'line1' || char(10) || 'line2'), (3, '', null);");
    Vars env;
    if (Available(Db::Postgres)) env["PGPORT"] = Env("QUARLO_TEST_PGPORT");
    server_ = std::make_unique<ServerProcess>(
        std::vector<std::string>{"--map-path", map_->path().string()}, env);
  }
  static void TearDownTestSuite() { server_.reset(), map_.reset(); }
  static std::filesystem::path DbFile() { return map_->path() / "db" / "cli.db"; }

  // The program with the login flags of `db` and then `more`.
  static std::vector<std::string> Login(Db db, std::vector<std::string> more) {
    std::vector<std::string> args{QUARLO_BIN, "--site", server_->Url(), "--type"};
    if (db == Db::Sqlite) {
      args.insert(args.end(), {"access", "--database", "db/cli.db"});
    } else {
      args.insert(args.end(),
                  {"sqlserver", "--server", "127.0.0.1", "--database",
                   Env("QUARLO_TEST_PG_DATABASE"), "--user", Env("QUARLO_TEST_PG_USER")});
    }
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  Result Run(std::vector<std::string> argv, Vars env = {},
             const std::string& stdinFile = "/dev/null") {
    Program c(std::move(argv), env, work_.path(), stdinFile);
    int status = c.Wait();
    return {status, c.Out(), c.Err()};
  }
  Result Quarlo(Db db, std::vector<std::string> more, Vars env = {}) {
    if (db == Db::Postgres) env["QUARLO_PASSWORD"] = Env("QUARLO_TEST_PG_PASSWORD");
    return Run(Login(db, std::move(more)), env);
  }

  static inline std::unique_ptr<TempDir> map_;
  static inline std::unique_ptr<ServerProcess> server_;
  TempDir work_;
};

class EveryDb : public Site, public ::testing::WithParamInterface<Db> {
 protected:
  void SetUp() override {
    if (!Available(GetParam())) GTEST_SKIP() << "no PostgreSQL (source tests/services/start)";
  }
  // The same three rows (Chinese text, a comma, quotes, a line break, empty and NULL values).
  const char* Rows() const {
    return GetParam() == Db::Sqlite
               ? "select id, name, note from t order by id"
               : "select * from (values (1, '中文', 'a,b'), (2, 'say \"hi\"', E'line1\\nline2'), "
                 "(3, '', null)) as t(id, name, note) order by id";
  }
};

const char* kSeries =
    "with recursive s(n) as (select 1 union all select n + 1 from s where n < 1234) "
    "select n, substr('中中中中中中', 1, n % 7) from s";

}  // namespace

// A user queries in every format, runs batches, meets a failing statement, pages through a long
// result and sends text GBK cannot hold, in a query file in the legacy code page.
TEST_P(EveryDb, QueryStory) {
  auto file = work_.path() / "q.sql";
  std::ofstream(file, std::ios::binary) << kokit::ToLegacy(
      "-- 查询\r\ndrop table if exists cli_k;\r\ncreate table cli_k(v text);\r\n"
      "insert into cli_k values ('한국어 😀');\r\nselect v, '汉字,逗号' as 列 "
      "from cli_k;\r\nselect '𠀀 €' as x;\r\n");
  ASSERT_NE(ReadFile(file).find("\x95\x32\x82\x36 \x80"), std::string::npos);  // "€" is 0x80
  const char* failing = "select 1 as a; select * from no_such_table; select 3 as c";
  const char* update =
      "drop table if exists cli_u; create table cli_u(x int); insert into cli_u values (1), (2), "
      "(3); update cli_u set x = 0 where x > 1; drop table cli_u";
  const auto cut = [](std::vector<std::string> flags) {
    flags.insert(flags.end(), {"--no-header", "-q", "-c", kSeries});
    return flags;
  };
  const auto lines = [](int from, int to) {  // rows of kSeries
    std::string text;
    for (int n = from; n <= to; ++n) {
      text += std::to_string(n) + ",";
      for (int k = 0; k < n % 7; ++k) text += "中";
      text += "\r\n";
    }
    return text;
  };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::string out;
    int status = 0;
    bool whole = true;  // else a part of the output
    const char* errHas = "";
  };
  const Row rows[] = {
      {"csv, the default off a terminal",
       {"-c", Rows()},
       "id,name,note\r\n1,中文,\"a,b\"\r\n2,\"say \"\"hi\"\"\",\"line1\nline2\"\r\n3,,\r\n",
       0,
       true,
       "（所影响的行数为 3 行）\n"},
      {"table",
       {"--format", "table", "-c", Rows()},
       " id |   name   | note\n----+----------+-------\n  1 | 中文     | a,b\n"
       "  2 | say \"hi\" | line1+\n    |          | line2\n  3 |          |\n"
       "（所影响的行数为 3 行）\n"},
      {"tsv",
       {"--format", "tsv", "-q", "-c", Rows()},
       "id\tname\tnote\n1\t中文\ta,b\n2\tsay \"hi\"\tline1\\nline2\n3\t\t\n"},
      {"json",
       {"--format", "json", "-c", Rows()},
       "{\"id\":\"1\",\"name\":\"中文\",\"note\":\"a,b\"}\n"
       "{\"id\":\"2\",\"name\":\"say \\\"hi\\\"\",\"note\":\"line1\\nline2\"}\n"
       "{\"id\":\"3\",\"name\":\"\",\"note\":\"\"}\n"},
      {"result sets of one batch",
       {"--split", "none", "-q", "-c", "select 1 as a; select '二' as b, 3 as c"},
       "a\r\n1\r\n\r\nb,c\r\n二,3\r\n"},
      {"rows affected worded as the desktop words them",
       {"--format", "table", "-c", update},
       "执行命令成功\n（所影响的行数为 2 行）\n",
       0,
       false},
      {"a failing statement stops", {"-c", failing}, "a\r\n1\r\n", 1, true, "no_such_table"},
      {"or goes on", {"--continue-on-error", "-c", failing}, "c\r\n3\r\n", 1, false, "quarlo: "},
      {"every batch of a long result", cut({"--rows-per-comm", "100"}), lines(1, 1234)},
      {"--max-rows", cut({"--max-rows", "4", "--rows-per-comm", "3"}), lines(1, 4)},
      {"--page", cut({"--rows-per-comm", "10", "--rows-per-page", "10", "--page", "3"}),
       lines(21, 30)},
      {"a page past the end", cut({"--page", "30"}), ""},
      {"text outside GBK in a legacy file",
       {"-q", "-f", file.string()},
       "v,列\r\n한국어 😀,\"汉字,逗号\"\r\n\r\nx\r\n𠀀 €\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Result r = Quarlo(GetParam(), row.args);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_TRUE(!row.whole || r.out == row.out) << r.out;
    EXPECT_NE(r.out.find(row.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(row.errHas), std::string::npos) << r.err;
  }
  if (GetParam() == Db::Sqlite) {  // stored as UTF-8
    EXPECT_EQ(Quarlo(GetParam(), {"-q", "--no-header", "-c", "select hex(v) from cli_k"}).out,
              "ED959CEAB5ADEC96B420F09F9880\r\n");
  }
  EXPECT_EQ(Quarlo(GetParam(), {"-c", "drop table cli_k"}).status, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, EveryDb, ::testing::Values(Db::Sqlite, Db::Postgres), BackendName);

// What each run prints and its exit status: 0 done, 2 a failed login, 64 wrong usage or input
// that cannot be read. Query files and standard input in their code pages, with "go" lines.
TEST_F(Site, ExitStatusAndInputStory) {
  const auto file = [this](const char* name, const std::string& bytes) {
    std::ofstream(work_.path() / name, std::ios::binary) << bytes;
    return (work_.path() / name).string();
  };
  const std::string bad = file("bad.sql", "select '\x81'");  // refused as GB18030, never sent
  const std::string go = file("in.sql", "select 1 as a\ngo\nselect 'x;y' as b\nGO\n");
  const std::string gbk = file("gbk.sql", kokit::ToLegacy("select '汉字' as x"));
  const std::string url = server_->Url();
  struct Row {
    const char* name;
    bool login;  // else only the program's name comes before the arguments
    std::vector<std::string> args;
    int status;
    const char* errHas = "";
    const char* outHas = "";
    std::string in = "/dev/null";
  };
  const Row rows[] = {
      {"file not in the code page", true, {"-f", bad}, 64, "bad.sql"},
      {"missing file", true, {"-f", work_.path() / "none.sql"}, 64, "none.sql"},
      {"go lines on standard input", true, {"-q"}, 0, "", "a\r\n1\r\n\r\nb\r\nx;y\r\n", go},
      {"standard input is UTF-8", true, {"-q"}, 64, "standard input", "", gbk},
      {"standard input told its code page",
       true,
       {"-q", "--encoding", "GBK", "-f", "-", "-c", "select 2 as y"},
       0,
       "",
       "x\r\n汉字\r\n\r\ny\r\n2\r\n",
       gbk},
      {"test", false, {"--site", url, "--test"}, 0, "", "连接测试成功\n"},
      {"test with a wrong key", false, {"--site", url, "--test", "--enc-key", "x"}, 2, "quarlo: "},
      {"wrong key", true, {"-w", "--enc-key", "not the key", "-c", "select 1"}, 2, "quarlo: "},
      {"missing database", true, {"--database", "db/none.db", "-c", "select 1"}, 2, "quarlo: "},
      {"no server",
       false,
       {"--site", "127.0.0.1:1", "--connect-timeout", "2", "-c", "select 1"},
       2,
       "quarlo: "},
      {"wrong usage", false, {}, 64, "--site"},
      {"help", false, {"--help"}, 0, "", "--max-rows"},
      {"version", false, {"--version"}, 0, "", "quarlo"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> argv{QUARLO_BIN};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    Result r = Run(row.login ? Login(Db::Sqlite, row.args) : argv, {}, row.in);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE(r.out.find(row.outHas), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(row.errHas), std::string::npos) << r.err;
    EXPECT_TRUE(row.status == 0 || r.out.empty()) << r.out;
  }
}

// One-run settings are not saved; a password on the command line is warned about; --timing says
// where quarlopages spent its time.
TEST_F(Site, OneRunSettingsStory) {
  TempDir store;
  Vars env{{"KOKIT_REGISTRY_DIR", store.path().string()}};
  auto snapshot = [&] {
    std::string all;
    for (const auto& e : std::filesystem::directory_iterator(store.path()))
      all += e.path().filename().string() + ReadFile(e.path());
    return all;
  };
  ASSERT_EQ(Quarlo(Db::Sqlite, {"-c", "select 1"}, env).status, 0);
  const std::string before = snapshot();
  ASSERT_FALSE(before.empty());
  Result r =
      Quarlo(Db::Sqlite,
             {"--rows-per-comm", "7", "--open-url", "/quarlo/quarloopen.asp", "--execute-url",
              "/quarlo/quarloexecute.asp", "--timeout", "30", "--max-answer-mb", "16", "--user",
              "admin", "--password", "pw", "--timing", "-q", "--command=select 1 as a"},
             env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "a\r\n1\r\n");
  EXPECT_EQ(snapshot(), before);
  EXPECT_NE(r.err.find("warning: a password given with --password is visible"), std::string::npos)
      << r.err;
  EXPECT_TRUE(std::regex_search(r.err, std::regex("Time: [0-9.]+ ms \\(database [0-9.]+ ms, "
                                                  "server [0-9.]+ ms, network [0-9.]+ ms, "
                                                  "display [0-9.]+ ms\\)")))
      << r.err;
}

// At the keyboard: the password is asked without echo (an empty $QUARLO_PASSWORD is still one),
// the prompt edits, Ctrl+C drops the line, and the history comes back in the next session.
TEST_F(Site, InteractiveStory) {
  TempDir state;
  // Each step: what to wait for, then what to type.
  using Steps = std::vector<std::pair<const char*, const char*>>;
  const auto session = [&state](std::vector<std::string> more, Steps steps, Vars env = {}) {
    env["XDG_STATE_HOME"] = state.path().string();
    Program t(Login(Db::Sqlite, std::move(more)), env);
    for (const auto& [expect, keys] : steps) {
      EXPECT_TRUE(t.WaitFor(expect)) << t.Seen();
      if (*keys) t.Type(keys);
    }
    EXPECT_EQ(t.Wait(), 0) << t.Seen();
    return t.Seen();
  };
  session({"--user", "admin", "-c", "select 1 as a"}, {}, {{"QUARLO_PASSWORD", ""}});
  const std::string seen =
      session({"--user", "admin"}, {
                                       {"Password for admin: ", "s3cret-word\r"},
                                       {"quarlo> ", "select name from t\r"},
                                       {"quarlo-> ", "where id = 1;\r"},
                                       // On a terminal the table is the default.
                                       {" 中文\r\n（所影响的行数为 1 行）", ""},
                                       {"quarlo> ", "select 'half"},
                                       {"", "\x03"},
                                       {"quarlo> ", "select * from nope;\r"},
                                       {"quarlo: ", ""},
                                       {"quarlo> ", "\\q\r"},
                                   });
  EXPECT_EQ(seen.find("s3cret-word"), std::string::npos) << seen;
  session({},
          {{"quarlo> ", "\x1b[A\x1b[A\r"}, {"（所影响的行数为 1 行）", ""}, {"quarlo> ", "\x04"}});
}

TEST_F(Site, CtrlCStopsTheRunningStatementAndExits130) {
  // The batch makes a table before its long part (a count SQLite needs minutes for), so the
  // test knows when the statement runs.
  Program quarlo(Login(Db::Sqlite, {"--split", "none", "-c",
                                    "create table marker(n integer); with recursive c(x) as "
                                    "(select 1 union all select x + 1 from c where x < "
                                    "1000000000) select count(*) from c"}),
                 {}, work_.path());
  sqlite3* db = nullptr;
  sqlite3_open(DbFile().c_str(), &db);
  bool started = false;
  auto found = [](void* flag, int, char**, char**) { return *static_cast<bool*>(flag) = true, 0; };
  for (int i = 0; i < 3000 && !started; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sqlite3_exec(db, "select 1 from sqlite_master where name = 'marker'", found, &started, nullptr);
  }
  quarlo.Signal(SIGINT);
  EXPECT_EQ(quarlo.Wait(std::chrono::seconds(30)), 130);
  EXPECT_NE(quarlo.Err().find("操作已被用户中止，服务器上正在执行的语句已停止"), std::string::npos)
      << quarlo.Err();
  sqlite3_exec(db, "drop table marker", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

TEST_F(Site, CtrlCStopsTheWalkAndClosesCleanly) {
  if (!Available(Db::Postgres)) GTEST_SKIP() << "no PostgreSQL (source tests/services/start)";
  auto closes = [] {
    const std::string log = server_->Stderr();
    static const std::regex close("Opt=2");
    return std::distance(std::sregex_iterator(log.begin(), log.end(), close), {});
  };
  const auto closedBefore = closes();
  Program c(
      Login(Db::Postgres, {"--rows-per-comm", "2", "-c", "select generate_series(1, 300000)"}),
      {{"QUARLO_PASSWORD", Env("QUARLO_TEST_PG_PASSWORD")}}, work_.path());
  for (int i = 0; i < 1500 && c.Out().size() < 100; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  c.Signal(SIGINT);
  EXPECT_EQ(c.Wait(std::chrono::seconds(30)), 130);
  EXPECT_NE(c.Err().find("interrupted"), std::string::npos) << c.Err();
  // The server logs a request once it has answered it: give the line a moment.
  for (int i = 0; i < 200 && closes() == closedBefore; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(closes(), closedBefore + 1) << "the connection was not closed";
  // Every row written is whole: the output ends with a record's end.
  EXPECT_TRUE(c.Out().ends_with("\r\n")) << c.Out();
}
