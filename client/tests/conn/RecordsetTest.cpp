#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ConnFixture.h"
#include "kokit/EventPump.h"

using namespace quarlo::testing;
using quarlolink::QuarloApp;

namespace {

// A connection whose execute page always gives `answer`.
class Answered : public ConnTest {
 protected:
  std::shared_ptr<quarlolink::XmlRecordset> Run(const std::string& answer) {
    site.SetExecutePage([answer](const httplib::Request&) { return answer; });
    return app->Execute("A");
  }
  // "columns row status", and " eof" at the end.
  static std::string State(const std::shared_ptr<quarlolink::XmlRecordset>& rs) {
    return std::to_string(rs->Fields()->Count()) + " " + std::to_string(rs->CurrRowNo()) + " " +
           std::to_string(rs->OptStatus()) + (rs->Eof() ? " eof" : "");
  }
};

}  // namespace

// Columns and values are taken as sent, character for character by column (a nameless column is
// "Col2"); a bad position (9) or name (5) reaches the caller; a field the host keeps follows the
// row; an answer without fields has only its rows affected; a repeated column name (457) stops
// the fill with the columns so far.
TEST_F(Answered, ColumnsAndValuesAreTakenAsSent) {
  const std::string text = "a&lt;b &amp; <i>中文</i> <~1_>fake</~1_>";
  auto rs = Run(FirstAnswer({{"id", 3, 4}, {"", 200, 50}}, {{text, "real"}, {"2", ""}}));
  ASSERT_NE(rs, nullptr);
  auto fields = rs->Fields();
  EXPECT_EQ(fields->Item(1)->Name() + " " + std::to_string(fields->Item(1)->DataType()) + " " +
                std::to_string(fields->Item(0)->DefinedSize()) + " " +
                std::to_string(rs->RowsAffected()) + " " + std::to_string(rs->IsNextRecordset()),
            "Col2 200 4 -1 0");
  EXPECT_EQ(ErrorNumber([&] { fields->Item(2); }), 9);
  EXPECT_EQ(ErrorNumber([&] { fields->Item("0"); }), 5);  // a number in text is a name
  auto col2 = fields->Item("col2");
  EXPECT_EQ(fields->Item("ID")->Value(), text);
  EXPECT_EQ(col2->Value(), "real");  // another column's tag shifts nothing
  rs->MoveNext();
  EXPECT_EQ(col2->Value(), "");
  rs->MoveNext();
  EXPECT_EQ(State(rs), "2 3 0 eof");

  rs = Run(FirstAnswer({{"a"}, {"b"}}, {}));  // columns without rows: past the end
  EXPECT_EQ(State(rs) + rs->Fields()->Item(0)->Value(), "2 1 0 eof");
  rs = Run("OK" + HeadXml("7", "True", "False"));
  EXPECT_EQ(State(rs) + " " + std::to_string(rs->RowsAffected()), "0 0 -1 eof 7");
  EXPECT_EQ(State(Run(FirstAnswer({{"Name"}, {"x"}, {"NAME"}}, {{"1", "2", "3"}}))), "2 0 457 eof");
  EXPECT_EQ(State(Run(FirstAnswer({{"a"}, {""}, {"col2"}}, {{"1", "2", "3"}}))), "2 0 457 eof");
}

// A batch longer than asked is read whole; a continuation answered without rows ends the walk;
// a first answer without rows asks nothing more.
TEST_F(Answered, BatchesLongerThanAskedOrWithoutRows) {
  int requests = 0;
  site.SetExecutePage([&](const httplib::Request& req) -> std::string {
    ++requests;
    std::vector<Row> rows;
    for (int i = 1; i <= 30; ++i) rows.push_back({std::to_string(i)});
    return IntParam(req, "MoveRows") == 0 ? FirstAnswer({{"n"}}, rows, /*eof=*/false)
                                          : "OK<Head><EOF>False</EOF></Head>";
  });
  auto rs = app->Execute("A");
  while (rs->CurrRowNo() < 30) rs->MoveNext();
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "30");
  rs->MoveNext();
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof() && requests == 2);
  site.ClearRequests();
  EXPECT_TRUE(Run(FirstAnswer({{"a"}}, {}, /*eof=*/false))->Eof());
  EXPECT_EQ(site.Requests().size(), 1u);
}

