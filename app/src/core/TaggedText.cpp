#include "core/TaggedText.h"

#include "kokit/KoToolsApp.h"

namespace quarlodesk {

std::string ReadTag(std::string& source, const std::string& tag) {
  kokit::KoToolsApp tools;
  return tools.GetStr(source, "<" + tag + ">", "</" + tag + ">", true);
}

std::string PeekTag(const std::string& source, const std::string& tag) {
  std::string copy = source;
  return ReadTag(copy, tag);
}

bool WriteTag(const std::string& tag, const std::string& value, std::string& xml) {
  try {
    if (ReadTag(xml, tag).empty()) {
      const std::string empty = "<" + tag + "></" + tag + ">";
      for (size_t at; (at = xml.find(empty)) != std::string::npos;) xml.erase(at, empty.size());
    }
    xml += "<" + tag + ">" + value + "</" + tag + ">";
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace quarlodesk
