// Window classes, windows with procedures, the message queue and accelerators.
#include "platform/win_message.h"

#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>

#include "platform/win_user.h"
#include "platform/window_model.h"
#include "platform/winmm.h"

// The one call back into the dialog code: the system's own classes (the
// dialog and its controls) exist from the start, as any caller may make a
// window of them (the play list makes its list view so), and nothing starts
// the window system before its first window; so the first window of a class
// not registered registers them.
namespace platform {
void RegisterBuiltinWindowClasses();  // win_dialog_box.cpp
}

namespace {

struct WindowExtra {
  std::string className;
  WNDPROC proc = nullptr;
  DWORD style = 0, exStyle = 0;
  HWND parent = nullptr;
  int controlId = 0;
  bool visible = true;
  bool minimized = false;
  bool invalid = false;
  bool obscured = false;
  POINT pos = {0, 0};        // top-left corner, screen pixels
  POINT normalPos = {0, 0};  // the same while not minimised
  uint64_t order = 0;        // creation order
};

// A queued message; a key message from the desktop also carries the
// modifiers held as its key went down or up (kShiftHeld, ...), others -1.
struct Queued {
  MSG msg;
  int modifiers = -1;
};

struct MessageState {
  std::map<HWND, WindowExtra> windows;
  std::deque<Queued> queue;
  bool quit = false;
  int quitCode = 0;
  HWND focus = nullptr;
  HWND active = nullptr;
  HCURSOR cursor = nullptr;
  DWORD foregroundLockTimeout = 200000;
  uint64_t nextOrder = 1;
  // The keys as held when the message last taken off the queue was queued:
  // what accelerators look at, so a key let go before its message was taken
  // still counts as held for that message.
  bool queueKeys[256] = {};
};

struct ClassState {
  std::map<std::string, WNDCLASSEXA> classes;
  std::map<int, std::vector<ACCEL>> accelResources;
  std::map<uintptr_t, std::vector<ACCEL>> accelTables;
  uintptr_t nextAccel = 1;
};

MessageState& M() {
  static MessageState* state = new MessageState;
  return *state;
}

ClassState& C() {
  static ClassState* state = new ClassState;
  return *state;
}

platform::WindowFace& Face() { return platform::CurrentFace(); }

// The extras of a live window; windows made straight in the model (tests)
// get top-level, visible ones on first use.
WindowExtra* Extra(HWND window) {
  if (!window || !IsWindow(window)) return nullptr;
  auto it = M().windows.find(window);
  if (it != M().windows.end()) return &it->second;
  WindowExtra& e = M().windows[window];
  const platform::WindowModel* w = platform::GetWindowModel(window);
  e.pos = e.normalPos = w->clientOrigin;
  e.order = M().nextOrder++;
  return &e;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<std::pair<uint64_t, HWND>> found;
  for (auto& [h, e] : M().windows)
    if (e.parent == parent && IsWindow(h)) found.push_back({e.order, h});
  std::sort(found.begin(), found.end());
  std::vector<HWND> out;
  for (auto& f : found) out.push_back(f.second);
  return out;
}

// Children keep their place in the parent's client area when it moves.
void MoveDescendants(HWND window, LONG dx, LONG dy, int depth = 0) {
  if ((dx == 0 && dy == 0) || depth > 32) return;
  for (HWND child : ChildrenOf(window)) {
    WindowExtra& c = M().windows[child];
    c.pos.x += dx;
    c.pos.y += dy;
    c.normalPos = c.pos;
    POINT o = platform::GetWindowModel(child)->clientOrigin;
    platform::SetWindowClientOrigin(child, POINT{o.x + dx, o.y + dy});
    MoveDescendants(child, dx, dy, depth + 1);
  }
}

MSG MakeMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG m{};
  m.hwnd = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = timeGetTime();
  GetCursorPos(&m.pt);
  return m;
}

bool IsKeyMessage(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
         message == WM_SYSKEYUP;
}

void SetQueueModifiers(int held) {
  bool* k = M().queueKeys;
  k[VK_SHIFT] = (held & platform::kShiftHeld) != 0;
  k[VK_CONTROL] = (held & platform::kCtrlHeld) != 0;
  k[VK_MENU] = (held & platform::kAltHeld) != 0;
  k[VK_LSHIFT] = k[VK_RSHIFT] = k[VK_LCONTROL] = k[VK_RCONTROL] = k[VK_LMENU] = k[VK_RMENU] = false;
}

