// World drawing on real pixels: the stage with sky, grid and floors, items in
// the styles of their state, joints and their breaking during a run, the
// effects, the editor's ghosts, the band and the area, the render states
// left behind, and the game's own art drawn out to its items' shapes.
#include <cmath>
#include <cstring>
#include <limits>

#include "game/editor_tools.h"
#include "game/update.h"
#include "render/item_drawing.h"
#include "render/transforms.h"
#include "render/world_drawing.h"
#include "tests/render_test_support.h"
#include "world/effects.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/rotations.h"

using namespace rts;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool Yellow(uint32_t c) { return Red(c) > 180 && Green(c) > 180 && Blue(c) < 100; }

class WorldDrawingTest : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    if (HasFatalFailure() || !device) return;
    CreatePhysicsWorld();
    WriteDataFolder();
    WriteInwardSky();
    WriteSmokeAtlas();
    LoadDataFolder();
    memset(g_smokePuffs, 0, sizeof g_smokePuffs);
    memset(g_trails, 0, sizeof g_trails);
    memset(g_shards, 0, sizeof g_shards);
    g_appMode = kModeEdit;
    g_goalType = kGoalBell;
    g_skyAngle = 0;
    Look(D3DXVECTOR3(100, 100, -60));
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
    RenderFixture::TearDown();
  }

  // The dome is seen from inside: its faces turn inward, in a plain blue.
  void WriteInwardSky() {
    WriteSolidBmp("data/SkyBlue.bmp", 8, 8, 0xFF203C70);
    std::vector<XTriangle> t;
    AddBox(&t, D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1), 0);
    for (XTriangle& tri : t) std::swap(tri.p[1], tri.p[2]);
    WriteText("data/Sky.x", XModelText(t, {Paint(1, 1, 1, "data\\SkyBlue.bmp")}));
  }
  // Smoke cells told apart by colour: cell 0 blue, 1 green, 63 red, others grey.
  void WriteSmokeAtlas() {
    std::vector<uint32_t> px(256 * 256);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        int cell = (y / 32) * 8 + x / 32;
        px[y * 256 + x] = cell == 0 ? 0xFF0000FF : cell == 1 ? 0xFF00FF00
                          : cell == 63 ? 0xFFFF0000 : 0xFF808080;
      }
    ASSERT_TRUE(WritePngFile("data/Smoke.png", px.data(), 256, 256));
  }

  void Look(D3DXVECTOR3 eye) { SetGameCamera(eye); }

  Pixels Frame() {
    device->BeginScene();
    DrawWorld();
    device->EndScene();
    EXPECT_EQ(TakeGlErrors(), 0u);
    return Grab(device);
  }
  uint32_t At(const Pixels& p, D3DXVECTOR3 world) {
    POINT s = ScreenOf(device, world);
    EXPECT_TRUE(s.x >= 0 && s.x < 640 && s.y >= 0 && s.y < 480) << s.x << "," << s.y;
    if (s.x < 0 || s.x >= 640 || s.y < 0 || s.y >= 480) return 0;
    return p.at(s.x, s.y);
  }
  // Pixels matching `pred` inside the screen box of a world rectangle.
  template <class Pred>
  int CountIn(const Pixels& p, float x0, float y0, float x1, float y1, Pred pred) {
    POINT a = ScreenOf(device, D3DXVECTOR3(x0, y1, 0)), b = ScreenOf(device, D3DXVECTOR3(x1, y0, 0));
    int n = 0;
    for (int y = std::max<LONG>(a.y, 0); y <= std::min<LONG>(b.y, 479); ++y)
      for (int x = std::max<LONG>(a.x, 0); x <= std::min<LONG>(b.x, 639); ++x) n += pred(p.at(x, y));
    return n;
  }

  static int Box(float x, float y, int movable = 1, float w = 16, float h = 12) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, w, h, kKindBox, movable);
  }
  // Two boxes joined at (100, 100); returns the joint.
  static int JoinedPair(int* a = nullptr, int* b = nullptr) {
    int i = Box(90, 100), k = Box(110, 100);
    D3DXVECTOR3 anchor(100, 100, 0);
    if (a) *a = i;
    if (b) *b = k;
    return CreateHingeJoint(i, k, &anchor, 0);
  }
  // Puts the joint's second body `dx` to the right of where it was made.
  static void Stretch(int joint, double dx) {
    dBodyID second = dJointGetBody(g_joints[joint].joint, 1);
    const dReal* p = dBodyGetPosition(second);
    double made = p[0] < 100 ? 90.0 : 110.0;
    dBodySetPosition(second, made + dx, p[1], p[2]);
  }
  static int LiveShards() {
    int n = 0;
    for (const Shard& s : g_shards) n += s.life != 0;
    return n;
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// The stage

TEST_F(WorldDrawingTest, StageWithItemsOfEveryKindOnSkyGridAndFloor) {
  struct {
    int kind;
    float x, y, a, b;
    int movable;
  } parts[] = {
      {kKindBall, 40, 60, 8, 0, 1},          {kKindBox, 80, 60, 16, 12, 1},
      {kKindCapsule, 120, 60, 3, 20, 1},     {kKindRubberBall, 160, 60, 8, 0, 0},
      {kKindRubberBox, 200, 60, 16, 12, 0},  {kKindRubberCapsule, 240, 60, 3, 20, 0},
      {kKindGoalBell, 60, 140, 0, 0, 0},     {kKindStartBall, 100, 140, 0, 0, 1},
      {kKindFan, 140, 140, 0, 0, 0},         {kKindTruck, 190, 140, 0, 0, 1},
      {kKindRocket, 240, 140, 0, 0, 0},      {kKindToyBox, 300, 140, 0, 0, 0},
  };
  int made = 0;
  for (const auto& s : parts)
    made += CreateItem(D3DXVECTOR3(s.x, s.y, 0), nullptr, s.a, s.b, s.kind, s.movable) >= 0;
  EXPECT_EQ(made, 12);
  g_items[1].motorSpeed = 3;

  Look(D3DXVECTOR3(170, 100, -260));
  Pixels edit = Frame();
  SavePicture(edit, "world_stage_edit");
  // Grid lines of the field between the items, the floor in front of the
  // field and the outer band beside it.
  EXPECT_GT(CountIn(edit, 20, 200, 320, 240, [](uint32_t c) { return (c & 0xFFFFFF) == 0x5B695B; }),
            200);
  EXPECT_COLOR_NEAR(At(edit, D3DXVECTOR3(170, 0, -50)), 0x40, 0x80, 0x40, 6);
  Look(D3DXVECTOR3(-100, 100, -260));
  EXPECT_COLOR_NEAR(At(Frame(), D3DXVECTOR3(-200, -5.5f, 100)), 0x40, 0x40, 0x40, 6);

  // Items are drawn in their state's colours: a movable player box cyan, a
  // fixed rubber box white under its coat; the motorised box shows its gear.
  Look(D3DXVECTOR3(100, 70, -60));
  g_items[1].createdInMode = 1;
  g_items[4].createdInMode = 1;
  g_items[1].motorSpeed = 0;
  Pixels close = Frame();
  SavePicture(close, "world_stage_close");
  uint32_t box = At(close, D3DXVECTOR3(80, 60, -2));
  EXPECT_LT(Red(box), 40);
  EXPECT_GT(Green(box), 150);
  EXPECT_GT(Blue(box), 150);
  g_items[1].motorSpeed = 2;
  uint32_t gear = At(Frame(), D3DXVECTOR3(80, 60, -2));
  EXPECT_GT(Red(gear), 100) << "the grey gear covers the box's centre";

  // Running: no grid, the sky still drawn.
  g_appMode = kModeRun;
  Look(D3DXVECTOR3(170, 100, -260));
  Pixels run = Frame();
  SavePicture(run, "world_stage_run");
  EXPECT_EQ(CountIn(run, 20, 200, 320, 240, [](uint32_t c) { return (c & 0xFFFFFF) == 0x5B695B; }),
            0);
}

TEST_F(WorldDrawingTest, SkyTurnsOnlyWhenDrawnAndPlayFloorIsOrange) {
  Frame();
  EXPECT_FLOAT_EQ(g_skyAngle, kSkySpin);
  g_skyAngle = 359.995f;
  Frame();
  EXPECT_NEAR(g_skyAngle, 359.995f + kSkySpin - 360.0f, 1e-4f);
  EXPECT_GE(g_skyAngle, 0.0f);
  // A damaged angle starts over instead of spinning a dome of nothing.
  g_skyAngle = kNaN;
  Frame();
  EXPECT_EQ(g_skyAngle, 0.0f);

  // Placing: no sky (the background colour shows above the field), an orange
  // floor, and the angle stays.
  g_appMode = kModePlay;
  g_skyAngle = 10;
  Look(D3DXVECTOR3(400, 200, -760));
  Pixels play = Frame();
  SavePicture(play, "world_play_floor");
  EXPECT_EQ(g_skyAngle, 10.0f);
  EXPECT_COLOR_NEAR(play.at(320, 5), 0x1E, 0x41, 0x5A, 2);
  EXPECT_COLOR_NEAR(At(play, D3DXVECTOR3(400, 0, -300)), 0x40 * 0xC8 / 255, 0x40 * 0x64 / 255, 0, 4);
  g_appMode = kModeEdit;
  Pixels edit = Frame();
  EXPECT_COLOR_NEAR(edit.at(320, 5), 0x20, 0x3C, 0x70, 6);  // the dome
}

// ---------------------------------------------------------------------------
// Item styles

TEST_F(WorldDrawingTest, StyleRulesAndTheHighlightMark) {
  int mov = Box(60, 100, 1), fix = Box(100, 100, 0), other = Box(140, 100, 1);
  g_hoveredItem = -1;
  g_connectTarget = -1;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleMovable);
  EXPECT_EQ(ChooseItemDrawStyle(fix), kStyleFixed);

  // Exactly one of selected and in-band highlights; both cancel.
  g_items[mov].flags = kFlagSelected;
  g_items[fix].flags = kFlagInBand;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleHighlightMovable);
  EXPECT_EQ(ChooseItemDrawStyle(fix), kStyleHighlightFixed);
  g_items[mov].flags = kFlagSelected | kFlagInBand;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleMovable);

  // Errors in the editing and placing modes, unless it is the connect target;
  // hovering wins over both.
  g_items[mov].flags = kFlagOverlap;
  g_items[fix].flags = kFlagOutsideArea;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleError);
  EXPECT_EQ(ChooseItemDrawStyle(fix), kStyleError);
  g_connectTarget = mov;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleConnectTarget);
  g_connectTarget = other;
  EXPECT_EQ(ChooseItemDrawStyle(other), kStyleConnectTarget);
  g_hoveredItem = fix;
  EXPECT_EQ(ChooseItemDrawStyle(fix), kStyleHighlightFixed);
  g_appMode = kModePlay;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleError);
  // A run shows neither errors nor the connect target, only hovering.
  g_appMode = kModeRun;
  EXPECT_EQ(ChooseItemDrawStyle(mov), kStyleMovable);
  EXPECT_EQ(ChooseItemDrawStyle(other), kStyleMovable);
  EXPECT_EQ(ChooseItemDrawStyle(fix), kStyleHighlightFixed);

  // The mark follows what the frame drew.
  g_anyHighlighted = 7;
  Frame();
  EXPECT_EQ(g_anyHighlighted, 1);
  g_hoveredItem = -1;
  Frame();
  EXPECT_EQ(g_anyHighlighted, 0);
}

