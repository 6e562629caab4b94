#include "quarlohost/LoginStrings.h"

namespace quarlolink::host {

std::string NormaliseWebSite(std::string_view site) {
  const auto first = site.find_first_not_of(' ');
  if (first == std::string_view::npos) return "http://";
  site = site.substr(first, site.find_last_not_of(' ') - first + 1);
  std::string out(site);
  if (!out.starts_with("http://") && !out.starts_with("https://")) out.insert(0, "http://");
  if (out.ends_with("/") && !out.ends_with("//")) out.pop_back();
  return out;
}

std::string OdbcValue(std::string_view value) {
  if (value.find_first_of(";{}") == std::string_view::npos) return std::string(value);
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string BuildConnectionString(DbType type, std::string_view server, std::string_view database,
                                  std::string_view user, std::string_view password) {
  const std::string tail = ";uid=" + OdbcValue(user) + ";pwd=" + OdbcValue(password);
  switch (type) {
    case DbType::SqlServer:
      return "driver={SQL Server};server=" + OdbcValue(server) +
             ";database=" + OdbcValue(database) + tail;
    case DbType::Oracle:
      return "driver={Microsoft ODBC for Oracle};server=" + OdbcValue(server) +
             ";database=" + OdbcValue(database) + tail;
    case DbType::Access:
      return "driver={Microsoft Access Driver (*.mdb)};dbq=" + OdbcValue(database) + tail;
  }
  return {};
}

}  // namespace quarlolink::host
