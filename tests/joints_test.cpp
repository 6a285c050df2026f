#include <gtest/gtest.h>

#include <cmath>

#include "world/globals.h"
#include "world/items.h"
#include "world/joint_records.h"
#include "world/joints.h"
#include "world/physics_world.h"

namespace {

class Joints : public ::testing::Test {
 protected:
  void SetUp() override {
    CreatePhysicsWorld();
    g_appMode = kModeEdit;
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
  }
  static int Box(float x, float y) {
    return CreateItem(D3DXVECTOR3(x, y, 0.0f), nullptr, 0, 0, kKindBox, 1);
  }
};

TEST_F(Joints, PairIsOrderedClockwiseFromTheAnchor) {
  int a = Box(0, 0);
  int b = Box(10, 0);
  D3DXVECTOR3 above(5, 5, 0);
  int j = CreateHingeJoint(a, b, &above, 0);
  ASSERT_EQ(j, 0);
  EXPECT_EQ(g_joints[j].itemA, b);
  EXPECT_EQ(g_joints[j].itemB, a);
  EXPECT_EQ(dJointGetBody(g_joints[j].joint, 0), g_items[b].body);
  EXPECT_EQ(dJointGetBody(g_joints[j].joint, 1), g_items[a].body);

  D3DXVECTOR3 between(5, 0, 0);
  int k = CreateHingeJoint(a, b, &between, 1);
  ASSERT_EQ(k, 1);
  EXPECT_EQ(g_joints[k].itemA, a);
  EXPECT_EQ(g_joints[k].itemB, b);
  EXPECT_EQ(g_joints[k].type, kJointBuiltInRotary);
  EXPECT_EQ(dJointGetBody(g_joints[k].joint, 0), g_items[a].body);
}

TEST_F(Joints, NewHingeRecordAndParameters) {
  int a = Box(100, 50);
  int b = Box(110, 50);
  g_joints[0].extraA = 1.5f;  // kept from the slot
  D3DXVECTOR3 anchor(105, 50, 0.5f);
  int j = CreateHingeJoint(a, b, &anchor, 0);
  ASSERT_EQ(j, 0);
  const JointRecord& r = g_joints[j];
  EXPECT_EQ(r.type, kJointRotary);
  EXPECT_EQ(r.createdInMode, kModeEdit);
  EXPECT_EQ(r.anchor, anchor);
  EXPECT_EQ(r.extraA, 1.5f);
  EXPECT_EQ(dJointGetType(r.joint), dJointTypeHinge);
  dVector3 p, axis;
  dJointGetHingeAnchor(r.joint, p);
  EXPECT_NEAR(p[0], 105.0, 1e-9);
  EXPECT_NEAR(p[2], 0.5, 1e-9);
  dJointGetHingeAxis(r.joint, axis);
  EXPECT_NEAR(axis[2], 1.0, 1e-12);
  EXPECT_EQ(dJointGetHingeParam(r.joint, dParamLoStop), -3.1375665016953265e306);
  EXPECT_EQ(dJointGetHingeParam(r.joint, dParamHiStop), 3.1375665016953265e306);
  EXPECT_EQ(dJointGetHingeParam(r.joint, dParamStopERP), 0.8);
  EXPECT_EQ(dJointGetHingeParam(r.joint, dParamCFM), 0.0);
  EXPECT_EQ(dJointGetHingeParam(r.joint, dParamStopCFM), 0.0);
  ASSERT_EQ(g_items[a].jointCount, 1);
  ASSERT_EQ(g_items[b].jointCount, 1);
  EXPECT_EQ(g_items[a].jointIndexes[0], j);
  EXPECT_EQ(g_items[b].jointIndexes[0], j);
}

TEST_F(Joints, HingeHoldsTwoBodiesTogetherWhileTheyFall) {
  int a = CreateItem(D3DXVECTOR3(100, 50, 0), nullptr, 0, 0, kKindBox, 0);  // fixed
  int b = Box(104, 50);
  D3DXVECTOR3 anchor(102, 52, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
  for (int step = 0; step < 60; ++step) dWorldQuickStep(g_world, 1.0 / 30.0);
  // b swings about the anchor instead of falling away.
  const dReal* pb = dBodyGetPosition(g_items[b].body);
  double dx = pb[0] - 102.0, dy = pb[1] - 52.0;
  EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), std::sqrt(8.0), 0.05);
}

TEST_F(Joints, RefusesSelfJointsFreeItemsAndAFullTable) {
  int a = Box(0, 0);
  int b = Box(10, 0);
  D3DXVECTOR3 anchor(5, 0, 0);
  EXPECT_EQ(CreateHingeJoint(a, a, &anchor, 0), -1);
  EXPECT_EQ(CreateHingeJoint(a, 7, &anchor, 0), -1);
  EXPECT_EQ(CreateHingeJoint(-1, b, &anchor, 0), -1);
  EXPECT_EQ(CreateHingeJoint(a, kMaxItems, &anchor, 0), -1);
  EXPECT_EQ(g_items[a].jointCount, 0);

  for (int j = 0; j < kMaxJoints; ++j) ASSERT_EQ(CreateHingeJoint(a, b, &anchor, 0), j);
  EXPECT_EQ(CreateHingeJoint(a, b, &anchor, 0), -1);
  EXPECT_EQ(g_items[a].jointCount, kMaxJoints);
  EXPECT_EQ(g_joints[kMaxJoints].type, kJointFree);  // the spare records stay unused
}

TEST_F(Joints, DestroyingJointsKeepsTheOtherEntriesInOrder) {
  int a = Box(100, 100);
  int b = Box(110, 100);
  int c = Box(100, 110);
  int d = Box(90, 100);
  ASSERT_EQ(d, 3);
  D3DXVECTOR3 anchor(100, 100, 0);
  int j1 = CreateHingeJoint(a, b, &anchor, 0);
  int j2 = CreateHingeJoint(a, c, &anchor, 0);
  int j3 = CreateHingeJoint(a, d, &anchor, 0);
  DestroyJoint(-1, j2);
  EXPECT_EQ(g_joints[j2].type, kJointFree);
  EXPECT_EQ(g_joints[j2].joint, nullptr);
  ASSERT_EQ(g_items[a].jointCount, 2);
  EXPECT_EQ(g_items[a].jointIndexes[0], j1);
  EXPECT_EQ(g_items[a].jointIndexes[1], j3);
  EXPECT_EQ(g_items[c].jointCount, 0);
  EXPECT_EQ(g_items[c].jointIndexes, nullptr);
  EXPECT_EQ(g_joints[j2].itemA + g_joints[j2].itemB, a + c);  // fields stay in the freed record

  // A freed record again: nothing more changes.
  DestroyJoint(0, j2);
  EXPECT_EQ(g_items[a].jointCount, 2);
  EXPECT_EQ(g_items[d].jointCount, 1);
  DestroyJoint(0, -1);
  DestroyJoint(0, 100000);

  DestroyJoint(0, j1);
  DestroyJoint(0, j3);
  EXPECT_EQ(g_items[a].jointCount, 0);
  EXPECT_EQ(g_items[a].jointIndexes, nullptr);
  EXPECT_EQ(dBodyGetNumJoints(g_items[a].body), 0);
}

}  // namespace
