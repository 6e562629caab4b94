#include "SessionStore.h"

#include <gtest/gtest.h>

#include <thread>

#include "RequestLog.h"

namespace quarlopages {
namespace {

using namespace std::chrono_literals;

TEST(SessionStore, IdleSessionsExpireButNotUnderARequestAndFreeTheirPlaces) {
  SessionStore store(1s, 2);
  EXPECT_FALSE(store.Find(""));
  EXPECT_FALSE(store.Find("0123456789abcdef0123456789abcdef"));
  std::string idle = store.Create()->id;
  auto held = store.Create();
  const std::string busy = held->id;
  EXPECT_FALSE(store.Create());  // capped
  std::this_thread::sleep_for(1100ms);
  EXPECT_FALSE(store.Find(idle));
  EXPECT_EQ(store.Sweep(), 0u);  // the held one is in use
  EXPECT_EQ(store.Size(), 1u);
  held = SessionStore::Lease();
  EXPECT_TRUE(store.Find(busy));  // just released: its idle time starts again
  EXPECT_TRUE(store.Create());    // the expired one's place
}

TEST(RequestLog, ALineHoldsTheFactsAndNothingElse) {
  PageRequest request;
  request.path = "/quarlo/quarloexecute.asp";
  request.target = "/quarlo/quarloexecute.asp?SQL=%73%65%63%72%65%74";
  request.clientAddress = "127.0.0.1";
  PageResponse response;
  response.note = "sql=6B";
  response.outcome = "OK";
  std::string line = FormatLogLine(request, response, 0.0012, std::chrono::system_clock::now());
  EXPECT_NE(line.find(" 127.0.0.1 GET /quarlo/quarloexecute.asp sql=6B 200 OK 1.200 ms"),
            std::string::npos)
      << line;
  EXPECT_EQ(line.find("%73"), std::string::npos);
  request.path = std::string("/x\n\x01y") + std::string(500, 'p');
  line = FormatLogLine(request, response, 0, std::chrono::system_clock::now());
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_LT(line.size(), 300u);
}

}  // namespace
}  // namespace quarlopages
