#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarlopages {

// The client's built-in shared key; a server left on it warns at start.
inline constexpr const char* kDefaultSharedKey = "Harbor Lantern Keys";

struct Config {
  std::string listen = "127.0.0.1";
  int port = 8080;
  std::string key = kDefaultSharedKey;
  bool keyIsDefault = true;
  std::string openUrl = "/quarlo/quarloopen.asp";
  std::string executeUrl = "/quarlo/quarloexecute.asp";
  std::string mapPath;        // empty: the current folder
  bool allowAnyPath = false;  // built-in backend: database files outside the map folder too
  int sessionTimeoutSeconds = 1200;
  int cursorTimeoutSeconds = 300;  // an open cursor without a request is closed then
  int maxSessions = 256;
  int maxRows = 5000;    // most rows one answer may carry (RowsPerComm)
  std::string codepage;  // empty: $KOKIT_CODEPAGE, else GB18030
  std::string tlsCert;
  std::string tlsKey;
  size_t maxSqlBytes = 256 * 1024;
  uint64_t maxSpoolBytes = 512ull * 1024 * 1024;  // per session
  int maxConnections = 64;
  int idleTimeoutSeconds = 300;  // a kept-alive connection without a request is closed then
  std::string spoolDir;          // empty: $TMPDIR, else /tmp
  // Driver names (lower case, with braces) served by the built-in SQLite backend.
  std::vector<std::string> sqliteDrivers = {"{microsoft access driver (*.mdb)}", "{sqlite3}"};
  std::string docPath;  // empty: the installed manual, when it is there
  std::string docUrl = "/quarlo20cn/";
  bool help = false;
  bool version = false;
};

class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the flags in order ("--name value" or "--name=value"); `--config FILE` reads the same
// settings from FILE at its place, so later flags override it. Throws ConfigError.
Config ParseCommandLine(const std::vector<std::string>& args);

// Applies "name = value" lines ("#" starts a comment) to `config`. Throws ConfigError.
void ReadConfigFile(const std::string& path, Config& config);

std::string HelpText();

}  // namespace quarlopages
