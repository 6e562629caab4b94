#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kokit/IniItem.h"

namespace kokit::detail {

// A setting as the store holds it: a 32-bit number (number and boolean types) or a string.
struct StoredValue {
  bool isNumber = false;
  int32_t number = 0;
  std::string text;
};

// True for the types kept as 32-bit numbers.
bool StoredAsNumber(int32_t dataType);

// Checks a value against its data type and gives its stored form; nothing when the value has
// the wrong kind (or the type is unknown). Throws kokit::Error(ERANGE) for a number outside the
// 32-bit range. `key` is the derived key of the enciphered types.
std::optional<StoredValue> ToStored(int32_t dataType, const IniValue& value,
                                    const std::string& key);

// The value a stored form reads back as; nothing when it does not convert (a date that does
// not parse, an unknown type).
std::optional<IniValue> FromStored(int32_t dataType, const StoredValue& stored,
                                   const std::string& key);

}  // namespace kokit::detail
