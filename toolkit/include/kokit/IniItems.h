#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kokit/IniItem.h"

namespace kokit {

// An ordered collection of settings keyed by name; keys compare without regard to ASCII letter
// case. Items are shared: a caller holding one keeps it alive after Remove. The key is the name
// given to Add; renaming an item later does not change its key.
//
// Failures reach the caller as kokit::Error:
//   Add with a key already present            EEXIST
//   Item / Remove with a key not present      ENOENT
//   Item / Remove with a position outside 1..Count()   ERANGE
class IniItems {
 public:
  using const_iterator = std::vector<std::shared_ptr<IniItem>>::const_iterator;

  // Appends a new item, dirty.
  std::shared_ptr<IniItem> Add(const std::string& Name, IniValue Value,
                               const std::string& Description, xpIniItemDataType DataType);

  // By 1-based position or by key.
  std::shared_ptr<IniItem> Item(int32_t index) const;
  std::shared_ptr<IniItem> Item(std::string_view key) const;

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

  void Remove(int32_t index);
  void Remove(std::string_view key);

  // Insertion order.
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  size_t PositionOf(int32_t index) const;
  size_t PositionOf(std::string_view key) const;
  std::ptrdiff_t Find(std::string_view key) const;

  std::vector<std::shared_ptr<IniItem>> items_;
  std::vector<std::string> keys_;  // parallel to items_
};

}  // namespace kokit
