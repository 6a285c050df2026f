// The goal markers and the scroll and zoom buttons, read back as pixels.
#include "render/hud_widgets.h"

#include "game/update.h"
#include "platform/win_input.h"
#include "tests/hud_test_support.h"

using namespace hud;

namespace {

class GoalMarkerTest : public HudFixture {
 protected:
  Pixels Draw(int kind, D3DXVECTOR3 p) {
    Clear();
    g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    DrawGoalMarker(kind, &p);
    g_sprite->End();
    return Grab(device);
  }
  // The marker picture centred at (x, y): 55 x 55 from (x - 27, y - 27).
  // (Its corners, away from any arrow.)
  void ExpectMarkerAt(const Pixels& p, const Block& b, int x, int y) {
    const uint32_t c = Over(b.colour, 0x96);
    EXPECT_PIXEL(p, x - 26, y - 26, c, 2);
    EXPECT_PIXEL(p, x + 26, y + 26, c, 2);
    EXPECT_PIXEL(p, x - 26, y + 26, c, 2);
    EXPECT_PIXEL(p, x - 29, y - 29, 0xFF000000, 0);
    EXPECT_PIXEL(p, x + 29, y + 29, 0xFF000000, 0);
    EXPECT_PIXEL(p, x + 29, y - 26, 0xFF000000, 0);
    EXPECT_PIXEL(p, x - 26, y - 29, 0xFF000000, 0);
  }
  int ArrowPixels(const Pixels& p) {
    int n = 0;
    const uint32_t c = Over(kMarkerArrow.colour, 0x96);
    for (uint32_t px : p.argb)
      if (std::abs(Red(px) - Red(c)) <= 2 && std::abs(Green(px) - Green(c)) <= 2 &&
          std::abs(Blue(px) - Blue(c)) <= 2)
        ++n;
    return n;
  }
};

TEST_F(GoalMarkerTest, ABellAtTheCentreIsMarkedAboveWithTheArrowPointingDown) {
  // Closer than one pixel to the centre, depth included: the marker goes up.
  Pixels p = Draw(kMarkerBell, D3DXVECTOR3(320.0f, 240.0f, 0.5f));
  SavePicture(p, "hud_marker_bell_centre");
  ExpectMarkerAt(p, kGoalMarker, 320, 170);
  // The arrow sits 28..42 px from the marker's centre, toward the bell.
  const uint32_t arrow = Over(kMarkerArrow.colour, 0x96);
  EXPECT_PIXEL(p, 320, 170 + 35, arrow, 2);
  EXPECT_PIXEL(p, 320, 170 - 35, 0xFF000000, 0);
  EXPECT_EQ(ArrowPixels(p), 25 * 14);
  // Off the centre by less than a pixel, depth included: the same place.
  Pixels q = Draw(kMarkerBell, D3DXVECTOR3(320.0f, 240.0f, 0.9f));
  EXPECT_EQ(q.argb, p.argb);
}

TEST_F(GoalMarkerTest, AnObjectIsPulledSeventyPixelsTowardTheCentre) {
  Pixels p = Draw(kMarkerObject, D3DXVECTOR3(320.0f + 150.0f, 240.0f, 0.0f));
  ExpectMarkerAt(p, kObjectMarker, 400, 240);
  // The arrow points right, at the object.
  EXPECT_PIXEL(p, 400 + 35, 240, Over(kMarkerArrow.colour, 0x96), 2);
  EXPECT_PIXEL(p, 400 - 35, 240, 0xFF000000, 0);
}

TEST_F(GoalMarkerTest, AGoalInsideTheWindowShowsNoArrow) {
  Pixels p = Draw(kMarkerGoal, D3DXVECTOR3(200.0f, 300.0f, 0.2f));
  ExpectMarkerAt(p, kGoalMarker, 200, 300);
  EXPECT_EQ(ArrowPixels(p), 0);
}

TEST_F(GoalMarkerTest, ATargetFarLeftIsHeldAtTheEdgeWithTheArrowPointingLeft) {
  Pixels p = Draw(kMarkerGoal, D3DXVECTOR3(-500.0f, 240.0f, 0.0f));
  SavePicture(p, "hud_marker_goal_far_left");
  ExpectMarkerAt(p, kGoalMarker, 80, 240);
  EXPECT_PIXEL(p, 80 - 35, 240, Over(kMarkerArrow.colour, 0x96), 2);
  EXPECT_PIXEL(p, 80 + 35, 240, 0xFF000000, 0);
  EXPECT_EQ(ArrowPixels(p), 25 * 14);
}

TEST_F(GoalMarkerTest, ATargetBelowTheWindowIsHeldAtTheBottom) {
  Pixels p = Draw(kMarkerBell, D3DXVECTOR3(320.0f, 2000.0f, 0.0f));
  ExpectMarkerAt(p, kGoalMarker, 320, 400);
  EXPECT_PIXEL(p, 320, 400 + 35, Over(kMarkerArrow.colour, 0x96), 2);
}

class ScrollButtonsTest : public HudFixture {
 protected:
  void SetUp() override {
    HudFixture::SetUp();
    g_cameraPos = D3DXVECTOR3(400, 200, -100);
    g_zoomLevel = 0;
    g_copySourceItem = -1;
    g_fastScroll = 0;
    g_appInactive = 0;
    std::memset(g_buttonHover, 0, sizeof g_buttonHover);
  }
  Pixels Draw() {
    Clear();
    g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    DrawScrollButtons(0);
    DrawScrollButtons(1);
    g_sprite->End();
    return Grab(device);
  }
};

// Points of each arrow away from its letter.
constexpr int kW[2] = {305, 22}, kS[2] = {335, 458}, kD[2] = {618, 255}, kA[2] = {22, 225};
constexpr int kQ[2] = {594, 66}, kE[2] = {594, 92};

TEST_F(ScrollButtonsTest, EveryButtonIsRedWhileNothingIsHeld) {
  Pixels p = Draw();
  SavePicture(p, "hud_scroll_buttons");
  for (const int* at : {kW, kS, kD, kA, kQ, kE}) EXPECT_PIXEL(p, at[0], at[1], 0xFFFF0000, 1);
  // The W arrow: 28 x 19 scaled 1.5 about its centre (14, 9) at (320, 15),
  // so x 299..341 and y 1.5..30 (stretched edge texels are blended).
  EXPECT_GT(Red(p.at(299, 2)), 60);
  EXPECT_PIXEL(p, 298, 10, 0xFF000000, 0);
  EXPECT_GT(Red(p.at(340, 29)), 60);
  EXPECT_PIXEL(p, 341, 20, 0xFF000000, 0);
  EXPECT_PIXEL(p, 320, 30, 0xFF000000, 0);
  EXPECT_PIXEL(p, 320, 0, 0xFF000000, 0);
  // The Q image: 35 x 16 scaled 1.5 from its top-left (590, 62).
  EXPECT_GT(Red(p.at(590, 62)), 60);
  EXPECT_PIXEL(p, 589, 62, 0xFF000000, 0);
  EXPECT_GT(Red(p.at(590, 85)), 60);
  EXPECT_PIXEL(p, 590, 61, 0xFF000000, 0);
}

TEST_F(ScrollButtonsTest, ButtonsAtTheCameraLimitsAreNotDrawn) {
  g_cameraPos = D3DXVECTOR3(0, 400, -100);
  Pixels p = Draw();
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFF000000, 0);
  EXPECT_PIXEL(p, kA[0], kA[1], 0xFF000000, 0);
  EXPECT_PIXEL(p, kS[0], kS[1], 0xFFFF0000, 1);
  EXPECT_PIXEL(p, kD[0], kD[1], 0xFFFF0000, 1);
  g_cameraPos = D3DXVECTOR3(800, 1, -100);
  p = Draw();
  EXPECT_PIXEL(p, kS[0], kS[1], 0xFF000000, 0);
  EXPECT_PIXEL(p, kD[0], kD[1], 0xFF000000, 0);
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFFFF0000, 1);
}

