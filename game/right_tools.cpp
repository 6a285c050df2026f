#include "game/right_tools.h"

#include <cmath>
#include <cstring>

#include "game/tool_shared.h"
#include "platform/win_input.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joint_records.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/snapshot.h"
#include "world/update_state.h"

float g_rotateDragAngle = 0.0f;
int32_t g_rotateSnapLatch = 0;
int32_t g_deleteKeyLatch = 0;

namespace {

// Area edge bits of g_areaEdgeHover.
constexpr int32_t kEdgeTop = 1;
constexpr int32_t kEdgeBottom = 2;
constexpr int32_t kEdgeLeft = 4;
constexpr int32_t kEdgeRight = 8;
// Width of the grab band inside each edge.
constexpr float kEdgeGrab = 2.0f;
constexpr float kSnapStep = 22.5f;
// A right press on an item that chose none of rotate, delete or motor down.
constexpr int32_t kRightToolNone = 0;

// The anchor that a one-jointed item swings about, taken at the press, and
// the joint it belongs to (-1 none). The shared pivot is moved by the
// selection and assembly turns of every step, so the swing keeps its own copy.
D3DXVECTOR3 g_swingPivot(0.0f, 0.0f, 0.0f);
int g_swingJoint = -1;

bool Held(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

bool IsLive(int item) {
  return item >= 0 && item < kMaxItems && g_items[item].state != kItemFree;
}

bool IsCapsuleKind(int kind) {
  return kind == kKindCapsule || kind == kKindRubberCapsule || kind == kKindFan;
}

D3DXVECTOR3 PlanePosition(int item) {
  D3DXVECTOR3 p;
  ConvertOdeVectorToVector3(dGeomGetPosition(g_items[item].geom), &p);
  p.z = 0.0f;
  return p;
}

D3DXMATRIX RotationOf(int item) {
  D3DXMATRIX R;
  ConvertOdeRotationToMatrix(dGeomGetRotation(g_items[item].geom), &R);
  return R;
}

void SetRotation(int item, const D3DXMATRIX& R) {
  dMatrix3 odeR;
  ConvertMatrixToOdeRotation(&R, odeR);
  dGeomSetRotation(g_items[item].geom, odeR);
}

D3DXVECTOR3 TurnedAbout(const D3DXVECTOR3& p, const D3DXVECTOR3& pivot, const D3DXMATRIX& turn) {
  const D3DXVECTOR3 d = p - pivot;
  D3DXVECTOR3 t;
  D3DXVec3TransformCoord(&t, &d, &turn);
  return pivot + t;
}

bool IsSelectedPlayerItem(const StageItem& it) {
  return it.state != kItemFree && it.createdInMode == g_appMode &&
         it.kind < kFirstStagePartKind && (it.flags & kFlagSelected) != 0;
}

void DestroySelectedPlayerItems() {
  for (int i = 0; i < kMaxItems; ++i) {
    if (IsSelectedPlayerItem(g_items[i])) DestroyItem(i);
  }
}

// A fixed joint holds the relative pose its items have when the hinge is
// made, so after a swing it is made again at the turned pose.
void RebuildFixedJoint(JointRecord& jr) {
  if (jr.joint == nullptr || !IsLive(jr.itemA) || !IsLive(jr.itemB) || jr.itemA == jr.itemB) return;
  dVector3 a;
  dJointGetHingeAnchor(jr.joint, a);
  jr.anchor = D3DXVECTOR3((float)a[0], (float)a[1], (float)a[2]);
  dJointDestroy(jr.joint);
  jr.joint = dJointCreateHinge(g_world, nullptr);
  dJointAttach(jr.joint, g_items[jr.itemA].body, g_items[jr.itemB].body);
  dJointSetHingeAnchor(jr.joint, jr.anchor.x, jr.anchor.y, jr.anchor.z);
  dJointSetHingeAxis(jr.joint, 0, 0, 1);
  dJointSetHingeParam(jr.joint, dParamStopCFM, 0);
  dJointSetHingeParam(jr.joint, dParamCFM, 0);
  dJointSetHingeParam(jr.joint, dParamStopERP, kErp);
  dJointSetHingeParam(jr.joint, dParamERP, kErp);
  dJointSetHingeParam(jr.joint, dParamLoStop, 0);
  dJointSetHingeParam(jr.joint, dParamHiStop, 0);
}

// The swing pivot: the joint's anchor as the engine has it now (z 0).
void TakeSwingPivot(int joint) {
  g_swingJoint = joint;
  if (joint < 0 || joint >= kMaxJoints || g_joints[joint].joint == nullptr) return;
  dVector3 a;
  dJointGetHingeAnchor(g_joints[joint].joint, a);
  g_swingPivot = D3DXVECTOR3((float)a[0], (float)a[1], 0.0f);
}

// One update of a rotation drag on `item`.
void RotateStep(int item) {
  StageItem& it = g_items[item];
  float step = (float)(g_mousePos.x - g_pressMouseX) / 3.0f;
  D3DXMATRIX R = RotationOf(item);
  float A;
  if (Held(VK_SHIFT)) {
    if (g_rotateSnapLatch == 0) {
      g_rotateSnapLatch = 1;
      g_rotateDragAngle = ItemPlaneAngle(it.kind, R);
    }
    const float cur = ItemPlaneAngle(it.kind, R);
    // The press point stays put while Shift is held: the motion counts from
    // where snapping began.
    const float total = (float)(g_mousePos.x - g_pressMouseX) / 2.0f + g_rotateDragAngle;
    const float snapped = truncf(total / kSnapStep) * kSnapStep;
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, snapped * kDegToRad);
    if (IsCapsuleKind(it.kind)) {
      D3DXMATRIX upright;
      D3DXMatrixRotationX(&upright, D3DX_PI / 2.0f);
      R = upright * turn;
    } else {
      R = turn;
    }
    A = snapped - cur;
    if (A > 180.0f) A -= 360.0f;
    if (A < -180.0f) A += 360.0f;
  } else {
    if (g_rotateSnapLatch == 1) {
      // The update in which Shift is let go turns nothing.
      g_rotateSnapLatch = 0;
      step = 0.0f;
    }
    g_pressMouseX = g_mousePos.x;
    g_pressMouseY = g_mousePos.y;
    A = step;
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, A * kDegToRad);
    R = R * turn;
  }
  SetRotation(item, R);

