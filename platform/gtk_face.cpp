// The GTK 3 face: real windows for the window model. The only file that sees
// GTK; it reads the model to render and feeds input back through the setters
// of window_model.h and the messages of win_message.h.
#include "platform/gtk_face.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"
#include "platform/window_model.h"

namespace {

// One entry of a rendered menu, as it was last rendered.
struct RenderedEntry {
  enum Kind { kSeparator, kPlain, kChecked, kPopup } kind = kPlain;
  GtkWidget* widget = nullptr;
  HMENU subMenu = nullptr;
  std::string text;
  UINT state = 0;
};

struct RenderedMenu {
  GtkWidget* shell = nullptr;  // GtkMenuBar or GtkMenu
  std::vector<RenderedEntry> entries;
};

class GtkWin;

struct FaceState {
  std::map<HWND, std::unique_ptr<GtkWin>> windows;
  bool cursorShown = true;
  int cursorId = 32512;
};

FaceState& FS() {
  static FaceState* state = new FaceState;
  return *state;
}

// A top-level window: menu bar over the GL area, the area being the client.
class GtkWin : public GlContext {
 public:
  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* box = nullptr;
  GtkWidget* menubar = nullptr;
  GtkWidget* area = nullptr;
  RenderedMenu bar;
  std::map<HMENU, RenderedMenu> popups;
  bool presentPending = false;
  double wheelRest = 0;

  bool MakeCurrent() override {
    if (!area || !gtk_widget_get_realized(area)) return false;
    gtk_gl_area_make_current(GTK_GL_AREA(area));
    return gtk_gl_area_get_error(GTK_GL_AREA(area)) == nullptr;
  }

  bool BindPresentTarget(int* width, int* height) override {
    if (!MakeCurrent()) return false;
    gtk_gl_area_attach_buffers(GTK_GL_AREA(area));
    int scale = gtk_widget_get_scale_factor(area);
    *width = gtk_widget_get_allocated_width(area) * scale;
    *height = gtk_widget_get_allocated_height(area) * scale;
    return *width > 0 && *height > 0;
  }

  void Presented() override {
    presentPending = true;
    gtk_widget_queue_draw(area);
  }
};

GtkWin* Win(HWND hwnd) {
  auto it = FS().windows.find(hwnd);
  return it == FS().windows.end() ? nullptr : it->second.get();
}

// --- texts ---------------------------------------------------------------------------

// A menu text in CP932 ("&File\tCtrl+N") as a GTK mnemonic label and the
// accelerator text after the tab.
void SplitMenuText(const std::string& cp932, std::string* label, std::string* accel) {
  std::string utf8 = Cp932ToUtf8(cp932);
  size_t tab = utf8.find('\t');
  std::string text = utf8.substr(0, tab);
  *accel = tab == std::string::npos ? std::string() : utf8.substr(tab + 1);
  label->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        *label += '&';
        ++i;
      } else {
        *label += '_';
      }
    } else if (c == '_') {
      *label += "__";
    } else {
      *label += c;
    }
  }
}

// Shows "Ctrl+N" style accelerator texts in the accelerator column.
void SetAccelText(GtkWidget* item, const std::string& accel) {
  if (accel.empty()) return;
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(item));
  if (!child || !GTK_IS_ACCEL_LABEL(child)) return;
  GdkModifierType mods = static_cast<GdkModifierType>(0);
  std::string rest = accel;
  for (;;) {
    if (rest.rfind("Ctrl+", 0) == 0) {
      mods = static_cast<GdkModifierType>(mods | GDK_CONTROL_MASK);
      rest = rest.substr(5);
    } else if (rest.rfind("Shift+", 0) == 0) {
      mods = static_cast<GdkModifierType>(mods | GDK_SHIFT_MASK);
      rest = rest.substr(6);
    } else if (rest.rfind("Alt+", 0) == 0) {
      mods = static_cast<GdkModifierType>(mods | GDK_MOD1_MASK);
      rest = rest.substr(4);
    } else {
      break;
    }
  }
  guint key = gdk_keyval_from_name(rest.c_str());
  if (rest.size() == 1) key = gdk_unicode_to_keyval(static_cast<guint32>(rest[0]));
  if (key != 0 && key != GDK_KEY_VoidSymbol) gtk_accel_label_set_accel(GTK_ACCEL_LABEL(child), key, mods);
}

