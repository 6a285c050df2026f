// The right-button tools, the area and the Delete key, driven through
// UpdateFrame with scripted mouse and keys.
#include "tests/update_test_support.h"

#include <vector>

#include "game/hints.h"
#include "game/right_tools.h"
#include "game/simulation.h"
#include "render/world_drawing.h"
#include "world/rotations.h"

namespace {

class RightToolsTest : public UpdateTest {
 protected:
  static D3DXMATRIX Rotation(int item) {
    D3DXMATRIX R;
    ConvertOdeRotationToMatrix(dGeomGetRotation(g_items[item].geom), &R);
    return R;
  }
  // Degrees counter-clockwise of the item's local x axis (boxes, balls).
  static float Angle(int item) {
    const D3DXMATRIX R = Rotation(item);
    return atan2f(R._12, R._11) * 180.0f / D3DX_PI;
  }
  // Degrees counter-clockwise of a bar's axis from pointing straight down.
  static float BarAngle(int item) {
    const D3DXMATRIX R = Rotation(item);
    return atan2f(R._31, -R._32) * 180.0f / D3DX_PI;
  }
  static D3DXMATRIX TurnZ(float degrees) {
    D3DXMATRIX m;
    D3DXMatrixRotationZ(&m, degrees * kDegToRad);
    return m;
  }
  // Hover at a pixel, press the right button there (with `keys` held from
  // the hover on), then move by each horizontal offset from the press pixel,
  // one update per offset. The button stays down.
  static void RightDragPixels(POINT at, std::vector<int> offsets,
                              std::initializer_list<int> keys = {}) {
    for (int k : keys) Key(k, true);
    Mouse(at.x, at.y);
    Frame();
    Key(VK_RBUTTON, true);
    Frame();
    for (int dx : offsets) {
      Mouse(at.x + dx, at.y);
      Frame();
    }
  }
  static void RightRelease(std::initializer_list<int> keys = {}) {
    Key(VK_RBUTTON, false);
    Frame();
    for (int k : keys) Key(k, false);
    Frame();
  }
  static void RightClickAt(float x, float y, std::initializer_list<int> keys = {}) {
    RightDragPixels(PixelOf(D3DXVECTOR3(x, y, 0)), {}, keys);
    RightRelease(keys);
  }
  // A right drag on the empty stage between two grid points (Shift puts the
  // stage point on the grid, so the corners are exact).
  static void AreaDrag(D3DXVECTOR3 from, D3DXVECTOR3 to) {
    Key(VK_SHIFT, true);
    MouseAt(from.x, from.y);
    Frame();
    Key(VK_RBUTTON, true);
    Frame();
    MouseAt(to.x, to.y);
    Frame();
    RightRelease({VK_SHIFT});
  }
  // The test-play entry of the editor bar after one more update.
  static bool TestPlayOffered() {
    Frame();
    return headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).enabled;
  }
  // The area's state and corners in the stage plane.
  static void ExpectArea(int state, D3DXVECTOR3 corner1, D3DXVECTOR3 corner2) {
    EXPECT_EQ(g_areaEditState, state);
    EXPECT_FLOAT_EQ(g_area.corner1.x, corner1.x);
    EXPECT_FLOAT_EQ(g_area.corner1.y, corner1.y);
    EXPECT_FLOAT_EQ(g_area.corner2.x, corner2.x);
    EXPECT_FLOAT_EQ(g_area.corner2.y, corner2.y);
  }
};

// --- rotation ------------------------------------------------------------------

TEST_F(RightToolsTest, FreeRotationTurnsOneDegreePerThreePixels) {
  const int a = Box(100, 60, 6, 2);
  const POINT p = PixelOf(D3DXVECTOR3(100, 60, 0));
  RightDragPixels(p, {15, 30});
  EXPECT_EQ(g_dragTool, kToolRotate);
  EXPECT_NEAR(Angle(a), 10.0f, 1e-3f);  // motion to the right turns counter-clockwise
  Mouse(p.x + 21, p.y - 40);             // 9 pixels back; vertical motion does nothing
  Frame();
  EXPECT_NEAR(Angle(a), 7.0f, 1e-3f);
  RightRelease();
  EXPECT_NEAR(Angle(a), 7.0f, 1e-3f);
  EXPECT_NEAR(Pos(a).x, 100.0f, 1e-4f);
  EXPECT_NEAR(Pos(a).y, 60.0f, 1e-4f);
  EXPECT_EQ(g_rightButtonDown, 0);
  EXPECT_EQ(g_hoveredItem, -1);
  EXPECT_EQ(g_stageModified, 1);
}

