#include "world/snapshot.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/text_encoding.h"
#include "platform/win_dialog.h"
#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/shell_state.h"
#include "world/update_state.h"
#include "world/world_hooks.h"

StageItem* g_fileSnapshotItems = nullptr;
BodyState* g_fileSnapshotBodies = nullptr;
JointRecord* g_fileSnapshotJoints = nullptr;
StageItem* g_runSnapshotItems = nullptr;
BodyState* g_runSnapshotBodies = nullptr;
JointRecord* g_runSnapshotJoints = nullptr;
int32_t* g_snapshotJointList = nullptr;
int32_t g_jointListLength = 0;
UndoSlot g_undoSlots[2] = {};
int32_t g_undoIndex = 0;

static_assert(sizeof(BodyState) == 176, "a body record is 176 bytes");

void AllocateSnapshotBuffers() {
  auto items = [] { return (StageItem*)std::calloc(kMaxItems, sizeof(StageItem)); };
  auto bodies = [] { return (BodyState*)std::calloc(kMaxItems, sizeof(BodyState)); };
  auto joints = [] { return (JointRecord*)std::calloc(kMaxJoints, sizeof(JointRecord)); };
  g_fileSnapshotItems = items();
  g_fileSnapshotBodies = bodies();
  g_fileSnapshotJoints = joints();
  g_runSnapshotItems = items();
  g_runSnapshotBodies = bodies();
  g_runSnapshotJoints = joints();
  for (UndoSlot& slot : g_undoSlots) {
    slot.items = items();
    slot.bodies = bodies();
    slot.joints = joints();
    slot.jointList = nullptr;
  }
}

void FreeSnapshotBuffers() {
  std::free(g_fileSnapshotItems);
  std::free(g_fileSnapshotBodies);
  std::free(g_fileSnapshotJoints);
  std::free(g_runSnapshotItems);
  std::free(g_runSnapshotBodies);
  std::free(g_runSnapshotJoints);
  g_fileSnapshotItems = g_runSnapshotItems = nullptr;
  g_fileSnapshotBodies = g_runSnapshotBodies = nullptr;
  g_fileSnapshotJoints = g_runSnapshotJoints = nullptr;
  for (UndoSlot& slot : g_undoSlots) {
    std::free(slot.items);
    std::free(slot.bodies);
    std::free(slot.joints);
    std::free(slot.jointList);
    slot = UndoSlot{};
  }
  std::free(g_snapshotJointList);
  g_snapshotJointList = nullptr;
}

void CaptureSnapshot(int mode, StageItem* items, BodyState* bodies, JointRecord* joints,
                     int32_t** jointList) {
  std::memcpy(items, g_items, sizeof(StageItem) * kMaxItems);

  for (int j = 0; j < kMaxJoints; ++j) {
    JointRecord& jr = g_joints[j];
    if (jr.type == kJointFree || !jr.joint) continue;
    dVector3 a;
    dJointGetHingeAnchor(jr.joint, a);
    jr.anchor = D3DXVECTOR3((float)a[0], (float)a[1], (float)a[2]);
  }
  std::memcpy(joints, g_joints, sizeof(JointRecord) * kMaxJoints);

  if (mode == 0) {
    for (int i = 0; i < kMaxItems; ++i) {
      if (items[i].state != kItemFree && items[i].createdInMode != kModeEdit)
        items[i].state = kItemFree;
    }
  }

  if (*jointList) {
    std::free(*jointList);
    *jointList = nullptr;
  }
  int32_t length = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    if (items[i].state != kItemFree) length += items[i].jointCount;
  }
  if (length > 0) *jointList = (int32_t*)std::calloc((size_t)length, sizeof(int32_t));

  int32_t written = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& live = g_items[i];
    if (live.state == kItemFree) continue;
    BodyState& b = bodies[i];
    const dReal* p = dGeomGetPosition(live.geom);
    const dReal* r = dGeomGetRotation(live.geom);
    const dReal* lv = dBodyGetLinearVel(live.body);
    const dReal* av = dBodyGetAngularVel(live.body);
    for (int k = 0; k < 3; ++k) {
      b.position[k] = p[k];
      b.linearVel[k] = lv[k];
      b.angularVel[k] = av[k];
    }
    for (int k = 0; k < 12; ++k) b.rotation[k] = r[k];
    b.enabled = dBodyIsEnabled(live.body);
    if (items[i].state != kItemFree && *jointList && live.jointIndexes) {
      for (int32_t k = 0; k < live.jointCount; ++k) (*jointList)[written++] = live.jointIndexes[k];
    }
  }
  g_jointListLength = written;

  if (mode == 0) {
    for (int j = 0; j < kMaxJoints; ++j) {
      JointRecord& jr = joints[j];
      if (jr.type == kJointFree) continue;
      bool player = jr.createdInMode != kModeEdit;
      for (int32_t end : {jr.itemA, jr.itemB}) {
        if (end >= 0 && end < kMaxItems && items[end].createdInMode != kModeEdit) player = true;
      }
      if (player) jr.type = kJointFree;
    }
  }
}

