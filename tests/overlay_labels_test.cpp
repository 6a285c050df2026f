// Goal markers, warnings, the labels of the hovered item and joint, and the
// gizmo arrows, drawn over a grey screen and read back as pixels.
#include <cstring>

#include "game/overlays.h"
#include "game/update.h"
#include "platform/win_input.h"
#include "render/hud_widgets.h"
#include "tests/hud_test_support.h"
#include "world/items.h"
#include "world/physics_world.h"

using namespace hud;

namespace {

constexpr uint32_t kGrey = 0xFF808080;

class LabelsTest : public HudFixture {
 protected:
  void SetUp() override {
    HudFixture::SetUp();
    CreatePhysicsWorld();
    g_appMode = kModeEdit;
    g_goalType = kGoalNone;
    g_hoveredItem = -1;
    g_hoveredJoint = -1;
    g_connectTarget = -1;
    g_mouseOverButton = 0;
    g_motorIconAngle = 0;
    std::memset(g_joints, 0, sizeof g_joints);
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
    HudFixture::TearDown();
  }

  // The camera looks at (400, 200): that point is the screen's centre, and a
  // world unit is 240 / (100 tan 30) pixels on the z = 0 plane.
  static int Item(float x, float y, int kind = kKindBox, float angleDeg = 0.0f) {
    D3DXMATRIX r;
    D3DXMatrixRotationZ(&r, angleDeg * kDegToRad);
    return CreateItem(D3DXVECTOR3(x, y, 0), &r, 0, 0, kind, 1);
  }

  Pixels Draw(int hintContext = -1) {
    Clear(kGrey);
    DrawLabelsAndGizmos(hintContext);
    g_sprite->End();
    return Grab(device);
  }

  // A label box whose inner top-left is (x, y): border one pixel out, fill
  // from its first column (the text starts two pixels in).
  // Both boxes are translucent: the fill lies over the border box.
  // A fractional origin covers the pixels whose centres (i + 0.5) it reaches.
  void ExpectLabel(const Pixels& p, float fx, float fy, uint32_t border, uint32_t fill) {
    const int x = (int)std::lround(fx), y = (int)std::lround(fy);
    const uint32_t b = Over(border, 0xC8, kGrey);
    EXPECT_PIXEL(p, x - 1, y + 1, b, 2);
    EXPECT_PIXEL(p, x + 1, y - 1, b, 2);
    EXPECT_PIXEL(p, x, y + 1, Over(fill, 0xC8, b), 2);
    EXPECT_PIXEL(p, x - 2, y + 1, kGrey, 0);
  }
  void ExpectNoLabel(const Pixels& p, int x, int y) {
    EXPECT_PIXEL(p, x - 1, y + 1, kGrey, 0);
    EXPECT_PIXEL(p, x, y + 1, kGrey, 0);
  }
  // Pixels of a colour (the text of a label) inside a rectangle.
  static int CountNear(const Pixels& p, int x0, int y0, int x1, int y1, uint32_t c, int tol) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        uint32_t v = p.at(x, y);
        if (std::abs(Red(v) - Red(c)) <= tol && std::abs(Green(v) - Green(c)) <= tol &&
            std::abs(Blue(v) - Blue(c)) <= tol)
          ++n;
      }
    return n;
  }
};

TEST_F(LabelsTest, PlacingWarnsOutsideTheAreaFirstAndEditingWarnsOfOverlaps) {
  int a = Item(400, 200);
  ASSERT_GE(a, 0);
  g_items[a].flags = kFlagOutsideArea | kFlagOverlap;
  g_appMode = kModePlay;
  Pixels p = Draw();
  SavePicture(p, "hud_labels_area_over");
  // "エリアオーバー" at (S.x - 40, S.y + 20), 80 x 16: red on white, red border.
  ExpectLabel(p, 280, 260, 0xFFFF0000, 0xFFFFFFFF);
  EXPECT_PIXEL(p, 360, 262, Over(0xFFFF0000, 0xC8, kGrey), 2);  // the right border
  EXPECT_PIXEL(p, 290, 276, Over(0xFFFF0000, 0xC8, kGrey), 2);  // the bottom border
  EXPECT_PIXEL(p, 290, 277, kGrey, 0);
  EXPECT_GT(CountNear(p, 282, 262, 360, 276, 0xFFFF0000, 40), 20);  // the text

  g_appMode = kModeEdit;
  p = Draw();
  // "めり込み" at (S.x - 10, S.y + 20), 48 x 16.
  ExpectLabel(p, 310, 260, 0xFFFF0000, 0xFFFFFFFF);
  ExpectNoLabel(p, 280, 260);

  // Not under the hovered item nor under the connection target; never in a run.
  g_hoveredItem = a;
  p = Draw();
  ExpectNoLabel(p, 310, 260);
  g_hoveredItem = -1;
  g_connectTarget = a;
  p = Draw();
  ExpectNoLabel(p, 310, 260);
  g_connectTarget = -1;
  g_appMode = kModeRun;
  p = Draw();
  ExpectNoLabel(p, 310, 260);
}

