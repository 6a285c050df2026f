#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/rotations.h"

namespace {

class Items : public ::testing::Test {
 protected:
  void SetUp() override { CreatePhysicsWorld(); }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
  }

  static int Make(float x, float y, int kind, float sizeA = 0.0f, float sizeB = 0.0f,
                  int movable = 1, const D3DXMATRIX* rotation = nullptr) {
    return CreateItem(D3DXVECTOR3(x, y, 0.0f), rotation, sizeA, sizeB, kind, movable);
  }

  // The capsule's own axis (local z) in world coordinates.
  static D3DXVECTOR3 LocalZAxis(int item) {
    const dReal* R = dGeomGetRotation(g_items[item].geom);
    return D3DXVECTOR3((float)R[2], (float)R[6], (float)R[10]);
  }

  static double Mass(int item) {
    dMass m;
    dBodyGetMass(g_items[item].body, &m);
    return m.mass;
  }

  static int LiveCount() {
    int n = 0;
    for (const StageItem& it : g_items) n += it.state != kItemFree;
    return n;
  }
};

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

TEST_F(Items, FieldCheckBoundsForPlayerKinds) {
  EXPECT_GE(Make(-3.9f, 10.0f, kKindBall), 0);  // x / 4 truncates to 0
  EXPECT_EQ(Make(-4.0f, 10.0f, kKindBall), -1);
  EXPECT_GE(Make(803.9f, 10.0f, kKindBox), 0);
  EXPECT_EQ(Make(804.0f, 10.0f, kKindBox), -1);
  EXPECT_GE(Make(100.0f, 400.0f, kKindCapsule), 0);
  EXPECT_EQ(Make(100.0f, 400.01f, kKindCapsule), -1);
  EXPECT_GE(Make(100.0f, 0.0f, kKindRubberBall), 0);
  EXPECT_EQ(Make(100.0f, -0.01f, kKindRubberBall), -1);
  // z is not checked.
  EXPECT_GE(CreateItem(D3DXVECTOR3(100.0f, 10.0f, 500.0f), nullptr, 0, 0, kKindBall, 1), 0);
  // Stage parts may stand anywhere.
  EXPECT_GE(Make(400.0f, -50.0f, kKindRocket), 0);
  EXPECT_GE(Make(-300.0f, 900.0f, kKindTruck), 0);
  EXPECT_EQ(LiveCount(), 7);
}

TEST_F(Items, NewRecordAndBodyAsCreated) {
  g_appMode = kModeEdit;
  g_items[0].group = 7;
  g_items[0].flags = kFlagSelected;
  g_items[0].motorSpeed = 3;
  int i = CreateItem(D3DXVECTOR3(120.0f, 30.5f, 0.25f), nullptr, 3.0f, 9.0f, kKindBox, 1);
  ASSERT_EQ(i, 0);
  const StageItem& it = g_items[0];
  EXPECT_EQ(it.state, kItemMovable);
  EXPECT_EQ(it.kind, kKindBox);
  EXPECT_EQ(it.sizeA, 3.0f);
  EXPECT_EQ(it.sizeB, 9.0f);
  EXPECT_EQ(it.createdInMode, kModeEdit);
  EXPECT_EQ(it.flags, 0u);
  EXPECT_EQ(it.group, 7);  // left for the assembly numbering
  EXPECT_EQ(it.alpha, 255);
  EXPECT_EQ(it.motorSpeed, 0);
  EXPECT_EQ(it.fixJoint, nullptr);
  EXPECT_EQ(it.jointIndexes, nullptr);
  EXPECT_EQ(it.jointCount, 0);
  ASSERT_NE(it.body, nullptr);
  ASSERT_NE(it.geom, nullptr);
  EXPECT_EQ(dGeomGetBody(it.geom), it.body);
  EXPECT_EQ(dGeomGetSpace(it.geom), g_space);
  EXPECT_EQ(dGeomGetClass(it.geom), dBoxClass);
  dVector3 sides;
  dGeomBoxGetLengths(it.geom, sides);
  EXPECT_EQ(sides[0], 3.0);
  EXPECT_EQ(sides[1], 9.0);
  EXPECT_EQ(sides[2], 4.0);
  const dReal* p = dBodyGetPosition(it.body);
  EXPECT_EQ(p[0], 120.0);
  EXPECT_EQ(p[1], 30.5);
  EXPECT_EQ(p[2], 0.25);
  EXPECT_EQ(dBodyGetAutoDisableFlag(it.body), 1);
  EXPECT_EQ(dBodyGetAutoDisableSteps(it.body), 10);
  EXPECT_EQ(dBodyGetAutoDisableLinearThreshold(it.body), 0.2);
  EXPECT_EQ(dBodyGetAutoDisableAngularThreshold(it.body), 0.2);
  // The next item takes the next free slot.
  EXPECT_EQ(Make(10.0f, 10.0f, kKindBall), 1);
}

