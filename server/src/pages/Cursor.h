#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
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

// One result set of a statement: its columns and where its rows lie in the spool.
struct ResultSet {
  int number = 0;  // 1-based
  std::vector<db::Column> columns;
  int64_t recordsAffected = -1;  // -1 for a result set with columns
  bool hasNext = false;
  int64_t firstRow = 0;  // in the spool
  int64_t rowCount = 0;
};

struct CursorLimits {
  std::filesystem::path spoolDir;
  uint64_t maxSpoolBytes = 0;
  int timeoutSeconds = 0;  // 0: none
};

// The session's current statement. The whole batch runs once, at the first request, every
// result set read into one spool on disk; pages of the current result set come from there as
// often as they are asked for, and the client walks the result sets forward.
class Cursor {
 public:
  Cursor(std::unique_ptr<db::Statement> statement, std::string sql, CursorLimits limits);
  ~Cursor();

  const std::string& Sql() const { return sql_; }

  // Runs the batch to its end, checking `stop` between rows (drivers may go on fetching after a
  // cancel). Throws db::DbError (a failure, a cancel, a stop, the time-out) or SpoolFull.
  void Run(const std::atomic<bool>& stop);
  // Milliseconds Run spent writing rows to the spool (the rest was the database's).
  double SpoolMs() const { return spoolMs_; }

  // Makes result set `number` the current one. Throws Refusal for an earlier or a missing one.
  const ResultSet& Seek(int number);

  // Up to `count` rows of `rs` from 0-based row `first`.
  std::vector<db::Row> Rows(const ResultSet& rs, int64_t first, int64_t count);

  // Stops Run from another thread.
  void Cancel();

 private:
  std::string sql_;
  CursorLimits limits_;
  std::atomic<bool> cancelled_{false};
  std::mutex statementMutex_;  // guards statement_ against Cancel while it is released
  std::unique_ptr<db::Statement> statement_;
  std::unique_ptr<RowSpool> spool_;
  std::vector<ResultSet> resultSets_;
  int current_ = 1;
  double spoolMs_ = 0;
};

}  // namespace quarlopages
