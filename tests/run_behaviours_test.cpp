#include <cmath>

#include "run_test_support.h"
#include "world/rocket_doll.h"

namespace {

class TruckControl : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    g_cameraPos = D3DXVECTOR3(100, 100, -50);
    SetGoalType(kGoalTruck);
    g_appMode = kModeRun;
    g_sceneMoving = 1;
    truck = 0;
    ASSERT_EQ(g_items[truck].kind, kKindTruck);
  }
  void Key(int vk, bool held) { headless::SetKey(vk, held); }
  int truck = -1;
};

TEST_F(TruckControl, OneTapOfLeftTurnsTheTruckAndEasesOff) {
  Key(VK_LEFT, true);
  UpdateTruckControl();
  Key(VK_LEFT, false);
  EXPECT_FLOAT_EQ(g_truckTiltRate, 0.8f);
  EXPECT_NEAR(TurnOf(g_items[truck].geom), 0.8f, 1e-4);
  const float expected[] = {1.4f, 1.8f, 2.0f, 2.0f};
  for (float total : expected) {
    UpdateTruckControl();
    EXPECT_NEAR(TurnOf(g_items[truck].geom), total, 1e-3);
  }
  // The float steps of 0.2 leave a crumb that the next update clears.
  UpdateTruckControl();
  EXPECT_EQ(g_truckTiltRate, 0.0f);
  EXPECT_NEAR(g_truckAngle, 2.0f, 1e-3);
}

TEST_F(TruckControl, TiltKeysRespectTheTruckAngle) {
  TurnGeom(g_items[truck].geom, 80.0f);
  Key(VK_LEFT, true);
  UpdateTruckControl();  // beyond 70: Left does nothing
  EXPECT_NEAR(g_truckAngle, 80.0f, 1e-3);
  EXPECT_EQ(g_truckTiltRate, 0.0f);
  Key(VK_LEFT, false);
  Key(VK_RIGHT, true);
  UpdateTruckControl();  // below 100: Right still tilts back
  EXPECT_FLOAT_EQ(g_truckTiltRate, -0.8f);
  EXPECT_NEAR(TurnOf(g_items[truck].geom), 79.2f, 1e-3);

  // Upside down to the other side: the angle is negative when the axis
  // points down.
  TurnGeom(g_items[truck].geom, -120.0f);
  UpdateTruckControl();
  EXPECT_NEAR(g_truckAngle, -120.0f, 1e-3);
}

TEST_F(TruckControl, WheelSpeedSettlesBelowItsLimitAndRunsDown) {
  Key('Z', true);
  UpdateTruckControl();
  EXPECT_EQ(g_truckWheelSpeed, 4.0f);  // +9, then 5 of easing
  for (int i = 0; i < 200; ++i) UpdateTruckControl();
  EXPECT_EQ(g_truckWheelSpeed, 395.0f);
  Key('Z', false);
  UpdateTruckControl();
  EXPECT_EQ(g_truckWheelSpeed, 390.0f);
  for (int i = 0; i < 78; ++i) UpdateTruckControl();
  EXPECT_EQ(g_truckWheelSpeed, 0.0f);
  Key('X', true);
  for (int i = 0; i < 200; ++i) UpdateTruckControl();
  EXPECT_EQ(g_truckWheelSpeed, -395.0f);
  // After the goal the keys are ignored but the wheels still run down.
  g_stageCleared = 1;
  UpdateTruckControl();
  EXPECT_EQ(g_truckWheelSpeed, -390.0f);
}

TEST_F(TruckControl, OverviewToggleActsOncePerPress) {
  g_truckOverviewCamera = 0;
  Key('C', true);
  for (int i = 0; i < 5; ++i) UpdateTruckControl();
  EXPECT_EQ(g_truckOverviewCamera, 1);
  Key('C', false);
  UpdateTruckControl();
  Key('C', true);
  UpdateTruckControl();
  EXPECT_EQ(g_truckOverviewCamera, 0);
}