TEST_F(RightToolsTest, ShiftSnapsTheAngleTo22AndAHalfDegreesCountedFromTheAngleAtShift) {
  const D3DXMATRIX ten = TurnZ(10.0f);
  const int a = CreateItem(D3DXVECTOR3(100, 60, 0), &ten, 6, 2, kKindBox, 1);
  ASSERT_GE(a, 0);
  const POINT p = PixelOf(D3DXVECTOR3(100, 60, 0));
  // Two pixels per degree from 10 degrees: 30 px gives 25, snapped 22.5.
  RightDragPixels(p, {30}, {VK_SHIFT});
  EXPECT_NEAR(Angle(a), 22.5f, 1e-3f);
  EXPECT_NEAR(g_rotateDragAngle, 10.0f, 1e-3f);
  Mouse(p.x + 70, p.y);  // 45
  Frame();
  EXPECT_NEAR(Angle(a), 45.0f, 1e-3f);
  Mouse(p.x - 40, p.y);  // -10 truncates towards zero: 0
  Frame();
  EXPECT_NEAR(Angle(a), 0.0f, 1e-3f);
  Mouse(p.x - 80, p.y);  // -30: -22.5
  Frame();
  EXPECT_NEAR(Angle(a), -22.5f, 1e-3f);
  // Letting go of Shift turns nothing in that update, then goes on freely.
  Key(VK_SHIFT, false);
  Frame();
  EXPECT_NEAR(Angle(a), -22.5f, 1e-3f);
  EXPECT_EQ(g_rotateSnapLatch, 0);
  Mouse(p.x - 50, p.y);
  Frame();
  EXPECT_NEAR(Angle(a), -12.5f, 1e-3f);
  RightRelease();
}

TEST_F(RightToolsTest, ABarSnapsWithItsAxisInThePlane) {
  const int bar = CreateItem(D3DXVECTOR3(100, 60, 0), nullptr, 0, 0, kKindCapsule, 1);
  ASSERT_GE(bar, 0);
  const POINT p = PixelOf(D3DXVECTOR3(100, 60, 0));
  RightDragPixels(p, {-100}, {VK_SHIFT});  // -50 degrees: -45
  EXPECT_NEAR(BarAngle(bar), -45.0f, 1e-3f);
  EXPECT_NEAR(Rotation(bar)._33, 0.0f, 1e-6f);  // the axis stays in the stage plane
  EXPECT_NEAR(ItemPlaneAngle(kKindCapsule, Rotation(bar)), -45.0f, 1e-3f);
  RightRelease({VK_SHIFT});
}

TEST_F(RightToolsTest, AnItemWithOneJointSwingsAboutItsAnchorAndAFixedJointHoldsThePose) {
  const int a = Box(100, 60, 4, 4, 0);  // fixed
  const int b = Box(104, 60);
  const D3DXVECTOR3 anchor(102, 60, 0);
  const int joint = CreateHingeJoint(a, b, &anchor, 0);
  ASSERT_GE(joint, 0);
  ClickAt(102, 60, {'X'});  // the joint becomes fixed
  ASSERT_EQ(g_joints[joint].type, kJointFixed);

  RightDragPixels(PixelOf(D3DXVECTOR3(105.5f, 60, 0)), {45, 90});  // 30 degrees
  RightRelease();
  EXPECT_NEAR(Angle(b), 30.0f, 1e-3f);
  EXPECT_NEAR(Pos(b).x, 102.0f + 2.0f * cosf(30.0f * kDegToRad), 1e-3f);
  EXPECT_NEAR(Pos(b).y, 60.0f + 2.0f * sinf(30.0f * kDegToRad), 1e-3f);
  EXPECT_NEAR(Pos(a).x, 100.0f, 1e-5f);
  EXPECT_NEAR(Angle(a), 0.0f, 1e-5f);
  // The joint was made again at the turned pose, and the record holds it.
  EXPECT_EQ(g_joints[joint].type, kJointFixed);
  EXPECT_NEAR(dJointGetHingeAngle(g_joints[joint].joint), 0.0, 1e-5);
  EXPECT_NEAR(g_joints[joint].anchor.x, 102.0f, 1e-3f);
  const D3DXVECTOR3 turned = Pos(b);
  g_appMode = kModeRun;
  for (int i = 0; i < 30; ++i) {
    StepSimulation();
    HoldBodiesToPlane();
  }
  g_appMode = kModeEdit;
  EXPECT_NEAR(Pos(b).x, turned.x, 0.05f);
  EXPECT_NEAR(Pos(b).y, turned.y, 0.05f);
}

