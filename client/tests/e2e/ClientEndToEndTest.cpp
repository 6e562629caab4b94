// A host's whole road through the public headers: test the site, log in, run statements and walk
// their results, against the real quarlopages program and real databases.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
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
    Start({});
  }

  void Start(const std::vector<std::string>& extra) {
    site_.Start(app->EncKey(), extra);
    app->SetWebSite(site_.WebSite());
  }
  std::string ConnectionString() { return site_.ConnectionString(); }

  // Opens the connection; for PostgreSQL makes the table the SQLite file has.
  void Login() {
    app->OpenConn(ConnectionString());
    ASSERT_EQ(app->OptStatus(), 0) << app->OptString();
    if (GetParam() == Db::Postgres) {
      ASSERT_NE(app->Execute("create temp table t(id integer primary key, name varchar(20), "
                             "note varchar(40)); insert into t select g, 'name' || g, 'note ' || g "
                             "from generate_series(1, 60) g"),
                nullptr)
          << app->OptString();
    }
  }

  // Requests of a page so far, from the server's request log.
  std::size_t PageRequests(const std::string& page = "/quarlo/quarloopen.asp") {
    std::string log = server_->Stderr();
    std::size_t n = 0;
    for (std::size_t at = 0; (at = log.find(page, at)) != std::string::npos; ++at) ++n;
    return n;
  }

  // A number the test reads from the database itself, beside the server.
  int64_t Count(const std::string& sql) {
    if (!observer_) {
      std::string cs = GetParam() == Db::Sqlite
                           ? "driver={SQLite3};dbq=" + (map_ / "test.db").string()
                           : ConnectionString();
      quarlopages::db::ConnectOptions options;
      options.mapPath = map_.path().string();
      observer_ = quarlopages::db::Connect(cs, options);
    }
    auto statement = observer_->Execute(sql, 0);
    quarlopages::db::Row row;
    return statement->Fetch(row) && row.at(0) ? std::stoll(*row.at(0)) : -1;
  }

  std::string Value(const std::shared_ptr<XmlRecordset>& rs, const std::string& column) {
    return rs->Fields()->Item(column)->Value();
  }

  quarlo::testing::Site site_{GetParam()};
  quarlo::testing::TempDir& map_ = site_.map;
  std::unique_ptr<quarlopages::testing::ServerProcess>& server_ = site_.server;
  std::shared_ptr<QuarloApp> app;
  std::unique_ptr<quarlopages::db::Connection> observer_;
};

INSTANTIATE_TEST_SUITE_P(Backends, ClientEndToEnd, ::testing::Values(Db::Sqlite, Db::Postgres),
                         quarlo::testing::BackendName);

