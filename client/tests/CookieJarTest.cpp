#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CookieJar.h"

namespace {

using quarlolink::http::CookieJar;

// Each row stores its Set-Cookie values in a fresh jar, then asks for one URL's Cookie header.
TEST(CookieJarTest, CookiesGoBackWhereTheyBelong) {
  using Stores = std::vector<std::pair<const char*, const char*>>;
  struct Row {
    const char* name;
    Stores stores;
    const char* url;
    const char* header;
  };
  const Stores hostOnly = {{"http://site.example/quarlo/open.asp", "SID=1; Path=/"}};
  const Stores domain = {{"http://a.site.example/", "D=1; Domain=.site.example"},
                         {"http://a.site.example/", "EVIL=1; Domain=other.example"}};
  const Stores folder = {{"http://h/quarlo/open.asp", "P=1"}};
  const Stores secure = {{"https://h/", "S=1; Path=/; Secure"}};
  const Row rows[] = {
      {"host-only cookie to its host", hostOnly, "http://site.example/quarlo/execute.asp?x=1",
       "SID=1"},
      {"host-only cookie not to a subdomain", hostOnly, "http://www.site.example/", ""},
      {"host-only cookie not to another site", hostOnly, "http://other.example/", ""},
      {"domain cookie to a subdomain", domain, "http://b.site.example/", "D=1"},
      {"domain of another site refused", domain, "http://other.example/", ""},
      {"default path is the request's folder", folder, "http://h/quarlo/execute.asp", "P=1"},
      {"not a folder with a longer name", folder, "http://h/quarlo2/x", ""},
      {"not above the folder", folder, "http://h/", ""},
      {"replaced",
       {{"http://h/", "A=1; Path=/"}, {"http://h/", "A=2; Path=/"}},
       "http://h/",
       "A=2"},
      {"removed by Max-Age=0",
       {{"http://h/", "A=1; Path=/"}, {"http://h/", "A=x; Path=/; Max-Age=0"}},
       "http://h/",
       ""},
      {"expired",
       {{"http://h/", "B=1; Path=/; Expires=Thu, 01 Jan 1970 00:00:10 GMT"}},
       "http://h/",
       ""},
      {"secure not over http", secure, "http://h/", ""},
      {"secure over https", secure, "https://h/", "S=1"},
      {"malformed values ignored",
       {{"http://h/", "novalue"}, {"http://h/", "=x"}, {"not a url", "A=1"}},
       "http://h/",
       ""},
  };
  for (const Row& row : rows) {
    CookieJar jar;
    for (const auto& [url, value] : row.stores) jar.Store(url, value);
    EXPECT_EQ(jar.HeaderFor(row.url), row.header) << row.name;
  }
}

}  // namespace