TEST_F(TruckControl, UprightResetOnlyOnceEverythingRests) {
  const dBodyID body = g_items[truck].body;
  TurnGeom(g_items[truck].geom, 150.0f);
  dBodySetLinearVel(body, 3, 4, 0);
  dBodySetAngularVel(g_items[1].body, 0, 0, 2);
  g_truckWheelSpeed = 100;
  const D3DXVECTOR3 before = BodyPos(body);

  g_sceneMoving = 1;
  Key('R', true);
  UpdateTruckControl();
  EXPECT_NEAR(TurnOf(g_items[truck].geom), 150.0f, 1e-3);
  Key('R', false);
  UpdateTruckControl();  // the latch is cleared only while nothing moves
  g_sceneMoving = 0;
  Key('R', true);
  UpdateTruckControl();
  EXPECT_NEAR(TurnOf(g_items[truck].geom), 0.0f, 1e-5);
  EXPECT_EQ(dBodyGetLinearVel(body)[0], 0.0);
  EXPECT_EQ(dBodyGetAngularVel(g_items[1].body)[2], 0.0);
  EXPECT_EQ(g_truckWheelSpeed, 0.0f);
  EXPECT_EQ(BodyPos(body), before);
}

TEST_F(RunTest, TruckDrivesIntoTheGoalAreaUnderHeldKeys) {
  g_cameraPos = D3DXVECTOR3(100, 12, -50);
  SetGoalType(kGoalTruck);
  g_area.corner1 = D3DXVECTOR3(300, 60, 0);
  g_area.corner2 = D3DXVECTOR3(400, 0, 0);
  g_appMode = kModePlay;
  StartRun();
  ASSERT_EQ(g_appMode, kModeRun);
  headless::SetKey('X', true);  // X turns the wheels clockwise: to the right
  int updates = 0;
  while (!g_stageCleared && updates < 2000) {
    Update();
    ++updates;
  }
  ASSERT_EQ(g_stageCleared, 1) << "truck at x " << BodyPos(g_truckBody).x;
  const D3DXVECTOR3 p = BodyPos(g_truckBody);
  EXPECT_GT(p.x, 300.0f);
  EXPECT_LT(p.x, 400.0f);
  EXPECT_EQ(g_clearVerified, 1);  // a test play's clear allows the export
  EXPECT_EQ(g_clearFlashAlpha, 200);

  // Z drives it back to the left.
  headless::SetKey('X', false);
  headless::SetKey('Z', true);
  g_stageCleared = 0;  // keys work again
  for (int i = 0; i < 400; ++i) {
    UpdateTruckControl();
    StepSimulation();
    HoldBodiesToPlane();
    ApplyRunBehaviours();
  }
  EXPECT_LT(BodyPos(g_truckBody).x, p.x);
}

class RocketRun : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    g_cameraPos = D3DXVECTOR3(200, 50, -50);
    SetGoalType(kGoalRocketDoll);
    ASSERT_EQ(g_items[0].kind, kKindRocket);
    g_appMode = kModePlay;
  }
  static void TurnRocket(float deg) {
    TurnGeom(g_items[0].geom, deg);
    dJointSetFixed(g_items[0].fixJoint);
  }
  static int DollParts() {
    int n = 0;
    for (const StageItem& it : g_items)
      n += it.state != kItemFree && it.kind >= kKindDollHead && it.kind <= kKindDollWaist;
    return n;
  }
};

TEST_F(RocketRun, DollLeavesOnTheSixtiethUpdate) {
  StartRun();
  for (int i = 0; i < 59; ++i) Update();
  EXPECT_EQ(DollParts(), 0);
  EXPECT_EQ(g_dollLaunchCounter, 1);
  EXPECT_EQ(ActivePuffs(), 0);
  Update();
  EXPECT_EQ(DollParts(), 10);
  EXPECT_EQ(g_dollLaunchCounter, -1);
  ASSERT_NE(g_dollBody, nullptr);
  // Upright rocket: the doll rises from 16 above its centre.
  const D3DXVECTOR3 d = BodyPos(g_dollBody);
  EXPECT_NEAR(d.x, 200.0f, 1e-3);
  EXPECT_NEAR(d.y, 66.0f, 1e-3);
  EXPECT_NEAR(dBodyGetLinearVel(g_dollBody)[1], 200.0, 1e-3);
  // One puff at the nozzle end, 10 above the centre; it has moved one frame.
  ASSERT_EQ(ActivePuffs(), 1);
  EXPECT_NEAR(g_smokePuffs[0].pos.y, 60.0f, 1e-3);
  EXPECT_EQ(g_smokePuffs[0].size, 1.0f);
  EXPECT_EQ(g_smokePuffs[0].frame, 2 * 16 + 1);  // cell 16, one half-step on
  // Only once per run.
  for (int i = 0; i < 60; ++i) Update();
  EXPECT_EQ(DollParts(), 10);

  // The stop takes the doll away; the next run fires a new one.
  StopRun();
  EXPECT_EQ(DollParts(), 0);
  EXPECT_EQ(g_dollBody, nullptr);
  StartRun();
  for (int i = 0; i < 60; ++i) Update();
  EXPECT_EQ(DollParts(), 10);
}

