#pragma once

#include <memory>
#include <string>

#include "db/Backend.h"

namespace quarlopages::db {

// Connects through unixODBC's SQLDriverConnect with the connection string as it came.
std::unique_ptr<Connection> OpenOdbc(const std::string& connectionString,
                                     const ConnectOptions& options);

}  // namespace quarlopages::db
