#pragma once

#include <cstdint>
#include <string>

#include "quarlohost/LoginStrings.h"

namespace quarlodesk {

using quarlolink::host::DbType;

// The login dialog's database types, in list order (position 0..2).
inline constexpr const char* kDbTypeNames[] = {"MS-SQL Server", "Oracle", "Access"};
inline constexpr int kDbTypeCount = 3;

DbType DbTypeAt(int position);

// "LastLoginNo" kept within 1..3.
int32_t ClampLastLoginNo(int32_t no);

// The user setting that keeps the login of the type at `position`: "LastLogin1".."LastLogin3".
std::string LoginRecordName(int position);

// One stored login: what the dialog's fields showed when a login succeeded.
struct LoginRecord {
  std::string server, database, user, webSite;
  bool savePwd = false;
  std::string password;  // "" unless savePwd
};

// Reads a stored record; a "SavePwd" that is not numeric counts as not ticked.
LoginRecord ParseLoginRecord(const std::string& record);

// Writes the six elements into `record` in their order (each replacing its old one and moving to
// the end); the password only when the box is ticked.
void WriteLoginRecord(const LoginRecord& login, std::string& record);

// The status bar's description of the connection.
std::string ConnectionDescription(DbType type, const std::string& webSite,
                                  const LoginRecord& login);

}  // namespace quarlodesk
