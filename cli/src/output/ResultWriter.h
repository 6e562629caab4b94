#pragma once

#include <iosfwd>
#include <memory>

#include "args/Options.h"
#include "quarlohost/ResultWriter.h"

namespace quarlocli {

using quarlolink::host::Column;
using quarlolink::host::IsNumericType;
using quarlolink::host::ResultWriter;

// `header` false leaves out the column names (JSON lines always carry them).
std::unique_ptr<ResultWriter> MakeResultWriter(OutputFormat format, std::ostream& out, bool header);

}  // namespace quarlocli
