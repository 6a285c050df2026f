#include "app/shell_globals.h"

#include "platform/win_window.h"

int32_t g_initDone = 0;
