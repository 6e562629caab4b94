#include "kokit/KoToolsApp.h"

#include "cipher/Cipher.h"
#include "registry/Registry.h"

namespace kokit {

void KoToolsApp::SetStatus(int32_t status, const std::string& text, std::string* optString) {
  optStatus_ = status;
  optString_ = text;
  if (optString) *optString = text;
}

std::string KoToolsApp::GetRegString(xpRegRoot hKey, const std::string& path,
                                     const std::string& valueName, std::string* optString) {
  detail::RegOutcome out;
  std::string value = detail::RegGetString(hKey, path, valueName, out);
  SetStatus(out.status == detail::kRegOk ? 0 : -1, out.status, optString);
  return value;
}

int32_t KoToolsApp::GetRegDWord(xpRegRoot hKey, const std::string& path,
                                const std::string& valueName, std::string* optString) {
  detail::RegOutcome out;
  int32_t value = detail::RegGetDWord(hKey, path, valueName, out);
  SetStatus(out.status == detail::kRegOk ? 0 : -1, out.status, optString);
  return value;
}

int32_t KoToolsApp::SaveRegString(xpRegRoot hKey, const std::string& path,
                                  const std::string& valueName, const std::string& sData,
                                  std::string* optString) {
  auto out = detail::RegSaveString(hKey, path, valueName, sData);
  SetStatus(out.code, out.status, optString);
  return out.code;
}

int32_t KoToolsApp::SaveRegDWord(xpRegRoot hKey, const std::string& path,
                                 const std::string& valueName, int32_t lData,
                                 std::string* optString) {
  auto out = detail::RegSaveDWord(hKey, path, valueName, lData);
  SetStatus(out.code, out.status, optString);
  return out.code;
}

int32_t KoToolsApp::SaveRegKey(xpRegRoot hKey, const std::string& path, std::string* optString) {
  auto out = detail::RegSaveKey(hKey, path);
  SetStatus(out.code, out.status, optString);
  return out.code;
}

int32_t KoToolsApp::DelRegKey(xpRegRoot hKey, const std::string& key, std::string* optString) {
  auto out = detail::RegDelKey(hKey, key);
  SetStatus(out.code, out.status, optString);
  return out.code;
}

int32_t KoToolsApp::DelRegValue(xpRegRoot hKey, const std::string& path,
                                const std::string& valueName, std::string* optString) {
  auto out = detail::RegDelValue(hKey, path, valueName);
  SetStatus(out.code, out.status, optString);
  return out.code;
}

std::string KoToolsApp::EncCharStr(const std::string& strSourse, const std::string& strEncKey,
                                   int32_t lngOpt) const {
  try {
    return detail::EncCharStr(strSourse, strEncKey, lngOpt);
  } catch (...) {
    return "";  // every failure of a cipher is the empty result
  }
}

std::string KoToolsApp::EncUnicodeStr(const std::string& strSourse, const std::string& strEncKey,
                                      int32_t lngOpt) const {
  try {
    return detail::EncUnicodeStr(strSourse, strEncKey, lngOpt);
  } catch (...) {
    return "";
  }
}

}  // namespace kokit
