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

TEST(PsqlOdbc, OnlySelectsAreReadThroughTheCursor) {
  EXPECT_TRUE(ReadsThroughCursor(" (SELECT 1)"));
  EXPECT_TRUE(ReadsThroughCursor("select\n*from t"));
  EXPECT_FALSE(ReadsThroughCursor("selected"));
  EXPECT_FALSE(ReadsThroughCursor("with x as (select 1) select * from x"));
  EXPECT_FALSE(ReadsThroughCursor("/**/ select 1"));
  EXPECT_FALSE(ReadsThroughCursor("values (1)"));
  EXPECT_TRUE(UsesCursors("driver={SQL Server}"));
  EXPECT_FALSE(UsesCursors("driver={SQL Server};UseDeclareFetch=0"));
}

}  // namespace
}  // namespace quarlopages::db::psqlodbc
