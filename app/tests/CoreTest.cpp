// The rules of the deciding layer, one table per rule.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/CommandLine.h"
#include "core/CommandRules.h"
#include "core/FontSizes.h"
#include "core/GridText.h"
#include "core/Layout.h"
#include "core/Login.h"
#include "core/Numbers.h"
#include "core/PasswordPlace.h"
#include "core/ProgramSettings.h"
#include "core/QueryFile.h"
#include "core/RecentFiles.h"
#include "core/RunState.h"
#include "core/TaggedText.h"
#include "core/TimingText.h"
#include "kokit/Codepage.h"
#include "kokit/Error.h"

using namespace quarlodesk;

TEST(Core, StatusTextsAndElapsedTime) {
  EXPECT_EQ(GetStatusText(5), "状态：");
  EXPECT_EQ(UseTimeText(360000), "使用时间：00:00:00");  // hours kept modulo 100
  EXPECT_EQ(UseTimeText(359999), "使用时间：99:59:59");
}

TEST(Core, EnablingRuleInEachRunState) {
  struct Row {
    const char* name;
    CmdStateInput in;
    std::vector<const char*> on, off;
    bool recent;
  };
  const Row rows[] = {
      {"RunningOffersOnlyCancel",
       {kRunning, true, true, 3, true, 2},
       {"mnuRun_Cancel", "Cancel"},
       {"mnuFile_Exit", "mnuRun_ExecSQL", "mnuEdit_Undo", "NextPage", "Undo", "mnuFile_Export",
        "mnuFile_Setting", "mnuPopupMenu_Copy"},
       false},
      {"ReadyWithoutRecordset",
       {kReady, false, false, 0, false, 0},
       {"mnuFile_Exit", "mnuRun_ExecSQL", "Execute", "New", "Set", "mnuEdit_Font"},
       {"mnuRun_Cancel", "mnuFile_Save", "Save", "mnuEdit_Undo", "NextPage", "mnuPopupMenu_Copy",
        "mnuFile_Export"},
       true},
      {"ChangedTextOffersSaveAndUndoMenuButNeverTheUndoButton",
       {kFailed, true, false, 0, false, 0},
       {"mnuFile_Save", "Save", "mnuEdit_Undo"},
       {"Undo"},
       true},
      {"FirstPageWithMoreResultSets",
       {kReady, false, true, 2, true, 1},
       {"mnuRun_NextPage", "NextPage", "GotoPage", "mnuPopupMenu_CopyColName",
        "mnuRun_NextRecordset", "NextRecordset", "mnuPopupMenu_NextRecordset", "mnuFile_Export",
        "mnuPopupMenu_Export"},
       {"mnuRun_PrevPage", "PrevPage", "mnuPopupMenu_PrevPage"},
       true},
      {"SecondPageOffersPrevious",
       {kCancelled, false, true, 2, false, 2},
       {"mnuRun_PrevPage", "PrevPage", "mnuPopupMenu_PrevPage"},
       {"mnuRun_NextRecordset", "NextRecordset"},
       true},
      {"CommandResultHasNoPaging",
       {kReady, false, true, 0, true, 1},
       {"mnuRun_ExecSQL"},
       {"mnuRun_NextPage", "mnuRun_NextRecordset", "mnuPopupMenu_Copy", "mnuFile_Export",
        "mnuPopupMenu_Export"},
       true},
  };
  for (const Row& r : rows) {
    const CmdStates s = ComputeCmdStates(r.in);
    for (const char* n : r.on) EXPECT_TRUE(s.enabled.at(n)) << r.name << ": " << n;
    for (const char* n : r.off) EXPECT_FALSE(s.enabled.at(n)) << r.name << ": " << n;
    EXPECT_EQ(s.showRecentFiles, r.recent) << r.name;
    EXPECT_EQ(s.enabled.count("mnuHelp_About"), 0u) << "help items are never governed";
  }
}

