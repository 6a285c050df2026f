// The title screen: boxes spawned, falling in three dimensions, capped and
// faded; the two buttons lit under the mouse and sending their commands to the
// window procedure on a press; frames paced, drawn and recovered like the
// game's own. Drawing tests use the real data folder and leave pictures of the
// title in the build folder.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/fonts_textures.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/title_screen.h"
#include "game/frame.h"
#include "game/update.h"
#include "platform/d3dx9.h"
#include "platform/headless.h"
#include "platform/image_file.h"
#include "platform/win_input.h"
#include "platform/win_menu.h"
#include "platform/win_message.h"
#include "render/meshes.h"
#include "render/world_drawing.h"
#include "tests/gfx_test_util.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/update_state.h"

namespace {

// What the window procedure was sent, and what the game looked like then.
struct Sent {
  UINT message;
  WPARAM wParam;
  HMENU menu;  // the window's bar at the time
  int liveItems;
};
std::vector<Sent> g_sent;
// How the stand-in procedure answers the two commands: the play list either
// is cancelled or loads a play file; a new stage does what the title needs of
// it (the title's items go, light 1 off, the editing mode).
bool g_playListLoadsFile = false;
// Where the pointer is when the play list closes (x -1: where it was).
POINT g_pointerAfterPlayList = {-1, -1};

int LiveItems() {
  int n = 0;
  for (const StageItem& item : g_items) n += item.state != kItemFree;
  return n;
}

void DestroyEveryItem() {
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree) DestroyItem(i);
}

LRESULT CALLBACK_MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    g_sent.push_back({message, wParam, GetMenu(window), LiveItems()});
    const UINT id = LOWORD(wParam);
    if (id == kCmdPlayList && g_pointerAfterPlayList.x >= 0)
      headless::SetCursorClientPos(window, g_pointerAfterPlayList.x, g_pointerAfterPlayList.y);
    if (id == kCmdPlayList && g_playListLoadsFile) {
      DestroyEveryItem();
      g_appMode = kModePlay;
    } else if (id == kCmdNewStage && g_appMode == kModeTitle) {
      DestroyEveryItem();
      if (g_device) {
        g_device->LightEnable(0, TRUE);
        g_device->LightEnable(1, FALSE);
      }
      g_appMode = kModeEdit;
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeMainWindow() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = CALLBACK_MainProc;
  wc.lpszClassName = "Title Test Window";
  RegisterClassExA(&wc);
  return CreateWindowExA(0, "Title Test Window", "", WS_POPUP | WS_VISIBLE, 100, 50, 640, 480,
                         nullptr, g_titleMenu, nullptr, nullptr);
}

class TitleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    RegisterGameMenus();
    g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
    g_titleMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuTitle));
    g_hWnd = MakeMainWindow();
    ASSERT_NE(g_hWnd, nullptr);
    D3DXMatrixIdentity(&g_worldIdentity);
    CreatePhysicsWorld();
    g_appMode = kModeTitle;
    g_sent.clear();
    g_playListLoadsFile = false;
    g_pointerAfterPlayList = {-1, -1};
    Mouse(10, 10);
  }
  void TearDown() override {
    DestroyEveryItem();
    DestroyPhysicsWorld();
  }

  static void Mouse(int x, int y) { headless::SetCursorClientPos(g_hWnd, x, y); }
  static void Button(bool held) { headless::SetKey(VK_LBUTTON, held); }
  // A click as a player makes it: the mouse moves there, the button goes
  // down for one update and up for the next. Returns the result of the
  // press's update.
  static int ClickAt(int x, int y) {
    Mouse(x, y);
    Button(false);
    EXPECT_EQ(UpdateTitleScreen(), 1);
    Button(true);
    const int result = UpdateTitleScreen();
    Button(false);
    return result;
  }
  static int Updates(int n) {
    int result = 1;
    for (int i = 0; i < n && result; ++i) result = UpdateTitleScreen();
    return result;
  }
  static D3DXVECTOR3 Pos(int item) {
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dBodyGetPosition(g_items[item].body), &p);
    return p;
  }
  // 99 boxes resting apart on the ground of the field.
  static void FillWithRestingBoxes(int count) {
    for (int i = 0; i < count; ++i) {
      const int made = CreateItem(D3DXVECTOR3(20.0f + 7.0f * (i % 50), 2.0f, 0.0f), nullptr, 0, 0,
                                  kKindBox, 1);
      ASSERT_GE(made, 0);
      if (i >= 50) dBodySetPosition(g_items[made].body, 20.0 + 7.0 * (i % 50), 2.0, 20.0);
    }
  }
};

