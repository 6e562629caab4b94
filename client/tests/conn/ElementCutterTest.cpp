#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kokit/Error.h"
#include "recordset/CutElement.h"
#include "recordset/ElementCutter.h"
#include "recordset/HeadValues.h"
#include "routines/Routines.h"

using quarlolink::ReadTag;
using quarlolink::internal::ElementCutter;

namespace {

// What repeated ReadTag calls give, until the empty text.
std::vector<std::string> ByReadTag(std::string text, const std::string& name) {
  std::vector<std::string> out;
  for (std::string s; !(s = ReadTag(text, name)).empty();) out.push_back(s);
  return out;
}

std::vector<std::string> ByCutter(const std::string& text, const std::string& name) {
  std::vector<std::string> out;
  ElementCutter cutter(text, name);
  while (auto s = cutter.Next()) {
    if (s->empty()) break;
    out.emplace_back(*s);
  }
  return out;
}

}  // namespace

TEST(ElementCutter, WalksElementsLikeReadTag) {
  for (std::string text : {
           "OK<R>a</R><R>b</R>x<R>c</R>",
           "<R></R>x</R><R>y</R>",      // an empty element runs on to a later close
           "<R>a</R><R>no close",       // a missing close ends the walk
           "<<R>a</R>R>b</R>",          // a cut joins "<" and "R>" into a new tag
           "<R<R>x</R>>q</R><R>z</R>",  // the joined tag begins before the cut
           "<R>a<R>b</R>c</R>",         // nested names are not nesting
           "",
           "<R>x",
       }) {
    EXPECT_EQ(ByCutter(text, "R"), ByReadTag(text, "R")) << text;
  }
}

TEST(ElementCutter, AgreesWithReadTagOnRandomTexts) {
  std::mt19937 rng(20261206);
  const std::vector<std::string> pieces = {"<R>", "</R>", "<",  "R",  ">",
                                           "/",   "x",    "<R", "R>", "</"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    int n = static_cast<int>(rng() % 14);
    for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
    ASSERT_EQ(ByCutter(text, "R"), ByReadTag(text, "R")) << text;
  }
}

TEST(CutElement, CutsInPlaceLikeReadTag) {
  std::mt19937 rng(7);
  const std::vector<std::string> pieces = {"<~0_>", "</~0_>", "<~1_>", "</~1_>", "<",
                                           ">",     "~0_",    "中",    "x",      "</"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
    std::string byReadTag = text;
    std::string inPlace = text;
    quarlolink::internal::CutText fromFront{text};
    for (const char* name : {"~1_", "~0_", "~1_", "~0_"}) {
      std::string expected = ReadTag(byReadTag, name);
      ASSERT_EQ(quarlolink::internal::CutElement(inPlace, name), expected) << text;
      ASSERT_EQ(inPlace, byReadTag) << text;
      ASSERT_EQ(quarlolink::internal::CutElement(fromFront, name), expected) << text;
      ASSERT_EQ(fromFront.View(), byReadTag) << text;
    }
  }
}

TEST(HeadValues, IntegersAndBooleansAsTheAnswersWriteThem) {
  using quarlolink::internal::HeadBoolean;
  using quarlolink::internal::HeadInteger;
  EXPECT_EQ(HeadInteger("-1"), -1);
  EXPECT_EQ(HeadInteger(" 42 "), 42);
  for (const char* yes : {"True", "tRUE", "-1", "2"}) EXPECT_TRUE(HeadBoolean(yes)) << yes;
  for (const char* no : {"FALSE", "0"}) EXPECT_FALSE(HeadBoolean(no)) << no;
  // Type mismatch (13) for what is no number, overflow (6) for a number too large.
  for (auto [bad, number] :
       {std::pair{"", 13}, {"abc", 13}, {"1x", 13}, {"--1", 13}, {"1.5", 13}, {"99999999999", 6}}) {
    try {
      HeadInteger(bad);
      ADD_FAILURE() << bad;
    } catch (const kokit::Error& e) {
      EXPECT_EQ(e.Number(), number) << bad;
    }
  }
  for (const char* bad : {"", "yes", "T", "1-"}) {
    EXPECT_THROW(HeadBoolean(bad), kokit::Error) << bad;
  }
}
