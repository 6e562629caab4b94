// The program's settings, from flags and the configuration file.
#include <gtest/gtest.h>

#include <fstream>

#include "Config.h"
#include "TempDir.h"

namespace quarlopages {
namespace {

TEST(Config, FlagsTheFileAndRefusedInput) {
  EXPECT_EQ(ParseCommandLine({}).listen, "127.0.0.1");  // reachable from this machine only
  // The flags the end-to-end tests do not start the program with.
  Config c =
      ParseCommandLine({"--key=my key", "--sqlite-driver", "{My SQLite}", "--doc-url", "/manual"});
  EXPECT_EQ(c.key, "my key");
  EXPECT_EQ(c.sqliteDrivers, std::vector<std::string>{"{my sqlite}"});
  EXPECT_EQ(c.docUrl, "/manual/");

  // Later flags override the file.
  quarlo::testing::TempDir dir;
  std::ofstream(dir / "pages.conf") << "# test\nport = 9090\n--session-timeout = 60\n"
                                    << "map-path = /srv/db\n\n";
  c = ParseCommandLine({"--config", (dir / "pages.conf").string(), "--port", "9191"});
  EXPECT_EQ(c.port, 9191);
  EXPECT_EQ(c.sessionTimeoutSeconds, 60);
  EXPECT_EQ(c.mapPath, "/srv/db");

  const std::pair<std::vector<std::string>, const char*> refused[] = {
      {{"--port", "70000"}, "--port"},
      {{"--port", "8o"}, "--port"},
      {{"--bogus", "1"}, "unknown"},
      {{"--port"}, "value missing"},
      {{"--key", "密钥"}, "printable"},
      {{"--open-url", "quarlo"}, "/"},
      {{"--tls-cert", "c.pem"}, "together"},
      {{"--allow-any-path=maybe"}, "yes or no"},
      {{"--config", "/nonexistent/pages.conf"}, "cannot read"},
  };
  for (const auto& [args, text] : refused) {
    SCOPED_TRACE(args[0]);
    try {
      ParseCommandLine(args);
      ADD_FAILURE() << "accepted";
    } catch (const ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace quarlopages
