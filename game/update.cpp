#include "game/update.h"

#include <cmath>
#include <cstring>

#include "game/editor_tools.h"
#include "game/right_tools.h"
#include "game/run_behaviours.h"
#include "game/runs.h"
#include "game/simulation.h"
#include "platform/d3d9.h"
#include "platform/win_input.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "render/render_state.h"
#include "world/collision.h"
#include "world/command_ids.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/shell_state.h"

int32_t g_paletteCount = 0;
int32_t g_paletteWheelAngle = 0;
float g_previewSpin = 0.0f;
dGeomID g_pickRay = nullptr;
// Edge latches of the polled keys, and the double-press timers of the scroll
// keys in the order W, S, A, D.
int g_latchKey1 = 0;
int g_latchKey2 = 0;
int g_latchZoomIn = 0;
int g_latchZoomOut = 0;
int g_scrollLatch[4] = {};
int g_scrollTimer[4] = {};

namespace {

// The double-press window of the scroll keys, in updates.
constexpr int kScrollDoublePress = 20;
// The item bar lies right of this client x.
constexpr int kItemBarLeft = 532;
// A joint anchor this close to the mouse (pixels) is under it.
constexpr float kJointPickRadius = 7.0f;

bool Held(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

bool IsRun() { return g_appMode == kModeRun; }

bool PlacingTruckRace() { return g_appMode == kModePlay && g_goalType == kGoalTruck; }

bool MouseIn(int left, int right, int top, int bottom) {
  return g_mousePos.x >= left && g_mousePos.x <= right && g_mousePos.y >= top &&
         g_mousePos.y <= bottom;
}

int FirstItemWithGeom(dGeomID geom) {
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree && g_items[i].geom == geom) return i;
  }
  return -1;
}

void ReadMouse() {
  POINT p = {0, 0};
  GetCursorPos(&p);
  ScreenToClient(g_hWnd, &p);
  g_mousePos = p;
}

// The camera backs off or closes in towards the depth of the zoom step.
void EaseCameraToZoom() {
  const float target = 50.0f * (float)g_zoomLevel - 150.0f;
  if (g_cameraPos.z < target) {
    g_cameraPos.z += 5.0f;
    if (g_cameraPos.z > target) g_cameraPos.z = target;
  } else if (g_cameraPos.z > target) {
    g_cameraPos.z -= 5.0f;
    if (g_cameraPos.z < target) g_cameraPos.z = target;
  }
}

float SnapToGrid(float v) { return truncf(v / 4.0f) * 4.0f + 2.0f; }

// The grabbed item's position, mouse point + grab offset, lands on the grid.
float SnapWithOffset(float v, float g) { return truncf((v + g) / 4.0f) * 4.0f + 2.0f - g; }

bool SlotCounts(int slot) {
  switch (slot) {
    case kButtonStartStop:
      return g_appMode != kModeEdit;
    case kButtonItemBar:
    case kButtonBarOpener:
      return true;
    case kButtonPaletteNext:
      return g_paletteIndex + 1 < 4 && g_paletteTypes[g_paletteIndex + 1] != -1;
    case kButtonPalettePrev:
      return g_paletteIndex != 0;
    case kButtonZoomIn:
      return g_zoomLevel != 2;
    case kButtonZoomOut:
      return g_zoomLevel != -6;
    default:
      return false;  // the scroll arrows
  }
}

}  // namespace

void CreatePickRay() {
  if (g_pickRay == nullptr) g_pickRay = dCreateRay(nullptr, kPickRayLength);
}

void DestroyPickRay() {
  if (g_pickRay != nullptr) dGeomDestroy(g_pickRay);
  g_pickRay = nullptr;
}

