#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Backend.h"

namespace quarlopages::db::testing {

// Every row of the current result set, NULL written as "<null>".
inline std::vector<std::vector<std::string>> ReadAll(Statement& s) {
  std::vector<std::vector<std::string>> rows;
  Row row;
  while (s.Fetch(row)) {
    std::vector<std::string> texts;
    for (const auto& v : row) texts.push_back(v ? *v : "<null>");
    rows.push_back(texts);
  }
  return rows;
}

// Runs every statement of `sql`, reading nothing.
inline void RunAll(Connection& conn, const std::string& sql) {
  auto s = conn.Execute(sql, 0);
  while (s->NextResult()) {
  }
}

// The text of the DbError `f` throws; fails the test when it throws none.
template <typename F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const DbError& e) {
    return e.what();
  }
  ADD_FAILURE() << "no DbError";
  return {};
}

}  // namespace quarlopages::db::testing
