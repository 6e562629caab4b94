#pragma once

#include <cstdint>
#include <string>

namespace quarlolink {

namespace internal {
struct LibraryAccess;
}

// One column of a recordset. Read-only for the host; its Value() follows the recordset's
// current row for as long as anyone holds the field.
class XmlField {
 public:
  int32_t DataType() const { return dataType_; }
  int32_t DefinedSize() const { return definedSize_; }
  const std::string& Value() const { return value_; }
  const std::string& Name() const { return name_; }

 private:
  friend struct internal::LibraryAccess;
  friend class XmlFields;

  std::string name_;
  std::string value_;
  int32_t dataType_ = 0;
  int32_t definedSize_ = 0;
};

}  // namespace quarlolink
