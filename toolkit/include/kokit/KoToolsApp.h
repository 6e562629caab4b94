#pragma once

#include <cstdint>
#include <string>

#include "kokit/Currency.h"
#include "kokit/DateTime.h"
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

  // --- Text conversions and string utilities. None of these touches the status pair; unless
  // a member says otherwise, a failure is thrown as kokit::Error.

  // Tagged text: the text between the first `strBegin` and the next `strEnd` (the rest of the
  // text when `strEnd` is ""). The end marker is looked for from the second character after the
  // begin marker, so an element with empty content is never found. With `isCut` the markers
  // and the result are removed from `sourceStr`. "" when nothing is found or on any failure.
  std::string GetStr(std::string& sourceStr, const std::string& strBegin,
                     const std::string& strEnd = "", bool isCut = true) const;
  // The same over raw bytes (the end search starts one byte after the begin marker), for data
  // held as byte strings.
  std::string GetStrB(std::string& sourceStr, const std::string& strBegin,
                      const std::string& strEnd = "", bool isCut = true) const;

  // Path, title, extension or drive of a file name (xpFilePart); "/" and "\" both separate
  // folders. "Error" for an unknown part.
  std::string GetFilePart(const std::string& fileName,
                          int32_t filePart = xpFilePart_FileTitle) const;
  // Creates a folder and every missing folder above it: "OK", or why it could not.
  std::string KoMkDir(const std::string& path) const;

  // Byte-counted text over the legacy code page. A cut through a double-byte character leaves
  // "?" for the broken piece.
  int32_t LenA(const std::string& strData) const;
  std::string LeftA(const std::string& strData, int32_t lngLength) const;
  std::string RightA(const std::string& strData, int32_t lngLength) const;
  // `lngLength` bytes from byte `lngStart` (1-based); 0 means to the end.
  std::string MidA(const std::string& strData, int32_t lngStart, int32_t lngLength = 0) const;
  // Byte position (1-based) of `strCompare` as decimal text, "0" when absent.
  std::string InStrA(const std::string& strSourse, const std::string& strCompare) const;
  // `strData` in a field exactly `intLen` bytes wide: 1 right, 2 centred, anything else left.
  std::string StrAlign(const std::string& strData, int32_t intLen, int32_t intStyle = 0) const;

  // The text's code page bytes as uppercase hexadecimal, and back ("" when not hexadecimal).
  std::string UnicodeStrToHexStr(const std::string& unicodeString) const;
  std::string HexStrToUniCodeStr(const std::string& hexString) const;
  // "&#x" code ";" for each 16-bit code unit, the code taken as signed (U+8000 and up give
  // eight digits beginning FFFF).
  std::string UnicodeStrToWapStr(const std::string& strInput) const;
  // HTML escaping and unescaping (xpChangeHTML); an unknown option leaves the text unchanged.
  std::string ChangeHTML(const std::string& strInput,
                         int32_t lngOpt = xpChangeHTML_DisableHTML) const;

  // A uniformly drawn integer from `beginNum` to `endNum` inclusive (bounds in either order).
  int32_t GetRandNum(int32_t beginNum, int32_t endNum) const;
  // `strLen` random draws of the kind `memberType` (xpGetRandString).
  std::string GetRandString(int32_t strLen, int32_t memberType = xpGetRandString_DisplayChar) const;

  // The machine's network name and the user's login name; "" on failure.
  std::string GetComputerName() const;
  std::string GetUserName() const;
  // The library's title and major.minor version, for example "kokit 4.5".
  std::string Version() const;
  // Appends the current time and `optString` as two CR LF lines (code page text) to
  // `logFileName`. Throws kokit::Error when the file cannot be written.
  void OptLogInf(const std::string& optString, const std::string& logFileName = "") const;
  // Waits `ms` milliseconds on a monotonic clock, sleeping about 10 ms at a time and running
  // the event pump (kokit/EventPump.h) between sleeps.
  void Delay(double ms) const;

  // --- Chinese amounts and weekday names.

  // The amount in Chinese words with 元角分厘毫, in financial numerals (壹贰叁) or ordinary
  // ones (一二三). "Error" for a negative amount.
  std::string ChnCurrency(Currency money, bool isUCase = true) const;
  // The weekday's Chinese name: "日" .. "六", with "星期" in front when `isFullName`.
  // Throws kokit::Error for a date that does not exist.
  std::string ChnWeekName(const DateTime& dteDate, bool isFullName = true) const;

 private:
  void SetStatus(int32_t status, const std::string& text, std::string* optString);

  int32_t optStatus_ = 0;
  std::string optString_ = "OK";
};

}  // namespace kokit
