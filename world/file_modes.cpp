#include "world/file_modes.h"

#include "platform/win_input.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/shell_state.h"
#include "world/snapshot.h"
#include "world/world_hooks.h"

void ReturnToStageEditing(int fileKind) {
  if (fileKind != kFileStage) return;
  if (g_appMode == kModeRun) {
    RestoreSnapshot(g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                    &g_snapshotJointList);
    if (g_cursorVisible == 0) {
      g_cursorVisible = 1;
      ShowCursor(TRUE);
    }
    g_cursorIdleFrames = 0;
  }
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree && g_items[i].createdInMode != kModeEdit) DestroyItem(i);
  }
  g_appMode = kModeEdit;
}

void SetModeForFileKind(int fileKind) {
  if (fileKind == kFileStage) {
    g_isPlayFile = 0;
    g_appMode = kModeEdit;
  } else if (fileKind == kFilePlay) {
    g_isPlayFile = 1;
    g_appMode = kModePlay;
  }
  NotifyTitleChanged();
}
