// All of the window-system calls of the game in one include: window title and
// coordinates, menus, message boxes, keys, buttons and cursor.
#pragma once
#include "platform/win_dialog.h"
#include "platform/win_input.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
