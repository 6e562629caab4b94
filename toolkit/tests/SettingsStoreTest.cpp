#include <cerrno>
#include <regex>

#include "KokitTest.h"
#include "kokit/IniItems.h"

using namespace kokit;
using namespace quarlo::testing;

namespace {

constexpr auto HKLM = xpRegRoot_HKEY_LOCAL_MACHINE;
constexpr auto HKCU = xpRegRoot_HKEY_CURRENT_USER;
const std::string kValues = "Software\\Tarnwick Studio Applications\\TestApp\\IniItems";
const std::string kDescs = "Software\\Tarnwick Studio Applications\\TestApp\\IniDesc";
const DateTime kJuly15{2003, 7, 15, 18, 5, 9};

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

class SettingsStore : public KokitTest {
 protected:
  std::string StoredText(const std::string& name) {
    return tools.GetRegString(HKLM, kValues, name);
  }
  int32_t StoredNumber(const std::string& name) { return tools.GetRegDWord(HKLM, kValues, name); }
};

}  // namespace

// First load writes defaults and descriptions; only dirty items are saved; a fresh load reads
// every type back, enciphered ones only under the key they were saved with.
TEST_F(SettingsStore, EveryTypeRoundTrips) {
  IniItems first = AllTypes();
  std::string status;
  EXPECT_EQ(tools.LoadIniItems("TestApp", first, "key", &status), 0);
  EXPECT_EQ(status, "OK");
  for (const auto& item : first) {
    EXPECT_FALSE(item->IsSaveToReg()) << item->Name();
    EXPECT_EQ(tools.GetRegString(HKLM, kDescs, item->Name()), item->Description());
  }
  EXPECT_EQ(StoredNumber("ShowGrid"), -1);
  EXPECT_EQ(StoredText("LastRun"), "2003-07-15 18:05:09");
  EXPECT_TRUE(
      std::regex_match(StoredText("Password") + StoredText("Expires"), std::regex("[0-9A-F]+")));
  tools.DelRegValue(HKLM, kValues, "Title");
  EXPECT_EQ(tools.SaveIniItems("TestApp", first, "key"), 0);
  EXPECT_EQ(tools.OptString(), "");  // nothing dirty, nothing written
  EXPECT_EQ(StoredText("Title"), "");

  const IniValue saved[] = {"新", "秘密", -42, false, DateTime{1999, 12, 31, 23, 59, 58}, kJuly15};
  for (int i = 0; i < 6; ++i) first.Item(i + 1)->SetValue(saved[i]);
  first.Item("Title")->SetDescription("new description");
  EXPECT_EQ(tools.SaveIniItems("TestApp", first, "key"), 0);
  EXPECT_EQ(tools.OptString(), "OK");
  EXPECT_TRUE(first.Item("Title")->IsSaveToReg());
  IniItems second = AllTypes();
  EXPECT_EQ(tools.LoadIniItems("TestApp", second, "key"), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(second.Item(i + 1)->Value(), saved[i]) << i;
  EXPECT_EQ(second.Item("Title")->Description(), "new description");
  ASSERT_EQ(tools.LoadIniItems("TestApp", second, "wrong key"), 0);
  EXPECT_NE(second.Item("Password")->Value(), saved[1]);

  // Another root, base key and master key; without writing missing settings a gap stops the load.
  const std::string base = "Software\\Other";
  IniItems items;
  auto login = items.Add("Login", "用户 sa", "", xpIniItemDataType_EncTextValue);
  auto count = items.Add("Count", 3, "", xpIniItemDataType_NumberValue);
  EXPECT_EQ(tools.LoadIniItemsAt(HKCU, "m", "desk", items, "k", &status, false, base), -1);
  EXPECT_EQ(status, "RegOpenKey Fail");
  ASSERT_EQ(tools.LoadIniItemsAt(HKCU, "m", "desk", items, "k", nullptr, true, base), 0);
  count->SetValue(4);
  ASSERT_EQ(tools.SaveIniItemsAt(HKCU, "m", "desk", items, "k", nullptr, base), 0);
  EXPECT_EQ(tools.GetRegDWord(HKCU, base + "\\desk\\IniItems", "Count"), 4);
  login->SetValue("");
  ASSERT_EQ(tools.LoadIniItemsAt(HKCU, "m", "desk", items, "k", nullptr, false, base), 0);
  EXPECT_EQ(login->Value(), IniValue("用户 sa"));
  ASSERT_EQ(tools.LoadIniItemsAt(HKCU, "other m", "desk", items, "k", nullptr, false, base), 0);
  EXPECT_NE(login->Value(), IniValue("用户 sa"));
}

// What a load makes of a stored value that does not fit its setting, and how a new number is
// stored (rounded half to even). Numbers in the store are written "#n", "" is no value.
TEST_F(SettingsStore, StoredValuesThatDoNotFitTheSetting) {
  struct Row {
    const char* name;
    std::string stored;
    xpIniItemDataType type;
    IniValue defaultValue;
    IniValue loaded;
    std::string after;  // what the store holds afterwards
  };
  const auto number = xpIniItemDataType_NumberValue, date = xpIniItemDataType_DateValue;
  const Row rows[] = {
      {"text where a number belongs is missing", "100", number, 50, 50, "#50"},
      {"malformed date keeps the default", "2003-13-45 99:00:00", date, kJuly15, kJuly15,
       "2003-13-45 99:00:00"},
      {"2.5 rounds down", "", number, 2.5, 2.5, "#2"},
      {"number text", "", number, " 7.5 ", " 7.5 ", "#8"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.stored.starts_with("#")) {
      tools.SaveRegDWord(HKLM, kValues, row.name, std::stoi(row.stored.substr(1)));
    } else if (!row.stored.empty()) {
      tools.SaveRegString(HKLM, kValues, row.name, row.stored);
    }
    IniItems items;
    auto item = items.Add(row.name, row.defaultValue, "", row.type);
    EXPECT_EQ(tools.LoadIniItems("TestApp", items), 0);
    EXPECT_EQ(item->Value(), row.loaded);
    const bool isNumber = row.after.starts_with("#");
    EXPECT_EQ(isNumber ? "#" + std::to_string(StoredNumber(row.name)) : StoredText(row.name),
              row.after);
  }
}

// A value of the wrong kind or an unknown type stops the loop (earlier items stay done), a
// number beyond 32 bits fails with ERANGE, an unwritable store with the registry's status.
TEST_F(SettingsStore, RefusedValuesStopTheLoop) {
  IniItems items;
  items.Add("First", "ok", "", xpIniItemDataType_TextValue);
  items.Add("Bad", 5, "", xpIniItemDataType_TextValue);
  items.Add("Later", "never", "", xpIniItemDataType_TextValue);
  std::string status;
  EXPECT_EQ(tools.LoadIniItems("TestApp", items, "", &status), -1);
  EXPECT_EQ(status, "oIniItem.Name=Bad的数据类型错误");
  EXPECT_EQ(StoredText("First") + "|" + StoredText("Later"), "ok|");
  EXPECT_TRUE(items.Item("Later")->IsSaveToReg());
  items.Item("Bad")->SetValue("abc");
  items.Item("Bad")->SetDataType(xpIniItemDataType_DateValue);
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), -1);
  EXPECT_EQ(tools.OptString(), "oIniItem.Name=Bad的数据类型错误");

  IniItems odd;
  auto item = odd.Add("Odd", "x", "", static_cast<xpIniItemDataType>(9));
  EXPECT_EQ(tools.LoadIniItems("TestApp", odd), -1);
  tools.SaveRegString(HKLM, kValues, "Odd", "stored");  // present: the value stays as it was
  EXPECT_EQ(tools.LoadIniItems("TestApp", odd), 0);
  EXPECT_EQ(item->Value(), IniValue("x"));
  odd.Add("Big", 1e12, "", xpIniItemDataType_NumberValue);
  EXPECT_EQ(tools.LoadIniItems("TestApp", odd), ERANGE);
  EXPECT_NE(tools.OptString().find("Overflow"), std::string::npos);

  std::ofstream(dir / "plain") << "x";
  ScopedEnv broken("KOKIT_REGISTRY_DIR", (dir / "plain" / "store").string());
  items.Item("First")->SetValue("again");
  EXPECT_EQ(tools.SaveIniItems("TestApp", items), -1);
  EXPECT_EQ(tools.OptString(), "RegCreateKey Fail");
}

