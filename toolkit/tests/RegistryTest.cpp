#include <sys/stat.h>

#include <vector>

#include "KokitTest.h"

using namespace kokit;
using namespace quarlo::testing;
namespace fs = std::filesystem;

namespace {

constexpr auto HKCU = xpRegRoot_HKEY_CURRENT_USER;
constexpr auto HKLM = xpRegRoot_HKEY_LOCAL_MACHINE;
const std::string kMismatch = "从注册表中读取的值类型不匹配";

using Registry = KokitTest;

// A scripted session: each call's result and the status text it leaves.
TEST_F(Registry, CallsGiveTheirResultAndStatus) {
  const std::string a = "Software\\A\\B\\C";
  auto str = [&](xpRegRoot r, const auto& k, const auto& v) { return tools.GetRegString(r, k, v); };
  auto num = [&](const std::string& k) { return std::to_string(tools.GetRegDWord(HKCU, k, "v")); };
  auto rc = [](int32_t r) { return r == 0 ? "0" : "fail"; };
  auto expect = [&](const char* step, const std::string& got, const std::string& want,
                    const std::string& status) {
    EXPECT_EQ(got, want) << step;
    EXPECT_EQ(tools.OptString(), status) << step;
    EXPECT_EQ(tools.OptStatus() == 0, status == "OK") << step;
  };
  const auto bogus = static_cast<xpRegRoot>(0x12345678u);
  expect("read before any write", str(HKCU, "Software\\X", "v"), "", "RegOpenKey Fail");
  EXPECT_FALSE(fs::exists(dir / "store"));  // reads make no store
  expect("write makes every key", rc(tools.SaveRegString(HKCU, a, "Name", "值 v")), "0", "OK");
  struct stat st {};
  stat((dir / "store" / "HKEY_CURRENT_USER.sqlite").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  expect("missing value under a made key", str(HKCU, "Software\\A", "x"), "",
         "RegQueryValueEx Fail");
  expect("missing key", num("Software\\Gone"), "0", "RegOpenKey Fail");
  expect("case and extra separators ignored", str(HKCU, "\\SOFTWARE\\\\a\\b\\C\\", "NAME"), "值 v",
         "OK");
  tools.SaveRegDWord(HKCU, "K", "v", 5);
  expect("number read as text", str(HKCU, "K", "v"), "", kMismatch);
  tools.SaveRegString(HKCU, "K", "v", "5");
  expect("the other kind replaces", str(HKCU, "K", "v"), "5", "OK");
  expect("text read as number", num("K"), "0", kMismatch);
  tools.SaveRegString(HKCU, "K", "z", std::string("before\0after", 12));
  expect("NUL cuts text", str(HKCU, "K", "z"), "before", "OK");
  tools.SaveRegString(HKLM, a, "Name", "m");
  expect("roots are separate", str(HKCU, a, "Name"), "值 v", "OK");
  expect("unknown root write", rc(tools.SaveRegString(bogus, "K", "v", "x")), "fail",
         "RegCreateKey Fail");
  expect("unknown root read", str(bogus, "K", "v"), "", "RegOpenKey Fail");
  expect("users root", str(xpRegRoot_HKEY_USERS, a, "Name"), "", "RegOpenKey Fail");
  expect("delete a value", rc(tools.DelRegValue(HKCU, a, "Name")), "0", "OK");
  expect("delete it again", rc(tools.DelRegValue(HKCU, a, "Name")), "fail", "RegDeleteValue Fail");
  expect("delete below no key", rc(tools.DelRegValue(HKCU, "Nope", "v")), "fail",
         "RegOpenKey Fail");
  expect("a key with subkeys stays", rc(tools.DelRegKey(HKCU, "Software\\A\\B")), "fail",
         "RegDeleteKey Fail");
  expect("a leaf goes", rc(tools.DelRegKey(HKCU, a)), "0", "OK");
  expect("then its parent", rc(tools.DelRegKey(HKCU, "Software\\A\\B")), "0", "OK");
  tools.SaveRegKey(HKCU, "Abc\\D");
  expect("a sibling with a common prefix is no subkey", rc(tools.SaveRegKey(HKCU, "Ab")), "0",
         "OK");
  expect("so the key goes", rc(tools.DelRegKey(HKCU, "Ab")), "0", "OK");
  // A store file that is no database is kept aside and a fresh one started.
  const std::string garbage(4096, 'G');
  std::ofstream(dir / "store" / "HKEY_CURRENT_USER.sqlite", std::ios::binary) << garbage;
  expect("write over a corrupt file", rc(tools.SaveRegString(HKCU, "K", "v", "fresh")), "0", "OK");
  expect("and read back", str(HKCU, "K", "v"), "fresh", "OK");
  std::vector<fs::path> aside;
  for (const auto& entry : fs::directory_iterator(dir / "store")) {
    if (entry.path().string().find(".sqlite.corrupt-") != std::string::npos) aside.push_back(entry);
  }
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(ReadFile(aside[0]), garbage);
}

}  // namespace
