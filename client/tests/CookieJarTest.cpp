#include <gtest/gtest.h>

#include "CookieJar.h"

namespace {

using quarlolink::http::CookieJar;

class CookieJarTest : public ::testing::Test {
 protected:
  CookieJar jar_;
};

TEST_F(CookieJarTest, HostOnlyCookieGoesBackToItsHostAlone) {
  jar_.Store("http://site.example/quarlo/open.asp", "SID=1; Path=/");
  EXPECT_EQ(jar_.HeaderFor("http://site.example/quarlo/execute.asp?x=1"), "SID=1");
  EXPECT_EQ(jar_.HeaderFor("http://www.site.example/"), "");
  EXPECT_EQ(jar_.HeaderFor("http://other.example/"), "");
}

TEST_F(CookieJarTest, DomainCookieCoversSubdomainsButNotOtherSites) {
  jar_.Store("http://a.site.example/", "D=1; Domain=.site.example");
  jar_.Store("http://a.site.example/", "EVIL=1; Domain=other.example");
  EXPECT_EQ(jar_.HeaderFor("http://b.site.example/"), "D=1");
  EXPECT_EQ(jar_.HeaderFor("http://other.example/"), "");
}

TEST_F(CookieJarTest, DefaultPathIsTheFolderOfTheRequest) {
  jar_.Store("http://h/quarlo/open.asp", "P=1");
  EXPECT_EQ(jar_.HeaderFor("http://h/quarlo/execute.asp"), "P=1");
  EXPECT_EQ(jar_.HeaderFor("http://h/quarlo2/x"), "");
  EXPECT_EQ(jar_.HeaderFor("http://h/"), "");
}

TEST_F(CookieJarTest, ReplacedAndExpiredCookies) {
  jar_.Store("http://h/", "A=1; Path=/");
  jar_.Store("http://h/", "A=2; Path=/");
  EXPECT_EQ(jar_.HeaderFor("http://h/"), "A=2");
  jar_.Store("http://h/", "A=x; Path=/; Max-Age=0");
  EXPECT_EQ(jar_.HeaderFor("http://h/"), "");
  jar_.Store("http://h/", "B=1; Path=/; Expires=Thu, 01 Jan 1970 00:00:10 GMT");
  EXPECT_EQ(jar_.HeaderFor("http://h/"), "");
}

TEST_F(CookieJarTest, SecureCookieOnlyOverHttps) {
  jar_.Store("https://h/", "S=1; Path=/; Secure");
  EXPECT_EQ(jar_.HeaderFor("http://h/"), "");
  EXPECT_EQ(jar_.HeaderFor("https://h/"), "S=1");
}

TEST_F(CookieJarTest, MalformedValuesAreIgnored) {
  jar_.Store("http://h/", "novalue");
  jar_.Store("http://h/", "=x");
  jar_.Store("not a url", "A=1");
  EXPECT_EQ(jar_.HeaderFor("http://h/"), "");
}

}  // namespace
