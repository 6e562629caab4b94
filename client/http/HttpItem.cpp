#include "quarlolink/HttpItem.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include "HeaderFields.h"
#include "ReplaceFile.h"
#include "Transfer.h"
#include "kokit/Codepage.h"
#include "kokit/ErrString.h"
#include "kokit/EventPump.h"
#include "kokit/KoToolsApp.h"
#include "settings/ClientSettings.h"

namespace quarlolink {

namespace {

constexpr std::size_t kChunkSize = 1024;

// Clears a flag when the scope ends, however it ends.
class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = false; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
};

const kokit::Error kNoError(0, "");

}  // namespace

HttpItem::HttpItem() { ReNew(); }

HttpItem::~HttpItem() = default;

std::string HttpItem::AcceptRanges() const { return http::HeaderAcceptRanges(responseHeader_); }
std::string HttpItem::ETag() const { return http::HeaderETag(responseHeader_); }
std::string HttpItem::HTTPInfo() const { return http::HeaderReasonPhrase(responseHeader_); }
std::string HttpItem::HTTPCode() const { return http::HeaderStatusCode(responseHeader_); }
std::string HttpItem::ContentLocation() const {
  return http::HeaderContentLocation(responseHeader_);
}
kokit::DateTime HttpItem::LastModified() const { return http::HeaderLastModified(responseHeader_); }
std::string HttpItem::ContentType() const { return http::HeaderContentType(responseHeader_); }
int32_t HttpItem::ContentLength() const { return http::HeaderContentLength(responseHeader_); }
std::string HttpItem::WebServer() const { return http::HeaderServer(responseHeader_); }
std::string HttpItem::MIMEVersion() const { return http::HeaderMimeVersion(responseHeader_); }
kokit::DateTime HttpItem::TransferDate() const { return http::HeaderDate(responseHeader_); }

const std::string& HttpItem::ResponseData() {
  if (responseData_.empty()) responseData_ = byteBuffer_;
  return responseData_;
}

std::string HttpItem::Url() const { return transfer_->Url(); }
void HttpItem::SetUrl(const std::string& url) { transfer_->SetUrl(url); }
int32_t HttpItem::RequestTimeout() const { return transfer_->RequestTimeout(); }
void HttpItem::SetRequestTimeout(int32_t seconds) {
  transfer_->SetRequestTimeout(seconds);
  storedTimeout_ = seconds;
}
std::string HttpItem::RemoteHost() const { return transfer_->RemoteHost(); }
std::string HttpItem::Document() const { return transfer_->Document(); }
bool HttpItem::StillExecuting() const { return transfer_ && transfer_->StillExecuting(); }

void HttpItem::ReNew() {
  transfer_.reset();
  transfer_ = std::make_unique<http::Transfer>(storedTimeout_);
  status_ = 0;
}

void HttpItem::RaiseErrorEvent(const std::string& code, const std::string& desc) {
  if (onError_) onError_(code, desc);
}

void HttpItem::OpenUrl(const std::string& url, int32_t responseDataType) {
  status_ = 1;
  optStatus_ = 0;
  optString_ = "Exec OpenURL...";
  try {
    responseDataType_ = responseDataType;
    if (responseDataType != 0) {
      responseData_.clear();
      byteBuffer_.clear();
    } else {
      responseString_.clear();
    }
    requestKind_ = 2;
    const std::string target = url.empty() ? transfer_->Url() : url;
    start_ = Clock::now();
    transfer_->Start(target, false, settings::MaxAnswerBytes());
    if (transfer_->state() == http::Transfer::State::Failed) {
      status_ = 5;
      RaiseErrorEvent(std::to_string(transfer_->ResponseCode()), transfer_->ResponseInfo());
      status_ = 0;
    }
    optString_ += "OK";
  } catch (...) {
    ErrorRoutine("OpenURL", kokit::CurrentError(), __LINE__);
  }
}

void HttpItem::GetHeader(const std::string& url) {
  if (status_ == 1) {
    optStatus_ = -1;
    optString_ = "Now Runing";
    ErrorRoutine("GetHeader", kNoError, __LINE__);
    return;
  }
  status_ = 1;
  optStatus_ = 0;
  optString_ = "Exec GetHeader...";
  responseHeader_.clear();
  try {
    const std::string target = url.empty() ? transfer_->Url() : url;
    requestKind_ = 1;
    start_ = Clock::now();
    transfer_->Start(target, true, settings::MaxAnswerBytes());
    kokit::PumpEvents();
    if (transfer_->state() == http::Transfer::State::Failed) {
      status_ = 5;
      RaiseErrorEvent(std::to_string(transfer_->ResponseCode()), transfer_->ResponseInfo());
      status_ = 0;
    }
    optString_ += "OK";
  } catch (...) {
    ErrorRoutine("GetHeader", kokit::CurrentError(), __LINE__);
  }
}

void HttpItem::Pump(int maxWaitMs) {
  if (pumping_) return;
  FlagGuard guard(pumping_);
  try {
    if (!transfer_->StillExecuting()) {
      // Nothing to wait on: behave as the pause the caller asked for.
      if (maxWaitMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(maxWaitMs));
      return;
    }
    switch (transfer_->Drive(maxWaitMs)) {
      case http::Transfer::State::Completed:
        HandleCompleted();
        break;
      case http::Transfer::State::Failed:
        HandleTransferError();
        break;
      case http::Transfer::State::Running:
        CheckRequestTimeout();
        break;
      case http::Transfer::State::Idle:
        break;
    }
  } catch (...) {
    ErrorRoutine("moInet_StateChanged", kokit::CurrentError(), __LINE__);
  }
}

