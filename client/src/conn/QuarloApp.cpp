#include "quarlolink/QuarloApp.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

#include "conn/BusyScope.h"
#include "conn/LibraryAccess.h"
#include "conn/Uncarried.h"
#include "conn/Urls.h"
#include "kokit/EventPump.h"
#include "kokit/IniItems.h"
#include "quarlolink/IEOHttpItem.h"
#include "routines/Routines.h"
#include "settings/ClientSettings.h"

namespace quarlolink {

using internal::BusyScope;
using internal::LibraryAccess;

namespace {

// A server that keeps answering "SessionTimeout" right after successful re-opens is not asked
// for ever: this many re-opens per Execute, then the request fails.
constexpr int kMaxReopens = 3;

constexpr int32_t kBusy = 10014;

constexpr const char* kBadKey = "密钥中不能包括ASCII码在32到126之外的字符";
constexpr const char* kTestFailed = "连接测试失败，请在浏览器中检查以下链接是否可用？";
constexpr const char* kCheckUrl = "请检查URL是否正确";
constexpr const char* kNoStatement = "还没有执行过语句，没有可以继续读取的记录集";
constexpr const char* kStillTimedOut = "重新打开连接后服务器仍然回答 SessionTimeout";
constexpr const char* kNothingToCancel = "当前没有正在执行的操作，无需中止";
constexpr const char* kCancelled = "操作已被用户中止";

// How long the request that asks the server to stop a statement may take.
constexpr int32_t kStopTimeoutSeconds = 3;

bool StartsWithOK(const std::string& answer) { return answer.compare(0, 2, "OK") == 0; }

// Property lets report nothing and never throw: a setting that cannot be stored keeps its value.
void SetSetting(const std::string& name, kokit::IniValue value) {
  try {
    settings::Settings().Item(name)->SetValue(std::move(value));
    settings::Save();
  } catch (...) {
  }
}

}  // namespace

struct QuarloApp::Transport {
  kokit::ErrString err;
  IEOHttpItem http;
  IEOHttpItem stopper;  // asks the server to stop while `http` is busy with the statement
};

std::shared_ptr<QuarloApp> QuarloApp::Create() { return std::make_shared<QuarloApp>(Tag{}); }

QuarloApp::QuarloApp(Tag) : transport_(std::make_unique<Transport>()) {
  auto& err = transport_->err;
  err.SetUseIn(kokit::xpUseIn_Class);
  err.SetModuleName("QuarloApp");
  err.SetLogFileName(settings::Text("LogFilePath"));
  err.OnErrOcc([this] { ApplyErrorStatus(transport_->err, optStatus_, optString_); });
  Normalise();
}

QuarloApp::~QuarloApp() {
  try {
    settings::Save();
  } catch (...) {
  }
}

// The frame of every operation: 0 / "OK" on entry; a body that returns false or throws is a
// failure, raised through the reporter, whose handler settles the status pair.
template <class Body>
void QuarloApp::Run(const char* name, Body body, bool nested) {
  if (busy_ && !nested) {
    // Called from the host's events while an operation waits or reads its answer: refused like
    // a busy facade, before anything of the running operation is touched.
    optStatus_ = kBusy;
    optString_ = kBusyText;
    return;
  }
  BusyScope busy(busy_);
  if (!nested) {
    cancelled_ = askServerStop_ = false;
    transport_->http.ClearCancel();
  }
  optStatus_ = 0;
  optString_ = "OK";
  auto& err = transport_->err;
  err.SetFunctionName(name);
  err.SetRemark("");
  try {
    bool ok = body();
    if (cancelled_ && !nested) ok = FinishCancelled();
    if (ok) {
      // A call refused meanwhile (see above) must not leave its status on this success.
      optStatus_ = 0;
      optString_ = "OK";
    } else {
      err.RaiseError(kokit::NoSystemError(), 0, optString_);
    }
  } catch (...) {
    err.RaiseError(kokit::CurrentError(), 0, optString_);
  }
  err.Clear();
}

// Takes the facade's failure as this object's; true when the facade succeeded.
bool QuarloApp::FacadeOk() {
  const auto& http = transport_->http;
  if (http.OptStatus() == 0) return true;
  optStatus_ = http.OptStatus();
  optString_ = http.OptString();
  return false;
}

// ---- Settings-backed properties.

std::string QuarloApp::SoftName() const { return settings::Text("SoftName"); }
std::string QuarloApp::SoftLang() const { return settings::Text("SoftLang"); }
std::string QuarloApp::Version() const { return settings::Text("Version"); }
std::string QuarloApp::EncKey() const { return settings::Text("EncKey"); }
bool QuarloApp::IsRemoveSpace() const { return settings::Flag("IsRemoveSpace"); }
int32_t QuarloApp::RowsPerComm() const { return settings::Number("RowsPerComm"); }
std::string QuarloApp::OpenUrl() const { return settings::Text("OpenConnUrl"); }
std::string QuarloApp::ExecuteUrl() const { return settings::Text("ExecuteUrl"); }
int32_t QuarloApp::MaxAnswerMB() const { return settings::Number("MaxAnswerMB"); }

void QuarloApp::SetEncKey(const std::string& key) {
  bool printable = std::all_of(key.begin(), key.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b >= 32 && b <= 126;
  });
  if (!printable) {
    optString_ = kBadKey;
    optStatus_ = -1;
    return;
  }
  optStatus_ = 0;
  SetSetting("EncKey", key);
}

