// The headless face of the window system: what tests use to drive the game's
// input and read back what it showed, with no window on screen.
//
// Nothing is drawn. Keys, mouse buttons, the cursor and the clock are set by
// the test before each update; message boxes are answered from a queue of
// scripted answers (an empty queue answers with the box's default button:
// MB_DEFBUTTONn, else the first, IDOK or IDYES); menus, the title and the
// boxes shown are read back here.
//
//   HWND w = headless::MakeWindow();
//   g_hWnd = w;
//   headless::SetCursorClientPos(w, 320, 240);
//   headless::SetKey(VK_LBUTTON, true);
//   headless::QueueMessageBoxAnswer(IDCANCEL);
//   UpdateFrame();
//   EXPECT_EQ(headless::WindowTitleUtf8(w), "...");
//   EXPECT_FALSE(headless::MenuItemAt(GetMenu(w), 1).enabled);
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/win_files.h"
#include "platform/window_model.h"
#include "platform/win_types.h"

namespace headless {

// Forgets every window, menu, key, cursor, clock, message box and answer.
void Reset();

// A window with a 640 x 480 client area whose top-left lies at the given
// screen point.
HWND MakeWindow(const char* titleCp932 = "", HMENU menu = nullptr,
                POINT clientOrigin = POINT{0, 0});

// --- menus -------------------------------------------------------------------
struct MenuItemView {
  bool found = false;       // false: no such item (the other fields are empty)
  UINT id = 0;
  std::string textCp932;
  std::string textUtf8;
  UINT state = 0;           // raw MFS_* bits
  bool enabled = false;     // neither greyed nor disabled
  bool grayed = false;      // MF_GRAYED bit
  bool checked = false;
  bool separator = false;
  HMENU subMenu = nullptr;  // set for a pop-up entry
};
MenuItemView MenuItemAt(HMENU menu, int position);
// Searched through the pop-ups, depth first, like the MF_BYCOMMAND calls.
MenuItemView MenuItemById(HMENU menu, UINT id);
// Every entry of a menu, in order.
std::vector<MenuItemView> MenuItems(HMENU menu);
// The window's bar as last drawn (SetMenu, DrawMenuBar): top-level entries.
std::vector<MenuItemView> ShownMenuBar(HWND window);
int MenuBarDrawCount(HWND window);

// --- window title ------------------------------------------------------------
std::string WindowTitleCp932(HWND window);
std::string WindowTitleUtf8(HWND window);
int TitleSetCount(HWND window);  // SetWindowTextA calls on the window

// --- message boxes -----------------------------------------------------------
void QueueMessageBoxAnswer(int answer);  // used by the next box, in order
size_t PendingMessageBoxAnswers();
const std::vector<platform::MessageBoxRecord>& MessageBoxes();
void ClearMessageBoxes();

// --- cursor ------------------------------------------------------------------
int CursorDisplayCount();
bool CursorShown();

// --- keys, buttons and cursor position ------------------------------------------
// The state the next reading of a key sees (VK_LBUTTON, VK_SPACE, 'Z', ...);
// a key let go this way leaves no press behind.
void SetKey(int virtualKey, bool held);
// A key or button pressed and let go again before the game's next update,
// as a quick tap is: that update still sees it held (win_input.h).
void TapKey(int virtualKey);
void ReleaseAllKeys();
void SetCursorScreenPos(LONG x, LONG y);
// The monitors' bounding box as GetSystemMetrics reports it (unknown, all 0,
// until set; Reset forgets it).
void SetDesktop(LONG left, LONG top, LONG width, LONG height);
void SetCursorClientPos(HWND window, LONG x, LONG y);

// --- the user's actions as messages (posted; a loop takes them) -----------------
// Holds the key (SetKey) and posts WM_KEYDOWN / WM_KEYUP for it.
void KeyDown(HWND window, int virtualKey);
void KeyUp(HWND window, int virtualKey);
// Ctrl pressed, the key pressed and let go, Ctrl let go, as four key
// messages: an accelerator key of the game. Accelerators read the keys as
// they were held when each message was queued, so this works whenever the
// loop takes the messages.
void PressCtrlKey(HWND window, int virtualKey);
// One notch (+1 away from the user, -1 toward) of the wheel: WM_MOUSEWHEEL
// with notches x 120 in the high word of wParam and the cursor in lParam.
void Wheel(HWND window, int notches);
// A click on a menu item of the window's bar (as last drawn) or of one of its
// pop-ups: posts WM_COMMAND(id) and returns true when the item is there and
// enabled (a greyed item cannot be clicked), else posts nothing.
bool ChooseMenuCommand(HWND window, UINT id);
// The close box of the window's caption: posts WM_CLOSE.
void ClickCloseBox(HWND window);

// --- file dialogs and dropped files ------------------------------------------------------
// The next file dialog chooses this game path (CP932, '\' between folders).
// A path the dialog refuses (platform::FileDialogRefusal) is noted in its
// record and the dialog takes the next answer queued.
void QueueFileDialogAnswer(const std::string& gamePath);
// The next file dialog is cancelled (so is any dialog with no answer queued).
void QueueFileDialogCancel();
size_t PendingFileDialogAnswers();
const std::vector<platform::FileDialogRecord>& FileDialogs();
// Files dragged onto the window and let go at a client point: posts
// WM_DROPFILES when the window takes dropped files (false otherwise).
bool DropFiles(HWND window, const std::vector<std::string>& gamePaths,
               POINT clientPoint = POINT{320, 240},
               const std::vector<platform::UnheldPart>& unheld = {});

// --- dialogs ------------------------------------------------------------------------------
// What the user does in the next modal dialog, once its loop has nothing
// else to do: each action runs once, in order, with the dialog's window. A
// dialog whose actions are used up is answered with Escape (IDCANCEL).
void QueueDialogAction(std::function<void(HWND dialog)> action);
size_t PendingDialogActions();
// Replaces the text of an edit box as typed: cut to its EM_LIMITTEXT (whole
// characters), then EN_CHANGE to the dialog. False when there is no such box.
bool TypeIntoEdit(HWND dialog, int id, const std::string& textCp932);
// A click on an enabled button (or SS_NOTIFY static) of the dialog: posts
// its WM_COMMAND. False when there is no such control or it is disabled.
bool ClickControl(HWND dialog, int id);
// A key pressed in the dialog (VK_RETURN, VK_ESCAPE): posts WM_KEYDOWN to
// the control with the focus (or the dialog).
void PressKeyInDialog(HWND dialog, int virtualKey);
// The next pop-up menu (TrackPopupMenu) chooses this command (0: dismissed).
void QueuePopupMenuChoice(UINT id);
// Documents and addresses opened with ShellExecuteA, in UTF-8.
const std::vector<std::string>& OpenedDocuments();

// --- clock ---------------------------------------------------------------------
void SetTime(DWORD nowMs);       // switches timeGetTime to the manual clock
void AdvanceTime(DWORD ms);
void SetTimerCaps(UINT periodMin, UINT periodMax = 1000000);
std::vector<UINT> ActiveTimerPeriods();

// The face used while no desktop face is installed.
platform::WindowFace& Face();

}  // namespace headless
