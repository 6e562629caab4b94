#include "registry/Registry.h"

#include <cerrno>

#include "registry/Store.h"

namespace kokit::detail {

namespace {

constexpr int kKindString = 1;
constexpr int kKindNumber = 4;

RegOutcome Fail(const char* status, int32_t code) { return RegOutcome{code, status}; }

// Creates `path` and every key above it.
int CreateKeys(Store& store, const std::string& path) {
  SqliteStmt ins(store.db(), "INSERT OR IGNORE INTO keys(path) VALUES(?1)");
  if (ins.Prepared() != SQLITE_OK) return ins.Prepared();
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      sqlite3_reset(ins.get());
      ins.Bind(1, std::string_view(path).substr(0, i));
      int rc = ins.Step();
      if (rc != SQLITE_DONE) return rc;
    }
  }
  return SQLITE_OK;
}

// Opens the store, creates the key and writes one value, all in one transaction.
RegOutcome WriteValue(uint32_t root, std::string_view rawPath, std::string_view name, int kind,
                      std::string_view blob, int64_t number) {
  Store store;
  if (int err = store.Open(root, true)) return Fail(kRegCreateKeyFail, err);
  std::string path = NormalizeKeyPath(rawPath);
  WriteTxn txn(store.db());
  if (txn.Begun() != SQLITE_OK) return Fail(kRegCreateKeyFail, store.ErrnoOf(txn.Begun()));
  if (!path.empty()) {
    if (int rc = CreateKeys(store, path); rc != SQLITE_OK) {
      return Fail(kRegCreateKeyFail, store.ErrnoOf(rc));
    }
  }
  SqliteStmt put(store.db(),
                 "INSERT OR REPLACE INTO vals(path, name, kind, data) VALUES(?1,?2,?3,?4)");
  put.Bind(1, path);
  put.Bind(2, name);
  put.Bind(3, int64_t{kind});
  if (kind == kKindString) {
    put.BindBlob(4, blob);
  } else {
    put.Bind(4, number);
  }
  if (int rc = put.Step(); rc != SQLITE_DONE) return Fail(kRegSetValueExFail, store.ErrnoOf(rc));
  if (int rc = txn.Commit(); rc != SQLITE_OK) return Fail(kRegSetValueExFail, store.ErrnoOf(rc));
  return RegOutcome{};
}

// Finds a value's kind and statement positioned on its row; status on failure.
struct Lookup {
  Store store;
  std::unique_ptr<SqliteStmt> row;
  const char* failure = nullptr;
};

void Find(Lookup& l, uint32_t root, std::string_view rawPath, std::string_view name) {
  std::string path = NormalizeKeyPath(rawPath);
  if (int err = l.store.Open(root, false)) {
    // No file yet: only the root key exists, and it has no values.
    l.failure = (err == ENOENT && path.empty()) ? kRegQueryValueExFail : kRegOpenKeyFail;
    return;
  }
  if (!l.store.KeyExists(path)) {
    l.failure = kRegOpenKeyFail;
    return;
  }
  l.row = std::make_unique<SqliteStmt>(l.store.db(),
                                       "SELECT kind, data FROM vals WHERE path = ?1 AND name = ?2");
  l.row->Bind(1, path);
  l.row->Bind(2, name);
  if (l.row->Step() != SQLITE_ROW) l.failure = kRegQueryValueExFail;
}

}  // namespace

