#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <regex>
#include <stdexcept>
#include <system_error>

#include "KokitTest.h"
#include "errors/LogRecord.h"
#include "kokit/ErrString.h"

using namespace kokit;
using quarlo::testing::KokitTest;
using quarlo::testing::ReadFile;
namespace fs = std::filesystem;

namespace {

// GBK bytes of the Chinese words in the record.
const std::string kUnknownGbk = "\xce\xb4\xd6\xaa";                 // 未知
const std::string kStepGbk = "\xb2\xbd\xd6\xe8";                    // 步骤
const std::string kLineGbk = "\xd0\xd0\xba\xc5";                    // 行号
const std::string kAppendGbk = "\xb8\xbd\xbc\xd3\xca\xfd\xbe\xdd";  // 附加数据

class LogFile : public KokitTest {
 protected:
  ErrString err;
};

}  // namespace

// The name, level and remark a reporter shows after each call of a scripted sequence.
TEST(ErrString, NamesStackAndClearPopsThem) {
  ErrString cls, mod;
  cls.SetUseIn(xpUseIn_Class);
  auto names = [](const ErrString& e) {
    return e.ModuleName() + ":" + std::to_string(e.ModuleLevel()) + " " + e.FunctionName() + ":" +
           std::to_string(e.FunctionLevel()) + "(" + e.Remark() + ")" + std::to_string(e.StepNum());
  };
  mod.SetRemark("ignored at level 0");
  struct Row {
    const char* name;
    std::function<void()> call;
    ErrString& err;
    std::string want;
  };
  const Row rows[] = {
      {"a class reporter takes its first module name", [&] { cls.SetModuleName("QuarloApp"); }, cls,
       "QuarloApp:1 :0()0"},
      {"and keeps it", [&] { cls.SetModuleName("Other"); }, cls, "QuarloApp:1 :0()0"},
      {"even through Clear", [&] { cls.Clear(); }, cls, "QuarloApp:1 :0()0"},
      {"a module reporter stacks", [&] { mod.SetModuleName("modA"), mod.SetModuleName("modB"); },
       mod, "modB:2 :0()0"},
      {"function levels keep remarks",
       [&] {
         mod.SetFunctionName("Outer"), mod.SetRemark("outer remark");
         mod.SetFunctionName("Inner"), mod.NextStep(), mod.NextStep();
       },
       mod, "modB:2 Inner:2()2"},
      {"Clear pops both levels", [&] { mod.Clear(); }, mod, "modA:1 Outer:1(outer remark)0"},
      {"to nothing", [&] { mod.Clear(), mod.Clear(); }, mod, ":0 :0()0"},
  };
  for (const Row& row : rows) {
    row.call();
    EXPECT_EQ(names(row.err), row.want) << row.name;
  }
}

TEST(ErrString, RaiseRecordsTheErrorAndRunsTheHandlerOnce) {
  ErrString err;
  err.RaiseError(NoSystemError(), 12, "x", "extra");
  EXPECT_EQ(err.Number(), -1);  // detected by the owner
  EXPECT_EQ(err.Description(), "x");
  EXPECT_EQ(err.LineNumber(), 12);
  EXPECT_FALSE(err.SystemErrorPending());
  err.Clear();
  EXPECT_EQ(err.AppendData(), "extra");  // kept until the next raise
  err.RaiseError(Error::FromErrno(ENOENT), 7, "ignored");
  EXPECT_EQ(err.Number(), ENOENT);
  EXPECT_EQ(err.Description(), Error::FromErrno(ENOENT).Description());
  EXPECT_EQ(err.AppendData(), "");
  EXPECT_TRUE(err.SystemErrorPending());
  err.Clear();
  EXPECT_FALSE(err.SystemErrorPending());
  EXPECT_EQ(err.Number(), 0);
  EXPECT_EQ(err.Description(), "");
  EXPECT_EQ(err.LineNumber(), 0);

  int calls = 0;
  std::string seen;
  err.OnErrOcc([&] {
    seen += std::to_string(err.Number()) + err.Description() + " ";
    if (++calls == 1) err.RaiseError(Error(5, "inner"), 1);  // does not recurse
  });
  err.RaiseError(NoSystemError(), 0, "失败");
  EXPECT_EQ(seen, "-1失败 ");
  EXPECT_EQ(err.Number(), 5);
  err.RaiseError(NoSystemError(), 0, "next");  // the guard is released afterwards
  EXPECT_EQ(calls, 2);
  err.OnErrOcc(nullptr);
  err.RaiseError(NoSystemError(), 0, "again");
  EXPECT_EQ(calls, 2);
}

TEST(CurrentErrorTest, MapsTheExceptionBeingHandled) {
  EXPECT_EQ(CurrentError().Number(), 0);
  auto caught = [](auto&& thrower) {
    try {
      thrower();
    } catch (...) {
      return CurrentError();
    }
    return NoSystemError();
  };
  Error e = caught([] { throw Error(13, "类型不匹配"); });
  EXPECT_EQ(e.Number(), 13);
  EXPECT_EQ(e.Description(), "类型不匹配");
  e = caught([] { throw std::system_error(EACCES, std::generic_category(), "open"); });
  EXPECT_EQ(e.Number(), EACCES);
  e = caught([] { (void)fs::file_size("/nonexistent/quarlo/file"); });
  EXPECT_EQ(e.Number(), ENOENT);
  e = caught([] { throw std::out_of_range("index 9"); });
  EXPECT_EQ(e.Number(), kUnexpectedErrorNumber);
  EXPECT_EQ(e.Description(), "index 9");
  e = caught([] { throw 42; });
  EXPECT_EQ(e.Number(), kUnexpectedErrorNumber);
  e = caught([] { throw Error(0, "numberless"); });
  EXPECT_EQ(e.Number(), kUnexpectedErrorNumber);
}