TEST_F(LabelsTest, TheKindLabelTellsMovableFixedAndMotorisedItems) {
  int a = Item(400, 200);
  g_hoveredItem = a;
  Pixels p = Draw();
  SavePicture(p, "hud_labels_movable");
  // (L.x - 50, L.y - 30), 72 x 16, cyan, black border.
  ExpectLabel(p, 270, 210, 0xFF000000, 0xFF00FFFF);
  EXPECT_PIXEL(p, 342, 212, Over(0xFF000000, 0xC8, kGrey), 2);
  EXPECT_GT(CountNear(p, 272, 212, 342, 226, 0xFF000000, 40), 20);

  g_items[a].state = kItemFixed;
  p = Draw();
  ExpectLabel(p, 270, 210, 0xFF000000, 0xFFFFFFFF);

  g_items[a].state = kItemMovable;
  g_items[a].motorSpeed = -3;
  p = Draw();
  SavePicture(p, "hud_labels_motor");
  // (L.x - 50, L.y - 50), 126 x 16, green; the speed label below.
  ExpectLabel(p, 270, 190, 0xFF000000, 0xFF96FF96);
  EXPECT_PIXEL(p, 396, 192, Over(0xFF000000, 0xC8, kGrey), 2);
  ExpectLabel(p, 265, 265, 0xFF000000, 0xFFFFC8C8);
  // The motor icon at the item: its yellow block covers the centre.
  EXPECT_GT(CountNear(p, 300, 225, 340, 255, Over(kMotorIcon.colour, 0xC8, kGrey), 3), 100);
}

TEST_F(LabelsTest, TheMotorIconTurnsAgainstTheMotorEveryDrawnFrame) {
  int a = Item(400, 200);
  g_hoveredItem = a;
  g_items[a].motorSpeed = -3;
  Draw();
  EXPECT_EQ(g_motorIconAngle, 4);
  Draw();
  EXPECT_EQ(g_motorIconAngle, 8);
  const int steps[6] = {0, 1, 2, 4, 5, 6};
  for (int speed = 1; speed <= 5; ++speed) {
    g_items[a].motorSpeed = speed;
    g_motorIconAngle = 0;
    Draw();
    EXPECT_EQ(g_motorIconAngle, -steps[speed]) << speed;
  }
  // Not while the mouse is over a button, nor for a fixed item.
  g_motorIconAngle = 0;
  g_mouseOverButton = 1;
  Draw();
  g_mouseOverButton = 0;
  g_items[a].state = kItemFixed;
  Draw();
  EXPECT_EQ(g_motorIconAngle, 0);
}

TEST_F(LabelsTest, AStagePartSeenByThePlayerIsLabelledInRed) {
  int a = Item(400, 200);  // made in the editing mode: a stage part
  g_hoveredItem = a;
  g_appMode = kModePlay;
  Pixels p = Draw();
  ExpectLabel(p, 270, 210, 0xFFFF0000, 0xFFFFFFFF);
  EXPECT_GT(CountNear(p, 272, 212, 342, 226, Over(0xFFFF0000, 0xFF, kGrey), 40), 20);
  // The player's own item keeps the editor's colours.
  g_items[a].createdInMode = kModePlay;
  p = Draw();
  ExpectLabel(p, 270, 210, 0xFF000000, 0xFF00FFFF);
}

TEST_F(LabelsTest, RubberItemsGetTheRubberLabel) {
  int a = Item(400, 200, kKindRubberBox);
  g_hoveredItem = a;
  g_items[a].state = kItemFixed;
  g_items[a].motorSpeed = 2;  // a fixed item shows no speed
  Pixels p = Draw();
  ExpectLabel(p, 270, 190, 0xFF000000, 0xFFFFFFFF);  // in the place of a motor's label
  ExpectLabel(p, 350, 220, 0xFF000000, 0xFF646464);
  ExpectNoLabel(p, 265, 265);
  g_items[a].motorSpeed = 0;
  p = Draw();
  ExpectLabel(p, 270, 210, 0xFF000000, 0xFFFFFFFF);
}

