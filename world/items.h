// Items: slots of g_items, each owning a physics body, a geom in g_space and,
// while fixed, a joint to the static world.
#pragma once
#include <ode/ode.h>

#include "platform/d3dx_math.h"
#include "world/types.h"

// Bodies of the goal objects, null when there is none. CreateItem sets the
// handle of its kind, DestroyItem clears a handle whose body goes away.
extern dBodyID g_goalBellBody;
extern dBodyID g_startBallBody;
extern dBodyID g_truckBody;
extern dBodyID g_rocketBody;
extern dBodyID g_toyBoxBody;
extern dBodyID g_dollBody;  // the launched doll's body part

// Makes an item of `kind` at `position` and returns its index, or -1 when
// nothing was made: a player kind outside the stage field, a full table, a
// kind without a physics recipe, a size the kind uses that is not finite or
// lies outside 0.01..10000 (after the kind's defaults, which a sizeA of 0
// selects), a position that is not finite or lies beyond 1e6, or a rotation
// that is not a finite rotation matrix. `rotation` null keeps the kind's own
// orientation; a given rotation replaces it. `movable` 0 makes a fixed item
// unless the kind decides itself.
int CreateItem(D3DXVECTOR3 position, const D3DXMATRIX* rotation, float sizeA, float sizeB,
               int kind, int movable);
// Removes a live item with its physics objects and every joint that touches
// it. A free slot (or an index outside the table) is left alone.
void DestroyItem(int item);

// One past the highest slot that may hold a live item: every slot from it on
// is free, so a pass over the live items can stop there. CreateItem raises it,
// DestroyItem lowers it over the free slots at the top, and a table written
// whole (a restored snapshot) sets it through FindLiveItemEnd.
extern int32_t g_liveItemEnd;
void FindLiveItemEnd();

// The live item whose geom this is, or -1. CreateItem tags each geom with its
// slot, so the answer costs nothing; a geom made elsewhere (a rebuilt stage)
// is found by a scan of the table once and tagged then.
int ItemOfGeom(dGeomID geom);

// Selects every live item made in the current mode.
void SelectAllItems();
// Clears the selection mark on every live item.
void ClearItemSelection();
