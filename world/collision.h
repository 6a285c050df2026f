// The near callback of every collide pass: the simulation step, the title
// screen's step and the editor's pick, connect and overlap queries.
#pragma once
#include <ode/ode.h>

#include <cstdint>

#include "world/types.h"

// Contacts found by every pass since start-up (each pair's count is added).
extern int32_t g_contactCount;

// Decides whether o1 and o2 touch and makes their contact joints in
// g_contactGroup by the game's surface rules. `data` is null for a physics
// step, or a CollisionQuery (zeroed by the caller) for the pick ray (best -1),
// the connect query (queryGeom set) and the overlap pass (all zero). Callers
// empty g_contactGroup right after the pass.
void HandleNearCollision(void* data, dGeomID o1, dGeomID o2);

// One pass of the whole space (g_space) through HandleNearCollision: a
// physics step's (query null) or an editor query's. The items' joints are read
// once at the start, so the callback's joined and pinned tests cost nothing
// however many contacts the pass attaches; a pass made straight with
// dSpaceCollide asks the engine for them pair by pair, with the same answers.
// The caller empties g_contactGroup afterwards, as after any pass.
void CollideSpace(CollisionQuery* query);
