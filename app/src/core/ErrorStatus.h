#pragma once

#include <cstdint>
#include <string>

namespace kokit {
class ErrString;
}

namespace quarlodesk {

// The program's own status rule for its error reporter's event: the reporter's error becomes the
// window's status pair, run-time errors are logged. Its texts for the transport's two codes
// differ from the library's.
void ApplyErrorStatus(kokit::ErrString& reporter, int32_t& status, std::string& text);

}  // namespace quarlodesk
