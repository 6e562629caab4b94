#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace kokit::detail {

// An open SQLite connection, owned.
class SqliteDb {
 public:
  SqliteDb() = default;
  ~SqliteDb() { Close(); }
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  // SQLite result code; on failure the connection stays closed.
  int Open(const std::string& file, int flags);
  int Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
  sqlite3* get() const { return db_; }
  void Close() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }

 private:
  sqlite3* db_ = nullptr;
};

// A prepared statement, owned.
class SqliteStmt {
 public:
  SqliteStmt(sqlite3* db, const char* sql);
  ~SqliteStmt() { sqlite3_finalize(stmt_); }
  SqliteStmt(const SqliteStmt&) = delete;
  SqliteStmt& operator=(const SqliteStmt&) = delete;

  int Prepared() const { return rc_; }
  void Bind(int i, std::string_view text);
  void BindBlob(int i, std::string_view bytes);
  void Bind(int i, int64_t value);
  int Step() { return sqlite3_step(stmt_); }
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_;
};

}  // namespace kokit::detail
