#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "kokit/KoToolsApp.h"

namespace fs = std::filesystem;

namespace {

TEST(KoMkDir, MakesEveryMissingFolderOrSaysWhyNot) {
  kokit::KoToolsApp tools;
  quarlo::testing::TempDir tmp;
  std::ofstream(tmp / "file") << "x";
  fs::create_directory(tmp / "ro");
  chmod((tmp / "ro").c_str(), 0555);
  const std::string base = tmp.path().string();
  const fs::path saved = fs::current_path();
  fs::current_path(tmp.path());
  struct Row {
    const char* name;
    std::string folder;
    std::string want;
    const char* made;  // below tmp, or nullptr
  };
  const Row rows[] = {
      {"every missing level", base + "/a/b/c", "OK", "a/b/c"},
      {"already there", base + "/a/b/c/", "OK", "a/b/c"},
      {"backslash separators", base + "\\x\\y\\", "OK", "x/y"},
      {"relative to the current folder", "r1/r2", "OK", "r1/r2"},
      {"leading backslash is the root", "\\" + base.substr(1) + "/abs", "OK", "abs"},
      {"colon inside a name is no drive", base + "/a:b/c", "OK", "a:b/c"},
      {"file in the way", base + "/file/sub", "Not a directory", nullptr},
      {"drive letter names no folder here", "Q:\\nowhere\\x", "No such file or directory", nullptr},
      // Root may write anywhere.
      {"unwritable parent", base + "/ro/x", geteuid() == 0 ? "OK" : "Permission denied", nullptr},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(tools.KoMkDir(row.folder), row.want) << row.name;
    if (row.made) {
      EXPECT_TRUE(fs::is_directory(tmp / row.made)) << row.name;
    }
  }
  fs::current_path(saved);
  chmod((tmp / "ro").c_str(), 0755);
}

}  // namespace
