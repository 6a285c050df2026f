#include "app/small_dialogs.h"

#include <cstdio>
#include <cstring>

#include "app/command_steps.h"
#include "app/dialogs.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"

HFONT g_gdiFont = nullptr;

const char kWebsiteLinkAddress[] = "https://www.ode.org/";
const char kBookLinkAddress[] =
    "https://www.worldcat.org/search?q=Game+Physics+Engine+Development";

void CreateLinkFont() {
  if (g_gdiFont) return;
  g_gdiFont = CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                          FIXED_PITCH | FF_MODERN, Cp932Text("ＭＳ ゴシック"));
}

void ReleaseLinkFont() {
  if (g_gdiFont) DeleteObject(g_gdiFont);
  g_gdiFont = nullptr;
}

namespace {

constexpr int kLinkTextSize = 101;  // a link's text: up to 100 bytes

bool IsLink(HWND dialog, HWND control) {
  if (!control || GetParent(control) != dialog) return false;
  int id = GetDlgCtrlID(control);
  return id == kIdcContactLink || id == kIdcSiteLink || id == kIdcWebsiteLink ||
         id == kIdcBookLink;
}

HCURSOR LinkCursor() {
  static HCURSOR hand = nullptr;
  if (!hand) hand = LoadCursorA(nullptr, IDC_HAND);
  if (!hand) hand = LoadCursorA(nullptr, IDC_ARROW);
  return hand;
}

// Links are drawn violet and underlined on the dialog's face, each exactly as
// wide as its text.
INT_PTR StyleLink(HWND control, HDC dc) {
  SelectObject(dc, g_gdiFont);
  SetTextColor(dc, RGB(128, 0, 255));
  SetBkMode(dc, TRANSPARENT);
  char text[kLinkTextSize];
  int length = GetWindowTextA(control, text, sizeof text);
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, text, length, &size);
  RECT r{0, 0, 0, 0};
  GetWindowRect(control, &r);
  SetWindowPos(control, nullptr, 0, 0, size.cx, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

void OpenContactMail(HWND dialog) {
  char address[kLinkTextSize];
  GetDlgItemTextA(dialog, kIdcContactLink, address, sizeof address);
  char uri[kLinkTextSize + 64];
  std::snprintf(uri, sizeof uri, Cp932Text("mailto:%s?subject=ギズモワークスについて"), address);
  ShellExecuteA(dialog, "open", uri, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

INT_PTR AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      CreateLinkFont();
      SetFocus(GetDlgItem(dialog, IDOK));
      SetDlgItemTextA(dialog, kIdcVersionText, g_appTitle);
      return FALSE;  // the focus is set by hand
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (IsLink(dialog, control)) return StyleLink(control, reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      if (!IsLink(dialog, reinterpret_cast<HWND>(wParam))) return FALSE;
      SetCursor(LinkCursor());
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: EndDialog(dialog, 0); break;
        case kIdcContactLink: OpenContactMail(dialog); break;
        case kIdcWebsiteLink:
          ShellExecuteA(dialog, "open", kWebsiteLinkAddress, nullptr, nullptr, SW_SHOWNORMAL);
          break;
        case kIdcBookLink:
          ShellExecuteA(dialog, "open", kBookLinkAddress, nullptr, nullptr, SW_SHOWNORMAL);
          break;
        default: break;  // the site link (1001) looks like a link and does nothing
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR EditorNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetFocus(GetDlgItem(dialog, kIdcEditorNameEdit));
    // The name from Config.dat need not end inside its field.
    char name[sizeof g_editorName + 1];
    std::memcpy(name, g_editorName, sizeof g_editorName);
    name[sizeof g_editorName] = '\0';
    SetDlgItemTextA(dialog, kIdcEditorNameEdit, name);
    SendDlgItemMessageA(dialog, kIdcEditorNameEdit, EM_LIMITTEXT, kEditorNameLimit, 0);
  } else if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    // Whole characters only, and always an end within the 40-byte field.
    char name[sizeof g_editorName];
    GetDlgItemTextA(dialog, kIdcEditorNameEdit, name, sizeof name);
    if (name[0] == '\0') {
      MessageBoxA(g_hWnd, Cp932Text("エディター名を入力してください。"), g_appTitle, MB_OK);
      return FALSE;
    }
    std::memset(g_editorName, 0, sizeof g_editorName);
    std::memcpy(g_editorName, name, std::strlen(name));
    // A name the player gave is kept at shut-down, even where the settings
    // file could not be read at start-up: they said what it should hold.
    g_keepConfigFile = 0;
    UpdateWindowTitle();
    EndDialog(dialog, 0);
  } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, 0);
  }
  return FALSE;
}

void ForceForegroundWindow(HWND window) {
  DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  DWORD ownThread = GetWindowThreadProcessId(window, nullptr);
  AttachThreadInput(ownThread, foregroundThread, TRUE);
  DWORD lockTimeout = 0;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  SetForegroundWindow(window);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                        reinterpret_cast<void*>(static_cast<uintptr_t>(lockTimeout)), 0);
  AttachThreadInput(ownThread, foregroundThread, FALSE);
}

void TellClearNotRecorded(bool listDamaged) {
  ShowCursorForCommand();  // a run hides it
  const char* text =
      listDamaged
          ? Cp932Text("ClearList.datが壊れているため、クリアを記録できませんでした。\n"
                      "ファイルは元のままです。")
          : Cp932Text("クリアを記録できませんでした。\n"
                      "プログラムのフォルダーとClearList.datに書き込めるか確認してください。");
  MessageBoxA(g_hWnd, text, g_appTitle, MB_OK);
}
