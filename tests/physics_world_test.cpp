#include <gtest/gtest.h>

#include "world/physics_world.h"

TEST(PhysicsWorld, CreatesWorldSpaceGroundAndContactGroup) {
  CreatePhysicsWorld();
  ASSERT_NE(g_world, nullptr);
  ASSERT_NE(g_space, nullptr);
  ASSERT_NE(g_contactGroup, nullptr);
  dVector3 gravity;
  dWorldGetGravity(g_world, gravity);
  EXPECT_DOUBLE_EQ(gravity[0], 0.0);
  EXPECT_DOUBLE_EQ(gravity[1], -9.8);
  EXPECT_DOUBLE_EQ(gravity[2], 0.0);
  EXPECT_DOUBLE_EQ(dWorldGetERP(g_world), 0.8);
  EXPECT_DOUBLE_EQ(dWorldGetCFM(g_world), 0.0);
  ASSERT_NE(g_groundGeom, nullptr);
  EXPECT_EQ(dGeomGetClass(g_groundGeom), dPlaneClass);
  EXPECT_EQ(dGeomGetSpace(g_groundGeom), g_space);
  dVector4 plane;
  dGeomPlaneGetParams(g_groundGeom, plane);
  EXPECT_DOUBLE_EQ(plane[1], 1.0);
  EXPECT_DOUBLE_EQ(plane[3], 0.0);
  DestroyPhysicsWorld();
  EXPECT_EQ(g_world, nullptr);
  EXPECT_EQ(g_space, nullptr);
}
