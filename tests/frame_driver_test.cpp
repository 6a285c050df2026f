// Whole frames through RunFrame with the game's own data folder: what is
// drawn when, the hints beside the cursor, the run camera, and a device lost
// and reset in the middle of the frames.
#include <vector>

#include "app/fonts_textures.h"
#include "game/frame.h"
#include "game/hints.h"
#include "game/goal_reached.h"
#include "platform/win_message.h"
#include "render/meshes.h"
#include "tests/gfx_test_util.h"
#include "tests/update_test_support.h"
#include "world/goals.h"

namespace {

constexpr uint32_t kMarker = 0xFFFF00FF;  // what the back buffer holds before a frame

class FrameDriverTest : public UpdateTest {
 protected:
  void SetUp() override {
    UpdateTest::SetUp();
    if (!g_device) return;
    // The data folder of the repository, as the game loads it at start-up.
    ASSERT_EQ(LoadTextureFiles(0, kTexturesBeforeModels), 0);
    ASSERT_EQ(LoadModels(), 0);
    ASSERT_EQ(LoadTextureFiles(kTexturesBeforeModels, kTextureCount - kTexturesBeforeModels), 0);
    ASSERT_EQ(CreatePrimitiveMeshes(), 0);
    ASSERT_EQ(CreateFonts(), 1);
    ASSERT_EQ(D3DXCreateSprite(g_device, &g_sprite), D3D_OK);
    SetDefaultRenderStates();
    SetupLights();
    g_presentParams = {};
    g_presentParams.BackBufferWidth = 640;
    g_presentParams.BackBufferHeight = 480;
    g_presentParams.Windowed = TRUE;
    g_frameInterval = 17;
    headless::SetTime(5000);
    g_lastFrameTime = 5000;
    g_frameLag = 0;
    TakeGlErrors();
  }
  void TearDown() override {
    EXPECT_EQ(TakeGlErrors(), 0u) << "GL errors while drawing";
    RecordDeviceObjectEvents(nullptr);
    if (g_sprite) g_sprite->Release();
    g_sprite = nullptr;
    ReleaseFonts();
    ReleaseTextures();
    ReleaseModels();
    ReleasePrimitiveMeshes();
    UpdateTest::TearDown();
  }
  // Paints the back buffer with the marker colour, so a frame that draws
  // nothing leaves it showing.
  static void MarkBackBuffer() {
    D3DVIEWPORT9 full = {0, 0, 640, 480, 0, 1};
    g_device->SetViewport(&full);
    g_device->Clear(0, nullptr, D3DCLEAR_TARGET, kMarker, 1.0f, 0);
  }
  static bool Marked() { return (ReadBackBuffer(g_device)[240 * 640 + 320] | 0xFF000000) == kMarker; }
  // One call of the loop `ms` after the last.
  static void CallAfter(DWORD ms) {
    headless::AdvanceTime(ms);
    RunFrame();
  }
};

TEST_F(FrameDriverTest, AFrameDrawsTheStageAndTheHintsBesideTheCursor) {
  SetGoalType(kGoalBell);
  g_cameraPos = D3DXVECTOR3(400, 200, -300);
  Mouse(200, 200);
  for (int i = 0; i < 8; ++i) CallAfter(17);
  EXPECT_EQ(g_hintContext, 24);  // the empty stage of the bell goal's editor
  EXPECT_EQ(g_hintUnfold, 15.0f);
  Pixels p;
  p.argb = ReadBackBuffer(g_device, &p.width, &p.height);
  SavePicture(p, "frame_editor");
  // The first hint line's box sits 40 right of the cursor, dark over the stage.
  const uint32_t box = p.at(240 - 1, 200 + 5);
  EXPECT_LT(Red(box) + Green(box) + Blue(box), 3 * 90);
  EXPECT_EQ(TakeGlErrors(), 0u);

  // Over an on-screen button the list is gone.
  Mouse(620, 100);  // the zoom-out button
  CallAfter(17);
  EXPECT_EQ(g_mouseOverButton, 1);
  p.argb = ReadBackBuffer(g_device, &p.width, &p.height);
  SavePicture(p, "frame_editor_over_button");
}

TEST_F(FrameDriverTest, OnlyFramesOnTimeAreDrawnButEveryAcceptedOneIsUpdated) {
  for (int i = 0; i < 2; ++i) CallAfter(17);
  MarkBackBuffer();
  const float spin = g_previewSpin;
  CallAfter(10);  // not due
  EXPECT_TRUE(Marked());
  EXPECT_EQ(g_previewSpin, spin);
  CallAfter(12);  // 22 after the last frame: late, updated, not drawn
  EXPECT_TRUE(Marked());
  EXPECT_EQ(g_previewSpin, spin + 1.0f);
  CallAfter(17);  // lag paid: drawn
  EXPECT_FALSE(Marked());
  EXPECT_EQ(g_previewSpin, spin + 2.0f);
}

TEST_F(FrameDriverTest, AnInactiveWindowIsStillDrawn) {
  g_appInactive = 1;
  MarkBackBuffer();
  const float spin = g_previewSpin;
  CallAfter(17);
  EXPECT_FALSE(Marked());
  EXPECT_EQ(g_previewSpin, spin);
}

TEST_F(FrameDriverTest, AWindowNobodyCanSeeIsUpdatedButNotDrawn) {
  for (bool minimised : {true, false}) {
    if (minimised) {
      platform::SetWindowPlacementFromFace(g_hWnd, POINT{100, 30}, POINT{100, 50}, true);
    } else {
      platform::SetWindowPlacementFromFace(g_hWnd, POINT{100, 30}, POINT{100, 50}, false);
      platform::SetWindowObscuredFromFace(g_hWnd, true);  // wholly covered
    }
    MarkBackBuffer();
    const float spin = g_previewSpin;
    CallAfter(17);
    EXPECT_TRUE(Marked());
    EXPECT_EQ(g_previewSpin, spin + 1.0f);
    EXPECT_EQ(g_frameLag, 0u);
  }
  platform::SetWindowObscuredFromFace(g_hWnd, false);
  CallAfter(17);
  EXPECT_FALSE(Marked());
}

TEST_F(FrameDriverTest, OnlyARunMovesTheCameraOnItsOwn) {
  g_cameraPos = D3DXVECTOR3(400.0f, 200.0f, -50.0f);
  SetGoalType(kGoalBell);  // the bell where the camera looks
  g_cameraPos = D3DXVECTOR3(100.0f, 60.0f, -50.0f);  // at rest at zoom step 2
  CallAfter(17);
  EXPECT_EQ(g_cameraPos, D3DXVECTOR3(100.0f, 60.0f, -50.0f));
  // The same frame of a run eases the eye toward the framed stage.
  g_appMode = kModeRun;
  CallAfter(17);
  EXPECT_NE(g_cameraPos, D3DXVECTOR3(100.0f, 60.0f, -50.0f));
  // The matrices on the device are this frame's.
  D3DXMATRIX view;
  g_device->GetTransform(D3DTS_VIEW, &view);
  EXPECT_EQ(view, g_viewMatrix);
  Pixels p;
  p.argb = ReadBackBuffer(g_device, &p.width, &p.height);
  SavePicture(p, "frame_run");
}

TEST_F(FrameDriverTest, ALostDeviceIsResetByALaterFrameAndDrawingGoesOn) {
  std::vector<DeviceObjectEvent> log;
  RecordDeviceObjectEvents(&log);
  SimulateDeviceState(g_device, D3DERR_DEVICELOST);
  for (int i = 0; i < 3; ++i) CallAfter(17);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(g_device->TestCooperativeLevel(), D3DERR_DEVICELOST);

  SimulateDeviceState(g_device, D3DERR_DEVICENOTRESET);
  CallAfter(17);
  EXPECT_EQ(g_device->TestCooperativeLevel(), D3D_OK);
  ASSERT_EQ(log.size(), 8u);
  EXPECT_EQ(log[0].object, g_boldFont);
  EXPECT_EQ(log[3].object, g_sprite);
  EXPECT_EQ(log[4].object, g_sprite);
  EXPECT_EQ(log[7].object, g_hintFont);

  MarkBackBuffer();
  CallAfter(17);
  EXPECT_FALSE(Marked());
  EXPECT_EQ(log.size(), 8u);
}

}  // namespace
