// The editor's left-button tools, driven through UpdateFrame with scripted
// mouse and keys.
#include "tests/update_test_support.h"

#include "app/window_title.h"
#include "game/goal_reached.h"
#include "game/simulation.h"
#include "world/rotations.h"

namespace {

using EditorToolsTest = UpdateTest;

TEST_F(EditorToolsTest, ClickOnTheEmptyStagePlacesThePaletteKindWithUndoAndChangedMark) {
  ClickAt(90.0f, 60.0f);
  ASSERT_EQ(LiveItems(), 1);
  const int made = LastLiveItem();
  EXPECT_EQ(g_items[made].kind, kKindBall);
  EXPECT_EQ(g_items[made].state, kItemMovable);
  EXPECT_NEAR(Pos(made).x, 90.0f, 0.2f);
  EXPECT_NEAR(Pos(made).y, 60.0f, 0.2f);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_NE(headless::WindowTitleCp932(g_hWnd).find("* "), std::string::npos);

  // The palette's second entry, fixed while X is held, snapped with Shift.
  g_paletteIndex = 1;
  ClickAt(110.3f, 50.9f, {'X', VK_SHIFT});
  ASSERT_EQ(LiveItems(), 2);
  const int box = LastLiveItem();
  EXPECT_EQ(g_items[box].kind, kKindBox);
  EXPECT_EQ(g_items[box].state, kItemFixed);
  EXPECT_NE(g_items[box].fixJoint, nullptr);
  EXPECT_FLOAT_EQ(Pos(box).x, 110.0f);
  EXPECT_FLOAT_EQ(Pos(box).y, 50.0f);

  // Undo takes the stage back to before the box.
  Undo();
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_EQ(g_items[made].kind, kKindBall);
}

TEST_F(EditorToolsTest, MoveKeepsTheGrabOffsetAndCarriesJointsAndSelection) {
  const int a = Box(90, 60);
  const int b = Box(94, 60);  // touching a
  const int c = Box(110, 70);
  const D3DXVECTOR3 anchor(92, 60, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
  g_items[c].flags |= kFlagSelected;
  const D3DXVECTOR3 a0 = Pos(a), b0 = Pos(b), c0 = Pos(c);

  // Grab a off its centre (away from the anchor) and drag by (+10, -5).
  DragFromTo(D3DXVECTOR3(89.8f, 60.5f, 0), D3DXVECTOR3(99.8f, 55.5f, 0));
  const D3DXVECTOR3 delta = Pos(a) - a0;
  EXPECT_NEAR(delta.x, 10.0f, 0.2f);
  EXPECT_NEAR(delta.y, -5.0f, 0.2f);
  for (int i : {b, c}) {
    const D3DXVECTOR3 d = Pos(i) - (i == b ? b0 : c0);
    EXPECT_NEAR(d.x, delta.x, 1e-3f) << "item " << i;
    EXPECT_NEAR(d.y, delta.y, 1e-3f) << "item " << i;
  }

  Undo();
  EXPECT_NEAR(Pos(a).x, a0.x, 1e-4f);
  EXPECT_NEAR(Pos(b).x, b0.x, 1e-4f);
  EXPECT_NEAR(Pos(c).y, c0.y, 1e-4f);
}

TEST_F(EditorToolsTest, ShiftPutsTheMovedItemsCentreOnTheGrid) {
  const int a = Box(90, 60);
  DragFromTo(D3DXVECTOR3(91.2f, 60.7f, 0), D3DXVECTOR3(101.3f, 55.4f, 0), {VK_SHIFT});
  EXPECT_FLOAT_EQ(Pos(a).x, 102.0f);
  EXPECT_FLOAT_EQ(Pos(a).y, 54.0f);
}

TEST_F(EditorToolsTest, DropBeyondTheFieldDestroysPlayerItemsAndClampsTheBell) {
  // The mouse point stays on the field, so an item leaves it only by the
  // grab offset: grabbed 1.5 right of its centre and dragged to x 0.5.
  g_cameraPos = D3DXVECTOR3(10.0f, 60.0f, -50.0f);
  const int ball = Ball(12, 60);
  DragFromTo(D3DXVECTOR3(13.5f, 60, 0), D3DXVECTOR3(0.5f, 60, 0));
  EXPECT_EQ(g_items[ball].state, kItemFree);

  const int bell = CreateItem(D3DXVECTOR3(12, 60, 0), nullptr, 0, 0, kKindGoalBell, 0);
  ASSERT_GE(bell, 0);
  DragFromTo(D3DXVECTOR3(13.5f, 60, 0), D3DXVECTOR3(0.5f, 60, 0));
  ASSERT_NE(g_items[bell].state, kItemFree);
  EXPECT_FLOAT_EQ(Pos(bell).x, 0.0f);
  // Its world joint holds it where it was put back.
  dWorldStep(g_world, kStepSize);
  EXPECT_NEAR(Pos(bell).x, 0.0f, 1e-3f);
}

TEST_F(EditorToolsTest, CopyMakesTheSameItemAtTheDropAndCopiesTheSelectionWithIt) {
  const int src = Box(90, 60, 6, 3, 0);  // fixed 6 x 3 box
  g_items[src].motorSpeed = 3;
  const int sel = Ball(100, 70, 3);
  g_items[sel].flags |= kFlagSelected;

  DragFromTo(D3DXVECTOR3(90, 60, 0), D3DXVECTOR3(110, 50, 0), {VK_CONTROL});
  ASSERT_EQ(LiveItems(), 4);
  int copy = -1, selCopy = -1;
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state == kItemFree || i == src || i == sel) continue;
    (g_items[i].kind == kKindBox ? copy : selCopy) = i;
  }
  ASSERT_GE(copy, 0);
  ASSERT_GE(selCopy, 0);
  EXPECT_EQ(g_items[copy].state, kItemFixed);
  EXPECT_FLOAT_EQ(g_items[copy].sizeA, 6.0f);
  EXPECT_FLOAT_EQ(g_items[copy].sizeB, 3.0f);
  EXPECT_EQ(g_items[copy].motorSpeed, 3);
  EXPECT_NEAR(Pos(copy).x, 110.0f, 0.2f);
  EXPECT_NEAR(Pos(copy).y, 50.0f, 0.2f);
  // The selected ball keeps its offset to the source.
  EXPECT_NEAR(Pos(selCopy).x - Pos(copy).x, 10.0f, 1e-3f);
  EXPECT_NEAR(Pos(selCopy).y - Pos(copy).y, 10.0f, 1e-3f);
  EXPECT_FLOAT_EQ(g_items[selCopy].sizeA, 3.0f);
  // The source stays where it was, and nothing stays selected.
  EXPECT_NEAR(Pos(src).x, 90.0f, 1e-4f);
  for (const StageItem& it : g_items) EXPECT_EQ(it.flags & kFlagSelected, 0u);
  EXPECT_EQ(g_copySourceItem, -1);

