#include "output/Width.h"

#include <utf8proc.h>

namespace quarlocli {

size_t DisplayWidth(std::string_view s) {
  size_t width = 0;
  auto* p = reinterpret_cast<const utf8proc_uint8_t*>(s.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
  while (left > 0) {
    if (*p < 0x80) {  // ASCII needs no table
      ++width, ++p, --left;
      continue;
    }
    utf8proc_int32_t cp;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {
      ++width, ++p, --left;
      continue;
    }
    width += static_cast<size_t>(utf8proc_charwidth(cp));
    p += n;
    left -= n;
  }
  return width;
}

}  // namespace quarlocli
