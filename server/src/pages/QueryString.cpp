#include "QueryString.h"

#include <stdexcept>

namespace quarlopages {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string DecodeOrThrow(std::string_view text) {
  auto decoded = PercentDecode(text);
  if (!decoded) {
    // The offending text is not echoed: it may be part of a statement or a connection string.
    throw std::invalid_argument("请求参数中有错误的百分号编码（\"%\" 后必须是两位十六进制数字）");
  }
  return *decoded;
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 3 + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int hi = HexValue(text[i + 1]);
    int lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return out;
}

std::string PercentEncodeBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    out.push_back('%');
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

QueryString QueryString::Parse(std::string_view target) {
  QueryString query;
  if (auto mark = target.find('?'); mark != std::string_view::npos) target.remove_prefix(mark + 1);
  if (auto hash = target.find('#'); hash != std::string_view::npos) target = target.substr(0, hash);
  while (!target.empty()) {
    auto amp = target.find('&');
    std::string_view pair = target.substr(0, amp);
    target = amp == std::string_view::npos ? std::string_view() : target.substr(amp + 1);
    if (pair.empty()) continue;
    auto eq = pair.find('=');
    std::string_view name = pair.substr(0, eq);
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
    query.items_.emplace_back(DecodeOrThrow(name), DecodeOrThrow(value));
  }
  return query;
}

std::optional<std::string> QueryString::Get(std::string_view name) const {
  for (const auto& [key, value] : items_) {
    if (EqualsNoCase(key, name)) return value;
  }
  return std::nullopt;
}

}  // namespace quarlopages
