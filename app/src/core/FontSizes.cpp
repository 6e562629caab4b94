#include "core/FontSizes.h"

#include <cmath>

namespace quarlodesk {

std::array<std::string, 3> FontMenuCaptions(double editorFontSize) {
  std::array<std::string, 3> captions{"大", "中", "小"};
  switch (std::lround(editorFontSize)) {
    case kFontBig:
      captions[0] = "* " + captions[0];
      break;
    case kFontMid:
      captions[1] = "* " + captions[1];
      break;
    case kFontSmall:
      captions[2] = "* " + captions[2];
      break;
    default:
      break;
  }
  return captions;
}

}  // namespace quarlodesk
