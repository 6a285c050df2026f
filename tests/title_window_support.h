// The game's main window on the desktop face as the title screen has it, for
// the play list's window test and its benchmark: the game's window class with
// a procedure that keeps the window open, the title menu and the title text.
#pragma once
#include <cstring>

#include "app/menus.h"
#include "app/shell_globals.h"
#include "platform/text_encoding.h"
#include "platform/win_menu.h"
#include "platform/win_message.h"
#include "platform/win_window.h"

inline LRESULT KeepOpenProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(w, message, wParam, lParam);
}

// Makes g_hWnd with g_titleMenu (load that first); null when it fails.
inline HWND MakeTitleWindow() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = KeepOpenProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "Generic Game SDK Window";
  RegisterClassExA(&wc);
  std::strcpy(g_appTitle, Cp932Text("ギズモワークス Ver.1.10"));
  g_hWnd = CreateWindowExA(0, wc.lpszClassName, g_appTitle,
                           WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 40, 30, 640, 480,
                           nullptr, g_titleMenu, nullptr, nullptr);
  return g_hWnd;
}
