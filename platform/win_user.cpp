// The window-system model and the Windows-named calls that read and change it.
#include <cstring>
#include <map>
#include <memory>

#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"
#include "platform/window_model.h"

namespace {

struct State {
  // Handles are numbers that are never reused, so a stale handle is simply
  // not found instead of reaching some newer object.
  uintptr_t nextHandle = 1;
  std::map<uintptr_t, platform::WindowModel> windows;
  std::map<uintptr_t, platform::MenuModel> menus;
  std::map<int, std::vector<MenuTemplateEntry>> menuResources;
  bool keys[256] = {};
  // Pressed since the game last finished reading its input: a press let go
  // before the next update still counts as held for that one update.
  bool pressedSincePoll[256] = {};
  POINT cursor = {0, 0};
  int cursorCount = 0;
  std::vector<platform::MessageBoxRecord> messageBoxes;
  platform::WindowFace* face = nullptr;
};

State& S() {
  static State* state = new State;
  return *state;
}

platform::WindowFace& Face() {
  return S().face ? *S().face : headless::Face();
}

uintptr_t HandleId(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

platform::WindowModel* Window(HWND window) {
  auto it = S().windows.find(HandleId(window));
  return it == S().windows.end() ? nullptr : &it->second;
}

platform::MenuModel* Menu(HMENU menu) {
  auto it = S().menus.find(HandleId(menu));
  return it == S().menus.end() ? nullptr : &it->second;
}

// The item an MF_BYCOMMAND / MF_BYPOSITION call means, and its menu.
struct ItemRef {
  platform::MenuItemModel* item = nullptr;
  HMENU owner = nullptr;
};

ItemRef FindByCommand(HMENU menu, UINT id, int depth) {
  platform::MenuModel* m = Menu(menu);
  if (!m || depth > 16) return {};
  for (auto& item : m->items) {
    if (!item.subMenu && item.type != MFT_SEPARATOR && item.id == id) return {&item, menu};
    if (item.subMenu) {
      ItemRef found = FindByCommand(item.subMenu, id, depth + 1);
      if (found.item) return found;
    }
  }
  return {};
}

ItemRef FindItem(HMENU menu, UINT item, bool byPosition) {
  if (!byPosition) return FindByCommand(menu, item, 0);
  platform::MenuModel* m = Menu(menu);
  if (!m || item >= m->items.size()) return {};
  return {&m->items[item], menu};
}

void MenuChanged(HMENU menu) { Face().MenuChanged(menu); }

HMENU NewMenu(bool isBar) {
  uintptr_t id = S().nextHandle++;
  S().menus[id].isBar = isBar;
  return reinterpret_cast<HMENU>(id);
}

// Copies text into buffer like the Get...TextA calls: at most maxCount - 1
// bytes, never ending inside a double-byte character, then a NUL.
int CopyText(const std::string& text, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  size_t limit = static_cast<size_t>(maxCount - 1);
  size_t n = 0;
  while (n < text.size()) {
    size_t len = Cp932CharLength(static_cast<unsigned char>(text[n]));
    if (n + len > limit || n + len > text.size()) break;
    n += len;
  }
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

bool ValidMenuItemInfoSize(UINT cbSize) {
  // 44 and 48 are the two sizes of the 32-bit record (before and after the
  // item bitmap was added); the game fills in 48.
  return cbSize == 44 || cbSize == 48 || cbSize == sizeof(MENUITEMINFOA);
}

void ShowBar(HWND window, platform::WindowModel& w) {
  w.shownMenuBar.clear();
  if (platform::MenuModel* bar = Menu(w.menu)) w.shownMenuBar = bar->items;
  Face().MenuBarChanged(window);
}

void DestroyMenuTree(HMENU menu, int depth) {
  platform::MenuModel* m = Menu(menu);
  if (!m || depth > 16) return;
  std::vector<HMENU> subs;
  for (auto& item : m->items) if (item.subMenu) subs.push_back(item.subMenu);
  S().menus.erase(HandleId(menu));
  for (HMENU sub : subs) DestroyMenuTree(sub, depth + 1);
}

void AppendEntries(HMENU menu, const std::vector<MenuTemplateEntry>& entries, int depth) {
  for (const MenuTemplateEntry& e : entries) {
    if (e.flags & MF_POPUP) {
      HMENU sub = NewMenu(false);
      if (depth < 16) AppendEntries(sub, e.items, depth + 1);
      AppendMenuA(menu, e.flags, reinterpret_cast<UINT_PTR>(sub), e.text);
    } else {
      AppendMenuA(menu, e.flags, e.id, e.text);
    }
  }
}

}  // namespace

// --- model ---------------------------------------------------------------------

namespace platform {

void SetWindowFace(WindowFace* face) { S().face = face; }
WindowFace& CurrentFace() { return Face(); }

HWND CreateWindowModel(const char* titleCp932, HMENU menu, POINT clientOrigin,
                       LONG clientWidth, LONG clientHeight) {
  uintptr_t id = S().nextHandle++;
  WindowModel& w = S().windows[id];
  w.title = titleCp932 ? titleCp932 : "";
  w.menu = Menu(menu) ? menu : nullptr;
  w.clientOrigin = clientOrigin;
  w.clientWidth = clientWidth;
  w.clientHeight = clientHeight;
  if (Menu(w.menu)) w.shownMenuBar = Menu(w.menu)->items;
  return reinterpret_cast<HWND>(id);
}

void DestroyWindowModel(HWND window) { S().windows.erase(HandleId(window)); }

const WindowModel* GetWindowModel(HWND window) { return Window(window); }

void SetWindowTextFromFace(HWND window, const std::string& cp932) {
  if (WindowModel* w = Window(window)) w->title = cp932;
}

void SetWindowClientSize(HWND window, LONG width, LONG height) {
  if (WindowModel* w = Window(window)) {
    w->clientWidth = width;
    w->clientHeight = height;
  }
}

void SetWindowClientOrigin(HWND window, POINT clientOrigin) {
  if (WindowModel* w = Window(window)) w->clientOrigin = clientOrigin;
}

const MenuModel* GetMenuModel(HMENU menu) { return Menu(menu); }

void SetKeyHeld(int virtualKey, bool held) {
  if (virtualKey < 0 || virtualKey >= 256) return;
  // Only a change from up to down is a press to remember: the desktop's
  // auto-repeat of a key already down must not keep it reading held for one
  // more poll once it is let go.
  if (held && !S().keys[virtualKey]) S().pressedSincePoll[virtualKey] = true;
  S().keys[virtualKey] = held;
  // A modifier read held from the desktop's word is held in its common form,
  // its side unknown: either side let go lets go of it.
  if (!held) {
    if (virtualKey == VK_LSHIFT || virtualKey == VK_RSHIFT) S().keys[VK_SHIFT] = false;
    if (virtualKey == VK_LCONTROL || virtualKey == VK_RCONTROL) S().keys[VK_CONTROL] = false;
    if (virtualKey == VK_LMENU || virtualKey == VK_RMENU) S().keys[VK_MENU] = false;
  }
}

void SetKeyState(int virtualKey, bool held) {
  if (virtualKey < 0 || virtualKey >= 256) return;
  S().keys[virtualKey] = held;
  S().pressedSincePoll[virtualKey] = held;
}

namespace {
bool HeldOrTapped(int virtualKey) {
  return S().keys[virtualKey] || S().pressedSincePoll[virtualKey];
}
}  // namespace

bool IsKeyHeld(int virtualKey) {
  if (virtualKey < 0 || virtualKey >= 256) return false;
  switch (virtualKey) {
    case VK_SHIFT: return HeldOrTapped(VK_SHIFT) || HeldOrTapped(VK_LSHIFT) || HeldOrTapped(VK_RSHIFT);
    case VK_CONTROL:
      return HeldOrTapped(VK_CONTROL) || HeldOrTapped(VK_LCONTROL) || HeldOrTapped(VK_RCONTROL);
    case VK_MENU: return HeldOrTapped(VK_MENU) || HeldOrTapped(VK_LMENU) || HeldOrTapped(VK_RMENU);
    default: return HeldOrTapped(virtualKey);
  }
}

void ForgetQueueKeys();  // win_message.cpp

void ReleaseAllKeys() {
  for (bool& k : S().keys) k = false;
  for (bool& k : S().pressedSincePoll) k = false;
  ForgetQueueKeys();
}

void SetModifiersHeld(int held) {
  const struct {
    int bit, common, left, right;
  } modifiers[] = {{kShiftHeld, VK_SHIFT, VK_LSHIFT, VK_RSHIFT},
                   {kCtrlHeld, VK_CONTROL, VK_LCONTROL, VK_RCONTROL},
                   {kAltHeld, VK_MENU, VK_LMENU, VK_RMENU}};
  bool* keys = S().keys;
  for (const auto& m : modifiers) {
    if (held & m.bit) {
      if (!keys[m.common] && !keys[m.left] && !keys[m.right]) keys[m.common] = true;
    } else {
      keys[m.common] = keys[m.left] = keys[m.right] = false;
    }
  }
}

void SetCursorScreenPos(POINT screen) { S().cursor = screen; }
POINT GetCursorScreenPos() { return S().cursor; }
int GetCursorDisplayCount() { return S().cursorCount; }

const std::vector<MessageBoxRecord>& GetMessageBoxLog() { return S().messageBoxes; }
void ClearMessageBoxLog() { S().messageBoxes.clear(); }

void ResetWindowClock();  // winmm.cpp
void ResetMessageState();  // win_message.cpp
void ResetFileState();     // win_files.cpp
void ResetDialogState();   // win_dialog_box.cpp

void ResetWindowSystem() {
  WindowFace* face = S().face;
  auto resources = std::move(S().menuResources);
  uintptr_t nextHandle = S().nextHandle;
  S() = State{};
  S().face = face;
  S().nextHandle = nextHandle;  // old handles must stay invalid
  S().menuResources = std::move(resources);  // resources outlive the menus built from them
  ResetWindowClock();
  ResetMessageState();
  ResetFileState();
  ResetDialogState();
}

}  // namespace platform

// --- windows ---------------------------------------------------------------------

BOOL IsWindow(HWND window) { return Window(window) ? TRUE : FALSE; }

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  platform::WindowModel* w = Window(window);
  if (!w) return FALSE;
  w->title = text ? text : "";
  w->titleSetCount += 1;
  Face().TitleChanged(window);
  return TRUE;
}

int GetWindowTextA(HWND window, LPSTR buffer, int maxCount) {
  platform::WindowModel* w = Window(window);
  if (!w) {
    if (buffer && maxCount > 0) buffer[0] = '\0';
    return 0;
  }
  return CopyText(w->title, buffer, maxCount);
}

int GetWindowTextLengthA(HWND window) {
  platform::WindowModel* w = Window(window);
  return w ? static_cast<int>(w->title.size()) : 0;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  platform::WindowModel* w = Window(window);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->clientWidth, w->clientHeight};
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  platform::WindowModel* w = Window(window);
  if (!w || !point) return FALSE;
  point->x -= w->clientOrigin.x;
  point->y -= w->clientOrigin.y;
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  platform::WindowModel* w = Window(window);
  if (!w || !point) return FALSE;
  point->x += w->clientOrigin.x;
  point->y += w->clientOrigin.y;
  return TRUE;
}

