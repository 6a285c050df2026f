// Whole frames through RunFrame with the game's own data folder: what is
// drawn when, the hints beside the cursor, the run camera, and a device lost
// and reset in the middle of the frames.
#include <vector>

#include "app/fonts_textures.h"
#include "game/frame.h"
#include "game/hints.h"
#include "game/goal_reached.h"
#include "game/overlays.h"
#include "game/run_behaviours.h"
#include "platform/win_message.h"
#include "render/camera.h"
#include "render/meshes.h"
#include "render/world_drawing.h"
#include "tests/game_state_support.h"
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

// ---- frames nobody sees -------------------------------------------------------

// What a drawn frame moves on besides the picture.
struct DrawnFrameState {
  D3DXVECTOR3 cameraPos, cameraTarget;
  D3DXMATRIX view, projection;
  int32_t sceneMoving, truckFlipFrames, dollStillFrames, dollAtRest;
  int32_t clearFlashAlpha, idleHintAlpha, itemBarHeight, motorIconAngle;
  int32_t hintContext, lastHintContext, anyHighlighted;
  float hintUnfold, skyAngle;
  int liveJoints, liveShards;
  std::vector<float> bodies;  // every live item's position
};

DrawnFrameState TakeDrawnFrameState() {
  DrawnFrameState s;
  s.cameraPos = g_cameraPos;
  s.cameraTarget = g_cameraTarget;
  s.view = g_viewMatrix;
  s.projection = g_projMatrix;
  s.sceneMoving = g_sceneMoving;
  s.truckFlipFrames = g_truckFlipFrames;
  s.dollStillFrames = g_dollStillFrames;
  s.dollAtRest = g_dollAtRest;
  s.clearFlashAlpha = g_clearFlashAlpha;
  s.idleHintAlpha = g_idleHintAlpha;
  s.itemBarHeight = g_itemBarHeight;
  s.motorIconAngle = g_motorIconAngle;
  s.hintContext = g_hintContext;
  s.lastHintContext = g_lastHintContext;
  s.anyHighlighted = g_anyHighlighted;
  s.hintUnfold = g_hintUnfold;
  s.skyAngle = g_skyAngle;
  s.liveJoints = 0;
  for (int j = 0; j < kMaxJoints; ++j) s.liveJoints += g_joints[j].type != kJointFree;
  s.liveShards = 0;
  for (const Shard& shard : g_shards) s.liveShards += shard.life != 0;
  for (const StageItem& item : g_items) {
    if (item.state == kItemFree || !item.body) continue;
    const dReal* p = dBodyGetPosition(item.body);
    s.bodies.insert(s.bodies.end(), {(float)p[0], (float)p[1], (float)p[2]});
  }
  return s;
}

void ExpectSameState(const DrawnFrameState& seen, const DrawnFrameState& unseen) {
  EXPECT_EQ(unseen.cameraPos, seen.cameraPos);
  EXPECT_EQ(unseen.cameraTarget, seen.cameraTarget);
  EXPECT_EQ(unseen.view, seen.view);
  EXPECT_EQ(unseen.projection, seen.projection);
  EXPECT_EQ(unseen.sceneMoving, seen.sceneMoving);
  EXPECT_EQ(unseen.truckFlipFrames, seen.truckFlipFrames);
  EXPECT_EQ(unseen.dollStillFrames, seen.dollStillFrames);
  EXPECT_EQ(unseen.dollAtRest, seen.dollAtRest);
  EXPECT_EQ(unseen.clearFlashAlpha, seen.clearFlashAlpha);
  EXPECT_EQ(unseen.idleHintAlpha, seen.idleHintAlpha);
  EXPECT_EQ(unseen.itemBarHeight, seen.itemBarHeight);
  EXPECT_EQ(unseen.motorIconAngle, seen.motorIconAngle);
  EXPECT_EQ(unseen.hintContext, seen.hintContext);
  EXPECT_EQ(unseen.lastHintContext, seen.lastHintContext);
  EXPECT_EQ(unseen.anyHighlighted, seen.anyHighlighted);
  EXPECT_EQ(unseen.hintUnfold, seen.hintUnfold);
  EXPECT_EQ(unseen.skyAngle, seen.skyAngle);
  EXPECT_EQ(unseen.liveJoints, seen.liveJoints);
  EXPECT_EQ(unseen.liveShards, seen.liveShards);
  EXPECT_EQ(unseen.bodies, seen.bodies);
}

enum class Sight { kSeen, kCovered, kMinimised };