TEST_F(WorldDrawingTest, StylesOnPixels) {
  int err = Box(80, 100, 1), hov = Box(100, 100, 1), fixedMotor = Box(120, 100, 0);
  for (int i : {err, hov, fixedMotor}) g_items[i].createdInMode = 1;
  g_items[err].flags = kFlagOverlap;
  g_hoveredItem = hov;
  g_items[fixedMotor].motorSpeed = -4;  // a fixed item shows no gear
  Pixels p = Frame();
  SavePicture(p, "world_styles");
  uint32_t e = At(p, D3DXVECTOR3(80, 100, -2)), h = At(p, D3DXVECTOR3(100, 100, -2)),
           f = At(p, D3DXVECTOR3(120, 100, -2));
  EXPECT_GT(Red(e), 150);
  EXPECT_LT(Green(e), 40);
  EXPECT_COLOR_NEAR(h, 0, 255, 77, 6);
  EXPECT_GT(Red(f), 150);
  EXPECT_GT(Green(f), 150);
  EXPECT_GT(Blue(f), 150);
  uint32_t fBeside = At(p, D3DXVECTOR3(124, 104, -2));
  EXPECT_EQ(f, fBeside) << "no gear at the centre of a fixed item";
}

// ---------------------------------------------------------------------------
// Joints

