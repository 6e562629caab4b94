#pragma once

#include <cstdint>
#include <string>

namespace kokit {
class ErrString;
}

namespace quarlolink {

// Texts the status rule puts in for the facade's two codes.
inline constexpr const char* kBusyText = "当前状态不能执行 GetHead 或 GetText!";
inline constexpr const char* kTimedOutText = "运行超时!";

// The inner text of the first <name>...</name> in `source`, cutting the whole element out of
// it; "" (source unchanged) when the element is missing. An element with empty content is not
// seen as such: the search for its close tag runs on to a later one.
std::string ReadTag(std::string& source, const std::string& name);

// Every byte of the legacy code page form as "%" and two uppercase hexadecimal digits.
std::string PercentEncode(const std::string& text);

// The transport encipherment: the text's 16-bit codes in hexadecimal, each followed by ";",
// enciphered with the printable-character cipher under `key` with a random key head.
std::string EncipherText(const std::string& text, const std::string& key);

// The number the text reads as, rounded half to even to a 32-bit integer; 0 for text that is not
// a number. Throws kokit::Error (ERANGE) for a number outside the 32-bit range.
int32_t ToLongOrZero(const std::string& text);

// Joins a database path to the server page's folder ("\" paths, as the server writes them),
// resolving "..\" and ".\"; "" when the path climbs above the drive.
std::string JoinServerPath(const std::string& folder, const std::string& path);

// The status rule of every error-event handler of the library: turns the reporter's state into
// the owner's status pair, and logs run-time errors.
void ApplyErrorStatus(kokit::ErrString& reporter, int32_t& status, std::string& text);

}  // namespace quarlolink
