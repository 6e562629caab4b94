#include "kokit/IniItem.h"

#include <cerrno>

#include "kokit/Error.h"
#include "settings/ValueConv.h"

namespace kokit {

void IniItem::SetDataType(xpIniItemDataType dataType) {
  dataType_ = dataType;
  isSaveToReg_ = true;
}

void IniItem::SetDescription(const std::string& description) {
  description_ = description;
  isSaveToReg_ = true;
}

void IniItem::SetValue(IniValue value) {
  value_ = std::move(value);
  isSaveToReg_ = true;
}

void IniItem::SetName(const std::string& name) {
  name_ = name;
  isSaveToReg_ = true;
}

std::string IniItem::TextValue() const { return detail::TextOf(value_); }

int32_t IniItem::LongValue() const {
  std::optional<double> n = detail::NumericOf(value_);
  if (!n) throw Error(EINVAL, "Type mismatch: the value of " + name_ + " is not numeric");
  return detail::RoundToLong(*n);
}

bool IniItem::BoolValue() const { return LongValue() != 0; }

std::optional<DateTime> IniItem::DateValue() const { return detail::DateOf(value_); }

}  // namespace kokit
