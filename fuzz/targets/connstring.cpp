// ODBC connection strings as the client sends them: parsing never crashes, refuses only by
// DbError, and every key it reports is found again case-blind.

#include "FuzzInput.h"
#include "db/Backend.h"
#include "db/ConnectionString.h"

using quarlopages::db::ConnectionString;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarlofuzz::FuzzInput in(data, size);
  std::string key = in.Text();
  std::string text = in.Rest();
  try {
    ConnectionString cs = ConnectionString::Parse(text);
    for (const char* k : {"driver", "DSN", "Server", "Database", "UID", "PWD", "Port"}) {
      auto v = cs.Get(k);
      auto raw = cs.GetRaw(k);
      quarlofuzz::Check(v.has_value() == raw.has_value(), "Get and GetRaw disagree");
    }
    auto v = cs.Get(key);
    auto upper = cs.Get(quarlopages::db::AsciiLower(key));
    quarlofuzz::Check(v == upper, "key lookup depends on case");
  } catch (const quarlopages::db::DbError&) {
  }
  return 0;
}
