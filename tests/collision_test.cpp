#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "game/goal_reached.h"
#include "game/simulation.h"
#include "physics_test_support.h"
#include "world/collision.h"
#include "world/joints.h"

// Every contact the game hands to the engine passes through here first, so
// the tests can read the surface each pair was given.
namespace {
std::vector<dContact> g_made;
}  // namespace

extern "C" dJointID dJointCreateContact(dWorldID world, dJointGroupID group, const dContact* c) {
  using Real = dJointID (*)(dWorldID, dJointGroupID, const dContact*);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "dJointCreateContact"));
  g_made.push_back(*c);
  return real(world, group, c);
}

namespace {

class Collision : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    g_made.clear();
    g_stageCleared = 0;
    g_goalType = kGoalNone;
  }

  // Contacts made for the pair (a, b); the ground is passed as -1.
  static std::vector<dContact> Between(int a, int b) {
    dGeomID ga = a < 0 ? g_groundGeom : g_items[a].geom;
    dGeomID gb = b < 0 ? g_groundGeom : g_items[b].geom;
    std::vector<dContact> out;
    for (const dContact& c : g_made) {
      if ((c.geom.g1 == ga && c.geom.g2 == gb) || (c.geom.g1 == gb && c.geom.g2 == ga)) {
        out.push_back(c);
      }
    }
    return out;
  }

  // One editor pass with a query record, after the groups are numbered as
  // every update numbers them.
  static void QueryPass(CollisionQuery* q) {
    NumberConnectedGroups();
    dSpaceCollide(g_space, q, HandleNearCollision);
    dJointGroupEmpty(g_contactGroup);
  }

  static void Run(int steps) {
    for (int i = 0; i < steps; ++i) {
      NumberConnectedGroups();
      StepSimulation();
      HoldBodiesToPlane();
    }
  }

  // Groups as the update keeps them.
  static void Join(int a, int b, D3DXVECTOR3 at) {
    ASSERT_GE(CreateHingeJoint(a, b, &at, 0), 0);
    NumberConnectedGroups();
  }
};

void ExpectSurface(const dContact& c, double slip) {
  EXPECT_EQ(c.surface.mode,
            dContactBounce | dContactSoftERP | dContactSoftCFM | dContactSlip1 | dContactSlip2);
  EXPECT_EQ(c.surface.mu, DBL_MAX);
  EXPECT_EQ(c.surface.mu2, 0.0);
  EXPECT_EQ(c.surface.bounce, 0.00001);
  EXPECT_EQ(c.surface.bounce_vel, 0.0);
  EXPECT_EQ(c.surface.soft_erp, 0.2);
  EXPECT_EQ(c.surface.soft_cfm, 0.0);
  EXPECT_EQ(c.surface.slip1, slip);
  EXPECT_EQ(c.surface.slip2, slip);
  EXPECT_EQ(c.fdir1[0], 0.0);
  EXPECT_EQ(c.fdir1[1], 0.0);
  EXPECT_EQ(c.fdir1[2], 0.0);
}

}  // namespace

TEST_F(Collision, FixedItemsNeverTouchTheGroundMovableOnesSlipByMaterial) {
  g_appMode = kModeRun;
  const int fixedBox = Box(100, 1.9f, 0);
  const int box = Box(200, 2.5f);
  const int rubberBall = CreateItem(D3DXVECTOR3(300, 2.5f, 0), nullptr, 0, 0, kKindRubberBall, 1);
  const int tire = CreateItem(D3DXVECTOR3(400, 4.5f, 0), nullptr, 0, 0, kKindTire, 1);
  Run(20);
  EXPECT_TRUE(Between(fixedBox, -1).empty());
  EXPECT_NEAR(Pos(fixedBox).y, 1.9f, 1e-6);
  const auto boxContacts = Between(box, -1);
  ASSERT_FALSE(boxContacts.empty());
  for (const dContact& c : boxContacts) ExpectSurface(c, 0.001);
  const auto ballContacts = Between(rubberBall, -1);
  ASSERT_FALSE(ballContacts.empty());
  for (const dContact& c : ballContacts) ExpectSurface(c, 0.0001);
  const auto tireContacts = Between(tire, -1);
  ASSERT_FALSE(tireContacts.empty());
  for (const dContact& c : tireContacts) ExpectSurface(c, 0.0001);
  // Each came to rest on the ground rather than sinking through it.
  EXPECT_NEAR(Pos(box).y, 2.0f, 0.05);
  EXPECT_NEAR(Pos(rubberBall).y, 2.0f, 0.05);
  // Outside a run the ground gives every movable item the plain slip.
  g_made.clear();
  g_appMode = kModePlay;
  QueryPass(nullptr);
  for (const dContact& c : Between(rubberBall, -1)) EXPECT_EQ(c.surface.slip1, 0.001);
}