// --- menus ---------------------------------------------------------------------------

void OnMenuActivate(GtkMenuItem* item, gpointer data);

RenderedEntry::Kind KindOf(const platform::MenuItemModel& m) {
  if (m.type == MFT_SEPARATOR) return RenderedEntry::kSeparator;
  if (m.subMenu) return RenderedEntry::kPopup;
  return (m.state & MF_CHECKED) ? RenderedEntry::kChecked : RenderedEntry::kPlain;
}

void SyncMenu(GtkWin* w, RenderedMenu& menu, const std::vector<platform::MenuItemModel>& items,
              int depth);

void SyncPopup(GtkWin* w, HMENU sub, GtkWidget* item, int depth) {
  const platform::MenuModel* model = platform::GetMenuModel(sub);
  if (!model || depth > 16) return;
  RenderedMenu& popup = w->popups[sub];
  if (!popup.shell) {
    popup.shell = gtk_menu_new();
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), popup.shell);
  }
  SyncMenu(w, popup, model->items, depth + 1);
}

void UpdateEntry(GtkWin* w, RenderedEntry& e, const platform::MenuItemModel& m, int depth) {
  if (e.kind == RenderedEntry::kSeparator) return;
  if (e.text != m.text) {
    std::string label, accel;
    SplitMenuText(m.text, &label, &accel);
    gtk_menu_item_set_label(GTK_MENU_ITEM(e.widget), label.c_str());
    SetAccelText(e.widget, accel);
    e.text = m.text;
  }
  gtk_widget_set_sensitive(e.widget, (m.state & (MF_GRAYED | MF_DISABLED)) == 0);
  g_object_set_data(G_OBJECT(e.widget), "command-id", GUINT_TO_POINTER(m.id));
  if (e.kind == RenderedEntry::kChecked) {
    g_signal_handlers_block_by_func(e.widget, reinterpret_cast<gpointer>(OnMenuActivate), w);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(e.widget), (m.state & MF_CHECKED) != 0);
    g_signal_handlers_unblock_by_func(e.widget, reinterpret_cast<gpointer>(OnMenuActivate), w);
  }
  e.state = m.state;
  if (e.kind == RenderedEntry::kPopup) SyncPopup(w, m.subMenu, e.widget, depth);
}

void ForgetPopups(GtkWin* w, const RenderedMenu& menu) {
  for (const RenderedEntry& e : menu.entries) {
    if (e.kind != RenderedEntry::kPopup) continue;
    auto it = w->popups.find(e.subMenu);
    if (it == w->popups.end()) continue;
    RenderedMenu inner = std::move(it->second);
    w->popups.erase(it);
    ForgetPopups(w, inner);
  }
}

// Brings a rendered menu in line with the model's items: in place when only
// texts and states changed (an open menu stays open), rebuilt otherwise.
void SyncMenu(GtkWin* w, RenderedMenu& menu, const std::vector<platform::MenuItemModel>& items,
              int depth) {
  bool same = menu.entries.size() == items.size();
  for (size_t i = 0; same && i < items.size(); ++i)
    same = menu.entries[i].kind == KindOf(items[i]) && menu.entries[i].subMenu == items[i].subMenu;
  if (!same) {
    ForgetPopups(w, menu);
    for (RenderedEntry& e : menu.entries) gtk_widget_destroy(e.widget);
    menu.entries.clear();
    for (const platform::MenuItemModel& m : items) {
      RenderedEntry e;
      e.kind = KindOf(m);
      e.subMenu = m.subMenu;
      std::string label, accel;
      SplitMenuText(m.text, &label, &accel);
      switch (e.kind) {
        case RenderedEntry::kSeparator: e.widget = gtk_separator_menu_item_new(); break;
        case RenderedEntry::kChecked: e.widget = gtk_check_menu_item_new_with_mnemonic(label.c_str()); break;
        default: e.widget = gtk_menu_item_new_with_mnemonic(label.c_str()); break;
      }
      e.text = m.text;
      SetAccelText(e.widget, accel);
      if (e.kind == RenderedEntry::kPlain || e.kind == RenderedEntry::kChecked)
        g_signal_connect(e.widget, "activate", G_CALLBACK(OnMenuActivate), w);
      gtk_menu_shell_append(GTK_MENU_SHELL(menu.shell), e.widget);
      gtk_widget_show(e.widget);
      e.text.clear();  // set again below, with the states
      menu.entries.push_back(e);
    }
  }
  for (size_t i = 0; i < items.size(); ++i) UpdateEntry(w, menu.entries[i], items[i], depth);
}

