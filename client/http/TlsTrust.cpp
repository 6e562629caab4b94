#include "TlsTrust.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstdlib>

namespace quarlolink::http {

namespace {

CURLcode AddExtraCa(CURL*, void* sslCtx, void*) {
  const char* file = std::getenv(kExtraCaFileVariable);
  if (!file || !*file) return CURLE_OK;
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslCtx));
  if (!store || X509_STORE_load_file(store, file) != 1) return CURLE_SSL_CACERT_BADFILE;
  return CURLE_OK;
}

}  // namespace

void InstallTlsTrust(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &AddExtraCa);
}

}  // namespace quarlolink::http
