#include <cerrno>
#include <chrono>
#include <string_view>

#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"
#include "text/ReplaceAll.h"

namespace kokit {

namespace {

using detail::ReplaceAll;

struct Numerals {
  std::string_view digits[10];
  std::string_view places[4];  // thousand, hundred, ten, unit
};

constexpr Numerals kUpper{{"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"},
                          {"仟", "佰", "拾", ""}};
constexpr Numerals kOrdinary{{"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"},
                             {"千", "百", "十", ""}};

// Units of the four-digit groups from the right; the fourth group is always followed by the
// third's 亿, so together they read 万亿.
constexpr std::string_view kGroupUnits[] = {"", "万", "亿", "万"};
constexpr std::string_view kFractionUnits[] = {"角", "分", "厘", "毫"};

constexpr std::string_view kWeekNames[] = {"日", "一", "二", "三", "四", "五", "六"};

void CollapseZeros(std::string& text) {
  while (text.find("零零") != std::string::npos) ReplaceAll(text, "零零", "零");
}

void DropLastZero(std::string& text) {
  constexpr std::string_view zero = "零";
  if (text.ends_with(zero)) text.resize(text.size() - zero.size());
}

// Four digits, each as its numeral and place, a zero digit as 零 alone.
std::string GroupWords(std::string_view group, const Numerals& n) {
  std::string words;
  for (size_t k = 0; k < 4; ++k) {
    const int d = group[k] - '0';
    words += n.digits[d];
    if (d != 0) words += n.places[k];
  }
  return words;
}

}  // namespace

std::string KoToolsApp::ChnCurrency(Currency money, bool isUCase) const {
  // Negative amounts have no reading here.
  if (money < Currency()) return "Error";
  const Numerals& n = isUCase ? kUpper : kOrdinary;

  std::string whole = money.ToText();
  std::string fraction;
  if (auto dot = whole.find('.'); dot != std::string::npos) {
    fraction = whole.substr(dot + 1);
    whole.resize(dot);
  }
  whole.insert(0, (4 - whole.size() % 4) % 4, '0');

  std::string result;
  const size_t groups = whole.size() / 4;
  for (size_t g = 0; g < groups; ++g) {
    // An amount has at most four groups (under 10^16).
    if (g >= std::size(kGroupUnits)) return "Error";
    std::string_view group = std::string_view(whole).substr(whole.size() - 4 * (g + 1), 4);
    result = GroupWords(group, n) + std::string(kGroupUnits[g]) + result;
  }

  CollapseZeros(result);
  ReplaceAll(result, "零万", "万零");
  ReplaceAll(result, "亿万", "亿零");
  CollapseZeros(result);
  ReplaceAll(result, "零亿", "亿");
  DropLastZero(result);
  if (result.starts_with("零")) result.erase(0, std::string_view("零").size());
  result += "元";

  if (fraction.empty()) {
    result += "整";
  } else {
    for (size_t k = 0; k < fraction.size() && k < std::size(kFractionUnits); ++k) {
      result += n.digits[fraction[k] - '0'];
      result += kFractionUnits[k];
      for (std::string_view unit : {"零毫", "零厘", "零分", "零角"}) ReplaceAll(result, unit, "零");
    }
    CollapseZeros(result);
    DropLastZero(result);
  }
  if (result == "元整") result = "零元整";
  return result;
}

std::string KoToolsApp::ChnWeekName(const DateTime& dteDate, bool isFullName) const {
  if (!dteDate.IsValid()) throw Error(EINVAL, "not a date: " + dteDate.ToText());
  using namespace std::chrono;
  const year_month_day ymd{year(dteDate.year), month(static_cast<unsigned>(dteDate.month)),
                           day(static_cast<unsigned>(dteDate.day))};
  const unsigned weekday = std::chrono::weekday(sys_days(ymd)).c_encoding();  // 0 is Sunday
  std::string name(kWeekNames[weekday]);
  return isFullName ? "星期" + name : name;
}

}  // namespace kokit
