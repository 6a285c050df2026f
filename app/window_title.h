// The window title (program, stage, goal, changed mark, editor or play) and
// the switches between stage editing, placing and running.
#pragma once
#include <cstdint>

#include "app/menus.h"
#include "world/shell_state.h"

extern char g_windowTitle[260];  // the text last given to the window, CP932


// Builds the title and sets it on the window when it changed; keeps the
// overwrite-save and export items in step with the changed mark.
void UpdateWindowTitle();
// Leaves a test play or a run for stage editing (file kind 0 only): stops a
// run, removes the player's items. The title is left to the caller.
void ReturnToStageEditing(int fileKind);
// Sets the mode a newly loaded file needs (stage file: editing; play file:
// placing; pause file: left to the caller) and refreshes the title.
void SetModeForFileKind(int fileKind);