// ---- spawning, falling, the cap and the fade ------------------------------------

TEST_F(TitleTest, ABoxIsSpawnedEveryThirtyOneUpdatesHighAboveThePile) {
  srand(12345);
  // The draws a spawn makes, in their order: roll, pitch, yaw, z, x.
  const int roll = rand() % 360, pitch = rand() % 360, yaw = rand() % 360;
  const int z = rand() % 21 - 10, x = 400 + (rand() % 21 - 10);
  srand(12345);

  EXPECT_EQ(UpdateTitleScreen(), 1);
  ASSERT_EQ(LiveItems(), 1);
  EXPECT_EQ(g_titleSpawnTimer, 1);
  const StageItem& box = g_items[0];
  EXPECT_EQ(box.kind, kKindBox);
  EXPECT_EQ(box.state, kItemMovable);
  EXPECT_EQ(box.sizeA, 4.0f);
  EXPECT_EQ(box.sizeB, 4.0f);
  EXPECT_EQ(box.alpha, 255);
  // Spawned after the step: exactly where it was put, turned as drawn.
  const D3DXVECTOR3 p = Pos(0);
  EXPECT_EQ(p.x, (float)x);
  EXPECT_EQ(p.y, 50.0f);
  EXPECT_EQ(p.z, (float)z);
  D3DXMATRIX expected, actual;
  D3DXMatrixRotationYawPitchRoll(&expected, yaw * kDegToRad, pitch * kDegToRad, roll * kDegToRad);
  ConvertOdeRotationToMatrix(dBodyGetRotation(box.body), &actual);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual(r, c), expected(r, c), 1e-5f);

  // Thirty more updates spawn nothing; the thirty-first spawns the next box.
  Updates(30);
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_EQ(g_titleSpawnTimer, 0);
  EXPECT_EQ(g_itemCount, 1);
  UpdateTitleScreen();
  EXPECT_EQ(LiveItems(), 2);
  EXPECT_EQ(g_itemCount, 1);  // counted before the spawn
}

TEST_F(TitleTest, BoxesFallOntoTheGroundAndTumbleInThreeDimensions) {
  srand(7);
  Updates(31 * 6);
  ASSERT_EQ(LiveItems(), 6);
  // The first box has come down from 50 and rests on the ground or the pile.
  const D3DXVECTOR3 first = Pos(0);
  EXPECT_LT(first.y, 10.0f);
  EXPECT_GT(first.y, 1.5f);
  // No plane pass: the boxes keep their depth and their turns out of the
  // plane.
  int offPlane = 0, tilted = 0;
  for (int i = 0; i < 6; ++i) {
    offPlane += std::fabs(Pos(i).z) > 0.5f;
    D3DXMATRIX r;
    ConvertOdeRotationToMatrix(dBodyGetRotation(g_items[i].body), &r);
    tilted += std::fabs(r._13) > 0.01f || std::fabs(r._23) > 0.01f;
  }
  EXPECT_GE(offPlane, 4);
  EXPECT_GE(tilted, 1);
  // Nothing falls through the ground.
  for (int i = 0; i < 6; ++i) EXPECT_GT(Pos(i).y, 1.0f) << i;
}

