// The frame driver's pieces: pacing by the manual clock, the inactive window,
// the run camera, the clear flash, and bringing back a lost device.
#include <cmath>
#include <limits>
#include <vector>

#include "game/frame.h"
#include "game/goal_reached.h"
#include "game/run_behaviours.h"
#include "platform/winmm.h"
#include "render/camera.h"
#include "tests/render_test_support.h"
#include "tests/update_test_support.h"
#include "world/goals.h"

namespace {

// ---- pacing ------------------------------------------------------------------

class FramePacingTest : public UpdateTest {
 protected:
  void SetUp() override {
    UpdateTest::SetUp();
    headless::SetTimerCaps(1);
    TIMECAPS caps = {};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), (MMRESULT)TIMERR_NOERROR);
    g_frameInterval = FrameIntervalForPeriod(caps.wPeriodMin);
    headless::SetTime(1000);
    g_lastFrameTime = 1000;
    g_frameLag = 0;
    SetCamera();
  }
  // One call of the loop `ms` after the previous one: whether it is drawn,
  // and whether the update ran (the previews turn one degree per update
  // outside a run).
  bool CallAfter(DWORD ms, bool* updated = nullptr) {
    headless::AdvanceTime(ms);
    const float spin = g_previewSpin;
    const bool drawn = AdvanceFrame() == 1;
    if (updated) *updated = g_previewSpin != spin;
    return drawn;
  }
};

TEST_F(FramePacingTest, SixtyFramesASecondRoundToWholeMilliseconds) {
  EXPECT_EQ(g_frameInterval, 17u);  // the timer's 1 ms period
  EXPECT_EQ(FrameIntervalForPeriod(2), 8u);
  EXPECT_EQ(FrameIntervalForPeriod(5), 3u);
  EXPECT_EQ(FrameIntervalForPeriod(0), 17u);  // never a division by zero
}

TEST_F(FramePacingTest, ACallBeforeTheIntervalDoesNothing) {
  bool updated = true;
  EXPECT_FALSE(CallAfter(16, &updated));
  EXPECT_FALSE(updated);
  EXPECT_EQ(g_lastFrameTime, 1000u);
  EXPECT_EQ(g_frameNow, 1016u);
  EXPECT_EQ(g_frameLag, 0u);
  // The next millisecond completes the interval from the last accepted frame.
  EXPECT_TRUE(CallAfter(1, &updated));
  EXPECT_TRUE(updated);
  EXPECT_EQ(g_lastFrameTime, 1017u);
}

TEST_F(FramePacingTest, FramesOnTimeAreAllDrawn) {
  for (int i = 0; i < 10; ++i) {
    bool updated = false;
    EXPECT_TRUE(CallAfter(17, &updated)) << i;
    EXPECT_TRUE(updated);
    EXPECT_EQ(g_frameLag, 0u);
  }
}

TEST_F(FramePacingTest, ALateFrameIsUpdatedButNotDrawnUntilTheLagIsPaid) {
  bool updated = false;
  EXPECT_FALSE(CallAfter(22, &updated));  // 5 ms late
  EXPECT_TRUE(updated);
  EXPECT_EQ(g_frameLag, 5u);
  EXPECT_TRUE(CallAfter(17, &updated));  // on time: the 5 ms are forgiven
  EXPECT_TRUE(updated);
  EXPECT_EQ(g_frameLag, 0u);

  // 60 ms late in all: paid off 17 ms per on-time frame, each still updated.
  EXPECT_FALSE(CallAfter(77, &updated));
  EXPECT_EQ(g_frameLag, 60u);
  int updates = 0, drawn = 0;
  for (int i = 0; i < 4; ++i) {
    drawn += CallAfter(17, &updated);
    updates += updated;
  }
  EXPECT_EQ(updates, 4);
  EXPECT_EQ(drawn, 1);  // 43, 26, 9, then 0
  EXPECT_EQ(g_frameLag, 0u);
}

TEST_F(FramePacingTest, LatenessAboveAHundredMillisecondsIsForgotten) {
  // 150 ms after the last frame: 133 late, over 100, so forgotten and drawn.
  EXPECT_TRUE(CallAfter(150));
  EXPECT_EQ(g_frameLag, 0u);
  // 100 exactly is kept and paid off.
  EXPECT_FALSE(CallAfter(117));
  EXPECT_EQ(g_frameLag, 100u);
  // Adding to a kept lag can push it over too.
  EXPECT_TRUE(CallAfter(18));
  EXPECT_EQ(g_frameLag, 0u);
}