void UpdateButtonHover() {
  const bool buttonsUp = g_leftButtonDown == 0 && g_rightButtonDown == 0;
  const bool editing = !IsRun();

  // A flag whose button is not offered in this update goes out: a flag left
  // over from another mode or bar state would take a press meant for another
  // button. While a mouse button is held, the buttons that are still offered
  // keep what lay under the press.
  g_buttonHover[kButtonPaletteNext] = 0;
  g_buttonHover[kButtonPalettePrev] = 0;
  g_buttonHover[kButtonScrollUp] = editing && MouseIn(299, 340, 1, 28);
  g_buttonHover[kButtonScrollDown] = editing && MouseIn(299, 340, 451, 478);
  g_buttonHover[kButtonScrollLeft] = editing && MouseIn(1, 28, 219, 260);
  g_buttonHover[kButtonItemBar] =
      editing && g_itemBarOpen && !PlacingTruckRace() && g_mousePos.x >= kItemBarLeft;
  g_buttonHover[kButtonScrollRight] = editing && !g_itemBarOpen && MouseIn(611, 638, 219, 260);

  const bool zoomOffered = editing && !g_itemBarOpen;
  const bool openerOffered = zoomOffered && !PlacingTruckRace();
  if (!zoomOffered) {
    g_buttonHover[kButtonZoomIn] = 0;
    g_buttonHover[kButtonZoomOut] = 0;
  }
  if (!openerOffered) g_buttonHover[kButtonBarOpener] = 0;

  if (buttonsUp) {
    if (zoomOffered) {
      g_buttonHover[kButtonZoomIn] = MouseIn(600, 651, 62, 85);
      g_buttonHover[kButtonZoomOut] = MouseIn(600, 651, 86, 116);
    }
    if (openerOffered) {
      g_buttonHover[kButtonBarOpener] = MouseIn(545, 639, 385, 479);
      if (g_buttonHover[kButtonBarOpener]) g_itemBarOpen = 1;
    }
    if (g_itemBarOpen) {
      if (g_itemBarCloseTimer > 0) g_itemBarCloseTimer -= 1;
      if (g_mousePos.x < kItemBarLeft && g_itemBarCloseTimer == 0) g_itemBarOpen = 0;
    }
    if (!g_itemBarOpen) {
      g_itemBarHeight -= 50;
      if (g_itemBarHeight < 0) g_itemBarHeight = 0;
    }
    g_buttonHover[kButtonStartStop] = MouseIn(390, 486, 445, 475);
  }

  g_hoveredBarSlot = -1;
  if (g_itemBarOpen) {
    g_paletteCount = 0;
    while (g_paletteCount < 4 && g_paletteTypes[g_paletteCount] != -1) ++g_paletteCount;
    if (g_mousePos.x > kItemBarLeft && g_mousePos.y > 37 && g_mousePos.y < 442) {
      g_hoveredBarSlot = (g_mousePos.y - 37) / 81;
      if (g_hoveredBarSlot >= g_paletteCount) g_hoveredBarSlot = -1;
    }
  }
}

void UpdatePaletteKeys() {
  const bool ctrl = Held(VK_CONTROL);
  if (!ctrl) {
    if (Held('1')) {
      if (g_latchKey1 == 0) {
        g_latchKey1 = 1;
        if (!PlacingTruckRace()) {
          g_itemBarOpen = 1;
          g_itemBarCloseTimer = 60;
          if (g_paletteIndex > 0) g_paletteIndex -= 1;
        }
      }
    } else {
      g_latchKey1 = 0;
    }
    if (Held('2')) {
      if (g_latchKey2 == 0) {
        g_latchKey2 = 1;
        if (!PlacingTruckRace()) {
          g_itemBarOpen = 1;
          g_itemBarCloseTimer = 60;
          if (g_paletteIndex + 1 < 4 && g_paletteTypes[g_paletteIndex + 1] != -1) {
            g_paletteIndex += 1;
          }
        }
      }
    } else {
      g_latchKey2 = 0;
    }
  }
}

void UpdatePaletteWheel() {
  const int target = 90 * g_paletteIndex;
  if (g_paletteWheelAngle < target) {
    g_paletteWheelAngle += 9;
    if (g_paletteWheelAngle > target) g_paletteWheelAngle = target;
  } else if (g_paletteWheelAngle > target) {
    g_paletteWheelAngle -= 9;
    if (g_paletteWheelAngle < target) g_paletteWheelAngle = target;
  }
}