TEST_F(RightToolsTest, ASwingStepMovesTheItemByTheTurnOfItsOffsetFromTheAnchor) {
  // New position = p + (d turned) - d with d = p - pivot, in float as written;
  // pivot + (d turned) rounds differently here.
  const int a = Box(97.37f, 63.11f);
  const int b = Box(104.5f, 60.5f);
  const D3DXVECTOR3 at(101.93f, 61.07f, 0);
  const int joint = CreateHingeJoint(a, b, &at, 0);
  ASSERT_GE(joint, 0);
  dVector3 anchor;
  dJointGetHingeAnchor(g_joints[joint].joint, anchor);
  const D3DXVECTOR3 pivot((float)anchor[0], (float)anchor[1], 0.0f);
  D3DXVECTOR3 p = Pos(a);
  p.z = 0.0f;

  const int dx = 7;
  RightDragPixels(PixelOf(D3DXVECTOR3(97.37f, 63.11f, 0)), {dx});
  ASSERT_EQ(g_dragTool, kToolRotate);
  const D3DXMATRIX turn = TurnZ((float)dx / 3.0f);
  const D3DXVECTOR3 d = p - pivot;
  D3DXVECTOR3 turned;
  D3DXVec3TransformCoord(&turned, &d, &turn);
  const D3DXVECTOR3 expected = p + turned - d;
  const D3DXVECTOR3 aboutPivot = pivot + turned;
  ASSERT_TRUE(expected.x != aboutPivot.x || expected.y != aboutPivot.y);
  EXPECT_EQ(Pos(a).x, expected.x);
  EXPECT_EQ(Pos(a).y, expected.y);
  RightRelease();
}

TEST_F(RightToolsTest, AnItemWithTwoJointsTurnsItsAssemblyAboutItsCentre) {
  const int left = Box(96, 60);
  const int mid = Box(100, 60);
  const int right = Box(104, 60);
  const D3DXVECTOR3 p1(98, 60, 0), p2(102, 60, 0);
  ASSERT_GE(CreateHingeJoint(left, mid, &p1, 0), 0);
  ASSERT_GE(CreateHingeJoint(mid, right, &p2, 0), 0);
  RightDragPixels(PixelOf(D3DXVECTOR3(100, 61.5f, 0)), {135});  // 45 degrees
  RightRelease();
  const float c = cosf(45.0f * kDegToRad), s = sinf(45.0f * kDegToRad);
  EXPECT_NEAR(Pos(mid).x, 100.0f, 1e-4f);
  EXPECT_NEAR(Pos(right).x, 100.0f + 4.0f * c, 1e-3f);
  EXPECT_NEAR(Pos(right).y, 60.0f + 4.0f * s, 1e-3f);
  EXPECT_NEAR(Pos(left).x, 100.0f - 4.0f * c, 1e-3f);
  EXPECT_NEAR(Pos(left).y, 60.0f - 4.0f * s, 1e-3f);
  for (int i : {left, mid, right}) EXPECT_NEAR(Angle(i), 45.0f, 1e-3f) << i;
}

TEST_F(RightToolsTest, ASelectionTurnsAboutTheDraggedItem) {
  const int a = Box(100, 60);
  const int c = Box(110, 60);
  const int other = Box(90, 70);
  g_items[a].flags |= kFlagSelected;
  g_items[c].flags |= kFlagSelected;
  RightDragPixels(PixelOf(D3DXVECTOR3(100, 60, 0)), {270});  // 90 degrees
  RightRelease();
  EXPECT_NEAR(Angle(a), 90.0f, 1e-3f);
  EXPECT_NEAR(Angle(c), 90.0f, 1e-3f);
  EXPECT_NEAR(Pos(c).x, 100.0f, 1e-3f);
  EXPECT_NEAR(Pos(c).y, 70.0f, 1e-3f);
  EXPECT_NEAR(Angle(other), 0.0f, 1e-6f);
  EXPECT_NEAR(Pos(other).x, 90.0f, 1e-6f);
}

