// Drives UpdateFrame the way the frame driver and a player do: a headless
// window with the editor menu, a headless drawing device holding the view and
// projection built from g_cameraPos, a fresh physics world and snapshot
// buffers; keys, buttons and the cursor are set before each update.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/window_proc.h"
#include "game/editor_tools.h"
#include "game/update.h"
#include "platform/d3d9.h"
#include "platform/gl_context.h"
#include "platform/headless.h"
#include "platform/win_input.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/joints.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/snapshot.h"

class UpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    RegisterGameMenus();
    g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
    g_hWnd = headless::MakeWindow("", g_editorMenu, POINT{100, 50});
    g_device = CreateHeadlessDevice();
    ASSERT_NE(g_device, nullptr) << "no headless drawing device";
    D3DXMatrixIdentity(&g_worldIdentity);
    CreatePhysicsWorld();
    AllocateSnapshotBuffers();
    CreatePickRay();
    g_appMode = kModeEdit;
    g_goalType = kGoalNone;
    // Close to the stage, at the depth of zoom step 2, so the camera rests.
    g_zoomLevel = 2;
    g_cameraPos = D3DXVECTOR3(100.0f, 60.0f, -50.0f);
    Mouse(320, 240);
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPickRay();
    FreeSnapshotBuffers();
    DestroyPhysicsWorld();
    if (g_device) g_device->Release();
    g_device = nullptr;
  }

  // The view, projection and viewport that the frame driver leaves on the device.
  static void SetCamera() {
    D3DXMATRIX view, proj;
    const D3DXVECTOR3 at(g_cameraPos.x, g_cameraPos.y, 0.0f), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &g_cameraPos, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, 1.0471976f, 4.0f / 3.0f, 10.0f, 5000.0f);
    g_device->SetTransform(D3DTS_VIEW, &view);
    g_device->SetTransform(D3DTS_PROJECTION, &proj);
    D3DVIEWPORT9 vp = {0, 0, 640, 480, 0.0f, 1.0f};
    g_device->SetViewport(&vp);
    g_viewMatrix = view;
    g_projMatrix = proj;
    g_viewport = vp;
  }
  // One frame: the driver's camera, then the update.
  static void Frame() {
    SetCamera();
    UpdateFrame();
  }
  static void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }

  static void Mouse(int x, int y) { headless::SetCursorClientPos(g_hWnd, x, y); }
  static void Key(int vk, bool held) { headless::SetKey(vk, held); }

  // The client pixel of a point of the stage plane under this frame's camera.
  static POINT PixelOf(D3DXVECTOR3 world) {
    SetCamera();
    D3DXVECTOR3 s;
    D3DXVec3Project(&s, &world, &g_viewport, &g_projMatrix, &g_viewMatrix, &g_worldIdentity);
    return POINT{(LONG)lroundf(s.x), (LONG)lroundf(s.y)};
  }
  static void MouseAt(float x, float y) {
    const POINT p = PixelOf(D3DXVECTOR3(x, y, 0));
    Mouse(p.x, p.y);
  }

  // A click as a player makes it: hover, press, release, one update each,
  // with `keys` held throughout.
  static void ClickAt(float x, float y, std::initializer_list<int> keys = {}) {
    for (int k : keys) Key(k, true);
    MouseAt(x, y);
    Frame();
    Key(VK_LBUTTON, true);
    Frame();
    Key(VK_LBUTTON, false);
    Frame();
    for (int k : keys) Key(k, false);
    Frame();
  }
  // A left drag from one stage point to another over `steps` updates.
  static void DragFromTo(D3DXVECTOR3 from, D3DXVECTOR3 to, std::initializer_list<int> keys = {},
                         int steps = 4) {
    for (int k : keys) Key(k, true);
    MouseAt(from.x, from.y);
    Frame();
    Key(VK_LBUTTON, true);
    Frame();
    for (int s = 1; s <= steps; ++s) {
      const D3DXVECTOR3 p = from + (to - from) * ((float)s / (float)steps);
      MouseAt(p.x, p.y);
      Frame();
    }
    Key(VK_LBUTTON, false);
    Frame();
    for (int k : keys) Key(k, false);
    Frame();
  }

  static int LiveItems() {
    int n = 0;
    for (const StageItem& it : g_items) n += it.state != kItemFree;
    return n;
  }
  static int LiveJoints() {
    int n = 0;
    for (int j = 0; j < kMaxJoints; ++j) n += g_joints[j].type != kJointFree;
    return n;
  }
  static int LastLiveItem() {
    for (int i = kMaxItems - 1; i >= 0; --i) {
      if (g_items[i].state != kItemFree) return i;
    }
    return -1;
  }
  static D3DXVECTOR3 Pos(int item) {
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dGeomGetPosition(g_items[item].geom), &p);
    return p;
  }
  static int Box(float x, float y, float w = 0, float h = 0, int movable = 1, int kind = kKindBox) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, w, h, kind, movable);
  }
  static int Ball(float x, float y, float r = 0, int movable = 1) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, r, 0, kKindBall, movable);
  }
  // Ctrl+Z: the undo command itself, which keeps the present state in the
  // other slot and rebuilds the stage from the slot taken before the last
  // edit (so a second one redoes).
  static void Undo() { UndoCommand(); }
};
