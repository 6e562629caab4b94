#include "Config.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace quarlopages {
namespace {

int64_t ParseNumber(const std::string& name, const std::string& value, int64_t min, int64_t max) {
  int64_t n = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || end != value.data() + value.size() || n < min || n > max) {
    throw ConfigError("--" + name + ": expected a whole number from " + std::to_string(min) +
                      " to " + std::to_string(max) + ", got \"" + value + "\"");
  }
  return n;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return s;
}

// Flags that take no value on the command line; in a config file "name = yes" or "no".
bool IsSwitch(const std::string& name) { return name == "allow-any-path"; }

bool ParseSwitch(const std::string& name, const std::string& value) {
  const std::string v = Lower(value);
  if (v == "yes" || v == "true" || v == "1" || v == "on") return true;
  if (v == "no" || v == "false" || v == "0" || v == "off") return false;
  throw ConfigError("--" + name + ": expected yes or no, got \"" + value + "\"");
}

std::string CheckPath(const std::string& name, const std::string& value) {
  if (value.empty() || value[0] != '/') throw ConfigError("--" + name + ": must begin with \"/\"");
  return value;
}

struct Applier {
  Config& config;
  bool sqliteDriversGiven = false;

  void Apply(const std::string& name, const std::string& value) {
    if (name == "listen") {
      if (value.empty()) throw ConfigError("--listen: address missing");
      config.listen = value;
    } else if (name == "port") {
      config.port = static_cast<int>(ParseNumber(name, value, 0, 65535));
    } else if (name == "key") {
      for (unsigned char c : value) {
        if (c < 32 || c > 126)
          throw ConfigError("--key: only printable ASCII characters (32..126)");
      }
      config.key = value;
      config.keyIsDefault = value == kDefaultSharedKey;
    } else if (name == "open-url") {
      config.openUrl = CheckPath(name, value);
    } else if (name == "execute-url") {
      config.executeUrl = CheckPath(name, value);
    } else if (name == "map-path") {
      if (value.empty()) throw ConfigError("--map-path: folder missing");
      config.mapPath = value;
    } else if (name == "allow-any-path") {
      config.allowAnyPath = ParseSwitch(name, value);
    } else if (name == "session-timeout") {
      config.sessionTimeoutSeconds = static_cast<int>(ParseNumber(name, value, 1, 7 * 86400));
    } else if (name == "cursor-timeout") {
      config.cursorTimeoutSeconds = static_cast<int>(ParseNumber(name, value, 1, 7 * 86400));
    } else if (name == "max-sessions") {
      config.maxSessions = static_cast<int>(ParseNumber(name, value, 1, 100000));
    } else if (name == "max-rows") {
      config.maxRows = static_cast<int>(ParseNumber(name, value, 1, 1000000));
    } else if (name == "codepage") {
      if (value.empty()) throw ConfigError("--codepage: name missing");
      config.codepage = value;
    } else if (name == "tls-cert") {
      config.tlsCert = value;
    } else if (name == "tls-key") {
      config.tlsKey = value;
    } else if (name == "max-sql-kb") {
      config.maxSqlBytes = static_cast<size_t>(ParseNumber(name, value, 1, 16384)) * 1024;
    } else if (name == "max-spool-mb") {
      config.maxSpoolBytes = static_cast<uint64_t>(ParseNumber(name, value, 1, 1 << 20)) << 20;
    } else if (name == "max-connections") {
      config.maxConnections = static_cast<int>(ParseNumber(name, value, 1, 10000));
    } else if (name == "idle-timeout") {
      config.idleTimeoutSeconds = static_cast<int>(ParseNumber(name, value, 1, 86400));
    } else if (name == "spool-dir") {
      config.spoolDir = value;
    } else if (name == "sqlite-driver") {
      if (!sqliteDriversGiven) config.sqliteDrivers.clear();
      sqliteDriversGiven = true;
      config.sqliteDrivers.push_back(Lower(value));
    } else if (name == "doc-path") {
      if (value.empty()) throw ConfigError("--doc-path: folder missing");
      config.docPath = value;
    } else if (name == "doc-url") {
      config.docUrl = CheckPath(name, value);
      if (!config.docUrl.ends_with("/")) config.docUrl += "/";
    } else if (name == "config") {
      ReadConfigFile(value, config);
    } else {
      throw ConfigError("unknown setting --" + name + " (see --help)");
    }
  }
};

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

}  // namespace

void ReadConfigFile(const std::string& path, Config& config) {
  std::ifstream in(path);
  if (!in) throw ConfigError("--config: cannot read \"" + path + "\"");
  Applier applier{config};
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    auto eq = text.find('=');
    if (eq == std::string::npos) {
      throw ConfigError(path + ":" + std::to_string(number) + ": expected \"name = value\"");
    }
    std::string name = Trim(text.substr(0, eq));
    if (name.rfind("--", 0) == 0) name = name.substr(2);
    if (name == "config") throw ConfigError(path + ": a config file cannot include another");
    try {
      applier.Apply(name, Trim(text.substr(eq + 1)));
    } catch (const ConfigError& e) {
      throw ConfigError(path + ":" + std::to_string(number) + ": " + e.what());
    }
  }
}

