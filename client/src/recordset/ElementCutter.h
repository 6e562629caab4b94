#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarlolink::internal {

// Reads the elements of one name from a text exactly as repeated ReadTag calls would (each
// element found is cut out, so the next call finds the next one), but in time linear in the
// text: instead of erasing from the front it keeps a position and the little text that lies
// between elements. Inner texts are views into `text`, which must outlive the cutter.
class ElementCutter {
 public:
  ElementCutter(std::string_view text, std::string_view name);
  ElementCutter(const ElementCutter&) = delete;  // the searchers point into open_ and close_
  ElementCutter& operator=(const ElementCutter&) = delete;

  // The next element's inner text, or nothing when ReadTag would give the empty text without
  // cutting (no opening tag, or no closing tag after it).
  std::optional<std::string_view> Next();

 private:
  // Skips through rows full of column tags far faster than a first-character scan.
  using Searcher = std::boyer_moore_horspool_searcher<std::string::const_iterator>;
  std::size_t Find(const Searcher& searcher, std::size_t from) const;

  std::string_view text_;
  std::string open_;
  std::string close_;
  Searcher openSearch_;
  Searcher closeSearch_;
  std::size_t rest_ = 0;  // text_[rest_..] is the uncut remainder
  std::string kept_;      // what is left of text_[0..rest_) after the cuts
};

}  // namespace quarlolink::internal
