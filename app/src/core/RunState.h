#pragma once

#include <cstdint>
#include <string>

namespace quarlodesk {

// The main window's run state.
enum RunState : int32_t {
  kReady = 0,      // at rest after a login or a result shown
  kRunning = 1,    // a request is under way
  kCancelled = 2,  // the grid fill was stopped
  kShowing = 3,    // the reply is being put into the grid
  kFailed = 4,     // the request or the display failed
};

// "状态：" followed by the state's text; "状态：" alone outside 0..4.
std::string GetStatusText(int32_t state);

}  // namespace quarlodesk
