#pragma once

#include <curl/curl.h>

#include <memory>

namespace quarlolink::http {

// libcurl's handles, each released by its own cleanup call.
struct EasyDeleter {
  void operator()(CURL* h) const noexcept { curl_easy_cleanup(h); }
};
struct MultiDeleter {
  void operator()(CURLM* h) const noexcept { curl_multi_cleanup(h); }
};
struct UrlDeleter {
  void operator()(CURLU* h) const noexcept { curl_url_cleanup(h); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

// curl_global_init once per process, before the first handle; throws kokit::Error on failure.
void EnsureCurlGlobal();

}  // namespace quarlolink::http
