#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "output/ResultWriter.h"
#include "output/TableWriter.h"
#include "quarlohost/TextWriters.h"
#include "term/Terminal.h"

using namespace quarlocli;
using namespace quarlolink::host;

namespace {

const std::vector<Column> kColumns = {{"id", 3}, {"名称", 200}, {"note", 200}};

std::string Write(OutputFormat format, bool header = true) {
  std::ostringstream out;
  auto w = MakeResultWriter(format, out, header);
  w->BeginResult(kColumns);
  w->Row({"1", "中文", "a,b"});
  w->Row({"22", "", "say \"hi\"\nbye"});
  w->EndResult();
  w->BeginResult({{"x", 3}});
  w->Row({""});
  w->EndResult();
  return out.str();
}

}  // namespace

// Two results, the second a lone blank: wide characters, quotes, commas and breaks per format.
TEST(ResultWriter, TheSampleInEachFormat) {
  struct Row {
    const char* name;
    OutputFormat format;
    bool header;
    std::string text;
  };
  const Row rows[] = {
      {"table aligns wide characters and splits lines", OutputFormat::Table, true,
       " id | 名称 |   note\n----+------+----------\n  1 | 中文 | a,b\n"
       " 22 |      | say \"hi\"+\n    |      | bye\n x\n---\n\n"},
      {"csv quotes what RFC 4180 needs", OutputFormat::Csv, true,
       "id,名称,note\r\n1,中文,\"a,b\"\r\n22,,\"say \"\"hi\"\"\nbye\"\r\n\r\nx\r\n\"\"\r\n"},
      {"csv without a header", OutputFormat::Csv, false,
       "1,中文,\"a,b\"\r\n22,,\"say \"\"hi\"\"\nbye\"\r\n\r\n\"\"\r\n"},
      {"tsv escapes breaks", OutputFormat::Tsv, true,
       "id\t名称\tnote\n1\t中文\ta,b\n22\t\tsay \"hi\"\\nbye\n\nx\n\n"},
      {"json writes one object per row", OutputFormat::Json, true,
       "{\"id\":\"1\",\"名称\":\"中文\",\"note\":\"a,b\"}\n"
       "{\"id\":\"22\",\"名称\":\"\",\"note\":\"say \\\"hi\\\"\\nbye\"}\n{\"x\":\"\"}\n"},
  };
  for (const Row& r : rows) EXPECT_EQ(Write(r.format, r.header), r.text) << r.name;
}

TEST(TableWriter, EscapesControlCharactersAndWithoutHeader) {
  std::ostringstream out;
  TableWriter w(out, false);
  w.BeginResult({{"v", 200}});
  w.Row({"\x1b[31mred\tx"});
  w.EndResult();
  EXPECT_EQ(out.str(), " \\x1b[31mred x\n");
}

TEST(TableWriter, LaterGroupsKeepTheWidths) {
  std::ostringstream out;
  TableWriter w(out, true);
  w.BeginResult({{"v", 200}});
  for (size_t i = 0; i < TableWriter::kGroupRows; ++i) w.Row({"a"});
  w.Row({"wider"});
  w.EndResult();
  std::string s = out.str();
  EXPECT_EQ(s.substr(0, 10), " v\n---\n a\n");
  EXPECT_NE(s.find("\n wider\n"), std::string::npos);
}

TEST(TsvWriter, EscapesTabsReturnsAndBackslashes) {
  std::ostringstream out;
  TsvWriter w(out, false);
  w.BeginResult({{"a", 200}, {"b", 200}});
  w.Row({"c:\\t\tx", "\r"});
  w.EndResult();
  EXPECT_EQ(out.str(), "c:\\\\t\\tx\t\\r\n");
}

TEST(JsonWriter, EscapesControlsAndBadBytes) {
  std::string s;
  AppendJsonString(s, std::string("\\\x01\x7f\xff\t", 5));
  EXPECT_EQ(s, "\"\\\\\\u0001\\u007f\xEF\xBF\xBD\\t\"");
}

TEST(ProgressLine, ShowsOnlyForLongResultsAndErasesItself) {
  std::ostringstream err;
  {
    ProgressLine off(err, false);
    off.Start();
    off.Update(1);
  }
  EXPECT_EQ(err.str(), "");

  ProgressLine p(err, true);
  p.Start();
  p.Update(10);  // a short result shows nothing
  EXPECT_EQ(err.str(), "");
  std::this_thread::sleep_for(ProgressLine::kDelay + std::chrono::milliseconds(50));
  p.Update(12000);
  EXPECT_EQ(err.str(), "\rquarlo: 12000 rows\x1b[K");
  p.Erase();
  EXPECT_EQ(err.str(), "\rquarlo: 12000 rows\x1b[K\r\x1b[K");
  EXPECT_FALSE(p.Shown());
}
