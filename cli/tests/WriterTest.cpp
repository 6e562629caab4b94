// The writers' escapes and layout; the everyday output of each format is checked end to end.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "output/ResultWriter.h"
#include "output/TableWriter.h"
#include "output/Width.h"
#include "term/Terminal.h"

using namespace quarlocli;
using Values = std::vector<std::string>;

TEST(ResultWriter, EscapesAndLayoutPerFormat) {
  std::vector<Values> group(TableWriter::kGroupRows, {"a"});
  group.push_back({"wider"});
  std::string groupText = " v\n---\n";
  for (size_t i = 0; i < TableWriter::kGroupRows; ++i) groupText += " a\n";
  struct Row {
    const char* name;
    OutputFormat format;
    bool header;
    std::vector<Values> rows;
    std::string text;
  };
  const Row rows[] = {
      {"table escapes controls and splits lines",
       OutputFormat::Table,
       false,
       {{"\x1b[31mred\tx\xc2\x9b\r\nz"}},
       " \\x1b[31mred x\\u009b+\n z\n"},
      {"table groups after the first keep its widths", OutputFormat::Table, true, group,
       groupText + " wider\n"},
      {"csv quotes a lone blank", OutputFormat::Csv, true, {{""}}, "v\r\n\"\"\r\n"},
      {"tsv escapes", OutputFormat::Tsv, false, {{"c:\\t\tx\r"}}, "c:\\\\t\\tx\\r\n"},
      {"json escapes controls and bad bytes",
       OutputFormat::Json,
       true,
       {{"\\\x01\x7f\xff\t\b\f"}},
       "{\"v\":\"\\\\\\u0001\\u007f\xEF\xBF\xBD\\t\\b\\f\"}\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::ostringstream out;
    auto w = MakeResultWriter(r.format, out, r.header);
    w->BeginResult({{"v", 200}});
    for (const Values& v : r.rows) w->Row(v);
    w->EndResult();
    EXPECT_EQ(out.str(), r.text);
  }
}

TEST(DisplayWidth, WideCharactersTakeTwoColumns) {
  EXPECT_EQ(DisplayWidth("a中ＡＢ한"), 9u);
  EXPECT_EQ(DisplayWidth("e\xCC\x81\xFF"), 2u);  // a combining accent takes none, a bad byte one
}

TEST(ProgressLine, ShowsOnlyForLongResultsAndErasesItself) {
  std::ostringstream err;
  ProgressLine p(err, true);
  p.Start();
  p.Update(10);  // a short result shows nothing
  EXPECT_EQ(err.str(), "");
  std::this_thread::sleep_for(ProgressLine::kDelay + std::chrono::milliseconds(50));
  p.Update(12000);
  p.Erase();
  EXPECT_EQ(err.str(), "\rquarlo: 12000 rows\x1b[K\r\x1b[K");
  EXPECT_FALSE(p.Shown());
}
