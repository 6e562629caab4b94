// Each test process keeps the library's settings in a store of its own: the settings are shared
// by the whole process and saved at once, so a test that changes one must not disturb tests
// running beside it. Set before main, long before the library first loads its settings.
#include <stdlib.h>

#include "TempDir.h"

namespace {

struct PrivateStore {
  quarlo::testing::TempDir dir;
  PrivateStore() { setenv("KOKIT_REGISTRY_DIR", dir.path().c_str(), 1); }
};

PrivateStore store;

}  // namespace
