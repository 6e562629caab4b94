#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "TestRoutes.h"
#include "kokit/Codepage.h"
#include "kokit/EventPump.h"
#include "quarlolink/IEOHttpItem.h"

namespace {

using quarlo::testing::AddStandardRoutes;
using quarlo::testing::PatternBody;
using quarlo::testing::TestServer;
using quarlolink::IEOHttpItem;

const std::string kChinese = "中文查询结果：第一行";

class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddStandardRoutes(server_, kokit::ToLegacy(kChinese));
    server_.Start();
    facade_.SetCmdTimeout(10);
  }
  void TearDown() override { kokit::SetEventPump(nullptr); }

  std::string Url(const std::string& path) const { return server_.Url(path); }

  TestServer server_;
  IEOHttpItem facade_;
};

TEST_F(FacadeTest, GetTextGivesTheBodyOrTheReason) {
  struct Row {
    const char* name;
    const char* path;
    int32_t status;
    std::string text;
  };
  const Row rows[] = {
      {"plain body", "/text", 0, "hello"},
      {"an error page's body is still the answer", "/status500", 0,
       "the page failed: division by zero"},
      {"empty body", "/empty", 0, ""},
      {"legacy-encoded body is decoded", "/gbk", 0, kChinese},
      {"redirect within the site is followed", "/redirect/same", 0, "hello"},
      {"redirect to another host is refused", "/redirect/other", -1, ""},
  };
  for (const Row& row : rows) {
    facade_.GetText(Url(row.path));
    EXPECT_EQ(facade_.OptStatus(), row.status) << row.name;
    EXPECT_EQ(facade_.ResponseText(), row.text) << row.name;
  }
  EXPECT_NE(facade_.OptString().find("another site"), std::string::npos) << facade_.OptString();
  facade_.GetText(Url("/text"));
  EXPECT_EQ(facade_.OptString(), "OK");
  EXPECT_EQ(facade_.Status(), 0);
  EXPECT_GE(facade_.UseTime(), 0.0);
}

TEST_F(FacadeTest, LargeBodyArrivesWholeInPiecesWithYields) {
  constexpr std::size_t kBytes = 5 * 1024 * 1024 + 17;
  int pumps = 0;
  kokit::SetEventPump([&pumps] { ++pumps; });
  facade_.GetText(Url("/large?bytes=" + std::to_string(kBytes)));
  ASSERT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
  EXPECT_TRUE(facade_.ResponseText() == PatternBody(kBytes));
  // One yield after each piece of at most 1024 bytes.
  EXPECT_GE(pumps, static_cast<int>(kBytes / 1024));
}

TEST_F(FacadeTest, SessionCookieGoesBackOnLaterRequestsOfAnyFacade) {
  facade_.GetText(Url("/cookie/set"));
  ASSERT_EQ(facade_.OptStatus(), 0);
  facade_.GetText(Url("/cookie/echo"));
  EXPECT_EQ(facade_.ResponseText(), "QSESSION=s123");

  IEOHttpItem other;
  other.SetCmdTimeout(10);
  other.GetText(Url("/cookie/echo"));
  EXPECT_EQ(other.ResponseText(), "QSESSION=s123");
}

TEST_F(FacadeTest, GetHeadGivesTheHeaderFields) {
  facade_.GetHead(Url("/headers"));
  ASSERT_EQ(facade_.OptStatus(), 0) << facade_.OptString();
  EXPECT_EQ(facade_.HTTPCode(), "200");
  EXPECT_EQ(facade_.HTTPInfo(), "OK");
  EXPECT_EQ(facade_.MIMEVersion(), "HTTP/1.1");
  EXPECT_EQ(facade_.ETag(), "abc123");
  EXPECT_EQ(facade_.AcceptRanges(), "bytes");
  EXPECT_EQ(facade_.WebServer(), "Scripted/1.0");
  EXPECT_EQ(facade_.ContentLocation(), "/db/page.asp");
  EXPECT_EQ(facade_.ContentType(), "text/html");
  EXPECT_EQ(facade_.ContentLength(), 10);
  EXPECT_EQ(facade_.LastModified(), (kokit::DateTime{2015, 10, 21, 7, 28, 9}));
  EXPECT_EQ(facade_.TransferDate(), (kokit::DateTime{2026, 12, 6, 19, 15, 6}));
  EXPECT_EQ(facade_.RemoteHost(), "127.0.0.1");
  EXPECT_EQ(facade_.Document(), "/headers");
}

