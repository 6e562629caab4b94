// quarlo through quarlopages to a SQLite file (the "Access" login) and to PostgreSQL through
// psqlODBC (registered as "SQL Server", the "MS-SQL Server" login).
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
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
  std::string out;
  std::string err;
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
  // The password comes from the environment.
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
  Result Quarlo(std::vector<std::string> more, Vars env = {}) {
    return Site::Quarlo(GetParam(), std::move(more), std::move(env));
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
  Result csv = Quarlo({"-c", Rows()});  // CSV is the default off a terminal
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "id,name,note\r\n1,中文,\"a,b\"\r\n2,\"say \"\"hi\"\"\",\"line1\nline2\"\r\n3,,\r\n");
  EXPECT_EQ(csv.err, "（所影响的行数为 3 行）\n");
  Result table = Quarlo({"--format", "table", "-c", Rows()});
  EXPECT_EQ(table.out,
            " id |   name   | note\n----+----------+-------\n  1 | 中文     | a,b\n"
            "  2 | say \"hi\" | line1+\n    |          | line2\n  3 |          |\n"
            "（所影响的行数为 3 行）\n");
  Result tsv = Quarlo({"--format", "tsv", "-q", "-c", Rows()});
  EXPECT_EQ(tsv.out, "id\tname\tnote\n1\t中文\ta,b\n2\tsay \"hi\"\tline1\\nline2\n3\t\t\n");
  EXPECT_EQ(tsv.err, "");
  Result json = Quarlo({"--format", "json", "-c", Rows()});
  EXPECT_EQ(json.out,
            "{\"id\":\"1\",\"name\":\"中文\",\"note\":\"a,b\"}\n"
            "{\"id\":\"2\",\"name\":\"say \\\"hi\\\"\",\"note\":\"line1\\nline2\"}\n"
            "{\"id\":\"3\",\"name\":\"\",\"note\":\"\"}\n");

  // Several result sets of one batch, and rows affected worded as the desktop words it.
  Result sets = Quarlo({"--split", "none", "-q", "-c", "select 1 as a; select '二' as b, 3 as c"});
  EXPECT_EQ(sets.out, "a\r\n1\r\n\r\nb,c\r\n二,3\r\n");
  Result tables =
      Quarlo({"--split", "none", "--format", "table", "-c", "select 1 as a; select '二' as b"});
  EXPECT_EQ(tables.out,
            " a\n---\n 1\n（所影响的行数为 1 行）\n b\n----\n 二\n（所影响的行数为 1 行）\n");
  Result update =
      Quarlo({"--format", "table", "-c",
              "drop table if exists cli_u; create table cli_u(x int); insert into cli_u "
              "values (1), (2), (3); update cli_u set x = 0 where x > 1; drop table "
              "cli_u"});
  ASSERT_EQ(update.status, 0) << update.err;
  EXPECT_NE(update.out.find("执行命令成功\n（所影响的行数为 2 行）\n"), std::string::npos)
      << update.out;

  // A failing statement stops the run with status 1, unless told to go on.
  const char* failing = "select 1 as a; select * from no_such_table; select 3 as c";
  Result stop = Quarlo({"-c", failing});
  EXPECT_EQ(stop.status, 1);
  EXPECT_EQ(stop.out, "a\r\n1\r\n");
  EXPECT_NE(stop.err.find("quarlo: "), std::string::npos);
  EXPECT_NE(stop.err.find("no_such_table"), std::string::npos) << stop.err;
  Result goOn = Quarlo({"--continue-on-error", "-c", failing});
  EXPECT_EQ(goOn.status, 1);
  EXPECT_NE(goOn.out.find("c\r\n3\r\n"), std::string::npos) << goOn.out;

  // Every batch of a long result is walked; --max-rows and --page cut it (one-run settings).
  Result all = Quarlo({"-q", "--no-header", "--rows-per-comm", "100", "-c", kSeries});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 1234);
  EXPECT_TRUE(all.out.ends_with("\r\n1234,中中\r\n")) << all.out.substr(all.out.size() - 30);
  Result max =
      Quarlo({"--max-rows", "4", "--rows-per-comm", "3", "--no-header", "-q", "-c", kSeries});
  EXPECT_EQ(max.out, "1,中\r\n2,中中\r\n3,中中中\r\n4,中中中中\r\n");
  Result page = Quarlo({"--rows-per-comm", "10", "--rows-per-page", "10", "--page", "3",
                        "--no-header", "-q", "-c", kSeries});
  EXPECT_TRUE(page.out.starts_with("21,")) << page.out;
  EXPECT_EQ(std::count(page.out.begin(), page.out.end(), '\n'), 10);
  Result beyond = Quarlo({"--page", "30", "--no-header", "-q", "-c", kSeries});
  ASSERT_EQ(beyond.status, 0) << beyond.err;
  EXPECT_EQ(beyond.out, "");

  // Text outside GBK goes in and comes back unchanged; the legacy file carries it ("€" is 0x80).
  auto file = work_.path() / "q.sql";
  WriteFile(file, kokit::ToLegacy("-- 查询\r\ndrop table if exists cli_k;\r\ncreate table cli_k(v "
                                  "text);\r\ninsert into cli_k values ('한국어 😀');\r\nselect v, "
                                  "'汉字,逗号' as 列 from cli_k;\r\nselect '𠀀 €' as x;\r\n"));
  ASSERT_NE(ReadFile(file).find("\x95\x32\x82\x36 \x80"), std::string::npos);
  Result legacy = Quarlo({"-q", "-f", file.string()});
  ASSERT_EQ(legacy.status, 0) << legacy.err;
  EXPECT_EQ(legacy.out, "v,列\r\n한국어 😀,\"汉字,逗号\"\r\n\r\nx\r\n𠀀 €\r\n");
  if (GetParam() == Db::Sqlite) {  // stored as UTF-8
    EXPECT_EQ(Quarlo({"-q", "--no-header", "-c", "select hex(v) from cli_k"}).out,
              "ED959CEAB5ADEC96B420F09F9880\r\n");
  }
  EXPECT_EQ(Quarlo({"-c", "drop table cli_k"}).status, 0);
}

