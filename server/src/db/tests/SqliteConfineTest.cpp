// The built-in backend keeps to the map folder: which dbq= paths open, and which statements
// are refused because they would reach other files.
#include <gtest/gtest.h>

#include <set>

#include "DbTestUtil.h"
#include "SqliteFile.h"
#include "TempDir.h"
#include "db/Backend.h"

namespace quarlopages::db {
namespace {

namespace fs = std::filesystem;
using quarlopages::testing::MakeSqliteFile;
using testing::ErrorOf;
using testing::ReadAll;
using Rows = std::vector<std::vector<std::string>>;

// root/map is the map folder; root/out lies beside it. Each database's table t holds one row.
class Confined {
 public:
  Confined() {
    fs::create_directories(map() / "data" / "sub");
    fs::create_directories(root_ / "out");
    MakeSqliteFile(map() / "data" / "sub" / "in.db",
                   "create table t(v); insert into t values ('in')");
    MakeSqliteFile(root_ / "out" / "secret.db",
                   "create table t(v); insert into t values ('secret')");
    fs::create_symlink("data/sub/in.db", map() / "inlink.db");
    fs::create_symlink("../out/secret.db", map() / "outlink.db");
    fs::create_symlink("../out", map() / "outdir");
  }
  fs::path map() const { return root_ / "map"; }
  // `text` with {root} and {map} replaced by the folders.
  std::string Fill(std::string text) const {
    for (auto [name, value] : {std::pair{"{root}", root_.path()}, std::pair{"{map}", map()}}) {
      for (size_t at; (at = text.find(name)) != std::string::npos;) {
        text.replace(at, std::string(name).size(), value.string());
      }
    }
    return text;
  }
  std::set<fs::path> Files() const {
    std::set<fs::path> all;
    for (const auto& e : fs::recursive_directory_iterator(root_.path())) all.insert(e.path());
    return all;
  }
  ConnectOptions Options(bool allowAnyPath) const {
    return {.mapPath = map().string(), .allowAnyPath = allowAnyPath};
  }

 private:
  quarlo::testing::TempDir root_;
};

constexpr const char* kRule = "数据库文件必须位于服务器的映射文件夹";

// Each dbq= path, with the rule and with the flag that lifts it: it opens the file it names, or
// is refused, and no file is made either way.
TEST(SqliteConfine, PathsAndStatementsKeepToTheMapFolder) {
  const struct {
    const char* name;
    const char* dbq;
    const char* holds;  // the value of t.v in the file it names; "" when it names none
    bool inside;
  } rows[] = {
      {"as the client rewrites it", "{map}\\data\\sub\\in.db", "in", true},
      {"dot dot staying inside", "data/../data/sub/in.db", "in", true},
      {"link inside", "inlink.db", "in", true},
      {"dot dot", "../out/secret.db", "secret", false},
      {"backslash dot dot", "data\\..\\..\\out\\secret.db", "secret", false},
      {"absolute outside", "{root}/out/secret.db", "secret", false},
      {"link out", "outlink.db", "secret", false},
      {"folder link out", "outdir/secret.db", "secret", false},
      {"missing outside", "../out/new.db", "", false},
  };
  Confined dir;
  const auto before = dir.Files();
  for (const auto& row : rows) {
    for (bool allowAnyPath : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (allowAnyPath ? ", any path" : ""));
      const std::string cs = "driver={SQLite3};dbq=" + dir.Fill(row.dbq) + ";";
      if ((row.inside || allowAnyPath) && *row.holds) {
        auto conn = Connect(cs, dir.Options(allowAnyPath));
        EXPECT_EQ(ReadAll(*conn->Execute("select v from t", 0)), (Rows{{row.holds}}));
      } else {
        const std::string text = ErrorOf([&] { Connect(cs, dir.Options(allowAnyPath)); });
        EXPECT_NE(text.find(row.inside || allowAnyPath ? "数据库文件不存在" : kRule),
                  std::string::npos)
            << text;
      }
      EXPECT_EQ(dir.Files(), before);
    }
  }

  // Statements that would reach other files are refused, even with the flag, and make nothing.
  const struct {
    const char* name;
    const char* sql;
    const char* refusal;
  } statements[] = {
      {"attach", "attach '{root}/out/new.db' as x", "不允许 ATTACH"},
      {"attach inside", "attach '{map}/data/sub/in.db' as x", "不允许 ATTACH"},
      {"vacuum into", "vacuum into '{root}/out/copy.db'", "不允许 ATTACH"},
      {"load extension", "select load_extension('{root}/out/x.so')", "不允许 load_extension"},
      {"temp store directory", "pragma temp_store_directory = '{root}/out'",
       "不允许设置 PRAGMA temp_store_directory"},
  };
  auto conn = Connect("driver={SQLite3};dbq=data/sub/in.db", dir.Options(true));
  for (const auto& row : statements) {
    SCOPED_TRACE(row.name);
    const std::string text = ErrorOf([&] { conn->Execute(dir.Fill(row.sql), 0); });
    EXPECT_NE(text.find(row.refusal), std::string::npos) << text;
    EXPECT_EQ(dir.Files(), before);
    EXPECT_EQ(ReadAll(*conn->Execute("select v from t", 0)), (Rows{{"in"}}));
  }
}

}  // namespace
}  // namespace quarlopages::db
