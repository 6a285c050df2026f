#include "game/resize.h"

#include <cmath>

#include "game/tool_shared.h"
#include "platform/win_input.h"
#include "world/globals.h"
#include "world/joints.h"
#include "world/rotations.h"

namespace {

enum class ResizeShape { kNone, kBall, kBox, kBar };

ResizeShape ShapeOf(int kind) {
  switch (kind) {
    case kKindBall:
    case kKindRubberBall:
      return ResizeShape::kBall;
    case kKindBox:
    case kKindRubberBox:
      return ResizeShape::kBox;
    case kKindCapsule:
    case kKindRubberCapsule:
      return ResizeShape::kBar;
    default:
      return ResizeShape::kNone;
  }
}

// The geom class each shape is made with; a mismatch (which item creation
// never makes) is left alone rather than handed to the engine.
int GeomClassOf(ResizeShape shape) {
  switch (shape) {
    case ResizeShape::kBall:
      return dSphereClass;
    case ResizeShape::kBox:
      return dBoxClass;
    default:
      return dCapsuleClass;
  }
}

// Keeps v within lo..hi; a NaN becomes lo, so nothing unusable can come out.
float Clamp(float v, float lo, float hi) { return std::fmin(std::fmax(v, lo), hi); }

// The working sizes are not limited (the item follows them back from beyond
// its limits), but they must stay positive and finite: a size that underflowed
// to 0 could never grow again and one that overflowed could never shrink.
constexpr float kWorkingMin = 1e-30f;
constexpr float kWorkingMax = 1e30f;

// The mouse motion since the previous step as a scale factor, at least 0.01.
float Factor(int delta) {
  const float f = (float)delta / 100.0f + 1.0f;
  return f < 0.01f ? 0.01f : f;
}

}  // namespace

void ResizeHoveredItem() {
  const int item = g_hoveredItem;
  if (item < 0 || item >= kMaxItems || g_items[item].state == kItemFree) return;
  StageItem& it = g_items[item];
  const ResizeShape shape = ShapeOf(it.kind);
  if (shape == ResizeShape::kNone || it.geom == nullptr || it.body == nullptr) return;
  if (dGeomGetClass(it.geom) != GeomClassOf(shape)) return;

  // Which item axis lies closest to the screen's horizontal.
  D3DXMATRIX R;
  ConvertOdeRotationToMatrix(dGeomGetRotation(it.geom), &R);
  const D3DXVECTOR3 unitX(1.0f, 0.0f, 0.0f);
  D3DXVECTOR3 localX;
  D3DXVec3TransformNormal(&localX, &unitX, &R);
  const float cosA = Clamp(D3DXVec3Dot(&localX, &unitX), -1.0f, 1.0f);
  const float a = acosf(cosA) * kRadToDeg;
  const bool turned = a > 45.0f && a < 135.0f;

  const float fx = Factor(g_mousePos.x - g_pressMouseX);
  if (turned && shape != ResizeShape::kBall) {
    g_resizeSize2 *= fx;
  } else {
    g_resizeSize1 *= fx;
  }
  if (shape != ResizeShape::kBall) {
    // Client y grows downwards: dragging down enlarges.
    const float fy = Factor(g_mousePos.y - g_pressMouseY);
    if (turned) {
      g_resizeSize1 *= fy;
    } else {
      g_resizeSize2 *= fy;
    }
  }
  g_pressMouseX = g_mousePos.x;
  g_pressMouseY = g_mousePos.y;
  g_resizeSize1 = Clamp(g_resizeSize1, kWorkingMin, kWorkingMax);
  // A ball's second size is never scaled: it is carried along as it was
  // (often 0), so it must not be pulled up to the working minimum.
  if (shape != ResizeShape::kBall) g_resizeSize2 = Clamp(g_resizeSize2, kWorkingMin, kWorkingMax);

  float A = g_resizeSize1;
  float B = g_resizeSize2;
  if (GetAsyncKeyState(VK_SHIFT) & 0x8000) {
    const float stepA = shape == ResizeShape::kBox ? 4.0f : 2.0f;
    const float stepB = shape == ResizeShape::kBall ? 2.0f : 4.0f;
    A = truncf(g_resizeSize1 / stepA) * stepA;
    B = truncf(g_resizeSize2 / stepB) * stepB;
  }

  // The item never shrinks so far that a joint anchor falls outside its
  // bounding rectangle (tested per axis in the item's own frame).
  if (it.jointCount > 0 && it.jointIndexes != nullptr) {
    D3DXMATRIX inverse;
    if (D3DXMatrixInverse(&inverse, nullptr, &R) == nullptr) D3DXMatrixTranspose(&inverse, &R);
    D3DXVECTOR3 position;
    ConvertOdeVectorToVector3(dGeomGetPosition(it.geom), &position);
    float mx = 0.0f, my = 0.0f;
    for (int k = 0; k < it.jointCount; ++k) {
      const int j = it.jointIndexes[k];
      if (j < 0 || j >= kMaxJoints || g_joints[j].type == kJointFree) continue;
      if (g_joints[j].joint == nullptr) continue;
      dVector3 anchor;
      dJointGetHingeAnchor(g_joints[j].joint, anchor);
      const D3DXVECTOR3 offset = D3DXVECTOR3((float)anchor[0], (float)anchor[1], (float)anchor[2]) -
                                 position;
      D3DXVECTOR3 local;
      D3DXVec3TransformCoord(&local, &offset, &inverse);
      const float x = fabsf(local.x);
      const float y = fabsf(shape == ResizeShape::kBar ? local.z : local.y);
      if (x > mx) mx = x;
      if (y > my) my = y;
    }
    switch (shape) {
      case ResizeShape::kBall:
        if (mx > A || my > A) {
          const D3DXVECTOR3 reach(mx, my, 0.0f);
          A = D3DXVec3Length(&reach);
        }
        break;
      case ResizeShape::kBox:
        if (mx > A / 2.0f) A = 2.0f * mx;
        if (my > B / 2.0f) B = 2.0f * my;
        break;
      default:
        if (mx > A) A = mx;
        if (my > B / 2.0f + A) B = 2.0f * (my - A);
        break;
    }
  }

  dMass mass;
  dMassSetZero(&mass);
  switch (shape) {
    case ResizeShape::kBall:
      A = Clamp(A, 1.0f, 20.0f);
      dGeomSphereSetRadius(it.geom, A);
      dMassSetSphere(&mass, 8.0f / A, A);
      break;
    case ResizeShape::kBox:
      A = Clamp(A, 2.0f, 80.0f);
      B = Clamp(B, 2.0f, 80.0f);
      dGeomBoxSetLengths(it.geom, A, B, kBoxDepth);
      dMassSetBox(&mass, 1.0f, A, B, kBoxDepth);
      break;
    default:
      A = Clamp(A, 1.0f, 20.0f);
      B = Clamp(B, 1.0f, 80.0f);
      dGeomCapsuleSetParams(it.geom, A, B);
      dMassSetCapsule(&mass, 8.0f / A, 3, A, B);
      break;
  }
  dBodySetMass(it.body, &mass);
  it.sizeA = A;
  it.sizeB = B;
}
