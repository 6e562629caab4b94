// The hexadecimal decoder and both ciphers in every mode, on text from outside: no crash, and
// enciphering then deciphering gives the text back where the cipher's contract allows.

#include "cipher/Cipher.h"
#include "FuzzInput.h"
#include "kokit/Codepage.h"

using kokit::detail::BytesToHex;
using kokit::detail::EncCharStr;
using kokit::detail::EncUnicodeStr;
using kokit::detail::HexToBytes;

namespace {

// The cipher works modulo 94 from 32, so "~" (126) comes back as a blank: 32..125 round-trip.
bool InCipherRange(std::string_view s, unsigned char top) {
  for (unsigned char c : s)
    if (c < 32 || c > top) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarlofuzz::FuzzInput in(data, size);
  const int32_t mode = static_cast<int32_t>(in.Byte() % 5) - 1;  // -1 .. 3, out-of-range too
  std::string key = in.Text();
  std::string text = in.Rest();

  if (auto bytes = HexToBytes(text)) {
    quarlofuzz::Check(bytes->size() == (text.size() + 1) / 2, "HexToBytes length");
    quarlofuzz::Check(text.size() % 2 || BytesToHex(*bytes).size() == text.size(),
                      "hex round trip length");
  }

  (void)EncCharStr(text, key, mode);
  (void)EncUnicodeStr(text, key, mode);

  // Printable ASCII under a printable key: deciphering what was enciphered gives it back.
  if (InCipherRange(text, 125) && InCipherRange(key, 126)) {
    std::string headed = EncCharStr(text, key, 0);
    quarlofuzz::Check(EncCharStr(headed, key, 1) == text, "char cipher round trip (head)");
    std::string plain = EncCharStr(text, key, 2);
    quarlofuzz::Check(EncCharStr(plain, key, 3) == text, "char cipher round trip");
  }
  // The byte cipher holds any text the code page can hold.
  std::string legacyText = kokit::FromLegacy(kokit::ToLegacy(text));
  if (legacyText.find('?') == std::string::npos) {
    std::string hex = EncUnicodeStr(legacyText, key, 0);
    quarlofuzz::Check(EncUnicodeStr(hex, key, 1) == legacyText, "byte cipher round trip");
  }
  return 0;
}
