#include "db/OdbcBackend.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "db/AdoTypes.h"
#include "db/OdbcHandle.h"
#include "db/PsqlFetchCancel.h"
#include "db/PsqlOdbc.h"
#include "db/StatementText.h"

namespace quarlopages::db {
namespace {

// Values are read in pieces of this size, so a long value needs no buffer of its length.
constexpr SQLLEN kPieceSize = 16 * 1024;

std::string CancelledText() { return kCancelledText; }

// The environment and the connection; statements keep them alive after their Connection.
struct SharedConnection {
  SharedConnection() : env(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    dbc = std::make_unique<OdbcHandle>(SQL_HANDLE_DBC, env.get());
  }
  ~SharedConnection() {
    if (connected) SQLDisconnect(dbc->get());
  }
  SharedConnection(const SharedConnection&) = delete;
  SharedConnection& operator=(const SharedConnection&) = delete;

  // Around SQLExecDirect and SQLMoreResults: only a statement that executes is sent SQLCancel.
  // On one whose cursor is open, the driver manager takes SQLCancel as a close, and the next
  // SQLFetch fails with a function sequence error instead of the cancellation.
  void BeginExecuting(SQLHSTMT stmt) {
    std::lock_guard lock(mutex);
    executing.push_back({stmt, false});
  }
  // True when a cancel reached the statement while it executed.
  bool EndExecuting(SQLHSTMT stmt) {
    std::lock_guard lock(mutex);
    const auto it = std::find_if(executing.begin(), executing.end(),
                                 [stmt](const Executing& e) { return e.stmt == stmt; });
    if (it == executing.end()) return false;
    const bool cancelSent = it->cancelSent;
    executing.erase(it);
    return cancelSent;
  }
  // The driver stops what executes; a fetch from a cursor is stopped by FetchCancel.
  void CancelRunning() {
    std::lock_guard lock(mutex);
    for (Executing& e : executing) {
      SQLCancel(e.stmt);
      e.cancelSent = true;
    }
    if (fetchCancel) fetchCancel->Cancel();
  }
  void CancelAll() {
    cancelled = true;
    CancelRunning();
  }

  OdbcHandle env;
  std::unique_ptr<OdbcHandle> dbc;
  bool connected = false;
  bool psqlOdbc = false;  // see PsqlOdbc.h
  bool streams = false;   // psqlODBC reading through cursors
  std::atomic<bool> cancelled{false};
  struct Executing {
    SQLHSTMT stmt;
    bool cancelSent;
  };
  std::mutex mutex;
  std::vector<Executing> executing;                    // statements Connection::Cancel reaches
  std::unique_ptr<psqlodbc::FetchCancel> fetchCancel;  // when reading through cursors
};

class OdbcStatement : public Statement {
 public:
  OdbcStatement(std::shared_ptr<SharedConnection> shared, int timeoutSeconds)
      : shared_(std::move(shared)), stmt_(SQL_HANDLE_STMT, shared_->dbc->get()) {
    if (timeoutSeconds > 0) {
      SQLSetStmtAttr(stmt_.get(), SQL_ATTR_QUERY_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(timeoutSeconds)), 0);
    }
  }
  ~OdbcStatement() override {
    // Closes an open cursor first: psqlODBC then ends the transaction that held it.
    SQLFreeStmt(stmt_.get(), SQL_CLOSE);
  }

  void Start(const std::string& sql) {
    CheckCancelled();
    const SQLRETURN rc = Executing([&] {
      return SQLExecDirect(stmt_.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                           static_cast<SQLINTEGER>(sql.size()));
    });
    if (rc == SQL_NO_DATA) {
      // A statement that matched no row: a result without columns, 0 rows.
      active_ = true;
      return;
    }
    Check(rc);
    active_ = true;
    Describe();
  }

  const std::vector<Column>& Columns() const override { return columns_; }
  int64_t RowsAffected() const override { return rowsAffected_; }

