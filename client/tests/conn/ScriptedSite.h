#pragma once

#include <httplib.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "TestServer.h"
#include "kokit/Codepage.h"

namespace quarlo::testing {

// The two server pages, scripted: every request is recorded (method and raw target) and
// answered by the page's handler. Defaults: the key check issues the key "k1" with the map path
// D:\site\db, the open and close answer "OK", the execute page answers "OK" with no columns.
class ScriptedSite {
 public:
  using Page = std::function<std::string(const httplib::Request&)>;

  static constexpr const char* kOpenPath = "/quarlo/quarloopen.asp";
  static constexpr const char* kExecutePath = "/quarlo/quarloexecute.asp";

  ScriptedSite() {
    open_ = [](const httplib::Request& req) -> std::string {
      if (req.get_param_value("Opt") == "0") {
        return "OK<EncKey>k1</EncKey><MapPath>D:\\site\\db</MapPath>";
      }
      return "OK";
    };
    execute_ = [](const httplib::Request&) -> std::string {
      return "OK<Head><RecordsAffected>0</RecordsAffected><EOF>True</EOF>"
             "<IsNextRecordset>False</IsNextRecordset></Head>";
    };
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
      Page page;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(req.method + " " + req.target);
        page = req.path == kExecutePath ? execute_ : req.path == kOpenPath ? open_ : Page();
      }
      if (!page) {
        res.status = 404;
        return;
      }
      res.set_content(kokit::ToLegacy(page(req)), "text/plain");  // answers are in the code page
      std::lock_guard<std::mutex> lock(mutex_);
      if (!serverTiming_.empty()) res.set_header("Server-Timing", serverTiming_);
    };
    server_.server().Get(".*", handler);
    server_.Start();
  }

  std::string Site() const { return "http://127.0.0.1:" + std::to_string(server_.port()); }

  void SetOpenPage(Page page) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = std::move(page);
  }
  void SetExecutePage(Page page) {
    std::lock_guard<std::mutex> lock(mutex_);
    execute_ = std::move(page);
  }

  // Sent as the Server-Timing header of every answer from now on; "" sends none.
  void SetServerTiming(std::string value) {
    std::lock_guard<std::mutex> lock(mutex_);
    serverTiming_ = std::move(value);
  }

  // "GET /path?query" or "HEAD /path?query", in arrival order.
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  void ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
  }

 private:
  std::mutex mutex_;
  Page open_;
  Page execute_;
  std::string serverTiming_;
  std::vector<std::string> requests_;
  TestServer server_;
};

}  // namespace quarlo::testing
