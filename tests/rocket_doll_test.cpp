#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics_test_support.h"
#include "world/joints.h"
#include "world/rocket_doll.h"
#include "world/rotations.h"

namespace {

class RocketDoll : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    g_appMode = kModeRun;
  }
  static std::vector<int> DollItems() {
    std::vector<int> out;
    for (int i = 0; i < kMaxItems; ++i)
      if (g_items[i].state != kItemFree && g_items[i].kind >= kKindDollHead &&
          g_items[i].kind <= kKindDollWaist)
        out.push_back(i);
    return out;
  }
  static int LiveJoints() {
    int n = 0;
    for (int j = 0; j < kMaxJoints; ++j) n += g_joints[j].type != kJointFree;
    return n;
  }
  static D3DXVECTOR3 LinearVel(int item) {
    D3DXVECTOR3 v;
    ConvertOdeVectorToVector3(dBodyGetLinearVel(g_items[item].body), &v);
    return v;
  }
  static D3DXVECTOR3 AngularVel(int item) {
    D3DXVECTOR3 v;
    ConvertOdeVectorToVector3(dBodyGetAngularVel(g_items[item].body), &v);
    return v;
  }
  // The turn of an item's x axis from the world x axis, in degrees.
  static float Turn(int item) {
    const D3DXMATRIX m = Rot(item);
    return atan2f(m._12, m._11) * kRadToDeg;
  }
};

struct Expected {
  int kind;
  float dx, dy;
  float sizeA, sizeB;
};
const Expected kLayout[10] = {
    {kKindDollBody, 0, 0, 3, 4},        {kKindDollHead, 0, 3, 1.2f, 0},
    {kKindDollUpperArm, -1.5f, 0.5f, 1, 3}, {kKindDollUpperArm, 1.5f, 0.5f, 1, 3},
    {kKindDollForearm, -1.5f, -2.5f, 1, 3}, {kKindDollForearm, 1.5f, -2.5f, 1, 3},
    {kKindDollWaist, 0, -3, 3, 2},      {kKindDollLeg, -1, -6.5f, 1.5f, 6},
    {kKindDollLeg, 1, -6.5f, 1.5f, 6},  {kKindDollHat, 0, 5, 2, 2},
};

TEST_F(RocketDoll, UprightLaunchBuildsTheFigureAndFliesStraightUp) {
  LaunchRocketDoll(D3DXVECTOR3(300, 100, 0), 0.0f);
  const std::vector<int> doll = DollItems();
  ASSERT_EQ(doll.size(), 10u);
  for (int k = 0; k < 10; ++k) {
    const StageItem& it = g_items[doll[k]];
    EXPECT_EQ(doll[k], k);  // the first free slots, in the table's order
    EXPECT_EQ(it.kind, kLayout[k].kind);
    EXPECT_EQ(it.state, kItemMovable);
    EXPECT_EQ(it.createdInMode, kModeRun);
    EXPECT_FLOAT_EQ(it.sizeA, kLayout[k].sizeA);
    if (kLayout[k].kind != kKindDollHead) {
      EXPECT_FLOAT_EQ(it.sizeB, kLayout[k].sizeB);
    }
    const D3DXVECTOR3 p = Pos(doll[k]);
    EXPECT_NEAR(p.x, 300 + kLayout[k].dx, 1e-4);
    EXPECT_NEAR(p.y, 100 + kLayout[k].dy, 1e-4);
    EXPECT_EQ(p.z, 0.0f);
  }
  EXPECT_EQ(g_dollBody, g_items[0].body);
  EXPECT_EQ(LiveJoints(), 9);
  for (int j = 0; j < 9; ++j) EXPECT_EQ(g_joints[j].type, kJointBuiltInRotary);

  const D3DXVECTOR3 v = LinearVel(0);
  EXPECT_NEAR(v.x, 0.0f, 1e-5);
  EXPECT_FLOAT_EQ(v.y, 200.0f);
  const D3DXVECTOR3 w = AngularVel(0);
  EXPECT_EQ(w.z, 0.0f);
  for (int k = 1; k < 10; ++k) {
    const D3DXVECTOR3 rest = LinearVel(k);
    EXPECT_EQ(D3DXVec3Length(&rest), 0.0f);
  }
  EXPECT_EQ(g_rotationPivot, D3DXVECTOR3(300, 100, 0));
}

