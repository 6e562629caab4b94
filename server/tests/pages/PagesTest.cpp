#include "Pages.h"

#include <gtest/gtest.h>

#include "ProtocolText.h"
#include "SqliteFile.h"
#include "TempDir.h"
#include "kokit/Codepage.h"

namespace quarlopages {
namespace {

using namespace quarlopages::testing;

constexpr const char* kAccess = "driver={Microsoft Access Driver (*.mdb)};dbq=";

// The pages in-process over SQLite files in a temporary map folder, with one client's cookie.
class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(map_ / "data");
    MakeSqliteFile(map_ / "data" / "test.db", NumberedRows(60));
    config_.key = "test key";
    std::filesystem::create_directories(spool_.path());
  }

  Pages& P() {
    if (!pages_) pages_ = std::make_unique<Pages>(config_, map_.path(), spool_.path());
    return *pages_;
  }

  PageResponse Get(const std::string& path, const std::string& query, bool head = false) {
    PageRequest r;
    r.path = path;
    r.target = path + query;
    r.sessionCookie = cookie_;
    r.clientAddress = "127.0.0.1";
    r.head = head;
    PageResponse a = P().Handle(r);
    if (!a.setCookie.empty()) cookie_ = a.setCookie;
    return a;
  }
  std::string Text(const PageResponse& r) { return kokit::FromLegacy(r.body); }
  std::string OpenPage(const std::string& query) { return Text(Get(config_.openUrl, query)); }

  std::string KeyCheck() {
    std::string answer = OpenPage(KeyCheckQuery(config_.key));
    EXPECT_EQ(answer.substr(0, 2), "OK") << answer;
    return Element(answer, "EncKey");
  }
  std::string Login(const std::string& connectionString) {
    std::string key = KeyCheck();
    return OpenPage(OpenQuery(connectionString, key));
  }
  ParsedAnswer Exec(const std::string& sql, const ExecuteParams& p = {}, size_t columns = 0) {
    return ParseAnswer(Text(Get(config_.executeUrl, ExecuteQuery(sql, p))), columns);
  }
  int64_t Counter() {
    auto a = Exec("select n from counter");
    return a.rows.empty() ? -1 : std::stoll(a.rows[0][0]);
  }

  quarlo::testing::TempDir map_;
  quarlo::testing::TempDir spool_;
  Config config_;
  std::unique_ptr<Pages> pages_;
  std::string cookie_;
};

