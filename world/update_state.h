// State that the per-frame update keeps and that other parts of the game set
// too: the mouse-button latches of the editor tools (a file opened from a
// menu sets both, so the click that chose it does not act on the new stage),
// the live item count, the goal panel and the clear flags of the run.
#pragma once
#include <cstdint>

extern int32_t g_leftButtonDown;   // 1 from a left press until its release
extern int32_t g_rightButtonDown;  // 1 from a right press until its release
extern int32_t g_itemCount;        // live items, recounted every update
// Goal panel: state 0 hidden, 1 fading in, 2 holding, 3 fading out; alpha
// 0..255; the hold counter.
extern int32_t g_goalPanelState;
extern int32_t g_goalPanelAlpha;
extern int32_t g_goalPanelHoldFrames;

// The goal reached (set by the game's goal handler, read by every layer).
extern int32_t g_stageCleared;     // 1 once the goal was reached in this run
extern int32_t g_clearVerified;    // a test play cleared the stage since its last edit
extern int32_t g_clearFlashAlpha;  // the clear flash, fading
extern int32_t g_clearBlinkAngle;  // degrees of the clear banner's blink