TEST(Core, LayoutInTwips) {
  WindowMetrics m{10000, 8000, 7000, 400, 300, true};
  ControlsLayout l = LayOutControls(m, 3000);
  EXPECT_EQ(l.splitterTop, 3000);
  EXPECT_EQ(l.editor->top, 400);
  EXPECT_EQ(l.editor->height, 3000 - 20 - 400);
  EXPECT_EQ(l.editor->width, 10000 - 120);
  EXPECT_EQ(l.message->top, 3030);
  EXPECT_EQ(l.message->height, 1000);
  EXPECT_EQ(l.grid->top, 4030);
  EXPECT_EQ(l.grid->height, 7000 - 2580 - 30 - 1000 - 400 - 300);

  m.gridVisible = false;  // the message box takes the whole result area
  l = LayOutControls(m, 3000);
  EXPECT_EQ(l.message->height, 7000 - 2580 - 30 - 400 - 300);
  EXPECT_FALSE(l.grid);

  const std::tuple<const char*, int, int, int> limits[] = {
      {"LowWindowBottomLimitWins", 3000, 2500, 1000},
      {"DraggedTooHigh", 10000, 300, 2000},
      {"DraggedTooLow", 10000, 9500, 8000},
  };
  for (const auto& [name, height, y, expected] : limits) {
    m.outerHeight = height;
    EXPECT_EQ(LayOutControls(m, y).splitterTop, expected) << name;
  }
  m.outerHeight = 3000;  // the editor would be negative: that step is skipped
  m.toolbarHeight = 2000;
  EXPECT_FALSE(LayOutControls(m, 2500).editor);
  EXPECT_TRUE(LayOutControls(m, 2500).splitter);

  EXPECT_EQ(GhostBarTop(100, 9000), 500);
  EXPECT_EQ(GhostBarTop(8800, 9000), 8500);
  EXPECT_EQ(GhostBarTop(4000, 9000), 4000);
}

TEST(Core, ColumnWidthsFromBytes) {
  ColumnWidths w(10, {"名称", "id", "note"});
  w.Add(0, "abcdefg");  // 7 bytes, wider than the header's 4
  w.Add(1, "1234567");
  w.Add(1, "12");
  std::string chinese;
  for (int i = 0; i < 150; ++i) chinese += "中";  // 300 bytes in the code page
  w.Add(2, chinese);
  const std::vector<int> widths = w.Widths(40);
  EXPECT_EQ(widths[0], 300);  // 10 points x (2 digits + 1) x 10
  EXPECT_EQ(widths[1], 950);  // 7 bytes: 10 x 7 x 10 + 250
  EXPECT_EQ(widths[2], 950);
  EXPECT_EQ(widths[3], 10250);  // capped at 100 bytes
  EXPECT_EQ(ColumnWidths(9, {"中文"}).Widths(5)[1], 9 * 4 * 10 + 250);
}

TEST(Core, StatementTextAndCopyTexts) {
  EXPECT_EQ(NormaliseCmdText("select\r\n\t1\rx\ny"), "select  1\rx\ny");
  const CellText cell = [](int32_t r, int32_t c) {
    return r == 0 ? "h" + std::to_string(c) : std::to_string(r) + "," + std::to_string(c);
  };
  EXPECT_EQ(CopyCellsText(cell, 2, 1, 3, 1), "1,1\t1,2\t1,3\r\n2,1\t2,2\t2,3\r\n");
  EXPECT_EQ(CopyCellsText(cell, 0, 0, 0, 1), "h0\th1\r\n");
  EXPECT_EQ(CopyColumnNamesText(cell, 2, 0), "h1,h2\r\n");  // never the row-number column
  EXPECT_EQ(CopyColumnNamesText(cell, 3, 3), "h3\r\n");
}

TEST(Core, RecentFileList) {
  RecentFiles list;
  list.Load("<1><1><2><2><3><3><4><4><5><5>");
  for (const char* p : {"A", "B", "C", "D"}) EXPECT_TRUE(list.Add(p));  // first empty slot
  EXPECT_EQ(list.Stored(), "<1>A</1><2>B</2><3>C</3><4>D</4><5></5>");
  EXPECT_TRUE(list.Add("E"));
  EXPECT_FALSE(list.Add("C"));  // already listed: nothing moves
  EXPECT_TRUE(list.Add("F"));   // full: slot 1, the rest moved down, E dropped
  EXPECT_EQ(list.Stored(), "<1>F</1><2>A</2><3>B</3><4>C</4><5>D</5>");

  RecentFiles gaps;
  gaps.Load("<2>/q/b.sql</2><4>/q/d.sql</4>");  // missing pairs are empty slots
  const auto items = gaps.MenuItems();
  EXPECT_FALSE(items[0].visible);
  EXPECT_EQ(items[1].caption, "&1 /q/b.sql");
  EXPECT_EQ(items[3].caption, "&2 /q/d.sql");

  const std::string deep = "/home/user/projects/reports/monthly/2026/archive/q.sql";  // 54 bytes
  EXPECT_EQ(RecentFiles::ShownText(deep), "/home/user/projects/reports/monthly/2026/../q.sql");
  const std::string fifty = "/" + std::string(43, 'a') + "/q.sql";
  EXPECT_EQ(RecentFiles::ShownText(fifty), fifty);
  const std::string relative = std::string(60, 'b') + "/q.sql";  // no folder boundary to cut at
  EXPECT_EQ(RecentFiles::ShownText(relative), std::string(46, 'b') + "/../q.sql");
}

