// The desktop face of the window system on GTK 3.
//
// Once installed, every top-level window that CreateWindowExA makes is shown
// as a GTK window: its menu bar rendered from the menu model (texts in UTF-8,
// greyed and checked states; a click posts WM_COMMAND), under it a GL area
// that is the client area (its size the window's client size, 640 x 480 for
// the game) and provides the drawing device's context (gl_context.h; the
// newest top-level window's context is the one IDirect3D9::CreateDevice
// uses). Keys, mouse buttons, the pointer and the wheel over it feed the
// input state (GetAsyncKeyState, GetCursorPos) and become WM_KEYDOWN /
// WM_KEYUP / WM_MOUSEWHEEL; the close box becomes WM_CLOSE, focus changes
// WM_ACTIVATE, files dropped from a file manager WM_DROPFILES, and the
// desktop uncovering the window WM_PAINT. Titles, the cursor's display count,
// message boxes and file dialogs are shown by it too.
//
// Nothing of GTK shows in this header: start-up code calls
//
//   std::string why;
//   if (!InstallGtkFace(&why)) { ... no display: report why and end ... }
//   RegisterClassExA(...); g_hWnd = CreateWindowExA(...);  // shown, GL ready
//   Direct3DCreate9(...)->CreateDevice(...);               // draws into it
//   ... the PeekMessageA / GetMessageA loop pumps the desktop's events ...
//
// and at the end DestroyWindow and UninstallGtkFace.
#pragma once
#include <string>
#include <vector>

#include "platform/gl_context.h"
#include "platform/win_types.h"

namespace platform {

// Opens the display (GTK) and installs the face. False, with the reason in
// *error, when there is no display. A second call does nothing and succeeds.
bool InstallGtkFace(std::string* error = nullptr);
// Goes back to the headless face; the windows still open are closed.
void UninstallGtkFace();
bool GtkFaceInstalled();
// Whether a D-Bus session bus can be reached: its address is given, or the
// runtime folder holds the bus socket. Without one the face keeps GSettings
// (the file chooser's settings) in memory for the run.
bool SessionBusReachable(const char* busAddress, const char* runtimeDir);

// The GL context of a top-level window's client area (null: not one of the
// face's windows).
GlContext* GtkWindowGlContext(HWND window);

// For window tests: the screen rectangle of a menu entry as shown now: the
// entry at position of the window's bar (menu = the bar) or of an open
// pop-up. False when it is not on screen.
bool GtkMenuEntryScreenRect(HWND window, HMENU menu, int position, RECT* rect);
// What a drop of URIs (a file manager's text/uri-list) on the window does:
// the local files among them reach the window as WM_DROPFILES. False when
// the window takes no files or none was local.
bool GtkDropUris(HWND window, const std::vector<std::string>& uris, POINT clientPoint);
// For window tests: whether a rendered menu entry shows a tick / is greyed.
bool GtkMenuEntryChecked(HWND window, HMENU menu, int position);
bool GtkMenuEntrySensitive(HWND window, HMENU menu, int position);
// For window tests: whether a dialog's control shows its whole text as laid
// out now (a static neither cut nor ellipsized; a list view every cell of its
// visible columns within its column), and a dialog's width as shown.
bool GtkControlTextShownWhole(HWND control);
int GtkDialogWidth(HWND dialog);
// The X11 window id of a top-level window (0: none), for xdotool.
unsigned long GtkNativeWindowId(HWND window);

}  // namespace platform