class UnseenFrameTest : public FrameDriverTest {
 protected:
  // Plays `scenario` from the program's first state with the window seen,
  // covered (still active) and minimised, and returns the state after each.
  template <typename Scenario>
  std::vector<DrawnFrameState> PlayEachWay(Scenario scenario) {
    std::vector<DrawnFrameState> states;
    for (Sight sight : {Sight::kSeen, Sight::kCovered, Sight::kMinimised}) {
      if (sight != Sight::kSeen) {
        TearDown();
        game_state::ResetGameState();
        SetUp();
      }
      if (sight == Sight::kCovered) platform::SetWindowObscuredFromFace(g_hWnd, true);
      if (sight == Sight::kMinimised)
        platform::SetWindowPlacementFromFace(g_hWnd, POINT{100, 30}, POINT{100, 50}, true);
      SetCamera();  // the view a frame before these left on the device
      MarkBackBuffer();
      const uint64_t drawn = g_drawnFrameCount;
      scenario();
      states.push_back(TakeDrawnFrameState());
      if (sight != Sight::kSeen) {
        EXPECT_TRUE(Marked()) << "an unseen frame drew";
        EXPECT_EQ(g_drawnFrameCount, drawn);
      }
    }
    return states;
  }
};

TEST_F(UnseenFrameTest, TheEditorsHintsMotorIconAndItemBarMoveOnUnseen) {
  const auto states = PlayEachWay([] {
    // A motorised ball under the cursor, then the cursor on the bar's opener.
    const int ball = CreateItem(D3DXVECTOR3(100.0f, 60.0f, 0.0f), nullptr, 5.0f, 0.0f, kKindBall, 1);
    ASSERT_GE(ball, 0);
    g_items[ball].motorSpeed = 2;
    for (int i = 0; i < 4; ++i) CallAfter(17);
    EXPECT_EQ(g_hoveredItem, ball);
    EXPECT_EQ(g_hintUnfold, 12.0f);  // 0, 3, 6, 9 drawn
    EXPECT_EQ(g_motorIconAngle, -8);  // 2 x 40 / 30 degrees a frame
    EXPECT_EQ(g_anyHighlighted, 1);
    Mouse(600, 430);
    for (int i = 0; i < 3; ++i) CallAfter(17);
    EXPECT_EQ(g_itemBarOpen, 1);
    EXPECT_EQ(g_itemBarHeight, 180);  // 60 a frame
  });
  ExpectSameState(states[0], states[1]);
  ExpectSameState(states[0], states[2]);
}

TEST_F(UnseenFrameTest, ARunComesOutTheSameUnseen) {
  const auto states = PlayEachWay([] {
    SetGoalType(kGoalBell);
    // Two balls whose joint is torn apart: it breaks on the first drawn frame.
    const int a = CreateItem(D3DXVECTOR3(380.0f, 150.0f, 0.0f), nullptr, 5.0f, 0.0f, kKindBall, 1);
    const int b = CreateItem(D3DXVECTOR3(392.0f, 150.0f, 0.0f), nullptr, 5.0f, 0.0f, kKindBall, 1);
    const D3DXVECTOR3 anchor(386.0f, 150.0f, 0.0f);
    ASSERT_GE(CreateHingeJoint(a, b, &anchor, 0), 0);
    dBodySetPosition(g_items[b].body, 460.0, 150.0, 0.0);
    g_appMode = kModeRun;
    g_cameraPos = D3DXVECTOR3(400.0f, 150.0f, -300.0f);
    g_idleHintAlpha = 100;
    CallAfter(17);
    EXPECT_EQ(g_joints[0].type, kJointFree);
    CallAfter(17);
    EXPECT_EQ(g_sceneMoving, 1);
    EXPECT_EQ(g_idleHintAlpha, 60);  // fading while things move
    EXPECT_NE(g_cameraPos, D3DXVECTOR3(400.0f, 150.0f, -300.0f));
    // The goal: the flash fades from 200 by 5 a frame.
    g_stageCleared = 1;
    g_clearFlashAlpha = 200;
    CallAfter(17);
    CallAfter(17);
    EXPECT_EQ(g_clearFlashAlpha, 190);
  });
  ExpectSameState(states[0], states[1]);
  ExpectSameState(states[0], states[2]);
}

TEST_F(UnseenFrameTest, AnOverturnedTruckCountsTowardItsResetUnseen) {
  const auto states = PlayEachWay([] {
    SetGoalType(kGoalTruck);
    ASSERT_NE(g_truckBody, nullptr);
    // The truck and its tyres turned upside down about the truck's centre.
    const dReal* c = dBodyGetPosition(g_truckBody);
    const dReal cx = c[0], cy = c[1];
    dMatrix3 half;
    dRFromAxisAndAngle(half, 0, 0, 1, M_PI);
    for (const StageItem& item : g_items) {
      if (item.state == kItemFree || !item.body) continue;
      if (item.body != g_truckBody && item.kind != kKindTire) continue;
      const dReal* p = dBodyGetPosition(item.body);
      dBodySetPosition(item.body, 2 * cx - p[0], 2 * cy - p[1], p[2]);
      dMatrix3 turned;
      dMultiply0_333(turned, half, dBodyGetRotation(item.body));
      dBodySetRotation(item.body, turned);
    }
    g_appMode = kModeRun;
    for (int i = 0; i < 3; ++i) CallAfter(17);
    EXPECT_EQ(g_truckFlipFrames, 3);
    EXPECT_EQ(g_sceneMoving, 1);  // not yet 180 frames
  });
  ExpectSameState(states[0], states[1]);
  ExpectSameState(states[0], states[2]);
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
