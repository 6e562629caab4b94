#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
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
TEST(HeaderParsing, HeaderFieldsAndServerTiming) {
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
  // The forms of Server-Timing other servers may send (the stories read quarlopages' own), as
  // "db rows write total".
  auto shown = [](std::optional<double> v) { return v ? std::to_string(*v) : "-"; };
  const std::pair<const char*, const char*> timings[] = {
      {"DB;Dur=2.5;desc=\"a, b; c\", cache;dur=9, Write;dur=\"1\"", "2.500000 - 1.000000 -"},
      {"db, db;dur=3, db;dur=4", "3.000000 - - -"},  // the first metric with a duration counts
      {"db;dur=-1, rows;dur=1e999, write;dur=x, total;dur=1.5ms", "- - - -"},
      {";;,=,\"db;dur=1", "- - - -"},
  };
  for (const auto& [header, want] : timings) {
    auto f = quarlolink::http::ParseServerTiming(header);
    EXPECT_EQ(shown(f.db) + " " + shown(f.rows) + " " + shown(f.write) + " " + shown(f.total), want)
        << header;
  }
}

class HttpItemTest : public Loopback {
 protected:
  void RunToEnd() {
    PumpUntil(item, [&] { return item.Status() != 1; });
  }
  HttpItem item;
};

// Saved answers; then a GET gathers its pieces and announces its end; a HEAD keeps the final
// header (after a redirect) with CR LF lines; a HEAD while a GET runs is refused and abandons the
// GET; a request time-out raises Timeout and ends the request.
TEST_F(HttpItemTest, RequestsTheirEndsAndSavedAnswers) {
  // Saves before any answer, of an empty body, of text and below a plain file, with the debug
  // switch on: each failure appends one record to the debug file.
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
  EXPECT_EQ(item.ResponseString() + " " + std::to_string(item.ResponseDataType()), "hello 0");
  settings.Item("IsDebug")->SetValue(false);

  const std::string trace = ReadFile(debugFile);
  const std::regex record(
      "<ErrOcc>\r\n<ErrTime>[\\s\\S]*?<ErrSub>HttpItem.(SaveResponse\\w+)\r\n[\\s\\S]*?</"
      "ErrOcc>\r\n");
  std::string subs;
  for (std::sregex_iterator i(trace.begin(), trace.end(), record), end; i != end; ++i)
    subs += (*i)[1].str() + " ";
  EXPECT_EQ(subs, "SaveResponseString SaveResponseHeader SaveResponseData ") << trace;
  EXPECT_NE(trace.find("<ErrNum>-1\r\n<ErrDesc>Save ResponseHeader...Response Null\r\n"),
            std::string::npos);

  int kind = 0, type = -1;
  item.OnResponseCompleted([&](int32_t k, int32_t t) { kind = k, type = t; });
  item.OpenUrl(Url("/large?bytes=300000"), 1);
  EXPECT_EQ(std::to_string(item.Status()) + item.OptString(), "1Exec OpenURL...OK");
  RunToEnd();
  EXPECT_EQ(kind * 100 + type * 10 + item.Status(), 210);
  EXPECT_TRUE(item.ResponseData() == PatternBody(300000));
  item.GetHeader(Url("/redirect/same"));
  RunToEnd();
  const std::string& h = item.ResponseHeader();
  EXPECT_TRUE(h.starts_with("HTTP/1.1 200 OK\r\n") && h.ends_with("\r\n")) << h;
  EXPECT_EQ(h.find("302"), std::string::npos);

  kind = 0;
  item.OpenUrl(Url("/slow?ms=50"), 1);
  item.GetHeader(Url("/text"));
  EXPECT_TRUE(item.OptStatus() == -1 && item.OptString().ends_with("Now Runing"));
  EXPECT_EQ(item.Status(), 0);
  for (int i = 0; i < 20; ++i) item.Pump(10);
  EXPECT_EQ(kind, 0);

  std::string code, desc;  // the time-out
  item.OnError([&](const std::string& c, const std::string& d) { code = c, desc = d; });
  item.SetRequestTimeout(1);
  item.OpenUrl(Url("/hang"), 1);
  RunToEnd();
  EXPECT_EQ(code + " " + desc + " " + std::to_string(item.Status()), "-1 Timeout 0");
}

}  // namespace
