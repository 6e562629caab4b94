#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "kokit/DateTime.h"

namespace kokit {

// How a setting's value is checked and stored.
enum xpIniItemDataType : int32_t {
  xpIniItemDataType_TextValue = 1,     // text, stored as a string
  xpIniItemDataType_EncTextValue = 2,  // text, stored enciphered (byte cipher with key head)
  xpIniItemDataType_NumberValue = 3,   // numeric, stored as a 32-bit number (halves to even)
  xpIniItemDataType_BooleanValue = 4,  // numeric or boolean, stored as a 32-bit number (true = -1)
  xpIniItemDataType_DateValue = 5,     // date, stored as "yyyy-mm-dd hh:mm:ss"
  xpIniItemDataType_EncDateValue = 6,  // date, stored as the enciphered text of type 5
};

// A setting's value: text, 32-bit integer, floating number, boolean or date. A string literal
// makes a text, an int a 32-bit integer.
using IniValue = std::variant<std::string, int32_t, double, bool, DateTime>;

// One setting: name, value, description, data type and a dirty flag. Setting the name, value,
// description or data type marks the item dirty (IsSaveToReg), so the next save writes it.
class IniItem {
 public:
  IniItem() = default;
  IniItem(std::string name, IniValue value, std::string description, xpIniItemDataType dataType)
      : name_(std::move(name)),
        value_(std::move(value)),
        description_(std::move(description)),
        dataType_(dataType) {}

  bool IsSaveToReg() const { return isSaveToReg_; }
  void SetIsSaveToReg(bool dirty) { isSaveToReg_ = dirty; }

  xpIniItemDataType DataType() const { return dataType_; }
  void SetDataType(xpIniItemDataType dataType);

  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& description);

  const IniValue& Value() const { return value_; }
  void SetValue(IniValue value);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);

  // The value read the way the setting's users need it, whatever it holds after a load (a
  // default given as 2.5 reads back from the store as the integer 2, for instance).
  // TextValue: text as is, numbers in decimal, booleans "True"/"False", dates
  // "yyyy-mm-dd hh:mm:ss".
  std::string TextValue() const;
  // LongValue and BoolValue: numbers rounded to a 32-bit integer (halves to even), booleans -1
  // and 0, numeric text read as a number. Throw kokit::Error: EINVAL for a value that is not
  // numeric, ERANGE outside the 32-bit range. BoolValue is LongValue() != 0.
  int32_t LongValue() const;
  bool BoolValue() const;
  // A date, or text that reads as one; nothing otherwise.
  std::optional<DateTime> DateValue() const;

 private:
  std::string name_;
  IniValue value_;
  std::string description_;
  xpIniItemDataType dataType_ = xpIniItemDataType_TextValue;
  bool isSaveToReg_ = true;
};

}  // namespace kokit