TEST(Core, TaggedTextAndLoginRecords) {
  std::string xml = "<Server>old</Server><User>u</User>";
  WriteTag("Server", "db1", xml);
  EXPECT_EQ(xml, "<User>u</User><Server>db1</Server>");
  xml = "<Server></Server>";
  WriteTag("Server", "db1", xml);
  EXPECT_EQ(xml, "<Server>db1</Server>");
  EXPECT_EQ(PeekTag(xml, "Server"), "db1");

  std::string record = "<Password>old</Password><LastUser>x</LastUser>";
  WriteLoginRecord({"srv", "db", "用户", "http://h", false, "secret"}, record);
  EXPECT_EQ(record,
            "<LastServer>srv</LastServer><LastDatabase>db</LastDatabase><LastUser>用户</LastUser>"
            "<LastWebSite>http://h</LastWebSite><SavePwd>0</SavePwd><Password></Password>");
  EXPECT_EQ(ParseLoginRecord(record).password, "");
  EXPECT_TRUE(ParseLoginRecord("<SavePwd>1</SavePwd><Password>p</Password>").savePwd);
  EXPECT_FALSE(ParseLoginRecord("<SavePwd>yes</SavePwd>").savePwd);

  EXPECT_EQ(ClampLastLoginNo(0), 1);
  EXPECT_EQ(ClampLastLoginNo(7), 3);
  EXPECT_EQ(ConnectionDescription(DbType::Access, "http://h", {"s", "d.db", "u", "", false, ""}),
            "http://h[d.db#u]");
  EXPECT_EQ(ConnectionDescription(DbType::SqlServer, "http://h", {"s", "d", "u", "", false, ""}),
            "http://h[s@d#u]");
}

// The keyring entry's name is readable and tells apart logins whose parts would join alike.
TEST(Core, KeyringKeyOfALogin) {
  const LoginRecord plain{"srv", "db", "用户", "http://h", true, "secret"};
  EXPECT_EQ(KeyringKey("MS-SQL Server", plain), "MS-SQL Server|http://h|srv|db|用户");
  const LoginRecord bar{"a|b", "c", "u", "http://h", true, ""};
  const LoginRecord shifted{"a", "b|c", "u", "http://h", true, ""};
  EXPECT_EQ(KeyringKey("Oracle", bar), "Oracle|http://h|a\\|b|c|u");
  EXPECT_NE(KeyringKey("Oracle", bar), KeyringKey("Oracle", shifted));
  const LoginRecord slash{"a\\", "b", "u", "", true, ""};
  const LoginRecord slashBar{"a\\|b", "", "u", "", true, ""};
  EXPECT_NE(KeyringKey("Access", slash), KeyringKey("Access", slashBar));
}

TEST(Core, WholeNumbersFromUserText) {
  const std::pair<const char*, std::optional<int32_t>> rows[] = {
      {"12.5", 12}, {" 7 ", 7}, {"", std::nullopt}, {"3e10", std::nullopt}, {"12abc", std::nullopt},
  };
  for (const auto& [text, expected] : rows) EXPECT_EQ(ParseWholeNumber(text), expected) << text;
}