TEST_F(WorldDrawingTest, JointsDrawWhiteOutsideRunsHoveredInTheirColours) {
  int a, b;
  int j = JoinedPair(&a, &b);
  ASSERT_GE(j, 0);
  // Outside a run even far-apart anchors count as together.
  Stretch(j, 5);
  Pixels p = Frame();
  SavePicture(p, "world_joint_edit");
  EXPECT_EQ(g_joints[j].type, kJointRotary);
  uint32_t c = At(p, D3DXVECTOR3(100, 100, -3));
  EXPECT_GT(Red(c), 150);
  EXPECT_EQ(Red(c), Green(c));
  EXPECT_EQ(Red(c), Blue(c));

  g_hoveredJoint = j;
  EXPECT_COLOR_NEAR(At(Frame(), D3DXVECTOR3(100, 100, -3)), 255, 255, 0, 2);
  g_joints[j].type = kJointFixed;
  EXPECT_COLOR_NEAR(At(Frame(), D3DXVECTOR3(100, 100, -3)), 255, 0, 0, 2);

  // Built-in joints are never drawn.
  g_hoveredJoint = -1;
  g_joints[j].type = kJointBuiltInFixed;
  Pixels none = Frame();
  EXPECT_EQ(At(none, D3DXVECTOR3(100, 100, -3)), At(none, D3DXVECTOR3(100, 103, -3)));
}

TEST_F(WorldDrawingTest, RunJointReddensAndBreaksPastOneUnit) {
  int a, b;
  int j = JoinedPair(&a, &b);
  ASSERT_GE(j, 0);
  g_appMode = kModeRun;

  Stretch(j, 0.5);
  uint32_t half = At(Frame(), D3DXVECTOR3(100, 100, -3));
  EXPECT_EQ(g_joints[j].type, kJointRotary);
  EXPECT_GT(Red(half), 150);
  EXPECT_NEAR((double)Green(half) / Red(half), 0.5, 0.03);

  // Exactly one unit apart: pure red, still there.
  Stretch(j, 1.0);
  uint32_t red = At(Frame(), D3DXVECTOR3(100, 100, -3));
  EXPECT_EQ(g_joints[j].type, kJointRotary);
  EXPECT_GT(Red(red), 150);
  EXPECT_EQ(Green(red), 0);
  EXPECT_EQ(Blue(red), 0);
  EXPECT_EQ(LiveShards(), 0);

  // Stretched further, nothing breaks until a frame is drawn.
  Stretch(j, 1.001);
  EXPECT_EQ(g_joints[j].type, kJointRotary);
  // From above, where the flat new shards are seen.
  Look(D3DXVECTOR3(100, 125, -60));
  Pixels broken = Frame();
  SavePicture(broken, "world_joint_broken");
  EXPECT_EQ(g_joints[j].type, kJointFree);
  EXPECT_EQ(g_joints[j].joint, nullptr);
  EXPECT_EQ(g_items[a].jointCount, 0);
  EXPECT_EQ(g_items[b].jointCount, 0);
  EXPECT_EQ(LiveShards(), 20);
  for (const Shard& s : g_shards) {
    if (s.life) {
      EXPECT_EQ(s.pos, D3DXVECTOR3(100, 100, 0));
    }
  }
  // The shards show in the same frame where the joint was.
  int grey = CountIn(broken, 97, 97, 103, 103, [](uint32_t c) {
    return Red(c) > 60 && std::abs(Red(c) - Green(c)) < 8 && std::abs(Red(c) - Blue(c)) < 8;
  });
  EXPECT_GT(grey, 0);
}

TEST_F(WorldDrawingTest, FixedJointBreaksToo) {
  int j = JoinedPair();
  g_joints[j].type = kJointFixed;
  g_appMode = kModeRun;
  Stretch(j, 3);
  Frame();
  EXPECT_EQ(g_joints[j].type, kJointFree);
  EXPECT_EQ(LiveShards(), 20);
}

TEST_F(WorldDrawingTest, JointOutOfViewOrBuiltInNeverBreaks) {
  int j = JoinedPair();
  int i1 = Box(200, 100), i2 = Box(220, 100);
  D3DXVECTOR3 at(210, 100, 0);
  int builtIn = CreateHingeJoint(i1, i2, &at, 1);
  ASSERT_GE(builtIn, 0);
  g_appMode = kModeRun;
  Stretch(j, 5);
  dBodySetPosition(g_items[i2].body, 230, 100, 0);

  // The first joint's anchor lies far outside this view.
  Look(D3DXVECTOR3(600, 100, -60));
  Frame();
  EXPECT_EQ(g_joints[j].type, kJointRotary);
  EXPECT_EQ(LiveShards(), 0);

  Look(D3DXVECTOR3(150, 100, -150));
  Frame();
  EXPECT_EQ(g_joints[j].type, kJointFree);
  EXPECT_EQ(g_joints[builtIn].type, kJointBuiltInRotary);
  EXPECT_EQ(LiveShards(), 20);
}

TEST_F(WorldDrawingTest, JointWhoseBodyFlewOffBreaksWithoutNaNs) {
  int j = JoinedPair();
  g_appMode = kModeRun;
  dBodySetPosition(dJointGetBody(g_joints[j].joint, 1), kNaN, 100, 0);
  Frame();
  EXPECT_EQ(g_joints[j].type, kJointFree);
  EXPECT_EQ(LiveShards(), 20);

  // A joint whose own first anchor is lost is left alone: there is nowhere to
  // draw it or to throw shards from.
  memset(g_shards, 0, sizeof g_shards);
  int k = JoinedPair();
  dBodySetPosition(dJointGetBody(g_joints[k].joint, 0), kNaN, kNaN, 0);
  Frame();
  EXPECT_EQ(g_joints[k].type, kJointRotary);
  EXPECT_EQ(LiveShards(), 0);
}

