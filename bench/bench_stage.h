// What the physics benches share: a headless window with the game's menus and
// a headless device holding the camera, so that UpdateFrame runs as it does in
// the game (mouse, picking, overlap pass, run step), and a fresh physics world.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/menus.h"
#include "app/shell_globals.h"
#include "game/frame.h"
#include "game/update.h"
#include "platform/d3d9.h"
#include "platform/gl_context.h"
#include "platform/headless.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/snapshot.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Millis(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Opens the headless window and device once for the whole program.
inline bool OpenHeadlessGame() {
  headless::Reset();
  RegisterGameMenus();
  g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  g_hWnd = headless::MakeWindow("", g_editorMenu);
  g_device = CreateHeadlessDevice();
  if (g_device == nullptr) {
    std::fprintf(stderr, "no headless drawing device\n");
    return false;
  }
  D3DXMatrixIdentity(&g_worldIdentity);
  return true;
}

inline void CloseHeadlessGame() {
  if (g_device) g_device->Release();
  g_device = nullptr;
}

// A fresh world with nothing in it, editing mode, no goal.
inline void NewWorld() {
  CreatePhysicsWorld();
  AllocateSnapshotBuffers();
  CreatePickRay();
  g_appMode = kModeEdit;
  g_goalType = kGoalNone;
}

inline void DropWorld() {
  for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
  DestroyPickRay();
  FreeSnapshotBuffers();
  DestroyPhysicsWorld();
}

// The camera the frame driver leaves on the device, looking at (x, y) from
// the given distance; the update reads it back for picking.
inline void SetCamera(float x, float y, float z) {
  g_cameraPos = D3DXVECTOR3(x, y, z);
  SetViewAndProjection();
  D3DVIEWPORT9 vp = {0, 0, 640, 480, 0.0f, 1.0f};
  g_device->SetViewport(&vp);
  g_viewport = vp;
}

}  // namespace bench
