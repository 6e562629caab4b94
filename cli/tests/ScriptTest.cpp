#include <gtest/gtest.h>

#include "input/Script.h"

using namespace quarlocli;

using Batches = std::vector<std::string>;

TEST(SplitScript, BatchesPerMode) {
  struct Row {
    const char* name;
    const char* script;
    SplitMode mode;
    Batches batches;
  };
  const Row rows[] = {
      {"semicolons outside quotes and comments",
       "select 'a;b', \"c;d\", [e;f] from t; -- not here;\n"
       "/* nor ; here */ select $$x;y$$;\n"
       "select $tag$ ; $tag$;;  ;\n"
       "select 4",
       SplitMode::Auto,
       {"select 'a;b', \"c;d\", [e;f] from t", "-- not here;\n/* nor ; here */ select $$x;y$$",
        "select $tag$ ; $tag$", "select 4"}},
      {"doubled quotes stay inside the literal",
       "select 'it''s; fine'; select 2",
       SplitMode::Semicolon,
       {"select 'it''s; fine'", "select 2"}},
      {"go lines make batches sent as written",
       "create procedure p as begin select 1; select 2; end\n  GO  \nselect 'go\ngo'\ngo\n",
       SplitMode::Auto,
       {"create procedure p as begin select 1; select 2; end", "select 'go\ngo'"}},
      {"a go line in a comment or a literal is text",
       "select 1 /*\ngo\n*/; select 'a\ngo\n'",
       SplitMode::Auto,
       {"select 1 /*\ngo\n*/", "select 'a\ngo\n'"}},
      {"asked for semicolons, a go line is text",
       "select 1;\ngo\n",
       SplitMode::Semicolon,
       {"select 1", "go"}},
      {"none sends one batch", "select 1; select 2;", SplitMode::None, {"select 1; select 2;"}},
      {"empty batches are dropped",
       "  -- only a comment\n /* and another */ ;;",
       SplitMode::Auto,
       {}},
      {"nothing", "", SplitMode::None, {}},
      {"an unterminated quote runs to the end", "select 'a; b", SplitMode::Auto, {"select 'a; b"}},
  };
  for (const Row& r : rows) EXPECT_EQ(SplitScript(r.script, r.mode), r.batches) << r.name;
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