namespace {

bool AllFinite(const double* v, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

// A rotation from a file may be anything; the engine needs a proper one.
// Anything that is not close to orthonormal becomes the identity.
void SanitiseRotation(const double* in, dMatrix3 out) {
  bool ok = AllFinite(in, 12);
  for (int c = 0; ok && c < 3; ++c) {
    double n = in[c] * in[c] + in[4 + c] * in[4 + c] + in[8 + c] * in[8 + c];
    if (std::fabs(n - 1.0) > 1e-3) ok = false;
  }
  if (ok) {
    for (int k = 0; k < 12; ++k) out[k] = in[k];
  } else {
    dRSetIdentity(out);
  }
}

bool Positive(float v) { return std::isfinite(v) && v > 0.0f; }

enum class Shape { kNone, kSphere, kBox, kCapsule };

struct Recipe {
  Shape massShape = Shape::kNone;
  double density = 0;
  Shape geomShape = Shape::kNone;
  dBodyID* goalHandle = nullptr;
};

// The physics recipe of a rebuilt item. Shape kNone: the record cannot be
// rebuilt (no recipe for its kind, or sizes the engine would refuse).
// Densities are single-precision quotients, as at the item's creation, so a
// rebuilt item weighs exactly what it weighed before.
Recipe RecipeFor(const StageItem& it) {
  Recipe r;
  float a = it.sizeA, b = it.sizeB;
  switch (it.kind) {
    case kKindBall:
    case kKindRubberBall:
    case kKindDollHead:
      r = {Shape::kSphere, 2.0f * (4.0f / a), Shape::kSphere};
      break;
    case kKindBox:
    case kKindRubberBox:
    case kKindHiddenBox:
    case kKindDollBody:
    case kKindDollHat:
    case kKindDollUpperArm:
    case kKindDollForearm:
    case kKindDollLeg:
    case kKindDollWaist:
      r = {Shape::kBox, 1.0, Shape::kBox};
      break;
    case kKindRocket:
      r = {Shape::kBox, 1.0, Shape::kBox, &g_rocketBody};
      break;
    case kKindToyBox:
      r = {Shape::kBox, 1.0, Shape::kBox, &g_toyBoxBody};
      break;
    case kKindTruck:
      r = {Shape::kBox, 2.0, Shape::kBox, &g_truckBody};
      break;
    case kKindCapsule:
    case kKindRubberCapsule:
      r = {Shape::kCapsule, 2.0f * (4.0f / a), Shape::kCapsule};
      break;
    case kKindGrenade:
    case kKindFan:
      r = {Shape::kCapsule, 1.0, Shape::kCapsule};
      break;
    case kKindGoalBell:
      r = {Shape::kCapsule, 1.0, Shape::kCapsule, &g_goalBellBody};
      break;
    case kKindStartBall:
      // Rebuilt with a capsule mass although its geom is a sphere.
      r = {Shape::kCapsule, 1.0, Shape::kSphere, &g_startBallBody};
      break;
    case kKindTire:
      r = {Shape::kSphere, 2.0f * (8.0f / a), Shape::kSphere};
      break;
    default:
      return Recipe{};
  }
  bool sizesOk = Positive(a);
  if (r.massShape == Shape::kBox) sizesOk = sizesOk && Positive(b);
  if (r.massShape == Shape::kCapsule) sizesOk = sizesOk && std::isfinite(b) && b >= 0.0f;
  if (!sizesOk || !std::isfinite(r.density) || r.density <= 0.0) return Recipe{};
  return r;
}

// Builds body, geom and fixed joint of a live record. False when the record
// cannot be rebuilt; nothing is left in the engine then.
bool RebuildItem(StageItem& it, const BodyState& state) {
  Recipe r = RecipeFor(it);
  if (r.massShape == Shape::kNone || !AllFinite(state.position, 3)) return false;

  dBodyID body = dBodyCreate(g_world);
  dMass m;
  dMassSetZero(&m);
  const double a = it.sizeA, b = it.sizeB;
  switch (r.massShape) {
    case Shape::kSphere: dMassSetSphere(&m, r.density, a); break;
    case Shape::kBox: dMassSetBox(&m, r.density, a, b, kBoxDepth); break;
    case Shape::kCapsule: dMassSetCapsule(&m, r.density, 3, a, b); break;
    case Shape::kNone: break;
  }
  dBodySetMass(body, &m);
  dBodySetPosition(body, state.position[0], state.position[1], state.position[2]);
  dMatrix3 rot;
  SanitiseRotation(state.rotation, rot);
  dBodySetRotation(body, rot);

  dGeomID geom = nullptr;
  switch (r.geomShape) {
    case Shape::kSphere: geom = dCreateSphere(g_space, a); break;
    case Shape::kBox: geom = dCreateBox(g_space, a, b, kBoxDepth); break;
    case Shape::kCapsule: geom = dCreateCapsule(g_space, a, b); break;
    case Shape::kNone: break;
  }
  dGeomSetBody(geom, body);
  it.body = body;
  it.geom = geom;
  if (r.goalHandle) *r.goalHandle = body;

  if (it.state == kItemFixed) {
    it.fixJoint = dJointCreateFixed(g_world, nullptr);
    dJointAttach(it.fixJoint, body, nullptr);
    dJointSetFixed(it.fixJoint);
  }

  dBodySetAutoDisableFlag(body, 1);
  dBodySetAutoDisableSteps(body, 10);
  dBodySetAutoDisableLinearThreshold(body, 0.2);
  dBodySetAutoDisableAngularThreshold(body, 0.2);
  dBodySetLinearVel(body, 0, 0, 0);
  dBodySetAngularVel(body, 0, 0, 0);
  dBodySetForce(body, 0, 0, 0);
  dBodySetTorque(body, 0, 0, 0);
  dBodyEnable(body);
  return true;
}

bool LiveItem(int32_t i) { return i >= 0 && i < kMaxItems && g_items[i].state != kItemFree; }

// A joint record can be rebuilt when it is of a known type, joins two
// different live items and has a finite anchor.
bool JointRebuildable(const JointRecord& jr) {
  if (jr.type < kJointRotary || jr.type > kJointBuiltInFixed) return false;
  if (!LiveItem(jr.itemA) || !LiveItem(jr.itemB) || jr.itemA == jr.itemB) return false;
  return std::isfinite(jr.anchor.x) && std::isfinite(jr.anchor.y) && std::isfinite(jr.anchor.z);
}

// Keeps only the list entries that name a rebuilt joint of this item, each
// once, so that destroying a joint always takes it out of the list.
void PruneJointList(int item) {
  StageItem& it = g_items[item];
  int32_t kept = 0;
  for (int32_t k = 0; k < it.jointCount; ++k) {
    int32_t j = it.jointIndexes[k];
    if (j < 0 || j >= kMaxJoints) continue;
    const JointRecord& jr = g_joints[j];
    if (jr.type == kJointFree || (jr.itemA != item && jr.itemB != item)) continue;
    bool seen = false;
    for (int32_t m = 0; m < kept && !seen; ++m) seen = it.jointIndexes[m] == j;
    if (!seen) it.jointIndexes[kept++] = j;
  }
  it.jointCount = kept;
  if (kept == 0) {
    std::free(it.jointIndexes);
    it.jointIndexes = nullptr;
  }
}

}  // namespace

void RestoreSnapshot(StageItem* items, BodyState* bodies, JointRecord* joints,
                     int32_t** jointList) {
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree) DestroyItem(i);
  }
  for (SmokePuff& p : g_smokePuffs) p.active = 0;

  std::memcpy(g_items, items, sizeof(StageItem) * kMaxItems);
  FindLiveItemEnd();
  for (StageItem& it : g_items) {
    it.geom = nullptr;
    it.body = nullptr;
    it.fixJoint = nullptr;
    it.jointIndexes = nullptr;  // the copied pointers belong to the capture's run
    if (it.state == kItemFree || it.jointCount < 0) it.jointCount = 0;
  }
  std::memcpy(g_joints, joints, sizeof(JointRecord) * kMaxJoints);
  for (int j = 0; j < kMaxJoints; ++j) g_joints[j].joint = nullptr;

  g_jointListLength = 0;
  bool reported = false;
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& it = g_items[i];
    if (it.state == kItemFree) continue;
    int32_t count = it.jointCount;
    if (count > 0) {
      it.jointIndexes = (int32_t*)std::malloc(sizeof(int32_t) * (size_t)count);
      if (*jointList) {
        std::memcpy(it.jointIndexes, *jointList + g_jointListLength,
                    sizeof(int32_t) * (size_t)count);
      } else {
        for (int32_t k = 0; k < count; ++k) it.jointIndexes[k] = -1;
      }
      g_jointListLength += count;
    }
    // A grenade keeps its fuse (its state); anything else is movable or fixed.
    bool fuse = it.kind == kKindGrenade && it.state > 0;
    if (!fuse && it.state != kItemMovable && it.state != kItemFixed) it.state = kItemMovable;
    if (!RebuildItem(it, bodies[i])) {
      // The slot stays free; its joints are dropped below. One message per
      // restore is enough to tell the user that the stage is not whole.
      if (!reported) {
        MessageBoxA(g_hWnd,
                    Cp932Text("予定外のオブジェクトがロードされようとしています。"),
                    g_appTitle, MB_OK);
        reported = true;
      }
      // Nothing of the record stays behind in the free slot.
      std::free(it.jointIndexes);
      std::memset(&it, 0, sizeof it);
    }
  }

  for (int j = 0; j < kMaxJoints; ++j) {
    JointRecord& jr = g_joints[j];
    if (jr.type == kJointFree) continue;
    if (!JointRebuildable(jr)) {
      jr.type = kJointFree;
      continue;
    }
    jr.joint = dJointCreateHinge(g_world, nullptr);
    dJointAttach(jr.joint, g_items[jr.itemA].body, g_items[jr.itemB].body);
    dJointSetHingeAnchor(jr.joint, jr.anchor.x, jr.anchor.y, jr.anchor.z);
    dJointSetHingeAxis(jr.joint, 0, 0, 1);
    if (jr.type == kJointFixed || jr.type == kJointBuiltInFixed) {
      dJointSetHingeParam(jr.joint, dParamLoStop, 0);
      dJointSetHingeParam(jr.joint, dParamHiStop, 0);
    }
  }
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree && g_items[i].jointCount > 0) PruneJointList(i);
  }

  g_bellSwing = 0;
  g_animTick = 0;
  g_stageCleared = 0;
  ClearItemSelection();
  for (Sparkle& s : g_sparkles) s.active = 0;
}

