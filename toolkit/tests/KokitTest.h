#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "kokit/Codepage.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"

namespace quarlo::testing {

// Puts the process-wide code page back when it goes.
struct CodepageGuard {
  std::string saved = kokit::LegacyCodepage();
  ~CodepageGuard() { kokit::SetLegacyCodepage(saved); }
};

// The number of the kokit::Error a call throws, 0 when it throws none.
inline int32_t ErrorNumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const kokit::Error& e) {
    return e.Number();
  }
  return 0;
}

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
