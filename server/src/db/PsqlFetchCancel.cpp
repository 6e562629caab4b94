#include "db/PsqlFetchCancel.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "db/OdbcHandle.h"

namespace quarlopages::db::psqlodbc {

FetchCancel::FetchCancel(std::string connectionString, std::string backendPid)
    : connectionString_(std::move(connectionString)), backendPid_(std::move(backendPid)) {}

FetchCancel::~FetchCancel() {
  std::lock_guard lock(mutex_);
  if (worker_.joinable()) worker_.join();
}

void FetchCancel::Cancel() {
  std::lock_guard lock(mutex_);
  if (!fetching_ || running_) return;
  if (worker_.joinable()) worker_.join();
  running_ = true;
  worker_ = std::jthread([this] {
    Run();
    running_ = false;
  });
}

void FetchCancel::Run() {
  try {
    OdbcHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    OdbcHandle dbc(SQL_HANDLE_DBC, env.get());
    SQLSetConnectAttr(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(intptr_t{5}),
                      0);
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLDriverConnect(
        dbc.get(), nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString_.data())),
        static_cast<SQLSMALLINT>(connectionString_.size()), nullptr, 0, &length,
        SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) return;
    // The fetch may have ended while this logged in; then the backend runs something else.
    if (fetching_) {
      OdbcHandle stmt(SQL_HANDLE_STMT, dbc.get());
      const std::string sql = "select pg_cancel_backend(" + backendPid_ + ")";
      SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.data())),
                    static_cast<SQLINTEGER>(sql.size()));
      SQLFreeStmt(stmt.get(), SQL_CLOSE);
    }
    SQLDisconnect(dbc.get());
  } catch (const std::exception&) {
    // No handle: the fetch goes on until the rows come, as without this.
  }
}

}  // namespace quarlopages::db::psqlodbc
