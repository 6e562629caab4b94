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
  int64_t rowCount = 0;  // read so far
  bool complete = true;  // every row is read
};

struct CursorLimits {
  std::filesystem::path spoolDir;
  uint64_t maxSpoolBytes = 0;
  int timeoutSeconds = 0;  // 0: none
};

// The session's current statement, on one of two paths:
//
// - spooled (a batch of several statements): the whole batch runs once, at the first request,
//   every result set read into the spool; pages come from there as often as they are asked for,
//   and the client walks the result sets forward;
// - streamed (one statement): its one result set stays open on the database and is read only as
//   far as a page needs (one row ahead, so that EOF is exact); rows read go to the spool, so any
//   page already read is served again from there. At its budget the spool drops its oldest rows.
class Cursor {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Path { Spooled, Streamed };

  Cursor(std::unique_ptr<db::Statement> statement, std::string sql, CursorLimits limits, Path path);
  ~Cursor();

  const std::string& Sql() const { return sql_; }

  // Spooled: runs the batch to its end, checking `stop` between rows (drivers may go on fetching
  // after a cancel). Streamed: takes the description of the result set. Throws db::DbError (a
  // failure, a cancel, a stop, the time-out) or SpoolFull.
  void Start(const std::atomic<bool>& stop);
  // Milliseconds Start spent writing rows to the spool (the rest was the database's).
  double SpoolMs() const { return spoolMs_; }

  // Makes result set `number` the current one. Throws Refusal for an earlier or a missing one.
  const ResultSet& Seek(int number);

  // Whether the rows up to `end` (0-based, exclusive) need reading from the open statement.
  bool NeedsRows(int64_t end) const;
  // Reads rows of the streamed result set until `end` are read or it ends, never dropping row
  // `keepFrom` or later ones from the spool. Throws as Start does, and Refusal when `keepFrom`
  // was dropped already.
  void ReadTo(int64_t end, int64_t keepFrom, const std::atomic<bool>& stop);

  // Up to `count` rows of `rs` from 0-based row `first`. Throws Refusal when they can no longer be
  // served: dropped from the spool, or past the rows read of a statement closed since.
  std::vector<db::Row> Rows(const ResultSet& rs, int64_t first, int64_t count);

  // Closes an open statement left idle for `idle` or longer, keeping the rows read; true when it
  // did. For the sweep, under the session's lock.
  bool CloseIfIdle(std::chrono::seconds idle);

  // Stops Start or ReadTo from another thread.
  void Cancel();

 private:
  void CloseStatement();
  void Check(Clock::time_point deadline, const std::atomic<bool>& stop) const;

  std::string sql_;
  CursorLimits limits_;
  Path path_;
  std::atomic<bool> cancelled_{false};
  std::mutex statementMutex_;  // guards statement_ against Cancel while it is released
  std::unique_ptr<db::Statement> statement_;
  std::unique_ptr<RowSpool> spool_;
  std::vector<ResultSet> resultSets_;
  int current_ = 1;
  Clock::time_point lastUse_ = Clock::now();
  std::chrono::seconds closedIdle_{0};  // the statement was closed after this idle time
  double spoolMs_ = 0;
};

}  // namespace quarlopages
