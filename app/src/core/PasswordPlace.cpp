#include "core/PasswordPlace.h"

namespace quarlodesk {

namespace {

void Append(const std::string& part, std::string& key) {
  for (const char c : part) {
    if (c == '|' || c == '\\') key += '\\';
    key += c;
  }
}

}  // namespace

std::string KeyringKey(const std::string& typeName, const LoginRecord& login) {
  std::string key;
  Append(typeName, key);
  for (const std::string* part : {&login.webSite, &login.server, &login.database, &login.user}) {
    key += '|';
    Append(*part, key);
  }
  return key;
}

std::string PasswordPlaceText(PasswordPlace place) {
  switch (place) {
    case PasswordPlace::Keyring:
      return "保存的密码存放在系统密钥环中。";
    case PasswordPlace::Record:
      return "系统密钥环不可用：保存的密码加密存放在本程序的设置中。";
    default:
      return "";
  }
}

}  // namespace quarlodesk
