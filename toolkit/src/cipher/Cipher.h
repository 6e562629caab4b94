#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kokit::detail {

// The printable-character cipher: printable ASCII in and out. "" on any failure.
std::string EncCharStr(std::string_view source, std::string_view key, int32_t mode);

// The byte cipher over the legacy code page: any text in, uppercase hexadecimal out.
std::string EncUnicodeStr(std::string_view source, std::string_view key, int32_t mode);

// Bytes as uppercase hexadecimal, two digits a byte.
std::string BytesToHex(std::string_view bytes);

// Hexadecimal text to bytes, a pair a byte and a lone last digit a byte of its own; nothing
// when any character is not a hexadecimal digit.
std::optional<std::string> HexToBytes(std::string_view hex);

}  // namespace kokit::detail
