// The goal reached during a run, and the clear list of play files.
#pragma once
#include <cstdint>

#include "world/update_state.h"

// Marks the stage cleared; only the first call of a run acts. In stage
// editing it allows the play-file export; with a play or pause file loaded it
// records the stage ID in ClearList.dat.
void HandleGoalReached();

// 1 when ClearList.dat in the program's folder lists the 16-byte stage ID.
int IsStageCleared(const uint32_t* stageId16);
