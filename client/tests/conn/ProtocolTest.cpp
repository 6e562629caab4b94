#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "Answers.h"
#include "ConnFixture.h"
#include "Decipher.h"
#include "kokit/IniItems.h"
#include "settings/Defaults.h"

using namespace quarlo::testing;
using quarlolink::QuarloApp;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kExec = "GET /quarlo/quarloexecute.asp?SQL=%41";

std::string ExecTarget(int rowsPerComm, int begin, int moveRows, int noHead) {
  return std::string(kExec) + "&RowsPerComm=" + std::to_string(rowsPerComm) +
         "&BeginRecordset=" + std::to_string(begin) + "&MoveRows=" + std::to_string(moveRows) +
         "&IsRemoveSpace=-1&IsNoHeadAndFields=" + std::to_string(noHead);
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
  EXPECT_EQ(app->OptStatus(), 0);
  EXPECT_EQ(app->OptString(), "OK");
  auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const std::string prefix = "/quarlo/quarloopen.asp?Opt=0&EncKey=";
  EXPECT_EQ(requests[0].rfind("HEAD " + prefix, 0), 0u) << requests[0];
  EXPECT_EQ(requests[1].rfind("GET " + prefix, 0), 0u) << requests[1];
  std::string value = requests[1].substr(4 + prefix.size());
  EXPECT_TRUE(std::regex_match(value, std::regex("(%[0-9A-F]{2})+"))) << value;
  std::string key = app->EncKey();
  EXPECT_EQ(DecipherQueryValue(value, key), key);
  EXPECT_TRUE(prompts.empty());

  site.SetOpenPage([](const httplib::Request&) { return std::string("密钥错误"); });
  app->Test();
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "密钥错误");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0],
            (Strings{app->SoftName(), "连接测试失败，请在浏览器中检查以下链接是否可用？",
                     site.Site() + "/quarlo/quarloopen.asp"}));

  app->SetOpenUrl("/nowhere.asp");
  app->Test();
  app->SetOpenUrl("/quarlo/quarloopen.asp");
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), site.Site() + "/nowhere.asp(Not Found)请检查URL是否正确");
  EXPECT_EQ(prompts.size(), 2u);
}

TEST_F(ConnTest, ExecuteOfSelect1WithDefaultsSendsTheExactQuery) {
  auto rs = app->Execute("SELECT 1");
  EXPECT_EQ(app->OptStatus(), 0);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(site.Requests(),
            Strings{"GET /quarlo/quarloexecute.asp?SQL=%53%45%4C%45%43%54%20%31&RowsPerComm=25"
                    "&BeginRecordset=1&MoveRows=0&IsRemoveSpace=-1&IsNoHeadAndFields=0"});
}

TEST_F(ConnTest, SixtyRowsArePagedAsBatchesAndPages) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req); });
  auto rs = app->Execute("A");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->TotalPages(), 1);
  EXPECT_EQ(rs->CurrPageNo(), 1);
  EXPECT_EQ(rs->CurrRowNo(), 1);
  EXPECT_EQ(rs->Fields()->Item("name")->Value(), "r1");
  for (int i = 1; i < 25; ++i) rs->MoveNext();
  EXPECT_EQ(rs->CurrRowNo(), 25);
  EXPECT_EQ(rs->Fields()->Item(1)->Value(), "r25");
  rs->MoveNext();
  EXPECT_EQ(rs->CurrRowNo(), 26);
  EXPECT_EQ(rs->TotalPages(), 1);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "26");
  rs->MoveNextPage();
  EXPECT_EQ(rs->TotalPages(), 2);
  EXPECT_EQ(rs->CurrPageNo(), 2);
  EXPECT_EQ(rs->CurrRowNo(), 51);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "51");
  while (rs->CurrRowNo() < 60) rs->MoveNext();
  EXPECT_FALSE(rs->Eof());
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "60");  // kept after passing the end
  EXPECT_EQ(site.Requests(),
            (Strings{ExecTarget(25, 1, 0, 0), ExecTarget(25, 1, 25, 1), ExecTarget(25, 1, 50, 1)}));
}

