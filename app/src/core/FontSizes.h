#pragma once

#include <array>
#include <string>

namespace quarlodesk {

inline constexpr int kFontBig = 11;
inline constexpr int kFontMid = 10;
inline constexpr int kFontSmall = 9;

// Captions of the font items "大", "中", "小"; the one matching the editor's size (rounded)
// marked with "* ".
std::array<std::string, 3> FontMenuCaptions(double editorFontSize);

}  // namespace quarlodesk