TEST_F(RightToolsTest, ASwingBeyondTheFieldDestroysTheItemAndAFixedItemStaysFixed) {
  g_cameraPos = D3DXVECTOR3(10.0f, 60.0f, -50.0f);
  const int a = Box(2, 60, 4, 4, 0);
  const int b = Box(2, 66, 4, 8);
  const D3DXVECTOR3 anchor(2, 62, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
  RightDragPixels(PixelOf(D3DXVECTOR3(2, 68, 0)), {135, 270});  // b swings to x -2
  EXPECT_NE(g_items[b].state, kItemFree);
  RightRelease();
  EXPECT_EQ(g_items[b].state, kItemFree);
  EXPECT_NE(g_items[a].state, kItemFree);

  // A fixed item turned on its own keeps the new pose against gravity.
  const int f = Box(20, 60, 8, 2, 0);
  RightDragPixels(PixelOf(D3DXVECTOR3(20, 60, 0)), {60});  // 20 degrees
  RightRelease();
  EXPECT_EQ(g_items[f].state, kItemFixed);
  g_appMode = kModeRun;
  for (int i = 0; i < 30; ++i) {
    StepSimulation();
    HoldBodiesToPlane();
  }
  g_appMode = kModeEdit;
  EXPECT_NEAR(Angle(f), 20.0f, 0.05f);
  EXPECT_NEAR(Pos(f).y, 60.0f, 0.01f);
}

TEST_F(RightToolsTest, GoalBellStartBallAndXAreNotRotated) {
  const int bell = CreateItem(D3DXVECTOR3(100, 60, 0), nullptr, 0, 0, kKindGoalBell, 0);
  const int start = CreateItem(D3DXVECTOR3(115, 60, 0), nullptr, 0, 0, kKindStartBall, 1);
  const int box = Box(85, 60, 6, 2);
  ASSERT_GE(bell, 0);
  ASSERT_GE(start, 0);
  const D3DXMATRIX bell0 = Rotation(bell), start0 = Rotation(start);
  RightDragPixels(PixelOf(D3DXVECTOR3(100, 60, 0)), {60});
  RightRelease();
  RightDragPixels(PixelOf(D3DXVECTOR3(115, 60, 0)), {60});
  RightRelease();
  const D3DXMATRIX bell1 = Rotation(bell), start1 = Rotation(start);
  EXPECT_EQ(std::memcmp(&bell1, &bell0, sizeof(D3DXMATRIX)), 0);
  EXPECT_EQ(std::memcmp(&start1, &start0, sizeof(D3DXMATRIX)), 0);

  g_stageModified = 0;
  RightDragPixels(PixelOf(D3DXVECTOR3(85, 60, 0)), {60}, {'X'});
  RightRelease({'X'});
  EXPECT_NEAR(Angle(box), 0.0f, 1e-6f);
  EXPECT_EQ(g_stageModified, 1);  // the press still marks the stage changed
}

// --- delete, motor, selection --------------------------------------------------

TEST_F(RightToolsTest, RDeletesTheItemAndTheSelectionWithUndo) {
  const int a = Box(100, 60);
  const int b = Box(110, 60);
  const int c = Box(90, 70);
  const int keep = Box(110, 70);
  g_items[b].flags |= kFlagSelected;
  g_items[c].flags |= kFlagSelected;
  RightClickAt(100, 60, {'R'});
  EXPECT_EQ(g_items[a].state, kItemFree);
  EXPECT_EQ(g_items[b].state, kItemFree);
  EXPECT_EQ(g_items[c].state, kItemFree);
  EXPECT_NE(g_items[keep].state, kItemFree);
  EXPECT_EQ(g_stageModified, 1);
  Undo();
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_NEAR(Pos(a).x, 100.0f, 1e-4f);

  // A stage part is not deleted; on the empty stage R neither deletes nor
  // draws an area.
  const int rocket = CreateItem(D3DXVECTOR3(130, 60, 0), nullptr, 0, 0, kKindRocket, 0);
  ASSERT_GE(rocket, 0);
  RightClickAt(130, 60, {'R'});
  EXPECT_NE(g_items[rocket].state, kItemFree);
  RightClickAt(120, 45, {'R'});
  EXPECT_EQ(LiveItems(), 5);
  EXPECT_EQ(g_areaEditState, kAreaNone);
}

TEST_F(RightToolsTest, ROnAJointAnchorDeletesTheJointAndCtrlZBringsItBackAlone) {
  const int a = Box(100, 60);
  const int b = Box(104, 60);
  const D3DXVECTOR3 anchor(102, 60, 0);
  const int joint = CreateHingeJoint(a, b, &anchor, 0);
  ASSERT_GE(joint, 0);
  ClickAt(120, 45);  // a ball on the empty stage: the edit before
  ASSERT_EQ(LiveItems(), 3);
  const int ball = LastLiveItem();
  RightClickAt(102, 60, {'R'});
  EXPECT_EQ(g_joints[joint].type, kJointFree);
  EXPECT_EQ(g_items[a].jointCount, 0);
  EXPECT_EQ(g_items[b].jointCount, 0);
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_stageModified, 1);

  Undo();  // the joint is back, and the ball placed before stays
  EXPECT_EQ(g_joints[joint].type, kJointRotary);
  EXPECT_EQ(g_items[a].jointCount, 1);
  EXPECT_EQ(g_items[b].jointCount, 1);
  EXPECT_NE(g_items[ball].state, kItemFree);
  EXPECT_EQ(LiveItems(), 3);
  Undo();  // and a second Ctrl+Z deletes it again
  EXPECT_EQ(g_joints[joint].type, kJointFree);
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(RightToolsTest, VLowersTheMotorOfAMovableItemDownToMinusFiveAndTurnsAFixedOne) {
  const int a = Box(100, 60);
  g_items[a].motorSpeed = -2;
  for (int i = 0; i < 5; ++i) RightClickAt(100, 60, {'V'});
  EXPECT_EQ(g_items[a].motorSpeed, -5);
  EXPECT_NEAR(Angle(a), 0.0f, 1e-6f);

  const int f = Box(110, 60, 4, 4, 0);
  RightDragPixels(PixelOf(D3DXVECTOR3(110, 60, 0)), {30}, {'V'});
  RightRelease({'V'});
  EXPECT_EQ(g_items[f].motorSpeed, 0);
  EXPECT_NEAR(Angle(f), 10.0f, 1e-3f);
}

// --- Ctrl+Z after a right-button edit --------------------------------------------

TEST_F(RightToolsTest, CtrlZTakesBackTheWholeRotationAloneAndASecondTurnsItAgain) {
  const int a = Box(100, 60, 6, 2);
  DragFromTo(D3DXVECTOR3(100, 60, 0), D3DXVECTOR3(106, 62, 0));  // a move: the edit before
  const D3DXVECTOR3 moved = Pos(a);
  ASSERT_NEAR(moved.x, 106.0f, 0.2f);
  RightDragPixels(PixelOf(moved), {6, 15, 30});  // one drag over three updates
  RightRelease();
  ASSERT_NEAR(Angle(a), 10.0f, 1e-3f);

  Undo();
  EXPECT_NEAR(Angle(a), 0.0f, 1e-3f);  // the whole drag, not its last update
  EXPECT_NEAR(Pos(a).x, moved.x, 1e-4f);  // and the move before it stays
  EXPECT_NEAR(Pos(a).y, moved.y, 1e-4f);
  Undo();
  EXPECT_NEAR(Angle(a), 10.0f, 1e-3f);
  EXPECT_NEAR(Pos(a).x, moved.x, 1e-4f);
}

TEST_F(RightToolsTest, CtrlZTakesBackOneMotorStepDown) {
  const int a = Box(100, 60);
  ClickAt(100, 60, {'V'});
  ASSERT_EQ(g_items[a].motorSpeed, 1);  // left 1
  RightClickAt(100, 60, {'V'});
  ASSERT_EQ(g_items[a].motorSpeed, 0);  // none
  Undo();
  EXPECT_EQ(g_items[a].motorSpeed, 1);  // left 1 again
  Undo();
  EXPECT_EQ(g_items[a].motorSpeed, 0);

  RightClickAt(100, 60, {'V'});
  ASSERT_EQ(g_items[a].motorSpeed, -1);  // right 1
  Undo();
  EXPECT_EQ(g_items[a].motorSpeed, 0);  // one step back, not two
  Undo();
  EXPECT_EQ(g_items[a].motorSpeed, -1);
}

TEST_F(RightToolsTest, FClearsTheSelectionAndDoesNothingElse) {
  const int a = Box(100, 60);
  const int b = Box(110, 60);
  g_items[a].flags |= kFlagSelected;
  g_items[b].flags |= kFlagSelected;
  RightDragPixels(PixelOf(D3DXVECTOR3(100, 60, 0)), {60}, {'F'});
  RightRelease({'F'});
  EXPECT_EQ(g_items[a].flags & kFlagSelected, 0u);
  EXPECT_EQ(g_items[b].flags & kFlagSelected, 0u);
  EXPECT_NEAR(Angle(a), 0.0f, 1e-6f);

  g_items[a].flags |= kFlagSelected;
  RightDragPixels(PixelOf(D3DXVECTOR3(90, 45, 0)), {60}, {'F'});  // the empty stage
  RightRelease({'F'});
  EXPECT_EQ(g_items[a].flags & kFlagSelected, 0u);
  EXPECT_EQ(g_areaEditState, kAreaNone);
  EXPECT_EQ(g_stageModified, 0);
}

TEST_F(RightToolsTest, TheDeleteKeyDeletesTheSelectedPlayerItemsOncePerPress) {
  const int a = Box(100, 60);
  const int b = Box(110, 60);
  const int keep = Box(90, 70);
  const int rocket = CreateItem(D3DXVECTOR3(130, 60, 0), nullptr, 0, 0, kKindRocket, 0);
  g_items[a].flags |= kFlagSelected;
  g_items[b].flags |= kFlagSelected;
  g_items[rocket].flags |= kFlagSelected;
  Key(VK_DELETE, true);
  Frame();
  EXPECT_EQ(g_items[a].state, kItemFree);
  EXPECT_EQ(g_items[b].state, kItemFree);
  EXPECT_NE(g_items[rocket].state, kItemFree);  // stage parts stay
  EXPECT_EQ(g_items[rocket].flags & kFlagSelected, 0u);
  EXPECT_EQ(g_stageModified, 1);
  // Held: once. A new selection while the key stays down is not deleted.
  g_items[keep].flags |= kFlagSelected;
  Frames(3);
  EXPECT_NE(g_items[keep].state, kItemFree);
  Key(VK_DELETE, false);
  Frame();
  Undo();
  EXPECT_EQ(LiveItems(), 4);

  // The placing mode deletes only the player's own items.
  g_appMode = kModePlay;
  const int own = Box(100, 50);
  ASSERT_EQ(g_items[own].createdInMode, kModePlay);
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state != kItemFree) g_items[i].flags |= kFlagSelected;
  }
  Key(VK_DELETE, true);
  Frame();
  Key(VK_DELETE, false);
  Frame();
  EXPECT_EQ(g_items[own].state, kItemFree);
  EXPECT_EQ(LiveItems(), 4);

  // In a run nothing happens.
  const int own2 = Box(100, 50);
  g_items[own2].flags |= kFlagSelected;
  g_appMode = kModeRun;
  Key(VK_DELETE, true);
  Frame();
  Key(VK_DELETE, false);
  Frame();
  EXPECT_NE(g_items[own2].state, kItemFree);
}

