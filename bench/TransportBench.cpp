// Round trip of a small GetText through the facade against a bare libcurl GET on one reused
// handle, both against the same loopback server in the same run. Each benchmark reports the
// median and 99th percentile of single round trips (median_us, p99_us).
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestServer.h"
#include "quarlolink/IEOHttpItem.h"

namespace {

quarlo::testing::TestServer& Server() {
  static quarlo::testing::TestServer* server = [] {
    auto* s = new quarlo::testing::TestServer();
    s->server().Get("/text", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("OK<Head><RowCount>1</RowCount></Head>", "text/plain");
    });
    s->Start();
    return s;
  }();
  return *server;
}

void Report(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

std::size_t Collect(char* data, std::size_t size, std::size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

void BM_BareCurlGet(benchmark::State& state) {
  const std::string url = Server().Url("/text");
  CURL* h = curl_easy_init();
  std::string body;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  std::vector<double> micros;
  for (auto _ : state) {
    body.clear();
    const auto t0 = std::chrono::steady_clock::now();
    if (curl_easy_perform(h) != CURLE_OK) state.SkipWithError("GET failed");
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    benchmark::DoNotOptimize(body);
  }
  curl_easy_cleanup(h);
  Report(state, micros);
}

void BM_FacadeGetText(benchmark::State& state) {
  const std::string url = Server().Url("/text");
  quarlolink::IEOHttpItem facade;
  facade.SetCmdTimeout(10);
  std::vector<double> micros;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    facade.GetText(url);
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    if (facade.OptStatus() != 0) state.SkipWithError("GetText failed");
    benchmark::DoNotOptimize(facade.ResponseText());
  }
  Report(state, micros);
}

BENCHMARK(BM_BareCurlGet)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FacadeGetText)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareCurlGet)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FacadeGetText)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // The facade loads the library's settings: keep them, and its folders, out of the user's own.
  quarlo::testing::TempDir home;
  setenv("KOKIT_REGISTRY_DIR", (home / "store").c_str(), 1);
  setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
