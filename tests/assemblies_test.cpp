#include <gtest/gtest.h>

#include "physics_test_support.h"
#include "world/joints.h"

namespace {

class Assemblies : public PhysicsTest {
 protected:
  int visited[kMaxItems] = {};

  // What the editor does: move the dragged item, then its assembly.
  void Drag(int item, D3DXVECTOR3 delta) {
    const dReal* p = dBodyGetPosition(g_items[item].body);
    dBodySetPosition(g_items[item].body, p[0] + delta.x, p[1] + delta.y, p[2] + delta.z);
    MoveConnectedItems(item, &delta, visited);
  }
};

}  // namespace

TEST_F(Assemblies, PairIsRecordedSoTheTurnFromFirstToSecondIsClockwise) {
  const int left = Ball(0, 0), right = Ball(10, 0);
  const D3DXVECTOR3 above(5, 5, 0), between(5, 0, 0);
  const int swapped = CreateHingeJoint(left, right, &above, 0);
  ASSERT_GE(swapped, 0);
  EXPECT_EQ(g_joints[swapped].itemA, right);
  EXPECT_EQ(g_joints[swapped].itemB, left);
  EXPECT_EQ(dJointGetBody(g_joints[swapped].joint, 0), g_items[right].body);
  const int kept = CreateHingeJoint(left, right, &between, 0);
  EXPECT_EQ(g_joints[kept].itemA, left);
  EXPECT_EQ(g_joints[kept].itemB, right);
  // Each list holds the joints in the order they were added.
  ASSERT_EQ(g_items[left].jointCount, 2);
  EXPECT_EQ(g_items[left].jointIndexes[0], swapped);
  EXPECT_EQ(g_items[left].jointIndexes[1], kept);
}

TEST_F(Assemblies, GroupsAreNumberedByTheirLowestJointedMember) {
  const int a = Ball(10, 10), b = Ball(20, 10), c = Ball(30, 10), d = Ball(40, 10);
  const int lone = Ball(50, 10);
  const D3DXVECTOR3 ab(15, 10, 0), cd(35, 10, 0);
  CreateHingeJoint(a, b, &ab, 0);
  CreateHingeJoint(c, d, &cd, 0);
  g_items[lone].group = 9;  // stale from an earlier update
  g_dollBody = g_items[d].body;
  NumberConnectedGroups();
  EXPECT_EQ(g_items[a].group, 1);
  EXPECT_EQ(g_items[b].group, 1);
  EXPECT_EQ(g_items[c].group, 3);
  EXPECT_EQ(g_items[d].group, 3);
  EXPECT_EQ(g_items[lone].group, 0);
  EXPECT_EQ(g_dollGroup, 3);
}

TEST_F(Assemblies, EditingMovesTheWholeAssemblyAndFixedPartsStayFixedThere) {
  const int a = Ball(100, 50), b = Box(110, 50, /*movable=*/0), c = Ball(120, 50);
  const D3DXVECTOR3 ab(105, 50, 0), bc(115, 50, 0);
  CreateHingeJoint(a, b, &ab, 0);
  CreateHingeJoint(b, c, &bc, 0);
  Drag(a, D3DXVECTOR3(5, 20, 0));
  EXPECT_EQ(Pos(a), D3DXVECTOR3(105, 70, 0));
  EXPECT_EQ(Pos(b), D3DXVECTOR3(115, 70, 0));
  EXPECT_EQ(Pos(c), D3DXVECTOR3(125, 70, 0));
  EXPECT_EQ(g_items[b].state, kItemFixed);
  // The fixed box is held at its new place, not pulled back to the old one.
  for (int i = 0; i < 30; ++i) dWorldQuickStep(g_world, kStepSize);
  // (The hanging balls make it sag a little; the old place is 20 below.)
  EXPECT_NEAR(Pos(b).x, 115, 0.01);
  EXPECT_NEAR(Pos(b).y, 70, 0.01);
}

TEST_F(Assemblies, RingOfThreeMovesEveryItemOnce) {
  const int a = Ball(100, 100), b = Ball(110, 100), c = Ball(105, 110);
  const D3DXVECTOR3 ab(105, 100, 0), bc(108, 105, 0), ca(102, 105, 0);
  CreateHingeJoint(a, b, &ab, 0);
  CreateHingeJoint(b, c, &bc, 0);
  CreateHingeJoint(c, a, &ca, 0);
  Drag(b, D3DXVECTOR3(-3, 4, 0));
  EXPECT_EQ(Pos(a), D3DXVECTOR3(97, 104, 0));
  EXPECT_EQ(Pos(b), D3DXVECTOR3(107, 104, 0));
  EXPECT_EQ(Pos(c), D3DXVECTOR3(102, 114, 0));
  EXPECT_EQ(g_items[a].jointCount, 2);
  EXPECT_EQ(LiveShards(), 0);
}

