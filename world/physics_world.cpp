#include "world/physics_world.h"

dWorldID g_world = nullptr;
dSpaceID g_space = nullptr;
dGeomID g_groundGeom = nullptr;
dJointGroupID g_contactGroup = nullptr;

void CreatePhysicsWorld() {
  dInitODE2(0);
  g_world = dWorldCreate();
  dWorldSetGravity(g_world, 0, -9.8, 0);
  dWorldSetERP(g_world, 0.8);
  dWorldSetCFM(g_world, 0);
  g_space = dHashSpaceCreate(nullptr);
  g_groundGeom = dCreatePlane(g_space, 0, 1, 0, 0);
  g_contactGroup = dJointGroupCreate(0);
}

void DestroyPhysicsWorld() {
  if (g_contactGroup) dJointGroupDestroy(g_contactGroup);
  if (g_space) dSpaceDestroy(g_space);  // also destroys the ground plane
  if (g_world) dWorldDestroy(g_world);
  g_contactGroup = nullptr;
  g_groundGeom = nullptr;
  g_space = nullptr;
  g_world = nullptr;
  dCloseODE();
}
