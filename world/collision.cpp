#include "world/collision.h"

#include <cfloat>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <emmintrin.h>
#include <vector>

#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/types.h"
#include "world/update_state.h"
#include "world/world_hooks.h"

int32_t g_contactCount = 0;

namespace {

constexpr int kMaxContacts = 60;
constexpr int kStepContacts = 5;
// Contacts deeper than this mark items as overlapping in the editor.
constexpr dReal kOverlapDepth = 0.1;

// Contact materials of a pair during a run.
enum Material { kMaterialPlain = 0, kMaterialOneRubber = 1, kMaterialTwoRubber = 2, kMaterialTire = 3 };

bool IsRubberKind(int kind) {
  return kind == kKindRubberBall || kind == kKindRubberBox || kind == kKindRubberCapsule;
}

// Asks the engine whether some joint of the body has the static world on one
// side (for a body that is no item's, or a pass made straight with
// dSpaceCollide). Slow in a crowded pass: each step of the walk starts again
// from the head of the body's joint list, where the pass adds its contacts.
bool HasWorldJoint(dBodyID body) {
  const int count = dBodyGetNumJoints(body);
  for (int i = 0; i < count; ++i) {
    dJointID joint = dBodyGetJoint(body, i);
    if (dJointGetBody(joint, 0) == nullptr || dJointGetBody(joint, 1) == nullptr) return true;
  }
  return false;
}

// The joints of every item, read once when a pass begins (CollideSpace). A
// pass adds nothing but its own contacts, so during the pass an item is joined
// to the bodies it was joined to at the start, and it is held to the world
// when it was at the start (a fixed item's world joint, a contact left in the
// group) or has got a ground contact since.
struct PassJoints {
  bool active = false;
  dBodyID body[kMaxItems];
  bool worldJoint[kMaxItems];
  bool groundContact[kMaxItems];
  int partnerBegin[kMaxItems + 1];  // up to the live end
  std::vector<dBodyID> partners;  // bodies joined by other joints than contacts
  int written = 0;  // slots from here on hold no body and no marks
};
PassJoints g_pass;

void ReadPassJoints() {
  g_pass.partners.clear();
  // Slots from the live end on are free: no body, no marks, no partners.
  // Those below the end are written afresh; those a higher end of an earlier
  // pass wrote are cleared.
  const int end = g_liveItemEnd;
  const int cleared = std::max(end, g_pass.written);
  std::fill(g_pass.body + end, g_pass.body + cleared, nullptr);
  std::memset(g_pass.worldJoint, 0, (size_t)cleared);
  std::memset(g_pass.groundContact, 0, (size_t)cleared);
  g_pass.written = end;
  for (int i = 0; i < end; ++i) {
    const StageItem& it = g_items[i];
    g_pass.partnerBegin[i] = (int)g_pass.partners.size();
    g_pass.body[i] = it.state != kItemFree ? it.body : nullptr;
    dBodyID body = g_pass.body[i];
    if (body == nullptr) continue;
    const int count = dBodyGetNumJoints(body);
    for (int k = 0; k < count; ++k) {
      dJointID joint = dBodyGetJoint(body, k);
      dBodyID first = dJointGetBody(joint, 0);
      dBodyID second = dJointGetBody(joint, 1);
      if (first == nullptr || second == nullptr) g_pass.worldJoint[i] = true;
      if (dJointGetType(joint) == dJointTypeContact) continue;
      dBodyID other = first == body ? second : first;
      if (other != nullptr) g_pass.partners.push_back(other);
    }
  }
  // The partners of the last live slot end here; nothing reads past it.
  g_pass.partnerBegin[end] = (int)g_pass.partners.size();
}

// The pass's record of the item is about this body.
bool InPassRecord(dBodyID body, int item) {
  return g_pass.active && item >= 0 && g_pass.body[item] == body;
}

// Two items are joined when a joint other than a contact links their bodies.
bool AreJoined(dBodyID b1, int i1, dBodyID b2) {
  if (!InPassRecord(b1, i1)) return dAreConnectedExcluding(b1, b2, dJointTypeContact) != 0;
  for (int k = g_pass.partnerBegin[i1]; k < g_pass.partnerBegin[i1 + 1]; ++k)
    if (g_pass.partners[k] == b2) return true;
  return false;
}

// A body is pinned when one of its joints holds it to the static world: the
// world joint of a fixed item, or a ground contact made earlier in the pass.
bool IsPinned(dBodyID body, int item) {
  if (!InPassRecord(body, item)) return HasWorldJoint(body);
  return g_pass.worldJoint[item] || g_pass.groundContact[item];
}

// Zeroes `count` records with plain vector stores. The compiler would make the
// loop a string store, which costs more to start than these few hundred bytes
// take; the empty statement after each store keeps the loop as it is.
void ClearRecords(dContactGeom* records, int count) {
  static_assert(sizeof(dContactGeom) % sizeof(__m128i) == 0, "whole vectors per record");
  __m128i* p = reinterpret_cast<__m128i*>(records);
  const int vectors = count * (int)(sizeof(dContactGeom) / sizeof(__m128i));
  for (int i = 0; i < vectors; ++i) {
    _mm_storeu_si128(p + i, _mm_setzero_si128());
    asm volatile("" : : : "memory");
  }
}

dReal SmallestDepth(const dContactGeom* contacts, int n) {
  dReal depth = contacts[0].depth;
  for (int i = 1; i < n; ++i) {
    if (contacts[i].depth < depth) depth = contacts[i].depth;
  }
  return depth;
}

// Index of the contact whose point lies nearest to p (the first of equals).
int NearestContact(const dContactGeom* contacts, int n, const dReal* p) {
  int best = 0;
  dReal bestDist = 0;
  for (int i = 0; i < n; ++i) {
    const dReal dx = contacts[i].pos[0] - p[0];
    const dReal dy = contacts[i].pos[1] - p[1];
    const dReal dz = contacts[i].pos[2] - p[2];
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
void RecordRayHit(CollisionQuery* query, dGeomID ray, dGeomID target, const dContactGeom* contacts,
                  int n) {
  const int nearest = NearestContact(contacts, n, dGeomGetPosition(ray));
  dReal aabb[6];
  dGeomGetAABB(target, aabb);
  const float size = (float)((aabb[1] - aabb[0]) + (aabb[3] - aabb[2]));
  if (size < query->best || query->best == -1.0f) {
    const dContactGeom& c = contacts[nearest];
    query->hit = 1;
    query->best = size;
    query->other = target;
    query->pos = D3DXVECTOR3((float)c.pos[0], (float)c.pos[1], (float)c.pos[2]);
    query->normal = D3DXVECTOR3((float)-c.normal[0], (float)-c.normal[1], (float)-c.normal[2]);
  }
}

// A doll part that strikes a fixed player item throws the whole doll away
// from it: every part stops and the doll's body flies off at speed 150.
void BounceDoll(dGeomID o1, int fixedItem, const dContactGeom* contacts, int n) {
  if (g_dollBody == nullptr) return;
  const int nearest = NearestContact(contacts, n, dBodyGetPosition(g_dollBody));
  const dContactGeom& c = contacts[nearest];
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

  // Every item has a body; the ground and the pick ray have none.
  const int i1 = b1 ? ItemOfGeom(o1) : -1;
  const int i2 = b2 ? ItemOfGeom(o2) : -1;

  // Jointed items never touch.
  if (b1 && b2 && AreJoined(b1, i1, b2)) return;

  // Parts of one assembly pass through each other during a run. (A body has
  // joints when its list has a head; counting them would walk the list. The
  // groups are asked first: most items belong to none.)
  if (inRun && b1 && b2 && i1 >= 0 && i2 >= 0) {
    const int first = i1 < i2 ? i1 : i2;
    const int second = i1 < i2 ? i2 : i1;
    if (g_items[first].group != 0 && g_items[second].group == g_items[first].group &&
        dBodyGetJoint(b1, 0) != nullptr && dBodyGetJoint(b2, 0) != nullptr)
      return;
  }

  // Two fixed items never touch.
  if (b1 && IsPinned(b1, i1) && b2 && IsPinned(b2, i2)) return;

  // The engine fills at most `limit` records; only those are cleared.
  dContactGeom found[kMaxContacts];
  const bool connectQuery = query != nullptr && query->queryGeom != nullptr;
  const int limit = connectQuery ? kMaxContacts : kStepContacts;
  ClearRecords(found, limit);
  const int n = dCollide(o1, o2, limit, found, sizeof(dContactGeom));
  g_contactCount += n;
  if (n <= 0) return;

  // The pick ray makes no contacts; it only reports what it crosses.
  if (dGeomGetClass(o1) == dRayClass || dGeomGetClass(o2) == dRayClass) {
    if (query == nullptr) return;
    const bool firstIsRay = dGeomGetClass(o1) == dRayClass;
    RecordRayHit(query, firstIsRay ? o1 : o2, firstIsRay ? o2 : o1, found, n);
    return;
  }

  int material = kMaterialPlain;
  const bool withGround = o1 == g_groundGeom || o2 == g_groundGeom;
  if (withGround) {
    // The item's slot is known already when its geom has a body.
    const int item = o1 == g_groundGeom ? (b2 ? i2 : ItemOfGeom(o2)) : (b1 ? i1 : ItemOfGeom(o1));
    if (item >= 0) {
      StageItem& it = g_items[item];
      if (it.state == kItemFixed) return;  // fixed items never touch the ground
      if (!inRun) {
        if (SmallestDepth(found, n) > kOverlapDepth) it.flags |= kFlagOverlap;
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
      const bool bellFirst = b1 == g_goalBellBody;
      dBodyID other = bellFirst ? b2 : b1;
      if (other != nullptr && !IsPinned(other, bellFirst ? i2 : i1)) {
        const dReal bellX = dBodyGetPosition(g_goalBellBody)[0];
        const dReal otherX = dBodyGetPosition(other)[0];
        g_bellSwing = bellX <= otherX ? 180 : 0;
        NotifyGoalReached();
      }
    }

    // Connect query: the first item touching the probed geom, with the mean
    // of their contact points on the plane.
    if (connectQuery && query->other == nullptr && (o1 == query->queryGeom || o2 == query->queryGeom)) {
      query->other = o1 == query->queryGeom ? o2 : o1;
      for (int i = 0; i < n; ++i) {
        query->pos += D3DXVECTOR3((float)found[i].pos[0], (float)found[i].pos[1], 0);
      }
      query->hit = 1;
      query->pos /= (float)n;
    }

    // Overlap pass of the editor: deep contacts mark both items, except parts
    // of one assembly, and only items of the current mode get the mark.
    if (!inRun && query != nullptr && query->queryGeom == nullptr && query->other == nullptr &&
        SmallestDepth(found, n) > kOverlapDepth) {
      if (i1 >= 0 && i2 >= 0 && !(g_items[i1].group != 0 && g_items[i1].group == g_items[i2].group)) {
        if (g_items[i1].createdInMode == g_appMode) g_items[i1].flags |= kFlagOverlap;
        if (g_items[i2].createdInMode == g_appMode) g_items[i2].flags |= kFlagOverlap;
      }
    }

    if (inRun) {
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
            BounceDoll(o1, other, found, n);
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

  // One record serves every contact of the pair. Apart from the surface
  // fields set here and the geometry copied in, nothing ever writes it: the
  // rest stays as zero as static storage starts.
  static dContact c;
  c.surface.mode = dContactBounce | dContactSoftERP | dContactSoftCFM | dContactSlip1 | dContactSlip2;
  c.surface.mu = DBL_MAX;
  c.surface.bounce = 0.00001;
  c.surface.bounce_vel = 0;
  c.surface.soft_erp = 0.2;
  c.surface.soft_cfm = 0;
  c.surface.slip1 = slip;
  c.surface.slip2 = slip;
  for (int i = 0; i < n; ++i) {
    c.geom = found[i];
    dJointID joint = dJointCreateContact(g_world, g_contactGroup, &c);
    dJointAttach(joint, b1, b2);
  }
  // The item now touches the ground: it is pinned for the rest of the pass.
  if (withGround) {
    if (b1 && InPassRecord(b1, i1)) g_pass.groundContact[i1] = true;
    if (b2 && InPassRecord(b2, i2)) g_pass.groundContact[i2] = true;
  }
}

namespace {

// What an editor query over the space gave, with everything the pass reads
// that can change between frames. The pass is a function of these alone: the
// engine pairs geoms by their list order, boxes and switches, finds contacts
// from poses and shapes; the callback reads the mode, the query record, the
// items' states, modes, groups and geoms, the overlap marks it adds to, and
// the joints read at the start. When none of it has changed, the query gives
// the same record, marks and contact count again, and its contact joints,
// which the caller empties unread, are not made.
struct QueryMemo {
  bool valid = false;
  std::vector<uint64_t> inputs;
  CollisionQuery result;
  bool overlap[kMaxItems];
  int32_t contacts;
};
QueryMemo g_overlapMemo;  // the overlap pass (query geom 0)
QueryMemo g_connectMemo;  // the connect query

template <typename T>
void Put(std::vector<uint64_t>* out, const T& v) {
  uint64_t words[(sizeof(T) + 7) / 8] = {};
  std::memcpy(words, &v, sizeof(T));
  out->insert(out->end(), words, words + (sizeof(T) + 7) / 8);
}

void PutReals(std::vector<uint64_t>* out, const dReal* v, int n) {
  for (int i = 0; i < n; ++i) Put(out, v[i]);
}

// The inputs of a query pass; false when the space holds a geom of a kind
// the game never makes (its shape is not described here).
bool DescribeQueryPass(const CollisionQuery& query, std::vector<uint64_t>* out) {
  out->clear();
  Put(out, g_appMode);
  Put(out, query);
  const int count = dSpaceGetNumGeoms(g_space);
  Put(out, count);
  for (int i = 0; i < count; ++i) {
    dGeomID g = dSpaceGetGeom(g_space, i);
    const int cls = dGeomGetClass(g);
    Put(out, g);
    Put(out, cls);
    Put(out, dGeomIsEnabled(g));
    Put(out, dGeomGetCategoryBits(g));
    Put(out, dGeomGetCollideBits(g));
    dBodyID body = dGeomGetBody(g);
    Put(out, body);
    if (body != nullptr) Put(out, dBodyIsEnabled(body));
    if (cls == dPlaneClass) {
      dVector4 plane;
      dGeomPlaneGetParams(g, plane);
      PutReals(out, plane, 4);
      continue;
    }
    if (cls != dSphereClass && cls != dBoxClass && cls != dCapsuleClass) return false;
    PutReals(out, dGeomGetPosition(g), 3);
    PutReals(out, dGeomGetRotation(g), 12);
    if (cls == dSphereClass) {
      Put(out, dGeomSphereGetRadius(g));
    } else if (cls == dBoxClass) {
      dVector3 lengths;
      dGeomBoxGetLengths(g, lengths);
      PutReals(out, lengths, 3);
    } else {
      dReal radius, length;
      dGeomCapsuleGetParams(g, &radius, &length);
      Put(out, radius);
      Put(out, length);
    }
  }
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& it = g_items[i];
    Put(out, it.state);
    if (it.state == kItemFree) continue;
    Put(out, it.createdInMode);
    Put(out, it.group);
    Put(out, it.geom);
    Put(out, it.body);
    Put(out, (it.flags & kFlagOverlap) != 0);
    Put(out, g_pass.worldJoint[i]);
    Put(out, g_pass.partnerBegin[i + 1] - g_pass.partnerBegin[i]);
    for (int k = g_pass.partnerBegin[i]; k < g_pass.partnerBegin[i + 1]; ++k)
      Put(out, g_pass.partners[k]);
  }
  return true;
}

void Collide(CollisionQuery* query) {
  g_pass.active = true;
  dSpaceCollide(g_space, query, HandleNearCollision);
  g_pass.active = false;
}

}  // namespace

void CollideSpace(CollisionQuery* query) {
  ReadPassJoints();
  // A run's pass steps the world and rings goals: it is always made.
  if (query == nullptr || g_appMode == kModeRun) {
    Collide(query);
    return;
  }
  QueryMemo& memo = query->queryGeom == nullptr ? g_overlapMemo : g_connectMemo;
  static std::vector<uint64_t> inputs;
  if (!DescribeQueryPass(*query, &inputs)) {
    memo.valid = false;
    Collide(query);
    return;
  }
  if (memo.valid && inputs == memo.inputs) {
    *query = memo.result;
    for (int i = 0; i < kMaxItems; ++i) {
      StageItem& it = g_items[i];
      if (it.state != kItemFree && memo.overlap[i]) it.flags |= kFlagOverlap;
    }
    g_contactCount += memo.contacts;
    return;
  }
  const int32_t contactsBefore = g_contactCount;
  Collide(query);
  memo.inputs.swap(inputs);
  memo.result = *query;
  for (int i = 0; i < kMaxItems; ++i)
    memo.overlap[i] = g_items[i].state != kItemFree && (g_items[i].flags & kFlagOverlap) != 0;
  memo.contacts = g_contactCount - contactsBefore;
  memo.valid = true;
}
