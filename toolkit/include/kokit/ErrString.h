#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kokit/Error.h"

namespace kokit {

// Where a reporter is used. Only a module reporter stacks module names.
enum xpUseIn : int32_t {
  xpUseIn_Class = 1,
  xpUseIn_Form = 2,
  xpUseIn_Module = 3,
};

// Number given to an exception that carries no number of its own (not a kokit::Error, not a
// std::system_error). Outside the errno range and the transport codes.
inline constexpr int32_t kUnexpectedErrorNumber = 10000;

// "No system error": number 0. An owner that detected a failure itself passes this to
// RaiseError together with its own text.
Error NoSystemError();

// The exception being handled, as a kokit::Error. Call it inside a catch block: kokit::Error
// keeps its number, std::system_error (std::filesystem errors included) gives its code's value,
// std::bad_alloc ENOMEM, anything else kUnexpectedErrorNumber with what() as the text. Outside a
// catch block it gives NoSystemError().
Error CurrentError();

// The error reporter an object owns. It tracks the module and the traced procedure, records the
// latest error on RaiseError, tells the owner through the ErrOcc callback, and writes log records.
//
// Typical use in a traced operation:
//   err_.SetFunctionName("Execute"); err_.SetRemark("");
//   try { ...; if (failed) { err_.RaiseError(NoSystemError(), __LINE__, optString_); } }
//   catch (...) { err_.RaiseError(CurrentError(), __LINE__, optString_); }
//   err_.Clear();
// and the owner's ErrOcc handler reads SystemErrorPending(), Number(), Description() and logs
// system errors with LogToFileWithRetry().
class ErrString {
 public:
  ErrString() = default;
  ErrString(const ErrString&) = delete;
  ErrString& operator=(const ErrString&) = delete;
  ErrString(ErrString&&) = default;
  ErrString& operator=(ErrString&&) = default;

  xpUseIn UseIn() const { return useIn_; }
  void SetUseIn(xpUseIn useIn) { useIn_ = useIn; }

  const std::string& AppendData() const { return appendData_; }
  int32_t ModuleLevel() const { return static_cast<int32_t>(modules_.size()); }
  int32_t FunctionLevel() const { return static_cast<int32_t>(functions_.size()); }
  int32_t LineNumber() const { return lineNumber_; }

  // Records an error and runs the ErrOcc handler before returning. A non-zero oErr.Number() is a
  // system error (Number/Description from oErr); number 0 means the owner detected the failure
  // itself (Number -1, Description = ErrDesc). A RaiseError made from inside the handler records
  // its error but does not run the handler again.
  void RaiseError(const Error& oErr, int32_t lngErl = 0, const std::string& ErrDesc = "",
                  const std::string& AppendData = "");

  // True from a RaiseError with a system error until the next Clear or RaiseError: what the
  // handler asks to know whether a run-time error is being handled.
  bool SystemErrorPending() const { return systemError_; }

  void NextStep() { ++stepNum_; }
  int32_t StepNum() const { return stepNum_; }

  // Forgets the error (AppendData stays) and leaves the current function level; a module
  // reporter leaves its current module level too.
  void Clear();

  // Setting enters a new function level with an empty remark.
  std::string FunctionName() const;
  void SetFunctionName(const std::string& name);

  // Remark of the current function level; ignored at level 0.
  std::string Remark() const;
  void SetRemark(const std::string& remark);

  // The first name sets level 1; later names stack only for a module reporter.
  std::string ModuleName() const;
  void SetModuleName(const std::string& name);

  const std::string& LogFileName() const { return logFileName_; }
  void SetLogFileName(const std::string& path) { logFileName_ = path; }

  const std::string& Description() const { return description_; }
  int32_t Number() const { return number_; }

  // Appends the record (date; module.function(remark) with step and line; (number)description;
  // appended data when any) to LogFileName, lines ending CR LF, text in the legacy code page.
  // Fills in "未知" for a missing module or function name first. Throws kokit::Error (errno)
  // when the file cannot be opened or written.
  void LogToFile();

  // LogToFile; when it fails, creates the folder of LogFileName and tries once more. Never
  // throws; false when the record could not be written. The owner's ErrOcc handler uses this.
  bool LogToFileWithRetry() noexcept;

  // The same record, with step and line parts on lines of their own, to syslog at error
  // priority.
  void LogToEventLog();

  // The ErrOcc event: the handler runs inside RaiseError. An empty function removes it. The
  // handler must not throw; whatever it throws reaches RaiseError's caller.
  void OnErrOcc(std::function<void()> handler) { errOcc_ = std::move(handler); }

 private:
  void FillUnknownNames();

  xpUseIn useIn_ = xpUseIn_Module;
  std::vector<std::string> modules_;
  std::vector<std::string> functions_;
  std::vector<std::string> remarks_;
  int32_t stepNum_ = 0;
  int32_t lineNumber_ = 0;
  int32_t number_ = 0;
  bool systemError_ = false;
  bool raising_ = false;
  std::string description_;
  std::string appendData_;
  std::string logFileName_;
  std::function<void()> errOcc_;
};

}  // namespace kokit
