// The first stretch of the overlay pass: goal markers, warnings, the labels
// of what lies under the mouse and the gizmo arrows of the editor tools.
#include <cmath>

#include "game/overlays.h"
#include "game/update.h"
#include "platform/text_encoding.h"
#include "platform/win_input.h"
#include "render/hud_widgets.h"
#include "render/render_state.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/rotations.h"

int32_t g_motorIconAngle = 0;

const char* const SpeedLabels[5] = {
    Cp932Text("速さ１"), Cp932Text("速さ２"), Cp932Text("速さ３"),
    Cp932Text("速さ４"), Cp932Text("速さ５"),
};

namespace {

constexpr RECT kAtlasMotorIcon = {347, 128, 415, 171};
constexpr RECT kAtlasMoveArrow = {2, 2, 37, 62};
constexpr RECT kAtlasRotateArrow = {40, 2, 100, 67};
constexpr RECT kAtlasResizeArrow = {103, 2, 138, 62};

// Label texts, Shift-JIS.
const char* const kTextAreaOver = Cp932Text("エリアオーバー");
const char* const kTextOverlap = Cp932Text("めり込み");
const char* const kTextConnectable = Cp932Text("接続可");
const char* const kTextFixedItem = Cp932Text("固定アイテム");
const char* const kTextLeftMotorItem = Cp932Text("左モーター付きアイテム");
const char* const kTextRightMotorItem = Cp932Text("右モーター付きアイテム");
const char* const kTextMovableItem = Cp932Text("可動アイテム");
const char* const kTextRubber = Cp932Text("ゴム付き");
const char* const kTextRotaryJoint = Cp932Text("回転ジョイント");
const char* const kTextFixedJoint = Cp932Text("固定ジョイント");

constexpr D3DCOLOR kGizmoColour = 0x9BFFFFFF;

// Hint contexts that show gizmo arrows.
constexpr int kContextMove = 2;
constexpr int kContextRotate = 3;
constexpr int kContextResize = 7;

struct LabelColours {
  D3DCOLOR border, fill, text;
};

// A text in a bordered box: the box's inner top-left is (x, y), its inner
// size w x h; the text starts 2 pixels in.
void DrawLabel(float x, float y, float w, float h, LabelColours c, const char* text) {
  DrawFilledBox(x - 1.0f, y - 1.0f, w + 2.0f, h + 2.0f, c.border);
  DrawFilledBox(x, y, w, h, c.fill);
  DrawOverlayText(g_labelFont, text, x + 2.0f, y + 2.0f, c.text);
}

// A world point on the screen with this frame's camera.
D3DXVECTOR3 Project(const D3DXVECTOR3& world, const D3DVIEWPORT9& viewport) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  D3DXVECTOR3 out;
  D3DXVec3Project(&out, &world, &viewport, &g_projMatrix, &g_viewMatrix, &identity);
  return out;
}

D3DXVECTOR3 BodyPosition(dBodyID body) {
  D3DXVECTOR3 p;
  ConvertOdeVectorToVector3(dBodyGetPosition(body), &p);
  return p;
}

D3DXVECTOR3 GeomPosition(const StageItem& item) {
  D3DXVECTOR3 p;
  ConvertOdeVectorToVector3(dGeomGetPosition(item.geom), &p);
  return p;
}

// A live item with a geom, or null.
const StageItem* LiveItem(int index) {
  if (index < 0 || index >= kMaxItems) return nullptr;
  const StageItem& item = g_items[index];
  if (item.state == kItemFree || item.geom == nullptr) return nullptr;
  return &item;
}

bool IsRubberKind(int kind) {
  return kind == kKindRubberBall || kind == kKindRubberBox || kind == kKindRubberCapsule;
}

void DrawGoalMarkers(const D3DVIEWPORT9& viewport) {
  D3DXVECTOR3 s;
  switch (g_goalType) {
    case kGoalBell:
      if (g_goalBellBody != nullptr) {
        s = Project(BodyPosition(g_goalBellBody), viewport);
        DrawGoalMarker(kMarkerBell, &s);
      }
      break;
    case kGoalStartBall:
    case kGoalTruck: {
      dBodyID carried = g_goalType == kGoalStartBall ? g_startBallBody : g_truckBody;
      if (carried == nullptr) break;
      s = Project(BodyPosition(carried), viewport);
      DrawGoalMarker(kMarkerObject, &s);
      if (g_areaEditState == kAreaDefined) {
        s = Project((g_area.corner1 + g_area.corner2) / 2.0f, viewport);
        DrawGoalMarker(kMarkerGoal, &s);
      }
      break;
    }
    case kGoalRocketDoll:
      if (g_rocketBody != nullptr) {
        s = Project(BodyPosition(g_rocketBody), viewport);
        DrawGoalMarker(kMarkerObject, &s);
      }
      if (g_toyBoxBody != nullptr) {
        s = Project(BodyPosition(g_toyBoxBody), viewport);
        DrawGoalMarker(kMarkerGoal, &s);
      }
      break;
    default:
      break;
  }
}