TEST_F(Items, FullTableRefusesTheNextItemAndChangesNothing) {
  for (int i = 0; i < kMaxItems; ++i) ASSERT_EQ(Make((float)(i % 200) * 4.0f, 10.0f, kKindBox), i);
  std::vector<unsigned char> before(sizeof g_items);
  std::memcpy(before.data(), g_items, sizeof g_items);
  int geoms = dSpaceGetNumGeoms(g_space);
  EXPECT_EQ(Make(50.0f, 50.0f, kKindBall), -1);
  EXPECT_EQ(Make(50.0f, 50.0f, kKindGoalBell), -1);
  EXPECT_EQ(std::memcmp(before.data(), g_items, sizeof g_items), 0);
  EXPECT_EQ(dSpaceGetNumGeoms(g_space), geoms);
  // A freed slot is taken again.
  DestroyItem(123);
  EXPECT_EQ(Make(50.0f, 50.0f, kKindBall), 123);
}

TEST_F(Items, DefaultSizesByKind) {
  g_items[0].sizeB = 7.5f;  // what the slot held before
  int ball = Make(10.0f, 10.0f, kKindBall, 0.0f, 99.0f);
  ASSERT_EQ(ball, 0);
  EXPECT_EQ(g_items[ball].sizeA, 2.0f);
  EXPECT_EQ(g_items[ball].sizeB, 7.5f);  // the passed sizeB is not used
  EXPECT_EQ(dGeomSphereGetRadius(g_items[ball].geom), 2.0);

  int fan = Make(10.0f, 10.0f, kKindFan);
  EXPECT_EQ(g_items[fan].sizeA, 1.25f);
  EXPECT_EQ(g_items[fan].sizeB, 5.0f);
  dReal radius, length;
  dGeomCapsuleGetParams(g_items[fan].geom, &radius, &length);
  EXPECT_EQ(radius, 1.25);
  EXPECT_EQ(length, 5.0);

  struct Expect {
    int kind;
    float a, b;
  };
  const Expect boxes[] = {{kKindBox, 4, 4},       {kKindTruck, 16, 8},    {kKindRocket, 6, 12},
                          {kKindToyBox, 4, 4},    {kKindHiddenBox, 4, 4}, {kKindDollWaist, 4, 4},
                          {kKindRubberBox, 4, 4}, {kKindDollHat, 4, 4}};
  for (const Expect& e : boxes) {
    int i = Make(10.0f, 10.0f, e.kind, 0.0f, 55.0f);
    ASSERT_GE(i, 0) << e.kind;
    EXPECT_EQ(g_items[i].sizeA, e.a) << e.kind;
    EXPECT_EQ(g_items[i].sizeB, e.b) << e.kind;
    dVector3 sides;
    dGeomBoxGetLengths(g_items[i].geom, sides);
    EXPECT_EQ(sides[0], e.a);
    EXPECT_EQ(sides[1], e.b);
    EXPECT_EQ(sides[2], 4.0);
  }
  const Expect capsules[] = {{kKindCapsule, 1, 6}, {kKindRubberCapsule, 1, 6}, {kKindGoalBell, 2, 2.5f}};
  for (const Expect& e : capsules) {
    int i = Make(10.0f, 10.0f, e.kind);
    EXPECT_EQ(dGeomGetClass(g_items[i].geom), dCapsuleClass);
    EXPECT_EQ(g_items[i].sizeA, e.a);
    EXPECT_EQ(g_items[i].sizeB, e.b);
  }
  const Expect spheres[] = {{kKindStartBall, 2.5f, 0}, {kKindTire, 4, 0}, {kKindDollHead, 2, 0},
                            {kKindRubberBall, 2, 0}};
  for (const Expect& e : spheres) {
    int slot = LiveCount();
    g_items[slot].sizeB = -3.0f;
    int i = Make(10.0f, 10.0f, e.kind);
    ASSERT_EQ(i, slot);
    EXPECT_EQ(dGeomGetClass(g_items[i].geom), dSphereClass);
    EXPECT_EQ(dGeomSphereGetRadius(g_items[i].geom), e.a);
    EXPECT_EQ(g_items[i].sizeB, -3.0f);
  }
}

