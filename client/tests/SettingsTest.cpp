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

TEST_F(ClientSettingsTest, FirstStartWritesTheDefaultsAndMakesTheFolders) {
  auto items = qs::LoadSettings();
  const char* names[] = {"Version",       "SoftName",    "SoftLang",   "LogFilePath",
                         "DebugFilePath", "TempPath",    "IsDebug",    "RowsPerComm",
                         "EncKey",        "OpenConnUrl", "ExecuteUrl", "IsRemoveSpace",
                         "MaxAnswerMB"};
  ASSERT_EQ(items->Count(), 13);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(items->Item(i + 1)->Name(), names[i]);
  EXPECT_EQ(items->Item("Version")->TextValue(), "2.0.10");
  EXPECT_EQ(items->Item("SoftLang")->TextValue(), "简体中文版");
  EXPECT_EQ(items->Item("LogFilePath")->TextValue(), (dir_ / "state/quarlo/Quarlo.log").string());
  EXPECT_EQ(items->Item("TempPath")->TextValue(), (dir_ / "cache/quarlo/tmp").string());
  EXPECT_EQ(items->Item("RowsPerComm")->LongValue(), 25);
  EXPECT_EQ(items->Item("MaxAnswerMB")->LongValue(), 128);
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

TEST_F(ClientSettingsTest, StoredValuesReplaceDefaults) {
  kokit::KoToolsApp tools;
  tools.SaveRegDWord(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "RowsPerComm", 100);
  auto items = qs::LoadSettings();
  EXPECT_EQ(items->Item("RowsPerComm")->LongValue(), 100);
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
