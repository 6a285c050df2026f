// The goal reached during a run, and the clear list of play files.
#pragma once
#include <cstdint>

#include "game/clear_list.h"
#include "platform/win_message.h"
#include "world/update_state.h"

// Posted to the main window when a clear could not be recorded; wParam is 1
// when the list was refused as damaged (kClearListRefused), else 0. The
// message waits for the main loop because a goal is met inside the physics
// step, where no message box may run frames of its own.
constexpr UINT kMsgClearNotRecorded = WM_USER + 1;

// Marks the stage cleared; only the first call of a run acts. In stage
// editing it allows the play-file export; with a play or pause file loaded it
// records the stage ID in ClearList.dat, and a clear that could not be
// recorded is told the player (kMsgClearNotRecorded).
void HandleGoalReached();

// 1 when ClearList.dat in the program's folder lists the 16-byte stage ID.
int IsStageCleared(const uint32_t* stageId16);

// ClearList.dat in the program's folder, read once for many look-ups.
ClearListRead ReadClearedStages(ClearedStages* stages);