TEST_F(RocketRun, LaunchAngleIsTruncatedToWholeDegrees) {
  TurnRocket(30.9f);
  StartRun();
  for (int i = 0; i < 60; ++i) Update();
  ASSERT_NE(g_dollBody, nullptr);
  EXPECT_EQ(dBodyGetAngularVel(g_dollBody)[2], 30.0);
  StopRun();
  TurnRocket(-30.9f);
  StartRun();
  for (int i = 0; i < 60; ++i) Update();
  ASSERT_NE(g_dollBody, nullptr);
  EXPECT_EQ(dBodyGetAngularVel(g_dollBody)[2], -30.0);
}

TEST_F(RocketRun, LaunchAngleUsesTheNearestFloatOfTheArcCosine) {
  // cos of the x axis 0.017452443f: acos of it in double, taken to float, is
  // 88.9999924 degrees, so the doll leaves at 88 (the single-precision
  // library arc cosine would give 89).
  const double d = (double)0.017452443f, s = std::sqrt(1.0 - d * d);
  dMatrix3 R = {d, -s, 0, 0, s, d, 0, 0, 0, 0, 1, 0};
  dGeomSetRotation(g_items[0].geom, R);
  StartRun();
  g_dollLaunchCounter = 1;  // the rocket's last counted update, without a step
  UpdateRocketCountdown();
  ASSERT_NE(g_dollBody, nullptr);
  EXPECT_EQ(dBodyGetAngularVel(g_dollBody)[2], 88.0);
}

class Goals : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    g_appMode = kModeRun;
    g_area.corner1 = D3DXVECTOR3(100, 200, 0);
    g_area.corner2 = D3DXVECTOR3(300, 50, 0);
  }
};

TEST_F(Goals, StartBallMustBeStrictlyInsideTheGoalArea) {
  g_cameraPos = D3DXVECTOR3(500, 100, -50);
  SetGoalType(kGoalStartBall);
  g_appMode = kModeRun;
  const dBodyID ball = g_startBallBody;
  ASSERT_NE(ball, nullptr);
  dBodySetPosition(ball, 100, 100, 0);  // on the left edge
  CheckRunGoals();
  dBodySetPosition(ball, 200, 200, 0);  // on the top edge
  CheckRunGoals();
  EXPECT_EQ(g_stageCleared, 0);
  dBodySetPosition(ball, 101, 100, 0);
  CheckRunGoals();
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(ActiveSparkles(), 400);
  // Once per run: later checks change nothing.
  g_clearFlashAlpha = 7;
  CheckRunGoals();
  EXPECT_EQ(g_clearFlashAlpha, 7);
  EXPECT_EQ(ActiveSparkles(), 400);
}

TEST_F(Goals, TruckGoalTestsTheTruckBody) {
  g_cameraPos = D3DXVECTOR3(500, 100, -50);
  SetGoalType(kGoalTruck);
  g_appMode = kModeRun;
  CheckRunGoals();
  EXPECT_EQ(g_stageCleared, 0);
  dBodySetPosition(g_truckBody, 299, 51, 0);
  CheckRunGoals();
  EXPECT_EQ(g_stageCleared, 1);
}

