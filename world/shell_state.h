// The main window and its menus, the program's name and folder and the
// settings: handles the shell makes at start-up and every layer reads.
#pragma once
#include <cstdint>

#include "platform/win_menu.h"
#include "platform/win_types.h"
#include "world/types.h"

extern HINSTANCE g_hInstance;  // the program's instance: dialogs and resources
extern HWND g_hWnd;
extern HMENU g_editorMenu;  // menu bar of stage editing
extern HMENU g_playMenu;    // menu bar while a play or pause file is loaded
extern HMENU g_titleMenu;   // menu bar of the title screen
extern char g_appTitle[256];    // program name and version, CP932
extern char g_programDir[256];  // the program's folder with its trailing separator
// The one record every by-position change of the editor bar goes through. Its
// mask stays MIIM_STATE between calls, so state changes leave texts alone.
extern MENUITEMINFOA g_menuItemInfo;
extern Config g_config;
// 1 while the main window is not the active one (kept by the window procedure).
extern int32_t g_appInactive;
extern char (&g_editorName)[40];  // the editor name kept in g_config
extern int32_t g_isPlayFile;     // 1 while a play or pause file is loaded

// Sets the state (0 enabled, MFS_GRAYED greyed) of the editor bar's entry at
// a top-level position and redraws the bar.
void SetEditorBarState(int position, UINT state);
// The same with a new text (CP932) for the entry; the shared record's mask
// goes back to state only afterwards.
void SetEditorBarTextAndState(int position, char* text, UINT state);
