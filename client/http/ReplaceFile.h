#pragma once

#include <string>
#include <string_view>

namespace quarlolink::http {

// Writes `bytes` as the whole content of `path` so that a failure at any point (disk full, a
// crash) leaves the previous file as it was: a temporary file beside it is written and synced,
// then renamed over it. Throws kokit::Error with the errno of the failing step.
void ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace quarlolink::http
