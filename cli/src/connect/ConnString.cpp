#include "connect/ConnString.h"

namespace quarlocli {

std::string NormaliseWebSite(std::string_view site) {
  const auto first = site.find_first_not_of(' ');
  if (first == std::string_view::npos) return "http://";
  site = site.substr(first, site.find_last_not_of(' ') - first + 1);
  std::string out(site);
  if (!out.starts_with("http://") && !out.starts_with("https://")) out.insert(0, "http://");
  if (out.ends_with("/") && !out.ends_with("//")) out.pop_back();
  return out;
}

std::string BuildConnectionString(DbType type, const std::string& server,
                                  const std::string& database, const std::string& user,
                                  const std::string& password) {
  switch (type) {
    case DbType::SqlServer:
      return "driver={SQL Server};server=" + server + ";database=" + database + ";uid=" + user +
             ";pwd=" + password;
    case DbType::Oracle:
      return "driver={Microsoft ODBC for Oracle};server=" + server + ";database=" + database +
             ";uid=" + user + ";pwd=" + password;
    case DbType::Access:
      return "driver={Microsoft Access Driver (*.mdb)};dbq=" + database + ";uid=" + user +
             ";pwd=" + password;
  }
  return {};
}

}  // namespace quarlocli