TEST_F(WorldDrawingTest, ConnectPointShowsOutsideRuns) {
  int a = Box(80, 100), b = Box(120, 100);
  g_hoveredItem = a;
  g_connectTarget = b;
  g_connectPoint = D3DXVECTOR3(100, 110, 0);
  auto yellow = [&](const Pixels& p) { return CountIn(p, 97, 107, 103, 113, Yellow); };
  Pixels p = Frame();
  SavePicture(p, "world_connect_point");
  EXPECT_GT(yellow(p), 0);
  g_appMode = kModeRun;
  EXPECT_EQ(yellow(Frame()), 0);
  g_appMode = kModeEdit;
  g_connectTarget = -1;
  EXPECT_EQ(yellow(Frame()), 0);
}

// ---------------------------------------------------------------------------
// Effects

TEST_F(WorldDrawingTest, SmokePuffsShowTheirAtlasCell) {
  struct {
    float x, y;
    int frame;
  } puffs[] = {{85, 100, 126}, {100, 100, 2}, {115, 100, 3}, {85, 120, 300}, {115, 120, -4},
               {100, 120, 0}};
  for (int i = 0; i < 6; ++i) {
    SmokePuff& s = g_smokePuffs[i * 2];  // with free records between them
    s.active = 1;
    s.frame = puffs[i].frame;
    s.pos = D3DXVECTOR3(puffs[i].x, puffs[i].y, -5);
    s.size = 0.25f;
  }
  g_appMode = kModeRun;
  Pixels p = Frame();
  SavePicture(p, "world_smoke");
  EXPECT_COLOR_NEAR(At(p, D3DXVECTOR3(85, 100, -5)), 255, 0, 0, 3);   // cell 63
  EXPECT_COLOR_NEAR(At(p, D3DXVECTOR3(100, 100, -5)), 0, 255, 0, 3);  // cell 1
  EXPECT_COLOR_NEAR(At(p, D3DXVECTOR3(115, 100, -5)), 0, 255, 0, 3);  // still cell 1
  // Frames beyond the atlas keep to its last cell, negative ones to its first.
  EXPECT_COLOR_NEAR(At(p, D3DXVECTOR3(85, 120, -5)), 255, 0, 0, 3);
  EXPECT_COLOR_NEAR(At(p, D3DXVECTOR3(115, 120, -5)), 0, 0, 255, 3);
  EXPECT_COLOR_NEAR(At(p, D3DXVECTOR3(100, 120, -5)), 0, 0, 255, 3);
}

TEST_F(WorldDrawingTest, TrailRibbonFadesFromHeadToTailAdditively) {
  g_appMode = kModeRun;
  Pixels before = Frame();
  Trail& t = g_trails[3];
  t.state = 5;
  t.width = 10;
  for (int k = 0; k < 10; ++k) t.points[k] = D3DXVECTOR3(76.0f + 5.0f * k, 100, -5);
  Pixels after = Frame();
  SavePicture(after, "world_trail");
  auto gain = [&](float x, float y = 100) {
    D3DXVECTOR3 w(x, y, -5);
    return Blue(At(after, w)) - Blue(At(before, w)) + Green(At(after, w)) - Green(At(before, w));
  };
  EXPECT_GT(gain(78), 100);
  EXPECT_GT(gain(78), gain(100));
  EXPECT_GT(gain(100), gain(118));
  EXPECT_GE(gain(118), 0);
  // At the head the side vector (5, 0, 0) x (24, 0, -55) x 0.02 is 5.5 long.
  EXPECT_GT(gain(78, 104.5f), 100);
  EXPECT_GT(gain(78, 95.5f), 100);
  EXPECT_EQ(gain(78, 107), 0);
  EXPECT_EQ(gain(78, 93), 0);
  // Additive: nothing gets darker anywhere.
  for (int y = 0; y < 480; y += 4)
    for (int x = 0; x < 640; x += 4) {
      ASSERT_GE(Blue(after.at(x, y)), Blue(before.at(x, y)) - 1) << x << "," << y;
    }
}

TEST_F(WorldDrawingTest, ShardsTumbleAsGreyTriangles) {
  g_appMode = kModeRun;
  Pixels before = Frame();
  D3DXVECTOR3 at(100, 100, -5);
  SpawnShardBurst(&at, 5);
  for (Shard& s : g_shards) {
    s.spinAxis = D3DXVECTOR3(1, 0, 0);
    s.angle = 70;
  }
  Pixels after = Frame();
  SavePicture(after, "world_shards");
  int changed = 0;
  for (size_t i = 0; i < after.argb.size(); ++i) changed += after.argb[i] != before.argb[i];
  EXPECT_GT(changed, 50);
  uint32_t c = At(after, at);
  EXPECT_NEAR(Red(c), Green(c), 3);
  EXPECT_NEAR(Red(c), Blue(c), 3);
  EXPECT_GT(Red(c), 80);
}

// ---------------------------------------------------------------------------
// Ghosts

