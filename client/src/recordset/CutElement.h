#pragma once

#include <string>
#include <string_view>

namespace quarlolink::internal {

// ReadTag in place, for the recordset's hot paths: the inner text of the first element with
// the given opening and closing tags goes to `value` and the element is erased from `source`
// without reallocating it. false (source and value untouched) when ReadTag would give the empty
// text without cutting. The close is looked for from one byte after the opening tag, which in
// UTF-8 text is where ReadTag's one-character skip lands for every possible closing tag.
bool CutElement(std::string& source, std::string_view open, std::string_view close,
                std::string& value);

// The same, returning the inner text ("" when not found).
std::string CutElement(std::string& source, std::string_view name);

// A text that elements are cut from, held as text[start..]. A cut near the front moves the few
// characters before the element instead of everything after it, so reading the elements of an
// answer or a row from the front costs no more than the elements themselves.
struct CutText {
  std::string text;
  std::size_t start = 0;

  std::string_view View() const { return std::string_view(text).substr(start); }
  void Assign(std::string_view source) {
    text.assign(source);
    start = 0;
  }
};

bool CutElement(CutText& source, std::string_view open, std::string_view close, std::string& value);
std::string CutElement(CutText& source, std::string_view name);

}  // namespace quarlolink::internal
