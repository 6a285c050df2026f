#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cfloat>
#include <cmath>
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
