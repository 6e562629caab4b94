#include "db/OdbcHandle.h"

#include <vector>

#include "db/Backend.h"

namespace quarlopages::db {

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HANDLE;
    std::string text = "ODBC: 无法分配句柄";
    if (parent != SQL_NULL_HANDLE) {
      const SQLSMALLINT parentType = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
      text = DiagnosticText(parentType, parent, text);
    }
    throw DbError(text);
  }
}

OdbcHandle::~OdbcHandle() {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
}

std::string DiagnosticText(SQLSMALLINT type, SQLHANDLE handle, const std::string& fallback) {
  std::string text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLCHAR> message(1024);
    SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &native, message.data(),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.resize(static_cast<size_t>(length) + 1);
      rc = SQLGetDiagRec(type, handle, record, state, &native, message.data(),
                         static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    std::string line(reinterpret_cast<const char*>(message.data()));
    // One line: drivers end parts of a message with line breaks.
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
      line.pop_back();
    }
    if (!text.empty()) text += "; ";
    text += reinterpret_cast<const char*>(state);
    text += ": ";
    text += line;
  }
  return text.empty() ? fallback : text;
}

}  // namespace quarlopages::db
