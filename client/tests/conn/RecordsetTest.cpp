#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Answers.h"
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
};

}  // namespace

// Columns and values are taken as sent, character for character by column (a nameless column is
// "Col2"); a field the host keeps follows the row; an answer without fields has only its rows
// affected; a repeated column name stops the fill with the columns so far.
TEST_F(Answered, ColumnsAndValuesAreTakenAsSent) {
  const std::string text = "a&lt;b &amp; <i>中文</i> <~1_>fake</~1_>";
  auto rs = Run(FirstAnswer({{"id", 3, 4}, {"", 200, 50}}, {{text, "real"}, {"2", ""}}));
  ASSERT_NE(rs, nullptr);
  auto fields = rs->Fields();
  EXPECT_EQ(fields->Item(1)->Name(), "Col2");
  EXPECT_EQ(fields->Item(1)->DataType(), 200);
  EXPECT_EQ(fields->Item(0)->DefinedSize(), 4);
  EXPECT_EQ(rs->RowsAffected(), -1);
  EXPECT_FALSE(rs->IsNextRecordset());
  auto col2 = fields->Item("col2");
  EXPECT_EQ(fields->Item("ID")->Value(), text);
  EXPECT_EQ(col2->Value(), "real");  // another column's tag shifts nothing
  rs->MoveNext();
  EXPECT_EQ(col2->Value(), "");
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->OptStatus(), 0);

  rs = Run(FirstAnswer({{"a"}, {"b"}}, {}));
  EXPECT_EQ(rs->Fields()->Count(), 2);
  EXPECT_EQ(rs->CurrRowNo(), 1);  // columns without rows: past the end
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "");
  rs = Run("OK" + HeadXml("7", "True", "False"));
  EXPECT_EQ(rs->RowsAffected(), 7);
  EXPECT_EQ(rs->Fields()->Count(), 0);
  EXPECT_EQ(rs->OptStatus(), -1);
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());

  rs = Run(FirstAnswer({{"Name"}, {"x"}, {"NAME"}}, {{"1", "2", "3"}}));
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->OptStatus(), 457);
  EXPECT_EQ(rs->Fields()->Count(), 2);
  rs = Run(FirstAnswer({{"a"}, {""}, {"col2"}}, {{"1", "2", "3"}}));
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->Fields()->Count(), 2);
}

TEST_F(Answered, MalformedHeadersLeaveTheRecordsetAtItsEnd) {
  for (const std::string& head : {HeadXml("many", "True", "False"),
                                  HeadXml("1", "perhaps", "False"), std::string("<Head></Head>")}) {
    auto rs = Run("OK" + head + FieldsXml({{"a"}}) + RowsXml({{"1"}}));
    ASSERT_NE(rs, nullptr) << head;
    EXPECT_TRUE(rs->Eof()) << head;
    EXPECT_NE(rs->OptStatus(), 0) << head;
    EXPECT_EQ(rs->CurrRowNo(), 0) << head;
  }
}

// An answer cut anywhere never crashes; one of several megabytes is read whole.
TEST_F(Answered, CutAnswersNeverCrashAndLargeOnesAreReadWhole) {
  std::string full = FirstAnswer({{"a"}, {"b"}}, {{"1", "x"}, {"2", "y"}, {"3", "z"}});
  for (std::size_t cut = 2; cut < full.size(); cut += 3) {
    auto rs = Run(full.substr(0, cut));
    ASSERT_NE(rs, nullptr);
    while (!rs->Eof()) rs->MoveNext();
    EXPECT_LE(rs->CurrRowNo(), 4);
  }
  std::vector<Row> rows;
  for (int i = 0; i < 4000; ++i) rows.push_back({std::to_string(i), std::string(1000, 'v')});
  auto rs = Run(FirstAnswer({{"n"}, {"v"}}, rows));
  ASSERT_NE(rs, nullptr);
  int count = 0;
  for (; !rs->Eof(); rs->MoveNext()) ++count;
  EXPECT_EQ(count, 4000);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "3999");
}

// A continuation answered without rows ends the walk; a first answer without rows asks nothing.
TEST_F(Answered, AnswersWithoutRowsEndTheWalk) {
  int requests = 0;
  site.SetExecutePage([&](const httplib::Request& req) -> std::string {
    ++requests;
    if (IntParam(req, "MoveRows") == 0) return FirstAnswer({{"a"}}, {{"1"}}, /*eof=*/false);
    return "OK<Head><EOF>False</EOF></Head>";
  });
  auto rs = app->Execute("A");
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  rs->MoveNext();
  EXPECT_EQ(requests, 2);
  site.SetExecutePage([&](const httplib::Request&) {
    ++requests;
    return FirstAnswer({{"a"}}, {}, /*eof=*/false);
  });
  EXPECT_TRUE(app->Execute("A")->Eof());
  EXPECT_EQ(requests, 3);
}

TEST_F(Answered, BatchLongerThanAskedIsReadByPosition) {
  site.SetExecutePage([](const httplib::Request& req) {
    std::vector<Row> rows;
    for (int i = 1; i <= 30; ++i) rows.push_back({std::to_string(IntParam(req, "MoveRows") + i)});
    return FirstAnswer({{"n"}}, rows, IntParam(req, "MoveRows") > 0);
  });
  auto rs = app->Execute("A");
  while (rs->CurrRowNo() < 30) rs->MoveNext();
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "30");
}

TEST_F(Answered, RecordsetOutlivingItsConnectionReportsAFailure) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(30, req); });
  auto rs = app->Execute("A");
  app.reset();
  for (int i = 1; i < 25; ++i) rs->MoveNext();  // the loaded batch is still readable
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "25");
  EXPECT_EQ(rs->TotalPages(), 0);
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->OptStatus(), -1);
  EXPECT_FALSE(rs->OptString().empty());
  rs->MoveNextPage();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->NextRecordset(), nullptr);
}

TEST_F(Answered, HostEventsDuringTheFillCannotStartAnotherRequest) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(30, req); });
  auto rs = app->Execute("A");
  for (int i = 1; i < 25; ++i) rs->MoveNext();
  int nested = 0;
  int32_t nestedStatus = 0;
  int32_t pumped = 0;
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
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(),
            "操作已被用户中止（服务器：参数 Opt 缺少或无法识别（应为 0、1 或 2））");
  EXPECT_EQ(site.Requests().back(), "GET /quarlo/quarloopen.asp?Opt=3");
  auto again = app->Execute("A");
  ASSERT_NE(again, nullptr) << app->OptString();
  EXPECT_EQ(again->Fields()->Item(0)->Value(), "1");
  *hold = false;
}
