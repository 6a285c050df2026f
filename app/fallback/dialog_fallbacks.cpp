// Until the play list and the two small dialogs are built, these keep the
// program linkable: each dialog closes again as soon as it opens, and a drop
// brings the window to the front the plain way. They sit in a library that
// is linked after gamecore, so the real procedures, once gamecore has them,
// are taken instead and nothing here is used; then this file goes.
#include "app/play_list.h"
#include "app/small_dialogs.h"
#include "platform/win_window.h"

namespace {
INT_PTR CloseAtOnce(HWND dialog, UINT message) {
  if (message == WM_INITDIALOG) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}
}  // namespace

INT_PTR PlayListDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  return CloseAtOnce(dialog, message);
}
INT_PTR AboutDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  return CloseAtOnce(dialog, message);
}
INT_PTR EditorNameDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  return CloseAtOnce(dialog, message);
}
void ForceForegroundWindow(HWND window) { SetForegroundWindow(window); }
