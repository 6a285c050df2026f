// Modal dialog boxes, their controls (button, edit, static, report list view),
// pop-up menus and opening documents.
#include <algorithm>
#include <cstring>
#include <map>
#include <numeric>

#include "platform/text_encoding.h"
#include "platform/win_listview.h"
#include "platform/win_user.h"
#include "platform/window_model.h"

namespace {

const char kDialogClass[] = "#32770";
// Posted to a list view to deliver a notification to its parent through the
// loop: wParam the code, lParam MAKELPARAM(item, subItem).
const UINT kListViewNotify = WM_USER + 0x7F01;

struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  LONG_PTR msgResult = 0;
  bool cancelOffered = false;  // a headless loop with nothing to do offered IDCANCEL
};

struct ControlState {
  int editLimit = 0x7FFFFFFE;
  LONG_PTR userData = 0;
  bool enabled = true;
};

struct DialogBoxState {
  std::map<int, DialogTemplate> templates;
  std::map<HWND, DialogState> dialogs;
  std::map<HWND, ControlState> controls;
  std::map<HWND, platform::ListViewModel> listViews;
  bool classesRegistered = false;
};

DialogBoxState& D() {
  static DialogBoxState* state = new DialogBoxState;
  return *state;
}

platform::WindowFace& Face() { return platform::CurrentFace(); }

ControlState& Control(HWND window) { return D().controls[window]; }

DialogState* Dialog(HWND window) {
  auto it = D().dialogs.find(window);
  return it == D().dialogs.end() ? nullptr : &it->second;
}

platform::ListViewModel* ListView(HWND window) {
  auto it = D().listViews.find(window);
  return it == D().listViews.end() ? nullptr : &it->second;
}

