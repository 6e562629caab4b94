#include "core/QueryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "kokit/Codepage.h"
#include "kokit/Error.h"

namespace quarlodesk {

namespace {

struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

[[noreturn]] void ThrowErrno(int err) { throw kokit::Error::FromErrno(err); }

}  // namespace

std::string QueryFileBytes(const std::string& editorText) {
  std::string crlf;
  crlf.reserve(editorText.size() + editorText.size() / 16);
  for (char c : editorText) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return kokit::ToLegacy(crlf);
}

std::string EditorTextFromFile(const std::string& bytes) {
  std::string text = kokit::FromLegacy(bytes);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string ReadWholeFile(const std::string& path) {
  Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (f.fd < 0) ThrowErrno(errno);
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) ThrowErrno(errno);
  if (S_ISDIR(st.st_mode)) ThrowErrno(EISDIR);
  std::string out;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(f.fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::string target = path;
  char resolved[PATH_MAX];
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) &&
      ::realpath(path.c_str(), resolved)) {
    target = resolved;
  }
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) ThrowErrno(EISDIR);
    mode = st.st_mode & 07777;
  }
  std::string temp = target + ".XXXXXX";
  Fd f(::mkstemp(temp.data()));
  if (f.fd < 0) ThrowErrno(errno);
  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    ThrowErrno(err);
  };
  ::fchmod(f.fd, mode);
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(f.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(f.fd) != 0) fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno);
}

}  // namespace quarlodesk
