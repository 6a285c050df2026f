// The resize drag (Z with the left button), driven through UpdateFrame with
// scripted mouse and keys.
#include "tests/update_test_support.h"

#include <vector>

#include "game/resize.h"

namespace {

class ResizeTest : public UpdateTest {
 protected:
  // Hover the item's centre pixel, press the left button with Z (and `keys`)
  // held; the button stays down. Returns the press pixel.
  static POINT PressResize(float x, float y, std::initializer_list<int> keys = {}) {
    Key('Z', true);
    for (int k : keys) Key(k, true);
    const POINT p = PixelOf(D3DXVECTOR3(x, y, 0));
    Mouse(p.x, p.y);
    Frame();
    Key(VK_LBUTTON, true);
    Frame();
    EXPECT_EQ(g_dragTool, kToolResize);
    return p;
  }
  // One update with the mouse at this client pixel.
  static void MoveTo(LONG x, LONG y) {
    Mouse(x, y);
    Frame();
  }
  static void ReleaseResize(std::initializer_list<int> keys = {}) {
    Key(VK_LBUTTON, false);
    Frame();
    Key('Z', false);
    for (int k : keys) Key(k, false);
    Frame();
  }
  static D3DXVECTOR3 BoxLengths(int item) {
    dVector3 l;
    dGeomBoxGetLengths(g_items[item].geom, l);
    return D3DXVECTOR3((float)l[0], (float)l[1], (float)l[2]);
  }
  static double Mass(int item) {
    dMass m;
    dBodyGetMass(g_items[item].body, &m);
    return m.mass;
  }
};

TEST_F(ResizeTest, MotionScalesTheBoxAndRebuildsGeomAndMassWithUndo) {
  const int a = Box(100, 60);
  const POINT p = PressResize(100, 60);
  MoveTo(p.x + 10, p.y);  // x 1.1
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 4.0f * 1.1f);
  EXPECT_FLOAT_EQ(g_items[a].sizeB, 4.0f);
  MoveTo(p.x, p.y + 20);  // back: x 0.9; down: y 1.2
  const float w = 4.0f * 1.1f * 0.9f, h = 4.0f * 1.2f;
  EXPECT_FLOAT_EQ(g_items[a].sizeA, w);
  EXPECT_NE(g_items[a].sizeA, 4.0f);  // back and forth does not return exactly
  EXPECT_FLOAT_EQ(g_items[a].sizeB, h);
  EXPECT_FLOAT_EQ(BoxLengths(a).x, w);
  EXPECT_FLOAT_EQ(BoxLengths(a).y, h);
  EXPECT_FLOAT_EQ(BoxLengths(a).z, 4.0f);
  EXPECT_NEAR(Mass(a), (double)w * h * 4.0, 1e-4);
  ReleaseResize();
  EXPECT_FLOAT_EQ(g_items[a].sizeA, w);
  EXPECT_NEAR(Pos(a).x, 100.0f, 1e-5f);  // the position is not touched
  EXPECT_EQ(g_stageModified, 1);

  Undo();
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 4.0f);
  EXPECT_FLOAT_EQ(BoxLengths(a).x, 4.0f);
}

TEST_F(ResizeTest, FactorsStopAtOneHundredthAndLimitsHoldUntilTheWorkingSizeComesBack) {
  const int a = Box(100, 60);
  POINT p = PressResize(100, 60);
  MoveTo(p.x - 150, p.y);  // 0.01, not below: working 0.04
  EXPECT_FLOAT_EQ(g_resizeSize1, 0.04f);
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 2.0f);
  ReleaseResize();

  p = PressResize(100, 60);
  MoveTo(p.x + 600, p.y);   // x 7: 14
  MoveTo(p.x + 1200, p.y);  // x 7: 98
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 80.0f);
  MoveTo(p.x + 1150, p.y);  // x 0.5: 49
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 49.0f);
  MoveTo(p.x + 1150, p.y - 99);  // y 0.01: 0.04
  EXPECT_FLOAT_EQ(g_items[a].sizeB, 2.0f);
  ReleaseResize();
}

TEST_F(ResizeTest, AWorkingSizeDrivenFarDownCanGrowAgain) {
  // Each update far to the left shrinks the working size by 0.01; before it
  // was kept positive, 25 such updates left it at 0 for the rest of the drag.
  const int a = Box(100, 60);
  const POINT p = PressResize(100, 60);
  for (int k = 1; k <= 25; ++k) MoveTo(p.x - 1000 * k, p.y);
  EXPECT_GT(g_resizeSize1, 0.0f);
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 2.0f);
  for (int k = 1; k <= 40; ++k) MoveTo(p.x - 25000 + 1000 * k, p.y);
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 80.0f);
  EXPECT_TRUE(std::isfinite(g_resizeSize1));
  ReleaseResize();
}

TEST_F(ResizeTest, ABallFollowsOnlyHorizontalMotion) {
  const int b = Ball(100, 60, 2);
  const POINT p = PressResize(100, 60);
  MoveTo(p.x + 10, p.y + 50);
  const float r = 2.0f * 1.1f;
  EXPECT_FLOAT_EQ(g_items[b].sizeA, r);
  EXPECT_FLOAT_EQ((float)dGeomSphereGetRadius(g_items[b].geom), r);
  const double density = (double)(8.0f / r);
  EXPECT_NEAR(Mass(b), density * 4.0 / 3.0 * M_PI * r * r * r, 1e-4);
  MoveTo(p.x + 10, p.y - 50);
  EXPECT_FLOAT_EQ(g_items[b].sizeA, r);
  // The second size plays no part in a ball: it is carried along unchanged.
  EXPECT_EQ(g_items[b].sizeB, 0.0f);
  ReleaseResize();
  g_items[b].sizeB = 3.0f;
  PressResize(100, 60, {VK_SHIFT});
  Frame();
  EXPECT_EQ(g_items[b].sizeB, 2.0f);
  ReleaseResize({VK_SHIFT});
}

