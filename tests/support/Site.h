// The loopback site of the end-to-end tests: the real quarlopages program on one of the databases
// of Backends.h.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Backends.h"
#include "ServerProcess.h"
#include "SqliteFile.h"
#include "TempDir.h"

namespace quarlo::testing {

// A map folder (for SQLite holding test.db: NumberedRows(60)), a spool folder and the server.
struct Site {
  Site() = default;  // the test makes its own database files
  explicit Site(Db database) : db(database) {
    using namespace quarlopages::testing;
    if (db == Db::Sqlite) MakeSqliteFile(map / "test.db", NumberedRows(60));
  }

  // (Re)starts the server with the shared key, further flags and environment.
  void Start(const std::string& key, const std::vector<std::string>& extra = {},
             std::map<std::string, std::string> env = {}) {
    server.reset();
    std::vector<std::string> args{
        "--key", key, "--map-path", map.path().string(), "--spool-dir", spool.path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    env.emplace("LC_ALL", "C.UTF-8");
    if (!Env("QUARLO_TEST_PGPORT").empty()) env.emplace("PGPORT", Env("QUARLO_TEST_PGPORT"));
    server = std::make_unique<quarlopages::testing::ServerProcess>(args, env);
  }
  // The site as the login's web site: the server's URL without the final "/".
  std::string WebSite() const {
    std::string url = server->Url();
    if (!url.empty() && url.back() == '/') url.pop_back();
    return url;
  }
  std::string ConnectionString(const std::string& password = "") const {
    return LoginString(db, password);
  }

  Db db = Db::Sqlite;
  TempDir map;
  TempDir spool;
  std::unique_ptr<quarlopages::testing::ServerProcess> server;
};

}  // namespace quarlo::testing