TEST_F(Collision, FallingItemsSlipOnEachOtherByMaterial) {
  g_appMode = kModeRun;
  // Four stacks, each a fixed plain or rubber base with a box or ball dropped on it.
  const int plainBase = Box(100, 50, 0, 8, 4);
  const int plainTop = Box(100, 56);
  const int mixedBase = Box(200, 50, 0, 8, 4, kKindRubberBox);
  const int mixedTop = Box(200, 56);
  const int rubberBase = Box(300, 50, 0, 8, 4, kKindRubberBox);
  const int rubberTop = CreateItem(D3DXVECTOR3(300, 56, 0), nullptr, 0, 0, kKindRubberBall, 1);
  const int tireBase = Box(400, 50, 0, 8, 4);
  const int tireTop = CreateItem(D3DXVECTOR3(400, 58, 0), nullptr, 0, 0, kKindTire, 1);
  Run(30);
  const struct {
    int a, b;
    double slip;
  } pairs[] = {{plainBase, plainTop, 0.008},
               {mixedBase, mixedTop, 0.001},
               {rubberBase, rubberTop, 0.0005},
               {tireBase, tireTop, 0.0005}};
  for (const auto& p : pairs) {
    const auto contacts = Between(p.a, p.b);
    ASSERT_FALSE(contacts.empty()) << p.slip;
    for (const dContact& c : contacts) ExpectSurface(c, p.slip);
  }
  // The dropped items landed on their bases and stayed on top.
  EXPECT_NEAR(Pos(plainTop).y, 54, 0.05);
  EXPECT_NEAR(Pos(rubberTop).y, 54, 0.05);
}

TEST_F(Collision, JointedAndSameAssemblyItemsPassThroughEachOtherInARun) {
  // Two arms of one assembly overlap each other; the hub joins them.
  const int hub = Box(100, 100, 0);
  const int left = Box(104, 104, 1, 6, 2);
  const int right = Box(106, 104, 1, 6, 2);
  Join(hub, left, D3DXVECTOR3(102, 102, 0));
  Join(hub, right, D3DXVECTOR3(103, 102, 0));
  // Outside a run the arms touch but never mark each other.
  g_appMode = kModeEdit;
  CollisionQuery q = {};
  QueryPass(&q);
  EXPECT_FALSE(Between(left, right).empty());
  EXPECT_EQ(g_items[left].flags & kFlagOverlap, 0u);
  EXPECT_EQ(g_items[right].flags & kFlagOverlap, 0u);
  EXPECT_TRUE(Between(hub, left).empty());  // directly jointed: never
  // In a run they pass through each other.
  g_made.clear();
  g_appMode = kModeRun;
  Run(20);
  EXPECT_TRUE(Between(left, right).empty());
  EXPECT_TRUE(Between(hub, left).empty());
  EXPECT_TRUE(Between(hub, right).empty());
}

TEST_F(Collision, TwoFixedItemsNeverTouch) {
  const int a = Box(100, 100, 0), b = Box(102, 100, 0);
  g_appMode = kModeEdit;
  CollisionQuery q = {};
  QueryPass(&q);
  EXPECT_TRUE(Between(a, b).empty());
  EXPECT_EQ(g_items[a].flags & kFlagOverlap, 0u);
  EXPECT_EQ(g_items[b].flags & kFlagOverlap, 0u);
  // A movable item in the same place does touch them and is marked.
  const int c = Box(101, 100);
  QueryPass(&q);
  EXPECT_FALSE(Between(a, c).empty());
  EXPECT_NE(g_items[c].flags & kFlagOverlap, 0u);
}

