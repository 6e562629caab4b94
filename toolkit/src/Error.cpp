#include "kokit/Error.h"

#include <cstring>

namespace kokit {

Error Error::FromErrno(int errnum) {
  char buf[256];
  // GNU strerror_r returns the text, which may or may not live in buf.
  const char* text = strerror_r(errnum, buf, sizeof buf);
  return Error(errnum, text);
}

}  // namespace kokit