void QuarloApp::SetIsRemoveSpace(bool remove) { SetSetting("IsRemoveSpace", remove); }
void QuarloApp::SetRowsPerComm(int32_t rows) { SetSetting("RowsPerComm", rows); }
void QuarloApp::SetOpenUrl(const std::string& path) { SetSetting("OpenConnUrl", path); }
void QuarloApp::SetExecuteUrl(const std::string& path) { SetSetting("ExecuteUrl", path); }
void QuarloApp::SetMaxAnswerMB(int32_t megabytes) { SetSetting("MaxAnswerMB", megabytes); }

// ---- Paging sizes.

void QuarloApp::SetRowsPerPage(int32_t rows) {
  rowsPerPage_ = rows;
  Normalise();
  if (current_) LibraryAccess::ResetRows(*current_);
}

// A page is a whole number of batches, at least one. A batch size below 1 has no meaning and
// counts as 1.
void QuarloApp::Normalise() {
  int32_t n = std::max<int32_t>(1, settings::Number("RowsPerComm"));
  if (rowsPerPage_ <= n) {
    rowsPerPage_ = n;
  } else {
    int64_t k = rowsPerPage_ / n + (rowsPerPage_ % n > 0 ? 1 : 0);
    int64_t rows = k * n;
    if (rows > std::numeric_limits<int32_t>::max()) rows -= n;
    rowsPerPage_ = static_cast<int32_t>(rows);
  }
  batchSize_ = n;
}

// ---- Operations.

void QuarloApp::Test() {
  Run("Test", [&] {
    bool ok = false;
    try {
      ok = TestBody();
    } catch (...) {
      ShowTestPrompt();
      throw;
    }
    if (!ok && !cancelled_) ShowTestPrompt();  // a test the user stopped did not fail
    return ok;
  });
}

bool QuarloApp::TestBody() {
  auto& http = transport_->http;
  http.SetCmdTimeout(connectionTimeout_);
  std::string url = internal::KeyCheckUrl(webSite_, OpenUrl(), EncKey());
  http.GetHead(url);
  if (http.OptStatus() != 0) {
    optStatus_ = http.OptStatus();
    optString_ = webSite_ + OpenUrl() + "(" + http.OptString() + ")" + kCheckUrl;
    return false;
  }
  http.GetText(url, true);
  if (!FacadeOk()) return false;
  std::string answer = http.TakeResponseText();
  if (StartsWithOK(answer)) return true;
  optString_ = std::move(answer);
  return false;
}

void QuarloApp::ShowTestPrompt() {
  if (prompt_) prompt_(SoftName(), kTestFailed, webSite_ + OpenUrl());
}

void QuarloApp::OpenConn(const std::string& ConnectionString) {
  Run("OpenConn", [&] { return OpenBody(ConnectionString); });
}

bool QuarloApp::OpenBody(const std::string& connectionString) {
  auto& http = transport_->http;
  http.SetCmdTimeout(connectionTimeout_);
  http.GetText(internal::KeyCheckUrl(webSite_, OpenUrl(), EncKey()), true);
  if (!FacadeOk()) return false;
  std::string answer = http.TakeResponseText();
  if (!StartsWithOK(answer)) {
    optString_ = std::move(answer);
    return false;
  }
  issuedKey_ = ReadTag(answer, "EncKey");
  std::string mapPath = ReadTag(answer, "MapPath");

  reopenString_ = internal::RewriteDatabasePath(connectionString, mapPath);
  http.GetText(internal::OpenUrlFor(webSite_, OpenUrl(), commandTimeout_, connectionTimeout_,
                                    reopenString_, issuedKey_),
               true);
  if (!FacadeOk()) return false;
  std::string opened = http.TakeResponseText();
  if (opened == "OK") return true;
  optString_ = std::move(opened);
  return false;
}