TEST_F(Goals, DollMustLieWithinTheToyBox) {
  g_cameraPos = D3DXVECTOR3(200, 100, -50);
  SetGoalType(kGoalRocketDoll);
  g_appMode = kModeRun;
  const D3DXVECTOR3 box = BodyPos(g_toyBoxBody);
  CheckRunGoals();  // no doll yet
  LaunchRocketDoll(D3DXVECTOR3(400, 300, 0), 0);
  ASSERT_NE(g_dollBody, nullptr);
  dBodySetPosition(g_dollBody, box.x + 15.0f, box.y, 0);
  CheckRunGoals();
  dBodySetPosition(g_dollBody, box.x, box.y - 10.0f, 0);
  CheckRunGoals();
  EXPECT_EQ(g_stageCleared, 0);
  dBodySetPosition(g_dollBody, box.x + 14.9f, box.y + 9.9f, 0);
  CheckRunGoals();
  EXPECT_EQ(g_stageCleared, 1);
}

TEST_F(RunTest, EachGoalFiresOncePerRun) {
  // A start ball that drops into the goal area below it.
  g_cameraPos = D3DXVECTOR3(200, 60, -50);
  SetGoalType(kGoalStartBall);
  g_area.corner1 = D3DXVECTOR3(150, 40, 0);
  g_area.corner2 = D3DXVECTOR3(250, 0, 0);
  g_appMode = kModePlay;
  const D3DXVECTOR3 placed = BodyPos(g_startBallBody);
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    PressSpace();
    ASSERT_EQ(g_appMode, kModeRun);
    int firstClear = -1;
    for (int i = 0; i < 120; ++i) {
      Update();
      if (g_stageCleared && firstClear < 0) {
        firstClear = i;
        g_clearFlashAlpha = 1;  // a second goal event would set it again
      }
    }
    EXPECT_GE(firstClear, 0);
    EXPECT_EQ(g_clearFlashAlpha, 1);
    EXPECT_EQ(g_stageCleared, 1);
    PressSpace();
    ASSERT_EQ(g_appMode, kModePlay);
    EXPECT_EQ(g_stageCleared, 0);
    EXPECT_EQ(BodyPos(g_startBallBody), placed);
  }
}

TEST_F(RunTest, BellStruckOnceClearsOnce) {
  g_cameraPos = D3DXVECTOR3(200, 20, -50);
  SetGoalType(kGoalBell);
  const int ball = CreateItem(D3DXVECTOR3(201, 40, 0), nullptr, 0, 0, kKindBall, 1);
  ASSERT_GE(ball, 0);
  g_appMode = kModePlay;
  PressSpace();
  ASSERT_EQ(g_appMode, kModeRun);
  int clears = 0;
  for (int i = 0; i < 90; ++i) {
    Update();
    if (g_clearFlashAlpha == 200) {
      ++clears;
      g_clearFlashAlpha = 0;
    }
  }
  EXPECT_EQ(clears, 1);
  EXPECT_EQ(g_stageCleared, 1);
}

class Behaviours : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    g_appMode = kModeRun;
  }
  static int Ball(float x, float y, int movable = 1) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, 0, 0, kKindBall, movable);
  }
  // Grenades only come from files; a ball turned into one behaves the same.
  static int Grenade(float x, float y, int fuse) {
    const int g = Ball(x, y);
    g_items[g].kind = kKindGrenade;
    g_items[g].state = fuse;
    return g;
  }
};

