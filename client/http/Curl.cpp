#include "Curl.h"

#include "kokit/Error.h"

namespace quarlolink::http {

void EnsureCurlGlobal() {
  static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (rc != CURLE_OK) throw kokit::Error(static_cast<int32_t>(rc), curl_easy_strerror(rc));
}

}  // namespace quarlolink::http
