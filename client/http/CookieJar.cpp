#include "CookieJar.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <ctime>

#include "Curl.h"

namespace quarlolink::http {

namespace {

struct Target {
  std::string scheme, host, path;
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool Parse(const std::string& url, Target& t) {
  UrlHandle u(curl_url());
  if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  auto part = [&u](CURLUPart p) {
    char* v = nullptr;
    std::string s;
    if (curl_url_get(u.get(), p, &v, 0) == CURLUE_OK && v) s = v;
    curl_free(v);
    return s;
  };
  t.scheme = Lower(part(CURLUPART_SCHEME));
  t.host = Lower(part(CURLUPART_HOST));
  t.path = part(CURLUPART_PATH);
  if (t.path.empty()) t.path = "/";
  return !t.host.empty();
}

bool IsIpLiteral(const std::string& host) {
  return host.find(':') != std::string::npos ||
         host.find_first_not_of("0123456789.") == std::string::npos;
}

bool DomainMatches(const std::string& host, const std::string& domain) {
  if (host == domain) return true;
  return !IsIpLiteral(host) && host.size() > domain.size() &&
         host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
         host[host.size() - domain.size() - 1] == '.';
}

bool PathMatches(const std::string& requestPath, const std::string& cookiePath) {
  if (requestPath == cookiePath) return true;
  return requestPath.starts_with(cookiePath) &&
         (cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/');
}

std::string DefaultPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace

CookieJar& CookieJar::Process() {
  static CookieJar jar;
  return jar;
}

void CookieJar::Store(const std::string& url, std::string_view setCookie) {
  Target t;
  if (!Parse(url, t)) return;
  Cookie c;
  std::string_view rest = setCookie;
  const std::size_t semi = rest.find(';');
  const std::string_view pair = Trim(rest.substr(0, semi));
  rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
  const std::size_t eq = pair.find('=');
  if (eq == std::string_view::npos || Trim(pair.substr(0, eq)).empty()) return;
  c.name = std::string(Trim(pair.substr(0, eq)));
  c.value = std::string(Trim(pair.substr(eq + 1)));
  c.domain = t.host;
  c.path = DefaultPath(t.path);

  bool remove = false;
  bool haveMaxAge = false;
  while (!rest.empty()) {
    const std::size_t next = rest.find(';');
    const std::string_view attr = Trim(rest.substr(0, next));
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    const std::size_t aeq = attr.find('=');
    const std::string key = Lower(Trim(attr.substr(0, aeq)));
    const std::string_view val = aeq == std::string_view::npos ? "" : Trim(attr.substr(aeq + 1));
    if (key == "domain" && !val.empty()) {
      std::string d = Lower(val);
      if (d.front() == '.') d.erase(0, 1);
      if (!DomainMatches(t.host, d)) return;  // a site may not set cookies for another
      c.domain = d;
      c.hostOnly = false;
    } else if (key == "path" && val.starts_with("/")) {
      c.path = std::string(val);
    } else if (key == "secure") {
      c.secure = true;
    } else if (key == "max-age") {
      int64_t seconds = 0;
      auto [end, ec] = std::from_chars(val.data(), val.data() + val.size(), seconds);
      if (ec == std::errc() && end == val.data() + val.size()) {
        haveMaxAge = true;
        remove = seconds <= 0;
        c.expires = remove ? 0 : Now() + seconds;
      }
    } else if (key == "expires" && !haveMaxAge) {
      const time_t when = curl_getdate(std::string(val).c_str(), nullptr);
      if (when != -1) {
        remove = when <= Now();
        c.expires = remove ? 0 : static_cast<int64_t>(when);
      }
    }
  }

  std::lock_guard lock(mutex_);
  std::erase_if(cookies_, [&c](const Cookie& o) {
    return o.name == c.name && o.domain == c.domain && o.path == c.path;
  });
  if (!remove) cookies_.push_back(std::move(c));
}

std::string CookieJar::HeaderFor(const std::string& url) {
  Target t;
  if (!Parse(url, t)) return "";
  std::lock_guard lock(mutex_);
  const int64_t now = Now();
  std::erase_if(cookies_, [now](const Cookie& c) { return c.expires != 0 && c.expires <= now; });
  std::vector<const Cookie*> matching;
  for (const Cookie& c : cookies_) {
    const bool hostOk = c.hostOnly ? t.host == c.domain : DomainMatches(t.host, c.domain);
    if (hostOk && PathMatches(t.path, c.path) && (!c.secure || t.scheme == "https")) {
      matching.push_back(&c);
    }
  }
  // Longer paths first, as browsers send them.
  std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
    return a->path.size() > b->path.size();
  });
  std::string header;
  for (const Cookie* c : matching) {
    if (!header.empty()) header += "; ";
    header += c->name + "=" + c->value;
  }
  return header;
}

void CookieJar::Clear() {
  std::lock_guard lock(mutex_);
  cookies_.clear();
}

}  // namespace quarlolink::http
