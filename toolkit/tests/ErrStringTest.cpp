#include <cerrno>
#include <regex>
#include <stdexcept>
#include <system_error>

#include "KokitTest.h"
#include "errors/LogRecord.h"
#include "kokit/ErrString.h"

using namespace kokit;
using namespace quarlo::testing;
namespace fs = std::filesystem;
using LogFile = KokitTest;

// The name, level, remark and step a reporter shows after each step of a script: a class
// reporter keeps its first module name, a module reporter stacks them, Clear pops a level.
TEST(ErrString, NamesStackAndClearPopsThem) {
  ErrString cls, mod;
  auto names = [](const ErrString& e) {
    return e.ModuleName() + ":" + std::to_string(e.ModuleLevel()) + " " + e.FunctionName() + ":" +
           std::to_string(e.FunctionLevel()) + "(" + e.Remark() + ")" + std::to_string(e.StepNum());
  };
  cls.SetUseIn(xpUseIn_Class);
  cls.SetModuleName("QuarloApp"), cls.SetModuleName("Other"), cls.Clear();
  EXPECT_EQ(names(cls), "QuarloApp:1 :0()0");
  mod.SetRemark("ignored at level 0");
  mod.SetModuleName("modA"), mod.SetModuleName("modB");
  mod.SetFunctionName("Outer"), mod.SetRemark("outer remark");
  mod.SetFunctionName("Inner"), mod.NextStep(), mod.NextStep();
  EXPECT_EQ(names(mod), "modB:2 Inner:2()2");
  mod.Clear();
  EXPECT_EQ(names(mod), "modA:1 Outer:1(outer remark)0");
  mod.Clear(), mod.Clear();
  EXPECT_EQ(names(mod), ":0 :0()0");
}

// A failure the owner found records -1 and its own text, a system error its number and text;
// the handler runs once per raise and not again from inside itself.
TEST(ErrString, RaiseRecordsTheErrorRunsTheHandlerOnceAndCurrentErrorMaps) {
  ErrString err;
  auto state = [&] {
    return std::to_string(err.Number()) + "|" + err.Description() + "|" +
           std::to_string(err.LineNumber()) + "|" + err.AppendData() + "|" +
           (err.SystemErrorPending() ? "system" : "owner");
  };
  err.RaiseError(NoSystemError(), 12, "x", "extra");
  EXPECT_EQ(state(), "-1|x|12|extra|owner");
  err.RaiseError(Error(2, "gone"), 7, "ignored");
  EXPECT_EQ(state(), "2|gone|7||system");
  err.Clear();
  EXPECT_EQ(state(), "0||0||owner");
  int calls = 0;
  err.OnErrOcc([&] {
    if (++calls == 1) err.RaiseError(Error(5, "inner"), 1);  // does not recurse
  });
  err.RaiseError(NoSystemError(), 0, "失败");
  EXPECT_EQ(err.Number(), 5);
  err.RaiseError(NoSystemError(), 0, "next");  // the guard is released afterwards
  EXPECT_EQ(calls, 2);
  err.OnErrOcc(nullptr);
  err.RaiseError(NoSystemError(), 0, "again");
  EXPECT_EQ(calls, 2);
  // CurrentError maps the exception being handled.
  auto caught = [](const std::function<void()>& thrower) {
    try {
      thrower();
    } catch (...) {
      return CurrentError().Number();
    }
    return -1;
  };
  EXPECT_EQ(CurrentError().Number(), 0);  // nothing being handled
  EXPECT_EQ(caught([] { throw Error(13, "类型不匹配"); }), 13);
  EXPECT_EQ(caught([] { throw std::system_error(EACCES, std::generic_category(), "x"); }), EACCES);
  EXPECT_EQ(caught([] { throw std::out_of_range("index 9"); }), kUnexpectedErrorNumber);
  EXPECT_EQ(caught([] { throw 42; }), kUnexpectedErrorNumber);
  EXPECT_EQ(caught([] { throw Error(0, "numberless"); }), kUnexpectedErrorNumber);
}

// One reporter's records appended to its file in the legacy code page (GBK); dates as "<date>".
TEST_F(LogFile, RecordsInTheLegacyCodePageTheRetryAndTheEventLog) {
  ErrString e;
  const auto file = dir / "err.log";
  e.SetLogFileName(file.string());
  e.RaiseError(Error(2, "No such file"), 0, "");
  e.LogToFile();  // without names the record says unknown
  e.Clear();
  e.SetUseIn(xpUseIn_Class);
  e.SetModuleName("QuarloApp");
  e.SetFunctionName("Execute");
  e.SetRemark("select");
  for (int i = 0; i < 3; ++i) e.NextStep();
  e.RaiseError(Error(13, "类型不匹配"), 20, "", "数据");
  e.LogToFile();
  static const std::regex date(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\r\n)");
  EXPECT_EQ(
      std::regex_replace(FromLegacy(ReadFile(file)), date, "<date>"),
      "<date>未知.未知()\r\n(2)No such file\r\n"
      "<date>QuarloApp.Execute(select)[步骤]=3[行号]=20\r\n(13)类型不匹配\r\n(附加数据)数据\r\n");
  // The retry makes a missing folder; a file in the way fails, and the retry drops the record.
  const auto deeper = dir / "state" / "quarlo" / "err.log";
  e.SetLogFileName(deeper.string());
  EXPECT_EQ(ErrorNumberOf([&] { e.LogToFile(); }), ENOENT);
  EXPECT_TRUE(e.LogToFileWithRetry());
  EXPECT_TRUE(fs::exists(deeper));
  e.SetLogFileName((deeper / "err.log").string());
  EXPECT_EQ(ErrorNumberOf([&] { e.LogToFile(); }), ENOTDIR);
  EXPECT_FALSE(e.LogToFileWithRetry());
  // The event log puts step and line on lines of their own.
  EXPECT_EQ(detail::EventLogText({"2003-07-15 18:05:09", "m", "f", "r", 3, 20, -1, "d", "a"}),
            "2003-07-15 18:05:09\r\nm.f(r)\r\n[步骤]=3\r\n[行号]=20\r\n(-1)d\r\n(附加数据)a");
}
