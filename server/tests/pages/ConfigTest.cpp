#include "Config.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"

namespace quarlopages {
namespace {

// What a server started without flags offers: loopback only, and what the client expects.
TEST(Config, DefaultsMatchTheClient) {
  Config c = ParseCommandLine({});
  EXPECT_EQ(c.listen, "127.0.0.1");  // reachable from this machine only
  EXPECT_EQ(c.key, "Harbor Lantern Keys");
  EXPECT_TRUE(c.keyIsDefault);
  EXPECT_EQ(c.openUrl, "/quarlo/quarloopen.asp");
  EXPECT_EQ(c.executeUrl, "/quarlo/quarloexecute.asp");
  EXPECT_GE(c.maxSqlBytes, 256u * 1024);
}

TEST(Config, ReadsBothFlagForms) {
  Config c = ParseCommandLine({"--port", "0", "--key=my key", "--max-rows", "100",
                               "--sqlite-driver", "{My SQLite}", "--codepage=UTF-8", "--doc-url",
                               "/manual", "--allow-any-path"});
  EXPECT_EQ(c.port, 0);
  EXPECT_EQ(c.key, "my key");
  EXPECT_FALSE(c.keyIsDefault);
  EXPECT_EQ(c.maxRows, 100);
  EXPECT_EQ(c.sqliteDrivers, std::vector<std::string>{"{my sqlite}"});
  EXPECT_EQ(c.codepage, "UTF-8");
  EXPECT_EQ(c.docUrl, "/manual/");
  EXPECT_TRUE(c.allowAnyPath);
}

TEST(Config, LaterFlagsOverrideTheConfigFile) {
  quarlo::testing::TempDir dir;
  std::ofstream(dir / "pages.conf") << "# test\nport = 9090\n--session-timeout = 60\n"
                                    << "map-path = /srv/db\n\n";
  Config c = ParseCommandLine({"--config", (dir / "pages.conf").string(), "--port", "9191"});
  EXPECT_EQ(c.port, 9191);
  EXPECT_EQ(c.sessionTimeoutSeconds, 60);
  EXPECT_EQ(c.mapPath, "/srv/db");
}

TEST(Config, RefusesBadInputWithAClearText) {
  auto error = [](std::vector<std::string> args) {
    try {
      ParseCommandLine(args);
    } catch (const ConfigError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_NE(error({"--port", "70000"}).find("--port"), std::string::npos);
  EXPECT_NE(error({"--port", "8o"}).find("--port"), std::string::npos);
  EXPECT_NE(error({"--bogus", "1"}).find("unknown"), std::string::npos);
  EXPECT_NE(error({"--port"}).find("value missing"), std::string::npos);
  EXPECT_NE(error({"--key", "密钥"}).find("printable"), std::string::npos);
  EXPECT_NE(error({"--open-url", "quarlo"}).find("/"), std::string::npos);
  EXPECT_NE(error({"--tls-cert", "c.pem"}).find("together"), std::string::npos);
  EXPECT_NE(error({"--allow-any-path=maybe"}).find("yes or no"), std::string::npos);
  EXPECT_NE(error({"--config", "/nonexistent/pages.conf"}).find("cannot read"), std::string::npos);
}

TEST(Config, HelpNamesEveryFlagAndTheStatementLimit) {
  std::string help = HelpText();
  for (const char* flag :
       {"--listen", "--port", "--key", "--open-url", "--execute-url", "--map-path",
        "--session-timeout", "--max-sessions", "--max-rows", "--codepage", "--tls-cert",
        "--tls-key", "--config", "--max-sql-kb", "--max-spool-mb", "--allow-any-path",
        "--idle-timeout", "--cursor-timeout", "--help"}) {
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  }
  EXPECT_NE(help.find("default 256"), std::string::npos);
}

}  // namespace
}  // namespace quarlopages
