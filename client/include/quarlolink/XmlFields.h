#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "quarlolink/XmlField.h"

namespace quarlolink {

// The columns of a recordset in column order, keyed by name without regard to letter case.
// Item() throws kokit::Error to the caller: number 9 for a position out of range, 5 for a name
// no column has.
class XmlFields {
 public:
  using const_iterator = std::vector<std::shared_ptr<XmlField>>::const_iterator;

  // By 0-based position.
  std::shared_ptr<XmlField> Item(int32_t index) const;
  // By name; a text such as "1" is a name, never a position.
  std::shared_ptr<XmlField> Item(const std::string& name) const;
  std::shared_ptr<XmlField> Item(const char* name) const { return Item(std::string(name)); }

  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }

  // Range-for over the fields in column order.
  const_iterator begin() const { return fields_.begin(); }
  const_iterator end() const { return fields_.end(); }

 private:
  friend struct internal::LibraryAccess;

  // Appends a field; throws kokit::Error 457 when a field of that name (any letter case) exists.
  std::shared_ptr<XmlField> Add(const std::string& name, const std::string& value, int32_t dataType,
                                int32_t definedSize);
  void RemoveAll();

  std::vector<std::shared_ptr<XmlField>> fields_;
  std::unordered_map<std::string, std::size_t> byKey_;
};

}  // namespace quarlolink