  D3DXMATRIX turnA;
  D3DXMatrixRotationZ(&turnA, A * kDegToRad);
  int visited[kMaxItems];
  std::memset(visited, 0, sizeof(visited));
  if (it.jointCount == 1 && it.jointIndexes != nullptr) {
    // Swing about the joint's anchor; the partner stays.
    if (it.jointIndexes[0] != g_swingJoint) TakeSwingPivot(it.jointIndexes[0]);
    // The position moves by the turn of its offset from the pivot: p + turned d - d.
    const D3DXVECTOR3 p = PlanePosition(item);
    const D3DXVECTOR3 d = p - g_swingPivot;
    D3DXVECTOR3 turnedD;
    D3DXVec3TransformCoord(&turnedD, &d, &turnA);
    const D3DXVECTOR3 placed = p + turnedD - d;
    dGeomSetPosition(it.geom, placed.x, placed.y, 0);
    const int j = it.jointIndexes[0];
    if (j >= 0 && j < kMaxJoints && g_joints[j].type == kJointFixed) RebuildFixedJoint(g_joints[j]);
  } else if (it.jointCount >= 2) {
    g_rotationPivot = PlanePosition(item);
    RotateConnectedItems(item, A, visited);
  }

  // A selection of two or more turns as one about this item's centre.
  int selected = 0;
  for (const StageItem& s : g_items) selected += IsSelectedPlayerItem(s) ? 1 : 0;
  if (selected >= 2 && IsLive(item)) {
    g_rotationPivot = PlanePosition(item);
    visited[item] = 1;
    for (int i = 0; i < kMaxItems; ++i) {
      StageItem& s = g_items[i];
      if (!IsSelectedPlayerItem(s) || visited[i]) continue;
      SetRotation(i, RotationOf(i) * turnA);
      D3DXVECTOR3 p;
      ConvertOdeVectorToVector3(dGeomGetPosition(s.geom), &p);
      const D3DXVECTOR3 placed = TurnedAbout(p, g_rotationPivot, turnA);
      dGeomSetPosition(s.geom, placed.x, placed.y, placed.z);
      if (s.state == kItemFixed && s.fixJoint != nullptr) dJointSetFixed(s.fixJoint);
      RotateConnectedItems(i, A, visited);
    }
  }
}

