// Walks 100,000 rows of generate_series through quarlopages and PostgreSQL, with RowsPerComm
// 1000 and with the default 25, and prints rows per second. Needs the test services:
//   source tests/services/start && build/bench/bench_recordset_e2e
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "PrivateFolders.h"
#include "ServerProcess.h"
#include "quarlolink/QuarloApp.h"

using quarlolink::QuarloApp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 100000;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

int main() {
  if (Env("QUARLO_TEST_PGPORT").empty()) {
    std::printf("skipped: QUARLO_TEST_PGPORT is not set (source tests/services/start first)\n");
    return 0;
  }
  PrivateFolders folders;
  auto app = QuarloApp::Create();
  std::filesystem::create_directories(folders.path() / "spool");
  quarlopages::testing::ServerProcess server(
      {"--key", app->EncKey(), "--map-path", folders.path().string(), "--spool-dir",
       (folders.path() / "spool").string()},
      {{"LC_ALL", "C.UTF-8"}, {"PGPORT", Env("QUARLO_TEST_PGPORT")}});
  std::string site = server.Url();
  if (!site.empty() && site.back() == '/') site.pop_back();
  app->SetWebSite(site);
  app->OpenConn("driver={SQL Server};server=127.0.0.1;database=" + Env("QUARLO_TEST_PG_DATABASE") +
                ";uid=" + Env("QUARLO_TEST_PG_USER") + ";pwd=" + Env("QUARLO_TEST_PG_PASSWORD"));
  if (app->OptStatus() != 0) {
    std::fprintf(stderr, "OpenConn failed: %s\n", app->OptString().c_str());
    return 1;
  }
  const std::string sql =
      "select g as id, 'row ' || g as name, g * 2 as twice from "
      "generate_series(1, " +
      std::to_string(kRows) + ") g";
  for (int perComm : {1000, 25}) {
    app->SetRowsPerComm(perComm);
    app->SetRowsPerPage(perComm);
    auto t0 = Clock::now();
    auto rs = app->Execute(sql);
    int rows = 0;
    for (; rs && !rs->Eof(); rs->MoveNext()) ++rows;
    double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    if (rows != kRows || app->OptStatus() != 0) {
      std::fprintf(stderr, "walked %d rows (%s)\n", rows, app->OptString().c_str());
      return 1;
    }
    std::printf("RowsPerComm %4d: %d rows in %.2f s, %.0f rows/s, %d requests\n", perComm, rows,
                seconds, rows / seconds, (kRows + perComm - 1) / perComm);
  }
  app->CloseConn();
  return 0;
}
