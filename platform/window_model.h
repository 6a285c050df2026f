// The window system's state, owned by the platform layer.
//
// The game talks to the window system only through the Windows-named calls of
// win_window.h, win_message.h, win_menu.h, win_dialog.h, win_listview.h,
// win_files.h, win_gdi.h, win_input.h and winmm.h (all of them: win_user.h).
// Those calls read and change the model declared here and beside them:
// windows (title, menu bar, client area, procedure), the message queue, menus
// (bars and pop-ups with their items), dialogs and their controls, the key
// and mouse-button state, the cursor position and display count, the clock,
// and the message boxes and file dialogs shown.
//
// A "face" shows the model and feeds it:
// - the headless face (headless.h) is built in and is what tests use: input,
//   clock, message-box, file-dialog, dialog and pop-up-menu answers are
//   scripted, and nothing is drawn;
// - the desktop face (gtk_face.h) renders windows, menu bars, dialogs and
//   boxes in real windows and feeds key, button, pointer and window events
//   into the model through the setters below and into the message queue. It
//   registers itself with SetWindowFace.
// Nothing in this header depends on any toolkit.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform {

// One entry of a menu. Texts are CP932 bytes as the game gives them: '&'
// marks the mnemonic letter, a tab separates the accelerator text.
struct MenuItemModel {
  UINT id = 0;              // command id; 0 for pop-up entries and separators
  UINT type = 0;            // MFT_STRING (0) or MFT_SEPARATOR
  UINT state = 0;           // MFS_* bits: greyed 1, disabled 2, checked 8, ...
  std::string text;         // CP932
  HMENU subMenu = nullptr;  // the pop-up this entry opens, or null
  ULONG_PTR data = 0;       // application data (MIIM_DATA)
};

struct MenuModel {
  bool isBar = false;  // CreateMenu (a bar) or CreatePopupMenu
  std::vector<MenuItemModel> items;
};

struct WindowModel {
  std::string title;           // CP932
  HMENU menu = nullptr;        // the menu bar (SetMenu), or null
  POINT clientOrigin = {0, 0}; // top-left of the client area, screen pixels
  LONG clientWidth = 640;
  LONG clientHeight = 480;
  // The top-level entries of the menu bar as they were when last drawn
  // (SetMenu, DrawMenuBar): a change to the bar shows only once redrawn.
  std::vector<MenuItemModel> shownMenuBar;
  int titleSetCount = 0;       // SetWindowTextA calls that reached the window
  int menuBarDrawCount = 0;    // DrawMenuBar calls
};

// A message box as the game asked for it.
struct MessageBoxRequest {
  HWND owner = nullptr;
  UINT type = 0;             // MB_* flags
  std::string text;          // CP932
  std::string caption;       // CP932
};

// A message box that was shown, with the answer it gave.
struct MessageBoxRecord {
  HWND owner = nullptr;
  UINT type = 0;
  std::string textCp932, captionCp932;
  std::string textUtf8, captionUtf8;
  int answer = 0;            // IDOK, IDCANCEL, IDYES, IDNO, ...
};

// A file dialog as the game asked for it.
struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::string title;                 // CP932
  struct Filter {
    std::string text;                // CP932, as shown
    std::vector<std::string> patterns;  // "*.stg", ...
  };
  std::vector<Filter> filters;
  int filterIndex = 1;               // 1-based, the one shown first
  std::string folder;                // game path of the folder it opens in
  std::string fileName;              // the name proposed (a save dialog), CP932
  DWORD flags = 0;                   // OFN_*
  size_t longestPath = 0;            // the most bytes of path the caller holds
};

struct FileDialogRecord {
  FileDialogRequest request;
  bool chosen = false;
  std::string path;                  // game path chosen
  // Paths the dialog would not close on (FileDialogRefusal), in order.
  std::vector<std::string> refused;
  // What the dialog told the user while it stayed open (UTF-8), in order.
  std::vector<std::string> told;
};

// The desktop face's hooks. Every notification comes after the model has
// changed; the face reads the model to render it.
class WindowFace {
 public:
  virtual ~WindowFace() = default;
  virtual void TitleChanged(HWND) {}
  virtual void MenuBarChanged(HWND) {}       // SetMenu or DrawMenuBar
  virtual void MenuChanged(HMENU) {}         // any change of a menu's items
  virtual void CursorShownChanged(bool /*shown*/) {}
  // Shows the box modally and returns the button chosen (one of the box's
  // buttons; anything else is taken as the box's default button).
  virtual int RunMessageBox(const MessageBoxRequest& request) = 0;

  // Windows (win_message.h). Each comes after the model has changed.
  virtual void WindowCreated(HWND) {}
  virtual void WindowDestroyed(HWND) {}    // before the model forgets it
  virtual void WindowShown(HWND, bool /*visible*/) {}
  virtual void WindowMoved(HWND) {}        // SetWindowPos, MoveWindow
  virtual void WindowRaised(HWND) {}       // SetForegroundWindow
  virtual void FocusSet(HWND) {}           // SetFocus
  virtual void CursorSet(int /*systemCursorId*/) {}  // SetCursor: 32512 arrow, 32649 hand
  // Turns the desktop's waiting events into input and messages. With wait,
  // blocks until at least one event came; returns false when no event can
  // ever come (nothing to wait for).
  virtual bool PumpEvents(bool /*wait*/) { return false; }
  // Waits for the desktop's events until the system's monotonic clock
  // (CLOCK_MONOTONIC) reaches monotonicNs, handling those that come; returns
  // as soon as one came or the time is reached. False when the face has no
  // events to wait for (the caller then sleeps to the time itself).
  virtual bool WaitEventsUntil(int64_t /*monotonicNs*/) { return false; }
  // Shows a modal file dialog; true with the game path chosen (and the
  // 1-based filter in use), false when cancelled.
  virtual bool RunFileDialog(const FileDialogRequest&, std::string* /*gamePath*/,
                             int* /*filterIndex*/) {
    return false;
  }