// The host's everyday road: a wrong key fails the test (with the prompt) and the login, then
// with the right one test the site, log in, update, walk batches and pages, meet an error, close.
TEST_P(ClientEndToEnd, AHostsRoadFromTestToClose) {
  const std::string key = app->EncKey();
  app->SetEncKey("not the server's key");
  int prompts = 0;
  app->SetPromptHandler([&](auto&&...) { ++prompts; });
  app->Test();
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_FALSE(app->OptString().empty());
  EXPECT_EQ(prompts, 1);
  app->OpenConn(ConnectionString());
  EXPECT_EQ(app->OptStatus(), -1);

  app->SetEncKey(key);
  app->Test();
  ASSERT_EQ(app->OptStatus(), 0) << app->OptString();
  EXPECT_EQ(prompts, 1);
  Login();
  auto rs = app->Execute("select '中文值' as 名称, 'abc  ' as pad");
  ASSERT_NE(rs, nullptr) << app->OptString();
  EXPECT_EQ(Value(rs, "名称"), "中文值");
  EXPECT_EQ(Value(rs, "PAD"), "abc");  // trailing blanks removed by the server
  EXPECT_FALSE(rs->Eof());
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());

  auto update = app->Execute("update t set note = 'changed' where id <= 7");
  ASSERT_NE(update, nullptr) << app->OptString();
  EXPECT_EQ(update->RowsAffected(), 7);
  EXPECT_EQ(update->Fields()->Count(), 0);
  EXPECT_TRUE(update->Eof());
  EXPECT_EQ(Value(app->Execute("select count(*) as n from t where note = 'changed'"), "n"), "7");

  auto first = app->Execute("select 1 as a; select 'x' as b, 2 as c");
  ASSERT_NE(first, nullptr) << app->OptString();
  EXPECT_EQ(Value(first, "a"), "1");
  ASSERT_TRUE(first->IsNextRecordset());
  auto second = first->NextRecordset();
  ASSERT_NE(second, nullptr) << app->OptString();
  EXPECT_EQ(Value(second, "b"), "x");
  EXPECT_EQ(Value(second, "c"), "2");
  EXPECT_FALSE(second->IsNextRecordset());
  EXPECT_EQ(second->NextRecordset(), nullptr);

  auto batch =
      app->Execute("update t set note = 'x' where id = 3; select id from t where note = 'x'");
  ASSERT_NE(batch, nullptr) << app->OptString();
  EXPECT_EQ(batch->RowsAffected(), 1);
  EXPECT_EQ(batch->Fields()->Count(), 0);
  ASSERT_TRUE(batch->IsNextRecordset());
  auto rows = batch->NextRecordset();
  ASSERT_NE(rows, nullptr) << app->OptString();
  EXPECT_EQ(Value(rows, "id"), "3");
  rows->MoveNext();
  EXPECT_TRUE(rows->Eof());

  auto paged = app->Execute("select id, name from t order by id");
  ASSERT_NE(paged, nullptr) << app->OptString();
  int walked = 0;
  for (; paged->CurrRowNo() <= 50 && !paged->Eof(); paged->MoveNext()) {
    ++walked;
    ASSERT_EQ(Value(paged, "id"), std::to_string(walked));
  }
  EXPECT_EQ(walked, 50);
  EXPECT_EQ(paged->CurrRowNo(), 51);  // the next batch began page 2
  EXPECT_EQ(paged->CurrPageNo(), 2);
  paged->MovePrevPage();
  EXPECT_EQ(paged->CurrPageNo(), 1);
  EXPECT_EQ(Value(paged, "name"), "name1");
  paged->MoveNextPage();
  EXPECT_EQ(Value(paged, "id"), "51");
  while (!paged->Eof()) paged->MoveNext();
  EXPECT_EQ(Value(paged, "id"), "60");
  EXPECT_EQ(paged->TotalPages(), 2);
  paged->MoveFristPage();
  EXPECT_EQ(Value(paged, "id"), "1");
  EXPECT_EQ(app->OptStatus(), 0);

  EXPECT_EQ(app->Execute("select * from no_such_table"), nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_NE(app->OptString().find("no_such_table"), std::string::npos) << app->OptString();
  app->CloseConn();
  EXPECT_EQ(app->OptStatus(), 0);
}

TEST_P(ClientEndToEnd, ExpiredSessionIsRecoveredTransparently) {
  Start({"--session-timeout", "1"});
  Login();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  const std::size_t opensBefore = PageRequests();
  auto rs = app->Execute("select 'again' as v");
  ASSERT_NE(rs, nullptr) << app->OptString();
  EXPECT_EQ(app->OptStatus(), 0);
  EXPECT_EQ(Value(rs, "v"), "again");
  EXPECT_EQ(PageRequests(), opensBefore + 2);  // key check and open, done by the library
}

