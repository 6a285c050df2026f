#include "app/shell_globals.h"

#include "platform/win_window.h"

dGeomID g_pickRay = nullptr;
int32_t g_initDone = 0;