TEST_F(RocketDoll, HingesKeepTheirOrderAnchorsAndStops) {
  LaunchRocketDoll(D3DXVECTOR3(300, 100, 0), 0.0f);
  // Pairs as recorded, anchors unturned, stops in degrees.
  struct Hinge {
    int a, b;
    float ax, ay;
    float lo, hi;
  };
  const Hinge kHinges[9] = {
      {1, 0, 0, 2, -45, 45},    {0, 2, -1.5f, 2, 20, 160}, {3, 0, 1.5f, 2, 20, 160},
      {0, 6, 0, -2, -20, 20},   {6, 7, -1, -3, 0, 70},     {8, 6, 1, -3, 0, 70},
      {1, 9, 0, 5, 0, 0},       {2, 4, -1.5f, -0.5f, -20, 100}, {3, 5, 1.5f, -0.5f, -100, 20},
  };
  for (int j = 0; j < 9; ++j) {
    SCOPED_TRACE(j);
    const JointRecord& rec = g_joints[j];
    EXPECT_EQ(rec.itemA, kHinges[j].a);
    EXPECT_EQ(rec.itemB, kHinges[j].b);
    EXPECT_FLOAT_EQ(rec.anchor.x, 300 + kHinges[j].ax);
    EXPECT_FLOAT_EQ(rec.anchor.y, 100 + kHinges[j].ay);
    EXPECT_NEAR(dJointGetHingeParam(rec.joint, dParamLoStop), kHinges[j].lo * M_PI / 180, 1e-6);
    EXPECT_NEAR(dJointGetHingeParam(rec.joint, dParamHiStop), kHinges[j].hi * M_PI / 180, 1e-6);
  }
}

TEST_F(RocketDoll, AQuarterTurnLaysTheDollTowardMinusX) {
  LaunchRocketDoll(D3DXVECTOR3(300, 100, 0), 90.0f);
  ASSERT_EQ(DollItems().size(), 10u);
  // The head is 3 units up in the built figure: now 3 units toward -x.
  D3DXVECTOR3 head = Pos(1);
  EXPECT_NEAR(head.x, 297.0f, 1e-4);
  EXPECT_NEAR(head.y, 100.0f, 1e-4);
  D3DXVECTOR3 leftLeg = Pos(7);  // (-1, -6.5) turned: (6.5, -1)
  EXPECT_NEAR(leftLeg.x, 306.5f, 1e-4);
  EXPECT_NEAR(leftLeg.y, 99.0f, 1e-4);
  for (int k = 0; k < 10; ++k) EXPECT_NEAR(Turn(k), 90.0f, 1e-3) << k;
  // Every hinge stands at 0 in the built pose.
  for (int j = 0; j < 9; ++j) EXPECT_NEAR(dJointGetHingeAngle(g_joints[j].joint), 0.0, 1e-5) << j;

  const D3DXVECTOR3 v = LinearVel(0);
  EXPECT_FLOAT_EQ(v.x, -200.0f);
  EXPECT_NEAR(v.y, 0.0f, 1e-4);
  EXPECT_FLOAT_EQ(AngularVel(0).z, 90.0f);
}

TEST_F(RocketDoll, AnglesAreWrappedIntoAHalfTurnEitherWay) {
  LaunchRocketDoll(D3DXVECTOR3(300, 100, 0), 390.0f);
  EXPECT_FLOAT_EQ(AngularVel(0).z, 30.0f);
  EXPECT_NEAR(Turn(0), 30.0f, 1e-3);
  D3DXVECTOR3 v = LinearVel(0);
  EXPECT_NEAR(v.x, -100.0f, 1e-3);

  LaunchRocketDoll(D3DXVECTOR3(500, 100, 0), -200.0f);
  const int secondBody = 10;
  ASSERT_EQ(g_items[secondBody].kind, kKindDollBody);
  EXPECT_EQ(g_dollBody, g_items[secondBody].body);
  EXPECT_FLOAT_EQ(AngularVel(secondBody).z, 160.0f);
  EXPECT_NEAR(Turn(secondBody), 160.0f, 1e-3);
}

