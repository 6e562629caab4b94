#include <gtest/gtest.h>

#include "kokit/DateTime.h"

using kokit::DateTime;

TEST(DateTime, WritesFixedWidthText) {
  EXPECT_EQ((DateTime{2024, 3, 7, 9, 5, 1}.ToText()), "2024-03-07 09:05:01");
  EXPECT_EQ((DateTime{1, 12, 31, 23, 59, 59}.ToText()), "0001-12-31 23:59:59");
}

TEST(DateTime, ParseRoundTrips) {
  auto dt = DateTime::Parse("2024-02-29 23:59:58");
  ASSERT_TRUE(dt);
  EXPECT_EQ(*dt, (DateTime{2024, 2, 29, 23, 59, 58}));
  EXPECT_EQ(dt->ToText(), "2024-02-29 23:59:58");
}

TEST(DateTime, ParseRefusesMalformedText) {
  for (const char* bad :
       {"", "2024-02-30 00:00:00", "2023-02-29 00:00:00", "2024-13-01 00:00:00",
        "2024-00-01 00:00:00", "2024-01-01 24:00:00", "2024-01-01 00:60:00", "2024-01-01 00:00:60",
        "2024-1-01 00:00:00", "2024-01-01T00:00:00", "2024-01-01 00:00:00 ", "0000-01-01 00:00:00",
        "2024-01-01 0a:00:00", "yyyy-mm-dd hh:mm:ss", "2024-01-01", "+024-01-01 00:00:00"}) {
    EXPECT_FALSE(DateTime::Parse(bad)) << bad;
  }
}

TEST(DateTime, NowIsValid) { EXPECT_TRUE(DateTime::Now().IsValid()); }