TEST_F(WorldDrawingTest, PlacementGhostOnlyWhenTheMouseIsFreeOnTheStage) {
  g_cursorOnStage = 1;
  g_copySourceItem = -1;
  g_paletteIndex = 1;  // the box
  g_stageMouse = D3DXVECTOR3(100, 100, 0);
  auto ghost = [&]() { return CountIn(Frame(), 94, 94, 106, 106, Yellow); };
  int shown = ghost();
  SavePicture(Grab(device), "world_ghost");
  EXPECT_GT(shown, 20);

  g_leftButtonDown = 1;
  EXPECT_EQ(ghost(), 0);
  g_leftButtonDown = 0;
  g_rightButtonDown = 1;
  EXPECT_EQ(ghost(), 0);
  g_rightButtonDown = 0;
  g_mouseOverButton = 1;
  EXPECT_EQ(ghost(), 0);
  g_mouseOverButton = 0;
  g_itemCount = kMaxItems;
  EXPECT_EQ(ghost(), 0);
  g_itemCount = 499;
  g_appMode = kModePlay;
  g_goalType = kGoalTruck;
  EXPECT_EQ(ghost(), 0);
  g_goalType = kGoalBell;
  EXPECT_GT(ghost(), 20);
  // The wheel's kinds all have a ghost; an index off the palette has none.
  for (int i : {0, 2}) {
    g_paletteIndex = i;
    EXPECT_GT(ghost(), 5) << i;
  }
  g_paletteIndex = 3;  // the palette's end mark
  EXPECT_EQ(ghost(), 0);
  g_paletteIndex = 9;
  EXPECT_EQ(ghost(), 0);
}

TEST_F(WorldDrawingTest, CopyGhostsFollowTheMouseInsideTheField) {
  int src = Box(100, 100), sel = Box(120, 100), part = CreateItem(D3DXVECTOR3(100, 130, 0), nullptr, 0, 0,
                                                                 kKindGoalBell, 0);
  ASSERT_GE(part, 0);
  for (int i : {src, sel, part}) g_items[i].flags |= kFlagSelected;
  g_cursorOnStage = 1;
  g_leftButtonDown = 1;  // the copy drag holds the button
  g_copySourceItem = src;
  g_grabOffset = D3DXVECTOR3(0, 0, 0);
  Look(D3DXVECTOR3(790, 110, -60));

  // The selected box lands exactly on the field's right edge: shown.
  g_stageMouse = D3DXVECTOR3(780, 100, 0);
  Pixels edge = Frame();
  SavePicture(edge, "world_copy_ghosts");
  EXPECT_GT(CountIn(edge, 774, 96, 786, 104, Yellow), 10) << "the source's ghost";
  EXPECT_GT(CountIn(edge, 796, 96, 804, 104, Yellow), 5) << "the selected box at x = 800";
  EXPECT_EQ(CountIn(edge, 774, 122, 786, 138, Yellow), 0) << "stage parts are not copied";

  // Half a unit further it would leave the field: only the source shows.
  g_stageMouse = D3DXVECTOR3(780.5f, 100, 0);
  Pixels out = Frame();
  EXPECT_GT(CountIn(out, 774, 96, 786, 104, Yellow), 10);
  EXPECT_EQ(CountIn(out, 796, 96, 804, 104, Yellow), 0);

  // A source that is gone draws nothing.
  g_stageMouse = D3DXVECTOR3(780, 100, 0);
  DestroyItem(src);
  EXPECT_EQ(CountIn(Frame(), 770, 90, 810, 110, Yellow), 0);
  g_copySourceItem = 600;
  EXPECT_EQ(CountIn(Frame(), 770, 90, 810, 110, Yellow), 0);
}

// ---------------------------------------------------------------------------
// Band and area

TEST_F(WorldDrawingTest, BandOutlinesTheSelectionOutsideRuns) {
  g_bandSelecting = 1;
  g_bandStart = D3DXVECTOR3(120, 85, 0);
  g_bandEnd = D3DXVECTOR3(80, 115, 0);
  Pixels p = Frame();
  SavePicture(p, "world_band");
  EXPECT_GT(CountIn(p, 90, 83, 110, 87, Yellow), 10);   // bottom side
  EXPECT_GT(CountIn(p, 78, 90, 82, 110, Yellow), 10);   // left side
  EXPECT_EQ(CountIn(p, 90, 90, 110, 110, Yellow), 0);   // not filled
  g_appMode = kModeRun;
  EXPECT_EQ(CountIn(Frame(), 70, 80, 130, 120, Yellow), 0);
}

TEST_F(WorldDrawingTest, AreaFillAndEdges) {
  g_appMode = kModeRun;  // a run with the bell goal hides the placement area
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(120, 80, 0);
  g_area.corner2 = D3DXVECTOR3(80, 120, 0);
  Pixels bare = Frame();
  SavePicture(bare, "world_area_hidden");
  g_goalType = kGoalStartBall;  // the goal area shows during a run
  Pixels run = Frame();
  D3DXVECTOR3 mid(100, 100, 0);
  EXPECT_GT(Blue(At(run, mid)), Blue(At(bare, mid)) + 20);
  EXPECT_LE(Red(At(run, mid)), Red(At(bare, mid)));

  g_goalType = kGoalBell;
  g_appMode = kModeEdit;
  g_areaEdgeHover = 1;  // the top edge
  Pixels edit = Frame();
  SavePicture(edit, "world_area_edit");
  g_areaEditState = kAreaNone;
  Pixels none = Frame();
  EXPECT_GT(Blue(At(edit, mid)), Blue(At(none, mid)) + 20);
  uint32_t top = At(edit, D3DXVECTOR3(100, 119, 0)), bottom = At(edit, D3DXVECTOR3(100, 81, 0));
  EXPECT_LT(Blue(top), Blue(bottom) - 20) << "the hovered edge is yellow, the others white";
  EXPECT_GT(Red(top), Red(At(none, D3DXVECTOR3(100, 119, 0))) + 20);
  EXPECT_GT(Red(bottom), Red(At(none, D3DXVECTOR3(100, 81, 0))) + 20);
  // Edge hovering shows only while editing the stage.
  g_areaEditState = kAreaDefined;
  g_appMode = kModePlay;
  Pixels play = Frame();
  uint32_t playTop = At(play, D3DXVECTOR3(100, 119, 0)), playBottom = At(play, D3DXVECTOR3(100, 81, 0));
  EXPECT_NEAR(Blue(playTop), Blue(playBottom), 3);

  // Red in the placing mode while an item is outside, and red when too thin.
  g_itemOutsideArea = 1;
  Pixels outside = Frame();
  EXPECT_GT(Red(At(outside, mid)), Red(At(play, mid)) + 40);
  g_itemOutsideArea = 0;
  g_appMode = kModeEdit;
  g_area.corner2 = D3DXVECTOR3(80, 84.9f, 0);  // 4.9 high
  Pixels thin = Frame();
  EXPECT_GT(Red(At(thin, D3DXVECTOR3(100, 82.5f, 0))), Red(At(none, D3DXVECTOR3(100, 82.5f, 0))) + 40);
}

