#include "RowSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "kokit/Error.h"

namespace quarlopages {
namespace {

constexpr size_t kFlushAt = 64 * 1024;
// Dropping one of this many segments frees room while most of the budget stays readable.
constexpr uint64_t kSegmentsPerBudget = 8;

void PutU32(std::string& out, uint32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);
  out.append(b, 4);
}

void ReadAt(int fd, uint64_t offset, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw kokit::Error::FromErrno(n < 0 ? errno : EIO);
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

RowSpool::RowSpool(const std::filesystem::path& dir, uint64_t maxBytes, WhenFull whenFull)
    : dir_(dir),
      maxBytes_(maxBytes),
      segmentBytes_(whenFull == WhenFull::Refuse
                        ? std::numeric_limits<uint64_t>::max()
                        : std::max<uint64_t>(maxBytes / kSegmentsPerBudget, 1)),
      whenFull_(whenFull) {
  NewSegment();
}

void RowSpool::NewSegment() {
  if (!segments_.empty()) Flush();
  std::string tmpl = (dir_ / "rows-XXXXXX").string();
  UniqueFd fd(mkstemp(tmpl.data()));
  if (fd.Get() < 0) throw kokit::Error::FromErrno(errno);
  unlink(tmpl.c_str());
  segments_.push_back(Segment{std::move(fd), rows_, 0});
  flushed_ = 0;
}

void RowSpool::DropOldestSegment() {
  bytes_ -= segments_.front().bytes;
  segments_.pop_front();
  ++firstSegment_;
  while (!marks_.empty() && marks_.front().row < segments_.front().firstRow) marks_.pop_front();
}

void RowSpool::Append(const db::Row& row, int64_t keepFrom) {
  size_t size = 4;
  for (const auto& v : row) size += 1 + (v ? 4 + v->size() : 0);
  while (bytes_ + size > maxBytes_) {
    if (whenFull_ == WhenFull::Refuse) throw SpoolFull("row spool full");
    if (segments_.size() == 1) {
      if (segments_.back().bytes == 0) throw SpoolFull("a row larger than the spool");
      NewSegment();
    }
    if (segments_[1].firstRow > keepFrom) throw SpoolFull("rows still needed fill the spool");
    DropOldestSegment();
  }
  if (segments_.back().bytes >= segmentBytes_) NewSegment();
  Segment& segment = segments_.back();
  if (rows_ % kCheckpoint == 0 || segment.bytes == 0) {
    marks_.push_back(Mark{rows_, firstSegment_ + segments_.size() - 1, segment.bytes});
  }
  PutU32(buffer_, static_cast<uint32_t>(row.size()));
  for (const auto& v : row) {
    buffer_.push_back(v ? 1 : 0);
    if (v) {
      PutU32(buffer_, static_cast<uint32_t>(v->size()));
      buffer_.append(*v);
    }
  }
  segment.bytes += size;
  bytes_ += size;
  ++rows_;
  if (buffer_.size() >= kFlushAt) Flush();
}

void RowSpool::Flush() {
  const int fd = segments_.back().fd.Get();
  size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = pwrite(fd, buffer_.data() + done, buffer_.size() - done,
                       static_cast<off_t>(flushed_ + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw kokit::Error::FromErrno(errno);
    }
    done += static_cast<size_t>(n);
  }
  flushed_ += buffer_.size();
  buffer_.clear();
}

std::vector<db::Row> RowSpool::Read(int64_t first, int64_t count) {
  std::vector<db::Row> out;
  if (first < FirstRow() || first >= rows_ || count <= 0) return out;
  Flush();
  auto mark = std::upper_bound(marks_.begin(), marks_.end(), first,
                               [](int64_t row, const Mark& m) { return row < m.row; });
  --mark;  // the first row held is marked, so there is one at or before `first`
  int64_t row = mark->row;
  size_t segment = static_cast<size_t>(mark->segment - firstSegment_);
  uint64_t offset = mark->offset;
  const int64_t end = std::min(rows_, first + count);

  // Reads through a small window rather than one call per value.
  std::string window;
  size_t windowSegment = segment;
  uint64_t windowStart = 0;
  auto need = [&](uint64_t at, size_t size) -> const char* {
    if (windowSegment != segment || at < windowStart || at + size > windowStart + window.size()) {
      windowSegment = segment;
      windowStart = at;
      size_t want = std::max<size_t>(size, 64 * 1024);
      want = static_cast<size_t>(std::min<uint64_t>(want, segments_[segment].bytes - at));
      window.resize(want);
      ReadAt(segments_[segment].fd.Get(), at, window.data(), want);
    }
    return window.data() + (at - windowStart);
  };
  auto getU32 = [&](uint64_t& at) {
    uint32_t v;
    std::memcpy(&v, need(at, 4), 4);
    at += 4;
    return v;
  };

  for (; row < end; ++row) {
    // A row never spans two segments.
    while (offset >= segments_[segment].bytes) {
      ++segment;
      offset = 0;
    }
    uint32_t columns = getU32(offset);
    db::Row values;
    bool keep = row >= first;
    if (keep) values.reserve(columns);
    for (uint32_t c = 0; c < columns; ++c) {
      bool present = *need(offset, 1) != 0;
      offset += 1;
      if (!present) {
        if (keep) values.emplace_back(std::nullopt);
        continue;
      }
      uint32_t size = getU32(offset);
      if (keep) values.emplace_back(std::string(need(offset, size), size));
      offset += size;
    }
    if (keep) out.push_back(std::move(values));
  }
  return out;
}

}  // namespace quarlopages