LRESULT DialogClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* d = Dialog(window);
  if (!d || !d->proc) return message == WM_CLOSE ? 0 : DefWindowProcA(window, message, wParam, lParam);
  DLGPROC proc = d->proc;
  d->msgResult = 0;
  INT_PTR r = proc(window, message, wParam, lParam);
  d = Dialog(window);  // the procedure may have ended and destroyed things
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORSTATIC:
      return r;
    case WM_CLOSE:
      // The close box is Cancel.
      if (!r) PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return 0;
    default:
      return r && d ? d->msgResult : 0;
  }
}

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_CLICK) {
    if (!IsWindowEnabled(window)) return 0;
    SendMessageA(GetParent(window), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED), reinterpret_cast<LPARAM>(window));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT TextControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case EM_LIMITTEXT:
      Control(window).editLimit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam);
      return 0;
    case WM_SETTEXT:
      return SetWindowTextA(window, reinterpret_cast<LPCSTR>(lParam));
    case WM_GETTEXT:
      return GetWindowTextA(window, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Copies text into a caller's buffer of size bytes, cut at a whole character.
int CopyOut(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  size_t n = 0;
  while (n < text.size()) {
    size_t len = Cp932CharLength(static_cast<unsigned char>(text[n]));
    if (n + len > static_cast<size_t>(size - 1) || n + len > text.size()) break;
    n += len;
  }
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

void SetRowTexts(platform::ListViewRow& row, size_t columns) {
  if (row.texts.size() < columns) row.texts.resize(columns);
}

void NotifyParent(HWND listView, UINT code, int item, int subItem) {
  platform::ListViewModel* lv = ListView(listView);
  if (!lv) return;
  NMITEMACTIVATE nm{};
  nm.hdr.hwndFrom = listView;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(listView));
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iSubItem = subItem;
  if (item >= 0 && item < static_cast<int>(lv->rows.size())) nm.lParam = lv->rows[item].param;
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(listView, &p);
  nm.ptAction = p;
  // NMITEMACTIVATE begins with the fields of NMLISTVIEW, so either reads it.
  SendMessageA(GetParent(listView), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

LRESULT ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    D().listViews[window] = platform::ListViewModel{};
    return 0;
  }
  if (message == WM_DESTROY) {
    D().listViews.erase(window);
    return 0;
  }
  platform::ListViewModel* lv = ListView(window);
  if (!lv) return DefWindowProcA(window, message, wParam, lParam);
  const int count = static_cast<int>(lv->rows.size());
  auto changed = [&] { Face().ListViewChanged(window); };
  switch (message) {
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD before = lv->exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      lv->exStyle = (lv->exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
      changed();
      return before;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return lv->exStyle;
    case LVM_INSERTCOLUMNA: {
      const LVCOLUMNA* c = reinterpret_cast<const LVCOLUMNA*>(lParam);
      if (!c) return -1;
      int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(lv->columns.size()));
      platform::ListViewColumn col;
      if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
      if (c->mask & LVCF_WIDTH) col.width = std::max(c->cx, 0);
      if (c->mask & LVCF_FMT) col.format = c->fmt & 3;
      lv->columns.insert(lv->columns.begin() + at, col);
      for (auto& row : lv->rows) {
        SetRowTexts(row, lv->columns.size() - 1);
        row.texts.insert(row.texts.begin() + std::min<size_t>(at, row.texts.size()), std::string());
      }
      changed();
      return at;
    }
    case LVM_GETCOLUMNWIDTH:
      return wParam < lv->columns.size() ? lv->columns[wParam].width : 0;
    case LVM_GETITEMCOUNT:
      return count;
    case LVM_INSERTITEMA: {
      const LVITEMA* it = reinterpret_cast<const LVITEMA*>(lParam);
      if (!it || it->iSubItem != 0) return -1;
      int at = std::clamp(it->iItem, 0, count);
      platform::ListViewRow row;
      row.texts.resize(lv->columns.size());
      if ((it->mask & LVIF_TEXT) && it->pszText && !row.texts.empty()) row.texts[0] = it->pszText;
      if (it->mask & LVIF_PARAM) row.param = it->lParam;
      if (it->mask & LVIF_STATE) row.state = it->state & it->stateMask;
      if ((row.state & LVIS_SELECTED) && (GetWindowLongPtrA(window, -16) & LVS_SINGLESEL))
        for (auto& r : lv->rows) r.state &= ~LVIS_SELECTED;
      if (row.state & LVIS_FOCUSED)
        for (auto& r : lv->rows) r.state &= ~LVIS_FOCUSED;
      lv->rows.insert(lv->rows.begin() + at, row);
      changed();
      return at;
    }
    case LVM_SETITEMA:
    case LVM_SETITEMTEXTA: {
      LVITEMA* it = reinterpret_cast<LVITEMA*>(lParam);
      int index = message == LVM_SETITEMTEXTA ? static_cast<int>(wParam) : (it ? it->iItem : -1);
      if (!it || index < 0 || index >= count || it->iSubItem < 0) return FALSE;
      platform::ListViewRow& row = lv->rows[index];
      SetRowTexts(row, lv->columns.size());
      if (message == LVM_SETITEMTEXTA || (it->mask & LVIF_TEXT)) {
        if (it->iSubItem >= static_cast<int>(row.texts.size())) return FALSE;
        row.texts[it->iSubItem] = it->pszText ? it->pszText : "";
      }
      if (message == LVM_SETITEMA && (it->mask & LVIF_PARAM) && it->iSubItem == 0) row.param = it->lParam;
      changed();
      return TRUE;
    }
    case LVM_GETITEMA:
    case LVM_GETITEMTEXTA: {
      LVITEMA* it = reinterpret_cast<LVITEMA*>(lParam);
      int index = message == LVM_GETITEMTEXTA ? static_cast<int>(wParam) : (it ? it->iItem : -1);
      if (!it || index < 0 || index >= count) return message == LVM_GETITEMA ? FALSE : 0;
      const platform::ListViewRow& row = lv->rows[index];
      int copied = 0;
      if (message == LVM_GETITEMTEXTA || (it->mask & LVIF_TEXT)) {
        std::string text = it->iSubItem >= 0 && it->iSubItem < static_cast<int>(row.texts.size())
                               ? row.texts[it->iSubItem]
                               : std::string();
        copied = CopyOut(text, it->pszText, it->cchTextMax);
      }
      if (message == LVM_GETITEMA) {
        if (it->mask & LVIF_PARAM) it->lParam = row.param;
        if (it->mask & LVIF_STATE) it->state = row.state & it->stateMask;
        return TRUE;
      }
      return copied;
    }
    case LVM_SETITEMSTATE: {
      const LVITEMA* it = reinterpret_cast<const LVITEMA*>(lParam);
      if (!it) return FALSE;
      int index = static_cast<int>(static_cast<INT_PTR>(wParam));
      if (index < -1 || index >= count) return FALSE;
      // A single-selection list has one selected (and one focused) row.
      bool single = (GetWindowLongPtrA(window, -16) & LVS_SINGLESEL) != 0;
      UINT exclusive = (it->stateMask & it->state & LVIS_FOCUSED) |
                       (single ? (it->stateMask & it->state & LVIS_SELECTED) : 0);
      for (int i = 0; i < count; ++i) {
        if (index != -1 && i != index) {
          if (index != -1) lv->rows[i].state &= ~exclusive;
          continue;
        }
        lv->rows[i].state = (lv->rows[i].state & ~it->stateMask) | (it->state & it->stateMask);
      }
      changed();
      return TRUE;
    }
    case LVM_GETITEMSTATE:
      return wParam < lv->rows.size() ? (lv->rows[wParam].state & static_cast<UINT>(lParam)) : 0;
    case LVM_GETNEXTITEM: {
      int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      UINT flags = static_cast<UINT>(lParam);
      for (int i = std::max(start + 1, 0); i < count; ++i) {
        UINT want = flags & (LVNI_SELECTED | LVNI_FOCUSED);
        if ((lv->rows[i].state & want) == want) return i;
      }
      return -1;
    }
    case LVM_FINDITEMA: {
      const LVFINDINFOA* f = reinterpret_cast<const LVFINDINFOA*>(lParam);
      if (!f) return -1;
      int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      for (int i = std::max(start + 1, 0); i < count; ++i) {
        const platform::ListViewRow& row = lv->rows[i];
        if ((f->flags & LVFI_PARAM) && row.param == f->lParam) return i;
        if ((f->flags & LVFI_STRING) && f->psz && !row.texts.empty() && row.texts[0] == f->psz)
          return i;
      }
      return -1;
    }
    case LVM_ENSUREVISIBLE:
      if (wParam >= lv->rows.size()) return FALSE;
      lv->topRow = static_cast<int>(wParam);
      changed();
      return TRUE;
    case LVM_DELETEITEM:
      if (wParam >= lv->rows.size()) return FALSE;
      lv->rows.erase(lv->rows.begin() + static_cast<long>(wParam));
      changed();
      return TRUE;
    case LVM_DELETEALLITEMS:
      lv->rows.clear();
      changed();
      return TRUE;
    case LVM_SORTITEMS: {
      PFNLVCOMPARE compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
      if (!compare) return FALSE;
      // The rows stay in place while the callback runs (it may look them up);
      // only the finished order is applied.
      std::vector<int> order(lv->rows.size());
      std::iota(order.begin(), order.end(), 0);
      std::vector<LPARAM> params;
      for (const auto& r : lv->rows) params.push_back(r.param);
      LPARAM sortParam = static_cast<LPARAM>(wParam);
      std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return compare(params[a], params[b], sortParam) < 0;
      });
      lv = ListView(window);
      if (!lv || lv->rows.size() != order.size()) return FALSE;
      std::vector<platform::ListViewRow> sorted;
      for (int i : order) sorted.push_back(std::move(lv->rows[i]));
      lv->rows = std::move(sorted);
      changed();
      return TRUE;
    }
    case kListViewNotify:
      NotifyParent(window, static_cast<UINT>(wParam), static_cast<SHORT>(LOWORD(lParam)),
                   static_cast<SHORT>(HIWORD(lParam)));
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClassOnce(const char* name, WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
}

void EnsureClasses() {
  if (D().classesRegistered) return;
  D().classesRegistered = true;
  RegisterClassOnce(kDialogClass, DialogClassProc);
  RegisterClassOnce(WC_BUTTONA, ButtonProc);
  RegisterClassOnce(WC_EDITA, TextControlProc);
  RegisterClassOnce(WC_STATICA, TextControlProc);
  RegisterClassOnce(WC_LISTVIEWA, ListViewProc);
}

bool IsDescendant(HWND window, HWND ancestor) {
  for (int depth = 0; window && depth < 32; ++depth) {
    if (window == ancestor) return true;
    window = GetParent(window);
  }
  return false;
}

int DefaultButtonId(HWND dialog) {
  for (HWND child : platform::GetChildWindows(dialog)) {
    platform::WindowInfo info = platform::GetWindowInfo(child);
    if (info.className == WC_BUTTONA && (info.style & 0xF) == BS_DEFPUSHBUTTON) return info.controlId;
  }
  return IDOK;
}

}  // namespace

