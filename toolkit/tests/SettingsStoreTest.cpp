#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"
#include "settings/SettingsStore.h"

using namespace kokit;
using quarlo::testing::ScopedEnv;
using quarlo::testing::TempDir;

namespace {

constexpr auto HKLM = xpRegRoot_HKEY_LOCAL_MACHINE;
constexpr auto HKCU = xpRegRoot_HKEY_CURRENT_USER;
const std::string kValues = "Software\\Tarnwick Studio Applications\\TestApp\\IniItems";
const std::string kDescs = "Software\\Tarnwick Studio Applications\\TestApp\\IniDesc";
const DateTime kJuly15{2003, 7, 15, 18, 5, 9};

bool IsUpperHex(const std::string& s) {
  return !s.empty() && s.size() % 2 == 0 &&
         s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

// One setting of every type, with the defaults a program would give.
IniItems AllTypes() {
  IniItems items;
  items.Add("Title", "查询分析器", "window title", xpIniItemDataType_TextValue);
  items.Add("Password", "密码 pw", "stored password", xpIniItemDataType_EncTextValue);
  items.Add("PageSize", 100, "rows per page", xpIniItemDataType_NumberValue);
  items.Add("ShowGrid", true, "grid lines", xpIniItemDataType_BooleanValue);
  items.Add("LastRun", kJuly15, "last run", xpIniItemDataType_DateValue);
  items.Add("Expires", DateTime{2030, 1, 2, 3, 4, 5}, "expiry", xpIniItemDataType_EncDateValue);
  return items;
}

class SettingsStore : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedEnv env{"KOKIT_REGISTRY_DIR", (dir / "store").string()};
  KoToolsApp tools;

  std::string StoredText(const std::string& name) {
    return tools.GetRegString(HKLM, kValues, name);
  }
  int32_t StoredNumber(const std::string& name) { return tools.GetRegDWord(HKLM, kValues, name); }

  // Loads one NumberValue default as a new setting and gives what was stored.
  int32_t StoredNumberFor(IniValue value) {
    std::string name = "N" + std::to_string(++numbers_);
    IniItems items;
    items.Add(name, std::move(value), "", xpIniItemDataType_NumberValue);
    EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
    return StoredNumber(name);
  }
  int numbers_ = 0;
};

}  // namespace

TEST_F(SettingsStore, FirstLoadWritesEveryDefaultAndDescription) {
  IniItems items = AllTypes();
  std::string status;
  EXPECT_EQ(tools.LoadIniItems("TestApp", items, "key", &status), 0);
  EXPECT_EQ(status, "OK");
  EXPECT_EQ(tools.OptStatus(), 0);
  EXPECT_EQ(tools.OptString(), "OK");
  for (const auto& item : items) {
    EXPECT_FALSE(item->IsSaveToReg()) << item->Name();
    EXPECT_EQ(tools.GetRegString(HKLM, kDescs, item->Name()), item->Description());
  }
  EXPECT_EQ(StoredText("Title"), "查询分析器");
  EXPECT_TRUE(IsUpperHex(StoredText("Password")));
  EXPECT_EQ(StoredNumber("PageSize"), 100);
  EXPECT_EQ(StoredNumber("ShowGrid"), -1);
  EXPECT_EQ(StoredText("LastRun"), "2003-07-15 18:05:09");
  EXPECT_TRUE(IsUpperHex(StoredText("Expires")));
}

