// Whole runs and editing sessions of several stages, driven through
// UpdateFrame, folded into one hash per stage: every live item's state, flags,
// group, pose and motion after every update, with the hover, connect, overlap,
// goal and contact results of the update. The expected values were recorded
// from the game as it plays; any change of the contact rules, the step or the
// plane pass, however small, changes them.
#include <cinttypes>
#include <cstdio>

#include "game/goal_reached.h"
#include "game/run_behaviours.h"
#include "game/runs.h"
#include "update_test_support.h"
#include "world/collision.h"
#include "world/effects.h"
#include "world/goals.h"

namespace {

class WholeRuns : public UpdateTest {
 protected:
  void SetUp() override {
    UpdateTest::SetUp();
    std::memset(g_smokePuffs, 0, sizeof(g_smokePuffs));
    g_stageCleared = 0;
    g_bellSwing = 0;
    g_dollGroup = -1;
    g_dollLaunchCounter = 60;
    contactsAtStart = g_contactCount;
  }

  void Mix(const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
      hash ^= p[i];
      hash *= 1099511628211ull;
    }
  }
  template <typename T>
  void MixValue(const T& v) {
    Mix(&v, sizeof v);
  }

  // Everything an update can change in the stage and its results.
  void Record() {
    for (int i = 0; i < kMaxItems; ++i) {
      const StageItem& it = g_items[i];
      if (it.state == kItemFree) continue;
      MixValue(i);
      MixValue(it.state);
      MixValue(it.kind);
      MixValue(it.flags);
      MixValue(it.group);
      Mix(dBodyGetPosition(it.body), 3 * sizeof(dReal));
      const dReal* r = dBodyGetRotation(it.body);
      for (int row = 0; row < 3; ++row) Mix(r + 4 * row, 3 * sizeof(dReal));
      Mix(dBodyGetLinearVel(it.body), 3 * sizeof(dReal));
      Mix(dBodyGetAngularVel(it.body), 3 * sizeof(dReal));
      MixValue(dBodyIsEnabled(it.body));
    }
    MixValue(g_appMode);
    MixValue(g_hoveredItem);
    MixValue(g_hoveredJoint);
    MixValue(g_connectTarget);
    MixValue(g_connectPoint);
    MixValue(g_cursorOnStage);
    MixValue(g_anyOverlap);
    MixValue(g_itemOutsideArea);
    MixValue(g_bellSwing);
    MixValue(g_stageCleared);
    MixValue(g_dollGroup);
    const int32_t contacts = g_contactCount - contactsAtStart;
    MixValue(contacts);
    int puffs = 0;
    for (const SmokePuff& p : g_smokePuffs) puffs += p.active != 0;
    MixValue(puffs);
    ++updates;
  }

  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      Frame();
      Record();
    }
  }
  // The mouse moves over a stage point, one update.
  void HoverFrame(float x, float y) {
    MouseAt(x, y);
    Frame();
    Record();
  }

  // Placing mode of a stage whose whole field is the area.
  static void Placing() {
    g_area.corner1 = D3DXVECTOR3(0, 400, 0);
    g_area.corner2 = D3DXVECTOR3(800, 0, 0);
    g_areaEditState = kAreaDefined;
    g_appMode = kModePlay;
  }
  // A run from the placing mode; a stage the game would refuse to start
  // (overlaps) is put into the run all the same, as a loaded pause file can.
  static void Run() {
    StartRun();
    if (g_appMode != kModeRun) {
      ClearItemSelection();
      g_savedCameraPos = g_cameraPos;
      g_appMode = kModeRun;
      g_dollLaunchCounter = 60;
      g_dollGroup = -1;
    }
    Mouse(320, 240);
  }

  static int Turned(float x, float y, float a, float b, int kind, float deg, int movable) {
    D3DXMATRIX m;
    D3DXMatrixRotationZ(&m, deg * kDegToRad);
    return CreateItem(D3DXVECTOR3(x, y, 0), &m, a, b, kind, movable);
  }
  static void Hinge(int a, int b, float x, float y) {
    const D3DXVECTOR3 anchor(x, y, 0);
    ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
  }

  void BuildBellStage(float bx, float by);

  void ExpectHash(uint64_t expected) {
    std::printf("whole-run hash over %d updates: 0x%016" PRIx64 "\n", updates, hash);
    EXPECT_EQ(hash, expected);
  }

  uint64_t hash = 1469598103934665603ull;
  int updates = 0;
  int32_t contactsAtStart = 0;
};