namespace platform {

void ResetDialogState() {
  DialogBoxState& d = D();
  d.dialogs.clear();
  d.controls.clear();
  d.listViews.clear();
}

void RegisterBuiltinWindowClasses() { EnsureClasses(); }

int GetEditLimit(HWND edit) { return Control(edit).editLimit; }

const ListViewModel* GetListViewModel(HWND listView) { return ListView(listView); }

void ListViewSelectRow(HWND listView, int row) {
  ListViewModel* lv = ListView(listView);
  if (!lv) return;
  for (int i = 0; i < static_cast<int>(lv->rows.size()); ++i) {
    UINT& s = lv->rows[i].state;
    s = i == row ? (s | LVIS_SELECTED | LVIS_FOCUSED) : (s & ~(LVIS_SELECTED | LVIS_FOCUSED));
  }
}

void ListViewClickRow(HWND listView, int row, UINT code) {
  ListViewModel* lv = ListView(listView);
  if (!lv) return;
  if (row >= static_cast<int>(lv->rows.size())) row = -1;
  // A click below the rows leaves the selection as it is (with
  // LVS_SHOWSELALWAYS the user sees it stay).
  if (row >= 0) ListViewSelectRow(listView, row);
  PostMessageA(listView, kListViewNotify, code,
               MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(row)), 0));
}

