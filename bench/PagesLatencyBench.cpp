// Latency of small requests to the pages on a kept-alive loopback connection, the case that
// Nagle's algorithm would stretch to 40 ms. Reports the median of each run as median_us.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "HttpServer.h"
#include "Pages.h"
#include "ProtocolText.h"

namespace {

using namespace quarlopages;
namespace fs = std::filesystem;

size_t Collect(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// The pages in-process on a free loopback port, over a small SQLite file.
struct Fixture {
  Fixture() {
    char tmpl[] = "/tmp/quarlopages-bench-XXXXXX";
    dir = mkdtemp(tmpl);
    fs::create_directories(dir / "spool");
    sqlite3* db = nullptr;
    sqlite3_open((dir / "bench.db").c_str(), &db);
    sqlite3_exec(db,
                 "create table t(id integer, name varchar(20)); insert into t values (1, 'one');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    config.key = "bench key";
    pages = std::make_unique<Pages>(config, dir, dir / "spool");
    server = std::make_unique<HttpServer>(
        HttpOptions{}, [this](const PageRequest& r) { return pages->Handle(r); }, nullptr);
    server->Start();
    curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headers);
  }
  ~Fixture() {
    curl_easy_cleanup(curl);
    server.reset();
    pages.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  std::string Get(const std::string& pathAndQuery) {
    body.clear();
    headers.clear();
    curl_slist* list = nullptr;
    if (!cookie.empty()) list = curl_slist_append(list, ("Cookie: " + cookie).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_URL, (server->Url() + pathAndQuery).c_str());
    curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);
    if (auto at = headers.find("Set-Cookie: "); at != std::string::npos) {
      cookie = headers.substr(at + 12, headers.find(';', at) - at - 12);
    }
    return body;
  }

  void Login() {
    std::string answer = Get(config.openUrl + testing::KeyCheckQuery(config.key));
    std::string key = testing::Element(answer, "EncKey");
    Get(config.openUrl +
        testing::OpenQuery("driver={Microsoft Access Driver (*.mdb)};dbq=bench.db;", key));
  }

  fs::path dir;
  Config config;
  std::unique_ptr<Pages> pages;
  std::unique_ptr<HttpServer> server;
  CURL* curl = nullptr;
  std::string body, headers, cookie;
};

void Measure(benchmark::State& state, Fixture& f, const std::string& pathAndQuery) {
  f.Get(pathAndQuery);  // the connection is made here, outside the timing
  std::vector<double> us;
  for (auto _ : state) {
    auto begin = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(f.Get(pathAndQuery));
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin)
                     .count());
  }
  std::nth_element(us.begin(), us.begin() + static_cast<std::ptrdiff_t>(us.size() / 2), us.end());
  state.counters["median_us"] = us[us.size() / 2];
  if (f.body.rfind("OK", 0) != 0) state.SkipWithError("the pages refused the request");
}

void BM_CloseRequest(benchmark::State& state) {
  Fixture f;
  Measure(state, f, f.config.openUrl + "?Opt=2");
}
BENCHMARK(BM_CloseRequest)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_ExecuteSmallPage(benchmark::State& state) {
  Fixture f;
  f.Login();
  f.Get(f.config.executeUrl + testing::ExecuteQuery("select id, name from t"));
  // A later page of the current statement: served from the spool.
  Measure(state, f,
          f.config.executeUrl +
              testing::ExecuteQuery("select id, name from t", {.moveRows = 0, .noHead = true}));
}
BENCHMARK(BM_ExecuteSmallPage)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_ExecuteFreshStatement(benchmark::State& state) {
  Fixture f;
  f.Login();
  Measure(state, f, f.config.executeUrl + testing::ExecuteQuery("select id, name from t"));
}
BENCHMARK(BM_ExecuteFreshStatement)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
