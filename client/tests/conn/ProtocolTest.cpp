// The requests a connection sends, target for target, and what it makes of the pages' answers.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "ConnFixture.h"
#include "kokit/IniItems.h"
#include "settings/Defaults.h"

using namespace quarlo::testing;
using quarlolink::QuarloApp;
using Strings = std::vector<std::string>;

namespace {

std::string ExecTarget(int rowsPerComm, int begin, int moveRows, int noHead,
                       const char* removeSpace = "-1") {
  return "GET /quarlo/quarloexecute.asp?SQL=%41&RowsPerComm=" + std::to_string(rowsPerComm) +
         "&BeginRecordset=" + std::to_string(begin) + "&MoveRows=" + std::to_string(moveRows) +
         "&IsRemoveSpace=" + removeSpace + "&IsNoHeadAndFields=" + std::to_string(noHead);
}

// Targets with the enciphered values (random-headed) shown as "*".
Strings Masked(Strings targets) {
  for (auto& t : targets) {
    for (const char* name : {"&EncKey=", "&ConnectionString="}) {
      if (auto at = t.find(name); at != std::string::npos)
        t = t.substr(0, at + std::strlen(name)) + "*";
    }
  }
  return targets;
}

// Where a recordset stands: "row page/pages first-value", and " eof" at its end.
std::string At(const std::shared_ptr<quarlolink::XmlRecordset>& rs) {
  return std::to_string(rs->CurrRowNo()) + " " + std::to_string(rs->CurrPageNo()) + "/" +
         std::to_string(rs->TotalPages()) + " " + rs->Fields()->Item(0)->Value() +
         (rs->Eof() ? " eof" : "");
}

}  // namespace

// The connection test: the key enciphered under itself in percent groups (HEAD, then GET); a
// refusal shows the prompt with the page's URL; a missing page names the URL and the reason.
TEST_F(ConnTest, TestSendsTheKeyAndNamesThePageWhenRefusedOrMissing) {
  std::vector<Strings> prompts;
  app->SetPromptHandler(
      [&](const std::string& title, const std::string& message, const std::string& text) {
        prompts.push_back({title, message, text});
      });
  app->Test();
  EXPECT_EQ(Said(), "0 OK");
  EXPECT_EQ(Masked(site.Requests()), (Strings{"HEAD /quarlo/quarloopen.asp?Opt=0&EncKey=*",
                                              "GET /quarlo/quarloopen.asp?Opt=0&EncKey=*"}));
  std::string value = RawParam(site.Requests()[1], "EncKey");
  EXPECT_TRUE(std::regex_match(value, std::regex("(%[0-9A-F]{2})+"))) << value;
  EXPECT_EQ(DecipherQueryValue(value, app->EncKey()), app->EncKey());

  site.SetOpenPage([](const httplib::Request&) { return std::string("密钥错误"); });
  app->Test();
  EXPECT_EQ(Said(), "-1 密钥错误");
  EXPECT_EQ(prompts, (std::vector<Strings>{{app->SoftName(),
                                            "连接测试失败，请在浏览器中检查以下链接是否可用？",
                                            site.Site() + "/quarlo/quarloopen.asp"}}));
  app->SetOpenUrl("/nowhere.asp");
  app->Test();
  app->SetOpenUrl("/quarlo/quarloopen.asp");
  EXPECT_EQ(Said(), "-1 " + site.Site() + "/nowhere.asp(Not Found)请检查URL是否正确");
  EXPECT_EQ(prompts.size(), 2u);
}

