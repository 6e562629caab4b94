#include "core/Login.h"

#include "core/Numbers.h"
#include "core/TaggedText.h"

namespace quarlodesk {

DbType DbTypeAt(int position) {
  switch (position) {
    case 1:
      return DbType::Oracle;
    case 2:
      return DbType::Access;
    default:
      return DbType::SqlServer;
  }
}

int32_t ClampLastLoginNo(int32_t no) {
  if (no < 1) return 1;
  if (no > kDbTypeCount) return kDbTypeCount;
  return no;
}

std::string LoginRecordName(int position) { return "LastLogin" + std::to_string(position + 1); }

LoginRecord ParseLoginRecord(const std::string& record) {
  LoginRecord r;
  r.server = PeekTag(record, "LastServer");
  r.database = PeekTag(record, "LastDatabase");
  r.user = PeekTag(record, "LastUser");
  r.webSite = PeekTag(record, "LastWebSite");
  const auto save = VbNumber(PeekTag(record, "SavePwd"));
  r.savePwd = save && *save != 0;
  r.password = PeekTag(record, "Password");
  return r;
}

void WriteLoginRecord(const LoginRecord& login, std::string& record) {
  WriteTag("LastServer", login.server, record);
  WriteTag("LastDatabase", login.database, record);
  WriteTag("LastUser", login.user, record);
  WriteTag("LastWebSite", login.webSite, record);
  WriteTag("SavePwd", login.savePwd ? "1" : "0", record);
  WriteTag("Password", login.savePwd ? login.password : "", record);
}

std::string ConnectionDescription(DbType type, const std::string& webSite,
                                  const LoginRecord& login) {
  if (type == DbType::Access) {
    return webSite + "[" + login.database + "#" + login.user + "]";
  }
  return webSite + "[" + login.server + "@" + login.database + "#" + login.user + "]";
}

}  // namespace quarlodesk