void ListViewClickColumn(HWND listView, int column) {
  ListViewModel* lv = ListView(listView);
  if (!lv || column < 0 || column >= static_cast<int>(lv->columns.size())) return;
  PostMessageA(listView, kListViewNotify, LVN_COLUMNCLICK,
               MAKELPARAM(static_cast<WORD>(-1), static_cast<WORD>(column)));
}

}  // namespace platform

// --- templates and dialogs -----------------------------------------------------------------

void RegisterDialogResource(int resourceId, DialogTemplate dialog) {
  D().templates[resourceId] = std::move(dialog);
}

const DialogTemplate* FindDialogResource(int resourceId) {
  auto it = D().templates.find(resourceId);
  return it == D().templates.end() ? nullptr : &it->second;
}

BOOL MapDialogRect(HWND, RECT* rect) {
  if (!rect) return FALSE;
  rect->left = rect->left * 6 / 4;
  rect->right = rect->right * 6 / 4;
  rect->top = rect->top * 12 / 8;
  rect->bottom = rect->bottom * 12 / 8;
  return TRUE;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam) {
  uintptr_t id = reinterpret_cast<uintptr_t>(templateName);
  const DialogTemplate* found = id <= 0xFFFF ? FindDialogResource(static_cast<int>(id)) : nullptr;
  if (!found || !proc) return -1;
  const DialogTemplate t = *found;  // registration may change while it runs
  EnsureClasses();

  RECT r{t.x, t.y, t.x + t.cx, t.y + t.cy};
  MapDialogRect(nullptr, &r);
  POINT origin{0, 0};
  LONG ownerWidth = 0, ownerHeight = 0;
  if (const platform::WindowModel* o = platform::GetWindowModel(owner)) {
    origin = o->clientOrigin;
    ownerWidth = o->clientWidth;
    ownerHeight = o->clientHeight;
  }
  int width = r.right - r.left, height = r.bottom - r.top;
  int x = origin.x + r.left, y = origin.y + r.top;
  if (t.style & DS_CENTER) {
    x = origin.x + (ownerWidth - width) / 2;
    y = origin.y + (ownerHeight - height) / 2;
  }
  HWND dialog = CreateWindowExA(0, kDialogClass, t.caption, t.style & ~WS_VISIBLE, x, y, width,
                                height, owner, nullptr, nullptr, nullptr);
  if (!dialog) return -1;
  DialogState& d = D().dialogs[dialog];
  d.proc = proc;
  HWND firstTab = nullptr;
  for (const DialogControlTemplate& c : t.controls) {
    RECT cr{c.x, c.y, c.x + c.cx, c.y + c.cy};
    MapDialogRect(dialog, &cr);
    HWND control = CreateWindowExA(0, c.className, c.text, c.style | WS_CHILD, cr.left, cr.top,
                                   cr.right - cr.left, cr.bottom - cr.top, dialog,
                                   reinterpret_cast<HMENU>(static_cast<intptr_t>(c.id)), nullptr,
                                   nullptr);
    if (control && !firstTab && (c.style & WS_TABSTOP)) firstTab = control;
  }
  if (owner) EnableWindow(owner, FALSE);
  // The dialog holds the keyboard from its first message to its end, as
  // WhileModal (window_model.h) says why.
  platform::ReleaseAllKeys();
  if (SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), initParam) && firstTab)
    SetFocus(firstTab);

  DialogState* state = Dialog(dialog);
  if (state && !state->ended) ShowWindow(dialog, SW_SHOW);
  bool quit = false;
  int quitCode = 0;
  while ((state = Dialog(dialog)) && !state->ended) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = static_cast<int>(msg.wParam);
        break;
      }
      if (!IsDialogMessageA(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      continue;
    }
    if (Face().DialogIdle(dialog)) continue;
    if (Face().PumpEvents(true)) continue;
    // Nobody can act any more (a headless run out of script): the user
    // would press Escape; a dialog that refuses even that is abandoned.
    if (!state->cancelOffered) {
      state->cancelOffered = true;
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      continue;
    }
    state->ended = true;
    state->result = -1;
  }
  INT_PTR result = state ? state->result : -1;
  if (owner) EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
  D().dialogs.erase(dialog);
  if (owner && IsWindow(owner)) SetForegroundWindow(owner);
  platform::ReadKeysAfresh();
  if (quit) PostQuitMessage(quitCode);
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogState* d = Dialog(dialog);
  if (!d) return FALSE;
  d->ended = true;
  d->result = result;
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  for (HWND child : platform::GetChildWindows(dialog))
    if (platform::GetWindowInfo(child).controlId == id) return child;
  return nullptr;
}

