#pragma once

#include <cstdint>
#include <string>

#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"

namespace quarlodesk {

// Where the program keeps its files by default.
struct DefaultPaths {
  std::string logFile;    // "LogFilePath"
  std::string debugFile;  // "DebugFilePath"
  std::string tempPath;   // "TempPath"
  std::string helpFile;   // "HelpFilePath"
};

// The log and temporary folders of the XDG base directories, and the given help file.
DefaultPaths XdgDefaultPaths(const std::string& helpFile);

// The program's two settings collections: the system settings (per machine, the library's master
// key) and the user settings (per system user, the program's own key), loaded at start-up and
// saved at the end.
class ProgramSettings {
 public:
  static constexpr const char* kAppName = "quarlodesk";
  static constexpr const char* kSettingsKey = "Rumbelow";

  // `userName` is the system user recorded in "UserList" (the login name unless a test says).
  ProgramSettings(DefaultPaths paths, std::string version, std::string userName);

  // Builds both collections with their defaults and loads them; a failed load is answered by
  // saving (so missing settings get their defaults). A system user not yet in "UserList" starts
  // with the default user settings, written to the store, and is added to the list.
  void StartUp();
  // Writes the settings marked changed of both collections; failures are not reported.
  void ShutDown();

  kokit::IniItems& Sys() { return sys_; }
  kokit::IniItems& User() { return user_; }
  std::string SysText(const char* name) const { return sys_.Item(name)->TextValue(); }
  std::string UserText(const char* name) const { return user_.Item(name)->TextValue(); }
  int32_t UserNumber(const char* name) const;
  void SetUser(const char* name, kokit::IniValue value) { user_.Item(name)->SetValue(value); }

  int32_t LoadUserIniItems(std::string& optString);
  int32_t SaveUserIniItems(std::string& optString);

 private:
  void BuildSysSettings();
  void BuildUserSettings();

  kokit::KoToolsApp tools_;
  DefaultPaths paths_;
  std::string version_;
  std::string userName_;
  kokit::IniItems sys_;
  kokit::IniItems user_;
};

}  // namespace quarlodesk
