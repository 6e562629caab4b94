#include "db/OdbcBackend.h"

#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "db/Backend.h"

namespace quarlopages::db {
namespace {

using testing::ErrorOf;

TEST(OdbcBackend, UnknownDriverNameGivesTheDriverManagerText) {
  const std::string text = ErrorOf([] { Connect("driver={No Such Driver};server=x", {}); });
  EXPECT_EQ(text.rfind("01000: ", 0), 0u) << text;
}

}  // namespace
}  // namespace quarlopages::db
