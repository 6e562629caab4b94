#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kokit {
class IniItems;
}

namespace quarlolink::settings {

// The library's version (the project's, set in CMake), also the value of the setting "Version".
const char* Version();

// Keys the enciphered setting "EncKey" in the store; it must stay the same between versions that
// share stored settings.
inline constexpr std::string_view kSettingsKey = "q7L#Harbor.Lantern/Quarlo2~k9Vw3";
static_assert(kSettingsKey.size() == 32);

// Where the settings set's values live below HKEY_LOCAL_MACHINE.
inline constexpr const char* kValuesPath =
    "Software\\Tarnwick Studio Applications\\Quarlo2\\IniItems";

// Default folders: logs below $XDG_STATE_HOME/quarlo, temporary files in
// $XDG_CACHE_HOME/quarlo/tmp.
std::string LogFolder();
std::string TempFolder();

// The cap on one answer, in MiB: twice what quarlopages sends at most (64 MiB), so its answers
// always fit, while a site gone wrong cannot make the library take all memory.
inline constexpr int32_t kDefaultMaxAnswerMB = 128;

// The thirteen settings with their defaults, in their order.
std::unique_ptr<kokit::IniItems> BuildDefaults();

// BuildDefaults, loaded from the store (missing settings written), first-start folders made.
std::unique_ptr<kokit::IniItems> LoadSettings();

}  // namespace quarlolink::settings
