#include "RowSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kokit/Error.h"

namespace quarlopages {
namespace {

constexpr size_t kFlushAt = 64 * 1024;

void PutU32(std::string& out, uint32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);
  out.append(b, 4);
}

}  // namespace

RowSpool::RowSpool(const std::filesystem::path& dir, uint64_t maxBytes) : maxBytes_(maxBytes) {
  std::string tmpl = (dir / "rows-XXXXXX").string();
  fd_ = mkstemp(tmpl.data());
  if (fd_ < 0) throw kokit::Error::FromErrno(errno);
  unlink(tmpl.c_str());
}

RowSpool::~RowSpool() {
  if (fd_ >= 0) close(fd_);
}

void RowSpool::Append(const db::Row& row) {
  size_t size = 4;
  for (const auto& v : row) size += 1 + (v ? 4 + v->size() : 0);
  if (bytes_ + size > maxBytes_) throw SpoolFull("row spool full");
  if (rows_ % kCheckpoint == 0) checkpoints_.push_back(bytes_);
  PutU32(buffer_, static_cast<uint32_t>(row.size()));
  for (const auto& v : row) {
    buffer_.push_back(v ? 1 : 0);
    if (v) {
      PutU32(buffer_, static_cast<uint32_t>(v->size()));
      buffer_.append(*v);
    }
  }
  bytes_ += size;
  ++rows_;
  if (buffer_.size() >= kFlushAt) Flush();
}

void RowSpool::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
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

void RowSpool::ReadAt(uint64_t offset, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = pread(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw kokit::Error::FromErrno(n < 0 ? errno : EIO);
    p += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
}

std::vector<db::Row> RowSpool::Read(int64_t first, int64_t count) {
  std::vector<db::Row> out;
  if (first < 0 || first >= rows_ || count <= 0) return out;
  Flush();
  int64_t row = first - first % kCheckpoint;
  uint64_t offset = checkpoints_[static_cast<size_t>(row / kCheckpoint)];
  int64_t end = std::min(rows_, first + count);

  // Reads through a small window rather than one call per value.
  std::string window;
  uint64_t windowStart = offset;
  auto need = [&](uint64_t at, size_t size) -> const char* {
    if (at < windowStart || at + size > windowStart + window.size()) {
      windowStart = at;
      size_t want = std::max<size_t>(size, 64 * 1024);
      want = static_cast<size_t>(std::min<uint64_t>(want, flushed_ - at));
      window.resize(want);
      ReadAt(at, window.data(), want);
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
