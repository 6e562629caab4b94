#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

namespace quarlopages::db {

// One ODBC handle (environment, connection or statement), freed with the object.
class OdbcHandle {
 public:
  // Throws DbError when the driver manager cannot allocate it.
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
  ~OdbcHandle();
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }

 private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// Every diagnostic record of `handle`, each as "SQLSTATE: message", joined by "; ";
// `fallback` when there is none.
std::string DiagnosticText(SQLSMALLINT type, SQLHANDLE handle, const std::string& fallback);

}  // namespace quarlopages::db
