#include "world/joints.h"

#include <cstdlib>

#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joint_records.h"
#include "world/physics_world.h"
#include "world/rotations.h"

namespace {

bool IsLiveItem(int item) {
  return item >= 0 && item < kMaxItems && g_items[item].state != kItemFree;
}

D3DXVECTOR3 BodyPosition(int item) {
  D3DXVECTOR3 p;
  const dReal* v = dBodyGetPosition(g_items[item].body);
  p.x = (float)v[0];
  p.y = (float)v[1];
  p.z = (float)v[2];
  return p;
}

// Direction from the anchor to the item in the plane, normalised.
D3DXVECTOR3 PlaneDirection(int item, const D3DXVECTOR3& anchor) {
  D3DXVECTOR3 d = BodyPosition(item) - anchor;
  d.z = 0.0f;
  D3DXVec3Normalize(&d, &d);
  return d;
}

}  // namespace

int CreateHingeJoint(int itemA, int itemB, const D3DXVECTOR3* anchor, int builtIn) {
  // The engine aborts on a joint between a body and itself, and a joint needs
  // two live items to hang on.
  if (!IsLiveItem(itemA) || !IsLiveItem(itemB) || itemA == itemB || !anchor) return -1;
  int index = -1;
  for (int j = 0; j < kMaxJoints; ++j) {
    if (g_joints[j].type == kJointFree) {
      index = j;
      break;
    }
  }
  if (index < 0) return -1;

  // Grow both lists before anything is committed, so that a failed
  // allocation leaves every table as it was (a grown block is still valid).
  StageItem& first = g_items[itemA];
  StageItem& second = g_items[itemB];
  void* grownA = std::realloc(first.jointIndexes, sizeof(int32_t) * (first.jointCount + 1));
  if (!grownA) return -1;
  first.jointIndexes = static_cast<int32_t*>(grownA);
  void* grownB = std::realloc(second.jointIndexes, sizeof(int32_t) * (second.jointCount + 1));
  if (!grownB) return -1;
  second.jointIndexes = static_cast<int32_t*>(grownB);

  JointRecord& rec = g_joints[index];
  rec.type = builtIn ? kJointBuiltInRotary : kJointRotary;
  rec.joint = dJointCreateHinge(g_world, nullptr);

  D3DXVECTOR3 dA = PlaneDirection(itemA, *anchor);
  D3DXVECTOR3 dB = PlaneDirection(itemB, *anchor);
  D3DXVECTOR3 cross;
  D3DXVec3Cross(&cross, &dA, &dB);
  if (cross.z > 0.0f) {
    dJointAttach(rec.joint, second.body, first.body);
    rec.itemA = itemB;
    rec.itemB = itemA;
  } else {
    dJointAttach(rec.joint, first.body, second.body);
    rec.itemA = itemA;
    rec.itemB = itemB;
  }
  rec.createdInMode = g_appMode;
  rec.anchor = *anchor;

  dJointSetHingeAnchor(rec.joint, anchor->x, anchor->y, anchor->z);
  dJointSetHingeAxis(rec.joint, 0, 0, 1);
  dJointSetHingeParam(rec.joint, dParamStopCFM, 0);
  dJointSetHingeParam(rec.joint, dParamCFM, 0);
  dJointSetHingeParam(rec.joint, dParamStopERP, kErp);
  dJointSetHingeParam(rec.joint, dParamERP, kErp);
  dJointSetHingeParam(rec.joint, dParamLoStop, -kHingeNoLimit);
  dJointSetHingeParam(rec.joint, dParamHiStop, kHingeNoLimit);

  first.jointIndexes[first.jointCount++] = index;
  second.jointIndexes[second.jointCount++] = index;
  return index;
}

// ---------------------------------------------------------------------------
// Assemblies

void MarkConnectedGroup(int item, int group) {
  StageItem& it = g_items[item];
  if (it.group != 0) return;
  it.group = group;
  if (g_dollBody != nullptr && it.body == g_dollBody) g_dollGroup = group;
  for (int k = 0; k < it.jointCount; ++k) {
    const JointRecord& j = g_joints[it.jointIndexes[k]];
    const int partner = j.itemA == item ? j.itemB : j.itemA;
    if (IsLiveItem(partner)) MarkConnectedGroup(partner, group);
  }
}

