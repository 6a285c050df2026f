// The per-frame update: picking, hover flags, zoom and scrolling, palette,
// overlap and area flags, the goal panel.
#include "tests/update_test_support.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "world/goals.h"
#include "world/stage_files.h"

namespace {

// --- picking ------------------------------------------------------------------

TEST_F(UpdateTest, TheSmallerOfTwoOverlappingItemsIsHovered) {
  const int big = Box(100, 60, 20, 20);
  const int small = Ball(100, 60, 2);
  MouseAt(100, 60);
  Frame();
  EXPECT_EQ(g_hoveredItem, small);
  EXPECT_EQ(g_cursorOnStage, 0);
  MouseAt(108, 60);  // only the big box here
  Frame();
  EXPECT_EQ(g_hoveredItem, big);
  MouseAt(130, 60);  // the empty stage
  Frame();
  EXPECT_EQ(g_hoveredItem, -1);
  EXPECT_EQ(g_cursorOnStage, 1);
  EXPECT_NEAR(g_stageMouse.x, 130.0f, 0.1f);
  EXPECT_NEAR(g_stageMouse.y, 60.0f, 0.1f);
}

TEST_F(UpdateTest, AJointAnchorWithinSevenPixelsWinsOverTheItem) {
  const int a = Box(100, 60, 10, 10);
  const int b = Box(110, 60, 10, 10);
  const D3DXVECTOR3 anchor(105, 60, 0);
  const int joint = CreateHingeJoint(a, b, &anchor, 0);
  ASSERT_GE(joint, 0);
  // The anchor is projected at z -2, a little off the stage-plane point.
  SetCamera();
  D3DXVECTOR3 s;
  const D3DXVECTOR3 lifted(105, 60, -2);
  D3DXVec3Project(&s, &lifted, &g_viewport, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  Mouse((int)s.x + 4, (int)s.y + 4);  // under 7 pixels away
  Frame();
  EXPECT_EQ(g_hoveredJoint, joint);
  EXPECT_EQ(g_hoveredItem, -1);
  EXPECT_NEAR(g_hoveredJointScreen.x, s.x, 1e-3f);
  EXPECT_EQ(g_hoveredJointScreen.z, 0.0f);

  Mouse((int)s.x - 8, (int)s.y);  // 7 pixels or more: the box
  Frame();
  EXPECT_EQ(g_hoveredJoint, -1);
  EXPECT_EQ(g_hoveredItem, a);
}

TEST_F(UpdateTest, ShiftSnapsTheStagePointToFourKPlusTwo) {
  Key(VK_SHIFT, true);
  for (float x : {101.9f, 103.9f, 98.1f}) {
    MouseAt(x, 61.0f);
    Frame();
    // 101.9 and 103.9 -> 102, 98.1 -> 98; y 61 -> 62
    EXPECT_FLOAT_EQ(g_stageMouse.x, x < 100 ? 98.0f : 102.0f) << x;
    EXPECT_FLOAT_EQ(g_stageMouse.y, 62.0f);
  }
  Key(VK_SHIFT, false);
  MouseAt(103.9f, 61.0f);
  Frame();
  EXPECT_NEAR(g_stageMouse.x, 103.9f, 0.1f);

  // Near the field's left edge: 5.9 becomes 6 and 3.9 becomes 2.
  g_cameraPos.x = 20.0f;
  Key(VK_SHIFT, true);
  MouseAt(5.9f, 61.0f);
  Frame();
  EXPECT_FLOAT_EQ(g_stageMouse.x, 6.0f);
  MouseAt(3.9f, 61.0f);
  Frame();
  EXPECT_FLOAT_EQ(g_stageMouse.x, 2.0f);
}

TEST_F(UpdateTest, ShiftCtrlPutsTheGrabbedItemOnTheGrid) {
  g_grabOffset = D3DXVECTOR3(1.5f, -0.5f, 0);
  Key(VK_SHIFT, true);
  Key(VK_CONTROL, true);
  MouseAt(101.0f, 61.0f);
  Frame();
  // stage point + offset lands on 4k + 2
  EXPECT_FLOAT_EQ(g_stageMouse.x + g_grabOffset.x, 102.0f);
  EXPECT_FLOAT_EQ(g_stageMouse.y + g_grabOffset.y, 62.0f);
}

TEST_F(UpdateTest, TheMouseOutsideTheWindowKeepsTheHoveredItem) {
  const int a = Box(100, 60);
  MouseAt(100, 60);
  Frame();
  ASSERT_EQ(g_hoveredItem, a);
  Mouse(700, 240);
  Frame();
  EXPECT_EQ(g_cursorOnStage, 0);
  EXPECT_EQ(g_hoveredItem, a);
  Mouse(-3, 240);
  Frame();
  EXPECT_EQ(g_hoveredItem, a);
  // A camera whose matrices cannot be undone points at nothing either.
  Mouse(320, 240);
  D3DXMATRIX flat;
  memset(&flat, 0, sizeof flat);
  g_device->SetTransform(D3DTS_PROJECTION, &flat);
  g_stageMouse = D3DXVECTOR3(1, 2, 0);
  UpdateFrame();
  EXPECT_EQ(g_cursorOnStage, 0);
  EXPECT_EQ(g_stageMouse, D3DXVECTOR3(1, 2, 0));
}

TEST_F(UpdateTest, ThePickRayReachesItemsAtTheFarthestZoom) {
  g_zoomLevel = -6;
  g_cameraPos = D3DXVECTOR3(400.0f, 200.0f, -450.0f);
  // The corners of what the camera shows at this depth, and one beside the camera.
  const float corners[][2] = {{400, 200}, {150, 30}, {650, 370}, {140, 380}};
  for (const auto& c : corners) {
    const int item = Box(c[0], c[1]);
    ASSERT_GE(item, 0);
    MouseAt(c[0], c[1]);
    Frame();
    EXPECT_EQ(g_hoveredItem, item) << c[0] << ", " << c[1];
    DestroyItem(item);
  }
}

TEST_F(UpdateTest, NoHoverIsPickedAnewWhileAButtonIsDown) {
  const int a = Box(100, 60);
  const int b = Box(120, 60);
  MouseAt(130, 60);  // empty stage
  Frame();
  Key(VK_LBUTTON, true);  // places a ball here
  Frame();
  const int placed = LastLiveItem();
  MouseAt(100, 60);
  Frame();
  EXPECT_EQ(g_hoveredItem, -1);  // still what lay under the press
  Key(VK_LBUTTON, false);
  Frame();
  Frame();
  EXPECT_EQ(g_hoveredItem, a);
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_items[placed].kind, kKindBall);
  EXPECT_EQ(g_dragTool, kToolNone);
  EXPECT_NE(b, placed);
}

TEST_F(UpdateTest, ConnectTargetIsTheTouchingItemOfTheCurrentMode) {
  const int a = Box(100, 60);
  const int b = Box(103.9f, 60);
  MouseAt(99, 60);
  Frame();
  EXPECT_EQ(g_hoveredItem, a);
  EXPECT_EQ(g_connectTarget, b);
  EXPECT_NEAR(g_connectPoint.x, 102.0f, 0.1f);
  EXPECT_EQ(g_connectPoint.z, 0.0f);
  // In the placing mode a stage item is not offered for joining from.
  g_appMode = kModePlay;
  Frame();
  EXPECT_EQ(g_connectTarget, -1);
}

// --- hover flags and buttons --------------------------------------------------

TEST_F(UpdateTest, ZoomButtonsCountOnlyWhereTheyCanAct) {
  Mouse(620, 70);  // zoom in
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonZoomIn], 1);
  EXPECT_EQ(g_mouseOverButton, 0);  // already at 2
  g_zoomLevel = 1;
  Frame();
  EXPECT_EQ(g_mouseOverButton, 1);
  Mouse(620, 100);  // zoom out
  g_zoomLevel = -6;
  g_cameraPos.z = -450.0f;
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonZoomOut], 1);
  EXPECT_EQ(g_mouseOverButton, 0);
  // The scroll arrows never count as buttons.
  Mouse(320, 10);
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonScrollUp], 1);
  EXPECT_EQ(g_mouseOverButton, 0);
  // The start button does not count in stage editing, but does when placing.
  Mouse(400, 460);
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonStartStop], 1);
  EXPECT_EQ(g_mouseOverButton, 0);
  g_appMode = kModePlay;
  Frame();
  EXPECT_EQ(g_mouseOverButton, 1);
}

