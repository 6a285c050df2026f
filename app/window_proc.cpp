#include "app/window_proc.h"

#include <cstring>

#include "app/command_steps.h"
#include "app/dialogs.h"
#include "app/small_dialogs.h"
#include "app/file_commands.h"
#include "app/menus.h"
#include "app/play_list.h"
#include "app/save_command.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "game/frame.h"
#include "game/goal_reached.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/goals.h"
#include "world/items.h"
#include "world/snapshot.h"
#include "world/stage_files.h"
#include "world/types.h"
#include "world/update_state.h"

namespace {

constexpr int kZoomMax = 2;
constexpr int kZoomMin = -6;

void SendCommand(UINT id) { SendMessageA(g_hWnd, WM_COMMAND, id, 0); }

// The dialogs are modal to the main window; their result is not looked at.
void RunDialog(int resourceId, DLGPROC procedure) {
  DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(resourceId), g_hWnd, procedure, 0);
}

void OpenPlayList() {
  if (g_appMode == kModeRun) ShowCursorForCommand();
  RunDialog(kDialogPlayList, PlayListDialogProc);
}

void ChangeGoal(int goal) {
  if (g_isPlayFile || g_appMode != kModeEdit) return;
  SetGoalType(goal);
  ResetUndoPair();
}

void WheelZoom(WPARAM wParam) {
  if (g_appMode != kModeEdit && g_appMode != kModePlay) return;
  // One step per message, however far the wheel turned.
  SHORT delta = GET_WHEEL_DELTA_WPARAM(wParam);
  if (delta > 0 && g_zoomLevel < kZoomMax) ++g_zoomLevel;
  else if (delta < 0 && g_zoomLevel > kZoomMin) --g_zoomLevel;
}

void Command(UINT id) {
  switch (id) {
    case kCmdGoalBell: ChangeGoal(kGoalBell); break;
    case kCmdGoalStartBall: ChangeGoal(kGoalStartBall); break;
    case kCmdGoalTruck: ChangeGoal(kGoalTruck); break;
    case kCmdGoalRocketDoll: ChangeGoal(kGoalRocketDoll); break;
    case kCmdNewStage: NewStageCommand(); break;
    case kCmdOpenStage: OpenStageFileCommand(); break;
    case kCmdSaveStage: OverwriteSaveCommand(); break;
    case kCmdSaveStageAs: SaveStageAsCommand(); break;
    case kCmdPlayList:
    case kCmdAccelPlayList: OpenPlayList(); break;
    case kCmdExit: CloseRequest(); break;
    case kCmdAccelOpen:
      if (g_isPlayFile) SendCommand(kCmdOpenPause);
      else OpenStageFileCommand();
      break;
    case kCmdAccelNew:
      if (g_appMode == kModeTitle) SetMenu(g_hWnd, g_editorMenu);
      if (!g_isPlayFile) NewStageCommand();
      break;
    // The same save as the save prompt's Yes: nothing during a copy drag or
    // on the title, the pause save while playing, else the overwrite save.
    case kCmdAccelSave: SaveStageCommand(); break;
    case kCmdAbout: RunDialog(kDialogAbout, AboutDialogProc); break;
    case kCmdEditorName: RunDialog(kDialogEditorName, EditorNameDialogProc); break;
    case kCmdExportPlayFile: ExportPlayFileCommand(); break;
    case kCmdStageEdit:
      if (g_appMode == kModeRun) ShowCursorForCommand();
      g_goalPanelState = 0;
      SetMenu(g_hWnd, g_editorMenu);
      SendCommand(kCmdNewStage);
      break;
    case kCmdTestPlay: TestPlaySwitchCommand(); break;
    case kCmdSavePause: SavePauseFileCommand(); break;
    case kCmdOpenPause: OpenPauseFileCommand(); break;
    case kCmdSelectAll:
      if (g_copySourceItem == -1) SelectAllItems();
      break;
    case kCmdClearSelection:
      if (g_copySourceItem == -1) ClearItemSelection();
      break;
    case kCmdUndo: UndoCommand(); break;
    default: break;
  }
}

}  // namespace

