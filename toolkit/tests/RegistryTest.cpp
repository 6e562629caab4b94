#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "KokitTest.h"

using namespace kokit;
using quarlo::testing::KokitTest;
using quarlo::testing::ReadFile;
using quarlo::testing::ScopedEnv;
namespace fs = std::filesystem;

namespace {

constexpr auto HKCU = xpRegRoot_HKEY_CURRENT_USER;
constexpr auto HKLM = xpRegRoot_HKEY_LOCAL_MACHINE;
const std::string kMismatch = "从注册表中读取的值类型不匹配";

using Registry = KokitTest;

// A scripted session: each call's result and the status text it leaves.
TEST_F(Registry, CallsGiveTheirResultAndStatus) {
  const std::string a = "Software\\A\\B\\C";
  auto str = [&](xpRegRoot r, const std::string& k, const std::string& v) {
    return tools.GetRegString(r, k, v);
  };
  auto num = [&](const std::string& k, const std::string& v) {
    return std::to_string(tools.GetRegDWord(HKCU, k, v));
  };
  auto rc = [](int32_t r) { return r == 0 ? "0" : "fail"; };
  const auto bogus = static_cast<xpRegRoot>(0x12345678u);
  struct Row {
    const char* name;
    std::function<std::string()> call;
    std::string result;
    std::string status;
  };
  const Row rows[] = {
      {"read before any write", [&] { return str(HKCU, "Software\\X", "v"); }, "",
       "RegOpenKey Fail"},
      {"read below no key", [&] { return str(HKCU, "", "v"); }, "", "RegQueryValueEx Fail"},
      {"store not made by reads", [&] { return std::to_string(fs::exists(dir / "store")); }, "0",
       "RegQueryValueEx Fail"},
      {"write makes every key", [&] { return rc(tools.SaveRegString(HKCU, a, "Name", "值 v")); },
       "0", "OK"},
      {"read back", [&] { return str(HKCU, a, "Name"); }, "值 v", "OK"},
      {"the store file is private",
       [&] {
         struct stat st {};
         stat((dir / "store" / "HKEY_CURRENT_USER.sqlite").c_str(), &st);
         return std::to_string((st.st_mode & 0777) == 0600);
       },
       "1", "OK"},
      {"missing value under a made key", [&] { return str(HKCU, "Software\\A", "x"); }, "",
       "RegQueryValueEx Fail"},
      {"missing number", [&] { return num("Software\\A", "x"); }, "0", "RegQueryValueEx Fail"},
      {"missing key", [&] { return num("Software\\Gone", "x"); }, "0", "RegOpenKey Fail"},
      {"case and extra separators ignored",
       [&] { return str(HKCU, "\\SOFTWARE\\\\a\\b\\C\\", "NAME"); }, "值 v", "OK"},
      {"number as text is a mismatch",
       [&] { return tools.SaveRegDWord(HKCU, "K", "n", 5), str(HKCU, "K", "n"); }, "", kMismatch},
      {"text as number", [&] { return tools.SaveRegString(HKCU, "K", "s", "5"), num("K", "s"); },
       "0", kMismatch},
      {"the other kind replaces",
       [&] { return tools.SaveRegString(HKCU, "K", "n", "now"), str(HKCU, "K", "n"); }, "now",
       "OK"},
      {"empty text", [&] { return tools.SaveRegString(HKCU, "K", "e", ""), str(HKCU, "K", "e"); },
       "", "OK"},
      {"NUL cuts text",
       [&] {
         return tools.SaveRegString(HKCU, "K", "z", std::string("before\0after", 12)),
                str(HKCU, "K", "z");
       },
       "before", "OK"},
      {"lowest number",
       [&] { return tools.SaveRegDWord(HKCU, "K", "i", INT32_MIN), num("K", "i"); },
       std::to_string(INT32_MIN), "OK"},
      {"roots are separate",
       [&] { return tools.SaveRegString(HKLM, a, "Name", "m"), str(HKCU, a, "Name"); }, "值 v",
       "OK"},
      {"machine root", [&] { return str(HKLM, a, "Name"); }, "m", "OK"},
      {"users root", [&] { return str(xpRegRoot_HKEY_USERS, a, "Name"); }, "", "RegOpenKey Fail"},
      {"unknown root write", [&] { return rc(tools.SaveRegString(bogus, "K", "v", "x")); }, "fail",
       "RegCreateKey Fail"},
      {"unknown root read", [&] { return str(bogus, "K", "v"); }, "", "RegOpenKey Fail"},
      {"delete a value", [&] { return rc(tools.DelRegValue(HKCU, a, "Name")); }, "0", "OK"},
      {"deleted value", [&] { return str(HKCU, a, "Name"); }, "", "RegQueryValueEx Fail"},
      {"delete it again", [&] { return rc(tools.DelRegValue(HKCU, a, "Name")); }, "fail",
       "RegDeleteValue Fail"},
      {"delete below no key", [&] { return rc(tools.DelRegValue(HKCU, "Nope", "v")); }, "fail",
       "RegOpenKey Fail"},
      {"a key with subkeys stays", [&] { return rc(tools.DelRegKey(HKCU, "Software\\A\\B")); },
       "fail", "RegDeleteKey Fail"},
      {"a leaf goes", [&] { return rc(tools.DelRegKey(HKCU, a)); }, "0", "OK"},
      {"then its parent", [&] { return rc(tools.DelRegKey(HKCU, "Software\\A\\B")); }, "0", "OK"},
      {"deleted key", [&] { return str(HKCU, "Software\\A\\B", "v"); }, "", "RegOpenKey Fail"},
      {"delete it again", [&] { return rc(tools.DelRegKey(HKCU, "Software\\A\\B")); }, "fail",
       "RegDeleteKey Fail"},
      {"a sibling with a common prefix is no subkey",
       [&] { return tools.SaveRegKey(HKCU, "Abc\\D"), rc(tools.SaveRegKey(HKCU, "Ab")); }, "0",
       "OK"},
      {"so the key goes", [&] { return rc(tools.DelRegKey(HKCU, "Ab")); }, "0", "OK"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.call(), row.result) << row.name;
    EXPECT_EQ(tools.OptString(), row.status) << row.name;
    EXPECT_EQ(tools.OptStatus() == 0, row.status == "OK") << row.name;
  }
}

TEST_F(Registry, UnwritableFolderGivesFailureTexts) {
  // A plain file where the folder should be: no process, root included, can create it.
  std::ofstream(dir / "blocker") << "x";
  ScopedEnv blocked("KOKIT_REGISTRY_DIR", (dir / "blocker" / "store").string());
  std::string status;
  int32_t rc = tools.SaveRegString(HKCU, "K", "v", "x", &status);
  EXPECT_NE(rc, 0);
  EXPECT_EQ(tools.OptStatus(), rc);
  EXPECT_EQ(status, "RegCreateKey Fail");
  EXPECT_NE(tools.SaveRegDWord(HKCU, "K", "v", 1), 0);
  EXPECT_NE(tools.SaveRegKey(HKCU, "K"), 0);
  EXPECT_EQ(tools.OptString(), "RegCreateKey Fail");
  EXPECT_EQ(tools.GetRegString(HKCU, "K", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
  EXPECT_NE(tools.DelRegKey(HKCU, "K"), 0);
  EXPECT_EQ(tools.OptString(), "RegDeleteKey Fail");
}

TEST_F(Registry, CorruptStoreFileIsKeptAsideAndAFreshOneStarted) {
  fs::create_directories(dir / "store");
  fs::path file = dir / "store" / "HKEY_CURRENT_USER.sqlite";
  std::string garbage(4096, 'G');
  std::ofstream(file, std::ios::binary) << garbage;

  EXPECT_EQ(tools.SaveRegString(HKCU, "K", "v", "fresh"), 0);
  EXPECT_EQ(tools.GetRegString(HKCU, "K", "v"), "fresh");
  int aside = 0;
  for (auto& entry : fs::directory_iterator(dir / "store")) {
    if (entry.path().filename().string().starts_with("HKEY_CURRENT_USER.sqlite.corrupt-")) {
      ++aside;
      EXPECT_EQ(ReadFile(entry.path()), garbage);
    }
  }
  EXPECT_EQ(aside, 1);
}

}  // namespace
