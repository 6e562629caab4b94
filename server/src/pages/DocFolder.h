#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Config.h"
#include "Pages.h"

namespace quarlopages {

// The file that a request target names below the documentation URL `url` (which begins and
// ends with "/"), relative to the documentation folder, with "index.html" added for a folder;
// nothing when the target is not below `url` or breaks the rule: after percent-decoding, no
// empty segment, no segment beginning with "." (so no "..", "." or hidden file), no "\", no NUL
// or other control character.
std::optional<std::string> DocRelativePath(std::string_view target, std::string_view url);

// A folder served read-only under a URL path: the user manual, which the desktop program opens
// as its online documentation. GET and HEAD give a file or a folder's index.html; there is no
// listing, and nothing outside the folder is served, through symbolic links neither.
class DocFolder {
 public:
  // Throws std::runtime_error when `folder` is not a folder.
  DocFolder(const std::filesystem::path& folder, std::string url);

  // True for every target below the URL, and for the URL without its final "/".
  bool Serves(std::string_view target) const;
  PageResponse Serve(const PageRequest& request) const;

  const std::filesystem::path& Folder() const { return folder_; }
  const std::string& Url() const { return url_; }

 private:
  std::filesystem::path folder_;  // canonical
  std::string url_;
};

// The folder of `config.docPath`, else the manual installed beside this program when it is
// there, else nothing. Throws std::runtime_error when --doc-path is not a folder.
std::optional<DocFolder> OpenDocFolder(const Config& config);

}  // namespace quarlopages