TEST_F(Assemblies, PlacingBreaksOnlyTheJointToAStagePart) {
  const int stagePart = Box(100, 20, 0);
  g_appMode = kModePlay;
  const int dragged = Ball(110, 20), other = Ball(120, 20);
  const D3DXVECTOR3 toStage(105, 20, 0), toOther(115, 20, 0);
  const int broken = CreateHingeJoint(dragged, stagePart, &toStage, 0);
  const int kept = CreateHingeJoint(dragged, other, &toOther, 0);
  Drag(dragged, D3DXVECTOR3(0, 10, 0));
  EXPECT_EQ(g_joints[broken].type, kJointFree);
  EXPECT_EQ(g_joints[kept].type, kJointRotary);
  EXPECT_EQ(Pos(stagePart), D3DXVECTOR3(100, 20, 0));
  EXPECT_EQ(Pos(other), D3DXVECTOR3(120, 30, 0));
  ASSERT_EQ(g_items[dragged].jointCount, 1);
  EXPECT_EQ(g_items[dragged].jointIndexes[0], kept);
  EXPECT_EQ(g_items[stagePart].jointCount, 0);
  EXPECT_EQ(g_items[stagePart].jointIndexes, nullptr);
  // 20 shards thrown from the hinge's current anchor, which the engine keeps
  // in the first recorded body (the dragged ball, as the three points lie on
  // one line): it has moved up with the ball.
  EXPECT_EQ(LiveShards(), 20);
  EXPECT_EQ(g_shards[0].pos, D3DXVECTOR3(105, 30, 0));
  EXPECT_EQ(g_shards[19].pos, D3DXVECTOR3(105, 30, 0));
}

TEST_F(Assemblies, PlacingTurnTearsEveryJointOfAnItemOnAStagePart) {
  const int stagePart = Box(100, 20, 0);
  g_appMode = kModePlay;
  const int turned = Ball(110, 20), other = Ball(120, 20);
  const D3DXVECTOR3 toStage(105, 20, 0), toOther(115, 20, 0);
  CreateHingeJoint(turned, stagePart, &toStage, 0);
  CreateHingeJoint(turned, other, &toOther, 0);
  g_rotationPivot = Pos(turned);
  RotateConnectedItems(turned, 45.0f, visited);
  EXPECT_EQ(g_items[turned].jointCount, 0);
  EXPECT_EQ(g_items[turned].jointIndexes, nullptr);
  EXPECT_EQ(g_items[other].jointCount, 0);
  EXPECT_EQ(Pos(other), D3DXVECTOR3(120, 20, 0));
  EXPECT_EQ(Pos(stagePart), D3DXVECTOR3(100, 20, 0));
  EXPECT_EQ(LiveShards(), 40);
}

TEST_F(Assemblies, RotationTurnsPartnersAboutThePivot) {
  const int hub = Ball(200, 100), arm = Box(210, 100, 1, 8, 2), tip = Box(220, 100, 0);
  const D3DXVECTOR3 a1(205, 100, 0), a2(215, 100, 0);
  CreateHingeJoint(hub, arm, &a1, 0);
  CreateHingeJoint(arm, tip, &a2, 0);
  g_rotationPivot = D3DXVECTOR3(200, 100, 0);
  RotateConnectedItems(hub, 90.0f, visited);
  EXPECT_NEAR(Pos(arm).x, 200, 1e-4);
  EXPECT_NEAR(Pos(arm).y, 110, 1e-4);
  EXPECT_NEAR(Pos(tip).x, 200, 1e-4);
  EXPECT_NEAR(Pos(tip).y, 120, 1e-4);
  EXPECT_EQ(Pos(hub), D3DXVECTOR3(200, 100, 0));
  // The arm's own x axis now points up the screen (counter-clockwise turn).
  const D3DXMATRIX m = Rot(arm);
  EXPECT_NEAR(m._11, 0, 1e-6);
  EXPECT_NEAR(m._12, 1, 1e-6);
  EXPECT_NEAR(m._21, -1, 1e-6);
  // The fixed tip stays where it was turned to.
  for (int i = 0; i < 30; ++i) dWorldQuickStep(g_world, kStepSize);
  EXPECT_NEAR(Pos(tip).x, 200, 1e-3);
  EXPECT_NEAR(Pos(tip).y, 120, 1e-3);
}
