#pragma once

#include <optional>

namespace quarlodesk {

// Window layout arithmetic, all in twips (1/1440 inch).

inline constexpr int kMinWindowTwips = 3000;  // least width and height of the main window
inline constexpr int kSplitterHeight = 30;    // height of the splitter bar
inline constexpr int kMessageHeightWithGrid = 1000;
inline constexpr int kGhostMargin = 500;  // the dragged bar keeps this far from the edges

struct TwipsRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// What the layout reads from the window.
struct WindowMetrics {
  int outerWidth = 0;    // W
  int outerHeight = 0;   // H
  int clientHeight = 0;  // S
  int toolbarHeight = 0;
  int statusBarHeight = 0;
  bool gridVisible = false;
};

// Where each widget goes. A rectangle with a negative size is left out: that widget keeps its
// place (a step of the layout that cannot be done is skipped, the rest still happen).
struct ControlsLayout {
  int splitterTop = 0;
  std::optional<TwipsRect> splitter, toolbar, editor, message, grid;
};

// Lays out toolbar, editor, splitter, message box and (when visible) grid for the splitter
// position `y`, which is first kept 2000 twips from the top and from the bottom (the bottom
// limit wins on a low window).
ControlsLayout LayOutControls(const WindowMetrics& m, int y);

// Where the ghost bar goes while the splitter is dragged to `p`: never above 500 twips nor below
// the window height less 500.
int GhostBarTop(int p, int outerHeight);

}  // namespace quarlodesk
