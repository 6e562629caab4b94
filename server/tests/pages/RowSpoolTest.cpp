#include "RowSpool.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"

namespace quarlopages {
namespace {

db::Row MakeRow(int i) {
  db::Row row;
  row.emplace_back(std::to_string(i));
  row.emplace_back(i % 3 == 0 ? std::nullopt
                              : std::optional<std::string>(std::string(i % 50, 'x')));
  row.emplace_back(std::string("\0中\xff", 5));
  return row;
}

TEST(RowSpool, ServesAnyRangeOfTheRowsAgain) {
  quarlo::testing::TempDir dir;
  RowSpool spool(dir.path(), 1 << 30);
  for (int i = 0; i < 1000; ++i) spool.Append(MakeRow(i));
  EXPECT_EQ(spool.RowCount(), 1000);
  for (int64_t first : {0, 1, 63, 64, 65, 500, 975, 999}) {
    auto rows = spool.Read(first, 25);
    ASSERT_EQ(rows.size(), static_cast<size_t>(std::min<int64_t>(25, 1000 - first)));
    for (size_t k = 0; k < rows.size(); ++k)
      EXPECT_EQ(rows[k], MakeRow(static_cast<int>(first + k)));
  }
  EXPECT_TRUE(spool.Read(1000, 25).empty());
  EXPECT_TRUE(spool.Read(-1, 25).empty());
  // Rows appended after a read still come back.
  spool.Append(MakeRow(1000));
  EXPECT_EQ(spool.Read(1000, 1).at(0), MakeRow(1000));
}

TEST(RowSpool, KeepsLargeValues) {
  quarlo::testing::TempDir dir;
  RowSpool spool(dir.path(), 1 << 30);
  db::Row big{std::string(300000, 'v'), std::string("end")};
  spool.Append(MakeRow(1));
  spool.Append(big);
  spool.Append(MakeRow(2));
  EXPECT_EQ(spool.Read(1, 2).at(0), big);
  EXPECT_EQ(spool.Read(2, 1).at(0), MakeRow(2));
}

TEST(RowSpool, RefusesToPassItsBudget) {
  quarlo::testing::TempDir dir;
  RowSpool spool(dir.path(), 4096);
  EXPECT_THROW(
      {
        for (int i = 0; i < 1000; ++i) spool.Append(MakeRow(i));
      },
      SpoolFull);
  EXPECT_LE(spool.Bytes(), 4096u);
  EXPECT_GT(spool.RowCount(), 0);
}

TEST(RowSpool, LeavesNoFileBehind) {
  quarlo::testing::TempDir dir;
  {
    RowSpool spool(dir.path(), 1 << 20);
    spool.Append(MakeRow(1));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quarlopages