void SyncBar(GtkWin* w) {
  const platform::WindowModel* model = platform::GetWindowModel(w->hwnd);
  if (!model) return;
  SyncMenu(w, w->bar, model->shownMenuBar, 0);
  gtk_widget_set_visible(w->menubar, !model->shownMenuBar.empty());
}

void OnMenuActivate(GtkMenuItem* item, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  UINT id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "command-id"));
  PostMessageA(w->hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  // A check item ticked itself; the game decides with CheckMenuItem.
  if (GTK_IS_CHECK_MENU_ITEM(item)) SyncBar(w);
  for (auto& [sub, popup] : w->popups)
    if (const platform::MenuModel* m = platform::GetMenuModel(sub)) SyncMenu(w, popup, m->items, 1);
}

// A click on an entry of the bar that opens no pop-up is its command, as on
// the desktop the game was made for; the bar alone would only select it.
gboolean OnBarButtonRelease(GtkWidget* bar, GdkEventButton* event, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  if (event->button != 1) return FALSE;
  for (const RenderedEntry& e : w->bar.entries) {
    if (e.kind != RenderedEntry::kPlain || !gtk_widget_is_sensitive(e.widget)) continue;
    GtkAllocation a;
    gtk_widget_get_allocation(e.widget, &a);
    int rootX = 0, rootY = 0;
    gdk_window_get_origin(gtk_widget_get_window(bar), &rootX, &rootY);
    double px = event->x_root - rootX, py = event->y_root - rootY;
    if (px < a.x || px >= a.x + a.width || py < a.y || py >= a.y + a.height) continue;
    gtk_menu_shell_deactivate(GTK_MENU_SHELL(bar));
    UINT id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(e.widget), "command-id"));
    PostMessageA(w->hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return TRUE;
  }
  return FALSE;
}

// --- input ---------------------------------------------------------------------------

int VirtualKeyOf(GdkEventKey* event) {
  // The key without Shift, so Shift+1 is still '1'.
  guint keyval = event->keyval;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  guint plain = 0;
  if (gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode,
                                          static_cast<GdkModifierType>(0), event->group, &plain,
                                          nullptr, nullptr, nullptr))
    keyval = plain;
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + static_cast<int>(keyval - GDK_KEY_a);
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + static_cast<int>(keyval - GDK_KEY_A);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + static_cast<int>(keyval - GDK_KEY_0);
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return VK_F1 + static_cast<int>(keyval - GDK_KEY_F1);
  switch (keyval) {
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: return VK_RETURN;
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_Tab: case GDK_KEY_ISO_Left_Tab: return VK_TAB;
    case GDK_KEY_Left: return VK_LEFT;
    case GDK_KEY_Right: return VK_RIGHT;
    case GDK_KEY_Up: return VK_UP;
    case GDK_KEY_Down: return VK_DOWN;
    case GDK_KEY_Page_Up: return VK_PRIOR;
    case GDK_KEY_Page_Down: return VK_NEXT;
    case GDK_KEY_Home: return VK_HOME;
    case GDK_KEY_End: return VK_END;
    case GDK_KEY_Insert: return VK_INSERT;
    case GDK_KEY_Delete: case GDK_KEY_KP_Delete: return VK_DELETE;
    case GDK_KEY_Pause: return VK_PAUSE;
    case GDK_KEY_Shift_L: return VK_LSHIFT;
    case GDK_KEY_Shift_R: return VK_RSHIFT;
    case GDK_KEY_Control_L: return VK_LCONTROL;
    case GDK_KEY_Control_R: return VK_RCONTROL;
    case GDK_KEY_Alt_L: case GDK_KEY_Meta_L: return VK_LMENU;
    case GDK_KEY_Alt_R: case GDK_KEY_Meta_R: case GDK_KEY_ISO_Level3_Shift: return VK_RMENU;
    default: return 0;
  }
}

