#pragma once

#include <string>
#include <string_view>

#include "args/Options.h"

namespace quarlocli {

// The web site as the login dialog normalises it: blanks trimmed, "http://" put in front unless it
// starts with "http://" or "https://", and one trailing "/" dropped (but not from "//").
std::string NormaliseWebSite(std::string_view site);

// The ODBC connection string of the login dialog for the database type, field texts as given.
std::string BuildConnectionString(DbType type, const std::string& server,
                                  const std::string& database, const std::string& user,
                                  const std::string& password);

}  // namespace quarlocli
