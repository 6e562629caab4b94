#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

#include "KokitTest.h"
#include "kokit/Error.h"
#include "kokit/IniItems.h"
#include "kokit/KoToolsApp.h"

using namespace kokit;
using quarlo::testing::KokitTest;
using quarlo::testing::ScopedEnv;

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

int32_t ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

class SettingsStore : public KokitTest {
 protected:
  std::string StoredText(const std::string& name) {
    return tools.GetRegString(HKLM, kValues, name);
  }
  int32_t StoredNumber(const std::string& name) { return tools.GetRegDWord(HKLM, kValues, name); }
};

}  // namespace

// The first load writes every default and description; a save and a fresh load read them back.
TEST_F(SettingsStore, EveryTypeRoundTrips) {
  IniItems first = AllTypes();
  std::string status;
  EXPECT_EQ(tools.LoadIniItems("TestApp", first, "key", &status), 0);
  EXPECT_EQ(status, "OK");
  for (const auto& item : first) {
    EXPECT_FALSE(item->IsSaveToReg()) << item->Name();
    EXPECT_EQ(tools.GetRegString(HKLM, kDescs, item->Name()), item->Description());
  }
  EXPECT_EQ(StoredText("Title"), "查询分析器");
  EXPECT_TRUE(IsUpperHex(StoredText("Password")));
  EXPECT_EQ(StoredNumber("ShowGrid"), -1);
  EXPECT_EQ(StoredText("LastRun"), "2003-07-15 18:05:09");
  EXPECT_TRUE(IsUpperHex(StoredText("Expires")));

  const IniValue saved[] = {"新标题",
                            "另一个 secret",
                            -42,
                            false,
                            DateTime{1999, 12, 31, 23, 59, 58},
                            DateTime{2040, 2, 29, 0, 0, 1}};
  for (int i = 0; i < 6; ++i) first.Item(i + 1)->SetValue(saved[i]);
  first.Item("Title")->SetDescription("new description");
  EXPECT_EQ(tools.SaveIniItems("TestApp", first, "key"), 0);
  EXPECT_EQ(tools.OptString(), "OK");
  IniItems second = AllTypes();
  EXPECT_EQ(tools.LoadIniItems("TestApp", second, "key"), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(second.Item(i + 1)->Value(), saved[i]) << i;
  EXPECT_EQ(second.Item("Title")->Description(), "new description");
  for (const auto& item : second) EXPECT_FALSE(item->IsSaveToReg());
}

// What a load makes of a stored value that does not fit its setting.
TEST_F(SettingsStore, StoredValuesThatDoNotFitTheSetting) {
  struct Row {
    const char* name;
    std::optional<std::variant<std::string, int32_t>> stored;
    xpIniItemDataType type;
    IniValue defaultValue;
    IniValue loaded;
    std::variant<std::string, int32_t> after;  // what the store holds afterwards
  };
  const auto number = xpIniItemDataType_NumberValue, boolean = xpIniItemDataType_BooleanValue;
  const auto text = xpIniItemDataType_TextValue, date = xpIniItemDataType_DateValue;
  const auto encText = xpIniItemDataType_EncTextValue;
  const Row rows[] = {
      {"any number but zero is true", int32_t{5}, boolean, false, true, int32_t{5}},
      {"zero is false", int32_t{0}, boolean, true, false, int32_t{0}},
      {"undecipherable text reads empty", "not hexadecimal", encText, "d", "", "not hexadecimal"},
      {"text where a number belongs is missing", "100", number, 50, 50, int32_t{50}},
      {"number where text belongs is missing", int32_t{7}, text, "t", "t", "t"},
      // The broken value stays in the store until the program saves the setting.
      {"malformed date keeps the default", "2003-13-45 99:00:00", date, kJuly15, kJuly15,
       "2003-13-45 99:00:00"},
      {"rubbish enciphered date keeps the default", "0011", xpIniItemDataType_EncDateValue, kJuly15,
       kJuly15, "0011"},
      // A new number is stored rounded half to even.
      {"2.5 rounds down", std::nullopt, number, 2.5, 2.5, int32_t{2}},
      {"3.5 rounds up", std::nullopt, number, 3.5, 3.5, int32_t{4}},
      {"-2.5 rounds up", std::nullopt, number, -2.5, -2.5, int32_t{-2}},
      {"above the half", std::nullopt, number, 2.5000001, 2.5000001, int32_t{3}},
      {"number text", std::nullopt, number, " 7.5 ", " 7.5 ", int32_t{8}},
      {"true", std::nullopt, number, true, true, int32_t{-1}},
      {"lowest number", std::nullopt, number, -2147483648.4, -2147483648.4, INT32_MIN},
  };
  int n = 0;
  for (const Row& row : rows) {
    const std::string name = "S" + std::to_string(++n);
    if (row.stored && std::holds_alternative<std::string>(*row.stored)) {
      tools.SaveRegString(HKLM, kValues, name, std::get<std::string>(*row.stored));
    } else if (row.stored) {
      tools.SaveRegDWord(HKLM, kValues, name, std::get<int32_t>(*row.stored));
    }
    IniItems items;
    auto item = items.Add(name, row.defaultValue, "", row.type);
    EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0) << row.name;
    EXPECT_EQ(item->Value(), row.loaded) << row.name;
    if (std::holds_alternative<std::string>(row.after)) {
      EXPECT_EQ(StoredText(name), std::get<std::string>(row.after)) << row.name;
    } else {
      EXPECT_EQ(StoredNumber(name), std::get<int32_t>(row.after)) << row.name;
    }
  }
}