TEST_F(ConnTest, PageMovesAtTheEdgesReloadOrLoadNothing) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req); });
  auto rs = app->Execute("A");
  rs->MovePrevPage();
  EXPECT_EQ(rs->CurrRowNo(), 1);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "1");
  rs->MoveNextPage();
  rs->MoveNextPage();  // page 3 does not exist
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->TotalPages(), 2);
  rs->MoveFristPage();
  EXPECT_FALSE(rs->Eof());
  EXPECT_EQ(rs->CurrRowNo(), 1);
  auto targets = site.Requests();
  ASSERT_EQ(targets.size(), 5u);
  EXPECT_EQ(targets[1], ExecTarget(25, 1, 0, 0));  // page 1 again, the flag still 0
  EXPECT_EQ(targets[2], ExecTarget(25, 1, 50, 1));
  EXPECT_EQ(targets[3], ExecTarget(25, 1, 100, 1));
  EXPECT_EQ(targets[4], ExecTarget(25, 1, 0, 1));
}

TEST_F(ConnTest, RowsPerPageLetPutsTheCurrentRecordsetAtItsEndUntilAPageMove) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req); });
  auto rs = app->Execute("A");
  app->SetRowsPerPage(60);
  EXPECT_EQ(app->RowsPerPage(), 75);
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->CurrRowNo(), 0);
  rs->MoveFristPage();
  EXPECT_FALSE(rs->Eof());
  EXPECT_EQ(rs->CurrRowNo(), 1);
  app->SetRowsPerPage(1);
  EXPECT_EQ(app->RowsPerPage(), 25);
  app->SetRowsPerPage(0);
  EXPECT_EQ(app->RowsPerPage(), 25);
  app->SetRowsPerPage(-3);
  EXPECT_EQ(app->RowsPerPage(), 25);
  app->SetRowsPerPage(50);
  EXPECT_EQ(app->RowsPerPage(), 50);
}

TEST_F(ConnTest, NextRecordsetAsksForTheSecondResultSetAndThenContinuesIt) {
  site.SetExecutePage([](const httplib::Request& req) {
    bool first = IntParam(req, "BeginRecordset") == 1;
    return PagedTable(first ? 3 : 30, req, first, first ? "a" : "b");
  });
  auto rs1 = app->Execute("A");
  ASSERT_TRUE(rs1->IsNextRecordset());
  site.ClearRequests();
  auto rs2 = rs1->NextRecordset();
  ASSERT_NE(rs2, nullptr);
  EXPECT_NE(rs2, rs1);
  EXPECT_EQ(rs2->Fields()->Item("name")->Value(), "b1");
  EXPECT_FALSE(rs2->IsNextRecordset());
  EXPECT_EQ(rs1->Fields()->Item("name")->Value(), "a1");  // untouched
  EXPECT_EQ(site.Requests(), Strings{ExecTarget(25, 2, 0, 0)});
  while (rs2->CurrRowNo() < 26) rs2->MoveNext();
  EXPECT_EQ(rs2->Fields()->Item("name")->Value(), "b26");
  EXPECT_EQ(site.Requests(), (Strings{ExecTarget(25, 2, 0, 0), ExecTarget(25, 2, 25, 1)}));
  EXPECT_EQ(rs2->NextRecordset(), nullptr);  // none left: nothing sent
  EXPECT_EQ(site.Requests().size(), 2u);
}

TEST_F(ConnTest, FetchFromAnOlderRecordsetIsRefused) {
  site.SetExecutePage([](const httplib::Request& req) { return PagedTable(60, req, true); });
  auto old = app->Execute("A");
  auto second = old->NextRecordset();
  ASSERT_NE(second, nullptr);
  site.ClearRequests();
  for (int i = 0; i < 25; ++i) old->MoveNext();
  EXPECT_TRUE(old->Eof());
  EXPECT_EQ(old->OptStatus(), -1);
  EXPECT_NE(old->OptString().find("不是连接的当前记录集"), std::string::npos);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), old->OptString());
  EXPECT_EQ(old->NextRecordset(), nullptr);
  old->MoveFristPage();
  EXPECT_TRUE(site.Requests().empty());

  auto fresh = app->Execute("A");
  site.ClearRequests();
  second->MoveNextPage();
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_TRUE(second->Eof());
  EXPECT_EQ(fresh->CurrRowNo(), 1);
}