// Each row's reporter writes its records into a fresh file; dates show as "<date>".
TEST_F(LogFile, RecordsInTheLegacyCodePage) {
  struct Row {
    const char* name;
    std::function<void(ErrString&)> script;
    std::string want;
  };
  const Row rows[] = {
      {"without names the record says unknown",
       [](ErrString& e) {
         e.RaiseError(Error(2, "No such file"), 0, "");
         e.LogToFile();
         EXPECT_EQ(e.FunctionName() + e.ModuleName(), "未知未知");  // until the next Clear
         e.Clear();
         EXPECT_EQ(e.FunctionLevel(), 0);
       },
       "<date>" + kUnknownGbk + "." + kUnknownGbk + "()\r\n(2)No such file\r\n"},
      {"step, line and appended data",
       [](ErrString& e) {
         e.SetUseIn(xpUseIn_Class);
         e.SetModuleName("QuarloApp");
         e.SetFunctionName("Execute");
         e.SetRemark("select");
         for (int i = 0; i < 3; ++i) e.NextStep();
         e.RaiseError(Error(13, "类型不匹配"), 20, "", "数据");
         e.LogToFile();
       },
       "<date>QuarloApp.Execute(select)[" + kStepGbk + "]=3[" + kLineGbk + "]=20\r\n(13)" +
           ToLegacy("类型不匹配") + "\r\n(" + kAppendGbk + ")" + ToLegacy("数据") + "\r\n"},
      {"step or line alone, records appended",
       [](ErrString& e) {
         e.SetUseIn(xpUseIn_Form);
         e.SetModuleName("m");
         e.SetFunctionName("f");
         e.NextStep();
         e.RaiseError(Error(1, "a"), 0);
         e.LogToFile();
         e.Clear();
         e.SetFunctionName("g");
         e.RaiseError(NoSystemError(), 8, "b");
         e.LogToFile();
       },
       "<date>m.f()[" + kStepGbk + "]=1\r\n(1)a\r\n<date>m.g()[" + kLineGbk + "]=8\r\n(-1)b\r\n"},
  };
  static const std::regex date(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\r\n)");
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ErrString e;
    const auto file = dir / ("err" + std::to_string(++n) + ".log");
    e.SetLogFileName(file.string());
    row.script(e);
    EXPECT_EQ(std::regex_replace(ReadFile(file), date, "<date>"), row.want);
  }
}

TEST_F(LogFile, MissingFolderIsMadeOnRetryAndAFileInTheWayIsReported) {
  fs::path file = dir / "state" / "quarlo" / "err.log";
  err.SetLogFileName(file.string());
  err.RaiseError(Error(2, "x"), 0);
  EXPECT_THROW(err.LogToFile(), Error);
  EXPECT_TRUE(err.LogToFileWithRetry());
  EXPECT_NE(ReadFile(file).find("(2)x\r\n"), std::string::npos);

  err.SetLogFileName((file / "err.log").string());
  try {
    err.LogToFile();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), ENOTDIR);
  }
  // The retry cannot make a folder below a plain file either; the record is dropped quietly.
  EXPECT_FALSE(err.LogToFileWithRetry());
  err.SetLogFileName("");
  EXPECT_FALSE(err.LogToFileWithRetry());
}

TEST_F(LogFile, OwnerHandlerLogsSystemErrorsOnly) {
  // The owner's protocol: status pair settled in the handler, system errors logged.
  fs::path file = dir / "logs" / "err.log";
  err.SetUseIn(xpUseIn_Class);
  err.SetModuleName("Owner");
  err.SetLogFileName(file.string());
  int32_t status = 0;
  std::string text = "OK";
  err.OnErrOcc([&] {
    if (text == "OK") text.clear();
    if (err.SystemErrorPending()) {
      status = err.Number();
      text += err.Description();
      err.LogToFileWithRetry();
    } else if (status == 0) {
      status = -1;
    }
  });
  err.SetFunctionName("Detect");
  text = "refused";
  err.RaiseError(NoSystemError(), 3, text);
  err.Clear();
  EXPECT_EQ(status, -1);
  EXPECT_EQ(text, "refused");
  EXPECT_FALSE(fs::exists(file));

  status = 0;
  text = "OK";
  err.SetFunctionName("Throw");
  try {
    throw std::system_error(EPIPE, std::generic_category(), "broken");
  } catch (...) {
    err.RaiseError(CurrentError(), 9, text);
  }
  err.Clear();
  EXPECT_EQ(status, EPIPE);
  EXPECT_NE(text.find("broken"), std::string::npos);
  EXPECT_NE(ReadFile(file).find("Owner.Throw()[" + kLineGbk + "]=9\r\n(32)"), std::string::npos);
}

TEST(EventLog, StepAndLineStandOnLinesOfTheirOwn) {
  detail::LogParts p;
  p.date = "2003-07-15 18:05:09";
  p.module = "m";
  p.function = "f";
  p.remark = "r";
  p.step = 3;
  p.line = 20;
  p.number = -1;
  p.description = "d";
  EXPECT_EQ(detail::EventLogText(p),
            "2003-07-15 18:05:09\r\nm.f(r)\r\n[步骤]=3\r\n[行号]=20\r\n(-1)d\r\n");
  p.appendData = "a";
  p.step = 0;
  EXPECT_EQ(detail::EventLogText(p),
            "2003-07-15 18:05:09\r\nm.f(r)\r\n[行号]=20\r\n(-1)d\r\n(附加数据)a");
  EXPECT_EQ(detail::FileRecord(p),
            "2003-07-15 18:05:09\r\nm.f(r)[行号]=20\r\n(-1)d\r\n(附加数据)a\r\n");
}
