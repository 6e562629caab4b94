#include "db/SqliteConfine.h"

#include <utility>

namespace quarlopages::db {
namespace {

bool Is(const char* text, const char* name) { return text && sqlite3_stricmp(text, name) == 0; }

}  // namespace

void SqliteConfinement::Install(sqlite3* db) {
  sqlite3_set_authorizer(db, &SqliteConfinement::Authorize, this);
  // Should the authorizer ever miss one, no database can be attached at all.
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
}

std::optional<std::string> SqliteConfinement::TakeRefusal() {
  if (!refusal_) return std::nullopt;
  std::string text = std::exchange(refusal_, nullptr);
  return text;
}

// Runs inside SQLite: no allocation, nothing that throws.
int SqliteConfinement::Authorize(void* self, int action, const char* a, const char* b, const char*,
                                 const char*) {
  const char* text = nullptr;
  if (action == SQLITE_ATTACH) {
    text = "内置 SQLite 后端不允许 ATTACH 或 VACUUM INTO：只能使用连接字符串指定的那一个数据库文件";
  } else if (action == SQLITE_FUNCTION && Is(b, "load_extension")) {
    text = "内置 SQLite 后端不允许 load_extension：不能加载扩展模块";
  } else if (action == SQLITE_PRAGMA && b &&
             (Is(a, "temp_store_directory") || Is(a, "data_store_directory"))) {
    text = "内置 SQLite 后端不允许设置 PRAGMA temp_store_directory：临时文件的位置由服务器决定";
  } else {
    return SQLITE_OK;
  }
  static_cast<SqliteConfinement*>(self)->refusal_ = text;
  return SQLITE_DENY;
}

}  // namespace quarlopages::db
