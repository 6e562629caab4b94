#include "core/CommandRules.h"

#include "core/RunState.h"

namespace quarlodesk {

namespace {

constexpr const char* kGoverned[] = {
    "mnuEdit_Copy", "mnuEdit_Cut", "mnuEdit_Paste", "mnuEdit_Delete", "mnuEdit_Font",
    "mnuEdit_Undo", "mnuFile_Exit", "mnuFile_New", "mnuFile_Open", "mnuFile_ReLogin",
    "mnuFile_Save", "mnuFile_SaveAs", "mnuFile_Setting", "mnuFile_Export",
    // popup
    "mnuPopupMenu_Copy", "mnuPopupMenu_CopyColName", "mnuPopupMenu_NextPage",
    "mnuPopupMenu_PrevPage", "mnuPopupMenu_GotoPage", "mnuPopupMenu_NextRecordset",
    "mnuPopupMenu_Export",
    // query menu
    "mnuRun_ExecSQL", "mnuRun_Cancel", "mnuRun_NextPage", "mnuRun_PrevPage", "mnuRun_GotoPage",
    "mnuRun_SetRowsPerPage", "mnuRun_NextRecordset",
    // toolbar
    "New", "Open", "Save", "Set", "Cut", "Copy", "Paste", "Delete", "Undo", "Execute", "Cancel",
    "PrevPage", "NextPage", "GotoPage", "SetRowsPerPage", "NextRecordset"};

}  // namespace

CmdStates ComputeCmdStates(const CmdStateInput& in) {
  CmdStates out;
  for (const char* name : kGoverned) out.enabled[name] = false;
  auto enable = [&](std::initializer_list<const char*> names) {
    for (const char* n : names) out.enabled[n] = true;
  };

  if (in.runState == kRunning || in.runState == kShowing) {
    enable({"mnuRun_Cancel", "Cancel"});
    return out;
  }
  if (in.runState != kReady && in.runState != kCancelled && in.runState != kFailed) return out;

  enable({"mnuEdit_Copy", "mnuEdit_Cut", "mnuEdit_Paste", "mnuEdit_Delete", "mnuFile_New", "New",
          "mnuFile_Exit", "mnuFile_Open", "mnuFile_ReLogin", "mnuFile_SaveAs", "mnuEdit_Font"});
  if (in.isTextChanged) enable({"mnuEdit_Undo", "mnuFile_Save", "Save"});
  enable({"mnuFile_Setting", "mnuRun_ExecSQL", "mnuRun_SetRowsPerPage", "Copy", "Cut", "Paste",
          "Delete", "Open", "Set", "Execute", "SetRowsPerPage"});
  if (in.hasRecordset && in.fieldCount > 0) {
    enable({"mnuPopupMenu_Copy", "mnuPopupMenu_CopyColName", "mnuPopupMenu_GotoPage",
            "mnuPopupMenu_NextPage", "mnuRun_GotoPage", "mnuRun_NextPage", "NextPage", "GotoPage",
            "mnuFile_Export", "mnuPopupMenu_Export"});
    if (in.isNextRecordset) {
      enable({"mnuPopupMenu_NextRecordset", "mnuRun_NextRecordset", "NextRecordset"});
    }
    if (in.currPageNo > 1) enable({"mnuRun_PrevPage", "mnuPopupMenu_PrevPage", "PrevPage"});
  }
  out.showRecentFiles = true;
  return out;
}

}  // namespace quarlodesk