std::string RegGetString(uint32_t root, std::string_view path, std::string_view name,
                         RegOutcome& out) {
  Lookup l;
  Find(l, root, path, name);
  if (l.failure) {
    out = Fail(l.failure, -1);
    return "";
  }
  if (sqlite3_column_int(l.row->get(), 0) != kKindString) {
    out = Fail(kRegTypeMismatch, -1);
    return "";
  }
  const char* data = static_cast<const char*>(sqlite3_column_blob(l.row->get(), 1));
  std::string value(data ? data : "", static_cast<size_t>(sqlite3_column_bytes(l.row->get(), 1)));
  // A registry string ends at its first NUL.
  if (size_t nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
  out = RegOutcome{};
  return value;
}

int32_t RegGetDWord(uint32_t root, std::string_view path, std::string_view name, RegOutcome& out) {
  Lookup l;
  Find(l, root, path, name);
  if (l.failure) {
    out = Fail(l.failure, -1);
    return 0;
  }
  if (sqlite3_column_int(l.row->get(), 0) != kKindNumber) {
    out = Fail(kRegTypeMismatch, -1);
    return 0;
  }
  out = RegOutcome{};
  return static_cast<int32_t>(sqlite3_column_int64(l.row->get(), 1));
}

RegOutcome RegSaveString(uint32_t root, std::string_view path, std::string_view name,
                         std::string_view data) {
  return WriteValue(root, path, name, kKindString, data, 0);
}

RegOutcome RegSaveDWord(uint32_t root, std::string_view path, std::string_view name, int32_t data) {
  return WriteValue(root, path, name, kKindNumber, {}, data);
}

RegOutcome RegSaveKey(uint32_t root, std::string_view rawPath) {
  Store store;
  if (int err = store.Open(root, true)) return Fail(kRegCreateKeyFail, err);
  std::string path = NormalizeKeyPath(rawPath);
  if (path.empty()) return RegOutcome{};
  WriteTxn txn(store.db());
  if (txn.Begun() != SQLITE_OK) return Fail(kRegCreateKeyFail, store.ErrnoOf(txn.Begun()));
  if (int rc = CreateKeys(store, path); rc != SQLITE_OK) {
    return Fail(kRegCreateKeyFail, store.ErrnoOf(rc));
  }
  if (int rc = txn.Commit(); rc != SQLITE_OK) return Fail(kRegCreateKeyFail, store.ErrnoOf(rc));
  return RegOutcome{};
}

RegOutcome RegDelKey(uint32_t root, std::string_view rawKey) {
  std::string key = NormalizeKeyPath(rawKey);
  // The root itself cannot be deleted.
  if (key.empty()) return Fail(kRegDeleteKeyFail, EACCES);
  Store store;
  if (int err = store.Open(root, false)) return Fail(kRegDeleteKeyFail, err);
  WriteTxn txn(store.db());
  if (txn.Begun() != SQLITE_OK) return Fail(kRegDeleteKeyFail, store.ErrnoOf(txn.Begun()));
  if (!store.KeyExists(key)) return Fail(kRegDeleteKeyFail, ENOENT);
  // Like the original registry call, a key that still has subkeys is refused, not deleted whole.
  SqliteStmt sub(store.db(), "SELECT 1 FROM keys WHERE path > ?1 AND path < ?2 LIMIT 1");
  sub.Bind(1, key + "\\");
  sub.Bind(2, key + "]");  // ']' follows '\\'
  if (sub.Step() == SQLITE_ROW) return Fail(kRegDeleteKeyFail, ENOTEMPTY);
  for (const char* sql : {"DELETE FROM vals WHERE path = ?1", "DELETE FROM keys WHERE path = ?1"}) {
    SqliteStmt del(store.db(), sql);
    del.Bind(1, key);
    if (int rc = del.Step(); rc != SQLITE_DONE) return Fail(kRegDeleteKeyFail, store.ErrnoOf(rc));
  }
  if (int rc = txn.Commit(); rc != SQLITE_OK) return Fail(kRegDeleteKeyFail, store.ErrnoOf(rc));
  return RegOutcome{};
}

RegOutcome RegDelValue(uint32_t root, std::string_view rawPath, std::string_view name) {
  std::string path = NormalizeKeyPath(rawPath);
  Store store;
  if (int err = store.Open(root, false)) {
    return err == ENOENT && path.empty() ? Fail(kRegDeleteValueFail, ENOENT)
                                         : Fail(kRegOpenKeyFail, err);
  }
  WriteTxn txn(store.db());
  if (txn.Begun() != SQLITE_OK) return Fail(kRegDeleteValueFail, store.ErrnoOf(txn.Begun()));
  if (!store.KeyExists(path)) return Fail(kRegOpenKeyFail, ENOENT);
  SqliteStmt del(store.db(), "DELETE FROM vals WHERE path = ?1 AND name = ?2");
  del.Bind(1, path);
  del.Bind(2, name);
  if (int rc = del.Step(); rc != SQLITE_DONE) return Fail(kRegDeleteValueFail, store.ErrnoOf(rc));
  if (sqlite3_changes(store.db()) == 0) return Fail(kRegDeleteValueFail, ENOENT);
  if (int rc = txn.Commit(); rc != SQLITE_OK) return Fail(kRegDeleteValueFail, store.ErrnoOf(rc));
  return RegOutcome{};
}

}  // namespace kokit::detail
