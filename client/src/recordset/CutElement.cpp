#include "recordset/CutElement.h"

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

std::string CutElement(std::string& source, std::string_view name) {
  std::string open;
  open.reserve(name.size() + 3);
  open.append("<").append(name).append(">");
  std::string close = "</";
  close.append(name).append(">");
  std::string value;
  CutElement(source, open, close, value);
  return value;
}

}  // namespace quarlolink::internal
