#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace quarlopages::testing {

// Makes a SQLite database file with `sql` run in it.
inline void MakeSqliteFile(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + file.string());
  }
  char* error = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  std::string text = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sqlite: " + text);
}

// A table `t(id integer, name varchar(20), note text)` with `rows` rows: id 1.., name "name<id>".
inline std::string NumberedRows(int rows) {
  return "create table t(id integer primary key, name varchar(20), note text);"
         "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
         std::to_string(rows) +
         ") insert into t select i, 'name' || i, 'note ' || i || '   ' from n;"
         "create table counter(n integer); insert into counter values (0);";
}

}  // namespace quarlopages::testing