TEST_F(Items, KindsThatDecideFixingThemselves) {
  int bell = Make(100.0f, 100.0f, kKindGoalBell, 0, 0, 1);
  EXPECT_EQ(g_items[bell].state, kItemFixed);
  ASSERT_NE(g_items[bell].fixJoint, nullptr);
  EXPECT_EQ(dJointGetType(g_items[bell].fixJoint), dJointTypeFixed);
  EXPECT_EQ(dJointGetBody(g_items[bell].fixJoint, 0), g_items[bell].body);
  EXPECT_EQ(dJointGetBody(g_items[bell].fixJoint, 1), nullptr);
  EXPECT_EQ(g_goalBellBody, g_items[bell].body);

  int start = Make(100.0f, 100.0f, kKindStartBall, 0, 0, 0);
  EXPECT_EQ(g_items[start].state, kItemMovable);
  EXPECT_EQ(g_items[start].fixJoint, nullptr);
  EXPECT_EQ(g_startBallBody, g_items[start].body);

  EXPECT_EQ(g_items[Make(100.0f, 100.0f, kKindFan, 0, 0, 1)].state, kItemFixed);
  EXPECT_EQ(g_items[Make(100.0f, 100.0f, kKindRocket, 0, 0, 1)].state, kItemFixed);
  EXPECT_EQ(g_items[Make(100.0f, 100.0f, kKindBox, 0, 0, 0)].state, kItemFixed);
  EXPECT_EQ(g_items[Make(100.0f, 100.0f, kKindBox, 0, 0, 5)].state, kItemMovable);
  EXPECT_EQ(g_items[Make(100.0f, 100.0f, kKindTruck, 0, 0, 0)].state, kItemFixed);
}

TEST_F(Items, FixedItemHoldsItsPlaceWhileMovableOneFalls) {
  int fixed = Make(100.0f, 100.0f, kKindBox, 0, 0, 0);
  int loose = Make(300.0f, 100.0f, kKindBox, 0, 0, 1);
  for (int step = 0; step < 30; ++step) dWorldQuickStep(g_world, 1.0 / 30.0);
  const dReal* pf = dBodyGetPosition(g_items[fixed].body);
  const dReal* pl = dBodyGetPosition(g_items[loose].body);
  EXPECT_NEAR(pf[0], 100.0, 1e-6);
  EXPECT_NEAR(pf[1], 100.0, 1e-6);
  EXPECT_LT(pl[1], 97.0);  // about half of g t^2 after one second
  EXPECT_NEAR(pl[0], 300.0, 1e-9);
}