void HttpItem::CheckRequestTimeout() {
  const int32_t limit = transfer_->RequestTimeout();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
  if (limit <= 0 || elapsed <= limit) return;
  RaiseErrorEvent("-1", "Timeout");
  if (transfer_->StillExecuting()) ReNew();
}

void HttpItem::HandleTransferError() {
  const int32_t code = transfer_->ResponseCode();
  const std::string info = transfer_->ResponseInfo();
  optStatus_ = code;
  optString_ += info;
  status_ = 5;
  RaiseErrorEvent(std::to_string(code), info);
  status_ = 0;
  ReNew();
}

void HttpItem::HandleCompleted() {
  http::Transfer& transfer = *transfer_;
  wireTime_ = std::chrono::duration<double>(Clock::now() - start_).count();
  serverTiming_ = transfer.ServerTiming();
  if (requestKind_ == 1) {
    responseHeader_ = transfer.Header();
  } else {
    // The body changes hands whole, without a copy; the host still gets a yield for each piece
    // of 1024 bytes, as when pieces were copied one by one.
    std::string body = transfer.TakeBody();
    for (std::size_t at = 0; at < body.size(); at += kChunkSize) kokit::PumpEvents();
    if (responseDataType_ != 0) {
      byteBuffer_ = std::move(body);
    } else {
      // Decoded as a whole, so no character (two or four bytes) is split.
      responseString_ = kokit::FromLegacy(body);
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  handOverTime_ = seconds - wireTime_;
  useTime_ = std::round(seconds * 10000.0) / 10000.0;
  optString_ += "OK";
  if (onCompleted_) onCompleted_(requestKind_, responseDataType_);
  status_ = 0;
}

bool HttpItem::PrepareSave(const std::string& filePath, const char* procedure) {
  std::string answer;
  try {
    kokit::KoToolsApp tools;
    answer = tools.KoMkDir(tools.GetFilePart(filePath, 1));
  } catch (...) {
    answer = "OK";  // as good as unknown: opening the file will tell
  }
  if (answer != "OK") {
    optString_ += "Can not Create output directory";
    ErrorRoutine(procedure, kNoError, __LINE__);
    return false;
  }
  return true;
}

void HttpItem::WriteFile(const std::string& filePath, const std::string& bytes,
                         const char* procedure) {
  // A save that fails half way leaves the file that was there before.
  try {
    http::ReplaceFile(filePath, bytes);
  } catch (...) {
    ErrorRoutine(procedure, kokit::CurrentError(), __LINE__);
    return;
  }
  optString_ += "OK";
}

void HttpItem::SaveResponseData(const std::string& filePath) {
  optStatus_ = 0;
  optString_ = "Save ResponseData...";
  if (!PrepareSave(filePath, "SaveResponseData")) return;
  std::string bytes = std::move(byteBuffer_);
  byteBuffer_.clear();
  WriteFile(filePath, bytes, "SaveResponseData");
}

void HttpItem::SaveResponseString(const std::string& filePath) {
  SaveText(filePath, responseString_, "SaveResponseString", "Save ResponseString...");
}

void HttpItem::SaveResponseHeader(const std::string& filePath) {
  SaveText(filePath, responseHeader_, "SaveResponseHeader", "Save ResponseHeader...");
}

void HttpItem::SaveText(const std::string& filePath, const std::string& text, const char* procedure,
                        const char* progress) {
  optStatus_ = 0;
  optString_ = progress;
  if (text.empty()) {
    optString_ += "Response Null";
    ErrorRoutine(procedure, kNoError, __LINE__);
    return;
  }
  if (!PrepareSave(filePath, procedure)) return;
  WriteFile(filePath, kokit::ToLegacy(text), procedure);
}

void HttpItem::ErrorRoutine(const std::string& procedure, const kokit::Error& err, int32_t line) {
  if (err.Number() != 0) {
    optStatus_ = err.Number();
    optString_ += err.Description();
  } else if (optStatus_ == 0) {
    optStatus_ = -1;
  }
  try {
    if (settings::Flag("IsDebug")) WriteDebugRecord(procedure, line);
  } catch (...) {
    // A debug trace that cannot be written must not turn into a second failure.
  }
  status_ = 5;
  try {
    ReNew();
  } catch (...) {
    status_ = 0;  // keeps the old transfer; the next request reports what is wrong with it
  }
}

void HttpItem::WriteDebugRecord(const std::string& procedure, int32_t line) const {
  const kokit::DateTime now = kokit::DateTime::Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d:%02d", now.month, now.day, now.year,
                now.hour, now.minute, now.second);
  std::string record = "<ErrOcc>\r\n";
  record += std::string("<ErrTime>") + stamp + "\r\n";
  record += "<ErrSub>HttpItem." + procedure + "\r\n";
  if (line != 0) record += "<ErrLineNum>" + std::to_string(line) + "\r\n";
  record += "<ErrNum>" + std::to_string(optStatus_) + "\r\n";
  record += "<ErrDesc>" + optString_ + "\r\n";
  record += "</ErrOcc>\r\n";

  const std::string path = settings::Text("DebugFilePath");
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << kokit::ToLegacy(record);
}

}  // namespace quarlolink
