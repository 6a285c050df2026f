// A fresh physics world per test case, and small helpers for real runs.
#pragma once
#include <gtest/gtest.h>

#include <cstring>

#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/types.h"

class PhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreatePhysicsWorld();
    g_appMode = kModeEdit;
    std::memset(g_shards, 0, sizeof(g_shards));
    std::memset(g_smokePuffs, 0, sizeof(g_smokePuffs));
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
  }

  static D3DXVECTOR3 Pos(int item) {
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dBodyGetPosition(g_items[item].body), &p);
    return p;
  }
  static D3DXMATRIX Rot(int item) {
    D3DXMATRIX m;
    ConvertOdeRotationToMatrix(dBodyGetRotation(g_items[item].body), &m);
    return m;
  }
  static int Ball(float x, float y, int movable = 1, float radius = 0) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, radius, 0, kKindBall, movable);
  }
  static int Box(float x, float y, int movable = 1, float w = 0, float h = 0, int kind = kKindBox) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, w, h, kind, movable);
  }
  static int LiveShards() {
    int n = 0;
    for (const Shard& s : g_shards) n += s.life != 0;
    return n;
  }
};
