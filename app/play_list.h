// The play list: the modal dialog (kDialogPlayList, app/dialogs.h) from which
// a player chooses a play file.
#pragma once
#include "platform/win_dialog.h"
#include "platform/win_message.h"
#include "platform/win_types.h"

// Dialog procedure of the play list (commands 32782 and 32790).
INT_PTR PlayListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