void NumberConnectedGroups() {
  const int end = g_liveItemEnd;
  for (int i = 0; i < end; ++i) {
    if (g_items[i].state != kItemFree) g_items[i].group = 0;
  }
  int counter = 1;
  for (int i = 0; i < end; ++i) {
    if (g_items[i].state == kItemFree || g_items[i].jointCount < 1) continue;
    MarkConnectedGroup(i, counter);
    ++counter;  // also when the item was reached through an earlier one
  }
}

namespace {

// The partner of `item` across joint `joint`.
int JointPartner(int joint, int item) {
  const JointRecord& j = g_joints[joint];
  return j.itemA == item ? j.itemB : j.itemA;
}

// A player's item dragged away from a stage part tears the joint: shards fly
// from where the hinge is now and the joint goes.
void BreakJoint(int item, int joint) {
  dVector3 anchor = {0, 0, 0, 0};
  if (g_joints[joint].joint != nullptr) dJointGetHingeAnchor(g_joints[joint].joint, anchor);
  const D3DXVECTOR3 at((float)anchor[0], (float)anchor[1], 0);
  SpawnShardBurst(&at, 20);
  DestroyJoint(item, joint);
}

// After a walk into a partner, which may have torn joints of this item too,
// the entry to look at next: the one after `joint`, or the one that has moved
// into its place.
int NextEntry(const StageItem& it, int k, int joint) {
  return (k < it.jointCount && it.jointIndexes[k] == joint) ? k + 1 : k;
}

}  // namespace

void MoveConnectedItems(int item, const D3DXVECTOR3* delta, int* visited) {
  visited[item] = 1;
  StageItem& it = g_items[item];
  int k = 0;
  while (k < it.jointCount) {
    const int joint = it.jointIndexes[k];
    const int partner = JointPartner(joint, item);
    if (!IsLiveItem(partner) || visited[partner]) {
      ++k;
      continue;
    }
    StageItem& p = g_items[partner];
    if (g_appMode == kModePlay && p.createdInMode == kModeEdit) {
      BreakJoint(item, joint);  // the next entry moves into place k
      continue;
    }
    const dReal* pos = dGeomGetPosition(p.geom);
    const dReal x = pos[0] + delta->x, y = pos[1] + delta->y, z = pos[2] + delta->z;
    dBodySetPosition(p.body, x, y, z);
    if (p.state == kItemFixed && p.fixJoint != nullptr) dJointSetFixed(p.fixJoint);
    MoveConnectedItems(partner, delta, visited);
    k = NextEntry(it, k, joint);
  }
}

void RotateConnectedItems(int item, float angleDeg, int* visited) {
  visited[item] = 1;
  StageItem& it = g_items[item];
  int k = 0;
  while (k < it.jointCount) {
    const int joint = it.jointIndexes[k];
    const int partner = JointPartner(joint, item);
    if (!IsLiveItem(partner) || visited[partner]) {
      ++k;
      continue;
    }
    StageItem& p = g_items[partner];
    if (g_appMode == kModePlay && p.createdInMode == kModeEdit) {
      // Turning tears the item off the stage part and off everything else.
      while (it.jointCount > 0) BreakJoint(item, it.jointIndexes[0]);
      return;
    }
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, angleDeg * kDegToRad);
    D3DXVECTOR3 pos;
    ConvertOdeVectorToVector3(dGeomGetPosition(p.geom), &pos);
    const D3DXVECTOR3 r = pos - g_rotationPivot;
    D3DXVECTOR3 turned;
    D3DXVec3TransformCoord(&turned, &r, &turn);
    const D3DXVECTOR3 placed = g_rotationPivot + turned;
    dGeomSetPosition(p.geom, placed.x, placed.y, placed.z);
    D3DXMATRIX rotation;
    ConvertOdeRotationToMatrix(dGeomGetRotation(p.geom), &rotation);
    rotation = rotation * turn;
    dMatrix3 R;
    ConvertMatrixToOdeRotation(&rotation, R);
    dGeomSetRotation(p.geom, R);
    if (p.state == kItemFixed && p.fixJoint != nullptr) dJointSetFixed(p.fixJoint);
    RotateConnectedItems(partner, angleDeg, visited);
    k = NextEntry(it, k, joint);
  }
}
