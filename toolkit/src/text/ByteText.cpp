#include <cerrno>

#include "kokit/Codepage.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"
#include "text/LegacyText.h"

namespace kokit {

namespace {

using detail::LegacyText;

// Byte counts come from callers as 32-bit numbers; a negative one is a caller's mistake.
size_t Count(int32_t n, const char* what) {
  if (n < 0) throw Error(EINVAL, std::string(what) + " must not be negative");
  return static_cast<size_t>(n);
}

std::string Left(const LegacyText& text, size_t n) { return text.Slice(0, n); }
std::string Right(const LegacyText& text, size_t n) {
  return text.Slice(n >= text.Size() ? 0 : text.Size() - n, text.Size());
}

// n / 2 rounded to the nearest whole number, halves to even.
int64_t HalfToEven(int64_t n) {
  if (n % 2 == 0) return n / 2;
  const int64_t below = (n - 1) / 2;  // n odd: exact floor for either sign
  return below % 2 == 0 ? below : below + 1;
}

}  // namespace

int32_t KoToolsApp::LenA(const std::string& strData) const {
  return static_cast<int32_t>(ToLegacy(strData).size());
}

std::string KoToolsApp::LeftA(const std::string& strData, int32_t lngLength) const {
  const size_t n = Count(lngLength, "LeftA length");
  return Left(LegacyText(strData), n);
}

std::string KoToolsApp::RightA(const std::string& strData, int32_t lngLength) const {
  const size_t n = Count(lngLength, "RightA length");
  return Right(LegacyText(strData), n);
}

std::string KoToolsApp::MidA(const std::string& strData, int32_t lngStart,
                             int32_t lngLength) const {
  if (lngStart < 1) throw Error(EINVAL, "MidA start must be 1 or more");
  const size_t length = Count(lngLength, "MidA length");
  const LegacyText text(strData);
  const size_t start = static_cast<size_t>(lngStart) - 1;
  return text.Slice(start, length == 0 || length > text.Size() ? text.Size() : start + length);
}

std::string KoToolsApp::InStrA(const std::string& strSourse, const std::string& strCompare) const {
  const LegacyText source(strSourse);
  if (source.Size() == 0) return "0";
  const std::string wanted = ToLegacy(strCompare);
  // Only a match that starts on a character counts: in GBK the second byte of 丂 is "@".
  for (size_t pos = source.Bytes().find(wanted); pos != std::string::npos;
       pos = source.Bytes().find(wanted, pos + 1)) {
    if (source.IsCharStart(pos)) return std::to_string(pos + 1);
  }
  return "0";
}

std::string KoToolsApp::StrAlign(const std::string& strData, int32_t intLen,
                                 int32_t intStyle) const {
  const size_t width = Count(intLen, "StrAlign width");
  const std::string blanks(width, ' ');
  switch (intStyle) {
    case 1:
      return Right(LegacyText(blanks + strData), width);
    case 2: {
      const int64_t lead =
          HalfToEven(static_cast<int64_t>(width) - static_cast<int64_t>(LenA(strData)));
      // Only a text one byte too wide fits by rounding; anything wider cannot be centred.
      if (lead < 0) throw Error(EINVAL, "StrAlign: text is wider than the field");
      return Left(LegacyText(std::string(static_cast<size_t>(lead), ' ') + strData + blanks),
                  width);
    }
    default:
      return Left(LegacyText(strData + blanks), width);
  }
}

}  // namespace kokit