void PressOnItem(int item) {
  StageItem& it = g_items[item];
  g_dragTool = kRightToolNone;
  const bool playerKind = it.kind < kFirstStagePartKind;
  if (Held('X')) {
    // X blocks the right-button tools on an item.
  } else if (Held('V') && it.state == kItemMovable && playerKind) {
    g_dragTool = kToolMotorDown;
  } else if (Held('R')) {
    if (playerKind) g_dragTool = kToolDelete;
  } else if (it.kind != kKindGoalBell && it.kind != kKindStartBall) {
    g_dragTool = kToolRotate;
  }
  MarkStageChanged();

  switch (g_dragTool) {
    case kToolRotate:
      CaptureUndo();  // one snapshot for the whole drag
      dBodySetLinearVel(it.body, 0, 0, 0);
      dBodySetAngularVel(it.body, 0, 0, 0);
      g_swingJoint = -1;
      if (it.jointCount == 1 && it.jointIndexes != nullptr) {
        TakeSwingPivot(it.jointIndexes[0]);
        g_rotationPivot = g_swingPivot;
      }
      break;
    case kToolDelete:
      CaptureUndo();
      DestroyItem(item);
      g_hoveredItem = -1;
      DestroySelectedPlayerItems();
      ClearItemSelection();
      break;
    case kToolMotorDown:
      CaptureUndo();
      if (it.motorSpeed > -5) it.motorSpeed -= 1;
      break;
    default:
      break;
  }
}

void Press() {
  g_rightButtonDown = 1;
  g_pressMouseX = g_mousePos.x;
  g_pressMouseY = g_mousePos.y;

  if (g_appMode == kModePlay && g_goalType == kGoalTruck) return;
  if (Held('F')) {
    ClearItemSelection();
    return;
  }
  if (g_cursorOnStage && g_appMode == kModeEdit && !Held('R')) {
    // Drawing, removing (a click without motion) and moving an edge are
    // edits: an undo gives the area back as it was before the press.
    CaptureUndo();
    if (g_areaEditState == kAreaDefined && g_areaEdgeHover != 0) {
      g_areaEditState = kAreaMovingEdge;  // the hovered edges are grabbed
    } else {
      g_area.corner1 = g_stageMouse;
      g_area.corner2 = g_stageMouse;
      g_areaEditState = kAreaDrawing;
    }
    MarkStageChanged();
    return;
  }
  if (IsLive(g_hoveredItem)) {
    const StageItem& it = g_items[g_hoveredItem];
    if (g_appMode == kModeEdit || (g_appMode == kModePlay && it.createdInMode == kModePlay)) {
      PressOnItem(g_hoveredItem);
      return;
    }
  }
  if (g_hoveredJoint >= 0 && g_hoveredJoint < kMaxJoints && Held('R')) {
    const JointRecord& jr = g_joints[g_hoveredJoint];
    const bool userJoint = jr.type == kJointRotary || jr.type == kJointFixed;
    if (userJoint && (g_appMode == kModeEdit || jr.createdInMode == kModePlay)) {
      CaptureUndo();
      DestroyJoint(-1, g_hoveredJoint);
      g_hoveredJoint = -1;
      MarkStageChanged();
    }
  }
}

void Drag() {
  if (g_hoveredItem != -1) {
    // The item may have gone during the drag (the Delete key, an undo).
    if (!IsLive(g_hoveredItem)) {
      g_hoveredItem = -1;
      g_dragTool = kToolNone;
      return;
    }
    if (g_dragTool == kToolRotate) RotateStep(g_hoveredItem);
    return;
  }
  if (g_areaEditState == kAreaDrawing) {
    g_area.corner2 = g_stageMouse;
  } else if (g_areaEditState == kAreaMovingEdge) {
    if (g_areaEdgeHover & kEdgeTop) g_area.corner1.y = g_stageMouse.y;
    if (g_areaEdgeHover & kEdgeBottom) g_area.corner2.y = g_stageMouse.y;
    if (g_areaEdgeHover & kEdgeLeft) g_area.corner1.x = g_stageMouse.x;
    if (g_areaEdgeHover & kEdgeRight) g_area.corner2.x = g_stageMouse.x;
  }
}

void Release() {
  g_rightButtonDown = 0;
  g_rotateSnapLatch = 0;
  g_cursorOnStage = 0;
  if (g_hoveredItem != -1) {
    const int item = g_hoveredItem;
    if (IsLive(item) && g_dragTool == kToolRotate) {
      SettleItemsAfterDrag();
      const StageItem& it = g_items[item];
      if (it.state == kItemFixed && it.fixJoint != nullptr) dJointSetFixed(it.fixJoint);
    }
  } else if (g_areaEditState == kAreaDrawing || g_areaEditState == kAreaMovingEdge) {
    g_areaEditState = FinishAreaDrag(&g_area);
    // No area, no edge under the mouse or in the hand.
    if (g_areaEditState == kAreaNone) g_areaEdgeHover = 0;
  }
  g_hoveredItem = -1;
}

}  // namespace

