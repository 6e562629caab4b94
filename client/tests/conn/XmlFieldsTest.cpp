#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conn/LibraryAccess.h"
#include "kokit/Error.h"
#include "quarlolink/XmlFields.h"

using quarlolink::XmlFields;
using quarlolink::internal::LibraryAccess;

namespace {

XmlFields TwoColumns() {
  XmlFields fields;
  LibraryAccess::AddField(fields, "Id", "", 3, 4);
  LibraryAccess::AddField(fields, "名称", "", 200, 50);
  return fields;
}

int32_t ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const kokit::Error& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST(XmlFields, PositionNameAndOtherLetterCaseGiveTheSameField) {
  XmlFields fields = TwoColumns();
  auto first = fields.Item(0);
  EXPECT_EQ(first, fields.Item("Id"));
  EXPECT_EQ(first, fields.Item("ID"));
  EXPECT_EQ(first, fields.Item(std::string("iD")));
  EXPECT_EQ(fields.Item(1), fields.Item("名称"));
  EXPECT_EQ(first->Name(), "Id");
  EXPECT_EQ(first->DataType(), 3);
  EXPECT_EQ(first->DefinedSize(), 4);
  EXPECT_EQ(first->Value(), "");
  EXPECT_EQ(fields.Count(), 2);
}

TEST(XmlFields, NumberHeldInTextIsLookedUpAsName) {
  XmlFields fields;
  LibraryAccess::AddField(fields, "a", "", 0, 0);
  LibraryAccess::AddField(fields, "1", "", 0, 0);
  LibraryAccess::AddField(fields, "b", "", 0, 0);
  EXPECT_EQ(fields.Item("1")->Name(), "1");
  EXPECT_EQ(fields.Item(1)->Name(), "1");
}

TEST(XmlFields, BadPositionOrNameReachesTheCaller) {
  XmlFields fields = TwoColumns();
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item(2); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item(-1); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item("nope"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item("0"); }), 5);
  XmlFields empty;
  EXPECT_EQ(ErrorNumberOf([&] { empty.Item(0); }), 9);
}

TEST(XmlFields, DuplicateNameInAnyLetterCaseIsRefused) {
  XmlFields fields = TwoColumns();
  EXPECT_EQ(ErrorNumberOf([&] { LibraryAccess::AddField(fields, "iD", "", 0, 0); }), 457);
  EXPECT_EQ(fields.Count(), 2);
  EXPECT_EQ(fields.Item("id")->DataType(), 3);
}

TEST(XmlFields, IterationFollowsColumnOrderAndYieldsNothingWhenEmpty) {
  XmlFields fields = TwoColumns();
  std::vector<std::string> names;
  for (const auto& field : fields) names.push_back(field->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Id", "名称"}));

  XmlFields empty;
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_EQ(empty.begin(), empty.end());
}

TEST(XmlFields, FieldKeptByHostFollowsValueChanges) {
  auto fields = LibraryAccess::NewFields();
  LibraryAccess::AddField(*fields, "Id", "", 3, 4);
  auto kept = fields->Item("id");
  LibraryAccess::SetValue(*fields->Item(0), "7");
  EXPECT_EQ(kept->Value(), "7");
  fields.reset();
  EXPECT_EQ(kept->Value(), "7");  // still alive
}
