#include "registry/Sqlite.h"

namespace kokit::detail {

int SqliteDb::Open(const std::string& file, int flags) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    return rc;
  }
  db_ = db;
  return SQLITE_OK;
}

SqliteStmt::SqliteStmt(sqlite3* db, const char* sql)
    : rc_(sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr)) {}

void SqliteStmt::Bind(int i, std::string_view text) {
  sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void SqliteStmt::BindBlob(int i, std::string_view bytes) {
  sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void SqliteStmt::Bind(int i, int64_t value) { sqlite3_bind_int64(stmt_, i, value); }

}  // namespace kokit::detail