// --- button interplay and modes --------------------------------------------------

TEST_F(RightToolsTest, TheRightButtonDoesNothingWhileTheLeftIsDownAndALeftPressEndsARightDrag) {
  const int a = Box(100, 60, 6, 2);
  const POINT p = PixelOf(D3DXVECTOR3(100, 60, 0));
  Mouse(p.x, p.y);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_RBUTTON, true);
  Frame();
  EXPECT_EQ(g_rightButtonDown, 0);
  Key(VK_RBUTTON, false);
  Key(VK_LBUTTON, false);
  Frame();
  Frame();
  EXPECT_NEAR(Angle(a), 0.0f, 1e-6f);

  RightDragPixels(p, {30});
  EXPECT_NEAR(Angle(a), 10.0f, 1e-3f);
  Key(VK_LBUTTON, true);
  Frame();
  EXPECT_EQ(g_rightButtonDown, 0);
  Mouse(p.x + 90, p.y);
  Frame();
  EXPECT_NEAR(Angle(a), 10.0f, 1e-3f);
  Key(VK_LBUTTON, false);
  Key(VK_RBUTTON, false);
  Frame();
}

TEST_F(RightToolsTest, NothingInARunOrInATruckRaceAndOnlyOwnItemsWhenPlacing) {
  const int a = Box(100, 60, 6, 2, 0);
  const POINT p = PixelOf(D3DXVECTOR3(100, 60, 0));
  Frame();  // pick
  g_appMode = kModeRun;
  Key(VK_RBUTTON, true);
  Frame();
  EXPECT_EQ(g_rightButtonDown, 0);
  Key(VK_RBUTTON, false);
  Frame();
  g_appMode = kModePlay;

  // Placing: the editor's item does not turn, the player's own does.
  RightDragPixels(p, {30});
  RightRelease();
  EXPECT_NEAR(Angle(a), 0.0f, 1e-5f);
  const int own = Box(110, 60, 6, 2);
  ASSERT_EQ(g_items[own].createdInMode, kModePlay);
  const POINT q = PixelOf(D3DXVECTOR3(110, 60, 0));
  RightDragPixels(q, {30});
  RightRelease();
  EXPECT_NEAR(Angle(own), 10.0f, 1e-3f);
  EXPECT_EQ(g_stageModified, 0);  // only stage editing marks changes

  g_goalType = kGoalTruck;
  RightDragPixels(q, {30});
  RightRelease();
  EXPECT_NEAR(Angle(own), 10.0f, 1e-3f);
}