TEST_F(UpdateTest, AZoomFlagFromBeforeARunDoesNotTakeTheStopPress) {
  g_appMode = kModePlay;
  g_zoomLevel = 1;
  g_cameraPos.z = -100.0f;
  Mouse(620, 70);
  Frame();
  ASSERT_EQ(g_buttonHover[kButtonZoomIn], 1);
  Key(VK_SPACE, true);  // the run starts with the mouse on the zoom button
  Frame();
  Key(VK_SPACE, false);
  ASSERT_EQ(g_appMode, kModeRun);
  Mouse(400, 460);  // then it goes to the stop button
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonZoomIn], 0);
  EXPECT_EQ(g_buttonHover[kButtonStartStop], 1);
  EXPECT_EQ(g_mouseOverButton, 1);
  Key(VK_LBUTTON, true);
  Frame();
  EXPECT_EQ(g_zoomLevel, 1);  // the press went to the stop button, not the zoom
  EXPECT_EQ(g_appMode, kModePlay);
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_leftButtonDown, 0);
}

// --- runs through the update ----------------------------------------------------

TEST_F(UpdateTest, SpaceRunsThePlacedStageAndSpaceAgainRestoresEveryPoseExactly) {
  g_appMode = kModePlay;
  const int ball = Ball(100, 60, 2);
  const int box = Box(103, 40, 6, 2);
  const int floor = Box(100, 20, 40, 2, 0);
  ClickAt(96, 70);  // the player places a ball of their own
  const int own = LastLiveItem();
  ASSERT_EQ(g_items[own].createdInMode, kModePlay);
  BodyState before[kMaxItems];
  std::memset(before, 0, sizeof(before));
  auto poses = [](BodyState* out) {
    for (int i = 0; i < kMaxItems; ++i) {
      if (g_items[i].state == kItemFree) continue;
      std::memcpy(out[i].position, dBodyGetPosition(g_items[i].body), sizeof(out[i].position));
      std::memcpy(out[i].rotation, dBodyGetRotation(g_items[i].body), sizeof(out[i].rotation));
    }
  };
  poses(before);
  const D3DXVECTOR3 camera = g_cameraPos;

  Key(VK_SPACE, true);
  Frames(3);  // held: starts once
  EXPECT_EQ(g_appMode, kModeRun);
  Key(VK_SPACE, false);
  Frames(40);
  EXPECT_LT(Pos(ball).y, 59.0f);  // things fell
  EXPECT_EQ(g_hoveredItem, -1);   // no picking in a run
  Key(VK_SPACE, true);
  Frame();
  Key(VK_SPACE, false);
  Frame();
  EXPECT_EQ(g_appMode, kModePlay);
  BodyState after[kMaxItems];
  std::memset(after, 0, sizeof(after));
  poses(after);
  for (int i : {ball, box, floor, own}) {
    ASSERT_NE(g_items[i].state, kItemFree) << i;
    EXPECT_EQ(std::memcmp(before[i].position, after[i].position, sizeof(before[i].position)), 0)
        << "item " << i;
    EXPECT_EQ(std::memcmp(before[i].rotation, after[i].rotation, sizeof(before[i].rotation)), 0)
        << "item " << i;
  }
  EXPECT_EQ(g_cameraPos, camera);
}

