#include "quarlolink/XmlFields.h"

#include <algorithm>

#include "kokit/Error.h"

namespace quarlolink {

namespace {

// Collection error numbers of the automation runtime the hosts expect.
constexpr int32_t kSubscriptOutOfRange = 9;
constexpr int32_t kInvalidArgument = 5;
constexpr int32_t kDuplicateKey = 457;

// Keys compare without regard to letter case; only ASCII letters have a case here.
std::string KeyOf(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return key;
}

}  // namespace

std::shared_ptr<XmlField> XmlFields::Item(int32_t index) const {
  if (index < 0 || index >= Count()) {
    throw kokit::Error(kSubscriptOutOfRange, "Subscript out of range");
  }
  return fields_[static_cast<std::size_t>(index)];
}

std::shared_ptr<XmlField> XmlFields::Item(const std::string& name) const {
  auto it = byKey_.find(KeyOf(name));
  if (it == byKey_.end()) {
    throw kokit::Error(kInvalidArgument, "Invalid procedure call or argument");
  }
  return fields_[it->second];
}

std::shared_ptr<XmlField> XmlFields::Add(const std::string& name, const std::string& value,
                                         int32_t dataType, int32_t definedSize) {
  auto [it, inserted] = byKey_.emplace(KeyOf(name), fields_.size());
  if (!inserted) {
    throw kokit::Error(kDuplicateKey,
                       "This key is already associated with an element of this collection");
  }
  auto field = std::make_shared<XmlField>();
  field->name_ = name;
  field->value_ = value;
  field->dataType_ = dataType;
  field->definedSize_ = definedSize;
  fields_.push_back(field);
  return field;
}

void XmlFields::RemoveAll() {
  fields_.clear();
  byKey_.clear();
}

}  // namespace quarlolink
