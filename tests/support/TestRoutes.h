#pragma once

#include <string>

#include "TestServer.h"

namespace quarlo::testing {

// A body of `n` bytes whose content shows order: byte i is 'a' + (i * 7 + i / 1024) % 26.
inline std::string PatternBody(std::size_t n) {
  std::string body(n, '\0');
  for (std::size_t i = 0; i < n; ++i) body[i] = static_cast<char>('a' + (i * 7 + i / 1024) % 26);
  return body;
}

// The answers the transport tests script: plain, slow, silent, error pages, cookies, large
// bodies, legacy-encoded text, fixed header fields, truncated bodies and redirects.
inline void AddStandardRoutes(TestServer& ts, const std::string& gbkBody = "") {
  auto& s = ts.server();
  const auto text = [&s](const char* path, std::string body, int status = 200) {
    s.Get(path, [body, status](const httplib::Request&, httplib::Response& res) {
      res.status = status;
      res.set_content(body, "text/plain");
    });
  };
  text("/text", "hello");
  text("/empty", "");
  text("/status404", "no such page", 404);
  text("/status500", "the page failed: division by zero", 500);
  s.Get("/slow", [&ts](const httplib::Request& req, httplib::Response& res) {
    ts.Hold(std::stoi(req.get_param_value("ms")));
    res.set_content("slow answer", "text/plain");
  });
  s.Get("/hang", [&ts](const httplib::Request&, httplib::Response& res) {
    ts.Hold(20000);
    res.set_content("too late", "text/plain");
  });
  s.Get("/cookie/set", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "QSESSION=s123; Path=/");
    res.set_content("set", "text/plain");
  });
  s.Get("/cookie/echo", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.get_header_value("Cookie"), "text/plain");
  });
  s.Get("/large", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(PatternBody(std::stoul(req.get_param_value("bytes"))),
                    "application/octet-stream");
  });
  s.Get("/gbk", [gbkBody](const httplib::Request&, httplib::Response& res) {
    res.set_content(gbkBody, "text/plain; charset=GBK");
  });
  s.Get("/headers", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("ETag", "\"abc123\"");
    res.set_header("Last-Modified", "Wed, 21 Oct 2015 07:28:09 GMT");
    res.set_header("Content-Location", "http://example.com/db/page.asp");
    res.set_header("Accept-Ranges", "bytes");
    res.set_header("Server", "Scripted/1.0");
    res.set_header("Date", "Sun, 06 Dec 2026 19:15:06 GMT");
    res.set_content("0123456789", "text/html");
  });
  s.Get("/truncate", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(100000, "text/plain",
                             [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                               if (offset > 0) return false;  // drops the connection mid-body
                               const std::string part(1000, 'x');
                               sink.write(part.data(), part.size());
                               return true;
                             });
  });
  s.Get("/redirect/same",
        [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/text"); });
  s.Get("/redirect/other", [&ts](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("http://localhost:" + std::to_string(ts.port()) + "/text");
  });
  s.Get("/length", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(std::to_string(req.target.size()), "text/plain");
  });
}

}  // namespace quarlo::testing