void TakeKeyMessage(const Queued& q) {
  const MSG& m = q.msg;
  if (!IsKeyMessage(m.message) || m.wParam >= 256) return;
  // The desktop's word on the modifiers first: the message's own key may be
  // one of them, and it goes down or up with this message.
  if (q.modifiers >= 0) SetQueueModifiers(q.modifiers);
  M().queueKeys[m.wParam] = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
}

bool QueueKeyHeld(int vk) {
  const bool* k = M().queueKeys;
  switch (vk) {
    case VK_SHIFT: return k[VK_SHIFT] || k[VK_LSHIFT] || k[VK_RSHIFT];
    case VK_CONTROL: return k[VK_CONTROL] || k[VK_LCONTROL] || k[VK_RCONTROL];
    case VK_MENU: return k[VK_MENU] || k[VK_LMENU] || k[VK_RMENU];
    default: return k[vk];
  }
}

bool Matches(const MSG& m, HWND window, UINT lo, UINT hi) {
  if (window && m.hwnd != window) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

bool InRange(UINT message, UINT lo, UINT hi) {
  return (lo == 0 && hi == 0) || (message >= lo && message <= hi);
}

// Takes (or, without remove, copies) the next message that the filter lets
// through, in the queue's order. False when there is none.
bool NextMessage(MSG* out, HWND window, UINT lo, UINT hi, bool remove) {
  auto& q = M().queue;
  for (auto it = q.begin(); it != q.end(); ++it) {
    if (!Matches(it->msg, window, lo, hi)) continue;
    *out = it->msg;
    if (remove) {
      TakeKeyMessage(*it);
      q.erase(it);
    }
    return true;
  }
  if (M().quit && InRange(WM_QUIT, lo, hi)) {
    *out = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(M().quitCode), 0);
    if (remove) M().quit = false;
    return true;
  }
  if (InRange(WM_PAINT, lo, hi)) {
    HWND due = nullptr;
    uint64_t order = 0;
    for (auto& [h, e] : M().windows) {
      if (!e.invalid || !e.visible || (window && h != window)) continue;
      if (!due || e.order < order) {
        due = h;
        order = e.order;
      }
    }
    if (due) {
      *out = MakeMsg(due, WM_PAINT, 0, 0);
      if (remove) M().windows[due].invalid = false;
      return true;
    }
  }
  return false;
}

LRESULT CallProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowExtra* e = Extra(window);
  if (!e) return 0;
  if (!e->proc) return DefWindowProcA(window, message, wParam, lParam);
  return e->proc(window, message, wParam, lParam);
}

bool HeldExactly(BYTE fVirt) {
  bool shift = QueueKeyHeld(VK_SHIFT);
  bool ctrl = QueueKeyHeld(VK_CONTROL);
  bool alt = QueueKeyHeld(VK_MENU);
  return shift == ((fVirt & FSHIFT) != 0) && ctrl == ((fVirt & FCONTROL) != 0) &&
         alt == ((fVirt & FALT) != 0);
}

}  // namespace

