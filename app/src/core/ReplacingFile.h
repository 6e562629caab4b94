#pragma once

#include <string>
#include <string_view>

namespace quarlodesk {

// A new content for a file, written to a temporary file beside it and put in its place by
// Commit (synced, then renamed over it): until then the file stays as it was, and an object
// destroyed without Commit removes its temporary file, so a failed or abandoned write leaves
// nothing behind. A symbolic link is written through; an existing file keeps its mode, a new
// one gets 0644. Every failure throws kokit::Error with errno's number and text.
class ReplacingFile {
 public:
  explicit ReplacingFile(const std::string& path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
};

}  // namespace quarlodesk
