// The transport through the hosts' facade: answers and failures, header fields, large bodies,
// cookies, time-outs, calls from inside a wait, asynchronous requests and HTTPS.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "CookieJar.h"
#include "Loopback.h"
#include "RawTlsServer.h"

namespace {

using namespace quarlo::testing;
using quarlolink::IEOHttpItem;

constexpr int32_t kFails = INT32_MIN;  // any status but 0

// One facade through every kind of answer; after a failure the next request still works. A
// command time-out of 0 ends at once, one of 1 s ends a silent page.
TEST_F(Loopback, EachRequestGivesItsAnswerOrItsReasonAndItsHeaderFields) {
  const std::string refused = "http://127.0.0.1:1/text";
  struct Row {
    const char* name;
    bool head;
    int timeout;
    std::string url;
    int32_t status;
    std::optional<std::string> text;
    const char* reason;  // a part of OptString
  };
  const Row rows[] = {
      {"plain body", false, 10, Url("/text"), 0, "hello", "OK"},
      {"error page", false, 10, Url("/status500"), 0, "the page failed: division by zero", "OK"},
      {"legacy-encoded body is decoded", false, 10, Url("/gbk"), 0, kChinese, "OK"},
      {"redirect within the site is followed", false, 10, Url("/redirect/same"), 0, "hello", "OK"},
      {"redirect to another host", false, 10, Url("/redirect/other"), -1, "", "another site"},
      {"refused connection", false, 10, refused, kFails, "", "connect"},
      {"body cut off midway", false, 10, Url("/truncate"), kFails, "", "partial"},
      {"malformed URL", false, 10, "http://[::1", kFails, "", ""},
      {"too long", false, 10, Url("/length?q=" + std::string(1100000, 'A')), kFails, "",
       "too long"},
      // A 100,000-character statement percent-encoded: answered 414, but sent and answered.
      {"long over http", false, 10, Url("/length?q=" + std::string(300000, 'A')), 0, {}, "OK"},
      {"time-out of 0", false, 0, Url("/text"), 10015, std::nullopt, "运行超时!"},
      {"silent page", false, 1, Url("/hang"), 10015, std::nullopt, "运行超时!"},
      {"head of a missing page", true, 10, Url("/status404"), -1, std::nullopt, "Not Found"},
      {"head on a refused connection", true, 10, refused, -1, std::nullopt, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    facade.SetCmdTimeout(row.timeout);
    row.head ? facade.GetHead(row.url) : facade.GetText(row.url);
    EXPECT_TRUE(row.status == kFails ? facade.OptStatus() != 0 : facade.OptStatus() == row.status);
    EXPECT_NE(facade.OptString().find(row.reason), std::string::npos) << facade.OptString();
    EXPECT_EQ(facade.Status() == 4, row.status == 10015);
    EXPECT_EQ(facade.ResponseText(), row.text.value_or(facade.ResponseText()));
    facade.SetCmdTimeout(10);
    facade.GetText(Url("/text"));
    EXPECT_EQ(facade.ResponseText(), "hello");
  }
  EXPECT_GE(facade.UseTime(), 0.0);

  // The header fields of a HEAD; the session cookie goes back on later requests of any facade.
  facade.GetHead(Url("/headers"));
  ASSERT_EQ(facade.OptStatus(), 0) << facade.OptString();
  using Texts = std::vector<std::string>;
  EXPECT_EQ((Texts{facade.HTTPCode(), facade.HTTPInfo(), facade.MIMEVersion(), facade.ETag(),
                   facade.AcceptRanges(), facade.WebServer(), facade.ContentLocation(),
                   facade.ContentType(), std::to_string(facade.ContentLength()),
                   facade.LastModified().ToText(), facade.TransferDate().ToText(),
                   facade.RemoteHost(), facade.Document()}),
            (Texts{"200", "OK", "HTTP/1.1", "abc123", "bytes", "Scripted/1.0", "/db/page.asp",
                   "text/html", "10", "2015-10-21 07:28:09", "2026-12-06 19:15:06", "127.0.0.1",
                   "/headers"}));
  facade.GetText(Url("/cookie/set"));
  facade.GetText(Url("/cookie/echo"));
  EXPECT_EQ(facade.ResponseText(), "QSESSION=s123");
  IEOHttpItem other;
  other.SetCmdTimeout(10);
  other.GetText(Url("/cookie/echo"));
  EXPECT_EQ(other.ResponseText(), "QSESSION=s123");
}

// The host's events run during a wait, after each piece of at most 1024 bytes; a request made
// from them is refused and the first completes.
TEST_F(Loopback, HostEventsRunDuringAWaitAndCannotStartAnotherRequest) {
  constexpr std::size_t kBytes = 5 * 1024 * 1024 + 17;
  int pumps = 0;
  std::string inner;
  kokit::SetEventPump([&] {
    if (pumps++ > 0) return;
    facade.GetText(Url("/text"));
    inner = std::to_string(facade.OptStatus()) + " " + facade.OptString();
  });
  facade.GetText(Url("/large?bytes=" + std::to_string(kBytes)));
  EXPECT_EQ(inner, "10014 当前状态不能执行 GetHead 或 GetText!");
  ASSERT_EQ(facade.OptStatus(), 0) << facade.OptString();
  EXPECT_TRUE(facade.ResponseText() == PatternBody(kBytes));
  EXPECT_EQ(facade.Status(), 0);
  EXPECT_GE(pumps, static_cast<int>(kBytes / 1024));
}

// A host driving asynchronous requests from its timer: an answer, a failure, a file.
TEST_F(Loopback, AsynchronousRequestsAnnounceTheirEnds) {
  std::string answer, code, desc;
  bool saved = false;
  facade.OnGetTextOK([&](std::string& text) { answer = text; });
  facade.OnGetTextFail([&](const std::string& c, const std::string& d) { code = c, desc = d; });
  facade.OnGetDataOK([&] { saved = true; });
  facade.GetText(Url("/slow?ms=20"), false);
  EXPECT_EQ(std::to_string(facade.OptStatus()) + " " + std::to_string(facade.Status()), "0 1");
  PumpUntil(facade, [&] { return !answer.empty(); });
  EXPECT_EQ(answer + " " + std::to_string(facade.Status()), "slow answer 0");

  facade.GetText(Url("/truncate"), false);
  PumpUntil(facade, [&] { return !code.empty(); });
  EXPECT_EQ(code + " " + std::to_string(facade.Status()), "18 5");  // body shorter than announced
  EXPECT_FALSE(desc.empty());

  const auto path = dir / "sub" / "body.bin";
  facade.GetData(Url("/large?bytes=3000"), path.string(), false);
  PumpUntil(facade, [&] { return saved; });
  EXPECT_TRUE(saved && ReadFile(path) == PatternBody(3000));
}

// A site with a certificate of its own: refused until the CA file names it; then long
// statements go out up to the limit, with the session cookie, and are refused above it.
TEST(Https, CertificateTrustAndLongRequests) {
  TempDir dir;
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  ASSERT_EQ(std::system(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                         "-nodes -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 "
                         "-keyout '" +
                         key + "' -out '" + cert + "' >/dev/null 2>&1")
                            .c_str()),
            0);
  TestServer server(cert, key);
  AddStandardRoutes(server);
  server.Start();
  IEOHttpItem facade;
  facade.SetCmdTimeout(10);
  facade.GetText(server.Url("/text", "https"));
  EXPECT_EQ(facade.OptStatus(), -1);
  EXPECT_NE(facade.OptString().find("certificate"), std::string::npos) << facade.OptString();
  {
    ScopedEnv unreadable("QUARLO_CA_FILE", "/nonexistent/ca.pem");
    facade.GetText(server.Url("/text", "https"));
    EXPECT_EQ(facade.OptStatus(), -1);
  }
  ScopedEnv trust("QUARLO_CA_FILE", cert);
  facade.GetHead(server.Url("/headers", "https"));
  EXPECT_EQ(facade.HTTPCode(), "200") << facade.OptString();
  facade.GetText(server.Url("/cookie/set", "https"));
  ASSERT_EQ(facade.OptStatus(), 0) << facade.OptString();
  RawTlsServer raw(cert, key);
  facade.GetText(raw.Url("/length?q=" + std::string(110000, 'A')));
  EXPECT_EQ(facade.OptStatus(), 0) << facade.OptString();
  EXPECT_GT(std::stoul("0" + facade.ResponseText()), 110000u);
  EXPECT_TRUE(facade.ResponseText().ends_with("|QSESSION=s123")) << facade.ResponseText();
  facade.GetText(raw.Url("/length?q=" + std::string(200000, 'A')));
  EXPECT_EQ(facade.OptStatus(), -1);
  EXPECT_NE(facade.OptString().find("too long"), std::string::npos) << facade.OptString();
}

// Each row stores its Set-Cookie values in a fresh jar, then asks for one URL's Cookie header.
TEST(CookieJarTest, CookiesGoBackWhereTheyBelong) {
  struct Row {
    const char* name;
    std::string stores;  // "url value" pairs, one a line
    const char* url;
    const char* header;
  };
  const std::string hostOnly = "http://site.example/quarlo/open.asp SID=1; Path=/",
                    domain =
                        "http://a.site.example/ D=1; Domain=.site.example\n"
                        "http://a.site.example/ EVIL=1; Domain=other.example",
                    folder = "http://h/quarlo/open.asp P=1",
                    secure = "https://h/ S=1; Path=/; Secure";
  const Row rows[] = {
      {"host-only cookie to its host", hostOnly, "http://site.example/quarlo/execute.asp?x=1",
       "SID=1"},
      {"host-only cookie not to a subdomain", hostOnly, "http://www.site.example/", ""},
      {"domain cookie to a subdomain", domain, "http://b.site.example/", "D=1"},
      {"domain of another site refused", domain, "http://other.example/", ""},
      {"default path is the request's folder", folder, "http://h/quarlo/execute.asp", "P=1"},
      {"not a folder with a longer name", folder, "http://h/quarlo2/x", ""},
      {"not above the folder", folder, "http://h/", ""},
      {"replaced", "http://h/ A=1; Path=/\nhttp://h/ A=2; Path=/", "http://h/", "A=2"},
      {"removed by Max-Age=0", "http://h/ A=1; Path=/\nhttp://h/ A=x; Path=/; Max-Age=0",
       "http://h/", ""},
      {"expired", "http://h/ B=1; Path=/; Expires=Thu, 01 Jan 1970 00:00:10 GMT", "http://h/", ""},
      {"secure not over http", secure, "http://h/", ""},
      {"secure over https", secure, "https://h/", "S=1"},
      {"malformed values ignored", "http://h/ novalue\nhttp://h/ =x\nnot_a_url A=1", "http://h/",
       ""},
  };
  for (const Row& row : rows) {
    quarlolink::http::CookieJar jar;
    std::istringstream lines(row.stores);
    for (std::string url, value; lines >> url && std::getline(lines >> std::ws, value);)
      jar.Store(url, value);
    EXPECT_EQ(jar.HeaderFor(row.url), row.header) << row.name;
  }
}

}  // namespace
