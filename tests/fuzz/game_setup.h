// The game's state as the stage files need it, without a display: a
// headless main window with the editor menus, the physics world and the
// snapshot buffers. The fuzz targets and the stage tests' fixture share it.
#pragma once
#include <cstring>

#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "game/goal_reached.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/snapshot.h"

inline void SetUpGameForFiles() {
  headless::Reset();
  RegisterGameMenus();
  g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  g_hWnd = headless::MakeWindow("", g_editorMenu);
  std::strcpy(g_appTitle, Cp932Text("ギズモワークス Ver.1.10"));
  std::strcpy(g_editorName, Cp932Text("新人エディター"));
  CreatePhysicsWorld();
  AllocateSnapshotBuffers();
  g_appMode = kModeEdit;
}

// An empty stage in stage editing, nothing unsaved.
inline void ClearStageForFiles() {
  for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
  g_appMode = kModeEdit;
  g_isPlayFile = 0;
  g_stageModified = 0;
  g_goalType = kGoalNone;
}
