#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "conn/LibraryAccess.h"
#include "kokit/Error.h"
#include "quarlolink/XmlFields.h"

using quarlolink::internal::LibraryAccess;

// A field is found by position or by name in any letter case (a number in text is a name); a bad
// position (9), an unknown name (5) or a repeated name (457) reaches the caller; a field the host
// keeps follows value changes and outlives its list.
TEST(XmlFields, PositionOrNameGivesTheFieldAndBadOnesReachTheCaller) {
  auto fields = LibraryAccess::NewFields();
  LibraryAccess::AddField(*fields, "Id", "", 3, 4);
  LibraryAccess::AddField(*fields, "名称", "", 200, 50);
  LibraryAccess::AddField(*fields, "1", "", 0, 0);
  auto kept = fields->Item("ID");
  EXPECT_EQ(fields->Item(0), kept);
  EXPECT_EQ(fields->Item(1), fields->Item("名称"));
  EXPECT_EQ(fields->Item("1"), fields->Item(2));
  std::vector<std::string> names;
  for (const auto& field : *fields) names.push_back(field->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Id", "名称", "1"}));
  const std::pair<std::function<void()>, int32_t> bad[] = {
      {[&] { fields->Item(3); }, 9},
      {[&] { fields->Item(-1); }, 9},
      {[&] { fields->Item("nope"); }, 5},
      {[&] { fields->Item("0"); }, 5},
      {[&] { LibraryAccess::AddField(*fields, "iD", "", 0, 0); }, 457},
  };
  for (const auto& [call, number] : bad) {
    try {
      call();
      ADD_FAILURE() << number;
    } catch (const kokit::Error& e) {
      EXPECT_EQ(e.Number(), number);
    }
  }
  EXPECT_EQ(fields->Count(), 3);
  LibraryAccess::SetValue(*fields->Item(0), "7");
  fields.reset();
  EXPECT_EQ(kept->Value(), "7");
  EXPECT_EQ(kept->DataType(), 3);
}
