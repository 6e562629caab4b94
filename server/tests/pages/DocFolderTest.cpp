#include "DocFolder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"

namespace quarlopages {
namespace {

namespace fs = std::filesystem;

// A request per branch a browser, a mistake or an attacker may take, against a real folder with a
// secret beside it and a link out (the index, its redirect, an encoded "..": EndToEndTest).
TEST(DocFolder, ServesFilesInsideTheFolderOnly) {
  quarlo::testing::TempDir dir;
  fs::path doc = dir / "doc";
  fs::create_directories(doc / "sub");
  fs::create_directories(doc / "bare");
  std::ofstream(doc / "index.html") << "index";
  std::ofstream(doc / "shot.PNG") << "png";
  std::ofstream(doc / "logo.svg") << "svg";
  std::ofstream(dir / "secret.txt") << "secret";
  fs::create_symlink("../secret.txt", doc / "out-link.txt");
  DocFolder folder(doc, "/quarlo20cn/");

  struct Row {
    const char* name;
    const char* target;
    int status;
    const char* body;  // or the redirect's Location
    const char* type;
  };
  const Row rows[] = {
      {"png whatever the case", "/quarlo20cn/shot.PNG", 200, "png", "image/png"},
      {"svg", "/quarlo20cn/logo.svg", 200, "svg", "image/svg+xml"},
      {"subfolder without slash", "/quarlo20cn/sub", 301, "/quarlo20cn/sub/", ""},
      {"folder without index: no listing", "/quarlo20cn/bare/", 404, "", ""},
      {"link out to a file", "/quarlo20cn/out-link.txt", 404, "", ""},
      {"encoded slash and dot dot", "/quarlo20cn/sub%2F%2E%2E%2F..%2Fsecret.txt", 404, "", ""},
      {"absolute path", "/quarlo20cn//etc/passwd", 404, "", ""},
      {"backslash", "/quarlo20cn/sub\\..\\..\\secret.txt", 404, "", ""},
      {"NUL", "/quarlo20cn/index.html%00.png", 404, "", ""},
      {"bad escape", "/quarlo20cn/%zz", 404, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PageRequest request;
    request.target = row.target;
    ASSERT_TRUE(folder.Serves(request.target));
    PageResponse r = folder.Serve(request);
    EXPECT_EQ(r.status, row.status);
    if (row.status == 200) {
      EXPECT_EQ(r.body, row.body);
      EXPECT_EQ(r.contentType, row.type);
    } else if (row.status == 301) {
      EXPECT_EQ(r.location, row.body);
    } else {
      EXPECT_EQ(r.body.find("secret"), std::string::npos);
    }
  }
  EXPECT_FALSE(folder.Serves("/quarlo20cnx/index.html"));
  EXPECT_FALSE(folder.Serves("/quarlo/quarloopen.asp"));
}

}  // namespace
}  // namespace quarlopages
