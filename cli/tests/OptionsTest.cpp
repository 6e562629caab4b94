#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "args/Options.h"

using namespace quarlocli;

TEST(Options, ReadsEveryFlagAndTheSourcesInOrder) {
  std::istringstream words(
      "--site=host/q --type access --user sa -c x -f q.sql --page 3 --max-rows 0 --format json "
      "--no-header --timing -q --open-url /o --execute-url /e --rows-per-comm 1000 "
      "--rows-per-page 2000 --timeout 5 --connect-timeout 3 --max-answer-mb 16 --split go "
      "--encoding UTF-8 -w --continue-on-error --command=y");
  std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
  args.insert(args.end(), {"--enc-key", "k k", "--database=db\\a.mdb"});
  Options o = ParseOptions(args);
  EXPECT_EQ(o.site + o.user + o.database + *o.encKey + *o.encoding, "host/qsadb\\a.mdbk kUTF-8");
  EXPECT_EQ(o.type, DbType::Access);
  ASSERT_EQ(o.sources.size(), 3u);
  EXPECT_EQ(o.sources[0].kind, Source::Command);
  EXPECT_EQ(o.sources[1].kind, Source::File);
  EXPECT_EQ(o.sources[2].text, "y");
  EXPECT_EQ(*o.format, OutputFormat::Json);
  EXPECT_EQ(o.split, SplitMode::Go);
  EXPECT_EQ(std::vector<int64_t>({*o.page, *o.maxRows, *o.rowsPerComm, *o.rowsPerPage, *o.timeout,
                                  *o.connectTimeout, *o.maxAnswerMb}),
            std::vector<int64_t>({3, 0, 1000, 2000, 5, 3, 16}));
  EXPECT_TRUE(!o.header && o.timing && o.quiet && o.noPassword && o.continueOnError);
  EXPECT_TRUE(o.HasSettingOverrides());
  // getopt keeps state in globals: a second parse starts afresh.
  o = ParseOptions({"--site", "b", "-c", "y"});
  EXPECT_EQ(o.sources.size(), 1u);
  EXPECT_FALSE(o.format.has_value() || o.HasSettingOverrides());
  EXPECT_TRUE(ParseOptions({"-h"}).help);
  EXPECT_TRUE(ParseOptions({"--version"}).version);
}

TEST(Options, WrongUsageIsRefusedWithAReason) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{"-c", "select 1"}, "--site is required"},
      {{"--site", "x", "--type", "mysql"}, "--type"},
      {{"--site", "x", "--format", "xml"}, "--format"},
      {{"--site", "x", "--split", "line"}, "--split"},
      {{"--site", "x", "--page", "0"}, "--page"},
      {{"--site", "x", "--page", "2x"}, "--page"},
      {{"--site", "x", "--rows-per-comm", "99999999999"}, "--rows-per-comm"},
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
