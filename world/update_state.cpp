#include "world/update_state.h"

int32_t g_leftButtonDown = 0;
int32_t g_rightButtonDown = 0;
int32_t g_itemCount = 0;
int32_t g_goalPanelState = 0;
int32_t g_goalPanelAlpha = 0;
int32_t g_goalPanelHoldFrames = 0;
int32_t g_stageCleared = 0;
int32_t g_clearVerified = 0;
int32_t g_clearFlashAlpha = 0;
int32_t g_clearBlinkAngle = 0;
