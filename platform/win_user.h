// All of the window-system calls of the game in one include: window title and
// coordinates, menus, message boxes, keys, buttons and cursor, windows and
// their messages.
#pragma once
#include "platform/win_dialog.h"
#include "platform/win_files.h"
#include "platform/win_gdi.h"
#include "platform/win_input.h"
#include "platform/win_listview.h"
#include "platform/win_menu.h"
#include "platform/win_message.h"
#include "platform/win_window.h"