TEST_F(RightToolsTest, ARunStartedDuringARightDragLetsTheStopButtonWork) {
  g_appMode = kModePlay;
  const int own = Box(100, 60, 6, 2);
  RightDragPixels(PixelOf(D3DXVECTOR3(100, 60, 0)), {30});
  ASSERT_NEAR(Angle(own), 10.0f, 1e-3f);
  Key(VK_SPACE, true);
  Frame();
  Key(VK_SPACE, false);
  ASSERT_EQ(g_appMode, kModeRun);
  Key(VK_RBUTTON, false);
  Frame();
  EXPECT_EQ(g_rightButtonDown, 0);
  Mouse(430, 460);  // the start/stop button
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonStartStop], 1);
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_appMode, kModePlay);
}

// --- the area ------------------------------------------------------------------

TEST_F(RightToolsTest, AnAreaDrawnFromAnyCornerEndsOrderedAndASmallOneIsRemoved) {
  // Shift puts the stage point on the grid, so the corners are exact.
  const POINT from = PixelOf(D3DXVECTOR3(114, 50, 0));
  const POINT to = PixelOf(D3DXVECTOR3(90, 70, 0));
  Key(VK_SHIFT, true);
  Mouse(from.x, from.y);
  Frame();
  Key(VK_RBUTTON, true);
  Frame();
  EXPECT_EQ(g_areaEditState, kAreaDrawing);
  Mouse(to.x, to.y);
  Frame();
  EXPECT_FLOAT_EQ(g_area.corner2.x, 90.0f);
  RightRelease({VK_SHIFT});
  EXPECT_EQ(g_areaEditState, kAreaDefined);
  EXPECT_FLOAT_EQ(g_area.corner1.x, 90.0f);
  EXPECT_FLOAT_EQ(g_area.corner1.y, 70.0f);
  EXPECT_FLOAT_EQ(g_area.corner2.x, 114.0f);
  EXPECT_FLOAT_EQ(g_area.corner2.y, 50.0f);
  EXPECT_EQ(g_stageModified, 1);
  Frame();  // the test-play entry follows the defined area
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).enabled);

  // A new drawing replaces it; 4 units high is too low and removes the area.
  AreaDrag(D3DXVECTOR3(90, 70, 0), D3DXVECTOR3(110, 66, 0));
  EXPECT_EQ(g_areaEditState, kAreaNone);
  EXPECT_EQ(g_area.corner2, g_area.corner1);

  // Not in the placing mode.
  g_appMode = kModePlay;
  RightDragPixels(from, {-80});
  RightRelease();
  EXPECT_EQ(g_areaEditState, kAreaNone);
}

