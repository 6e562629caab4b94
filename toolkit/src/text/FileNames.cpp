#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"

namespace kokit {

namespace {

// Both the original "\" and the native "/" separate folders.
constexpr std::string_view kSeparators = "\\/";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

struct PathAndTitle {
  std::string path;
  std::string title;
};

PathAndTitle SplitPath(const std::string& fileName) {
  std::string path;
  std::string name = fileName;
  // The search starts at the second character, so a leading separator stays with the first part.
  for (size_t p;
       name.size() > 1 && (p = name.find_first_of(kSeparators, 1)) != std::string::npos;) {
    path.append(name, 0, p + 1);
    name.erase(0, p + 1);
  }
  // A drive root ("C:\") keeps its separator; other folders drop the trailing one.
  if (!path.empty() && IsSeparator(path.back()) &&
      !(path.size() >= 2 && path[path.size() - 2] == ':')) {
    path.pop_back();
  }
  if (path.empty() && !name.empty() && IsSeparator(name.front())) {
    path = name.substr(0, 1);
    name.erase(0, 1);
  }
  return {path, name.empty() ? "." : name};
}

std::string ErrnoText(int errnum) { return Error::FromErrno(errnum).Description(); }

}  // namespace

std::string KoToolsApp::GetFilePart(const std::string& fileName, int32_t filePart) const {
  switch (filePart) {
    case xpFilePart_Path:
      return SplitPath(fileName).path;
    case xpFilePart_FileTitle:
      return SplitPath(fileName).title;
    case xpFilePart_ExtName: {
      // After the first "." of the whole name, as the callers have always had it.
      size_t dot = fileName.find('.');
      return dot == std::string::npos ? "" : fileName.substr(dot + 1);
    }
    case xpFilePart_DriveNo: {
      size_t colon = fileName.size() > 1 ? fileName.find(':', 1) : std::string::npos;
      return colon == std::string::npos ? "" : fileName.substr(0, colon);
    }
    default:
      return "Error";
  }
}

std::string KoToolsApp::KoMkDir(const std::string& path) const {
  try {
    std::string full = path;
    const bool absolute = !full.empty() && IsSeparator(full.front());
    // There are no drives here: "C:\dir" names a drive that does not exist. Absolute names are
    // checked first so that a ":" further on in a folder name is not taken for a drive.
    if (!absolute && !GetFilePart(full, xpFilePart_DriveNo).empty()) return ErrnoText(ENOENT);
    if (!absolute) {
      std::error_code ec;
      const std::string current = std::filesystem::current_path(ec).string();
      if (ec) return ErrnoText(ec.value());
      full = current + "/" + full;
    }
    for (char& c : full) {
      if (c == '\\') c = '/';
    }
    if (full.back() != '/') full += '/';

    // Walk down from the top, creating what is missing.
    for (size_t next = full.find('/', 1); next != std::string::npos;
         next = full.find('/', next + 1)) {
      const std::string folder = full.substr(0, next);
      if (folder.back() == '/') continue;  // "//" in the name
      if (mkdir(folder.c_str(), 0777) == 0) continue;
      const int err = errno;
      struct stat st {};
      if (err == EEXIST && stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) continue;
        return ErrnoText(ENOTDIR);
      }
      // A folder above that cannot be written may still exist; only a real failure stops here.
      if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
      return ErrnoText(err);
    }
    return "OK";
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace kokit
