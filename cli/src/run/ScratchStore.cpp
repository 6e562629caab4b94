#include "run/ScratchStore.h"

#include <stdlib.h>

#include <system_error>

#include "kokit/Error.h"
#include "registry/Registry.h"

namespace fs = std::filesystem;

namespace quarlocli {

ScratchStore::ScratchStore() {
  const fs::path from = kokit::detail::StoreFolder();
  std::string tmpl = (fs::temp_directory_path() / "quarlo-settings-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw kokit::Error::FromErrno(errno);
  folder_ = tmpl;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(from, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() ||
        !(name.ends_with(".sqlite") || name.ends_with(".sqlite-journal")))
      continue;
    std::error_code copyError;
    fs::copy_file(entry.path(), folder_ / name, copyError);
    if (copyError) {
      fs::remove_all(folder_, ec);
      throw kokit::Error(copyError.value(),
                         "cannot copy the settings store: " + copyError.message());
    }
  }
  setenv("KOKIT_REGISTRY_DIR", folder_.c_str(), 1);
}

ScratchStore::~ScratchStore() {
  // $KOKIT_REGISTRY_DIR keeps naming the removed folder: a save that came later still (from a
  // static destructor, say) could only recreate it, never write the overrides into the real store.
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

}  // namespace quarlocli
