// The whole overlay pass (labels, gizmos and HUD) with the real atlas, fonts
// and models over a small stage drawn by the world drawing, in each state a
// player sees: pictures for a person to look at, checked for the real art
// filling the rectangles the overlays name and for a clean GL run.
#include <cmath>
#include <cstring>

#include "app/window_title.h"
#include "game/goal_reached.h"
#include "game/overlays.h"
#include "game/run_behaviours.h"
#include "game/update.h"
#include "render/camera.h"
#include "render/item_drawing.h"
#include "render/world_drawing.h"
#include "tests/hud_test_support.h"
#include "world/effects.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/update_state.h"

using namespace hud;

namespace {

constexpr uint32_t kSky = 0xFF6A9FD8;

class HudPicturesTest : public HudFixture {
 protected:
  void SetUp() override {
    HudFixture::SetUp();
    LoadRealData();
    CreatePhysicsWorld();
    g_appMode = kModeEdit;
    g_goalType = kGoalBell;
    g_hoveredItem = g_hoveredJoint = g_connectTarget = -1;
    g_mouseOverButton = 0;
    g_paletteCount = 3;
    g_zoomLevel = 0;
    g_copySourceItem = -1;
    g_dollLaunchCounter = 60;
    g_sceneMoving = 1;
    std::memset(g_sparkles, 0, sizeof g_sparkles);
    std::memset(g_buttonHover, 0, sizeof g_buttonHover);
    g_stageCleared = g_isPlayFile = g_clearVerified = 0;
    g_goalPanelState = g_goalPanelAlpha = 0;
    g_itemBarOpen = g_itemBarHeight = 0;
    g_hoveredBarSlot = -1;
    g_areaEditState = kAreaNone;
    g_idleHintAlpha = 0;
    g_cameraPos = D3DXVECTOR3(400, 200, -100);
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
    HudFixture::TearDown();
  }

  // A frame's picture: the stage as the world drawing shows it, then the
  // overlay pass, as the frame driver runs them.
  Pixels Frame(int hintContext = -1) {
    Clear(kSky);
    device->BeginScene();
    SetGameCamera(g_cameraPos);
    DrawWorld();
    DrawLabelsAndGizmos(hintContext);
    DrawHudPanels();
    g_sprite->End();
    device->EndScene();
    return Grab(device);
  }

