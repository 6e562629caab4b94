// Builds a fresh SQLite database from an SQL script: quarlopages_mkdemo SCRIPT OUTPUT.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: quarlopages_mkdemo SCRIPT OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "quarlopages_mkdemo: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::stringstream script;
  script << in.rdbuf();

  // Written beside the output and renamed at the end, so a failed build leaves no half database.
  const std::filesystem::path output = argv[2];
  const std::filesystem::path partial = output.string() + ".partial";
  std::error_code ec;
  std::filesystem::remove(partial, ec);
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(partial.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<sqlite3, DbCloser> db(raw);
  if (rc != SQLITE_OK) {
    std::cerr << "quarlopages_mkdemo: " << sqlite3_errstr(rc) << ": " << partial << "\n";
    return 1;
  }
  const std::string sql = "begin;\n" + script.str() + "\ncommit;";
  char* error = nullptr;
  if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::cerr << "quarlopages_mkdemo: " << argv[1] << ": " << (error ? error : "failed") << "\n";
    sqlite3_free(error);
    db.reset();
    std::filesystem::remove(partial, ec);
    return 1;
  }
  db.reset();
  std::filesystem::rename(partial, output, ec);
  if (ec) {
    std::cerr << "quarlopages_mkdemo: " << ec.message() << ": " << output << "\n";
    return 1;
  }
  return 0;
}