TEST_F(Items, CapsuleStandsUprightUnlessGivenARotation) {
  for (int kind : {kKindCapsule, kKindRubberCapsule, kKindGoalBell, kKindFan}) {
    int i = Make(100.0f, 100.0f, kind);
    D3DXVECTOR3 axis = LocalZAxis(i);
    EXPECT_NEAR(axis.x, 0.0f, 1e-6f) << kind;
    EXPECT_NEAR(std::fabs(axis.y), 1.0f, 1e-6f) << kind;
    EXPECT_NEAR(axis.z, 0.0f, 1e-6f) << kind;
  }
  // Upright, a bar of radius 1 and length 6 spans 8 units in y and 2 in z.
  int bar = Make(100.0f, 100.0f, kKindCapsule);
  dReal aabb[6];
  dGeomGetAABB(g_items[bar].geom, aabb);
  EXPECT_NEAR(aabb[3] - aabb[2], 8.0, 1e-5);
  EXPECT_NEAR(aabb[5] - aabb[4], 2.0, 1e-5);

  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  int flat = Make(100.0f, 100.0f, kKindCapsule, 0, 0, 1, &identity);
  EXPECT_EQ(LocalZAxis(flat), D3DXVECTOR3(0.0f, 0.0f, 1.0f));

  // A bar turned 30 degrees counter-clockwise from upright, as a copy passes it.
  D3DXMATRIX upright, turn, r;
  D3DXMatrixRotationX(&upright, D3DX_PI / 2.0f);
  D3DXMatrixRotationZ(&turn, 30.0f * kDegToRad);
  D3DXMatrixMultiply(&r, &upright, &turn);
  int turned = Make(100.0f, 100.0f, kKindCapsule, 0, 0, 1, &r);
  D3DXVECTOR3 axis = LocalZAxis(turned);
  EXPECT_NEAR(axis.x, std::sin(30.0 * M_PI / 180.0), 1e-6);
  EXPECT_NEAR(axis.y, -std::cos(30.0 * M_PI / 180.0), 1e-6);
}

TEST_F(Items, MassesFollowTheKindsDensities) {
  EXPECT_NEAR(Mass(Make(10, 10, kKindBall, 2.0f)), 134.04, 0.005);
  EXPECT_NEAR(Mass(Make(10, 10, kKindBox, 4.0f, 4.0f)), 64.0, 1e-9);
  EXPECT_NEAR(Mass(Make(10, 10, kKindTruck)), 1024.0, 1e-9);
  EXPECT_NEAR(Mass(Make(10, 10, kKindTire)), 32.0 / 3.0 * M_PI * 16.0 * 2.0, 1e-3);
  EXPECT_NEAR(Mass(Make(10, 10, kKindCapsule)), 8.0 * M_PI * 6.0 + 32.0 / 3.0 * M_PI, 1e-3);
  // Density 1: pi r^2 L + 4/3 pi r^3.
  EXPECT_NEAR(Mass(Make(10, 10, kKindGoalBell)), M_PI * 4.0 * 2.5 + 4.0 / 3.0 * M_PI * 8.0, 1e-3);
  EXPECT_NEAR(Mass(Make(10, 10, kKindRocket)), 6.0 * 12.0 * 4.0, 1e-9);
  // The per-radius density is the float quotient 8 / r.
  dMass expect;
  dMassSetZero(&expect);
  dMassSetSphere(&expect, 8.0f / 3.3f, 3.3f);
  EXPECT_EQ(Mass(Make(10, 10, kKindRubberBall, 3.3f)), expect.mass);
}