TEST_F(UpdateTest, TheStartButtonStartsARunUnlessSomethingOverlaps) {
  g_appMode = kModePlay;
  const int a = Box(100, 60);
  Mouse(430, 460);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_appMode, kModeRun);
  EXPECT_EQ(LiveItems(), 1);  // the press placed nothing
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_FLOAT_EQ(Pos(a).y, 60.0f);

  Box(101, 60);  // deep into a
  Frame();
  ASSERT_EQ(g_anyOverlap, 1);
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_appMode, kModePlay);
  Key(VK_SPACE, true);
  Frame();
  Key(VK_SPACE, false);
  EXPECT_EQ(g_appMode, kModePlay);
}

TEST_F(UpdateTest, TheItemBarOpensOnItsOpenerAndClosesWhenTheMouseLeaves) {
  Mouse(600, 420);
  Frame();
  EXPECT_EQ(g_itemBarOpen, 1);
  EXPECT_EQ(g_buttonHover[kButtonBarOpener], 1);
  Mouse(600, 37 + 81 + 5);
  Frame();
  EXPECT_EQ(g_buttonHover[kButtonItemBar], 1);
  EXPECT_EQ(g_hoveredBarSlot, 1);
  EXPECT_EQ(g_paletteCount, 3);
  Mouse(600, 37 + 3 * 81 + 5);  // below the last entry
  Frame();
  EXPECT_EQ(g_hoveredBarSlot, -1);
  // A click on a slot picks that palette entry and places nothing.
  Mouse(600, 37 + 2 * 81 + 5);
  Frame();
  Key(VK_LBUTTON, true);
  Frame();
  Key(VK_LBUTTON, false);
  Frame();
  EXPECT_EQ(g_paletteIndex, 2);
  EXPECT_EQ(LiveItems(), 0);
  Mouse(300, 240);
  Frame();
  EXPECT_EQ(g_itemBarOpen, 0);
  g_itemBarHeight = 480;
  Frames(9);
  EXPECT_EQ(g_itemBarHeight, 30);
  Frame();
  EXPECT_EQ(g_itemBarHeight, 0);
}

