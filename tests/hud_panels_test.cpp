// The HUD panels: item counter, goal panel, still-scene picture, clear
// effects, badges and buttons, the item bar with its 3-D previews and the
// palette wheel, read back as pixels.
#include <algorithm>
#include <cstring>

#include "app/window_title.h"
#include "game/goal_reached.h"
#include "game/overlays.h"
#include "game/run_behaviours.h"
#include "game/update.h"
#include "platform/text_encoding.h"
#include "platform/win_input.h"
#include "render/camera.h"
#include "render/hud_widgets.h"
#include "tests/hud_test_support.h"
#include "world/effects.h"
#include "world/update_state.h"

using namespace hud;

namespace {

constexpr uint32_t kGrey = 0xFF808080;

class PanelsTest : public HudFixture {
 protected:
  void SetUp() override {
    HudFixture::SetUp();
    g_appMode = kModeEdit;
    g_goalType = kGoalBell;
    g_isPlayFile = 0;
    g_clearVerified = 0;
    g_stageCleared = 0;
    g_sceneMoving = 1;
    g_dollLaunchCounter = 60;
    std::memset(g_buttonHover, 0, sizeof g_buttonHover);
    const int32_t palette[4] = {kKindBall, kKindBox, kKindCapsule, -1};
    std::memcpy(g_paletteTypes, palette, sizeof palette);
    g_paletteCount = 3;
    g_paletteIndex = 0;
    g_paletteWheelAngle = 0;
    g_previewSpin = 0;
    g_itemBarOpen = 0;
    g_itemBarHeight = 0;
    g_hoveredBarSlot = -1;
    std::memset(g_sparkles, 0, sizeof g_sparkles);
    g_clearBlinkAngle = 90;
    g_goalPanelState = 0;
    g_goalPanelAlpha = 0;
    g_itemCount = 0;
    g_idleHintAlpha = 0;
    g_zoomLevel = 0;
    g_copySourceItem = -1;
    g_fastScroll = 0;
  }

  // One HUD stretch in its own batch, as the frame runs it.
  Pixels Draw(uint32_t background = kGrey) {
    Clear(background);
    g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    DrawHudPanels();
    g_sprite->End();
    return Grab(device);
  }

  // The real models and meshes for the 3-D insets, with the test atlas kept.
  void LoadModelsKeepingTestAtlas() {
    LoadRealData();
    if (g_spriteAtlas) g_spriteAtlas->Release();
    if (g_solidTexture) g_solidTexture->Release();
    g_spriteAtlas = g_solidTexture = nullptr;
    LoadTexture(&g_spriteAtlas, (dir + "/atlas.bmp").c_str(), 512, 512, 0xFFFF00FF);
    LoadTexture(&g_solidTexture, (dir + "/solid.bmp").c_str(), 1, 1, 0);
  }

  static bool Differs(uint32_t a, uint32_t b, int tol) {
    return std::abs(Red(a) - Red(b)) > tol || std::abs(Green(a) - Green(b)) > tol ||
           std::abs(Blue(a) - Blue(b)) > tol;
  }
  static int CountNear(const Pixels& p, int x0, int y0, int x1, int y1, uint32_t c, int tol) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += !Differs(p.at(x, y), c, tol);
    return n;
  }
};

