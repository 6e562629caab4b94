// The fixture of the end-to-end tests: the real quarlopages program spoken to over HTTP, relaying
// to SQLite files through the built-in backend and to PostgreSQL through unixODBC under the driver
// name "SQL Server".
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HttpClient.h"
#include "ProtocolText.h"
#include "ServerProcess.h"
#include "SqliteFile.h"
#include "TempDir.h"
#include "kokit/Codepage.h"

namespace quarlopages::testing {

inline constexpr const char* kKey = "e2e shared key";
inline constexpr const char* kOpen = "/quarlo/quarloopen.asp";
inline constexpr const char* kExecute = "/quarlo/quarloexecute.asp";

enum class Db { Sqlite, Postgres };

inline std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

class EndToEnd : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    if (GetParam() == Db::Postgres && Env("QUARLO_TEST_PGPORT").empty()) {
      GTEST_SKIP() << "QUARLO_TEST_PGPORT is not set: no PostgreSQL for this run";
    }
    if (GetParam() == Db::Sqlite) MakeSqliteFile(map_ / "test.db", NumberedRows(60));
    Start({});
  }

  void TearDown() override {
    if (HasFailure() && server_)
      std::fprintf(stderr, "server said:\n%s\n", server_->Stderr().c_str());
  }

  void Start(std::vector<std::string> extra) {
    server_.reset();
    std::vector<std::string> args{
        "--key", kKey, "--map-path", map_.path().string(), "--spool-dir", spool_.path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::map<std::string, std::string> env{{"LC_ALL", "C.UTF-8"}};
    if (!Env("QUARLO_TEST_PGPORT").empty()) env["PGPORT"] = Env("QUARLO_TEST_PGPORT");
    server_ = std::make_unique<ServerProcess>(args, env);
  }

  std::string ConnectionString(const std::string& password = "") {
    if (GetParam() == Db::Sqlite) {
      return "driver={Microsoft Access Driver (*.mdb)};dbq=test.db;uid=;pwd=";
    }
    return "driver={SQL Server};server=127.0.0.1;database=" + Env("QUARLO_TEST_PG_DATABASE") +
           ";uid=" + Env("QUARLO_TEST_PG_USER") +
           ";pwd=" + (password.empty() ? Env("QUARLO_TEST_PG_PASSWORD") : password);
  }

  std::string Text(const HttpAnswer& a) { return kokit::FromLegacy(a.body); }
  HttpAnswer Raw(const std::string& path, const std::string& query) {
    return client_.Get(server_->Url() + path + query);
  }
  std::string OpenPage(const std::string& query) { return Text(Raw(kOpen, query)); }

  std::string KeyCheck(const std::string& key = kKey) {
    return Element(OpenPage(KeyCheckQuery(key)), "EncKey");
  }
  // Opens the connection and, for PostgreSQL, makes the same tables the SQLite file has.
  void Login() {
    ASSERT_EQ(OpenPage(OpenQuery(ConnectionString(), KeyCheck())), "OK");
    if (GetParam() == Db::Postgres) {
      auto a = Exec(
          "create temp table t(id integer primary key, name varchar(20), note varchar(40)); "
          "insert into t select g, 'name' || g, 'note ' || g || '   ' from generate_series(1, 60) "
          "g; "
          "create temp table counter(n integer); insert into counter values (0)");
      ASSERT_TRUE(a.ok) << a.text;
    }
  }
  ParsedAnswer Exec(const std::string& sql, const ExecuteParams& p = {}, size_t columns = 0) {
    return ParseAnswer(Text(Raw(kExecute, ExecuteQuery(sql, p))), columns);
  }

  quarlo::testing::TempDir map_;
  quarlo::testing::TempDir spool_;
  HttpClient client_;
  std::unique_ptr<ServerProcess> server_;
};

inline std::string BackendName(const ::testing::TestParamInfo<Db>& info) {
  return info.param == Db::Sqlite ? "SQLite" : "PostgreSQL";
}

}  // namespace quarlopages::testing
