#include "core/QueryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/ReplacingFile.h"
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
  ReplacingFile file(path);
  file.Write(bytes);
  file.Commit();
}

}  // namespace quarlodesk
