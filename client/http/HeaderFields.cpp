#include "HeaderFields.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "kokit/KoToolsApp.h"

namespace quarlolink::http {

namespace {

std::string Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

// The text after `begin` up to the following `end`, without cutting the header.
std::string Field(const std::string& header, const std::string& begin, const std::string& end) {
  std::string source = header;
  return kokit::KoToolsApp().GetStr(source, begin, end, false);
}

std::string Named(const std::string& header, const char* name) {
  return Trim(Field(header, std::string("\r\n") + name, "\r\n"));
}

}  // namespace

std::string HeaderAcceptRanges(const std::string& header) {
  return Named(header, "Accept-Ranges: ");
}

std::string HeaderETag(const std::string& header) {
  return Trim(Field(header, "\r\nETag: \"", "\"\r\n"));
}

std::string HeaderContentLocation(const std::string& header) {
  std::string value = Named(header, "Content-Location:");
  if (value.empty()) return "";
  kokit::KoToolsApp tools;
  // Drops the scheme and host of an absolute address, keeping its path.
  const std::string before = value;
  tools.GetStr(value, "http://", "/", true);
  if (value == before) tools.GetStr(value, "https://", "/", true);
  if (value.starts_with("/")) return value;
  return "/" + value;
}

kokit::DateTime HeaderLastModified(const std::string& header) {
  return ParseHttpDate(Named(header, "Last-Modified:"));
}

std::string HeaderContentType(const std::string& header) { return Named(header, "Content-Type:"); }

int32_t HeaderContentLength(const std::string& header) {
  const std::string value = Named(header, "Content-Length:");
  int32_t n = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || end != value.data() + value.size()) return 0;
  return n;
}

std::string HeaderServer(const std::string& header) { return Named(header, "Server:"); }

std::string HeaderMimeVersion(const std::string& header) { return Field(header, "", " "); }

kokit::DateTime HeaderDate(const std::string& header) {
  return ParseHttpDate(Named(header, "Date:"));
}

std::string HeaderStatusCode(const std::string& header) {
  std::string copy = header;
  kokit::KoToolsApp tools;
  tools.GetStr(copy, "HTTP/", " ", true);
  return tools.GetStr(copy, "", " ", false);
}

std::string HeaderReasonPhrase(const std::string& header) {
  kokit::KoToolsApp tools;
  std::string line = header;
  const std::size_t eol = line.find("\r\n");
  if (eol != std::string::npos) line.resize(eol);
  tools.GetStr(line, "HTTP/", " ", true);
  tools.GetStr(line, "", " ", true);
  return line;
}

kokit::DateTime ParseHttpDate(const std::string& value) {
  const std::size_t comma = value.find(',');
  if (comma == std::string::npos) return {};
  const std::size_t gmt = value.find("GMT", comma + 1);
  if (gmt == std::string::npos) return {};
  const std::string text = Trim(std::string_view(value).substr(comma + 1, gmt - comma - 1));

  int day = 0, year = 0, hour = 0, minute = 0, second = 0;
  char month[4] = {};
  int used = 0;
  if (std::sscanf(text.c_str(), "%2d %3s %4d %2d:%2d:%2d%n", &day, month, &year, &hour, &minute,
                  &second, &used) != 6 ||
      static_cast<std::size_t>(used) != text.size()) {
    return {};
  }
  static constexpr std::array<std::string_view, 12> kMonths = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (std::size_t m = 0; m < kMonths.size(); ++m) {
    if (kMonths[m] == month) {
      kokit::DateTime dt{year, static_cast<int>(m) + 1, day, hour, minute, second};
      return dt.IsValid() ? dt : kokit::DateTime{};
    }
  }
  return {};
}

}  // namespace quarlolink::http
