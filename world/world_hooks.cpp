#include "world/world_hooks.h"

void (*g_titleChangedHook)() = nullptr;
void (*g_goalReachedHook)() = nullptr;
void (*g_stageLoadedHook)() = nullptr;
int (*g_saveRequestedHook)() = nullptr;
