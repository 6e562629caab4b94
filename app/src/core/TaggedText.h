#pragma once

#include <string>

namespace quarlodesk {

// Tagged text: "<Tag>value</Tag>" elements, no escaping. An element with empty content is never
// found (the end tag is looked for from the second character of the value on).

// The value of the first element with non-empty content, cut with its tags out of `source`;
// "" when there is none.
std::string ReadTag(std::string& source, const std::string& tag);

// ReadTag on a copy: `source` stays as it is.
std::string PeekTag(const std::string& source, const std::string& tag);

// Removes the element (and, when it had no content, every empty one) and appends
// "<Tag>value</Tag>" at the end of `xml`.
bool WriteTag(const std::string& tag, const std::string& value, std::string& xml);

}  // namespace quarlodesk
