#include <gtest/gtest.h>

#include "kokit/KoToolsApp.h"

namespace {

kokit::KoToolsApp tools;

TEST(GetStr, ReadsElementWithoutCutting) {
  std::string s = "<a>x</a>";
  EXPECT_EQ(tools.GetStr(s, "<a>", "</a>", false), "x");
  EXPECT_EQ(s, "<a>x</a>");
}

TEST(GetStr, CutRemovesMarkersAndContent) {
  std::string s = "pre<a>x</a>post";
  EXPECT_EQ(tools.GetStr(s, "<a>", "</a>"), "x");
  EXPECT_EQ(s, "prepost");
}

TEST(GetStr, EmptyElementIsNotFoundSoTheNextEndMarkerIsTaken) {
  std::string s = "<a></a><a>y</a>";
  EXPECT_EQ(tools.GetStr(s, "<a>", "</a>", true), "</a><a>y");
  EXPECT_EQ(s, "");
}

TEST(GetStr, OnlyEmptyElementGivesNothing) {
  std::string s = "<a></a>";
  EXPECT_EQ(tools.GetStr(s, "<a>", "</a>"), "");
  EXPECT_EQ(s, "<a></a>");
}

TEST(GetStr, MissingBeginOrEndLeavesSourceAlone) {
  std::string s = "<a>x</a>";
  EXPECT_EQ(tools.GetStr(s, "<b>", "</b>"), "");
  EXPECT_EQ(tools.GetStr(s, "<a>", "</b>"), "");
  EXPECT_EQ(s, "<a>x</a>");
}

TEST(GetStr, EmptyEndMarkerTakesTheRest) {
  std::string s = "key=value";
  EXPECT_EQ(tools.GetStr(s, "key="), "value");
  EXPECT_EQ(s, "");

  std::string t = "a;key=";
  EXPECT_EQ(tools.GetStr(t, "key="), "");
  EXPECT_EQ(t, "a;");
}

TEST(GetStr, EmptyBeginMarkerStartsAtTheFront) {
  std::string s = "abc;def";
  EXPECT_EQ(tools.GetStr(s, "", ";"), "abc");
  EXPECT_EQ(s, "def");

  std::string empty;
  EXPECT_EQ(tools.GetStr(empty, ""), "");
}

TEST(GetStr, CountsCharactersNotBytes) {
  // The one-character skip after the marker passes a whole Chinese character.
  std::string s = "<名>中</名><名>文</名>";
  EXPECT_EQ(tools.GetStr(s, "<名>", "</名>"), "中");
  EXPECT_EQ(s, "<名>文</名>");
  std::string t = "<a>中x</a>";
  EXPECT_EQ(tools.GetStr(t, "<a>", "x"), "中");
}

TEST(GetStr, CaseSensitive) {
  std::string s = "<A>x</A>";
  EXPECT_EQ(tools.GetStr(s, "<a>", "</a>"), "");
}

TEST(GetStrB, WorksOnRawBytes) {
  const char raw[] = "\x01<a>\xD6\xD0</a>\xFF";
  std::string s(raw, sizeof raw - 1);
  EXPECT_EQ(tools.GetStrB(s, "<a>", "</a>"), "\xD6\xD0");
  EXPECT_EQ(s, std::string("\x01\xFF", 2));

  std::string empty = "<a></a><a>y</a>";
  EXPECT_EQ(tools.GetStrB(empty, "<a>", "</a>", false), "</a><a>y");
}

}  // namespace