TEST_F(FacadeTest, GetHeadOnMissingPageFailsWithReasonPhrase) {
  facade_.GetHead(Url("/status404"));
  EXPECT_EQ(facade_.OptStatus(), -1);
  EXPECT_EQ(facade_.OptString(), "Not Found");
  EXPECT_EQ(facade_.HTTPCode(), "404");
}

TEST_F(FacadeTest, ZeroCommandTimeoutTimesOutAtOnce) {
  facade_.SetCmdTimeout(0);
  facade_.GetText(Url("/text"));
  EXPECT_EQ(facade_.OptStatus(), 10015);
  EXPECT_EQ(facade_.OptString(), "运行超时!");
  EXPECT_EQ(facade_.Status(), 4);
}

TEST_F(FacadeTest, SecondRequestFromInsideTheWaitIsRefusedAndFirstCompletes) {
  int innerStatus = 0;
  std::string innerText;
  bool fired = false;
  kokit::SetEventPump([&] {
    if (fired) return;
    fired = true;
    facade_.GetText(Url("/text"));
    innerStatus = facade_.OptStatus();
    innerText = facade_.OptString();
  });
  facade_.GetText(Url("/slow?ms=100"));
  EXPECT_EQ(innerStatus, 10014);
  EXPECT_EQ(innerText, "当前状态不能执行 GetHead 或 GetText!");
  EXPECT_EQ(facade_.OptStatus(), 0);
  EXPECT_EQ(facade_.ResponseText(), "slow answer");
  EXPECT_EQ(facade_.Status(), 0);
}

TEST_F(FacadeTest, RequestAfterTimeOutRenewsAndSucceeds) {
  facade_.SetCmdTimeout(1);
  facade_.GetText(Url("/hang"));
  ASSERT_EQ(facade_.OptStatus(), 10015);
  facade_.SetCmdTimeout(10);
  facade_.GetText(Url("/text"));
  EXPECT_EQ(facade_.OptStatus(), 0);
  EXPECT_EQ(facade_.ResponseText(), "hello");
}

// Drives an asynchronous request the way a host's timer would, for at most five seconds.
template <typename Done>
void PumpUntil(IEOHttpItem& facade, Done done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done() && std::chrono::steady_clock::now() < until) facade.Pump(10);
}

TEST_F(FacadeTest, AsynchronousGetTextAnnouncesItsAnswer) {
  std::string answer;
  bool ok = false;
  facade_.OnGetTextOK([&](std::string& text) {
    answer = text;
    ok = true;
  });
  facade_.GetText(Url("/slow?ms=20"), false);
  EXPECT_EQ(facade_.OptStatus(), 0);
  EXPECT_EQ(facade_.Status(), 1);
  PumpUntil(facade_, [&] { return ok; });
  EXPECT_TRUE(ok);
  EXPECT_EQ(answer, "slow answer");
  EXPECT_EQ(facade_.Status(), 0);
}

TEST_F(FacadeTest, AsynchronousFailureIsAnnounced) {
  std::string code, desc;
  facade_.OnGetTextFail([&](const std::string& c, const std::string& d) {
    code = c;
    desc = d;
  });
  facade_.GetText(Url("/truncate"), false);
  PumpUntil(facade_, [&] { return !code.empty(); });
  EXPECT_EQ(code, "18");  // the body ended before its announced length
  EXPECT_FALSE(desc.empty());
  EXPECT_EQ(facade_.Status(), 5);
}

TEST_F(FacadeTest, AsynchronousGetDataWritesTheFile) {
  quarlo::testing::TempDir dir;
  const std::string path = (dir / "sub" / "body.bin").string();
  bool ok = false;
  facade_.OnGetDataOK([&] { ok = true; });
  facade_.GetData(Url("/large?bytes=3000"), path, false);
  PumpUntil(facade_, [&] { return ok; });
  ASSERT_TRUE(ok);
  std::ifstream in(path, std::ios::binary);
  std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(written == PatternBody(3000));
}

}  // namespace
