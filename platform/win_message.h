// Windows with window procedures, the message queue and its loop, keyboard
// accelerators, window placement and activation.
//
// A window class names a window procedure; CreateWindowExA makes a window of
// a class and sends it WM_CREATE. Messages reach a procedure in two ways:
// SendMessageA calls it at once; PostMessageA (and the desktop face, for the
// user's input) appends to the one queue of the program, which the loop takes
// apart with PeekMessageA / GetMessageA and hands on with DispatchMessageA.
//
// The queue yields, in this order: posted messages (first in, first out);
// WM_QUIT once PostQuitMessage was called; WM_PAINT for a visible window that
// was invalidated (InvalidateRect, a new visible window, the desktop showing
// it again). A WM_PAINT taken off the queue validates its window; the
// procedure needs no BeginPaint. Before the queue is looked at, the face
// turns the desktop's waiting events into messages; the headless face has
// none, so tests post what the user would have done (headless.h).
//
// Window decorations belong to the desktop: a window's size is its client
// size, AdjustWindowRect grows nothing, and the menu bar lies outside the
// client area. Positions are screen pixels of the window's top-left corner.
#pragma once
#include <string>
#include <vector>

#include "platform/win_types.h"

typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct PlatformIcon;
struct PlatformCursor;
struct PlatformBrush;
struct PlatformAccelTable;
typedef PlatformIcon* HICON;
typedef PlatformCursor* HCURSOR;
typedef PlatformBrush* HBRUSH;
typedef PlatformAccelTable* HACCEL;
typedef void* HGDIOBJ;

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xFFFF))
#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)(((WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))
#define MAKELPARAM(lo, hi) ((LPARAM)(DWORD)(((WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))
#define MAKELRESULT(lo, hi) ((LRESULT)(DWORD)(((WORD)(lo)) | (((DWORD)(WORD)(hi)) << 16)))
#define GET_WHEEL_DELTA_WPARAM(w) ((SHORT)HIWORD(w))
#define WHEEL_DELTA 120

// --- messages ----------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ACTIVATEAPP 0x001C
#define WM_SETCURSOR 0x0020
#define WM_NOTIFY 0x004E
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MOUSEWHEEL 0x020A
#define WM_DROPFILES 0x0233
#define WM_USER 0x0400

#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1

// --- class and window styles ---------------------------------------------------
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u

#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define WS_MAXIMIZEBOX 0x00010000u
#define WS_EX_ACCEPTFILES 0x00000010u
#define WS_EX_CLIENTEDGE 0x00000200u

#define CW_USEDEFAULT ((int)0x80000000)

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// SetWindowPos
#define SWP_NOSIZE 0x0001u
#define SWP_NOMOVE 0x0002u
#define SWP_NOZORDER 0x0004u
#define SWP_NOREDRAW 0x0008u
#define SWP_NOACTIVATE 0x0010u
#define SWP_SHOWWINDOW 0x0040u

// Resource ids of system cursors, icons and stock objects.
#define IDC_ARROW ((LPCSTR)(ULONG_PTR)32512)
#define IDC_HAND ((LPCSTR)(ULONG_PTR)32649)
#define IDI_APPLICATION ((LPCSTR)(ULONG_PTR)32512)
#define WHITE_BRUSH 0
#define NULL_BRUSH 5
#define COLOR_BTNFACE 15

struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;          // CS_*
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;     // the cursor over the client area
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // timeGetTime() when it was queued
  POINT pt;    // cursor position (screen) when it was queued
};
typedef MSG* LPMSG;

// GetWindowPlacement
struct WINDOWPLACEMENT {
  UINT length;   // 44
  UINT flags;
  UINT showCmd;  // SW_SHOWNORMAL or SW_SHOWMINIMIZED
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;  // the restored window, even while minimised
};

// --- window classes and windows ------------------------------------------------
// Registers a class by name (cbSize must be sizeof(WNDCLASSEXA) or 48, the
// 32-bit record); a second registration of a name fails. Returns 0 on failure.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);

// Makes a window of a registered class. x, y: its screen position
// (CW_USEDEFAULT: 0); width, height: its client size. A top-level window
// (no WS_CHILD) gets menu as its bar; a child window (WS_CHILD, with a parent)
// takes menu as its control id. WM_CREATE (lParam: param itself) is sent
// before it returns; -1 from it destroys the window again and gives null. The desktop face shows a
// window created with WS_VISIBLE at once.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
// Sends WM_DESTROY to the window and then to its children, and forgets them.
BOOL DestroyWindow(HWND window);
// Default processing: WM_CLOSE destroys the window; everything else gives 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

BOOL ShowWindow(HWND window, int showCommand);  // returns whether it was visible
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
// Sends WM_PAINT at once when the window is invalid.
BOOL UpdateWindow(HWND window);
// Marks the window (null: every window) to be painted; the rectangle and the
// erase flag are not looked at (the game always repaints all of it).
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);

HWND SetFocus(HWND window);  // returns the window that had the focus
HWND GetFocus();
HWND GetParent(HWND window);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);  // the desktop face raises it
// One thread: every window belongs to thread 1.
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);
BOOL AttachThreadInput(DWORD attach, DWORD attachTo, BOOL doAttach);
#define SPI_GETFOREGROUNDLOCKTIMEOUT 0x2000u
#define SPI_SETFOREGROUNDLOCKTIMEOUT 0x2001u
// Only the foreground lock time-out is known: GET writes it to *param (a
// DWORD), SET takes it from the pointer's value itself. Nothing is saved.
BOOL SystemParametersInfoA(UINT action, UINT uiParam, void* param, UINT winIni);

