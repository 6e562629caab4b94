#include "db/AdoTypes.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <charconv>
#include <limits>
#include <string>

#include "db/ConnectionString.h"

namespace quarlopages::db::ado {
namespace {

bool Has(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The first number in "(50)" or "(10, 2)"; -1 without one.
int32_t FirstArgument(std::string_view declared) {
  const size_t open = declared.find('(');
  if (open == std::string_view::npos) return -1;
  size_t i = open + 1;
  while (i < declared.size() && declared[i] == ' ') ++i;
  int32_t n = -1;
  const auto [end, ec] = std::from_chars(declared.data() + i, declared.data() + declared.size(), n);
  (void)end;
  return ec == std::errc() && n >= 0 ? n : -1;
}

int32_t ClampSize(uint64_t size) {
  constexpr uint64_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(size > kMax ? kMax : size);
}

}  // namespace

TypeAndSize FromDeclaredType(std::string_view declaredIn, int storageClass) {
  const std::string declared = AsciiLower(declaredIn);
  std::string_view base = declared;
  base = base.substr(0, base.find('('));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  while (!base.empty() && base.front() == ' ') base.remove_prefix(1);
  const int32_t n = FirstArgument(declared);
  const auto sized = [n](int32_t type, int32_t fallback) {
    return TypeAndSize{type, n >= 0 ? n : fallback};
  };

  if (base.empty()) {
    switch (storageClass) {
      case SQLITE_INTEGER:
        return {kInteger, 4};
      case SQLITE_FLOAT:
        return {kDouble, 8};
      case SQLITE_BLOB:
        return {kLongVarBinary, 0};
      default:
        return {kVarChar, 0};
    }
  }
  if (base == "int" || base == "integer" || base == "mediumint" || base == "long" || base == "int4")
    return {kInteger, 4};
  if (base == "smallint" || base == "int2" || base == "short") return {kSmallInt, 2};
  if (base == "tinyint" || base == "byte") return {kUnsignedTinyInt, 1};
  if (base == "bigint" || base == "int8" || base == "unsigned big int") return {kBigInt, 8};
  if (base == "bit" || base == "boolean" || base == "bool" || base == "yesno" || base == "logical")
    return {kBoolean, 2};
  if (base == "float4" || base == "single") return {kSingle, 4};
  // SQLite stores every REAL as an 8-byte double.
  if (base == "real" || base == "float" || base == "double" || base == "double precision" ||
      base == "float8")
    return {kDouble, 8};
  if (base == "numeric" || base == "decimal") return sized(kNumeric, 19);
  if (base == "money" || base == "currency" || base == "smallmoney") return {kCurrency, 8};
  if (base == "date") return {kDBDate, 6};
  if (base == "time") return {kDBTime, 6};
  if (base == "datetime" || base == "timestamp" || base == "smalldatetime" || base == "datetime2")
    return {kDBTimeStamp, 16};
  if (base == "char" || base == "nchar" || base == "character" || base == "native character")
    return sized(kChar, 1);
  if (base == "guid" || base == "uniqueidentifier") return {kGuid, 16};
  // SQLite's own affinity rules for every other name.
  if (Has(base, "int")) return {kInteger, 4};
  if (Has(base, "char") || Has(base, "clob") || Has(base, "text") || base == "memo" ||
      base == "string")
    return sized(kVarChar, 0);
  if (Has(base, "blob") || Has(base, "binary") || base == "image") return sized(kLongVarBinary, 0);
  if (Has(base, "real") || Has(base, "floa") || Has(base, "doub")) return {kDouble, 8};
  return sized(kNumeric, 19);
}

TypeAndSize FromOdbcType(int sqlType, uint64_t columnSize) {
  const int32_t size = ClampSize(columnSize);
  switch (sqlType) {
    case SQL_CHAR:
      return {kChar, size};
    case SQL_VARCHAR:
      return {kVarChar, size};
    case SQL_LONGVARCHAR:
      return {kLongVarChar, size};
    case SQL_WCHAR:
      return {kWChar, size};
    case SQL_WVARCHAR:
      return {kVarWChar, size};
    case SQL_WLONGVARCHAR:
      return {kLongVarWChar, size};
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return {kNumeric, size};
    case SQL_SMALLINT:
      return {kSmallInt, 2};
    case SQL_INTEGER:
      return {kInteger, 4};
    case SQL_TINYINT:
      return {kUnsignedTinyInt, 1};
    case SQL_BIGINT:
      return {kBigInt, 8};
    case SQL_REAL:
      return {kSingle, 4};
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return {kDouble, 8};
    case SQL_BIT:
      return {kBoolean, 2};
    case SQL_DATE:
    case SQL_TYPE_DATE:
      return {kDBDate, 6};
    case SQL_TIME:
    case SQL_TYPE_TIME:
      return {kDBTime, 6};
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      return {kDBTimeStamp, 16};
    case SQL_BINARY:
      return {kBinary, size};
    case SQL_VARBINARY:
      return {kVarBinary, size};
    case SQL_LONGVARBINARY:
      return {kLongVarBinary, size};
    case SQL_GUID:
      return {kGuid, 16};
    default:
      // Intervals and driver-specific types arrive as text.
      return {kVarChar, size};
  }
}

}  // namespace quarlopages::db::ado