// Left and right forms of the modifiers are held by side; their messages
// carry the common key, as the game's procedures expect.
int MessageKeyOf(int vk) {
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  int vk = VirtualKeyOf(event);
  bool down = event->type == GDK_KEY_PRESS;
  bool alt = (event->state & GDK_MOD1_MASK) != 0 || vk == VK_LMENU || vk == VK_RMENU;
  if (vk != 0) {
    platform::SetKeyHeld(vk, down);
    int key = MessageKeyOf(vk);
    UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    LPARAM lParam = static_cast<LPARAM>((event->hardware_keycode & 0xFF) << 16 | 1);
    if (!down) lParam |= static_cast<LPARAM>(0xC0000000u);
    PostMessageA(w->hwnd, message, static_cast<WPARAM>(key), lParam);
  }
  // With Alt the menu bar's mnemonics and F10 stay the desktop's; every other
  // key is the game's alone.
  return alt || event->keyval == GDK_KEY_F10 ? FALSE : TRUE;
}

void UpdateClientOrigin(GtkWin* w) {
  GdkWindow* top = gtk_widget_get_window(w->window);
  if (!top || !gtk_widget_get_realized(w->area)) return;
  int ox = 0, oy = 0, ax = 0, ay = 0, wx = 0, wy = 0;
  gdk_window_get_origin(top, &ox, &oy);
  gtk_widget_translate_coordinates(w->area, w->window, 0, 0, &ax, &ay);
  gtk_window_get_position(GTK_WINDOW(w->window), &wx, &wy);
  bool minimized = (gdk_window_get_state(top) & GDK_WINDOW_STATE_ICONIFIED) != 0;
  platform::SetWindowPlacementFromFace(w->hwnd, POINT{wx, wy}, POINT{ox + ax, oy + ay}, minimized);
}

void TrackPointer(GtkWin* w, double xRoot, double yRoot, double x, double y) {
  platform::SetCursorScreenPos(POINT{static_cast<LONG>(xRoot), static_cast<LONG>(yRoot)});
  // The event's own coordinates are the client's: the surest origin there is.
  platform::SetWindowClientOrigin(
      w->hwnd, POINT{static_cast<LONG>(xRoot - x), static_cast<LONG>(yRoot - y)});
}

