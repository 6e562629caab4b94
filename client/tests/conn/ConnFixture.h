#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Answers.h"
#include "TestServer.h"
#include "kokit/Codepage.h"
#include "kokit/Enums.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"
#include "quarlolink/QuarloApp.h"

namespace quarlo::testing {

// The two server pages, scripted: every request is recorded ("GET /path?query", raw, in arrival
// order) and answered by its page. By default the key check issues the key "k1" with the map path
// D:\site\db, and the open and execute pages answer "OK" (the latter with no columns).
class ScriptedSite {
 public:
  using Page = std::function<std::string(const httplib::Request&)>;

  ScriptedSite() {
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      std::unique_lock lock(mutex_);
      requests_.push_back(req.method + " " + req.target);
      Page page = req.path == "/quarlo/quarloexecute.asp" ? execute_
                  : req.path == "/quarlo/quarloopen.asp"  ? open_
                                                          : Page();
      lock.unlock();
      if (!page) {
        res.status = 404;
        return;
      }
      res.set_content(kokit::ToLegacy(page(req)), "text/plain");  // answers are in the code page
    });
    server_.Start();
  }

  std::string Site() const { return "http://127.0.0.1:" + std::to_string(server_.port()); }
  void SetOpenPage(Page page) { Set(open_, std::move(page)); }
  void SetExecutePage(Page page) { Set(execute_, std::move(page)); }
  std::vector<std::string> Requests(bool clear = false) {
    std::lock_guard lock(mutex_);
    return clear ? std::exchange(requests_, {}) : requests_;
  }
  void ClearRequests() { Requests(true); }

 private:
  void Set(Page& page, Page with) {
    std::lock_guard lock(mutex_);
    page = std::move(with);
  }

  std::mutex mutex_;
  Page open_ = [](const httplib::Request& req) -> std::string {
    return req.get_param_value("Opt") == "0"
               ? "OK<EncKey>k1</EncKey><MapPath>D:\\site\\db</MapPath>"
               : "OK";
  };
  Page execute_ = [](const httplib::Request&) { return "OK" + HeadXml("0", "True", "False"); };
  std::vector<std::string> requests_;
  TestServer server_;
};

// What the server pages do with an enciphered query value: percent-decode, decipher under the
// key, and turn the "hex;" codes back into text (ASCII is all the tests send).
inline std::string DecipherQueryValue(const std::string& encoded, const std::string& key) {
  std::string bytes, text;
  for (std::size_t i = 0; i + 2 < encoded.size(); i += 3) {
    bytes += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
  }
  std::istringstream codes(
      kokit::KoToolsApp().EncCharStr(bytes, key, kokit::xpEncStr_UnEncWithKeyHead));
  for (std::string code; std::getline(codes, code, ';');) {
    text += static_cast<char>(std::stoul(code, nullptr, 16));
  }
  return text;
}

// The value of `name` in a raw request target, as sent (still percent-encoded).
inline std::string RawParam(const std::string& target, const std::string& name) {
  std::size_t at = target.find("?" + name + "=");
  if (at == std::string::npos) at = target.find("&" + name + "=");
  if (at == std::string::npos) return "";
  at += name.size() + 2;
  return target.substr(at, target.find('&', at) - at);
}

// The number of the error `call` raises, 0 when none.
template <typename Call>
int ErrorNumber(Call call) {
  try {
    call();
  } catch (const kokit::Error& e) {
    return e.Number();
  }
  return 0;
}

// A connection to a scripted site. The library's settings are shared by the whole process, so
// what a test changes is put back afterwards.
class ConnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = quarlolink::QuarloApp::Create();
    app->SetWebSite(site.Site());
    savedKey_ = app->EncKey();
  }
  void TearDown() override {
    if (!app) app = quarlolink::QuarloApp::Create();
    app->SetRowsPerComm(25);
    app->SetIsRemoveSpace(true);
    app->SetEncKey(savedKey_);
  }

  // The status pair of the connection, as "status text".
  std::string Said() const { return std::to_string(app->OptStatus()) + " " + app->OptString(); }

  ScriptedSite site;
  std::shared_ptr<quarlolink::QuarloApp> app;

 private:
  std::string savedKey_;
};

}  // namespace quarlo::testing