// A session timeout reopens (key check, open) and repeats the same request, for a statement and
// for a continuation; three reopens in a row, or a reopen the open page refuses, end in failure.
TEST_F(ConnTest, SessionTimeoutReopensAndRepeatsTheRequestUntilReopeningFails) {
  app->OpenConn("driver={SQL Server};server=s;database=d;uid=u;pwd=p");
  ASSERT_EQ(app->OptStatus(), 0);
  int executes = 0;
  site.SetExecutePage([&](const httplib::Request& req) {
    ++executes;
    return executes == 1 || executes == 3 ? std::string("SessionTimeout") : PagedTable(30, req);
  });
  site.ClearRequests();
  auto rs = app->Execute("A");
  EXPECT_EQ(app->OptStatus(), 0);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "1");
  auto targets = site.Requests();
  ASSERT_EQ(targets.size(), 4u);
  EXPECT_EQ(targets[0], ExecTarget(25, 1, 0, 0));
  EXPECT_EQ(targets[1].rfind("GET /quarlo/quarloopen.asp?Opt=0&EncKey=", 0), 0u);
  EXPECT_EQ(targets[2].rfind("GET /quarlo/quarloopen.asp?Opt=1&CommandTimeout=120"
                             "&ConnectionTimeout=12&ConnectionString=",
                             0),
            0u);
  EXPECT_EQ(DecipherQueryValue(RawParam(targets[2], "ConnectionString"), "k1"),
            "driver={SQL Server};server=s;database=d;uid=u;pwd=p");
  EXPECT_EQ(targets[3], ExecTarget(25, 1, 0, 0));

  site.ClearRequests();
  for (int i = 0; i < 25; ++i) rs->MoveNext();
  EXPECT_EQ(rs->CurrRowNo(), 26);
  EXPECT_EQ(rs->Fields()->Item(0)->Value(), "26");
  targets = site.Requests();
  ASSERT_EQ(targets.size(), 4u);
  EXPECT_EQ(targets[0], ExecTarget(25, 1, 25, 1));
  EXPECT_EQ(targets[3], ExecTarget(25, 1, 25, 1));

  site.SetExecutePage([](const httplib::Request&) { return std::string("SessionTimeout"); });
  site.ClearRequests();
  EXPECT_EQ(app->Execute("A"), nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_NE(app->OptString().find("SessionTimeout"), std::string::npos);
  EXPECT_EQ(site.Requests().size(), 4u + 3u * 2u);

  site.SetOpenPage([](const httplib::Request& req) -> std::string {
    if (req.get_param_value("Opt") == "0") return "OK<EncKey>k1</EncKey>";
    return "登录失败";
  });
  EXPECT_EQ(app->Execute("A"), nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "登录失败");
}

TEST_F(ConnTest, RelativeAccessPathIsRewrittenUnderTheMapPath) {
  struct Case {
    std::string given, sent;
  };
  const std::string access = "driver={Microsoft Access Driver (*.mdb)};";
  std::vector<Case> cases = {
      {access + "dbq=data\\a.mdb;", access + "dbq=D:\\site\\db\\data\\a.mdb;"},
      {access + "dbq=C:\\db\\a.mdb;", access + "dbq=C:\\db\\a.mdb;"},
      {access + "dbq=..\\a.mdb;uid=x;dbq=..\\a.mdb;",
       access + "dbq=D:\\site\\a.mdb;uid=x;dbq=D:\\site\\a.mdb;"},
      {"Driver={Microsoft Access Driver (*.mdb)};dbq=a.mdb;",
       "Driver={Microsoft Access Driver (*.mdb)};dbq=a.mdb;"},
      {access + "DBQ=a.mdb;", access + "DBQ=a.mdb;"},
      {access + "dbq=/srv/db/a.mdb;", access + "dbq=/srv/db/a.mdb;"},
  };
  for (const auto& c : cases) {
    site.ClearRequests();
    app->OpenConn(c.given);
    EXPECT_EQ(app->OptStatus(), 0);
    auto targets = site.Requests();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(DecipherQueryValue(RawParam(targets[1], "ConnectionString"), "k1"), c.sent);
  }
}

TEST_F(ConnTest, OpenAcceptsExactlyOK) {
  for (std::string answer : {"OK ", "ok", "OKAY", ""}) {
    site.SetOpenPage([answer](const httplib::Request& req) -> std::string {
      return req.get_param_value("Opt") == "0" ? "OK and more" : answer;
    });
    app->OpenConn("driver={SQL Server}");
    EXPECT_EQ(app->OptStatus(), -1) << answer;
    EXPECT_EQ(app->OptString(), answer);
  }
  site.SetOpenPage([](const httplib::Request& req) -> std::string {
    return req.get_param_value("Opt") == "0" ? "no key" : "OK";
  });
  app->OpenConn("driver={SQL Server}");
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "no key");
}

