// Joints between items: every joint is a hinge about the world z axis (a fixed
// joint is a hinge with both stops at 0). Each item lists the joints that
// touch it in its jointIndexes array.
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
// Destroys the joint and takes it out of its items' lists. The first argument
// is not used.
void DestroyJoint(int item, int joint);