  // Dialogs (win_dialog.h). The dialog window ("#32770") and its controls
  // come through WindowCreated like every window; these come besides.
  // A modal dialog's loop found no message: the face may act for the user
  // (the headless face runs scripted actions); true when it did something.
  virtual bool DialogIdle(HWND /*dialog*/) { return false; }
  virtual void WindowEnabled(HWND, bool /*enabled*/) {}
  // Rows, columns, texts or states of a list view changed.
  virtual void ListViewChanged(HWND) {}
  // Shows a pop-up menu at a screen point until it is closed; returns the
  // command id chosen, 0 when none was.
  virtual UINT RunPopupMenu(HMENU, POINT /*screen*/, HWND /*owner*/) { return 0; }
  // Opens a document or address (UTF-8) with the desktop's program for it.
  virtual bool OpenDocument(const std::string& /*utf8*/) { return false; }
  // The bounding box of the monitors in screen pixels (the virtual screen);
  // false while it is not known.
  virtual bool DesktopRect(RECT* /*screen*/) { return false; }
  // The modifiers held on the keyboard now (kShiftHeld, ...), -1 when the
  // desktop cannot tell.
  virtual int ModifiersHeld() { return -1; }
};

// Installs the desktop face; null goes back to the headless face.
void SetWindowFace(WindowFace* face);
// The desktop face when one is installed, else the headless face.
WindowFace& CurrentFace();

// --- windows ---------------------------------------------------------------
// Makes a window: what the desktop face (or a test) gets for the main window.
HWND CreateWindowModel(const char* titleCp932, HMENU menu, POINT clientOrigin,
                       LONG clientWidth = 640, LONG clientHeight = 480);
void DestroyWindowModel(HWND window);
const WindowModel* GetWindowModel(HWND window);  // null: not a window
void SetWindowClientOrigin(HWND window, POINT clientOrigin);  // the window moved
void SetWindowClientSize(HWND window, LONG width, LONG height);
// The user changed a control's text (an edit box): the model takes it
// without telling the face back.
void SetWindowTextFromFace(HWND window, const std::string& cp932);

// --- menus -----------------------------------------------------------------
const MenuModel* GetMenuModel(HMENU menu);  // null: not a live menu

// --- input -----------------------------------------------------------------
// Key and button state by virtual-key code (VK_LBUTTON, VK_SPACE, 'A', ...).
// VK_SHIFT, VK_CONTROL and VK_MENU also count as held while their left or
// right form is held. IsKeyHeld also reports a key pressed since the last
// FinishInputPoll (win_input.h); ReleaseAllKeys forgets those presses too.
// A press of a key already down (the desktop's auto-repeat) is no new press.
void SetKeyHeld(int virtualKey, bool held);
// The key's state alone, as the next reading is to see it: a press let go
// this way is not remembered (tests that set the keys before each step).
void SetKeyState(int virtualKey, bool held);
bool IsKeyHeld(int virtualKey);
// Nothing held any more, for polling and for the accelerators alike: another
// window is taking the keyboard, so keys let go there would stay held here.
void ReleaseAllKeys();
// The keyboard back from another window (a modal one closed, the focus came
// back): nothing held but the modifiers the desktop says are held now.
void ReadKeysAfresh();
// Runs a modal window (dialog, message box, file chooser, pop-up menu) and
// returns what run returns. The window takes the keyboard and the mouse: what
// is let go there never reaches the game's window, so nothing counts as held
// meanwhile (a Ctrl+S whose S went up in the dialog would scroll for ever),
// and once it is gone the keys read as they are then (a Ctrl let go there
// must not make the next plain key a shortcut).
template <class Run>
auto WhileModal(Run run) {
  ReleaseAllKeys();
  auto result = run();
  ReadKeysAfresh();
  return result;
}
// Modifier bits as the desktop reports them held.
enum : int { kShiftHeld = 1, kCtrlHeld = 2, kAltHeld = 4 };
// Shift, Ctrl and Alt read as the desktop says they are held (polled keys).
void SetModifiersHeld(int held);
void SetCursorScreenPos(POINT screen);
POINT GetCursorScreenPos();

// ShowCursor's display counter (the cursor shows while it is >= 0).
int GetCursorDisplayCount();

// --- clock (WINMM) -----------------------------------------------------------
// By default timeGetTime reads the system's monotonic clock. Setting the time
// switches to a manual clock that moves only when told.
void SetManualClock(DWORD nowMs);
void AdvanceManualClock(DWORD ms);
void UseSystemClock();
bool ManualClockInUse();
// The moment, in nanoseconds of CLOCK_MONOTONIC, at which timeGetTime first
// reads `time` (a time already reached gives a moment not after now).
int64_t MonotonicNsWhenTimeReads(DWORD time);
void SetTimerCaps(UINT periodMin, UINT periodMax);  // what timeGetDevCaps reports
std::vector<UINT> GetActiveTimerPeriods();          // begun and not yet ended

// --- message boxes -----------------------------------------------------------
// The button a box of this type answers with when the user just confirms it:
// the MB_DEFBUTTONn button, else the first (IDOK, IDYES, IDABORT, IDRETRY).
int DefaultMessageBoxAnswer(UINT type);
const std::vector<MessageBoxRecord>& GetMessageBoxLog();
void ClearMessageBoxLog();

// Forgets every window, menu, key, cursor, clock and message-box state.
void ResetWindowSystem();

}  // namespace platform
