#pragma once

#include <string>

#include "db/Backend.h"

namespace quarlopages::db {

// Drivers read statements up to the first NUL byte: refuse one rather than run half a batch.
inline void RefuseNulBytes(const std::string& sql) {
  if (sql.find('\0') != std::string::npos) throw DbError("语句中含有 NUL 字符（%00），不能执行");
}

}  // namespace quarlopages::db
