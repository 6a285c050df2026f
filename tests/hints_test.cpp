// The editor hints: which row of hints applies to what lies under the cursor
// with which keys held, and the cascade drawn beside the cursor as it unfolds.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "game/hints.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_input.h"
#include "render/world_drawing.h"
#include "tests/render_test_support.h"
#include "game/update.h"
#include "world/update_state.h"

namespace {

std::vector<int> Row(int context) {
  std::vector<int> r;
  for (int i = 0; i < kHintRowLength && HintRowTable[context][i] >= 0; ++i)
    r.push_back(HintRowTable[context][i]);
  return r;
}

std::string Utf8(const char* cp932) { return Cp932ToUtf8(cp932); }

// ---- the table --------------------------------------------------------------

TEST(HintTableTest, TextsAreShiftJisUnderAHundredBytes) {
  for (int i = 0; i < kHintTextCount; ++i) {
    EXPECT_LT(strlen(EditorHintTexts[i]), 100u) << i;
  }
  EXPECT_EQ(Utf8(EditorHintTexts[0]), "左クリック - 可動アイテムを新しく設置");
  EXPECT_EQ(Utf8(EditorHintTexts[5]), "ステージ部品のため変更不可");
  EXPECT_EQ(Utf8(EditorHintTexts[25]),
            "「スタートボール」- これをゴールエリア内に入れればクリア");
  EXPECT_EQ(Utf8(EditorHintTexts[31]), "ＳＨＩＦＴ＋Ｚ＋左ドラッグ - 等間隔にサイズ変更");
  EXPECT_EQ(Utf8(EditorHintTexts[37]), "「おもちゃ箱」- ここへドールを入れればクリア");
  EXPECT_STREQ(EditorHintTexts[4], EditorHintTexts[8]);
  EXPECT_STREQ(EditorHintTexts[10], EditorHintTexts[26]);
  // A trail byte 0x5C (as in ソ) must stay a byte of its character.
  EXPECT_EQ(Utf8(EditorHintTexts[36]), "「ロケット」- ここからドールが飛び出す");
}

TEST(HintTableTest, RowsEndAtTheFirstGapAndNameRealTexts) {
  EXPECT_EQ(Row(24), (std::vector<int>{0, 13, 27, 24, 12}));
  EXPECT_EQ(Row(12), (std::vector<int>{1, 7, 6, 4, 21, 14, 32, 9, 2}));
  EXPECT_EQ(Row(11), (std::vector<int>{1, 6, 4, 9, 2}));
  EXPECT_EQ(Row(15), (std::vector<int>{3, 12}));
  for (int c = 0; c < kHintContextCount; ++c) {
    EXPECT_FALSE(Row(c).empty()) << c;
    for (int i = 0; i < kHintRowLength; ++i) {
      EXPECT_LT(HintRowTable[c][i], kHintTextCount);
      if (HintRowTable[c][i] < 0) {
        EXPECT_EQ(HintRowTable[c][i], -1);
      }
    }
  }
}

// ---- choosing the context ------------------------------------------------------

class HintContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    g_appMode = kModeEdit;
    g_goalType = kGoalBell;
    g_hoveredItem = -1;
    g_hoveredJoint = -1;
    g_cursorOnStage = 1;
    g_areaEdgeHover = 0;
    g_anyHighlighted = 0;
    g_connectTarget = -1;
    g_dragTool = kToolNone;
    g_leftButtonDown = 0;
    g_rightButtonDown = 0;
  }
  // An item slot as the hint reads it (no physics needed).
  static int Item(int kind, int state = kItemMovable, int mode = kModeEdit, uint32_t flags = 0) {
    const int slot = 7;
    g_items[slot] = StageItem{};
    g_items[slot].state = state;
    g_items[slot].kind = kind;
    g_items[slot].createdInMode = mode;
    g_items[slot].flags = flags;
    g_hoveredItem = slot;
    g_cursorOnStage = 0;
    return slot;
  }
  static int Joint(int type, int mode) {
    const int slot = 3;
    g_joints[slot] = JointRecord{};
    g_joints[slot].type = type;
    g_joints[slot].createdInMode = mode;
    g_hoveredJoint = slot;
    g_cursorOnStage = 0;
    return slot;
  }
  static int With(std::initializer_list<int> keys) {
    for (int k : keys) headless::SetKey(k, true);
    const int c = ChooseHintContext();
    for (int k : keys) headless::SetKey(k, false);
    return c;
  }
};