TEST_F(UpdateTest, PaletteKeysStepTheIndexWithinTheListAndTurnTheWheel) {
  Key('2', true);
  Frame();
  Frame();  // held: acts once
  EXPECT_EQ(g_paletteIndex, 1);
  EXPECT_EQ(g_itemBarOpen, 1);
  EXPECT_EQ(g_itemBarCloseTimer, 60 - 1);
  EXPECT_EQ(g_paletteWheelAngle, 18);
  Key('2', false);
  Frame();
  Key('2', true);
  Frame();
  Key('2', false);
  Frame();
  Key('2', true);
  Frame();
  EXPECT_EQ(g_paletteIndex, 2);  // the list ends at 2
  Key('2', false);
  Frames(30);
  EXPECT_EQ(g_paletteWheelAngle, 180);
  // With Ctrl held the key is left to the accelerators.
  Key(VK_CONTROL, true);
  Key('1', true);
  Frame();
  EXPECT_EQ(g_paletteIndex, 2);
  Key(VK_CONTROL, false);
  Frame();
  EXPECT_EQ(g_paletteIndex, 1);
}

// --- zoom and scrolling -------------------------------------------------------

TEST_F(UpdateTest, ZoomKeysMoveTheCameraDepthBy5PerUpdate) {
  Key('E', true);
  Frame();
  Frame();
  EXPECT_EQ(g_zoomLevel, 1);
  // The depth eases in the update after the key: -50 towards -100.
  EXPECT_FLOAT_EQ(g_cameraPos.z, -55.0f);
  Key('E', false);
  Frames(9);
  EXPECT_FLOAT_EQ(g_cameraPos.z, -100.0f);
  Frame();
  EXPECT_FLOAT_EQ(g_cameraPos.z, -100.0f);
  Key('Q', true);
  Frame();
  Key('Q', false);
  Frame();
  Key('Q', true);
  Frame();
  EXPECT_EQ(g_zoomLevel, 2);  // not beyond 2
}

TEST_F(UpdateTest, TapsShorterThanAnUpdateActOnce) {
  // A key pressed and let go between two updates: one zoom step.
  Frame();
  headless::TapKey('E');
  Frame();
  EXPECT_EQ(g_zoomLevel, 1);
  Frames(3);
  EXPECT_EQ(g_zoomLevel, 1);
  headless::TapKey('Q');
  Frame();
  EXPECT_EQ(g_zoomLevel, 2);

  // A click as short: one item placed at the mouse, then the button is up.
  MouseAt(120, 60);
  Frame();
  headless::TapKey(VK_LBUTTON);
  Frame();
  int live = 0;
  for (const StageItem& it : g_items) live += it.state != kItemFree;
  EXPECT_EQ(live, 1);
  EXPECT_EQ(g_leftButtonDown, 1);
  Frame();
  EXPECT_EQ(g_leftButtonDown, 0);
  // Two quick clicks on two spots between which an update passed: two items.
  MouseAt(85, 60);
  Frame();
  headless::TapKey(VK_LBUTTON);
  Frames(2);
  live = 0;
  for (const StageItem& it : g_items) live += it.state != kItemFree;
  EXPECT_EQ(live, 2);
  EXPECT_EQ(g_itemCount, 2);
}

TEST_F(UpdateTest, AHeldKeyStillReadsAsItIs) {
  Key('W', true);
  const float y0 = g_cameraPos.y;
  Frames(3);
  EXPECT_GT(g_cameraPos.y, y0);
  Key('W', false);
  const float y1 = g_cameraPos.y;
  Frame();
  EXPECT_EQ(g_cameraPos.y, y1);  // let go before the update: no more scrolling
  // Pressed and released over the desktop's events: held while down, then
  // up after the update that saw it.
  platform::SetKeyHeld('W', true);
  Frame();
  platform::SetKeyHeld('W', false);
  const float y2 = g_cameraPos.y;
  Frame();
  EXPECT_EQ(g_cameraPos.y, y2);
}