TEST_F(Items, GoalBodyHandlesFollowCreationAndDestruction) {
  int bell = Make(10, 10, kKindGoalBell);
  int start = Make(10, 10, kKindStartBall);
  int truck = Make(10, 10, kKindTruck);
  int rocket = Make(10, 10, kKindRocket);
  int toy = Make(10, 10, kKindToyBox);
  g_dollBody = g_items[Make(10, 10, kKindDollBody)].body;
  EXPECT_EQ(g_goalBellBody, g_items[bell].body);
  EXPECT_EQ(g_startBallBody, g_items[start].body);
  EXPECT_EQ(g_truckBody, g_items[truck].body);
  EXPECT_EQ(g_rocketBody, g_items[rocket].body);
  EXPECT_EQ(g_toyBoxBody, g_items[toy].body);

  dBodyID dollBody = g_dollBody;
  DestroyItem(rocket);
  EXPECT_EQ(g_rocketBody, nullptr);
  EXPECT_EQ(g_goalBellBody, g_items[bell].body);
  EXPECT_EQ(g_startBallBody, g_items[start].body);
  EXPECT_EQ(g_truckBody, g_items[truck].body);
  EXPECT_EQ(g_toyBoxBody, g_items[toy].body);
  EXPECT_EQ(g_dollBody, dollBody);

  // A second truck takes the handle over.
  int truck2 = Make(10, 10, kKindTruck);
  EXPECT_EQ(g_truckBody, g_items[truck2].body);
  DestroyItem(truck2);
  EXPECT_EQ(g_truckBody, nullptr);
}

TEST_F(Items, DestroyedSlotKeepsItsFieldsAndClearsPicking) {
  int keep = Make(10, 10, kKindBox, 0, 0, 0);
  int i = Make(10, 10, kKindBox, 5.0f, 6.0f, 0);
  g_items[i].motorSpeed = -2;
  g_items[i].flags = kFlagSelected;
  g_hoveredItem = i;
  g_cursorOnStage = 1;
  int geoms = dSpaceGetNumGeoms(g_space);
  DestroyItem(i);
  const StageItem& it = g_items[i];
  EXPECT_EQ(it.state, kItemFree);
  EXPECT_EQ(it.geom, nullptr);
  EXPECT_EQ(it.body, nullptr);
  EXPECT_EQ(it.fixJoint, nullptr);
  EXPECT_EQ(it.kind, kKindBox);
  EXPECT_EQ(it.sizeA, 5.0f);
  EXPECT_EQ(it.sizeB, 6.0f);
  EXPECT_EQ(it.motorSpeed, -2);
  EXPECT_EQ(it.flags, (uint32_t)kFlagSelected);
  EXPECT_EQ(g_hoveredItem, -1);
  EXPECT_EQ(g_cursorOnStage, 0);
  EXPECT_EQ(dSpaceGetNumGeoms(g_space), geoms - 1);

  // A free slot and indexes outside the table are left alone.
  g_hoveredItem = 4;
  DestroyItem(i);
  DestroyItem(-1);
  DestroyItem(kMaxItems);
  EXPECT_EQ(g_hoveredItem, 4);
  EXPECT_EQ(g_items[keep].state, kItemFixed);
}

TEST_F(Items, LiveEndFollowsTheHighestLiveSlot) {
  const int a = Make(10, 10, kKindBox), b = Make(20, 10, kKindBox), c = Make(30, 10, kKindBox);
  EXPECT_EQ(g_liveItemEnd, c + 1);
  DestroyItem(b);  // a hole below the top keeps the end
  EXPECT_EQ(g_liveItemEnd, c + 1);
  DestroyItem(c);  // the top goes, and the hole under it with it
  EXPECT_EQ(g_liveItemEnd, a + 1);
  EXPECT_EQ(Make(40, 10, kKindBox), b);
  EXPECT_EQ(g_liveItemEnd, b + 1);

  // A table written whole: the end is found afresh.
  g_items[kMaxItems - 1].state = kItemMovable;
  FindLiveItemEnd();
  EXPECT_EQ(g_liveItemEnd, kMaxItems);
  g_items[kMaxItems - 1].state = kItemFree;
  FindLiveItemEnd();
  EXPECT_EQ(g_liveItemEnd, b + 1);
}

