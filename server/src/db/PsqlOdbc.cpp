#include "db/PsqlOdbc.h"

#include <sqlext.h>

#include <cctype>
#include <string_view>
#include <vector>

#include "db/ConnectionString.h"

namespace quarlopages::db::psqlodbc {
namespace {

bool IsPsqlLibrary(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string name =
      AsciiLower(slash == std::string_view::npos ? path : path.substr(slash + 1));
  return name.rfind("psqlodbc", 0) == 0;
}

// The library of the driver registered as `name`, from the driver manager's list.
std::string DriverLibrary(SQLHENV env, const std::string& name) {
  const std::string wanted = AsciiLower(name);
  std::vector<SQLCHAR> description(512), attributes(4096);
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT descriptionLength = 0, attributesLength = 0;
    const SQLRETURN rc =
        SQLDrivers(env, direction, description.data(), static_cast<SQLSMALLINT>(description.size()),
                   &descriptionLength, attributes.data(),
                   static_cast<SQLSMALLINT>(attributes.size()), &attributesLength);
    direction = SQL_FETCH_NEXT;
    if (!SQL_SUCCEEDED(rc)) return {};
    if (AsciiLower(reinterpret_cast<const char*>(description.data())) != wanted) continue;
    // Attributes are "key=value" texts, each ended by a NUL, the list by a second NUL.
    const char* p = reinterpret_cast<const char*>(attributes.data());
    const char* end = p + attributes.size();
    while (p < end && *p) {
      const std::string_view pair(p);
      const size_t eq = pair.find('=');
      if (eq != std::string_view::npos && AsciiLower(pair.substr(0, eq)) == "driver") {
        return std::string(pair.substr(eq + 1));
      }
      p += pair.size() + 1;
    }
    return {};
  }
}

// Whether `sql` begins, after blanks and "(", with the word `word` (lower case) and goes on.
bool StartsWithWord(const std::string& sql, std::string_view word) {
  size_t i = 0;
  while (i < sql.size() &&
         (sql[i] == ' ' || sql[i] == '\t' || sql[i] == '\r' || sql[i] == '\n' || sql[i] == '(')) {
    ++i;
  }
  const std::string head = AsciiLower(std::string_view(sql).substr(i, word.size() + 1));
  if (head.size() <= word.size() || head.compare(0, word.size(), word) != 0) return false;
  const unsigned char next = static_cast<unsigned char>(head.back());
  return !(std::isalnum(next) || next == '_');
}

}  // namespace

bool IsPsqlOdbc(SQLHENV env, const std::string& connectionString) {
  const auto driver = ConnectionString::Parse(connectionString).Get("driver");
  if (!driver || driver->empty()) return false;
  if (IsPsqlLibrary(*driver)) return true;  // a library path instead of a name
  return IsPsqlLibrary(DriverLibrary(env, *driver));
}

std::string WithCursorOptions(const std::string& connectionString) {
  const ConnectionString cs = ConnectionString::Parse(connectionString);
  std::string out = connectionString;
  const auto add = [&out](const std::string& pair) {
    if (!out.empty() && out.back() != ';') out += ';';
    out += pair;
  };
  if (!cs.Get("usedeclarefetch")) add("UseDeclareFetch=1");
  if (!cs.Get("fetch")) add("Fetch=" + std::to_string(kFetchRows));
  return out;
}

bool UsesCursors(const std::string& connectionString) {
  const auto value = ConnectionString::Parse(connectionString).Get("usedeclarefetch");
  return !value || *value == "1";
}

bool ReadsThroughCursor(const std::string& sql) { return StartsWithWord(sql, "select"); }

std::string KeepOutOfCursor(const std::string& sql) {
  return StartsWithWord(sql, "with") ? "/**/ " + sql : sql;
}

}  // namespace quarlopages::db::psqlodbc