void UpdateZoomAndScrollKeys() {
  if (Held('Q')) {
    if (g_latchZoomIn == 0) {
      g_latchZoomIn = 1;
      if (g_zoomLevel < 2) g_zoomLevel += 1;
    }
  } else {
    g_latchZoomIn = 0;
  }
  if (Held('E')) {
    if (g_latchZoomOut == 0) {
      g_latchZoomOut = 1;
      if (g_zoomLevel > -6) g_zoomLevel -= 1;
    }
  } else {
    g_latchZoomOut = 0;
  }

  // With Ctrl, S, A and D belong to the accelerators unless a copy drag runs.
  const bool ctrlFree = !(Held(VK_CONTROL) && g_copySourceItem == -1);
  const bool active[4] = {
      Held('W') || g_buttonHover[kButtonScrollUp] != 0,
      (Held('S') && ctrlFree) || g_buttonHover[kButtonScrollDown] != 0,
      (Held('A') && ctrlFree) || g_buttonHover[kButtonScrollLeft] != 0,
      (Held('D') && ctrlFree) || g_buttonHover[kButtonScrollRight] != 0,
  };
  for (int k = 0; k < 4; ++k) {
    if (active[k]) {
      if (g_scrollLatch[k] == 0) {
        g_scrollLatch[k] = 1;
        if (g_scrollTimer[k] == 0) {
          g_scrollTimer[k] = kScrollDoublePress;
        } else {
          g_fastScroll = 1;
        }
      }
      const float step = (float)(3 - g_zoomLevel) * (g_fastScroll ? 1.0f : 0.5f);
      switch (k) {
        case 0:
          g_cameraPos.y += step;
          if (g_cameraPos.y > 400.0f) g_cameraPos.y = 400.0f;
          break;
        case 1:
          g_cameraPos.y -= step;
          if (g_cameraPos.y < 1.0f) g_cameraPos.y = 1.0f;
          break;
        case 2:
          g_cameraPos.x -= step;
          if (g_cameraPos.x < 0.0f) g_cameraPos.x = 0.0f;
          break;
        default:
          g_cameraPos.x += step;
          if (g_cameraPos.x > 800.0f) g_cameraPos.x = 800.0f;
          break;
      }
    } else {
      g_scrollLatch[k] = 0;
    }
    if (g_scrollTimer[k] > 0) g_scrollTimer[k] -= 1;
  }
}