TEST_F(Items, DestroyingAnItemJointedToTwoOthersCleansThePartners) {
  g_appMode = kModeEdit;
  int left = Make(100, 50, kKindBox);
  int middle = Make(110, 50, kKindBox);
  int right = Make(120, 50, kKindBox);
  int other = Make(90, 50, kKindBox);
  D3DXVECTOR3 a1(105, 50, 0), a2(115, 50, 0), a3(95, 50, 0);
  int j1 = CreateHingeJoint(left, middle, &a1, 0);
  int j2 = CreateHingeJoint(middle, right, &a2, 0);
  int j3 = CreateHingeJoint(left, other, &a3, 0);
  ASSERT_GE(j1, 0);
  ASSERT_GE(j2, 0);
  ASSERT_GE(j3, 0);
  ASSERT_EQ(g_items[left].jointCount, 2);
  ASSERT_EQ(g_items[middle].jointCount, 2);

  DestroyItem(middle);
  EXPECT_EQ(g_joints[j1].type, kJointFree);
  EXPECT_EQ(g_joints[j1].joint, nullptr);
  EXPECT_EQ(g_joints[j2].type, kJointFree);
  EXPECT_EQ(g_joints[j2].joint, nullptr);
  EXPECT_EQ(g_joints[j3].type, kJointRotary);
  ASSERT_EQ(g_items[left].jointCount, 1);
  EXPECT_EQ(g_items[left].jointIndexes[0], j3);
  EXPECT_EQ(g_items[right].jointCount, 0);
  EXPECT_EQ(g_items[right].jointIndexes, nullptr);
  EXPECT_EQ(g_items[middle].jointIndexes, nullptr);
  EXPECT_EQ(g_items[middle].jointCount, 0);
  // The engine no longer joins the survivors through the destroyed item.
  EXPECT_EQ(dBodyGetNumJoints(g_items[left].body), 1);
  EXPECT_EQ(dBodyGetNumJoints(g_items[right].body), 0);
}

TEST_F(Items, SelectionTouchesOnlyLiveItemsOfTheMode) {
  g_appMode = kModeEdit;
  int stagePart = Make(10, 10, kKindBox);
  g_appMode = kModePlay;
  int mine = Make(10, 10, kKindBall);
  int gone = Make(10, 10, kKindBall);
  DestroyItem(gone);
  g_items[gone].flags = 0;
  SelectAllItems();
  EXPECT_EQ(g_items[stagePart].flags & kFlagSelected, 0u);
  EXPECT_EQ(g_items[mine].flags & kFlagSelected, (uint32_t)kFlagSelected);
  EXPECT_EQ(g_items[gone].flags, 0u);

  g_items[stagePart].flags = kFlagSelected | kFlagOverlap;
  g_items[mine].flags |= kFlagInBand;
  g_items[gone].flags = kFlagSelected;
  ClearItemSelection();
  EXPECT_EQ(g_items[stagePart].flags, (uint32_t)kFlagOverlap);
  EXPECT_EQ(g_items[mine].flags, (uint32_t)kFlagInBand);
  EXPECT_EQ(g_items[gone].flags, (uint32_t)kFlagSelected);
}

