#include <gtest/gtest.h>

#include "input/Script.h"

using namespace quarlocli;

using Batches = std::vector<std::string>;

TEST(SplitScript, SemicolonsOutsideQuotesAndComments) {
  const char* script =
      "select 'a;b', \"c;d\", [e;f] from t; -- not here;\n"
      "/* nor ; here */ select $$x;y$$;\n"
      "select $tag$ ; $tag$;;  ;\n"
      "select 4";
  EXPECT_EQ(SplitScript(script, SplitMode::Auto),
            (Batches{"select 'a;b', \"c;d\", [e;f] from t",
                     "-- not here;\n/* nor ; here */ select $$x;y$$", "select $tag$ ; $tag$",
                     "select 4"}));
}

TEST(SplitScript, DoubledQuotesStayInsideTheLiteral) {
  EXPECT_EQ(SplitScript("select 'it''s; fine'; select 2", SplitMode::Semicolon),
            (Batches{"select 'it''s; fine'", "select 2"}));
}

TEST(SplitScript, GoLinesMakeBatchesSentAsWritten) {
  const char* script =
      "create procedure p as begin select 1; select 2; end\n"
      "  GO  \n"
      "select 'go\ngo'\n"
      "go\n";
  EXPECT_EQ(SplitScript(script, SplitMode::Auto),
            (Batches{"create procedure p as begin select 1; select 2; end", "select 'go\ngo'"}));
  // Inside a comment or a literal a "go" line is text.
  EXPECT_EQ(SplitScript("select 1 /*\ngo\n*/; select 'a\ngo\n'", SplitMode::Auto),
            (Batches{"select 1 /*\ngo\n*/", "select 'a\ngo\n'"}));
  // Asked for semicolons, a go line is just text.
  EXPECT_EQ(SplitScript("select 1;\ngo\n", SplitMode::Semicolon), (Batches{"select 1", "go"}));
}

TEST(SplitScript, NoneSendsOneBatchAndEmptyOnesAreDropped) {
  EXPECT_EQ(SplitScript("select 1; select 2;", SplitMode::None), (Batches{"select 1; select 2;"}));
  EXPECT_TRUE(SplitScript("  -- only a comment\n /* and another */ ;;", SplitMode::Auto).empty());
  EXPECT_TRUE(SplitScript("", SplitMode::None).empty());
}

TEST(SplitScript, UnterminatedQuoteRunsToTheEnd) {
  EXPECT_EQ(SplitScript("select 'a; b", SplitMode::Auto), (Batches{"select 'a; b"}));
}

TEST(StatementComplete, EndsAtSemicolonOrGoLine) {
  EXPECT_TRUE(IsStatementComplete("select 1;", SplitMode::Auto));
  EXPECT_TRUE(IsStatementComplete("select 1; -- done\n", SplitMode::Auto));
  EXPECT_TRUE(IsStatementComplete("select 1 /* x */ ; /* y */", SplitMode::Auto));
  EXPECT_FALSE(IsStatementComplete("select 'a;", SplitMode::Auto));
  EXPECT_FALSE(IsStatementComplete("select 1 /* ; ", SplitMode::Auto));
  EXPECT_FALSE(IsStatementComplete("select 1\nfrom t", SplitMode::Auto));
  EXPECT_TRUE(IsStatementComplete("select 1\ngo\n", SplitMode::Auto));
  EXPECT_FALSE(IsStatementComplete("select 'x\ngo\n", SplitMode::Auto));
  EXPECT_FALSE(IsStatementComplete("select 1;", SplitMode::Go));
  EXPECT_TRUE(IsStatementComplete("select 1;\nGo", SplitMode::Go));
}

TEST(PrepareStatement, BlanksForLineBreaksAndTabsOutsideQuotes) {
  EXPECT_EQ(PrepareStatement("select\r\n\ta,\n b -- why\nfrom t\r"), "select  a,  b  from t");
  // Line breaks inside a literal are data.
  EXPECT_EQ(PrepareStatement("insert into t values ('a\r\nb\tc')"),
            "insert into t values ('a\r\nb\tc')");
  // A comment in the middle must not swallow the rest once the lines are joined.
  EXPECT_EQ(PrepareStatement("select 1 -- one\n+ 2"), "select 1  + 2");
  EXPECT_EQ(PrepareStatement("select /*+ hint\n */ 1"), "select /*+ hint  */ 1");
  EXPECT_EQ(PrepareStatement("select '--x'"), "select '--x'");
}
