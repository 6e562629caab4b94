#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ScriptedSite.h"
#include "quarlolink/QuarloApp.h"

namespace quarlo::testing {

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
    app->SetRowsPerComm(25);
    app->SetIsRemoveSpace(true);
    app->SetEncKey(savedKey_);
  }

  // The value of `name` in a raw request target, as sent (still percent-encoded).
  static std::string RawParam(const std::string& target, const std::string& name) {
    std::size_t at = target.find("?" + name + "=");
    if (at == std::string::npos) at = target.find("&" + name + "=");
    if (at == std::string::npos) return "";
    at += name.size() + 2;
    return target.substr(at, target.find('&', at) - at);
  }

  ScriptedSite site;
  std::shared_ptr<quarlolink::QuarloApp> app;

 private:
  std::string savedKey_;
};

}  // namespace quarlo::testing
