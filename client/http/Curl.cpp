#include "Curl.h"

#include <mutex>

#include "kokit/Error.h"

namespace quarlolink::http {

namespace {

// Transfers normally run on one thread, but nothing stops a host from using two items on two
// threads, so the shared data is locked anyway (uncontended locks cost next to nothing).
std::mutex shareLocks[CURL_LOCK_DATA_LAST];

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks[data].lock(); }
void UnlockShare(CURL*, curl_lock_data data, void*) { shareLocks[data].unlock(); }

}  // namespace

void EnsureCurlGlobal() {
  static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (rc != CURLE_OK) throw kokit::Error(static_cast<int32_t>(rc), curl_easy_strerror(rc));
}

CURLSH* CookieShare() {
  static const ShareHandle share = [] {
    EnsureCurlGlobal();
    ShareHandle h(curl_share_init());
    if (!h) throw kokit::Error(CURLE_OUT_OF_MEMORY, "curl_share_init failed");
    curl_share_setopt(h.get(), CURLSHOPT_LOCKFUNC, LockShare);
    curl_share_setopt(h.get(), CURLSHOPT_UNLOCKFUNC, UnlockShare);
    curl_share_setopt(h.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    return h;
  }();
  return share.get();
}

}  // namespace quarlolink::http
