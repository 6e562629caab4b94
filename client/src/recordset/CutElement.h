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

}  // namespace quarlolink::internal
