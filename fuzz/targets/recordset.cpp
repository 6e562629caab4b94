// The recordset's reading of answers: a first answer (head, fields, rows) and a later batch,
// walked row by row, never crash; the recordset either shows rows or reports a status.

#include "FuzzInput.h"
#include "conn/LibraryAccess.h"
#include "quarlolink/XmlField.h"
#include "recordset/HeadValues.h"

using quarlolink::internal::LibraryAccess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarlofuzz::FuzzInput in(data, size);
  std::string first = in.Text();
  std::string later = in.Rest();

  for (auto read : {+[](const std::string& s) { (void)quarlolink::internal::HeadInteger(s); },
                    +[](const std::string& s) { (void)quarlolink::internal::HeadBoolean(s); }}) {
    try {
      read(first);
    } catch (const kokit::Error&) {
    }
  }

  // No connection behind it: fetching more rows fails cleanly.
  auto rs = LibraryAccess::NewRecordset({});
  LibraryAccess::FillXmlText(*rs, first);
  for (int i = 0; i < 1000 && !rs->Eof(); ++i) {
    auto fields = rs->Fields();
    for (int32_t c = 0; c < fields->Count(); ++c) (void)fields->Item(c)->Value();
    rs->MoveNext();
  }
  LibraryAccess::FillXmlText(*rs, later);
  for (int i = 0; i < 1000 && !rs->Eof(); ++i) rs->MoveNext();
  (void)rs->TotalPages();
  (void)rs->CurrPageNo();
  quarlofuzz::Check(!rs->OptString().empty(), "recordset status text is empty");
  return 0;
}
