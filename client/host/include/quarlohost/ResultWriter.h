#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarlolink::host {

struct Column {
  std::string name;
  int32_t dataType = 0;  // the ADO type code the server reported
};

// Writes the rows of result sets in one output format. Messages (rows affected, timing) are not
// its business; the caller prints them once EndResult has written every row.
class ResultWriter {
 public:
  virtual ~ResultWriter() = default;
  virtual void BeginResult(const std::vector<Column>& columns) = 0;
  virtual void Row(const std::vector<std::string>& values) = 0;
  virtual void EndResult() = 0;

  // Runs before the writer writes to its stream (the progress line on the same terminal is
  // erased there).
  void SetBeforeWrite(std::function<void()> hook) { beforeWrite_ = std::move(hook); }

 protected:
  void BeforeWrite() {
    if (beforeWrite_) beforeWrite_();
  }

 private:
  std::function<void()> beforeWrite_;
};

// True for the ADO type codes of numbers, which a table aligns to the right.
bool IsNumericType(int32_t adoType);

}  // namespace quarlolink::host
