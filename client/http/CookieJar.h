#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quarlolink::http {

// The process-wide cookie store shared by every transfer, like a browser's: the server pages keep
// the open database connection in a session named by a cookie. libcurl's own engine is not used:
// in 7.88 it drops the cookies of a request over about 8 KB and leaves a dangling "Cookie:" line
// that stalls the request, and long statements make such requests.
class CookieJar {
 public:
  static CookieJar& Process();

  // Takes a Set-Cookie value received in answer to `url` (RFC 6265 rules: host-only unless a
  // Domain that the host belongs to is given, default path, Max-Age/Expires, Secure).
  void Store(const std::string& url, std::string_view setCookie);

  // "name=value; ..." of the cookies that go with a request for `url`, "" when none.
  std::string HeaderFor(const std::string& url);

  void Clear();

 private:
  struct Cookie {
    std::string name, value, domain, path;
    bool hostOnly = true;
    bool secure = false;
    int64_t expires = 0;  // seconds since the epoch; 0 = for the session
  };

  std::mutex mutex_;
  std::vector<Cookie> cookies_;
};

}  // namespace quarlolink::http