TEST_F(ScrollButtonsTest, AHeldOrHoveredButtonIsLitAdditively) {
  headless::SetKey('W', true);
  g_buttonHover[kButtonZoomOut] = 1;
  Pixels p = Draw();
  SavePicture(p, "hud_scroll_buttons_lit");
  // Red, then 0xFFC8C8 added on top.
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFFFFC8C8, 1);
  EXPECT_PIXEL(p, kE[0], kE[1], 0xFFFFC8C8, 1);
  EXPECT_PIXEL(p, kS[0], kS[1], 0xFFFF0000, 1);
  EXPECT_PIXEL(p, kQ[0], kQ[1], 0xFFFF0000, 1);
  // The pass put the blend back.
  DWORD blend = 0;
  device->GetRenderState(D3DRS_DESTBLEND, &blend);
  EXPECT_EQ(blend, (DWORD)D3DBLEND_INVSRCALPHA);
}

TEST_F(ScrollButtonsTest, FastScrollingTurnsTheHeldArrowGreenInBothPasses) {
  headless::SetKey('W', true);
  g_fastScroll = 1;
  Pixels p = Draw();
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFF00FF00, 1);
  EXPECT_PIXEL(p, kS[0], kS[1], 0xFFFF0000, 1);
}

TEST_F(ScrollButtonsTest, CtrlWithoutACopyDragLightsNothing) {
  headless::SetKey(VK_CONTROL, true);
  headless::SetKey('D', true);
  g_buttonHover[kButtonScrollUp] = 1;
  Pixels p = Draw();
  EXPECT_PIXEL(p, kD[0], kD[1], 0xFFFF0000, 1);
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFFFF0000, 1);
  // During a copy drag Ctrl does not stop the lighting.
  g_copySourceItem = 3;
  p = Draw();
  EXPECT_PIXEL(p, kD[0], kD[1], 0xFFFFC8C8, 1);
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFFFFC8C8, 1);
}

