#include "game/goal_reached.h"

#include <cstdlib>
#include <string>

#include "game/clear_list.h"
#include "world/command_ids.h"
#include "world/effects.h"
#include "world/globals.h"
#include "world/shell_state.h"
#include "world/stage_id.h"
#include "world/world_hooks.h"

static std::string ClearListPath() { return std::string(g_programDir) + "ClearList.dat"; }

void HandleGoalReached() {
  if (g_stageCleared == 1) return;
  g_stageCleared = 1;
  if (g_isPlayFile == 0) {
    g_clearVerified = 1;
    SetEditorBarState(kEditorMenuExportPos, MFS_ENABLED);
    g_stageModified = 1;
    NotifyTitleChanged();
  }
  g_clearFlashAlpha = 200;
  g_clearBlinkAngle = 90;
  for (int i = 0; i < 400; ++i) {
    int y = std::rand() % 480;
    int x = std::rand() % 640;
    SpawnSparkles(D3DXVECTOR3((float)x, (float)y, 0.0f), 1);
  }
  if (g_isPlayFile == 1) {
    const int recorded = AddToClearList(ClearListPath().c_str(), g_stageId);
    if (recorded != kClearRecorded)
      PostMessageA(g_hWnd, kMsgClearNotRecorded, recorded == kClearListRefused ? 1 : 0, 0);
  }
}

int IsStageCleared(const uint32_t* stageId16) {
  return ClearListContains(ClearListPath().c_str(), stageId16);
}

ClearListRead ReadClearedStages(ClearedStages* stages) {
  return ReadClearList(ClearListPath().c_str(), stages);
}