TEST_F(UpdateTest, TheDesktopsRepeatOfAHeldKeyIsNoNewPress) {
  // A held key as the desktop sends it: one press, then repeated presses of
  // the key already down with no release between them, then one release.
  platform::SetKeyHeld('W', true);
  Frame();
  platform::SetKeyHeld('W', true);
  platform::SetKeyHeld('W', true);
  Frame();
  platform::SetKeyHeld('W', true);  // repeated after the last update ...
  platform::SetKeyHeld('W', false);  // ... and let go before the next
  const float y = g_cameraPos.y;
  Frame();
  EXPECT_EQ(g_cameraPos.y, y);  // no extra scroll step
  EXPECT_EQ(GetAsyncKeyState('W') & 0x8000, 0);

  // A modifier likewise: Shift let go reads up at the next poll.
  platform::SetKeyHeld(VK_LSHIFT, true);
  FinishInputPoll();
  platform::SetKeyHeld(VK_LSHIFT, true);
  platform::SetKeyHeld(VK_LSHIFT, false);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
  // A tap shorter than an update is still seen once.
  platform::SetKeyHeld(VK_LSHIFT, true);
  platform::SetKeyHeld(VK_LSHIFT, false);
  EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST_F(UpdateTest, APressTwiceWithin19UpdatesScrollsAtDoubleSpeedUntilReleased) {
  g_zoomLevel = 0;
  g_cameraPos.z = -150.0f;
  const float y0 = g_cameraPos.y;
  Key('W', true);
  Frame();
  EXPECT_FLOAT_EQ(g_cameraPos.y, y0 + 1.5f);
  EXPECT_EQ(g_fastScroll, 0);
  Key('W', false);
  Frames(18);
  Key('W', true);  // 19 updates after the first press
  Frame();
  EXPECT_EQ(g_fastScroll, 1);
  EXPECT_FLOAT_EQ(g_cameraPos.y, y0 + 1.5f + 3.0f);
  // Another scroll key held keeps the speed while W is let go.
  Key('D', true);
  Key('W', false);
  const float x0 = g_cameraPos.x;
  Frame();
  EXPECT_FLOAT_EQ(g_cameraPos.x, x0 + 3.0f);
  Key('D', false);
  Frame();
  EXPECT_EQ(g_fastScroll, 0);

  // A second press 20 updates after the first stays slow.
  Frames(25);
  Key('S', true);
  Frame();
  Key('S', false);
  Frames(19);
  Key('S', true);
  Frame();
  EXPECT_EQ(g_fastScroll, 0);
  Key('S', false);
}

TEST_F(UpdateTest, ScrollingStopsAtTheFieldAndCtrlLeavesSADToTheAccelerators) {
  g_cameraPos.x = 799.8f;
  Key('D', true);
  Frame();
  EXPECT_FLOAT_EQ(g_cameraPos.x, 800.0f);
  Key('D', false);
  Key(VK_CONTROL, true);
  Key('A', true);
  Frame();
  EXPECT_FLOAT_EQ(g_cameraPos.x, 800.0f);
  Key('A', false);
  Key(VK_CONTROL, false);
  // Hovering the scroll-down arrow scrolls too.
  g_cameraPos.y = 1.2f;
  Mouse(320, 460);
  Frame();
  EXPECT_FLOAT_EQ(g_cameraPos.y, 1.0f);
}

// --- overlap, area and the menu ---------------------------------------------

TEST_F(UpdateTest, TheTestPlayEntryIsGreyedWhileItemsOverlapOrNoAreaIsDefined) {
  g_areaEditState = kAreaDefined;
  const int draws0 = headless::MenuBarDrawCount(g_hWnd);
  Frame();
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).enabled);
  EXPECT_EQ(headless::MenuBarDrawCount(g_hWnd), draws0 + 1);
  const int a = Box(100, 60);
  const int b = Box(102, 60);  // 2 units deep into a
  Frame();
  EXPECT_EQ(g_anyOverlap, 1);
  EXPECT_TRUE(g_items[a].flags & kFlagOverlap);
  EXPECT_TRUE(g_items[b].flags & kFlagOverlap);
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).grayed);
  Frames(3);
  EXPECT_EQ(headless::MenuBarDrawCount(g_hWnd), draws0 + 2);  // only on a change
  DestroyItem(b);
  Frame();
  EXPECT_EQ(g_anyOverlap, 0);
  EXPECT_FALSE(g_items[a].flags & kFlagOverlap);
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).enabled);
  g_areaEditState = kAreaNone;
  Frame();
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).grayed);
  // The query contacts never outlive their pass.
  EXPECT_EQ(dBodyGetNumJoints(g_items[a].body), 0);
}

