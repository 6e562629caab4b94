#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "kokit/DateTime.h"
#include "kokit/Error.h"

namespace quarlolink {

namespace http {
class Transfer;
}

// One asynchronous HTTP request at a time over libcurl: a GET whose body is collected as text or
// as bytes, or a HEAD whose raw header is kept and parsed on demand. Nothing runs in the
// background: the request makes progress only inside Pump(), which the blocking facade
// (IEOHttpItem) calls while it waits, and the events are raised from there.
class HttpItem {
 public:
  // Error(ErrCode as decimal text, ErrDesc) and ResponseCompleted(request kind, data type).
  using ErrorHandler = std::function<void(const std::string& errCode, const std::string& errDesc)>;
  using CompletedHandler = std::function<void(int32_t requestKind, int32_t responseDataType)>;

  HttpItem();
  HttpItem(const HttpItem&) = delete;
  HttpItem& operator=(const HttpItem&) = delete;
  ~HttpItem();

  void OnError(ErrorHandler handler) { onError_ = std::move(handler); }
  void OnResponseCompleted(CompletedHandler handler) { onCompleted_ = std::move(handler); }

  // 0 idle, 1 a request is running, 5 failed (passing).
  int32_t Status() const { return status_; }
  // Seconds from the start of the latest request to its completion, to four decimals.
  double UseTime() const { return useTime_; }
  std::string AcceptRanges() const;
  // The body of the latest byte GET, one char per byte; built on first read and kept.
  const std::string& ResponseData();
  int32_t OptStatus() const { return optStatus_; }
  const std::string& OptString() const { return optString_; }
  int32_t ResponseDataType() const { return responseDataType_; }
  // 0: the default access of the system (libcurl honours the usual proxy variables).
  int32_t AccessType() const { return 0; }
  std::string ETag() const;
  std::string HTTPInfo() const;
  std::string HTTPCode() const;
  std::string ContentLocation() const;
  // GMT as sent; the zero date (all fields 0) when missing or unreadable.
  kokit::DateTime LastModified() const;
  std::string ContentType() const;
  int32_t ContentLength() const;
  std::string WebServer() const;
  std::string MIMEVersion() const;
  kokit::DateTime TransferDate() const;
  // Header of the latest HEAD response: lines ending CR LF, the status line first.
  const std::string& ResponseHeader() const { return responseHeader_; }
  // Body of the latest text GET, decoded from the legacy code page.
  const std::string& ResponseString() const { return responseString_; }

  // Starts a HEAD request; "" means the current Url().
  void GetHeader(const std::string& url = "");

  std::string Url() const;
  void SetUrl(const std::string& url);
  int32_t RequestTimeout() const;
  void SetRequestTimeout(int32_t seconds);
  std::string RemoteHost() const;
  std::string Document() const;

  // Starts a GET; "" means the current Url(). Data type 0 collects the body as text into
  // ResponseString(), any other value as bytes.
  void OpenUrl(const std::string& url, int32_t responseDataType);

  void SaveResponseString(const std::string& filePath);
  void SaveResponseHeader(const std::string& filePath);
  void SaveResponseData(const std::string& filePath);

  // Abandons any running request and starts over with a fresh transfer.
  void ReNew();

  // --- For the library's facade.

  // Lets the running request make progress, waiting up to `maxWaitMs` for its sockets, and
  // raises the events of what happened. Does nothing when called again from inside an event.
  void Pump(int maxWaitMs);
  // True while the transfer is still exchanging data.
  bool StillExecuting() const;
  // Hands over the body of the latest byte GET without a copy, leaving the buffer empty.
  std::string TakeResponseBytes() { return std::exchange(byteBuffer_, std::string()); }
  // Seconds from the start of the latest completed request to the last byte of its answer, and
  // the seconds it then took to hand the body over.
  double WireTime() const { return wireTime_; }
  double HandOverTime() const { return handOverTime_; }
  // The Server-Timing header of the latest completed answer, "" when it had none.
  const std::string& ServerTiming() const { return serverTiming_; }

 private:
  using Clock = std::chrono::steady_clock;

  void HandleCompleted();
  void HandleTransferError();
  void CheckRequestTimeout();
  void RaiseErrorEvent(const std::string& code, const std::string& desc);
  void ErrorRoutine(const std::string& procedure, const kokit::Error& err, int32_t line);
  void WriteDebugRecord(const std::string& procedure, int32_t line) const;
  bool PrepareSave(const std::string& filePath, const char* procedure);
  // Saves a text response part in the code page; an empty one is a failure.
  void SaveText(const std::string& filePath, const std::string& text, const char* procedure,
                const char* progress);
  void WriteFile(const std::string& filePath, const std::string& bytes, const char* procedure);

  std::unique_ptr<http::Transfer> transfer_;
  ErrorHandler onError_;
  CompletedHandler onCompleted_;
  int32_t optStatus_ = 0;
  std::string optString_;
  int32_t requestKind_ = 0;
  double useTime_ = 0;
  double wireTime_ = 0;
  double handOverTime_ = 0;
  std::string serverTiming_;
  Clock::time_point start_{};
  std::string responseString_;
  std::string responseHeader_;
  std::string byteBuffer_;
  std::string responseData_;
  int32_t responseDataType_ = 0;
  int32_t storedTimeout_ = 60;
  int32_t status_ = 0;
  bool pumping_ = false;
};

}  // namespace quarlolink
