#pragma once

#include <filesystem>

namespace quarlocli {

// Settings overrides for one run must not be saved, but the client library saves every setting
// it is given at once. So for such a run the library works on a private copy of the store: the
// store files are copied to a fresh folder that $KOKIT_REGISTRY_DIR names for this process, and
// the folder is removed when the object goes. Make it before the first QuarloApp, which loads
// the settings, and keep it until the program ends.
class ScratchStore {
 public:
  ScratchStore();
  ~ScratchStore();
  ScratchStore(const ScratchStore&) = delete;
  ScratchStore& operator=(const ScratchStore&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

}  // namespace quarlocli