  // One undo removes both copies.
  Undo();
  EXPECT_EQ(LiveItems(), 2);
}

TEST_F(EditorToolsTest, LettingGoOfCtrlCancelsTheCopy) {
  Box(90, 60);
  Key(VK_CONTROL, true);
  MouseAt(90, 60);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  EXPECT_EQ(g_dragTool, kToolCopy);
  MouseAt(105, 60);
  Frame();
  Key(VK_CONTROL, false);
  Frame();
  EXPECT_EQ(g_copySourceItem, -1);
  EXPECT_EQ(g_dragTool, kToolNone);
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(LiveItems(), 1);
}

TEST_F(EditorToolsTest, ACopyWhoseSourceIsDestroyedMidDragEndsWithoutACopy) {
  const int src = Box(90, 60);
  Key(VK_CONTROL, true);
  MouseAt(90, 60);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  ASSERT_EQ(g_copySourceItem, src);
  DestroyItem(src);  // e.g. the Delete key or an undo during the drag
  MouseAt(105, 60);
  Frame();
  EXPECT_EQ(g_copySourceItem, -1);
  EXPECT_EQ(g_hoveredItem, -1);
  Key(VK_LBUTTON, false);
  Frame();
  Key(VK_CONTROL, false);
  Frame();
  EXPECT_EQ(LiveItems(), 0);

  // Destroyed and its slot refilled by another item before the release: still no copy.
  const int again = Box(90, 60);
  Key(VK_CONTROL, true);
  MouseAt(90, 60);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  ASSERT_EQ(g_copySourceItem, again);
  Undo();  // the undo resets the copy source and rebuilds the stage
  Key(VK_LBUTTON, false);
  Frame();
  Key(VK_CONTROL, false);
  Frame();
  EXPECT_EQ(g_copySourceItem, -1);
  EXPECT_LE(LiveItems(), 1);
}

