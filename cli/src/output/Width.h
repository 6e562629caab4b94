#pragma once

#include <string_view>

namespace quarlocli {

// Columns a UTF-8 text takes on a terminal: East Asian wide and fullwidth characters count two,
// combining marks and other zero-width characters none, everything else one (a byte that is not
// UTF-8 counts one as well).
size_t DisplayWidth(std::string_view utf8);

}  // namespace quarlocli
