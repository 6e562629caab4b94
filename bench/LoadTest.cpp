// Bounded load on loopback: N client processes at once, each logging in and running a fixed
// mix of statements and page moves through quarlopages (PostgreSQL when the test services run,
// else a SQLite file). Reports requests per second, median and 99th percentile latency of the
// client operations, errors, and quarlopages' resident memory before and after.
//
//   build/bench/bench_load [--clients 50] [--rounds 20]
//
// Exits 1 when any operation failed or returned a wrong row. It stops by itself: every client
// does a fixed number of operations, each bounded by the command time-out.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "PrivateFolders.h"
#include "ServerProcess.h"
#include "SqliteFile.h"
#include "quarlolink/QuarloApp.h"

using quarlolink::QuarloApp;
using quarlolink::XmlRecordset;
using Clock = std::chrono::steady_clock;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool UsePostgres() { return !Env("QUARLO_TEST_PGPORT").empty(); }

std::string ConnectionString() {
  if (!UsePostgres()) return "driver={Microsoft Access Driver (*.mdb)};dbq=load.db;uid=;pwd=";
  return "driver={SQL Server};server=127.0.0.1;database=" + Env("QUARLO_TEST_PG_DATABASE") +
         ";uid=" + Env("QUARLO_TEST_PG_USER") + ";pwd=" + Env("QUARLO_TEST_PG_PASSWORD");
}

// 300 numbered rows: 6 pages of 50 in batches of 25.
std::string PagedSql() {
  if (!UsePostgres()) return "select id, name from t order by id";
  return "select n as id, 'name' || n as name from generate_series(1, 300) n";
}

std::string CountSql() {
  if (!UsePostgres()) return "select count(*) as c from t";
  return "select count(*) as c from generate_series(1, 300)";
}

long RssKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// One client: prints "L <ms>" per operation and "E <text>" per failure on stdout.
int Client(const std::string& site, const std::string& key, int rounds) {
  auto app = QuarloApp::Create();
  app->SetWebSite(site);
  app->SetEncKey(key);
  app->SetCommandTimeout(60);
  int errors = 0;
  auto timed = [&](const char* what, auto body) {
    auto t0 = Clock::now();
    bool ok = body();
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    std::printf("L %.3f\n", ms);
    if (!ok) {
      ++errors;
      std::printf("E %s: %d %s\n", what, app->OptStatus(), app->OptString().c_str());
    }
  };
  auto id = [](const std::shared_ptr<XmlRecordset>& rs) {
    return rs->Fields()->Item("id")->Value();
  };
  timed("Test", [&] {
    app->Test();
    return app->OptStatus() == 0;
  });
  timed("OpenConn", [&] {
    app->OpenConn(ConnectionString());
    return app->OptStatus() == 0;
  });
  for (int r = 0; r < rounds; ++r) {
    std::shared_ptr<XmlRecordset> rs;
    timed("Execute", [&] {
      rs = app->Execute(PagedSql());
      return rs && id(rs) == "1";
    });
    if (!rs) continue;
    timed("MoveNextPage", [&] {
      rs->MoveNextPage();
      return rs->OptStatus() == 0 && id(rs) == "51";
    });
    timed("MoveNextPage", [&] {
      rs->MoveNextPage();
      return rs->OptStatus() == 0 && id(rs) == "101";
    });
    timed("MovePrevPage", [&] {
      rs->MovePrevPage();
      return rs->OptStatus() == 0 && id(rs) == "51";
    });
    timed("Count", [&] {
      auto c = app->Execute(CountSql());
      return c && c->Fields()->Item("c")->Value() == "300";
    });
  }
  timed("CloseConn", [&] {
    app->CloseConn();
    return app->OptStatus() == 0;
  });
  std::fflush(stdout);
  return errors == 0 ? 0 : 1;
}

double Percentile(std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t at = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
  return n;
}

// The server's log without its line per request: warnings and libmicrohttpd's messages.
std::string NotRequestLines(const std::string& log) {
  std::string kept;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    std::string line = log.substr(start, end - start);
    if (line.find(".asp") == std::string::npos) kept += line;
    start = end;
  }
  return kept;
}

}  // namespace