// From a refused key to a closed connection: what each step needs and answers.
TEST_F(PagesTest, TheSessionFromKeyCheckToCloseAndTheSessionCap) {
  config_.maxSessions = 2;
  const std::string refused = "密钥验证失败：客户端的密钥与服务器的 ENC_KEY 不一致";
  for (const std::string& query :
       {KeyCheckQuery("not the key"), std::string("?Opt=0&EncKey=%41"), std::string("?Opt=0")}) {
    EXPECT_EQ(OpenPage(query), refused) << query;
  }
  EXPECT_TRUE(cookie_.empty());
  PageResponse head = Get(config_.openUrl, KeyCheckQuery("test key"), true);
  EXPECT_EQ(head.status, 200);
  EXPECT_TRUE(head.body.empty());
  EXPECT_TRUE(head.setCookie.empty());
  EXPECT_EQ(P().Sessions().Size(), 0u);
  EXPECT_EQ(Get("/elsewhere", "", true).status, 404);
  for (const char* query : {"?Opt=4", ""}) {
    EXPECT_EQ(OpenPage(query), "参数 Opt 缺少或无法识别（应为 0、1、2 或 3）") << query;
  }
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  EXPECT_EQ(OpenPage(OpenQuery(kAccess + std::string("data/test.db;"), "x")),
            "请先通过密钥验证（Opt=0）再打开数据库连接");

  std::string answer = OpenPage(KeyCheckQuery("test key"));
  ASSERT_EQ(answer.substr(0, 2), "OK");
  std::string key = Element(answer, "EncKey");
  EXPECT_GE(key.size(), 16u);
  EXPECT_EQ(Element(answer, "MapPath"), map_.path().string());
  EXPECT_EQ(cookie_.size(), 32u);
  // A second check keeps the session and issues a fresh key.
  const std::string cookie = cookie_;
  EXPECT_NE(Element(OpenPage(KeyCheckQuery("test key")), "EncKey"), key);
  EXPECT_EQ(cookie_, cookie);
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  EXPECT_EQ(OpenPage(OpenQuery(kAccess + std::string("data/test.db;"), "stale key")),
            "连接字符串无法解密：请重新进行密钥验证后再打开连接");

  answer = Login(kAccess + std::string("data\\tset.db;"));
  EXPECT_NE(answer.find("tset.db"), std::string::npos) << answer;
  EXPECT_FALSE(std::filesystem::exists(map_ / "data" / "tset.db"));
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  // Both separators under the map folder, and the absolute path.
  EXPECT_EQ(Login(kAccess + std::string("data\\test.db;uid=;pwd=")), "OK");
  EXPECT_EQ(Login(kAccess + (map_.path() / "data" / "test.db").string() + ";"), "OK");
  EXPECT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  EXPECT_TRUE(Exec("select 1").ok);
  EXPECT_EQ(OpenPage("?Opt=2"), "OK");
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");

  cookie_.clear();
  KeyCheck();
  cookie_.clear();
  EXPECT_EQ(OpenPage(KeyCheckQuery("test key")), "服务器的会话数已达上限（2），请稍后再试");
}

// What the end-to-end tests do not reach: a continuation without its statement, batches read
// back, EOF at a batch boundary, bytes outside the code page, blanks, NULL and failures.
TEST_F(PagesTest, ResultSetsPagedBatchedAndRefused) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  const std::string updateThenSelect = "update counter set n = n + 1; select id from t";
  auto orphan = Exec(updateThenSelect, {.beginRecordset = 2, .moveRows = 25, .noHead = true}, 1);
  EXPECT_FALSE(orphan.ok);
  EXPECT_NE(orphan.text.find("请重新执行语句"), std::string::npos) << orphan.text;
  // 0x81 leads a character, and "'" cannot end one.
  EXPECT_EQ(Text(Get(config_.executeUrl,
                     "?SQL=" + PercentEncodeBytes("update counter set n = 1 where '\x81' <> ''") +
                         "&RowsPerComm=25")),
            "语句的第 33 个字节不是代码页 GB18030 的字符，语句没有执行");
  EXPECT_EQ(Counter(), 0);

  const std::string sql = "select id, name, note from t order by id";
  ASSERT_TRUE(Exec(sql).ok);
  auto b = Exec(sql, {.moveRows = 25, .noHead = true}, 3);
  EXPECT_EQ(b.text.find("<Fields>"), std::string::npos);
  EXPECT_EQ(b.rows.at(0), (std::vector<std::string>{"26", "name26", "note 26"}));
  auto back = Exec(sql, {.moveRows = 0, .noHead = true}, 3);
  EXPECT_EQ(back.eof, "False");
  ASSERT_EQ(back.rows.size(), 25u);
  EXPECT_EQ(back.rows[0][0], "1");
  auto past = Exec(sql, {.moveRows = 75, .noHead = true}, 3);
  EXPECT_EQ(past.eof, "True");
  EXPECT_TRUE(past.rows.empty());

  EXPECT_EQ(Exec("select id from t where id <= 50").eof, "False");
  auto boundary = Exec("select id from t where id <= 50", {.moveRows = 25, .noHead = true}, 1);
  EXPECT_EQ(boundary.rows.size(), 25u);
  EXPECT_EQ(boundary.eof, "True");
  auto empty = Exec("select id from t where id < 0");
  EXPECT_EQ(empty.eof, "True");
  EXPECT_EQ(empty.fields.size(), 1u);
  EXPECT_TRUE(empty.rows.empty());

  const std::string batch = "select 1 as a; select 'x' as b, 2 as c";
  auto first = Exec(batch);
  EXPECT_EQ(first.eof, "True");
  ASSERT_TRUE(Exec(batch, {.beginRecordset = 2}).ok);
  // The first result set is gone; the statement is not run again for it.
  auto earlier = Exec(batch, {.beginRecordset = 1, .noHead = true});
  EXPECT_FALSE(earlier.ok);
  EXPECT_NE(earlier.text.find("第 1 个结果集已经读过"), std::string::npos) << earlier.text;
  auto missing = Exec(batch, {.beginRecordset = 3});
  EXPECT_NE(missing.text.find("没有第 3 个结果集"), std::string::npos) << missing.text;
  auto inserts = Exec(
      "insert into counter values (1); insert into counter values (2); "
      "insert into counter values (3)");
  EXPECT_EQ(inserts.isNextRecordset, "True");
  EXPECT_EQ(Exec("select count(*) from counter").rows.at(0)[0], "4");  // all ran at once

  EXPECT_EQ(Exec("select note from t where id = 2", {.removeSpace = true}).rows.at(0)[0], "note 2");
  EXPECT_EQ(Exec("select note from t where id = 2", {.removeSpace = false}).rows.at(0)[0],
            "note 2   ");
  EXPECT_EQ(Exec("select null as n").rows.at(0)[0], "");
  auto failed = Exec("select * from no_such_table");
  EXPECT_FALSE(failed.ok);
  EXPECT_NE(failed.text.find("no_such_table"), std::string::npos) << failed.text;
}