void QuarloApp::CloseConn() {
  Run("CloseConn", [&] {
    auto& http = transport_->http;
    http.SetCmdTimeout(connectionTimeout_);
    http.GetText(webSite_ + OpenUrl() + "?Opt=2", true);
    return true;  // the answer does not matter
  });
}

std::shared_ptr<XmlRecordset> QuarloApp::Execute(const std::string& SQL) {
  auto keepAlive = shared_from_this();  // a host event during the wait may drop its reference
  std::shared_ptr<XmlRecordset> result;
  Run("Execute", [&] { return ExecuteBody(SQL, result); });
  if (optStatus_ != 0) result.reset();  // an answer that came as the user cancelled
  return result;
}

RequestTiming QuarloApp::Timing() const {
  RequestTiming t = transport_->http.Timing() + transport_->stopper.Timing();
  t.fillMs = fillMs_;
  return t;
}

void QuarloApp::Cancel() {
  if (!busy_) {
    optStatus_ = -1;
    optString_ = kNothingToCancel;
    return;
  }
  // A second Cancel also gives up asking the server.
  if (cancelled_) transport_->stopper.Cancel();
  cancelled_ = true;
  transport_->http.Cancel();
}

// The end of an operation the user cancelled. Only the execute page runs statements, so only a
// dropped request to it is followed by the request that asks the server to stop.
bool QuarloApp::FinishCancelled() {
  std::string text = kCancelled;
  if (askServerStop_ && transport_->http.Dropped()) {
    auto& stopper = transport_->stopper;
    stopper.ClearCancel();
    stopper.SetCmdTimeout(kStopTimeoutSeconds);
    stopper.GetText(webSite_ + OpenUrl() + "?Opt=3", true);
    if (stopper.OptStatus() != 0) {
      text += "；没能通知服务器停止语句（" + stopper.OptString() + "），语句可能还在服务器上运行";
    } else if (stopper.ResponseText() == "OK") {
      text += "，服务器上正在执行的语句已停止";
    } else {
      text += "（服务器：" + stopper.ResponseText() + "）";
    }
  }
  optStatus_ = -1;
  optString_ = text;
  return false;
}

bool QuarloApp::ExecuteBody(const std::string& sql, std::shared_ptr<XmlRecordset>& result) {
  if (sql.empty() && beginRecordset_ == 0) {
    optString_ = kNoStatement;
    return false;
  }
  if (std::string refusal = internal::UncarriedRefusal(sql); !refusal.empty()) {
    optString_ = std::move(refusal);
    return false;
  }
  auto& http = transport_->http;
  for (int reopens = 0;; ++reopens) {
    if (!sql.empty()) {
      beginRecordset_ = shownRecordset_ = 1;
      moveRows_ = 0;
      noHead_ = 0;
      encodedSql_ = PercentEncode(sql);
      current_ = LibraryAccess::NewRecordset(weak_from_this());
    } else if (beginRecordset_ != shownRecordset_) {
      shownRecordset_ = beginRecordset_;
      moveRows_ = 0;
      noHead_ = 0;
      current_ = LibraryAccess::NewRecordset(weak_from_this());
    } else if (moveRows_ > 0) {
      noHead_ = 1;
    }

    http.SetCmdTimeout(commandTimeout_);
    askServerStop_ = true;
    http.GetText(internal::ExecuteUrlFor(webSite_, ExecuteUrl(), encodedSql_, batchSize_,
                                         beginRecordset_, moveRows_, IsRemoveSpace(), noHead_),
                 true);
    if (!FacadeOk()) return false;
    // Taken over, not copied: an answer may be tens of MB.
    std::string answer = http.TakeResponseText();
    if (StartsWithOK(answer)) {
      auto rs = current_;
      kokit::PumpEvents();
      const auto fillStart = std::chrono::steady_clock::now();
      LibraryAccess::FillXmlText(*rs, std::move(answer));
      fillMs_ +=
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - fillStart)
              .count();
      result = std::move(rs);
      return true;
    }
    if (answer != "SessionTimeout") {
      optString_ = std::move(answer);
      return false;
    }
    if (reopens == kMaxReopens) {
      optString_ = kStillTimedOut;
      return false;
    }
    Run(
        "OpenConn", [&] { return OpenBody(reopenString_); }, /*nested=*/true);
    // The re-open's own reason (the answer that refused it, or the transport's) stays.
    if (optStatus_ != 0) return false;
  }
}

}  // namespace quarlolink
