#include "core/RecentFiles.h"

#include "core/TaggedText.h"
#include "kokit/KoToolsApp.h"

namespace quarlodesk {

void RecentFiles::Load(const std::string& stored) {
  std::string copy = stored;
  for (int n = 1; n <= kSlots; ++n) slots_[n - 1] = ReadTag(copy, std::to_string(n));
}

std::string RecentFiles::Stored() const {
  std::string out;
  for (int n = 1; n <= kSlots; ++n) {
    const std::string tag = std::to_string(n);
    out += "<" + tag + ">" + slots_[n - 1] + "</" + tag + ">";
  }
  return out;
}

bool RecentFiles::Add(const std::string& path) {
  for (const std::string& s : slots_) {
    if (s == path) return false;
  }
  for (std::string& s : slots_) {
    if (s.empty()) {
      s = path;
      return true;
    }
  }
  for (int i = kSlots - 1; i > 0; --i) slots_[i] = slots_[i - 1];
  slots_[0] = path;
  return true;
}

std::array<RecentFiles::Item, RecentFiles::kSlots> RecentFiles::MenuItems() const {
  std::array<Item, kSlots> items;
  int k = 1;
  for (int i = 0; i < kSlots; ++i) {
    if (slots_[i].empty()) continue;
    items[i].visible = true;
    items[i].caption = "&" + std::to_string(k++) + " " + ShownText(slots_[i]);
  }
  return items;
}

std::string RecentFiles::ShownText(const std::string& path) {
  kokit::KoToolsApp tools;
  if (tools.LenA(path) <= 50) return path;
  const std::string marker = "/../";
  std::string head = tools.LeftA(tools.GetFilePart(path, kokit::xpFilePart_Path),
                                 50 - static_cast<int32_t>(marker.size()));
  const auto cut = head.find_last_of("/\\");
  if (cut != std::string::npos) head.erase(cut);
  return head + marker + tools.GetFilePart(path, kokit::xpFilePart_FileTitle);
}

}  // namespace quarlodesk
