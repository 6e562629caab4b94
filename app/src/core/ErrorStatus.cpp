#include "core/ErrorStatus.h"

#include "kokit/ErrString.h"

namespace quarlodesk {

void ApplyErrorStatus(kokit::ErrString& reporter, int32_t& status, std::string& text) {
  if (text == "OK") text.clear();
  if (reporter.SystemErrorPending()) {
    status = reporter.Number();
    text += reporter.Description();
    reporter.LogToFileWithRetry();
    return;
  }
  if (status == 0) {
    status = -1;
  } else if (status == 10014) {
    text = "Now can not run GetHead Or GetText!";
  } else if (status == 10015) {
    text = "Run Timeout!";
  }
}

}  // namespace quarlodesk