// --- menus -----------------------------------------------------------------------

HMENU CreateMenu() { return NewMenu(true); }
HMENU CreatePopupMenu() { return NewMenu(false); }

BOOL DestroyMenu(HMENU menu) {
  if (!Menu(menu)) return FALSE;
  // Pop-ups that live in the menu go with it; so does any reference to them.
  DestroyMenuTree(menu, 0);
  for (auto& [id, m] : S().menus)
    for (auto& item : m.items)
      if (item.subMenu && !Menu(item.subMenu)) item.subMenu = nullptr;
  for (auto& [id, w] : S().windows)
    if (w.menu && !Menu(w.menu)) w.menu = nullptr;
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return Menu(menu) ? TRUE : FALSE; }

BOOL AppendMenuA(HMENU menu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  platform::MenuModel* m = Menu(menu);
  if (!m) return FALSE;
  platform::MenuItemModel item;
  if (uFlags & MF_SEPARATOR) {
    item.type = MFT_SEPARATOR;
  } else {
    item.text = lpNewItem ? lpNewItem : "";
    if (uFlags & MF_POPUP) {
      HMENU sub = reinterpret_cast<HMENU>(uIDNewItem);
      if (!Menu(sub) || sub == menu) return FALSE;
      item.subMenu = sub;
    } else {
      item.id = static_cast<UINT>(uIDNewItem);
    }
  }
  item.state = uFlags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT);
  m->items.push_back(item);
  MenuChanged(menu);
  return TRUE;
}

