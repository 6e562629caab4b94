#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "registry/Sqlite.h"

namespace kokit::detail {

// One root's store file, opened for one operation. Keys are rows of `keys` (the root itself is
// the empty path and always exists); values are rows of `vals` with their kind (1 string,
// 4 number). Names compare without regard to ASCII letter case, as registry names do.
class Store {
 public:
  // Opens the file of `root`. With `create` the folder and file are made when missing; without
  // it a missing file is reported as ENOENT and nothing is created. Returns 0 or an errno value.
  int Open(uint32_t root, bool create);

  sqlite3* db() const { return db_.get(); }
  bool KeyExists(const std::string& path);

  // Errno-style number for a failed SQLite call on this connection.
  int ErrnoOf(int sqliteRc) const;

 private:
  int OpenFile(const std::filesystem::path& file);
  SqliteDb db_;
};

// "a\\b\\\\c\\" -> "a\\b\\c": empty names dropped.
std::string NormalizeKeyPath(std::string_view path);

// A write transaction: BEGIN IMMEDIATE now, ROLLBACK unless committed.
class WriteTxn {
 public:
  explicit WriteTxn(sqlite3* db);
  ~WriteTxn();
  WriteTxn(const WriteTxn&) = delete;
  WriteTxn& operator=(const WriteTxn&) = delete;
  int Begun() const { return rc_; }
  int Commit();

 private:
  sqlite3* db_;
  int rc_;
  bool done_ = false;
};

}  // namespace kokit::detail