TEST_F(UpdateTest, APlayerItemTouchingTheAreaEdgeIsInsideAndOneUnitAcrossIsOutside) {
  g_goalType = kGoalBell;
  g_area.corner1 = D3DXVECTOR3(50, 100, 0);
  g_area.corner2 = D3DXVECTOR3(150, 20, 0);
  g_appMode = kModePlay;
  const int inside = Box(52, 60);   // left edge on x 50
  const int across = Box(149, 60);  // right edge at 151
  const int stagePart = CreateItem(D3DXVECTOR3(300, 60, 0), nullptr, 0, 0, kKindBox, 1);
  ASSERT_GE(stagePart, 0);
  g_items[stagePart].createdInMode = kModeEdit;
  Frame();
  EXPECT_FALSE(g_items[inside].flags & kFlagOutsideArea);
  EXPECT_TRUE(g_items[across].flags & kFlagOutsideArea);
  EXPECT_FALSE(g_items[stagePart].flags & kFlagOutsideArea);
  EXPECT_EQ(g_itemOutsideArea, 1);
  DestroyItem(across);
  Frame();
  EXPECT_EQ(g_itemOutsideArea, 0);
}

TEST_F(UpdateTest, TheGoalPanelFadesIn52HoldsFor181AndFadesOutIn51Updates) {
  g_goalPanelState = 1;
  g_goalPanelAlpha = 0;
  Frames(51);
  EXPECT_EQ(g_goalPanelState, 1);
  EXPECT_EQ(g_goalPanelAlpha, 255);
  Frame();
  EXPECT_EQ(g_goalPanelState, 2);
  Frames(180);
  EXPECT_EQ(g_goalPanelState, 2);
  Frame();
  EXPECT_EQ(g_goalPanelState, 3);
  Frames(50);
  EXPECT_EQ(g_goalPanelAlpha, 5);
  Frame();
  EXPECT_EQ(g_goalPanelState, 0);
  EXPECT_EQ(g_goalPanelAlpha, 0);
}

TEST_F(UpdateTest, CountersAndTheAnimationTick) {
  Box(100, 60);
  Ball(120, 60);
  g_animTick = 7;
  Frame();
  EXPECT_EQ(g_itemCount, 2);
  EXPECT_EQ(g_animTick, 0);
  EXPECT_FLOAT_EQ(g_previewSpin, 1.0f);
  g_appMode = kModeRun;
  Frames(3);
  EXPECT_EQ(g_animTick, 3);
  EXPECT_FLOAT_EQ(g_previewSpin, 1.0f);
}

}  // namespace

TEST_F(UpdateTest, OpeningAStageKeepsTheTestPlayEntryTrueToItsOverlaps) {
  // A saved stage with an area and two overlapping boxes.
  char dir[] = "/tmp/update_test_stage.XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/overlap";
  SetGoalType(kGoalBell);
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(60, 100, 0);
  g_area.corner2 = D3DXVECTOR3(140, 20, 0);
  const int a = Box(100, 60);
  const int b = Box(102, 60);
  ASSERT_EQ(SaveStageFile(path.c_str(), kFileStage), 1);
  // The stage in the editor has no area: the entry is greyed.
  DestroyItem(a);
  DestroyItem(b);
  g_areaEditState = kAreaNone;
  Frame();
  ASSERT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).grayed);

  char buffer[256];
  std::snprintf(buffer, sizeof buffer, "%s.stg", path.c_str());
  ASSERT_EQ(LoadStageFile(buffer, kFileStage), 1);
  Frames(3);
  EXPECT_EQ(g_anyOverlap, 1);
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, kEditorMenuTestPlayPos).grayed);
  std::remove((path + ".stg").c_str());
  rmdir(dir);
}
