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
  // The folders follow the environment; the key is kept enciphered.
  auto items = qs::LoadSettings();
  ASSERT_EQ(items->Count(), 13);
  EXPECT_EQ(items->Item("Version")->TextValue(), qs::Version());
  EXPECT_EQ(items->Item("LogFilePath")->TextValue(), (dir_ / "state/quarlo/Quarlo.log").string());
  EXPECT_EQ(items->Item("TempPath")->TextValue(), (dir_ / "cache/quarlo/tmp").string());
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

TEST_F(ClientSettingsTest, SavedChangeIsSeenByTheNextLoad) {
  auto items = qs::LoadSettings();
  items->Item("OpenConnUrl")->SetValue(std::string("/other/open.asp"));
  items->Item("EncKey")->SetValue(std::string("new key"));
  items->Item("Version")->SetValue(std::string("0.0.9"));  // an older library's
  kokit::KoToolsApp().SaveIniItems(qs::kSettingsSetName, *items, std::string(qs::kSettingsKey));
  auto again = qs::LoadSettings();
  EXPECT_EQ(again->Item("OpenConnUrl")->TextValue(), "/other/open.asp");
  EXPECT_EQ(again->Item("EncKey")->TextValue(), "new key");
  EXPECT_EQ(again->Item("Version")->TextValue(), qs::Version());
}

}  // namespace
