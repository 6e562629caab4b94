#include "recordset/ElementCutter.h"

#include <algorithm>

namespace quarlolink::internal {

ElementCutter::ElementCutter(std::string_view text, std::string_view name)
    : text_(text), open_("<" + std::string(name) + ">"), close_("</" + std::string(name) + ">") {}

std::optional<std::string_view> ElementCutter::Next() {
  // The source ReadTag would see is kept_ + text_[rest_..]. kept_ holds no whole opening tag
  // (it lies before the previous find), so an opening tag can begin in kept_ only within its
  // last open_.size() - 1 characters, reaching across into the remainder.
  const std::size_t tailLen = std::min(kept_.size(), open_.size() - 1);
  std::optional<std::size_t> inKept;  // start of the opening tag within kept_
  if (tailLen > 0) {
    std::string seam = kept_.substr(kept_.size() - tailLen);
    seam.append(text_.substr(rest_, open_.size() - 1));
    std::size_t j = seam.find(open_);
    if (j != std::string::npos && j < tailLen) inKept = kept_.size() - tailLen + j;
  }

  std::size_t openEnd;  // position in text_ just after the opening tag
  std::size_t found = std::string_view::npos;
  if (inKept) {
    openEnd = rest_ + (*inKept + open_.size() - kept_.size());
  } else {
    found = text_.find(open_, rest_);
    if (found == std::string_view::npos) return std::nullopt;
    openEnd = found + open_.size();
  }

  // The closing tag must begin at least one character after the opening tag.
  if (openEnd + 1 > text_.size()) return std::nullopt;
  std::size_t closeAt = text_.find(close_, openEnd + 1);
  if (closeAt == std::string_view::npos) return std::nullopt;

  if (inKept) {
    kept_.resize(*inKept);
  } else {
    kept_.append(text_.substr(rest_, found - rest_));
  }
  rest_ = closeAt + close_.size();
  return text_.substr(openEnd, closeAt - openEnd);
}

}  // namespace quarlolink::internal
