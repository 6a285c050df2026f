#include "world/items.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "world/globals.h"
#include "world/joint_records.h"
#include "world/physics_world.h"
#include "world/rotations.h"

dBodyID g_goalBellBody = nullptr;
dBodyID g_startBallBody = nullptr;
dBodyID g_truckBody = nullptr;
dBodyID g_rocketBody = nullptr;
dBodyID g_toyBoxBody = nullptr;
dBodyID g_dollBody = nullptr;

namespace {

enum class Shape { kSphere, kBox, kCapsule };
enum class Fixing { kCallerDecides, kAlwaysFixed, kAlwaysMovable };

// How one item kind becomes physics.
struct ItemRecipe {
  Shape shape;
  float defaultA;  // used when sizeA is passed as 0
  float defaultB;  // ignored by spheres, whose sizeB is left alone
  // Spheres and player capsules weigh density / sizeA, everything else a flat density.
  bool densityPerRadius;
  float density;
  Fixing fixing;
  dBodyID* goalBody;  // goal-body handle the kind keeps, or null
  // The upright turn also goes onto the geom before it is attached (the goal
  // bell only turns its body; the attached geom follows the body either way).
  bool turnGeom;
};

// Null for kinds the game never creates directly (3, the grenade, 8..0x13).
const ItemRecipe* RecipeOf(int kind) {
  static const ItemRecipe kBall = {Shape::kSphere, 2.0f, 0.0f, true, 8.0f,
                                   Fixing::kCallerDecides, nullptr, false};
  static const ItemRecipe kBox = {Shape::kBox, 4.0f, 4.0f, false, 1.0f,
                                  Fixing::kCallerDecides, nullptr, false};
  static const ItemRecipe kCapsule = {Shape::kCapsule, 1.0f, 6.0f, true, 8.0f,
                                      Fixing::kCallerDecides, nullptr, true};
  static const ItemRecipe kGoalBell = {Shape::kCapsule, 2.0f, 2.5f, false, 1.0f,
                                       Fixing::kAlwaysFixed, &g_goalBellBody, false};
  static const ItemRecipe kStartBall = {Shape::kSphere, 2.5f, 0.0f, true, 8.0f,
                                        Fixing::kAlwaysMovable, &g_startBallBody, false};
  static const ItemRecipe kFan = {Shape::kCapsule, 5.0f / 4.0f, 5.0f, false, 1.0f,
                                  Fixing::kAlwaysFixed, nullptr, true};
  static const ItemRecipe kTruck = {Shape::kBox, 16.0f, 8.0f, false, 2.0f,
                                    Fixing::kCallerDecides, &g_truckBody, false};
  static const ItemRecipe kTire = {Shape::kSphere, 4.0f, 0.0f, true, 16.0f,
                                   Fixing::kCallerDecides, nullptr, false};
  static const ItemRecipe kRocket = {Shape::kBox, 6.0f, 12.0f, false, 1.0f,
                                     Fixing::kAlwaysFixed, &g_rocketBody, false};
  static const ItemRecipe kToyBox = {Shape::kBox, 4.0f, 4.0f, false, 1.0f,
                                     Fixing::kCallerDecides, &g_toyBoxBody, false};
  switch (kind) {
    case kKindBall:
    case kKindRubberBall:
    case kKindDollHead:
      return &kBall;
    case kKindBox:
    case kKindRubberBox:
    case kKindHiddenBox:
    case kKindDollBody:
    case kKindDollHat:
    case kKindDollUpperArm:
    case kKindDollForearm:
    case kKindDollLeg:
    case kKindDollWaist:
      return &kBox;
    case kKindCapsule:
    case kKindRubberCapsule:
      return &kCapsule;
    case kKindGoalBell:
      return &kGoalBell;
    case kKindStartBall:
      return &kStartBall;
    case kKindFan:
      return &kFan;
    case kKindTruck:
      return &kTruck;
    case kKindTire:
      return &kTire;
    case kKindRocket:
      return &kRocket;
    case kKindToyBox:
      return &kToyBox;
    default:
      return nullptr;
  }
}

// Sizes and places the engine can take. Its hash space aborts on a geom whose
// cell index (coordinate / size) leaves the int range, and its mass and
// inertia maths fails on absurdly large shapes; the game itself never goes
// beyond 80 units for a size or far beyond the stage for a place.
constexpr float kMinItemSize = 0.01f;
constexpr float kMaxItemSize = 10000.0f;
constexpr float kMaxItemCoordinate = 1000000.0f;

bool IsUsableSize(float v) {
  return std::isfinite(v) && v >= kMinItemSize && v <= kMaxItemSize;
}

bool IsUsablePosition(const D3DXVECTOR3& p) {
  const float c[3] = {p.x, p.y, p.z};
  for (float v : c)
    if (!std::isfinite(v) || std::fabs(v) > kMaxItemCoordinate) return false;
  return true;
}

// The engine turns a rotation into a quaternion and aborts when there is
// none to be had, so only (nearly) orthonormal, finite 3 x 3 blocks pass.
// The translation row also reaches it, as the ignored fourth elements.
bool IsUsableRotation(const D3DXMATRIX& m) {
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 3; ++col)
      if (!std::isfinite(m.m[row][col])) return false;
  for (int a = 0; a < 3; ++a) {
    for (int b = a; b < 3; ++b) {
      double dot = 0.0;
      for (int k = 0; k < 3; ++k) dot += (double)m.m[a][k] * (double)m.m[b][k];
      if (std::fabs(dot - (a == b ? 1.0 : 0.0)) > 1e-3) return false;
    }
  }
  return true;
}

