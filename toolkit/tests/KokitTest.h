#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "kokit/Codepage.h"
#include "kokit/KoToolsApp.h"

namespace quarlo::testing {

// Puts the process-wide code page back when it goes.
struct CodepageGuard {
  std::string saved = kokit::LegacyCodepage();
  ~CodepageGuard() { kokit::SetLegacyCodepage(saved); }
};

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The toolkit's tests run with GBK as the code page (two bytes a Chinese character), a
// temporary folder and a store of their own in it.
class KokitTest : public ::testing::Test {
 protected:
  KokitTest() { kokit::SetLegacyCodepage("GBK"); }

  CodepageGuard codepage;
  TempDir dir;
  ScopedEnv store{"KOKIT_REGISTRY_DIR", (dir / "store").string()};
  kokit::KoToolsApp tools;
};

}  // namespace quarlo::testing
