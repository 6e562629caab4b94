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

TEST_F(PagesTest, KeyCheckIssuesAKeyMapPathAndAnHttpOnlySession) {
  std::string answer = OpenPage(KeyCheckQuery("test key"));
  ASSERT_EQ(answer.substr(0, 2), "OK");
  std::string key = Element(answer, "EncKey");
  EXPECT_GE(key.size(), 16u);
  EXPECT_EQ(Element(answer, "MapPath"), map_.path().string());
  EXPECT_EQ(cookie_.size(), 32u);
  // A second check keeps the session and issues a fresh key.
  std::string cookie = cookie_;
  EXPECT_NE(Element(OpenPage(KeyCheckQuery("test key")), "EncKey"), key);
  EXPECT_EQ(cookie_, cookie);
}

TEST_F(PagesTest, WrongKeyIsRefusedAndMakesNoSession) {
  std::string answer = OpenPage(KeyCheckQuery("not the key"));
  EXPECT_EQ(answer, "密钥验证失败：客户端的密钥与服务器的 ENC_KEY 不一致");
  EXPECT_TRUE(cookie_.empty());
  EXPECT_EQ(P().Sessions().Size(), 0u);
  EXPECT_EQ(OpenPage("?Opt=0&EncKey=%41"), answer);
  EXPECT_EQ(OpenPage("?Opt=0"), answer);
}

TEST_F(PagesTest, HeadDoesNothingButAnswer) {
  PageResponse r = Get(config_.openUrl, KeyCheckQuery("test key"), true);
  EXPECT_EQ(r.status, 200);
  EXPECT_TRUE(r.body.empty());
  EXPECT_TRUE(r.setCookie.empty());
  EXPECT_EQ(P().Sessions().Size(), 0u);
  EXPECT_EQ(Get("/elsewhere", "", true).status, 404);
}

TEST_F(PagesTest, OpenNeedsAKeyCheckFirst) {
  EXPECT_EQ(OpenPage(OpenQuery(kAccess + std::string("data/test.db;"), "x")),
            "请先通过密钥验证（Opt=0）再打开数据库连接");
}

TEST_F(PagesTest, OpenAcceptsBothSeparatorsUnderTheMapFolder) {
  EXPECT_EQ(Login(kAccess + std::string("data\\test.db;uid=;pwd=")), "OK");
  EXPECT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  EXPECT_EQ(Login(kAccess + (map_.path() / "data" / "test.db").string() + ";"), "OK");
}

TEST_F(PagesTest, OpenRefusesAMissingFileWithoutCreatingIt) {
  std::string answer = Login(kAccess + std::string("data\\tset.db;"));
  EXPECT_NE(answer, "OK");
  EXPECT_NE(answer.find("tset.db"), std::string::npos) << answer;
  EXPECT_FALSE(std::filesystem::exists(map_ / "data" / "tset.db"));
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
}

TEST_F(PagesTest, OpenRefusesAConnectionStringUnderAnotherKey) {
  KeyCheck();
  EXPECT_EQ(OpenPage(OpenQuery(kAccess + std::string("data/test.db;"), "stale key")),
            "连接字符串无法解密：请重新进行密钥验证后再打开连接");
}

TEST_F(PagesTest, ExecuteWithoutAnOpenConnectionSaysSessionTimeout) {
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  KeyCheck();
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  EXPECT_TRUE(Exec("select 1").ok);
  EXPECT_EQ(OpenPage("?Opt=2"), "OK");
  EXPECT_EQ(Exec("select 1").text, "SessionTimeout");
}

TEST_F(PagesTest, PagesSixtyRowsTwentyFiveAtATime) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  const std::string sql = "select id, name, note from t order by id";
  auto a = Exec(sql);
  ASSERT_TRUE(a.ok) << a.text;
  EXPECT_EQ(a.recordsAffected, "-1");
  EXPECT_EQ(a.eof, "False");
  EXPECT_EQ(a.isNextRecordset, "False");
  ASSERT_EQ(a.fields.size(), 3u);
  EXPECT_EQ(a.fields[0].name, "id");
  EXPECT_EQ(a.fields[0].type, 3);
  EXPECT_EQ(a.fields[1].type, 200);
  ASSERT_EQ(a.rows.size(), 25u);
  EXPECT_EQ(a.rows[0], (std::vector<std::string>{"1", "name1", "note 1"}));

  auto b = Exec(sql, {.moveRows = 25, .noHead = true}, 3);
  EXPECT_EQ(b.text.find("<Fields>"), std::string::npos);
  EXPECT_EQ(b.eof, "False");
  ASSERT_EQ(b.rows.size(), 25u);
  EXPECT_EQ(b.rows[0][0], "26");

  auto c = Exec(sql, {.moveRows = 50, .noHead = true}, 3);
  EXPECT_EQ(c.eof, "True");
  ASSERT_EQ(c.rows.size(), 10u);
  EXPECT_EQ(c.rows[9][0], "60");

  auto back = Exec(sql, {.moveRows = 0, .noHead = true}, 3);
  EXPECT_EQ(back.eof, "False");
  ASSERT_EQ(back.rows.size(), 25u);
  EXPECT_EQ(back.rows[0][0], "1");

  auto past = Exec(sql, {.moveRows = 75, .noHead = true}, 3);
  EXPECT_EQ(past.eof, "True");
  EXPECT_TRUE(past.rows.empty());
}

