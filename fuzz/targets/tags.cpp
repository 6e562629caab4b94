// Tag reading of answers: the toolkit's GetStr/GetStrB, the library's ReadTag, and the two fast
// readers the recordset uses instead of ReadTag, which must cut exactly what ReadTag cuts.
#include <optional>

#include "FuzzInput.h"
#include "kokit/KoToolsApp.h"
#include "recordset/CutElement.h"
#include "recordset/ElementCutter.h"
#include "routines/Routines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarlofuzz::FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  std::string name = in.Text();
  std::string end = in.Text();
  const std::string source = in.Rest();
  if (name.size() > 64) name.resize(64);  // element names are short; keeps runs fast

  static kokit::KoToolsApp app;
  std::string s1 = source;
  std::string begin = "<" + name + ">";
  app.GetStr(s1, begin, (flags & 1) ? end : "</" + name + ">", (flags & 2) != 0);
  std::string s2 = source;
  app.GetStrB(s2, begin, end, (flags & 4) != 0);

  // Repeated ReadTag, CutElement and ElementCutter agree element by element on UTF-8 text
  // (answers are converted to UTF-8 before they are read).
  const bool compare = quarlofuzz::IsUtf8(source) && quarlofuzz::IsUtf8(name);
  std::string byRead = source;
  std::string byCut = source;
  quarlolink::internal::ElementCutter cutter(source, name);
  for (int i = 0; i < 64; ++i) {
    std::string before = byRead;
    std::string value = quarlolink::ReadTag(byRead, name);
    bool found = byRead != before || !value.empty();
    std::string cutValue = quarlolink::internal::CutElement(byCut, name);
    std::optional<std::string_view> next = cutter.Next();
    if (compare) {
      quarlofuzz::Check(cutValue == value, "CutElement value differs from ReadTag");
      quarlofuzz::Check(byCut == byRead, "CutElement left a different text than ReadTag");
      quarlofuzz::Check(next.has_value() == found, "ElementCutter found a different element");
      quarlofuzz::Check(!next || *next == value, "ElementCutter value differs from ReadTag");
    }
    if (!found) break;
  }
  return 0;
}
