#pragma once

#include <filesystem>
#include <string>

namespace quarlopages::db {

// The file a `dbq=` (or `database=`) value names: "\" and "/" both separate folders, and a
// relative path is taken from `mapPath`. Lexical only: nothing is looked at on disk.
std::filesystem::path ResolveDatabaseFile(const std::string& value, const std::string& mapPath);

// The existing database file a `dbq=` value names, symbolic links resolved. Unless
// `allowAnyPath`, it must lie inside the map folder. Throws DbError otherwise, or when the file
// is missing or not a regular file; never creates anything.
std::filesystem::path DatabaseFileFor(const std::string& value, const std::string& mapPath,
                                      bool allowAnyPath);

}  // namespace quarlopages::db
