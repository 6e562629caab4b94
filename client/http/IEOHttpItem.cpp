#include "quarlolink/IEOHttpItem.h"

#include <chrono>

#include "ServerTiming.h"
#include "kokit/Codepage.h"
#include "kokit/EventPump.h"
#include "routines/Routines.h"
#include "settings/ClientSettings.h"

namespace quarlolink {

namespace {

constexpr int kWaitTurnMs = 10;
constexpr int32_t kBusy = 10014;
constexpr int32_t kTimedOut = 10015;
constexpr int32_t kModeText = 1;
constexpr int32_t kModeData = 2;
constexpr int32_t kModeHead = 3;
constexpr const char* kCancelledText = "请求已被用户中止";

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const kokit::Error kNoError(0, "");

}  // namespace

IEOHttpItem::IEOHttpItem() {
  err_.SetUseIn(kokit::xpUseIn_Class);
  err_.SetModuleName("IEOHttpItem");
  err_.SetLogFileName(settings::Text("LogFilePath"));
  err_.OnErrOcc([this] { ApplyErrorStatus(err_, optStatus_, optString_); });
  item_ = std::make_unique<HttpItem>();
  item_->OnResponseCompleted(
      [this](int32_t kind, int32_t dataType) { OnItemCompleted(kind, dataType); });
  item_->OnError(
      [this](const std::string& code, const std::string& desc) { OnItemError(code, desc); });
}

IEOHttpItem::~IEOHttpItem() {
  // Events of a transfer abandoned here must not reach a half-destroyed facade.
  item_->OnResponseCompleted(nullptr);
  item_->OnError(nullptr);
}

void IEOHttpItem::FailureExit(const kokit::Error& err, int32_t line) {
  err_.RaiseError(err, line, optString_, "");
  err_.Clear();
}

// Common start of the three operations; false when the facade is busy (already reported).
bool IEOHttpItem::Prologue(const char* name) {
  optStatus_ = 0;
  optString_ = "OK";
  err_.SetFunctionName(name);
  err_.SetRemark("");
  if (status_ == 4 || status_ == 5) {
    item_->ReNew();
  } else if (status_ != 0) {
    optStatus_ = kBusy;
    FailureExit(kNoError, __LINE__);
    return false;
  }
  if (cancelled_) {
    optStatus_ = -1;
    optString_ = kCancelledText;
    FailureExit(kNoError, __LINE__);
    return false;
  }
  // CmdTimeout decides how long a request may take: the item's own limit (60 s) must not cut
  // short a statement the caller is willing to wait longer for.
  if (item_->RequestTimeout() <= cmdTimeout_) item_->SetRequestTimeout(cmdTimeout_ + 1);
  return true;
}

void IEOHttpItem::GetText(const std::string& url, bool isSync) {
  if (!Prologue("GetText")) return;
  try {
    responseText_.clear();
    // The body stays in memory: no temporary file to create, read back and delete.
    savePath_.clear();
    Start(url, isSync, kModeText);
  } catch (...) {
    status_ = 5;
    FailureExit(kokit::CurrentError(), __LINE__);
  }
}

void IEOHttpItem::GetHead(const std::string& url) {
  if (!Prologue("GetHead")) return;
  try {
    Start(url, true, kModeHead);
  } catch (...) {
    status_ = 5;
    FailureExit(kokit::CurrentError(), __LINE__);
  }
}

void IEOHttpItem::GetData(const std::string& url, const std::string& saveFilePath, bool isSync) {
  if (!Prologue("GetData")) return;
  try {
    savePath_ = saveFilePath;
    Start(url, isSync, kModeData);
  } catch (...) {
    status_ = 5;
    FailureExit(kokit::CurrentError(), __LINE__);
  }
}

void IEOHttpItem::Start(const std::string& url, bool isSync, int32_t mode) {
  isSync_ = isSync;
  answered_ = false;
  start_ = NowSeconds();
  status_ = 1;
  mode_ = mode;
  url_ = url;
  if (mode == kModeHead) {
    item_->GetHeader(url);
  } else {
    item_->OpenUrl(url, 1);
  }
  // A request the item could not even start is reported now, not after the time-out.
  if (item_->OptStatus() != 0) {
    optStatus_ = item_->OptStatus();
    optString_ = item_->OptString();
    status_ = 5;
    FailureExit(kNoError, __LINE__);
    return;
  }
  if (isSync) {
    Wait();
    if (!answered_) RecordUnanswered();
    if (status_ != 0 && status_ != 2) return;
    status_ = 0;
  }
  err_.Clear();
}

// Runs while a request is open. On a failure it takes the failure exit itself and leaves Status
// at 4 or 5; on success Status is 0 or 2.
void IEOHttpItem::Wait() {
  for (;;) {
    if (cancelled_) return DropCancelled();
    if (NowSeconds() - start_ > cmdTimeout_) {
      status_ = 4;
      if (item_->StillExecuting()) item_->ReNew();
      optStatus_ = kTimedOut;
      FailureExit(kNoError, __LINE__);
      return;
    }
    kokit::PumpEvents();
    if (cancelled_) return DropCancelled();
    item_->Pump(kWaitTurnMs);
    if (status_ == 0 || status_ == 2) return;
    if (status_ == 4 || status_ == 5) {
      FailureExit(kNoError, __LINE__);
      return;
    }
  }
}

void IEOHttpItem::DropCancelled() {
  item_->ReNew();
  dropped_ = true;
  status_ = 5;
  optStatus_ = -1;
  optString_ = kCancelledText;
  FailureExit(kNoError, __LINE__);
}

void IEOHttpItem::Pump(int maxWaitMs) {
  if (status_ == 1 && !isSync_) item_->Pump(maxWaitMs);
}

void IEOHttpItem::OnItemCompleted(int32_t requestKind, int32_t) {
  optStatus_ = 0;
  optString_ = "OK";
  err_.SetFunctionName("moHttpItem_ResponseCompleted");
  err_.SetRemark("");
  try {
    if (requestKind == 1) {
      RecordAnswer(0);
      if (item_->HTTPCode() == "200") {
        status_ = 2;
      } else {
        status_ = 5;
        optString_ = item_->HTTPInfo();
        FailureExit(kNoError, __LINE__);
        return;
      }
    } else if (requestKind == 2 && mode_ == kModeText) {
      const double decodeStart = NowSeconds();
      responseText_ = kokit::FromLegacy(item_->TakeResponseBytes());
      RecordAnswer(NowSeconds() - decodeStart);
      status_ = 2;
      if (!isSync_) {
        if (onGetTextOK_) onGetTextOK_(responseText_);
        status_ = 0;
      }
    } else if (requestKind == 2 && mode_ == kModeData) {
      RecordAnswer(0);
      item_->SaveResponseData(savePath_);
      if (item_->OptStatus() != 0) {
        status_ = 5;
        if (!isSync_) {
          if (onGetDataFail_)
            onGetDataFail_(std::to_string(item_->OptStatus()), item_->OptString());
          status_ = 0;
        }
      } else {
        status_ = 2;
        if (!isSync_) {
          if (onGetDataOK_) onGetDataOK_();
          status_ = 0;
        }
      }
    }
    err_.Clear();
  } catch (...) {
    status_ = 5;
    FailureExit(kokit::CurrentError(), __LINE__);
  }
}

void IEOHttpItem::OnItemError(const std::string& code, const std::string& desc) {
  status_ = 5;
  if (!isSync_) {
    RecordUnanswered();
    if (mode_ == kModeText && onGetTextFail_) onGetTextFail_(code, desc);
    if (mode_ == kModeData && onGetDataFail_) onGetDataFail_(code, desc);
    return;
  }
  // The waiter fails with this text, so the user learns why (refused, reset, truncated, ...).
  optString_ = desc;
}

// An answer arrived: its time on the wire, what it took to take over and decode, and the server's
// figures when it sent them.
void IEOHttpItem::RecordAnswer(double decodeSeconds) {
  answered_ = true;
  ++timing_.requests;
  timing_.wireMs += item_->WireTime() * 1000.0;
  timing_.decodeMs += (item_->HandOverTime() + decodeSeconds) * 1000.0;
  const http::ServerTimingFigures server = http::ParseServerTiming(item_->ServerTiming());
  if (!server.db) return;
  ++timing_.timedRequests;
  const double rows = server.rows.value_or(0);
  const double write = server.write.value_or(0);
  timing_.databaseMs += *server.db;
  timing_.rowsMs += rows;
  timing_.writeMs += write;
  timing_.serverMs += server.total.value_or(*server.db + rows + write);
}

// A request that ended without an answer (failed, timed out, cancelled) still took its time.
void IEOHttpItem::RecordUnanswered() {
  answered_ = true;
  ++timing_.requests;
  timing_.wireMs += (NowSeconds() - start_) * 1000.0;
}

}  // namespace quarlolink