int ButtonKey(guint button) {
  switch (button) {
    case 1: return VK_LBUTTON;
    case 2: return VK_MBUTTON;
    case 3: return VK_RBUTTON;
    default: return 0;
  }
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  TrackPointer(w, event->x_root, event->y_root, event->x, event->y);
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
  int vk = ButtonKey(event->button);
  if (vk == 0) return TRUE;
  bool down = event->type == GDK_BUTTON_PRESS;
  platform::SetKeyHeld(vk, down);
  UINT message = vk == VK_LBUTTON ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
               : vk == VK_RBUTTON ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                                  : 0;
  if (message)
    PostMessageA(w->hwnd, message, 0,
                 MAKELPARAM(static_cast<WORD>(event->x), static_cast<WORD>(event->y)));
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  TrackPointer(static_cast<GtkWin*>(data), event->x_root, event->y_root, event->x, event->y);
  return TRUE;
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  TrackPointer(w, event->x_root, event->y_root, event->x, event->y);
  int notches = 0;
  if (event->direction == GDK_SCROLL_UP) notches = 1;
  else if (event->direction == GDK_SCROLL_DOWN) notches = -1;
  else if (event->direction == GDK_SCROLL_SMOOTH) {
    w->wheelRest -= event->delta_y;
    while (w->wheelRest >= 1) { notches += 1; w->wheelRest -= 1; }
    while (w->wheelRest <= -1) { notches -= 1; w->wheelRest += 1; }
  }
  LPARAM at = MAKELPARAM(static_cast<WORD>(event->x_root), static_cast<WORD>(event->y_root));
  for (; notches > 0; --notches)
    PostMessageA(w->hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
  for (; notches < 0; ++notches)
    PostMessageA(w->hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
  return TRUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  PostMessageA(static_cast<GtkWin*>(data)->hwnd, WM_CLOSE, 0, 0);
  return TRUE;  // the procedure decides; DestroyWindow closes it
}

gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer data) {
  platform::SetWindowActiveFromFace(static_cast<GtkWin*>(data)->hwnd, event->in != 0);
  return FALSE;
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer data) {
  UpdateClientOrigin(static_cast<GtkWin*>(data));
  return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  UpdateClientOrigin(w);
  bool minimized = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
  if (!minimized && (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) {
    PostMessageA(w->hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
    InvalidateRect(w->hwnd, nullptr, FALSE);
  }
  return FALSE;
}

void OnAreaAllocate(GtkWidget*, GdkRectangle*, gpointer data) {
  UpdateClientOrigin(static_cast<GtkWin*>(data));
}

gboolean OnRender(GtkGLArea*, GdkGLContext*, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  // The picture is drawn outside this signal (Present); a redraw that no
  // Present asked for means the desktop showed the window again.
  if (w->presentPending) w->presentPending = false;
  else InvalidateRect(w->hwnd, nullptr, FALSE);
  return TRUE;
}

void OnDragReceived(GtkWidget*, GdkDragContext* context, gint x, gint y,
                    GtkSelectionData* data, guint, guint time, gpointer user) {
  GtkWin* w = static_cast<GtkWin*>(user);
  std::vector<std::string> paths;
  if (gchar** uris = gtk_selection_data_get_uris(data)) {
    for (gchar** u = uris; *u; ++u) {
      if (gchar* file = g_filename_from_uri(*u, nullptr, nullptr)) {
        gchar* utf8 = g_filename_to_utf8(file, -1, nullptr, nullptr, nullptr);
        if (utf8) paths.push_back(platform::HostPathToGamePath(utf8));
        g_free(utf8);
        g_free(file);
      }
    }
    g_strfreev(uris);
  }
  int ax = 0, ay = 0;
  gtk_widget_translate_coordinates(w->area, w->window, 0, 0, &ax, &ay);
  bool taken = platform::DropFiles(w->hwnd, paths, POINT{x - ax, y - ay});
  gtk_drag_finish(context, taken, FALSE, time);
}

void ApplyCursor(GtkWin* w) {
  GdkWindow* gw = gtk_widget_get_window(w->window);
  if (!gw) return;
  GdkDisplay* display = gdk_window_get_display(gw);
  GdkCursor* cursor = nullptr;
  if (!FS().cursorShown) cursor = gdk_cursor_new_for_display(display, GDK_BLANK_CURSOR);
  else if (FS().cursorId == 32649) cursor = gdk_cursor_new_from_name(display, "pointer");
  gdk_window_set_cursor(gw, cursor);
  if (cursor) g_object_unref(cursor);
}

// --- message boxes and file dialogs ----------------------------------------------------

GtkWindow* ParentOf(HWND owner) {
  if (GtkWin* w = Win(owner)) return GTK_WINDOW(w->window);
  for (auto& [h, w] : FS().windows) return GTK_WINDOW(w->window);
  return nullptr;
}

struct ButtonSpec {
  int id;
  const char* label;
};

std::vector<ButtonSpec> BoxButtons(UINT type) {
  static const ButtonSpec ok{IDOK, "OK"}, cancel{IDCANCEL, "キャンセル"}, yes{IDYES, "はい(_Y)"},
      no{IDNO, "いいえ(_N)"}, abort{IDABORT, "中止(_A)"}, retry{IDRETRY, "再試行(_R)"},
      ignore{IDIGNORE, "無視(_I)"};
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {ok, cancel};
    case MB_ABORTRETRYIGNORE: return {abort, retry, ignore};
    case MB_YESNOCANCEL: return {yes, no, cancel};
    case MB_YESNO: return {yes, no};
    case MB_RETRYCANCEL: return {retry, cancel};
    default: return {ok};
  }
}

class GtkFace : public platform::WindowFace {
 public:
  void TitleChanged(HWND hwnd) override {
    GtkWin* w = Win(hwnd);
    const platform::WindowModel* m = platform::GetWindowModel(hwnd);
    if (w && m) gtk_window_set_title(GTK_WINDOW(w->window), Cp932ToUtf8(m->title).c_str());
  }

  void MenuBarChanged(HWND hwnd) override {
    if (GtkWin* w = Win(hwnd)) SyncBar(w);
  }

  void MenuChanged(HMENU menu) override {
    for (auto& [h, w] : FS().windows) {
      auto it = w->popups.find(menu);
      if (it == w->popups.end()) continue;
      if (const platform::MenuModel* m = platform::GetMenuModel(menu))
        SyncMenu(w.get(), it->second, m->items, 1);
    }
  }

  void CursorShownChanged(bool shown) override {
    FS().cursorShown = shown;
    for (auto& [h, w] : FS().windows) ApplyCursor(w.get());
  }

  void CursorSet(int id) override {
    if (FS().cursorId == id) return;
    FS().cursorId = id;
    for (auto& [h, w] : FS().windows) ApplyCursor(w.get());
  }

  int RunMessageBox(const platform::MessageBoxRequest& request) override {
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    switch (request.type & MB_ICONMASK) {
      case MB_ICONHAND: kind = GTK_MESSAGE_ERROR; break;
      case MB_ICONQUESTION: kind = GTK_MESSAGE_QUESTION; break;
      case MB_ICONEXCLAMATION: kind = GTK_MESSAGE_WARNING; break;
      case MB_ICONASTERISK: kind = GTK_MESSAGE_INFO; break;
    }
    std::string text = Cp932ToUtf8(request.text);
    GtkWidget* box = gtk_message_dialog_new(ParentOf(request.owner), GTK_DIALOG_MODAL, kind,
                                            GTK_BUTTONS_NONE, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), Cp932ToUtf8(request.caption).c_str());
    std::vector<ButtonSpec> buttons = BoxButtons(request.type);
    int def = platform::DefaultMessageBoxAnswer(request.type);
    GtkWidget* defButton = nullptr;
    bool hasCancel = false;
    for (const ButtonSpec& b : buttons) {
      GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(box), b.label, b.id);
      if (b.id == def) defButton = button;
      hasCancel = hasCancel || b.id == IDCANCEL;
    }
    gtk_dialog_set_default_response(GTK_DIALOG(box), def);
    // A box without Cancel has no way out but its buttons, as on the desktop
    // the game was made for; with Cancel, Escape and the close box cancel.
    gtk_window_set_deletable(GTK_WINDOW(box), hasCancel || buttons.size() == 1);
    if (defButton) gtk_widget_grab_focus(defButton);
    int answer = 0;
    for (;;) {
      int r = gtk_dialog_run(GTK_DIALOG(box));
      bool isButton = false;
      for (const ButtonSpec& b : buttons) isButton = isButton || b.id == r;
      if (isButton) { answer = r; break; }
      if (hasCancel) { answer = IDCANCEL; break; }
      if (buttons.size() == 1) { answer = buttons[0].id; break; }
    }
    gtk_widget_destroy(box);
    return answer;
  }

  bool RunFileDialog(const platform::FileDialogRequest& request, std::string* gamePath,
                     int* filterIndex) override {
    std::string title = Cp932ToUtf8(request.title);
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title.c_str(), ParentOf(request.owner),
        request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
        "キャンセル(_C)", GTK_RESPONSE_CANCEL, request.save ? "保存(_S)" : "開く(_O)",
        GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    std::vector<GtkFileFilter*> filters;
    for (const auto& f : request.filters) {
      GtkFileFilter* filter = gtk_file_filter_new();
      gtk_file_filter_set_name(filter, Cp932ToUtf8(f.text).c_str());
      for (const std::string& p : f.patterns) gtk_file_filter_add_pattern(filter, p.c_str());
      gtk_file_chooser_add_filter(chooser, filter);
      filters.push_back(filter);
    }
    if (request.filterIndex >= 1 && request.filterIndex <= static_cast<int>(filters.size()))
      gtk_file_chooser_set_filter(chooser, filters[request.filterIndex - 1]);
    if (!request.folder.empty()) {
      std::string host = GamePathToHost(request.folder.c_str());
      gchar* absolute = g_canonicalize_filename(host.c_str(), nullptr);
      gtk_file_chooser_set_current_folder(chooser, absolute);
      g_free(absolute);
    }
    if (request.save) {
      gtk_file_chooser_set_current_name(chooser, Cp932ToUtf8(request.fileName).c_str());
      gtk_file_chooser_set_do_overwrite_confirmation(chooser,
                                                     (request.flags & OFN_OVERWRITEPROMPT) != 0);
    }
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    bool chosen = false;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
      if (gchar* file = gtk_file_chooser_get_filename(chooser)) {
        gchar* utf8 = g_filename_to_utf8(file, -1, nullptr, nullptr, nullptr);
        if (utf8) {
          *gamePath = platform::HostPathToGamePath(utf8);
          chosen = true;
        }
        g_free(utf8);
        g_free(file);
      }
      GtkFileFilter* used = gtk_file_chooser_get_filter(chooser);
      for (size_t i = 0; i < filters.size(); ++i)
        if (filters[i] == used) *filterIndex = static_cast<int>(i + 1);
    }
    gtk_widget_destroy(dialog);
    return chosen;
  }

  void WindowCreated(HWND hwnd) override {
    platform::WindowInfo info = platform::GetWindowInfo(hwnd);
    if (!info.found || (info.style & WS_CHILD) || info.parent) return;
    const platform::WindowModel* m = platform::GetWindowModel(hwnd);
    auto owned = std::make_unique<GtkWin>();
    GtkWin* w = owned.get();
    w->hwnd = hwnd;
    w->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(w->window), Cp932ToUtf8(m->title).c_str());
    gtk_window_set_resizable(GTK_WINDOW(w->window), FALSE);
    gtk_window_move(GTK_WINDOW(w->window), info.windowRect.left, info.windowRect.top);
    w->box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(w->window), w->box);
    w->menubar = gtk_menu_bar_new();
    gtk_box_pack_start(GTK_BOX(w->box), w->menubar, FALSE, FALSE, 0);
    w->bar.shell = w->menubar;
    g_signal_connect(w->menubar, "button-release-event", G_CALLBACK(OnBarButtonRelease), w);
    w->area = gtk_gl_area_new();
    gtk_gl_area_set_required_version(GTK_GL_AREA(w->area), 3, 3);
    gtk_gl_area_set_has_alpha(GTK_GL_AREA(w->area), FALSE);
    gtk_widget_set_size_request(w->area, m->clientWidth, m->clientHeight);
    gtk_widget_add_events(w->area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK);
    gtk_box_pack_start(GTK_BOX(w->box), w->area, FALSE, FALSE, 0);

    g_signal_connect(w->area, "render", G_CALLBACK(OnRender), w);
    g_signal_connect(w->area, "button-press-event", G_CALLBACK(OnButton), w);
    g_signal_connect(w->area, "button-release-event", G_CALLBACK(OnButton), w);
    g_signal_connect(w->area, "motion-notify-event", G_CALLBACK(OnMotion), w);
    g_signal_connect(w->area, "scroll-event", G_CALLBACK(OnScroll), w);
    g_signal_connect(w->area, "size-allocate", G_CALLBACK(OnAreaAllocate), w);
    g_signal_connect(w->window, "key-press-event", G_CALLBACK(OnKey), w);
    g_signal_connect(w->window, "key-release-event", G_CALLBACK(OnKey), w);
    g_signal_connect(w->window, "delete-event", G_CALLBACK(OnDelete), w);
    g_signal_connect(w->window, "focus-in-event", G_CALLBACK(OnFocus), w);
    g_signal_connect(w->window, "focus-out-event", G_CALLBACK(OnFocus), w);
    g_signal_connect(w->window, "configure-event", G_CALLBACK(OnConfigure), w);
    g_signal_connect(w->window, "window-state-event", G_CALLBACK(OnWindowState), w);
    static GtkTargetEntry uriTarget = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(w->window, GTK_DEST_DEFAULT_ALL, &uriTarget, 1, GDK_ACTION_COPY);
    g_signal_connect(w->window, "drag-data-received", G_CALLBACK(OnDragReceived), w);

    FS().windows[hwnd] = std::move(owned);
    SyncBar(w);
    gtk_widget_show_all(w->box);
    SyncBar(w);  // show_all showed an empty bar
    // The GL context exists once the area is realized; a window that is not
    // shown yet still gets it, so the device can be made before ShowWindow.
    gtk_widget_realize(w->area);
    if (info.visible) gtk_widget_show(w->window);
    SetGlContext(w);
    ApplyCursor(w);
  }

  void WindowDestroyed(HWND hwnd) override {
    auto it = FS().windows.find(hwnd);
    if (it == FS().windows.end()) return;
    if (GetGlContext() == it->second.get()) SetGlContext(nullptr);
    GtkWidget* window = it->second->window;
    FS().windows.erase(it);
    gtk_widget_destroy(window);
  }

  void WindowShown(HWND hwnd, bool visible) override {
    GtkWin* w = Win(hwnd);
    if (!w) return;
    if (visible) gtk_widget_show(w->window);
    else gtk_widget_hide(w->window);
    if (IsIconic(hwnd)) gtk_window_iconify(GTK_WINDOW(w->window));
  }

  void WindowMoved(HWND hwnd) override {
    GtkWin* w = Win(hwnd);
    if (!w) return;
    platform::WindowInfo info = platform::GetWindowInfo(hwnd);
    const platform::WindowModel* m = platform::GetWindowModel(hwnd);
    gtk_widget_set_size_request(w->area, m->clientWidth, m->clientHeight);
    gtk_window_move(GTK_WINDOW(w->window), info.windowRect.left, info.windowRect.top);
  }

  void WindowRaised(HWND hwnd) override {
    if (GtkWin* w = Win(hwnd)) gtk_window_present(GTK_WINDOW(w->window));
  }

  bool PumpEvents(bool wait) override {
    // Bounded, so a stream of events cannot starve the game's frames.
    for (int i = 0; i < 200 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
    if (wait && platform::PendingMessages().empty()) gtk_main_iteration_do(TRUE);
    return true;
  }
};

