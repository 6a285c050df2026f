#include "app/save_command.h"

#include "app/window_title.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/snapshot.h"
#include "world/stage_files.h"
#include "world/types.h"

int (*g_saveStageAsCommand)() = nullptr;
int (*g_savePauseFileCommand)() = nullptr;

namespace {

// A command given during a run stops it: the placed state comes back and the
// program is in the placing mode with the camera of the run's start.
void StopRunForCommand() {
  RestoreSnapshot(g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
  g_cameraPos = g_savedCameraPos;
  g_appMode = kModePlay;
  if (g_cursorVisible == 0) {
    g_cursorVisible = 1;
    ShowCursor(TRUE);
  }
  g_cursorIdleFrames = 0;
}

}  // namespace

int SaveStageCommand() {
  if (g_copySourceItem != -1 || g_appMode == kModeTitle) return 0;
  if (g_isPlayFile) return g_savePauseFileCommand ? g_savePauseFileCommand() : 0;
  if (g_stagePath[0] == '\0') return g_saveStageAsCommand ? g_saveStageAsCommand() : 0;
  if (g_appMode == kModeRun) StopRunForCommand();
  return SaveStageFile(g_stagePath, kFileStage);
}
