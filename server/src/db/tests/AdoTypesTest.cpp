#include "db/AdoTypes.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

namespace quarlopages::db::ado {
namespace {

void ExpectType(std::string_view declared, int32_t type, int32_t size) {
  const TypeAndSize t = FromDeclaredType(declared, SQLITE_NULL);
  EXPECT_EQ(t.type, type) << declared;
  EXPECT_EQ(t.size, size) << declared;
}

TEST(AdoTypes, DeclaredSqliteTypesWithLengths) {
  ExpectType("INTEGER", kInteger, 4);
  ExpectType("VarChar(50)", kVarChar, 50);
  ExpectType("nvarchar (12)", kVarChar, 12);
  ExpectType("TEXT", kVarChar, 0);
  ExpectType("char(3)", kChar, 3);
  ExpectType("numeric(10,2)", kNumeric, 10);
  ExpectType("decimal", kNumeric, 19);
  ExpectType("REAL", kDouble, 8);
  ExpectType("datetime", kDBTimeStamp, 16);
  ExpectType("date", kDBDate, 6);
  ExpectType("boolean", kBoolean, 2);
  ExpectType("BLOB", kLongVarBinary, 0);
  ExpectType("bigint", kBigInt, 8);
  // Names SQLite knows only by its affinity rules.
  ExpectType("unsigned integer", kInteger, 4);
  ExpectType("long text", kVarChar, 0);
  ExpectType("whatever", kNumeric, 19);
}

TEST(AdoTypes, ExpressionsAreTypedByTheirFirstValue) {
  EXPECT_EQ(FromDeclaredType("", SQLITE_INTEGER).type, kInteger);
  EXPECT_EQ(FromDeclaredType("", SQLITE_FLOAT).type, kDouble);
  EXPECT_EQ(FromDeclaredType("", SQLITE_TEXT).type, kVarChar);
  EXPECT_EQ(FromDeclaredType("", SQLITE_NULL).type, kVarChar);
}

TEST(AdoTypes, OdbcTypesKeepTheColumnSizeOfTextColumns) {
  EXPECT_EQ(FromOdbcType(SQL_VARCHAR, 40).type, kVarChar);
  EXPECT_EQ(FromOdbcType(SQL_VARCHAR, 40).size, 40);
  EXPECT_EQ(FromOdbcType(SQL_INTEGER, 10).size, 4);
  EXPECT_EQ(FromOdbcType(SQL_LONGVARCHAR, 1ull << 40).size, 2147483647);
}

}  // namespace
}  // namespace quarlopages::db::ado
