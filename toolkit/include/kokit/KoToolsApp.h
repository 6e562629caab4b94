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

  // --- Text conversions and string utilities.

  // --- Chinese amounts and weekday names.

 private:
  void SetStatus(int32_t status, const std::string& text, std::string* optString);

  int32_t optStatus_ = 0;
  std::string optString_ = "OK";
};

}  // namespace kokit
