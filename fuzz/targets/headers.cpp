// The response-header fields the transport reads from a raw header of any server.
#include "FuzzInput.h"
#include "HeaderFields.h"

using namespace quarlolink::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarlofuzz::FuzzInput in(data, size);
  std::string header = in.Rest();
  (void)HeaderAcceptRanges(header);
  (void)HeaderETag(header);
  (void)HeaderContentLocation(header);
  (void)HeaderLastModified(header);
  (void)HeaderContentType(header);
  (void)HeaderContentLength(header);
  (void)HeaderServer(header);
  (void)HeaderMimeVersion(header);
  (void)HeaderDate(header);
  (void)HeaderStatusCode(header);
  (void)HeaderReasonPhrase(header);
  (void)ParseHttpDate(header);
  return 0;
}