TEST_F(TitleTest, NinetyNineBoxesStillSpawnTheHundredthWhichStartsTheFade) {
  FillWithRestingBoxes(99);
  g_titleSpawnTimer = 0;
  UpdateTitleScreen();
  EXPECT_EQ(LiveItems(), 100);
  EXPECT_EQ(g_titleSpawnTimer, 1);

  // The next spawn update finds a hundred: no box, the fade begins at once.
  Updates(30);
  ASSERT_EQ(g_titleSpawnTimer, 0);
  UpdateTitleScreen();
  EXPECT_EQ(g_titleSpawnTimer, -1);
  EXPECT_EQ(LiveItems(), 100);
  for (const StageItem& item : g_items)
    if (item.state != kItemFree) {
      EXPECT_EQ(item.alpha, 253);
    }

  // 255 in steps of 2: the 128th fading update takes every box away.
  Updates(126);
  EXPECT_EQ(LiveItems(), 100);
  for (const StageItem& item : g_items)
    if (item.state != kItemFree) {
      EXPECT_EQ(item.alpha, 1);
    }
  UpdateTitleScreen();
  EXPECT_EQ(LiveItems(), 0);
  EXPECT_EQ(g_titleSpawnTimer, -1);
  // The next update finds the ground empty and starts over; the one after
  // spawns.
  UpdateTitleScreen();
  EXPECT_EQ(g_titleSpawnTimer, 0);
  EXPECT_EQ(LiveItems(), 0);
  UpdateTitleScreen();
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_EQ(g_titleSpawnTimer, 1);
}

TEST_F(TitleTest, AWholeCyclePilesUpToTheCapAndClearsTheGround) {
  srand(99);
  int most = 0, updates = 0;
  while (g_titleSpawnTimer != -1 && updates < 4000) {
    UpdateTitleScreen();
    ++updates;
    most = std::max(most, LiveItems());
  }
  ASSERT_EQ(g_titleSpawnTimer, -1) << "the pile never reached the cap";
  EXPECT_EQ(most, kTitleMaxObjects);
  // Spawns on updates 1, 32, .. 3070; update 3101 finds the hundred.
  EXPECT_EQ(updates, 100 * 31 + 1);
  // The pile stayed a pile: every box is on the ground or on other boxes,
  // near where they fell.
  for (int i = 0; i < kMaxItems; ++i) {
    if (g_items[i].state == kItemFree) continue;
    const D3DXVECTOR3 p = Pos(i);
    EXPECT_GT(p.y, 1.0f);
    EXPECT_LT(std::fabs(p.x - 400.0f), 80.0f);
    EXPECT_LT(std::fabs(p.z), 80.0f);
  }
  while (LiveItems() > 0 && updates < 5000) {
    UpdateTitleScreen();
    ++updates;
  }
  EXPECT_EQ(LiveItems(), 0);
  EXPECT_EQ(updates, 100 * 31 + 1 + 127);  // the fade's 128 passes began on 3101
}

// ---- the buttons -----------------------------------------------------------------

TEST_F(TitleTest, ButtonsCoverTheirPicturesOnly) {
  EXPECT_EQ(TitleButtonAt({233, 300}), kTitleButtonPlayList);
  EXPECT_EQ(TitleButtonAt({407, 339}), kTitleButtonPlayList);
  EXPECT_EQ(TitleButtonAt({233, 350}), kTitleButtonNewStage);
  EXPECT_EQ(TitleButtonAt({407, 389}), kTitleButtonNewStage);
  EXPECT_EQ(TitleButtonAt({232, 300}), kTitleButtonNone);
  EXPECT_EQ(TitleButtonAt({408, 300}), kTitleButtonNone);
  EXPECT_EQ(TitleButtonAt({233, 340}), kTitleButtonNone);  // between the two
  EXPECT_EQ(TitleButtonAt({233, 349}), kTitleButtonNone);
  EXPECT_EQ(TitleButtonAt({233, 390}), kTitleButtonNone);
  EXPECT_EQ(TitleButtonAt({233, 299}), kTitleButtonNone);
}

