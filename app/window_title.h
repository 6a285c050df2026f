// The window title (program, stage, goal, changed mark, editor or play) and
// the switches between stage editing, placing and running (world/file_modes.h).
#pragma once
#include <cstdint>

#include "app/menus.h"
#include "world/file_modes.h"
#include "world/shell_state.h"

extern char g_windowTitle[260];  // the text last given to the window, CP932


// Builds the title and sets it on the window when it changed; keeps the
// overwrite-save and export items in step with the changed mark.
void UpdateWindowTitle();
