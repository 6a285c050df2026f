// The near callback of every collide pass: the simulation step, the title
// screen's step and the editor's pick, connect and overlap queries.
#pragma once
#include <ode/ode.h>

#include <cstdint>

// Contacts found by every pass since start-up (each pair's count is added).
extern int32_t g_contactCount;

// Decides whether o1 and o2 touch and makes their contact joints in
// g_contactGroup by the game's surface rules. `data` is null for a physics
// step, or a CollisionQuery (zeroed by the caller) for the pick ray (best -1),
// the connect query (queryGeom set) and the overlap pass (all zero). Callers
// empty g_contactGroup right after the pass.
void HandleNearCollision(void* data, dGeomID o1, dGeomID o2);