// ---------------------------------------------------------------------------
// What the drawing leaves behind

TEST_F(WorldDrawingTest, EveryPassLeavesTheDefaultStatesAndNoGlErrors) {
  int a, b;
  JoinedPair(&a, &b);
  g_items[a].motorSpeed = 1;
  g_items[b].flags = kFlagSelected;
  g_connectTarget = b;
  g_hoveredItem = a;
  g_connectPoint = D3DXVECTOR3(100, 106, 0);
  g_cursorOnStage = 1;
  g_paletteIndex = 2;
  g_stageMouse = D3DXVECTOR3(110, 90, 0);
  g_bandSelecting = 1;
  g_bandStart = D3DXVECTOR3(70, 70, 0);
  g_bandEnd = D3DXVECTOR3(130, 130, 0);
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(60, 60, 0);
  g_area.corner2 = D3DXVECTOR3(140, 140, 0);
  D3DXVECTOR3 at(95, 95, -5), up(0, 1, 0);
  SpawnShardBurst(&at, 10);
  SpawnSmokePuff(&at, &up, 0, 0.3f, 5);
  SpawnTrail(&at, &up, 1, 5);
  for (int mode : {kModeEdit, kModePlay, kModeRun}) {
    g_appMode = mode;
    Pixels p = Frame();
    SavePicture(p, "world_all_passes_mode" + std::to_string(mode));
    DWORD v;
    device->GetRenderState(D3DRS_LIGHTING, &v);
    EXPECT_EQ(v, (DWORD)TRUE);
    device->GetRenderState(D3DRS_ZWRITEENABLE, &v);
    EXPECT_EQ(v, (DWORD)TRUE);
    device->GetRenderState(D3DRS_CULLMODE, &v);
    EXPECT_EQ(v, (DWORD)D3DCULL_CCW);
    device->GetRenderState(D3DRS_FILLMODE, &v);
    EXPECT_EQ(v, (DWORD)D3DFILL_SOLID);
    device->GetRenderState(D3DRS_DESTBLEND, &v);
    EXPECT_EQ(v, (DWORD)D3DBLEND_INVSRCALPHA);
    device->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, (DWORD)D3DBLEND_SRCALPHA);
    device->GetRenderState(D3DRS_NORMALIZENORMALS, &v);
    EXPECT_EQ(v, (DWORD)FALSE);
    EXPECT_EQ(TakeGlErrors(), 0u);
  }
}

TEST_F(WorldDrawingTest, DamagedRecordsDrawNothingInsteadOfNaNs) {
  g_appMode = kModePlay;  // no turning sky: frames compare pixel for pixel
  int good = Box(100, 100);
  Pixels clean = Frame();

  int lost = Box(60, 100);
  dBodySetPosition(g_items[lost].body, kNaN, 100, 0);
  g_items[good].alpha = 100000;  // clamped to opaque, as it is drawn anyway
  g_smokePuffs[0] = SmokePuff{};
  g_smokePuffs[0].active = 1;
  g_smokePuffs[0].pos = D3DXVECTOR3(kNaN, 0, 0);
  g_smokePuffs[0].size = 1;
  g_smokePuffs[1] = g_smokePuffs[0];
  g_smokePuffs[1].pos = D3DXVECTOR3(100, 100, -5);
  g_smokePuffs[1].size = kNaN;
  g_trails[0].state = 3;
  g_trails[0].width = 10;
  for (D3DXVECTOR3& p : g_trails[0].points) p = D3DXVECTOR3(100, 100, -5);
  g_trails[0].points[4].y = kNaN;
  g_shards[0].life = 200;
  g_shards[0].pos = D3DXVECTOR3(100, 100, -5);
  g_shards[0].angle = kNaN;
  g_area.corner1 = D3DXVECTOR3(kNaN, 0, 0);
  g_area.corner2 = D3DXVECTOR3(120, 120, 0);
  g_areaEditState = kAreaDefined;
  g_bandSelecting = 1;
  g_bandStart = D3DXVECTOR3(90, 90, 0);
  g_bandEnd = D3DXVECTOR3(110, kNaN, 0);
  // A joint slot marked in use without its physics joint.
  g_joints[7].type = kJointRotary;
  g_joints[7].joint = nullptr;
  g_cursorOnStage = 1;
  g_paletteIndex = -3;
  Pixels damaged = Frame();
  SavePicture(damaged, "world_damaged");
  int differ = 0;
  for (size_t i = 0; i < clean.argb.size(); ++i) differ += clean.argb[i] != damaged.argb[i];
  EXPECT_EQ(differ, 0);
}

// ---------------------------------------------------------------------------
// The game's own art from data/

namespace {

class WorldDrawingArtTest : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    if (HasFatalFailure() || !device) return;
    g_device = device;
    ASSERT_EQ(LoadTextureFiles(0, kTexturesBeforeModels), 0) << "run from the repository root";
    ASSERT_EQ(LoadModels(), 0);
    ASSERT_EQ(LoadTextureFiles(kTexturesBeforeModels, kTextureCount - kTexturesBeforeModels), 0);
    ASSERT_EQ(CreatePrimitiveMeshes(), 0);
    CreatePhysicsWorld();
    memset(g_smokePuffs, 0, sizeof g_smokePuffs);
    memset(g_shards, 0, sizeof g_shards);
    g_appMode = kModeEdit;
    g_goalType = kGoalBell;
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
    ReleaseTextures();
    ReleaseModels();
    ReleasePrimitiveMeshes();
    g_device = nullptr;
    DeviceFixture::TearDown();
  }
  void Look(D3DXVECTOR3 eye) {
    g_cameraPos = eye;
    D3DXVECTOR3 at = eye + D3DXVECTOR3(0, 0, 1), up(0, 1, 0);
    D3DXMATRIX view, proj;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 10.0f, 5000.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    SetDefaultRenderStates();
    SetupLights();
  }
  Pixels Frame() {
    device->BeginScene();
    DrawWorld();
    device->EndScene();
    EXPECT_EQ(TakeGlErrors(), 0u);
    return Grab(device);
  }
};

}  // namespace

