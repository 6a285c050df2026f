#include <gtest/gtest.h>

#include <cmath>

#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/pushes.h"
#include "world/rotations.h"

namespace {

class Pushes : public ::testing::Test {
 protected:
  void SetUp() override {
    CreatePhysicsWorld();
    g_appMode = kModeEdit;
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    DestroyPhysicsWorld();
  }
  static int Ball(float x, float y, int movable = 1) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, 0, 0, kKindBall, movable);
  }
  static D3DXVECTOR3 Force(int item) {
    D3DXVECTOR3 f;
    ConvertOdeVectorToVector3(dBodyGetForce(g_items[item].body), &f);
    return f;
  }
};

TEST_F(Pushes, RadialForceFadesWithDistanceAndPointsAway) {
  const D3DXVECTOR3 centre(400, 200, 0);
  const int right = Ball(425, 200);      // 25 away: half strength
  const int diagonal = Ball(415, 220);   // 25 away along (3, 4)
  const int edge = Ball(400, 250);       // exactly at the radius
  const int far = Ball(500, 200);
  ApplyRadialForce(&centre, 2000.0f, 50.0f);

  D3DXVECTOR3 f = Force(right);
  EXPECT_FLOAT_EQ(f.x, 1000.0f);
  EXPECT_EQ(f.y, 0.0f);
  EXPECT_EQ(f.z, 0.0f);
  f = Force(diagonal);
  EXPECT_FLOAT_EQ(f.x, 600.0f);
  EXPECT_FLOAT_EQ(f.y, 800.0f);
  EXPECT_FLOAT_EQ(D3DXVec3Length(&f), 1000.0f);
  f = Force(edge);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
  f = Force(far);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
}

TEST_F(Pushes, RadialForceSparesGrenadesAndReachesFixedItems) {
  const D3DXVECTOR3 centre(400, 200, 0);
  const int grenade = Ball(410, 200);
  g_items[grenade].kind = kKindGrenade;  // grenades only come from files
  const int fixed = Ball(390, 200, 0);
  ASSERT_EQ(g_items[fixed].state, kItemFixed);
  ApplyRadialForce(&centre, 2000.0f, 50.0f);
  D3DXVECTOR3 f = Force(grenade);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
  f = Force(fixed);
  EXPECT_FLOAT_EQ(f.x, -1600.0f);
}

TEST_F(Pushes, SleepingItemsAreWokenOnlyInsideTheReach) {
  const D3DXVECTOR3 centre(400, 200, 0);
  const int inside = Ball(430, 200);
  const int onCentre = Ball(400, 200);
  const int outside = Ball(460, 200);
  for (int i : {inside, onCentre, outside}) dBodyDisable(g_items[i].body);
  ApplyRadialForce(&centre, 2000.0f, 50.0f);
  EXPECT_TRUE(dBodyIsEnabled(g_items[inside].body));
  EXPECT_TRUE(dBodyIsEnabled(g_items[onCentre].body));
  EXPECT_FALSE(dBodyIsEnabled(g_items[outside].body));
  // The one on the centre has no direction and gets no (and no NaN) force.
  D3DXVECTOR3 f = Force(onCentre);
  EXPECT_EQ(f.x, 0.0f);
  EXPECT_EQ(f.y, 0.0f);
}

TEST_F(Pushes, RadialBlastMovesABallInARealStep) {
  const D3DXVECTOR3 centre(400, 10, 0);
  const int ball = Ball(420, 10);
  ApplyRadialForce(&centre, 2000.0f, 50.0f);
  dWorldQuickStep(g_world, kStepSize);
  EXPECT_GT(dBodyGetLinearVel(g_items[ball].body)[0], 0.0);
}

TEST_F(Pushes, ConeFactorFallsWithTheAngle) {
  const D3DXVECTOR3 origin(100, 100, 0);
  const D3DXVECTOR3 axis(1, 0, 0);
  const float r20 = 20.0f * kDegToRad;
  const float r31 = 31.0f * kDegToRad;
  const int onAxis = Ball(150, 100);
  const int at20 = Ball(100 + 50 * cosf(r20), 100 + 50 * sinf(r20));
  const int at31 = Ball(100 + 50 * cosf(r31), 100 - 50 * sinf(r31));
  const int behind = Ball(50, 100);
  for (int i : {onAxis, at20, at31, behind}) dBodyDisable(g_items[i].body);
  ApplyConeForce(&origin, &axis, 30.0f, 900.0f, 100.0f);

  // On the axis: full angle factor, half the reach.
  D3DXVECTOR3 f = Force(onAxis);
  EXPECT_FLOAT_EQ(f.x, 450.0f);
  EXPECT_NEAR(f.y, 0.0f, 1e-3);
  // 20 degrees off: a third for the angle, along the item's direction.
  f = Force(at20);
  EXPECT_NEAR(D3DXVec3Length(&f), 150.0f, 0.05f);
  EXPECT_NEAR(atan2f(f.y, f.x) * kRadToDeg, 20.0f, 1e-3);
  f = Force(at31);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
  f = Force(behind);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
  EXPECT_TRUE(dBodyIsEnabled(g_items[at20].body));
  EXPECT_FALSE(dBodyIsEnabled(g_items[at31].body));
  EXPECT_FALSE(dBodyIsEnabled(g_items[behind].body));
}

TEST_F(Pushes, ConePushesGrenadesButNotBeyondItsRange) {
  const D3DXVECTOR3 origin(100, 100, 0);
  const D3DXVECTOR3 axis(0, 1, 0);
  const int grenade = Ball(100, 125);
  g_items[grenade].kind = kKindGrenade;
  const int far = Ball(100, 150);
  ApplyConeForce(&origin, &axis, 45.0f, 1000.0f, 50.0f);
  D3DXVECTOR3 f = Force(grenade);
  EXPECT_FLOAT_EQ(f.y, 500.0f);
  f = Force(far);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
}

TEST_F(Pushes, DegenerateConeIsNoPush) {
  const D3DXVECTOR3 origin(100, 100, 0);
  const D3DXVECTOR3 axis(1, 0, 0);
  const int onAxis = Ball(120, 100);
  const int onOrigin = Ball(100, 100);
  ApplyConeForce(&origin, &axis, 0.0f, 1000.0f, 50.0f);
  ApplyConeForce(&origin, &axis, 360.0f, 1000.0f, 50.0f);  // reaches on-axis only
  D3DXVECTOR3 f = Force(onAxis);
  EXPECT_TRUE(std::isfinite(f.x));
  EXPECT_FLOAT_EQ(f.x, 600.0f);  // full angle factor, 30 of 50 reach
  f = Force(onOrigin);
  EXPECT_EQ(D3DXVec3Length(&f), 0.0f);
}

}  // namespace