TEST_F(TitleTest, APressOnThePlayListButtonSendsThePlayListCommand) {
  EXPECT_EQ(ClickAt(233, 300), 1);  // cancelled: the title goes on
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].message, (UINT)WM_COMMAND);
  EXPECT_EQ(g_sent[0].wParam, (WPARAM)kCmdPlayList);
  EXPECT_EQ(g_sent[0].menu, g_titleMenu);  // the bar stays the title's
  EXPECT_EQ(GetMenu(g_hWnd), g_titleMenu);
  EXPECT_EQ(g_leftButtonDown, 1);
  EXPECT_EQ(g_mousePos.x, 233);
  EXPECT_EQ(g_mousePos.y, 300);
}

TEST_F(TitleTest, APressOnTheNewStageButtonPutsUpTheEditorMenuAndSendsNewStage) {
  Updates(40);  // some boxes
  ASSERT_GT(LiveItems(), 0);
  EXPECT_EQ(ClickAt(233, 350), 0);  // the title is over
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].wParam, (WPARAM)kCmdNewStage);
  EXPECT_EQ(g_sent[0].menu, g_editorMenu);  // the bar changed before the send
  EXPECT_GT(g_sent[0].liveItems, 0);        // the command itself clears the title
  EXPECT_EQ(LiveItems(), 0);
  EXPECT_EQ(g_appMode, kModeEdit);
}

TEST_F(TitleTest, PressesBesideTheButtonsSendNothing) {
  for (POINT p : {POINT{408, 300}, POINT{233, 340}, POINT{232, 350}, POINT{320, 390},
                  POINT{320, 200}}) {
    EXPECT_EQ(ClickAt(p.x, p.y), 1);
  }
  EXPECT_TRUE(g_sent.empty());
  EXPECT_EQ(GetMenu(g_hWnd), g_titleMenu);
}

TEST_F(TitleTest, OnlyAPressCountsNotAButtonHeldOntoAPicture) {
  Mouse(100, 100);
  Button(true);
  EXPECT_EQ(UpdateTitleScreen(), 1);  // pressed beside the buttons
  Mouse(320, 320);
  EXPECT_EQ(Updates(5), 1);  // still held, now over the play-list button
  EXPECT_TRUE(g_sent.empty());
  Button(false);
  EXPECT_EQ(UpdateTitleScreen(), 1);
  EXPECT_EQ(g_leftButtonDown, 0);
  Button(true);
  EXPECT_EQ(UpdateTitleScreen(), 1);  // a new press
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(Updates(5), 1);  // held: one command only
  EXPECT_EQ(g_sent.size(), 1u);
}

TEST_F(TitleTest, AClickShorterThanAnUpdatePressesTheButtonOnce) {
  Mouse(233, 350);
  EXPECT_EQ(UpdateTitleScreen(), 1);
  // Down and up again between two updates (a tap on a touchpad).
  headless::TapKey(VK_LBUTTON);
  EXPECT_EQ(UpdateTitleScreen(), 0);
  ASSERT_EQ(g_sent.size(), 1u);
  EXPECT_EQ(g_sent[0].wParam, (WPARAM)kCmdNewStage);
  // Seen once: the next update finds the button up.
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
}

TEST_F(TitleTest, AfterThePlayListTheMouseIsWhereThePointerIsNow) {
  // The pointer went elsewhere while the list was open: the frame drawn after
  // the list lights nothing under the place it was opened from.
  g_pointerAfterPlayList = {20, 440};
  EXPECT_EQ(ClickAt(300, 310), 1);
  EXPECT_EQ(g_mousePos.x, 20);
  EXPECT_EQ(g_mousePos.y, 440);
  EXPECT_EQ(TitleButtonAt(g_mousePos), kTitleButtonNone);
}