TEST_F(SettingsStore, EncipheredValuesDifferOnEverySaveAndNeedTheSameKeys) {
  IniItems items;
  auto pw = items.Add("Password", "口令", "", xpIniItemDataType_EncTextValue);
  ASSERT_EQ(tools.LoadIniItems("TestApp", items, "k"), 0);
  std::string first = StoredText("Password"), second = first;
  // The random head makes two cipher texts of one value differ, except once in 256 saves.
  for (int i = 0; i < 3 && second == first; ++i) {
    pw->SetValue("口令");
    ASSERT_EQ(tools.SaveIniItems("TestApp", items, "k"), 0);
    second = StoredText("Password");
  }
  EXPECT_TRUE(IsUpperHex(second));
  EXPECT_NE(first, second);
  pw->SetValue("");
  ASSERT_EQ(tools.LoadIniItems("TestApp", items, "wrong key"), 0);
  EXPECT_NE(std::get<std::string>(pw->Value()), "口令");
  ASSERT_EQ(tools.LoadIniItems("TestApp", items, "k"), 0);
  EXPECT_EQ(std::get<std::string>(pw->Value()), "口令");
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

TEST_F(SettingsStore, UnknownDataTypeOrA64BitNumberIsRefused) {
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
  items.Add("Big", 1e12, "", xpIniItemDataType_NumberValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", items), ERANGE);
  EXPECT_NE(tools.OptString().find("Overflow"), std::string::npos);
}

TEST_F(SettingsStore, SaveWritesDirtyItemsOnlyAndLeavesThemDirty) {
  IniItems items = AllTypes();
  ASSERT_EQ(tools.LoadIniItems("TestApp", items), 0);
  tools.DelRegValue(HKLM, kValues, "Title");
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), 0);
  EXPECT_EQ(tools.OptString(), "");
  EXPECT_EQ(StoredText("Title"), "");
  items.Item("Title")->SetValue("t");
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), 0);
  EXPECT_TRUE(items.Item("Title")->IsSaveToReg());
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

// Items by position or by name in any letter case, in insertion order; failures reach the
// caller; a removed item lives on with its holder; the key is the name given to Add.
TEST(IniItemsCollection, KeysPositionsAndFailures) {
  IniItems items;
  items.Add("UserList", "", "users", xpIniItemDataType_TextValue);
  items.Add("PageSize", 100, "rows per page", xpIniItemDataType_NumberValue);
  items.Add("LastLogin", DateTime{2003, 7, 15, 18, 5, 9}, "", xpIniItemDataType_DateValue);
  std::vector<std::string> names;
  for (const auto& item : items) names.push_back(item->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"UserList", "PageSize", "LastLogin"}));
  EXPECT_EQ(items.Item(3)->Name(), "LastLogin");
  EXPECT_EQ(items.Item("PAGESIZE").get(), items.Item(2).get());

  EXPECT_EQ(ErrorNumberOf([&] { items.Add("USERLIST", "", "", xpIniItemDataType_TextValue); }),
            EEXIST);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item("nope"); }), ENOENT);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item(0); }), ERANGE);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item(4); }), ERANGE);
  EXPECT_EQ(ErrorNumberOf([&] { items.Remove(-1); }), ERANGE);
  EXPECT_EQ(ErrorNumberOf([&] { items.Remove("nope"); }), ENOENT);
  EXPECT_EQ(items.Count(), 3);

  items.Item(1)->SetName("Renamed");
  EXPECT_EQ(items.Item("UserList")->Name(), "Renamed");
  EXPECT_EQ(ErrorNumberOf([&] { items.Item("Renamed"); }), ENOENT);

  std::shared_ptr<IniItem> held = items.Item("pagesize");
  items.Remove("PageSize");
  EXPECT_EQ(items.Count(), 2);
  EXPECT_EQ(held->LongValue(), 100);
  items.Remove(1);
  EXPECT_EQ(items.Item(1)->Name(), "LastLogin");
  // The freed key can be added again.
  items.Add("pageSize", 5, "", xpIniItemDataType_NumberValue);
  EXPECT_EQ(items.Item(2)->LongValue(), 5);
}

TEST(IniItemValue, ReadsAsTextNumberBooleanOrDate) {
  IniItem item;
  item.SetValue(2.5);
  EXPECT_EQ(item.LongValue(), 2);
  EXPECT_EQ(item.TextValue(), "2.5");
  item.SetValue(" 3.5 ");
  EXPECT_EQ(item.LongValue(), 4);
  item.SetValue(true);
  EXPECT_EQ(item.LongValue(), -1);
  EXPECT_EQ(item.TextValue(), "True");
  item.SetValue(0);
  EXPECT_FALSE(item.BoolValue());
  item.SetValue("abc");
  EXPECT_EQ(ErrorNumberOf([&] { (void)item.LongValue(); }), EINVAL);
  EXPECT_FALSE(item.DateValue());
  item.SetValue(3e9);
  EXPECT_EQ(ErrorNumberOf([&] { (void)item.LongValue(); }), ERANGE);
  item.SetValue("2003-07-15");
  ASSERT_TRUE(item.DateValue());
  EXPECT_EQ(item.DateValue()->ToText(), "2003-07-15 00:00:00");
  item.SetValue(DateTime{2003, 7, 15, 18, 5, 9});
  EXPECT_EQ(item.TextValue(), "2003-07-15 18:05:09");
}
