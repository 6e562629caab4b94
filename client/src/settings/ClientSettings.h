#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kokit {
class IniItems;
}

namespace quarlolink::settings {

// Name of the library's settings set in the persistent store.
inline constexpr const char* kSettingsSetName = "Quarlo2";

// The library's settings, one set per process: built with their defaults and loaded from the
// store on first use (before the first object of the library reads any of them).
kokit::IniItems& Settings();

// Writes the settings that changed; a failure leaves the values in memory and is not reported.
void Save();

// A setting's value by name, as text, flag or number.
std::string Text(const std::string& name);
bool Flag(const std::string& name);
int32_t Number(const std::string& name);

// The most one answer may have, in bytes: the setting "MaxAnswerMB" (MiB, at least 1).
std::size_t MaxAnswerBytes();

}  // namespace quarlolink::settings
