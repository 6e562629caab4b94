#pragma once

#include <sql.h>

#include <string>

// What the backend does differently when unixODBC hands a connection to psqlODBC.
namespace quarlopages::db::psqlodbc {

// Rows psqlODBC fetches per round trip when it reads through a cursor.
inline constexpr int kFetchRows = 1000;

// True when the connection string's `driver=` names a driver whose library is psqlODBC.
bool IsPsqlOdbc(SQLHENV env, const std::string& connectionString);

// Adds UseDeclareFetch=1 and Fetch=N unless the string sets them: a lone SELECT then streams its
// rows instead of being read whole into memory at execute time.
std::string WithCursorOptions(const std::string& connectionString);

// True unless the string turns UseDeclareFetch off.
bool UsesCursors(const std::string& connectionString);

// With UseDeclareFetch, the statements psqlODBC reads through a cursor, a fetch at a time: those
// whose first word (after blanks and "(") is SELECT. It reads every other one whole at execute.
bool ReadsThroughCursor(const std::string& sql);

// With UseDeclareFetch, psqlODBC wraps a statement whose first word is WITH in DECLARE CURSOR,
// which PostgreSQL refuses when the WITH inserts, updates or deletes. A leading comment keeps
// such a statement out of the cursor; other statements are returned as they are.
std::string KeepOutOfCursor(const std::string& sql);

}  // namespace quarlopages::db::psqlodbc
