#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "HeaderFields.h"
#include "TempDir.h"
#include "TestRoutes.h"
#include "kokit/Codepage.h"
#include "kokit/IniItems.h"
#include "quarlolink/HttpItem.h"
#include "settings/ClientSettings.h"

namespace {

using quarlo::testing::AddStandardRoutes;
using quarlo::testing::TempDir;
using quarlo::testing::TestServer;
using quarlolink::HttpItem;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Drives the item until its request is over, for at most five seconds.
void RunToEnd(HttpItem& item) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (item.Status() == 1 && std::chrono::steady_clock::now() < until) item.Pump(10);
}

const std::string kHeader404 = "HTTP/1.1 404 Not Found\r\nContent-Length: abc\r\nServer: x\r\n";

TEST(HeaderFieldsTest, FieldsOfAHeader) {
  namespace h = quarlolink::http;
  const std::string ok =
      "HTTP/1.1 200 OK\r\nContent-Location: http://host.example/a/b.asp\r\n"
      "Date: Sun, 06 Dec 2026 19:15:06 GMT\r\n";
  struct Row {
    const char* name;
    std::string got;
    std::string want;
  };
  const Row rows[] = {
      {"status code", h::HeaderStatusCode(kHeader404), "404"},
      {"reason phrase", h::HeaderReasonPhrase(kHeader404), "Not Found"},
      {"MIME version", h::HeaderMimeVersion(kHeader404), "HTTP/1.1"},
      {"missing date", h::HeaderLastModified(kHeader404).ToText(), kokit::DateTime{}.ToText()},
      {"unreadable length", std::to_string(h::HeaderContentLength(kHeader404)), "0"},
      {"missing ETag", h::HeaderETag(kHeader404), ""},
      {"impossible date", h::ParseHttpDate("Sun, 31 Feb 2026 10:00:00 GMT").ToText(),
       kokit::DateTime{}.ToText()},
      {"location keeps only the path", h::HeaderContentLocation(ok), "/a/b.asp"},
      {"relative location",
       h::HeaderContentLocation("HTTP/1.1 200 OK\r\nContent-Location: /a/b.asp\r\n"), "/a/b.asp"},
      {"date stays in GMT", h::HeaderDate(ok).ToText(), "2026-12-06 19:15:06"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.name;
}

class HttpItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddStandardRoutes(server_);
    server_.server().Get("/pieces", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider(
          "text/plain", [](std::size_t offset, httplib::DataSink& sink) {
            if (offset == 0) {
              sink.write("a", 1);  // a first piece of exactly one byte
            } else {
              const std::string rest = quarlo::testing::PatternBody(3000);
              sink.write(rest.data(), rest.size());
              sink.done();
            }
            return true;
          });
    });
    server_.Start();
  }

  TestServer server_;
  HttpItem item_;
  TempDir dir_;
};

TEST_F(HttpItemTest, GetCollectsBytesAndRaisesCompletion) {
  int kind = 0, type = -1;
  item_.OnResponseCompleted([&](int32_t k, int32_t t) {
    kind = k;
    type = t;
  });
  item_.OpenUrl(server_.Url("/pieces"), 1);
  EXPECT_EQ(item_.Status(), 1);
  EXPECT_EQ(item_.OptString(), "Exec OpenURL...OK");
  RunToEnd(item_);
  EXPECT_EQ(kind, 2);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(item_.Status(), 0);
  EXPECT_TRUE(item_.ResponseData() == "a" + quarlo::testing::PatternBody(3000));
}

TEST_F(HttpItemTest, HeadKeepsTheFinalHeaderWithCrLfLines) {
  item_.GetHeader(server_.Url("/redirect/same"));
  RunToEnd(item_);
  const std::string& h = item_.ResponseHeader();
  EXPECT_TRUE(h.starts_with("HTTP/1.1 200 OK\r\n")) << h;
  EXPECT_TRUE(h.ends_with("\r\n"));
  EXPECT_EQ(h.find("302"), std::string::npos);
}