TEST_F(EditorToolsTest, CtrlZPressIsAPlainMove) {
  const int a = Box(90, 60);
  DragFromTo(D3DXVECTOR3(90, 60, 0), D3DXVECTOR3(100, 60, 0), {VK_CONTROL, 'Z'});
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_NEAR(Pos(a).x, 100.0f, 0.2f);
}

TEST_F(EditorToolsTest, XTogglesFixedAndMovable) {
  const int a = Box(90, 60);
  ClickAt(90, 60, {'X'});
  EXPECT_EQ(g_items[a].state, kItemFixed);
  ASSERT_NE(g_items[a].fixJoint, nullptr);
  dWorldStep(g_world, kStepSize);
  EXPECT_NEAR(Pos(a).y, 60.0f, 1e-4f);  // held against gravity

  ClickAt(90, 60, {'X'});
  EXPECT_EQ(g_items[a].state, kItemMovable);
  EXPECT_EQ(g_items[a].fixJoint, nullptr);
  dWorldStep(g_world, kStepSize);
  EXPECT_LT(Pos(a).y, 60.0f);  // falls

  Undo();
  EXPECT_EQ(g_items[a].state, kItemFixed);
}

TEST_F(EditorToolsTest, GTurnsTheItemAndTheSelectionRubberAndBack) {
  const int a = Box(90, 60);
  const int b = Ball(105, 60);
  const int c = Ball(80, 75);
  g_items[b].flags |= kFlagSelected;
  g_stageModified = 0;
  ClickAt(90, 60, {'G'});
  EXPECT_EQ(g_items[a].kind, kKindRubberBox);
  EXPECT_EQ(g_items[b].kind, kKindRubberBall);
  EXPECT_EQ(g_items[c].kind, kKindBall);
  EXPECT_EQ(g_stageModified, 1);
  for (const StageItem& it : g_items) EXPECT_EQ(it.flags & kFlagInBand, 0u);

  ClickAt(90, 60, {'G'});
  EXPECT_EQ(g_items[a].kind, kKindBox);
  EXPECT_EQ(g_items[b].kind, kKindBall);
}

TEST_F(EditorToolsTest, CtrlZTakesBackTheRubberChangeAlone) {
  const int a = Box(90, 60);
  const int b = Ball(105, 60);
  g_items[b].flags |= kFlagSelected;
  DragFromTo(D3DXVECTOR3(90, 60, 0), D3DXVECTOR3(96, 62, 0));  // a move: the edit before
  const D3DXVECTOR3 moved = Pos(a);
  ASSERT_NEAR(moved.x, 96.0f, 0.2f);
  ClickAt(moved.x, moved.y, {'G'});
  ASSERT_EQ(g_items[a].kind, kKindRubberBox);
  ASSERT_EQ(g_items[b].kind, kKindRubberBall);

  Undo();  // both coats go, the move stays
  EXPECT_EQ(g_items[a].kind, kKindBox);
  EXPECT_EQ(g_items[b].kind, kKindBall);
  EXPECT_NEAR(Pos(a).x, moved.x, 1e-4f);
  EXPECT_NEAR(Pos(a).y, moved.y, 1e-4f);
  Undo();
  EXPECT_EQ(g_items[a].kind, kKindRubberBox);
  EXPECT_EQ(g_items[b].kind, kKindRubberBall);

  // G on an item that has no rubber form changes nothing and is no edit:
  // Ctrl+Z still takes back the coat.
  const int fan = CreateItem(D3DXVECTOR3(80, 75, 0), nullptr, 0, 0, kKindFan, 0);
  ASSERT_GE(fan, 0);
  g_items[b].flags &= ~(uint32_t)kFlagSelected;
  ClickAt(80, 75, {'G'});
  ASSERT_EQ(g_items[fan].kind, kKindFan);
  ASSERT_EQ(LiveItems(), 3);
  Undo();
  EXPECT_EQ(g_items[a].kind, kKindBox);
}

