#include "game/editor_tools.h"

#include <cstring>

#include "game/resize.h"
#include "game/runs.h"
#include "game/tool_shared.h"
#include "platform/win_input.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/rotations.h"

namespace {

bool Held(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

bool IsLive(int item) {
  return item >= 0 && item < kMaxItems && g_items[item].state != kItemFree;
}

// The copy drag is over, whether by the user or because its source is gone.
void AbandonCopy() {
  g_copySourceItem = -1;
  g_dragTool = kToolNone;
  g_hoveredItem = -1;
}

// The kind that the rubber change makes of `kind`: the plain ball, box and
// bar and their rubber forms swap, other kinds stay.
int RubberChangeOf(int kind, bool towardsRubber) {
  if (towardsRubber) {
    if (kind == kKindBall) return kKindRubberBall;
    if (kind == kKindBox) return kKindRubberBox;
    if (kind == kKindCapsule) return kKindRubberCapsule;
  } else {
    if (kind == kKindRubberBall) return kKindBall;
    if (kind == kKindRubberBox) return kKindBox;
    if (kind == kKindRubberCapsule) return kKindCapsule;
  }
  return kind;
}

// Rubber is a contact property: only the kind changes, the geom and mass stay.
// The change acts on the hovered item and the selection of the current mode;
// when it changes some kind, the state before it goes to the undo slot.
void ChangeRubber() {
  const int hovered = g_hoveredItem;
  const int kind = g_items[hovered].kind;
  const bool towardsRubber = kind == kKindBall || kind == kKindBox || kind == kKindCapsule;
  auto changes = [&](int i) {
    const StageItem& it = g_items[i];
    if (it.state == kItemFree || it.createdInMode != g_appMode) return false;
    if (i != hovered && !(it.flags & kFlagSelected)) return false;
    return RubberChangeOf(it.kind, towardsRubber) != it.kind;
  };
  bool any = false;
  for (int i = 0; i < kMaxItems && !any; ++i) any = changes(i);
  if (!any) return;
  CaptureUndo();
  for (int i = 0; i < kMaxItems; ++i) {
    if (changes(i)) g_items[i].kind = RubberChangeOf(g_items[i].kind, towardsRubber);
  }
  MarkStageChanged();
}

// A fixed joint holds the pose it has when it is made fixed: the anchor is
// taken afresh on both items and the hinge's zero angle becomes the items'
// present relative turn, so the stops at 0 keep them as they lie now.
void ReanchorAtCurrentPose(JointRecord& jr) {
  dVector3 a;
  dJointGetHingeAnchor(jr.joint, a);
  dJointSetHingeAnchor(jr.joint, a[0], a[1], a[2]);
  dJointSetHingeAxis(jr.joint, 0, 0, 1);
  jr.anchor = D3DXVECTOR3((float)a[0], (float)a[1], (float)a[2]);
}

void ToggleJointType(int joint) {
  CaptureUndo();
  JointRecord& jr = g_joints[joint];
  if (jr.type == kJointRotary) {
    jr.type = kJointFixed;
    ReanchorAtCurrentPose(jr);
    dJointSetHingeParam(jr.joint, dParamLoStop, 0);
    dJointSetHingeParam(jr.joint, dParamHiStop, 0);
  } else {
    jr.type = kJointRotary;
    dJointSetHingeParam(jr.joint, dParamLoStop, -kHingeNoLimit);
    dJointSetHingeParam(jr.joint, dParamHiStop, kHingeNoLimit);
  }
  MarkStageChanged();
}

void ChooseToolAndPress(int item) {
  StageItem& it = g_items[item];
  g_dragTool = kToolMove;
  if (it.kind < kFirstStagePartKind) {
    if (Held(VK_CONTROL)) {
      if (!Held('Z')) {
        g_dragTool = kToolCopy;
        g_copySourceItem = item;
      }
    } else if (Held('X')) {
      g_dragTool = kToolFixToggle;
    } else if (Held('V') && it.state == kItemMovable) {
      g_dragTool = kToolMotorUp;
    } else if (Held('Z')) {
      ClearItemSelection();
      g_dragTool = kToolResize;
    } else if (Held('C') && g_connectTarget != -1) {
      g_dragTool = kToolConnect;
    }
  }
  MarkStageChanged();

  switch (g_dragTool) {
    case kToolMove:
      CaptureUndo();
      g_grabOffset = GeomPosition(item) - g_stageMouse;
      StopBody(item);
      break;
    case kToolFixToggle:
      CaptureUndo();
      if (it.state == kItemFixed) {
        if (it.fixJoint != nullptr) dJointDestroy(it.fixJoint);
        it.fixJoint = nullptr;
        it.state = kItemMovable;
      } else {
        it.fixJoint = dJointCreateFixed(g_world, nullptr);
        dJointAttach(it.fixJoint, it.body, nullptr);
        dJointSetFixed(it.fixJoint);
        it.state = kItemFixed;
      }
      break;
    case kToolResize:
      g_resizeSize1 = it.sizeA;
      g_resizeSize2 = it.sizeB;
      CaptureUndo();
      break;
    case kToolCopy:
      g_grabOffset = GeomPosition(item) - g_stageMouse;
      break;
    case kToolConnect:
      CaptureUndo();
      CreateHingeJoint(item, g_connectTarget, &g_connectPoint, 0);
      break;
    case kToolMotorUp:
      CaptureUndo();
      if (it.motorSpeed < 5) it.motorSpeed += 1;
      break;
    default:
      break;
  }
}

void Press() {
  g_leftButtonDown = 1;
  g_pressMouseX = g_mousePos.x;
  g_pressMouseY = g_mousePos.y;

  if (g_mouseOverButton) {
    if (g_itemBarOpen && g_hoveredBarSlot != -1) g_paletteIndex = g_hoveredBarSlot;
    // StartRun refuses by itself while an item is outside the area or overlaps.
    if (g_buttonHover[kButtonStartStop] && g_appMode == kModePlay) StartRun();
    return;
  }
  if (g_appMode == kModePlay && g_goalType == kGoalTruck) return;  // nothing is placed in a race

  if (g_cursorOnStage) {
    if (Held('F')) {
      ClearItemSelection();
      g_bandSelecting = 1;
      g_bandStart = g_stageMouse;
      g_bandEnd = g_stageMouse;
    } else {
      MarkStageChanged();
      CaptureUndo();
      ClearItemSelection();
      const int kind = g_paletteIndex >= 0 && g_paletteIndex < 4 ? g_paletteTypes[g_paletteIndex] : -1;
      CreateItem(g_stageMouse, nullptr, 0.0f, 0.0f, kind, Held('X') ? 0 : 1);
    }
    return;
  }

  if (IsLive(g_hoveredItem)) {
    const StageItem& it = g_items[g_hoveredItem];
    const bool allowed =
        g_appMode == kModeEdit ||
        (g_appMode == kModePlay && it.kind < kFirstStagePartKind && it.createdInMode == kModePlay);
    if (allowed) {
      if (Held('G')) {
        ChangeRubber();
      } else if (Held('F')) {
        g_items[g_hoveredItem].flags ^= kFlagSelected;
      } else {
        ChooseToolAndPress(g_hoveredItem);
      }
    }
    return;
  }

  if (g_hoveredJoint >= 0 && g_hoveredJoint < kMaxJoints) {
    const JointRecord& jr = g_joints[g_hoveredJoint];
    const bool ownJoint = g_appMode == kModeEdit || jr.createdInMode == kModePlay;
    if ((jr.type == kJointRotary || jr.type == kJointFixed) && jr.joint != nullptr && ownJoint &&
        Held('X')) {
      ToggleJointType(g_hoveredJoint);
    }
  }
}

void DragMove(int item) {
  StageItem& it = g_items[item];
  const D3DXVECTOR3 p0 = GeomPosition(item);
  const D3DXVECTOR3 to = Held(VK_SHIFT) ? g_stageMouse : g_stageMouse + g_grabOffset;
  dGeomSetPosition(it.geom, to.x, to.y, to.z);
  if (it.state == kItemFixed && it.fixJoint != nullptr) dJointSetFixed(it.fixJoint);
  const D3DXVECTOR3 delta = to - p0;

  int visited[kMaxItems];
  std::memset(visited, 0, sizeof(visited));
  MoveConnectedItems(item, &delta, visited);
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& other = g_items[i];
    if (other.state == kItemFree || other.createdInMode != g_appMode || visited[i]) continue;
    if (!(other.flags & kFlagSelected)) continue;
    const D3DXVECTOR3 p = GeomPosition(i) + delta;
    dGeomSetPosition(other.geom, p.x, p.y, 0);
    MoveConnectedItems(i, &delta, visited);
    if (other.state == kItemFixed && other.fixJoint != nullptr) dJointSetFixed(other.fixJoint);
  }
}

void Drag() {
  // The item under the press may go away during the drag (an undo, a
  // delete): the drag ends there, and a copy with no source is called off.
  if (g_copySourceItem != -1 &&
      (!IsLive(g_copySourceItem) || g_copySourceItem != g_hoveredItem)) {
    AbandonCopy();
  }
  if (g_hoveredItem != -1 && !IsLive(g_hoveredItem)) {
    g_dragTool = kToolNone;
    g_hoveredItem = -1;
  }

  if (g_hoveredItem != -1) {
    switch (g_dragTool) {
      case kToolMove:
        DragMove(g_hoveredItem);
        break;
      case kToolResize:
        ResizeHoveredItem();
        break;
      case kToolCopy:
        if (!Held(VK_CONTROL) || g_copySourceItem != g_hoveredItem) AbandonCopy();
        break;
      default:
        break;
    }
    return;
  }

  if (g_bandSelecting) {
    g_bandEnd = g_stageMouse;
    const float left = g_bandStart.x < g_bandEnd.x ? g_bandStart.x : g_bandEnd.x;
    const float right = g_bandStart.x < g_bandEnd.x ? g_bandEnd.x : g_bandStart.x;
    const float top = g_bandStart.y > g_bandEnd.y ? g_bandStart.y : g_bandEnd.y;
    const float bottom = g_bandStart.y > g_bandEnd.y ? g_bandEnd.y : g_bandStart.y;
    for (StageItem& it : g_items) {
      if (it.state == kItemFree || it.createdInMode != g_appMode) continue;
      if (it.kind == kKindTire || it.kind == kKindHiddenBox) continue;
      dReal box[6];
      dGeomGetAABB(it.geom, box);
      if (left < box[0] && box[1] < right && bottom < box[2] && box[3] < top) {
        it.flags |= kFlagInBand;
      } else {
        it.flags &= ~(uint32_t)kFlagInBand;
      }
    }
  }
}

// Makes a copy of `source` at `at` with its rotation, sizes, kind, fixed
// state and motor speed. Returns the new index or -1.
int CopyItem(int source, const D3DXVECTOR3& at) {
  const StageItem& src = g_items[source];
  D3DXMATRIX rotation;
  ConvertOdeRotationToMatrix(dGeomGetRotation(src.geom), &rotation);
  const int made = CreateItem(at, &rotation, src.sizeA, src.sizeB, src.kind,
                              src.state == kItemFixed ? 0 : 1);
  if (made >= 0) g_items[made].motorSpeed = g_items[source].motorSpeed;
  return made;
}

void DropCopy(int source) {
  CaptureUndo();
  const D3DXVECTOR3 at = g_stageMouse + g_grabOffset;
  const D3DXVECTOR3 offset = at - GeomPosition(source);
  CopyItem(source, at);
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& it = g_items[i];
    if (i == source || it.state == kItemFree || it.createdInMode != g_appMode) continue;
    if (it.kind >= kFirstStagePartKind || !(it.flags & kFlagSelected)) continue;
    it.flags &= ~(uint32_t)kFlagSelected;
    CopyItem(i, GeomPosition(i) + offset);
  }
  for (StageItem& it : g_items) {
    if (it.state != kItemFree) it.flags &= ~(uint32_t)(kFlagSelected | kFlagInBand);
  }
  g_copySourceItem = -1;
}

