#include "settings/StoredForm.h"

#include "cipher/Cipher.h"
#include "kokit/Enums.h"
#include "settings/ValueConv.h"

namespace kokit::detail {

namespace {

// Like the public cipher: any failure is the empty text.
std::string Cipher(const std::string& text, const std::string& key, int32_t mode) {
  try {
    return EncUnicodeStr(text, key, mode);
  } catch (...) {
    return "";
  }
}

}  // namespace

bool StoredAsNumber(int32_t dataType) {
  return dataType == xpIniItemDataType_NumberValue || dataType == xpIniItemDataType_BooleanValue;
}

std::optional<StoredValue> ToStored(int32_t dataType, const IniValue& value,
                                    const std::string& key) {
  StoredValue out;
  switch (dataType) {
    case xpIniItemDataType_TextValue:
    case xpIniItemDataType_EncTextValue: {
      auto* text = std::get_if<std::string>(&value);
      if (!text) return std::nullopt;
      out.text = dataType == xpIniItemDataType_TextValue
                     ? *text
                     : Cipher(*text, key, xpEncStr_EncWithKeyHead);
      return out;
    }
    case xpIniItemDataType_NumberValue:
    case xpIniItemDataType_BooleanValue: {
      std::optional<double> n = NumericOf(value);
      if (!n) return std::nullopt;
      out.isNumber = true;
      out.number = RoundToLong(*n);
      return out;
    }
    case xpIniItemDataType_DateValue:
    case xpIniItemDataType_EncDateValue: {
      std::optional<DateTime> date = DateOf(value);
      if (!date) return std::nullopt;
      out.text = dataType == xpIniItemDataType_DateValue
                     ? date->ToText()
                     : Cipher(date->ToText(), key, xpEncStr_EncWithKeyHead);
      return out;
    }
    default:
      return std::nullopt;
  }
}

std::optional<IniValue> FromStored(int32_t dataType, const StoredValue& stored,
                                   const std::string& key) {
  switch (dataType) {
    case xpIniItemDataType_TextValue:
      return IniValue(stored.text);
    case xpIniItemDataType_EncTextValue:
      // Text that does not decipher reads as "".
      return IniValue(Cipher(stored.text, key, xpEncStr_UnEncWithKeyHead));
    case xpIniItemDataType_NumberValue:
      return IniValue(stored.number);
    case xpIniItemDataType_BooleanValue:
      return IniValue(stored.number != 0);
    case xpIniItemDataType_DateValue:
    case xpIniItemDataType_EncDateValue: {
      std::string text = dataType == xpIniItemDataType_DateValue
                             ? stored.text
                             : Cipher(stored.text, key, xpEncStr_UnEncWithKeyHead);
      std::optional<DateTime> date = ParseDate(text);
      if (!date) return std::nullopt;
      return IniValue(*date);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace kokit::detail