  // Pixels of a rectangle that are not the sky: the art is there.
  static int Painted(const Pixels& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (p.at(x, y) & 0xFFFFFF) != (kSky & 0xFFFFFF);
    return n;
  }
  static int Area(int x0, int y0, int x1, int y1) { return (x1 - x0) * (y1 - y0); }
};

TEST_F(HudPicturesTest, EditingWithAHoveredMotorItemAndTheBarOpen) {
  int bell = CreateItem(D3DXVECTOR3(440, 215, 0), nullptr, 0, 0, kKindGoalBell, 0);
  ASSERT_GE(bell, 0);
  int a = CreateItem(D3DXVECTOR3(400, 200, 0), nullptr, 0, 0, kKindBox, 1);
  int b = CreateItem(D3DXVECTOR3(375, 195, 0), nullptr, 0, 0, kKindRubberBall, 1);
  g_items[a].motorSpeed = 3;
  g_items[b].flags = kFlagOverlap;
  g_hoveredItem = a;
  g_itemBarOpen = 1;
  g_itemBarHeight = 480;
  g_hoveredBarSlot = 1;
  g_itemCount = 3;
  Pixels p = Frame(2);
  SavePicture(p, "hud_state_editing");
  EXPECT_GT(Painted(p, 2, 2, 176, 25), Area(2, 2, 176, 25) * 3 / 4);  // the editing badge
  EXPECT_GT(Painted(p, 532, 37, 640, 280), Area(532, 37, 640, 280) * 9 / 10);  // the bar
}

TEST_F(HudPicturesTest, PlacingWithTheGoalPanelAndAWarning) {
  g_appMode = kModePlay;
  g_isPlayFile = 1;
  g_goalType = kGoalStartBall;
  CreateItem(D3DXVECTOR3(360, 230, 0), nullptr, 0, 0, kKindStartBall, 1);
  g_area.corner1 = D3DXVECTOR3(430, 170, 0);
  g_area.corner2 = D3DXVECTOR3(460, 190, 0);
  g_areaEditState = kAreaDefined;
  int mine = CreateItem(D3DXVECTOR3(390, 190, 0), nullptr, 0, 0, kKindCapsule, 1);
  g_items[mine].flags = kFlagOutsideArea;
  g_goalPanelState = 2;
  g_goalPanelAlpha = 255;
  g_buttonHover[kButtonStartStop] = 1;
  g_itemCount = 2;
  Pixels p = Frame();
  SavePicture(p, "hud_state_placing");
  EXPECT_GT(Painted(p, 2, 2, 131, 25), Area(2, 2, 131, 25) * 3 / 4);      // the placing badge
  EXPECT_GT(Painted(p, 390, 445, 487, 476), Area(390, 445, 487, 476) * 3 / 4);  // start
  EXPECT_EQ(Painted(p, 98, 68, 538, 148), Area(98, 68, 538, 148));         // the goal panel
}

TEST_F(HudPicturesTest, AClearedRunWithSparkles) {
  g_appMode = kModeRun;
  g_stageCleared = 1;
  g_clearBlinkAngle = 60;
  CreateItem(D3DXVECTOR3(400, 200, 0), nullptr, 0, 0, kKindBox, 1);
  for (int i = 0; i < 60; ++i) {
    Sparkle& s = g_sparkles[i];
    s.active = 1;
    s.pos = D3DXVECTOR3(320 + 200 * std::cos(i * 0.7f) * (i % 7) / 7.0f,
                        133 + 90 * std::sin(i * 0.7f) * (i % 5) / 5.0f, 0);
    s.scale = 0.5f + (i % 4) * 0.4f;
    s.angle = (float)(i * 23);
    s.alpha = 255 - i * 3;
  }
  Pixels p = Frame();
  SavePicture(p, "hud_state_cleared");
  EXPECT_GT(Painted(p, 200, 120, 440, 147), Area(200, 120, 440, 147) / 2);  // the banner
  EXPECT_GT(Painted(p, 2, 2, 114, 25), Area(2, 2, 114, 25) * 3 / 4);        // the run badge
}

TEST_F(HudPicturesTest, ATruckRunWithItsKeyGuides) {
  g_appMode = kModeRun;
  g_goalType = kGoalTruck;
  g_sceneMoving = 0;
  CreateItem(D3DXVECTOR3(400, 195, 0), nullptr, 0, 0, kKindTruck, 1);
  Pixels p = Frame();
  SavePicture(p, "hud_state_truck_run");
  EXPECT_GT(Painted(p, 10, 440, 149, 470), Area(10, 440, 149, 470) / 2);
  EXPECT_GT(Painted(p, 170, 440, 310, 470), Area(170, 440, 310, 470) / 2);
  EXPECT_GT(Painted(p, 10, 410, 144, 440), Area(10, 410, 144, 440) / 2);
  EXPECT_GT(Painted(p, 284, 220, 356, 250), Area(284, 220, 356, 250) / 2);
}

TEST_F(HudPicturesTest, AStillRunShowsTheStillScenePictureAndTheVerifiedEditorStage) {
  g_appMode = kModeRun;
  g_sceneMoving = 0;
  g_clearVerified = 1;
  g_idleHintAlpha = 255;
  Pixels p = Frame();
  SavePicture(p, "hud_state_still_run");
  EXPECT_GT(Painted(p, 266, 120, 375, 147), Area(266, 120, 375, 147) / 2);
  EXPECT_GT(Painted(p, 5, 420, 60, 475), Area(5, 420, 60, 475) / 3);
}

TEST_F(HudPicturesTest, GizmosAndMarkersOfTheRocketDollGoal) {
  g_goalType = kGoalRocketDoll;
  g_cameraPos = D3DXVECTOR3(400, 200, -150);
  CreateItem(D3DXVECTOR3(250, 150, 0), nullptr, 0, 0, kKindRocket, 0);
  CreateItem(D3DXVECTOR3(460, 180, 0), nullptr, 0, 0, kKindToyBox, 0);
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, 25.0f * kDegToRad);
  int box = CreateItem(D3DXVECTOR3(400, 200, 0), &r, 0, 0, kKindBox, 1);
  g_hoveredItem = box;
  Pixels p = Frame(7);
  SavePicture(p, "hud_state_resize_gizmo");
  p = Frame(3);
  SavePicture(p, "hud_state_rotate_gizmo");
}

}  // namespace
