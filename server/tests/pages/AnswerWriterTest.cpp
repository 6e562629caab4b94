#include "AnswerWriter.h"

#include <gtest/gtest.h>

namespace quarlopages {
namespace {

TEST(AnswerWriter, WritesTheFirstAnswerOfAResultSet) {
  AnswerWriter w;
  w.FullHead({-1, true, false}, {{"id", 3, 4}, {"", 200, 50}});
  w.Row({std::string("1"), std::string("abc")}, true);
  w.Row({std::string("2"), std::nullopt}, true);
  EXPECT_EQ(w.Text(),
            "OK<Head><RecordsAffected>-1</RecordsAffected><EOF>True</EOF>"
            "<IsNextRecordset>False</IsNextRecordset></Head>"
            "<Fields><Field><Name>id</Name><Type>3</Type><DefinedSize>4</DefinedSize></Field>"
            "<Field><Name></Name><Type>200</Type><DefinedSize>50</DefinedSize></Field></Fields>"
            "<RowValue><~0_>1</~0_><~1_>abc</~1_></RowValue>"
            "<RowValue><~0_>2</~0_><~1_></~1_></RowValue>");
}

TEST(AnswerWriter, AnUpdateHasNoFields) {
  AnswerWriter w;
  w.FullHead({7, true, true}, {});
  EXPECT_EQ(w.Text(),
            "OK<Head><RecordsAffected>7</RecordsAffected><EOF>True</EOF>"
            "<IsNextRecordset>True</IsNextRecordset></Head>");
}

TEST(AnswerWriter, LaterBatchesCarryOnlyEof) {
  AnswerWriter w;
  w.ShortHead(false);
  w.Row({std::string("x")}, false);
  EXPECT_EQ(w.Text(), "OK<Head><EOF>False</EOF></Head><RowValue><~0_>x</~0_></RowValue>");
}

TEST(AnswerWriter, RemovesOnlyTrailingBlanksWhenAsked) {
  AnswerWriter keep, strip;
  db::Row row{std::string("  a b  "), std::string("\t "), std::string("   ")};
  keep.Row(row, false);
  strip.Row(row, true);
  EXPECT_EQ(keep.Text(), "OK<RowValue><~0_>  a b  </~0_><~1_>\t </~1_><~2_>   </~2_></RowValue>");
  EXPECT_EQ(strip.Text(), "OK<RowValue><~0_>  a b</~0_><~1_>\t</~1_><~2_></~2_></RowValue>");
}

}  // namespace
}  // namespace quarlopages
