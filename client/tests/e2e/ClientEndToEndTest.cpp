// A host's whole road through the public headers: test the site, log in, run statements and walk
// their results, against the real quarlopages program and real databases.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "Site.h"
#include "db/Backend.h"
#include "kokit/Codepage.h"
#include "kokit/EventPump.h"
#include "quarlolink/QuarloApp.h"

namespace {

using quarlo::testing::Db;
using quarlolink::QuarloApp;
using quarlolink::XmlRecordset;

class ClientEndToEnd : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    if (!quarlo::testing::Available(GetParam())) {
      GTEST_SKIP() << "QUARLO_TEST_PGPORT is not set: no PostgreSQL for this run";
    }
    app = QuarloApp::Create();
  }

  // Starts the server (again when given flags) and opens the connection; for PostgreSQL makes the
  // table the SQLite file has.
  void Login(const std::vector<std::string>& extra = {}) {
    if (!site_.server || !extra.empty()) site_.Start(app->EncKey(), extra);
    app->SetWebSite(site_.WebSite());
    app->OpenConn(site_.ConnectionString());
    ASSERT_EQ(app->OptStatus(), 0) << app->OptString();
    if (GetParam() == Db::Postgres) {
      ASSERT_NE(Run("create temp table t(id integer primary key, name varchar(20), note "
                    "varchar(40)); insert into t select g, 'name' || g, 'note ' || g from "
                    "generate_series(1, 60) g"),
                nullptr);
    }
  }

  // Requests of a page so far, from the server's request log.
  std::size_t PageRequests(const std::string& page = "/quarlo/quarloopen.asp") {
    std::string log = site_.server->Stderr();
    std::size_t n = 0;
    for (std::size_t at = 0; (at = log.find(page, at)) != std::string::npos; ++at) ++n;
    return n;
  }

  // The first value the database itself gives for `sql`, read beside the server.
  std::string Observe(const std::string& sql) {
    if (!observer_) {
      quarlopages::db::ConnectOptions options;
      options.mapPath = site_.map.path().string();
      observer_ = quarlopages::db::Connect(
          GetParam() == Db::Sqlite ? "driver={SQLite3};dbq=" + (site_.map / "test.db").string()
                                   : site_.ConnectionString(),
          options);
    }
    auto statement = observer_->Execute(sql, 0);
    quarlopages::db::Row row;
    return statement->Fetch(row) && row.at(0) ? *row.at(0) : "";
  }

  // A statement that must give a recordset.
  std::shared_ptr<XmlRecordset> Run(const std::string& sql) {
    auto rs = app->Execute(sql);
    EXPECT_NE(rs, nullptr) << sql << ": " << app->OptString();
    return rs;
  }
  static std::string Value(const std::shared_ptr<XmlRecordset>& rs, const std::string& column) {
    return rs ? rs->Fields()->Item(column)->Value() : "(no recordset)";
  }

  quarlo::testing::Site site_{GetParam()};
  std::shared_ptr<QuarloApp> app;
  std::unique_ptr<quarlopages::db::Connection> observer_;
};

INSTANTIATE_TEST_SUITE_P(Backends, ClientEndToEnd, ::testing::Values(Db::Sqlite, Db::Postgres),
                         quarlo::testing::BackendName);