void UpdatePicking() {
  if (g_mousePos.x < 0 || g_mousePos.x >= 640 || g_mousePos.y < 0 || g_mousePos.y >= 480) {
    g_cursorOnStage = 0;
    return;
  }

  // The ray through the mouse, from this frame's camera.
  if (g_device != nullptr) {
    g_device->GetTransform(D3DTS_VIEW, &g_viewMatrix);
    g_device->GetTransform(D3DTS_PROJECTION, &g_projMatrix);
    g_device->GetViewport(&g_viewport);
  }
  if (g_viewport.Width == 0 || g_viewport.Height == 0) {
    // No picture has been set up yet: there is nothing to point at.
    g_cursorOnStage = 0;
    return;
  }
  const D3DXVECTOR3 screen((float)g_mousePos.x, (float)g_mousePos.y, 1.0f);
  D3DXVECTOR3 farPoint(0, 0, 0);
  if (!D3DXVec3Unproject(&farPoint, &screen, &g_viewport, &g_projMatrix, &g_viewMatrix,
                         &g_worldIdentity)) {
    // A camera that sees nothing (its matrices cannot be undone): no ray.
    g_cursorOnStage = 0;
    return;
  }
  D3DXVECTOR3 dir = farPoint - g_cameraPos;
  D3DXVec3Normalize(&dir, &dir);

  // Where the ray meets the stage plane inside the field.
  const D3DXVECTOR3 q0(0, 400, 0), q1(800, 400, 0), q2(800, 0, 0), q3(0, 0, 0);
  float u = 0, v = 0, t = 0;
  BOOL hit = D3DXIntersectTri(&q0, &q1, &q2, &g_cameraPos, &dir, &u, &v, &t);
  if (!hit) hit = D3DXIntersectTri(&q0, &q2, &q3, &g_cameraPos, &dir, &u, &v, &t);
  if (hit) {
    g_stageMouse = g_cameraPos + dir * t;
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) {
      if (GetAsyncKeyState(VK_CONTROL) & 0x8000) {
        g_stageMouse.x = SnapWithOffset(g_stageMouse.x, g_grabOffset.x);
        g_stageMouse.y = SnapWithOffset(g_stageMouse.y, g_grabOffset.y);
      } else {
        g_stageMouse.x = SnapToGrid(g_stageMouse.x);
        g_stageMouse.y = SnapToGrid(g_stageMouse.y);
      }
    }
    if (g_rightButtonDown == 0 && (g_leftButtonDown == 0 || g_copySourceItem != -1)) {
      g_cursorOnStage = 1;
    }
  } else {
    g_cursorOnStage = 0;
  }

  if (g_leftButtonDown == 0 && g_rightButtonDown == 0) {
    CreatePickRay();
    // The ray reaches as far as the camera can see, whatever the ray was made with.
    dGeomRaySetLength(g_pickRay, kPickRayLength);
    dGeomRaySet(g_pickRay, g_cameraPos.x, g_cameraPos.y, g_cameraPos.z, dir.x, dir.y, dir.z);
    CollisionQuery query;
    std::memset(&query, 0, sizeof(query));
    query.best = -1.0f;
    dSpaceCollide2(g_pickRay, (dGeomID)g_space, &query, HandleNearCollision);
    dJointGroupEmpty(g_contactGroup);

    g_hoveredItem = -1;
    g_dragTool = kToolNone;
    if (query.hit && query.other != g_groundGeom) {
      g_cursorOnStage = 0;
      for (int i = 0; i < kMaxItems; ++i) {
        const StageItem& it = g_items[i];
        if (it.state == kItemFree || it.geom != query.other) continue;
        if (it.kind == kKindTire || it.kind == kKindHiddenBox) continue;
        g_hoveredItem = i;
        break;
      }
    }

    g_hoveredJoint = -1;
    for (int j = 0; j < kMaxJoints; ++j) {
      const JointRecord& jr = g_joints[j];
      if ((jr.type != kJointRotary && jr.type != kJointFixed) || jr.joint == nullptr) continue;
      dVector3 a;
      dJointGetHingeAnchor(jr.joint, a);
      const D3DXVECTOR3 anchor((float)a[0], (float)a[1], -2.0f);
      D3DXVECTOR3 onScreen;
      D3DXVec3Project(&onScreen, &anchor, &g_viewport, &g_projMatrix, &g_viewMatrix,
                      &g_worldIdentity);
      const float dx = onScreen.x - (float)g_mousePos.x;
      const float dy = onScreen.y - (float)g_mousePos.y;
      if (sqrtf(dx * dx + dy * dy) < kJointPickRadius) {
        g_hoveredJoint = j;
        g_hoveredJointScreen = D3DXVECTOR3(onScreen.x, onScreen.y, 0.0f);
        g_hoveredItem = -1;
        break;
      }
    }
  }

  // What the hovered item touches and could be joined to.
  g_connectTarget = -1;
  if (g_hoveredItem >= 0 && g_hoveredItem < kMaxItems) {
    const StageItem& it = g_items[g_hoveredItem];
    if (it.state != kItemFree && it.kind < 10 && it.createdInMode == g_appMode) {
      CollisionQuery query;
      std::memset(&query, 0, sizeof(query));
      query.queryGeom = it.geom;
      CollideSpace(&query);
      dJointGroupEmpty(g_contactGroup);
      if (query.other != nullptr) {
        const int other = FirstItemWithGeom(query.other);
        if (other >= 0 && g_items[other].kind < 10) g_connectTarget = other;
        g_connectPoint = query.pos;
      }
    }
  }
}

