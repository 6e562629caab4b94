#pragma once

#include <optional>
#include <string>
#include <string_view>

// The transport encipherment of texts that must not travel in the clear (the key check and the
// connection string): each UTF-16 code unit written as hexadecimal and ";", the whole enciphered
// with the printable-character cipher under a key and a random key head.
namespace quarlopages {

// "A中" gives "41;4E2D;"; units from 0x8000 up are written as the signed 16-bit value widened to
// 32 bits ("FFFF8BF7;").
std::string ToWapHex(std::string_view utf8);

// The reverse of ToWapHex; nothing when the text is not in that form.
std::optional<std::string> FromWapHex(std::string_view text);

// What the client sends: ToWapHex, then the printable cipher with a random key head.
std::string EncipherText(std::string_view utf8, const std::string& key);

// What the pages read back; nothing when the text does not decipher into the hexadecimal form.
std::optional<std::string> DecipherText(std::string_view enciphered, const std::string& key);

}  // namespace quarlopages