// The host's everyday road: a wrong key fails the test (with the prompt) and the login; with the
// right one test the site, log in, walk result sets, batches and pages, meet an error, stop a
// long statement from the host's events, close; then the narrower code page and an expired
// session.
TEST_P(ClientEndToEnd, AHostsRoadFromTestToClose) {
  const std::string key = app->EncKey();
  app->SetEncKey("not the server's key");
  int prompts = 0;
  app->SetPromptHandler([&](auto&&...) { ++prompts; });
  site_.Start(key);
  app->SetWebSite(site_.WebSite());
  app->Test();
  EXPECT_EQ(std::to_string(app->OptStatus()) + ", prompts " + std::to_string(prompts),
            "-1, prompts 1");
  app->OpenConn(site_.ConnectionString());
  EXPECT_EQ(app->OptStatus(), -1);
  app->SetEncKey(key);
  app->Test();
  ASSERT_EQ(app->OptStatus(), 0) << app->OptString();
  EXPECT_EQ(prompts, 1);
  Login();
  app->Cancel();
  EXPECT_EQ(app->OptString(), "当前没有正在执行的操作，无需中止");
  auto rs = Run("select '中文值' as 名称, 'abc  ' as pad");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(Value(rs, "名称") + "|" + Value(rs, "PAD"), "中文值|abc");  // trailing blanks go
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());

  auto first = Run("select 1 as a; select 'x' as b, 2 as c");
  EXPECT_EQ(Value(first, "a"), "1");
  auto second = first ? first->NextRecordset() : nullptr;
  EXPECT_EQ(Value(second, "b") + Value(second, "c"), "x2");
  EXPECT_EQ(second ? second->NextRecordset() : nullptr, nullptr);
  auto batch = Run("update t set note = 'x' where id <= 3; select id from t where note = 'x'");
  ASSERT_NE(batch, nullptr);
  EXPECT_EQ(std::to_string(batch->RowsAffected()) + " rows, columns " +
                std::to_string(batch->Fields()->Count()),
            "3 rows, columns 0");
  EXPECT_EQ(Value(batch->NextRecordset(), "id"), "1");

  const bool sqlite = GetParam() == Db::Sqlite;
  auto paged = Run("select id, name from t order by id");
  ASSERT_NE(paged, nullptr);
  int walked = 0;
  for (; paged->CurrRowNo() <= 50 && !paged->Eof(); paged->MoveNext()) {
    ASSERT_EQ(Value(paged, "id"), std::to_string(++walked));
  }
  EXPECT_EQ(walked, 50);
  EXPECT_EQ(paged->CurrPageNo(), 2);  // the next batch began page 2
  paged->MovePrevPage();
  EXPECT_EQ(Value(paged, "name"), "name1");
  paged->MoveNextPage();
  EXPECT_EQ(Value(paged, "id"), "51");
  while (!paged->Eof()) paged->MoveNext();
  EXPECT_EQ(Value(paged, "id"), "60");
  EXPECT_EQ(paged->TotalPages(), 2);
  paged->MoveFristPage();
  EXPECT_EQ(Value(paged, "id"), "1");
  EXPECT_EQ(app->Execute("select * from no_such_table"), nullptr);
  EXPECT_NE(app->OptString().find("no_such_table"), std::string::npos) << app->OptString();

  // The wait ends, the server stops the statement on the database, and the session goes on.
  // SQLite has no sleep: a recursive count runs for minutes, after a mark of its start.
  ASSERT_TRUE(!sqlite || Run("create table started(n integer)"));
  const std::string running =
      sqlite ? "select count(*) from started"
             : "select count(*) from pg_stat_activity where state = 'active' and query like "
               "'%pg_sleep(30)%' and pid <> pg_backend_pid()";
  bool cancelled = false;
  kokit::SetEventPump([&] {
    if (!cancelled && Observe(running) != "0") {
      cancelled = true;
      app->Cancel();
    }
  });
  EXPECT_EQ(app->Execute(sqlite ? "insert into started values (1); with recursive c(x) as (select "
                                  "1 union all select x + 1 from c where x < 1000000000) "
                                  "select count(*) from c"
                                : "select pg_sleep(30)"),
            nullptr);
  kokit::SetEventPump(nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "操作已被用户中止，服务器上正在执行的语句已停止");
  for (int i = 0; !sqlite && i < 4000 && Observe(running) != "0"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(sqlite || Observe(running) == "0");
  EXPECT_EQ(Value(Run("select 'next' as v"), "v"), "next");
  app->CloseConn();
  EXPECT_EQ(app->OptStatus(), 0);

  // With GBK chosen on both sides, a statement GBK cannot carry is refused by the client, naming
  // the character, and never reaches the server (so is one that is not UTF-8 at all); what GBK
  // holds still travels, "€" included, after an expired session the library recovers itself.
  struct Restore {
    std::string saved = kokit::LegacyCodepage();
    ~Restore() { kokit::SetLegacyCodepage(saved); }
  } restore;
  kokit::SetLegacyCodepage("GBK");
  Login({"--codepage", "GBK", "--session-timeout", "1"});
  const std::size_t executes = PageRequests("/quarlo/quarloexecute.asp");
  EXPECT_EQ(app->Execute("update t set note = '한국어' where id = 1"), nullptr);
  EXPECT_EQ(std::to_string(app->OptStatus()) + app->OptString(),
            "-1语句没有发送：代码页 GBK 不能表示字符“한”（U+D55C）");
  EXPECT_EQ(app->Execute("select 'a\xFF'"), nullptr);  // a host's bytes that are not UTF-8
  EXPECT_EQ(app->OptString(), "语句没有发送：其中的字节 0xFF 不是 UTF-8 文本");
  EXPECT_EQ(PageRequests("/quarlo/quarloexecute.asp"), executes);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  const std::size_t opensBefore = PageRequests();
  EXPECT_EQ(Value(Run("select '中文 €' as v"), "v"), "中文 €");
  EXPECT_EQ(PageRequests(), opensBefore + 2);  // key check and open, done by the library
}

}  // namespace
