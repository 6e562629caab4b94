// Fill and walk of one answer of 10,000 rows by 10 columns, beside a plain memchr scan of the
// same text in the same run. Prints rows per second, MB per second and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PrivateFolders.h"
#include "conn/LibraryAccess.h"
#include "quarlolink/QuarloApp.h"

using quarlolink::QuarloApp;
using quarlolink::internal::LibraryAccess;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 10;
constexpr int kRounds = 15;

std::string Answer() {
  std::string text =
      "OK<Head><RecordsAffected>-1</RecordsAffected><EOF>True</EOF>"
      "<IsNextRecordset>False</IsNextRecordset></Head><Fields>";
  for (int c = 0; c < kColumns; ++c) {
    text += "<Field><Name>column" + std::to_string(c) +
            "</Name><Type>200</Type><DefinedSize>50</DefinedSize></Field>";
  }
  text += "</Fields>";
  for (int r = 1; r <= kRows; ++r) {
    text += "<RowValue>";
    for (int c = 0; c < kColumns; ++c) {
      std::string tag = "~" + std::to_string(c) + "_";
      text += "<" + tag + ">value " + std::to_string(r * kColumns + c) + "</" + tag + ">";
    }
    text += "</RowValue>";
  }
  return text;
}

// What any reader must at least do: find every "<" of the text.
std::size_t ScanTags(const std::string& text) {
  std::size_t tags = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
    ++tags;
    ++p;
  }
  return tags;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  PrivateFolders folders;
  const std::string text = Answer();
  auto app = QuarloApp::Create();
  app->SetRowsPerPage(kRows);  // one page, so the walk never asks for more

  std::vector<double> walk;
  std::vector<double> scan;
  std::size_t sink = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    sink += ScanTags(text);
    auto t1 = Clock::now();
    auto rs = LibraryAccess::NewRecordset(app);
    LibraryAccess::SetCurrentRecordset(*app, rs);
    LibraryAccess::FillXmlText(*rs, text);
    int rows = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
      sink += rs->Fields()->Item(kColumns - 1)->Value().size();
      ++rows;
    }
    auto t2 = Clock::now();
    if (rows != kRows) {
      std::fprintf(stderr, "walked %d rows, expected %d\n", rows, kRows);
      return 1;
    }
    scan.push_back(std::chrono::duration<double>(t1 - t0).count());
    walk.push_back(std::chrono::duration<double>(t2 - t1).count());
  }
  double mb = static_cast<double>(text.size()) / 1e6;
  double w = Median(walk);
  double s = Median(scan);
  std::printf("answer: %d rows x %d columns, %.2f MB (median of %d rounds)\n", kRows, kColumns, mb,
              kRounds);
  std::printf("fill and walk: %.3f ms, %.0f rows/s, %.1f MB/s\n", w * 1e3, kRows / w, mb / w);
  std::printf("memchr scan:   %.3f ms, %.0f rows/s, %.1f MB/s\n", s * 1e3, kRows / s, mb / s);
  std::printf("ratio: %.2fx the scan (goal: within 5x)   [%zu]\n", w / s, sink % 10);
  return 0;
}
