// The one physics world every stage lives in: world, collision space, ground
// plane and the group that collects contact joints between steps.
#pragma once
#include <ode/ode.h>

extern dWorldID g_world;
extern dSpaceID g_space;
extern dGeomID g_groundGeom;
extern dJointGroupID g_contactGroup;

// Initialises the engine and makes the world (gravity (0, -9.8, 0), ERP 0.8,
// CFM 0), a hash space, the ground plane y = 0 and the contact group.
void CreatePhysicsWorld();
// Destroys what CreatePhysicsWorld made, in reverse order, and closes the engine.
// Items must have been destroyed before.
void DestroyPhysicsWorld();