int NewStageCommand() {
  if (g_appMode == kModeTitle) {
    DestroyAllItems();
    // The title scene's second light goes off with it.
    if (g_device) {
      g_device->LightEnable(0, TRUE);
      g_device->LightEnable(1, FALSE);
    }
    SetGoalType(kGoalBell);
  }
  if (!g_isPlayFile && g_stageModified && AskSaveChanges() != 1) return 0;
  if (g_appMode == kModeRun) ShowCursorForCommand();
  if (g_appMode != kModeEdit) {
    SetEditorBarTextAndState(kEditorMenuTestPlayPos, g_testPlayStartText, MFS_GRAYED);
    ShowStageSettingsForEditing();
  }
  ClearStage();
  // A new stage has no verified clear, so the play-file export is offered
  // only after a test play of it has rung the goal.
  SetEditorBarState(kEditorMenuExportPos, MFS_GRAYED);
  g_appMode = kModeEdit;
  g_copySourceItem = -1;
  // The goal objects are built anew for the goal the stage had.
  int goal = g_goalType >= kGoalBell && g_goalType <= kGoalRocketDoll ? g_goalType : kGoalBell;
  g_goalType = kGoalNone;
  SetGoalType(goal);
  SetModeForFileKind(kFileStage);
  ResetUndoPair();
  // Only updates recount the items, and none runs while the name is asked
  // for below (the dialog has the focus): the counter drawn under it would
  // still read the title's boxes or the last stage's items.
  g_itemCount = CountLiveItems();
  if (std::strcmp(g_editorName, Cp932Text("新人エディター")) == 0) SendCommand(kCmdEditorName);
  return 1;
}

void TestPlaySwitchCommand() {
  // A test play belongs to the stage being edited.
  if (g_isPlayFile || g_appMode == kModeTitle) return;
  if (g_appMode == kModeEdit) {
    ClearItemSelection();
    g_appMode = kModePlay;
    g_goalPanelState = 1;
    g_goalPanelAlpha = 0;
    SetEditorBarTextAndState(kEditorMenuTestPlayPos, g_testPlayEndText, MFS_ENABLED);
    SetEditorBarState(kEditorMenuStageSettingsPos, MFS_GRAYED);
    EnableMenuItem(g_editorMenu, kCmdSavePause, MF_BYCOMMAND | MF_ENABLED);
  } else {
    g_goalPanelState = 0;
    if (g_appMode == kModeRun) {
      g_cameraPos = g_savedCameraPos;
      ShowCursorForCommand();
    }
    SetEditorBarTextAndState(kEditorMenuTestPlayPos, g_testPlayStartText, MFS_ENABLED);
    ShowStageSettingsForEditing();
    ReturnToStageEditing(kFileStage);
  }
  ResetUndoPair();
}

void UndoCommand() {
  if (g_appMode != kModeEdit && g_appMode != kModePlay) return;
  CaptureUndoSlot(&g_undoSlots[1 - g_undoIndex]);
  RestoreUndoSlot(&g_undoSlots[g_undoIndex]);
  g_undoIndex = 1 - g_undoIndex;
  g_copySourceItem = -1;
  if (g_appMode == kModeEdit) {
    g_stageModified = 1;
    if (g_clearVerified) {
      SetEditorBarState(kEditorMenuExportPos, MFS_GRAYED);
      g_clearVerified = 0;
    }
    UpdateWindowTitle();
  }
}

int CloseRequest() {
  if (g_stageModified) {
    ShowCursorForCommand();
    if (AskSaveChanges() != 1) return 0;
  }
  PostQuitMessage(0);
  return 1;
}

LRESULT MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam == SIZE_RESTORED) g_appInactive = 0;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) g_appInactive = 1;
      break;
    case WM_SETFOCUS:
      g_appInactive = 0;
      break;
    case WM_PAINT:
      if (g_initDone == 1 && g_appMode != kModeTitle) RunFrame();
      break;
    case WM_CLOSE:
      // The window stays: the main loop ends on the quit message.
      CloseRequest();
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) CloseRequest();
      return 0;
    case WM_MOUSEWHEEL:
      WheelZoom(wParam);
      break;
    case WM_DROPFILES:
      HandleDroppedFiles(reinterpret_cast<HDROP>(wParam));
      break;
    case WM_COMMAND:
      Command(LOWORD(wParam));
      break;
    case kMsgClearNotRecorded:
      TellClearNotRecorded(wParam != 0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
