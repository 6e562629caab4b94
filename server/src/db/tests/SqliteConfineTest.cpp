// The built-in backend keeps to the map folder: which dbq= paths open, and which statements
// are refused because they would reach other files.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "DbTestUtil.h"
#include "TempDir.h"
#include "db/Backend.h"

namespace quarlopages::db {
namespace {

namespace fs = std::filesystem;
using quarlo::testing::TempDir;
using testing::ErrorOf;
using testing::ReadAll;
using Rows = std::vector<std::vector<std::string>>;

// root/map is the map folder; root/out lies beside it.
class Confined {
 public:
  Confined() {
    fs::create_directories(map() / "data" / "sub");
    fs::create_directories(root_ / "out");
    MakeDatabase(map() / "data" / "sub" / "in.db", "in");
    MakeDatabase(root_ / "out" / "secret.db", "secret");
    fs::create_symlink("data/sub/in.db", map() / "inlink.db");
    fs::create_symlink("../out/secret.db", map() / "outlink.db");
    fs::create_symlink("../out", map() / "outdir");
  }
  fs::path map() const { return root_ / "map"; }
  // A database whose table t holds one row, `value`. An empty file is an empty database.
  static void MakeDatabase(const fs::path& file, const std::string& value) {
    std::ofstream(file).close();
    ConnectOptions any;
    any.allowAnyPath = true;
    testing::RunAll(*Connect("driver={SQLite3};dbq=" + file.string(), any),
                    "create table t(v); insert into t values ('" + value + "')");
  }
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
    ConnectOptions o;
    o.mapPath = map().string();
    o.allowAnyPath = allowAnyPath;
    return o;
  }

 private:
  TempDir root_;
};

constexpr const char* kRule = "数据库文件必须位于服务器的映射文件夹";

struct PathCase {
  const char* name;
  const char* dbq;
  const char* holds;  // the value of t.v in the file it names; "" when it names none
  bool inside;
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class DatabasePath : public ::testing::TestWithParam<std::tuple<PathCase, bool>> {};

TEST_P(DatabasePath, OpensInsideTheMapFolderUnlessTheFlagLiftsTheRule) {
  const auto& [c, allowAnyPath] = GetParam();
  Confined dir;
  const auto before = dir.Files();
  const std::string cs = "driver={SQLite3};dbq=" + dir.Fill(c.dbq) + ";";
  if ((c.inside || allowAnyPath) && *c.holds) {
    auto conn = Connect(cs, dir.Options(allowAnyPath));
    EXPECT_EQ(ReadAll(*conn->Execute("select v from t", 0)), (Rows{{c.holds}}));
  } else {
    const std::string text = ErrorOf([&] { Connect(cs, dir.Options(allowAnyPath)); });
    EXPECT_NE(text.find(c.inside || allowAnyPath ? "数据库文件不存在" : kRule), std::string::npos)
        << text;
  }
  EXPECT_EQ(dir.Files(), before);
}

const PathCase kPaths[] = {
    {"Nested", "data\\sub\\in.db", "in", true},
    {"AsTheClientRewritesIt", "{map}\\data\\sub\\in.db", "in", true},
    {"DotDotStayingInside", "data/../data/sub/in.db", "in", true},
    {"LinkInside", "inlink.db", "in", true},
    {"MissingInside", "data/new.db", "", true},
    {"DotDot", "../out/secret.db", "secret", false},
    {"BackslashDotDot", "data\\..\\..\\out\\secret.db", "secret", false},
    {"AbsoluteOutside", "{root}/out/secret.db", "secret", false},
    {"LinkOut", "outlink.db", "secret", false},
    {"FolderLinkOut", "outdir/secret.db", "secret", false},
    {"MissingOutside", "../out/new.db", "", false},
};

INSTANTIATE_TEST_SUITE_P(Rows, DatabasePath,
                         ::testing::Combine(::testing::ValuesIn(kPaths), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_AnyPath" : "");
                         });

struct StatementCase {
  const char* name;
  const char* sql;
  const char* refusal;
};

void PrintTo(const StatementCase& c, std::ostream* out) { *out << c.name; }

class ReachingOut : public ::testing::TestWithParam<StatementCase> {};

TEST_P(ReachingOut, IsRefusedAndCreatesNothing) {
  Confined dir;
  auto conn = Connect("driver={SQLite3};dbq=data/sub/in.db", dir.Options(true));
  const auto before = dir.Files();
  const std::string text = ErrorOf([&] { conn->Execute(dir.Fill(GetParam().sql), 0); });
  EXPECT_NE(text.find(GetParam().refusal), std::string::npos) << text;
  EXPECT_EQ(dir.Files(), before);
  EXPECT_EQ(ReadAll(*conn->Execute("select v from t", 0)), (Rows{{"in"}}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReachingOut,
    ::testing::Values(
        StatementCase{"Attach", "attach '{root}/out/new.db' as x", "不允许 ATTACH"},
        StatementCase{"AttachInside", "attach '{map}/data/sub/in.db' as x", "不允许 ATTACH"},
        StatementCase{"VacuumInto", "vacuum into '{root}/out/copy.db'", "不允许 ATTACH"},
        StatementCase{"LoadExtension", "select load_extension('{root}/out/x.so')",
                      "不允许 load_extension"},
        StatementCase{"TempStoreDirectory", "pragma temp_store_directory = '{root}/out'",
                      "不允许设置 PRAGMA temp_store_directory"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quarlopages::db
