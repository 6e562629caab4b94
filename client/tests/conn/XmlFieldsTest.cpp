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

TEST(XmlFields, PositionOrNameInAnyLetterCaseGivesTheField) {
  XmlFields fields = TwoColumns();
  LibraryAccess::AddField(fields, "1", "", 0, 0);
  auto first = fields.Item(0);
  EXPECT_EQ(first, fields.Item("ID"));
  EXPECT_EQ(fields.Item(1), fields.Item("名称"));
  EXPECT_EQ(fields.Item("1"), fields.Item(2));  // a number in text is a name
  EXPECT_EQ(first->DataType(), 3);
  EXPECT_EQ(first->DefinedSize(), 4);
  std::vector<std::string> names;
  for (const auto& field : fields) names.push_back(field->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Id", "名称", "1"}));
  XmlFields empty;
  EXPECT_EQ(empty.begin(), empty.end());
}

TEST(XmlFields, BadPositionNameOrDuplicateReachesTheCaller) {
  XmlFields fields = TwoColumns();
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item(2); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item(-1); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item("nope"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { fields.Item("0"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { LibraryAccess::AddField(fields, "iD", "", 0, 0); }), 457);
  EXPECT_EQ(fields.Count(), 2);
  EXPECT_EQ(fields.Item("id")->DataType(), 3);
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
