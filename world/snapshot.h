// Snapshots: complete copies of the stage (item, body and joint tables plus
// the flattened joint-index lists) from which the stage is rebuilt. The game
// keeps the file snapshot, the run snapshot and two undo slots.
#pragma once
#include <cstdint>

#include "world/types.h"

// One undo slot: full-table buffers and a joint list of its own, and the
// stage's area with its state, so that an area edit is taken back like any
// other edit.
struct UndoSlot {
  StageItem* items;
  BodyState* bodies;
  JointRecord* joints;
  int32_t* jointList;
  AreaCorners area;
  int32_t areaState;  // AreaEditState: kAreaNone or kAreaDefined
};

extern StageItem* g_fileSnapshotItems;
extern BodyState* g_fileSnapshotBodies;
extern JointRecord* g_fileSnapshotJoints;
extern StageItem* g_runSnapshotItems;
extern BodyState* g_runSnapshotBodies;
extern JointRecord* g_runSnapshotJoints;
// The flattened joint list shared by the file and the run snapshot: a capture
// into either frees and replaces it.
extern int32_t* g_snapshotJointList;
// After a capture the length of the list just made; after a restore the
// number of entries consumed.
extern int32_t g_jointListLength;
extern UndoSlot g_undoSlots[2];
extern int32_t g_undoIndex;  // the slot the next undo restores

// Allocates the buffers of the four snapshot sets, zero-filled so that no
// uninitialised byte ever reaches a file. FreeSnapshotBuffers frees them and
// every joint list.
void AllocateSnapshotBuffers();
void FreeSnapshotBuffers();

// Copies the stage into the buffers. Mode 0 keeps only what belongs to the
// stage itself (items and joints made in stage editing); any other mode keeps
// everything. Refreshes every live joint's anchor from the engine.
void CaptureSnapshot(int mode, StageItem* items, BodyState* bodies, JointRecord* joints,
                     int32_t** jointList);

// Rebuilds the whole stage from a snapshot: every item gets new physics
// objects at its stored pose, at rest. A record that cannot be rebuilt (a
// kind without a physics recipe, sizes or a pose that are not finite) is
// reported once and its slot left free, together with the joints naming it.
void RestoreSnapshot(StageItem* items, BodyState* bodies, JointRecord* joints,
                     int32_t** jointList);

// Takes the present stage (CaptureSnapshot with the mode g_appMode) and its
// area into `slot`. An area caught in the middle of a right drag is kept as
// the drag's end would leave it: an undo brings back no drag. Does nothing
// before the buffers exist.
void CaptureUndoSlot(UndoSlot* slot);
// Rebuilds the stage and puts its area back from `slot`.
void RestoreUndoSlot(UndoSlot* slot);
// Both undo slots take the present state (with the present mode), so that an
// undo right afterwards changes nothing.
void ResetUndoPair();

// The end of a right drag on the area: the corners are ordered (corner1 left
// and top, corner2 right and bottom, y up), and an area narrower or lower
// than kMinAreaSide is removed (corner2 = corner1). Returns the state the
// area is left in, kAreaDefined or kAreaNone.
constexpr float kMinAreaSide = 5.0f;
AreaEditState FinishAreaDrag(AreaCorners* area);

// Empties the world and resets the stage state for a new stage. The goal type
// and the area corners are kept.
void ClearStage();
