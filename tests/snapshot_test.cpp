#include "stage_test_support.h"

#include <cmath>

#include "game/goal_reached.h"
#include "world/effects.h"
#include "world/goals.h"
#include "world/joint_records.h"
#include "world/joints.h"

namespace {

class SnapshotTest : public StageTest {
 protected:
  void Capture(int mode) {
    CaptureSnapshot(mode, g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                    &g_snapshotJointList);
  }
  void Restore() {
    RestoreSnapshot(g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                    &g_snapshotJointList);
  }
  static int Joint(int a, int b, float x, float y) {
    D3DXVECTOR3 at(x, y, 0);
    return CreateHingeJoint(a, b, &at, 0);
  }
  static std::vector<int32_t> List(int item) {
    const StageItem& it = g_items[item];
    return std::vector<int32_t>(it.jointIndexes, it.jointIndexes + it.jointCount);
  }
};

// A little stage of every shape: goal bell, a fixed box, a turned bar, a ball,
// joined by a rotary and a fixed joint.
struct Stage {
  int box, bar, ball, bell;
  int j1, j2;
};

Stage BuildStage() {
  Stage s;
  SetGoalType(kGoalBell);
  s.bell = 0;
  s.box = CreateItem(D3DXVECTOR3(100, 40, 0), nullptr, 10, 6, kKindBox, 0);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, 0.7f);
  s.bar = CreateItem(D3DXVECTOR3(120, 40, 0), &turn, 1, 12, kKindCapsule, 1);
  s.ball = CreateItem(D3DXVECTOR3(140, 60, 0), nullptr, 3, 0, kKindRubberBall, 1);
  D3DXVECTOR3 a1(110, 40, 0), a2(130, 50, 0);
  s.j1 = CreateHingeJoint(s.box, s.bar, &a1, 0);
  s.j2 = CreateHingeJoint(s.bar, s.ball, &a2, 0);
  g_joints[s.j2].type = kJointFixed;
  dJointSetHingeParam(g_joints[s.j2].joint, dParamLoStop, 0);
  dJointSetHingeParam(g_joints[s.j2].joint, dParamHiStop, 0);
  g_items[s.ball].motorSpeed = -3;
  return s;
}

TEST_F(SnapshotTest, BuffersStartZeroed) {
  const unsigned char* p = (const unsigned char*)g_undoSlots[1].bodies;
  for (size_t i = 0; i < sizeof(BodyState) * kMaxItems; ++i) ASSERT_EQ(p[i], 0) << i;
  p = (const unsigned char*)g_runSnapshotJoints;
  for (size_t i = 0; i < sizeof(JointRecord) * kMaxJoints; ++i) ASSERT_EQ(p[i], 0) << i;
}