INSTANTIATE_TEST_SUITE_P(Both, EveryDb, ::testing::Values(Db::Sqlite, Db::Postgres), BackendName);

// What each run prints and its exit status: 0 done, 2 a failed login, 64 wrong usage or input
// that cannot be read. Query files and standard input in their code pages, with "go" lines.
TEST_F(Site, ExitStatusAndInputStory) {
  const auto file = [this](const char* name, const std::string& bytes) {
    WriteFile(work_.path() / name, bytes);
    return (work_.path() / name).string();
  };
  const std::string utf8 = file("u.sql", "select '中文' as x");
  const std::string bad = file("bad.sql", "select '\x81'");  // refused as GB18030, never sent
  const std::string go = file("in.sql", "select 1 as a\ngo\nselect 'x;y' as b\nGO\n");
  const std::string gbk = file("gbk.sql", kokit::ToLegacy("select '汉字' as x"));
  const auto login = [](std::vector<std::string> more) { return Login(Db::Sqlite, more); };
  const std::string url = server_->Url();
  const std::string bin = QUARLO_BIN;
  struct Row {
    const char* name;
    std::vector<std::string> argv;
    std::string in;
    int status;
    const char* outHas;
    const char* errHas;
  };
  const Row rows[] = {
      {"file told its code page", login({"-q", "--encoding", "UTF-8", "-f", utf8}), "", 0,
       "x\r\n中文\r\n", ""},
      {"file not in the code page", login({"-f", bad}), "", 64, "", "bad.sql"},
      {"missing file", login({"-f", (work_.path() / "none.sql").string()}), "", 64, "", "none.sql"},
      {"go lines on standard input", login({"-q"}), go, 0, "a\r\n1\r\n\r\nb\r\nx;y\r\n", ""},
      {"standard input is UTF-8", login({"-q"}), gbk, 64, "", "standard input"},
      {"standard input told its code page",
       login({"-q", "--encoding", "GBK", "-f", "-", "-c", "select 2 as y"}), gbk, 0,
       "x\r\n汉字\r\n\r\ny\r\n2\r\n", ""},
      {"test", {bin, "--site", url, "--test"}, "", 0, "连接测试成功\n", ""},
      {"test with a wrong key",
       {bin, "--site", url, "--test", "--enc-key", "x"},
       "",
       2,
       "",
       "quarlo: "},
      {"wrong key", login({"--enc-key", "not the key", "-c", "select 1"}), "", 2, "", "quarlo: "},
      {"missing database", login({"--database", "db/none.db", "-c", "select 1"}), "", 2, "",
       "quarlo: "},
      {"no server",
       {bin, "--site", "127.0.0.1:1", "--connect-timeout", "2", "-c", "select 1"},
       "",
       2,
       "",
       "quarlo: "},
      {"no site", {bin}, "", 64, "", "--site"},
      {"unknown format", {bin, "--site", "x", "--format", "xml"}, "", 64, "", "--format"},
      {"help", {bin, "--help"}, "", 0, "--max-rows", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Result r = Run(row.argv, {}, row.in.empty() ? "/dev/null" : row.in);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE(r.out.find(row.outHas), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(row.errHas), std::string::npos) << r.err;
    if (row.status != 0) {
      EXPECT_EQ(r.out, "");
    }
  }
}

// One-run settings are not saved; a password on the command line is warned about; --timing says
// where quarlopages spent its time.
TEST_F(Site, OneRunSettingsStory) {
  TempDir store;
  Vars env{{"KOKIT_REGISTRY_DIR", store.path().string()}};
  ASSERT_EQ(Quarlo(Db::Sqlite, {"-c", "select 1"}, env).status, 0);
  auto snapshot = [&] {
    std::string all;
    for (const auto& e : std::filesystem::directory_iterator(store.path())) {
      all += e.path().filename().string() + ReadFile(e.path());
    }
    return all;
  };
  const std::string before = snapshot();
  ASSERT_FALSE(before.empty());
  Result r = Quarlo(Db::Sqlite,
                    {"--rows-per-comm", "7", "--open-url", "/quarlo/quarloopen.asp", "--user",
                     "admin", "--password", "pw", "--timing", "-q", "-c", "select 1 as a"},
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
  Vars env{{"XDG_STATE_HOME", state.path().string()}};
  {
    Program t(Login(Db::Sqlite, {"--user", "admin", "-c", "select 1 as a"}),
              {{"XDG_STATE_HOME", state.path().string()}, {"QUARLO_PASSWORD", ""}});
    EXPECT_EQ(t.Wait(), 0) << t.Seen();
  }
  {
    Program t(Login(Db::Sqlite, {"--user", "admin"}), env);
    ASSERT_TRUE(t.WaitFor("Password for admin: ")) << t.Seen();
    t.Type("s3cret-word\r");
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("select name from t\r");
    ASSERT_TRUE(t.WaitFor("quarlo-> ")) << t.Seen();
    t.Type("where id = 1;\r");
    // On a terminal the table is the default.
    ASSERT_TRUE(t.WaitFor(" 中文\r\n（所影响的行数为 1 行）")) << t.Seen();
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("select 'half");
    t.Type("\x03");
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("select * from nope;\r");
    ASSERT_TRUE(t.WaitFor("quarlo: ")) << t.Seen();
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("\\q\r");
    EXPECT_EQ(t.Wait(), 0) << t.Seen();
    EXPECT_EQ(t.Seen().find("s3cret-word"), std::string::npos) << t.Seen();
  }
  {
    Program t(Login(Db::Sqlite, {}), env);
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("\x1b[A\x1b[A\r");
    ASSERT_TRUE(t.WaitFor("（所影响的行数为 1 行）")) << t.Seen();
    ASSERT_TRUE(t.WaitFor("quarlo> ")) << t.Seen();
    t.Type("\x04");
    EXPECT_EQ(t.Wait(), 0) << t.Seen();
  }
}

TEST_F(Site, CtrlCStopsTheRunningStatementAndExits130) {
  // The batch makes a table before its long part (a count SQLite needs minutes for), so the
  // test knows when the statement runs.
  Program quarlo(
      Login(Db::Sqlite, {"--split", "none", "-c",
                         "create table marker(n integer); with recursive c(x) as (select "
                         "1 union all select x + 1 from c where x < 1000000000) select "
                         "count(*) from c"}),
      {}, work_.path());
  sqlite3* db = nullptr;
  sqlite3_open(DbFile().c_str(), &db);
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
  sqlite3_exec(db, "drop table marker", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

TEST_F(Site, CtrlCStopsTheWalkAndClosesCleanly) {
  if (!Available(Db::Postgres)) GTEST_SKIP() << "no PostgreSQL (source tests/services/start)";
  auto closes = [] {
    std::string log = server_->Stderr();
    size_t n = 0;
    for (size_t at = log.find("Opt=2"); at != std::string::npos; at = log.find("Opt=2", at + 1))
      ++n;
    return n;
  };
  const size_t closedBefore = closes();
  Program c(
      Login(Db::Postgres, {"--rows-per-comm", "2", "-c", "select generate_series(1, 300000)"}),
      {{"QUARLO_PASSWORD", Env("QUARLO_TEST_PG_PASSWORD")}}, work_.path());
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (c.Out().size() < 100 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  c.Signal(SIGINT);
  EXPECT_EQ(c.Wait(std::chrono::seconds(30)), 130);
  EXPECT_NE(c.Err().find("interrupted"), std::string::npos) << c.Err();
  // The server logs a request once it has answered it: give the line a moment.
  for (int i = 0; i < 200 && closes() == closedBefore; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(closes(), closedBefore + 1) << "the connection was not closed";
  // Every row written is whole: the output ends with a record's end.
  std::string out = c.Out();
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(out.ends_with("\r\n"));
}
