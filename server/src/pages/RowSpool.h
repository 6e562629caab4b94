#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Backend.h"

namespace quarlopages {

// The spool would pass its disk budget.
class SpoolFull : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rows of one result set kept on disk so that any page of them can be served again without
// running the statement a second time. The file is unlinked as soon as it is created, so it
// disappears with the object (or the process) whatever happens. Memory: a write buffer and one
// offset per kCheckpoint rows.
class RowSpool {
 public:
  static constexpr int64_t kCheckpoint = 64;

  RowSpool(const std::filesystem::path& dir, uint64_t maxBytes);
  ~RowSpool();
  RowSpool(const RowSpool&) = delete;
  RowSpool& operator=(const RowSpool&) = delete;

  // Throws SpoolFull past the budget, kokit::Error on a write failure.
  void Append(const db::Row& row);
  int64_t RowCount() const { return rows_; }
  uint64_t Bytes() const { return bytes_; }

  // Up to `count` rows starting at 0-based row `first`.
  std::vector<db::Row> Read(int64_t first, int64_t count);

 private:
  void Flush();
  void ReadAt(uint64_t offset, void* data, size_t size);

  int fd_ = -1;
  uint64_t maxBytes_;
  uint64_t bytes_ = 0;    // logical size: file plus buffer
  uint64_t flushed_ = 0;  // bytes in the file
  int64_t rows_ = 0;
  std::string buffer_;
  std::vector<uint64_t> checkpoints_;  // offset of row k * kCheckpoint
};

}  // namespace quarlopages
