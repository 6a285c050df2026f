// Message boxes and dialog boxes.
//
// MessageBoxA takes CP932 text and caption. The platform layer records every
// box (as CP932 and as UTF-8, window_model.h) and lets the face answer it:
// the desktop face shows a modal box; the headless face answers from a
// script of queued answers (headless.h), or with the box's default button.
#pragma once
#include <string>
#include <vector>

#include "platform/win_message.h"
#include "platform/win_types.h"

// Buttons (the low four bits).
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
// Icons.
#define MB_ICONHAND 0x00000010u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0u
// Default button (the first unless one of these is given).
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFMASK 0x00000F00u
// Modality (all boxes are modal to the whole game).
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u

// Answers, also the ids of the OK and Cancel buttons of dialogs.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Shows a modal box; owner may be null. A null caption reads "Error".
// Returns the id of the button chosen.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// --- dialog boxes -----------------------------------------------------------------------
//
// A dialog is described as data by the application (DialogTemplate, registered
// under its resource id) and run modally by DialogBoxParamA: the dialog
// window and its controls are windows of the model (titles are the controls'
// texts), the dialog procedure gets WM_INITDIALOG and then the controls'
// WM_COMMAND / WM_NOTIFY, and the dialog's own loop dispatches every other
// window's messages too (a WM_PAINT of the main window included) until the
// procedure calls EndDialog. Enter in the dialog is the default button
// (IDOK unless a button has BS_DEFPUSHBUTTON), Escape and the close box are
// IDCANCEL. Positions and sizes in templates are dialog units: a unit is
// 6 / 4 pixels across and 12 / 8 pixels down.
typedef LONG_PTR INT_PTR;
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Control classes a template may name.
#define WC_BUTTONA "Button"
#define WC_EDITA "Edit"
#define WC_STATICA "Static"
#define WC_LISTVIEWA "SysListView32"

// Button styles
#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_GROUPBOX 0x0007u
// Edit styles
#define ES_LEFT 0x0000u
#define ES_AUTOHSCROLL 0x0080u
// Static styles
#define SS_LEFT 0x0000u
#define SS_NOTIFY 0x0100u
// Dialog styles
#define DS_MODALFRAME 0x80u
#define DS_CENTER 0x0800u

// Notification codes in the high word of WM_COMMAND's wParam.
#define BN_CLICKED 0
#define STN_CLICKED 0
#define EN_CHANGE 0x0300

#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define BM_CLICK 0x00F5

// SetWindowLongPtrA / GetWindowLongPtrA: the value a dialog procedure leaves
// as a message's result.
#define DWLP_MSGRESULT 0
#define GWLP_USERDATA (-21)

struct DialogControlTemplate {
  const char* className = WC_STATICA;
  const char* text = "";  // CP932
  int id = -1;
  DWORD style = WS_CHILD | WS_VISIBLE;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units, in the dialog's client area
};

struct DialogTemplate {
  const char* caption = "";  // CP932
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units; the client area's size
  std::vector<DialogControlTemplate> controls;
};

void RegisterDialogResource(int resourceId, DialogTemplate dialog);
const DialogTemplate* FindDialogResource(int resourceId);

// Runs the dialog modally; returns what EndDialog was given, -1 when there is
// no such template. The owner takes no input meanwhile.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam);
// Ends the dialog once its procedure returns; the dialog is destroyed then.
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int maxCount);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog units to pixels, in place.
BOOL MapDialogRect(HWND dialog, RECT* rect);
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
// Enter and Escape of a dialog (and keys meant for its controls): TRUE when
// msg was for the dialog and has been handled.
BOOL IsDialogMessageA(HWND dialog, MSG* msg);

// Opens a document or address ("open" only) with the desktop's program for
// it (a mail program for "mailto:"). Returns a value above 32 on success.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, int showCommand);

namespace platform {
// The most bytes the user may type into an edit box (EM_LIMITTEXT).
int GetEditLimit(HWND edit);
}  // namespace platform