TEST_F(TitleTest, TwoQuickClicksAreTwoPresses) {
  Mouse(233, 300);
  headless::TapKey(VK_LBUTTON);
  EXPECT_EQ(UpdateTitleScreen(), 1);
  EXPECT_EQ(g_leftButtonDown, 1);
  EXPECT_EQ(UpdateTitleScreen(), 1);  // let go
  EXPECT_EQ(g_leftButtonDown, 0);
  headless::TapKey(VK_LBUTTON);
  EXPECT_EQ(UpdateTitleScreen(), 1);
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[1].wParam, (WPARAM)kCmdPlayList);
}

// ---- frames --------------------------------------------------------------------

// The title with the real data folder on a headless device.
class TitleFrameTest : public TitleTest {
 protected:
  void SetUp() override {
    TitleTest::SetUp();
    g_device = CreateHeadlessDevice();
    ASSERT_NE(g_device, nullptr) << "no headless drawing device";
    TakeGlErrors();
    SetDefaultRenderStates();
    ASSERT_EQ(LoadTextureFiles(0, kTextureCount), 0);
    ASSERT_EQ(LoadModels(), 0);
    ASSERT_EQ(CreatePrimitiveMeshes(), 0);
    ASSERT_EQ(CreateFonts(), 1);
    ASSERT_EQ(D3DXCreateSprite(g_device, &g_sprite), D3D_OK);
    g_deviceLevel = 4;
    g_frameInterval = 17;
    headless::SetTime(10000);
    g_lastFrameTime = 10000;
    g_frameLag = 0;
    g_appInactive = 0;
  }
  void TearDown() override {
    EXPECT_EQ(TakeGlErrors(), 0u) << "GL errors while drawing";
    if (g_sprite) g_sprite->Release();
    g_sprite = nullptr;
    ReleaseFonts();
    ReleaseTextures();
    ReleaseModels();
    ReleasePrimitiveMeshes();
    TitleTest::TearDown();
    if (g_device) g_device->Release();
    g_device = nullptr;
  }

  // One call of the main loop `ms` after the previous one. Returns whether
  // a picture was drawn (the camera moves on drawn frames only).
  static bool FrameAfter(DWORD ms) {
    headless::AdvanceTime(ms);
    const float angle = g_titleCameraAngle;
    RunTitleFrame();
    return g_titleCameraAngle != angle;
  }
  static void Frames(int n) {
    for (int i = 0; i < n; ++i) FrameAfter(17);
  }
  static Pixels Screen() { return Grab(g_device); }
  static bool LightOn(DWORD index) {
    BOOL on = FALSE;
    g_device->GetLightEnable(index, &on);
    return on != FALSE;
  }
  // The atlas as the file holds it.
  static Image Atlas() {
    Image atlas;
    EXPECT_TRUE(LoadImageFile("data/Sprite.bmp", &atlas));
    return atlas;
  }
};

TEST_F(TitleFrameTest, FramesArePacedByTheClockAndDrawnOnlyOnTime) {
  EXPECT_FALSE(FrameAfter(16));  // not due: nothing at all
  EXPECT_EQ(LiveItems(), 0);
  EXPECT_TRUE(FrameAfter(1));
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_EQ(g_titleCameraAngle, 359.9f);  // from 0, wrapped
  EXPECT_EQ(g_skyAngle, kSkySpin);

  // 5 ms late: updated, not drawn; the next on-time frame is drawn.
  const int timer = g_titleSpawnTimer;
  EXPECT_FALSE(FrameAfter(22));
  EXPECT_EQ(g_titleSpawnTimer, timer + 1);
  EXPECT_TRUE(FrameAfter(17));
}