TEST_F(ConnTest, CloseConnOnAnUnreachableSiteEndsWithOK) {
  app->SetWebSite("http://127.0.0.1:1");
  app->SetConnectionTimeout(5);
  app->CloseConn();
  EXPECT_EQ(app->OptStatus(), 0);
  EXPECT_EQ(app->OptString(), "OK");
}

// RowsPerComm comes into force at the next RowsPerPage let; IsRemoveSpace false sends 0.
TEST_F(ConnTest, RequestFlagsFollowTheSettings) {
  app->SetRowsPerComm(10);
  app->Execute("A");
  app->SetRowsPerPage(30);
  EXPECT_EQ(app->RowsPerPage(), 30);
  app->Execute("A");
  app->SetIsRemoveSpace(false);
  app->Execute("A");
  EXPECT_EQ(site.Requests(),
            (Strings{ExecTarget(25, 1, 0, 0), ExecTarget(10, 1, 0, 0),
                     std::string(kExec) + "&RowsPerComm=10&BeginRecordset=1&MoveRows=0"
                                          "&IsRemoveSpace=0&IsNoHeadAndFields=0"}));
}

TEST_F(ConnTest, EncKeyAcceptsPrintableAsciiOnly) {
  const std::string before = app->EncKey();
  for (std::string bad : {std::string("密钥"), std::string("ab\tc"), std::string("a\x7f")}) {
    app->SetEncKey(bad);
    EXPECT_EQ(app->OptStatus(), -1);
    EXPECT_EQ(app->OptString(), "密钥中不能包括ASCII码在32到126之外的字符");
    EXPECT_EQ(app->EncKey(), before);
  }
  app->SetOptString("untouched");
  app->SetEncKey("   ~ key ! ");
  EXPECT_EQ(app->OptStatus(), 0);
  EXPECT_EQ(app->OptString(), "untouched");
  EXPECT_EQ(app->EncKey(), "   ~ key ! ");
  auto other = QuarloApp::Create();
  EXPECT_EQ(other->EncKey(), "   ~ key ! ");
  app->SetEncKey("");
  EXPECT_EQ(app->OptStatus(), 0);
}

TEST_F(ConnTest, RefusedStatementReturnsNoRecordsetAndTheServersText) {
  site.SetExecutePage([](const httplib::Request&) { return std::string("[42P01] 表不存在"); });
  EXPECT_EQ(app->Execute("select * from nope"), nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_EQ(app->OptString(), "[42P01] 表不存在");
}

TEST_F(ConnTest, ContinuationBeforeAnyStatementSendsNothing) {
  EXPECT_EQ(app->Execute(""), nullptr);
  EXPECT_EQ(app->OptStatus(), -1);
  EXPECT_FALSE(app->OptString().empty());
  EXPECT_TRUE(site.Requests().empty());
}

TEST_F(ConnTest, ReopenFailingInTheTransportKeepsItsReason) {
  app->OpenConn("driver={SQL Server};server=s");
  int executes = 0;
  site.SetExecutePage([&](const httplib::Request&) {
    ++executes;
    return std::string("SessionTimeout");
  });
  app->SetConnectionTimeout(0);  // the re-open times out at once
  EXPECT_EQ(app->Execute("A"), nullptr);
  EXPECT_EQ(app->OptStatus(), 10015);
  EXPECT_EQ(app->OptString(), "运行超时!");
  EXPECT_EQ(executes, 1);
}

TEST_F(ConnTest, SettingLetsAreStoredAtOnceAndSharedByNewConnections) {
  app->SetOpenUrl("/p/open.asp");
  app->SetExecuteUrl("/p/exec.asp");
  app->SetRowsPerComm(100);
  app->SetIsRemoveSpace(false);
  auto stored = quarlolink::settings::LoadSettings();
  EXPECT_EQ(stored->Item("OpenConnUrl")->TextValue(), "/p/open.asp");
  EXPECT_EQ(stored->Item("ExecuteUrl")->TextValue(), "/p/exec.asp");
  EXPECT_EQ(stored->Item("RowsPerComm")->LongValue(), 100);
  auto second = QuarloApp::Create();
  EXPECT_EQ(second->OpenUrl(), "/p/open.asp");
  EXPECT_FALSE(second->IsRemoveSpace());
  EXPECT_EQ(second->RowsPerPage(), 100);  // the default 50 is raised to one batch
  app->SetOpenUrl("/quarlo/quarloopen.asp");
  app->SetExecuteUrl("/quarlo/quarloexecute.asp");
}
