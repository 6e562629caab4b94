// The backends' text rules, each a table: connection strings, declared SQLite types, and which
// statements psqlODBC reads through a cursor.
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include "db/AdoTypes.h"
#include "db/Backend.h"
#include "db/ConnectionString.h"
#include "db/PsqlOdbc.h"

namespace quarlopages::db {
namespace {

// The rest of the rule runs in every login of the end-to-end tests.
TEST(ConnectionString, PiecesWithoutAValueAndUnterminatedBraces) {
  const auto cs = ConnectionString::Parse(";;uid=first;junk;UID=second;pwd={a;b}}c};");
  EXPECT_EQ(cs.Get("uid"), "first");
  EXPECT_EQ(cs.Get("pwd"), "a;b}c");
  EXPECT_EQ(cs.GetRaw("PWD"), "{a;b}}c}");
  EXPECT_THROW(ConnectionString::Parse("driver={SQLite3;dbq=x"), DbError);
}

TEST(AdoTypes, SqliteDeclaredTypesAndOdbcSizes) {
  using namespace ado;
  struct Row {
    const char* declared;
    int storageClass;
    int32_t type, size;
  } rows[] = {
      {"char(3)", SQLITE_NULL, kChar, 3},
      {"REAL", SQLITE_NULL, kDouble, 8},
      {"datetime", SQLITE_NULL, kDBTimeStamp, 16},
      {"boolean", SQLITE_NULL, kBoolean, 2},
      // Names SQLite knows only by its affinity rules.
      {"BLOB", SQLITE_NULL, kLongVarBinary, 0},
      {"floating", SQLITE_NULL, kDouble, 8},
      {"whatever", SQLITE_NULL, kNumeric, 19},
      {"", SQLITE_FLOAT, kDouble, 8},  // an expression, typed by its first value
  };
  for (const Row& row : rows) {
    const TypeAndSize t = FromDeclaredType(row.declared, row.storageClass);
    EXPECT_EQ(t.type, row.type) << row.declared;
    EXPECT_EQ(t.size, row.size) << row.declared;
  }
  EXPECT_EQ(FromOdbcType(SQL_LONGVARCHAR, 1ull << 40).size, 2147483647);
}

TEST(PsqlOdbc, CursorOptionsAndWhatGoesThroughTheCursor) {
  using namespace psqlodbc;
  EXPECT_EQ(WithCursorOptions("driver={SQL Server};usedeclarefetch=0;"),
            "driver={SQL Server};usedeclarefetch=0;Fetch=1000");
  EXPECT_EQ(WithCursorOptions("UseDeclareFetch=1;FETCH=50"), "UseDeclareFetch=1;FETCH=50");
  EXPECT_FALSE(UsesCursors("driver={SQL Server};UseDeclareFetch=0"));
  struct Row {
    const char* sql;
    const char* keptOut;  // KeepOutOfCursor's text
    bool throughCursor;
  } rows[] = {
      {"  With x as (select 1) insert into t select * from x",
       "/**/   With x as (select 1) insert into t select * from x", false},
      {"withdrawn", "withdrawn", false},
      {" (SELECT 1)", " (SELECT 1)", true},
      {"selected", "selected", false},
      {"/**/ select 1", "/**/ select 1", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KeepOutOfCursor(row.sql), row.keptOut) << row.sql;
    EXPECT_EQ(ReadsThroughCursor(row.sql), row.throughCursor) << row.sql;
  }
}

}  // namespace
}  // namespace quarlopages::db