TEST_F(WorldDrawingArtTest, AStageDrawnWithTheGameArt) {
  struct {
    int kind;
    float x, y, a, b;
    int movable;
  } parts[] = {
      {kKindBall, 40, 30, 8, 0, 1},          {kKindBox, 80, 30, 16, 12, 1},
      {kKindCapsule, 120, 30, 3, 20, 1},     {kKindRubberBall, 160, 30, 8, 0, 0},
      {kKindRubberBox, 200, 30, 16, 12, 0},  {kKindRubberCapsule, 240, 30, 3, 20, 0},
      {kKindGoalBell, 40, 90, 0, 0, 0},      {kKindStartBall, 80, 90, 0, 0, 1},
      {kKindFan, 120, 90, 0, 0, 0},          {kKindTruck, 170, 90, 0, 0, 1},
      {kKindRocket, 220, 90, 0, 0, 0},       {kKindToyBox, 280, 90, 0, 0, 0},
  };
  int ids[12];
  for (int i = 0; i < 12; ++i) {
    ids[i] = CreateItem(D3DXVECTOR3(parts[i].x, parts[i].y, 0), nullptr, parts[i].a, parts[i].b,
                        parts[i].kind, parts[i].movable);
    ASSERT_GE(ids[i], 0) << i;
  }
  g_items[ids[1]].motorSpeed = 3;
  g_items[ids[0]].createdInMode = 1;
  g_items[ids[2]].flags = kFlagSelected;
  g_items[ids[4]].flags = kFlagOverlap;
  int extra = CreateItem(D3DXVECTOR3(100, 30, 0), nullptr, 4, 4, kKindBox, 1);
  ASSERT_GE(extra, 0);
  D3DXVECTOR3 a1(90, 30, 0), a2(106, 30, 0);
  int rotary = CreateHingeJoint(ids[1], extra, &a1, 0);
  int fixed = CreateHingeJoint(extra, ids[2], &a2, 0);
  ASSERT_GE(rotary, 0);
  ASSERT_GE(fixed, 0);
  g_joints[fixed].type = kJointFixed;
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(20, 130, 0);
  g_area.corner2 = D3DXVECTOR3(140, 10, 0);
  g_areaEdgeHover = 2;
  g_cursorOnStage = 1;
  g_paletteIndex = 0;
  g_stageMouse = D3DXVECTOR3(200, 120, 0);
  g_skyAngle = 40;

  Look(D3DXVECTOR3(160, 70, -170));
  Pixels edit = Frame();
  SavePicture(edit, "world_art_edit");
  // The dome fills the sky above the field: little of the bare background shows.
  int bare = 0;
  for (int x = 0; x < 640; ++x) bare += (edit.at(x, 2) & 0xFFFFFF) == 0x1E415A;
  EXPECT_LT(bare, 64);

  g_appMode = kModePlay;
  SavePicture(Frame(), "world_art_play");

  // A run: the stretched rotary joint breaks into shards, smoke rises.
  g_appMode = kModeRun;
  g_cursorOnStage = 0;
  dBodySetPosition(g_items[ids[1]].body, 77, 32, 0);  // the box alone, off its joint
  D3DXVECTOR3 smokeAt(170, 100, -6), rise(0, 1, 0);
  SpawnSmokePuff(&smokeAt, &rise, 0, 0.4f, 10);
  SavePicture(Frame(), "world_art_run");
  EXPECT_EQ(g_joints[rotary].type, kJointFree);
  EXPECT_EQ(g_joints[fixed].type, kJointFixed);
  int live = 0;
  for (const Shard& s : g_shards) live += s.life != 0;
  EXPECT_EQ(live, 20);
  for (Shard& s : g_shards) s.angle = 50;
  Look(D3DXVECTOR3(100, 40, -60));
  SavePicture(Frame(), "world_art_run_shards");
}

namespace {

// A model's vertices under a world transform.
void AddModelVertices(const MeshRecord& record, const D3DXMATRIX& world, std::vector<D3DXVECTOR3>* out) {
  void* data = nullptr;
  ASSERT_NE(record.mesh, nullptr);
  ASSERT_GE(record.mesh->LockVertexBuffer(0, &data), 0);
  const DWORD count = record.mesh->GetNumVertices(), stride = record.mesh->GetNumBytesPerVertex();
  for (DWORD i = 0; i < count; ++i) {
    D3DXVECTOR3 p = *(const D3DXVECTOR3*)((const char*)data + i * stride), q;
    D3DXVec3TransformCoord(&q, &p, &world);
    out->push_back(q);
  }
  record.mesh->UnlockVertexBuffer();
}

// Turns a live item about the view axis by `deg`, on top of the turn it has.
void TiltItem(int item, float deg) {
  D3DXMATRIX m;
  ConvertOdeRotationToMatrix(dGeomGetRotation(g_items[item].geom), &m);
  m = m * RotationZ(deg * kDegToRad);
  dMatrix3 r;
  ConvertMatrixToOdeRotation(&m, r);
  dGeomSetRotation(g_items[item].geom, r);
}

// How far a geom reaches from its centre along the plane's direction (c, s).
float GeomReach(dGeomID geom, float c, float s) {
  switch (dGeomGetClass(geom)) {
    case dSphereClass:
      return (float)dGeomSphereGetRadius(geom);
    case dBoxClass: {
      dVector3 sides;
      dGeomBoxGetLengths(geom, sides);
      const dReal* r = dGeomGetRotation(geom);  // its columns: the box's axes
      float reach = 0;
      for (int k = 0; k < 3; ++k)
        reach += (float)(sides[k] / 2 * std::fabs(r[k] * c + r[4 + k] * s));
      return reach;
    }
    default: {  // a capsule along its own z axis
      dReal radius, length;
      dGeomCapsuleGetParams(geom, &radius, &length);
      const dReal* r = dGeomGetRotation(geom);
      return (float)(radius + length / 2 * std::fabs(r[2] * c + r[6] * s));
    }
  }
}

}  // namespace

