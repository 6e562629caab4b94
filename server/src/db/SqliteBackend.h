#pragma once

#include <memory>

#include "db/Backend.h"
#include "db/ConnectionString.h"

namespace quarlopages::db {

// Opens an existing SQLite file named by the connection string, inside the map folder unless
// `options.allowAnyPath`; never creates one.
std::unique_ptr<Connection> OpenSqlite(const ConnectionString& cs, const ConnectOptions& options);

}  // namespace quarlopages::db
