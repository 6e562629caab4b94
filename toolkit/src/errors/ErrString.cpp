#include "kokit/ErrString.h"

#include <syslog.h>

#include <cerrno>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include "errors/LogRecord.h"
#include "kokit/Codepage.h"
#include "kokit/DateTime.h"

namespace kokit {

namespace {

const char* const kUnknown = "未知";

}  // namespace

Error NoSystemError() { return Error(0, ""); }

Error CurrentError() {
  std::exception_ptr current = std::current_exception();
  if (!current) return NoSystemError();
  try {
    std::rethrow_exception(current);
  } catch (const Error& e) {
    if (e.Number() != 0) return e;
    return Error(kUnexpectedErrorNumber, e.Description());
  } catch (const std::system_error& e) {
    int value = e.code().value();
    return Error(value != 0 ? value : kUnexpectedErrorNumber, e.what());
  } catch (const std::bad_alloc&) {
    return Error::FromErrno(ENOMEM);
  } catch (const std::exception& e) {
    return Error(kUnexpectedErrorNumber, e.what());
  } catch (...) {
    return Error(kUnexpectedErrorNumber, "unknown error");
  }
}

void ErrString::RaiseError(const Error& oErr, int32_t lngErl, const std::string& ErrDesc,
                           const std::string& AppendData) {
  systemError_ = oErr.Number() != 0;
  if (systemError_) {
    number_ = oErr.Number();
    description_ = oErr.Description();
  } else {
    number_ = -1;
    description_ = ErrDesc;
  }
  lineNumber_ = lngErl;
  appendData_ = AppendData;
  // A handler that raises again must not recurse without end.
  if (raising_ || !errOcc_) return;
  raising_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{raising_};
  errOcc_();
}

void ErrString::Clear() {
  std::string().swap(description_);  // frees it: a description can be a whole failed answer
  number_ = 0;
  systemError_ = false;
  stepNum_ = 0;
  lineNumber_ = 0;
  if (!functions_.empty()) {
    functions_.pop_back();
    remarks_.pop_back();
  }
  if (useIn_ == xpUseIn_Module && !modules_.empty()) modules_.pop_back();
}

std::string ErrString::FunctionName() const {
  return functions_.empty() ? std::string() : functions_.back();
}

void ErrString::SetFunctionName(const std::string& name) {
  functions_.push_back(name);
  remarks_.emplace_back();
}

std::string ErrString::Remark() const { return remarks_.empty() ? std::string() : remarks_.back(); }

void ErrString::SetRemark(const std::string& remark) {
  if (!remarks_.empty()) remarks_.back() = remark;
}

std::string ErrString::ModuleName() const {
  return modules_.empty() ? std::string() : modules_.back();
}

void ErrString::SetModuleName(const std::string& name) {
  if (modules_.empty() || useIn_ == xpUseIn_Module) modules_.push_back(name);
}

void ErrString::FillUnknownNames() {
  if (ModuleLevel() < 1) SetModuleName(kUnknown);
  if (FunctionLevel() < 1) {
    SetFunctionName(kUnknown);
    SetRemark("");
  }
}

namespace {

detail::LogParts PartsOf(const ErrString& e) {
  detail::LogParts p;
  p.date = DateTime::Now().ToText();
  p.module = e.ModuleName();
  p.function = e.FunctionName();
  p.remark = e.Remark();
  p.step = e.StepNum();
  p.line = e.LineNumber();
  p.number = e.Number();
  p.description = e.Description();
  p.appendData = e.AppendData();
  return p;
}

}  // namespace

void ErrString::LogToFile() {
  FillUnknownNames();
  detail::AppendToFile(logFileName_, ToLegacy(detail::FileRecord(PartsOf(*this))));
}

bool ErrString::LogToFileWithRetry() noexcept {
  try {
    LogToFile();
    return true;
  } catch (...) {
  }
  try {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(logFileName_).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    LogToFile();
    return true;
  } catch (...) {
    return false;  // the record is dropped; logging must never take the owner down
  }
}

void ErrString::LogToEventLog() {
  FillUnknownNames();
  std::string text = detail::EventLogText(PartsOf(*this));
  syslog(LOG_USER | LOG_ERR, "%s", text.c_str());
}

}  // namespace kokit