TEST_F(Behaviours, GrenadeExplodesThroughDestroyItem) {
  const int grenade = Grenade(200, 100, 2);
  const int partner = Ball(200, 110);
  const int bystander = Ball(230, 100);
  const D3DXVECTOR3 anchor(200, 105, 0);
  const int joint = CreateHingeJoint(grenade, partner, &anchor, 0);
  ASSERT_GE(joint, 0);

  ApplyRunBehaviours();  // fuse 2 -> 1
  EXPECT_EQ(g_items[grenade].state, 1);
  EXPECT_EQ(ActivePuffs(), 0);
  ApplyRunBehaviours();  // fuse out
  EXPECT_EQ(g_items[grenade].state, kItemFree);
  EXPECT_EQ(g_items[grenade].geom, nullptr);
  EXPECT_EQ(g_items[grenade].body, nullptr);
  // Nothing is left hanging on the freed body.
  EXPECT_EQ(g_joints[joint].type, kJointFree);
  EXPECT_EQ(g_joints[joint].joint, nullptr);
  EXPECT_EQ(g_items[partner].jointCount, 0);
  EXPECT_EQ(g_items[partner].jointIndexes, nullptr);
  EXPECT_EQ(dBodyGetNumJoints(g_items[partner].body), 0);
  // The blast: 30 away at radius 50 is 2000 x 20/50.
  EXPECT_FLOAT_EQ((float)dBodyGetForce(g_items[bystander].body)[0], 800.0f);
  EXPECT_GT(dBodyGetForce(g_items[partner].body)[1], 0.0);
  // One big puff and one to five pieces of debris.
  EXPECT_GE(ActivePuffs(), 2);
  EXPECT_LE(ActivePuffs(), 6);
  EXPECT_EQ(g_smokePuffs[0].size, 3.0f);
  for (int k = 1; k < ActivePuffs(); ++k) {
    EXPECT_GE(g_smokePuffs[k].size, 0.5f);
    EXPECT_LE(g_smokePuffs[k].size, 0.7f);
    EXPECT_GE(g_smokePuffs[k].speedFactor, 1.0f);
    EXPECT_LE(g_smokePuffs[k].speedFactor, 1.9f);
    EXPECT_NEAR(D3DXVec3Length(&g_smokePuffs[k].vel), 1.0f, 1e-5);
  }
  // The world steps on without the grenade.
  StepSimulation();
  EXPECT_GT(dBodyGetLinearVel(g_items[bystander].body)[0], 0.0);
}

TEST_F(Behaviours, FixedGrenadeLeavesNoWorldJoint) {
  const int grenade = Grenade(200, 100, 1);
  // Fixed, as a file could hold it.
  g_items[grenade].fixJoint = dJointCreateFixed(g_world, nullptr);
  dJointAttach(g_items[grenade].fixJoint, g_items[grenade].body, nullptr);
  ApplyRunBehaviours();
  EXPECT_EQ(g_items[grenade].state, kItemFree);
  EXPECT_EQ(g_items[grenade].fixJoint, nullptr);
  StepSimulation();
}

TEST_F(Behaviours, ItemsOffTheFieldFadeAndGo) {
  const int ball = Ball(700, 100);
  dBodySetPosition(g_items[ball].body, 805, 100, 0);
  ApplyRunBehaviours();
  EXPECT_EQ(g_items[ball].alpha, 253);
  for (int i = 0; i < 126; ++i) ApplyRunBehaviours();
  ASSERT_EQ(g_items[ball].state, kItemMovable);
  EXPECT_EQ(g_items[ball].alpha, 1);
  ApplyRunBehaviours();  // the 128th update
  EXPECT_EQ(g_items[ball].state, kItemFree);

  // One that comes back fades in again.
  const int other = Ball(700, 100);
  dBodySetPosition(g_items[other].body, 700, 400, 0);  // y 400 is off the field
  for (int i = 0; i < 10; ++i) ApplyRunBehaviours();
  EXPECT_EQ(g_items[other].alpha, 235);
  dBodySetPosition(g_items[other].body, 700, 399, 0);
  for (int i = 0; i < 3; ++i) ApplyRunBehaviours();
  EXPECT_EQ(g_items[other].alpha, 250);
  ApplyRunBehaviours();
  EXPECT_EQ(g_items[other].alpha, 255);
}

TEST_F(Behaviours, BellOnTheFieldEdgeStays) {
  // The editor clamps the bell onto 0..800 x 0..400, edges included.
  const int bell = CreateItem(D3DXVECTOR3(800, 400, 0), nullptr, 0, 0, kKindGoalBell, 0);
  ASSERT_GE(bell, 0);
  for (int i = 0; i < 200; ++i) ApplyRunBehaviours();
  EXPECT_EQ(g_items[bell].state, kItemFixed);
  EXPECT_EQ(g_items[bell].alpha, 255);
  EXPECT_NE(g_goalBellBody, nullptr);
  // Beyond the edge it fades like anything else.
  const int lost = CreateItem(D3DXVECTOR3(801, 100, 0), nullptr, 0, 0, kKindGoalBell, 0);
  ApplyRunBehaviours();
  EXPECT_EQ(g_items[lost].alpha, 253);
}