void DrawWarnings(const D3DVIEWPORT9& viewport) {
  const LabelColours red = {0xC8FF0000, 0xC8FFFFFF, 0xFFFF0000};
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem* item = LiveItem(i);
    if (item == nullptr || item->flags == 0) continue;
    const D3DXVECTOR3 s = Project(GeomPosition(*item), viewport);
    if ((item->flags & kFlagOutsideArea) != 0 && g_appMode == kModePlay) {
      DrawLabel(s.x - 40.0f, s.y + 20.0f, 80.0f, 16.0f, red, kTextAreaOver);
    } else if ((item->flags & kFlagOverlap) != 0 && i != g_connectTarget && i != g_hoveredItem) {
      DrawLabel(s.x - 10.0f, s.y + 20.0f, 48.0f, 16.0f, red, kTextOverlap);
    }
  }
}

void DrawMotorIcon(const StageItem& item, const D3DXVECTOR3& s) {
  D3DXMATRIX m, turn, move;
  D3DXMatrixIdentity(&m);
  if (item.motorSpeed < 0) D3DXMatrixScaling(&m, -1.0f, 1.0f, 1.0f);  // turning the other way
  D3DXMatrixRotationZ(&turn, (float)g_motorIconAngle * kDegToRad);
  D3DXMatrixTranslation(&move, s.x, s.y, 0.0f);
  m = m * turn * move;
  g_sprite->SetTransform(&m);
  const D3DXVECTOR3 centre(34.0f, 21.0f, 0.0f);
  g_sprite->Draw(g_spriteAtlas, &kAtlasMotorIcon, &centre, nullptr, 0xC8FFFFFF);
}

void DrawKindLabel(const StageItem& item, const D3DXVECTOR3& l) {
  const bool movable = item.state == kItemMovable;
  const bool motor = movable && item.motorSpeed != 0;
  const char* text = !movable               ? kTextFixedItem
                     : item.motorSpeed > 0  ? kTextLeftMotorItem
                     : item.motorSpeed < 0  ? kTextRightMotorItem
                                            : kTextMovableItem;
  LabelColours c;
  if (g_appMode == kModeEdit || item.createdInMode == kModePlay) {
    c.border = 0xC8000000;
    c.text = 0xFF000000;
    c.fill = !movable ? 0xC8FFFFFF : motor ? 0xC896FF96 : 0xC800FFFF;
  } else {
    // A stage part seen by the player: it cannot be changed.
    c = {0xC8FF0000, 0xC8FFFFFF, 0xFFFF0000};
  }
  // The room of the long motor texts is kept by any item with a speed set.
  if (item.motorSpeed != 0) {
    DrawLabel(l.x - 50.0f, l.y - 50.0f, 126.0f, 16.0f, c, text);
  } else {
    DrawLabel(l.x - 50.0f, l.y - 30.0f, 72.0f, 16.0f, c, text);
  }
}

// The arrow `image` with its centre `centre`, pushed out by `offset` and
// turned by `degrees` about the item's screen point s.
void DrawGizmoArrow(const RECT& image, const D3DXVECTOR3& centre, float offsetX, float offsetY,
                    float degrees, const D3DXVECTOR3& s) {
  D3DXMATRIX push, turn, move, m;
  D3DXMatrixTranslation(&push, offsetX, offsetY, 0.0f);
  D3DXMatrixRotationZ(&turn, degrees * kDegToRad);
  D3DXMatrixTranslation(&move, s.x, s.y, 0.0f);
  m = push * turn * move;
  g_sprite->SetTransform(&m);
  g_sprite->Draw(g_spriteAtlas, &image, &centre, nullptr, kGizmoColour);
}

