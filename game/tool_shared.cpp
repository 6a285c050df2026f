#include "game/tool_shared.h"

#include <cstring>

#include "platform/win_menu.h"
#include "world/command_ids.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/rotations.h"
#include "world/shell_state.h"
#include "world/snapshot.h"
#include "world/update_state.h"
#include "world/world_hooks.h"

POINT g_mousePos = {0, 0};
int32_t g_hoveredBarSlot = -1;
int32_t g_dragTool = kToolNone;
int32_t g_pressMouseX = 0;
int32_t g_pressMouseY = 0;
float g_resizeSize1 = 0.0f;
float g_resizeSize2 = 0.0f;

D3DXVECTOR3 GeomPosition(int item) {
  D3DXVECTOR3 p;
  ConvertOdeVectorToVector3(dGeomGetPosition(g_items[item].geom), &p);
  return p;
}

void StopBody(int item) {
  dBodySetLinearVel(g_items[item].body, 0, 0, 0);
  dBodySetAngularVel(g_items[item].body, 0, 0, 0);
}

void CaptureUndo() {
  CaptureUndoSlot(&g_undoSlots[g_undoIndex & 1]);
}

void MarkStageChanged() {
  if (g_appMode != kModeEdit) return;
  g_stageModified = 1;
  if (g_clearVerified != 0) {
    SetEditorBarState(kEditorMenuExportPos, MFS_GRAYED);
    g_clearVerified = 0;
  }
  NotifyTitleChanged();
}

void SettleItemsAfterDrag() {
  int visited[kMaxItems];
  std::memset(visited, 0, sizeof(visited));
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& it = g_items[i];
    if (it.state == kItemFree) continue;
    StopBody(i);
    dGeomEnable(it.geom);
    const D3DXVECTOR3 p = GeomPosition(i);
    if (p.x >= 0.0f && p.x <= 800.0f && p.y >= 0.0f && p.y <= 400.0f) continue;
    if (it.kind < kFirstStagePartKind) {
      DestroyItem(i);
      continue;
    }
    switch (it.kind) {
      case kKindGoalBell:
      case kKindStartBall:
      case kKindTruck:
      case kKindRocket:
      case kKindToyBox: {
        D3DXVECTOR3 clamped(p.x < 0.0f ? 0.0f : (p.x > 800.0f ? 800.0f : p.x),
                            p.y < 0.0f ? 0.0f : (p.y > 400.0f ? 400.0f : p.y), 0.0f);
        dGeomSetPosition(it.geom, clamped.x, clamped.y, 0);
        if (it.state == kItemFixed && it.fixJoint != nullptr) dJointSetFixed(it.fixJoint);
        const D3DXVECTOR3 delta = clamped - p;
        MoveConnectedItems(i, &delta, visited);
        break;
      }
      default:
        break;  // the fan, tyres, hidden boxes and doll parts stay where they are
    }
  }
}
