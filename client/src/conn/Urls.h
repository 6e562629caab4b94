#pragma once

#include <cstdint>
#include <string>

namespace quarlolink::internal {

// The request URLs of the two server pages: plain concatenation of site, page path and query.

// Key check: the key enciphered under itself, percent-encoded.
std::string KeyCheckUrl(const std::string& site, const std::string& openPath,
                        const std::string& encKey);

// Open: the connection string enciphered under the issued key, percent-encoded.
std::string OpenUrlFor(const std::string& site, const std::string& openPath, int32_t commandTimeout,
                       int32_t connectionTimeout, const std::string& connectionString,
                       const std::string& issuedKey);

// Execute, with the statement already percent-encoded.
std::string ExecuteUrlFor(const std::string& site, const std::string& executePath,
                          const std::string& encodedSql, int32_t rowsPerComm,
                          int32_t beginRecordset, int32_t moveRows, bool isRemoveSpace,
                          int32_t noHeadAndFields);

// For the file-database driver, a relative or drive-less dbq= path becomes a full path under
// the server page's folder; any other connection string comes back as it is.
std::string RewriteDatabasePath(const std::string& connectionString, const std::string& mapPath);

}  // namespace quarlolink::internal