void UpdateOverlapFlags() {
  for (StageItem& it : g_items) {
    if (it.state != kItemFree) it.flags &= ~(uint32_t)kFlagOverlap;
  }
  CollisionQuery query;
  std::memset(&query, 0, sizeof(query));
  CollideSpace(&query);
  dJointGroupEmpty(g_contactGroup);

  g_anyOverlap = 0;
  for (const StageItem& it : g_items) {
    if (it.state != kItemFree && (it.flags & kFlagOverlap)) {
      g_anyOverlap = 1;
      break;
    }
  }

  if (g_appMode == kModeEdit) {
    const int enabled = (g_anyOverlap == 0 && g_areaEditState == kAreaDefined) ? 1 : 0;
    if (enabled != g_testPlayEnabledCache) {
      SetEditorBarState(kEditorMenuTestPlayPos, enabled ? 0u : MFS_GRAYED);
      g_testPlayEnabledCache = enabled;
    }
  }
}

void UpdateAreaFlags() {
  g_itemOutsideArea = 0;
  const float left = g_area.corner1.x, top = g_area.corner1.y;
  const float right = g_area.corner2.x, bottom = g_area.corner2.y;
  for (StageItem& it : g_items) {
    if (it.state == kItemFree || it.createdInMode != kModePlay) continue;
    it.flags &= ~(uint32_t)kFlagOutsideArea;
    dReal box[6];
    dGeomGetAABB(it.geom, box);
    const bool inside = left <= box[0] && box[1] <= right && box[3] <= top && bottom <= box[2];
    if (!inside) {
      it.flags |= kFlagOutsideArea;
      g_itemOutsideArea = 1;
    }
  }
}

void UpdateGoalPanel() {
  switch (g_goalPanelState) {
    case 1:
      g_goalPanelAlpha += 5;
      if (g_goalPanelAlpha > 255) {
        g_goalPanelAlpha = 255;
        g_goalPanelState = 2;
        g_goalPanelHoldFrames = 0;
      }
      break;
    case 2:
      g_goalPanelHoldFrames += 1;
      if (g_goalPanelHoldFrames > 180) {
        g_goalPanelHoldFrames = 0;
        g_goalPanelState = 3;
      }
      break;
    case 3:
      g_goalPanelAlpha -= 5;
      if (g_goalPanelAlpha <= 0) {
        g_goalPanelAlpha = 0;
        g_goalPanelState = 0;
      }
      break;
    default:
      break;
  }
}

int UpdateFrame() {
  NumberConnectedGroups();
  ReadMouse();
  MoveShards();
  UpdateButtonHover();
  if (!IsRun()) EaseCameraToZoom();

  if (IsRun()) {
    UpdateRunCursor(g_mousePos);
    StepSimulation();
    HoldBodiesToPlane();
    if (g_goalType == kGoalTruck) UpdateTruckControl();
    if (g_goalType == kGoalRocketDoll) UpdateRocketCountdown();
    AdvanceAnimTick();
    UpdateClearCelebration();
  } else {
    g_animTick = 0;
    g_previewSpin += 1.0f;
  }

  UpdatePaletteKeys();
  if (!IsRun()) UpdateZoomAndScrollKeys();
  if (!Held('W') && !Held('A') && !Held('S') && !Held('D')) g_fastScroll = 0;
  UpdatePaletteWheel();

  if (!IsRun()) {
    UpdatePicking();
    UpdateOverlapFlags();
  }
  if (g_appMode == kModePlay && (g_goalType == kGoalBell || g_goalType == kGoalRocketDoll)) {
    UpdateAreaFlags();
  } else if (!IsRun()) {
    // Only the bell and doll goals have a placement area to leave.
    g_itemOutsideArea = 0;
  }

  if (IsRun()) {
    g_hoveredJoint = -1;
    ApplyRunBehaviours();
    MoveRunEffects();
    CheckRunGoals();
  }

  UpdateLeftButtonTools();
  UpdateAreaEdgeHover();
  HandleDeleteKey();
  UpdateRightButtonTools();
  HandleSpaceKey();

  g_mouseOverButton = 0;
  for (int slot = 0; slot < kButtonCount; ++slot) {
    if (g_buttonHover[slot] && SlotCounts(slot)) {
      g_mouseOverButton = 1;
      break;
    }
  }
  g_itemCount = 0;
  for (int i = 0; i < g_liveItemEnd; ++i) g_itemCount += g_items[i].state != kItemFree;

  UpdateGoalPanel();
  // Every key and button of this update has been read: a tap that was let go
  // before it counted once and is now over.
  FinishInputPoll();
  return 1;
}
