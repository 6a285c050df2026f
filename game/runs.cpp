#include "game/runs.h"

#include "game/run_behaviours.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/snapshot.h"
#include "world/types.h"
#include "world/update_state.h"

int32_t g_spaceKeyLatch = 0;
POINT g_lastRunMouse = {0, 0};

namespace {

constexpr int32_t kCursorIdleLimit = 120;

// The system cursor's display counter moves only when the visibility
// changes, so one ShowCursor(TRUE) always undoes one hide.
void ShowRunCursor() {
  if (g_cursorVisible == 0) {
    g_cursorVisible = 1;
    ShowCursor(TRUE);
  }
}

}  // namespace

void StartRun() {
  if (g_appMode != kModePlay) return;
  if (g_itemOutsideArea != 0 || g_anyOverlap != 0) return;
  // Without the run snapshot a stop could not put the stage back.
  if (!g_runSnapshotItems || !g_runSnapshotBodies || !g_runSnapshotJoints) return;
  ClearItemSelection();
  g_appMode = kModeRun;
  g_goalPanelState = 0;
  g_savedCameraPos = g_cameraPos;
  g_cursorOnStage = 0;
  g_truckTiltRate = 0.0f;
  g_truckWheelSpeed = 0.0f;
  g_truckFlipFrames = 0;
  g_dollLaunchCounter = 60;
  g_dollGroup = -1;
  g_dollStillFrames = 0;
  g_dollAtRest = 0;
  g_hoveredItem = -1;
  CaptureSnapshot(1, g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
}

void StopRun() {
  if (g_appMode != kModeRun) return;
  RestoreSnapshot(g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
  g_appMode = kModePlay;
  g_cameraPos = g_savedCameraPos;
  ShowRunCursor();
  g_cursorIdleFrames = 0;
}

void UpdateRunCursor(POINT mouse) {
  if (mouse.x != g_lastRunMouse.x || mouse.y != g_lastRunMouse.y) {
    ShowRunCursor();
    g_cursorIdleFrames = 0;
  } else if (g_cursorVisible == 1) {
    g_cursorIdleFrames += 1;
    if (g_cursorIdleFrames > kCursorIdleLimit) {
      g_cursorIdleFrames = kCursorIdleLimit;
      g_cursorVisible = 0;
      ShowCursor(FALSE);
    }
  }
  g_lastRunMouse = mouse;
}

void HandleSpaceKey() {
  if (!(GetAsyncKeyState(VK_SPACE) & 0x8000)) {
    g_spaceKeyLatch = 0;
    return;
  }
  if (g_spaceKeyLatch) return;
  g_spaceKeyLatch = 1;
  if (g_appMode == kModeEdit) return;  // test play is entered from the menu
  if (g_appMode == kModeRun) {
    StopRun();
  } else {
    StartRun();
  }
}