namespace platform {

void ResetMessageState() {
  M() = MessageState{};
}

WindowInfo GetWindowInfo(HWND window) {
  WindowInfo info;
  WindowExtra* e = Extra(window);
  if (!e) return info;
  const WindowModel* w = GetWindowModel(window);
  info.found = true;
  info.className = e->className;
  info.style = e->style;
  info.exStyle = e->exStyle;
  info.parent = e->parent;
  info.controlId = e->controlId;
  info.visible = e->visible;
  info.minimized = e->minimized;
  info.invalid = e->invalid;
  info.obscured = e->obscured;
  info.windowRect = RECT{e->pos.x, e->pos.y, e->pos.x + w->clientWidth, e->pos.y + w->clientHeight};
  info.normalRect = RECT{e->normalPos.x, e->normalPos.y, e->normalPos.x + w->clientWidth,
                         e->normalPos.y + w->clientHeight};
  return info;
}

std::vector<HWND> GetChildWindows(HWND parent) { return ChildrenOf(parent); }

void SetWindowExStyle(HWND window, DWORD exStyle) {
  if (WindowExtra* e = Extra(window)) e->exStyle = exStyle;
}

void SetWindowPlacementFromFace(HWND window, POINT windowPos, POINT clientOrigin, bool minimized) {
  WindowExtra* e = Extra(window);
  if (!e) return;
  e->minimized = minimized;
  if (!minimized) {
    e->pos = windowPos;
    e->normalPos = windowPos;
    POINT before = GetWindowModel(window)->clientOrigin;
    SetWindowClientOrigin(window, clientOrigin);
    MoveDescendants(window, clientOrigin.x - before.x, clientOrigin.y - before.y);
  }
}

void SetWindowObscuredFromFace(HWND window, bool obscured) {
  if (WindowExtra* e = Extra(window)) e->obscured = obscured;
}

namespace {
int64_t g_firstPictureShownNs = 0;
}  // namespace

int64_t FirstPictureShownWallNs() { return g_firstPictureShownNs; }

void NoteFirstPictureShown() {
  if (g_firstPictureShownNs) return;
  g_firstPictureShownNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
}

bool WindowCanBeSeen(HWND window) {
  WindowExtra* e = Extra(window);
  return e && e->visible && !e->minimized && !e->obscured;
}

void SetWindowActiveFromFace(HWND window, bool active) {
  if (!Extra(window)) return;
  if (active) {
    M().active = window;
    M().focus = window;
    // Keys went down and up while another window had the keyboard.
    ReadKeysAfresh();
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    SendMessageA(window, WM_SETFOCUS, 0, 0);
  } else {
    if (M().active == window) M().active = nullptr;
    if (M().focus == window) M().focus = nullptr;
    // Keys let go while another window had the focus would stay held.
    ReleaseAllKeys();
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
  }
}

void WaitForMessageOrTime(DWORD dueTime) {
  // The kernel may defer a timed wake-up by the thread's timer slack (50 us
  // by default) to batch it with others; a frame deadline wants it small.
  static const bool slackSet = prctl(PR_SET_TIMERSLACK, 10000UL, 0, 0, 0) == 0;
  (void)slackSet;
  MSG msg;
  Face().PumpEvents(false);
  if (NextMessage(&msg, nullptr, 0, 0, false)) return;
  const DWORD now = timeGetTime();
  const int32_t ahead = static_cast<int32_t>(dueTime - now);
  if (ahead <= 0) return;
  const int64_t deadline = MonotonicNsWhenTimeReads(dueTime);
  if (Face().WaitEventsUntil(deadline)) return;
  if (ManualClockInUse()) {
    AdvanceManualClock(static_cast<DWORD>(ahead));
    return;
  }
  // An absolute deadline: however late this thread gets here, it wakes at
  // the due millisecond, not a whole sleep after the call. A signal ends the
  // wait early, so the loop sees what its handler asked for.
  timespec at{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
}

std::vector<MSG> PendingMessages() {
  std::vector<MSG> out;
  for (const Queued& q : M().queue) out.push_back(q.msg);
  return out;
}

void ForgetQueueKeys() {
  for (bool& k : M().queueKeys) k = false;
}

void ReadKeysAfresh() {
  ReleaseAllKeys();
  const int held = Face().ModifiersHeld();
  if (held < 0) return;
  SetModifiersHeld(held);
  SetQueueModifiers(held);
}

void PostKeyMessage(HWND window, UINT message, WPARAM key, LPARAM lParam, int modifiersHeld) {
  if (window && !IsWindow(window)) return;
  M().queue.push_back(Queued{MakeMsg(window, message, key, lParam), modifiersHeld});
}

void ClearMessageQueue() {
  M().queue.clear();
  M().quit = false;
}

bool DispatchWaitingMessages(HWND accelWindow, HACCEL table, int* exitCode) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      if (exitCode) *exitCode = static_cast<int>(msg.wParam);
      return false;
    }
    if (got < 0) break;
    if (table && TranslateAcceleratorA(accelWindow, table, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

}  // namespace platform

// --- classes and windows -------------------------------------------------------------

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || !wc->lpszClassName || (wc->cbSize != sizeof(WNDCLASSEXA) && wc->cbSize != 48))
    return 0;
  if (reinterpret_cast<uintptr_t>(wc->lpszClassName) <= 0xFFFF) return 0;
  std::string name = wc->lpszClassName;
  if (C().classes.count(name)) return 0;
  C().classes[name] = *wc;
  return static_cast<ATOM>(0xC000 + C().classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE,
                     void* param) {
  if (!className || reinterpret_cast<uintptr_t>(className) <= 0xFFFF) return nullptr;
  auto cls = C().classes.find(className);
  if (cls == C().classes.end()) {
    // The system's own classes (dialogs and their controls) exist from the start.
    platform::RegisterBuiltinWindowClasses();
    cls = C().classes.find(className);
    if (cls == C().classes.end()) return nullptr;
  }
  bool child = (style & WS_CHILD) != 0;
  if (child && !IsWindow(parent)) return nullptr;
  if (parent && !IsWindow(parent)) return nullptr;
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) width = height = 0;
  POINT pos{x, y};
  POINT origin = pos;
  if (child) {
    // A child's position is in its parent's client pixels.
    ClientToScreen(parent, &origin);
  }
  HWND window = platform::CreateWindowModel(windowName ? windowName : "",
                                            child ? nullptr : menu, origin,
                                            std::max(width, 0), std::max(height, 0));
  WindowExtra& e = M().windows[window];
  e.className = className;
  e.proc = cls->second.lpfnWndProc;
  e.style = style;
  e.exStyle = exStyle;
  e.parent = parent;
  e.controlId = child ? static_cast<int>(reinterpret_cast<uintptr_t>(menu)) : 0;
  e.visible = (style & WS_VISIBLE) != 0;
  e.invalid = e.visible;
  // Positions are kept in screen pixels, a child's too.
  e.pos = e.normalPos = origin;
  e.order = M().nextOrder++;
  Face().WindowCreated(window);
  if (CallProc(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(param)) == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  return window;
}

BOOL DestroyWindow(HWND window) {
  if (!Extra(window)) return FALSE;
  CallProc(window, WM_DESTROY, 0, 0);
  for (HWND child : ChildrenOf(window)) DestroyWindow(child);
  if (!IsWindow(window)) return TRUE;  // WM_DESTROY destroyed it already
  Face().WindowDestroyed(window);
  if (M().focus == window) M().focus = nullptr;
  if (M().active == window) M().active = nullptr;
  auto& q = M().queue;
  q.erase(std::remove_if(q.begin(), q.end(), [&](const Queued& m) { return m.msg.hwnd == window; }),
          q.end());
  M().windows.erase(window);
  platform::DestroyWindowModel(window);
  return TRUE;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

BOOL ShowWindow(HWND window, int command) {
  WindowExtra* e = Extra(window);
  if (!e) return FALSE;
  BOOL was = e->visible ? TRUE : FALSE;
  bool show = command != SW_HIDE;
  e->minimized = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED;
  if (show && !e->visible) e->invalid = true;
  e->visible = show;
  e->style = show ? (e->style | WS_VISIBLE) : (e->style & ~WS_VISIBLE);
  Face().WindowShown(window, show);
  return was;
}

BOOL IsWindowVisible(HWND window) {
  WindowExtra* e = Extra(window);
  return e && e->visible ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
  WindowExtra* e = Extra(window);
  return e && e->minimized ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
  WindowExtra* e = Extra(window);
  if (!e) return FALSE;
  if (e->invalid && e->visible) {
    e->invalid = false;
    CallProc(window, WM_PAINT, 0, 0);
  }
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
  if (!window) {
    for (auto& [h, e] : M().windows) e.invalid = true;
    return TRUE;
  }
  WindowExtra* e = Extra(window);
  if (!e) return FALSE;
  e->invalid = true;
  return TRUE;
}

HWND SetFocus(HWND window) {
  HWND before = M().focus;
  if (window && !Extra(window)) return nullptr;
  M().focus = window;
  if (window) Face().FocusSet(window);
  return before;
}

HWND GetFocus() { return IsWindow(M().focus) ? M().focus : nullptr; }

HWND GetParent(HWND window) {
  WindowExtra* e = Extra(window);
  return e ? e->parent : nullptr;
}

HWND GetActiveWindow() { return IsWindow(M().active) ? M().active : nullptr; }
HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL SetForegroundWindow(HWND window) {
  if (!Extra(window)) return FALSE;
  M().active = window;
  Face().WindowRaised(window);
  return TRUE;
}

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) {
  if (processId) *processId = 1;
  return IsWindow(window) ? 1 : 0;
}

BOOL AttachThreadInput(DWORD, DWORD, BOOL) { return TRUE; }

BOOL SystemParametersInfoA(UINT action, UINT, void* param, UINT) {
  if (action == SPI_GETFOREGROUNDLOCKTIMEOUT) {
    if (!param) return FALSE;
    *static_cast<DWORD*>(param) = M().foregroundLockTimeout;
    return TRUE;
  }
  if (action == SPI_SETFOREGROUNDLOCKTIMEOUT) {
    M().foregroundLockTimeout = static_cast<DWORD>(reinterpret_cast<uintptr_t>(param));
    return TRUE;
  }
  return FALSE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL) { return rect ? TRUE : FALSE; }
BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect ? TRUE : FALSE; }

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
  WindowExtra* e = Extra(window);
  if (!e) return FALSE;
  const platform::WindowModel* w = platform::GetWindowModel(window);
  LONG cw = w->clientWidth, ch = w->clientHeight;
  POINT origin = w->clientOrigin;
  if (!(flags & SWP_NOMOVE)) {
    // A child is placed in its parent's client pixels.
    POINT to{x, y};
    if ((e->style & WS_CHILD) && e->parent) ClientToScreen(e->parent, &to);
    LONG dx = to.x - e->pos.x, dy = to.y - e->pos.y;
    origin.x += dx;
    origin.y += dy;
    e->pos = to;
    if (!e->minimized) e->normalPos = e->pos;
    MoveDescendants(window, dx, dy);
  }
  if (!(flags & SWP_NOSIZE)) {
    cw = std::max(width, 0);
    ch = std::max(height, 0);
  }
  // The model keeps the client area; re-make it with the new size in place.
  platform::SetWindowClientOrigin(window, origin);
  platform::SetWindowClientSize(window, cw, ch);
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOW);
  Face().WindowMoved(window);
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  BOOL ok = SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER);
  if (ok && repaint) InvalidateRect(window, nullptr, TRUE);
  return ok;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  platform::WindowInfo info = platform::GetWindowInfo(window);
  if (!info.found || !rect) return FALSE;
  *rect = info.windowRect;
  return TRUE;
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
  if (!placement || placement->length != sizeof(WINDOWPLACEMENT)) return FALSE;
  platform::WindowInfo info = platform::GetWindowInfo(window);
  if (!info.found) return FALSE;
  placement->flags = 0;
  placement->showCmd = info.minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = info.normalRect;
  return TRUE;
}

