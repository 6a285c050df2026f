#include "world/shell_state.h"

#include "platform/win_window.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hWnd = nullptr;
HMENU g_editorMenu = nullptr;
HMENU g_playMenu = nullptr;
HMENU g_titleMenu = nullptr;
char g_appTitle[256] = "";
char g_programDir[256] = "";
MENUITEMINFOA g_menuItemInfo = {48, MIIM_STATE, 0, 0, 0, nullptr, nullptr, nullptr, 0,
                                nullptr, 0, nullptr};
Config g_config = {};
int32_t g_appInactive = 0;
char (&g_editorName)[40] = g_config.editorName;
int32_t g_isPlayFile = 0;

void SetEditorBarState(int position, UINT state) {
  g_menuItemInfo.fState = state;
  SetMenuItemInfoA(g_editorMenu, (UINT)position, TRUE, &g_menuItemInfo);
  DrawMenuBar(g_hWnd);
}

void SetEditorBarTextAndState(int position, char* text, UINT state) {
  g_menuItemInfo.fMask = MIIM_STATE | MIIM_STRING;
  g_menuItemInfo.dwTypeData = text;
  g_menuItemInfo.fState = state;
  SetMenuItemInfoA(g_editorMenu, (UINT)position, TRUE, &g_menuItemInfo);
  g_menuItemInfo.fMask = MIIM_STATE;
  DrawMenuBar(g_hWnd);
}
