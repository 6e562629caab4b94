#pragma once

#include <string>

#include "kokit/Enums.h"
#include "kokit/KoToolsApp.h"

namespace quarlo::testing {

// What the server pages do with an enciphered query value: percent-decode, decipher under the
// key, and turn the "hex;" codes back into text (UTF-8; codes of the Basic Multilingual Plane).
inline std::string DecipherQueryValue(const std::string& encoded, const std::string& key) {
  std::string bytes;
  for (std::size_t i = 0; i + 2 < encoded.size() + 1; i += 3) {
    bytes += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
  }
  kokit::KoToolsApp tools;
  std::string codes = tools.EncCharStr(bytes, key, kokit::xpEncStr_UnEncWithKeyHead);
  std::string text;
  std::size_t at = 0;
  for (std::size_t end; (end = codes.find(';', at)) != std::string::npos; at = end + 1) {
    auto code = static_cast<unsigned>(std::stoul(codes.substr(at, end - at), nullptr, 16)) & 0xFFFF;
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else if (code < 0x800) {
      text += static_cast<char>(0xC0 | (code >> 6));
      text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | (code >> 12));
      text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return text;
}

}  // namespace quarlo::testing