TEST_F(Items, RotationConversionsRoundTripAndMatchTheEngine) {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, 0.7f, -0.4f, 1.9f);
  m._41 = 11.0f;
  m._42 = -12.0f;
  m._43 = 13.0f;
  m._14 = 5.0f;
  dMatrix3 R;
  ConvertMatrixToOdeRotation(&m, R);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(R[4 * i + j], (double)m.m[j][i]);
  EXPECT_EQ(R[3], 11.0);
  EXPECT_EQ(R[7], -12.0);
  EXPECT_EQ(R[11], 13.0);

  D3DXMATRIX back;
  std::memset(&back, 0x7f, sizeof back);
  ConvertOdeRotationToMatrix(R, &back);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(back.m[r][c], m.m[r][c]);
  EXPECT_EQ(back._14, 0.0f);
  EXPECT_EQ(back._24, 0.0f);
  EXPECT_EQ(back._34, 0.0f);
  EXPECT_EQ(back._44, 1.0f);
  EXPECT_EQ(back._41, 11.0f);

  // A counter-clockwise turn about z means the same to the engine.
  D3DXMATRIX rz;
  D3DXMatrixRotationZ(&rz, 0.5f);
  ConvertMatrixToOdeRotation(&rz, R);
  dMatrix3 ode;
  dRFromAxisAndAngle(ode, 0, 0, 1, 0.5f);
  for (int k = 0; k < 12; ++k)
    if (k % 4 != 3) {
      EXPECT_NEAR(R[k], ode[k], 1e-7) << k;
    }

  const dReal v[3] = {0.1, -2.5, 1e10};
  D3DXVECTOR3 out;
  ConvertOdeVectorToVector3(v, &out);
  EXPECT_EQ(out, D3DXVECTOR3(0.1f, -2.5f, 1e10f));
}

TEST_F(Items, KindsWithoutRecipeAreRefused) {
  for (int kind : {3, (int)kKindGrenade, 8, 0x10, 0x13, 0x23, -1, 1000}) {
    EXPECT_EQ(Make(100, 100, kind, 2.0f, 2.0f), -1) << kind;
    EXPECT_EQ(Make(100, 100, kind), -1) << kind;
  }
  EXPECT_EQ(LiveCount(), 0);
  EXPECT_EQ(dSpaceGetNumGeoms(g_space), 1);  // the ground alone
}

TEST_F(Items, UnusableSizesPositionsAndRotationsAreRefused) {
  g_items[0].sizeB = 5.0f;
  const float bad[] = {-1.0f, kNaN, kInf, -kInf, 1e-30f, 0.001f, 20000.0f};
  for (float s : bad) {
    EXPECT_EQ(Make(100, 100, kKindBox, s, 4.0f), -1) << s;
    EXPECT_EQ(Make(100, 100, kKindBox, 4.0f, s), -1) << s;
    EXPECT_EQ(Make(100, 100, kKindCapsule, s, 4.0f), -1) << s;
    EXPECT_EQ(Make(100, 100, kKindCapsule, 1.0f, s), -1) << s;
    EXPECT_EQ(Make(100, 100, kKindBall, s, 1.0f), -1) << s;
    EXPECT_EQ(Make(100, 100, kKindTruck, s, 4.0f), -1) << s;
  }
  // A box of sizeA given and sizeB 0 has no height.
  EXPECT_EQ(Make(100, 100, kKindBox, 3.0f, 0.0f), -1);
  EXPECT_EQ(LiveCount(), 0);
  EXPECT_EQ(g_items[0].sizeB, 5.0f);  // the refused attempts left the slot alone

  // Spheres do not use sizeB, so it is not judged.
  EXPECT_GE(Make(100, 100, kKindBall, 2.0f, kNaN), 0);
  g_items[1].sizeB = kNaN;
  EXPECT_EQ(Make(100, 100, kKindBall), 1);
  // The limits themselves are accepted.
  EXPECT_GE(Make(100, 100, kKindBox, 0.01f, 10000.0f), 0);
  EXPECT_GE(Make(100, 100, kKindCapsule, 10000.0f, 0.01f), 0);

  EXPECT_EQ(CreateItem(D3DXVECTOR3(kNaN, 10, 0), nullptr, 0, 0, kKindRocket, 1), -1);
  EXPECT_EQ(CreateItem(D3DXVECTOR3(10, kInf, 0), nullptr, 0, 0, kKindRocket, 1), -1);
  EXPECT_EQ(CreateItem(D3DXVECTOR3(10, 10, kNaN), nullptr, 0, 0, kKindBall, 1), -1);
  EXPECT_EQ(CreateItem(D3DXVECTOR3(10, 10, 2e6f), nullptr, 0, 0, kKindBall, 1), -1);
  EXPECT_EQ(CreateItem(D3DXVECTOR3(-2e6f, 10, 0), nullptr, 0, 0, kKindTruck, 1), -1);

  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._22 = kNaN;
  EXPECT_EQ(Make(100, 100, kKindBox, 0, 0, 1, &m), -1);
  D3DXMatrixIdentity(&m);
  m._42 = kInf;
  EXPECT_EQ(Make(100, 100, kKindBox, 0, 0, 1, &m), -1);
  std::memset(&m, 0, sizeof m);  // no rotation at all
  EXPECT_EQ(Make(100, 100, kKindBox, 0, 0, 1, &m), -1);
  D3DXMatrixScaling(&m, 2.0f, 1.0f, 1.0f);
  EXPECT_EQ(Make(100, 100, kKindBox, 0, 0, 1, &m), -1);
  EXPECT_EQ(LiveCount(), 4);
}