TEST_F(SettingsStore, EveryTypeRoundTrips) {
  IniItems first = AllTypes();
  ASSERT_EQ(tools.LoadIniItems("TestApp", first, "key"), 0);
  first.Item("Title")->SetValue("新标题");
  first.Item("Password")->SetValue("另一个 secret");
  first.Item("PageSize")->SetValue(-42);
  first.Item("ShowGrid")->SetValue(false);
  first.Item("LastRun")->SetValue(DateTime{1999, 12, 31, 23, 59, 58});
  first.Item("Expires")->SetValue("2040-02-29 00:00:01");
  first.Item("Title")->SetDescription("new description");
  EXPECT_EQ(tools.SaveIniItems("TestApp", first, "key"), 0);
  EXPECT_EQ(tools.OptString(), "OK");

  // A fresh set with other defaults reads back what was saved.
  IniItems second;
  second.Add("Title", "", "", xpIniItemDataType_TextValue);
  second.Add("Password", "", "", xpIniItemDataType_EncTextValue);
  second.Add("PageSize", 0, "", xpIniItemDataType_NumberValue);
  second.Add("ShowGrid", true, "", xpIniItemDataType_BooleanValue);
  second.Add("LastRun", kJuly15, "", xpIniItemDataType_DateValue);
  second.Add("Expires", kJuly15, "", xpIniItemDataType_EncDateValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", second, "key"), 0);
  EXPECT_EQ(std::get<std::string>(second.Item("Title")->Value()), "新标题");
  EXPECT_EQ(second.Item("Title")->Description(), "new description");
  EXPECT_EQ(std::get<std::string>(second.Item("Password")->Value()), "另一个 secret");
  EXPECT_EQ(std::get<int32_t>(second.Item("PageSize")->Value()), -42);
  EXPECT_EQ(std::get<bool>(second.Item("ShowGrid")->Value()), false);
  EXPECT_EQ(std::get<DateTime>(second.Item("LastRun")->Value()),
            (DateTime{1999, 12, 31, 23, 59, 58}));
  EXPECT_EQ(std::get<DateTime>(second.Item("Expires")->Value()), (DateTime{2040, 2, 29, 0, 0, 1}));
  for (const auto& item : second) EXPECT_FALSE(item->IsSaveToReg());
}

TEST_F(SettingsStore, NumbersRoundHalvesToEven) {
  EXPECT_EQ(StoredNumberFor(2.5), 2);
  EXPECT_EQ(StoredNumberFor(3.5), 4);
  EXPECT_EQ(StoredNumberFor(-2.5), -2);
  EXPECT_EQ(StoredNumberFor(2.5000001), 3);
  EXPECT_EQ(StoredNumberFor(" 7.5 "), 8);
  EXPECT_EQ(StoredNumberFor(true), -1);
  EXPECT_EQ(StoredNumberFor(-2147483648.4), INT32_MIN);
}

TEST_F(SettingsStore, AnyStoredNumberButZeroReadsAsTrue) {
  tools.SaveRegDWord(HKLM, kValues, "A", 5);
  tools.SaveRegDWord(HKLM, kValues, "B", 0);
  IniItems items;
  items.Add("A", false, "", xpIniItemDataType_BooleanValue);
  items.Add("B", true, "", xpIniItemDataType_BooleanValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
  EXPECT_EQ(std::get<bool>(items.Item("A")->Value()), true);
  EXPECT_EQ(std::get<bool>(items.Item("B")->Value()), false);
}

TEST_F(SettingsStore, EncipheredValuesDifferOnEverySaveAndReadBack) {
  IniItems items;
  auto pw = items.Add("Password", "口令", "", xpIniItemDataType_EncTextValue);
  ASSERT_EQ(tools.LoadIniItems("TestApp", items, "k"), 0);
  std::string first = StoredText("Password");
  pw->SetValue("口令");
  ASSERT_EQ(tools.SaveIniItems("TestApp", items, "k"), 0);
  std::string second = StoredText("Password");
  EXPECT_TRUE(IsUpperHex(first));
  EXPECT_TRUE(IsUpperHex(second));
  // The random head makes two cipher texts of one value differ, except once in 256 saves.
  if (first == second) {
    ASSERT_EQ(tools.SaveIniItems("TestApp", items, "k"), 0);
    second = StoredText("Password");
  }
  EXPECT_NE(first, second);
  pw->SetValue("");
  ASSERT_EQ(tools.LoadIniItems("TestApp", items, "k"), 0);
  EXPECT_EQ(std::get<std::string>(pw->Value()), "口令");
}

TEST_F(SettingsStore, EncipheredValuesNeedTheSameKeys) {
  IniItems items;
  items.Add("Password", "secret", "", xpIniItemDataType_EncTextValue);
  ASSERT_EQ(tools.LoadIniItems("TestApp", items, "right key"), 0);
  IniItems other;
  auto pw = other.Add("Password", "", "", xpIniItemDataType_EncTextValue);
  ASSERT_EQ(tools.LoadIniItems("TestApp", other, "wrong key"), 0);
  EXPECT_NE(std::get<std::string>(pw->Value()), "secret");
  ASSERT_EQ(tools.LoadIniItems("TestApp", other, "right key"), 0);
  EXPECT_EQ(std::get<std::string>(pw->Value()), "secret");
}

TEST_F(SettingsStore, UndecipherableTextReadsEmpty) {
  tools.SaveRegString(HKLM, kValues, "Password", "not hexadecimal");
  IniItems items;
  auto pw = items.Add("Password", "default", "", xpIniItemDataType_EncTextValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
  EXPECT_EQ(std::get<std::string>(pw->Value()), "");
}

TEST_F(SettingsStore, WrongRegistryKindIsTreatedAsMissing) {
  tools.SaveRegString(HKLM, kValues, "PageSize", "100");
  tools.SaveRegDWord(HKLM, kValues, "Title", 7);
  IniItems items;
  items.Add("PageSize", 50, "rows", xpIniItemDataType_NumberValue);
  items.Add("Title", "t", "title", xpIniItemDataType_TextValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
  EXPECT_EQ(StoredNumber("PageSize"), 50);
  EXPECT_EQ(StoredText("Title"), "t");
  EXPECT_EQ(std::get<int32_t>(items.Item("PageSize")->Value()), 50);
}

TEST_F(SettingsStore, MalformedStoredDateKeepsTheDefault) {
  tools.SaveRegString(HKLM, kValues, "LastRun", "2003-13-45 99:00:00");
  tools.SaveRegString(HKLM, kValues, "Expires", "0011");  // deciphers to rubbish
  tools.SaveRegString(HKLM, kDescs, "LastRun", "stored description");
  IniItems items;
  auto last = items.Add("LastRun", kJuly15, "", xpIniItemDataType_DateValue);
  auto exp = items.Add("Expires", kJuly15, "", xpIniItemDataType_EncDateValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
  EXPECT_EQ(std::get<DateTime>(last->Value()), kJuly15);
  EXPECT_EQ(std::get<DateTime>(exp->Value()), kJuly15);
  EXPECT_EQ(last->Description(), "stored description");
  EXPECT_FALSE(last->IsSaveToReg());
  // The broken value stays in the store until the program saves the setting.
  EXPECT_EQ(StoredText("LastRun"), "2003-13-45 99:00:00");
}

TEST_F(SettingsStore, ValueOfTheWrongKindIsRefusedAndEarlierItemsStay) {
  IniItems items;
  items.Add("First", "ok", "", xpIniItemDataType_TextValue);
  items.Add("Bad", 5, "", xpIniItemDataType_TextValue);
  items.Add("Later", "never", "", xpIniItemDataType_TextValue);
  std::string status;
  EXPECT_EQ(tools.LoadIniItems("TestApp", items, "", &status), -1);
  EXPECT_EQ(status, "oIniItem.Name=Bad的数据类型错误");
  EXPECT_EQ(tools.OptStatus(), -1);
  EXPECT_EQ(StoredText("First"), "ok");
  EXPECT_FALSE(items.Item("First")->IsSaveToReg());
  EXPECT_TRUE(items.Item("Later")->IsSaveToReg());
  EXPECT_EQ(StoredText("Later"), "");

  items.Item("Bad")->SetValue("abc");
  items.Item("Bad")->SetDataType(xpIniItemDataType_DateValue);
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), -1);
  EXPECT_EQ(tools.OptString(), "oIniItem.Name=Bad的数据类型错误");
}

TEST_F(SettingsStore, UnknownDataTypeIsRefusedWithoutHarm) {
  const auto unknown = static_cast<xpIniItemDataType>(9);
  IniItems items;
  auto odd = items.Add("Odd", "x", "", unknown);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), -1);
  EXPECT_EQ(tools.OptString(), "oIniItem.Name=Odd的数据类型错误");
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), -1);
  // Present in the store: the value stays as it was.
  tools.SaveRegString(HKLM, kValues, "Odd", "stored");
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
  EXPECT_EQ(std::get<std::string>(odd->Value()), "x");
}

