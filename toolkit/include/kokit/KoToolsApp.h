#pragma once

#include <cstdint>
#include <string>

#include "kokit/Enums.h"

namespace kokit {

// The toolkit's general-purpose object. Registry and settings operations report through
// OptStatus()/OptString(); every other member leaves them alone.
class KoToolsApp {
 public:
  // Status of the latest registry or settings operation.
  int32_t OptStatus() const { return optStatus_; }
  const std::string& OptString() const { return optString_; }

  // --- Persistent store (the registry). Each sets OptString() and OptStatus(); `optString`,
  // when given, receives the status text as well. Reads give 0 / -1, writes 0 or an error number.
  std::string GetRegString(xpRegRoot hKey, const std::string& path, const std::string& valueName,
                           std::string* optString = nullptr);
  int32_t GetRegDWord(xpRegRoot hKey, const std::string& path, const std::string& valueName,
                      std::string* optString = nullptr);
  int32_t SaveRegString(xpRegRoot hKey, const std::string& path, const std::string& valueName,
                        const std::string& sData, std::string* optString = nullptr);
  int32_t SaveRegDWord(xpRegRoot hKey, const std::string& path, const std::string& valueName,
                       int32_t lData, std::string* optString = nullptr);
  int32_t SaveRegKey(xpRegRoot hKey, const std::string& path, std::string* optString = nullptr);
  int32_t DelRegKey(xpRegRoot hKey, const std::string& key, std::string* optString = nullptr);
  int32_t DelRegValue(xpRegRoot hKey, const std::string& path, const std::string& valueName,
                      std::string* optString = nullptr);

  // --- Ciphers. "" on any failure; the status pair is not touched.
  std::string EncCharStr(const std::string& strSourse, const std::string& strEncKey,
                         int32_t lngOpt) const;
  std::string EncUnicodeStr(const std::string& strSourse, const std::string& strEncKey,
                            int32_t lngOpt) const;

  // --- Settings store.
  // `IniItems` is declared in kokit/IniItems.h, which callers include to build the collection.
  //
  // Loads the settings set `AppName` from HKEY_LOCAL_MACHINE: each stored setting replaces the
  // item's value (and description), each missing one is written from the item's default. Every
  // item handled is left clean. `EncKey` keys the enciphered types. Returns 0, -1 with the
  // status text, or an unexpected error's number with its text; OptStatus()/OptString() and
  // `OptString`, when given, receive them.
  int32_t LoadIniItems(const std::string& AppName, class IniItems& oIniItems,
                       const std::string& EncKey = "", std::string* OptString = nullptr);
  // Writes the dirty items (they stay dirty). Status as LoadIniItems; "" when nothing was
  // written.
  int32_t SaveIniItems(const std::string& AppName, IniItems& oIniItems,
                       const std::string& EncKey = "");

  // The same two routines at another place: `root`, the master key the enciphered types' key is
  // derived under, and a base key ("" for "Software\Tarnwick Studio Applications"). With
  // `writeMissing` false a missing setting stops the load with -1. The desktop program keeps its
  // per-user settings with these (HKEY_CURRENT_USER and its own key).
  int32_t LoadIniItemsAt(xpRegRoot root, const std::string& masterKey, const std::string& AppName,
                         IniItems& oIniItems, const std::string& EncKey, std::string* OptString,
                         bool writeMissing, const std::string& baseKey = "");
  int32_t SaveIniItemsAt(xpRegRoot root, const std::string& masterKey, const std::string& AppName,
                         IniItems& oIniItems, const std::string& EncKey,
                         std::string* OptString = nullptr, const std::string& baseKey = "");

  // --- Text conversions and string utilities.

  // --- Chinese amounts and weekday names.

 private:
  void SetStatus(int32_t status, const std::string& text, std::string* optString);

  int32_t optStatus_ = 0;
  std::string optString_ = "OK";
};

}  // namespace kokit
