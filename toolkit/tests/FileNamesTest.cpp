#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "kokit/KoToolsApp.h"

namespace fs = std::filesystem;

namespace {

kokit::KoToolsApp tools;

std::string Path(const std::string& name) {
  return tools.GetFilePart(name, kokit::xpFilePart_Path);
}
std::string Title(const std::string& name) { return tools.GetFilePart(name); }

TEST(GetFilePart, BackslashPathParts) {
  const std::string name = "C:\\dir\\sub\\f.txt";
  EXPECT_EQ(Path(name), "C:\\dir\\sub");
  EXPECT_EQ(Title(name), "f.txt");
  EXPECT_EQ(tools.GetFilePart(name, kokit::xpFilePart_ExtName), "txt");
  EXPECT_EQ(tools.GetFilePart(name, kokit::xpFilePart_DriveNo), "C");
}

TEST(GetFilePart, RootsKeepTheirSeparator) {
  EXPECT_EQ(Path("C:\\f.txt"), "C:\\");
  EXPECT_EQ(Path("\\f.txt"), "\\");
  EXPECT_EQ(Title("\\f.txt"), "f.txt");
  EXPECT_EQ(Path("/f.txt"), "/");
  EXPECT_EQ(Title("/f.txt"), "f.txt");
  EXPECT_EQ(Path("C:/f.txt"), "C:/");
  EXPECT_EQ(Path("/"), "/");
  EXPECT_EQ(Title("/"), ".");
}

TEST(GetFilePart, FolderNameGivesDotTitle) {
  EXPECT_EQ(Title("C:\\dir\\"), ".");
  EXPECT_EQ(Path("C:\\dir\\"), "C:\\dir");
  EXPECT_EQ(Title("/home/user/"), ".");
  EXPECT_EQ(Path("/home/user/"), "/home/user");
  EXPECT_EQ(Title(""), ".");
  EXPECT_EQ(Path(""), "");
}

TEST(GetFilePart, SlashPathParts) {
  EXPECT_EQ(Path("/var/log/quarlo/err.log"), "/var/log/quarlo");
  EXPECT_EQ(Title("/var/log/quarlo/err.log"), "err.log");
  EXPECT_EQ(Path("rel/f"), "rel");
  EXPECT_EQ(Path("f"), "");
  EXPECT_EQ(Title("f"), "f");
  EXPECT_EQ(Path("\\\\server\\share\\f"), "\\\\server\\share");
}

TEST(GetFilePart, ExtensionStartsAtFirstDot) {
  EXPECT_EQ(tools.GetFilePart("a.b.txt", kokit::xpFilePart_ExtName), "b.txt");
  EXPECT_EQ(tools.GetFilePart("report", kokit::xpFilePart_ExtName), "");
}

TEST(GetFilePart, DriveNeedsAColonAfterTheFirstCharacter) {
  EXPECT_EQ(tools.GetFilePart("/tmp/x", kokit::xpFilePart_DriveNo), "");
  EXPECT_EQ(tools.GetFilePart(":x", kokit::xpFilePart_DriveNo), "");
  EXPECT_EQ(tools.GetFilePart("", kokit::xpFilePart_DriveNo), "");
}

TEST(GetFilePart, UnknownPartIsError) {
  EXPECT_EQ(tools.GetFilePart("report", 9), "Error");
  EXPECT_EQ(tools.GetFilePart("report", 0), "Error");
}

TEST(KoMkDir, CreatesEveryMissingFolder) {
  quarlo::testing::TempDir tmp;
  const fs::path deep = tmp / "a/b/c";
  EXPECT_EQ(tools.KoMkDir(deep.string()), "OK");
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_EQ(tools.KoMkDir(deep.string() + "/"), "OK");  // already there
}

TEST(KoMkDir, AcceptsBackslashSeparators) {
  quarlo::testing::TempDir tmp;
  EXPECT_EQ(tools.KoMkDir(tmp.path().string() + "\\x\\y\\"), "OK");
  EXPECT_TRUE(fs::is_directory(tmp / "x/y"));
}

TEST(KoMkDir, RelativeToTheCurrentFolder) {
  quarlo::testing::TempDir tmp;
  const fs::path saved = fs::current_path();
  fs::current_path(tmp.path());
  std::string rel = tools.KoMkDir("r1/r2");
  std::string back = tools.KoMkDir("\\" + (tmp / "abs").string().substr(1));
  fs::current_path(saved);
  EXPECT_EQ(rel, "OK");
  EXPECT_TRUE(fs::is_directory(tmp / "r1/r2"));
  EXPECT_EQ(back, "OK");
  EXPECT_TRUE(fs::is_directory(tmp / "abs"));
}

TEST(KoMkDir, FileInTheWayIsReported) {
  quarlo::testing::TempDir tmp;
  std::ofstream(tmp / "file") << "x";
  EXPECT_EQ(tools.KoMkDir((tmp / "file/sub").string()), "Not a directory");
}

TEST(KoMkDir, DriveLetterNamesNoFolderHere) {
  EXPECT_EQ(tools.KoMkDir("Q:\\nowhere\\x"), "No such file or directory");
}

TEST(KoMkDir, UnwritableParentIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
  quarlo::testing::TempDir tmp;
  fs::create_directory(tmp / "ro");
  chmod((tmp / "ro").c_str(), 0555);
  EXPECT_EQ(tools.KoMkDir((tmp / "ro/x").string()), "Permission denied");
  chmod((tmp / "ro").c_str(), 0755);
}

TEST(KoMkDir, FolderNamesWithColonsAreNotDrives) {
  quarlo::testing::TempDir tmp;
  EXPECT_EQ(tools.KoMkDir((tmp / "a:b/c").string()), "OK");
  EXPECT_TRUE(fs::is_directory(tmp / "a:b/c"));
}

}  // namespace