TEST_F(Collision, OverlapMarksOnlyDeepContactsAndOnlyItemsOfTheCurrentMode) {
  g_appMode = kModeEdit;
  const int stageBox = Box(100, 50);
  g_appMode = kModePlay;
  const int deep = Ball(300, 1.8f);     // 0.2 into the ground
  const int shallow = Ball(320, 1.95f);  // 0.05
  const int player = Box(103.8f, 50);   // 0.2 into the stage box
  const int grazing = Box(150, 50);
  const int grazed = Box(153.95f, 50);  // 0.05
  CollisionQuery q = {};
  QueryPass(&q);
  EXPECT_NE(g_items[deep].flags & kFlagOverlap, 0u);
  EXPECT_EQ(g_items[shallow].flags & kFlagOverlap, 0u);
  EXPECT_NE(g_items[player].flags & kFlagOverlap, 0u);
  EXPECT_EQ(g_items[stageBox].flags & kFlagOverlap, 0u) << "a stage part marked while placing";
  EXPECT_EQ(g_items[grazing].flags & kFlagOverlap, 0u);
  EXPECT_EQ(g_items[grazed].flags & kFlagOverlap, 0u);
  // The same pass in stage editing marks the stage part too.
  g_appMode = kModeEdit;
  QueryPass(&q);
  EXPECT_NE(g_items[stageBox].flags & kFlagOverlap, 0u);
}

TEST_F(Collision, PickRayTakesTheSmallestItemItCrosses) {
  const int big = Box(100, 50, 1, 20, 20);
  const int small = Ball(100, 50, 1, 1);  // inside the big box
  const int nearBall = Ball(100, 50, 1, 3);
  dBodySetPosition(g_items[nearBall].body, 100, 50, -20);  // nearer the ray's start
  dGeomID ray = dCreateRay(nullptr, 400);
  dGeomRaySet(ray, 100, 50, -100, 0, 0, 1);
  CollisionQuery q = {};
  q.best = -1;
  dSpaceCollide2(ray, (dGeomID)g_space, &q, HandleNearCollision);
  dJointGroupEmpty(g_contactGroup);
  EXPECT_EQ(q.hit, 1);
  EXPECT_EQ(q.other, g_items[small].geom);
  EXPECT_EQ(q.best, 4.0f);
  EXPECT_NEAR(q.pos.z, -1, 1e-5);  // where the ray enters the small ball
  EXPECT_NEAR(q.normal.z, 1, 1e-5);
  EXPECT_TRUE(g_made.empty()) << "a ray makes no contacts";
  (void)big;
  // Only the ground below: it is found, with its unbounded size.
  dGeomRaySet(ray, 500, 50, 0, 0, -1, 0);
  CollisionQuery ground = {};
  ground.best = -1;
  dSpaceCollide2(ray, (dGeomID)g_space, &ground, HandleNearCollision);
  dJointGroupEmpty(g_contactGroup);
  EXPECT_EQ(ground.hit, 1);
  EXPECT_EQ(ground.other, g_groundGeom);
  EXPECT_NEAR(ground.pos.y, 0, 1e-5);
  dGeomDestroy(ray);
}

TEST_F(Collision, ConnectQueryRecordsTheFirstPartnerAndTheMeanContactPoint) {
  g_appMode = kModePlay;
  const int probe = Box(100, 100);
  const int partner = Box(103, 101);
  CollisionQuery q = {};
  q.queryGeom = g_items[probe].geom;
  QueryPass(&q);
  EXPECT_EQ(q.hit, 1);
  EXPECT_EQ(q.other, g_items[partner].geom);
  // The mean of the pair's own contact points, flattened onto z = 0. The
  // points lie on the face of whichever box the space passed second.
  bool matched = false;
  for (int order = 0; order < 2; ++order) {
    dContact contacts[60];
    dGeomID g1 = g_items[order ? partner : probe].geom, g2 = g_items[order ? probe : partner].geom;
    const int n = dCollide(g1, g2, 60, &contacts[0].geom, sizeof(dContact));
    ASSERT_GT(n, 0);
    float x = 0, y = 0;
    for (int i = 0; i < n; ++i) {
      x += (float)contacts[i].geom.pos[0];
      y += (float)contacts[i].geom.pos[1];
    }
    matched |= q.pos.x == x / n && q.pos.y == y / n;
  }
  EXPECT_TRUE(matched) << q.pos.x << " " << q.pos.y;
  EXPECT_EQ(q.pos.z, 0.0f);
  // A second partner touching the probe is not recorded.
  Box(97, 99);
  CollisionQuery again = {};
  again.queryGeom = g_items[probe].geom;
  QueryPass(&again);
  EXPECT_EQ(again.hit, 1);
  EXPECT_NE(again.other, nullptr);
  EXPECT_TRUE(again.pos.x > 100 ? again.other == g_items[partner].geom
                                : again.other != g_items[partner].geom);
}

