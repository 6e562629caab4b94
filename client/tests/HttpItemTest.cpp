#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <regex>
#include <string>

#include "HeaderFields.h"
#include "Loopback.h"
#include "ServerTiming.h"
#include "kokit/IniItems.h"
#include "quarlolink/HttpItem.h"
#include "settings/ClientSettings.h"

namespace {

using namespace quarlo::testing;
using quarlolink::HttpItem;

// What a header can get wrong (the facade's HEAD reads the well-formed fields).
TEST(HeaderFieldsTest, FieldsOfAHeader) {
  namespace h = quarlolink::http;
  const std::string none = kokit::DateTime{}.ToText();
  const std::string rows[][3] = {
      {"unreadable length",
       std::to_string(h::HeaderContentLength("HTTP/1.1 200 OK\r\nContent-Length: abc\r\n")), "0"},
      {"missing date", h::HeaderLastModified("HTTP/1.1 404 Not Found\r\n").ToText(), none},
      {"impossible date", h::ParseHttpDate("Sun, 31 Feb 2026 10:00:00 GMT").ToText(), none},
      {"relative location",
       h::HeaderContentLocation("HTTP/1.1 200 OK\r\nContent-Location: /a/b.asp\r\n"), "/a/b.asp"},
  };
  for (const auto& [name, got, want] : rows) EXPECT_EQ(got, want) << name;
}

// The forms of Server-Timing other servers may send (the stories read quarlopages' own).
TEST(ServerTiming, HeaderForms) {
  struct Row {
    const char* name;
    const char* header;
    std::optional<double> db, rows, write, total;
  };
  const Row rows[] = {
      {"TwoLinesJoinedAndAnyCase", "DB;Dur=2.5;desc=\"a, b; c\", cache;dur=9, Write;dur=\"1\"", 2.5,
       std::nullopt, 1.0, std::nullopt},
      {"FirstMetricWithADurationCounts", "db, db;dur=3, db;dur=4", 3.0, std::nullopt, std::nullopt,
       std::nullopt},
      {"NotANonNegativeNumber", "db;dur=-1, rows;dur=1e999, write;dur=x, total;dur=1.5ms",
       std::nullopt, std::nullopt, std::nullopt, std::nullopt},
      {"Garbage", ";;,=,\"db;dur=1", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& r : rows) {
    auto f = quarlolink::http::ParseServerTiming(r.header);
    EXPECT_EQ(f.db, r.db) << r.name;
    EXPECT_EQ(f.rows, r.rows) << r.name;
    EXPECT_EQ(f.write, r.write) << r.name;
    EXPECT_EQ(f.total, r.total) << r.name;
  }
}

class HttpItemTest : public Loopback {
 protected:
  void RunToEnd() {
    PumpUntil(item, [&] { return item.Status() != 1; });
  }
  HttpItem item;
};

// A GET gathers its pieces and announces its end; a HEAD keeps the final header (after a
// redirect) with CR LF lines; a HEAD while a GET runs is refused and abandons the GET; a request
// time-out raises Timeout and ends the request.
TEST_F(HttpItemTest, RequestsAndTheirEnds) {
  int kind = 0, type = -1;
  item.OnResponseCompleted([&](int32_t k, int32_t t) { kind = k, type = t; });
  item.OpenUrl(Url("/pieces"), 1);
  EXPECT_EQ(item.Status(), 1);
  EXPECT_EQ(item.OptString(), "Exec OpenURL...OK");
  RunToEnd();
  EXPECT_EQ(kind * 10 + type, 21);
  EXPECT_EQ(item.Status(), 0);
  EXPECT_TRUE(item.ResponseData() == "a" + PatternBody(3000));
  item.GetHeader(Url("/redirect/same"));
  RunToEnd();
  const std::string& h = item.ResponseHeader();
  EXPECT_TRUE(h.starts_with("HTTP/1.1 200 OK\r\n") && h.ends_with("\r\n")) << h;
  EXPECT_EQ(h.find("302"), std::string::npos);

  kind = 0;
  item.OpenUrl(Url("/slow?ms=50"), 1);
  item.GetHeader(Url("/text"));
  EXPECT_EQ(item.OptStatus(), -1);
  EXPECT_TRUE(item.OptString().ends_with("Now Runing"));
  EXPECT_EQ(item.Status(), 0);
  for (int i = 0; i < 20; ++i) item.Pump(10);
  EXPECT_EQ(kind, 0);

  std::string code, desc;
  item.OnError([&](const std::string& c, const std::string& d) { code = c, desc = d; });
  item.SetRequestTimeout(1);
  item.OpenUrl(Url("/hang"), 1);
  RunToEnd();
  EXPECT_EQ(code + " " + desc, "-1 Timeout");
  EXPECT_EQ(item.Status(), 0);
  EXPECT_EQ(item.RequestTimeout(), 1);
}

// Saves before any answer, of an empty body, of text and below a plain file, with the debug
// switch on: each failure appends one record to the debug file.
TEST_F(HttpItemTest, SavedAnswersAndTheirFailures) {
  auto& settings = quarlolink::settings::Settings();
  const auto debugFile = dir / "debug" / "trace.txt";
  settings.Item("DebugFilePath")->SetValue(debugFile.string());
  settings.Item("IsDebug")->SetValue(true);
  std::ofstream(dir / "plain").put('x');
  struct Row {
    const char* name;
    const char* path;  // fetched first (as data type 1 or 0), or nullptr
    int32_t dataType;
    std::function<void(const std::string&)> save;
    const char* file;
    const char* status;  // the end of OptString
    const char* saved;   // the file's bytes, or nullptr when none is made
  };
  auto data = [&](const std::string& f) { item.SaveResponseData(f); };
  auto text = [&](const std::string& f) { item.SaveResponseString(f); };
  const Row rows[] = {
      {"no text yet", nullptr, 0, text, "none.txt", "Save ResponseString...Response Null", nullptr},
      {"no header yet", nullptr, 0, [&](const std::string& f) { item.SaveResponseHeader(f); },
       "none.txt", "Save ResponseHeader...Response Null", nullptr},
      {"empty body gives an empty file", "/empty", 1, data, "out/empty.bin",
       "Save ResponseData...OK", ""},
      {"no folder below a plain file", "/text", 1, data, "plain/sub/f.bin",
       "Can not Create output directory", nullptr},
      {"text is saved as its legacy bytes", "/text", 0, text, "text.txt", "OK", "hello"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.path) {
      item.OpenUrl(Url(row.path), row.dataType);
      RunToEnd();
    }
    row.save((dir / row.file).string());
    EXPECT_EQ(item.OptStatus(), row.saved ? 0 : -1);
    EXPECT_TRUE(item.OptString().ends_with(row.status)) << item.OptString();
    EXPECT_EQ(std::filesystem::exists(dir / row.file), row.saved != nullptr);
    EXPECT_EQ(ReadFile(dir / row.file), row.saved ? row.saved : "");
  }
  EXPECT_EQ(item.ResponseString(), "hello");
  EXPECT_EQ(item.ResponseDataType(), 0);
  settings.Item("IsDebug")->SetValue(false);

  const std::string trace = ReadFile(debugFile);
  EXPECT_TRUE(trace.starts_with("<ErrOcc>\r\n<ErrTime>")) << trace;
  EXPECT_TRUE(trace.ends_with("</ErrOcc>\r\n"));
  EXPECT_NE(trace.find("<ErrSub>HttpItem.SaveResponseString\r\n"), std::string::npos);
  EXPECT_NE(trace.find("<ErrNum>-1\r\n<ErrDesc>Save ResponseHeader...Response Null\r\n"),
            std::string::npos);
  const std::regex record("<ErrOcc>");
  EXPECT_EQ(std::distance(std::sregex_iterator(trace.begin(), trace.end(), record), {}), 3);
}

}  // namespace
