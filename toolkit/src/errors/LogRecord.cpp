#include "errors/LogRecord.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "kokit/Error.h"

namespace kokit::detail {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Head(const LogParts& p) { return p.module + "." + p.function + "(" + p.remark + ")"; }

std::string StepPart(const LogParts& p) { return "[步骤]=" + std::to_string(p.step); }
std::string LinePart(const LogParts& p) { return "[行号]=" + std::to_string(p.line); }
// Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "(" + std::string&&.
std::string NumberPart(const LogParts& p) {
  std::string part = "(";
  part += std::to_string(p.number);
  part += ')';
  part += p.description;
  return part;
}
std::string AppendPart(const LogParts& p) { return "(附加数据)" + p.appendData; }

// Closes a descriptor on every path out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace

std::string FileRecord(const LogParts& p) {
  std::string r;
  r.append(p.date).append(kCrLf);
  r.append(Head(p));
  if (p.step != 0) r.append(StepPart(p));
  if (p.line != 0) r.append(LinePart(p));
  r.append(kCrLf);
  r.append(NumberPart(p)).append(kCrLf);
  if (!p.appendData.empty()) r.append(AppendPart(p)).append(kCrLf);
  return r;
}

std::string EventLogText(const LogParts& p) {
  std::string r;
  r.append(p.date).append(kCrLf);
  r.append(Head(p)).append(kCrLf);
  if (p.step != 0) r.append(StepPart(p)).append(kCrLf);
  if (p.line != 0) r.append(LinePart(p)).append(kCrLf);
  r.append(NumberPart(p)).append(kCrLf);
  if (!p.appendData.empty()) r.append(AppendPart(p));
  return r;
}

void AppendToFile(const std::string& path, std::string_view bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
  if (fd.get() < 0) throw Error::FromErrno(errno);
  // One write per record keeps records from two processes apart; loop only on a short write.
  while (!bytes.empty()) {
    ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error::FromErrno(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (::close(fd.Release()) != 0) throw Error::FromErrno(errno);
}

}  // namespace kokit::detail
