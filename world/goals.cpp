#include "world/goals.h"

#include <cstdio>

#include "platform/text_encoding.h"
#include "platform/win_dialog.h"
#include "platform/win_menu.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/shell_state.h"
#include "world/update_state.h"
#include "world/world_hooks.h"

namespace {

struct Room {
  int items;
  int joints;
};
constexpr Room kRoomNeeded[4] = {{1, 0}, {1, 0}, {4, 3}, {20, 20}};

void ShowRoomMessage(const char* formatUtf8, int shortfall) {
  char text[256];
  std::snprintf(text, sizeof text, Cp932Text(formatUtf8), shortfall);
  MessageBoxA(g_hWnd, text, g_appTitle, MB_OK);
}

void DestroyFirstWithBody(dBodyID body) {
  if (!body) return;
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree && g_items[i].body == body) {
      DestroyItem(i);
      return;
    }
  }
}

// A built-in hinge made rigid: both stops at 0.
void MakeBuiltInFixed(int joint) {
  if (joint < 0) return;
  g_joints[joint].type = kJointBuiltInFixed;
  dJointSetHingeParam(g_joints[joint].joint, dParamLoStop, 0);
  dJointSetHingeParam(g_joints[joint].joint, dParamHiStop, 0);
}

void RemoveGoalObjects(int goal) {
  switch (goal) {
    case kGoalBell:
      DestroyFirstWithBody(g_goalBellBody);
      break;
    case kGoalStartBall:
      DestroyFirstWithBody(g_startBallBody);
      break;
    case kGoalTruck:
      if (g_truckBody) {
        for (int i = 0; i < kMaxItems; ++i) {
          const StageItem& it = g_items[i];
          if (it.state == kItemFree) continue;
          if (it.body == g_truckBody || it.kind == kKindTire || it.kind == kKindHiddenBox)
            DestroyItem(i);
        }
      }
      break;
    case kGoalRocketDoll:
      if (g_rocketBody) {
        for (int i = 0; i < kMaxItems; ++i) {
          const StageItem& it = g_items[i];
          if (it.state == kItemFree) continue;
          // The toy box's handle is read afresh for every item: destroying the
          // box clears it, and a null handle must not match other items.
          if (it.body == g_rocketBody || (g_toyBoxBody && it.body == g_toyBoxBody) ||
              it.kind == kKindHiddenBox)
            DestroyItem(i);
        }
      }
      break;
    default:
      return;
  }
  CheckMenuItem(g_editorMenu, kGoalCommands[goal], MF_BYCOMMAND | MF_UNCHECKED);
}

void BuildGoalObjects(int goal) {
  const D3DXVECTOR3 p(g_cameraPos.x, g_cameraPos.y, 0.0f);
  switch (goal) {
    case kGoalBell:
      CreateItem(p, nullptr, 0, 0, kKindGoalBell, 0);
      break;
    case kGoalStartBall:
      CreateItem(p, nullptr, 0, 0, kKindStartBall, 0);
      g_itemOutsideArea = 0;
      break;
    case kGoalTruck: {
      int truck = CreateItem(p, nullptr, 0, 0, kKindTruck, 1);
      D3DXVECTOR3 right = p + D3DXVECTOR3(5, -4, 0);
      D3DXVECTOR3 left = p + D3DXVECTOR3(-5, -4, 0);
      int rightTire = CreateItem(right, nullptr, 0, 0, kKindTire, 1);
      int leftTire = CreateItem(left, nullptr, 0, 0, kKindTire, 1);
      CreateHingeJoint(truck, rightTire, &right, 1);
      CreateHingeJoint(truck, leftTire, &left, 1);
      D3DXVECTOR3 cabAt = p + D3DXVECTOR3(0, 5, 0);
      int cab = CreateItem(cabAt, nullptr, 4, 2, kKindHiddenBox, 1);
      MakeBuiltInFixed(CreateHingeJoint(truck, cab, &cabAt, 1));
      g_itemOutsideArea = 0;
      break;
    }
    case kGoalRocketDoll: {
      int rocket = CreateItem(p, nullptr, 0, 0, kKindRocket, 0);
      if (rocket >= 0) g_rocketBody = g_items[rocket].body;
      D3DXVECTOR3 q(p.x + 20.0f, p.y, 0.0f);
      if (q.y < 12.0f) q.y = 12.0f;
      if (q.x > 800.0f) q.x = 800.0f;
      int box = CreateItem(q, nullptr, 30, 20, kKindToyBox, 1);
      if (box >= 0) g_toyBoxBody = g_items[box].body;
      const D3DXVECTOR3 wallAt[3] = {D3DXVECTOR3(q.x - 15.0f + 0.5f, q.y, 0.0f),
                                     D3DXVECTOR3(q.x + 15.0f - 0.5f, q.y, 0.0f),
                                     D3DXVECTOR3(q.x, q.y - 10.0f + 0.5f, 0.0f)};
      const float wallSize[3][2] = {{1, 20}, {1, 20}, {30, 1}};
      for (int w = 0; w < 3; ++w) {
        int wall = CreateItem(wallAt[w], nullptr, wallSize[w][0], wallSize[w][1],
                              kKindHiddenBox, 1);
        MakeBuiltInFixed(CreateHingeJoint(box, wall, &q, 1));
      }
      g_itemOutsideArea = 0;
      break;
    }
    default:
      return;
  }
  CheckMenuItem(g_editorMenu, kGoalCommands[goal], MF_BYCOMMAND | MF_CHECKED);
}

}  // namespace

void SetGoalType(int goal) {
  if (goal == g_goalType) return;
  if (goal < kGoalBell || goal > kGoalRocketDoll) return;

  int items = 0, joints = 0;
  for (int i = 0; i < kMaxItems; ++i) items += g_items[i].state != kItemFree;
  for (int j = 0; j < kMaxJoints; ++j) joints += g_joints[j].type != kJointFree;
  int freeItems = kMaxItems - items, freeJoints = kMaxJoints - joints;
  int itemShort = freeItems < kRoomNeeded[goal].items ? kRoomNeeded[goal].items - freeItems : 0;
  int jointShort =
      freeJoints < kRoomNeeded[goal].joints ? kRoomNeeded[goal].joints - freeJoints : 0;
  if (itemShort >= 1) {
    ShowRoomMessage("アイテムが多すぎてルールを変更できません。\nあと%d個削除してください。",
                    itemShort);
    return;
  }
  if (jointShort >= 1) {
    ShowRoomMessage(
        "ジョイントが多すぎてルールを変更できません。\nあと%d個削除してください。",
        jointShort);
    return;
  }

  int old = g_goalType;
  RemoveGoalObjects(old);
  if (old != kGoalNone && g_appMode == kModeEdit) {
    g_stageModified = 1;
    if (g_clearVerified) {
      SetEditorBarState(kEditorMenuExportPos, MFS_GRAYED);
      g_clearVerified = 0;
    }
  }
  g_goalType = goal;
  g_anyOverlap = 0;
  BuildGoalObjects(goal);
  NotifyTitleChanged();
}
