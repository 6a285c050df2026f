// The main window's procedure: menu commands and accelerator keys, dropped
// files, the close request and Escape, the mouse wheel, activation and the
// frames drawn on WM_PAINT. Mouse buttons and every other key are polled by
// the per-frame update instead.
#pragma once
#include "platform/win_message.h"
#include "platform/win_types.h"

LRESULT MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The commands that are not about files (those are app/file_commands.h).
// Command 32778: a new, empty stage in stage editing with the goal type of
// the stage before it (the bell when coming from the title). Returns 0 when
// the user cancelled the save prompt and nothing changed.
int NewStageCommand();
// Command 32817: enters a test play from stage editing, or leaves a test
// play (and its run) for stage editing.
void TestPlaySwitchCommand();
// Command 32833: undo, and the redo of the undo (one level), in stage
// editing and the placing mode.
void UndoCommand();
// The close box, Escape and command 32783: asks to save a changed stage and
// quits unless the user cancelled. Returns 1 when the quit was posted.
int CloseRequest();
