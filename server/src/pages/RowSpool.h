#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "UniqueFd.h"
#include "db/Backend.h"

namespace quarlopages {

// The spool would pass its disk budget.
class SpoolFull : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rows of a statement kept on disk so that any page of them can be served again without running
// the statement a second time. The rows lie in segment files, each unlinked as soon as it is
// created, so they disappear with the object (or the process) whatever happens. Memory: a write
// buffer and one position per kCheckpoint rows held.
//
// At its budget a spool either refuses the next row (a batch, read whole) or drops its oldest
// segment (a streamed statement: a forward walk then goes on with bounded disk and memory).
class RowSpool {
 public:
  static constexpr int64_t kCheckpoint = 64;
  enum class WhenFull { Refuse, DropOldest };

  RowSpool(const std::filesystem::path& dir, uint64_t maxBytes,
           WhenFull whenFull = WhenFull::Refuse);
  RowSpool(const RowSpool&) = delete;
  RowSpool& operator=(const RowSpool&) = delete;

  // Throws SpoolFull past the budget (DropOldest: when room could only be made by dropping row
  // `keepFrom` or a later one), kokit::Error on a write failure.
  void Append(const db::Row& row, int64_t keepFrom = 0);
  // Rows appended so far; the first one still held.
  int64_t RowCount() const { return rows_; }
  int64_t FirstRow() const { return segments_.front().firstRow; }

  // Up to `count` rows starting at 0-based row `first`; none when `first` is no longer held.
  std::vector<db::Row> Read(int64_t first, int64_t count);

 private:
  struct Segment {
    UniqueFd fd;
    int64_t firstRow = 0;
    uint64_t bytes = 0;  // the last segment's include the write buffer
  };
  // Where a row starts: every kCheckpoint-th row and the first row of each segment.
  struct Mark {
    int64_t row;
    uint64_t segment;  // sequence number, see firstSegment_
    uint64_t offset;
  };

  void NewSegment();
  void DropOldestSegment();
  void Flush();

  std::filesystem::path dir_;
  uint64_t maxBytes_;
  uint64_t segmentBytes_;  // a new segment is begun past this size
  WhenFull whenFull_;
  std::deque<Segment> segments_;
  uint64_t firstSegment_ = 0;  // sequence number of segments_.front()
  std::deque<Mark> marks_;
  uint64_t bytes_ = 0;    // held: every segment, buffer included
  uint64_t flushed_ = 0;  // bytes of the last segment in its file
  int64_t rows_ = 0;
  std::string buffer_;
};

}  // namespace quarlopages
