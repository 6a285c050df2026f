// Releasing a joint: its engine hinge, its record in g_joints and the entries
// in its items' lists. It needs nothing but the tables, so it stands below
// both the items (an item that goes takes its joints with it) and the joints
// (a torn joint goes alone).
#pragma once

// Destroys the joint and takes it out of its items' lists. The first argument
// is not used.
void DestroyJoint(int item, int joint);
