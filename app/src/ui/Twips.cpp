#include "ui/Twips.h"

#include <QWidget>
#include <cmath>

namespace quarlodesk {

int TwipsToPxX(const QWidget* w, int twips) {
  return static_cast<int>(std::lround(twips * w->logicalDpiX() / 1440.0));
}
int TwipsToPxY(const QWidget* w, int twips) {
  return static_cast<int>(std::lround(twips * w->logicalDpiY() / 1440.0));
}
int PxToTwipsX(const QWidget* w, int px) {
  return static_cast<int>(std::lround(px * 1440.0 / w->logicalDpiX()));
}
int PxToTwipsY(const QWidget* w, int px) {
  return static_cast<int>(std::lround(px * 1440.0 / w->logicalDpiY()));
}

}  // namespace quarlodesk
