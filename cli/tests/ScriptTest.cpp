#include <gtest/gtest.h>

#include "input/Decode.h"
#include "input/Script.h"

using namespace quarlocli;

TEST(SplitScript, BatchesPerMode) {
  struct Row {
    const char* name;
    const char* script;
    SplitMode mode;
    std::vector<std::string> batches;
  };
  const Row rows[] = {
      {"semicolons outside quotes and comments, empty batches dropped",
       "select 'a;''b', \"c;d\", [e;f] from t; -- not here;\n"
       "/* nor ; here */ select $$x;y$$;\n"
       "select $tag$ ; $tag$;;  ;\n"
       "select 4; -- only a comment\n /* and another */ ;",
       SplitMode::Auto,
       {"select 'a;''b', \"c;d\", [e;f] from t", "-- not here;\n/* nor ; here */ select $$x;y$$",
        "select $tag$ ; $tag$", "select 4"}},
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
  };
  for (const Row& r : rows) EXPECT_EQ(SplitScript(r.script, r.mode), r.batches) << r.name;
}

TEST(StatementComplete, EndsAtSemicolonOrGoLine) {
  const std::tuple<const char*, SplitMode, bool> rows[] = {
      {"select 1; -- done\n", SplitMode::Auto, true},
      {"select 1 /* x */ ; /* y */", SplitMode::Auto, true},
      {"select 'a;", SplitMode::Auto, false},
      {"select 1 /* ; ", SplitMode::Auto, false},
      {"select 1\nfrom t", SplitMode::Auto, false},
      {"select 'x\ngo\n", SplitMode::Auto, false},
      {"select 1;", SplitMode::Go, false},
      {"select 1;\nGo", SplitMode::Go, true},
  };
  for (const auto& [text, mode, complete] : rows) {
    EXPECT_EQ(IsStatementComplete(text, mode), complete) << text;
  }
}

TEST(PrepareStatement, BlanksForLineBreaksAndTabsOutsideQuotes) {
  const std::pair<const char*, const char*> rows[] = {
      {"select\r\n\ta,\n b -- why\nfrom t\r", "select  a,  b  from t"},
      {"insert into t values ('a\r\nb\tc')", "insert into t values ('a\r\nb\tc')"},  // data
      {"select 1 -- one\n+ 2", "select 1  + 2"},  // a comment must not swallow the next line
      {"select /*+ hint\n */ 1", "select /*+ hint  */ 1"},
      {"select '--x'", "select '--x'"},
  };
  for (const auto& [text, prepared] : rows) EXPECT_EQ(PrepareStatement(text), prepared) << text;
}

TEST(Decode, RefusesWhatTheEncodingCannotHold) {
  EXPECT_EQ(DecodeToUtf8("\xD6\xD0\xCE\xC4 ok", "GBK"), "中文 ok");
  EXPECT_EQ(DecodeToUtf8("\xEF\xBB\xBFselect '中 \xF0\x9F\x98\x80'", "utf-8"), "select '中 😀'");
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3\x28"}) {
    EXPECT_THROW(DecodeToUtf8(bad, "UTF-8"), DecodeError);  // overlong, surrogate, too high, cut
  }
  EXPECT_THROW(DecodeToUtf8("abc\xFF", "GBK"), DecodeError);
  EXPECT_THROW(DecodeToUtf8("\xD6", "GBK"), DecodeError);  // cut in the middle of a character
  EXPECT_THROW(DecodeToUtf8("x", "NO-SUCH-ENCODING"), DecodeError);
}