int GetDlgCtrlID(HWND control) { return platform::GetWindowInfo(control).controlId; }

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int maxCount) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) {
    if (buffer && maxCount > 0) buffer[0] = '\0';
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(control, buffer, maxCount));
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SetWindowTextA(control, text) : FALSE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  if (!IsWindow(window)) return 0;
  if (index == DWLP_MSGRESULT) {
    if (DialogState* d = Dialog(window)) {
      LONG_PTR before = d->msgResult;
      d->msgResult = value;
      return before;
    }
  }
  if (index == GWLP_USERDATA) {
    LONG_PTR before = Control(window).userData;
    Control(window).userData = value;
    return before;
  }
  return 0;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  if (!IsWindow(window)) return 0;
  if (index == DWLP_MSGRESULT) {
    DialogState* d = Dialog(window);
    return d ? d->msgResult : 0;
  }
  if (index == GWLP_USERDATA) return Control(window).userData;
  if (index == -16) return static_cast<LONG_PTR>(platform::GetWindowInfo(window).style);  // GWL_STYLE
  return 0;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  if (!IsWindow(window)) return FALSE;
  ControlState& c = Control(window);
  BOOL wasDisabled = c.enabled ? FALSE : TRUE;
  c.enabled = enable != FALSE;
  Face().WindowEnabled(window, c.enabled);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  if (!IsWindow(window)) return FALSE;
  auto it = D().controls.find(window);
  return it == D().controls.end() || it->second.enabled ? TRUE : FALSE;
}

BOOL IsDialogMessageA(HWND dialog, MSG* msg) {
  if (!msg || !Dialog(dialog) || !IsDescendant(msg->hwnd, dialog)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    if (msg->wParam == VK_RETURN) {
      // A focused push button is the one Enter presses.
      HWND focus = GetFocus();
      int id = DefaultButtonId(dialog);
      if (focus && IsDescendant(focus, dialog) && platform::GetWindowInfo(focus).className == WC_BUTTONA)
        id = GetDlgCtrlID(focus);
      HWND button = GetDlgItem(dialog, id);
      if (!button || IsWindowEnabled(button))
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      return TRUE;
    }
    if (msg->wParam == VK_ESCAPE) {
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return TRUE;
    }
  }
  if (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP || msg->message == WM_CHAR) {
    // Typing is the face's business (its edit boxes); nothing more to do.
    return TRUE;
  }
  DispatchMessageA(msg);
  return TRUE;
}

// --- pop-up menus and documents ----------------------------------------------------------

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  if (!IsMenu(menu) || !IsWindow(owner)) return FALSE;
  UINT chosen = platform::WhileModal([&] { return Face().RunPopupMenu(menu, POINT{x, y}, owner); });
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  if (chosen) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
  return TRUE;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR, int) {
  const uintptr_t kFileNotFound = 2, kNoAssociation = 31, kOk = 42;
  if (!file || (operation && std::strcmp(operation, "open") != 0))
    return reinterpret_cast<HINSTANCE>(kNoAssociation);
  bool opened = Face().OpenDocument(Cp932ToUtf8(file));
  return reinterpret_cast<HINSTANCE>(opened ? kOk : kFileNotFound);
}
