#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "kokit/Codepage.h"
#include "kokit/DateTime.h"
#include "kokit/Error.h"
#include "kokit/EventPump.h"
#include "kokit/KoToolsApp.h"

namespace kokit {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  // Closes now, so that a failure to close (a full disk on NFS, say) can be reported.
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

}  // namespace

std::string KoToolsApp::GetComputerName() const {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return std::string(name);
}

std::string KoToolsApp::GetUserName() const {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) != 0 || !found) return "";
  std::string name(found->pw_name);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string KoToolsApp::Version() const {
  return "kokit " + std::to_string(KOKIT_VERSION_MAJOR) + "." + std::to_string(KOKIT_VERSION_MINOR);
}

void KoToolsApp::OptLogInf(const std::string& optString, const std::string& logFileName) const {
  const std::string record =
      ToLegacy(DateTime::Now().ToText()) + "\r\n" + ToLegacy(optString) + "\r\n";
  FileDescriptor fd(::open(logFileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0) throw Error::FromErrno(errno);
  // One record, one write where possible, so records of several processes do not interleave.
  for (size_t done = 0; done < record.size();) {
    ssize_t n = ::write(fd.get(), record.data() + done, record.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw Error::FromErrno(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (fd.Close() != 0) throw Error::FromErrno(errno);
}

void KoToolsApp::Delay(double ms) const {
  if (std::isinf(ms)) throw Error(EINVAL, "Delay: the time must be finite");
  if (!(ms > 0)) return;  // zero, negative or not a number
  using Clock = std::chrono::steady_clock;
  using Millis = std::chrono::duration<double, std::milli>;
  const auto start = Clock::now();
  for (;;) {
    const double left = ms - Millis(Clock::now() - start).count();
    if (left <= 0) return;
    PumpEvents();
    std::this_thread::sleep_for(Millis(std::min(left, 10.0)));
  }
}

}  // namespace kokit