TEST_F(SnapshotTest, CaptureThenRestoreGivesTheSameTablesAndPoses) {
  Stage s = BuildStage();
  // Let the stage move so that poses are not the placed ones.
  for (int i = 0; i < 5; ++i) dWorldQuickStep(g_world, 1.0 / 30);
  g_items[s.ball].flags = kFlagSelected;
  Capture(1);
  EXPECT_EQ(g_jointListLength, 4);

  std::vector<StageItem> items(g_items, g_items + kMaxItems);
  std::vector<JointRecord> joints(g_joints, g_joints + kMaxJoints);
  std::vector<std::vector<int32_t>> lists;
  std::vector<std::vector<double>> poses;
  for (int i = 0; i < kMaxItems; ++i) {
    lists.push_back(g_items[i].state ? List(i) : std::vector<int32_t>());
    std::vector<double> pose;
    if (g_items[i].state) {
      const dReal* p = dGeomGetPosition(g_items[i].geom);
      const dReal* r = dGeomGetRotation(g_items[i].geom);
      pose.assign(p, p + 3);
      for (int k = 0; k < 12; ++k)
        if (k % 4 != 3) pose.push_back(r[k]);
    }
    poses.push_back(pose);
  }

  g_stageCleared = 1;
  g_sparkles[7].active = 1;
  g_smokePuffs[3].active = 1;
  Restore();

  EXPECT_EQ(LiveItems(), 4);
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& a = items[i];
    const StageItem& b = g_items[i];
    ASSERT_EQ(a.state, b.state) << i;
    if (!a.state) continue;
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.sizeA, b.sizeA);
    EXPECT_EQ(a.sizeB, b.sizeB);
    EXPECT_EQ(a.createdInMode, b.createdInMode);
    EXPECT_EQ(b.flags & kFlagSelected, 0u);
    EXPECT_EQ(a.alpha, b.alpha);
    EXPECT_EQ(a.motorSpeed, b.motorSpeed);
    EXPECT_EQ(lists[i], List(i)) << i;
    EXPECT_EQ(b.fixJoint != nullptr, b.state == kItemFixed) << i;
    const dReal* p = dGeomGetPosition(b.geom);
    const dReal* r = dGeomGetRotation(b.geom);
    std::vector<double> pose(p, p + 3);
    for (int k = 0; k < 12; ++k)
      if (k % 4 != 3) pose.push_back(r[k]);
    for (size_t k = 0; k < pose.size(); ++k) EXPECT_NEAR(pose[k], poses[i][k], 1e-12) << i;
    // At rest and awake.
    const dReal* v = dBodyGetLinearVel(b.body);
    EXPECT_EQ(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 0.0);
    EXPECT_TRUE(dBodyIsEnabled(b.body));
  }
  for (int j = 0; j < kMaxJoints; ++j) {
    ASSERT_EQ(joints[j].type, g_joints[j].type) << j;
    if (!joints[j].type) continue;
    EXPECT_EQ(joints[j].itemA, g_joints[j].itemA);
    EXPECT_EQ(joints[j].itemB, g_joints[j].itemB);
    EXPECT_EQ(joints[j].anchor, g_joints[j].anchor);
    ASSERT_NE(g_joints[j].joint, nullptr);
    EXPECT_EQ(dJointGetBody(g_joints[j].joint, 0), g_items[g_joints[j].itemA].body);
    dVector3 at;
    dJointGetHingeAnchor(g_joints[j].joint, at);
    EXPECT_NEAR(at[0], joints[j].anchor.x, 1e-4);
  }
  EXPECT_EQ(dJointGetHingeParam(g_joints[s.j2].joint, dParamHiStop), 0.0);
  EXPECT_EQ(g_goalBellBody, g_items[s.bell].body);
  EXPECT_EQ(g_stageCleared, 0);
  EXPECT_EQ(g_sparkles[7].active, 0);
  EXPECT_EQ(g_smokePuffs[3].active, 0);
  EXPECT_EQ(g_jointListLength, 4);

  // A second capture of the rebuilt stage holds the same records and poses.
  std::vector<BodyState> before(g_fileSnapshotBodies, g_fileSnapshotBodies + kMaxItems);
  Capture(1);
  for (int i : {s.bell, s.box, s.bar, s.ball})
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(g_fileSnapshotBodies[i].position[k], before[i].position[k], 1e-12);
}

TEST_F(SnapshotTest, CaptureWithoutJointsHasNoList) {
  SetGoalType(kGoalBell);
  CreateItem(D3DXVECTOR3(50, 50, 0), nullptr, 0, 0, kKindBall, 1);
  Capture(1);
  EXPECT_EQ(g_snapshotJointList, nullptr);
  EXPECT_EQ(g_jointListLength, 0);
  Restore();
  for (const StageItem& it : g_items) {
    EXPECT_EQ(it.jointIndexes, nullptr);
    EXPECT_EQ(it.jointCount, 0);
  }
  EXPECT_EQ(LiveItems(), 2);
}

TEST_F(SnapshotTest, ModeZeroKeepsOnlyTheStage) {
  Stage s = BuildStage();
  g_appMode = kModePlay;
  int mine = CreateItem(D3DXVECTOR3(160, 60, 0), nullptr, 0, 0, kKindBox, 1);
  int other = CreateItem(D3DXVECTOR3(180, 60, 0), nullptr, 0, 0, kKindBox, 1);
  int toStage = Joint(s.ball, mine, 150, 60);
  int between = Joint(mine, other, 170, 60);
  Capture(0);
  EXPECT_EQ(g_fileSnapshotItems[mine].state, kItemFree);
  EXPECT_EQ(g_fileSnapshotItems[other].state, kItemFree);
  EXPECT_EQ(g_fileSnapshotJoints[toStage].type, kJointFree);
  EXPECT_EQ(g_fileSnapshotJoints[between].type, kJointFree);
  EXPECT_NE(g_fileSnapshotJoints[s.j1].type, kJointFree);
  // The stage ball's list still names the player's joint; the restore drops it.
  EXPECT_EQ(g_jointListLength, 5);
  Restore();
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(List(s.ball), std::vector<int32_t>{s.j2});
  EXPECT_EQ(LiveJoints(), 2);
}

