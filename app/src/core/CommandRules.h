#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace quarlodesk {

// What the enabling rule looks at.
struct CmdStateInput {
  int32_t runState = 0;
  bool isTextChanged = false;
  bool hasRecordset = false;  // a recordset is on display
  int32_t fieldCount = 0;
  bool isNextRecordset = false;
  int32_t currPageNo = 0;
};

// The outcome: every command the rule governs, by the object name of its menu item, popup item
// or toolbar button, enabled or not; and whether the recent-file items are shown (rebuilt) or
// hidden.
struct CmdStates {
  std::map<std::string, bool> enabled;
  bool showRecentFiles = false;
};

// The enabling rule of the main window's commands. The help items are never governed, and the
// toolbar's Undo button only ever by an edit.
CmdStates ComputeCmdStates(const CmdStateInput& in);

}  // namespace quarlodesk