TEST_F(PanelsTest, TheItemCounterShowsBothNumbersInFourPlacesRedWhenFull) {
  g_itemCount = 499;
  Pixels shown = Draw();
  // The same box and text drawn by hand: the region must match pixel for pixel.
  // The box is 115 wide, or as wide as the text needs with 2 pixels to spare.
  const char* text = Cp932Text("アイテム数  499/ 500");
  SIZE extent{0, 0};
  ASSERT_TRUE(GetTextExtentPoint32A(g_labelFont->GetDC(), text, (int)strlen(text), &extent));
  const int width = std::max(115, 5 + (int)extent.cx + 2);
  Clear(kGrey);
  g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
  DrawFilledBox(0, 30, (float)width, 18, 0x64000000);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  g_sprite->SetTransform(&identity);
  RECT at = {5, 35, 635, 480};
  g_labelFont->DrawTextA(g_sprite, text, -1, &at, DT_NOCLIP, 0xFFFFFFFF);
  g_sprite->End();
  Pixels expected = Grab(device);
  int differing = 0, textPixels = 0;
  for (int y = 26; y < 56; ++y)
    for (int x = 0; x < 160; ++x) {
      differing += shown.at(x, y) != expected.at(x, y);
      textPixels += Red(shown.at(x, y)) > 200 && Green(shown.at(x, y)) > 200;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(textPixels, 30);
  // The box: black at alpha 0x64 over the grey.
  EXPECT_PIXEL(shown, 1, 31, Over(0xFF000000, 0x64, kGrey), 2);
  EXPECT_PIXEL(shown, width - 1, 47, Over(0xFF000000, 0x64, kGrey), 2);
  EXPECT_PIXEL(shown, width, 31, kGrey, 0);

  g_itemCount = 500;
  Pixels full = Draw();
  SavePicture(full, "hud_counter_full");
  EXPECT_GT(CountNear(full, 0, 30, 160, 50, 0xFFFF0000, 60), 30);
  EXPECT_EQ(CountNear(full, 0, 30, 160, 50, 0xFFFFFFFF, 40), 0);

  g_appMode = kModeRun;
  Pixels run = Draw();
  EXPECT_PIXEL(run, 1, 31, kGrey, 0);
}

TEST_F(PanelsTest, TheGoalPanelFadesWithItsAlphaOnlyForAPlayFile) {
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  g_goalPanelState = 2;
  g_goalPanelAlpha = 255;
  Pixels p = Draw();
  SavePicture(p, "hud_goal_panel");
  // 440 x 80 at (98, 68), black at alpha 255 * 200 / 255.
  EXPECT_PIXEL(p, 98, 68, Over(0xFF000000, 200, kGrey), 2);
  EXPECT_PIXEL(p, 537, 147, Over(0xFF000000, 200, kGrey), 2);
  EXPECT_PIXEL(p, 97, 68, kGrey, 0);
  EXPECT_PIXEL(p, 538, 147, kGrey, 0);
  EXPECT_PIXEL(p, 98, 148, kGrey, 0);
  // The heading and the goal's text in white.
  EXPECT_GT(CountNear(p, 100, 78, 540, 104, 0xFFFFFFFF, 30), 40);
  EXPECT_GT(CountNear(p, 100, 108, 540, 126, 0xFFFFFFFF, 30), 80);

  g_goalPanelAlpha = 128;
  p = Draw();
  EXPECT_PIXEL(p, 98, 68, Over(0xFF000000, 128 * 200 / 255, kGrey), 2);
  EXPECT_EQ(CountNear(p, 100, 78, 540, 126, 0xFFFFFFFF, 30), 0);
  EXPECT_GT(CountNear(p, 100, 78, 540, 126, Over(0xFFFFFFFF, 128, Over(0xFF000000, 100, kGrey)),
                      12),
            20);

  // Two lines for the rocket doll's goal.
  g_goalType = kGoalRocketDoll;
  g_goalPanelAlpha = 255;
  p = Draw();
  EXPECT_GT(CountNear(p, 100, 124, 540, 142, 0xFFFFFFFF, 30), 40);

  // A stage without a goal has no text to show: the heading stands alone.
  g_goalType = kGoalNone;
  p = Draw();
  EXPECT_GT(CountNear(p, 100, 78, 540, 104, 0xFFFFFFFF, 30), 40);
  EXPECT_EQ(CountNear(p, 100, 108, 540, 146, 0xFFFFFFFF, 60), 0);
  g_goalType = kGoalBell;

  // Nothing in a test play from the editor, nor once it has faded out.
  g_isPlayFile = 0;
  p = Draw();
  EXPECT_PIXEL(p, 98, 68, kGrey, 0);
  g_isPlayFile = 1;
  g_goalPanelState = 0;
  p = Draw();
  EXPECT_PIXEL(p, 98, 68, kGrey, 0);
}

TEST_F(PanelsTest, TheStillScenePictureFadesInWhileNothingMovesInARun) {
  g_appMode = kModeRun;
  g_sceneMoving = 0;
  const uint32_t at[2] = {266 + 50, 120 + 13};
  for (int frame = 0; frame < 14; ++frame) {
    int alpha = g_idleHintAlpha;
    EXPECT_EQ(alpha, frame * 20 > 255 ? 255 : frame * 20);
    Pixels p = Draw();
    EXPECT_PIXEL(p, at[0], at[1], Over(kStillScene.colour, alpha, kGrey), 2);
  }
  EXPECT_EQ(g_idleHintAlpha, 255);
  // 109 x 27 from (266, 120).
  Pixels p = Draw();
  EXPECT_PIXEL(p, 266, 120, kStillScene.colour, 1);
  EXPECT_PIXEL(p, 374, 146, kStillScene.colour, 1);
  EXPECT_PIXEL(p, 265, 120, kGrey, 0);
  EXPECT_PIXEL(p, 375, 146, kGrey, 0);

  // A rocket-doll run before the launch holds the picture as it is.
  g_goalType = kGoalRocketDoll;
  g_dollLaunchCounter = 30;
  g_idleHintAlpha = 100;
  p = Draw();
  EXPECT_EQ(g_idleHintAlpha, 100);
  EXPECT_PIXEL(p, at[0], at[1], kGrey, 0);
  g_dollLaunchCounter = -1;
  Draw();
  EXPECT_EQ(g_idleHintAlpha, 120);

  // Moving again, or cleared: it fades out.
  g_sceneMoving = 1;
  Draw();
  EXPECT_EQ(g_idleHintAlpha, 100);
  g_sceneMoving = 0;
  g_stageCleared = 1;
  Draw();
  EXPECT_EQ(g_idleHintAlpha, 80);
  g_appMode = kModeEdit;
  g_stageCleared = 0;
  g_idleHintAlpha = 10;
  Draw();
  EXPECT_EQ(g_idleHintAlpha, 0);
}

TEST_F(PanelsTest, AClearedRunShowsAdditiveSparklesTheBannerAndThePulsingLine) {
  g_appMode = kModeRun;
  g_stageCleared = 1;
  Sparkle& s = g_sparkles[10];
  s.active = 1;
  s.pos = D3DXVECTOR3(100, 300, 0);
  s.scale = 2.0f;
  s.angle = 0.0f;
  s.alpha = 0x180;  // only the low 8 bits count
  Pixels p = Draw();
  SavePicture(p, "hud_clear");
  // The sparkle, 18 x 18 about its centre (9, 9), doubled: added to the grey.
  const uint32_t added = Over(kSparkle.colour, 0x80, 0xFF000000);
  const uint32_t sum = 0xFF000000 | (((kGrey >> 16 & 0xFF) + Red(added)) << 16) |
                       (((kGrey >> 8 & 0xFF) + Green(added)) << 8) | ((kGrey & 0xFF) + Blue(added));
  EXPECT_PIXEL(p, 100 - 15, 300 - 15, sum, 2);
  EXPECT_PIXEL(p, 100 + 15, 300 + 15, sum, 2);
  EXPECT_PIXEL(p, 100 - 20, 300, kGrey, 0);
  // Banner, then the line at alpha sin(90) * 80 + 120 = 200 over it.
  EXPECT_PIXEL(p, 300, 130, Over(kBlink.colour, 200, kBanner.colour), 2);
  EXPECT_PIXEL(p, 200, 120, Over(kBlink.colour, 200, kBanner.colour), 2);
  EXPECT_PIXEL(p, 439, 146, Over(kBlink.colour, 200, kBanner.colour), 2);
  EXPECT_PIXEL(p, 440, 146, kGrey, 0);
  g_clearBlinkAngle = 270;
  p = Draw();
  EXPECT_PIXEL(p, 300, 130, Over(kBlink.colour, 40, kBanner.colour), 2);
  // The blend is back to normal for what follows.
  DWORD blend = 0;
  device->GetRenderState(D3DRS_DESTBLEND, &blend);
  EXPECT_EQ(blend, (DWORD)D3DBLEND_INVSRCALPHA);
}

TEST_F(PanelsTest, BadgesAndButtonsByMode) {
  Pixels edit = Draw();
  SavePicture(edit, "hud_panels_edit");
  // The editing badge, 174 x 23 at (2, 2).
  EXPECT_PIXEL(edit, 2, 2, kBadgeEdit.colour, 1);
  EXPECT_PIXEL(edit, 175, 24, kBadgeEdit.colour, 1);
  EXPECT_PIXEL(edit, 176, 24, kGrey, 0);
  EXPECT_PIXEL(edit, 175, 25, kGrey, 0);
  EXPECT_PIXEL(edit, 420, 455, kGrey, 0);  // no start button while editing
  // The palette panel, tinted black at alpha 0x96, fills the bottom-right corner.
  EXPECT_PIXEL(edit, 639, 479, Over(0xFF000000, 0x96, kGrey), 2);
  EXPECT_PIXEL(edit, 529, 375, Over(0xFF000000, 0x96, kGrey), 2);
  EXPECT_PIXEL(edit, 528, 375, kGrey, 0);
  EXPECT_PIXEL(edit, 529, 374, kGrey, 0);
  // Scroll buttons and the counter.
  EXPECT_PIXEL(edit, 305, 22, 0xFFFF0000, 1);
  EXPECT_PIXEL(edit, 1, 31, Over(0xFF000000, 0x64, kGrey), 2);

  g_appMode = kModePlay;
  g_buttonHover[kButtonStartStop] = 1;
  Pixels play = Draw();
  SavePicture(play, "hud_panels_play");
  EXPECT_PIXEL(play, 2, 2, kBadgePlay.colour, 1);
  // The start button, lit: a white box at alpha 0x96 added over its top 26 rows.
  const uint32_t lit = 0xFF000000 |
                       (std::min(255, Red(kStartButton.colour) + 0x96) << 16) |
                       (std::min(255, Green(kStartButton.colour) + 0x96) << 8) |
                       std::min(255, Blue(kStartButton.colour) + 0x96);
  EXPECT_PIXEL(play, 390, 445, lit, 2);
  EXPECT_PIXEL(play, 486, 470, lit, 2);
  EXPECT_PIXEL(play, 486, 471, kStartButton.colour, 1);
  EXPECT_PIXEL(play, 487, 471, kGrey, 0);

  g_appMode = kModeRun;
  g_buttonHover[kButtonStartStop] = 0;
  Pixels run = Draw();
  SavePicture(run, "hud_panels_run");
  EXPECT_PIXEL(run, 2, 2, kBadgeRun.colour, 1);
  EXPECT_PIXEL(run, 113, 24, kBadgeRun.colour, 1);
  EXPECT_PIXEL(run, 114, 24, kGrey, 0);
  EXPECT_PIXEL(run, 420, 455, kStopButton.colour, 1);
  EXPECT_PIXEL(run, 305, 22, kGrey, 0);   // no scroll buttons
  EXPECT_PIXEL(run, 639, 479, kGrey, 0);  // no palette
  EXPECT_PIXEL(run, 1, 31, kGrey, 0);     // no counter
}

TEST_F(PanelsTest, TheVerifiedIconShowsOnlyForTheEditorsOwnStage) {
  g_clearVerified = 1;
  Pixels p = Draw();
  EXPECT_PIXEL(p, 5, 420, kVerified.colour, 1);
  EXPECT_PIXEL(p, 59, 474, kVerified.colour, 1);
  g_isPlayFile = 1;
  p = Draw();
  EXPECT_PIXEL(p, 5, 420, kGrey, 0);
}

TEST_F(PanelsTest, ATruckStageOffersNoPlacementAndShowsKeyGuidesInItsRun) {
  g_goalType = kGoalTruck;
  g_appMode = kModePlay;
  g_itemBarOpen = 1;
  g_itemBarHeight = 480;
  Pixels p = Draw();
  EXPECT_PIXEL(p, 639, 479, kGrey, 0);     // no palette
  EXPECT_PIXEL(p, 600, 300, kGrey, 0);     // no item bar
  EXPECT_PIXEL(p, 305, 22, 0xFFFF0000, 1);  // scroll buttons
  EXPECT_PIXEL(p, 1, 31, Over(0xFF000000, 0x64, kGrey), 2);  // counter
  EXPECT_EQ(g_itemBarHeight, 480);

  g_appMode = kModeRun;
  g_sceneMoving = 1;
  p = Draw();
  SavePicture(p, "hud_truck_guides");
  EXPECT_PIXEL(p, 10, 440, kTruckGuide1.colour, 1);
  EXPECT_PIXEL(p, 148, 469, kTruckGuide1.colour, 1);
  EXPECT_PIXEL(p, 170, 440, kTruckGuide2.colour, 1);
  EXPECT_PIXEL(p, 10, 410, kTruckGuide3.colour, 1);
  EXPECT_PIXEL(p, 300, 230, kGrey, 0);
  g_sceneMoving = 0;
  p = Draw();
  EXPECT_PIXEL(p, 284, 220, kTruckGuide4.colour, 1);
  EXPECT_PIXEL(p, 355, 249, kTruckGuide4.colour, 1);
  g_stageCleared = 1;
  p = Draw();
  EXPECT_PIXEL(p, 10, 440, kGrey, 0);
}

TEST_F(PanelsTest, TheItemBarGrowsUpwardsAndShowsItsSlotsOnlyAtFullHeight) {
  g_itemBarOpen = 1;
  Pixels p = Draw();
  EXPECT_EQ(g_itemBarHeight, 60);
  EXPECT_PIXEL(p, 560, 470, Over(0xFF000000, 0x96, kGrey), 2);  // nothing yet but the panel
  Draw();
  p = Draw();
  EXPECT_EQ(g_itemBarHeight, 180);
  // Drawn 120 high, 108 wide from x 532, up from the bottom edge.
  const uint32_t bar = Over(0xFF000000, 0xC8, kGrey);
  EXPECT_PIXEL(p, 532, 360, bar, 2);
  EXPECT_PIXEL(p, 639, 374, bar, 2);
  EXPECT_PIXEL(p, 531, 361, kGrey, 0);
  EXPECT_PIXEL(p, 532, 359, kGrey, 0);
  EXPECT_PIXEL(p, 600, 376, Over(0xFF000000, 0xC8, Over(0xFF000000, 0x96, kGrey)), 2);
  int frames = 0;
  while (g_itemBarHeight < 480 && frames < 10) {
    Draw();
    ++frames;
  }
  EXPECT_EQ(frames, 5);
  g_itemBarHeight = 450;
  g_hoveredBarSlot = 2;
  g_paletteIndex = 1;
  p = Draw();
  EXPECT_EQ(g_itemBarHeight, 480);
  // The box was drawn 450 high; the slots show already, since it is 480 now.
  EXPECT_PIXEL(p, 600, 29, kGrey, 0);
  EXPECT_PIXEL(p, 600, 31, bar, 2);
  const uint32_t selected = Over(0xFFFFFF00, 0x64, bar);
  const uint32_t hovered = Over(0xFFFFFFFF, 0x96, bar);
  // Inside slot 1 (selected) and slot 2 (hovered), away from frames and previews.
  EXPECT_PIXEL(p, 540, 37 + 81 + 10, Over(0xFFFFFFFF, 0xDC, selected), 3);
  EXPECT_PIXEL(p, 540, 37 + 162 + 10, Over(0xFFFFFFFF, 0xDC, hovered), 3);
  EXPECT_PIXEL(p, 540, 37 + 10, Over(0xFFFFFFFF, 0xDC, bar), 3);
  // Three frames for three kinds: nothing in the fourth slot.
  EXPECT_PIXEL(p, 540, 37 + 243 + 10, bar, 2);
}

TEST_F(PanelsTest, ItemBarPreviewsDrawInTheirSlotsAndPutViewportViewAndBatchBack) {
  LoadModelsKeepingTestAtlas();
  g_itemBarOpen = 1;
  g_itemBarHeight = 480;
  Clear(kGrey);
  g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
  DrawHudPanels();
  // The batch is still open, with the whole screen as viewport: a box drawn
  // now lands where the overlay space puts it.
  EXPECT_EQ(g_sprite->Begin(D3DXSPRITE_ALPHABLEND), D3DERR_INVALIDCALL);
  DrawFilledBox(10, 400, 20, 20, 0xFF0000FF);
  D3DVIEWPORT9 vp;
  device->GetViewport(&vp);
  EXPECT_EQ(vp.X, 0u);
  EXPECT_EQ(vp.Y, 0u);
  EXPECT_EQ(vp.Width, 640u);
  EXPECT_EQ(vp.Height, 480u);
  D3DXMATRIX view, proj;
  device->GetTransform(D3DTS_VIEW, &view);
  EXPECT_TRUE(rts::SameMatrix(view, g_viewMatrix, 0.0f));
  device->GetTransform(D3DTS_PROJECTION, &proj);
  EXPECT_TRUE(rts::SameMatrix(proj, g_projMatrix, 0.0f));
  D3DXMATRIX inset;
  D3DXMatrixPerspectiveFovLH(&inset, 60.0f * kDegToRad, 4.0f / 3.0f, 2.0f, 5000.0f);
  EXPECT_TRUE(rts::SameMatrix(g_projMatrix, inset, 0.0f));
  DWORD normalize = 1;
  device->GetRenderState(D3DRS_NORMALIZENORMALS, &normalize);
  EXPECT_EQ(normalize, 0u);
  EXPECT_TRUE(State().lightEnabled[0]);
  EXPECT_FALSE(State().lightEnabled[1]);
  EXPECT_EQ(g_sprite->End(), D3D_OK);
  Pixels p = Grab(device);
  SavePicture(p, "hud_item_bar_previews");
  EXPECT_PIXEL(p, 20, 410, 0xFF0000FF, 0);

  // The same bar with no kinds to show: the previews are the difference, and
  // each lies inside its own slot.
  const int32_t none[4] = {-1, -1, -1, -1};
  const int32_t kinds[4] = {kKindBall, kKindBox, kKindCapsule, -1};
  std::memcpy(g_paletteTypes, none, sizeof none);
  Pixels empty = Draw();
  std::memcpy(g_paletteTypes, kinds, sizeof kinds);
  int inSlot[4] = {}, outside = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (!Differs(p.at(x, y), empty.at(x, y), 2)) continue;
      if (x >= 10 && x < 30 && y >= 400 && y < 420) continue;  // the box drawn above
      if (x >= 520 && y >= 390) continue;                      // the palette wheel
      if (x >= 532 && y >= 37 && y < 37 + 81 * 4)
        ++inSlot[(y - 37) / 81];
      else
        ++outside;
    }
  EXPECT_GT(inSlot[0], 200);
  EXPECT_GT(inSlot[1], 200);
  EXPECT_GT(inSlot[2], 100);
  EXPECT_EQ(inSlot[3], 0);
  EXPECT_EQ(outside, 0);
  // A preview's middle is in front of what the stage left in the depth buffer.
  EXPECT_TRUE(Differs(p.at(532 + 54, 37 + 40), empty.at(532 + 54, 37 + 40), 10));
}

