// The goal reached during a run, and the clear list of play files.
#pragma once
#include <cstdint>

extern int32_t g_stageCleared;     // 1 once the goal was reached in this run
extern int32_t g_clearVerified;    // a test play cleared the stage since its last edit
extern int32_t g_clearFlashAlpha;  // the clear flash, fading
extern int32_t g_clearBlinkAngle;  // degrees of the clear banner's blink

// Marks the stage cleared; only the first call of a run acts. In stage
// editing it allows the play-file export; with a play or pause file loaded it
// records the stage ID in ClearList.dat.
void HandleGoalReached();

// 1 when ClearList.dat in the program's folder lists the 16-byte stage ID.
int IsStageCleared(const uint32_t* stageId16);