TEST_F(FramePacingTest, TheClockWrappingAroundIsNoJump) {
  headless::SetTime(0xFFFFFFF8u);
  g_lastFrameTime = 0xFFFFFFF8u;
  EXPECT_TRUE(CallAfter(17));  // now 9, past the wrap
  EXPECT_EQ(g_lastFrameTime, 9u);
  EXPECT_EQ(g_frameLag, 0u);
}

TEST_F(FramePacingTest, AnInactiveWindowIsDrawnButNothingMoves) {
  g_appInactive = 1;
  bool updated = true;
  const POINT before = g_mousePos;
  Mouse(10, 20);
  EXPECT_TRUE(CallAfter(17, &updated));
  EXPECT_FALSE(updated);
  EXPECT_EQ(g_mousePos.x, before.x);  // the mouse is not even read
  EXPECT_EQ(g_mousePos.y, before.y);

  // A press meanwhile sets its latch; letting go does not clear it here.
  g_leftButtonDown = 0;
  g_rightButtonDown = 0;
  Key(VK_LBUTTON, true);
  CallAfter(17);
  EXPECT_EQ(g_leftButtonDown, 1);
  EXPECT_EQ(g_rightButtonDown, 0);
  Key(VK_LBUTTON, false);
  Key(VK_RBUTTON, true);
  CallAfter(17);
  EXPECT_EQ(g_leftButtonDown, 1);
  EXPECT_EQ(g_rightButtonDown, 1);
  Key(VK_RBUTTON, false);

  g_appInactive = 0;
  EXPECT_TRUE(CallAfter(17, &updated));
  EXPECT_TRUE(updated);
  EXPECT_EQ(g_mousePos.x, 10);
}

// ---- the run camera ---------------------------------------------------------------

class RunCameraTest : public UpdateTest {
 protected:
  void SetUp() override {
    UpdateTest::SetUp();
    g_appMode = kModeRun;
    g_stageCleared = 0;
  }
};

TEST_F(RunCameraTest, TheCameraEasesTowardTheFramedItemsAndSnapsAtTheEnd) {
  g_goalType = kGoalBell;
  // One awake box: the bounds are its own, far too small, so the target is
  // held at z -50.
  const int box = Box(300, 100, 4, 4);
  ASSERT_GE(box, 0);
  g_cameraPos = D3DXVECTOR3(400, 10, -50);
  UpdateRunCamera();
  EXPECT_EQ(g_sceneMoving, 1);
  EXPECT_FLOAT_EQ(g_cameraTarget.x, 300.0f);
  EXPECT_FLOAT_EQ(g_cameraTarget.y, 100.0f);
  EXPECT_FLOAT_EQ(g_cameraTarget.z, -50.0f);
  // At z -50 a tenth of the gap is closed per drawn frame.
  EXPECT_FLOAT_EQ(g_cameraPos.x, 390.0f);
  EXPECT_FLOAT_EQ(g_cameraPos.y, 19.0f);
  EXPECT_FLOAT_EQ(g_cameraPos.z, -50.0f);

  // Far away the share is a twentieth, and the eye is held up at y 10.
  g_cameraPos = D3DXVECTOR3(300, -100, -400);
  UpdateRunCamera();
  EXPECT_FLOAT_EQ(g_cameraPos.z, -400.0f + 350.0f / 20.0f);
  EXPECT_FLOAT_EQ(g_cameraPos.y, 10.0f);

  // The easing converges and then stops exactly on the target.
  for (int i = 0; i < 400; ++i) UpdateRunCamera();
  EXPECT_EQ(g_cameraPos, g_cameraTarget);
}

TEST_F(RunCameraTest, AWideSceneIsFramedByItsWidth) {
  g_goalType = kGoalBell;
  Box(100, 50, 4, 4, 0);
  Box(700, 50, 4, 4, 0);  // fixed: nothing awake, so the whole scene
  UpdateRunCamera();
  EXPECT_EQ(g_sceneMoving, 0);
  EXPECT_FLOAT_EQ(g_cameraTarget.x, 400.0f);
  const float halfWidth = (702.0f - 98.0f) / 2.0f;
  EXPECT_NEAR(g_cameraTarget.z, -halfWidth / std::tan(0.6108652f), 1e-3f);
}

