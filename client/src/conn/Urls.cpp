#include "conn/Urls.h"

#include "kokit/Enums.h"
#include "kokit/KoToolsApp.h"
#include "routines/Routines.h"

namespace quarlolink::internal {

std::string KeyCheckUrl(const std::string& site, const std::string& openPath,
                        const std::string& encKey) {
  return site + openPath + "?Opt=0&EncKey=" + PercentEncode(EncipherText(encKey, encKey));
}

std::string OpenUrlFor(const std::string& site, const std::string& openPath, int32_t commandTimeout,
                       int32_t connectionTimeout, const std::string& connectionString,
                       const std::string& issuedKey) {
  return site + openPath + "?Opt=1&CommandTimeout=" + std::to_string(commandTimeout) +
         "&ConnectionTimeout=" + std::to_string(connectionTimeout) +
         "&ConnectionString=" + PercentEncode(EncipherText(connectionString, issuedKey));
}

std::string ExecuteUrlFor(const std::string& site, const std::string& executePath,
                          const std::string& encodedSql, int32_t rowsPerComm,
                          int32_t beginRecordset, int32_t moveRows, bool isRemoveSpace,
                          int32_t noHeadAndFields) {
  return site + executePath + "?SQL=" + encodedSql + "&RowsPerComm=" + std::to_string(rowsPerComm) +
         "&BeginRecordset=" + std::to_string(beginRecordset) +
         "&MoveRows=" + std::to_string(moveRows) +
         "&IsRemoveSpace=" + (isRemoveSpace ? "-1" : "0") +
         "&IsNoHeadAndFields=" + std::to_string(noHeadAndFields);
}

std::string RewriteDatabasePath(const std::string& connectionString, const std::string& mapPath) {
  kokit::KoToolsApp tools;
  std::string scratch = connectionString;
  if (tools.GetStr(scratch, "driver=", ";", false) != "{Microsoft Access Driver (*.mdb)}") {
    return connectionString;
  }
  scratch = connectionString;
  std::string path = tools.GetStr(scratch, "dbq=", ";", false);
  // A path from the root of a server without drive letters is already full.
  if (!path.empty() && path.front() == '/') return connectionString;
  if (!tools.GetFilePart(path, kokit::xpFilePart_DriveNo).empty() &&
      !tools.GetFilePart(path, kokit::xpFilePart_Path).empty()) {
    return connectionString;
  }
  const std::string from = "dbq=" + path + ";";
  const std::string to = "dbq=" + JoinServerPath(mapPath, path) + ";";
  std::string out;
  std::size_t at = 0;
  for (std::size_t hit; (hit = connectionString.find(from, at)) != std::string::npos;
       at = hit + from.size()) {
    out.append(connectionString, at, hit - at).append(to);
  }
  out.append(connectionString, at, std::string::npos);
  return out;
}

}  // namespace quarlolink::internal