TEST_F(TitleFrameTest, ACoveredTitleIsNotDrawnButItsViewTurnsOn) {
  Frames(3);
  const Pixels before = Screen();
  platform::SetWindowObscuredFromFace(g_hWnd, true);
  const float sky = g_skyAngle;
  EXPECT_TRUE(FrameAfter(17));  // the camera went round as on a drawn frame
  EXPECT_EQ(g_skyAngle, sky + kSkySpin);
  EXPECT_EQ(Screen().argb, before.argb);  // but nothing was drawn
}

TEST_F(TitleFrameTest, AnInactiveWindowIsDrawnButNothingMoves) {
  Frames(40);
  const D3DXVECTOR3 before = Pos(0);
  const int timer = g_titleSpawnTimer, count = LiveItems();
  g_appInactive = 1;
  Mouse(320, 320);
  Button(true);
  for (int i = 0; i < 40; ++i) EXPECT_TRUE(FrameAfter(17));
  const D3DXVECTOR3 after = Pos(0);
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);
  EXPECT_EQ(after.z, before.z);
  EXPECT_EQ(g_titleSpawnTimer, timer);
  EXPECT_EQ(LiveItems(), count);
  EXPECT_TRUE(g_sent.empty());  // no click either
}

TEST_F(TitleFrameTest, LeavingTheTitleDrawsNoMoreTitleFrames) {
  Frames(40);
  ASSERT_TRUE(LightOn(0));
  Mouse(300, 360);
  Frames(1);
  Button(true);
  const float angle = g_titleCameraAngle, sky = g_skyAngle;
  RunTitleFrame();  // not due yet
  headless::AdvanceTime(17);
  RunTitleFrame();
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_titleCameraAngle, angle);
  EXPECT_EQ(g_skyAngle, sky);
  EXPECT_EQ(LiveItems(), 0);
  EXPECT_TRUE(LightOn(0));
  EXPECT_FALSE(LightOn(1));
}

TEST_F(TitleFrameTest, APlayFileFromThePlayListIsNotDrawnOverAndKeepsNoTitleLight) {
  Frames(40);
  g_playListLoadsFile = true;
  Mouse(300, 310);
  Frames(1);
  Button(true);
  EXPECT_FALSE(FrameAfter(17));
  EXPECT_EQ(g_appMode, kModePlay);
  // The play list switches no light; the title's second light must not
  // reach the stage that replaced it.
  EXPECT_FALSE(LightOn(1));
}

TEST_F(TitleFrameTest, TheSceneLightsTheBoxesFromTwoSidesAndGivesTheSecondLightBack) {
  Frames(31 * 3);
  // The same scene twice, the second time with light 1 dark: the boxes lose
  // light, and nothing else changes.
  const float sky = g_skyAngle;
  auto scene = [&] {
    g_skyAngle = sky;
    g_device->BeginScene();
    DrawTitleScene();
    g_device->EndScene();
    return Screen();
  };
  const Pixels twoLights = scene();
  EXPECT_FALSE(LightOn(1));  // given back once the boxes are drawn
  EXPECT_TRUE(LightOn(0));
  D3DLIGHT9 dark = {};
  dark.Type = D3DLIGHT_DIRECTIONAL;
  dark.Direction = D3DXVECTOR3(-1.0f, 0.0f, 1.0f);
  g_device->SetLight(1, &dark);
  const Pixels oneLight = scene();
  int brighter = 0, darker = 0;
  for (size_t i = 0; i < twoLights.argb.size(); ++i) {
    const uint32_t a = twoLights.argb[i], b = oneLight.argb[i];
    const int sumA = Red(a) + Green(a) + Blue(a), sumB = Red(b) + Green(b) + Blue(b);
    brighter += sumA > sumB + 6;
    darker += sumA + 6 < sumB;
  }
  EXPECT_GT(brighter, 200);  // box faces turned toward the second light
  EXPECT_EQ(darker, 0);
}