TEST_F(ScrollButtonsTest, AnInactiveWindowLightsNothing) {
  headless::SetKey('W', true);
  g_appInactive = 1;
  Pixels p = Draw();
  g_appInactive = 0;
  EXPECT_PIXEL(p, kW[0], kW[1], 0xFFFF0000, 1);
}

TEST_F(ScrollButtonsTest, AZoomButtonAtItsLimitIsDimmedAndNeverLit) {
  g_zoomLevel = 2;
  headless::SetKey('Q', true);
  g_buttonHover[kButtonZoomIn] = 1;
  Pixels p = Draw();
  EXPECT_PIXEL(p, kQ[0], kQ[1], Over(0xFFFF0000, 100), 1);
  EXPECT_PIXEL(p, kE[0], kE[1], 0xFFFF0000, 1);
  g_zoomLevel = -6;
  headless::SetKey('Q', false);
  p = Draw();
  EXPECT_PIXEL(p, kQ[0], kQ[1], 0xFFFFC8C8, 1);  // hovered, no longer at its limit
  EXPECT_PIXEL(p, kE[0], kE[1], Over(0xFFFF0000, 100), 1);
}

TEST_F(ScrollButtonsTest, LettersAreDrawnOverTheButtons) {
  // The same buttons with the bold font gone show no letters: the letters are
  // the only difference, and they lie where the table puts them.
  Pixels with = Draw();
  ID3DXFont* bold = g_boldFont;
  g_boldFont = nullptr;
  Pixels without = Draw();
  g_boldFont = bold;
  int inW = 0, elsewhere = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (with.at(x, y) == without.at(x, y)) continue;
      if (x >= 315 && x < 330 && y >= 13 && y < 27)
        ++inW;
      else if (!((x >= 316 && x < 330 && y >= 456 && y < 470) ||
                 (x >= 617 && x < 631 && y >= 235 && y < 249) ||
                 (x >= 14 && x < 29 && y >= 234 && y < 248) ||
                 (x >= 612 && x < 626 && y >= 68 && y < 82) ||
                 (x >= 612 && x < 626 && y >= 95 && y < 109)))
        ++elsewhere;
    }
  EXPECT_GT(inW, 10);
  EXPECT_EQ(elsewhere, 0);
}

}  // namespace