// The new user's trial: text GBK cannot hold (Korean, emoji, CJK extension B) is stored as it
// is and comes back unchanged on every page.
TEST_P(ClientEndToEnd, TextOutsideGbkIsStoredAndReadBackUnchanged) {
  Login();
  const std::string text = "한국어 😀 𠀀 €";
  auto update = app->Execute("update t set note = '" + text + "' || id");
  ASSERT_NE(update, nullptr) << app->OptString();
  EXPECT_EQ(update->RowsAffected(), 60);
  auto rs = app->Execute("select id, note from t order by id");
  ASSERT_NE(rs, nullptr) << app->OptString();
  int walked = 0;
  for (; !rs->Eof(); rs->MoveNext()) {
    ++walked;
    ASSERT_EQ(Value(rs, "note"), text + std::to_string(walked));
  }
  EXPECT_EQ(walked, 60);
  EXPECT_EQ(rs->TotalPages(), 2);
  // What the database holds, read past the server.
  std::string stored;
  if (GetParam() == Db::Sqlite) {
    sqlite3* db = nullptr;
    sqlite3_open_v2((map_ / "test.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select note from t where id = 7", -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) {
      stored = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
  } else {
    auto rs7 =
        app->Execute("select encode(convert_to(note, 'UTF8'), 'hex') as h from t where id = 7");
    ASSERT_NE(rs7, nullptr) << app->OptString();
    const std::string hex = Value(rs7, "h");
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      stored.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
  }
  EXPECT_EQ(stored, text + "7");
}

// With GBK chosen on both sides, a statement GBK cannot carry is refused by the client, naming
// the character, and never reaches the server (so is one that is not UTF-8 at all); what GBK
// holds still travels, "€" included.
TEST_P(ClientEndToEnd, NarrowerCodePageRefusesRatherThanWritingQuestionMarks) {
  struct Restore {
    std::string saved = kokit::LegacyCodepage();
    ~Restore() { kokit::SetLegacyCodepage(saved); }
  } restore;
  kokit::SetLegacyCodepage("GBK");
  Start({"--codepage", "GBK"});
  Login();
  const std::size_t executes = PageRequests("/quarlo/quarloexecute.asp");
  EXPECT_EQ(app->Execute("update t set note = '한국어' where id = 1"), nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "语句没有发送：代码页 GBK 不能表示字符“한”（U+D55C）");
  EXPECT_EQ(app->Execute("select 'a\xFF'"), nullptr);  // a host's bytes that are not UTF-8
  EXPECT_EQ(app->OptString(), "语句没有发送：其中的字节 0xFF 不是 UTF-8 文本");
  EXPECT_EQ(PageRequests("/quarlo/quarloexecute.asp"), executes);
  auto rs = app->Execute("select '中文 €' as v");
  ASSERT_NE(rs, nullptr) << app->OptString();
  EXPECT_EQ(Value(rs, "v"), "中文 €");
}

// The user stops a long statement from the host's events: the wait ends, the server stops the
// statement on the database, and the session goes on.
TEST_P(ClientEndToEnd, CancelStopsTheStatementOnTheDatabase) {
  using Clock = std::chrono::steady_clock;
  Login();
  app->Cancel();
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "当前没有正在执行的操作，无需中止");

  // SQLite has no sleep: a recursive count runs for minutes, after a mark of its start.
  const bool sqlite = GetParam() == Db::Sqlite;
  if (sqlite) {
    ASSERT_NE(app->Execute("create table started(n integer)"), nullptr) << app->OptString();
  }
  const std::string running =
      sqlite ? "select count(*) from started"
             : "select count(*) from pg_stat_activity where state = 'active' and query like "
               "'%pg_sleep(30)%' and pid <> pg_backend_pid()";
  Clock::time_point cancelledAt{};
  kokit::SetEventPump([&] {
    if (cancelledAt == Clock::time_point{} && Count(running) > 0) {
      cancelledAt = Clock::now();
      app->Cancel();
    }
  });
  auto rs = app->Execute(sqlite ? "insert into started values (1); with recursive c(x) as (select "
                                  "1 union all select x + 1 from c where x < 1000000000) "
                                  "select count(*) from c"
                                : "select pg_sleep(30)");
  const auto returnedAt = Clock::now();
  kokit::SetEventPump(nullptr);
  EXPECT_EQ(rs, nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "操作已被用户中止，服务器上正在执行的语句已停止");
  if (!sqlite) {
    while (Count(running) > 0 && Clock::now() - cancelledAt < std::chrono::seconds(20)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(Count(running), 0);
  }
  const auto goneAt = Clock::now();
  auto next = app->Execute("select 'next' as v");
  ASSERT_NE(next, nullptr) << app->OptString();
  EXPECT_EQ(Value(next, "v"), "next");
  using ms = std::chrono::duration<double, std::milli>;
  std::printf(
      "cancel to return %.1f ms, to the statement gone %.1f ms, to the next answer %.1f ms\n",
      ms(returnedAt - cancelledAt).count(), ms(goneAt - cancelledAt).count(),
      ms(Clock::now() - cancelledAt).count());
}

}  // namespace