float ItemPlaneAngle(int kind, const D3DXMATRIX& R) {
  D3DXVECTOR3 u;
  float c;
  if (IsCapsuleKind(kind)) {
    const D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f);
    D3DXVec3TransformNormal(&u, &axis, &R);
    c = -u.y;  // against (0, -1, 0)
  } else {
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXVec3TransformNormal(&u, &up, &R);
    c = u.y;
  }
  c = std::fmin(std::fmax(c, -1.0f), 1.0f);
  const float angle = acosf(c) * kRadToDeg;
  const bool negative = IsCapsuleKind(kind) ? u.x < 0.0f : u.x > 0.0f;
  return negative ? -angle : angle;
}

void UpdateAreaEdgeHover() {
  AreaCorners& a = g_area;
  if (g_appMode == kModeEdit && g_areaEditState == kAreaDefined) {
    g_areaEdgeHover = 0;
    if (g_hoveredItem == -1) {
      const D3DXVECTOR3& m = g_stageMouse;
      const bool acrossX = a.corner1.x < m.x && m.x < a.corner2.x;
      const bool acrossY = a.corner2.y < m.y && m.y < a.corner1.y;
      if (acrossX && a.corner1.y - kEdgeGrab < m.y && m.y < a.corner1.y) g_areaEdgeHover |= kEdgeTop;
      if (acrossX && a.corner2.y < m.y && m.y < a.corner2.y + kEdgeGrab) g_areaEdgeHover |= kEdgeBottom;
      if (acrossY && a.corner1.x < m.x && m.x < a.corner1.x + kEdgeGrab) g_areaEdgeHover |= kEdgeLeft;
      if (acrossY && a.corner2.x - kEdgeGrab < m.x && m.x < a.corner2.x) g_areaEdgeHover |= kEdgeRight;
    }
  }
  if (g_areaEditState == kAreaNone || g_areaEditState == kAreaDrawing) {
    // An area that went (a new stage, a file without one, or a new one being
    // drawn) leaves no edge lit.
    g_areaEdgeHover = 0;
  }
  if (g_areaEditState == kAreaMovingEdge) {
    // A dragged edge that has crossed its opposite edge goes on as that edge;
    // the crossed edge stays where it was.
    if (a.corner1.x > a.corner2.x) {
      if (g_areaEdgeHover & kEdgeLeft) {
        g_areaEdgeHover = (g_areaEdgeHover & ~kEdgeLeft) | kEdgeRight;
        a.corner1.x = a.corner2.x;
      } else if (g_areaEdgeHover & kEdgeRight) {
        g_areaEdgeHover = (g_areaEdgeHover & ~kEdgeRight) | kEdgeLeft;
        a.corner2.x = a.corner1.x;
      }
    }
    if (a.corner1.y < a.corner2.y) {
      if (g_areaEdgeHover & kEdgeTop) {
        g_areaEdgeHover = (g_areaEdgeHover & ~kEdgeTop) | kEdgeBottom;
        a.corner1.y = a.corner2.y;
      } else if (g_areaEdgeHover & kEdgeBottom) {
        g_areaEdgeHover = (g_areaEdgeHover & ~kEdgeBottom) | kEdgeTop;
        a.corner2.y = a.corner1.y;
      }
    }
  }
}

void HandleDeleteKey() {
  if (!Held(VK_DELETE)) {
    g_deleteKeyLatch = 0;
    return;
  }
  if (g_deleteKeyLatch != 0) return;
  g_deleteKeyLatch = 1;
  if (g_appMode == kModeRun) return;
  CaptureUndo();
  DestroySelectedPlayerItems();
  ClearItemSelection();
  MarkStageChanged();
}

void UpdateRightButtonTools() {
  const bool down = Held(VK_RBUTTON) && !Held(VK_LBUTTON);
  if (g_appMode == kModeRun) {
    // The tools rest in a run, but a run started during a right drag must
    // not keep the latch: while it is set the on-screen buttons are not
    // hovered anew, and the stop button could not be clicked.
    if (!down && g_rightButtonDown == 1) {
      g_rightButtonDown = 0;
      g_rotateSnapLatch = 0;
    }
    return;
  }
  if (down) {
    if (g_rightButtonDown == 0) {
      Press();
    } else {
      Drag();
    }
  } else if (g_rightButtonDown == 1) {
    Release();
  }
}