TEST_F(Collision, ContactCountAddsUpEveryPass) {
  Ball(100, 1.5f);
  g_contactCount = 0;
  CollisionQuery q = {};
  QueryPass(&q);
  const int once = g_contactCount;
  EXPECT_GT(once, 0);
  QueryPass(nullptr);
  EXPECT_EQ(g_contactCount, 2 * once);
}

TEST_F(Collision, BellStruckFromTheRightSwingsAndClearsOnce) {
  g_goalType = kGoalBell;
  g_appMode = kModeEdit;
  const int bell = CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 0, 0, kKindGoalBell, 1);
  ASSERT_EQ(g_goalBellBody, g_items[bell].body);
  g_appMode = kModeRun;
  // A ball dropped onto the bell's right shoulder.
  const int ball = Ball(401, 112);
  g_stageCleared = 0;
  g_bellSwing = 0;
  for (int i = 0; i < 60 && !g_stageCleared; ++i) Run(1);
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(g_bellSwing, 180);
  EXPECT_FALSE(Between(bell, ball).empty()) << "the strike still makes contacts";
  // After the clear further strikes change nothing.
  g_bellSwing = 7;
  dBodySetPosition(g_items[ball].body, 401, 112, 0);
  dBodySetLinearVel(g_items[ball].body, 0, 0, 0);
  Run(30);
  EXPECT_EQ(g_bellSwing, 7);
}

TEST_F(Collision, BellStruckFromTheLeftSwingsTheOtherWayButNotByAFixedItem) {
  g_goalType = kGoalBell;
  const int bell = CreateItem(D3DXVECTOR3(400, 100, 0), nullptr, 0, 0, kKindGoalBell, 1);
  Box(397, 100, 0);  // a fixed box resting against the bell
  g_appMode = kModeRun;
  g_bellSwing = 5;
  Run(5);
  EXPECT_EQ(g_stageCleared, 0);
  EXPECT_EQ(g_bellSwing, 5);
  Ball(399, 112);
  for (int i = 0; i < 60 && !g_stageCleared; ++i) Run(1);
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(g_bellSwing, 0);
  (void)bell;
}

TEST_F(Collision, DollStrikingAFixedPlayerBoxIsThrownAwayAndPassesThroughTheToyBox) {
  g_goalType = kGoalRocketDoll;
  g_appMode = kModeEdit;
  const int toyBox = Box(300, 40, 0, 0, 0, kKindToyBox);
  g_appMode = kModePlay;
  const int floor = Box(100, 40, 0, 20, 4);  // a fixed player box
  g_appMode = kModeRun;
  const int body = Box(100, 50, 1, 0, 0, kKindDollBody);
  const int head = Ball(100, 54.5f, 1, 0);
  Join(body, head, D3DXVECTOR3(100, 52.2f, 0));
  g_dollBody = g_items[body].body;
  NumberConnectedGroups();
  ASSERT_GT(g_dollGroup, 0);
  bool thrown = false;
  for (int i = 0; i < 60 && !thrown; ++i) {
    NumberConnectedGroups();
    dSpaceCollide(g_space, nullptr, HandleNearCollision);
    if (g_smokePuffs[0].active) {
      thrown = true;
      const dReal* v = dBodyGetLinearVel(g_items[body].body);
      EXPECT_NEAR(v[0], 0, 1e-4);
      EXPECT_NEAR(v[1], 150, 1e-4);
      EXPECT_EQ(v[2], 0);
      const dReal* h = dBodyGetLinearVel(g_items[head].body);
      EXPECT_EQ(h[0], 0);
      EXPECT_EQ(h[1], 0);
      EXPECT_EQ(g_smokePuffs[0].frame, 32);
      EXPECT_EQ(g_smokePuffs[0].pos.z, 0);
      EXPECT_NEAR(g_smokePuffs[0].pos.y, 42, 1e-3);
      EXPECT_EQ(g_smokePuffs[1].active, 0);
    }
    dRandSetSeed(0);
    dWorldQuickStep(g_world, kStepSize);
    dJointGroupEmpty(g_contactGroup);
    HoldBodiesToPlane();
  }
  ASSERT_TRUE(thrown);
  EXPECT_FALSE(Between(body, floor).empty()) << "the strike still makes contacts";
  // Dropped into the toy box, the doll meets no contact with its body.
  g_made.clear();
  dBodySetPosition(g_items[body].body, 300, 46, 0);
  dBodySetPosition(g_items[head].body, 300, 50.5f, 0);
  dBodySetLinearVel(g_items[body].body, 0, -5, 0);
  dBodySetLinearVel(g_items[head].body, 0, -5, 0);
  Run(30);
  EXPECT_TRUE(Between(body, toyBox).empty());
  EXPECT_LT(Pos(body).y, 40) << "fell into the toy box's body";
}

