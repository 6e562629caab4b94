#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"
#include "settings/ClientSettings.h"
#include "settings/Defaults.h"

namespace {

using quarlo::testing::ScopedEnv;
using quarlo::testing::TempDir;
namespace qs = quarlolink::settings;

// Each case gets an empty store and its own home folders.
class ClientSettingsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnv store_{"KOKIT_REGISTRY_DIR", (dir_ / "store").string()};
  ScopedEnv state_{"XDG_STATE_HOME", (dir_ / "state").string()};
  ScopedEnv cache_{"XDG_CACHE_HOME", (dir_ / "cache").string()};
};

TEST_F(ClientSettingsTest, FirstStartWritesTheTwelveDefaultsAndMakesTheFolders) {
  auto items = qs::LoadSettings();
  const char* names[] = {"Version",       "SoftName",    "SoftLang",   "LogFilePath",
                         "DebugFilePath", "TempPath",    "IsDebug",    "RowsPerComm",
                         "EncKey",        "OpenConnUrl", "ExecuteUrl", "IsRemoveSpace"};
  ASSERT_EQ(items->Count(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(items->Item(i + 1)->Name(), names[i]);
  EXPECT_EQ(items->Item("Version")->TextValue(), qs::Version());
  EXPECT_EQ(items->Item("SoftLang")->TextValue(), "简体中文版");
  EXPECT_EQ(items->Item("LogFilePath")->TextValue(), (dir_ / "state/quarlo/Quarlo.log").string());
  EXPECT_EQ(items->Item("TempPath")->TextValue(), (dir_ / "cache/quarlo/tmp").string());
  EXPECT_EQ(items->Item("RowsPerComm")->LongValue(), 25);
  EXPECT_FALSE(items->Item("IsDebug")->BoolValue());
  EXPECT_TRUE(items->Item("IsRemoveSpace")->BoolValue());
  EXPECT_EQ(items->Item("EncKey")->TextValue(), "Harbor Lantern Keys");

  kokit::KoToolsApp tools;
  const std::string stored =
      tools.GetRegString(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "EncKey");
  EXPECT_EQ(tools.OptStatus(), 0);
  EXPECT_NE(stored, "Harbor Lantern Keys");  // enciphered in the store
  EXPECT_EQ(
      tools.GetRegDWord(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "IsRemoveSpace"), -1);
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "state/quarlo"));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "cache/quarlo"));
}

// Except "Version": an older library's version gives way to the running one's, in the store too.
TEST_F(ClientSettingsTest, StoredValuesReplaceDefaultsButNotTheVersion) {
  kokit::KoToolsApp tools;
  tools.SaveRegDWord(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "RowsPerComm", 100);
  tools.SaveRegString(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "Version", "0.0.9");
  auto items = qs::LoadSettings();
  EXPECT_EQ(items->Item("RowsPerComm")->LongValue(), 100);
  EXPECT_EQ(items->Item("Version")->TextValue(), qs::Version());
  EXPECT_EQ(tools.GetRegString(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "Version"),
            qs::Version());
}

TEST_F(ClientSettingsTest, SavedChangeIsSeenByTheNextLoad) {
  auto items = qs::LoadSettings();
  items->Item("OpenConnUrl")->SetValue(std::string("/other/open.asp"));
  items->Item("EncKey")->SetValue(std::string("new key"));
  kokit::KoToolsApp().SaveIniItems(qs::kSettingsSetName, *items, std::string(qs::kSettingsKey));
  auto again = qs::LoadSettings();
  EXPECT_EQ(again->Item("OpenConnUrl")->TextValue(), "/other/open.asp");
  EXPECT_EQ(again->Item("EncKey")->TextValue(), "new key");
}

TEST(SettingsKeyTest, IsThirtyTwoPrintableCharacters) {
  ASSERT_EQ(qs::kSettingsKey.size(), 32u);
  for (char c : qs::kSettingsKey) EXPECT_TRUE(c >= 32 && c <= 126);
}

}  // namespace