// The stage's own parts: a slide of fixed boxes, a motor on a bar, an
// assembly of three, rubber and plain items, two fixed boxes that overlap, a
// fixed block on the ground with a stack on it, a box sunk into the ground,
// balls dropped onto the goal bell.
void WholeRuns::BuildBellStage(float bx, float by) {
  g_appMode = kModeEdit;
  Turned(150, 120, 60, 4, kKindBox, -20, 0);
  Turned(230, 80, 60, 4, kKindBox, 15, 0);
  Turned(235, 82, 20, 4, kKindBox, 40, 0);  // overlaps the slide: both fixed
  CreateItem(D3DXVECTOR3(400, 10, 0), nullptr, 40, 20, kKindBox, 0);
  for (int i = 0; i < 4; ++i)
    CreateItem(D3DXVECTOR3(395 + 3.0f * (float)i, 24 + 6.5f * (float)i, 0), nullptr, 6, 6,
               i % 2 ? kKindRubberBox : kKindBox, 1);
  CreateItem(D3DXVECTOR3(500, 2.9f, 0), nullptr, 8, 6, kKindBox, 1);  // sunk 0.1 short of 3
  CreateItem(D3DXVECTOR3(520, 2.7f, 0), nullptr, 8, 6, kKindBox, 1);  // sunk 0.3

  const int motor = CreateItem(D3DXVECTOR3(300, 40, 0), nullptr, 4, 0, kKindBall, 1);
  const int bar = Turned(300, 48, 1.5f, 12, kKindCapsule, 0, 1);
  Hinge(motor, bar, 300, 42);
  g_items[motor].motorSpeed = 3;
  const int a = CreateItem(D3DXVECTOR3(600, 60, 0), nullptr, 10, 4, kKindBox, 1);
  const int b = CreateItem(D3DXVECTOR3(608, 62, 0), nullptr, 10, 4, kKindRubberBox, 1);
  const int c = CreateItem(D3DXVECTOR3(612, 60, 0), nullptr, 3, 0, kKindRubberBall, 1);
  Hinge(a, b, 604, 61);
  Hinge(b, c, 611, 61);  // a and c overlap, not directly jointed

  for (int i = 0; i < 6; ++i)
    CreateItem(D3DXVECTOR3(bx - 6 + 2.5f * (float)i, by + 20 + 5.0f * (float)i, 0), nullptr,
               i % 3 == 0 ? 2.0f : 1.5f, 0, i % 2 ? kKindRubberBall : kKindBall, 1);
  for (int i = 0; i < 5; ++i)
    Turned(140 + 4.0f * (float)i, 160 + 9.0f * (float)i, 1.5f, 5,
           i % 2 ? kKindRubberCapsule : kKindCapsule, 30.0f * (float)i, 1);
  CreateItem(D3DXVECTOR3(700, 150, 0), nullptr, 3, 0, kKindRubberBall, 1);
  CreateItem(D3DXVECTOR3(701, 155, 0), nullptr, 3, 0, kKindBall, 1);  // overlapping pair
}

TEST_F(WholeRuns, BellStageEditedPlacedRunAndStopped) {
  g_cameraPos = D3DXVECTOR3(260, 60, -50);
  SetGoalType(kGoalBell);
  ASSERT_NE(g_goalBellBody, nullptr);
  const dReal* bell = dBodyGetPosition(g_goalBellBody);
  BuildBellStage((float)bell[0], (float)bell[1]);
  g_cameraPos = D3DXVECTOR3(300, 80, -250);
  g_zoomLevel = -2;
  // Editing: the mouse passes over the items, the connect query and the
  // overlap marks follow it.
  const float sweep[][2] = {{150, 120}, {230, 80}, {300, 40}, {300, 48}, {400, 10}, {398, 30},
                            {500, 3},   {600, 60}, {612, 60}, {700, 150}, {260, 60}, {50, 300}};
  for (const auto& p : sweep) HoverFrame(p[0], p[1]);
  // The player's items in the placing mode, one of them overlapping the stage.
  Placing();
  CreateItem(D3DXVECTOR3(250, 200, 0), nullptr, 3, 0, kKindBall, 1);
  CreateItem(D3DXVECTOR3(402, 31, 0), nullptr, 4, 4, kKindBox, 1);
  const int pegA = CreateItem(D3DXVECTOR3(450, 100, 0), nullptr, 2, 8, kKindCapsule, 0);
  const int pegB = CreateItem(D3DXVECTOR3(456, 100, 0), nullptr, 4, 0, kKindRubberBall, 1);
  Hinge(pegA, pegB, 453, 100);
  for (const auto& p : sweep) HoverFrame(p[0], p[1]);
  HoverFrame(450, 100);
  HoverFrame(456, 100);
  Run();
  Frames(300);
  EXPECT_EQ(g_stageCleared, 1);  // the balls rang the bell
  StopRun();
  g_appMode = kModePlay;
  for (int i = 0; i < 3; ++i) HoverFrame(456, 100);
  ExpectHash(0x2b0c097ab3e5c91cull);
}

