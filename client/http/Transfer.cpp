#include "Transfer.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "CookieJar.h"
#include "TlsTrust.h"
#include "kokit/Error.h"

namespace quarlolink::http {

namespace {

// libcurl refuses a request over 1 MiB (request line and headers); keep room for the headers.
constexpr std::size_t kMaxHttpUrl = 1000000;
// Over TLS a request that does not fit the first records can stall until the time-out; requests
// over this size are refused at once with a clear text instead.
constexpr std::size_t kMaxHttpsUrl = 120000;
constexpr int kMaxRedirects = 5;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::string UrlPart(const std::string& url, CURLUPart part) {
  UrlHandle u(curl_url());
  if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), CURLU_DEFAULT_SCHEME) != CURLUE_OK) {
    return "";
  }
  char* value = nullptr;
  if (curl_url_get(u.get(), part, &value, 0) != CURLUE_OK || !value) return "";
  std::string result(value);
  curl_free(value);
  return result;
}

// Said when an answer passes the cap, with what the user can do about it.
std::string TooLargeText(std::size_t maxBody) {
  return "服务器的回答超过了 " + std::to_string(maxBody >> 20) +
         " MB 的上限（设置 MaxAnswerMB），已停止接收。请减少每次通讯取回的行数（RowsPerComm）"
         "后重新执行";
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  return s;
}

}  // namespace

Transfer::Transfer(int32_t requestTimeout) : requestTimeout_(requestTimeout) {
  EnsureCurlGlobal();
  easy_.reset(curl_easy_init());
  multi_.reset(curl_multi_init());
  if (!easy_ || !multi_) throw kokit::Error(CURLE_OUT_OF_MEMORY, "libcurl handle creation failed");
  CURL* e = easy_.get();
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
  // HTTP/1.1 keeps the status line with its reason phrase, which the header fields are read from.
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are checked and followed here
  curl_easy_setopt(e, CURLOPT_USERAGENT, "quarlolink/2.0");
  InstallTlsTrust(e);
}

Transfer::~Transfer() {
  if (attached_) curl_multi_remove_handle(multi_.get(), easy_.get());
}

void Transfer::Fail(int32_t code, std::string info) {
  if (attached_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
    attached_ = false;
  }
  state_ = State::Failed;
  code_ = code;
  info_ = std::move(info);
}

void Transfer::Start(const std::string& url, bool head, std::size_t maxBody) {
  if (attached_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
    attached_ = false;
  }
  url_ = url;
  head_ = head;
  redirects_ = 0;
  maxBody_ = maxBody;
  CURL* e = easy_.get();
  // An answer announced as too large is refused before any of its body is read. A HEAD
  // answer's length is of a body that never comes.
  curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE,
                   head ? curl_off_t{0} : static_cast<curl_off_t>(maxBody));
  if (head) {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  }
  Begin(url);
}

void Transfer::Begin(const std::string& url) {
  requestUrl_ = url;
  state_ = State::Running;
  code_ = 0;
  info_.clear();
  header_.clear();
  serverTiming_.clear();
  std::string().swap(body_);  // frees it: clear() would keep a large answer's memory
  tooLarge_ = false;
  errorBuffer_[0] = '\0';

  const bool tls = StartsWithNoCase(url, "https://");
  const std::size_t limit = tls ? kMaxHttpsUrl : kMaxHttpUrl;
  if (url.size() > limit) {
    Fail(-1, "Request too long: the URL has " + std::to_string(url.size()) + " bytes, at most " +
                 std::to_string(limit) + " can be sent" + (tls ? " over https" : ""));
    return;
  }
  CURL* e = easy_.get();
  cookieHeader_ = CookieJar::Process().HeaderFor(url);
  curl_easy_setopt(e, CURLOPT_COOKIE, cookieHeader_.empty() ? nullptr : cookieHeader_.c_str());
  const long timeout = requestTimeout_ > 0 ? requestTimeout_ : 0;
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, timeout);
  if (CURLcode rc = curl_easy_setopt(e, CURLOPT_URL, url.c_str()); rc != CURLE_OK) {
    Fail(rc, curl_easy_strerror(rc));
    return;
  }
  if (CURLMcode mc = curl_multi_add_handle(multi_.get(), e); mc != CURLM_OK) {
    Fail(-1, curl_multi_strerror(mc));
    return;
  }
  attached_ = true;
}

