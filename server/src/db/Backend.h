#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What the pages need of a database: open a connection from a connection string, run a batch of
// statements, and read its result sets one row at a time. Texts are UTF-8; the pages convert to
// the code page of the answer.
namespace quarlopages::db {

// A failure the driver reported (diagnostic text with SQLSTATE where there is one), or a refusal
// of ours (no such file, unknown driver). The text goes to the client as it is.
class DbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The failure of a statement that we stopped rather than the database: ODBC's state for a
// cancelled operation.
inline constexpr const char* kCancelledText = "HY008: 语句已取消";

struct Column {
  std::string name;
  int32_t adoType = 200;  // ADO type code: 3 integer, 200 varchar, ...
  int32_t definedSize = 0;
};

using Row = std::vector<std::optional<std::string>>;  // nullopt is SQL NULL

// One running batch. Result sets are walked in order; rows of the current one are read
// forward only. Every call may throw DbError.
class Statement {
 public:
  virtual ~Statement() = default;

  // Columns of the current result set; empty for one without columns (an update, say).
  virtual const std::vector<Column>& Columns() const = 0;
  // Rows the current result set affected; meaningful when it has no columns, else -1.
  virtual int64_t RowsAffected() const = 0;
  // Reads the next row of the current result set into `row`; false past its last row.
  virtual bool Fetch(Row& row) = 0;
  // Moves to the next result set, dropping what is left of this one; false when none follows.
  virtual bool NextResult() = 0;
  // Asks a running Fetch/NextResult to stop. May be called from another thread.
  virtual void Cancel() = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;
  // Starts `sql` (one or more statements) with a time-out in seconds (0: none) and positions on
  // its first result set.
  virtual std::unique_ptr<Statement> Execute(const std::string& sql, int timeoutSeconds) = 0;
  // Whether the lone statement `sql` gives its rows as they are fetched and one result set, so
  // that it may stay open and be read a page at a time: any on the built-in SQLite backend, a
  // SELECT through psqlODBC's cursors. Other drivers may buffer a result whole or give several
  // result sets for one statement (a procedure call): their statements are read whole.
  virtual bool CanStream(const std::string& sql) const {
    (void)sql;
    return false;
  }
  // Stops the statement running on this connection now (in Execute, Fetch or NextResult) the way
  // the database stops one, so that the call fails with the database's own text; the connection
  // stays usable. May be called from another thread; does nothing when nothing runs.
  virtual void CancelStatement() = 0;
  // Stops whatever runs on this connection, Execute included; for shutdown. May be called from
  // another thread. Every later call on the connection and its statements then fails.
  virtual void Cancel() {}
};

// Chooses the backend by the connection string's `driver=` name and connects.
// `mapPath` is the folder that relative file paths are taken from; `loginTimeout` in seconds.
struct ConnectOptions {
  std::string mapPath;
  int loginTimeoutSeconds = 15;
  // The built-in backend opens files outside the map folder too (symbolic links followed).
  bool allowAnyPath = false;
  // Driver names (lower case, braces included, e.g. "{sqlite3}") served by the built-in SQLite
  // backend; every other name goes to unixODBC.
  std::vector<std::string> sqliteDrivers = {"{microsoft access driver (*.mdb)}", "{sqlite3}"};
};

std::unique_ptr<Connection> Connect(const std::string& connectionString,
                                    const ConnectOptions& options);

}  // namespace quarlopages::db