TEST_F(HintContextTest, TheEmptyStageOfTheEditorTellsHowToPlaceAndDrawTheArea) {
  EXPECT_EQ(ChooseHintContext(), 24);  // the bell's placement area
  g_anyHighlighted = 1;
  EXPECT_EQ(ChooseHintContext(), 29);  // and how to clear the selection
  g_goalType = kGoalStartBall;
  EXPECT_EQ(ChooseHintContext(), 27);
  g_anyHighlighted = 0;
  EXPECT_EQ(ChooseHintContext(), 17);  // the goal area
  g_goalType = kGoalTruck;
  EXPECT_EQ(ChooseHintContext(), 17);
  g_goalType = kGoalRocketDoll;  // the doll's area is where items are placed
  EXPECT_EQ(ChooseHintContext(), 24);
  g_anyHighlighted = 1;
  EXPECT_EQ(ChooseHintContext(), 29);
  g_anyHighlighted = 0;
  g_goalType = kGoalStartBall;
  g_areaEdgeHover = 4;
  EXPECT_EQ(ChooseHintContext(), 18);
  g_anyHighlighted = 1;
  EXPECT_EQ(ChooseHintContext(), 28);
  EXPECT_EQ(With({'X'}), 8);
  EXPECT_EQ(With({'F'}), 30);
  g_leftButtonDown = 1;  // during a drag: no list
  EXPECT_EQ(ChooseHintContext(), -1);
  g_leftButtonDown = 0;
  g_cursorOnStage = 0;  // off the stage only F gives a list
  EXPECT_EQ(ChooseHintContext(), -1);
  EXPECT_EQ(With({'F'}), 30);
}

TEST_F(HintContextTest, PlacingAndRunning) {
  g_appMode = kModePlay;
  EXPECT_EQ(ChooseHintContext(), 0);
  g_goalType = kGoalTruck;  // nothing to place on a truck stage
  EXPECT_EQ(ChooseHintContext(), -1);
  EXPECT_EQ(With({'F'}), -1);

  // A run hovers nothing and leaves the cursor off the stage: F alone.
  g_appMode = kModeRun;
  g_goalType = kGoalBell;
  g_cursorOnStage = 0;
  EXPECT_EQ(ChooseHintContext(), -1);
  EXPECT_EQ(With({'X'}), -1);
  EXPECT_EQ(With({'F'}), 30);
}

TEST_F(HintContextTest, Joints) {
  Joint(kJointRotary, kModeEdit);
  EXPECT_EQ(ChooseHintContext(), 20);
  Joint(kJointFixed, kModeEdit);
  EXPECT_EQ(ChooseHintContext(), 19);
  g_appMode = kModePlay;  // a stage joint cannot be changed while placing
  EXPECT_EQ(ChooseHintContext(), 16);
  Joint(kJointRotary, kModePlay);
  EXPECT_EQ(ChooseHintContext(), 20);
  g_joints[3].type = kJointFree;  // deleted under the cursor: the stage beneath
  g_cursorOnStage = 1;
  EXPECT_EQ(ChooseHintContext(), 0);
}

TEST_F(HintContextTest, ZOverAnItemResizesUnlessCtrlOrAMoveDrag) {
  Item(kKindBox);
  EXPECT_EQ(With({'Z'}), 7);
  EXPECT_EQ(Row(7), (std::vector<int>{6, 31}));
  EXPECT_EQ(Utf8(EditorHintTexts[6]), "Ｚ＋左ドラッグ - サイズ変更");
  EXPECT_EQ(With({'Z', VK_CONTROL}), -1);
  g_dragTool = kToolMove;  // Z during a move drag: the later rules
  EXPECT_EQ(With({'Z'}), 1);
  EXPECT_EQ(With({'Z', VK_CONTROL}), 5);
  g_dragTool = kToolNone;
  Item(kKindFan, kItemFixed);
  EXPECT_EQ(With({'Z'}), 10);  // the fan keeps its size
}

