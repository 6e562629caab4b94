// Where the time of a connection's requests goes: the server's Server-Timing header read, and the
// totals a host subtracts around a statement and its pages.
#include <gtest/gtest.h>

#include <vector>

#include "Answers.h"
#include "ConnFixture.h"
#include "ServerTiming.h"

using namespace quarlo::testing;
using quarlolink::RequestTiming;
using quarlolink::http::ParseServerTiming;

TEST(ServerTiming, HeaderForms) {
  struct Row {
    const char* name;
    const char* header;
    std::optional<double> db, rows, write, total;
  };
  const Row rows[] = {
      {"Pages", "db;dur=120.100, rows;dur=8.000, write;dur=0.400, total;dur=130.250", 120.1, 8.0,
       0.4, 130.25},
      {"TwoLinesJoinedAndAnyCase", "DB;Dur=2.5;desc=\"a, b; c\", cache;dur=9, Write;dur=\"1\"", 2.5,
       std::nullopt, 1.0, std::nullopt},
      {"FirstMetricWithADurationCounts", "db, db;dur=3, db;dur=4", 3.0, std::nullopt, std::nullopt,
       std::nullopt},
      {"NotANonNegativeNumber", "db;dur=-1, rows;dur=1e999, write;dur=x, total;dur=1.5ms",
       std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"Garbage", ";;,=,\"db;dur=1", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& r : rows) {
    auto f = ParseServerTiming(r.header);
    EXPECT_EQ(f.db, r.db) << r.name;
    EXPECT_EQ(f.rows, r.rows) << r.name;
    EXPECT_EQ(f.write, r.write) << r.name;
    EXPECT_EQ(f.total, r.total) << r.name;
  }
}

// Of a span of 100 ms: the database's time, the server's own (beyond the database), the network
// (the wire beyond the server) and the client (the rest); none while an answer lacked the header.
TEST(ServerTiming, SplitOfASpan) {
  RequestTiming t;
  t.requests = t.timedRequests = 2;
  t.wireMs = 40, t.databaseMs = 20, t.serverMs = 25;
  auto s = t.Split(100);
  ASSERT_TRUE(s);
  EXPECT_EQ(std::vector<double>({s->databaseMs, s->serverMs, s->networkMs, s->clientMs}),
            std::vector<double>({20, 5, 15, 60}));
  t.requests = 3;
  EXPECT_FALSE(t.Split(100));
}

// A statement and its further batch and page, first from a server without the header, then with.
TEST_F(ConnTest, TimingOfAStatementAndItsPagesWithAndWithoutServerTiming) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req); });
  auto walk = [&] {
    RequestTiming before = app->Timing();
    auto rs = app->Execute("A");
    while (rs->CurrRowNo() < 26) rs->MoveNext();  // a further batch
    rs->MoveNextPage();
    return app->Timing() - before;
  };
  RequestTiming plain = walk();
  EXPECT_EQ(plain.requests, 3);
  EXPECT_EQ(plain.timedRequests, 0);
  EXPECT_GT(plain.wireMs, 0);
  EXPECT_GT(plain.fillMs, 0);
  EXPECT_EQ(plain.serverMs, 0);
  EXPECT_FALSE(plain.Split(1000));
  site.SetServerTiming("db;dur=0.5, rows;dur=0.25, write;dur=0.125");
  RequestTiming timed = walk();
  EXPECT_EQ(timed.timedRequests, 3);
  // Without "total" the server's time is the sum of the three.
  EXPECT_EQ(std::vector<double>({timed.databaseMs, timed.rowsMs, timed.writeMs, timed.serverMs}),
            std::vector<double>({1.5, 0.75, 0.375, 2.625}));
  EXPECT_TRUE(timed.Split(1000));
}
