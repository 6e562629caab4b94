#pragma once

#include <string>
#include <string_view>

namespace kokit::detail {

// Replaces every occurrence of `from`, left to right and without overlap (so one pass turns
// "000" into "00" when "00" becomes "0"). `from` must not be empty.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to);

}  // namespace kokit::detail
