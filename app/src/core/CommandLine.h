#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/Login.h"

namespace quarlodesk {

// What the command line asks of the program.
struct CommandLine {
  enum Action { Run, Help, Version, Usage } action = Run;
  std::string error;  // for Usage: what was wrong
  // Login fields to pre-fill; unset ones keep what the dialog loads from the stored logins.
  std::optional<std::string> site, server, database, user;
  std::optional<DbType> type;
};

// Reads --site, --type sqlserver|oracle|access, --server, --database, --user (each "--x value"
// or "--x=value"), --help and --version. Arguments Qt itself takes (-platform ...) are left to
// it and must be removed before.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string CommandLineHelp();

}  // namespace quarlodesk