Transfer::State Transfer::Drive(int waitMs) {
  for (int pass = 0; pass < 2 && state_ == State::Running; ++pass) {
    if (pass == 1) {
      if (waitMs <= 0) break;
      curl_multi_poll(multi_.get(), nullptr, 0, waitMs, nullptr);
    }
    int running = 0;
    if (CURLMcode mc = curl_multi_perform(multi_.get(), &running); mc != CURLM_OK) {
      Fail(-1, curl_multi_strerror(mc));
      break;
    }
    KeepCookies();
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_.get(), &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_.get()) {
        Finish(msg->data.result);
        break;
      }
    }
  }
  return state_;
}

void Transfer::Finish(CURLcode rc) {
  curl_multi_remove_handle(multi_.get(), easy_.get());
  attached_ = false;
  if (tooLarge_ || rc == CURLE_FILESIZE_EXCEEDED) {
    std::string().swap(body_);
    Fail(-1, TooLargeText(maxBody_));
    return;
  }
  if (rc != CURLE_OK) {
    std::string info = curl_easy_strerror(rc);
    if (errorBuffer_[0] != '\0') info += std::string(": ") + errorBuffer_;
    Fail(rc, std::move(info));
    return;
  }
  if (FollowRedirect()) return;
  if (state_ == State::Running) state_ = State::Completed;
}

// Follows a redirect within the same host (http may move up to https, never down); a redirect
// to another host is refused as an error instead of being followed or passed off as the answer.
bool Transfer::FollowRedirect() {
  long status = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
  char* location = nullptr;
  curl_easy_getinfo(easy_.get(), CURLINFO_REDIRECT_URL, &location);
  if (status < 300 || status > 399 || !location) return false;
  const std::string target(location);
  const std::string fromScheme = Lower(UrlPart(requestUrl_, CURLUPART_SCHEME));
  const std::string toScheme = Lower(UrlPart(target, CURLUPART_SCHEME));
  const bool sameHost =
      Lower(UrlPart(requestUrl_, CURLUPART_HOST)) == Lower(UrlPart(target, CURLUPART_HOST));
  const bool schemeOk = fromScheme == toScheme || (fromScheme == "http" && toScheme == "https");
  if (!sameHost || !schemeOk) {
    Fail(-1, "Redirect to another site not followed: " + target);
    return true;
  }
  if (++redirects_ > kMaxRedirects) {
    Fail(-1, "Too many redirects: " + target);
    return true;
  }
  Begin(target);
  return true;
}

void Transfer::KeepCookies() {
  for (const std::string& value : setCookies_) CookieJar::Process().Store(requestUrl_, value);
  setCookies_.clear();
}

std::string Transfer::RemoteHost() const { return UrlPart(url_, CURLUPART_HOST); }

std::string Transfer::Document() const { return UrlPart(url_, CURLUPART_PATH); }

std::size_t Transfer::OnHeader(char* data, std::size_t size, std::size_t n, void* self) {
  auto* t = static_cast<Transfer*>(self);
  std::string_view line(data, size * n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.empty()) return size * n;
  // Every response of the exchange passes here (100 Continue, redirects): keep the last one.
  if (line.starts_with("HTTP/")) {
    t->header_.clear();
    t->serverTiming_.clear();
  }
  if (StartsWithNoCase(line, "set-cookie:")) t->setCookies_.emplace_back(line.substr(11));
  if (StartsWithNoCase(line, "server-timing:")) {
    if (!t->serverTiming_.empty()) t->serverTiming_ += ", ";
    t->serverTiming_.append(line.substr(14));
  }
  t->header_.append(line);
  t->header_.append("\r\n");
  return size * n;
}

std::size_t Transfer::OnBody(char* data, std::size_t size, std::size_t n, void* self) {
  auto* t = static_cast<Transfer*>(self);
  const std::size_t bytes = size * n;
  if (bytes > t->maxBody_ - std::min(t->maxBody_, t->body_.size())) {
    t->tooLarge_ = true;
    return 0;  // a short count stops the transfer at once
  }
  if (t->body_.empty()) {
    // Room for the announced length at once: growing by doubling would copy the body over
    // and over and leave up to half of it unused.
    curl_off_t length = -1;
    curl_easy_getinfo(t->easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length > 0 && static_cast<std::size_t>(length) <= t->maxBody_) {
      t->body_.reserve(static_cast<std::size_t>(length));
    }
  }
  t->body_.append(data, bytes);
  return bytes;
}

}  // namespace quarlolink::http
