#pragma once

class QWidget;

namespace quarlodesk {

// Twips (1/1440 inch) and pixels at the screen's logical DPI.
int TwipsToPxX(const QWidget* w, int twips);
int TwipsToPxY(const QWidget* w, int twips);
int PxToTwipsX(const QWidget* w, int px);
int PxToTwipsY(const QWidget* w, int px);

}  // namespace quarlodesk
