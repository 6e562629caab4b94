#include "ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "kokit/Error.h"

namespace quarlolink::http {

namespace {

// The temporary file; removed unless it was renamed into place.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) throw kokit::Error::FromErrno(errno);
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  void Close() {
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw kokit::Error::FromErrno(errno);
  }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool kept_ = false;
};

void Check(bool ok) {
  if (!ok) throw kokit::Error::FromErrno(errno != 0 ? errno : EIO);
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes) {
  TempFile temp(path + ".tmp-XXXXXX");
  // The file keeps the permissions it had; a new one gets the usual 0644.
  struct stat old {};
  mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  Check(::fchmod(temp.fd(), mode) == 0);
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = ::write(temp.fd(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    Check(n > 0);
    done += static_cast<size_t>(n);
  }
  Check(::fsync(temp.fd()) == 0);
  temp.Close();
  Check(::rename(temp.path().c_str(), path.c_str()) == 0);
  temp.Keep();
  // The rename itself is made durable with the folder.
  std::string folder = std::filesystem::path(path).parent_path().string();
  int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace quarlolink::http
