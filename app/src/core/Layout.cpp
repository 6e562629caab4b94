#include "core/Layout.h"

namespace quarlodesk {

namespace {

std::optional<TwipsRect> Valid(TwipsRect r) {
  if (r.width < 0 || r.height < 0) return std::nullopt;
  return r;
}

}  // namespace

ControlsLayout LayOutControls(const WindowMetrics& m, int y) {
  if (y < 2000) y = 2000;
  if (y > m.outerHeight - 2000) y = m.outerHeight - 2000;

  ControlsLayout out;
  out.splitterTop = y;
  const int width = m.outerWidth - 120;
  out.splitter = Valid({20, y, width, kSplitterHeight});
  out.toolbar = Valid({0, 0, width, m.toolbarHeight});
  const int editorHeight = (y - 20) - m.toolbarHeight;
  out.editor = Valid({20, m.toolbarHeight, width, editorHeight});
  const int messageTop = y + kSplitterHeight;
  const int rest =
      m.clientHeight - editorHeight - kSplitterHeight - m.toolbarHeight - m.statusBarHeight;
  if (m.gridVisible) {
    out.message = Valid({20, messageTop, width, kMessageHeightWithGrid});
    out.grid =
        Valid({20, messageTop + kMessageHeightWithGrid, width, rest - kMessageHeightWithGrid});
  } else {
    out.message = Valid({20, messageTop, width, rest});
  }
  return out;
}

int GhostBarTop(int p, int outerHeight) {
  if (p < kGhostMargin) return kGhostMargin;
  if (p > outerHeight - kGhostMargin) return outerHeight - kGhostMargin;
  return p;
}

}  // namespace quarlodesk