TEST_F(RightToolsTest, AnAreaOfExactlyFiveUnitsStays) {
  // The end of a drawing drag whose corners lie 5 and 4.99 units apart.
  for (float side : {5.0f, 4.99f}) {
    g_areaEditState = kAreaDrawing;
    g_area.corner1 = D3DXVECTOR3(90, 60, 0);
    g_area.corner2 = D3DXVECTOR3(90 + side, 80, 0);
    g_rightButtonDown = 1;
    g_hoveredItem = -1;
    Frame();
    EXPECT_EQ(g_areaEditState, side >= 5.0f ? kAreaDefined : kAreaNone) << side;
    EXPECT_FLOAT_EQ(g_area.corner1.y, 80.0f);  // ordered
  }
}

TEST_F(RightToolsTest, AreaEdgesAreGrabbedInsideTheAreaAndADraggedEdgeCrossesOver) {
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(90, 70, 0);
  g_area.corner2 = D3DXVECTOR3(114, 50, 0);
  auto hoverAt = [](float x, float y) {
    MouseAt(x, y);
    Frame();
    return g_areaEdgeHover;
  };
  EXPECT_EQ(hoverAt(91, 60), 4);
  EXPECT_EQ(hoverAt(113, 60), 8);
  EXPECT_EQ(hoverAt(100, 69), 1);
  EXPECT_EQ(hoverAt(100, 51), 2);
  EXPECT_EQ(hoverAt(91, 69), 1 | 4);  // a corner
  EXPECT_EQ(hoverAt(89, 60), 0);      // outside
  EXPECT_EQ(hoverAt(93, 60), 0);      // beyond the band

  // Drag the left edge outwards.
  MouseAt(91, 60);
  Frame();
  Key(VK_RBUTTON, true);
  Frame();
  EXPECT_EQ(g_areaEditState, kAreaMovingEdge);
  MouseAt(80, 62);
  Frame();
  RightRelease();
  EXPECT_EQ(g_areaEditState, kAreaDefined);
  EXPECT_NEAR(g_area.corner1.x, 80.0f, 0.2f);
  EXPECT_FLOAT_EQ(g_area.corner1.y, 70.0f);
  EXPECT_FLOAT_EQ(g_area.corner2.x, 114.0f);

  // Drag it past the right edge: it goes on as the right edge and the old
  // right edge becomes the left one.
  MouseAt(81, 60);
  Frame();
  Key(VK_RBUTTON, true);
  Frame();
  MouseAt(118, 60);
  Frame();
  Frame();
  EXPECT_EQ(g_areaEdgeHover, 8);
  MouseAt(124, 60);
  Frame();
  RightRelease();
  EXPECT_EQ(g_areaEditState, kAreaDefined);
  EXPECT_FLOAT_EQ(g_area.corner1.x, 114.0f);
  EXPECT_NEAR(g_area.corner2.x, 124.0f, 0.2f);

  // With an item under the mouse no edge is grabbed and the item turns.
  const int box = Box(115, 60, 2, 6);
  EXPECT_EQ(hoverAt(115, 60), 0);
  const D3DXVECTOR3 c1 = g_area.corner1, c2 = g_area.corner2;
  RightDragPixels(PixelOf(D3DXVECTOR3(115, 60, 0)), {30});
  RightRelease();
  EXPECT_NEAR(Angle(box), 10.0f, 1e-3f);
  EXPECT_EQ(g_area.corner1, c1);
  EXPECT_EQ(g_area.corner2, c2);
}