TEST(Core, CommandLineAndFontCaptions) {
  CommandLine c = ParseCommandLine({"--site", "h:8080", "--type=access", "--database", "demo.db"});
  EXPECT_EQ(c.action, CommandLine::Run);
  EXPECT_EQ(c.site, "h:8080");
  EXPECT_EQ(c.type, DbType::Access);
  EXPECT_EQ(ParseCommandLine({"--type", "db2"}).action, CommandLine::Usage);
  EXPECT_EQ(ParseCommandLine({"--user"}).action, CommandLine::Usage);
  EXPECT_EQ(ParseCommandLine({"--bogus"}).action, CommandLine::Usage);
  EXPECT_EQ(ParseCommandLine({"--site", "x", "--version"}).action, CommandLine::Version);

  EXPECT_EQ(FontMenuCaptions(9), (std::array<std::string, 3>{"大", "中", "* 小"}));
  EXPECT_EQ(FontMenuCaptions(12), (std::array<std::string, 3>{"大", "中", "小"}));
}

TEST(Core, QueryFilesInTheLegacyCodePage) {
  quarlo::testing::TempDir dir;
  const std::string path = (dir / "q.sql").string();
  WriteWholeFile(path, QueryFileBytes("select '中文'\n from t"));
  const std::string bytes = ReadWholeFile(path);
  EXPECT_EQ(bytes, "select '\xD6\xD0\xCE\xC4'\r\n from t");  // GBK, CR LF, no final break
  EXPECT_EQ(EditorTextFromFile(bytes), "select '中文'\n from t");
  EXPECT_THROW(ReadWholeFile((dir / "missing.sql").string()), kokit::Error);
  EXPECT_THROW(WriteWholeFile((dir / "no/such/folder.sql").string(), "x"), kokit::Error);
  EXPECT_EQ(ReadWholeFile(path), bytes);  // a failed write elsewhere leaves it alone
}

// First start on a machine, then a second system user: the system settings are shared, each
// user's own store starts from the defaults.
TEST(Core, FirstStartAndSecondSystemUser) {
  quarlo::testing::TempDir dir;
  const DefaultPaths paths{"/l/Quarlo.log", "/l/QuarloDebug.txt", "/t", "/h/index.html"};
  {
    ProgramSettings first(paths, "0.1.0", "joann");
    first.StartUp();
    EXPECT_EQ(first.SysText("UserList"), "joann;");
    EXPECT_EQ(first.SysText("HelpFilePath"), "/h/index.html");
    first.SetUser("LastLoginNo", 3);
    first.SetUser("LastUse", "<1>/q/a.sql</1>");
    first.ShutDown();
  }
  {
    ProgramSettings again(paths, "0.2.0", "joann");
    again.StartUp();
    EXPECT_EQ(again.UserNumber("LastLoginNo"), 3);  // kept between runs
    EXPECT_EQ(again.SysText("Version"), "0.2.0");   // an upgrade shows its own version
  }
  {
    // "ann;" is found inside "joann;": the plain search counts her as listed.
    ProgramSettings ann(paths, "0.1.0", "ann");
    ann.StartUp();
    EXPECT_EQ(ann.SysText("UserList"), "joann;");
  }
  {
    ProgramSettings bob(paths, "0.1.0", "bob");
    bob.StartUp();
    EXPECT_EQ(bob.SysText("UserList"), "joann;bob;");
    EXPECT_EQ(bob.UserNumber("LastLoginNo"), 1);  // a new user starts from the defaults
    EXPECT_EQ(bob.UserText("LastUse"), "<1><1><2><2><3><3><4><4><5><5>");
  }
}

TEST(Core, TimingNoteAfterTheRowsAffected) {
  struct Row {
    const char* name;
    double totalMs;
    std::optional<TimingParts> parts;
    const char* text;
  };
  const Row rows[] = {
      {"WholeMillisecondsFromTen", 173.4, TimingParts{120.1, 10.5, 15.2, 29.7},
       "数据库 120 ms · 服务器 11 ms · 网络 15 ms · 显示 30 ms"},
      {"TenthsBelowTen", 3.1, TimingParts{0.14, 0.05, 0.96, 9.94},
       "数据库 0.1 ms · 服务器 0.1 ms · 网络 1.0 ms · 显示 9.9 ms"},
      {"ZeroAndNegativeShowZero", 1.2, TimingParts{0.04, -0.2, 0, 9.96},
       "数据库 0 ms · 服务器 0 ms · 网络 0 ms · 显示 10 ms"},
      {"ServerWithoutTheHeaderShowsTheTotal", 1234.56, std::nullopt, "用时 1235 ms"},
  };
  for (const Row& r : rows) EXPECT_EQ(TimingText(r.totalMs, r.parts), r.text) << r.name;
}
