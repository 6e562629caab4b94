// quarlo through quarlopages and psqlODBC (registered as "SQL Server") to PostgreSQL.
#include <gtest/gtest.h>

#include "ExpectedOutputs.h"
#include "Fixture.h"
#include "kokit/Codepage.h"

using namespace quarlocli::testing;
using quarlo::testing::TempDir;

namespace {

const char* Env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

class PostgresSite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Env("QUARLO_TEST_PGPORT")) return;
    dir_ = new TempDir;
    server_ = new PagesServer(dir_->path(), dir_->path());
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
    server_ = nullptr;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!server_) GTEST_SKIP() << "QUARLO_TEST_PGPORT is not set (source tests/services/start)";
  }

  // The desktop program's "MS-SQL Server" login; the password comes from the environment.
  Result Quarlo(std::vector<std::string> more, const std::string& stdinFile = "/dev/null") {
    std::vector<std::string> args{"--site",     server_->Url(),
                                  "--type",     "sqlserver",
                                  "--server",   "127.0.0.1",
                                  "--database", Env("QUARLO_TEST_PG_DATABASE"),
                                  "--user",     Env("QUARLO_TEST_PG_USER")};
    args.insert(args.end(), more.begin(), more.end());
    return RunQuarlo(work_.path(), args, {{"QUARLO_PASSWORD", Env("QUARLO_TEST_PG_PASSWORD")}},
                     stdinFile);
  }

  static TempDir* dir_;
  static PagesServer* server_;
  TempDir work_;
};

TempDir* PostgresSite::dir_ = nullptr;
PagesServer* PostgresSite::server_ = nullptr;

const char* kQuery =
    "select * from (values (1, '中文', 'a,b'), (2, 'say \"hi\"', E'line1\\nline2'), "
    "(3, '', null)) as t(id, name, note) order by id";

}  // namespace

TEST_F(PostgresSite, EveryFormatKeepsTheValues) {
  Result csv = Quarlo({"-q", "-c", kQuery});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out, kExpectedCsv);

  Result tsv = Quarlo({"-q", "--format", "tsv", "-c", kQuery});
  ASSERT_EQ(tsv.status, 0) << tsv.err;
  EXPECT_EQ(tsv.out, kExpectedTsv);

  Result json = Quarlo({"--format", "json", "-c", kQuery});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, kExpectedJson);

  Result table = Quarlo({"--format", "table", "-c", kQuery});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out, kExpectedTable);
}

TEST_F(PostgresSite, SeveralResultSetsAndRowsAffected) {
  Result r =
      Quarlo({"--split", "none", "--format", "table", "-c", "select 1 as a; select '二' as b"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            " a\n---\n 1\n（所影响的行数为 1 行）\n"
            " b\n----\n 二\n（所影响的行数为 1 行）\n");

  Result u = Quarlo({"--format", "table", "-c",
                     "drop table if exists cli_u; create table cli_u(x int); "
                     "insert into cli_u values (1), (2), (3); update cli_u set x = 0 where x > 1; "
                     "drop table cli_u"});
  ASSERT_EQ(u.status, 0) << u.err;
  EXPECT_NE(u.out.find("执行命令成功\n（所影响的行数为 2 行）\n"), std::string::npos) << u.out;
}

TEST_F(PostgresSite, FailingStatementAndMaxRows) {
  Result bad = Quarlo({"-c", "select 1/0"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("quarlo: "), std::string::npos);
  EXPECT_EQ(bad.out, "");

  Result max = Quarlo({"-q", "--no-header", "--max-rows", "3", "--rows-per-comm", "2", "-c",
                       "select generate_series(1, 100000)"});
  ASSERT_EQ(max.status, 0) << max.err;
  EXPECT_EQ(max.out, "1\r\n2\r\n3\r\n");
}

TEST_F(PostgresSite, WalksEveryBatch) {
  Result r = Quarlo({"-q", "--no-header", "--rows-per-comm", "100", "-c",
                     "select n, repeat('中', n % 7) from generate_series(1, 1234) n"});
  ASSERT_EQ(r.status, 0) << r.err;
  size_t lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 1234u);
  EXPECT_NE(r.out.find("1234,中中\r\n"), std::string::npos);
}

TEST_F(PostgresSite, LegacyQueryFile) {
  auto file = work_.path() / "q.sql";
  WriteFile(file, kokit::ToLegacy("select '汉字,逗号' as 列;\r\nselect '한국어 😀' as b;\r\n"));
  Result r = Quarlo({"-q", "-f", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "列\r\n\"汉字,逗号\"\r\n\r\nb\r\n한국어 😀\r\n");
}

TEST_F(PostgresSite, CtrlCStopsTheWalkAndClosesCleanly) {
  std::vector<std::string> args{"--site",
                                server_->Url(),
                                "--type",
                                "sqlserver",
                                "--server",
                                "127.0.0.1",
                                "--database",
                                Env("QUARLO_TEST_PG_DATABASE"),
                                "--user",
                                Env("QUARLO_TEST_PG_USER"),
                                "--rows-per-comm",
                                "2",
                                "-c",
                                "select generate_series(1, 300000)"};
  auto closes = [] {
    std::string log = server_->Log();
    size_t n = 0;
    for (size_t at = log.find("Opt=2"); at != std::string::npos; at = log.find("Opt=2", at + 1))
      ++n;
    return n;
  };
  const size_t closedBefore = closes();
  Child c(QUARLO_BIN, args, work_.path(), {{"QUARLO_PASSWORD", Env("QUARLO_TEST_PG_PASSWORD")}});
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
