#include "kokit/KoToolsApp.h"
#include "text/Utf8.h"

namespace kokit {

namespace {

// The tagged-text search over byte positions. `skip` gives how far past the begin marker the
// end search starts: one character for text, one byte for byte strings. The skip is what keeps
// an element with empty content from being found.
template <typename Skip>
std::string CutTagged(std::string& source, const std::string& begin, const std::string& end,
                      bool isCut, Skip skip) {
  try {
    const size_t b = source.find(begin);
    if (b == std::string::npos) return "";
    const size_t contentStart = b + begin.size();
    size_t e;
    if (end.empty()) {
      e = source.size();
    } else {
      const size_t from =
          contentStart + (contentStart < source.size() ? skip(source, contentStart) : 1);
      e = from > source.size() ? std::string::npos : source.find(end, from);
      if (e == std::string::npos) return "";
    }
    if (e <= b) return "";  // an empty source with an empty begin marker
    std::string result = source.substr(contentStart, e - contentStart);
    if (isCut) source = source.substr(0, b) + source.substr(e + end.size());
    return result;
  } catch (...) {
    return "";
  }
}

}  // namespace

std::string KoToolsApp::GetStr(std::string& sourceStr, const std::string& strBegin,
                               const std::string& strEnd, bool isCut) const {
  return CutTagged(sourceStr, strBegin, strEnd, isCut,
                   [](const std::string& s, size_t pos) { return detail::Utf8CharLength(s, pos); });
}

std::string KoToolsApp::GetStrB(std::string& sourceStr, const std::string& strBegin,
                                const std::string& strEnd, bool isCut) const {
  return CutTagged(sourceStr, strBegin, strEnd, isCut,
                   [](const std::string&, size_t) -> size_t { return 1; });
}

}  // namespace kokit
