// The store's key paths ("a\\b\\c", as hosts write them): normalising is idempotent and leaves
// no empty names, and a value saved under any path and name reads back under the same ones.
#include "FuzzInput.h"
#include "TempDir.h"
#include "kokit/Enums.h"
#include "registry/Registry.h"
#include "registry/Store.h"

namespace kd = kokit::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The store lives in a scratch folder of this process, never the user's.
  static quarlo::testing::TempDir dir;
  static quarlo::testing::ScopedEnv store("KOKIT_REGISTRY_DIR", dir.path().string());
  quarlofuzz::FuzzInput in(data, size);
  const uint8_t flags = in.Byte();
  std::string path = in.Text();
  std::string name = in.Text();
  std::string value = in.Rest();

  std::string norm = kd::NormalizeKeyPath(path);
  quarlofuzz::Check(kd::NormalizeKeyPath(norm) == norm, "NormalizeKeyPath not idempotent");
  quarlofuzz::Check(norm.find("\\\\") == std::string::npos, "empty name left in a key path");
  quarlofuzz::Check(norm.empty() || (norm.front() != '\\' && norm.back() != '\\'),
                    "separator left at an end of a key path");

  // The store itself is slower: only some inputs reach it.
  if ((flags & 15) != 0) return 0;
  const uint32_t root = kokit::xpRegRoot_HKEY_CURRENT_USER;
  kd::RegOutcome saved = kd::RegSaveString(root, path, name, value);
  if (saved.code == 0) {
    kd::RegOutcome read;
    std::string back = kd::RegGetString(root, norm, name, read);
    std::string expected = value.substr(0, value.find('\0'));
    quarlofuzz::Check(read.code == 0 && back == expected, "saved value does not read back");
  }
  kd::RegDelValue(root, path, name);
  if (!norm.empty()) kd::RegDelKey(root, norm);
  return 0;
}
