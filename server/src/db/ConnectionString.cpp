#include "db/ConnectionString.h"

#include "db/Backend.h"

namespace quarlopages::db {
namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

ConnectionString ConnectionString::Parse(std::string_view text) {
  ConnectionString result;
  size_t i = 0;
  while (i < text.size()) {
    const size_t eq = text.find('=', i);
    const size_t semi = text.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      // A piece without "=" carries nothing; skip it.
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    Pair pair;
    pair.key = AsciiLower(Trim(text.substr(i, eq - i)));
    size_t j = eq + 1;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    if (j < text.size() && text[j] == '{') {
      const size_t start = j;
      ++j;
      bool closed = false;
      while (j < text.size()) {
        if (text[j] == '}') {
          if (j + 1 < text.size() && text[j + 1] == '}') {
            pair.value += '}';
            j += 2;
            continue;
          }
          closed = true;
          ++j;
          break;
        }
        pair.value += text[j++];
      }
      if (!closed) throw DbError("连接字符串有误：“" + pair.key + "”的值缺少右花括号");
      pair.raw = std::string(text.substr(start, j - start));
      const size_t next = text.find(';', j);
      i = next == std::string_view::npos ? text.size() : next + 1;
    } else {
      const size_t end = text.find(';', j);
      const std::string_view value =
          Trim(text.substr(j, end == std::string_view::npos ? std::string_view::npos : end - j));
      pair.value = pair.raw = std::string(value);
      i = end == std::string_view::npos ? text.size() : end + 1;
    }
    if (!pair.key.empty()) result.pairs_.push_back(std::move(pair));
  }
  return result;
}

const ConnectionString::Pair* ConnectionString::Find(std::string_view key) const {
  const std::string lower = AsciiLower(key);
  for (const Pair& p : pairs_) {
    if (p.key == lower) return &p;  // the first one counts, as in ODBC
  }
  return nullptr;
}

std::optional<std::string> ConnectionString::Get(std::string_view key) const {
  const Pair* p = Find(key);
  if (!p) return std::nullopt;
  return p->value;
}

std::optional<std::string> ConnectionString::GetRaw(std::string_view key) const {
  const Pair* p = Find(key);
  if (!p) return std::nullopt;
  return p->raw;
}

}  // namespace quarlopages::db
