#include <algorithm>

#include "db/Backend.h"
#include "db/ConnectionString.h"
#include "db/OdbcBackend.h"
#include "db/SqliteBackend.h"

namespace quarlopages::db {

std::unique_ptr<Connection> Connect(const std::string& connectionString,
                                    const ConnectOptions& options) {
  const ConnectionString cs = ConnectionString::Parse(connectionString);
  if (const auto driver = cs.GetRaw("driver")) {
    std::string name = AsciiLower(*driver);
    if (name.empty() || name.front() != '{') name = "{" + name + "}";
    const auto& builtIn = options.sqliteDrivers;
    if (std::find(builtIn.begin(), builtIn.end(), name) != builtIn.end()) {
      return OpenSqlite(cs, options);
    }
  }
  return OpenOdbc(connectionString, options);
}

}  // namespace quarlopages::db
