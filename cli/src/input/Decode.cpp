#include "input/Decode.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "kokit/Codepage.h"

namespace quarlocli {

namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

}  // namespace

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      n = 2, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      n = 3, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      n = 4, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

std::string DecodeToUtf8(std::string_view bytes, const std::string& encoding) {
  std::string out;
  auto upper = [](std::string name) {
    for (auto& ch : name) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    return name;
  };
  if (upper(encoding) == "UTF-8" || upper(encoding) == "UTF8") {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (!IsValidUtf8(bytes)) throw DecodeError("the text is not valid UTF-8");
    return std::string(bytes);
  }
  if (upper(encoding) == upper(kokit::LegacyCodepage())) {
    // Read as the desktop program reads its query files (under GB18030, 0x80 is "€").
    size_t lost = std::string::npos;
    out = kokit::FromLegacy(bytes, &lost);
    if (lost != std::string::npos) {
      throw DecodeError("byte " + std::to_string(lost) + " is not a character of " + encoding);
    }
    if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
    return out;
  }
  iconv_t raw = iconv_open("UTF-8", encoding.c_str());
  if (raw == reinterpret_cast<iconv_t>(-1)) throw DecodeError("unknown encoding " + encoding);
  std::unique_ptr<void, IconvCloser> cd(raw);

  out.reserve(bytes.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(bytes.data());
  size_t left = bytes.size();
  char buf[4096];
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t rc = iconv(raw, &src, &left, &dst, &room);
    out.append(buf, dst - buf);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      throw DecodeError("byte " + std::to_string(bytes.size() - left) + " is not a character of " +
                        encoding);
    }
  }
  char* dst = buf;
  size_t room = sizeof buf;
  iconv(raw, nullptr, nullptr, &dst, &room);
  out.append(buf, dst - buf);
  if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
  return out;
}

}  // namespace quarlocli