// A relative Access path is rewritten under the key check's map path; the open accepts exactly
// "OK", after a key check that answered "OK"; closing an unreachable site still ends with OK.
TEST_F(ConnTest, OpenRewritesAccessPathsAndAcceptsExactlyOK) {
  // Given after the Access driver (unless a driver is named), and sent ("" for as given).
  const std::string access = "driver={Microsoft Access Driver (*.mdb)};";
  const std::pair<std::string, std::string> paths[] = {
      {"dbq=data\\a.mdb;", "dbq=D:\\site\\db\\data\\a.mdb;"},
      {"dbq=C:\\db\\a.mdb;", ""},
      {"dbq=..\\a.mdb;uid=x;dbq=..\\a.mdb;", "dbq=D:\\site\\a.mdb;uid=x;dbq=D:\\site\\a.mdb;"},
      {"Driver={Microsoft Access Driver (*.mdb)};dbq=a.mdb;", ""},
      {"DBQ=a.mdb;", ""},
      {"dbq=/srv/db/a.mdb;", ""},
  };
  for (const auto& [tail, rewritten] : paths) {
    const std::string given = tail.starts_with("Driver") ? tail : access + tail;
    const std::string sent = rewritten.empty() ? given : access + rewritten;
    app->OpenConn(given);
    auto targets = site.Requests(true);
    EXPECT_EQ(Said() + " " + std::to_string(targets.size()), "0 OK 2");
    EXPECT_EQ(DecipherQueryValue(RawParam(targets.back(), "ConnectionString"), "k1"), sent);
  }
  // key check, open
  const std::pair<std::string, std::string> refusals[] = {
      {"OK and more", "OK "}, {"OK and more", "ok"}, {"no key", "OK"}};
  for (const auto& [check, open] : refusals) {
    site.SetOpenPage([check, open](const httplib::Request& req) {
      return req.get_param_value("Opt") == "0" ? check : open;
    });
    app->OpenConn("driver={SQL Server}");
    EXPECT_EQ(Said(), "-1 " + (check == "no key" ? check : open));
  }
  app->SetWebSite("http://127.0.0.1:1");
  app->SetConnectionTimeout(5);
  app->CloseConn();
  EXPECT_EQ(Said(), "0 OK");
}

// Nothing is sent for a continuation before any statement; the first statement with the default
// flags; RowsPerComm comes into force at the next RowsPerPage let; IsRemoveSpace false sends 0;
// a refused statement gives no recordset and the server's text.
TEST_F(ConnTest, StatementRequestsFollowTheSettings) {
  EXPECT_TRUE(app->Execute("") == nullptr && app->OptStatus() == -1 && site.Requests().empty());
  app->SetRowsPerComm(10);
  EXPECT_TRUE(app->Execute("SELECT 1") != nullptr && app->OptStatus() == 0);
  app->SetRowsPerPage(30);
  app->Execute("A");
  app->SetIsRemoveSpace(false);
  app->Execute("A");
  EXPECT_EQ(site.Requests(),
            (Strings{"GET /quarlo/quarloexecute.asp?SQL=%53%45%4C%45%43%54%20%31&RowsPerComm=25"
                     "&BeginRecordset=1&MoveRows=0&IsRemoveSpace=-1&IsNoHeadAndFields=0",
                     ExecTarget(10, 1, 0, 0), ExecTarget(10, 1, 0, 0, "0")}));
  site.SetExecutePage([](const httplib::Request&) { return std::string("[42P01] 表不存在"); });
  EXPECT_EQ(app->Execute("select * from nope"), nullptr);
  EXPECT_EQ(Said(), "-1 [42P01] 表不存在");
}

