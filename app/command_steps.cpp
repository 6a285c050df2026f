#include "app/command_steps.h"

#include "app/menus.h"
#include "app/shell_globals.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/snapshot.h"
#include "world/types.h"

void ShowCursorForCommand() {
  if (g_cursorVisible == 0) {
    ShowCursor(TRUE);
    g_cursorVisible = 1;
  }
  g_cursorIdleFrames = 0;
}

void StopRunForCommand() {
  RestoreSnapshot(g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
  g_cameraPos = g_savedCameraPos;
  g_appMode = kModePlay;
  ShowCursorForCommand();
}

void DestroyAllItems() {
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree) DestroyItem(i);
}

int CountLiveItems() {
  int n = 0;
  for (const StageItem& item : g_items)
    if (item.state != kItemFree) ++n;
  return n;
}

void ShowStageSettingsForEditing() {
  SetEditorBarState(kEditorMenuStageSettingsPos, MFS_ENABLED);
  EnableMenuItem(g_editorMenu, kCmdSavePause, MF_BYCOMMAND | MF_GRAYED);
}