TEST_F(LabelsTest, LabelsMakeWayForANearbyConnectionLabel) {
  int a = Item(400, 200);
  int b = Item(380, 200);
  g_hoveredItem = a;
  g_connectTarget = b;
  // 10 units left and 5 up: inside the box left and above the item's point.
  g_connectPoint = D3DXVECTOR3(390, 205, 0);
  D3DXVECTOR3 q;
  D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  D3DXVec3Project(&q, &g_connectPoint, &vp, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  Pixels p = Draw();
  SavePicture(p, "hud_labels_connect");
  ExpectLabel(p, q.x - 20, q.y + 10, 0xFF000000, 0xFFFFFF00);
  ExpectLabel(p, 350, 210, 0xFF000000, 0xFF00FFFF);  // moved 80 to the right
  // Far to the right the labels stay.
  g_connectPoint = D3DXVECTOR3(420, 200, 0);
  p = Draw();
  ExpectLabel(p, 270, 210, 0xFF000000, 0xFF00FFFF);
}

TEST_F(LabelsTest, PointsAreProjectedWithTheDevicesViewportEvenBeforeThePickingFetchedIt) {
  // The picking fetches g_viewport only while the mouse is over the window;
  // until then it is empty, and the labels must still land at their items.
  g_viewport = D3DVIEWPORT9{};
  int a = Item(400, 200);
  g_hoveredItem = a;
  Pixels p = Draw();
  ExpectLabel(p, 270, 210, 0xFF000000, 0xFF00FFFF);
}

TEST_F(LabelsTest, HoverIndexesOfFreeSlotsShowNothing) {
  int a = Item(400, 200);
  DestroyItem(a);
  g_hoveredItem = a;
  g_connectTarget = a;
  g_hoveredJoint = 12;  // a free joint slot
  g_hoveredJointScreen = D3DXVECTOR3(200, 300, 0);
  Pixels p = Draw(2);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, kGrey, 0), 640 * 480);
  g_hoveredItem = kMaxItems;  // out of the table
  g_hoveredJoint = -7;
  p = Draw(2);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, kGrey, 0), 640 * 480);
}

TEST_F(LabelsTest, AHoveredJointIsLabelledAtItsScreenPoint) {
  g_joints[7].type = kJointRotary;
  g_hoveredJoint = 7;
  g_hoveredJointScreen = D3DXVECTOR3(200, 300, 0);
  Pixels p = Draw();
  ExpectLabel(p, 175, 270, 0xFF000000, 0xFFFFFF96);
  g_joints[7].type = kJointFixed;
  p = Draw();
  ExpectLabel(p, 175, 270, 0xFF000000, 0xFFFF9696);
  g_mouseOverButton = 1;
  p = Draw();
  ExpectNoLabel(p, 175, 270);
}

TEST_F(LabelsTest, NoLabelWhileTheMouseIsOverAButtonButTheWarningsStay) {
  int a = Item(400, 200);
  int b = Item(370, 190);
  g_items[b].flags = kFlagOverlap;
  g_hoveredItem = a;
  g_mouseOverButton = 1;
  Pixels p = Draw(2);
  ExpectNoLabel(p, 270, 210);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, Over(kMoveArrow.colour, 0x9B, kGrey), 3), 0);
  D3DXVECTOR3 s;
  D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  D3DXVECTOR3 at(370, 190, 0);
  D3DXVec3Project(&s, &at, &vp, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  ExpectLabel(p, s.x - 10, s.y + 20, 0xFFFF0000, 0xFFFFFFFF);
}