TEST_F(Answered, RecordsetOutlivingItsConnectionReportsAFailure) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(30, req); });
  auto rs = app->Execute("A");
  app.reset();
  for (int i = 1; i < 25; ++i) rs->MoveNext();  // the loaded batch is still readable
  EXPECT_EQ(rs->Fields()->Item(0)->Value() + " " + std::to_string(rs->TotalPages()), "25 0");
  rs->MoveNext();
  EXPECT_EQ(State(rs), "2 25 -1 eof");
  rs->MoveNextPage();
  EXPECT_EQ(rs->NextRecordset(), nullptr);
}

TEST_F(Answered, HostEventsDuringTheFillCannotStartAnotherRequest) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(30, req); });
  auto rs = app->Execute("A");
  for (int i = 1; i < 25; ++i) rs->MoveNext();
  int nested = 0, nestedStatus = 0, pumped = 0;
  std::weak_ptr<QuarloApp> weak = app;
  kokit::SetEventPump([&] {
    ++pumped;
    auto conn = weak.lock();
    if (conn && nested == 0) {
      ++nested;
      EXPECT_EQ(conn->Execute("B"), nullptr);
      nestedStatus = conn->OptStatus();
      rs->MoveNext();  // the recordset being filled cannot fetch either
    }
  });
  site.ClearRequests();
  rs->MoveNext();  // fetches rows 26..30 and reads them with the pump running
  kokit::SetEventPump(nullptr);
  EXPECT_GT(pumped, 5);
  EXPECT_EQ(nestedStatus, 10014);
  EXPECT_EQ(site.Requests().size(), 1u);  // only the batch
}

TEST_F(Answered, HostDroppingTheConnectionDuringAWaitDoesNotCrash) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(30, req); });
  kokit::SetEventPump([&] { app.reset(); });
  std::weak_ptr<QuarloApp> weak = app;
  QuarloApp* raw = app.get();  // the host's only reference goes during the wait
  auto rs = raw->Execute("A");
  kokit::SetEventPump(nullptr);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "1");
  EXPECT_TRUE(weak.expired());
}

// A server that does not know the stop request: the wait still ends at once, the fetch that was
// cancelled leaves the recordset at its end, and the connection goes on.
TEST_F(Answered, CancelDuringAFetchEndsTheWaitWhenTheServerCannotStop) {
  auto hold = std::make_shared<std::atomic<bool>>(true);  // outlives the test in the server
  site.SetOpenPage([](const httplib::Request& req) -> std::string {
    return req.get_param_value("Opt") == "3" ? "参数 Opt 缺少或无法识别（应为 0、1 或 2）" : "OK";
  });
  site.SetExecutePage([hold](const httplib::Request& req) {
    // Later batches are held back (at most 20 s) until the test ends.
    for (int i = 0; i < 2000 && *hold && IntParam(req, "MoveRows") > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return PagedTable(30, req);
  });
  auto rs = app->Execute("A");
  ASSERT_NE(rs, nullptr) << app->OptString();
  for (int i = 1; i < 25; ++i) rs->MoveNext();
  const std::size_t sent = site.Requests().size();
  bool cancelled = false;
  kokit::SetEventPump([&] {
    if (!cancelled && site.Requests().size() > sent) {
      cancelled = true;
      app->Cancel();
    }
  });
  rs->MoveNext();  // asks for rows 26..30, which do not come
  kokit::SetEventPump(nullptr);
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(Said(), "-1 操作已被用户中止（服务器：参数 Opt 缺少或无法识别（应为 0、1 或 2））");
  EXPECT_EQ(site.Requests().back(), "GET /quarlo/quarloopen.asp?Opt=3");
  auto again = app->Execute("A");
  ASSERT_NE(again, nullptr) << app->OptString();
  EXPECT_EQ(again->Fields()->Item(0)->Value(), "1");
  *hold = false;
}
