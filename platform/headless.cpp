// The headless face: scripted answers, and read-back helpers for tests.
#include "platform/headless.h"

#include <deque>

#include "platform/text_encoding.h"
#include "platform/win_user.h"

namespace headless {

namespace {

class HeadlessFace : public platform::WindowFace {
 public:
  int RunMessageBox(const platform::MessageBoxRequest& request) override {
    if (answers.empty()) return platform::DefaultMessageBoxAnswer(request.type);
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool RunFileDialog(const platform::FileDialogRequest& request, std::string* gamePath,
                     int* filterIndex) override {
    // A path the dialog refuses keeps it open: the user's next answer is
    // taken, as the user would choose a shorter name.
    while (!fileAnswers.empty()) {
      std::pair<bool, std::string> answer = fileAnswers.front();
      fileAnswers.pop_front();
      if (!answer.first) return false;
      if (!platform::FileDialogRefusal(request, answer.second, *filterIndex).empty()) continue;
      *gamePath = answer.second;
      return true;
    }
    return false;
  }
  bool DialogIdle(HWND dialog) override {
    if (dialogActions.empty()) return false;
    std::function<void(HWND)> action = std::move(dialogActions.front());
    dialogActions.pop_front();
    action(dialog);
    return true;
  }
  UINT RunPopupMenu(HMENU, POINT, HWND) override {
    if (popupChoices.empty()) return 0;
    UINT id = popupChoices.front();
    popupChoices.pop_front();
    return id;
  }
  bool OpenDocument(const std::string& utf8) override {
    opened.push_back(utf8);
    return true;
  }
  bool DesktopRect(RECT* screen) override {
    if (!desktopKnown) return false;
    *screen = desktop;
    return true;
  }
  bool desktopKnown = false;
  RECT desktop{0, 0, 0, 0};
  std::deque<int> answers;
  std::deque<std::pair<bool, std::string>> fileAnswers;
  std::deque<std::function<void(HWND)>> dialogActions;
  std::deque<UINT> popupChoices;
  std::vector<std::string> opened;
};

HeadlessFace& TheFace() {
  static HeadlessFace* face = new HeadlessFace;
  return *face;
}

MenuItemView View(const platform::MenuItemModel& item) {
  MenuItemView v;
  v.found = true;
  v.id = item.id;
  v.textCp932 = item.text;
  v.textUtf8 = Cp932ToUtf8(item.text);
  v.state = item.state;
  v.enabled = (item.state & (MF_GRAYED | MF_DISABLED)) == 0;
  v.grayed = (item.state & MF_GRAYED) != 0;
  v.checked = (item.state & MF_CHECKED) != 0;
  v.separator = item.type == MFT_SEPARATOR;
  v.subMenu = item.subMenu;
  return v;
}

const platform::MenuItemModel* FindById(HMENU menu, UINT id, int depth) {
  const platform::MenuModel* m = platform::GetMenuModel(menu);
  if (!m || depth > 16) return nullptr;
  for (const auto& item : m->items) {
    if (!item.subMenu && item.type != MFT_SEPARATOR && item.id == id) return &item;
    if (item.subMenu)
      if (const platform::MenuItemModel* found = FindById(item.subMenu, id, depth + 1)) return found;
  }
  return nullptr;
}

}  // namespace

platform::WindowFace& Face() { return TheFace(); }

void Reset() {
  platform::ResetWindowSystem();
  TheFace().answers.clear();
  TheFace().fileAnswers.clear();
  TheFace().dialogActions.clear();
  TheFace().popupChoices.clear();
  TheFace().opened.clear();
  TheFace().desktopKnown = false;
}

void SetDesktop(LONG left, LONG top, LONG width, LONG height) {
  TheFace().desktopKnown = true;
  TheFace().desktop = RECT{left, top, left + width, top + height};
}

HWND MakeWindow(const char* titleCp932, HMENU menu, POINT clientOrigin) {
  return platform::CreateWindowModel(titleCp932, menu, clientOrigin, 640, 480);
}

MenuItemView MenuItemAt(HMENU menu, int position) {
  const platform::MenuModel* m = platform::GetMenuModel(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return {};
  return View(m->items[position]);
}

MenuItemView MenuItemById(HMENU menu, UINT id) {
  const platform::MenuItemModel* item = FindById(menu, id, 0);
  return item ? View(*item) : MenuItemView{};
}

std::vector<MenuItemView> MenuItems(HMENU menu) {
  std::vector<MenuItemView> out;
  if (const platform::MenuModel* m = platform::GetMenuModel(menu))
    for (const auto& item : m->items) out.push_back(View(item));
  return out;
}

std::vector<MenuItemView> ShownMenuBar(HWND window) {
  std::vector<MenuItemView> out;
  if (const platform::WindowModel* w = platform::GetWindowModel(window))
    for (const auto& item : w->shownMenuBar) out.push_back(View(item));
  return out;
}

int MenuBarDrawCount(HWND window) {
  const platform::WindowModel* w = platform::GetWindowModel(window);
  return w ? w->menuBarDrawCount : 0;
}

std::string WindowTitleCp932(HWND window) {
  const platform::WindowModel* w = platform::GetWindowModel(window);
  return w ? w->title : std::string();
}

std::string WindowTitleUtf8(HWND window) { return Cp932ToUtf8(WindowTitleCp932(window)); }

int TitleSetCount(HWND window) {
  const platform::WindowModel* w = platform::GetWindowModel(window);
  return w ? w->titleSetCount : 0;
}

void QueueMessageBoxAnswer(int answer) { TheFace().answers.push_back(answer); }
size_t PendingMessageBoxAnswers() { return TheFace().answers.size(); }
const std::vector<platform::MessageBoxRecord>& MessageBoxes() { return platform::GetMessageBoxLog(); }
void ClearMessageBoxes() { platform::ClearMessageBoxLog(); }

int CursorDisplayCount() { return platform::GetCursorDisplayCount(); }
bool CursorShown() { return platform::GetCursorDisplayCount() >= 0; }

void SetKey(int virtualKey, bool held) { platform::SetKeyState(virtualKey, held); }
void TapKey(int virtualKey) {
  platform::SetKeyHeld(virtualKey, true);
  platform::SetKeyHeld(virtualKey, false);
}
void ReleaseAllKeys() { platform::ReleaseAllKeys(); }
void SetCursorScreenPos(LONG x, LONG y) { platform::SetCursorScreenPos(POINT{x, y}); }

void SetCursorClientPos(HWND window, LONG x, LONG y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  platform::SetCursorScreenPos(p);
}

void KeyDown(HWND window, int virtualKey) {
  platform::SetKeyHeld(virtualKey, true);
  PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1);
}

void KeyUp(HWND window, int virtualKey) {
  platform::SetKeyHeld(virtualKey, false);
  PostMessageA(window, WM_KEYUP, static_cast<WPARAM>(virtualKey), static_cast<LPARAM>(0xC0000001u));
}

void PressCtrlKey(HWND window, int virtualKey) {
  KeyDown(window, VK_CONTROL);
  KeyDown(window, virtualKey);
  KeyUp(window, virtualKey);
  KeyUp(window, VK_CONTROL);
}

void Wheel(HWND window, int notches) {
  POINT p = platform::GetCursorScreenPos();
  WPARAM w = MAKEWPARAM(0, static_cast<WORD>(static_cast<SHORT>(notches * WHEEL_DELTA)));
  PostMessageA(window, WM_MOUSEWHEEL, w, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

bool ChooseMenuCommand(HWND window, UINT id) {
  const platform::WindowModel* w = platform::GetWindowModel(window);
  if (!w) return false;
  for (const platform::MenuItemModel& top : w->shownMenuBar) {
    const platform::MenuItemModel* item = nullptr;
    if (top.subMenu) {
      if (top.state & (MF_GRAYED | MF_DISABLED)) continue;
      item = FindById(top.subMenu, id, 1);
    } else if (top.type != MFT_SEPARATOR && top.id == id) {
      item = &top;
    }
    if (!item || (item->state & (MF_GRAYED | MF_DISABLED))) continue;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
  }
  return false;
}

void ClickCloseBox(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void QueueDialogAction(std::function<void(HWND dialog)> action) {
  TheFace().dialogActions.push_back(std::move(action));
}
size_t PendingDialogActions() { return TheFace().dialogActions.size(); }

bool TypeIntoEdit(HWND dialog, int id, const std::string& textCp932) {
  HWND edit = GetDlgItem(dialog, id);
  if (!edit || platform::GetWindowInfo(edit).className != WC_EDITA) return false;
  size_t limit = static_cast<size_t>(platform::GetEditLimit(edit));
  size_t n = 0;
  while (n < textCp932.size()) {
    size_t len = Cp932CharLength(static_cast<unsigned char>(textCp932[n]));
    if (n + len > limit || n + len > textCp932.size()) break;
    n += len;
  }
  platform::SetWindowTextFromFace(edit, textCp932.substr(0, n));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
  return true;
}

bool ClickControl(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!control || !IsWindowEnabled(control)) return false;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  return true;
}

void PressKeyInDialog(HWND dialog, int virtualKey) {
  HWND focus = GetFocus();
  HWND target = focus && (focus == dialog || GetParent(focus) == dialog) ? focus : dialog;
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 1);
}

void QueuePopupMenuChoice(UINT id) { TheFace().popupChoices.push_back(id); }
const std::vector<std::string>& OpenedDocuments() { return TheFace().opened; }

void QueueFileDialogAnswer(const std::string& gamePath) {
  TheFace().fileAnswers.push_back({true, gamePath});
}
void QueueFileDialogCancel() { TheFace().fileAnswers.push_back({false, std::string()}); }
size_t PendingFileDialogAnswers() { return TheFace().fileAnswers.size(); }
const std::vector<platform::FileDialogRecord>& FileDialogs() { return platform::GetFileDialogLog(); }

bool DropFiles(HWND window, const std::vector<std::string>& gamePaths, POINT clientPoint,
               const std::vector<platform::UnheldPart>& unheld) {
  return platform::DropFiles(window, gamePaths, clientPoint, unheld);
}

void SetTime(DWORD nowMs) { platform::SetManualClock(nowMs); }
void AdvanceTime(DWORD ms) { platform::AdvanceManualClock(ms); }
void SetTimerCaps(UINT periodMin, UINT periodMax) { platform::SetTimerCaps(periodMin, periodMax); }
std::vector<UINT> ActiveTimerPeriods() { return platform::GetActiveTimerPeriods(); }

}  // namespace headless