TEST_F(HttpItemTest, HeadWhileAGetRunsIsRefusedAndAbandonsTheGet) {
  bool completed = false;
  item_.OnResponseCompleted([&](int32_t, int32_t) { completed = true; });
  item_.OpenUrl(server_.Url("/slow?ms=50"), 1);
  item_.GetHeader(server_.Url("/text"));
  EXPECT_EQ(item_.OptStatus(), -1);
  EXPECT_TRUE(item_.OptString().ends_with("Now Runing"));
  EXPECT_EQ(item_.Status(), 0);
  for (int i = 0; i < 20; ++i) item_.Pump(10);
  EXPECT_FALSE(completed);
}

TEST_F(HttpItemTest, EmptyBodySavesAZeroByteFile) {
  item_.OpenUrl(server_.Url("/empty"), 1);
  RunToEnd(item_);
  const auto path = dir_ / "out" / "empty.bin";
  item_.SaveResponseData(path.string());
  EXPECT_EQ(item_.OptString(), "Save ResponseData...OK");
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(HttpItemTest, SavedTextIsExactlyItsLegacyBytes) {
  item_.OpenUrl(server_.Url("/text"), 0);
  RunToEnd(item_);
  EXPECT_EQ(item_.ResponseString(), "hello");
  EXPECT_EQ(item_.ResponseDataType(), 0);
  const auto path = dir_ / "text.txt";
  item_.SaveResponseString(path.string());
  EXPECT_EQ(item_.OptStatus(), 0);
  EXPECT_EQ(ReadFile(path), kokit::ToLegacy("hello"));
}

TEST_F(HttpItemTest, SavingNothingOrBelowAFileFails) {
  item_.SaveResponseString((dir_ / "none.txt").string());
  EXPECT_EQ(item_.OptStatus(), -1);
  EXPECT_EQ(item_.OptString(), "Save ResponseString...Response Null");
  item_.SaveResponseHeader((dir_ / "none.txt").string());
  EXPECT_EQ(item_.OptString(), "Save ResponseHeader...Response Null");
  std::ofstream(dir_ / "plain").put('x');
  item_.OpenUrl(server_.Url("/text"), 1);
  RunToEnd(item_);
  item_.SaveResponseData((dir_ / "plain" / "sub" / "f.bin").string());
  EXPECT_EQ(item_.OptStatus(), -1);
  EXPECT_TRUE(item_.OptString().ends_with("Can not Create output directory")) << item_.OptString();
}

TEST_F(HttpItemTest, DebugSwitchAppendsOneRecordPerFailure) {
  auto& settings = quarlolink::settings::Settings();
  const auto debugFile = dir_ / "debug" / "trace.txt";
  settings.Item("DebugFilePath")->SetValue(debugFile.string());
  settings.Item("IsDebug")->SetValue(true);
  item_.SaveResponseString((dir_ / "x.txt").string());
  item_.SaveResponseHeader((dir_ / "x.txt").string());
  settings.Item("IsDebug")->SetValue(false);

  const std::string trace = ReadFile(debugFile);
  EXPECT_TRUE(trace.starts_with("<ErrOcc>\r\n<ErrTime>")) << trace;
  EXPECT_TRUE(trace.ends_with("</ErrOcc>\r\n"));
  EXPECT_NE(trace.find("<ErrSub>HttpItem.SaveResponseString\r\n"), std::string::npos);
  EXPECT_NE(trace.find("<ErrNum>-1\r\n<ErrDesc>Save ResponseHeader...Response Null\r\n"),
            std::string::npos);
  std::size_t records = 0;
  for (auto p = trace.find("<ErrOcc>"); p != std::string::npos; p = trace.find("<ErrOcc>", p + 1)) {
    ++records;
  }
  EXPECT_EQ(records, 2u);
}

TEST_F(HttpItemTest, RequestTimeoutRaisesTimeoutAndRenews) {
  std::string code, desc;
  item_.OnError([&](const std::string& c, const std::string& d) {
    code = c;
    desc = d;
  });
  item_.SetRequestTimeout(1);
  item_.OpenUrl(server_.Url("/hang"), 1);
  RunToEnd(item_);
  EXPECT_EQ(code, "-1");
  EXPECT_EQ(desc, "Timeout");
  EXPECT_EQ(item_.Status(), 0);
  EXPECT_EQ(item_.RequestTimeout(), 1);
}

}  // namespace