// Sixty rows in batches of 25 and pages of 50: the batches within a page continue without head
// and fields; page moves at the edges reload page 1 or load nothing; a RowsPerPage let (rounded
// up to whole batches, at least one) puts the recordset at its end until a page move.
TEST_F(ConnTest, RowsArePagedAsBatchesAndPages) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req); });
  auto rs = app->Execute("A");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(At(rs), "1 1/1 1");
  for (int i = 1; i < 26; ++i) rs->MoveNext();
  EXPECT_EQ(At(rs) + rs->Fields()->Item(1)->Value(), "26 1/1 26r26");
  rs->MoveNextPage();
  EXPECT_EQ(At(rs), "51 2/2 51");
  while (rs->CurrRowNo() < 60) rs->MoveNext();
  EXPECT_EQ(At(rs), "60 2/2 60");
  rs->MoveNext();
  EXPECT_EQ(At(rs), "61 2/2 60 eof");  // the last values are kept after passing the end
  EXPECT_EQ(site.Requests(),
            (Strings{ExecTarget(25, 1, 0, 0), ExecTarget(25, 1, 25, 1), ExecTarget(25, 1, 50, 1)}));

  site.ClearRequests();
  rs = app->Execute("A");
  rs->MovePrevPage();
  EXPECT_EQ(At(rs), "1 1/1 1");
  rs->MoveNextPage();
  rs->MoveNextPage();  // page 3 does not exist
  EXPECT_EQ(At(rs), "101 3/2 51 eof");
  rs->MoveFristPage();
  EXPECT_EQ(At(rs), "1 1/1 1");
  EXPECT_EQ(site.Requests(),
            (Strings{ExecTarget(25, 1, 0, 0), ExecTarget(25, 1, 0, 0), ExecTarget(25, 1, 50, 1),
                     ExecTarget(25, 1, 100, 1), ExecTarget(25, 1, 0, 1)}));

  for (auto [let, rows] : {std::pair{60, 75}, {1, 25}, {0, 25}, {-3, 25}, {50, 50}}) {
    app->SetRowsPerPage(let);
    EXPECT_EQ(std::to_string(app->RowsPerPage()) + (rs->Eof() ? " eof " : " ") +
                  std::to_string(rs->CurrRowNo()),
              std::to_string(rows) + " eof 0")
        << let;
  }
  rs->MoveFristPage();
  EXPECT_EQ(At(rs), "1 1/1 1");
}

// The second result set is asked for and continued with BeginRecordset=2; an older recordset
// can fetch nothing once a newer one exists, and sends nothing.
TEST_F(ConnTest, NextRecordsetContinuesAndOlderRecordsetsAreRefused) {
  site.SetExecutePage([](const httplib::Request& req) {
    bool first = IntParam(req, "BeginRecordset") == 1;
    return PagedTable(first ? 3 : 30, req, first, first ? "a" : "b");
  });
  auto rs1 = app->Execute("A");
  ASSERT_TRUE(rs1->IsNextRecordset());
  site.ClearRequests();
  auto rs2 = rs1->NextRecordset();
  ASSERT_NE(rs2, nullptr);
  EXPECT_FALSE(rs2->IsNextRecordset());
  EXPECT_EQ(rs2->Fields()->Item(1)->Value() + " " + rs1->Fields()->Item(1)->Value(), "b1 a1");
  while (rs2->CurrRowNo() < 26) rs2->MoveNext();
  EXPECT_EQ(rs2->Fields()->Item("name")->Value(), "b26");
  EXPECT_EQ(rs2->NextRecordset(), nullptr);  // none left: nothing sent
  EXPECT_EQ(site.Requests(), (Strings{ExecTarget(25, 2, 0, 0), ExecTarget(25, 2, 25, 1)}));

  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req, true); });
  auto old = app->Execute("A");
  auto second = old->NextRecordset();
  ASSERT_NE(second, nullptr);
  site.ClearRequests();
  for (int i = 0; i < 25; ++i) old->MoveNext();
  EXPECT_EQ(std::to_string(old->OptStatus()) + " " + old->OptString(), Said());
  EXPECT_TRUE(old->Eof() && Said().starts_with("-1 ") &&
              Said().find("不是连接的当前记录集") != std::string::npos);
  EXPECT_EQ(old->NextRecordset(), nullptr);
  old->MoveFristPage();
  EXPECT_TRUE(site.Requests().empty());
  auto fresh = app->Execute("A");
  site.ClearRequests();
  second->MoveNextPage();
  EXPECT_TRUE(site.Requests().empty() && second->Eof() && fresh->CurrRowNo() == 1);
}