TEST_F(SnapshotTest, UnknownKindIsReportedOnceAndLeftOut) {
  Stage s = BuildStage();
  Capture(1);
  g_fileSnapshotItems[s.bar].kind = 3;   // no recipe
  g_fileSnapshotItems[s.box].sizeA = 0;  // the engine would refuse it
  headless::ClearMessageBoxes();
  Restore();
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(), "予定外のオブジェクトがロードされようとしています。");
  EXPECT_EQ(headless::MessageBoxes()[0].captionCp932, std::string(g_appTitle));
  EXPECT_EQ(g_items[s.bar].state, kItemFree);
  EXPECT_EQ(g_items[s.box].state, kItemFree);
  EXPECT_EQ(g_items[s.bar].geom, nullptr);
  // Both joints named the bar: gone, and out of the ball's list.
  EXPECT_EQ(LiveJoints(), 0);
  EXPECT_EQ(g_items[s.ball].jointCount, 0);
  EXPECT_EQ(g_items[s.ball].jointIndexes, nullptr);
  EXPECT_EQ(LiveItems(), 2);
  // The rest of the stage still runs.
  for (int i = 0; i < 10; ++i) dWorldQuickStep(g_world, 1.0 / 30);
  EXPECT_TRUE(std::isfinite(Pos(s.ball).y));
}

TEST_F(SnapshotTest, BrokenJointRecordsAndListsAreLeftOut) {
  Stage s = BuildStage();
  Capture(1);
  // Damage of the kind a file can bring: a joint of an item to itself, a
  // joint to a free slot, a list naming a free joint, a duplicate and an
  // index out of range.
  g_fileSnapshotJoints[s.j1].itemB = g_fileSnapshotJoints[s.j1].itemA;
  g_fileSnapshotJoints[7] = g_fileSnapshotJoints[s.j2];
  g_fileSnapshotJoints[7].itemB = 400;
  int bar = 0;
  for (int32_t k = 0; k < g_jointListLength; ++k) {
    if (g_snapshotJointList[k] == s.j1) g_snapshotJointList[k] = (bar++ ? s.j2 : 9999);  // box: out of range; bar: twice j2
  }
  Restore();
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(LiveJoints(), 1);
  EXPECT_EQ(g_joints[7].type, kJointFree);
  EXPECT_EQ(List(s.bar), std::vector<int32_t>{s.j2});
  EXPECT_EQ(List(s.box), std::vector<int32_t>{});
  EXPECT_EQ(List(s.ball), std::vector<int32_t>{s.j2});
  DestroyJoint(s.bar, s.j2);
  EXPECT_EQ(g_items[s.bar].jointCount, 0);
  for (int i = 0; i < 10; ++i) dWorldQuickStep(g_world, 1.0 / 30);
}

TEST_F(SnapshotTest, AGrenadeKeepsItsFuse) {
  Stage s = BuildStage();
  Capture(1);
  g_fileSnapshotItems[s.bar].kind = kKindGrenade;
  g_fileSnapshotItems[s.bar].state = 40;
  g_fileSnapshotItems[s.ball].kind = kKindGrenade;
  g_fileSnapshotItems[s.ball].state = kItemFixed;
  Restore();
  EXPECT_EQ(g_items[s.bar].state, 40);
  EXPECT_EQ(g_items[s.bar].fixJoint, nullptr);
  EXPECT_EQ(dGeomGetClass(g_items[s.bar].geom), dCapsuleClass);
  // A fuse of 2 reads as fixed, as every state 2 does.
  EXPECT_EQ(g_items[s.ball].state, kItemFixed);
  EXPECT_NE(g_items[s.ball].fixJoint, nullptr);
  EXPECT_EQ(LiveJoints(), 2);
}

