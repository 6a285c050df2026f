#include "game/simulation.h"

#include <cmath>

#include "world/collision.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/types.h"

void StepSimulation() {
  CollideSpace(nullptr);
  // The quick step shuffles its constraints with the engine's own generator;
  // reseeding it makes every run from the same placed state the same.
  dRandSetSeed(0);
  dWorldQuickStep(g_world, kStepSize);
  dJointGroupEmpty(g_contactGroup);
}

namespace {

bool IsCapsuleShaped(int kind) {
  return kind == kKindCapsule || kind == kKindRubberCapsule || kind == kKindGoalBell ||
         kind == kKindFan;
}

// Spin about z fades by this much per pass (rad/s), never past zero.
constexpr dReal kSpinFade = 0.01;

}  // namespace

void HoldBodiesToPlane() {
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& it = g_items[i];
    if (it.state == kItemFree) continue;

    const dReal* current = dGeomGetRotation(it.geom);
    dMatrix3 R;
    if (IsCapsuleShaped(it.kind)) {
      D3DXMATRIX m;
      ConvertOdeRotationToMatrix(current, &m);
      // Turn the capsule about its own x axis until its axis is square to z.
      const D3DXVECTOR3 zAxis(0, 0, 1);
      D3DXVECTOR3 axis;
      D3DXVec3TransformNormal(&axis, &zAxis, &m);
      float d = D3DXVec3Dot(&axis, &zAxis);
      if (d > 1.0f) d = 1.0f;
      if (d < -1.0f) d = -1.0f;
      const float theta = ArcCosine(d) * kRadToDeg;
      D3DXMATRIX upright;
      D3DXMatrixRotationX(&upright, (90.0f - theta) * kDegToRad);
      m = upright * m;
      ConvertMatrixToOdeRotation(&m, R);
    } else {
      // As through the drawing library's float matrix and back: every entry
      // rounded to single precision, the couplings between z and the plane
      // (the matrix's _13, _23, _31, _32) dropped.
      for (int k = 0; k < 12; ++k) R[k] = (dReal)(float)current[k];
      R[8] = 0;  // _13
      R[9] = 0;  // _23
      R[2] = 0;  // _31
      R[6] = 0;  // _32
    }
    dGeomSetRotation(it.geom, R);

    dReal wz = dBodyGetAngularVel(it.body)[2];
    if (wz > 0) {
      wz = std::fmax(wz - kSpinFade, 0.0);
    } else if (wz < 0) {
      wz = std::fmin(wz + kSpinFade, 0.0);
    }
    dBodySetAngularVel(it.body, 0, 0, wz);

    // The position goes through the drawing library's float vector, so every
    // pass also rounds x and y to single precision.
    D3DXVECTOR3 pos;
    ConvertOdeVectorToVector3(dGeomGetPosition(it.geom), &pos);
    dGeomSetPosition(it.geom, pos.x, pos.y, 0);
  }
}
