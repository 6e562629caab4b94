// Query files and typed input of the command-line program: decoding from any encoding and
// cutting into statements never crash, and every span lies inside the text, in order.

#include "input/Script.h"
#include "FuzzInput.h"
#include "input/Decode.h"

using namespace quarlocli;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kEncodings[] = {"UTF-8", "GBK", "UTF-16LE", "LATIN1"};
  quarlofuzz::FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  std::string bytes = in.Rest();

  std::string text;
  try {
    text = DecodeToUtf8(bytes, kEncodings[flags % std::size(kEncodings)]);
    quarlofuzz::Check(IsValidUtf8(text), "decoded text is not UTF-8");
  } catch (const DecodeError&) {
    text = bytes;
  }

  size_t at = 0;
  for (const SqlSpan& span : ScanSql(text)) {
    quarlofuzz::Check(span.begin == at && span.end >= span.begin && span.end <= text.size(),
                      "spans do not tile the text");
    at = span.end;
  }
  (void)quarlosql::CountStatements(text);
  const SplitMode mode = static_cast<SplitMode>((flags >> 2) % 4);
  for (const std::string& batch : SplitScript(text, mode)) (void)PrepareStatement(batch);
  (void)IsStatementComplete(text, mode);
  return 0;
}
