#include <cstdio>
#include <cstdlib>

#include "FuzzInput.h"

namespace quarlofuzz {

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

}  // namespace quarlofuzz