TEST_F(Behaviours, GoalObjectsAreKeptOnTheField) {
  g_cameraPos = D3DXVECTOR3(400, 100, -50);
  SetGoalType(kGoalStartBall);
  g_appMode = kModeRun;
  const int ball = 0;
  dBodySetPosition(g_items[ball].body, 805, 100, 0);
  dBodySetLinearVel(g_items[ball].body, 10, 3, 1);
  dBodySetAngularVel(g_items[ball].body, 1, 2, 3);
  ApplyRunBehaviours();
  EXPECT_EQ(BodyPos(g_items[ball].body), D3DXVECTOR3(800, 100, 0));
  const dReal* v = dBodyGetLinearVel(g_items[ball].body);
  EXPECT_EQ(v[0], -10.0);
  EXPECT_EQ(v[1], 3.0);
  EXPECT_EQ(v[2], 0.0);
  const dReal* w = dBodyGetAngularVel(g_items[ball].body);
  EXPECT_EQ(w[0], -1.0);
  EXPECT_EQ(w[1], 2.0);
  EXPECT_EQ(w[2], 0.0);
  // Through the floor: held at 0, velocities untouched.
  dBodySetPosition(g_items[ball].body, 900, -2, 0);
  dBodySetLinearVel(g_items[ball].body, 10, -3, 0);
  ApplyRunBehaviours();
  EXPECT_EQ(BodyPos(g_items[ball].body), D3DXVECTOR3(800, 0, 0));
  EXPECT_EQ(dBodyGetLinearVel(g_items[ball].body)[0], 10.0);
  EXPECT_EQ(g_items[ball].alpha, 255);
}

TEST_F(Behaviours, TruckAndToyBoxClamps) {
  const int truck = CreateItem(D3DXVECTOR3(100, 100, 0), nullptr, 0, 0, kKindTruck, 1);
  const int box = CreateItem(D3DXVECTOR3(100, 100, 0), nullptr, 30, 20, kKindToyBox, 1);
  dBodySetPosition(g_items[truck].body, -3, 50, 0);
  dBodySetLinearVel(g_items[truck].body, -5, 2, 0);
  dBodySetPosition(g_items[box].body, 5, 3, 0);
  dBodySetLinearVel(g_items[box].body, -5, 2, 0);
  ApplyRunBehaviours();
  EXPECT_EQ(BodyPos(g_items[truck].body), D3DXVECTOR3(0, 50, 0));
  EXPECT_EQ(dBodyGetLinearVel(g_items[truck].body)[1], 0.0);
  EXPECT_EQ(BodyPos(g_items[box].body), D3DXVECTOR3(15, 10, 0));
  EXPECT_EQ(dBodyGetLinearVel(g_items[box].body)[0], -5.0);
  dBodySetPosition(g_items[box].body, 790, 50, 0);
  ApplyRunBehaviours();
  EXPECT_EQ(BodyPos(g_items[box].body), D3DXVECTOR3(785, 50, 0));
}

TEST_F(Behaviours, MotorsAndTyresTurnEveryUpdate) {
  const int motor = Ball(100, 100);
  g_items[motor].motorSpeed = 2;
  const int fixedMotor = Ball(200, 100, 0);
  g_items[fixedMotor].motorSpeed = -3;
  const int tyre = CreateItem(D3DXVECTOR3(300, 100, 0), nullptr, 0, 0, kKindTire, 1);
  dBodyDisable(g_items[tyre].body);
  g_truckWheelSpeed = -100.0f;
  ApplyRunBehaviours();
  EXPECT_FLOAT_EQ((float)dBodyGetAngularVel(g_items[motor].body)[2], 80.0f * kDegToRad);
  EXPECT_EQ(dBodyGetAngularVel(g_items[fixedMotor].body)[2], 0.0);
  EXPECT_FLOAT_EQ((float)dBodyGetAngularVel(g_items[tyre].body)[2], -100.0f * kDegToRad);
  EXPECT_TRUE(dBodyIsEnabled(g_items[tyre].body));
}

