// A stage in the placing mode with real physics, and one run update made of
// the steps a run takes in the game's update order.
#pragma once
#include "stage_test_support.h"

#include "game/goal_reached.h"
#include "game/run_behaviours.h"
#include "game/runs.h"
#include "game/simulation.h"
#include "platform/win_input.h"
#include "render/camera.h"
#include "world/effects.h"
#include "world/goals.h"
#include "world/joints.h"
#include "world/rotations.h"

class RunTest : public StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    std::memset(g_smokePuffs, 0, sizeof(g_smokePuffs));
    std::memset(g_sparkles, 0, sizeof(g_sparkles));
    std::memset(g_shards, 0, sizeof(g_shards));
    g_sceneMoving = 1;
  }

  // The run's share of one update: cursor, step, plane, truck, rocket, tick,
  // celebration, behaviours, effects, goals; then the Space key.
  static void Update(POINT mouse = POINT{320, 240}) {
    NumberConnectedGroups();
    MoveShards();
    if (g_appMode == kModeRun) {
      UpdateRunCursor(mouse);
      StepSimulation();
      HoldBodiesToPlane();
      UpdateTruckControl();
      UpdateRocketCountdown();
      AdvanceAnimTick();
      UpdateClearCelebration();
      g_hoveredJoint = -1;
      ApplyRunBehaviours();
      MoveRunEffects();
      CheckRunGoals();
    } else {
      g_animTick = 0;
    }
    HandleSpaceKey();
  }
  // A fresh press: the key is seen up once, then down for one update.
  static void PressSpace() {
    headless::SetKey(VK_SPACE, false);
    HandleSpaceKey();
    headless::SetKey(VK_SPACE, true);
    Update();
    headless::SetKey(VK_SPACE, false);
  }
  static D3DXVECTOR3 BodyPos(dBodyID body) {
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dBodyGetPosition(body), &p);
    return p;
  }
  // The item's turn about z in degrees (x axis from world x).
  static float TurnOf(dGeomID geom) {
    D3DXMATRIX m;
    ConvertOdeRotationToMatrix(dGeomGetRotation(geom), &m);
    return atan2f(m._12, m._11) * kRadToDeg;
  }
  static void TurnGeom(dGeomID geom, float deg) {
    D3DXMATRIX m;
    D3DXMatrixRotationZ(&m, deg * kDegToRad);
    dMatrix3 R;
    ConvertMatrixToOdeRotation(&m, R);
    dGeomSetRotation(geom, R);
  }
  static int ActivePuffs() {
    int n = 0;
    for (const SmokePuff& p : g_smokePuffs) n += p.active != 0;
    return n;
  }
  static int ActiveSparkles() {
    int n = 0;
    for (const Sparkle& s : g_sparkles) n += s.active != 0;
    return n;
  }
};