  bool Fetch(Row& row) override {
    CheckCancelled();
    if (!active_ || columns_.empty()) return false;
    if (shared_->fetchCancel) shared_->fetchCancel->SetFetching(true);
    const SQLRETURN rc = SQLFetch(stmt_.get());
    if (shared_->fetchCancel) shared_->fetchCancel->SetFetching(false);
    if (rc == SQL_NO_DATA) return false;
    Check(rc);
    row.assign(columns_.size(), std::nullopt);
    for (size_t i = 0; i < columns_.size(); ++i)
      row[i] = ReadValue(static_cast<SQLUSMALLINT>(i + 1));
    return true;
  }

  bool NextResult() override {
    CheckCancelled();
    if (!active_) return false;
    columns_.clear();
    rowsAffected_ = 0;
    const SQLRETURN rc = Executing([&] { return SQLMoreResults(stmt_.get()); });
    if (rc == SQL_NO_DATA) {
      active_ = false;
      return false;
    }
    Check(rc);
    Describe();
    return true;
  }

  void Cancel() override {
    cancelled_ = true;
    SQLCancel(stmt_.get());
  }

 private:
  bool IsCancelled() const { return cancelled_ || shared_->cancelled; }
  void CheckCancelled() const {
    if (IsCancelled()) throw DbError(CancelledText());
  }

  template <typename Call>
  SQLRETURN Executing(Call call) {
    shared_->BeginExecuting(stmt_.get());
    const SQLRETURN rc = call();
    if (shared_->EndExecuting(stmt_.get())) cancelSent_ = true;
    return rc;
  }

  void Check(SQLRETURN rc) {
    if (SQL_SUCCEEDED(rc)) return;
    active_ = false;
    std::string text = DiagnosticText(SQL_HANDLE_STMT, stmt_.get(), "ODBC: 语句执行失败");
    // HY010 after a cancel is the cancel's own doing (the driver manager closed the cursor).
    // (A cancel that lands as the statement finishes executing does that.)
    if ((IsCancelled() || cancelSent_) && text.rfind("HY010", 0) == 0)
      throw DbError(CancelledText());
    if (IsCancelled() && text.rfind("HY008", 0) != 0) text = CancelledText() + "; " + text;
    throw DbError(text);
  }

  void Describe() {
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(stmt_.get(), &count));
    if (count == 0) {
      SQLLEN rows = 0;
      rowsAffected_ = SQL_SUCCEEDED(SQLRowCount(stmt_.get(), &rows)) && rows >= 0 ? rows : 0;
      return;
    }
    rowsAffected_ = -1;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
      std::vector<SQLCHAR> name(256);
      SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      Check(SQLDescribeCol(stmt_.get(), i, name.data(), static_cast<SQLSMALLINT>(name.size()),
                           &nameLength, &sqlType, &size, &digits, &nullable));
      if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
        name.resize(static_cast<size_t>(nameLength) + 1);
        Check(SQLDescribeCol(stmt_.get(), i, name.data(), static_cast<SQLSMALLINT>(name.size()),
                             &nameLength, &sqlType, &size, &digits, &nullable));
      }
      const ado::TypeAndSize t = ado::FromOdbcType(sqlType, size);
      columns_.push_back(Column{reinterpret_cast<const char*>(name.data()), t.type, t.size});
    }
  }

  // The whole value as UTF-8 text, read piece by piece; nullopt for NULL.
  std::optional<std::string> ReadValue(SQLUSMALLINT column) {
    std::string value;
    std::vector<char>& buffer = piece_;
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN rc =
          SQLGetData(stmt_.get(), column, SQL_C_CHAR, buffer.data(), kPieceSize, &indicator);
      if (rc == SQL_NO_DATA) break;  // every piece is read
      Check(rc);
      if (indicator == SQL_NULL_DATA) return std::nullopt;
      const bool truncated =
          rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= kPieceSize);
      if (truncated) {
        value.append(buffer.data(), static_cast<size_t>(kPieceSize - 1));
        continue;
      }
      value.append(buffer.data(), static_cast<size_t>(std::max<SQLLEN>(indicator, 0)));
      break;
    }
    return value;
  }

  std::shared_ptr<SharedConnection> shared_;
  OdbcHandle stmt_;
  // One read buffer for every value: zero-filling a fresh one per value was a fifth of the time.
  std::vector<char> piece_ = std::vector<char>(kPieceSize);
  std::vector<Column> columns_;
  int64_t rowsAffected_ = 0;
  bool active_ = false;  // a result set is current
  std::atomic<bool> cancelled_{false};
  bool cancelSent_ = false;  // by Connection::CancelStatement while it executed
};

