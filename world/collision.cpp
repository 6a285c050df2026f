#include "world/collision.h"

#include <cfloat>
#include <cstring>

#include "game/goal_reached.h"
#include "render/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/types.h"

int32_t g_contactCount = 0;

namespace {

constexpr int kMaxContacts = 60;
constexpr int kStepContacts = 5;
// Contacts deeper than this mark items as overlapping in the editor.
constexpr dReal kOverlapDepth = 0.1;

// Contact materials of a pair during a run.
enum Material { kMaterialPlain = 0, kMaterialOneRubber = 1, kMaterialTwoRubber = 2, kMaterialTire = 3 };

int FindItemByGeom(dGeomID geom) {
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree && g_items[i].geom == geom) return i;
  }
  return -1;
}

bool IsRubberKind(int kind) {
  return kind == kKindRubberBall || kind == kKindRubberBox || kind == kKindRubberCapsule;
}

// A body is pinned when one of its joints holds it to the static world: the
// world joint of a fixed item, or a ground contact made earlier in the pass.
bool IsPinned(dBodyID body) {
  const int count = dBodyGetNumJoints(body);
  for (int i = 0; i < count; ++i) {
    dJointID joint = dBodyGetJoint(body, i);
    if (dJointGetBody(joint, 0) == nullptr || dJointGetBody(joint, 1) == nullptr) return true;
  }
  return false;
}

dReal SmallestDepth(const dContact* contacts, int n) {
  dReal depth = contacts[0].geom.depth;
  for (int i = 1; i < n; ++i) {
    if (contacts[i].geom.depth < depth) depth = contacts[i].geom.depth;
  }
  return depth;
}

// Index of the contact whose point lies nearest to p (the first of equals).
int NearestContact(const dContact* contacts, int n, const dReal* p) {
  int best = 0;
  dReal bestDist = 0;
  for (int i = 0; i < n; ++i) {
    const dReal dx = contacts[i].geom.pos[0] - p[0];
    const dReal dy = contacts[i].geom.pos[1] - p[1];
    const dReal dz = contacts[i].geom.pos[2] - p[2];
    const dReal dist = dx * dx + dy * dy + dz * dz;
    if (i == 0 || dist < bestDist) {
      best = i;
      bestDist = dist;
    }
  }
  return best;
}

// The pick ray keeps, of all geoms it crosses, the one with the smallest
// width + height; the ground's unbounded box loses to any item.
void RecordRayHit(CollisionQuery* query, dGeomID ray, dGeomID target, const dContact* contacts,
                  int n) {
  const int nearest = NearestContact(contacts, n, dGeomGetPosition(ray));
  dReal aabb[6];
  dGeomGetAABB(target, aabb);
  const float size = (float)((aabb[1] - aabb[0]) + (aabb[3] - aabb[2]));
  if (size < query->best || query->best == -1.0f) {
    const dContactGeom& c = contacts[nearest].geom;
    query->hit = 1;
    query->best = size;
    query->other = target;
    query->pos = D3DXVECTOR3((float)c.pos[0], (float)c.pos[1], (float)c.pos[2]);
    query->normal = D3DXVECTOR3((float)-c.normal[0], (float)-c.normal[1], (float)-c.normal[2]);
  }
}

// A doll part that strikes a fixed player item throws the whole doll away
// from it: every part stops and the doll's body flies off at speed 150.
void BounceDoll(dGeomID o1, int fixedItem, const dContact* contacts, int n) {
  if (g_dollBody == nullptr) return;
  const int nearest = NearestContact(contacts, n, dBodyGetPosition(g_dollBody));
  const dContactGeom& c = contacts[nearest].geom;
  // Contact normals point toward o1; turn the normal to point away from the
  // fixed item.
  D3DXVECTOR3 normal((float)c.normal[0], (float)c.normal[1], (float)c.normal[2]);
  if (g_items[fixedItem].geom == o1) normal = -normal;
  D3DXVec3Normalize(&normal, &normal);
  normal *= 150.0f;
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state == kItemFree || g_items[i].group != g_dollGroup) continue;
    dBodySetLinearVel(g_items[i].body, 0, 0, 0);
    dBodySetAngularVel(g_items[i].body, 0, 0, 0);
  }
  dBodySetLinearVel(g_dollBody, normal.x, normal.y, 0);
  const D3DXVECTOR3 at((float)c.pos[0], (float)c.pos[1], 0);
  const D3DXVECTOR3 still(0, 0, 0);
  SpawnSmokePuff(&at, &still, 0.0f, 1.0f, 16);
}

}  // namespace

