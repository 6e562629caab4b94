#include "registry/Store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>

#include "kokit/Enums.h"
#include "registry/Registry.h"

namespace fs = std::filesystem;

namespace kokit::detail {

namespace {

constexpr int kBusyTimeoutMs = 10000;

const char* RootFileName(uint32_t root) {
  switch (root) {
    case xpRegRoot_HKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT.sqlite";
    case xpRegRoot_HKEY_CURRENT_USER:
      return "HKEY_CURRENT_USER.sqlite";
    case xpRegRoot_HKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE.sqlite";
    case xpRegRoot_HKEY_USERS:
      return "HKEY_USERS.sqlite";
    case xpRegRoot_HKEY_PERFORMANCE_DATA:
      return "HKEY_PERFORMANCE_DATA.sqlite";
    default:
      return nullptr;
  }
}

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys(path TEXT PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS vals(path TEXT NOT NULL COLLATE NOCASE,"
    " name TEXT NOT NULL COLLATE NOCASE, kind INTEGER NOT NULL, data BLOB,"
    " PRIMARY KEY(path, name)) WITHOUT ROWID;";

// Keeps a damaged store file under a new name, so nothing is destroyed.
void MoveAside(const fs::path& file) {
  auto stamp = std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
                   .count();
  for (int n = 0; n < 100; ++n) {
    fs::path aside = file;
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "-" + std::string&&.
    aside += ".corrupt-";
    aside += std::to_string(stamp);
    if (n) {
      aside += "-";
      aside += std::to_string(n);
    }
    std::error_code ec;
    if (fs::exists(aside, ec)) continue;
    fs::rename(file, aside, ec);
    fs::path journal = file;
    journal += "-journal";
    fs::path asideJournal = aside;
    asideJournal += "-journal";
    fs::rename(journal, asideJournal, ec);
    return;
  }
}

}  // namespace

fs::path StoreFolder() {
  if (const char* dir = std::getenv("KOKIT_REGISTRY_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    return fs::path(xdg) / "tarnwick";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".config" / "tarnwick";
}

std::string NormalizeKeyPath(std::string_view path) {
  std::string out;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('\\', i);
    if (j == std::string_view::npos) j = path.size();
    if (j > i) {
      if (!out.empty()) out += '\\';
      out.append(path.substr(i, j - i));
    }
    i = j + 1;
  }
  return out;
}

int Store::ErrnoOf(int sqliteRc) const {
  int sys = db_.get() ? sqlite3_system_errno(db_.get()) : 0;
  switch (sqliteRc & 0xFF) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return EACCES;
    case SQLITE_FULL:
      return ENOSPC;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return EBUSY;
    case SQLITE_NOMEM:
      return ENOMEM;
    case SQLITE_CANTOPEN:
      return sys ? sys : EACCES;
    default:
      return sys ? sys : EIO;
  }
}

int Store::OpenFile(const fs::path& file) {
  int rc = db_.Open(file.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
  if (rc != SQLITE_OK) return rc;
  sqlite3_busy_timeout(db_.get(), kBusyTimeoutMs);
  return db_.Exec(kSchema);
}

int Store::Open(uint32_t root, bool create) {
  const char* name = RootFileName(root);
  if (!name) return EINVAL;
  fs::path folder = StoreFolder();
  fs::path file = folder / name;
  if (create) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return ec.value();
    // Made here with 0600 so the file never exists with wider rights: it holds ciphertexts.
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);
  } else if (::access(file.c_str(), F_OK) != 0) {
    return ENOENT;
  }
  int rc = OpenFile(file);
  if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) {
    db_.Close();
    MoveAside(file);
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);
    rc = OpenFile(file);
  }
  return rc == SQLITE_OK ? 0 : ErrnoOf(rc);
}

bool Store::KeyExists(const std::string& path) {
  if (path.empty()) return true;
  SqliteStmt q(db(), "SELECT 1 FROM keys WHERE path = ?1");
  q.Bind(1, path);
  return q.Step() == SQLITE_ROW;
}

WriteTxn::WriteTxn(sqlite3* db)
    : db_(db), rc_(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr)) {}

WriteTxn::~WriteTxn() {
  if (rc_ == SQLITE_OK && !done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int WriteTxn::Commit() {
  int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) done_ = true;
  return rc;
}

}  // namespace kokit::detail
