#include "output/ResultWriter.h"

#include "output/TableWriter.h"
#include "output/TextWriters.h"

namespace quarlocli {

std::unique_ptr<ResultWriter> MakeResultWriter(OutputFormat format, std::ostream& out,
                                               bool header) {
  switch (format) {
    case OutputFormat::Table:
      return std::make_unique<TableWriter>(out, header);
    case OutputFormat::Csv:
      return std::make_unique<CsvWriter>(out, header);
    case OutputFormat::Tsv:
      return std::make_unique<TsvWriter>(out, header);
    case OutputFormat::Json:
      return std::make_unique<JsonWriter>(out);
  }
  return nullptr;
}

bool IsNumericType(int32_t t) {
  switch (t) {
    case 2:    // smallint
    case 3:    // integer
    case 4:    // single
    case 5:    // double
    case 6:    // currency
    case 14:   // decimal
    case 16:   // tinyint
    case 17:   // unsigned tinyint
    case 18:   // unsigned smallint
    case 19:   // unsigned int
    case 20:   // bigint
    case 21:   // unsigned bigint
    case 131:  // numeric
    case 139:  // varnumeric
      return true;
    default:
      return false;
  }
}

}  // namespace quarlocli