TEST_F(RunCameraTest, ATruckRunFollowsTheTruckAheadOfItsWheels) {
  SetGoalType(kGoalTruck);
  ASSERT_NE(g_truckBody, nullptr);
  const dReal* p = dBodyGetPosition(g_truckBody);
  const float tx = (float)p[0], ty = (float)p[1];
  g_truckOverviewCamera = 0;
  g_truckWheelSpeed = 400.0f;
  g_truckAngle = 0.0f;
  UpdateRunCamera();
  EXPECT_FLOAT_EQ(g_cameraTarget.x, tx - 32.0f);
  EXPECT_FLOAT_EQ(g_cameraTarget.y, ty);
  EXPECT_FLOAT_EQ(g_cameraTarget.z, -60.0f);
  EXPECT_EQ(g_sceneMoving, 1);  // upright: never still
  EXPECT_EQ(g_truckFlipFrames, 0);

  // Turned over, the camera heads for the truck itself; the scene counts as
  // still only after more than 180 drawn frames of that.
  g_truckAngle = 150.0f;
  for (int i = 1; i <= 180; ++i) {
    UpdateRunCamera();
    EXPECT_EQ(g_sceneMoving, 1) << i;
  }
  EXPECT_FLOAT_EQ(g_cameraTarget.x, tx);
  UpdateRunCamera();
  EXPECT_EQ(g_truckFlipFrames, 181);
  EXPECT_EQ(g_sceneMoving, 0);
  g_truckAngle = -10.0f;
  UpdateRunCamera();
  EXPECT_EQ(g_truckFlipFrames, 0);
  EXPECT_EQ(g_sceneMoving, 1);
}

TEST_F(RunCameraTest, ATruckStageWithoutItsTruckIsFramedWhole) {
  g_goalType = kGoalTruck;
  g_truckBody = nullptr;  // gone from the field
  Box(200, 50, 4, 4, 0);
  Box(600, 50, 4, 4, 0);
  UpdateRunCamera();
  EXPECT_FLOAT_EQ(g_cameraTarget.x, 400.0f);
  EXPECT_LT(g_cameraTarget.z, -60.0f);
}

TEST_F(RunCameraTest, TheRocketIsFramedUntilTheLaunchThenTheDollIsWatched) {
  g_goalType = kGoalRocketDoll;
  const int awake = Box(100, 100, 4, 4);
  const int rocket = Box(600, 300, 4, 4, 0);
  g_rocketBody = g_items[rocket].body;
  g_dollLaunchCounter = 30;
  UpdateRunCamera();
  EXPECT_EQ(g_sceneMoving, 1);
  EXPECT_FLOAT_EQ(g_cameraTarget.x, (98.0f + 600.0f) / 2.0f);
  EXPECT_FLOAT_EQ(g_cameraTarget.y, (300.0f + 98.0f) / 2.0f);

  // Launched: the doll (here a resting ball) is still from the second frame
  // on; after 121 still frames the scene is still though the box is awake.
  g_dollLaunchCounter = -1;
  const int doll = Ball(400, 200, 2);
  g_dollBody = g_items[doll].body;
  g_dollStillFrames = 0;
  g_dollAtRest = 0;
  UpdateRunCamera();  // the first frame sees the jump from the old position
  EXPECT_EQ(g_dollStillFrames, 0);
  for (int i = 1; i <= 120; ++i) {
    UpdateRunCamera();
    EXPECT_EQ(g_sceneMoving, 1) << i;
  }
  UpdateRunCamera();
  EXPECT_EQ(g_dollStillFrames, 121);
  EXPECT_EQ(g_dollAtRest, 1);
  EXPECT_EQ(g_sceneMoving, 0);
  EXPECT_TRUE(dBodyIsEnabled(g_items[awake].body));

  // The doll moving again wakes the scene.
  dBodySetPosition(g_dollBody, 410, 200, 0);
  UpdateRunCamera();
  EXPECT_EQ(g_dollAtRest, 0);
  EXPECT_EQ(g_sceneMoving, 1);
  EXPECT_FLOAT_EQ(g_lastDollPos[0], 410.0f);
}

TEST_F(RunCameraTest, ADollStageWithoutItsRocketFramesTheRest) {
  g_goalType = kGoalRocketDoll;
  Box(100, 100, 4, 4);
  g_rocketBody = nullptr;
  g_dollBody = nullptr;
  g_dollLaunchCounter = 30;
  UpdateRunCamera();
  EXPECT_FLOAT_EQ(g_cameraTarget.x, 100.0f);
  g_dollLaunchCounter = -1;  // launched, but no doll to watch
  UpdateRunCamera();
  EXPECT_EQ(g_sceneMoving, 1);
}

