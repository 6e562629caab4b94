#include "db/SqliteBackend.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "db/AdoTypes.h"
#include "db/DatabaseFile.h"
#include "db/SqliteConfine.h"
#include "db/StatementText.h"

namespace quarlopages::db {
namespace {

using Clock = std::chrono::steady_clock;

// Checked by the progress handler every this many virtual-machine steps.
constexpr int kProgressSteps = 1000;
// How long a statement waits for another connection's lock on the same file.
constexpr int kBusyTimeoutMs = 5000;

std::string CancelledText() { return "HY008: 语句已取消"; }
std::string TimeoutText(int seconds) {
  return "HYT00: 语句执行超时（" + std::to_string(seconds) + " 秒）";
}

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// The open file; statements keep it alive after their connection is gone.
struct SharedDb {
  SqliteConfinement confinement;  // declared first: outlives the connection that calls it
  std::unique_ptr<sqlite3, DbCloser> db;
  std::atomic<bool> cancelled{false};
};

std::string HexOf(const void* data, int size) {
  static const char kDigits[] = "0123456789ABCDEF";
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string out;
  out.reserve(static_cast<size_t>(size) * 2);
  for (int i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

class SqliteStatement : public Statement {
 public:
  SqliteStatement(std::shared_ptr<SharedDb> shared, const std::string& sql, int timeoutSeconds)
      : shared_(std::move(shared)), sql_(sql), timeoutSeconds_(timeoutSeconds) {
    rest_ = sql_.c_str();
  }

  // Runs up to the first result set.
  void Start() {
    Guard guard(*this);
    Advance();
  }

  const std::vector<Column>& Columns() const override { return columns_; }
  int64_t RowsAffected() const override { return rowsAffected_; }

  bool Fetch(Row& row) override {
    CheckCancelled();
    if (!stmt_ || columns_.empty()) return false;
    if (needStep_) {
      Guard guard(*this);
      needStep_ = false;
      hasRow_ = Step() == SQLITE_ROW;
    }
    if (!hasRow_) return false;
    const int n = static_cast<int>(columns_.size());
    row.assign(n, std::nullopt);
    for (int i = 0; i < n; ++i) {
      sqlite3_stmt* s = stmt_.get();
      switch (sqlite3_column_type(s, i)) {
        case SQLITE_NULL:
          break;
        case SQLITE_BLOB:
          row[i] = HexOf(sqlite3_column_blob(s, i), sqlite3_column_bytes(s, i));
          break;
        default: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
          row[i] = std::string(text ? text : "", sqlite3_column_bytes(s, i));
        }
      }
    }
    hasRow_ = false;
    needStep_ = true;
    return true;
  }

  bool NextResult() override {
    CheckCancelled();
    stmt_.reset();
    Guard guard(*this);
    return Advance();
  }

  void Cancel() override { cancelled_ = true; }

 private:
  // Limits one call in time and lets Cancel stop it.
  class Guard {
   public:
    explicit Guard(SqliteStatement& s) : s_(s) {
      s_.timedOut_ = false;
      s_.deadline_ = s_.timeoutSeconds_ > 0
                         ? Clock::now() + std::chrono::seconds(s_.timeoutSeconds_)
                         : Clock::time_point::max();
      sqlite3_progress_handler(s_.Db(), kProgressSteps, &SqliteStatement::OnProgress, &s_);
    }
    ~Guard() { sqlite3_progress_handler(s_.Db(), 0, nullptr, nullptr); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    SqliteStatement& s_;
  };

  static int OnProgress(void* self) {
    auto* s = static_cast<SqliteStatement*>(self);
    if (s->IsCancelled()) return 1;
    if (Clock::now() > s->deadline_) {
      s->timedOut_ = true;
      return 1;
    }
    return 0;
  }

  sqlite3* Db() const { return shared_->db.get(); }
  bool IsCancelled() const { return cancelled_ || shared_->cancelled; }
  void CheckCancelled() const {
    if (IsCancelled()) throw DbError(CancelledText());
  }

  [[noreturn]] void Fail(int rc) {
    std::string text;
    if (auto refusal = shared_->confinement.TakeRefusal()) {
      text = *refusal;
    } else if (rc == SQLITE_INTERRUPT && timedOut_) {
      text = TimeoutText(timeoutSeconds_);
    } else if (rc == SQLITE_INTERRUPT && IsCancelled()) {
      text = CancelledText();
    } else {
      text = std::string("SQLite: ") + sqlite3_errmsg(Db());
    }
    stmt_.reset();
    rest_ = nullptr;
    throw DbError(text);
  }

  int Step() {
    const int rc = sqlite3_step(stmt_.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) Fail(rc);
    return rc;
  }

  // Prepares and starts the next statement of the batch; false when none is left.
  bool Advance() {
    columns_.clear();
    rowsAffected_ = 0;
    hasRow_ = needStep_ = false;
    while (rest_ && *rest_) {
      sqlite3_stmt* raw = nullptr;
      const char* tail = nullptr;
      const int rc = sqlite3_prepare_v2(Db(), rest_, -1, &raw, &tail);
      stmt_.reset(raw);
      if (rc != SQLITE_OK) Fail(rc);
      rest_ = tail;
      if (!raw) continue;  // only blanks or a comment
      const int64_t before = sqlite3_total_changes64(Db());
      const int rcStep = Step();
      const int n = sqlite3_column_count(raw);
      if (n == 0) {
        // Stepping past SQLITE_DONE would run the statement again.
        for (int rc = rcStep; rc == SQLITE_ROW;) rc = Step();
        rowsAffected_ = sqlite3_total_changes64(Db()) != before ? sqlite3_changes64(Db()) : 0;
        return true;
      }
      rowsAffected_ = -1;
      hasRow_ = rcStep == SQLITE_ROW;
      for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(raw, i);
        const char* declared = sqlite3_column_decltype(raw, i);
        const int storage = hasRow_ ? sqlite3_column_type(raw, i) : SQLITE_NULL;
        const ado::TypeAndSize t = ado::FromDeclaredType(declared ? declared : "", storage);
        columns_.push_back(Column{name ? name : "", t.type, t.size});
      }
      return true;
    }
    stmt_.reset();
    return false;
  }

  std::shared_ptr<SharedDb> shared_;
  std::string sql_;
  const char* rest_ = nullptr;  // the statements not yet prepared, inside sql_
  int timeoutSeconds_;
  StmtPtr stmt_;
  std::vector<Column> columns_;
  int64_t rowsAffected_ = 0;
  bool hasRow_ = false;    // the current statement holds a row not yet handed out
  bool needStep_ = false;  // the row handed out last must be stepped past first
  std::atomic<bool> cancelled_{false};
  bool timedOut_ = false;
  Clock::time_point deadline_ = Clock::time_point::max();
};

class SqliteConnection : public Connection {
 public:
  explicit SqliteConnection(std::shared_ptr<SharedDb> shared) : shared_(std::move(shared)) {}

  std::unique_ptr<Statement> Execute(const std::string& sql, int timeoutSeconds) override {
    if (shared_->cancelled) throw DbError(CancelledText());
    RefuseNulBytes(sql);
    auto statement = std::make_unique<SqliteStatement>(shared_, sql, timeoutSeconds);
    statement->Start();
    return statement;
  }

  bool CanStream(const std::string&) const override { return true; }

  // Safe from another thread while the file is open: the session keeps the connection alive.
  void CancelStatement() override { sqlite3_interrupt(shared_->db.get()); }
  void Cancel() override { shared_->cancelled = true; }

 private:
  std::shared_ptr<SharedDb> shared_;
};

}  // namespace

std::unique_ptr<Connection> OpenSqlite(const ConnectionString& cs, const ConnectOptions& options) {
  auto value = cs.Get("dbq");
  if (!value || value->empty()) value = cs.Get("database");
  if (!value || value->empty()) throw DbError("连接字符串没有指定数据库文件（dbq=）");
  const std::filesystem::path file = DatabaseFileFor(*value, options.mapPath, options.allowAnyPath);

  // The path holds no links now; one put in its place since is refused.
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(
      file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW,
      nullptr);
  auto shared = std::make_shared<SharedDb>();
  shared->db.reset(raw);
  if (rc != SQLITE_OK) {
    throw DbError("SQLite: " + std::string(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)) + "：" +
                  file.string());
  }
  shared->confinement.Install(raw);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  // Reading the schema tells a database from any other file now rather than at the first query.
  if (sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
      SQLITE_OK) {
    throw DbError("SQLite: " + std::string(sqlite3_errmsg(raw)) + "：" + file.string());
  }
  return std::make_unique<SqliteConnection>(std::move(shared));
}

}  // namespace quarlopages::db
