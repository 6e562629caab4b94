#include "text/ReplaceAll.h"

namespace kokit::detail {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(text, pos, hit - pos);
    out.append(to);
  }
  out.append(text, pos, std::string::npos);
  text = std::move(out);
}

}  // namespace kokit::detail
