#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "kokit/DateTime.h"
#include "kokit/ErrString.h"
#include "quarlolink/HttpItem.h"
#include "quarlolink/RequestTiming.h"

namespace quarlolink {

// Blocking HTTP requests with a time-out over one HttpItem. A blocking call returns when the
// answer is complete, the request failed or CmdTimeout() seconds have passed; meanwhile it keeps
// the host's events running through kokit's event pump and waits on the transfer's sockets at
// most about 10 ms a turn. Outcomes are in OptStatus()/OptString(): 0 success, 10014 busy,
// 10015 timed out, -1 or an error number otherwise. Nothing is thrown.
//
// https sites must present a certificate that verifies; the environment variable QUARLO_CA_FILE
// may name a PEM file of extra certificate authorities to trust besides the system's.
class IEOHttpItem {
 public:
  using FailHandler = std::function<void(const std::string& errCode, const std::string& errDesc)>;
  using TextOkHandler = std::function<void(std::string& responseText)>;
  using DataOkHandler = std::function<void()>;

  IEOHttpItem();
  IEOHttpItem(const IEOHttpItem&) = delete;
  IEOHttpItem& operator=(const IEOHttpItem&) = delete;
  ~IEOHttpItem();

  const std::string& ResponseText() const { return responseText_; }
  // For the library's connection: hands the latest body over without a copy, leaving it empty.
  std::string TakeResponseText() { return std::exchange(responseText_, std::string()); }
  int32_t CmdTimeout() const { return cmdTimeout_; }
  void SetCmdTimeout(int32_t seconds) { cmdTimeout_ = seconds; }

  // Forwarded from the request item at the moment of the call.
  std::string WebServer() const { return item_->WebServer(); }
  std::string Url() const { return item_->Url(); }
  kokit::DateTime TransferDate() const { return item_->TransferDate(); }
  std::string RemoteHost() const { return item_->RemoteHost(); }
  std::string MIMEVersion() const { return item_->MIMEVersion(); }
  kokit::DateTime LastModified() const { return item_->LastModified(); }
  std::string ETag() const { return item_->ETag(); }
  std::string Document() const { return item_->Document(); }
  std::string ContentType() const { return item_->ContentType(); }
  int32_t ContentLength() const { return item_->ContentLength(); }
  int32_t AccessType() const { return item_->AccessType(); }
  std::string AcceptRanges() const { return item_->AcceptRanges(); }
  double UseTime() const { return item_->UseTime(); }
  std::string HTTPInfo() const { return item_->HTTPInfo(); }
  std::string HTTPCode() const { return item_->HTTPCode(); }
  std::string ContentLocation() const { return item_->ContentLocation(); }

  const std::string& OptString() const { return optString_; }
  void SetOptString(const std::string& text) { optString_ = text; }
  int32_t OptStatus() const { return optStatus_; }
  // 0 idle, 1 running, 2 completed (passing), 4 timed out, 5 failed.
  int32_t Status() const { return status_; }

  // Fetches the body of `url` into the file `saveFilePath`.
  void GetData(const std::string& url, const std::string& saveFilePath, bool isSync = true);
  // Fetches the body of `url`, decoded from the legacy code page, into ResponseText(). The
  // HTTP status is not examined: an error page is an answer too.
  void GetText(const std::string& url, bool isSync = true);
  // Fetches only the response header of `url`; anything but status 200 fails. Always blocks.
  void GetHead(const std::string& url);

  // Events of requests started with isSync false.
  void OnGetTextFail(FailHandler handler) { onGetTextFail_ = std::move(handler); }
  void OnGetTextOK(TextOkHandler handler) { onGetTextOK_ = std::move(handler); }
  void OnGetDataFail(FailHandler handler) { onGetDataFail_ = std::move(handler); }
  void OnGetDataOK(DataOkHandler handler) { onGetDataOK_ = std::move(handler); }

  // For the host's events while a blocking request waits: the wait ends at its next turn with the
  // transfer dropped, and that request and every later one fail at once with -1 until
  // ClearCancel().
  void Cancel() { cancelled_ = true; }
  void ClearCancel() { cancelled_ = dropped_ = false; }
  // True when Cancel() dropped a request on its way (the server may still be working on it).
  bool Dropped() const { return dropped_; }

  // Where the time of this facade's requests went, summed since it was made (see RequestTiming;
  // fillMs stays 0 here).
  const RequestTiming& Timing() const { return timing_; }

  // Lets a request started with isSync false make progress, waiting up to `maxWaitMs` for its
  // sockets; its event is raised from here. The host calls it from its own loop (a timer).
  void Pump(int maxWaitMs = 0);

 private:
  bool Prologue(const char* name);
  // Starts the request of a Get operation; with `isSync` waits for it.
  void Start(const std::string& url, bool isSync, int32_t mode);
  void Wait();
  void DropCancelled();
  void FailureExit(const kokit::Error& err, int32_t line);
  void OnItemCompleted(int32_t requestKind, int32_t responseDataType);
  void OnItemError(const std::string& code, const std::string& desc);
  void RecordAnswer(double decodeSeconds);
  void RecordUnanswered();

  kokit::ErrString err_;
  std::unique_ptr<HttpItem> item_;
  int32_t optStatus_ = 0;
  std::string optString_ = "OK";
  int32_t status_ = 0;
  double start_ = 0;
  int32_t cmdTimeout_ = 0;
  int32_t mode_ = 0;
  std::string savePath_;
  std::string url_;
  bool isSync_ = true;
  std::string responseText_;
  bool cancelled_ = false;
  bool dropped_ = false;
  bool answered_ = false;  // the current request's answer has been counted in timing_
  RequestTiming timing_;
  FailHandler onGetTextFail_;
  TextOkHandler onGetTextOK_;
  FailHandler onGetDataFail_;
  DataOkHandler onGetDataOK_;
};

}  // namespace quarlolink