TEST_F(PagesTest, EofIsExactAtABatchBoundary) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  auto a = Exec("select id from t where id <= 50", {.rowsPerComm = 25});
  EXPECT_EQ(a.eof, "False");
  auto b = Exec("select id from t where id <= 50",
                {.rowsPerComm = 25, .moveRows = 25, .noHead = true}, 1);
  EXPECT_EQ(b.rows.size(), 25u);
  EXPECT_EQ(b.eof, "True");
  auto empty = Exec("select id from t where id < 0");
  EXPECT_EQ(empty.eof, "True");
  EXPECT_EQ(empty.fields.size(), 1u);
  EXPECT_TRUE(empty.rows.empty());
}

TEST_F(PagesTest, ABatchGivesOneResultSetPerStatement) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  const std::string sql = "select 1 as a; select 'x' as b, 2 as c";
  auto first = Exec(sql);
  EXPECT_EQ(first.isNextRecordset, "True");
  EXPECT_EQ(first.eof, "True");
  ASSERT_EQ(first.rows.size(), 1u);
  auto second = Exec(sql, {.beginRecordset = 2});
  ASSERT_TRUE(second.ok) << second.text;
  EXPECT_EQ(second.isNextRecordset, "False");
  ASSERT_EQ(second.fields.size(), 2u);
  EXPECT_EQ(second.fields[0].name, "b");
  EXPECT_EQ(second.rows.at(0), (std::vector<std::string>{"x", "2"}));
  // The first result set is gone; the statement is not run again for it.
  auto earlier = Exec(sql, {.beginRecordset = 1, .noHead = true});
  EXPECT_FALSE(earlier.ok);
  EXPECT_NE(earlier.text.find("第 1 个结果集已经读过"), std::string::npos) << earlier.text;
  auto missing = Exec(sql, {.beginRecordset = 3});
  EXPECT_NE(missing.text.find("没有第 3 个结果集"), std::string::npos) << missing.text;
}

TEST_F(PagesTest, AnUpdateReportsItsRecordsAffected) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  auto a = Exec("update t set note = 'x' where id <= 7");
  ASSERT_TRUE(a.ok) << a.text;
  EXPECT_EQ(a.recordsAffected, "7");
  EXPECT_EQ(a.eof, "True");
  EXPECT_EQ(a.isNextRecordset, "False");
  EXPECT_EQ(a.text.find("<Fields>"), std::string::npos);
  EXPECT_EQ(Exec("update t set note = 'x' where id < 0").recordsAffected, "0");
}

TEST_F(PagesTest, AnUpdateThenSelectBatchPagedBackAndForthUpdatesOnce) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  const std::string sql = "update counter set n = n + 1; select id from t order by id";
  auto update = Exec(sql);
  EXPECT_EQ(update.recordsAffected, "1");
  EXPECT_EQ(update.isNextRecordset, "True");
  auto rows = Exec(sql, {.beginRecordset = 2});
  ASSERT_EQ(rows.rows.size(), 25u);
  for (int move : {25, 50, 0, 25, 0}) {
    auto page = Exec(sql, {.beginRecordset = 2, .moveRows = move, .noHead = true}, 1);
    ASSERT_FALSE(page.rows.empty()) << page.text;
    EXPECT_EQ(page.rows[0][0], std::to_string(move + 1));
  }
  EXPECT_EQ(Counter(), 1);
}

TEST_F(PagesTest, EveryStatementOfABatchRunsAtTheFirstRequest) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  auto a = Exec(
      "insert into counter values (1); insert into counter values (2); "
      "insert into counter values (3)");
  EXPECT_EQ(a.isNextRecordset, "True");
  EXPECT_EQ(Exec("select count(*) from counter").rows.at(0)[0], "4");
}

TEST_F(PagesTest, AContinuationWithoutItsStatementIsRefusedNotRerun) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  const std::string sql = "update counter set n = n + 1; select id from t";
  auto page = Exec(sql, {.beginRecordset = 2, .moveRows = 25, .noHead = true}, 1);
  EXPECT_FALSE(page.ok);
  EXPECT_NE(page.text.find("请重新执行语句"), std::string::npos) << page.text;
  EXPECT_EQ(Counter(), 0);
}