TEST_F(EditorToolsTest, VRaisesTheMotorOfAMovableItemUpToFive) {
  const int a = Box(90, 60);
  for (int i = 0; i < 7; ++i) ClickAt(90, 60, {'V'});
  EXPECT_EQ(g_items[a].motorSpeed, 5);

  // On a fixed item V does nothing of its own: a plain move.
  const int f = Box(110, 60, 0, 0, 0);
  ClickAt(110, 60, {'V'});
  EXPECT_EQ(g_items[f].motorSpeed, 0);
}

TEST_F(EditorToolsTest, FTogglesSelectionAndABandSelectsWhatItEncloses) {
  const int a = Box(90, 60);
  const int b = Box(100, 60);
  const int c = Box(120, 60);
  ClickAt(90, 60, {'F'});
  EXPECT_TRUE(g_items[a].flags & kFlagSelected);
  ClickAt(90, 60, {'F'});
  EXPECT_FALSE(g_items[a].flags & kFlagSelected);

  // A band drawn from right to left, top to bottom, around a and b.
  DragFromTo(D3DXVECTOR3(106, 70, 0), D3DXVECTOR3(85, 50, 0), {'F'});
  EXPECT_TRUE(g_items[a].flags & kFlagSelected);
  EXPECT_TRUE(g_items[b].flags & kFlagSelected);
  EXPECT_FALSE(g_items[c].flags & kFlagSelected);
  EXPECT_EQ(LiveItems(), 3);
  for (const StageItem& it : g_items) EXPECT_EQ(it.flags & kFlagInBand, 0u);

  // A band whose edge runs through an item does not take it.
  DragFromTo(D3DXVECTOR3(119, 70, 0), D3DXVECTOR3(130, 50, 0), {'F'});
  EXPECT_FALSE(g_items[c].flags & kFlagSelected);
  EXPECT_FALSE(g_items[a].flags & kFlagSelected);  // the press cleared the old selection
}

TEST_F(EditorToolsTest, CJoinsTheItemToTheOneItTouches) {
  const int a = Box(90, 60);
  const int b = Box(93.9f, 60);  // overlapping by 0.1
  MouseAt(89, 60);
  Frame();
  EXPECT_EQ(g_connectTarget, b);
  ClickAt(89, 60, {'C'});
  ASSERT_EQ(LiveJoints(), 1);
  int joint = -1;
  for (int j = 0; j < kMaxJoints; ++j)
    if (g_joints[j].type != kJointFree) joint = j;
  EXPECT_EQ(g_joints[joint].type, kJointRotary);
  EXPECT_TRUE((g_joints[joint].itemA == a && g_joints[joint].itemB == b) ||
              (g_joints[joint].itemA == b && g_joints[joint].itemB == a));
  EXPECT_NEAR(g_joints[joint].anchor.x, 92.0f, 0.1f);

  Undo();
  EXPECT_EQ(LiveJoints(), 0);
}

