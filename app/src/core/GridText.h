#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlodesk {

// Width of a text in the legacy code page's bytes (a Chinese character counts two in GBK).
int32_t LegacyByteLength(std::string_view utf8);

// A value as the grid shows it: leading and trailing blanks removed.
std::string_view TrimmedView(std::string_view value);

// Column widths of the grid, estimated from byte lengths instead of measured: 10 twips per point
// of font size per byte of the longest text (header or value of the page), at most 100 bytes'
// worth, plus 250; the row-number column from the digits of the last row number.
class ColumnWidths {
 public:
  ColumnWidths(double fontSize, const std::vector<std::string>& headers);
  void Add(size_t column, std::string_view trimmedValue);
  // Twips: entry 0 the row-number column, entry i+1 field i.
  std::vector<int> Widths(int32_t lastRowNo) const;

 private:
  int Units(std::string_view text) const;
  double fontSize_;
  std::vector<int> maxWidth_;
};

// A cell's text for the copy commands; grid coordinates (row 0 is the header row, column 0 the
// row numbers).
using CellText = std::function<std::string(int32_t row, int32_t column)>;

// The cells between the two corners (in any order), a tab after each cell and CR LF after the
// last of a row, the last row included.
std::string CopyCellsText(const CellText& cell, int32_t row1, int32_t row2, int32_t col1,
                          int32_t col2);

// The header texts of the columns between the two (the row-number column never), "," between
// them and CR LF at the end.
std::string CopyColumnNamesText(const CellText& cell, int32_t col1, int32_t col2);

// The statement text to run: each CR LF pair and each tab becomes one blank; lone CR or LF stay.
std::string NormaliseCmdText(std::string_view text);

// "使用时间：" and the elapsed time as hh:mm:ss, each part two digits (hours modulo 100).
std::string UseTimeText(int64_t seconds);

// The grid's general alignment puts numbers to the right.
bool IsNumberText(std::string_view text);

}  // namespace quarlodesk