HMENU CreateMenuFromTemplate(const std::vector<MenuTemplateEntry>& entries, bool asBar) {
  HMENU menu = NewMenu(asBar);
  AppendEntries(menu, entries, 0);
  return menu;
}

void RegisterMenuResource(int resourceId, std::vector<MenuTemplateEntry> entries) {
  S().menuResources[resourceId] = std::move(entries);
}

HMENU LoadMenuA(HINSTANCE, LPCSTR name) {
  uintptr_t id = reinterpret_cast<uintptr_t>(name);
  if (id > 0xFFFF) return nullptr;  // menus are loaded by number only
  auto it = S().menuResources.find(static_cast<int>(id));
  if (it == S().menuResources.end()) return nullptr;
  return CreateMenuFromTemplate(it->second, true);
}

int GetMenuItemCount(HMENU menu) {
  platform::MenuModel* m = Menu(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  platform::MenuModel* m = Menu(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return static_cast<UINT>(-1);
  const platform::MenuItemModel& item = m->items[position];
  return item.subMenu ? static_cast<UINT>(-1) : item.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  platform::MenuModel* m = Menu(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[position].subMenu;
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
  if (!info || !ValidMenuItemInfoSize(info->cbSize)) return FALSE;
  ItemRef ref = FindItem(menu, item, byPosition != FALSE);
  if (!ref.item) return FALSE;
  platform::MenuItemModel& it = *ref.item;
  const UINT mask = info->fMask;
  if (mask & MIIM_SUBMENU) {
    HMENU sub = info->hSubMenu;
    if (sub && (!Menu(sub) || sub == ref.owner)) return FALSE;
    it.subMenu = sub;
  }
  if (mask & MIIM_STATE) it.state = info->fState;
  if (mask & MIIM_ID) it.id = info->wID;
  if (mask & MIIM_DATA) it.data = info->dwItemData;
  if (mask & MIIM_FTYPE) it.type = info->fType & MFT_SEPARATOR;
  if (mask & MIIM_TYPE) {
    // The older form: type and text in one (a string item takes dwTypeData).
    it.type = info->fType & MFT_SEPARATOR;
    if (it.type == MFT_STRING) it.text = info->dwTypeData ? info->dwTypeData : "";
  }
  if (mask & MIIM_STRING) it.text = info->dwTypeData ? info->dwTypeData : "";
  MenuChanged(ref.owner);
  return TRUE;
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
  if (!info || !ValidMenuItemInfoSize(info->cbSize)) return FALSE;
  ItemRef ref = FindItem(menu, item, byPosition != FALSE);
  if (!ref.item) return FALSE;
  const platform::MenuItemModel& it = *ref.item;
  const UINT mask = info->fMask;
  if (mask & MIIM_SUBMENU) info->hSubMenu = it.subMenu;
  if (mask & MIIM_STATE) info->fState = it.state;
  if (mask & MIIM_ID) info->wID = it.id;
  if (mask & MIIM_DATA) info->dwItemData = it.data;
  if (mask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = it.type;
  if (mask & (MIIM_STRING | MIIM_TYPE)) {
    // With no buffer (or cch 0) only the length is reported.
    if (info->dwTypeData && info->cch > 0) {
      info->cch = static_cast<UINT>(CopyText(it.text, info->dwTypeData, static_cast<int>(info->cch)));
    } else {
      info->cch = static_cast<UINT>(it.text.size());
    }
  }
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT uEnable) {
  ItemRef ref = FindItem(menu, item, (uEnable & MF_BYPOSITION) != 0);
  if (!ref.item) return -1;
  UINT before = ref.item->state & (MF_GRAYED | MF_DISABLED);
  ref.item->state = (ref.item->state & ~(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
  MenuChanged(ref.owner);
  return static_cast<BOOL>(before);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT uCheck) {
  ItemRef ref = FindItem(menu, item, (uCheck & MF_BYPOSITION) != 0);
  if (!ref.item) return static_cast<DWORD>(-1);
  DWORD before = ref.item->state & MF_CHECKED;
  ref.item->state = (ref.item->state & ~MF_CHECKED) | (uCheck & MF_CHECKED);
  MenuChanged(ref.owner);
  return before;
}

UINT GetMenuState(HMENU menu, UINT item, UINT uFlags) {
  ItemRef ref = FindItem(menu, item, (uFlags & MF_BYPOSITION) != 0);
  if (!ref.item) return static_cast<UINT>(-1);
  UINT state = ref.item->state | ref.item->type;
  if (ref.item->subMenu) {
    // A pop-up also reports its number of items in the high byte.
    UINT count = static_cast<UINT>(GetMenuItemCount(ref.item->subMenu)) & 0xFF;
    state = (count << 8) | (state & 0xFF) | MF_POPUP;
  }
  return state;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT uFlags) {
  ItemRef ref = FindItem(menu, item, (uFlags & MF_BYPOSITION) != 0);
  if (!ref.item) {
    if (buffer && maxCount > 0) buffer[0] = '\0';
    return 0;
  }
  if (!buffer || maxCount <= 0) return static_cast<int>(ref.item->text.size());
  return CopyText(ref.item->text, buffer, maxCount);
}

HMENU GetMenu(HWND window) {
  platform::WindowModel* w = Window(window);
  return w ? w->menu : nullptr;
}

BOOL SetMenu(HWND window, HMENU menu) {
  platform::WindowModel* w = Window(window);
  if (!w || (menu && !Menu(menu))) return FALSE;
  w->menu = menu;
  ShowBar(window, *w);
  return TRUE;
}

BOOL DrawMenuBar(HWND window) {
  platform::WindowModel* w = Window(window);
  if (!w) return FALSE;
  w->menuBarDrawCount += 1;
  ShowBar(window, *w);
  return TRUE;
}

// --- message boxes -----------------------------------------------------------------

namespace {

// The buttons of a box in order, and whether an answer is one of them.
std::vector<int> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

int DefaultButton(UINT type) {
  std::vector<int> buttons = Buttons(type);
  size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons[0];
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  platform::MessageBoxRequest request;
  request.owner = owner;
  request.type = type;
  request.text = text ? text : "";
  request.caption = caption ? caption : "Error";
  int answer = platform::WhileModal([&] { return Face().RunMessageBox(request); });
  std::vector<int> buttons = Buttons(type);
  bool valid = false;
  for (int b : buttons) valid = valid || b == answer;
  if (!valid) answer = DefaultButton(type);

  platform::MessageBoxRecord record;
  record.owner = owner;
  record.type = type;
  record.textCp932 = request.text;
  record.captionCp932 = request.caption;
  record.textUtf8 = Cp932ToUtf8(request.text);
  record.captionUtf8 = Cp932ToUtf8(request.caption);
  record.answer = answer;
  S().messageBoxes.push_back(std::move(record));
  return answer;
}

namespace platform {
int DefaultMessageBoxAnswer(UINT type) { return DefaultButton(type); }
}  // namespace platform

// --- keys, buttons and cursor ----------------------------------------------------------

int GetSystemMetrics(int index) {
  RECT screen{0, 0, 0, 0};
  if (!Face().DesktopRect(&screen)) return 0;
  switch (index) {
    case SM_XVIRTUALSCREEN: return screen.left;
    case SM_YVIRTUALSCREEN: return screen.top;
    case SM_CXVIRTUALSCREEN: return screen.right - screen.left;
    case SM_CYVIRTUALSCREEN: return screen.bottom - screen.top;
    default: return 0;
  }
}

SHORT GetAsyncKeyState(int virtualKey) {
  return platform::IsKeyHeld(virtualKey) ? static_cast<SHORT>(0x8000) : static_cast<SHORT>(0);
}

void FinishInputPoll() {
  for (bool& k : S().pressedSincePoll) k = false;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = S().cursor;
  return TRUE;
}

int ShowCursor(BOOL show) {
  int before = S().cursorCount;
  S().cursorCount += show ? 1 : -1;
  bool wasShown = before >= 0;
  bool shown = S().cursorCount >= 0;
  if (wasShown != shown) Face().CursorShownChanged(shown);
  return S().cursorCount;
}