TEST_F(SettingsStore, NumberOutsideThe32BitRangeStopsWithOverflow) {
  IniItems items;
  items.Add("Big", 1e12, "", xpIniItemDataType_NumberValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), ERANGE);
  EXPECT_NE(tools.OptString().find("Overflow"), std::string::npos);
}

TEST_F(SettingsStore, SaveWithNothingDirtyWritesNothing) {
  IniItems items = AllTypes();
  ASSERT_EQ(tools.LoadIniItems("TestApp", items), 0);
  tools.DelRegValue(HKLM, kValues, "Title");
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), 0);
  EXPECT_EQ(tools.OptString(), "");
  EXPECT_EQ(tools.OptStatus(), 0);
  EXPECT_EQ(StoredText("Title"), "");
  EXPECT_EQ(tools.OptString(), "RegQueryValueEx Fail");
}

TEST_F(SettingsStore, SaveLeavesItemsDirty) {
  IniItems items;
  auto item = items.Add("Title", "t", "", xpIniItemDataType_TextValue);
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), 0);
  EXPECT_TRUE(item->IsSaveToReg());
  EXPECT_EQ(StoredText("Title"), "t");
}

TEST_F(SettingsStore, LoadWithoutWritingMissingStopsAtTheFirstGap) {
  IniItems items;
  items.Add("Title", "t", "", xpIniItemDataType_TextValue);
  std::string status;
  EXPECT_EQ(tools.LoadIniItemsAt(HKLM, "m", "TestApp", items, "", &status, false), -1);
  EXPECT_EQ(status, "RegOpenKey Fail");
  EXPECT_EQ(StoredText("Title"), "");
}

