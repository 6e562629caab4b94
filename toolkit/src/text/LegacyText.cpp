#include "text/LegacyText.h"

#include <algorithm>

#include "kokit/Codepage.h"
#include "text/Utf8.h"

namespace kokit::detail {

LegacyText::LegacyText(std::string_view utf8) {
  // One character at a time: a cut character must not pair with its neighbour on the way back
  // (in GBK the tail of 中 and the head of 文 read as 形).
  for (size_t pos = 0; pos < utf8.size();) {
    const size_t n = Utf8CharLength(utf8, pos);
    starts_.push_back(bytes_.size());
    bytes_ += ToLegacy(utf8.substr(pos, n));
    pos += n;
  }
  starts_.push_back(bytes_.size());
}

bool LegacyText::IsCharStart(size_t pos) const {
  return std::binary_search(starts_.begin(), starts_.end(), pos);
}

std::string LegacyText::Slice(size_t from, size_t to) const {
  to = std::min(to, bytes_.size());
  if (from >= to) return "";
  // The first whole character at or after `from`, and the end of the last one before `to`.
  const size_t wholeFrom = *std::lower_bound(starts_.begin(), starts_.end(), from);
  const size_t wholeTo = *(std::upper_bound(starts_.begin(), starts_.end(), to) - 1);
  if (wholeFrom >= wholeTo) return std::string(to - from, '?');  // inside a single character
  return std::string(wholeFrom - from, '?') +
         FromLegacy(std::string_view(bytes_).substr(wholeFrom, wholeTo - wholeFrom)) +
         std::string(to - wholeTo, '?');
}

}  // namespace kokit::detail
