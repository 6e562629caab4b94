#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "RowSpool.h"
#include "db/Backend.h"

namespace quarlopages {

// A request the pages refuse with a text for the client.
class Refusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One result set as the pages serve it: all its rows read into the spool, and whether another
// result set follows (which a forward-only statement can only tell after this one is read).
struct ResultSet {
  int number = 0;  // 1-based
  std::vector<db::Column> columns;
  int64_t recordsAffected = -1;  // -1 for a result set with columns
  bool hasNext = false;
  std::unique_ptr<RowSpool> rows;
};

struct CursorLimits {
  std::filesystem::path spoolDir;
  uint64_t maxSpoolBytes = 0;
  int timeoutSeconds = 0;  // 0: none
};

// The session's current statement: run once, walked forward result set by result set; rows of
// the current result set come from the spool for any page asked.
class Cursor {
 public:
  // Takes a statement that Execute has just started; nothing is read before the first Seek.
  Cursor(std::unique_ptr<db::Statement> statement, std::string sql, CursorLimits limits);
  ~Cursor();

  const std::string& Sql() const { return sql_; }

  // Moves to result set `number` (reading those in between). Throws Refusal for an earlier or
  // a missing one, db::DbError, SpoolFull.
  const ResultSet& Seek(int number);

  // Stops a read in progress from another thread.
  void Cancel();

 private:
  void ReadCurrent(int number);

  std::string sql_;
  CursorLimits limits_;
  std::chrono::steady_clock::time_point deadline_;
  std::atomic<bool> cancelled_{false};
  std::mutex statementMutex_;  // guards statement_ against Cancel while it is replaced
  std::unique_ptr<db::Statement> statement_;
  ResultSet current_;      // number 0 before the first Seek
  bool finished_ = false;  // the statement has no result set after current_
};

}  // namespace quarlopages
