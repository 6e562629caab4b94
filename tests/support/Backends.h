// The databases the end-to-end tests run on: a SQLite file through quarlopages' built-in backend,
// and the test services' PostgreSQL (tests/services/start) through unixODBC under the driver
// name "SQL Server".
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quarlo::testing {

enum class Db { Sqlite, Postgres };

inline std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// PostgreSQL takes part only when the test services run.
inline bool Available(Db db) { return db == Db::Sqlite || !Env("QUARLO_TEST_PGPORT").empty(); }

inline std::string BackendName(const ::testing::TestParamInfo<Db>& info) {
  return info.param == Db::Sqlite ? "SQLite" : "PostgreSQL";
}

// The connection string the desktop program builds for the database type (SQLite: test.db of the
// map folder; PostgreSQL's port comes from PGPORT).
inline std::string LoginString(Db db, const std::string& password = "") {
  if (db == Db::Sqlite) return "driver={Microsoft Access Driver (*.mdb)};dbq=test.db;uid=;pwd=";
  return "driver={SQL Server};server=127.0.0.1;database=" + Env("QUARLO_TEST_PG_DATABASE") +
         ";uid=" + Env("QUARLO_TEST_PG_USER") +
         ";pwd=" + (password.empty() ? Env("QUARLO_TEST_PG_PASSWORD") : password);
}

}  // namespace quarlo::testing