void Release() {
  g_leftButtonDown = 0;
  if (g_bandSelecting) {
    g_bandSelecting = 0;
    for (StageItem& it : g_items) {
      if (it.state == kItemFree || !(it.flags & kFlagInBand)) continue;
      it.flags &= ~(uint32_t)kFlagInBand;
      it.flags ^= kFlagSelected;
    }
    return;
  }
  g_cursorOnStage = 0;
  if (IsLive(g_hoveredItem)) {
    if (g_dragTool == kToolMove) {
      SettleItemsAfterDrag();
    } else if (g_dragTool == kToolCopy) {
      if (g_copySourceItem == g_hoveredItem) {
        DropCopy(g_hoveredItem);
      } else {
        g_copySourceItem = -1;  // the copy was called off during the drag
      }
    }
  } else if (g_dragTool == kToolCopy) {
    g_copySourceItem = -1;
  }
  g_hoveredItem = -1;
}

}  // namespace

void UpdateLeftButtonTools() {
  if (Held(VK_LBUTTON)) {
    if (g_leftButtonDown == 0 && g_mouseOverButton) {
      if (g_buttonHover[kButtonZoomIn]) {
        if (g_zoomLevel < 2) g_zoomLevel += 1;
        g_leftButtonDown = 1;
        return;
      }
      if (g_buttonHover[kButtonZoomOut]) {
        if (g_zoomLevel > -6) g_zoomLevel -= 1;
        g_leftButtonDown = 1;
        return;
      }
    }
    if (g_appMode == kModeRun) {
      if (g_leftButtonDown == 0) {
        g_leftButtonDown = 1;
        if (g_mouseOverButton && g_buttonHover[kButtonStartStop]) StopRun();
      }
      return;
    }
    if (g_leftButtonDown) {
      Drag();
    } else {
      Press();
    }
    return;
  }

  if (g_leftButtonDown == 0) return;
  if (g_appMode == kModeRun) {
    g_leftButtonDown = 0;
    return;
  }
  Release();
}
