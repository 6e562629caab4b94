#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quarlocli {

class DecodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Converts text in `encoding` (any iconv name) to UTF-8, refusing rather than guessing: a byte
// sequence that is not a character of the encoding throws DecodeError naming its offset, and so
// does an encoding iconv does not know. A leading UTF-8 byte-order mark is dropped. The legacy
// code page is read through kokit, exactly as the desktop program reads query files.
std::string DecodeToUtf8(std::string_view bytes, const std::string& encoding);

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace quarlocli
