// A headless main window with the game's menus, and a fresh physics world,
// for the tests of the stage state, the goals, snapshots and the title.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "fuzz/game_setup.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/snapshot.h"

class StageTest : public ::testing::Test {
 protected:
  void SetUp() override { SetUpGameForFiles(); }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    FreeSnapshotBuffers();
    DestroyPhysicsWorld();
  }

  static std::string Title() { return headless::WindowTitleCp932(g_hWnd); }
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
  static D3DXVECTOR3 Pos(int item) {
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dGeomGetPosition(g_items[item].geom), &p);
    return p;
  }
  static std::string LastMessageUtf8() {
    const auto& boxes = headless::MessageBoxes();
    return boxes.empty() ? std::string() : boxes.back().textUtf8;
  }
};
