#pragma once

#include <string>
#include <string_view>

namespace quarlolink::host {

// The three database types of the login, in the order the login dialog lists them.
enum class DbType { SqlServer, Oracle, Access };

// The web site as the login normalises it: blanks trimmed, "http://" put in front unless it
// starts with "http://" or "https://" (letter case as written), and one trailing "/" dropped
// (but not from "//").
std::string NormaliseWebSite(std::string_view site);

// A connection-string value as ODBC reads it back: as it stands, unless it holds ";", "{" or "}",
// which would end it early or open a quoted value; then in braces with every "}" doubled.
std::string OdbcValue(std::string_view value);

// The ODBC connection string the login builds for the database type. Values are quoted with
// OdbcValue, so a field can never add attributes of its own.
std::string BuildConnectionString(DbType type, std::string_view server, std::string_view database,
                                  std::string_view user, std::string_view password);

}  // namespace quarlolink::host