// --- cursors, icons, brushes -----------------------------------------------------------

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (instance || (id != 32512 && id != 32649)) return nullptr;
  return reinterpret_cast<HCURSOR>(id);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  // The program's own icon is the desktop's business; any id gives a token.
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id > 0xFFFF) return nullptr;
  (void)instance;
  return reinterpret_cast<HICON>(0x10000 + id);
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR before = M().cursor;
  M().cursor = cursor;
  uintptr_t id = reinterpret_cast<uintptr_t>(cursor);
  Face().CursorSet(id == 32649 ? 32649 : 32512);
  return before;
}

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object > 20) return nullptr;
  return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x20000 + object));
}

void InitCommonControls() {}

// --- the queue -----------------------------------------------------------------------------

BOOL PeekMessageA(MSG* msg, HWND window, UINT lo, UINT hi, UINT removeFlags) {
  if (!msg) return FALSE;
  Face().PumpEvents(false);
  return NextMessage(msg, window, lo, hi, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT lo, UINT hi) {
  if (!msg) return -1;
  Face().PumpEvents(false);
  while (!NextMessage(msg, window, lo, hi, true)) {
    if (!Face().PumpEvents(true)) return -1;
  }
  return msg->message == WM_QUIT ? 0 : 1;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  return msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !IsWindow(window)) return FALSE;
  M().queue.push_back(Queued{MakeMsg(window, message, wParam, lParam)});
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallProc(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  M().quit = true;
  M().quitCode = exitCode;
}

// --- accelerators -------------------------------------------------------------------------

void RegisterAcceleratorResource(int resourceId, std::vector<ACCEL> entries) {
  C().accelResources[resourceId] = std::move(entries);
}

HACCEL LoadAcceleratorsA(HINSTANCE, LPCSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id > 0xFFFF) return nullptr;
  auto it = C().accelResources.find(static_cast<int>(id));
  if (it == C().accelResources.end()) return nullptr;
  // Loading the same resource again gives the same table.
  uintptr_t handle = 0x30000 + id;
  C().accelTables[handle] = it->second;
  return reinterpret_cast<HACCEL>(handle);
}

int TranslateAcceleratorA(HWND window, HACCEL table, MSG* msg) {
  if (!msg || !IsWindow(window)) return 0;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
  auto it = C().accelTables.find(reinterpret_cast<uintptr_t>(table));
  if (it == C().accelTables.end()) return 0;
  for (const ACCEL& a : it->second) {
    if (!(a.fVirt & FVIRTKEY) || a.key != (msg->wParam & 0xFFFF) || !HeldExactly(a.fVirt))
      continue;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
    return 1;
  }
  return 0;
}