namespace {

// A crowded corner: a fixed slab on the ground with items piled on it, balls
// resting on the ground and on each other, a hinged pair and an assembly
// whose outer parts overlap, two overlapping fixed boxes, a box sunk into the
// ground, and a heap of balls on one point.
void BuildCrowd() {
  auto box = [](float x, float y, float w, float h, int movable) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, w, h, kKindBox, movable);
  };
  auto ball = [](float x, float y, float r, int kind = kKindBall) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, r, 0, kind, 1);
  };
  box(100, 1.9f, 30, 4, 0);
  for (int i = 0; i < 6; ++i) box(95 + 2.0f * (float)i, 5 + 3.5f * (float)i, 4, 4, 1);
  for (int i = 0; i < 8; ++i)
    ball(150 + 3.5f * (float)i, 1.9f, 2, i % 2 ? kKindRubberBall : kKindBall);
  for (int i = 0; i < 5; ++i) ball(152 + 3.5f * (float)i, 5.2f, 2);
  const int hub = box(200, 20, 4, 4, 1);
  const int left = box(203, 22, 6, 2, 1);
  const int right = box(205, 22, 6, 2, 1);
  D3DXVECTOR3 at(201, 21, 0);
  CreateHingeJoint(hub, left, &at, 0);
  at = D3DXVECTOR3(202, 21, 0);
  CreateHingeJoint(hub, right, &at, 0);
  box(250, 30, 10, 4, 0);
  box(253, 31, 10, 4, 0);
  box(300, 2.7f, 8, 6, 1);
  for (int i = 0; i < 40; ++i) ball(400, 3.0f, 2, i % 3 ? kKindBall : kKindRubberBall);
  NumberConnectedGroups();
}

struct PassResult {
  std::vector<dContact> made;
  std::vector<uint32_t> flags;
  CollisionQuery query;
  int32_t contacts;
};

bool SameContacts(const std::vector<dContact>& a, const std::vector<dContact>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(dContact)) != 0) return false;
  return true;
}

}  // namespace

// The step's and the editor's passes read the items' joints once at their
// start; pair by pair they must answer "joined" and "pinned" as the engine
// does when asked directly, ground contacts made earlier in the pass included.
TEST_F(Collision, PassesThroughCollideSpaceMakeWhatTheEngineAskedPairByPairMakes) {
  BuildCrowd();
  const int probe = ItemOfGeom(g_items[20].geom);
  ASSERT_EQ(probe, 20);
  // The game's hash space hands the ground's pairs over last; a simple space
  // hands them over in list order, so that ground contacts made earlier in the
  // pass pin items for later pairs.
  for (int space = 0; space < 2; ++space) {
    if (space == 1) {
      dSpaceID hash = g_space;
      dSpaceID simple = dSimpleSpaceCreate(nullptr);
      while (dSpaceGetNumGeoms(hash) > 0) {
        dGeomID g = dSpaceGetGeom(hash, 0);
        dSpaceRemove(hash, g);
        dSpaceAdd(simple, g);
      }
      g_space = simple;
      dSpaceDestroy(hash);
    }
  for (int mode : {kModeEdit, kModePlay, kModeRun}) {
    for (int kind = 0; kind < 3; ++kind) {
      g_appMode = mode;
      PassResult r[2];
      for (int how = 0; how < 2; ++how) {
        for (StageItem& it : g_items) it.flags &= ~(uint32_t)kFlagOverlap;
        CollisionQuery q = {};
        if (kind == 1) q.queryGeom = g_items[probe].geom;
        g_made.clear();
        const int32_t before = g_contactCount;
        CollisionQuery* data = kind == 2 ? nullptr : &q;
        if (how == 0) {
          dSpaceCollide(g_space, data, HandleNearCollision);
        } else {
          CollideSpace(data);
        }
        dJointGroupEmpty(g_contactGroup);
        r[how].made = g_made;
        for (const StageItem& it : g_items) r[how].flags.push_back(it.flags);
        r[how].query = q;
        r[how].contacts = g_contactCount - before;
      }
      SCOPED_TRACE(testing::Message() << "space " << space << " mode " << mode << " pass " << kind);
      EXPECT_FALSE(r[0].made.empty());
      EXPECT_TRUE(SameContacts(r[0].made, r[1].made));
      EXPECT_EQ(r[0].flags, r[1].flags);
      EXPECT_EQ(std::memcmp(&r[0].query, &r[1].query, sizeof(CollisionQuery)), 0);
      EXPECT_EQ(r[0].contacts, r[1].contacts);
    }
  }
  }
}

