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

TEST(ReadTagTest, ReadsElementsOneAfterAnotherAndCutsThem) {
  std::string source = "<Fields><Field>a</Field><Field>b</Field></Fields>";
  EXPECT_EQ(ReadTag(source, "Field"), "a");
  EXPECT_EQ(ReadTag(source, "Field"), "b");
  EXPECT_EQ(ReadTag(source, "Field"), "");
  EXPECT_EQ(source, "<Fields></Fields>");
}

TEST(ReadTagTest, MissingCloseTagLeavesSourceAlone) {
  std::string source = "<Head><Name>x";
  EXPECT_EQ(ReadTag(source, "Name"), "");
  EXPECT_EQ(source, "<Head><Name>x");
}

TEST(EncipherTextTest, RandomHeadAndHexCodesWithin) {
  const std::string a = EncipherText("A中请", "k"), b = EncipherText("A中请", "k");
  EXPECT_EQ(a.size(), b.size());
  for (char c : a) EXPECT_TRUE(c >= 32 && c <= 126);
  EXPECT_EQ(kokit::KoToolsApp().EncCharStr(a, "k", kokit::xpEncStr_UnEncWithKeyHead),
            "41;4E2D;FFFF8BF7;");
}

TEST(RoutinesTest, TextRules) {
  struct Row {
    const char* name;
    std::string got;
    std::string want;
  };
  const std::string db = "D:\\site\\db";
  const Row rows[] = {
      {"percent-encode every byte", PercentEncode("a1 \t\r\n"), "%61%31%20%09%0D%0A"},
      {"percent-encode legacy bytes", PercentEncode("中"), "%D6%D0"},
      {"number with blanks", std::to_string(ToLongOrZero(" -7 ")), "-7"},
      {"half rounds down to even", std::to_string(ToLongOrZero("2.5")), "2"},
      {"half rounds up to even", std::to_string(ToLongOrZero("3.5")), "4"},
      {"not a number", std::to_string(ToLongOrZero("abc")), "0"},
      {"empty", std::to_string(ToLongOrZero("")), "0"},
      {"hexadecimal is not a number", std::to_string(ToLongOrZero("0x10")), "0"},
      {"highest number", std::to_string(ToLongOrZero("2147483647")), "2147483647"},
      {"join a name", JoinServerPath(db, "a.mdb"), "D:\\site\\db\\a.mdb"},
      {"join a folder", JoinServerPath(db, "data\\a.mdb"), "D:\\site\\db\\data\\a.mdb"},
      {"join upwards", JoinServerPath(db, "..\\a.mdb"), "D:\\site\\a.mdb"},
      {"join from the drive root", JoinServerPath(db, "\\data\\a.mdb"), "D:\\data\\a.mdb"},
      {"join another drive", JoinServerPath(db, "C:\\x\\a.mdb"), "C:\\x\\a.mdb"},
      {"no way above the root", JoinServerPath("D:\\", "..\\a.mdb"), ""},
      {"base with a separator", JoinServerPath(db + "\\", "a.mdb"), "D:\\site\\db\\a.mdb"},
      {"dot folders", JoinServerPath(db, ".\\x\\..\\a.mdb"), "D:\\site\\db\\a.mdb"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.name;
  EXPECT_THROW(ToLongOrZero("2147483648"), kokit::Error);
  EXPECT_THROW(ToLongOrZero("-1e300"), kokit::Error);
}

class ApplyErrorStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reporter_.SetUseIn(kokit::xpUseIn_Class);
    reporter_.SetModuleName("Owner");
    reporter_.SetLogFileName((dir_ / "logs" / "q.log").string());
    reporter_.OnErrOcc([this] { ApplyErrorStatus(reporter_, status_, text_); });
    reporter_.SetFunctionName("Op");
  }
  void Raise(const kokit::Error& err) { reporter_.RaiseError(err, 0, text_); }

  TempDir dir_;
  kokit::ErrString reporter_;
  int32_t status_ = 0;
  std::string text_ = "OK";
};

TEST_F(ApplyErrorStatusTest, OwnFailuresKeepOrGetTheirTexts) {
  struct Row {
    const char* name;
    int32_t status;
    const char* text;
    int32_t wantStatus;
    const char* wantText;
  };
  const Row rows[] = {
      {"no code becomes -1 and no text", 0, "OK", -1, ""},
      {"state refusal", 10014, "OK", 10014, "当前状态不能执行 GetHead 或 GetText!"},
      {"time-out", 10015, "OK", 10015, "运行超时!"},
      {"other code keeps its text", 7, "server said no", 7, "server said no"},
  };
  for (const Row& row : rows) {
    status_ = row.status;
    text_ = row.text;
    Raise(kokit::Error(0, ""));
    EXPECT_EQ(status_, row.wantStatus) << row.name;
    EXPECT_EQ(text_, row.wantText) << row.name;
    reporter_.Clear();
    reporter_.SetFunctionName("Op");
  }
}

TEST_F(ApplyErrorStatusTest, RunTimeErrorTakesItsNumberAndIsLoggedInANewFolder) {
  text_ = "Exec...";
  Raise(kokit::Error(2, "No such file or directory"));
  EXPECT_EQ(status_, 2);
  EXPECT_EQ(text_, "Exec...No such file or directory");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "logs" / "q.log"));
}

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