TEST_F(TitleFrameTest, ButtonsLightUnderTheMouse) {
  Frames(70);
  const float angle = g_titleCameraAngle, sky = g_skyAngle;
  auto drawAt = [&](int x, int y) {
    // The same moment each time: the camera and the sky put back.
    g_titleCameraAngle = angle;
    g_skyAngle = sky;
    Mouse(x, y);
    g_mousePos = {x, y};
    g_appInactive = 1;  // the picture only
    EXPECT_TRUE(FrameAfter(17));
    g_appInactive = 0;
    return Screen();
  };
  const Pixels plain = drawAt(10, 10);
  const Pixels first = drawAt(240, 310);
  const Pixels second = drawAt(400, 385);
  SavePicture(first, "title_screen_play_list_lit");
  SavePicture(second, "title_screen_new_stage_lit");

  // A lit button is a white box at 150 of 255 added over the button's whole
  // rectangle, keyed corners included: every channel gains 150 (up to 255),
  // and the scene around and the other button stay as they were.
  auto litAsExpected = [&](uint32_t base, uint32_t now) {
    for (int shift : {0, 8, 16}) {
      const int b = (base >> shift) & 0xFF, n = (now >> shift) & 0xFF;
      if (std::abs(n - std::min(255, b + 150)) > 2) return false;
    }
    return true;
  };
  int wrong = 0, brighter = 0, changedOutside = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const uint32_t b = plain.at(x, y), f = first.at(x, y), s = second.at(x, y);
      const int button = TitleButtonAt({x, y});
      if (button == kTitleButtonNone) {
        changedOutside += f != b || s != b;
        continue;
      }
      const uint32_t lit = button == 0 ? f : s, unlit = button == 0 ? s : f;
      wrong += !litAsExpected(b, lit) || unlit != b;
      brighter += Red(lit) + Green(lit) + Blue(lit) > Red(b) + Green(b) + Blue(b) + 60;
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(brighter, 2 * 175 * 40 * 3 / 4);  // most of each rectangle glows
  EXPECT_EQ(changedOutside, 0);
}

TEST_F(TitleFrameTest, TheLogoAndButtonsStandWhereTheyBelong) {
  Frames(5);
  const Pixels screen = Screen();
  const Image atlas = Atlas();
  ASSERT_EQ(atlas.width, 512u);
  auto matches = [&](int left, int top, int w, int h, int srcLeft, int srcTop) {
    int opaque = 0, same = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t a = atlas.argb[(size_t)(srcTop + y) * 512 + srcLeft + x] & 0xFFFFFF;
        if (a == 0xFF00FF) continue;  // colour key: the scene shows through
        ++opaque;
        const uint32_t s = screen.at(left + x, top + y);
        same += std::abs(Red(s) - (int)(a >> 16)) <= 2 && std::abs(Green(s) - (int)((a >> 8) & 0xFF)) <= 2 &&
                std::abs(Blue(s) - (int)(a & 0xFF)) <= 2;
      }
    EXPECT_GT(opaque, w * h / 3);
    return opaque ? (double)same / opaque : 0.0;
  };
  // Text drawn over the pictures covers none of them; allow the odd pixel.
  EXPECT_GT(matches(91, 50, 459, 92, 2, 357), 0.99);
  EXPECT_GT(matches(233, 300, 175, 40, 113, 271), 0.99);
  EXPECT_GT(matches(233, 350, 175, 40, 113, 314), 0.99);
}