TEST_F(SnapshotTest, RebuiltItemsWeighWhatTheyWeighedAtCreation) {
  // Radius 3: 8 / 3 rounds differently in single and double precision.
  SetGoalType(kGoalBell);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, 0.3f);
  const int made[] = {CreateItem(D3DXVECTOR3(100, 40, 0), nullptr, 3, 0, kKindBall, 1),
                      CreateItem(D3DXVECTOR3(140, 40, 0), &turn, 3, 12, kKindCapsule, 1),
                      CreateItem(D3DXVECTOR3(180, 40, 0), nullptr, 3, 0, kKindTire, 1)};
  dMass before[3];
  for (int k = 0; k < 3; ++k) {
    ASSERT_GE(made[k], 0);
    dBodyGetMass(g_items[made[k]].body, &before[k]);
  }
  Capture(1);
  Restore();
  for (int k = 0; k < 3; ++k) {
    dMass after;
    dBodyGetMass(g_items[made[k]].body, &after);
    EXPECT_EQ(after.mass, before[k].mass) << k;
    for (int e = 0; e < 12; ++e) EXPECT_EQ(after.I[e], before[k].I[e]) << k << " " << e;
  }
}

TEST_F(SnapshotTest, StartBallComesBackWithACapsuleMass) {
  SetGoalType(kGoalStartBall);
  int ball = 0;
  ASSERT_EQ(g_items[ball].kind, kKindStartBall);
  Capture(1);
  Restore();
  dMass m;
  dBodyGetMass(g_items[ball].body, &m);
  double r = g_items[ball].sizeA, len = g_items[ball].sizeB;
  dMass expect;
  dMassSetCapsule(&expect, 1.0, 3, r, len);
  EXPECT_DOUBLE_EQ(m.mass, expect.mass);
  EXPECT_EQ(g_startBallBody, g_items[ball].body);
  EXPECT_EQ(dGeomGetClass(g_items[ball].geom), dSphereClass);
}

TEST_F(SnapshotTest, UndoSlotsKeepListsOfTheirOwn) {
  Stage s = BuildStage();
  CaptureSnapshot(0, g_undoSlots[0].items, g_undoSlots[0].bodies, g_undoSlots[0].joints,
                  &g_undoSlots[0].jointList);
  DestroyItem(s.bar);
  Capture(1);
  RestoreSnapshot(g_undoSlots[0].items, g_undoSlots[0].bodies, g_undoSlots[0].joints,
                  &g_undoSlots[0].jointList);
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(LiveJoints(), 2);
  EXPECT_EQ(List(s.bar), (std::vector<int32_t>{s.j1, s.j2}));
}

TEST_F(SnapshotTest, ClearStageKeepsGoalTypeAndArea) {
  BuildStage();
  g_area.corner1 = D3DXVECTOR3(1, 2, 0);
  g_areaEditState = kAreaDefined;
  std::strcpy(g_stageName, "old");
  std::strcpy(g_stagePath, "/x/old");
  g_stageModified = 1;
  g_clearVerified = 1;
  g_cameraPos = D3DXVECTOR3(10, 20, -30);
  g_zoomLevel = -3;
  g_itemBarHeight = 99;
  SpawnShardBurst(&g_cameraPos, 20);  // a joint of the old stage just broke
  ClearStage();
  EXPECT_EQ(LiveItems(), 0);
  EXPECT_EQ(LiveJoints(), 0);
  EXPECT_EQ(g_goalType, kGoalBell);
  EXPECT_EQ(g_goalBellBody, nullptr);
  EXPECT_EQ(g_area.corner1, D3DXVECTOR3(1, 2, 0));
  EXPECT_EQ(g_areaEditState, kAreaNone);
  EXPECT_EQ(g_stageName[0], '\0');
  EXPECT_EQ(g_stagePath[0], '\0');
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_EQ(g_cameraPos, D3DXVECTOR3(400, 10, -50));
  EXPECT_EQ(g_zoomLevel, 2);
  EXPECT_EQ(g_itemBarHeight, 0);
  for (const Shard& s : g_shards) EXPECT_EQ(s.life, 0);
  EXPECT_NE(Title().find(Cp932Text("新規ステージ")), std::string::npos);
}

}  // namespace
