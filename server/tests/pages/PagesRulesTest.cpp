// The pages' rules the end-to-end tests cannot reach: bad escapes and the hex form on the wire,
// the settings, how long a session and a failing address are remembered, and the manual folder.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "Config.h"
#include "DocFolder.h"
#include "QueryString.h"
#include "SessionStore.h"
#include "TempDir.h"
#include "Throttle.h"
#include "Transport.h"

namespace quarlopages {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(QueryString, RefusesBadEscapes) {
  for (const char* bad : {"?a=%4", "?a=%", "?a=%GG", "?a=%4G1", "?a%=1", "?a=1%2"}) {
    EXPECT_THROW(QueryString::Parse(bad), std::invalid_argument) << bad;
  }
  EXPECT_FALSE(QueryString::Parse("?a=1").Has("b"));
}

TEST(Transport, TheHexFormBothWays) {
  for (auto [text, hex] : {std::pair{"A中", "41;4E2D;"},
                           {"请", "FFFF8BF7;"},
                           {"1高", "31;FFFF9AD8;"},
                           {"😀", "FFFFD83D;FFFFDE00;"},
                           {"", ""}}) {
    EXPECT_EQ(ToWapHex(text), hex) << text;
    EXPECT_EQ(FromWapHex(hex), text) << text;
  }
  EXPECT_EQ(FromWapHex("4e2d;"), "中");
  EXPECT_EQ(FromWapHex("8BF7;"), "请");
  for (const char* bad : {"41", "41;;", "XY;", "123456789;", "FFFE0041;", "D83D;", "DE00;41;"}) {
    EXPECT_FALSE(FromWapHex(bad)) << bad;
  }
}

TEST(Config, FlagsTheFileAndRefusedInput) {
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

TEST(SessionStore, IdleSessionsExpireButNotUnderARequestAndFreeTheirPlaces) {
  SessionStore store(1s, 2);
  std::string idle = store.Create()->id;
  auto held = store.Create();
  const std::string busy = held->id;
  EXPECT_FALSE(store.Create());  // capped
  std::this_thread::sleep_for(1100ms);
  EXPECT_FALSE(store.Find(idle));
  EXPECT_EQ(store.Sweep(), 0u);  // the held one is in use
  EXPECT_EQ(store.Size(), 1u);
  held = SessionStore::Lease();
  EXPECT_TRUE(store.Find(busy));  // just released: its idle time starts again
  EXPECT_TRUE(store.Create());    // the expired one's place
}

TEST(Throttle, RepeatedFailuresFromOneAddressWaitLonger) {
  FailureThrottle t;
  const auto now = FailureThrottle::Clock::now();
  std::vector<long> waits;
  for (int i = 0; i < 9; ++i) waits.push_back(t.RecordFailure("10.0.0.1", now).count());
  EXPECT_EQ(waits, (std::vector<long>{0, 0, 250, 500, 1000, 2000, 4000, 4000, 4000}));
  EXPECT_EQ(t.RecordFailure("10.0.0.2", now), 0ms);
  t.RecordSuccess("10.0.0.1");
  EXPECT_EQ(t.RecordFailure("10.0.0.1", now), 0ms);
  for (int i = 0; i < 5; ++i) t.RecordFailure("b", now);
  EXPECT_EQ(t.RecordFailure("b", now + FailureThrottle::kWindow + 1s), 0ms);

  const size_t many = FailureThrottle::kMaxAddresses * 3;
  for (size_t i = 0; i < many; ++i)
    t.RecordFailure("addr" + std::to_string(i), now + std::chrono::milliseconds(i));
  const std::string last = "addr" + std::to_string(many - 1);
  t.RecordFailure(last, now + std::chrono::milliseconds(many));
  EXPECT_EQ(t.RecordFailure(last, now + std::chrono::milliseconds(many)), 250ms);
}

TEST(DocFolder, ServesFilesInsideTheFolderOnly) {
  quarlo::testing::TempDir dir;
  fs::path doc = dir / "doc";
  fs::create_directories(doc / "sub");
  fs::create_directories(doc / "bare");
  std::ofstream(doc / "index.html") << "index";
  std::ofstream(doc / "shot.PNG") << "png";
  std::ofstream(doc / "logo.svg") << "svg";
  std::ofstream(dir / "secret.txt") << "secret";
  fs::create_symlink("../secret.txt", doc / "out-link.txt");
  DocFolder folder(doc, "/quarlo20cn/");

  struct Row {
    const char* name;
    const char* target;
    int status;
    const char* body;  // or the redirect's Location
    const char* type;
  };
  const Row rows[] = {
      {"png whatever the case", "/quarlo20cn/shot.PNG", 200, "png", "image/png"},
      {"svg", "/quarlo20cn/logo.svg", 200, "svg", "image/svg+xml"},
      {"subfolder without slash", "/quarlo20cn/sub", 301, "/quarlo20cn/sub/", ""},
      {"folder without index: no listing", "/quarlo20cn/bare/", 404, "", ""},
      {"link out to a file", "/quarlo20cn/out-link.txt", 404, "", ""},
      {"encoded slash and dot dot", "/quarlo20cn/sub%2F%2E%2E%2F..%2Fsecret.txt", 404, "", ""},
      {"absolute path", "/quarlo20cn//etc/passwd", 404, "", ""},
      {"backslash", "/quarlo20cn/sub\\..\\..\\secret.txt", 404, "", ""},
      {"bad escape", "/quarlo20cn/%zz", 404, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PageRequest request;
    request.target = row.target;
    ASSERT_TRUE(folder.Serves(request.target));
    PageResponse r = folder.Serve(request);
    EXPECT_EQ(r.status, row.status);
    if (row.status == 200) {
      EXPECT_EQ(r.body, row.body);
      EXPECT_EQ(r.contentType, row.type);
    } else if (row.status == 301) {
      EXPECT_EQ(r.location, row.body);
    } else {
      EXPECT_EQ(r.body.find("secret"), std::string::npos);
    }
  }
  EXPECT_FALSE(folder.Serves("/quarlo20cnx/index.html"));
  EXPECT_FALSE(folder.Serves("/quarlo/quarloopen.asp"));
}

}  // namespace
}  // namespace quarlopages
