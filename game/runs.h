// Starting and stopping runs: the run snapshot, the camera hand-over, the
// Space key and the cursor that hides while the mouse rests during a run.
#pragma once
#include <cstdint>

#include "platform/win_types.h"

extern int32_t g_spaceKeyLatch;  // 1 from a Space press until Space is seen up
extern POINT g_lastRunMouse;     // client pixels of the mouse at the last run update

// From the placing mode only, and only while no player item lies outside the
// placement area and nothing overlaps (a refused start changes nothing):
// captures every item and joint into the run snapshot and enters the run.
void StartRun();
// From a run only: puts the stage back as it was at the start (items made
// during the run, the doll included, are gone), gives the camera back and
// shows the cursor.
void StopRun();
// Once per run update, before the physics step, with the mouse in client
// pixels: the cursor hides after 120 updates without movement and shows again
// on the next movement.
void UpdateRunCursor(POINT mouse);
// Once per update after the editor tools: a Space press stops a run or starts
// one from the placing mode; holding Space acts once; stage editing ignores it.
void HandleSpaceKey();