TEST_F(EditorToolsTest, XOnAJointAnchorTogglesItsTypeAndAFixedJointHoldsTheTurnedPose) {
  const int a = Box(90, 60, 0, 0, 0);  // fixed
  const int b = Box(94, 60);
  const D3DXVECTOR3 anchor(91, 60, 0);  // inside a
  const int joint = CreateHingeJoint(a, b, &anchor, 0);
  ASSERT_GE(joint, 0);
  // Swing b by 40 degrees about the anchor while the joint is rotary, as a
  // right-button rotation does.
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, 40.0f * kDegToRad);
  dMatrix3 R;
  ConvertMatrixToOdeRotation(&turn, R);
  dGeomSetRotation(g_items[b].geom, R);
  const D3DXVECTOR3 arm(3, 0, 0);
  D3DXVECTOR3 turned;
  D3DXVec3TransformCoord(&turned, &arm, &turn);
  dGeomSetPosition(g_items[b].geom, 91 + turned.x, 60 + turned.y, 0);
  const D3DXVECTOR3 bBefore = Pos(b);

  ClickAt(91, 60, {'X'});
  EXPECT_EQ(g_joints[joint].type, kJointFixed);
  EXPECT_NEAR(dJointGetHingeAngle(g_joints[joint].joint), 0.0, 1e-6);
  EXPECT_EQ(LiveItems(), 2);  // no item was made on the press

  // A run's steps leave b where it was turned to: no snap back to 0 degrees.
  g_appMode = kModeRun;
  for (int i = 0; i < 30; ++i) {
    StepSimulation();
    HoldBodiesToPlane();
  }
  g_appMode = kModeEdit;
  EXPECT_NEAR(Pos(b).x, bBefore.x, 0.05f);
  EXPECT_NEAR(Pos(b).y, bBefore.y, 0.05f);

  // And back to rotary.
  ClickAt(91, 60, {'X'});
  EXPECT_EQ(g_joints[joint].type, kJointRotary);
  EXPECT_LT(dJointGetHingeParam(g_joints[joint].joint, dParamLoStop), -1e300);
  Undo();
  EXPECT_EQ(g_joints[joint].type, kJointFixed);
}

TEST_F(EditorToolsTest, EmptyStageComesBeforeTheJointCase) {
  const int a = Box(90, 60);
  const int b = Box(94, 60);
  const D3DXVECTOR3 anchor(92, 65, 0);  // an anchor 5 units above both boxes
  const int joint = CreateHingeJoint(a, b, &anchor, 0);
  ASSERT_GE(joint, 0);
  // 1 unit off the anchor: both the anchor and the empty stage are under the mouse.
  ClickAt(92, 65.5f, {'X'});
  EXPECT_EQ(g_joints[joint].type, kJointRotary);
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_items[LastLiveItem()].state, kItemFixed);
}

TEST_F(EditorToolsTest, PlacingModeLeavesStagePartsAlone) {
  const int part = Box(90, 60);  // made in stage editing
  g_appMode = kModePlay;
  DragFromTo(D3DXVECTOR3(90, 60, 0), D3DXVECTOR3(100, 60, 0));
  EXPECT_NEAR(Pos(part).x, 90.0f, 1e-4f);
  ClickAt(90, 60, {'X'});
  EXPECT_EQ(g_items[part].state, kItemMovable);

  // The player's own items are theirs to move; the stage's changed mark stays.
  g_stageModified = 0;
  ClickAt(110, 60);
  const int own = LastLiveItem();
  ASSERT_NE(own, part);
  EXPECT_EQ(g_items[own].createdInMode, kModePlay);
  DragFromTo(D3DXVECTOR3(110, 60, 0), D3DXVECTOR3(115, 60, 0));
  EXPECT_NEAR(Pos(own).x, 115.0f, 0.2f);
  EXPECT_EQ(g_stageModified, 0);

  // A truck race takes no left-button tool at all.
  g_goalType = kGoalTruck;
  const int before = LiveItems();
  ClickAt(130, 60);
  EXPECT_EQ(LiveItems(), before);
}

TEST_F(EditorToolsTest, AnEditWithdrawsAVerifiedClear) {
  g_clearVerified = 1;
  SetEditorBarState(kEditorMenuExportPos, 0);
  ClickAt(90, 60);
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuExportPos).grayed);
}

TEST_F(EditorToolsTest, ZoomButtonPressChangesTheZoomAndNothingElse) {
  g_zoomLevel = 0;
  g_cameraPos.z = -150.0f;
  Mouse(620, 70);  // zoom in
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_zoomLevel, 1);
  EXPECT_EQ(LiveItems(), 0);

  // At the closest step the button is no button: the press goes to the stage.
  g_zoomLevel = 2;
  g_cameraPos.z = -50.0f;
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_zoomLevel, 2);
  EXPECT_EQ(LiveItems(), 1);
}

}  // namespace
