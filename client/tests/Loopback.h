#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "TestRoutes.h"
#include "kokit/Codepage.h"
#include "kokit/EventPump.h"
#include "quarlolink/IEOHttpItem.h"

namespace quarlo::testing {

inline const std::string kChinese = "中文查询结果：第一行";

// The scripted site of the transport tests and a facade on it: the standard routes, "/gbk"
// answering kChinese in the code page. The event pump a test installs is removed afterwards.
class Loopback : public ::testing::Test {
 protected:
  Loopback() {
    AddStandardRoutes(server, kokit::ToLegacy(kChinese));
    server.Start();
    facade.SetCmdTimeout(10);
  }
  ~Loopback() override { kokit::SetEventPump(nullptr); }

  std::string Url(const std::string& path) const { return server.Url(path); }

  TempDir dir;
  TestServer server;
  quarlolink::IEOHttpItem facade;
};

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Drives an item's asynchronous request the way a host's timer would, for at most five seconds.
template <typename Item, typename Done>
void PumpUntil(Item& item, Done done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done() && std::chrono::steady_clock::now() < until) item.Pump(10);
}

}  // namespace quarlo::testing
