#include "settings/ClientSettings.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"
#include "settings/Defaults.h"

namespace quarlolink::settings {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

std::string Home() { return EnvOr("HOME", "/tmp"); }

}  // namespace

const char* Version() { return QUARLOLINK_VERSION; }

std::string LogFolder() { return EnvOr("XDG_STATE_HOME", Home() + "/.local/state") + "/quarlo"; }

std::string TempFolder() { return EnvOr("XDG_CACHE_HOME", Home() + "/.cache") + "/quarlo/tmp"; }

std::unique_ptr<kokit::IniItems> BuildDefaults() {
  auto items = std::make_unique<kokit::IniItems>();
  const std::string logs = LogFolder();
  items->Add("Version", Version(), "", kokit::xpIniItemDataType_TextValue);
  items->Add("SoftName", "Quarlo Query", "", kokit::xpIniItemDataType_TextValue);
  items->Add("SoftLang", "简体中文版", "", kokit::xpIniItemDataType_TextValue);
  items->Add("LogFilePath", logs + "/Quarlo.log", "", kokit::xpIniItemDataType_TextValue);
  items->Add("DebugFilePath", logs + "/QuarloDebug.txt", "", kokit::xpIniItemDataType_TextValue);
  items->Add("TempPath", TempFolder(), "", kokit::xpIniItemDataType_TextValue);
  items->Add("IsDebug", false, "", kokit::xpIniItemDataType_BooleanValue);
  items->Add("RowsPerComm", int32_t{25}, "", kokit::xpIniItemDataType_NumberValue);
  items->Add("EncKey", "Harbor Lantern Keys", "", kokit::xpIniItemDataType_EncTextValue);
  items->Add("OpenConnUrl", "/quarlo/quarloopen.asp", "", kokit::xpIniItemDataType_TextValue);
  items->Add("ExecuteUrl", "/quarlo/quarloexecute.asp", "", kokit::xpIniItemDataType_TextValue);
  items->Add("IsRemoveSpace", true, "", kokit::xpIniItemDataType_BooleanValue);
  items->Add("MaxAnswerMB", kDefaultMaxAnswerMB, "", kokit::xpIniItemDataType_NumberValue);
  return items;
}

std::unique_ptr<kokit::IniItems> LoadSettings() {
  auto items = BuildDefaults();
  kokit::KoToolsApp tools;
  bool firstStart = false;
  try {
    // No stored version yet: the library starts here for the first time.
    tools.GetRegString(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, kValuesPath, "Version");
    firstStart = tools.OptStatus() != 0;
    bool save = tools.LoadIniItems(kSettingsSetName, *items, std::string(kSettingsKey)) != 0;
    // "Version" tells the running library's version, also after an upgrade.
    if (items->Item("Version")->TextValue() != Version()) {
      items->Item("Version")->SetValue(std::string(Version()));
      save = true;
    }
    if (save) tools.SaveIniItems(kSettingsSetName, *items, std::string(kSettingsKey));
  } catch (...) {
    // The library goes on with the values it has; the host is not told.
  }
  if (firstStart) {
    for (const char* name : {"LogFilePath", "DebugFilePath", "TempPath"}) {
      try {
        tools.KoMkDir(tools.GetFilePart(items->Item(name)->TextValue(), 1));
      } catch (...) {
        // A folder that cannot be made shows up when something is written there.
      }
    }
  }
  return items;
}

kokit::IniItems& Settings() {
  static const std::unique_ptr<kokit::IniItems> settings = LoadSettings();
  return *settings;
}

void Save() {
  try {
    kokit::KoToolsApp().SaveIniItems(kSettingsSetName, Settings(), std::string(kSettingsKey));
  } catch (...) {
    // The values in memory stay in force; nothing is reported to the host.
  }
}

std::string Text(const std::string& name) { return Settings().Item(name)->TextValue(); }

bool Flag(const std::string& name) { return Settings().Item(name)->BoolValue(); }

int32_t Number(const std::string& name) { return Settings().Item(name)->LongValue(); }

std::size_t MaxAnswerBytes() {
  return static_cast<std::size_t>(std::max<int32_t>(1, Number("MaxAnswerMB"))) << 20;
}

}  // namespace quarlolink::settings
