#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "kokit/ErrString.h"
#include "kokit/Error.h"
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"
#include "routines/Routines.h"
#include "settings/ClientSettings.h"
#include "settings/Defaults.h"

namespace {

using namespace quarlolink;
using quarlo::testing::ScopedEnv;
using quarlo::testing::TempDir;
namespace qs = quarlolink::settings;

// A random head of the same length each time, printable characters, and the text's codes within
// (negative above U+7FFF).
TEST(EncipherTextTest, RandomHeadAndHexCodesWithin) {
  const std::string a = EncipherText("A中请", "k");
  EXPECT_EQ(a.size(), EncipherText("A中请", "k").size());
  for (char c : a) EXPECT_TRUE(c >= 32 && c <= 126);
  EXPECT_EQ(kokit::KoToolsApp().EncCharStr(a, "k", kokit::xpEncStr_UnEncWithKeyHead),
            "41;4E2D;FFFF8BF7;");
}

TEST(RoutinesTest, TextRules) {
  // Statements' encoding and joins of relative or absolute paths are in the protocol's tables.
  const std::string db = "D:\\site\\db";
  const std::string rows[][3] = {
      {"percent-encode legacy bytes", PercentEncode("中"), "%D6%D0"},
      {"half rounds down to even", std::to_string(ToLongOrZero("2.5")), "2"},
      {"half rounds up to even", std::to_string(ToLongOrZero("3.5")), "4"},
      {"not a number", std::to_string(ToLongOrZero("abc")), "0"},
      {"highest number", std::to_string(ToLongOrZero("2147483647")), "2147483647"},
      {"join from the drive root", JoinServerPath(db, "\\data\\a.mdb"), "D:\\data\\a.mdb"},
      {"no way above the root", JoinServerPath("D:\\", "..\\a.mdb"), ""},
      {"base with a separator", JoinServerPath(db + "\\", "a.mdb"), "D:\\site\\db\\a.mdb"},
      {"dot folders", JoinServerPath(db, ".\\x\\..\\a.mdb"), "D:\\site\\db\\a.mdb"},
  };
  for (const auto& [name, got, want] : rows) EXPECT_EQ(got, want) << name;
  EXPECT_THROW(ToLongOrZero("2147483648"), kokit::Error);
  EXPECT_THROW(ToLongOrZero("-1e300"), kokit::Error);
}

// The error handler of the library's objects: a failure without a number of its own keeps the
// text of its status (the texts of 10014 and 10015 are checked where the transport gives them);
// a run-time error takes its number and is logged in a new folder.
TEST(RoutinesTest, ApplyErrorStatus) {
  TempDir dir;
  kokit::ErrString reporter;
  int32_t status = 0;
  std::string text;
  reporter.SetUseIn(kokit::xpUseIn_Class);
  reporter.SetModuleName("Owner");
  reporter.SetLogFileName((dir / "logs" / "q.log").string());
  reporter.OnErrOcc([&] { ApplyErrorStatus(reporter, status, text); });
  auto raise = [&](int32_t s, const char* t, const kokit::Error& error) {
    status = s, text = t;
    reporter.SetFunctionName("Op");
    reporter.RaiseError(error, 0, text);
    reporter.Clear();
    return std::to_string(status) + " " + text;
  };
  EXPECT_EQ(raise(0, "OK", kokit::Error(0, "")), "-1 ");  // no code: -1 and no text
  EXPECT_EQ(raise(7, "server said no", kokit::Error(0, "")), "7 server said no");
  EXPECT_EQ(raise(0, "Exec...", kokit::Error(2, "No such file or directory")),
            "2 Exec...No such file or directory");
  EXPECT_TRUE(std::filesystem::exists(dir / "logs" / "q.log"));
}

// A first start makes the folders the environment names and keeps the key enciphered; a saved
// change is seen by the next load, and an older library's version is replaced.
TEST(ClientSettingsTest, FirstStartAndASavedChange) {
  TempDir dir;
  ScopedEnv store("KOKIT_REGISTRY_DIR", (dir / "store").string());
  ScopedEnv state("XDG_STATE_HOME", (dir / "state").string());
  ScopedEnv cache("XDG_CACHE_HOME", (dir / "cache").string());
  auto items = qs::LoadSettings();
  EXPECT_EQ(items->Item("LogFilePath")->TextValue(), (dir / "state/quarlo/Quarlo.log").string());
  EXPECT_EQ(items->Item("TempPath")->TextValue(), (dir / "cache/quarlo/tmp").string());
  EXPECT_TRUE(is_directory(dir / "state/quarlo") && is_directory(dir / "cache/quarlo"));
  kokit::KoToolsApp tools;
  EXPECT_NE(tools.GetRegString(kokit::xpRegRoot_HKEY_LOCAL_MACHINE, qs::kValuesPath, "EncKey"),
            items->Item("EncKey")->TextValue());  // enciphered in the store
  items->Item("OpenConnUrl")->SetValue(std::string("/other/open.asp"));
  items->Item("Version")->SetValue(std::string("0.0.9"));  // an older library's
  tools.SaveIniItems(qs::kSettingsSetName, *items, std::string(qs::kSettingsKey));
  auto again = qs::LoadSettings();
  EXPECT_EQ(again->Item("OpenConnUrl")->TextValue(), "/other/open.asp");
  EXPECT_EQ(again->Item("Version")->TextValue(), qs::Version());
}

}  // namespace
