#include <cstdio>
#include <string_view>
#include <utility>

#include "cipher/Cipher.h"
#include "kokit/Codepage.h"
#include "kokit/KoToolsApp.h"
#include "text/ReplaceAll.h"
#include "text/Utf8.h"

namespace kokit {

namespace {

using detail::ReplaceAll;

using Replacement = std::pair<std::string_view, std::string_view>;

// Applied in order, each over the whole text; mode 1 ends by restoring "<br>" tags it has just
// escaped, so a "<br>" already in the text survives.
constexpr Replacement kDisable[] = {{"<", "&lt;"},    {">", "&gt;"},
                                    {" ", "&nbsp;"},  {"\t", "&nbsp;&nbsp;&nbsp;&nbsp;"},
                                    {"\r\n", "<br>"}, {"&lt;br&gt;", "<br>"}};
constexpr Replacement kEnable[] = {{"&lt;", "<"},
                                   {"&gt;", ">"},
                                   {"&nbsp;&nbsp;&nbsp;&nbsp;", "\t"},
                                   {"&nbsp;", " "},
                                   {"&lt;br&gt;", "<br>"}};
constexpr Replacement kDisableSymbols[] = {{"<", "&lt;"}, {">", "&gt;"}};
constexpr Replacement kEnableSymbols[] = {{"&lt;", "<"}, {"&gt;", ">"}};

template <size_t N>
std::string ApplyAll(std::string text, const Replacement (&table)[N]) {
  for (const auto& [from, to] : table) ReplaceAll(text, from, to);
  return text;
}

}  // namespace

std::string KoToolsApp::UnicodeStrToHexStr(const std::string& unicodeString) const {
  return detail::BytesToHex(ToLegacy(unicodeString));
}

std::string KoToolsApp::HexStrToUniCodeStr(const std::string& hexString) const {
  auto bytes = detail::HexToBytes(hexString);
  return bytes ? FromLegacy(*bytes) : "";
}

std::string KoToolsApp::UnicodeStrToWapStr(const std::string& strInput) const {
  std::string out;
  for (char16_t unit : detail::Utf8ToUtf16(strInput)) {
    // The code as a signed 16-bit number widened to 32 bits: U+8000 and up read FFFFxxxx.
    const auto code = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(unit)));
    char buf[16];
    std::snprintf(buf, sizeof buf, "&#x%X;", code);
    out += buf;
  }
  return out;
}

std::string KoToolsApp::ChangeHTML(const std::string& strInput, int32_t lngOpt) const {
  switch (lngOpt) {
    case xpChangeHTML_DisableHTML:
      return ApplyAll(strInput, kDisable);
    case xpChangeHTML_EnableHTML:
      return ApplyAll(strInput, kEnable);
    case xpChangeHTML_DisableHTMLOnlySymbol:
      return ApplyAll(strInput, kDisableSymbols);
    case xpChangeHTML_EnableHTMLOnlySymbol:
      return ApplyAll(strInput, kEnableSymbols);
    default:
      return strInput;
  }
}

}  // namespace kokit
