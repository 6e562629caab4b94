#include "TipField.h"

#include <algorithm>

#include "kokit/Codepage.h"

namespace kokit::detail {

namespace {

size_t Utf8Length(unsigned char lead) {
  if (lead < 0xC0) return 1;  // ASCII, or a stray byte taken alone
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

}  // namespace

std::string TipField(std::string_view text, size_t fieldBytes) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos || fieldBytes == 0) return "";
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);

  const size_t room = fieldBytes - 1;  // the NUL
  size_t used = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t len =
        std::min(Utf8Length(static_cast<unsigned char>(text[pos])), text.size() - pos);
    used += ToLegacy(text.substr(pos, len)).size();
    if (used > room) break;
    pos += len;
  }
  return std::string(text.substr(0, pos));
}

}  // namespace kokit::detail
