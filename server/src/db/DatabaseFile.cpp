#include "db/DatabaseFile.h"

#include <algorithm>
#include <system_error>

#include "db/Backend.h"

namespace quarlopages::db {
namespace fs = std::filesystem;
namespace {

fs::path MapFolder(const std::string& mapPath) {
  std::error_code ec;
  const fs::path folder = mapPath.empty() ? fs::current_path(ec) : fs::path(mapPath);
  const fs::path real = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  return ec ? folder.lexically_normal() : real;
}

bool IsInside(const fs::path& file, const fs::path& folder) {
  auto f = file.begin();
  for (auto d = folder.begin(); d != folder.end(); ++d, ++f) {
    if (d->empty()) continue;  // the trailing "/" of a folder written with one
    if (f == file.end() || *f != *d) return false;
  }
  return true;
}

}  // namespace

fs::path ResolveDatabaseFile(const std::string& value, const std::string& mapPath) {
  std::string path = value;
  std::replace(path.begin(), path.end(), '\\', '/');
  fs::path file(path);
  if (file.is_relative()) file = fs::path(mapPath) / file;
  return file.lexically_normal();
}

fs::path DatabaseFileFor(const std::string& value, const std::string& mapPath, bool allowAnyPath) {
  const fs::path folder = MapFolder(mapPath);
  const fs::path file = ResolveDatabaseFile(value, folder.string());
  // Links are followed as far as they lead, so one pointing out of the folder counts as outside
  // whether or not its target exists (and nothing is told about files outside).
  std::error_code ec;
  fs::path real = fs::weakly_canonical(file, ec);
  if (ec) real = file;  // a link loop or an unreadable folder: judged as written
  if (!allowAnyPath && (ec || !IsInside(real, folder))) {
    throw DbError("数据库文件必须位于服务器的映射文件夹（" + folder.string() +
                  "）之内，不能是其外的文件或指向其外的链接：" + value);
  }
  const auto status = fs::status(real, ec);
  if (!fs::exists(status)) throw DbError("数据库文件不存在：" + file.string());
  if (!fs::is_regular_file(status)) throw DbError("不是数据库文件：" + file.string());
  return real;
}

}  // namespace quarlopages::db