TEST_F(RocketDoll, LaunchPointIsPutOnThePlane) {
  LaunchRocketDoll(D3DXVECTOR3(300, 100, 5), 0.0f);
  ASSERT_EQ(DollItems().size(), 10u);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(Pos(k).z, 0.0f);
  for (int j = 0; j < 9; ++j) EXPECT_EQ(g_joints[j].anchor.z, 0.0f);
}

TEST_F(RocketDoll, FlightInARealRunKeepsTheDollTogether) {
  LaunchRocketDoll(D3DXVECTOR3(400, 50, 0), 0.0f);
  for (int step = 0; step < 10; ++step) {
    dWorldQuickStep(g_world, kStepSize);
    dJointGroupEmpty(g_contactGroup);
  }
  // Up it goes, and the head stays near the body.
  const D3DXVECTOR3 body = Pos(0);
  EXPECT_GT(body.y, 55.0f);
  EXPECT_GT(dBodyGetLinearVel(g_items[0].body)[1], 0.0);
  D3DXVECTOR3 gap = Pos(1) - body;
  EXPECT_LT(D3DXVec3Length(&gap), 4.0f);
}

TEST_F(RocketDoll, TooFullTablesLaunchNothing) {
  // 491 live items leave 9 slots: one part short.
  for (int i = 0; i < 491; ++i) ASSERT_GE(Box(1 + (i % 50) * 10, 10 + (i / 50) * 10), 0);
  LaunchRocketDoll(D3DXVECTOR3(300, 300, 0), 0.0f);
  EXPECT_TRUE(DollItems().empty());
  EXPECT_EQ(g_dollBody, nullptr);
  EXPECT_EQ(LiveJoints(), 0);
  // One more slot and the whole doll fits.
  DestroyItem(490);
  DestroyItem(489);
  LaunchRocketDoll(D3DXVECTOR3(300, 300, 0), 0.0f);
  EXPECT_EQ(DollItems().size(), 10u);
  EXPECT_EQ(LiveJoints(), 9);
}

TEST_F(RocketDoll, TooFullJointTableLaunchesNothing) {
  // Records held by other joints: 492 taken leaves 8, one hinge short.
  for (int j = 0; j < 492; ++j) {
    g_joints[j].type = kJointRotary;
    g_joints[j].itemA = g_joints[j].itemB = -1;
  }
  LaunchRocketDoll(D3DXVECTOR3(300, 300, 0), 0.0f);
  EXPECT_TRUE(DollItems().empty());
  EXPECT_EQ(g_dollBody, nullptr);
  // The spare records beyond 500 are never used.
  for (int j = kMaxJoints; j < kJointTableSize; ++j) EXPECT_EQ(g_joints[j].type, kJointFree);
  for (int j = 0; j < 492; ++j) g_joints[j].type = kJointFree;
}

TEST_F(RocketDoll, APartTheEngineCannotTakeLeavesNoHalfDoll) {
  LaunchRocketDoll(D3DXVECTOR3(NAN, 300, 0), 0.0f);
  EXPECT_TRUE(DollItems().empty());
  EXPECT_EQ(LiveJoints(), 0);
  EXPECT_EQ(g_dollBody, nullptr);
  // Past the largest coordinate an item may have, only the upper parts fail.
  LaunchRocketDoll(D3DXVECTOR3(300, 1000000.0f - 4.0f, 0), 0.0f);
  EXPECT_TRUE(DollItems().empty());
  EXPECT_EQ(LiveJoints(), 0);
  EXPECT_EQ(g_dollBody, nullptr);
  LaunchRocketDoll(D3DXVECTOR3(300, 300, 0), INFINITY);
  EXPECT_TRUE(DollItems().empty());
}

}  // namespace