// A session timeout reopens (key check, open) and repeats the same request, for a statement and
// for a continuation; three reopens in a row, a reopen the open page refuses, or one failing in
// the transport (its reason kept) end in failure.
TEST_F(ConnTest, SessionTimeoutReopensAndRepeatsTheRequestUntilReopeningFails) {
  app->OpenConn("driver={SQL Server};server=s;database=d;uid=u;pwd=p");
  int executes = 0;
  site.SetExecutePage([&](const httplib::Request& req) {
    ++executes;
    return executes == 1 || executes == 3 ? std::string("SessionTimeout") : PagedTable(30, req);
  });
  site.ClearRequests();
  auto rs = app->Execute("A");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(Said() + " " + rs->Fields()->Item(0)->Value(), "0 OK 1");
  const std::string keyCheck = "GET /quarlo/quarloopen.asp?Opt=0&EncKey=*",
                    open =
                        "GET /quarlo/quarloopen.asp?Opt=1&CommandTimeout=120"
                        "&ConnectionTimeout=12&ConnectionString=*";
  auto reopened = [&](std::string t) { return Strings{t, keyCheck, open, t}; };
  EXPECT_EQ(Masked(site.Requests()), reopened(ExecTarget(25, 1, 0, 0)));
  EXPECT_EQ(DecipherQueryValue(RawParam(site.Requests()[2], "ConnectionString"), "k1"),
            "driver={SQL Server};server=s;database=d;uid=u;pwd=p");
  site.ClearRequests();
  for (int i = 0; i < 25; ++i) rs->MoveNext();
  EXPECT_EQ(At(rs), "26 1/1 26");
  EXPECT_EQ(Masked(site.Requests(true)), reopened(ExecTarget(25, 1, 25, 1)));

  site.SetExecutePage([&](const httplib::Request&) { return ++executes, "SessionTimeout"; });
  EXPECT_EQ(app->Execute("A"), nullptr);
  EXPECT_TRUE(Said().starts_with("-1 ") && Said().find("SessionTimeout") != std::string::npos);
  EXPECT_EQ(site.Requests().size(), 4u + 3u * 2u);

  executes = 0;
  app->SetConnectionTimeout(0);  // the re-open times out at once
  EXPECT_EQ(app->Execute("A"), nullptr);
  EXPECT_EQ(Said() + " " + std::to_string(executes), "10015 运行超时! 1");
  app->SetConnectionTimeout(12);

  site.SetOpenPage([](const httplib::Request& req) -> std::string {
    return req.get_param_value("Opt") == "0" ? "OK<EncKey>k1</EncKey>" : "登录失败";
  });
  EXPECT_EQ(app->Execute("A"), nullptr);
  EXPECT_EQ(Said(), "-1 登录失败");
}

// The key takes printable ASCII only; setting lets are stored at once and seen by new
// connections.
TEST_F(ConnTest, SettingLetsAreCheckedStoredAtOnceAndShared) {
  const std::string before = app->EncKey();
  for (std::string bad : {"ab\tc", "a\x7f"}) {
    app->SetEncKey(bad);
    EXPECT_EQ(Said() + " " + app->EncKey(),
              "-1 密钥中不能包括ASCII码在32到126之外的字符 " + before);
  }
  app->SetOptString("untouched");
  app->SetEncKey("   ~ key ! ");
  EXPECT_EQ(Said(), "0 untouched");
  app->SetExecuteUrl("/p/exec.asp");
  app->SetRowsPerComm(100);
  app->SetIsRemoveSpace(false);
  auto second = QuarloApp::Create();  // its RowsPerPage, 50 by default, is raised to one batch
  EXPECT_EQ((Strings{quarlolink::settings::LoadSettings()->Item("ExecuteUrl")->TextValue(),
                     second->EncKey(), std::to_string(second->IsRemoveSpace()),
                     std::to_string(second->RowsPerPage())}),
            (Strings{"/p/exec.asp", "   ~ key ! ", "0", "100"}));
  app->SetExecuteUrl("/quarlo/quarloexecute.asp");
}
