#include "kokit/IniItems.h"

#include <cerrno>

#include "kokit/Error.h"

namespace kokit {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::ptrdiff_t IniItems::Find(std::string_view key) const {
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (SameKey(keys_[i], key)) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

size_t IniItems::PositionOf(int32_t index) const {
  if (index < 1 || index > Count()) {
    throw Error(ERANGE, "Subscript out of range: position " + std::to_string(index) +
                            " of a collection of " + std::to_string(Count()));
  }
  return static_cast<size_t>(index - 1);
}

size_t IniItems::PositionOf(std::string_view key) const {
  std::ptrdiff_t i = Find(key);
  if (i < 0) throw Error(ENOENT, "No setting named " + std::string(key) + " in the collection");
  return static_cast<size_t>(i);
}

std::shared_ptr<IniItem> IniItems::Add(const std::string& Name, IniValue Value,
                                       const std::string& Description, xpIniItemDataType DataType) {
  if (Find(Name) >= 0) {
    throw Error(EEXIST, "A setting named " + Name + " is already in the collection");
  }
  auto item = std::make_shared<IniItem>(Name, std::move(Value), Description, DataType);
  // Room first, so that a failed allocation leaves both lists as they were.
  items_.reserve(items_.size() + 1);
  keys_.reserve(keys_.size() + 1);
  items_.push_back(item);
  keys_.push_back(Name);
  return item;
}

std::shared_ptr<IniItem> IniItems::Item(int32_t index) const { return items_[PositionOf(index)]; }

std::shared_ptr<IniItem> IniItems::Item(std::string_view key) const {
  return items_[PositionOf(key)];
}

void IniItems::Remove(int32_t index) {
  size_t i = PositionOf(index);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
}

void IniItems::Remove(std::string_view key) {
  size_t i = PositionOf(key);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace kokit