TEST_F(HintContextTest, RubberFlagsSelectionDeleteAndMotor) {
  Item(kKindBall);
  EXPECT_EQ(With({'G'}), 33);
  Item(kKindRubberCapsule);
  EXPECT_EQ(With({'G'}), 34);
  Item(kKindGrenade);
  EXPECT_EQ(With({'G'}), -1);
  Item(kKindFan, kItemFixed);
  EXPECT_EQ(With({'G'}), -1);

  Item(kKindBox, kItemMovable, kModeEdit, kFlagSelected);
  EXPECT_EQ(With({'F'}), 32);
  Item(kKindBox, kItemMovable, kModeEdit, kFlagInBand);
  EXPECT_EQ(With({'F'}), 31);
  EXPECT_EQ(With({'R'}), 9);
  EXPECT_EQ(With({'V'}), 23);
  Item(kKindBox, kItemFixed);
  EXPECT_EQ(With({'V'}), 21);  // no motor on a fixed item: its own row
}

TEST_F(HintContextTest, XTellsWhatAClickWouldMakeOfTheItem) {
  Item(kKindBox, kItemMovable);
  EXPECT_EQ(With({'X'}), 4);
  g_leftButtonDown = 1;
  EXPECT_EQ(With({'X'}), 6);
  Item(kKindBox, kItemFixed);
  g_leftButtonDown = 0;
  EXPECT_EQ(With({'X'}), 6);
  g_leftButtonDown = 1;
  EXPECT_EQ(With({'X'}), 4);
}

TEST_F(HintContextTest, ButtonsConnectionAndTheItemsOwnRows) {
  Item(kKindBox, kItemMovable);
  EXPECT_EQ(With({VK_CONTROL}), 5);
  EXPECT_EQ(With({VK_LBUTTON}), 2);
  EXPECT_EQ(With({VK_RBUTTON}), 3);
  EXPECT_EQ(ChooseHintContext(), 1);
  g_connectTarget = 40;
  EXPECT_EQ(ChooseHintContext(), 12);
  EXPECT_EQ(With({'C'}), 26);
  Item(kKindCapsule, kItemFixed);
  EXPECT_EQ(ChooseHintContext(), 22);
  g_connectTarget = -1;
  EXPECT_EQ(ChooseHintContext(), 21);
}

TEST_F(HintContextTest, StagePartsCannotBeChangedWhilePlacing) {
  Item(kKindBox, kItemMovable, kModeEdit);
  g_appMode = kModePlay;
  EXPECT_EQ(ChooseHintContext(), 16);
  EXPECT_EQ(With({'G'}), 16);
  Item(kKindBox, kItemMovable, kModePlay);  // the player's own
  EXPECT_EQ(ChooseHintContext(), 1);
  Item(kKindBox, kItemMovable, kModeEdit);
  g_appMode = kModeEdit;  // the same part while editing the stage
  EXPECT_EQ(ChooseHintContext(), 1);
}

TEST_F(HintContextTest, GoalObjects) {
  Item(kKindGoalBell, kItemFixed);
  EXPECT_EQ(ChooseHintContext(), 2);
  g_appMode = kModePlay;
  EXPECT_EQ(ChooseHintContext(), 14);
  Item(kKindStartBall);
  EXPECT_EQ(ChooseHintContext(), 25);
  g_appMode = kModeEdit;
  EXPECT_EQ(ChooseHintContext(), 2);

  for (int kind : {kKindTruck, kKindRocket, kKindToyBox}) {
    g_appMode = kModeEdit;
    Item(kind, kItemFixed);
    EXPECT_EQ(ChooseHintContext(), 36) << kind;
    EXPECT_EQ(With({VK_LBUTTON}), 2) << kind;
    EXPECT_EQ(With({VK_RBUTTON}), 3) << kind;
    g_appMode = kModePlay;
    EXPECT_EQ(ChooseHintContext(), kind == kKindTruck ? 35 : kind == kKindRocket ? 37 : 38);
  }
}

