// Menu calls of the game: menu bars and pop-ups, item states and texts.
//
// Menus live in the platform layer's model (window_model.h), addressed by
// HMENU handles; a window shows its bar (SetMenu), and changes to the bar's
// top-level entries show once DrawMenuBar is called. Items are reached by
// command id (MF_BYCOMMAND, which searches the pop-ups too, depth first) or by
// position (MF_BYPOSITION, counted from 0 within the one menu). Texts are
// CP932 bytes.
//
// Menu resources: the application registers the description of each menu
// under its resource id (RegisterMenuResource); LoadMenuA then builds a fresh
// copy of it, as often as asked.
#pragma once
#include <utility>
#include <vector>

#include "platform/win_types.h"

struct PlatformBitmap;
typedef PlatformBitmap* HBITMAP;

// Flags of AppendMenuA, EnableMenuItem, CheckMenuItem, GetMenuState.
#define MF_BYCOMMAND 0x00000000u
#define MF_BYPOSITION 0x00000400u
#define MF_STRING 0x00000000u
#define MF_SEPARATOR 0x00000800u
#define MF_POPUP 0x00000010u
#define MF_ENABLED 0x00000000u
#define MF_GRAYED 0x00000001u
#define MF_DISABLED 0x00000002u
#define MF_UNCHECKED 0x00000000u
#define MF_CHECKED 0x00000008u
#define MF_HILITE 0x00000080u
#define MF_DEFAULT 0x00001000u

// MENUITEMINFOA.fMask
#define MIIM_STATE 0x00000001u
#define MIIM_ID 0x00000002u
#define MIIM_SUBMENU 0x00000004u
#define MIIM_CHECKMARKS 0x00000008u
#define MIIM_TYPE 0x00000010u
#define MIIM_DATA 0x00000020u
#define MIIM_STRING 0x00000040u
#define MIIM_BITMAP 0x00000080u
#define MIIM_FTYPE 0x00000100u

// MENUITEMINFOA.fType
#define MFT_STRING 0x00000000u
#define MFT_SEPARATOR 0x00000800u

// MENUITEMINFOA.fState
#define MFS_ENABLED 0x00000000u
#define MFS_UNCHECKED 0x00000000u
#define MFS_GRAYED 0x00000003u
#define MFS_DISABLED 0x00000003u
#define MFS_CHECKED 0x00000008u
#define MFS_HILITE 0x00000080u
#define MFS_DEFAULT 0x00001000u

struct MENUITEMINFOA {
  UINT cbSize;     // 48 as the game fills it (the 32-bit record), or sizeof
  UINT fMask;      // which of the fields below a call reads or writes
  UINT fType;      // MIIM_FTYPE
  UINT fState;     // MIIM_STATE
  UINT wID;        // MIIM_ID
  HMENU hSubMenu;  // MIIM_SUBMENU
  HBITMAP hbmpChecked;    // MIIM_CHECKMARKS (kept by nothing here)
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;   // MIIM_DATA
  LPSTR dwTypeData;       // MIIM_STRING: CP932 text, NUL-terminated
  UINT cch;               // MIIM_STRING on a get: buffer size in, length out
  HBITMAP hbmpItem;       // MIIM_BITMAP (kept by nothing here)
};
typedef MENUITEMINFOA* LPMENUITEMINFOA;
typedef const MENUITEMINFOA* LPCMENUITEMINFOA;

// Resource ids as names, as the resource loaders take them.
#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)(WORD)(i))

HMENU CreateMenu();        // an empty menu bar
HMENU CreatePopupMenu();   // an empty pop-up
BOOL DestroyMenu(HMENU menu);  // with every pop-up it holds
BOOL IsMenu(HMENU menu);
// uFlags: MF_STRING (uIDNewItem the command id, lpNewItem the text),
// MF_SEPARATOR, or MF_POPUP (uIDNewItem the pop-up's HMENU); with MF_GRAYED,
// MF_DISABLED, MF_CHECKED for the initial state.
BOOL AppendMenuA(HMENU menu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
HMENU LoadMenuA(HINSTANCE instance, LPCSTR name);  // name: MAKEINTRESOURCEA(id)

int GetMenuItemCount(HMENU menu);                  // -1: not a menu
UINT GetMenuItemID(HMENU menu, int position);      // -1 for pop-ups and misses
HMENU GetSubMenu(HMENU menu, int position);        // null when no pop-up there

// Sets what info->fMask names: MIIM_STATE replaces the whole state (greyed and
// checked alike), MIIM_STRING the text, MIIM_FTYPE / MIIM_TYPE the type,
// MIIM_ID, MIIM_SUBMENU, MIIM_DATA. Fields outside the mask are not read.
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info);

// uEnable: MF_ENABLED, MF_GRAYED or MF_DISABLED, with MF_BYCOMMAND or
// MF_BYPOSITION. Returns the previous MF_GRAYED / MF_DISABLED bits, or -1
// when there is no such item.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT uEnable);
// uCheck: MF_CHECKED or MF_UNCHECKED, with MF_BYCOMMAND or MF_BYPOSITION.
// Returns the previous MF_CHECKED bit, or (DWORD)-1 when there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT uCheck);
// The item's MF_* state bits (with MF_POPUP, MF_SEPARATOR), or (UINT)-1.
UINT GetMenuState(HMENU menu, UINT item, UINT uFlags);
// Copies the item's text like GetWindowTextA; returns its length in bytes.
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT uFlags);

HMENU GetMenu(HWND window);
BOOL SetMenu(HWND window, HMENU menu);  // the bar is drawn anew at once
BOOL DrawMenuBar(HWND window);

// TrackPopupMenu
#define TPM_LEFTALIGN 0x0000u
#define TPM_RIGHTBUTTON 0x0002u
#define TPM_RETURNCMD 0x0100u

// Shows a pop-up menu at a screen point until the user chooses or leaves.
// The item chosen is posted to owner as WM_COMMAND; with TPM_RETURNCMD it is
// returned instead (0: none). Without TPM_RETURNCMD returns TRUE.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* rect);

// --- menu descriptions (the application's menu resources) ---------------------

// One entry of a menu description; build them with the helpers below.
struct MenuTemplateEntry {
  UINT flags = 0;          // MF_STRING, MF_SEPARATOR or MF_POPUP, | MF_GRAYED ...
  UINT id = 0;             // command id of an item
  const char* text = "";   // CP932
  std::vector<MenuTemplateEntry> items;  // a pop-up's entries
};

inline MenuTemplateEntry MenuItemEntry(UINT id, const char* textCp932, UINT stateFlags = 0) {
  return MenuTemplateEntry{MF_STRING | stateFlags, id, textCp932, {}};
}
inline MenuTemplateEntry MenuSeparatorEntry() {
  return MenuTemplateEntry{MF_SEPARATOR, 0, "", {}};
}
inline MenuTemplateEntry MenuPopupEntry(const char* textCp932,
                                        std::vector<MenuTemplateEntry> items,
                                        UINT stateFlags = 0) {
  return MenuTemplateEntry{MF_POPUP | stateFlags, 0, textCp932, std::move(items)};
}

// Builds a menu from a description: a bar when asBar, else a pop-up.
HMENU CreateMenuFromTemplate(const std::vector<MenuTemplateEntry>& entries, bool asBar = true);
// Registers the description of a menu bar under a resource id for LoadMenuA.
// A pop-up menu resource (one whose bar holds a single pop-up, taken with
// GetSubMenu(menu, 0)) is registered the same way.
void RegisterMenuResource(int resourceId, std::vector<MenuTemplateEntry> entries);
