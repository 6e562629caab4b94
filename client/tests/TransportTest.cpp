#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <optional>
#include <string>

#include "Loopback.h"

namespace {

using namespace quarlo::testing;
using quarlolink::IEOHttpItem;

// A loopback port that is bound but not listening: connecting to it is refused.
class RefusingPort {
 public:
  RefusingPort() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~RefusingPort() { close(fd_); }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

constexpr int32_t kFails = INT32_MIN;  // any status but 0

// One facade through every kind of answer; after a failure the next request still works.
TEST_F(Loopback, EachRequestGivesItsAnswerOrItsReason) {
  RefusingPort refusing;
  const std::string refused = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/text";
  struct Row {
    const char* name;
    bool head;
    std::string url;
    int32_t status;
    std::optional<std::string> text;
    const char* reason;  // a part of OptString
  };
  const Row rows[] = {
      {"plain body", false, Url("/text"), 0, "hello", "OK"},
      {"an error page's body is still the answer", false, Url("/status500"), 0,
       "the page failed: division by zero", "OK"},
      {"empty body", false, Url("/empty"), 0, "", "OK"},
      {"legacy-encoded body is decoded", false, Url("/gbk"), 0, kChinese, "OK"},
      {"redirect within the site is followed", false, Url("/redirect/same"), 0, "hello", "OK"},
      {"redirect to another host is refused", false, Url("/redirect/other"), -1, "",
       "another site"},
      {"refused connection", false, refused, kFails, "", "connect"},
      {"body cut off midway", false, Url("/truncate"), kFails, "", "partial"},
      {"malformed URL", false, "http://[::1", kFails, "", ""},
      {"request too long to send", false, Url("/length?q=" + std::string(1100000, 'A')), kFails, "",
       "too long"},
      // About what a 100,000-character statement becomes once percent-encoded: the scripted
      // server answers 414 to it, but the request went out and an answer came back.
      {"long request over http", false, Url("/length?q=" + std::string(300000, 'A')), 0,
       std::nullopt, "OK"},
      {"head of a missing page", true, Url("/status404"), -1, std::nullopt, "Not Found"},
      {"head on a refused connection", true, refused, -1, std::nullopt, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.head) {
      facade.GetHead(row.url);
    } else {
      facade.GetText(row.url);
    }
    if (row.status == kFails) {
      EXPECT_NE(facade.OptStatus(), 0);
    } else {
      EXPECT_EQ(facade.OptStatus(), row.status);
    }
    EXPECT_NE(facade.OptString().find(row.reason), std::string::npos) << facade.OptString();
    EXPECT_FALSE(facade.OptString().empty());
    if (row.text) {
      EXPECT_EQ(facade.ResponseText(), *row.text);
    }
    if (row.status != 0) {
      facade.GetText(Url("/text"));
      EXPECT_EQ(facade.ResponseText(), "hello");
    }
  }
  EXPECT_EQ(facade.Status(), 0);
  EXPECT_GE(facade.UseTime(), 0.0);
  facade.GetHead(Url("/status404"));
  EXPECT_EQ(facade.OptString(), "Not Found");
  EXPECT_EQ(facade.HTTPCode(), "404");
}

TEST_F(Loopback, GetHeadGivesTheHeaderFields) {
  facade.GetHead(Url("/headers"));
  ASSERT_EQ(facade.OptStatus(), 0) << facade.OptString();
  EXPECT_EQ(facade.HTTPCode(), "200");
  EXPECT_EQ(facade.HTTPInfo(), "OK");
  EXPECT_EQ(facade.MIMEVersion(), "HTTP/1.1");
  EXPECT_EQ(facade.ETag(), "abc123");
  EXPECT_EQ(facade.AcceptRanges(), "bytes");
  EXPECT_EQ(facade.WebServer(), "Scripted/1.0");
  EXPECT_EQ(facade.ContentLocation(), "/db/page.asp");
  EXPECT_EQ(facade.ContentType(), "text/html");
  EXPECT_EQ(facade.ContentLength(), 10);
  EXPECT_EQ(facade.LastModified(), (kokit::DateTime{2015, 10, 21, 7, 28, 9}));
  EXPECT_EQ(facade.TransferDate(), (kokit::DateTime{2026, 12, 6, 19, 15, 6}));
  EXPECT_EQ(facade.RemoteHost(), "127.0.0.1");
  EXPECT_EQ(facade.Document(), "/headers");
}

TEST_F(Loopback, LargeBodyArrivesWholeInPiecesWithYields) {
  constexpr std::size_t kBytes = 5 * 1024 * 1024 + 17;
  int pumps = 0;
  kokit::SetEventPump([&pumps] { ++pumps; });
  facade.GetText(Url("/large?bytes=" + std::to_string(kBytes)));
  ASSERT_EQ(facade.OptStatus(), 0) << facade.OptString();
  EXPECT_TRUE(facade.ResponseText() == PatternBody(kBytes));
  // One yield after each piece of at most 1024 bytes.
  EXPECT_GE(pumps, static_cast<int>(kBytes / 1024));
}

TEST_F(Loopback, SessionCookieGoesBackOnLaterRequestsOfAnyFacade) {
  facade.GetText(Url("/cookie/set"));
  ASSERT_EQ(facade.OptStatus(), 0);
  facade.GetText(Url("/cookie/echo"));
  EXPECT_EQ(facade.ResponseText(), "QSESSION=s123");
  IEOHttpItem other;
  other.SetCmdTimeout(10);
  other.GetText(Url("/cookie/echo"));
  EXPECT_EQ(other.ResponseText(), "QSESSION=s123");
}

// A command time-out of 0 ends at once, one of 1 s ends a silent page; the next request works.
TEST_F(Loopback, TimeOutsEndTheWaitAndTheNextRequestSucceeds) {
  facade.SetCmdTimeout(0);
  facade.GetText(Url("/text"));
  EXPECT_EQ(facade.OptStatus(), 10015);
  EXPECT_EQ(facade.OptString(), "运行超时!");
  EXPECT_EQ(facade.Status(), 4);
  facade.SetCmdTimeout(1);
  facade.GetText(Url("/hang"));
  ASSERT_EQ(facade.OptStatus(), 10015);
  facade.SetCmdTimeout(10);
  facade.GetText(Url("/text"));
  EXPECT_EQ(facade.OptStatus(), 0);
  EXPECT_EQ(facade.ResponseText(), "hello");
}

TEST_F(Loopback, SecondRequestFromInsideTheWaitIsRefusedAndFirstCompletes) {
  int innerStatus = 0;
  std::string innerText;
  bool fired = false;
  kokit::SetEventPump([&] {
    if (fired) return;
    fired = true;
    facade.GetText(Url("/text"));
    innerStatus = facade.OptStatus();
    innerText = facade.OptString();
  });
  facade.GetText(Url("/slow?ms=100"));
  EXPECT_EQ(innerStatus, 10014);
  EXPECT_EQ(innerText, "当前状态不能执行 GetHead 或 GetText!");
  EXPECT_EQ(facade.OptStatus(), 0);
  EXPECT_EQ(facade.ResponseText(), "slow answer");
  EXPECT_EQ(facade.Status(), 0);
}

// A host driving asynchronous requests from its timer: an answer, a failure, a file.
TEST_F(Loopback, AsynchronousRequestsAnnounceTheirEnds) {
  std::string answer, code, desc;
  bool saved = false;
  facade.OnGetTextOK([&](std::string& text) { answer = text; });
  facade.OnGetTextFail([&](const std::string& c, const std::string& d) { code = c, desc = d; });
  facade.OnGetDataOK([&] { saved = true; });

  facade.GetText(Url("/slow?ms=20"), false);
  EXPECT_EQ(facade.OptStatus(), 0);
  EXPECT_EQ(facade.Status(), 1);
  PumpUntil(facade, [&] { return !answer.empty(); });
  EXPECT_EQ(answer, "slow answer");
  EXPECT_EQ(facade.Status(), 0);

  facade.GetText(Url("/truncate"), false);
  PumpUntil(facade, [&] { return !code.empty(); });
  EXPECT_EQ(code, "18");  // the body ended before its announced length
  EXPECT_FALSE(desc.empty());
  EXPECT_EQ(facade.Status(), 5);

  const auto path = dir / "sub" / "body.bin";
  facade.GetData(Url("/large?bytes=3000"), path.string(), false);
  PumpUntil(facade, [&] { return saved; });
  ASSERT_TRUE(saved);
  EXPECT_TRUE(ReadFile(path) == PatternBody(3000));
}

}  // namespace
