// KoToolsApp's settings-store members.
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"
#include "settings/SettingsStore.h"

namespace kokit {

int32_t KoToolsApp::LoadIniItems(const std::string& AppName, IniItems& oIniItems,
                                 const std::string& EncKey, std::string* OptString) {
  return LoadIniItemsAt(xpRegRoot_HKEY_LOCAL_MACHINE, detail::LibraryMasterKey(), AppName,
                        oIniItems, EncKey, OptString, true);
}

int32_t KoToolsApp::SaveIniItems(const std::string& AppName, IniItems& oIniItems,
                                 const std::string& EncKey) {
  return SaveIniItemsAt(xpRegRoot_HKEY_LOCAL_MACHINE, detail::LibraryMasterKey(), AppName,
                        oIniItems, EncKey);
}

int32_t KoToolsApp::LoadIniItemsAt(xpRegRoot root, const std::string& masterKey,
                                   const std::string& AppName, IniItems& oIniItems,
                                   const std::string& EncKey, std::string* OptString,
                                   bool writeMissing, const std::string& baseKey) {
  auto out =
      detail::LoadSettings({root, masterKey, baseKey}, AppName, oIniItems, EncKey, writeMissing);
  SetStatus(out.result, out.status, OptString);
  return out.result;
}

int32_t KoToolsApp::SaveIniItemsAt(xpRegRoot root, const std::string& masterKey,
                                   const std::string& AppName, IniItems& oIniItems,
                                   const std::string& EncKey, std::string* OptString,
                                   const std::string& baseKey) {
  auto out = detail::SaveSettings({root, masterKey, baseKey}, AppName, oIniItems, EncKey);
  SetStatus(out.result, out.status, OptString);
  return out.result;
}

}  // namespace kokit