// Items by position or by name in any letter case; failures reach the caller; a removed item
// lives on with its holder; the key is the name given to Add.
TEST(IniItems, KeysPositionsFailuresAndValueReads) {
  IniItems items;
  items.Add("UserList", "", "users", xpIniItemDataType_TextValue);
  items.Add("PageSize", 100, "rows per page", xpIniItemDataType_NumberValue);
  items.Add("LastLogin", kJuly15, "", xpIniItemDataType_DateValue);
  EXPECT_EQ(items.Item("PAGESIZE").get(), items.Item(2).get());
  EXPECT_EQ(ErrorNumberOf([&] { items.Add("USERLIST", "", "", xpIniItemDataType_TextValue); }),
            EEXIST);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item("nope"); }), ENOENT);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item(4); }), ERANGE);
  items.Item(1)->SetName("Renamed");
  EXPECT_EQ(items.Item("UserList")->Name(), "Renamed");
  std::shared_ptr<IniItem> held = items.Item("pagesize");
  items.Remove("PageSize");
  EXPECT_EQ(held->LongValue(), 100);
  items.Remove(1);
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Item(1)->Name(), "LastLogin");
  // The value reads as text, number, boolean or date, whatever it holds.
  IniItem item;
  item.SetValue(2.5);
  EXPECT_EQ(item.TextValue(), "2.5");
  item.SetValue(true);
  EXPECT_EQ(item.TextValue() + std::to_string(item.LongValue()), "True-1");
  item.SetValue(0);
  EXPECT_FALSE(item.BoolValue());
  item.SetValue("abc");
  EXPECT_EQ(ErrorNumberOf([&] { (void)item.LongValue(); }), EINVAL);
  EXPECT_FALSE(item.DateValue());
  item.SetValue("2003-07-15");
  ASSERT_TRUE(item.DateValue());
  EXPECT_EQ(item.DateValue()->ToText(), "2003-07-15 00:00:00");
  item.SetValue(kJuly15);
  EXPECT_EQ(item.TextValue(), "2003-07-15 18:05:09");
}