TEST_F(LabelsTest, GizmosOfMovingRotatingAndResizing) {
  int a = Item(400, 200);
  g_hoveredItem = a;
  const uint32_t move = Over(kMoveArrow.colour, 0x9B, kGrey);
  const uint32_t rotate = Over(kRotateArrow.colour, 0x9B, kGrey);
  const uint32_t resize = Over(kResizeArrow.colour, 0x9B, kGrey);

  Pixels p = Draw(2);
  SavePicture(p, "hud_gizmo_move");
  // Four arrows 80 px out, below, left, above and right of the item.
  EXPECT_PIXEL(p, 320, 320, move, 2);
  EXPECT_PIXEL(p, 240, 240, move, 2);
  EXPECT_PIXEL(p, 320, 160, move, 2);
  EXPECT_PIXEL(p, 400, 240, move, 2);

  p = Draw(3);
  SavePicture(p, "hud_gizmo_rotate");
  EXPECT_PIXEL(p, 260, 300, rotate, 2);
  EXPECT_PIXEL(p, 380, 180, rotate, 2);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, move, 3), 0);
  headless::SetKey(VK_LBUTTON, true);  // while it turns, the arrows go
  p = Draw(3);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, rotate, 3), 0);
  headless::SetKey(VK_LBUTTON, false);

  p = Draw(7);
  EXPECT_PIXEL(p, 320, 340, resize, 2);
  EXPECT_PIXEL(p, 220, 240, resize, 2);
  EXPECT_PIXEL(p, 320, 140, resize, 2);
  EXPECT_PIXEL(p, 420, 240, resize, 2);
  headless::SetKey(VK_RBUTTON, true);
  p = Draw(7);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, resize, 3), 0);
  headless::SetKey(VK_RBUTTON, false);

  // Other contexts draw no arrows.
  p = Draw(1);
  EXPECT_EQ(CountNear(p, 0, 0, 640, 480, move, 3) + CountNear(p, 0, 0, 640, 480, resize, 3), 0);
}

TEST_F(LabelsTest, ResizeArrowsTurnWithABoxButNotWithABall) {
  int box = Item(400, 200, kKindBox, 30.0f);
  g_hoveredItem = box;
  const uint32_t resize = Over(kResizeArrow.colour, 0x9B, kGrey);
  Pixels p = Draw(7);
  SavePicture(p, "hud_gizmo_resize_turned");
  // The box turned 30 degrees counter-clockwise: on the screen (y down) the
  // arrow below it swings to the right, (100 sin 30, 100 cos 30) out.
  EXPECT_PIXEL(p, 370, 327, resize, 2);
  EXPECT_PIXEL(p, 320, 340, kGrey, 0);
  p = Draw(3);
  // (-60, 60) turned by -30 degrees, and the other arrow opposite.
  EXPECT_PIXEL(p, 320 - 22, 240 + 82, Over(kRotateArrow.colour, 0x9B, kGrey), 2);
  EXPECT_PIXEL(p, 320 + 22, 240 - 82, Over(kRotateArrow.colour, 0x9B, kGrey), 2);

  DestroyItem(box);
  int ball = Item(400, 200, kKindBall, 30.0f);
  g_hoveredItem = ball;
  p = Draw(7);
  SavePicture(p, "hud_gizmo_resize_ball");
  EXPECT_PIXEL(p, 220, 240, resize, 2);
  EXPECT_PIXEL(p, 420, 240, resize, 2);
  EXPECT_PIXEL(p, 320, 340, kGrey, 0);
  EXPECT_PIXEL(p, 320, 140, kGrey, 0);
}

TEST_F(LabelsTest, GoalMarkersFollowTheGoalOutsideARun) {
  g_goalType = kGoalStartBall;
  int ball = CreateItem(D3DXVECTOR3(400, 250, 0), nullptr, 0, 0, kKindStartBall, 1);
  ASSERT_GE(ball, 0);
  ASSERT_NE(g_startBallBody, nullptr);
  g_area.corner1 = D3DXVECTOR3(380, 180, 0);
  g_area.corner2 = D3DXVECTOR3(400, 190, 0);
  g_areaEditState = kAreaDefined;
  Pixels p = Draw();
  SavePicture(p, "hud_goal_markers");
  D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  D3DXVECTOR3 b, c, at(400, 250, 0), centre(390, 185, 0);
  D3DXVec3Project(&b, &at, &vp, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  D3DXVec3Project(&c, &centre, &vp, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  // The ball above the centre: its marker 70 px further down (toward the
  // centre); the goal marker right on the area's centre.
  EXPECT_PIXEL(p, (int)b.x, (int)(b.y + 70), Over(kObjectMarker.colour, 0x96, kGrey), 2);
  EXPECT_PIXEL(p, (int)c.x, (int)c.y, Over(kGoalMarker.colour, 0x96, kGrey), 2);

  g_areaEditState = kAreaNone;
  p = Draw();
  EXPECT_PIXEL(p, (int)c.x, (int)c.y, kGrey, 0);

  g_appMode = kModeRun;
  p = Draw();
  EXPECT_PIXEL(p, (int)b.x, (int)(b.y + 70), kGrey, 0);
}

}  // namespace
