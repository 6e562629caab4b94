#include "output/ResultWriter.h"

#include "output/TableWriter.h"
#include "quarlohost/TextWriters.h"

namespace quarlocli {

std::unique_ptr<ResultWriter> MakeResultWriter(OutputFormat format, std::ostream& out,
                                               bool header) {
  using namespace quarlolink::host;
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

}  // namespace quarlocli
