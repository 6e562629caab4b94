#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>

namespace quarlopages::db {

// Keeps a connection of the built-in backend to the one file it opened: ATTACH (and VACUUM
// INTO, which attaches its target) and load_extension are refused, and so is moving SQLite's
// temporary files to a folder of the client's choosing. Install it before any statement runs
// and keep it alive as long as the connection.
class SqliteConfinement {
 public:
  SqliteConfinement() = default;
  SqliteConfinement(const SqliteConfinement&) = delete;
  SqliteConfinement& operator=(const SqliteConfinement&) = delete;

  void Install(sqlite3* db);
  // Our text for the refusal behind the statement that just failed, if the authorizer refused
  // something; forgets it. Called on the thread that ran the statement.
  std::optional<std::string> TakeRefusal();

 private:
  static int Authorize(void* self, int action, const char* a, const char* b, const char*,
                       const char*);
  const char* refusal_ = nullptr;  // a text of ours, set by the authorizer
};

}  // namespace quarlopages::db