TEST_F(RunCameraTest, AClearedStageFramesEveryItem) {
  g_goalType = kGoalBell;
  Box(100, 50, 4, 4);
  Box(700, 350, 4, 4);
  g_stageCleared = 1;
  UpdateRunCamera();
  EXPECT_EQ(g_sceneMoving, 0);
  EXPECT_FLOAT_EQ(g_cameraTarget.x, 400.0f);
  EXPECT_FLOAT_EQ(g_cameraTarget.y, 200.0f);
}

TEST_F(RunCameraTest, ABodyLostToNaNsNeverTakesTheCameraWithIt) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  g_goalType = kGoalBell;
  const int lost = Box(100, 100, 4, 4);
  Box(300, 100, 4, 4);
  g_cameraPos = D3DXVECTOR3(400, 10, -50);
  g_cameraTarget = D3DXVECTOR3(350, 100, -50);
  dBodySetPosition(g_items[lost].body, nan, 100, 0);
  for (int i = 0; i < 3; ++i) {
    UpdateRunCamera();
    ASSERT_TRUE(std::isfinite(g_cameraPos.x) && std::isfinite(g_cameraPos.y) &&
                std::isfinite(g_cameraPos.z));
  }
  EXPECT_EQ(g_cameraTarget, D3DXVECTOR3(350, 100, -50));  // still heading there
  EXPECT_LT(g_cameraPos.x, 400.0f);

  // Once the lost body is gone the camera frames what is left.
  DestroyItem(lost);
  for (int i = 0; i < 400; ++i) UpdateRunCamera();
  EXPECT_EQ(g_cameraPos, D3DXVECTOR3(300, 100, -50));

  // The truck followed into the NaNs: the same.
  SetGoalType(kGoalTruck);
  ASSERT_NE(g_truckBody, nullptr);
  g_truckOverviewCamera = 0;
  g_truckAngle = 0.0f;
  g_truckWheelSpeed = 0.0f;
  UpdateRunCamera();
  const D3DXVECTOR3 heading = g_cameraTarget;
  dBodySetPosition(g_truckBody, nan, nan, 0);
  UpdateRunCamera();
  EXPECT_EQ(g_cameraTarget, heading);
  EXPECT_TRUE(std::isfinite(g_cameraPos.x) && std::isfinite(g_cameraPos.y));
}