int main(int argc, char** argv) {
  int clients = 50;
  int rounds = 20;
  if (argc == 5 && std::string(argv[1]) == "--child") {
    return Client(argv[2], argv[3], std::atoi(argv[4]));
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--clients") clients = std::atoi(argv[i + 1]);
    if (flag == "--rounds") rounds = std::atoi(argv[i + 1]);
  }
  if (clients < 1 || rounds < 1) {
    std::fprintf(stderr, "usage: bench_load [--clients N] [--rounds N]\n");
    return 64;
  }

  PrivateFolders folders;
  std::filesystem::create_directories(folders.path() / "spool");
  if (!UsePostgres()) {
    quarlopages::testing::MakeSqliteFile(folders.path() / "load.db",
                                         quarlopages::testing::NumberedRows(300));
  }
  const std::string key = "LoadTestKey";
  std::map<std::string, std::string> env{{"LC_ALL", "C.UTF-8"}};
  if (UsePostgres()) env["PGPORT"] = Env("QUARLO_TEST_PGPORT");
  quarlopages::testing::ServerProcess server(
      {"--key", key, "--map-path", folders.path().string(), "--spool-dir",
       (folders.path() / "spool").string(), "--max-connections", std::to_string(clients + 16)},
      env);
  std::string site = server.Url();
  if (!site.empty() && site.back() == '/') site.pop_back();

  // A warm-up round of every client first, so the memory before is that of a server that has
  // served as many at once (thread stacks, allocator arenas, driver caches).
  auto runClients = [&](int count, int roundsEach, std::vector<double>& latencies,
                        std::vector<std::string>& failures) {
    std::vector<std::pair<pid_t, FILE*>> children;
    for (int c = 0; c < count; ++c) {
      int fds[2];
      if (pipe(fds) != 0) return false;
      pid_t pid = fork();
      if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        std::string rounds = std::to_string(roundsEach);
        execl("/proc/self/exe", "bench_load", "--child", site.c_str(), key.c_str(), rounds.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
      }
      close(fds[1]);
      children.emplace_back(pid, fdopen(fds[0], "r"));
    }
    bool allExited = true;
    for (auto& [pid, out] : children) {
      char line[4096];
      while (std::fgets(line, sizeof line, out)) {
        if (line[0] == 'L') latencies.push_back(std::atof(line + 2));
        if (line[0] == 'E') failures.emplace_back(line + 2);
      }
      std::fclose(out);
      int status = 0;
      waitpid(pid, &status, 0);
      if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 1)) {
        allExited = false;
        failures.push_back("a client process crashed\n");
      }
    }
    return allExited;
  };
  {
    std::vector<double> warm;
    std::vector<std::string> failures;
    runClients(clients, 1, warm, failures);
    if (!failures.empty()) {
      std::fprintf(stderr, "warm-up failed: %s", failures.front().c_str());
      std::fprintf(stderr, "server said:\n%s", NotRequestLines(server.Stderr()).c_str());
      return 1;
    }
  }
  const long rssBefore = RssKiB(server.Pid());
  const size_t requestsBefore = CountOf(server.Stderr(), ".asp");

  std::vector<double> latencies;
  std::vector<std::string> failures;
  auto t0 = Clock::now();
  runClients(clients, rounds, latencies, failures);
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  const long rssAfter = RssKiB(server.Pid());
  const size_t requests = CountOf(server.Stderr(), ".asp") - requestsBefore;

  std::sort(latencies.begin(), latencies.end());
  std::printf(
      "load: backend=%s clients=%d rounds=%d operations=%zu requests=%zu seconds=%.2f "
      "requests_per_s=%.1f operations_per_s=%.1f median_ms=%.2f p99_ms=%.2f errors=%zu "
      "rss_before_kib=%ld rss_after_kib=%ld\n",
      UsePostgres() ? "postgresql" : "sqlite", clients, rounds, latencies.size(), requests, seconds,
      static_cast<double>(requests) / seconds, static_cast<double>(latencies.size()) / seconds,
      Percentile(latencies, 0.5), Percentile(latencies, 0.99), failures.size(), rssBefore,
      rssAfter);
  for (size_t i = 0; i < failures.size() && i < 10; ++i) {
    std::fprintf(stderr, "failure: %s", failures[i].c_str());
  }
  if (!failures.empty()) {
    std::fprintf(stderr, "server said:\n%s", NotRequestLines(server.Stderr()).c_str());
  }
  return failures.empty() ? 0 : 1;
}
