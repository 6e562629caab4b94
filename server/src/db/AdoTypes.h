#pragma once

#include <cstdint>
#include <string_view>

// ADO data type codes, which the client shows as each column's `Type`.
namespace quarlopages::db::ado {

enum : int32_t {
  kEmpty = 0,
  kSmallInt = 2,
  kInteger = 3,
  kSingle = 4,
  kDouble = 5,
  kCurrency = 6,
  kBoolean = 11,
  kTinyInt = 16,
  kUnsignedTinyInt = 17,
  kBigInt = 20,
  kGuid = 72,
  kBinary = 128,
  kChar = 129,
  kWChar = 130,
  kNumeric = 131,
  kDBDate = 133,
  kDBTime = 134,
  kDBTimeStamp = 135,
  kVarChar = 200,
  kLongVarChar = 201,
  kVarWChar = 202,
  kLongVarWChar = 203,
  kVarBinary = 204,
  kLongVarBinary = 205,
};

struct TypeAndSize {
  int32_t type;
  int32_t size;
};

// From a column's declared type in SQLite ("varchar(50)", "INTEGER", ...). An empty
// declaration (an expression) is typed by `storageClass`, the SQLite type of its first value.
TypeAndSize FromDeclaredType(std::string_view declared, int storageClass);

// From an ODBC SQL type code and column size as SQLDescribeCol reports them.
TypeAndSize FromOdbcType(int sqlType, uint64_t columnSize);

}  // namespace quarlopages::db::ado