TEST_F(RunCameraTest, ViewAndProjectionLookStraightAtThePlane) {
  g_cameraPos = D3DXVECTOR3(250, 80, -120);
  SetViewAndProjection();
  D3DXMATRIX view, proj;
  g_device->GetTransform(D3DTS_VIEW, &view);
  g_device->GetTransform(D3DTS_PROJECTION, &proj);
  EXPECT_EQ(view, g_viewMatrix);
  EXPECT_EQ(proj, g_projMatrix);
  // The point straight ahead on the plane lands in the middle of the screen.
  D3DVIEWPORT9 vp = {0, 0, 640, 480, 0, 1};
  D3DXVECTOR3 s;
  const D3DXVECTOR3 ahead(250, 80, 0);
  D3DXVec3Project(&s, &ahead, &vp, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  EXPECT_NEAR(s.x, 320.0f, 1e-3f);
  EXPECT_NEAR(s.y, 240.0f, 1e-3f);
  // 60 degrees high: at 120 away the screen spans 2 x 120 x tan 30 units.
  const D3DXVECTOR3 top(250, 80 + 120 * std::tan(D3DX_PI / 6), 0);
  D3DXVec3Project(&s, &top, &vp, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
  EXPECT_NEAR(s.y, 0.0f, 1e-2f);
}

// ---- the flash and the lost device ----------------------------------------------

class FrameDeviceTest : public rts::RenderFixture {
 protected:
  void SetUp() override {
    rts::RenderFixture::SetUp();
    if (!device) return;
    WriteDataFolder();
    LoadDataFolder();
    ASSERT_EQ(CreateFonts(), 1);
    ASSERT_EQ(D3DXCreateSprite(device, &g_sprite), D3D_OK);
    g_presentParams = {};
    g_presentParams.BackBufferWidth = 640;
    g_presentParams.BackBufferHeight = 480;
    g_presentParams.Windowed = TRUE;
    g_presentParams.EnableAutoDepthStencil = TRUE;
    g_presentParams.AutoDepthStencilFormat = D3DFMT_D24X8;
  }
  void TearDown() override {
    RecordDeviceObjectEvents(nullptr);
    if (g_sprite) g_sprite->Release();
    g_sprite = nullptr;
    rts::RenderFixture::TearDown();
  }
  // A frame of nothing but the flash over black.
  void FlashFrame() {
    device->BeginScene();
    ClearScreen();
    g_sprite->Begin(D3DXSPRITE_ALPHABLEND);
    DrawClearFlash();
    EndFrame();
  }
};

TEST_F(FrameDeviceTest, TheClearFlashCoversTheScreenAndFadesInFortyFrames) {
  g_stageCleared = 1;
  g_clearFlashAlpha = 200;
  FlashFrame();
  Pixels p = Grab(device);
  SavePicture(p, "frame_clear_flash");
  for (POINT at : {POINT{0, 0}, POINT{639, 479}, POINT{320, 240}}) {
    EXPECT_COLOR_NEAR(p.at(at.x, at.y), 200, 200, 200, 2);
  }
  EXPECT_EQ(g_clearFlashAlpha, 195);
  for (int i = 0; i < 39; ++i) FlashFrame();
  EXPECT_EQ(g_clearFlashAlpha, 0);
  FlashFrame();
  EXPECT_EQ(g_clearFlashAlpha, 0);  // never below 0
  EXPECT_COLOR_NEAR(Grab(device).at(320, 240), 0, 0, 0, 1);

  // No flash outside a cleared run, and its alpha is left alone.
  g_stageCleared = 0;
  g_clearFlashAlpha = 200;
  FlashFrame();
  EXPECT_EQ(g_clearFlashAlpha, 200);
  EXPECT_COLOR_NEAR(Grab(device).at(320, 240), 0, 0, 0, 1);
}

TEST_F(FrameDeviceTest, ALostDeviceWaitsAndTellsNobody) {
  std::vector<DeviceObjectEvent> log;
  RecordDeviceObjectEvents(&log);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);  // a state Reset would clear
  SimulateDeviceState(device, D3DERR_DEVICELOST);
  FlashFrame();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  DWORD fill = 0;
  device->GetRenderState(D3DRS_FILLMODE, &fill);
  EXPECT_EQ(fill, (DWORD)D3DFILL_WIREFRAME);  // not reset
}

TEST_F(FrameDeviceTest, AResettableDeviceIsResetInOrderAndGetsItsStatesBack) {
  std::vector<DeviceObjectEvent> log;
  RecordDeviceObjectEvents(&log);
  SimulateDeviceState(device, D3DERR_DEVICELOST);
  FlashFrame();
  SimulateDeviceState(device, D3DERR_DEVICENOTRESET);
  FlashFrame();
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

  // Fonts then the sprite lose their device; the sprite then the fonts get
  // it back. The title font draws only on the title screen: not told.
  const std::vector<std::pair<const void*, bool>> expected = {
      {g_boldFont, false}, {g_labelFont, false}, {g_hintFont, false}, {g_sprite, false},
      {g_sprite, true},    {g_boldFont, true},   {g_labelFont, true}, {g_hintFont, true}};
  ASSERT_EQ(log.size(), expected.size());
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].object, expected[i].first) << i;
    EXPECT_EQ(log[i].reset, expected[i].second) << i;
  }

  // The default states and the lights are back after the reset.
  DWORD blend = 0, src = 0, lighting = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  device->GetRenderState(D3DRS_SRCBLEND, &src);
  device->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(blend, (DWORD)TRUE);
  EXPECT_EQ(src, (DWORD)D3DBLEND_SRCALPHA);
  EXPECT_EQ(lighting, (DWORD)TRUE);
  BOOL on0 = FALSE, on1 = TRUE;
  device->GetLightEnable(0, &on0);
  device->GetLightEnable(1, &on1);
  EXPECT_TRUE(on0);
  EXPECT_FALSE(on1);
  D3DLIGHT9 light = {};
  device->GetLight(1, &light);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_FLOAT_EQ(light.Direction.x, -1.0f);

  // And the next frame draws and presents normally.
  log.clear();
  g_stageCleared = 1;
  g_clearFlashAlpha = 255;
  FlashFrame();
  EXPECT_TRUE(log.empty());
  EXPECT_COLOR_NEAR(Grab(device).at(100, 100), 255, 255, 255, 1);
}

TEST_F(FrameDeviceTest, RecoveryActsOnlyOnADeviceThatCanBeReset) {
  std::vector<DeviceObjectEvent> log;
  RecordDeviceObjectEvents(&log);
  SimulateDeviceState(device, D3DERR_DEVICENOTRESET);
  RecoverLostDevice();
  EXPECT_EQ(log.size(), 8u);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  log.clear();
  RecoverLostDevice();  // a working device: nothing to do
  EXPECT_TRUE(log.empty());
}

}  // namespace
