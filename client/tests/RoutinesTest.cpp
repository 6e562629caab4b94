#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "kokit/ErrString.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"
#include "routines/Routines.h"

namespace {

using namespace quarlolink;

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

TEST(PercentEncodeTest, EncodesEveryByteOfTheLegacyForm) {
  EXPECT_EQ(PercentEncode(""), "");
  EXPECT_EQ(PercentEncode("a1 "), "%61%31%20");
  EXPECT_EQ(PercentEncode("\t"), "%09");
  EXPECT_EQ(PercentEncode("\r\n"), "%0D%0A");
  EXPECT_EQ(PercentEncode("中"), "%D6%D0");
}

TEST(EncipherTextTest, SameInputGivesSameLengthButRandomHead) {
  const std::string a = EncipherText("select * from 表", "Harbor Lantern Keys");
  const std::string b = EncipherText("select * from 表", "Harbor Lantern Keys");
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(a.size(), b.size());
  for (char c : a) EXPECT_TRUE(c >= 32 && c <= 126);
}

TEST(EncipherTextTest, DecipheringGivesTheHexCodes) {
  const std::string enc = EncipherText("A中请", "k");
  const std::string plain =
      kokit::KoToolsApp().EncCharStr(enc, "k", kokit::xpEncStr_UnEncWithKeyHead);
  EXPECT_EQ(plain, "41;4E2D;FFFF8BF7;");
}

TEST(ToLongOrZeroTest, ReadsNumbersRoundingHalvesToEven) {
  EXPECT_EQ(ToLongOrZero("42"), 42);
  EXPECT_EQ(ToLongOrZero(" -7 "), -7);
  EXPECT_EQ(ToLongOrZero("2.5"), 2);
  EXPECT_EQ(ToLongOrZero("3.5"), 4);
  EXPECT_EQ(ToLongOrZero("abc"), 0);
  EXPECT_EQ(ToLongOrZero(""), 0);
  EXPECT_EQ(ToLongOrZero("0x10"), 0);
  EXPECT_EQ(ToLongOrZero("2147483647"), 2147483647);
}

TEST(ToLongOrZeroTest, NumberOutsideTheRangeIsAnOverflow) {
  EXPECT_THROW(ToLongOrZero("2147483648"), kokit::Error);
  EXPECT_THROW(ToLongOrZero("-1e300"), kokit::Error);
}

TEST(JoinServerPathTest, JoinsAndResolvesLikeTheServer) {
  EXPECT_EQ(JoinServerPath("D:\\site\\db", "a.mdb"), "D:\\site\\db\\a.mdb");
  EXPECT_EQ(JoinServerPath("D:\\site\\db", "data\\a.mdb"), "D:\\site\\db\\data\\a.mdb");
  EXPECT_EQ(JoinServerPath("D:\\site\\db", "..\\a.mdb"), "D:\\site\\a.mdb");
  EXPECT_EQ(JoinServerPath("D:\\site\\db", "\\data\\a.mdb"), "D:\\data\\a.mdb");
  EXPECT_EQ(JoinServerPath("D:\\site\\db", "C:\\x\\a.mdb"), "C:\\x\\a.mdb");
  EXPECT_EQ(JoinServerPath("D:\\", "..\\a.mdb"), "");
  EXPECT_EQ(JoinServerPath("D:\\site\\db\\", "a.mdb"), "D:\\site\\db\\a.mdb");
  EXPECT_EQ(JoinServerPath("D:\\site\\db", ".\\x\\..\\a.mdb"), "D:\\site\\db\\a.mdb");
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

  quarlo::testing::TempDir dir_;
  kokit::ErrString reporter_;
  int32_t status_ = 0;
  std::string text_ = "OK";
};

TEST_F(ApplyErrorStatusTest, OwnFailureWithoutCodeBecomesMinusOneAndEmptyText) {
  Raise(kokit::Error(0, ""));
  EXPECT_EQ(status_, -1);
  EXPECT_EQ(text_, "");
}

TEST_F(ApplyErrorStatusTest, FacadeCodesGetTheirTexts) {
  status_ = 10014;
  Raise(kokit::Error(0, ""));
  EXPECT_EQ(text_, "当前状态不能执行 GetHead 或 GetText!");
  status_ = 10015;
  text_ = "OK";
  Raise(kokit::Error(0, ""));
  EXPECT_EQ(status_, 10015);
  EXPECT_EQ(text_, "运行超时!");
}

TEST_F(ApplyErrorStatusTest, OtherCodeKeepsItsText) {
  status_ = 7;
  text_ = "server said no";
  Raise(kokit::Error(0, ""));
  EXPECT_EQ(status_, 7);
  EXPECT_EQ(text_, "server said no");
}

TEST_F(ApplyErrorStatusTest, RunTimeErrorTakesItsNumberAndIsLoggedInANewFolder) {
  text_ = "Exec...";
  Raise(kokit::Error(2, "No such file or directory"));
  EXPECT_EQ(status_, 2);
  EXPECT_EQ(text_, "Exec...No such file or directory");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "logs" / "q.log"));
}

}  // namespace