void DrawGizmos(int hintContext, const StageItem& item, const D3DXVECTOR3& s) {
  // The item's angle on the screen, whose y runs downwards.
  D3DXMATRIX rotation;
  ConvertOdeRotationToMatrix(dGeomGetRotation(item.geom), &rotation);
  const D3DXVECTOR3 unitX(1.0f, 0.0f, 0.0f);
  D3DXVECTOR3 v;
  D3DXVec3TransformNormal(&v, &unitX, &rotation);
  float d = v.x;
  if (d > 1.0f) d = 1.0f;
  if (d < -1.0f) d = -1.0f;
  float a = acosf(d) * kRadToDeg;
  if (v.y > 0.0f) a = -a;

  const D3DXVECTOR3 moveCentre(17.0f, 30.0f, 0.0f);
  const D3DXVECTOR3 rotateCentre(30.0f, 32.0f, 0.0f);
  const D3DXVECTOR3 resizeCentre(17.0f, 30.0f, 0.0f);
  if (hintContext == kContextMove) {
    for (int k = 0; k < 4; ++k)
      DrawGizmoArrow(kAtlasMoveArrow, moveCentre, 0.0f, 80.0f, 90.0f * (float)k, s);
  } else if (hintContext == kContextRotate) {
    if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0) {
      DrawGizmoArrow(kAtlasRotateArrow, rotateCentre, -60.0f, 60.0f, a, s);
      DrawGizmoArrow(kAtlasRotateArrow, rotateCentre, -60.0f, 60.0f, a + 180.0f, s);
    }
  } else if (hintContext == kContextResize) {
    if ((GetAsyncKeyState(VK_RBUTTON) & 0x8000) == 0) {
      if (item.kind == kKindBall || item.kind == kKindRubberBall) {
        // A ball has one size: only the sideways arrows, not turned with it.
        DrawGizmoArrow(kAtlasResizeArrow, resizeCentre, 0.0f, 100.0f, 90.0f, s);
        DrawGizmoArrow(kAtlasResizeArrow, resizeCentre, 0.0f, 100.0f, 270.0f, s);
      } else {
        for (int k = 0; k < 4; ++k)
          DrawGizmoArrow(kAtlasResizeArrow, resizeCentre, 0.0f, 100.0f, a + 90.0f * (float)k, s);
      }
    }
  }
}

}  // namespace

void TurnMotorIcon() {
  if (g_mouseOverButton != 0) return;
  const StageItem* hovered = LiveItem(g_hoveredItem);
  if (hovered == nullptr || hovered->state != kItemMovable || hovered->motorSpeed == 0) return;
  g_motorIconAngle -= hovered->motorSpeed * 40 / 30;
}

void DrawLabelsAndGizmos(int hintContext) {
  if (g_sprite == nullptr || g_device == nullptr) return;
  D3DVIEWPORT9 viewport;
  g_device->GetViewport(&viewport);

  // Where the labels of the hovered item or joint go.
  const StageItem* hovered = LiveItem(g_hoveredItem);
  const StageItem* target = LiveItem(g_connectTarget);
  D3DXVECTOR3 s(0, 0, 0), q(0, 0, 0), l(0, 0, 0);
  if (hovered != nullptr) {
    D3DXVECTOR3 at = GeomPosition(*hovered);
    at.z = -2.0f;
    s = Project(at, viewport);
    l = s;
    if (target != nullptr) {
      q = Project(g_connectPoint, viewport);
      // Move the labels out of the way of the connection label.
      if (s.x - 70.0f < q.x && q.x < s.x + 20.0f && s.y - 60.0f < q.y && q.y < s.y + 10.0f)
        l.x = s.x + 80.0f;
    }
  } else if (g_hoveredJoint != -1) {
    l = g_hoveredJointScreen;
  }

  g_sprite->Begin(D3DXSPRITE_ALPHABLEND);

  if (g_appMode != kModeRun) DrawGoalMarkers(viewport);
  if (g_appMode == kModeEdit || g_appMode == kModePlay) DrawWarnings(viewport);

  if (g_mouseOverButton != 0) return;

  if (hovered != nullptr) {
    if (target != nullptr) {
      DrawLabel(q.x - 20.0f, q.y + 10.0f, 40.0f, 16.0f, {0xC8000000, 0xC8FFFF00, 0xFF000000},
                kTextConnectable);
    }
    const bool motor = hovered->state == kItemMovable && hovered->motorSpeed != 0;
    if (motor) {
      DrawMotorIcon(*hovered, s);
      TurnMotorIcon();
    }
    DrawKindLabel(*hovered, l);
    if (IsRubberKind(hovered->kind)) {
      DrawLabel(l.x + 30.0f, l.y - 20.0f, 50.0f, 16.0f, {0xC8000000, 0xC8646464, 0xC8FFFFFF},
                kTextRubber);
    }
    if (motor) {
      int speed = hovered->motorSpeed < 0 ? -hovered->motorSpeed : hovered->motorSpeed;
      if (speed > 5) speed = 5;
      DrawLabel(l.x - 55.0f, l.y + 25.0f, 35.0f, 16.0f, {0xC8000000, 0xC8FFC8C8, 0xC8000000},
                SpeedLabels[speed - 1]);
    }
  }

  if (g_hoveredJoint >= 0 && g_hoveredJoint < kMaxJoints &&
      g_joints[g_hoveredJoint].type != kJointFree) {
    if (g_joints[g_hoveredJoint].type == kJointRotary) {
      DrawLabel(l.x - 25.0f, l.y - 30.0f, 75.0f, 16.0f, {0xC8000000, 0xC8FFFF96, 0xFF000000},
                kTextRotaryJoint);
    } else {
      DrawLabel(l.x - 25.0f, l.y - 30.0f, 75.0f, 16.0f, {0xC8000000, 0xC8FF9696, 0xFF000000},
                kTextFixedJoint);
    }
  }

  if (hintContext != -1 && hovered != nullptr) DrawGizmos(hintContext, *hovered, s);
}
