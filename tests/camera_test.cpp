#include <gtest/gtest.h>

#include "game/goal_reached.h"
#include "render/camera.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"

namespace {

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreatePhysicsWorld();
    g_appMode = kModeEdit;
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
  }
  // A fixed box whose box in the plane spans exactly w x h around (x, y).
  static int Box(float x, float y, float w, float h) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, w, h, kKindBox, 0);
  }
};

float View(const D3DXVECTOR3& centre, float radius) {
  D3DXVECTOR3 eye(0, 0, 0);
  return TestSphereInViewFrustum(&centre, radius, &eye, 0, 0, 30, 5000);
}

}  // namespace

TEST(ViewTest, SpheresInFrontBehindAndBesideTheFrustum) {
  EXPECT_FLOAT_EQ(View(D3DXVECTOR3(0, 0, 100), 1), 100.0f);
  EXPECT_EQ(View(D3DXVECTOR3(0, 0, 5002), 1), 0.0f);   // beyond far + radius
  EXPECT_FLOAT_EQ(View(D3DXVECTOR3(0, 0, 5000.5f), 1), 5000.5f);
  EXPECT_EQ(View(D3DXVECTOR3(0, 0, -2), 1), 0.0f);     // behind the eye
  EXPECT_FLOAT_EQ(View(D3DXVECTOR3(0, 0, -0.5f), 1), -0.5f);  // around the eye
  EXPECT_EQ(View(D3DXVECTOR3(0, 0, 0), 1), 0.0f);      // in the eye's plane
  // At depth 100 the top plane is at y = 57.735; the side normals are not
  // normalised, so a sphere counts as visible a little beyond it.
  EXPECT_GT(View(D3DXVECTOR3(0, 58.0f, 100), 1), 0.0f);
  EXPECT_EQ(View(D3DXVECTOR3(0, 60.0f, 100), 1), 0.0f);
  EXPECT_EQ(View(D3DXVECTOR3(-80.0f, 0, 100), 1), 0.0f);
  EXPECT_GT(View(D3DXVECTOR3(-76.0f, 0, 100), 1), 0.0f);
}

TEST(ViewTest, FrustumIsCachedAndItsNormalsHaveSineLengths) {
  View(D3DXVECTOR3(0, 0, 10), 1);
  EXPECT_EQ(g_frustumKey.halfAngle, 30);
  EXPECT_EQ(g_frustumKey.farDistance, 5000.0f);
  EXPECT_NEAR(D3DXVec3Length(&g_frustumPlanes[2]), 0.757f, 1e-3f);
  EXPECT_NEAR(D3DXVec3Length(&g_frustumPlanes[3]), 0.923f, 1e-3f);
  EXPECT_NEAR(D3DXVec3Length(&g_frustumPlanes[4]), 0.757f, 1e-3f);
  EXPECT_NEAR(D3DXVec3Length(&g_frustumPlanes[5]), 0.923f, 1e-3f);
  EXPECT_GT(g_frustumPlanes[2].x, 0);  // right normal points right, out of the frustum
  EXPECT_GT(g_frustumPlanes[3].y, 0);
}

TEST(ViewTest, DirectionAngles) {
  D3DXVECTOR3 o(10, 10, 0), up(10, 20, 0), left(0, 10, 0), right(20, 10, 5), down(10, 0, 0);
  float a = 1, b = 1;
  ComputeDirectionAngles(&o, &up, &left, &a, &b);
  EXPECT_FLOAT_EQ(a, 0.0f);
  EXPECT_NEAR(b, 90.0f, 1e-4f);
  ComputeDirectionAngles(&o, &right, &down, &a, &b);
  EXPECT_NEAR(a, -90.0f, 1e-4f);
  EXPECT_NEAR(b, 180.0f, 1e-4f);
}

TEST_F(CameraTest, BoundsPreferAwakeMovableItemsUntilTheStageIsCleared) {
  Box(100, 100, 4, 4);                                               // fixed
  CreateItem(D3DXVECTOR3(300, 50, 0), nullptr, 2, 0, kKindBall, 1);  // awake
  CreateItem(D3DXVECTOR3(400, 60, 0), nullptr, 2, 0, kKindBall, 1);
  D3DXVECTOR3 tl, br;
  EXPECT_EQ(ComputeSceneBounds(&tl, &br, 0), 1);
  EXPECT_FLOAT_EQ(tl.x, 298);
  EXPECT_FLOAT_EQ(tl.y, 62);
  EXPECT_FLOAT_EQ(br.x, 402);
  EXPECT_FLOAT_EQ(br.y, 48);
  g_stageCleared = 1;
  EXPECT_EQ(ComputeSceneBounds(&tl, &br, 0), 1);
  EXPECT_FLOAT_EQ(tl.x, 98);
  EXPECT_FLOAT_EQ(tl.y, 102);
  EXPECT_EQ(ComputeSceneBounds(&tl, &br, 1), 0);
  EXPECT_FLOAT_EQ(br.y, 48);
  // Mode 2 widens by a defined area.
  g_areaEditState = kAreaDefined;
  g_area.corner1 = D3DXVECTOR3(50, 300, 0);
  g_area.corner2 = D3DXVECTOR3(350, 20, 0);
  EXPECT_EQ(ComputeSceneBounds(&tl, &br, 2), 0);
  EXPECT_FLOAT_EQ(tl.x, 50);
  EXPECT_FLOAT_EQ(tl.y, 300);
  EXPECT_FLOAT_EQ(br.x, 402);
  EXPECT_FLOAT_EQ(br.y, 20);
}

TEST_F(CameraTest, FitPicksTheNearestLevelThatShowsTheStage) {
  // 200 x 100: needs 119.18, so levels 2 and 1 are too near and 0 is taken.
  int a = Box(300, 150, 200, 100);
  FitCameraToStage();
  EXPECT_EQ(g_zoomLevel, 0);
  EXPECT_FLOAT_EQ(g_cameraPos.x, 300);
  EXPECT_FLOAT_EQ(g_cameraPos.y, 150);
  EXPECT_FLOAT_EQ(g_cameraPos.z, -150);
  DestroyItem(a);

  struct Case { float w, h; int level; };
  const Case cases[] = {
      {83.8f, 10, 2},   {84.1f, 10, 1},   {10, 57.6f, 2},  {10, 57.9f, 1},
      {755.0f, 10, -6}, {755.4f, 10, 0},  {10, 519.4f, -6}, {10, 519.9f, 0},
  };
  for (const Case& c : cases) {
    int box = Box(400, 200, c.w, c.h);
    FitCameraToStage();
    EXPECT_EQ(g_zoomLevel, c.level) << c.w << " x " << c.h;
    EXPECT_FLOAT_EQ(g_cameraPos.z, (float)(50 * c.level - 150));
    DestroyItem(box);
  }
}
