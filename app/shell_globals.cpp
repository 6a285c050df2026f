#include "app/shell_globals.h"

int32_t g_initDone = 0;
int32_t g_keepConfigFile = 0;
