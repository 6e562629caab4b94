#include "db/PsqlOdbc.h"

#include <gtest/gtest.h>

namespace quarlopages::db::psqlodbc {
namespace {

TEST(PsqlOdbc, CursorOptionsAreAddedOnlyWhenAbsent) {
  EXPECT_EQ(WithCursorOptions("driver={SQL Server};uid=u"),
            "driver={SQL Server};uid=u;UseDeclareFetch=1;Fetch=1000");
  EXPECT_EQ(WithCursorOptions("driver={SQL Server};usedeclarefetch=0;"),
            "driver={SQL Server};usedeclarefetch=0;Fetch=1000");
  EXPECT_EQ(WithCursorOptions("UseDeclareFetch=1;FETCH=50"), "UseDeclareFetch=1;FETCH=50");
}

TEST(PsqlOdbc, OnlyStatementsStartingWithWithAreKeptOutOfTheCursor) {
  EXPECT_EQ(KeepOutOfCursor("  With x as (select 1) insert into t select * from x"),
            "/**/   With x as (select 1) insert into t select * from x");
  EXPECT_EQ(KeepOutOfCursor("(with x as (select 1) select * from x)"),
            "/**/ (with x as (select 1) select * from x)");
  EXPECT_EQ(KeepOutOfCursor("select withdrawn from t"), "select withdrawn from t");
  EXPECT_EQ(KeepOutOfCursor("withdrawn"), "withdrawn");
  EXPECT_EQ(KeepOutOfCursor("with"), "with");
}

}  // namespace
}  // namespace quarlopages::db::psqlodbc
