// The user manual read through the real quarlopages, as the desktop program's online
// documentation command opens it.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "HttpClient.h"
#include "ProtocolText.h"
#include "ServerProcess.h"
#include "TempDir.h"
#include "kokit/Codepage.h"

namespace quarlopages {
namespace {

using namespace quarlopages::testing;

TEST(OnlineManual, EveryPageAndStyleSheetComesThroughTheServerBesideThePages) {
  quarlo::testing::TempDir map, spool;
  ServerProcess server({"--key", "doc key", "--map-path", map.path().string(), "--spool-dir",
                        spool.path().string(), "--doc-path", QUARLO_MANUAL_DIR},
                       {{"LC_ALL", "C.UTF-8"}});
  HttpClient client;
  const std::string site = server.Url();

  // The setting's path without its final "/" leads to the folder, so relative links work.
  HttpAnswer bare = client.Get(site + "/quarlo20cn");
  EXPECT_EQ(bare.status, 301);
  EXPECT_NE(bare.headers.find("Location: /quarlo20cn/\r\n"), std::string::npos) << bare.headers;

  std::set<std::string> seen{"/quarlo20cn/"};
  std::vector<std::string> queue{"/quarlo20cn/"};
  const std::regex linkPattern("(?:href|src)=\"([^\"]+)\"");
  while (!queue.empty()) {
    std::string path = queue.back();
    queue.pop_back();
    SCOPED_TRACE(path);
    HttpAnswer page = client.Get(site + path);
    ASSERT_EQ(page.status, 200);
    bool css = path.ends_with(".css");
    EXPECT_NE(page.headers.find(css ? "Content-Type: text/css; charset=UTF-8"
                                    : "Content-Type: text/html; charset=UTF-8"),
              std::string::npos);
    if (css) continue;
    EXPECT_NE(page.body.find("<meta charset=\"utf-8\">"), std::string::npos);
    for (std::sregex_iterator it(page.body.begin(), page.body.end(), linkPattern), end; it != end;
         ++it) {
      // Pages and the style sheet sit in the folder itself; the screenshots live beside it
      // ("../screenshots/") and are not served.
      std::string link = (*it)[1].str();
      link = link.substr(0, link.find('#'));
      if (link.empty() || link.find_first_of("/:") != std::string::npos) continue;
      if (seen.insert("/quarlo20cn/" + link).second) queue.push_back("/quarlo20cn/" + link);
    }
  }
  EXPECT_GE(seen.size(), 8u);

  HttpAnswer index = client.Get(site + "/quarlo20cn/");
  HttpAnswer head = client.Head(site + "/quarlo20cn/");
  EXPECT_EQ(head.status, 200);
  EXPECT_TRUE(head.body.empty());
  EXPECT_NE(head.headers.find("Content-Length: " + std::to_string(index.body.size())),
            std::string::npos);
  EXPECT_EQ(client.Get(site + "/quarlo20cn/%2e%2e/%2e%2e/README.md").status, 404);

  // The pages answer as before on the same server.
  HttpAnswer check = client.Get(site + "/quarlo/quarloopen.asp" + KeyCheckQuery("doc key"));
  EXPECT_EQ(kokit::FromLegacy(check.body).substr(0, 2), "OK");
}

}  // namespace
}  // namespace quarlopages
