#include "render/view_state.h"

int32_t g_buttonHover[kButtonCount] = {};
int32_t g_mouseOverButton = 0;
int32_t g_paletteIndex = 0;
int32_t g_fastScroll = 0;
int32_t g_connectTarget = -1;
int32_t g_bandSelecting = 0;
int32_t g_dollLaunchCounter = 60;
