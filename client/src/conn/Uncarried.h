#pragma once

#include <string>

namespace quarlolink::internal {

// The refusal of a statement that the legacy code page cannot carry whole: it names the first
// character that would reach the database as "?" (or a byte that is not UTF-8). "" when every
// character travels.
std::string UncarriedRefusal(const std::string& sql);

}  // namespace quarlolink::internal