class OdbcConnection : public Connection {
 public:
  explicit OdbcConnection(std::shared_ptr<SharedConnection> shared) : shared_(std::move(shared)) {}

  std::unique_ptr<Statement> Execute(const std::string& sql, int timeoutSeconds) override {
    if (shared_->cancelled) throw DbError(CancelledText());
    RefuseNulBytes(sql);
    auto statement = std::make_unique<OdbcStatement>(shared_, timeoutSeconds);
    statement->Start(shared_->psqlOdbc ? psqlodbc::KeepOutOfCursor(sql) : sql);
    return statement;
  }

  bool CanStream(const std::string& sql) const override {
    return shared_->streams && psqlodbc::ReadsThroughCursor(sql);
  }
  void CancelStatement() override { shared_->CancelRunning(); }
  void Cancel() override { shared_->CancelAll(); }

 private:
  std::shared_ptr<SharedConnection> shared_;
};

// The server process of a PostgreSQL connection.
std::string BackendPid(SQLHDBC dbc) {
  OdbcHandle stmt(SQL_HANDLE_STMT, dbc);
  const char* sql = "select pg_backend_pid()";
  SQLCHAR pid[32] = {};
  SQLLEN length = 0;
  const bool ok = SQL_SUCCEEDED(SQLExecDirect(
                      stmt.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS)) &&
                  SQL_SUCCEEDED(SQLFetch(stmt.get())) &&
                  SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_CHAR, pid, sizeof pid, &length));
  if (!ok)
    throw DbError(DiagnosticText(SQL_HANDLE_STMT, stmt.get(), "ODBC: 无法读取连接的服务器进程号"));
  SQLFreeStmt(stmt.get(), SQL_CLOSE);
  return reinterpret_cast<const char*>(pid);
}

}  // namespace

std::unique_ptr<Connection> OpenOdbc(const std::string& connectionString,
                                     const ConnectOptions& options) {
  auto shared = std::make_shared<SharedConnection>();
  SQLHDBC dbc = shared->dbc->get();
  if (options.loginTimeoutSeconds > 0) {
    SQLSetConnectAttr(
        dbc, SQL_ATTR_LOGIN_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(options.loginTimeoutSeconds)), 0);
  }
  shared->psqlOdbc = psqlodbc::IsPsqlOdbc(shared->env.get(), connectionString);
  shared->streams = shared->psqlOdbc && psqlodbc::UsesCursors(connectionString);
  const std::string effective =
      shared->psqlOdbc ? psqlodbc::WithCursorOptions(connectionString) : connectionString;
  if (effective.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max())) {
    throw DbError("连接字符串过长");
  }
  std::vector<SQLCHAR> completed(1024);
  SQLSMALLINT completedLength = 0;
  const SQLRETURN rc = SQLDriverConnect(
      dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(effective.data())),
      static_cast<SQLSMALLINT>(effective.size()), completed.data(),
      static_cast<SQLSMALLINT>(completed.size()), &completedLength, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    throw DbError(DiagnosticText(SQL_HANDLE_DBC, dbc, "ODBC: 无法连接数据库"));
  }
  shared->connected = true;
  if (shared->streams) {
    shared->fetchCancel = std::make_unique<psqlodbc::FetchCancel>(effective, BackendPid(dbc));
  }
  return std::make_unique<OdbcConnection>(std::move(shared));
}

}  // namespace quarlopages::db
