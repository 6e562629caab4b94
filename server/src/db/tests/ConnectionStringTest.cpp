#include "db/ConnectionString.h"

#include <gtest/gtest.h>

#include "db/Backend.h"

namespace quarlopages::db {
namespace {

TEST(ConnectionString, KeysIgnoreCaseAndBlanksAroundValuesAreTrimmed) {
  const auto cs = ConnectionString::Parse("Driver={SQL Server}; SERVER = 127.0.0.1 ;uid=tester");
  EXPECT_EQ(cs.Get("driver"), "SQL Server");
  EXPECT_EQ(cs.GetRaw("DRIVER"), "{SQL Server}");
  EXPECT_EQ(cs.Get("Server"), "127.0.0.1");
  EXPECT_EQ(cs.Get("UID"), "tester");
  EXPECT_EQ(cs.Get("pwd"), std::nullopt);
}

TEST(ConnectionString, BracesHoldSemicolonsAndDoubledClosingBraces) {
  const auto cs = ConnectionString::Parse("pwd={a;b}}c};dbq=x.mdb");
  EXPECT_EQ(cs.Get("pwd"), "a;b}c");
  EXPECT_EQ(cs.Get("dbq"), "x.mdb");
}

TEST(ConnectionString, FirstOccurrenceWinsAndEmptyPiecesAreSkipped) {
  const auto cs = ConnectionString::Parse(";;uid=first;junk;UID=second;pwd=");
  EXPECT_EQ(cs.Get("uid"), "first");
  EXPECT_EQ(cs.Get("pwd"), "");
}

TEST(ConnectionString, UnterminatedBraceIsRefused) {
  EXPECT_THROW(ConnectionString::Parse("driver={SQLite3;dbq=x"), DbError);
}

TEST(ConnectionString, ValueMayHoldEqualsSigns) {
  const auto cs = ConnectionString::Parse("pwd=a=b;uid=u");
  EXPECT_EQ(cs.Get("pwd"), "a=b");
}

}  // namespace
}  // namespace quarlopages::db
