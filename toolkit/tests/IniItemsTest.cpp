#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "kokit/Error.h"
#include "kokit/IniItems.h"

using namespace kokit;

namespace {

int32_t ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

IniItems ThreeItems() {
  IniItems items;
  items.Add("UserList", "", "users", xpIniItemDataType_TextValue);
  items.Add("PageSize", 100, "rows per page", xpIniItemDataType_NumberValue);
  items.Add("LastLogin", DateTime{2003, 7, 15, 18, 5, 9}, "", xpIniItemDataType_DateValue);
  return items;
}

}  // namespace

TEST(IniItemsCollection, ItemByPositionOrByNameIgnoringCaseInInsertionOrder) {
  IniItems items = ThreeItems();
  std::vector<std::string> names;
  for (const auto& item : items) names.push_back(item->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"UserList", "PageSize", "LastLogin"}));
  EXPECT_EQ(items.Item(3)->Name(), "LastLogin");
  EXPECT_EQ(items.Item("PAGESIZE").get(), items.Item(2).get());
}

TEST(IniItemsCollection, FailuresReachTheCaller) {
  IniItems items = ThreeItems();
  EXPECT_EQ(ErrorNumberOf([&] { items.Add("USERLIST", "", "", xpIniItemDataType_TextValue); }),
            EEXIST);
  EXPECT_EQ(items.Count(), 3);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item("nope"); }), ENOENT);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item(0); }), ERANGE);
  EXPECT_EQ(ErrorNumberOf([&] { items.Item(4); }), ERANGE);
  EXPECT_EQ(ErrorNumberOf([&] { items.Remove(-1); }), ERANGE);
  EXPECT_EQ(ErrorNumberOf([&] { items.Remove("nope"); }), ENOENT);
  EXPECT_EQ(items.Count(), 3);
}

TEST(IniItemsCollection, RemovedItemLivesOnWithItsHolder) {
  IniItems items = ThreeItems();
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

TEST(IniItemsCollection, KeyIsTheNameGivenToAdd) {
  IniItems items = ThreeItems();
  items.Item(1)->SetName("Renamed");
  EXPECT_EQ(items.Item("UserList")->Name(), "Renamed");
  EXPECT_EQ(ErrorNumberOf([&] { items.Item("Renamed"); }), ENOENT);
}

TEST(IniItemDirtyFlag, NewItemsAndEverySetterMarkDirty) {
  IniItems items = ThreeItems();
  auto item = items.Item(1);
  EXPECT_TRUE(item->IsSaveToReg());
  auto check = [&](const std::function<void()>& set) {
    item->SetIsSaveToReg(false);
    set();
    EXPECT_TRUE(item->IsSaveToReg());
  };
  check([&] { item->SetValue("x"); });
  check([&] { item->SetName("UserList"); });
  check([&] { item->SetDescription("d"); });
  check([&] { item->SetDataType(xpIniItemDataType_EncTextValue); });
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