TEST_F(PagesTest, ChineseTextTravelsInTheCodePage) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  ASSERT_TRUE(Exec("update t set name = '中文名' where id = 1").ok);
  PageResponse r =
      Get(config_.executeUrl, ExecuteQuery("select name, '汉字' as 列 from t where id = 1"));
  // GBK bytes of 中 and 列 in the body: GB18030 writes them as GBK does.
  EXPECT_NE(r.body.find("\xD6\xD0"), std::string::npos);
  EXPECT_NE(r.body.find("\xC1\xD0"), std::string::npos);
  EXPECT_NE(r.contentType.find("charset=GB18030"), std::string::npos);
  auto a = ParseAnswer(Text(r));
  EXPECT_EQ(a.fields.at(1).name, "列");
  EXPECT_EQ(a.rows.at(0), (std::vector<std::string>{"中文名", "汉字"}));
}

TEST_F(PagesTest, StatementBytesOutsideTheCodePageAreRefusedNotRun) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  // 0x81 leads a character, and "'" cannot end one.
  auto a = ParseAnswer(
      Text(Get(config_.executeUrl,
               "?SQL=" + PercentEncodeBytes("update counter set n = 1 where '\x81' <> ''") +
                   "&RowsPerComm=25")));
  EXPECT_EQ(a.text, "语句的第 33 个字节不是代码页 GB18030 的字符，语句没有执行");
  EXPECT_EQ(Counter(), 0);
}

TEST_F(PagesTest, TrailingBlanksGoOnlyWhenAsked) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  EXPECT_EQ(Exec("select note from t where id = 2", {.removeSpace = true}).rows.at(0)[0], "note 2");
  EXPECT_EQ(Exec("select note from t where id = 2", {.removeSpace = false}).rows.at(0)[0],
            "note 2   ");
  EXPECT_EQ(Exec("select null as n").rows.at(0)[0], "");
}

TEST_F(PagesTest, AFailingStatementAnswersTheDriversText) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  auto a = Exec("select * from no_such_table");
  EXPECT_FALSE(a.ok);
  EXPECT_NE(a.text.find("no_such_table"), std::string::npos) << a.text;
}

TEST_F(PagesTest, BoundsAreRefusedWithAClearText) {
  config_.maxRows = 100;
  config_.maxSqlBytes = 1000;
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  EXPECT_EQ(Exec("select 1", {.rowsPerComm = 101}).text, "RowsPerComm 必须在 1 到 100 之间");
  EXPECT_EQ(Exec("select 1", {.rowsPerComm = 0}).text, "RowsPerComm 必须在 1 到 100 之间");
  EXPECT_TRUE(Exec("select 1", {.rowsPerComm = 100}).ok);
  std::string longSql = "select '" + std::string(1000, 'x') + "'";
  EXPECT_NE(Exec(longSql).text.find("语句太长"), std::string::npos);
  EXPECT_EQ(Exec("").text, "没有要执行的 SQL 语句");
  EXPECT_EQ(Exec("select 1", {.moveRows = -1, .noHead = true}).text, "MoveRows 不能是负数");
  EXPECT_EQ(Text(Get(config_.executeUrl, "?SQL=%5&RowsPerComm=25")),
            "请求参数中有错误的百分号编码（\"%\" 后必须是两位十六进制数字）");
  EXPECT_EQ(Text(Get(config_.executeUrl, "?SQL=%41&RowsPerComm=x")), "参数 RowsPerComm 必须是整数");
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

TEST_F(PagesTest, AStatementOf256KiBRuns) {
  ASSERT_EQ(Login(kAccess + std::string("data/test.db;")), "OK");
  std::string sql = "select '" + std::string(256 * 1024 - 20, 'y') + "' as v";
  ASSERT_LE(sql.size(), 256u * 1024);
  auto a = Exec(sql);
  ASSERT_TRUE(a.ok) << a.text.substr(0, 200);
  EXPECT_EQ(a.rows.at(0)[0].size(), 256u * 1024 - 20);
}

TEST_F(PagesTest, SessionsAreCapped) {
  config_.maxSessions = 2;
  KeyCheck();
  cookie_.clear();
  KeyCheck();
  cookie_.clear();
  EXPECT_EQ(OpenPage(KeyCheckQuery("test key")), "服务器的会话数已达上限（2），请稍后再试");
}

TEST_F(PagesTest, UnknownOptIsRefused) {
  EXPECT_EQ(OpenPage("?Opt=4"), "参数 Opt 缺少或无法识别（应为 0、1、2 或 3）");
  EXPECT_EQ(OpenPage(""), "参数 Opt 缺少或无法识别（应为 0、1、2 或 3）");
}

}  // namespace
}  // namespace quarlopages
