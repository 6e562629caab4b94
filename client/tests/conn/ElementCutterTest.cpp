#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ConnFixture.h"
#include "recordset/CutElement.h"
#include "recordset/ElementCutter.h"
#include "recordset/HeadValues.h"
#include "routines/Routines.h"

using quarlolink::ReadTag;
using quarlolink::internal::ElementCutter;

// The recordset's fast readers cut exactly what repeated ReadTag calls cut: ElementCutter walks a
// text, CutElement cuts in place, from a whole text or from one read from the front.
TEST(ElementCutter, CutsWhatReadTagCuts) {
  std::vector<std::string> texts = {
      "OK<R>a</R><R>b</R>x<R>c</R>",
      "<R></R>x</R><R>y</R>",      // an empty element runs on to a later close
      "<R>a</R><R>no close",       // a missing close ends the walk
      "<<R>a</R>R>b</R>",          // a cut joins "<" and "R>" into a new tag
      "<R<R>x</R>>q</R><R>z</R>",  // the joined tag begins before the cut
      "<R>a<R>b</R>c</R>",         // nested names are not nesting
  };
  std::mt19937 rng(20261206);
  const std::string pieces[] = {"<R>", "</R>", "<S>", "</S>", "<",  "R", ">",
                                "/",   "x",    "<R",  "R>",   "</", "中"};
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    for (int n = static_cast<int>(rng() % 14); n > 0; --n) text += pieces[rng() % 13];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    std::vector<std::string> byReadTag, byCutter;  // up to the first empty element
    std::string rest = text;
    for (std::string s; !(s = ReadTag(rest, "R")).empty();) byReadTag.push_back(s);
    ElementCutter cutter(text, "R");
    for (auto s = cutter.Next(); s && !s->empty(); s = cutter.Next()) byCutter.emplace_back(*s);
    ASSERT_EQ(byCutter, byReadTag) << text;
    std::string cutByReadTag = text, inPlace = text;
    quarlolink::internal::CutText fromFront{text};
    for (const char* name : {"S", "R", "S", "R"}) {
      std::string expected = ReadTag(cutByReadTag, name);
      ASSERT_EQ(quarlolink::internal::CutElement(inPlace, name), expected) << text;
      ASSERT_EQ(inPlace, cutByReadTag) << text;
      ASSERT_EQ(quarlolink::internal::CutElement(fromFront, name), expected) << text;
      ASSERT_EQ(fromFront.View(), cutByReadTag) << text;
    }
  }
}

TEST(HeadValues, IntegersAndBooleansAsTheAnswersWriteThem) {
  using quarlolink::internal::HeadBoolean;
  using quarlolink::internal::HeadInteger;
  EXPECT_EQ(HeadInteger("-1"), -1);
  EXPECT_EQ(HeadInteger(" 42 "), 42);
  for (const char* yes : {"tRUE", "-1", "2"}) EXPECT_TRUE(HeadBoolean(yes)) << yes;
  for (const char* no : {"FALSE", "0"}) EXPECT_FALSE(HeadBoolean(no)) << no;
  // Type mismatch (13) for what is no number, overflow (6) for a number too large.
  for (auto [bad, number] : {std::pair{"", 13}, {"1.5", 13}, {"99999999999", 6}})
    EXPECT_EQ(quarlo::testing::ErrorNumber([&] { HeadInteger(bad); }), number) << bad;
  for (const char* bad : {"", "yes", "1-"}) EXPECT_THROW(HeadBoolean(bad), kokit::Error) << bad;
}