TEST_F(RunTest, ShardsFallAndFadeInEveryMode) {
  g_appMode = kModeEdit;
  Shard& s = g_shards[3];
  s.life = 11;
  s.pos = D3DXVECTOR3(10, 0.05f, 0);
  s.vel = D3DXVECTOR3(1, 0.02f, 0);
  s.spin = 5;
  MoveShards();
  EXPECT_EQ(s.life, 9);
  EXPECT_FLOAT_EQ(s.pos.x, 11.0f);
  EXPECT_FLOAT_EQ(s.vel.y, -0.01f);
  EXPECT_EQ(s.angle, 5.0f);
  int updates = 1;
  while (s.life != 0 && updates < 10) {
    MoveShards();
    ++updates;
  }
  // 0.07, 0.06, 0.02, -0.05: gone on reaching the floor, not by fading.
  EXPECT_EQ(updates, 4);
  EXPECT_LT(s.pos.y, 0.0f);
  // Life runs out at 0, never below.
  g_shards[4].life = 1;
  g_shards[4].pos = D3DXVECTOR3(0, 50, 0);
  MoveShards();
  EXPECT_EQ(g_shards[4].life, 0);
}

TEST_F(RunTest, SmokePuffsDriftSlowAndEnd) {
  SmokePuff& p = g_smokePuffs[0];
  p.active = 1;
  p.pos = D3DXVECTOR3(0, 0, 0);
  p.vel = D3DXVECTOR3(1, 2, 0);
  p.speedFactor = 2.0f;
  p.frame = 125;
  MoveRunEffects();
  EXPECT_EQ(p.pos, D3DXVECTOR3(2, 4, 0));
  EXPECT_FLOAT_EQ(p.speedFactor, 1.9f);
  EXPECT_EQ(p.frame, 126);
  EXPECT_EQ(p.active, 1);
  MoveRunEffects();
  EXPECT_EQ(p.active, 0);
}

TEST_F(RunTest, TrailsFlySettleAndAreFreedWhenTheTailArrives) {
  Trail& t = g_trails[0];
  for (D3DXVECTOR3& q : t.points) q = D3DXVECTOR3(0, 1, 0);
  t.vel = D3DXVECTOR3(0, -0.2f, 0);
  t.speed = 10;
  t.state = 50;
  MoveRunEffects();  // head hits the floor and bounces weakly: settled
  EXPECT_EQ(t.points[0].y, 0.0f);
  EXPECT_EQ(t.state, 1);
  EXPECT_EQ(t.points[1].y, 0.0f);  // the tail follows one point per update
  EXPECT_EQ(t.points[2].y, 1.0f);
  int updates = 1;
  while (t.state != 0 && updates < 20) {
    MoveRunEffects();
    ++updates;
  }
  EXPECT_EQ(t.state, 0);
  EXPECT_EQ(updates, 10);
}

TEST_F(RunTest, CelebrationSwingsBlinksAndFiresSparkles) {
  g_appMode = kModeRun;
  UpdateClearCelebration();  // not cleared: nothing
  EXPECT_EQ(g_bellSwing, 0);
  g_stageCleared = 1;
  g_bellSwing = 356;
  g_clearBlinkAngle = 357;
  g_fireworkTimer = 0;
  UpdateClearCelebration();
  EXPECT_EQ(g_bellSwing, 0);
  EXPECT_EQ(g_clearBlinkAngle, 0);
  EXPECT_EQ(ActiveSparkles(), 80);
  EXPECT_GE(g_fireworkTimer, 29);
  EXPECT_LE(g_fireworkTimer, 68);
  const D3DXVECTOR3 at = g_sparkles[0].pos - g_sparkles[0].vel;  // moved once already
  EXPECT_GE(at.x, 50.0f);
  EXPECT_LT(at.x, 590.0f);
  EXPECT_LT(at.y, 240.0f);
  // The next burst comes when the timer runs out.
  const int wait = g_fireworkTimer;
  for (int i = 0; i < wait; ++i) UpdateClearCelebration();
  EXPECT_EQ(g_fireworkTimer, 0);
  int before = 0;
  for (const Sparkle& s : g_sparkles) before += s.active;
  UpdateClearCelebration();
  EXPECT_GT(ActiveSparkles(), before);
  // Sparkles fall out of the picture.
  for (int i = 0; i < 2000; ++i) {
    g_fireworkTimer = 5;
    UpdateClearCelebration();
  }
  EXPECT_EQ(ActiveSparkles(), 0);
}

}  // namespace
