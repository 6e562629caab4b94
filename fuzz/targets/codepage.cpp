// The code page conversions: any bytes in, valid UTF-8 out; text the code page can hold
// survives the round trip.

#include "kokit/Codepage.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kPages[] = {"GBK", "UTF-8", "BIG5", "SHIFT_JIS", "CP1252", "GB18030"};
  quarlofuzz::FuzzInput in(data, size);
  const char* page = kPages[in.Byte() % std::size(kPages)];
  if (kokit::LegacyCodepage() != page) kokit::SetLegacyCodepage(page);
  std::string bytes = in.Rest();

  std::string utf8 = kokit::FromLegacy(bytes);
  quarlofuzz::Check(quarlofuzz::IsUtf8(utf8), "FromLegacy gave invalid UTF-8");
  std::string legacy = kokit::ToLegacy(utf8);
  // What came back from the code page goes there again unchanged (apart from "?" stand-ins).
  quarlofuzz::Check(kokit::FromLegacy(legacy) == utf8 || utf8.find('?') != std::string::npos ||
                        legacy.find('?') != std::string::npos,
                    "code page round trip changed the text");
  std::string back = kokit::FromLegacy(kokit::ToLegacy(bytes));
  quarlofuzz::Check(quarlofuzz::IsUtf8(back),
                    "ToLegacy of raw bytes gave bytes that do not read back");
  return 0;
}
