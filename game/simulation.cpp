#include "game/simulation.h"

#include <cmath>
#include <cstring>

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

// The rotation the pass gives a body is a function of its current rotation
// rounded to single precision alone (and of whether the item is capsule
// shaped; anything else loses its couplings between z and the plane), and so
// is what the engine makes of it: the orthogonalised matrix and the quaternion
// it stores. A body whose rounded rotation gives the rotation of its last pass
// (a resting or sleeping body, or one turning by less than a float's step)
// gets the engine's stored result of then again, written straight into the
// body, without the matrix arithmetic of the capsule turn or the engine's
// conversions. What the engine stores is copied bit for bit, so the pose is
// the one setting the rotation would have made.
struct alignas(64) PlaneMemo {
  bool valid = false;
  bool capsule = false;
  float key[12];
  dReal R[12];
  dReal q[4];
};
PlaneMemo g_planeMemo[kMaxItems];

// Widens values already rounded to single precision. It is never inlined nor
// cloned, and no caller sees into it (noipa), on purpose: the pass rounds
// doubles to float and widens them back, and GCC 12.2's vectoriser, seeing
// both conversions of two neighbouring values in one function, turns them
// into a vector narrowing and a vector widening (V2DF to V2SF and back),
// which a later redundancy pass then folds away as if the pair did nothing:
// at -O3 the first two entries of a box's or ball's rotation (and at -O2 a
// pair as simple as `r[0] = (float)p[0]; r[1] = (float)p[1];`) came out
// unrounded, and a Release build played every run differently. With the
// rounding in the caller and the widening here, no one function holds both
// conversions for any optimiser to pair, whatever the optimisation level.
__attribute__((noipa)) void WidenRounded(const float* rounded, int count, dReal* to) {
  for (int k = 0; k < count; ++k) to[k] = (dReal)rounded[k];
}

// The rotation the pass asks of a body whose rotation rounds to `rounded`
// (a box's or ball's couplings may already be dropped: they go anyway).
void PlaneRotation(const float* rounded, bool capsule, dMatrix3 R) {
  if (capsule) {
    D3DXMATRIX m;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 4; ++j) m.m[j][i] = rounded[4 * i + j];
    m._14 = 0.0f;
    m._24 = 0.0f;
    m._34 = 0.0f;
    m._44 = 1.0f;
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
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 4; ++j) R[4 * i + j] = (dReal)m.m[j][i];
  } else {
    // As through the drawing library's float matrix and back: every entry
    // rounded to single precision, the couplings between z and the plane
    // (the matrix's _13, _23, _31, _32) dropped.
    WidenRounded(rounded, 12, R);
    R[8] = 0;  // _13
    R[9] = 0;  // _23
    R[2] = 0;  // _31
    R[6] = 0;  // _32
  }
}

}  // namespace

void HoldBodiesToPlane() {
  const int end = g_liveItemEnd;
  for (int i = 0; i < end; ++i) {
    StageItem& it = g_items[i];
    if (it.state == kItemFree) continue;
    dGeomID geom = it.geom;
    dBodyID body = it.body;
    const bool capsule = IsCapsuleShaped(it.kind);
    // Every item's geom rides on its body; should one not, the pass goes the
    // long way through the geom.
    const bool ownBody = body != nullptr && dGeomGetBody(geom) == body;

    // The engine hands out its own storage of the pose and motion; the pass
    // reads and writes them there.
    dReal* current = const_cast<dReal*>(dGeomGetRotation(geom));
    dReal* w = const_cast<dReal*>(dBodyGetAngularVel(body));
    // What the rotation to set depends on: all of the rounded matrix for a
    // capsule, all but the dropped couplings for anything else.
    float key[12];
    for (int k = 0; k < 12; ++k) key[k] = (float)current[k];
    if (!capsule) key[2] = key[6] = key[8] = key[9] = 0.0f;
    // A body that spins about z has just turned in the step: its rotation is
    // not the one of its last pass, so it is not looked up (nor kept).
    const bool lookUp = ownBody && w[2] == 0;
    PlaneMemo& memo = g_planeMemo[i];
    if (lookUp && memo.valid && memo.capsule == capsule &&
        std::memcmp(key, memo.key, sizeof key) == 0) {
      std::memcpy(current, memo.R, sizeof memo.R);
      std::memcpy(const_cast<dReal*>(dBodyGetQuaternion(body)), memo.q, sizeof memo.q);
      // Setting the position below marks the geom moved, as setting the
      // rotation would have: the space sees the same moves in the same order.
    } else {
      dMatrix3 R;
      PlaneRotation(key, capsule, R);
      if (ownBody) {
        dBodySetRotation(body, R);  // what setting the geom's rotation does
        if (lookUp) {
          memo.valid = true;
          memo.capsule = capsule;
          std::memcpy(memo.key, key, sizeof key);
          std::memcpy(memo.R, current, sizeof memo.R);
          std::memcpy(memo.q, dBodyGetQuaternion(body), sizeof memo.q);
        }
      } else {
        dGeomSetRotation(geom, R);
      }
    }

    dReal wz = w[2];
    if (wz > 0) {
      wz = std::fmax(wz - kSpinFade, 0.0);
    } else if (wz < 0) {
      wz = std::fmin(wz + kSpinFade, 0.0);
    }
    w[0] = 0;
    w[1] = 0;
    w[2] = wz;

    // The position goes through the drawing library's float vector, so every
    // pass also rounds x and y to single precision. (Through the body, which
    // is what setting the geom's position does for a geom on a body.)
    const dReal* pos = ownBody ? dBodyGetPosition(body) : dGeomGetPosition(geom);
    const float rounded[2] = {(float)pos[0], (float)pos[1]};
    dReal xy[2];
    WidenRounded(rounded, 2, xy);
    if (ownBody) {
      dBodySetPosition(body, xy[0], xy[1], 0);
    } else {
      dGeomSetPosition(geom, xy[0], xy[1], 0);
    }
  }
}
