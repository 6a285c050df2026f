#include "world/rocket_doll.h"

#include <cmath>

#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/types.h"

namespace {

enum DollPart {
  kPartBody,
  kPartHead,
  kPartLeftUpperArm,
  kPartRightUpperArm,
  kPartLeftForearm,
  kPartRightForearm,
  kPartWaist,
  kPartLeftLeg,
  kPartRightLeg,
  kPartHat,
};

struct PartRecipe {
  int kind;
  float dx, dy;  // from the launch point, y up
  float sizeA, sizeB;
};

// In the order the parts are made; the table's order decides their slots.
const PartRecipe kParts[kDollPartCount] = {
    {kKindDollBody, 0.0f, 0.0f, 3.0f, 4.0f},
    {kKindDollHead, 0.0f, 3.0f, 1.2f, 0.0f},
    {kKindDollUpperArm, -1.5f, 0.5f, 1.0f, 3.0f},
    {kKindDollUpperArm, 1.5f, 0.5f, 1.0f, 3.0f},
    {kKindDollForearm, -1.5f, -2.5f, 1.0f, 3.0f},
    {kKindDollForearm, 1.5f, -2.5f, 1.0f, 3.0f},
    {kKindDollWaist, 0.0f, -3.0f, 3.0f, 2.0f},
    {kKindDollLeg, -1.0f, -6.5f, 1.5f, 6.0f},
    {kKindDollLeg, 1.0f, -6.5f, 1.5f, 6.0f},
    {kKindDollHat, 0.0f, 5.0f, 2.0f, 2.0f},
};

struct HingeRecipe {
  int first, second;  // as passed; the joint code orders the pair itself
  float dx, dy;       // anchor offset from the launch point
  float lowDeg, highDeg;
};

const HingeRecipe kHinges[kDollJointCount] = {
    {kPartHead, kPartBody, 0.0f, 2.0f, -45.0f, 45.0f},                    // neck
    {kPartBody, kPartLeftUpperArm, -1.5f, 2.0f, 20.0f, 160.0f},           // left shoulder
    {kPartBody, kPartRightUpperArm, 1.5f, 2.0f, 20.0f, 160.0f},           // right shoulder
    {kPartBody, kPartWaist, 0.0f, -2.0f, -20.0f, 20.0f},                  // waist
    {kPartWaist, kPartLeftLeg, -1.0f, -3.0f, 0.0f, 70.0f},                // left hip
    {kPartWaist, kPartRightLeg, 1.0f, -3.0f, 0.0f, 70.0f},                // right hip
    {kPartHead, kPartHat, 0.0f, 5.0f, 0.0f, 0.0f},                        // hat
    {kPartLeftUpperArm, kPartLeftForearm, -1.5f, -0.5f, -20.0f, 100.0f},  // left elbow
    {kPartRightUpperArm, kPartRightForearm, 1.5f, -0.5f, -100.0f, 20.0f}, // right elbow
};

// The stops are given in degrees and set in radians with this pi.
constexpr float kStopPi = 3.1415927f;

float StopRadians(float deg) { return deg * kStopPi / 180.0f; }

bool HasRoomForDoll() {
  int freeItems = 0;
  for (int i = 0; i < kMaxItems; ++i) freeItems += g_items[i].state == kItemFree;
  int freeJoints = 0;
  for (int j = 0; j < kMaxJoints; ++j) freeJoints += g_joints[j].type == kJointFree;
  return freeItems >= kDollPartCount && freeJoints >= kDollJointCount;
}

float WrapAngle(float angleDeg) {
  // Far-out angles are brought near first; a subtraction of 360 would no
  // longer change them.
  if (std::fabs(angleDeg) > 3600.0f) angleDeg = std::fmod(angleDeg, 360.0f);
  while (angleDeg > 180.0f) angleDeg -= 360.0f;
  while (angleDeg < -180.0f) angleDeg += 360.0f;
  return angleDeg;
}

}  // namespace

void LaunchRocketDoll(D3DXVECTOR3 position, float angleDeg) {
  if (!g_world || !std::isfinite(angleDeg)) return;
  // A doll with a missing limb or hinge would fly apart: build all of it or
  // none.
  if (!HasRoomForDoll()) return;
  const float angle = WrapAngle(angleDeg);
  position.z = 0.0f;

  int parts[kDollPartCount];
  int made = 0;
  bool complete = true;
  for (; made < kDollPartCount; ++made) {
    const PartRecipe& r = kParts[made];
    const D3DXVECTOR3 at(position.x + r.dx, position.y + r.dy, position.z);
    parts[made] = CreateItem(at, nullptr, r.sizeA, r.sizeB, r.kind, 1);
    if (parts[made] < 0) {
      complete = false;
      break;
    }
    if (made == kPartBody) g_dollBody = g_items[parts[made]].body;
  }
  int joints[kDollJointCount];
  for (int h = 0; complete && h < kDollJointCount; ++h) {
    const HingeRecipe& r = kHinges[h];
    const D3DXVECTOR3 anchor(position.x + r.dx, position.y + r.dy, position.z);
    joints[h] = CreateHingeJoint(parts[r.first], parts[r.second], &anchor, 1);
    if (joints[h] < 0) complete = false;
  }
  if (!complete) {
    // Destroying the parts takes their hinges and g_dollBody with them.
    for (int k = 0; k < made; ++k) DestroyItem(parts[k]);
    return;
  }

  // Turn the figure as one: the body part here, the rest through its joints.
  const int body = parts[kPartBody];
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, angle * kDegToRad);
  dMatrix3 R;
  ConvertMatrixToOdeRotation(&turn, R);
  dGeomSetRotation(g_items[body].geom, R);
  g_rotationPivot = position;
  int visited[kMaxItems] = {};
  RotateConnectedItems(body, angle, visited);

  for (int h = 0; h < kDollJointCount; ++h) {
    const dJointID j = g_joints[joints[h]].joint;
    dJointSetHingeParam(j, dParamLoStop, StopRadians(kHinges[h].lowDeg));
    dJointSetHingeParam(j, dParamHiStop, StopRadians(kHinges[h].highDeg));
  }

  const D3DXVECTOR3 up(0.0f, 200.0f, 0.0f);
  D3DXVECTOR3 velocity;
  D3DXVec3TransformCoord(&velocity, &up, &turn);
  dBodySetLinearVel(g_items[body].body, velocity.x, velocity.y, velocity.z);
  // The angle's degrees are taken as radians per second as they stand.
  dBodySetAngularVel(g_items[body].body, 0.0, 0.0, angle);
}