TEST_F(WorldDrawingArtTest, StagePartsAreDrawnOutToTheirCollisionShapes) {
  // In every direction of the plane the drawn model reaches as far as the
  // item's geom, so what touches the geom is seen touching the model, and
  // nothing seen poking out of a part is outside its geom. The bell leaves
  // a little room between the lip of its mouth and the clapper at its tip,
  // the doll's parts their rounded corners. The truck is left out: its
  // tyres and its cab are items of their own.
  const struct {
    int kind;
    float a, b;
    std::vector<const MeshRecord*> models;
    float room;
  } parts[] = {
      {kKindRocket, 0, 0, {&g_meshRocket}, 0.05f},
      {kKindToyBox, 30, 20, {&g_meshBox}, 0.05f},
      {kKindStartBall, 0, 0, {&g_meshStartBall}, 0.05f},
      {kKindTire, 0, 0, {&g_meshTire}, 0.05f},
      {kKindFan, 0, 0, {&g_meshFanCase, &g_meshFanBody}, 0.05f},
      {kKindGoalBell, 0, 0, {&g_meshBell}, 0.3f},
      {kKindDollHead, 1.2f, 0, {&g_meshDollHead}, 0.05f},
      {kKindDollBody, 3, 4, {&g_meshDollBody}, 0.25f},
      {kKindDollHat, 2, 2, {&g_meshDollHat}, 0.25f},
      {kKindDollUpperArm, 1, 3, {&g_meshDollArm}, 0.25f},
      {kKindDollForearm, 1, 3, {&g_meshDollArm2}, 0.25f},
      {kKindDollWaist, 3, 2, {&g_meshDollWaist}, 0.25f},
      {kKindDollLeg, 1.5f, 6, {&g_meshDollLeg}, 0.25f},
  };
  g_animTick = 0;  // the fan's blades in the pose of its cage
  g_bellSwing = 0;
  for (const auto& part : parts) {
    for (float tilt : {0.0f, -30.0f}) {
      SCOPED_TRACE(testing::Message() << "kind " << part.kind << " tilted " << tilt);
      const D3DXVECTOR3 at(100, 100, 0);
      int id = CreateItem(at, nullptr, part.a, part.b, part.kind, 1);
      ASSERT_GE(id, 0);
      // The bell's drawing keeps its pivot above it whatever its turn: it is
      // only seen hanging.
      if (part.kind != kKindGoalBell) TiltItem(id, tilt);
      const StageItem& item = g_items[id];
      D3DXMATRIX t = Translation(at.x, at.y, at.z), r;
      ConvertOdeRotationToMatrix(dGeomGetRotation(item.geom), &r);
      device->BeginScene();
      DrawItem(item.kind, &t, &r, item.sizeA, item.sizeB, 1, kStyleNeutral, 0, 0);
      device->EndScene();
      D3DXMATRIX world;
      device->GetTransform(D3DTS_WORLD, &world);
      std::vector<D3DXVECTOR3> drawn;
      for (const MeshRecord* model : part.models) AddModelVertices(*model, world, &drawn);
      for (int deg = 0; deg < 360; deg += 5) {
        const float c = cosf(deg * kDegToRad), s = sinf(deg * kDegToRad);
        float reach = -1e9f;
        for (const D3DXVECTOR3& p : drawn) reach = std::max(reach, (p.x - at.x) * c + (p.y - at.y) * s);
        const float geom = GeomReach(item.geom, c, s);
        EXPECT_GT(reach, geom - part.room) << deg << " degrees";
        EXPECT_LT(reach, geom + 0.05f) << deg << " degrees";
      }
      DestroyItem(id);
    }
  }
}

TEST_F(WorldDrawingArtTest, RocketTiltedIntoTheToyBoxIsSeenReachingIt) {
  // The rocket-doll goal's two parts where the goal puts them, the rocket
  // turned 30 degrees toward the toy box: its box's top corner reaches 0.6
  // into the toy box's wall, and both are marked as overlapping.
  const D3DXVECTOR3 rocketAt(100, 50, 0);
  int rocket = CreateItem(rocketAt, nullptr, 0, 0, kKindRocket, 0);
  int box = CreateItem(D3DXVECTOR3(120, 50, 0), nullptr, 30, 20, kKindToyBox, 1);
  ASSERT_GE(rocket, 0);
  ASSERT_GE(box, 0);
  TiltItem(rocket, -30);
  UpdateOverlapFlags();
  EXPECT_NE(g_items[rocket].flags & kFlagOverlap, 0u);
  EXPECT_NE(g_items[box].flags & kFlagOverlap, 0u);

  Look(D3DXVECTOR3(103, 52, -25));
  Pixels both = Frame();
  SavePicture(both, "world_art_rocket_into_toy_box");
  dGeomSetPosition(g_items[rocket].geom, 100, 500, 0);
  Pixels boxAlone = Frame();
  dGeomSetPosition(g_items[rocket].geom, rocketAt.x, rocketAt.y, rocketAt.z);

  // Just inside the rocket's box, along its top (at the back) and its side
  // toward the toy box (in front), near the corner that reaches into the
  // toy box: the rocket's picture is there.
  D3DXMATRIX turn = RotationZ(-30 * kDegToRad);
  for (D3DXVECTOR3 local : {D3DXVECTOR3(0.5f, 5.82f, 1.8f), D3DXVECTOR3(2.0f, 5.82f, 1.8f),
                            D3DXVECTOR3(2.82f, 4.5f, -1.8f), D3DXVECTOR3(2.82f, 2.0f, -1.8f)}) {
    D3DXVECTOR3 at;
    D3DXVec3TransformCoord(&at, &local, &turn);
    at += rocketAt;
    SCOPED_TRACE(testing::Message() << "at " << at.x << ", " << at.y);
    ASSERT_LT(at.x, 105.0f);  // left of the toy box's wall
    POINT s = ScreenOf(device, at);
    EXPECT_NE(both.at(s.x, s.y), boxAlone.at(s.x, s.y));
  }
}
