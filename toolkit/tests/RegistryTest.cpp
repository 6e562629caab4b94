#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "kokit/KoToolsApp.h"

using namespace kokit;
using quarlo::testing::ScopedEnv;
using quarlo::testing::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr auto HKCU = xpRegRoot_HKEY_CURRENT_USER;
constexpr auto HKLM = xpRegRoot_HKEY_LOCAL_MACHINE;
const std::string kMismatch = "从注册表中读取的值类型不匹配";

class Registry : public ::testing::Test {
 protected:
  TempDir dir;
  ScopedEnv env{"KOKIT_REGISTRY_DIR", (dir / "store").string()};
  KoToolsApp tools;
};

TEST_F(Registry, StringRoundTripCreatesIntermediateKeys) {
  std::string status;
  EXPECT_EQ(tools.SaveRegString(HKCU, "Software\\A\\B\\C", "Name", "值 value", &status), 0);
  EXPECT_EQ(status, "OK");
  EXPECT_EQ(tools.OptStatus(), 0);
  EXPECT_EQ(tools.GetRegString(HKCU, "Software\\A\\B\\C", "Name"), "值 value");
  EXPECT_EQ(tools.OptString(), "OK");
  // The keys above were made too: a value can be read back under each of them.
  EXPECT_EQ(tools.GetRegString(HKCU, "Software\\A", "Other"), "");
  EXPECT_EQ(tools.OptString(), "RegQueryValueEx Fail");
}

TEST_F(Registry, NamesIgnoreLetterCaseAndExtraSeparators) {
  tools.SaveRegDWord(HKCU, "Software\\Foo", "Count", 7);
  EXPECT_EQ(tools.GetRegDWord(HKCU, "\\SOFTWARE\\\\foo\\", "COUNT"), 7);
  EXPECT_EQ(tools.OptString(), "OK");
}

TEST_F(Registry, MissingValueAndMissingKey) {
  tools.SaveRegKey(HKCU, "Software\\Here");
  EXPECT_EQ(tools.GetRegString(HKCU, "Software\\Here", "nope"), "");
  EXPECT_EQ(tools.OptString(), "RegQueryValueEx Fail");
  EXPECT_EQ(tools.OptStatus(), -1);
  EXPECT_EQ(tools.GetRegDWord(HKCU, "Software\\Here", "nope"), 0);
  EXPECT_EQ(tools.OptString(), "RegQueryValueEx Fail");
  EXPECT_EQ(tools.GetRegString(HKCU, "Software\\Gone", "x"), "");
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
  EXPECT_EQ(tools.GetRegDWord(HKCU, "Software\\Gone", "x"), 0);
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
  EXPECT_EQ(tools.OptStatus(), -1);
}