// Player items must start on the stage field: x/4 truncated within 0..200 and
// y within 0..400.
bool IsInsideField(const D3DXVECTOR3& p) {
  float q = std::trunc(p.x / 4.0f);
  return !(q < 0.0f || q > 200.0f || p.y < 0.0f || p.y > 400.0f);
}

// A geom's data holds its item's slot + 1 (0: not tagged).
void TagGeom(dGeomID geom, int item) { dGeomSetData(geom, (void*)(intptr_t)(item + 1)); }

// Capsules lie along their local z axis; this quarter turn about x stands them
// along the world y axis.
void UprightRotation(dMatrix3 R) {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, 0.0f, D3DX_PI / 2.0f, 0.0f);
  ConvertMatrixToOdeRotation(&m, R);
}

}  // namespace

int CreateItem(D3DXVECTOR3 position, const D3DXMATRIX* rotation, float sizeA, float sizeB,
               int kind, int movable) {
  if (!g_world || !g_space) return -1;  // no physics world yet
  const ItemRecipe* recipe = RecipeOf(kind);
  if (!recipe) return -1;
  if (!IsUsablePosition(position)) return -1;
  if (rotation && !IsUsableRotation(*rotation)) return -1;
  if (kind < kFirstStagePartKind && !IsInsideField(position)) return -1;

  int index = -1;
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state == kItemFree) {
      index = i;
      break;
    }
  }
  if (index < 0) return -1;
  StageItem& item = g_items[index];

  // Sizes first, so that a refusal leaves the slot as it was. Spheres keep
  // the slot's old sizeB when the defaults are asked for.
  float newA = sizeA;
  float newB = sizeB;
  if (sizeA == 0.0f) {
    newA = recipe->defaultA;
    newB = recipe->shape == Shape::kSphere ? item.sizeB : recipe->defaultB;
  }
  if (!IsUsableSize(newA)) return -1;
  if (recipe->shape != Shape::kSphere && !IsUsableSize(newB)) return -1;

  item.state = kItemMovable;
  if (index >= g_liveItemEnd) g_liveItemEnd = index + 1;
  item.kind = kind;
  item.sizeA = newA;
  item.sizeB = newB;
  item.createdInMode = g_appMode;
  item.flags = 0;
  item.alpha = 255;
  item.geom = nullptr;
  item.body = nullptr;
  item.fixJoint = nullptr;
  item.jointIndexes = nullptr;
  item.jointCount = 0;
  item.motorSpeed = 0;

  dBodyID body = dBodyCreate(g_world);
  dMass mass;
  dMassSetZero(&mass);
  const float density = recipe->densityPerRadius ? recipe->density / item.sizeA : recipe->density;
  switch (recipe->shape) {
    case Shape::kSphere:
      dMassSetSphere(&mass, density, item.sizeA);
      break;
    case Shape::kBox:
      dMassSetBox(&mass, density, item.sizeA, item.sizeB, kBoxDepth);
      break;
    case Shape::kCapsule:
      dMassSetCapsule(&mass, density, 3, item.sizeA, item.sizeB);
      break;
  }
  if (recipe->goalBody) *recipe->goalBody = body;
  dBodySetMass(body, &mass);
  dBodySetPosition(body, position.x, position.y, position.z);

  dGeomID geom = nullptr;
  switch (recipe->shape) {
    case Shape::kSphere:
      geom = dCreateSphere(g_space, item.sizeA);
      break;
    case Shape::kBox:
      geom = dCreateBox(g_space, item.sizeA, item.sizeB, kBoxDepth);
      break;
    case Shape::kCapsule: {
      dMatrix3 upright;
      UprightRotation(upright);
      dBodySetRotation(body, upright);
      geom = dCreateCapsule(g_space, item.sizeA, item.sizeB);
      if (recipe->turnGeom) dGeomSetRotation(geom, upright);
      break;
    }
  }
  dGeomSetBody(geom, body);
  TagGeom(geom, index);
  item.geom = geom;
  item.body = body;

  if (rotation) {
    dMatrix3 R;
    ConvertMatrixToOdeRotation(rotation, R);
    dGeomSetRotation(geom, R);
  }

  bool fixed;
  switch (recipe->fixing) {
    case Fixing::kAlwaysFixed:
      fixed = true;
      break;
    case Fixing::kAlwaysMovable:
      fixed = false;
      break;
    default:
      fixed = movable == 0;
      break;
  }
  if (fixed) {
    item.fixJoint = dJointCreateFixed(g_world, nullptr);
    dJointAttach(item.fixJoint, body, nullptr);
    dJointSetFixed(item.fixJoint);
    item.state = kItemFixed;
  }

  dBodySetAutoDisableFlag(body, 1);
  dBodySetAutoDisableSteps(body, 10);
  dBodySetAutoDisableLinearThreshold(body, 0.2);
  dBodySetAutoDisableAngularThreshold(body, 0.2);
  return index;
}

