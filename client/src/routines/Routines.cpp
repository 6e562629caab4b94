#include "routines/Routines.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "kokit/Codepage.h"
#include "kokit/ErrString.h"
#include "kokit/Error.h"
#include "kokit/KoToolsApp.h"

namespace quarlolink {

namespace {

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from)) {
    s.replace(pos, from.size(), to);
  }
}

}  // namespace

std::string ReadTag(std::string& source, const std::string& name) {
  return kokit::KoToolsApp().GetStr(source, "<" + name + ">", "</" + name + ">", true);
}

std::string PercentEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = kokit::ToLegacy(text);
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out;
}

std::string EncipherText(const std::string& text, const std::string& key) {
  kokit::KoToolsApp tools;
  std::string codes = tools.UnicodeStrToWapStr(text);
  ReplaceAll(codes, "&#x", "");
  return tools.EncCharStr(codes, key, kokit::xpEncStr_EncWithKeyHead);
}

int32_t ToLongOrZero(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  std::size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return 0;
  const std::string number = text.substr(first, last - first + 1);
  // Plain decimal notation only: no hexadecimal, "inf" or "nan" forms.
  if (number.find_first_not_of("0123456789+-.eE") != std::string::npos) return 0;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size()) return 0;
  const double rounded = std::nearbyint(value);  // the default mode rounds half to even
  if (errno == ERANGE || !std::isfinite(rounded) ||
      rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<int32_t>::max())) {
    throw kokit::Error::FromErrno(ERANGE);
  }
  return static_cast<int32_t>(rounded);
}

std::string JoinServerPath(const std::string& folderIn, const std::string& pathIn) {
  kokit::KoToolsApp tools;
  const std::string pathFolder = tools.GetFilePart(pathIn, 1);
  if (pathFolder.find(':') != std::string::npos) return pathIn;

  std::string folder = folderIn;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  std::string path;
  if (!pathFolder.empty() && pathFolder.front() == '\\') {
    path = tools.GetFilePart(folder, 4) + ":" + pathIn;
  } else {
    path = folder + "\\" + pathIn;
  }
  ReplaceAll(path, "\\\\", "\\");

  while (path.find("\\..\\") != std::string::npos) {
    std::size_t previous = std::string::npos;
    bool removed = false;
    for (std::size_t pos = path.find('\\'); pos != std::string::npos;
         pos = path.find('\\', pos + 1)) {
      if (previous != std::string::npos && path.compare(pos, 4, "\\..\\") == 0) {
        path.erase(previous + 1, pos + 4 - (previous + 1));
        removed = true;
        break;
      }
      previous = pos;
    }
    if (!removed) return "";
  }
  ReplaceAll(path, ".\\", "");
  ReplaceAll(path, "\\\\", "\\");
  return path;
}

void ApplyErrorStatus(kokit::ErrString& reporter, int32_t& status, std::string& text) {
  if (text == "OK") text.clear();
  if (reporter.SystemErrorPending()) {
    status = reporter.Number();
    text += reporter.Description();
    reporter.LogToFileWithRetry();
    return;
  }
  if (status == 0) {
    status = -1;
  } else if (status == 10014) {
    text = kBusyText;
  } else if (status == 10015) {
    text = kTimedOutText;
  }
}

}  // namespace quarlolink