TEST_F(Registry, ReadsBeforeAnyWriteCreateNothing) {
  EXPECT_EQ(tools.GetRegString(HKCU, "Software\\X", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
  EXPECT_EQ(tools.GetRegString(HKCU, "", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegQueryValueEx Fail");
  EXPECT_FALSE(fs::exists(dir / "store"));
}

TEST_F(Registry, WrongValueKindIsAMismatch) {
  tools.SaveRegDWord(HKCU, "K", "num", 5);
  tools.SaveRegString(HKCU, "K", "str", "5");
  EXPECT_EQ(tools.GetRegString(HKCU, "K", "num"), "");
  EXPECT_EQ(tools.OptString(), kMismatch);
  EXPECT_EQ(tools.OptStatus(), -1);
  EXPECT_EQ(tools.GetRegDWord(HKCU, "K", "str"), 0);
  EXPECT_EQ(tools.OptString(), kMismatch);
  // Writing the other kind replaces the value and its kind.
  tools.SaveRegString(HKCU, "K", "num", "now text");
  EXPECT_EQ(tools.GetRegString(HKCU, "K", "num"), "now text");
}

TEST_F(Registry, EmptyStringAndNulCut) {
  tools.SaveRegString(HKCU, "K", "empty", "");
  EXPECT_EQ(tools.GetRegString(HKCU, "K", "empty"), "");
  EXPECT_EQ(tools.OptString(), "OK");
  EXPECT_EQ(tools.OptStatus(), 0);
  tools.SaveRegString(HKCU, "K", "nul", std::string("before\0after", 12));
  EXPECT_EQ(tools.GetRegString(HKCU, "K", "nul"), "before");
}

TEST_F(Registry, NumbersKeepAll32Bits) {
  for (int32_t v : {0, -1, INT32_MIN, INT32_MAX}) {
    tools.SaveRegDWord(HKCU, "N", "v", v);
    EXPECT_EQ(tools.GetRegDWord(HKCU, "N", "v"), v);
  }
}

TEST_F(Registry, RootsAreSeparate) {
  tools.SaveRegString(HKCU, "Software\\S", "v", "user");
  tools.SaveRegString(HKLM, "Software\\S", "v", "machine");
  EXPECT_EQ(tools.GetRegString(HKCU, "Software\\S", "v"), "user");
  EXPECT_EQ(tools.GetRegString(HKLM, "Software\\S", "v"), "machine");
  EXPECT_EQ(tools.GetRegString(xpRegRoot_HKEY_USERS, "Software\\S", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
}

TEST_F(Registry, UnknownRootFails) {
  auto bogus = static_cast<xpRegRoot>(0x12345678u);
  EXPECT_NE(tools.SaveRegString(bogus, "K", "v", "x"), 0);
  EXPECT_EQ(tools.OptString(), "RegCreateKey Fail");
  EXPECT_EQ(tools.GetRegString(bogus, "K", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
}

TEST_F(Registry, DeleteValueAndKey) {
  tools.SaveRegString(HKCU, "A\\B", "v", "x");
  EXPECT_EQ(tools.DelRegValue(HKCU, "A\\B", "v"), 0);
  EXPECT_EQ(tools.OptString(), "OK");
  EXPECT_EQ(tools.GetRegString(HKCU, "A\\B", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegQueryValueEx Fail");
  EXPECT_NE(tools.DelRegValue(HKCU, "A\\B", "v"), 0);
  EXPECT_EQ(tools.OptString(), "RegDeleteValue Fail");
  EXPECT_NE(tools.DelRegValue(HKCU, "A\\Nope", "v"), 0);
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");

  // A key with subkeys stays; its leaf goes first.
  EXPECT_NE(tools.DelRegKey(HKCU, "A"), 0);
  EXPECT_EQ(tools.OptString(), "RegDeleteKey Fail");
  EXPECT_EQ(tools.DelRegKey(HKCU, "A\\B"), 0);
  EXPECT_EQ(tools.OptString(), "OK");
  EXPECT_EQ(tools.DelRegKey(HKCU, "A"), 0);
  EXPECT_EQ(tools.GetRegString(HKCU, "A", "v"), "");
  EXPECT_EQ(tools.OptString(), "RegOpenKey Fail");
  EXPECT_NE(tools.DelRegKey(HKCU, "A"), 0);
  EXPECT_EQ(tools.OptString(), "RegDeleteKey Fail");
}

TEST_F(Registry, SiblingWithCommonPrefixIsNotASubkey) {
  tools.SaveRegKey(HKCU, "Ab");
  tools.SaveRegKey(HKCU, "Abc\\D");
  EXPECT_EQ(tools.DelRegKey(HKCU, "Ab"), 0);
}

TEST_F(Registry, StoreFileIsPrivate) {
  tools.SaveRegString(HKCU, "K", "v", "secret");
  struct stat st {};
  ASSERT_EQ(stat((dir / "store" / "HKEY_CURRENT_USER.sqlite").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
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
      std::ifstream in(entry.path(), std::ios::binary);
      std::string kept((std::istreambuf_iterator<char>(in)), {});
      EXPECT_EQ(kept, garbage);
    }
  }
  EXPECT_EQ(aside, 1);
}

TEST_F(Registry, TwoProcessesWriteAtOnce) {
  constexpr int kWrites = 150;
  tools.SaveRegKey(HKCU, "Shared");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    KoToolsApp mine;
    int failures = 0;
    for (int i = 0; i < kWrites; ++i) {
      failures += mine.SaveRegDWord(HKCU, "Shared\\Child", "v" + std::to_string(i), i) != 0;
      mine.GetRegDWord(HKCU, "Shared\\Parent", "v0");
    }
    _exit(failures == 0 ? 0 : 1);
  }
  int failures = 0;
  for (int i = 0; i < kWrites; ++i) {
    failures += tools.SaveRegDWord(HKCU, "Shared\\Parent", "v" + std::to_string(i), i) != 0;
    tools.GetRegDWord(HKCU, "Shared\\Child", "v0");
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  EXPECT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0);
  EXPECT_EQ(failures, 0);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(tools.GetRegDWord(HKCU, "Shared\\Child", "v" + std::to_string(i)), i);
    EXPECT_EQ(tools.GetRegDWord(HKCU, "Shared\\Parent", "v" + std::to_string(i)), i);
  }
}

}  // namespace