void DestroyItem(int item) {
  if (item < 0 || item >= kMaxItems) return;
  StageItem& it = g_items[item];
  if (it.state == kItemFree) return;

  if (it.fixJoint) {
    dJointDestroy(it.fixJoint);
    it.fixJoint = nullptr;
  }
  if (it.jointIndexes) {
    std::free(it.jointIndexes);
  }
  it.jointIndexes = nullptr;
  it.jointCount = 0;

  it.state = kItemFree;
  if (it.geom) {
    dGeomSetData(it.geom, nullptr);
    dGeomDestroy(it.geom);
  }
  it.geom = nullptr;
  dBodyID body = it.body;
  if (body) dBodyDestroy(body);

  dBodyID* goalBodies[] = {&g_startBallBody, &g_goalBellBody, &g_truckBody,
                           &g_rocketBody,    &g_toyBoxBody,   &g_dollBody};
  for (dBodyID* handle : goalBodies)
    if (body && *handle == body) *handle = nullptr;
  it.body = nullptr;

  g_cursorOnStage = 0;

  // The hinges lost this body above; their records go now, and with them the
  // entries in the partners' lists.
  for (int j = 0; j < kMaxJoints; ++j) {
    const JointRecord& rec = g_joints[j];
    if (rec.type != kJointFree && (rec.itemA == item || rec.itemB == item)) DestroyJoint(item, j);
  }
  g_hoveredItem = -1;

  while (g_liveItemEnd > 0 && g_items[g_liveItemEnd - 1].state == kItemFree) --g_liveItemEnd;
}

int32_t g_liveItemEnd = 0;

void FindLiveItemEnd() {
  int end = kMaxItems;
  while (end > 0 && g_items[end - 1].state == kItemFree) --end;
  g_liveItemEnd = end;
}

int ItemOfGeom(dGeomID geom) {
  if (geom == nullptr) return -1;
  const intptr_t tag = (intptr_t)dGeomGetData(geom);
  if (tag >= 1 && tag <= kMaxItems) {
    const StageItem& it = g_items[tag - 1];
    if (it.state != kItemFree && it.geom == geom) return (int)tag - 1;
  }
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree && g_items[i].geom == geom) {
      TagGeom(geom, i);
      return i;
    }
  }
  return -1;
}

void SelectAllItems() {
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree && g_items[i].createdInMode == g_appMode)
      g_items[i].flags |= kFlagSelected;
}

void ClearItemSelection() {
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree) g_items[i].flags &= ~(uint32_t)kFlagSelected;
}
