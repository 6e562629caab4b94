#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "args/Options.h"

using namespace quarlocli;

namespace {

Options Parse(std::vector<std::string> args) { return ParseOptions(args); }

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

}  // namespace

TEST(Options, ReadsConnectionAndSourcesInOrder) {
  Options o = Parse({"--site", "host/q", "--type", "access", "--database=db\\a.mdb", "--user", "sa",
                     "-c", "select 1", "-f", "q.sql", "--command=select 2"});
  EXPECT_EQ(o.site, "host/q");
  EXPECT_EQ(o.type, DbType::Access);
  EXPECT_EQ(o.database, "db\\a.mdb");
  EXPECT_EQ(o.user, "sa");
  ASSERT_EQ(o.sources.size(), 3u);
  EXPECT_EQ(o.sources[0].kind, Source::Command);
  EXPECT_EQ(o.sources[0].text, "select 1");
  EXPECT_EQ(o.sources[1].kind, Source::File);
  EXPECT_EQ(o.sources[2].text, "select 2");
  EXPECT_FALSE(o.format.has_value());
  EXPECT_TRUE(o.header);
  EXPECT_FALSE(o.HasSettingOverrides());
}

TEST(Options, ReadsEveryResultAndSettingFlag) {
  std::vector<std::string> args = Words(
      "--site=x --page 3 --max-rows 0 --format json --no-header --timing -q --open-url /o "
      "--execute-url /e --rows-per-comm 1000 --rows-per-page 2000 --timeout 5 "
      "--connect-timeout 3 --max-answer-mb 16 --split go --encoding UTF-8 -w --continue-on-error");
  args.insert(args.end(), {"--enc-key", "k k"});
  Options o = Parse(args);
  EXPECT_EQ(*o.page, 3);
  EXPECT_EQ(*o.maxRows, 0);
  EXPECT_EQ(*o.format, OutputFormat::Json);
  EXPECT_FALSE(o.header);
  EXPECT_TRUE(o.timing && o.quiet && o.noPassword && o.continueOnError);
  EXPECT_EQ(*o.encKey, "k k");
  EXPECT_EQ(*o.rowsPerComm, 1000);
  EXPECT_EQ(*o.rowsPerPage, 2000);
  EXPECT_EQ(*o.timeout, 5);
  EXPECT_EQ(*o.connectTimeout, 3);
  EXPECT_EQ(*o.maxAnswerMb, 16);
  EXPECT_EQ(o.split, SplitMode::Go);
  EXPECT_EQ(*o.encoding, "UTF-8");
  EXPECT_TRUE(o.HasSettingOverrides());
}

TEST(Options, HelpNeedsNoSite) {
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_NE(HelpText().find("--rows-per-comm"), std::string::npos);
}

TEST(Options, WrongUsageIsRefusedWithAReason) {
  auto refused = [](std::vector<std::string> args, const std::string& part) {
    try {
      ParseOptions(args);
      ADD_FAILURE() << "accepted: " << part;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    }
  };
  refused({"-c", "select 1"}, "--site is required");
  refused({"--site", "x", "--type", "mysql"}, "--type");
  refused({"--site", "x", "--format", "xml"}, "--format");
  refused({"--site", "x", "--page", "0"}, "--page");
  refused({"--site", "x", "--page", "2x"}, "--page");
  refused({"--site", "x", "--max-rows", "-1"}, "--max-rows");
  refused({"--site", "x", "--rows-per-comm", "99999999999"}, "--rows-per-comm");
  refused({"--site", "x", "--max-answer-mb", "0"}, "--max-answer-mb");
  refused({"--site", "x", "--bogus"}, "unknown option --bogus");
  refused({"--site", "x", "-z"}, "unknown option -z");
  refused({"--site"}, "--site needs a value");
  refused({"--site", "x", "select 1"}, "unexpected argument");
  refused({"--site", "x", "--test", "-c", "select 1"}, "--test");
  refused({"--site", "x", "--split", "line"}, "--split");
}

TEST(Options, ParsesTwiceInOneProcess) {
  // getopt keeps state in globals; a second parse must start afresh.
  Parse({"--site", "a", "-c", "x", "--format", "csv"});
  Options o = Parse({"--site", "b", "-c", "y"});
  EXPECT_EQ(o.site, "b");
  ASSERT_EQ(o.sources.size(), 1u);
  EXPECT_FALSE(o.format.has_value());
}
