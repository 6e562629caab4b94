#include "ServerTiming.h"

#include <charconv>
#include <cmath>

namespace quarlolink::http {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view lowerB) {
  if (a.size() != lowerB.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerB[i]) return false;
  }
  return true;
}

// The end of the piece that starts at `from`: the next `sep` outside a quoted string.
std::size_t PieceEnd(std::string_view s, std::size_t from, char sep) {
  bool quoted = false;
  for (std::size_t i = from; i < s.size(); ++i) {
    if (quoted && s[i] == '\\') {
      ++i;
    } else if (s[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && s[i] == sep) {
      return i;
    }
  }
  return s.size();
}

// The "dur" parameter of one metric's parameters ("dur=1.5;desc=x").
std::optional<double> Duration(std::string_view params) {
  for (std::size_t at = 0; at < params.size();) {
    const std::size_t end = PieceEnd(params, at, ';');
    std::string_view param = params.substr(at, end - at);
    at = end + 1;
    const std::size_t eq = param.find('=');
    if (eq == std::string_view::npos || !EqualsNoCase(Trim(param.substr(0, eq)), "dur")) continue;
    std::string_view text = Trim(param.substr(eq + 1));
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      text = text.substr(1, text.size() - 2);
    }
    double v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v) || v < 0) {
      return std::nullopt;
    }
    return v;
  }
  return std::nullopt;
}

}  // namespace

ServerTimingFigures ParseServerTiming(std::string_view value) {
  ServerTimingFigures f;
  for (std::size_t at = 0; at < value.size();) {
    const std::size_t end = PieceEnd(value, at, ',');
    std::string_view metric = value.substr(at, end - at);
    at = end + 1;
    const std::size_t semi = PieceEnd(metric, 0, ';');
    const std::string_view name = Trim(metric.substr(0, semi));
    std::optional<double>* slot = EqualsNoCase(name, "db")      ? &f.db
                                  : EqualsNoCase(name, "rows")  ? &f.rows
                                  : EqualsNoCase(name, "write") ? &f.write
                                  : EqualsNoCase(name, "total") ? &f.total
                                                                : nullptr;
    if (!slot || slot->has_value() || semi >= metric.size()) continue;
    *slot = Duration(metric.substr(semi + 1));
  }
  return f;
}

}  // namespace quarlolink::http