TEST_F(SettingsStore, OtherRootMasterKeyAndBaseKey) {
  IniItems items;
  items.Add("Login", "用户 sa", "", xpIniItemDataType_EncTextValue);
  items.Add("Count", 3, "", xpIniItemDataType_NumberValue);
  ASSERT_EQ(tools.LoadIniItemsAt(HKCU, "program key", "desk", items, "program key", nullptr, true,
                                 "Software\\Other"),
            0);
  EXPECT_EQ(tools.GetRegDWord(HKCU, "Software\\Other\\desk\\IniItems", "Count"), 3);
  EXPECT_EQ(tools.GetRegDWord(HKLM, "Software\\Other\\desk\\IniItems", "Count"), 0);
  items.Item("Count")->SetValue(4);
  ASSERT_EQ(tools.SaveIniItemsAt(HKCU, "program key", "desk", items, "program key", nullptr,
                                 "Software\\Other"),
            0);

  IniItems back;
  auto login = back.Add("Login", "", "", xpIniItemDataType_EncTextValue);
  auto count = back.Add("Count", 0, "", xpIniItemDataType_NumberValue);
  ASSERT_EQ(tools.LoadIniItemsAt(HKCU, "program key", "desk", back, "program key", nullptr, false,
                                 "Software\\Other"),
            0);
  EXPECT_EQ(std::get<std::string>(login->Value()), "用户 sa");
  EXPECT_EQ(std::get<int32_t>(count->Value()), 4);
  // Under another master key the same caller's key derives another key.
  ASSERT_EQ(tools.LoadIniItemsAt(HKCU, "other master", "desk", back, "program key", nullptr, false,
                                 "Software\\Other"),
            0);
  EXPECT_NE(std::get<std::string>(login->Value()), "用户 sa");
}

TEST_F(SettingsStore, UnwritableStoreFailsWithTheRegistryStatus) {
  std::ofstream(dir / "plain") << "x";
  ScopedEnv broken("KOKIT_REGISTRY_DIR", (dir / "plain" / "store").string());
  IniItems items = AllTypes();
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), -1);
  EXPECT_EQ(tools.OptString(), "RegCreateKey Fail");
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), -1);
  EXPECT_EQ(tools.OptString(), "RegCreateKey Fail");
}

TEST(SettingsMasterKey, HasTheStatedForm) {
  const std::string& key = detail::LibraryMasterKey();
  EXPECT_EQ(key.size(), 176u);
  for (char c : key) EXPECT_TRUE(c > 32 && c < 127) << int(c);
}