TEST_F(TitleFrameTest, DeviceLevelPipsShowTheLevelsAttained) {
  const Image atlas = Atlas();
  auto pipsAt = [&](int level) {
    g_deviceLevel = level;
    g_appInactive = 1;
    EXPECT_TRUE(FrameAfter(17));
    const Pixels screen = Screen();
    // Each pip's centre against the centres of the two pictures.
    std::vector<bool> on;
    const uint32_t onCentre = atlas.argb[(size_t)(45 + 7) * 512 + 288 + 6] & 0xFFFFFF;
    const uint32_t offCentre = atlas.argb[(size_t)(45 + 7) * 512 + 304 + 6] & 0xFFFFFF;
    EXPECT_NE(onCentre, offCentre);
    for (int k = 0; k < 3; ++k) {
      const uint32_t s = screen.at(590 + 15 * k + 6, 5 + 7) & 0xFFFFFF;
      EXPECT_TRUE(s == onCentre || s == offCentre) << std::hex << s;
      on.push_back(s == onCentre);
    }
    return on;
  };
  EXPECT_EQ(pipsAt(1), std::vector<bool>({false, false, false}));
  EXPECT_EQ(pipsAt(2), std::vector<bool>({true, false, false}));
  EXPECT_EQ(pipsAt(3), std::vector<bool>({true, true, false}));
  EXPECT_EQ(pipsAt(4), std::vector<bool>({true, true, true}));
  EXPECT_EQ(pipsAt(0), std::vector<bool>({false, false, false}));  // before start-up
}

TEST_F(TitleFrameTest, TheDeviceLabelEndsBeforeThePips) {
  Frames(3);
  g_appInactive = 1;
  const float angle = g_titleCameraAngle, sky = g_skyAngle;
  EXPECT_TRUE(FrameAfter(17));
  const Pixels withText = Screen();
  // The same picture without any text tells where the text went.
  ID3DXFont* const bold = g_boldFont;
  g_boldFont = nullptr;
  g_titleCameraAngle = angle;
  g_skyAngle = sky;
  EXPECT_TRUE(FrameAfter(17));
  g_boldFont = bold;
  const Pixels withoutText = Screen();
  int left = 640, right = -1;
  for (int y = 0; y < 30; ++y)
    for (int x = 400; x < 640; ++x)
      if (withText.at(x, y) != withoutText.at(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_GE(right, 0) << "no label drawn";
  EXPECT_LT(right, 590);  // the first pip's left edge
  EXPECT_GT(right, 580);  // and close to it
  EXPECT_LT(left, 500);
}

TEST_F(TitleFrameTest, ALostDeviceIsResetAndTheTitleDrawsAgain) {
  Frames(40);
  g_appInactive = 1;  // the pile holds still; only the picture is made
  const float angle = g_titleCameraAngle, sky = g_skyAngle;
  EXPECT_TRUE(FrameAfter(17));
  const Pixels before = Screen();

  SimulateDeviceState(g_device, D3DERR_DEVICELOST);
  EXPECT_TRUE(FrameAfter(17));  // drawn, Present fails, the device waits
  EXPECT_EQ(g_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  SimulateDeviceState(g_device, D3DERR_DEVICENOTRESET);
  EXPECT_TRUE(FrameAfter(17));  // Present fails again: now reset
  EXPECT_EQ(g_device->TestCooperativeLevel(), D3D_OK);
  EXPECT_TRUE(LightOn(0));

  // The reset device has the game's states and lights again: the same
  // moment draws the same picture.
  g_titleCameraAngle = angle;
  g_skyAngle = sky;
  EXPECT_TRUE(FrameAfter(17));
  EXPECT_TRUE(before.argb == Screen().argb);
}

// Pictures of the title for a person to look at: the pile growing, at its
// height, and fading.
TEST_F(TitleFrameTest, PicturesOfTheTitle) {
  srand(2026);
  Mouse(10, 10);
  Frames(31 * 12);
  SavePicture(Screen(), "title_screen_12_boxes");
  Frames(31 * 88 - 20);
  EXPECT_GE(LiveItems(), 99);
  SavePicture(Screen(), "title_screen_full_pile");
  while (g_titleSpawnTimer != -1) Frames(1);
  Frames(64);
  SavePicture(Screen(), "title_screen_fading");
  EXPECT_EQ(TakeGlErrors(), 0u);
}

}  // namespace
