#pragma once

#include <array>
#include <string>

namespace quarlodesk {

// The five most recently used query files, as slots 1..5 (index 0..4); "" is an empty slot.
class RecentFiles {
 public:
  static constexpr int kSlots = 5;

  // From the stored form "<1>path</1>...<5>path</5>"; a missing pair is an empty slot.
  void Load(const std::string& stored);
  // The stored form, every slot written, empty ones as their two tags.
  std::string Stored() const;

  // Records a file: nothing when some slot holds exactly `path` (returns false); else the first
  // empty slot, or slot 1 with the others moved down and the last dropped.
  bool Add(const std::string& path);

  const std::string& Slot(int n) const { return slots_.at(n - 1); }

  // The menu item of slot n: visible, and its caption "&k shown-text" where k counts the
  // filled slots up to it.
  struct Item {
    bool visible = false;
    std::string caption;
  };
  std::array<Item, kSlots> MenuItems() const;

  // A path as the menu shows it: over 50 bytes in the code page, the first 46 bytes of its folder
  // cut back to a folder boundary, then "/../" and the file name.
  static std::string ShownText(const std::string& path);

 private:
  std::array<std::string, kSlots> slots_;
};

}  // namespace quarlodesk
