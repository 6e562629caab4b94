#include <gtest/gtest.h>

#include "args/Options.h"

using namespace quarlocli;

// Every flag's effect is checked end to end; here getopt's state, kept in globals, must not
// carry over to a second parse.
TEST(Options, ParsesTwiceInOneProcess) {
  ParseOptions({"--site", "a", "-c", "x", "--format", "csv", "--rows-per-comm", "9"});
  Options o = ParseOptions({"--site", "b", "-c", "y"});
  EXPECT_EQ(o.sources.size(), 1u);
  EXPECT_FALSE(o.format.has_value() || o.HasSettingOverrides());
}

TEST(Options, WrongUsageIsRefusedWithAReason) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"--site", "x", "--type", "mysql"}, "--type"},
      {{"--site", "x", "--split", "line"}, "--split"},
      {{"--site", "x", "--page", "2x"}, "--page"},
      {{"--site", "x", "--bogus"}, "unknown option --bogus"},
      {{"--site", "x", "-z"}, "unknown option -z"},
      {{"--site"}, "--site needs a value"},
      {{"--site", "x", "select 1"}, "unexpected argument"},
      {{"--site", "x", "--test", "-c", "select 1"}, "--test"},
  };
  for (const auto& [args, reason] : rows) {
    SCOPED_TRACE(reason);
    try {
      ParseOptions(args);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
}
