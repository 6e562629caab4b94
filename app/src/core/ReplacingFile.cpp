#include "core/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "kokit/Error.h"

namespace quarlodesk {

namespace {

[[noreturn]] void ThrowErrno(int err) { throw kokit::Error::FromErrno(err); }

}  // namespace

ReplacingFile::ReplacingFile(const std::string& path) : target_(path) {
  char resolved[PATH_MAX];
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) &&
      ::realpath(path.c_str(), resolved)) {
    target_ = resolved;
  }
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) ThrowErrno(EISDIR);
    mode = st.st_mode & 07777;
  }
  temp_ = target_ + ".XXXXXX";
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) ThrowErrno(errno);
  ::fchmod(fd_, mode);
}

ReplacingFile::~ReplacingFile() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(temp_.c_str());
}

void ReplacingFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void ReplacingFile::Commit() {
  if (::fsync(fd_) != 0) ThrowErrno(errno);
  if (::close(fd_) != 0) {
    fd_ = -1;
    const int err = errno;
    ::unlink(temp_.c_str());
    ThrowErrno(err);
  }
  fd_ = -1;
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp_.c_str());
    ThrowErrno(err);
  }
}

}  // namespace quarlodesk