TEST_F(ResizeTest, ABoxTurnedAQuarterGrowsInHeightToTheRightAndInWidthDownwards) {
  D3DXMATRIX quarter;
  D3DXMatrixRotationZ(&quarter, 90.0f * kDegToRad);
  const int a = CreateItem(D3DXVECTOR3(100, 60, 0), &quarter, 4, 6, kKindBox, 1);
  ASSERT_GE(a, 0);
  const POINT p = PressResize(100, 60);
  MoveTo(p.x + 50, p.y);
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 4.0f);
  EXPECT_FLOAT_EQ(g_items[a].sizeB, 9.0f);
  MoveTo(p.x + 50, p.y + 25);
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 5.0f);
  EXPECT_FLOAT_EQ(g_items[a].sizeB, 9.0f);
  ReleaseResize();
}

TEST_F(ResizeTest, ShiftSnapsSizesDownToEvenStepsWithinTheLimits) {
  const int ball = Ball(100, 60, 3.9f);
  const int box = Box(115, 60, 7.9f, 3.0f);
  const int bar = CreateItem(D3DXVECTOR3(85, 60, 0), nullptr, 1.9f, 7.9f, kKindCapsule, 1);
  ASSERT_GE(bar, 0);
  PressResize(100, 60, {VK_SHIFT});
  Frame();  // a step without motion
  EXPECT_FLOAT_EQ(g_items[ball].sizeA, 2.0f);
  ReleaseResize({VK_SHIFT});
  PressResize(115, 60, {VK_SHIFT});
  Frame();
  EXPECT_FLOAT_EQ(g_items[box].sizeA, 4.0f);
  EXPECT_FLOAT_EQ(g_items[box].sizeB, 2.0f);  // snapped to 0, then the minimum
  ReleaseResize({VK_SHIFT});
  PressResize(85, 60, {VK_SHIFT});
  Frame();
  EXPECT_FLOAT_EQ(g_items[bar].sizeA, 1.0f);  // snapped to 0, then the minimum
  EXPECT_FLOAT_EQ(g_items[bar].sizeB, 4.0f);
  dReal radius = 0, length = 0;
  dGeomCapsuleGetParams(g_items[bar].geom, &radius, &length);
  EXPECT_EQ(radius, 1.0);
  EXPECT_EQ(length, 4.0);
  ReleaseResize({VK_SHIFT});
}

TEST_F(ResizeTest, JointAnchorsStayInsideTheItem) {
  // A box jointed 3 units right of its centre stays at least 6 wide.
  const int a = Box(100, 60);
  const int b = Box(106, 60);
  const D3DXVECTOR3 anchor(103, 60, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
  const POINT p = PressResize(99, 60);
  MoveTo(p.x - 50, p.y - 50);
  EXPECT_FLOAT_EQ(g_items[a].sizeA, 6.0f);
  EXPECT_FLOAT_EQ(g_items[a].sizeB, 2.0f);
  ReleaseResize();

  // A ball with its anchor at local (0.8r, 0.8r) is not enlarged; shrunk
  // below 0.8r it takes the anchor's distance.
  const int ball = Ball(130, 60, 5);
  const int other = Ball(140, 70, 2);
  const D3DXVECTOR3 at(134, 64, 0);
  ASSERT_GE(CreateHingeJoint(ball, other, &at, 0), 0);
  const POINT q = PressResize(128, 58);
  Frame();
  EXPECT_FLOAT_EQ(g_items[ball].sizeA, 5.0f);
  MoveTo(q.x - 50, q.y);
  EXPECT_NEAR(g_items[ball].sizeA, sqrtf(32.0f), 1e-4f);
  ReleaseResize();

  // A bar keeps an anchor 5 units along its axis and 1.5 across inside.
  const int bar = CreateItem(D3DXVECTOR3(70, 60, 0), nullptr, 0, 0, kKindCapsule, 1);
  const int partner = Box(80, 75);
  const D3DXVECTOR3 along(71.5f, 65, 0);
  ASSERT_GE(CreateHingeJoint(bar, partner, &along, 0), 0);
  const POINT r = PressResize(70, 59);
  MoveTo(r.x, r.y - 50);  // the length x 0.5
  EXPECT_NEAR(g_items[bar].sizeA, 1.5f, 1e-4f);
  EXPECT_NEAR(g_items[bar].sizeB, 2.0f * (5.0f - 1.5f), 1e-4f);
  ReleaseResize();
}

TEST_F(ResizeTest, StagePartsAreMovedNotResized) {
  const int rocket = CreateItem(D3DXVECTOR3(100, 60, 0), nullptr, 0, 0, kKindRocket, 0);
  ASSERT_GE(rocket, 0);
  const float a = g_items[rocket].sizeA, b = g_items[rocket].sizeB;
  Key('Z', true);
  const POINT p = PixelOf(D3DXVECTOR3(100, 60, 0));
  Mouse(p.x, p.y);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  EXPECT_EQ(g_dragTool, kToolMove);
  MoveTo(p.x + 40, p.y);
  Key(VK_LBUTTON, false);
  Frame();
  Key('Z', false);
  EXPECT_EQ(g_items[rocket].sizeA, a);
  EXPECT_EQ(g_items[rocket].sizeB, b);

  // And the step itself leaves any other kind alone.
  g_hoveredItem = rocket;
  g_resizeSize1 = 50.0f;
  g_resizeSize2 = 50.0f;
  ResizeHoveredItem();
  EXPECT_EQ(g_items[rocket].sizeA, a);
}

}  // namespace