TEST_F(PagesTest, BoundsAreRefusedWithAClearText) {
  config_.maxRows = 100;
  config_.maxSqlBytes = 1000;
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  const std::string rowsRange = "RowsPerComm 必须在 1 到 100 之间";
  struct Case {
    const char* name;
    std::string query;
    std::string answer;  // "" for an answer starting "OK"
  } cases[] = {
      {"too many rows", ExecuteQuery("select 1", {.rowsPerComm = 101}), rowsRange},
      {"no rows", ExecuteQuery("select 1", {.rowsPerComm = 0}), rowsRange},
      {"the most rows", ExecuteQuery("select 1", {.rowsPerComm = 100}), ""},
      {"too long", ExecuteQuery("select '" + std::string(1000, 'x') + "'"),
       "语句太长（1009 字节），服务器最多接受 1000 字节"},
      {"empty", ExecuteQuery(""), "没有要执行的 SQL 语句"},
      {"negative move", ExecuteQuery("select 1", {.moveRows = -1, .noHead = true}),
       "MoveRows 不能是负数"},
      {"bad escape", "?SQL=%5&RowsPerComm=25",
       "请求参数中有错误的百分号编码（\"%\" 后必须是两位十六进制数字）"},
      {"rows not a number", "?SQL=%41&RowsPerComm=x", "参数 RowsPerComm 必须是整数"},
  };
  for (const Case& c : cases) {
    std::string text = Text(Get(config_.executeUrl, c.query));
    if (c.answer.empty()) {
      EXPECT_EQ(text.substr(0, 2), "OK") << c.name;
    } else {
      EXPECT_EQ(text, c.answer) << c.name;
    }
  }
}

// A batch is read whole at once; a lone statement would drop its oldest pages instead.
TEST_F(PagesTest, ABatchPastTheSpoolBudgetIsRefused) {
  config_.maxSpoolBytes = 64 * 1024;
  MakeSqliteFile(map_ / "big.db", NumberedRows(5000));
  ASSERT_EQ(Login(kAccess + std::string("big.db;")), "OK");
  auto a = Exec("select * from t; select 1");
  EXPECT_FALSE(a.ok);
  EXPECT_NE(a.text.find("结果太大"), std::string::npos) << a.text;
  EXPECT_TRUE(Exec("select * from t where id <= 10").ok);
}

}  // namespace
}  // namespace quarlopages