// Leaves the rectangle as it is: decorations are the desktop's (see above).
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL hasMenu);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL hasMenu, DWORD exStyle);
// Moves and / or resizes (client size) the window; insertAfter is ignored.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND window, RECT* rect);
// length must be 44 (sizeof(WINDOWPLACEMENT)).
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);

// --- cursors, icons, brushes ------------------------------------------------------
// Only the system's cursors (instance null: IDC_ARROW, IDC_HAND) and icons
// exist; anything else gives null.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);  // returns the previous one
HGDIOBJ GetStockObject(int object);
void InitCommonControls();

// --- the message queue ----------------------------------------------------------
#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u

// filterMin and filterMax both 0 take every message; window null takes the
// messages of every window (and WM_QUIT). PM_NOREMOVE leaves it queued.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for a message through the face. Returns 0 for WM_QUIT, 1 otherwise,
// and -1 when the queue is empty and nothing can ever arrive (the headless
// face, where tests post every message before they run the loop).
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
// No character messages are made: nothing of the game reads them.
BOOL TranslateMessage(const MSG* msg);
// Calls the procedure of msg->hwnd (0 for thread messages and dead windows).
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// --- keyboard accelerators --------------------------------------------------------
#define FVIRTKEY 0x01
#define FNOINVERT 0x02
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10

struct ACCEL {
  BYTE fVirt;  // FVIRTKEY with FSHIFT, FCONTROL, FALT as the keys held
  WORD key;    // the virtual key ('A', VK_F1, ...)
  WORD cmd;    // the command id sent with WM_COMMAND
};

// Registers the accelerator table under a resource id for LoadAcceleratorsA.
void RegisterAcceleratorResource(int resourceId, std::vector<ACCEL> entries);
HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name);  // MAKEINTRESOURCEA(id)
// A WM_KEYDOWN / WM_SYSKEYDOWN whose key and held Shift, Ctrl and Alt (exactly
// those, as held when the message was queued, told by the key messages taken
// before it) match an entry becomes
// WM_COMMAND(MAKEWPARAM(cmd, 1), 0) sent to window; returns 1 then, else 0.
int TranslateAcceleratorA(HWND window, HACCEL table, MSG* msg);

// --- for faces and tests ------------------------------------------------------------
namespace platform {

// What the face keeps of a window besides window_model.h.
struct WindowInfo {
  bool found = false;
  std::string className;
  DWORD style = 0, exStyle = 0;
  HWND parent = nullptr;
  int controlId = 0;        // a child's id
  bool visible = false;
  bool minimized = false;
  bool invalid = false;     // a WM_PAINT is due
  bool obscured = false;    // the desktop says other windows cover all of it
  RECT windowRect = {0, 0, 0, 0};  // top-left screen position and client size
  RECT normalRect = {0, 0, 0, 0};  // the same, of the restored window
};
WindowInfo GetWindowInfo(HWND window);
std::vector<HWND> GetChildWindows(HWND parent);  // in creation order
void SetWindowExStyle(HWND window, DWORD exStyle);

// The desktop moved or minimised the window: its top-left corner and its
// client area's top-left, in screen pixels.
void SetWindowPlacementFromFace(HWND window, POINT windowPos, POINT clientOrigin, bool minimized);
// The desktop told whether other windows now cover all of the window's
// client area (not every desktop tells: a compositing one never does).
void SetWindowObscuredFromFace(HWND window, bool obscured);
// Whether a picture drawn into the window can be seen at all: false while it
// is minimised, hidden or, as far as the desktop tells, wholly covered.
// Drawing that nobody can see is left out; everything else goes on.
bool WindowCanBeSeen(HWND window);

// The wall-clock time (ns since the epoch) at which the first presented
// picture was handed to the desktop, its buffer swap done; 0 until then and
// in the headless face. The face notes it; start-up timing reads it.
int64_t FirstPictureShownWallNs();
void NoteFirstPictureShown();

// The desktop gave the focus to (active) or took it from the window: sends
// WM_ACTIVATE and, on activation, WM_SETFOCUS; a deactivation releases every
// key and button held.
void SetWindowActiveFromFace(HWND window, bool active);

// The messages queued now (tests look at them without taking them).
std::vector<MSG> PendingMessages();
// Drops every queued message and the quit request.
void ClearMessageQueue();
// A key message from the desktop with the modifiers it saw held as the key
// went down or up (kShiftHeld, ...): an accelerator takes those, not what
// earlier messages left, so a Ctrl let go in another window does not make a
// plain key a shortcut.
void PostKeyMessage(HWND window, UINT message, WPARAM key, LPARAM lParam, int modifiersHeld);
// The idle wait of a game loop: returns once a message is waiting or
// timeGetTime reads dueTime (compared by unsigned difference), whichever
// comes first, handling the desktop's events meanwhile. It wakes within the
// millisecond dueTime begins, never a timer tick after it, and uses no
// processor while it waits. Returns at once when a message is already
// waiting or the time has come. With the manual clock and a face without
// events (tests) the clock is moved on to dueTime, as a precise wait would.
void WaitForMessageOrTime(DWORD dueTime);

// The loop body of a game: while a message is waiting, takes it, gives it to
// the accelerators (when table is not null) and otherwise dispatches it.
// Returns false when it took WM_QUIT (its wParam goes to *exitCode).
bool DispatchWaitingMessages(HWND accelWindow, HACCEL table, int* exitCode = nullptr);

}  // namespace platform
