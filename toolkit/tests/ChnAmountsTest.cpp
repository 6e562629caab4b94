#include <gtest/gtest.h>

#include "kokit/Currency.h"
#include "kokit/DateTime.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"

using kokit::Currency;

namespace {

kokit::KoToolsApp tools;

Currency Amount(const char* text) {
  auto c = Currency::Parse(text);
  EXPECT_TRUE(c) << text;
  return c.value_or(Currency());
}

TEST(Currency, ParseAndText) {
  EXPECT_EQ(Amount("2.5").TenThousandths(), 25000);
  EXPECT_EQ(Amount("2.5").ToText(), "2.5");
  EXPECT_EQ(Amount("2").ToText(), "2");
  EXPECT_EQ(Amount("0.05").ToText(), "0.05");
  EXPECT_EQ(Amount("-1.2500").ToText(), "-1.25");
  EXPECT_EQ(Amount("+.5").ToText(), "0.5");
  EXPECT_EQ(Amount("7.").ToText(), "7");
  EXPECT_EQ(Amount("-0").ToText(), "0");
  EXPECT_EQ(Currency::FromTenThousandths(1).ToText(), "0.0001");
}

TEST(Currency, ExtraDecimalsRoundHalfToEven) {
  EXPECT_EQ(Amount("0.00005").TenThousandths(), 0);
  EXPECT_EQ(Amount("0.00015").TenThousandths(), 2);
  EXPECT_EQ(Amount("0.000050001").TenThousandths(), 1);
  EXPECT_EQ(Amount("0.00014999").TenThousandths(), 1);
  EXPECT_EQ(Amount("-0.00015").TenThousandths(), -2);
}

TEST(Currency, WholeRange) {
  EXPECT_EQ(Amount("922337203685477.5807").TenThousandths(), INT64_MAX);
  EXPECT_EQ(Amount("-922337203685477.5808").TenThousandths(), INT64_MIN);
  EXPECT_EQ(Currency::FromTenThousandths(INT64_MIN).ToText(), "-922337203685477.5808");
  EXPECT_FALSE(Currency::Parse("922337203685477.5808"));
  EXPECT_FALSE(Currency::Parse("922337203685477.58075"));
  EXPECT_FALSE(Currency::Parse("99999999999999999999"));
}

TEST(Currency, RefusesMalformedText) {
  for (const char* bad :
       {"", "-", ".", "+.", "1e3", " 1", "1 ", "1,000", "1.2.3", "0x10", "--1", "１"}) {
    EXPECT_FALSE(Currency::Parse(bad)) << bad;
  }
}

TEST(ChnCurrency, AmountsInFinancialNumerals) {
  EXPECT_EQ(tools.ChnCurrency(Amount("50020.34")), "伍万零贰拾元叁角肆分");
  EXPECT_EQ(tools.ChnCurrency(Amount("0.5")), "元伍角");
  EXPECT_EQ(tools.ChnCurrency(Amount("100.07")), "壹佰元零柒分");
  EXPECT_EQ(tools.ChnCurrency(Amount("1234")), "壹仟贰佰叁拾肆元整");
  EXPECT_EQ(tools.ChnCurrency(Amount("0")), "零元整");
}

TEST(ChnCurrency, AmountsInOrdinaryNumerals) {
  EXPECT_EQ(tools.ChnCurrency(Amount("1.32"), false), "一元三角二分");
  EXPECT_EQ(tools.ChnCurrency(Amount("0"), false), "零元整");
  EXPECT_EQ(tools.ChnCurrency(Amount("10"), false), "一十元整");
  EXPECT_EQ(tools.ChnCurrency(Amount("12000000"), false), "一千二百万元整");
  EXPECT_EQ(tools.ChnCurrency(Amount("1.05"), false), "一元零五分");
  EXPECT_EQ(tools.ChnCurrency(Amount("1000000000000"), false), "一万亿元整");
}

TEST(ChnCurrency, ZerosBetweenGroupsAndInFraction) {
  EXPECT_EQ(tools.ChnCurrency(Amount("100000001")), "壹亿零壹元整");
  EXPECT_EQ(tools.ChnCurrency(Amount("1.0001")), "壹元零壹毫");
  EXPECT_EQ(tools.ChnCurrency(Amount("0.1234"), false), "元一角二分三厘四毫");
  EXPECT_EQ(tools.ChnCurrency(Amount("20.5")), "贰拾元伍角");
}

TEST(ChnCurrency, WholeRangeAndNegative) {
  EXPECT_EQ(tools.ChnCurrency(Currency::FromTenThousandths(INT64_MAX), false),
            "九百二十二万三千三百七十二亿零三百六十八万五千四百七十七元五角八分零七毫");
  EXPECT_EQ(tools.ChnCurrency(Amount("-5")), "Error");
  EXPECT_EQ(tools.ChnCurrency(Currency::FromTenThousandths(INT64_MIN)), "Error");
}

TEST(ChnWeekName, SundayAndSaturday) {
  const kokit::DateTime sunday{2024, 3, 10, 0, 0, 0};
  const kokit::DateTime saturday{2024, 3, 16, 23, 59, 59};
  EXPECT_EQ(tools.ChnWeekName(sunday), "星期日");
  EXPECT_EQ(tools.ChnWeekName(sunday, false), "日");
  EXPECT_EQ(tools.ChnWeekName(saturday), "星期六");
  EXPECT_EQ(tools.ChnWeekName(saturday, false), "六");
  EXPECT_EQ(tools.ChnWeekName({2000, 1, 1, 0, 0, 0}, false), "六");
  EXPECT_EQ(tools.ChnWeekName({1, 1, 1, 0, 0, 0}), "星期一");
}

TEST(ChnWeekName, DateThatDoesNotExistIsRefused) {
  EXPECT_THROW(tools.ChnWeekName({2023, 2, 29, 0, 0, 0}), kokit::Error);
  EXPECT_THROW(tools.ChnWeekName({}), kokit::Error);
}

}  // namespace
