// Window calls of the game: the window's title and its client coordinates.
//
// Titles are CP932 bytes inside the game; the platform layer stores them as
// given and turns them into UTF-8 only to show them (window_model.h).
// Menus: win_menu.h. Message boxes: win_dialog.h. Keys, buttons, cursor:
// win_input.h. All of them at once: win_user.h.
#pragma once
#include "platform/win_types.h"

BOOL IsWindow(HWND window);

// Sets the title (CP932, NUL-terminated; null means empty).
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Copies the title into buffer (at most maxCount - 1 bytes, never half of a
// double-byte character) with a NUL; returns the bytes copied, 0 on failure.
int GetWindowTextA(HWND window, LPSTR buffer, int maxCount);
int GetWindowTextLengthA(HWND window);

// Client coordinates: (0, 0) is the top-left of the client area.
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL ClientToScreen(HWND window, POINT* point);
