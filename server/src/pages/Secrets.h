#pragma once

#include <string>
#include <string_view>

// Random session ids and issued keys from the kernel's generator, and a comparison whose time
// does not depend on where two texts differ.
namespace quarlopages {

// 128 random bits as 32 lowercase hexadecimal digits.
std::string NewSessionId();

// `length` random printable ASCII characters (33..126) without "<", ">" and "&", so the key can
// travel inside an answer element unchanged.
std::string NewIssuedKey(size_t length = 24);

bool ConstantTimeEquals(std::string_view a, std::string_view b);

}  // namespace quarlopages
