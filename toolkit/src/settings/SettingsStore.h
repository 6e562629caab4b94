#pragma once

#include <cstdint>
#include <string>

namespace kokit {
class IniItems;
}

namespace kokit::detail {

// Result of a load or save: 0, -1 with the status text, or an error number with its text.
struct SettingsOutcome {
  int32_t result = 0;
  std::string status;
};

// Where a settings set lives: root, master key of the enciphered types, and base key ("" for
// "Software\Tarnwick Studio Applications").
struct SettingsPlace {
  uint32_t root = 0;
  std::string masterKey;
  std::string baseKey;
};

SettingsOutcome LoadSettings(const SettingsPlace& place, const std::string& appName,
                             IniItems& items, const std::string& encKey, bool writeMissing);

SettingsOutcome SaveSettings(const SettingsPlace& place, const std::string& appName,
                             IniItems& items, const std::string& encKey);

// The library's own 176-character master key.
const std::string& LibraryMasterKey();

}  // namespace kokit::detail