TEST_F(HintContextTest, AHoveredSlotFreedDuringTheDragCountsAsNothing) {
  const int slot = Item(kKindBox);
  g_items[slot].state = kItemFree;
  g_cursorOnStage = 0;
  EXPECT_EQ(ChooseHintContext(), -1);
  EXPECT_EQ(With({'F'}), 30);
  g_hoveredItem = 12345;  // and never an index past the table
  EXPECT_EQ(ChooseHintContext(), -1);
}

// ---- the list on the screen ----------------------------------------------------

class HintListTest : public rts::RenderFixture {
 protected:
  void SetUp() override {
    rts::RenderFixture::SetUp();
    if (!device) return;
    WriteDataFolder();
    LoadDataFolder();
    ASSERT_EQ(CreateFonts(), 1);
    ASSERT_EQ(D3DXCreateSprite(device, &g_sprite), D3D_OK);
    g_mouseOverButton = 0;
    g_lastHintContext = 0;
    g_hintUnfold = 0.0f;
  }
  void TearDown() override {
    if (g_sprite) g_sprite->Release();
    g_sprite = nullptr;
    rts::RenderFixture::TearDown();
  }
  // One drawn frame of the list over a white screen.
  Pixels Draw(int context, int x, int y) {
    g_mousePos = POINT{x, y};
    device->BeginScene();
    ClearScreen(0xFFFFFFFF);
    g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    DrawHintList(context);
    g_sprite->End();
    device->EndScene();
    return Grab(device);
  }
  static int Width(int text) {
    SIZE s = {0, 0};
    EXPECT_TRUE(GetTextExtentPoint32A(g_hintFont->GetDC(), EditorHintTexts[text],
                                      (int)strlen(EditorHintTexts[text]), &s));
    return s.cx;
  }
  // The box of line `i` of a fully unfolded list whose first line is at
  // (x0, y0): grey 55 (black at 200 over white) inside, white outside.
  void ExpectBox(const Pixels& p, int context, int i, int x0, int y0) {
    const int left = x0 - 15 * i - 2, top = y0 + 15 * i - 1;
    const int right = left + Width(HintRowTable[context][i]) + 4;  // exclusive
    SCOPED_TRACE("line " + std::to_string(i));
    // Long lines near the right edge run off the screen.
    EXPECT_COLOR_NEAR(p.at(left, top), 55, 55, 55, 3);
    if (right <= p.width) {
      EXPECT_COLOR_NEAR(p.at(right - 1, top + 13), 55, 55, 55, 3);
    }
    if (right < p.width) {
      EXPECT_COLOR_NEAR(p.at(right, top + 5), 255, 255, 255, 3);
    }
    if (left > 0) {
      EXPECT_COLOR_NEAR(p.at(left - 1, top + 5), 255, 255, 255, 3);
    }
    // White text somewhere on the box.
    int bright = 0;
    for (int yy = top + 2; yy < top + 12; ++yy)
      for (int xx = left + 2; xx < std::min(right - 2, p.width); ++xx)
        bright += Red(p.at(xx, yy)) > 200;
    EXPECT_GT(bright, 10);
  }
};

