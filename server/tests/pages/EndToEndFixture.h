// The fixture of the end-to-end tests: the loopback site (Site.h) spoken to over HTTP.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "HttpClient.h"
#include "ProtocolText.h"
#include "Site.h"
#include "kokit/Codepage.h"

namespace quarlopages::testing {

using quarlo::testing::BackendName;
using quarlo::testing::Db;

inline constexpr const char* kKey = "e2e shared key";
inline constexpr const char* kOpen = "/quarlo/quarloopen.asp";
inline constexpr const char* kExecute = "/quarlo/quarloexecute.asp";

class EndToEnd : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    if (!quarlo::testing::Available(GetParam())) {
      GTEST_SKIP() << "QUARLO_TEST_PGPORT is not set: no PostgreSQL for this run";
    }
    Start({});
  }

  void TearDown() override {
    if (HasFailure() && server_)
      std::fprintf(stderr, "server said:\n%s\n", server_->Stderr().c_str());
  }

  void Start(const std::vector<std::string>& extra) { site_.Start(kKey, extra); }
  std::string ConnectionString(const std::string& password = "") {
    return site_.ConnectionString(password);
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

  quarlo::testing::Site site_{GetParam()};
  quarlo::testing::TempDir& map_ = site_.map;
  quarlo::testing::TempDir& spool_ = site_.spool;
  std::unique_ptr<ServerProcess>& server_ = site_.server;
  HttpClient client_;
};

}  // namespace quarlopages::testing
