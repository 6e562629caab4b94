#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

// A benchmark keeps the library's settings store, logs and caches in a temporary folder, so it
// never reads or changes the user's own settings.
class PrivateFolders {
 public:
  PrivateFolders() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quarlo-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = tmpl;
    for (const char* name :
         {"KOKIT_REGISTRY_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
      setenv(name, (path_ / name).c_str(), 1);
    }
  }
  ~PrivateFolders() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  PrivateFolders(const PrivateFolders&) = delete;
  PrivateFolders& operator=(const PrivateFolders&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};
