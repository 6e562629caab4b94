#include "recordset/CutElement.h"

#include <cstring>

namespace quarlolink::internal {

bool CutElement(std::string& source, std::string_view open, std::string_view close,
                std::string& value) {
  const std::size_t begin = source.starts_with(open) ? 0 : source.find(open);
  if (begin == std::string::npos) return false;
  const std::size_t contentStart = begin + open.size();
  if (contentStart + 1 > source.size()) return false;
  const std::size_t end = source.find(close, contentStart + 1);
  if (end == std::string::npos) return false;
  value.assign(source, contentStart, end - contentStart);
  source.erase(begin, end + close.size() - begin);
  return true;
}

namespace {

std::string OpenTag(std::string_view name) {
  std::string open;
  open.reserve(name.size() + 2);
  return open.append("<").append(name).append(">");
}

std::string CloseTag(std::string_view name) {
  std::string close;
  close.reserve(name.size() + 3);
  return close.append("</").append(name).append(">");
}

}  // namespace

std::string CutElement(std::string& source, std::string_view name) {
  std::string value;
  CutElement(source, OpenTag(name), CloseTag(name), value);
  return value;
}

bool CutElement(CutText& source, std::string_view open, std::string_view close,
                std::string& value) {
  const std::string_view view = source.View();
  const std::size_t begin = view.starts_with(open) ? 0 : view.find(open);
  if (begin == std::string_view::npos) return false;
  const std::size_t contentStart = begin + open.size();
  if (contentStart + 1 > view.size()) return false;
  const std::size_t end = view.find(close, contentStart + 1);
  if (end == std::string_view::npos) return false;
  value.assign(view.substr(contentStart, end - contentStart));
  const std::size_t length = end + close.size() - begin;
  if (begin <= view.size() - begin - length) {
    // Fewer characters before the element than after it: move those to close the gap.
    char* at = source.text.data() + source.start;
    std::memmove(at + length, at, begin);
    source.start += length;
  } else {
    source.text.erase(source.start + begin, length);
  }
  return true;
}

std::string CutElement(CutText& source, std::string_view name) {
  std::string value;
  CutElement(source, OpenTag(name), CloseTag(name), value);
  return value;
}

}  // namespace quarlolink::internal
