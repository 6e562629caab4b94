#include "recordset/ElementCutter.h"

#include <algorithm>

namespace quarlolink::internal {

ElementCutter::ElementCutter(std::string_view text, std::string_view name)
    : text_(text),
      open_("<" + std::string(name) + ">"),
      close_("</" + std::string(name) + ">"),
      openSearch_(open_.begin(), open_.end()),
      closeSearch_(close_.begin(), close_.end()) {}

std::size_t ElementCutter::Find(const Searcher& searcher, std::size_t from) const {
  if (from > text_.size()) return std::string_view::npos;
  auto hit = searcher(text_.begin() + static_cast<std::ptrdiff_t>(from), text_.end()).first;
  return hit == text_.end() ? std::string_view::npos
                            : static_cast<std::size_t>(hit - text_.begin());
}

std::optional<std::string_view> ElementCutter::Next() {
  // The source ReadTag would see is kept_ + text_[rest_..]. kept_ holds no whole opening tag
  // (it lies before the previous find), so an opening tag can begin in kept_ only within its
  // last open_.size() - 1 characters, reaching across into the remainder.
  const std::size_t tailLen = std::min(kept_.size(), open_.size() - 1);
  std::optional<std::size_t> inKept;  // start of the opening tag within kept_
  const std::string_view rest = text_.substr(rest_);
  const std::string_view open = open_;
  for (std::size_t k = tailLen; k > 0 && !inKept; --k) {  // longest reach = earliest start
    if (kept_.compare(kept_.size() - k, k, open_, 0, k) == 0 && rest.starts_with(open.substr(k))) {
      inKept = kept_.size() - k;
    }
  }

  std::size_t openEnd;  // position in text_ just after the opening tag
  std::size_t found = std::string_view::npos;
  if (inKept) {
    openEnd = rest_ + (*inKept + open_.size() - kept_.size());
  } else {
    found = Find(openSearch_, rest_);
    if (found == std::string_view::npos) return std::nullopt;
    openEnd = found + open_.size();
  }

  // The closing tag must begin at least one character after the opening tag.
  if (openEnd + 1 > text_.size()) return std::nullopt;
  std::size_t closeAt = Find(closeSearch_, openEnd + 1);
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
