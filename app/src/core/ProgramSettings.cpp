#include "core/ProgramSettings.h"

#include <cstdlib>

#include "kokit/Error.h"

namespace quarlodesk {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

}  // namespace

DefaultPaths XdgDefaultPaths(const std::string& helpFile) {
  const std::string home = EnvOr("HOME", "");
  const std::string state = EnvOr("XDG_STATE_HOME", home + "/.local/state") + "/quarlo";
  const std::string cache = EnvOr("XDG_CACHE_HOME", home + "/.cache") + "/quarlo";
  return {state + "/Quarlo.log", state + "/QuarloDebug.txt", cache + "/tmp", helpFile};
}

ProgramSettings::ProgramSettings(DefaultPaths paths, std::string version, std::string userName)
    : paths_(std::move(paths)), version_(std::move(version)), userName_(std::move(userName)) {
  BuildSysSettings();
  BuildUserSettings();
}

void ProgramSettings::BuildSysSettings() {
  using namespace kokit;
  sys_ = IniItems();
  sys_.Add("Version", version_, "", xpIniItemDataType_TextValue);
  sys_.Add("SP", "Service Pack 1", "", xpIniItemDataType_TextValue);
  sys_.Add("LogFilePath", paths_.logFile, "", xpIniItemDataType_TextValue);
  sys_.Add("DebugFilePath", paths_.debugFile, "", xpIniItemDataType_TextValue);
  sys_.Add("TempPath", paths_.tempPath, "", xpIniItemDataType_TextValue);
  sys_.Add("HelpFilePath", paths_.helpFile, "", xpIniItemDataType_TextValue);
  sys_.Add("IsDebug", false, "", xpIniItemDataType_BooleanValue);
  sys_.Add("OnlineDocUrl", "/quarlo20cn/", "", xpIniItemDataType_EncTextValue);
  sys_.Add("UserList", "", "", xpIniItemDataType_EncTextValue);
}

void ProgramSettings::BuildUserSettings() {
  using namespace kokit;
  user_ = IniItems();
  user_.Add("LastLoginNo", 1, "", xpIniItemDataType_NumberValue);
  user_.Add("LastLogin1", "", "", xpIniItemDataType_EncTextValue);
  user_.Add("LastLogin2", "", "", xpIniItemDataType_EncTextValue);
  user_.Add("LastLogin3", "", "", xpIniItemDataType_EncTextValue);
  user_.Add("LastUse", "<1><1><2><2><3><3><4><4><5><5>", "", xpIniItemDataType_TextValue);
}

int32_t ProgramSettings::UserNumber(const char* name) const {
  try {
    return user_.Item(name)->LongValue();
  } catch (const kokit::Error&) {
    return 0;  // a stored value that is no number reads as none
  }
}

int32_t ProgramSettings::LoadUserIniItems(std::string& optString) {
  return tools_.LoadIniItemsAt(kokit::xpRegRoot_HKEY_CURRENT_USER, kSettingsKey, kAppName, user_,
                               kSettingsKey, &optString, true, "");
}

int32_t ProgramSettings::SaveUserIniItems(std::string& optString) {
  return tools_.SaveIniItemsAt(kokit::xpRegRoot_HKEY_CURRENT_USER, kSettingsKey, kAppName, user_,
                               kSettingsKey, &optString, "");
}

void ProgramSettings::StartUp() {
  std::string status;
  BuildSysSettings();
  bool save = tools_.LoadIniItems(kAppName, sys_, kSettingsKey, &status) != 0;
  // "Version" tells the running program's version, also after an upgrade.
  if (sys_.Item("Version")->TextValue() != version_) {
    sys_.Item("Version")->SetValue(version_);
    save = true;
  }
  if (save) tools_.SaveIniItems(kAppName, sys_, kSettingsKey);
  BuildUserSettings();
  if (LoadUserIniItems(status) != 0) SaveUserIniItems(status);

  const std::string listed = userName_ + ";";
  auto userList = sys_.Item("UserList");
  if (userList->TextValue().find(listed) == std::string::npos) {
    BuildUserSettings();
    SaveUserIniItems(status);
    userList->SetValue(userList->TextValue() + listed);
    tools_.SaveIniItems(kAppName, sys_, kSettingsKey);
  }
}

void ProgramSettings::ShutDown() {
  std::string status;
  try {
    tools_.SaveIniItems(kAppName, sys_, kSettingsKey);
    SaveUserIniItems(status);
  } catch (...) {
    // the exit goes on whatever happens here
  }
}

}  // namespace quarlodesk
