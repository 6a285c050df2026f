// The application shell's globals that the rest of the game reads: the main
// window and its menus, the program's name and folder, the settings.
#pragma once
#include <cstdint>

#include <ode/ode.h>

#include "platform/d3d9.h"
#include "platform/d3dx9.h"
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
// The drawing device; the frame driver leaves this frame's view, projection
// and viewport on it, and the picking reads them back.
extern IDirect3DDevice9* g_device;
extern D3DVIEWPORT9 g_viewport;  // the device's viewport, as last fetched
// The 2-D batch every overlay picture and text goes through (made at start-up).
extern ID3DXSprite* g_sprite;
// Which device creation start-up succeeded with: 4 the best .. 1 the plainest
// (0 before start-up); the title screen shows it as pips.
extern int32_t g_deviceLevel;
// 1 while the main window is not the active one (kept by the window procedure).
extern int32_t g_appInactive;
extern dGeomID g_pickRay;        // the mouse's pick ray, in no space
extern char (&g_editorName)[40];  // the editor name kept in g_config
// 1 once start-up has made everything a frame needs; before that WM_PAINT
// draws nothing.
extern int32_t g_initDone;

// Sets the state (0 enabled, MFS_GRAYED greyed) of the editor bar's entry at
// a top-level position and redraws the bar.
void SetEditorBarState(int position, UINT state);
// The same with a new text (CP932) for the entry; the shared record's mask
// goes back to state only afterwards.
void SetEditorBarTextAndState(int position, char* text, UINT state);