GtkFace* g_face = nullptr;

}  // namespace

namespace platform {

bool InstallGtkFace(std::string* error) {
  if (g_face) return true;
  // The game draws a fixed 640 x 480 picture in device pixels.
  setenv("GDK_SCALE", "1", 1);
  if (!gtk_init_check(nullptr, nullptr)) {
    if (error) *error = "cannot open the display";
    return false;
  }
  g_face = new GtkFace;
  SetWindowFace(g_face);
  return true;
}

void UninstallGtkFace() {
  if (!g_face) return;
  std::vector<HWND> open;
  for (auto& [h, w] : FS().windows) open.push_back(h);
  for (HWND h : open) g_face->WindowDestroyed(h);
  SetWindowFace(nullptr);
  delete g_face;
  g_face = nullptr;
}

bool GtkFaceInstalled() { return g_face != nullptr; }

GlContext* GtkWindowGlContext(HWND window) { return Win(window); }

bool GtkMenuEntryScreenRect(HWND window, HMENU menu, int position, RECT* rect) {
  GtkWin* w = Win(window);
  if (!w || !rect || position < 0) return false;
  const platform::WindowModel* m = platform::GetWindowModel(window);
  RenderedMenu* rendered = nullptr;
  if (m && m->menu == menu) rendered = &w->bar;
  else if (w->popups.count(menu)) rendered = &w->popups[menu];
  if (!rendered || position >= static_cast<int>(rendered->entries.size())) return false;
  GtkWidget* item = rendered->entries[position].widget;
  if (!gtk_widget_get_mapped(item)) return false;
  GdkWindow* gw = gtk_widget_get_window(item);
  int ox = 0, oy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  GtkAllocation a;
  gtk_widget_get_allocation(item, &a);
  // Allocations are relative to the widget's window for windowless widgets
  // (menu items draw on their shell's window).
  *rect = RECT{ox + a.x, oy + a.y, ox + a.x + a.width, oy + a.y + a.height};
  return true;
}

unsigned long GtkNativeWindowId(HWND window) {
  GtkWin* w = Win(window);
  if (!w) return 0;
  GdkWindow* gw = gtk_widget_get_window(w->window);
  if (!gw || !GDK_IS_X11_WINDOW(gw)) return 0;
  return gdk_x11_window_get_xid(gw);
}

}  // namespace platform
