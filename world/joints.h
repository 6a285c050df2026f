// Joints between items: every joint is a hinge about the world z axis (a fixed
// joint is a hinge with both stops at 0). Each item lists the joints that
// touch it in its jointIndexes array. A joint goes through DestroyJoint
// (joint_records.h), which the items use too.
#pragma once
#include "platform/d3dx_math.h"
#include "world/types.h"

// Joins two live items with a hinge at `anchor` and returns the joint's index,
// or -1 when nothing was made (full table, an item that is not live, an item
// joined to itself, or no memory for the lists). `builtIn` 0 makes a user
// joint (rotary), any other value a built-in one. The pair is recorded so that
// the second item's direction from the anchor is reached from the first's by a
// clockwise turn, which fixes the sense of the hinge angle.
int CreateHingeJoint(int itemA, int itemB, const D3DXVECTOR3* anchor, int builtIn);

// Gives `item` and everything jointed to it the assembly number `group`,
// leaving items that already carry a number alone. The launched doll's body
// passes the number on to g_dollGroup.
void MarkConnectedGroup(int item, int group);
// Renumbers every assembly: items without joints get 0; an assembly's number
// is 1 + the count of jointed items below its lowest member.
void NumberConnectedGroups();
// Moves everything jointed to `item` (which the caller has moved already) by
// `delta`. `visited` is 500 ints, zeroed by the caller. In the placing mode a
// joint to a stage part breaks with a burst of shards instead.
void MoveConnectedItems(int item, const D3DXVECTOR3* delta, int* visited);
// Turns everything jointed to `item` (which the caller has turned already) by
// `angleDeg` about g_rotationPivot. `visited` as above. In the placing mode a
// joint to a stage part tears every joint of the item.
void RotateConnectedItems(int item, float angleDeg, int* visited);