// The rocket fires the doll into a fixed player box over it, the doll is
// thrown off and falls among the stage's items and the toy box.
TEST_F(WholeRuns, DollThrownByAFixedBox) {
  g_cameraPos = D3DXVECTOR3(300, 20, -50);
  SetGoalType(kGoalRocketDoll);
  ASSERT_NE(g_rocketBody, nullptr);
  g_appMode = kModeEdit;
  for (int i = 0; i < 8; ++i)
    CreateItem(D3DXVECTOR3(260 + 10.0f * (float)i, 5, 0), nullptr, 0, 0,
               i % 2 ? kKindRubberBox : kKindBall, 1);
  Placing();
  Turned(305, 75, 30, 4, kKindBox, 20, 0);
  CreateItem(D3DXVECTOR3(340, 60, 0), nullptr, 3, 0, kKindRubberBall, 1);
  HoverFrame(305, 75);
  HoverFrame(340, 60);
  Run();
  Frames(300);
  ExpectHash(0xeb327629d1da2382ull);
}

// The truck drives on its tyres over a bump with items in its way.
TEST_F(WholeRuns, TruckOverABump) {
  g_cameraPos = D3DXVECTOR3(100, 12, -50);
  SetGoalType(kGoalTruck);
  ASSERT_NE(g_truckBody, nullptr);
  g_appMode = kModeEdit;
  Turned(160, 2, 30, 6, kKindBox, 8, 0);
  for (int i = 0; i < 5; ++i)
    CreateItem(D3DXVECTOR3(200 + 9.0f * (float)i, 4 + 3.0f * (float)i, 0), nullptr, 0, 0,
               i % 2 ? kKindRubberBall : kKindBox, 1);
  Placing();
  g_area.corner1 = D3DXVECTOR3(600, 400, 0);  // the truck's goal, far to the right
  HoverFrame(100, 12);
  Run();
  Key(VK_RIGHT, true);
  Key('X', true);
  Frames(150);
  Key(VK_RIGHT, false);
  Key('X', false);
  Frames(100);
  ExpectHash(0xef9810980ebda5d0ull);
}

// A loose heap of forty balls and boxes dropped together, overlapping from
// the start, in the editor and in a run.
TEST_F(WholeRuns, HeapOfOverlappingItems) {
  g_cameraPos = D3DXVECTOR3(400, 40, -100);
  g_zoomLevel = 0;
  for (int i = 0; i < 40; ++i) {
    const float x = 400 + (float)((i * 7) % 13) - 6.0f;
    const float y = 20 + 1.5f * (float)i;
    CreateItem(D3DXVECTOR3(x, y, 0), nullptr, i % 3 ? 2.5f : 4.0f, i % 3 ? 0.0f : 3.0f,
               i % 3 ? (i % 2 ? kKindRubberBall : kKindBall) : kKindBox, i % 9 == 4 ? 0 : 1);
  }
  for (int i = 0; i < 10; ++i) HoverFrame(396 + (float)i, 20 + 4.0f * (float)i);
  Placing();
  Run();
  Frames(250);
  ExpectHash(0x34f0efe628b01ed3ull);
}

// Balls of the player stacked on one point, hovered in the placing mode
// (pick, connect query, overlap pass), then run apart.
TEST_F(WholeRuns, BallsOnOnePoint) {
  g_cameraPos = D3DXVECTOR3(400, 150, -50);
  SetGoalType(kGoalBell);
  Placing();
  for (int i = 0; i < 30; ++i)
    CreateItem(D3DXVECTOR3(400, 150, 0), nullptr, 2.0f, 0, i % 4 ? kKindBall : kKindRubberBall,
               i % 10 == 9 ? 0 : 1);
  for (int i = 0; i < 6; ++i) HoverFrame(399 + 0.5f * (float)i, 150);
  Run();
  Frames(120);
  ExpectHash(0xd1249ab39429e3baull);
}

}  // namespace
