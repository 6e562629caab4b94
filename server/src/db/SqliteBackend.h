#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "db/Backend.h"
#include "db/ConnectionString.h"

namespace quarlopages::db {

// The file a `dbq=` (or `database=`) value names: "\" and "/" both separate folders, and a
// relative path is taken from `mapPath`.
std::filesystem::path ResolveDatabaseFile(const std::string& value, const std::string& mapPath);

// Opens an existing SQLite file named by the connection string; never creates one.
std::unique_ptr<Connection> OpenSqlite(const ConnectionString& cs, const ConnectOptions& options);

}  // namespace quarlopages::db