void CaptureUndoSlot(UndoSlot* slot) {
  if (slot->items == nullptr || slot->bodies == nullptr || slot->joints == nullptr) return;
  CaptureSnapshot(g_appMode, slot->items, slot->bodies, slot->joints, &slot->jointList);
  slot->area = g_area;
  slot->areaState = g_areaEditState;
  if (slot->areaState == kAreaDrawing || slot->areaState == kAreaMovingEdge)
    slot->areaState = FinishAreaDrag(&slot->area);
}

void RestoreUndoSlot(UndoSlot* slot) {
  if (slot->items == nullptr || slot->bodies == nullptr || slot->joints == nullptr) return;
  RestoreSnapshot(slot->items, slot->bodies, slot->joints, &slot->jointList);
  g_area = slot->area;
  g_areaEditState = slot->areaState;
}

void ResetUndoPair() {
  for (UndoSlot& slot : g_undoSlots) CaptureUndoSlot(&slot);
}

AreaEditState FinishAreaDrag(AreaCorners* area) {
  if (area->corner2.x < area->corner1.x) std::swap(area->corner1.x, area->corner2.x);
  if (area->corner2.y > area->corner1.y) std::swap(area->corner1.y, area->corner2.y);
  if (fabsf(area->corner1.x - area->corner2.x) < kMinAreaSide ||
      fabsf(area->corner1.y - area->corner2.y) < kMinAreaSide) {
    area->corner2 = area->corner1;
    return kAreaNone;
  }
  return kAreaDefined;
}

void ClearStage() {
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree) DestroyItem(i);
  }
  for (SmokePuff& p : g_smokePuffs) p.active = 0;
  // Shards of a joint broken on the last stage would go on falling over the new one.
  for (Shard& s : g_shards) s.life = 0;
  g_goalBellBody = nullptr;
  g_startBallBody = nullptr;
  g_truckBody = nullptr;
  g_dollBody = nullptr;
  g_areaEditState = kAreaNone;
  g_areaEdgeHover = 0;
  g_stageName[0] = '\0';
  g_stagePath[0] = '\0';
  g_stageFileChosen = 0;
  g_stageModified = 0;
  g_clearVerified = 0;
  g_bellSwing = 0;
  g_animTick = 0;
  g_stageCleared = 0;
  g_truckOverviewCamera = 0;
  g_truckFlipFrames = 0;
  for (Sparkle& s : g_sparkles) s.active = 0;
  NotifyTitleChanged();
  g_itemBarOpen = 0;
  g_itemBarCloseTimer = 0;
  g_itemBarHeight = 0;
  g_cameraPos = D3DXVECTOR3(400.0f, 10.0f, -50.0f);
  g_zoomLevel = 2;
}