TEST_F(Items, ExtremeAcceptedItemsSurviveCollisionAndSteps) {
  Make(100, 100, kKindBox, 0.01f, 0.01f);
  Make(100, 100, kKindBall, 0.01f);
  Make(100, 100, kKindCapsule, 10000.0f, 10000.0f);
  CreateItem(D3DXVECTOR3(-1e6f, -1e6f, 1e6f), nullptr, 0.01f, 0.01f, kKindHiddenBox, 1);
  for (int step = 0; step < 5; ++step) {
    dSpaceCollide(g_space, nullptr, [](void*, dGeomID a, dGeomID b) {
      dContactGeom contacts[4];
      dCollide(a, b, 4, contacts, sizeof(dContactGeom));
    });
    dWorldQuickStep(g_world, 1.0 / 30.0);
  }
  EXPECT_EQ(LiveCount(), 4);
}

TEST(ItemsWithoutWorld, CreationWaitsForThePhysicsWorld) {
  EXPECT_EQ(CreateItem(D3DXVECTOR3(10, 10, 0), nullptr, 0, 0, kKindBall, 1), -1);
  EXPECT_EQ(g_items[0].state, kItemFree);
}

}  // namespace

namespace {

TEST_F(Items, AGeomLeadsToItsLiveItemWhereverTheGeomWasMade) {
  const int a = Make(100, 50, kKindBall);
  const int b = Make(120, 50, kKindBox);
  EXPECT_EQ(ItemOfGeom(g_items[a].geom), a);
  EXPECT_EQ(ItemOfGeom(g_items[b].geom), b);
  EXPECT_EQ(ItemOfGeom(g_groundGeom), -1);
  EXPECT_EQ(ItemOfGeom(nullptr), -1);
  // A geom the item table holds but that was made without the item's mark,
  // as a rebuilt stage makes them, is found and marked on the way.
  dGeomID rebuilt = dCreateSphere(g_space, 3);
  dGeomSetBody(rebuilt, g_items[a].body);
  dGeomID old = g_items[a].geom;
  g_items[a].geom = rebuilt;
  EXPECT_EQ(ItemOfGeom(rebuilt), a);
  EXPECT_EQ(dGeomGetData(rebuilt), dGeomGetData(old));
  g_items[a].geom = old;
  dGeomDestroy(rebuilt);
  // A slot given to another item does not answer for a geom it no longer holds.
  dGeomID stray = dCreateBox(g_space, 1, 1, 1);
  dGeomSetData(stray, dGeomGetData(g_items[b].geom));
  EXPECT_EQ(ItemOfGeom(stray), -1);
  dGeomDestroy(stray);
  DestroyItem(b);
  const int c = Make(140, 50, kKindCapsule);
  EXPECT_EQ(c, b);
  EXPECT_EQ(ItemOfGeom(g_items[c].geom), c);
}

}  // namespace
