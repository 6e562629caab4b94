#pragma once

#include <curl/curl.h>

#include <stdexcept>
#include <string>

namespace quarlopages::testing {

struct HttpAnswer {
  long status = 0;
  std::string body;     // raw bytes
  std::string headers;  // raw header text
  long newConnections = 0;
};

// A plain HTTP client that keeps its connection alive and its session cookie, like one desktop
// client. The cookie is sent by hand: libcurl 7.88's cookie engine leaves the cookie out of a
// request whose line is long (a long statement) and then sends a broken "Cookie:" header.
class HttpClient {
 public:
  HttpClient() : curl_(curl_easy_init()) {
    if (!curl_) throw std::runtime_error("curl_easy_init");
    curl_easy_setopt(curl_, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &Append);
    curl_easy_setopt(curl_, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
  }
  ~HttpClient() { curl_easy_cleanup(curl_); }
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  HttpAnswer Get(const std::string& url) { return Send(url, false); }
  HttpAnswer Head(const std::string& url) { return Send(url, true); }

  // Forgets the cookies, as a client started afresh would.
  void DropCookies() { cookie_.clear(); }
  // The session cookie ("name=value"), to speak for the same session from another client.
  const std::string& Cookie() const { return cookie_; }
  void SetCookie(const std::string& cookie) { cookie_ = cookie; }

 private:
  static size_t Append(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
  }

  HttpAnswer Send(const std::string& url, bool head) {
    HttpAnswer a;
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl_, head ? CURLOPT_NOBODY : CURLOPT_HTTPGET, 1L);  // HTTPGET clears NOBODY
    curl_slist* headers = nullptr;
    if (!cookie_.empty()) headers = curl_slist_append(headers, ("Cookie: " + cookie_).c_str());
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &a.body);
    curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &a.headers);
    CURLcode rc = curl_easy_perform(curl_);
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    if (rc != CURLE_OK) throw std::runtime_error(std::string("curl: ") + curl_easy_strerror(rc));
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &a.status);
    curl_easy_getinfo(curl_, CURLINFO_NUM_CONNECTS, &a.newConnections);
    if (auto at = a.headers.find("Set-Cookie: "); at != std::string::npos) {
      auto end = a.headers.find_first_of(";\r\n", at);
      cookie_ = a.headers.substr(at + 12, end - at - 12);
    }
    return a;
  }

  CURL* curl_;
  std::string cookie_;  // name=value
};

}  // namespace quarlopages::testing