TEST_F(RightToolsTest, CtrlZTakesBackAnAreaDrawnRemovedOrMovedAndTheTestPlayEntryFollows) {
  const D3DXVECTOR3 c1(90, 70, 0), c2(114, 50, 0);
  ClickAt(100, 80);  // a ball on the empty stage: the edit before
  ASSERT_EQ(LiveItems(), 1);
  ASSERT_FALSE(TestPlayOffered());

  AreaDrag(D3DXVECTOR3(114, 50, 0), D3DXVECTOR3(90, 70, 0));
  ExpectArea(kAreaDefined, c1, c2);
  EXPECT_TRUE(TestPlayOffered());
  Undo();  // the drawing is taken back, the ball stays
  EXPECT_EQ(g_areaEditState, kAreaNone);
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_FALSE(TestPlayOffered());
  Undo();
  ExpectArea(kAreaDefined, c1, c2);
  EXPECT_TRUE(TestPlayOffered());

  // A right click without motion on the empty stage removes the area.
  RightClickAt(100, 40);
  ASSERT_EQ(g_areaEditState, kAreaNone);
  EXPECT_FALSE(TestPlayOffered());
  Undo();
  ExpectArea(kAreaDefined, c1, c2);
  EXPECT_TRUE(TestPlayOffered());
  Undo();
  EXPECT_EQ(g_areaEditState, kAreaNone);
  Undo();
  ExpectArea(kAreaDefined, c1, c2);

  // An edge dragged outwards.
  MouseAt(91, 60);
  Frame();
  ASSERT_EQ(g_areaEdgeHover, 4);
  Key(VK_RBUTTON, true);
  Frame();
  MouseAt(80, 62);
  Frame();
  RightRelease();
  ASSERT_NEAR(g_area.corner1.x, 80.0f, 0.2f);
  const D3DXVECTOR3 widened = g_area.corner1;
  Undo();
  ExpectArea(kAreaDefined, c1, c2);
  Undo();
  ExpectArea(kAreaDefined, widened, c2);
  EXPECT_EQ(LiveItems(), 1);
}

TEST_F(RightToolsTest, CtrlZDuringAnAreaDragGivesTheOldAreaAndKeepsTheNewOneFinished) {
  const D3DXVECTOR3 c1(90, 70, 0), c2(114, 50, 0);
  AreaDrag(D3DXVECTOR3(90, 70, 0), D3DXVECTOR3(114, 50, 0));
  ASSERT_EQ(g_areaEditState, kAreaDefined);

  // A new area is being drawn, drawn from its lower right, when Ctrl+Z comes.
  Key(VK_SHIFT, true);
  MouseAt(122, 38);
  Frame();
  Key(VK_RBUTTON, true);
  Frame();
  MouseAt(102, 46);
  Frame();
  ASSERT_EQ(g_areaEditState, kAreaDrawing);
  Undo();
  ExpectArea(kAreaDefined, c1, c2);
  MouseAt(98, 42);  // the rest of the drag changes nothing
  Frame();
  RightRelease({VK_SHIFT});
  ExpectArea(kAreaDefined, c1, c2);

  // The redo gives the new area as far as it was drawn, ordered, with no drag.
  Undo();
  ExpectArea(kAreaDefined, D3DXVECTOR3(102, 46, 0), D3DXVECTOR3(122, 38, 0));
  EXPECT_TRUE(TestPlayOffered());
}

}  // namespace

namespace {

TEST_F(RightToolsTest, AnAreaRemovedByDraggingAnEdgeOntoTheOtherLeavesNoEdgeLit) {
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(90, 70, 0);
  g_area.corner2 = D3DXVECTOR3(114, 50, 0);
  g_anyHighlighted = 0;
  // The left edge dragged onto the right one: the area is gone.
  MouseAt(91, 60);
  Frame();
  ASSERT_EQ(g_areaEdgeHover, 4);
  EXPECT_EQ(ChooseHintContext(), 18);  // "right drag - change the area"
  Key(VK_RBUTTON, true);
  Frame();
  MouseAt(113.5f, 60);
  Frame();
  Key(VK_RBUTTON, false);
  Frame();
  ASSERT_EQ(g_areaEditState, kAreaNone);
  EXPECT_EQ(g_areaEdgeHover, 0);
  // The empty stage's own row, not the one of an edge.
  Frame();
  EXPECT_EQ(ChooseHintContext(), 17);
  // A new area being drawn there shows no lit edge either.
  Key(VK_RBUTTON, true);
  Frame();
  ASSERT_EQ(g_areaEditState, kAreaDrawing);
  MouseAt(100, 52);
  Frame();
  EXPECT_EQ(g_areaEdgeHover, 0);
  Key(VK_RBUTTON, false);
  Frame();
}

}  // namespace