// An editor query over an unchanged space gives its last answer again without
// colliding; anything the pass reads that changes makes it collide anew.
TEST_F(Collision, AnUnchangedSpaceGivesTheLastQueryAgainAndAnyChangeIsSeen) {
  BuildCrowd();
  g_appMode = kModeEdit;
  // What a pass made directly gives, as the reference.
  auto direct = [](CollisionQuery q) {
    PassResult r;
    for (StageItem& it : g_items) it.flags &= ~(uint32_t)kFlagOverlap;
    const int32_t before = g_contactCount;
    dSpaceCollide(g_space, &q, HandleNearCollision);
    dJointGroupEmpty(g_contactGroup);
    for (const StageItem& it : g_items) r.flags.push_back(it.flags);
    r.query = q;
    r.contacts = g_contactCount - before;
    return r;
  };
  auto remembered = [](CollisionQuery q, size_t* made) {
    PassResult r;
    for (StageItem& it : g_items) it.flags &= ~(uint32_t)kFlagOverlap;
    const int32_t before = g_contactCount;
    g_made.clear();
    CollideSpace(&q);
    dJointGroupEmpty(g_contactGroup);
    *made = g_made.size();
    for (const StageItem& it : g_items) r.flags.push_back(it.flags);
    r.query = q;
    r.contacts = g_contactCount - before;
    return r;
  };
  auto expectSame = [](const PassResult& a, const PassResult& b) {
    EXPECT_EQ(a.flags, b.flags);
    EXPECT_EQ(std::memcmp(&a.query, &b.query, sizeof(CollisionQuery)), 0);
    EXPECT_EQ(a.contacts, b.contacts);
  };
  const int lone = Box(600, 100, 1, 4, 4);
  const int partner = Box(603, 100, 1, 4, 4);
  CollisionQuery overlap = {};
  CollisionQuery connect = {};
  connect.queryGeom = g_items[lone].geom;

  // Each change, then the pass made twice: the first collides, the second
  // remembers; both give what a direct pass gives.
  const std::vector<std::function<void()>> changes = {
      [] {},
      [&] { dGeomSetPosition(g_items[partner].geom, 603.5, 100, 0); },  // moved
      [&] {  // fixed, then the whole pile dropped into the placing mode
        StageItem& it = g_items[partner];
        it.fixJoint = dJointCreateFixed(g_world, nullptr);
        dJointAttach(it.fixJoint, it.body, nullptr);
        it.state = kItemFixed;
      },
      [] { g_appMode = kModePlay; },
      [&] {  // joined to the lone box
        D3DXVECTOR3 at(601.5f, 100, 0);
        CreateHingeJoint(lone, partner, &at, 0);
        NumberConnectedGroups();
      },
      [&] { DestroyItem(partner); },
      [&] { dGeomBoxSetLengths(g_items[lone].geom, 40, 4, kBoxDepth); },  // resized into the heap
  };
  for (size_t c = 0; c < changes.size(); ++c) {
    SCOPED_TRACE(testing::Message() << "change " << c);
    changes[c]();
    for (CollisionQuery* q : {&overlap, &connect}) {
      const PassResult want = direct(*q);
      size_t made = 0;
      expectSame(remembered(*q, &made), want);
      EXPECT_GT(made, 0u);  // collided
      expectSame(remembered(*q, &made), want);
      EXPECT_EQ(made, 0u);  // remembered
    }
  }
  // A run's passes are always made.
  g_appMode = kModeRun;
  size_t made = 0;
  remembered(overlap, &made);
  remembered(overlap, &made);
  EXPECT_GT(made, 0u);
}