TEST_F(PanelsTest, HoldingXTurnsThePalettePreviewToTheFixedLook) {
  LoadModelsKeepingTestAtlas();
  Pixels movable = Draw();
  headless::SetKey('X', true);
  Pixels fixed = Draw();
  headless::SetKey('X', false);
  SavePicture(movable, "hud_palette_movable");
  SavePicture(fixed, "hud_palette_fixed");
  // The selected ball stands near (597, 433) in the corner inset.
  EXPECT_TRUE(Differs(movable.at(597, 433), fixed.at(597, 433), 20));
  int changed = 0, outside = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (!Differs(movable.at(x, y), fixed.at(x, y), 2)) continue;
      if (x >= 520 && y >= 390)
        ++changed;
      else
        ++outside;
    }
  EXPECT_GT(changed, 200);
  EXPECT_EQ(outside, 0);
  // No palette in a run.
  g_appMode = kModeRun;
  Pixels run = Draw();
  EXPECT_PIXEL(run, 597, 433, kGrey, 0);
}

TEST_F(PanelsTest, ThePaletteWheelSwingsTheNextKindInWhileItTurns) {
  LoadModelsKeepingTestAtlas();
  Pixels rest = Draw();
  g_paletteWheelAngle = 45;  // half way from the ball to the box
  Pixels half = Draw();
  g_paletteWheelAngle = 90;
  g_paletteIndex = 1;
  Pixels next = Draw();
  SavePicture(half, "hud_palette_turning");
  auto changedInInset = [](const Pixels& a, const Pixels& b) {
    int n = 0;
    for (int y = 390; y < 480; ++y)
      for (int x = 520; x < 640; ++x) n += Differs(a.at(x, y), b.at(x, y), 10);
    return n;
  };
  EXPECT_TRUE(Differs(rest.at(597, 433), half.at(597, 433), 10));
  EXPECT_GT(changedInInset(rest, half), 300);
  EXPECT_GT(changedInInset(rest, next), 300);  // the box stands where the ball stood
  // At the end of the list the wheel shows one kind and reads nothing beyond.
  g_paletteWheelAngle = 270;
  g_paletteIndex = 3;
  const int32_t four[4] = {kKindBall, kKindBox, kKindCapsule, kKindRubberBall};
  std::memcpy(g_paletteTypes, four, sizeof four);
  Pixels last = Draw();
  EXPECT_TRUE(Differs(last.at(597, 433), 0xFF000000 | Over(0xFF000000, 0x96, kGrey), 10));
}

}  // namespace
