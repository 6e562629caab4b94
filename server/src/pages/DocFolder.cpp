#include "DocFolder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "QueryString.h"

namespace quarlopages {
namespace {

namespace fs = std::filesystem;

// Larger files are not documentation; refusing them keeps one answer's memory bounded.
constexpr std::uintmax_t kMaxFileBytes = 32u << 20;

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

std::string ContentType(const fs::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  });
  if (ext == ".html" || ext == ".htm") return "text/html; charset=UTF-8";
  if (ext == ".css") return "text/css; charset=UTF-8";
  if (ext == ".png") return "image/png";
  if (ext == ".svg") return "image/svg+xml";
  if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
  if (ext == ".gif") return "image/gif";
  if (ext == ".txt") return "text/plain; charset=UTF-8";
  return "application/octet-stream";
}

bool IsInside(const fs::path& file, const fs::path& folder) {
  auto [f, p] = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
  return f == folder.end() && p != file.end();
}

PageResponse Answer(int status, std::string body, std::string contentType, std::string outcome) {
  PageResponse r;
  r.status = status;
  r.body = std::move(body);
  r.contentType = std::move(contentType);
  r.outcome = std::move(outcome);
  return r;
}

PageResponse NotFound(std::string outcome) {
  return Answer(404, "Not Found", "text/plain; charset=UTF-8", std::move(outcome));
}

// Relative links in a folder's index.html need the final "/".
PageResponse Redirect(std::string location) {
  PageResponse r = Answer(301, "Moved Permanently", "text/plain; charset=UTF-8", "doc redirect");
  r.location = std::move(location);
  return r;
}

}  // namespace

std::optional<std::string> DocRelativePath(std::string_view target, std::string_view url) {
  auto path = PercentDecode(PathOf(target));
  if (!path || !path->starts_with(url)) return std::nullopt;
  std::string rest = path->substr(url.size());
  for (unsigned char c : rest) {
    if (c < 32 || c == 127 || c == '\\') return std::nullopt;
  }
  for (size_t begin = 0; begin < rest.size();) {
    size_t end = std::min(rest.find('/', begin), rest.size());
    if (end == begin || rest[begin] == '.') return std::nullopt;
    begin = end + 1;
  }
  if (rest.empty() || rest.back() == '/') rest += "index.html";
  return rest;
}

DocFolder::DocFolder(const fs::path& folder, std::string url) : url_(std::move(url)) {
  std::error_code ec;
  folder_ = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(folder_)) {
    throw std::runtime_error("--doc-path: \"" + folder.string() + "\" is not a folder");
  }
}

bool DocFolder::Serves(std::string_view target) const {
  std::string_view raw = PathOf(target);
  auto decoded = PercentDecode(raw);
  std::string_view path = decoded ? std::string_view(*decoded) : raw;
  return path.starts_with(url_) || path == std::string_view(url_).substr(0, url_.size() - 1);
}

PageResponse DocFolder::Serve(const PageRequest& request) const {
  std::string raw(PathOf(request.target));
  if (auto path = PercentDecode(raw); path && *path + "/" == url_) return Redirect(url_);
  auto relative = DocRelativePath(request.target, url_);
  if (!relative) return NotFound("doc refused");

  std::error_code ec;
  fs::path file = fs::canonical(folder_ / *relative, ec);
  if (ec) return NotFound("doc not found");
  // Symbolic links are followed, so the target must still lie inside the folder.
  if (!IsInside(file, folder_)) return NotFound("doc refused");
  if (fs::is_directory(file, ec)) {
    if (raw.ends_with("/")) return NotFound("doc not found");
    return Redirect(raw + "/");
  }
  auto size = fs::file_size(file, ec);
  if (ec || !fs::is_regular_file(file) || size > kMaxFileBytes) return NotFound("doc not found");
  std::ifstream in(file, std::ios::binary);
  std::string body(std::istreambuf_iterator<char>(in), {});
  if (in.bad()) return NotFound("doc not readable");
  return Answer(200, std::move(body), ContentType(file), "doc");
}

std::optional<DocFolder> OpenDocFolder(const Config& config) {
  if (!config.docPath.empty()) return DocFolder(config.docPath, config.docUrl);
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  fs::path installed = self.parent_path() / QUARLOPAGES_MANUAL_FROM_BIN;
  if (!fs::is_directory(installed, ec)) return std::nullopt;
  return DocFolder(installed, config.docUrl);
}

}  // namespace quarlopages