Config ParseCommandLine(const std::vector<std::string>& args) {
  Config config;
  Applier applier{config};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      config.help = true;
      continue;
    }
    if (arg == "--version") {
      config.version = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
      throw ConfigError("unexpected argument \"" + arg + "\" (see --help)");
    }
    std::string name = arg.substr(2), value;
    if (auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    } else if (IsSwitch(name)) {
      value = "yes";
    } else {
      if (i + 1 >= args.size()) throw ConfigError("--" + name + ": value missing");
      value = args[++i];
    }
    applier.Apply(name, value);
  }
  if (config.tlsCert.empty() != config.tlsKey.empty()) {
    throw ConfigError("--tls-cert and --tls-key go together");
  }
  return config;
}

std::string HelpText() {
  std::ostringstream out;
  Config d;
  out << "Usage: quarlopages [FLAGS]\n"
      << "Serves the open page and the execute page of the Quarlo query protocol and relays to\n"
      << "databases: file databases through the built-in SQLite backend, the rest through\n"
      << "unixODBC. Prints \"listening on URL\" on stderr when ready; SIGINT or SIGTERM stop "
         "it.\n"
      << "A client stops the statement its session is running with Opt=3 on the open page\n"
      << "(ODBC SQLCancel, pg_cancel_backend while psqlODBC fetches from a cursor, or\n"
      << "sqlite3_interrupt; the connection stays open).\n"
      << "A lone statement (SQLite, psqlODBC) stays open in its session and is read only as\n"
      << "far as the pages asked for; a batch of several statements is read whole at once.\n\n"
      << "  --listen ADDR           address to listen on (default " << d.listen << ")\n"
      << "  --port N                TCP port, 0 for any free one (default " << d.port << ")\n"
      << "  --key KEY               the shared key ENC_KEY, printable ASCII (default: the\n"
      << "                          client's built-in key, with a warning)\n"
      << "  --open-url PATH         path of the open page (default " << d.openUrl << ")\n"
      << "  --execute-url PATH      path of the execute page (default " << d.executeUrl << ")\n"
      << "  --map-path DIR          folder reported as MapPath; relative database files are\n"
      << "                          taken from it (default: the current folder). The built-in\n"
      << "                          SQLite backend opens only files inside it (symbolic links\n"
      << "                          followed) and refuses ATTACH and load_extension\n"
      << "  --allow-any-path        let dbq= name database files outside the map folder too\n"
      << "                          (said in the log at start; ATTACH stays refused)\n"
      << "  --session-timeout S     seconds an idle session lives (default "
      << d.sessionTimeoutSeconds << ")\n"
      << "  --cursor-timeout S      seconds an open statement may wait for its next page\n"
      << "                          before it is closed, ending its transaction (default "
      << d.cursorTimeoutSeconds << ")\n"
      << "  --max-sessions N        most sessions at once (default " << d.maxSessions << ")\n"
      << "  --max-rows N            most rows one answer may carry, RowsPerComm (default "
      << d.maxRows << ")\n"
      << "  --codepage NAME         code page of the answers and statements (iconv name;\n"
      << "                          default $KOKIT_CODEPAGE, else GB18030)\n"
      << "  --tls-cert FILE         PEM certificate; with --tls-key serves https\n"
      << "  --tls-key FILE          PEM private key\n"
      << "  --max-sql-kb N          longest statement in KiB of code-page bytes (default "
      << d.maxSqlBytes / 1024 << ";\n"
      << "                          the query string carries each byte as three characters)\n"
      << "  --max-spool-mb N        disk space one session may use for rows already read\n"
      << "                          (default " << (d.maxSpoolBytes >> 20)
      << "); past it a batch is refused, and an\n"
      << "                          open statement drops its oldest pages\n"
      << "  --max-connections N     most HTTP connections at once (default " << d.maxConnections
      << ");\n"
      << "                          further ones wait in the listen queue until one closes\n"
      << "  --idle-timeout S        seconds a kept-alive connection may wait for its next\n"
      << "                          request before the server closes it (default "
      << d.idleTimeoutSeconds << ")\n"
      << "  --spool-dir DIR         where the row spools go (default $TMPDIR, else /tmp)\n"
      << "  --sqlite-driver NAME    a driver= name served by the built-in SQLite backend;\n"
      << "                          repeatable, replaces the defaults {Microsoft Access Driver\n"
      << "                          (*.mdb)} and {SQLite3}\n"
      << "  --doc-path DIR          folder served read-only under --doc-url, the desktop\n"
      << "                          program's online documentation (default: the installed\n"
      << "                          manual, " QUARLOPAGES_MANUAL_FROM_BIN " from the program's\n"
      << "                          folder, when it is there)\n"
      << "  --doc-url PATH          URL path of that folder (default " << d.docUrl << ")\n"
      << "  --config FILE           read \"name = value\" lines with the settings above\n"
      << "  --help                  this text\n"
      << "  --version               the version\n";
  return out.str();
}

}  // namespace quarlopages
