// Many clients whose requests arrive about when the server closes idle kept-alive connections,
// with no connection to spare: every request is answered, and none runs twice.
#include <chrono>
#include <latch>
#include <random>
#include <stdexcept>
#include <thread>

#include "EndToEndFixture.h"

namespace quarlopages::testing {
namespace {

constexpr int kClients = 24;
constexpr int kRounds = 5;

// One client: logs in to a file of its own (SQLite writers on one file would wait for each
// other), then counts up once per round after an idle gap of 0.9 to 1.1 s, around the server's
// 1 s time-out. Every client waits the same gaps, so the server closes many idle connections at
// once and they come back at once.
void Client(const std::string& site, int id, std::latch& loggedIn) {
  HttpClient http;
  auto page = [&](const char* path, const std::string& query) {
    return kokit::FromLegacy(http.Get(site + path + query).body);
  };
  std::string opened;
  try {
    const std::string key = Element(page(kOpen, KeyCheckQuery(kKey)), "EncKey");
    const std::string file = "hits" + std::to_string(id) + ".db";
    opened = page(kOpen, OpenQuery("driver={SQLite3};dbq=" + file, key));
  } catch (...) {
    loggedIn.count_down();
    throw;
  }
  loggedIn.arrive_and_wait();
  if (opened != "OK") throw std::runtime_error("open: " + opened);
  std::mt19937 random(1);
  std::uniform_int_distribution<int> gapMs(900, 1100);
  for (int r = 0; r < kRounds; ++r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(gapMs(random)));
    ParsedAnswer a = ParseAnswer(page(kExecute, ExecuteQuery("update hits set n = n + 1")));
    if (!a.ok || a.recordsAffected != "1") throw std::runtime_error("update: " + a.text);
  }
  ParsedAnswer count = ParseAnswer(page(kExecute, ExecuteQuery("select n from hits")));
  if (count.rows.size() != 1 || count.rows[0][0] != std::to_string(kRounds)) {
    throw std::runtime_error("counted " + count.text + " instead of " + std::to_string(kRounds));
  }
}

TEST(KeepAlive, RequestsAroundTheIdleTimeoutAreAllAnsweredAndRunOnce) {
  quarlo::testing::Site site;
  for (int id = 0; id < kClients; ++id) {
    MakeSqliteFile(site.map / ("hits" + std::to_string(id) + ".db"),
                   "create table hits(n integer); insert into hits values (0)");
  }
  site.Start(kKey, {"--idle-timeout", "1", "--max-connections", std::to_string(kClients)});
  ServerProcess& server = *site.server;
  std::vector<std::string> failures(kClients);
  std::latch loggedIn(kClients);
  {
    std::vector<std::jthread> clients;
    for (int id = 0; id < kClients; ++id) {
      clients.emplace_back([&, id] {
        try {
          Client(server.Url(), id, loggedIn);
        } catch (const std::exception& e) {
          failures[id] = e.what();
        }
      });
    }
  }
  for (int id = 0; id < kClients; ++id) EXPECT_EQ(failures[id], "") << "client " << id;
  if (HasFailure()) std::fprintf(stderr, "server said:\n%s\n", server.Stderr().c_str());
}

}  // namespace
}  // namespace quarlopages::testing
