#include <cstring>
#include <vector>

#include "run_test_support.h"
#include "world/update_state.h"

namespace {

// Everything of an item that a run may change and a stop must give back.
struct Pose {
  int32_t state, kind;
  float sizeA, sizeB;
  int32_t motorSpeed, jointCount;
  dReal pos[3];
  dReal rot[12];
};

class Runs : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    g_cameraPos = D3DXVECTOR3(300, 100, -50);
    SetGoalType(kGoalRocketDoll);
    g_area.corner1 = D3DXVECTOR3(0, 400, 0);
    g_area.corner2 = D3DXVECTOR3(800, 0, 0);
    g_appMode = kModePlay;
    // The player's items: a motor on a bar, a box resting on the floor, a
    // ball in the air.
    a = CreateItem(D3DXVECTOR3(250, 80, 0), nullptr, 0, 0, kKindBall, 1);
    b = CreateItem(D3DXVECTOR3(250, 90, 0), nullptr, 0, 0, kKindCapsule, 1);
    const D3DXVECTOR3 anchor(250, 84, 0);
    ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
    g_items[a].motorSpeed = 3;
    ASSERT_GE(CreateItem(D3DXVECTOR3(350, 2, 0), nullptr, 0, 0, kKindBox, 1), 0);
    ASSERT_GE(CreateItem(D3DXVECTOR3(380, 150, 0), nullptr, 0, 0, kKindRubberBall, 1), 0);
  }
  static std::vector<Pose> Poses() {
    std::vector<Pose> out;
    for (const StageItem& it : g_items) {
      if (it.state == kItemFree) continue;
      Pose p;
      std::memset(&p, 0, sizeof p);
      p.state = it.state;
      p.kind = it.kind;
      p.sizeA = it.sizeA;
      p.sizeB = it.sizeB;
      p.motorSpeed = it.motorSpeed;
      p.jointCount = it.jointCount;
      std::memcpy(p.pos, dGeomGetPosition(it.geom), sizeof p.pos);
      std::memcpy(p.rot, dGeomGetRotation(it.geom), sizeof p.rot);
      out.push_back(p);
    }
    return out;
  }
  int a = -1, b = -1;
};

TEST_F(Runs, SpaceStartsOnceAndSpaceRestoresEveryPoseExactly) {
  const std::vector<Pose> before = Poses();
  const int joints = LiveJoints();
  const D3DXVECTOR3 camera = g_cameraPos;

  headless::SetKey(VK_SPACE, true);
  for (int i = 0; i < 5; ++i) Update();  // held: acts once
  EXPECT_EQ(g_appMode, kModeRun);
  headless::SetKey(VK_SPACE, false);
  for (int i = 0; i < 150; ++i) Update();
  // The run moved things and made the doll.
  EXPECT_NE(g_dollBody, nullptr);
  EXPECT_NE(Poses().size(), before.size());
  g_cameraPos = D3DXVECTOR3(123, 45, -300);  // wherever the run camera went

  headless::SetKey(VK_SPACE, true);
  Update();
  EXPECT_EQ(g_appMode, kModePlay);
  for (int i = 0; i < 3; ++i) Update();  // held across the stop: still stopped
  EXPECT_EQ(g_appMode, kModePlay);
  headless::SetKey(VK_SPACE, false);

  const std::vector<Pose> after = Poses();
  ASSERT_EQ(after.size(), before.size());
  for (size_t k = 0; k < before.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(std::memcmp(&after[k], &before[k], sizeof(Pose)), 0);
  }
  EXPECT_EQ(LiveJoints(), joints);
  EXPECT_EQ(g_dollBody, nullptr);
  EXPECT_EQ(g_cameraPos, camera);
  for (const StageItem& it : g_items) {
    if (it.state == kItemFree) continue;
    const dReal* v = dBodyGetLinearVel(it.body);
    EXPECT_EQ(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 0.0);
  }

  // And the next run is the same run again.
  PressSpace();
  EXPECT_EQ(g_appMode, kModeRun);
  EXPECT_EQ(g_dollLaunchCounter, 60);
}

TEST_F(Runs, TwoRunsFromTheSamePlaceGoTheSameWay) {
  std::vector<Pose> ends[2];
  for (int run = 0; run < 2; ++run) {
    PressSpace();
    ASSERT_EQ(g_appMode, kModeRun);
    for (int i = 0; i < 90; ++i) Update();
    ends[run] = Poses();
    PressSpace();
    ASSERT_EQ(g_appMode, kModePlay);
  }
  ASSERT_EQ(ends[0].size(), ends[1].size());
  for (size_t k = 0; k < ends[0].size(); ++k)
    EXPECT_EQ(std::memcmp(&ends[0][k], &ends[1][k], sizeof(Pose)), 0) << k;
}

