// What quarlopages reads from a request target: the query string and its percent escapes, and
// the enciphered texts (key check, connection string) inside it.
#include <stdexcept>

#include "FuzzInput.h"
#include "QueryString.h"
#include "Transport.h"

using namespace quarlopages;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarlofuzz::FuzzInput in(data, size);
  std::string key = in.Text();
  std::string target = in.Rest();

  try {
    QueryString q = QueryString::Parse(target);
    for (const char* name :
         {"Opt", "EncKey", "ConnectionString", "SQL", "MoveRows", "RowsPerComm"}) {
      if (auto v = q.Get(name)) {
        if (auto plain = DecipherText(*v, key)) {
          quarlofuzz::Check(quarlofuzz::IsUtf8(*plain), "deciphered text is not UTF-8");
        }
      }
    }
  } catch (const std::invalid_argument&) {
  }

  if (auto bytes = PercentDecode(target)) {
    quarlofuzz::Check(PercentDecode(PercentEncodeBytes(*bytes)) == bytes,
                      "percent encoding does not round-trip");
  }
  if (auto text = FromWapHex(target)) {
    quarlofuzz::Check(quarlofuzz::IsUtf8(*text), "FromWapHex gave invalid UTF-8");
  }
  // Any UTF-8 text travels enciphered and comes back as it was, under a key of printable ASCII
  // (the configured key and the issued keys are).
  bool printableKey = true;
  for (unsigned char c : key) printableKey = printableKey && c >= 32 && c <= 126;
  if (printableKey && quarlofuzz::IsUtf8(target)) {
    auto back = DecipherText(EncipherText(target, key), key);
    quarlofuzz::Check(back.has_value(), "enciphered text does not decipher");
    quarlofuzz::Check(*back == target || target.find('\0') != std::string::npos,
                      "enciphered text deciphers to something else");
  }
  return 0;
}