TEST_F(HintListTest, TheListUnfoldsOverFiveFramesAfterAChange) {
  const int context = 24;  // five lines
  std::vector<float> steps;
  for (int f = 0; f < 7; ++f) {
    steps.push_back(g_hintUnfold);
    Draw(context, 200, 200);
  }
  EXPECT_EQ(steps, (std::vector<float>{0, 3, 6, 9, 12, 15, 15}));
  EXPECT_EQ(g_lastHintContext, 24);

  // The first frame after a change draws nothing visible (alpha 0).
  Pixels first = Draw(12, 200, 200);
  EXPECT_EQ(rts::CountChanged(first, 0xFFFFFFFF), 0);
  EXPECT_EQ(g_hintUnfold, 3.0f);

  // No list over a button or without a context: the unfold is kept, and the
  // same context coming back shows fully unfolded at once.
  for (int f = 0; f < 5; ++f) Draw(12, 200, 200);
  g_mouseOverButton = 1;
  EXPECT_EQ(rts::CountChanged(Draw(30, 200, 200), 0xFFFFFFFF), 0);
  g_mouseOverButton = 0;
  EXPECT_EQ(rts::CountChanged(Draw(-1, 200, 200), 0xFFFFFFFF), 0);
  EXPECT_EQ(g_lastHintContext, 12);
  EXPECT_EQ(g_hintUnfold, 15.0f);
  Pixels p = Draw(12, 200, 200);
  SavePicture(p, "hints_row12_unfolded");
  ExpectBox(p, 12, 0, 240, 200);
  ExpectBox(p, 12, 8, 240, 200);  // 9 lines span 120 pixels down and left
}

TEST_F(HintListTest, HalfUnfoldedLinesOverlapAndFadeIn) {
  g_lastHintContext = 1;
  g_hintUnfold = 9.0f;
  Pixels p = Draw(1, 100, 100);
  SavePicture(p, "hints_row1_step9");
  // Box alpha trunc(200 x 9 / 15) = 120: 255 - 120 = 135 over white.
  const int left = 140 - 2, top = 100 - 1;
  EXPECT_COLOR_NEAR(p.at(left, top), 135, 135, 135, 3);
  // The second line sits 9 down and 9 left; where only it covers: once.
  EXPECT_COLOR_NEAR(p.at(left - 9, top + 9), 135, 135, 135, 3);
  // Where the two overlap: twice.
  EXPECT_COLOR_NEAR(p.at(left, top + 9), 135 * 135 / 255, 135 * 135 / 255, 135 * 135 / 255, 4);
}

TEST_F(HintListTest, TheListOpensAwayFromTheEdges) {
  g_lastHintContext = 24;
  g_hintUnfold = 15.0f;
  // Bottom-left corner: climbing to the right so the last line is at (35, 15).
  Pixels p = Draw(24, 100, 450);
  SavePicture(p, "hints_bottom_left");
  ExpectBox(p, 24, 0, 100 + 15 * 5 + 20, 450 + 30 - 15 * 5);
  ExpectBox(p, 24, 4, 100 + 15 * 5 + 20, 450 + 30 - 15 * 5);
  // Right edge, low: 140 left and 60 up.
  p = Draw(24, 600, 300);
  SavePicture(p, "hints_right_edge");
  ExpectBox(p, 24, 0, 460, 240);
  // Right edge, near the top: 140 left at the cursor's height.
  p = Draw(24, 600, 40);
  ExpectBox(p, 24, 0, 460, 40);
  // Bottom edge right of x 150: as at the right edge.
  p = Draw(24, 300, 420);
  ExpectBox(p, 24, 0, 160, 360);
  EXPECT_EQ(TakeGlErrors(), 0u);
}

TEST_F(HintListTest, AStagePartsHintIsRed) {
  g_lastHintContext = 16;
  g_hintUnfold = 15.0f;
  Pixels p = Draw(16, 200, 200);
  SavePicture(p, "hints_stage_part");
  int red = 0, white = 0;
  for (int y = 199; y < 213; ++y)
    for (int x = 238; x < 238 + Width(5) + 4; ++x) {
      const uint32_t c = p.at(x, y);
      red += Red(c) > 150 && Green(c) < 120 && Blue(c) < 120;
      white += Red(c) > 200 && Green(c) > 200 && Blue(c) > 200;
    }
  EXPECT_GT(red, 10);
  EXPECT_EQ(white, 0);
}

}  // namespace