TEST_F(Runs, SpaceDoesNothingInStageEditing) {
  g_appMode = kModeEdit;
  const std::vector<Pose> before = Poses();
  PressSpace();
  EXPECT_EQ(g_appMode, kModeEdit);
  Update();
  EXPECT_EQ(Poses().size(), before.size());
}

TEST_F(Runs, OverlapOrAnItemOutsideTheAreaRefusesTheStart) {
  const D3DXVECTOR3 camera = g_cameraPos;
  const std::vector<Pose> before = Poses();
  g_items[a].flags = kFlagSelected;
  g_goalPanelState = 2;
  g_anyOverlap = 1;
  PressSpace();
  EXPECT_EQ(g_appMode, kModePlay);
  g_anyOverlap = 0;
  g_itemOutsideArea = 1;
  StartRun();
  EXPECT_EQ(g_appMode, kModePlay);
  // Nothing at all changed.
  EXPECT_EQ(g_items[a].flags, (uint32_t)kFlagSelected);
  EXPECT_EQ(g_goalPanelState, 2);
  EXPECT_EQ(g_cameraPos, camera);
  const std::vector<Pose> after = Poses();
  for (size_t k = 0; k < before.size(); ++k)
    EXPECT_EQ(std::memcmp(&after[k], &before[k], sizeof(Pose)), 0) << k;
}

TEST_F(Runs, NoRunWithoutTheRunSnapshotBuffers) {
  FreeSnapshotBuffers();
  PressSpace();
  EXPECT_EQ(g_appMode, kModePlay);
  AllocateSnapshotBuffers();
  PressSpace();
  EXPECT_EQ(g_appMode, kModeRun);
}

TEST_F(Runs, StartResetsTheRunState) {
  g_items[a].flags = kFlagSelected;
  g_hoveredItem = a;
  g_cursorOnStage = 1;
  g_goalPanelState = 2;
  g_truckTiltRate = 3;
  g_truckWheelSpeed = 200;
  g_truckFlipFrames = 9;
  g_dollLaunchCounter = -1;
  g_dollGroup = 4;
  g_dollStillFrames = 7;
  g_dollAtRest = 1;
  g_truckOverviewCamera = 1;
  StartRun();
  ASSERT_EQ(g_appMode, kModeRun);
  EXPECT_EQ(g_items[a].flags & kFlagSelected, 0u);
  EXPECT_EQ(g_hoveredItem, -1);
  EXPECT_EQ(g_cursorOnStage, 0);
  EXPECT_EQ(g_goalPanelState, 0);
  EXPECT_EQ(g_truckTiltRate, 0.0f);
  EXPECT_EQ(g_truckWheelSpeed, 0.0f);
  EXPECT_EQ(g_truckFlipFrames, 0);
  EXPECT_EQ(g_dollLaunchCounter, 60);
  EXPECT_EQ(g_dollGroup, -1);
  EXPECT_EQ(g_dollStillFrames, 0);
  EXPECT_EQ(g_dollAtRest, 0);
  EXPECT_EQ(g_truckOverviewCamera, 1);  // survives from run to run
  EXPECT_EQ(g_savedCameraPos, g_cameraPos);
  // Starting again from a run does nothing; stopping outside one neither.
  StartRun();
  EXPECT_EQ(g_appMode, kModeRun);
  StopRun();
  EXPECT_EQ(g_appMode, kModePlay);
  StopRun();
  EXPECT_EQ(g_appMode, kModePlay);
}

TEST_F(Runs, CursorHidesWhileTheMouseRestsInARun) {
  PressSpace();
  ASSERT_EQ(g_appMode, kModeRun);
  const POINT still{100, 100};
  Update(still);  // the first run update sees a new position
  for (int i = 0; i < 120; ++i) Update(still);
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(g_cursorIdleFrames, 120);
  Update(still);  // the 121st still update
  EXPECT_EQ(g_cursorVisible, 0);
  EXPECT_FALSE(headless::CursorShown());
  for (int i = 0; i < 10; ++i) Update(still);
  EXPECT_EQ(headless::CursorDisplayCount(), -1);  // hidden once, not again
  Update(POINT{101, 100});
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(g_cursorIdleFrames, 0);
  EXPECT_TRUE(headless::CursorShown());

  // Hidden again, then the stop brings it back.
  for (int i = 0; i < 121; ++i) Update(POINT{101, 100});
  EXPECT_FALSE(headless::CursorShown());
  headless::SetKey(VK_SPACE, false);
  HandleSpaceKey();
  headless::SetKey(VK_SPACE, true);
  Update(POINT{101, 100});  // the mouse still rests: only the stop shows it
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(g_cursorIdleFrames, 0);
  EXPECT_EQ(headless::CursorDisplayCount(), 0);
}

}  // namespace