void HandleNearCollision(void* data, dGeomID o1, dGeomID o2) {
  CollisionQuery* query = static_cast<CollisionQuery*>(data);
  dBodyID b1 = dGeomGetBody(o1);
  dBodyID b2 = dGeomGetBody(o2);
  const bool inRun = g_appMode == kModeRun;

  // Jointed items never touch.
  if (b1 && b2 && dAreConnectedExcluding(b1, b2, dJointTypeContact)) return;

  // Parts of one assembly pass through each other during a run.
  if (inRun && b1 && b2 && dBodyGetNumJoints(b1) >= 1 && dBodyGetNumJoints(b2) >= 1) {
    int firstGroup = 0;
    bool foundFirst = false;
    for (int i = 0; i < kMaxItems; ++i) {
      const StageItem& it = g_items[i];
      if (it.state == kItemFree || (it.geom != o1 && it.geom != o2)) continue;
      if (!foundFirst) {
        firstGroup = it.group;
        foundFirst = true;
      } else {
        if (firstGroup != 0 && it.group == firstGroup) return;
        break;
      }
    }
  }

  // Two fixed items never touch.
  if (b1 && IsPinned(b1) && b2 && IsPinned(b2)) return;

  dContact contacts[kMaxContacts];
  std::memset(contacts, 0, sizeof(contacts));
  const bool connectQuery = query != nullptr && query->queryGeom != nullptr;
  const int limit = connectQuery ? kMaxContacts : kStepContacts;
  const int n = dCollide(o1, o2, limit, &contacts[0].geom, sizeof(dContact));
  g_contactCount += n;
  if (n <= 0) return;

  // The pick ray makes no contacts; it only reports what it crosses.
  if (dGeomGetClass(o1) == dRayClass || dGeomGetClass(o2) == dRayClass) {
    if (query == nullptr) return;
    const bool firstIsRay = dGeomGetClass(o1) == dRayClass;
    RecordRayHit(query, firstIsRay ? o1 : o2, firstIsRay ? o2 : o1, contacts, n);
    return;
  }

  int material = kMaterialPlain;
  const bool withGround = o1 == g_groundGeom || o2 == g_groundGeom;
  if (withGround) {
    const int item = FindItemByGeom(o1 == g_groundGeom ? o2 : o1);
    if (item >= 0) {
      StageItem& it = g_items[item];
      if (it.state == kItemFixed) return;  // fixed items never touch the ground
      if (!inRun) {
        if (SmallestDepth(contacts, n) > kOverlapDepth) it.flags |= kFlagOverlap;
      } else if (IsRubberKind(it.kind)) {
        material = kMaterialOneRubber;
      } else if (it.kind == kKindTire) {
        material = kMaterialTire;
      }
    }
  } else {
    // The goal bell struck by anything that is free to move.
    if (inRun && g_goalType == kGoalBell && g_stageCleared == 0 && g_goalBellBody != nullptr &&
        (b1 == g_goalBellBody || b2 == g_goalBellBody)) {
      dBodyID other = b1 == g_goalBellBody ? b2 : b1;
      if (other != nullptr && !IsPinned(other)) {
        const dReal bellX = dBodyGetPosition(g_goalBellBody)[0];
        const dReal otherX = dBodyGetPosition(other)[0];
        g_bellSwing = bellX <= otherX ? 180 : 0;
        HandleGoalReached();
      }
    }

    // Connect query: the first item touching the probed geom, with the mean
    // of their contact points on the plane.
    if (connectQuery && query->other == nullptr && (o1 == query->queryGeom || o2 == query->queryGeom)) {
      query->other = o1 == query->queryGeom ? o2 : o1;
      for (int i = 0; i < n; ++i) {
        query->pos += D3DXVECTOR3((float)contacts[i].geom.pos[0], (float)contacts[i].geom.pos[1], 0);
      }
      query->hit = 1;
      query->pos /= (float)n;
    }

    // Overlap pass of the editor: deep contacts mark both items, except parts
    // of one assembly, and only items of the current mode get the mark.
    if (!inRun && query != nullptr && query->queryGeom == nullptr && query->other == nullptr &&
        SmallestDepth(contacts, n) > kOverlapDepth) {
      const int i1 = FindItemByGeom(o1);
      const int i2 = FindItemByGeom(o2);
      if (i1 >= 0 && i2 >= 0 && !(g_items[i1].group != 0 && g_items[i1].group == g_items[i2].group)) {
        if (g_items[i1].createdInMode == g_appMode) g_items[i1].flags |= kFlagOverlap;
        if (g_items[i2].createdInMode == g_appMode) g_items[i2].flags |= kFlagOverlap;
      }
    }

    if (inRun) {
      const int i1 = FindItemByGeom(o1);
      const int i2 = FindItemByGeom(o2);
      const int k1 = i1 >= 0 ? g_items[i1].kind : -1;
      const int k2 = i2 >= 0 ? g_items[i2].kind : -1;
      if (k1 == kKindTire || k2 == kKindTire) {
        material = kMaterialTire;
      } else {
        material = (IsRubberKind(k1) ? 1 : 0) + (IsRubberKind(k2) ? 1 : 0);
      }

      // The launched doll passes through the toy box's own body and bounces
      // off fixed player items.
      if (g_goalType == kGoalRocketDoll && g_dollGroup > 0 && i1 >= 0 && i2 >= 0) {
        int other = -1;
        if (g_items[i1].group == g_dollGroup) {
          other = i2;
        } else if (g_items[i2].group == g_dollGroup) {
          other = i1;
        }
        if (other >= 0) {
          if (g_toyBoxBody != nullptr && g_items[other].body == g_toyBoxBody) return;
          if (g_items[other].state == kItemFixed && g_items[other].kind < kFirstStagePartKind) {
            BounceDoll(o1, other, contacts, n);
          }
        }
      }
    }
  }

  dReal slip;
  if (withGround) {
    slip = material == kMaterialPlain ? 0.001 : 0.0001;
  } else if (material == kMaterialPlain) {
    slip = 0.008;
  } else if (material == kMaterialOneRubber) {
    slip = 0.001;
  } else {
    slip = 0.0005;
  }

  for (int i = 0; i < n; ++i) {
    dContact& c = contacts[i];
    c.surface.mode = dContactBounce | dContactSoftERP | dContactSoftCFM | dContactSlip1 | dContactSlip2;
    c.surface.mu = DBL_MAX;
    c.surface.bounce = 0.00001;
    c.surface.bounce_vel = 0;
    c.surface.soft_erp = 0.2;
    c.surface.soft_cfm = 0;
    c.surface.slip1 = slip;
    c.surface.slip2 = slip;
    dJointID joint = dJointCreateContact(g_world, g_contactGroup, &c);
    dJointAttach(joint, b1, b2);
  }
}
