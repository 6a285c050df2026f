// The GTK 3 face: real windows for the window model. The only file that sees
// GTK; it reads the model to render and feeds input back through the setters
// of window_model.h and the messages of win_message.h.
#include "platform/gtk_face.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/cp932.h"
#include "platform/gl_window_surface.h"
#include "platform/win_gdi.h"
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

int64_t MonotonicNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct FaceState {
  std::map<HWND, std::unique_ptr<GtkWin>> windows;
  bool cursorShown = true;
  int cursorId = 32512;
};

FaceState& FS() {
  static FaceState* state = new FaceState;
  return *state;
}

// A top-level window: menu bar over the client area. The client area draws
// straight into an X11 window of its own with an EGL context where the
// display is X11 (direct); elsewhere, or when GIZMOWORKS_PRESENT=glarea, it
// is a GtkGLArea, whose picture the toolkit copies out of GL on every frame.
class GtkWin : public GlContext {
 public:
  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* box = nullptr;
  GtkWidget* menubar = nullptr;
  GtkWidget* area = nullptr;
  std::unique_ptr<GlWindowSurface> direct;
  RenderedMenu bar;
  std::map<HMENU, RenderedMenu> popups;
  bool presentPending = false;
  double wheelRest = 0;

  // A presented frame whose buffer swap waits: the swap waits in turn for
  // the renderer to finish the picture, so it is put off until the next
  // frame starts drawing or the loop has nothing else to do. A frame that
  // is late then runs its update while the last picture is still being
  // rasterised instead of after it.
  bool swapPending = false;
  int64_t presentedAt = 0;  // CLOCK_MONOTONIC ns of the put-off frame

  void FinishPresent() {
    if (!swapPending) return;
    swapPending = false;
    direct->Swap();
    platform::NoteFirstPictureShown();
  }

  bool MakeCurrent() override {
    if (direct) {
      const bool current = direct->MakeCurrent();
      if (current) FinishPresent();
      return current;
    }
    if (!area || !gtk_widget_get_realized(area)) return false;
    gtk_gl_area_make_current(GTK_GL_AREA(area));
    return gtk_gl_area_get_error(GTK_GL_AREA(area)) == nullptr;
  }

  bool BindPresentTarget(int* width, int* height) override {
    if (direct) return direct->BindTarget(width, height);
    if (!MakeCurrent()) return false;
    gtk_gl_area_attach_buffers(GTK_GL_AREA(area));
    int scale = gtk_widget_get_scale_factor(area);
    *width = gtk_widget_get_allocated_width(area) * scale;
    *height = gtk_widget_get_allocated_height(area) * scale;
    return *width > 0 && *height > 0;
  }

  void Presented() override {
    if (direct) {
      direct->Flush();  // the renderer starts on the picture now
      swapPending = true;
      presentedAt = MonotonicNs();
      return;
    }
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

// While a modal window is up the game's window hears nothing of the pointer;
// once it is gone the pointer is read where it is now, so that nothing stays
// lit under the place where the modal window was opened.
void RefreshPointer() {
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return;
  int x = 0, y = 0;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  platform::SetCursorScreenPos(POINT{x, y});
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
  if (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) {
    const platform::WindowModel* m = platform::GetWindowModel(w->hwnd);
    LPARAM size = minimized || !m ? 0 : MAKELPARAM(m->clientWidth, m->clientHeight);
    PostMessageA(w->hwnd, WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED, size);
    if (!minimized) InvalidateRect(w->hwnd, nullptr, FALSE);
    // A minimised window is an inactive one, as the game knows it. Most
    // desktops move the focus away themselves; one that does not (or no
    // window manager at all) would leave the game running unseen.
    if (minimized && GetActiveWindow() == w->hwnd) platform::SetWindowActiveFromFace(w->hwnd, false);
  }
  return FALSE;
}

void OnAreaAllocate(GtkWidget*, GdkRectangle* allocation, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  if (w->direct) w->direct->Resize(allocation->width, allocation->height);
  UpdateClientOrigin(w);
}

// The direct client area's own X window is unknown to GDK: its exposure
// (the desktop uncovering it) is caught here and asks for a repaint.
GdkFilterReturn OnDirectXEvent(GdkXEvent* xevent, GdkEvent*, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  XEvent* e = static_cast<XEvent*>(xevent);
  if (!w->direct || e->xany.window != w->direct->Window()) return GDK_FILTER_CONTINUE;
  if (e->type == Expose && e->xexpose.count == 0) {
    // Nothing lies under the picture (no background): until it is drawn
    // again the area shows whatever covered it. A message box or a file
    // chooser runs the toolkit's loop, in which the game draws no frame,
    // so the last picture is shown again at once; the repaint asked for
    // below draws a new one when the game's loop runs again.
    if (PresentAgain(w)) w->FinishPresent();
    InvalidateRect(w->hwnd, nullptr, FALSE);
  }
  // Without a compositor the server tells when other windows cover the
  // client area wholly: nothing is drawn then.
  if (e->type == VisibilityNotify) {
    const bool covered = e->xvisibility.state == VisibilityFullyObscured;
    platform::SetWindowObscuredFromFace(w->hwnd, covered);
    if (!covered) InvalidateRect(w->hwnd, nullptr, FALSE);
  }
  return GDK_FILTER_REMOVE;
}

// Draws nothing: the direct client area's picture lies in the child window
// over it.
gboolean OnDirectDraw(GtkWidget*, cairo_t*, gpointer) { return TRUE; }

bool DirectPresentAllowed() {
  const char* present = std::getenv("GIZMOWORKS_PRESENT");
  return !present || std::strcmp(present, "glarea") != 0;
}

bool WantDirectPresent() {
  return DirectPresentAllowed() && GDK_IS_X11_DISPLAY(gdk_display_get_default());
}

// The direct client area: a drawing area with a native window, and over it
// the child window with the EGL surface. The widget comes first, packed and
// realized (null when it gets no native window); the surface is attached
// once the window is up, which gives the GL driver, loading on its own
// thread, that much longer.
GtkWidget* MakeDirectAreaWidget(GtkWin* w, int width, int height) {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, width, height);
  // The native window is made with the input events the area takes.
  gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                  GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK);
  gtk_box_pack_start(GTK_BOX(w->box), area, FALSE, FALSE, 0);
  gtk_widget_realize(area);
  GdkWindow* native = gtk_widget_get_window(area);
  if (!native || !gdk_window_ensure_native(native)) {
    gtk_widget_destroy(area);
    return nullptr;
  }
  g_signal_connect(area, "draw", G_CALLBACK(OnDirectDraw), w);
  return area;
}

// False (and nothing made) when EGL for X11 is not to be had.
bool AttachDirectSurface(GtkWin* w, GtkWidget* area, int width, int height) {
  GdkWindow* native = gtk_widget_get_window(area);
  if (!native) return false;
  // The size the area was given, should it differ from the one asked for.
  if (gtk_widget_get_allocated_width(area) > 1 && gtk_widget_get_allocated_height(area) > 1) {
    width = gtk_widget_get_allocated_width(area);
    height = gtk_widget_get_allocated_height(area);
  }
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(native));
  w->direct = GlWindowSurface::Create(display, gdk_x11_window_get_xid(native), width, height);
  if (!w->direct) return false;
  gdk_window_add_filter(nullptr, OnDirectXEvent, w);
  return true;
}

gboolean OnRender(GtkGLArea*, GdkGLContext*, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  // The picture is drawn outside this signal (Present); a redraw that no
  // Present asked for means the desktop showed the window again.
  if (w->presentPending) {
    w->presentPending = false;
    platform::NoteFirstPictureShown();  // the toolkit swaps as this signal returns
  } else {
    InvalidateRect(w->hwnd, nullptr, FALSE);
  }
  return TRUE;
}

// The client area's input and size signals.
void ConnectArea(GtkWin* w) {
  gtk_widget_add_events(w->area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK);
  g_signal_connect(w->area, "button-press-event", G_CALLBACK(OnButton), w);
  g_signal_connect(w->area, "button-release-event", G_CALLBACK(OnButton), w);
  g_signal_connect(w->area, "motion-notify-event", G_CALLBACK(OnMotion), w);
  g_signal_connect(w->area, "scroll-event", G_CALLBACK(OnScroll), w);
  g_signal_connect(w->area, "size-allocate", G_CALLBACK(OnAreaAllocate), w);
}

// The client area as a GL area of the toolkit's, packed under the menu bar.
void MakeGlArea(GtkWin* w, int width, int height) {
  w->area = gtk_gl_area_new();
  gtk_gl_area_set_required_version(GTK_GL_AREA(w->area), 3, 3);
  gtk_gl_area_set_has_alpha(GTK_GL_AREA(w->area), FALSE);
  gtk_widget_set_size_request(w->area, width, height);
  gtk_box_pack_start(GTK_BOX(w->box), w->area, FALSE, FALSE, 0);
  g_signal_connect(w->area, "render", G_CALLBACK(OnRender), w);
  ConnectArea(w);
}

// Files dropped as URIs (text/uri-list) at a point of the window's client
// area: the local ones become WM_DROPFILES with their game paths.
bool DropUris(GtkWin* w, const std::vector<std::string>& uris, POINT clientPoint) {
  std::vector<std::string> paths;
  for (const std::string& uri : uris) {
    gchar* file = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    if (!file) continue;  // not a local file
    gchar* utf8 = g_filename_to_utf8(file, -1, nullptr, nullptr, nullptr);
    // A file whose name the game cannot hold in Shift-JIS is left out rather
    // than opened under a name that means another file.
    if (utf8 && platform::HostPathFitsGame(utf8)) paths.push_back(platform::HostPathToGamePath(utf8));
    g_free(utf8);
    g_free(file);
  }
  return platform::DropFiles(w->hwnd, paths, clientPoint);
}

void OnDragReceived(GtkWidget*, GdkDragContext* context, gint x, gint y,
                    GtkSelectionData* data, guint, guint time, gpointer user) {
  GtkWin* w = static_cast<GtkWin*>(user);
  std::vector<std::string> uris;
  if (gchar** list = gtk_selection_data_get_uris(data)) {
    for (gchar** u = list; *u; ++u) uris.push_back(*u);
    g_strfreev(list);
  }
  int ax = 0, ay = 0;
  gtk_widget_translate_coordinates(w->area, w->window, 0, 0, &ax, &ay);
  bool taken = DropUris(w, uris, POINT{x - ax, y - ay});
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

struct BoxButton {
  int id;
  const char* label;
};

std::vector<BoxButton> BoxButtons(UINT type) {
  static const BoxButton ok{IDOK, "OK"}, cancel{IDCANCEL, "キャンセル"}, yes{IDYES, "はい(_Y)"},
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

// --- dialogs -----------------------------------------------------------------------------

struct ControlWidget {
  enum Kind { kButton, kGroup, kEdit, kStatic, kLink, kList } kind = kStatic;
  HWND hwnd = nullptr;
  GtkWidget* outer = nullptr;  // what sits in the dialog's GtkFixed
  GtkWidget* inner = nullptr;  // the label, entry, button or tree view
  int columns = -1;            // a list view's columns as rendered
  std::vector<std::vector<std::string>> rows;  // a list view's cells as rendered
  int scrolledTo = -1;                          // the model's top row as last scrolled to
  bool syncing = false;
};

struct DialogWin {
  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* fixed = nullptr;
  std::map<HWND, std::unique_ptr<ControlWidget>> controls;
};

std::map<HWND, std::unique_ptr<DialogWin>>& Dialogs() {
  static auto* dialogs = new std::map<HWND, std::unique_ptr<DialogWin>>;
  return *dialogs;
}

std::vector<HWND>& DirtyLists() {
  static auto* dirty = new std::vector<HWND>;
  return *dirty;
}

DialogWin* DialogOf(HWND hwnd) {
  auto it = Dialogs().find(hwnd);
  return it == Dialogs().end() ? nullptr : it->second.get();
}

ControlWidget* ControlOf(HWND hwnd) {
  if (DialogWin* d = DialogOf(GetParent(hwnd))) {
    auto it = d->controls.find(hwnd);
    if (it != d->controls.end()) return it->second.get();
  }
  return nullptr;
}

std::string TitleUtf8(HWND hwnd) {
  const platform::WindowModel* m = platform::GetWindowModel(hwnd);
  return m ? Cp932ToUtf8(m->title) : std::string();
}

std::string MnemonicUtf8(HWND hwnd) {
  const platform::WindowModel* m = platform::GetWindowModel(hwnd);
  std::string label, accel;
  if (m) SplitMenuText(m->title, &label, &accel);
  return label;
}

gboolean OnDialogDelete(GtkWidget*, GdkEvent*, gpointer data) {
  PostMessageA(static_cast<DialogWin*>(data)->hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

gboolean OnDialogConfigure(GtkWidget* window, GdkEventConfigure*, gpointer data) {
  DialogWin* d = static_cast<DialogWin*>(data);
  GdkWindow* gw = gtk_widget_get_window(window);
  if (!gw) return FALSE;
  int ox = 0, oy = 0, fx = 0, fy = 0, wx = 0, wy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  gtk_widget_translate_coordinates(d->fixed, window, 0, 0, &fx, &fy);
  gtk_window_get_position(GTK_WINDOW(window), &wx, &wy);
  platform::SetWindowPlacementFromFace(d->hwnd, POINT{wx, wy}, POINT{ox + fx, oy + fy}, false);
  return FALSE;
}

gboolean OnDialogKey(GtkWidget* window, GdkEventKey* event, gpointer data) {
  DialogWin* d = static_cast<DialogWin*>(data);
  if (event->keyval == GDK_KEY_Escape) {
    PostMessageA(d->hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
    return TRUE;
  }
  if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
    // A focused button takes Enter itself (it clicks); elsewhere Enter is
    // the dialog's default button.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
    if (focus && GTK_IS_BUTTON(focus)) return FALSE;
    PostMessageA(d->hwnd, WM_KEYDOWN, VK_RETURN, 1);
    return TRUE;
  }
  return FALSE;
}

void OnButtonClicked(GtkButton*, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  PostMessageA(GetParent(c->hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c->hwnd), BN_CLICKED),
               reinterpret_cast<LPARAM>(c->hwnd));
}

gboolean OnLinkPress(GtkWidget*, GdkEventButton* event, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  if (event->button == 1 && event->type == GDK_BUTTON_PRESS)
    PostMessageA(GetParent(c->hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c->hwnd), STN_CLICKED),
                 reinterpret_cast<LPARAM>(c->hwnd));
  return TRUE;
}

gboolean OnLinkEnter(GtkWidget* widget, GdkEventCrossing*, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  // The dialog procedure chooses the cursor over its controls.
  FS().cursorId = 32512;
  LRESULT handled = SendMessageA(GetParent(c->hwnd), WM_SETCURSOR, reinterpret_cast<WPARAM>(c->hwnd),
                                 MAKELPARAM(1, WM_MOUSEMOVE));
  GdkWindow* gw = gtk_widget_get_window(widget);
  if (!gw) return FALSE;
  GdkCursor* cursor = handled && FS().cursorId == 32649
                          ? gdk_cursor_new_from_name(gdk_window_get_display(gw), "pointer")
                          : nullptr;
  gdk_window_set_cursor(gw, cursor);
  if (cursor) g_object_unref(cursor);
  return FALSE;
}

void OnEntryChanged(GtkEditable* editable, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  if (c->syncing) return;
  std::string cp932 = Utf8ToCp932(gtk_entry_get_text(GTK_ENTRY(editable)));
  size_t limit = static_cast<size_t>(platform::GetEditLimit(c->hwnd));
  if (cp932.size() > limit) {
    // Typing past the limit is refused: cut at a whole character.
    size_t n = 0;
    while (n < cp932.size()) {
      size_t len = Cp932CharLength(static_cast<unsigned char>(cp932[n]));
      if (n + len > limit) break;
      n += len;
    }
    cp932.resize(n);
    c->syncing = true;
    gtk_entry_set_text(GTK_ENTRY(editable), Cp932ToUtf8(cp932).c_str());
    gtk_editable_set_position(editable, -1);
    c->syncing = false;
  }
  platform::SetWindowTextFromFace(c->hwnd, cp932);
  PostMessageA(GetParent(c->hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c->hwnd), EN_CHANGE),
               reinterpret_cast<LPARAM>(c->hwnd));
}

int RowAt(GtkTreeView* view, double x, double y) {
  GtkTreePath* path = nullptr;
  if (!gtk_tree_view_get_path_at_pos(view, static_cast<int>(x), static_cast<int>(y), &path, nullptr,
                                     nullptr, nullptr))
    return -1;
  int row = gtk_tree_path_get_indices(path)[0];
  gtk_tree_path_free(path);
  return row;
}

void MarkListDirty(HWND hwnd);

gboolean OnListButton(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  if (event->window != gtk_tree_view_get_bin_window(GTK_TREE_VIEW(widget))) return FALSE;
  int row = RowAt(GTK_TREE_VIEW(widget), event->x, event->y);
  gtk_widget_grab_focus(widget);
  UINT code = 0;
  if (event->type == GDK_2BUTTON_PRESS && event->button == 1) code = NM_DBLCLK;
  else if (event->type == GDK_BUTTON_PRESS && event->button == 1) code = NM_CLICK;
  else if (event->type == GDK_BUTTON_RELEASE && event->button == 3) code = NM_RCLICK;
  if (event->type == GDK_BUTTON_PRESS && event->button == 3 && row >= 0) {
    // The right press selects the row; the right click is told at the
    // release, as a list view does, so that the menu it opens is not closed
    // again by the release of the very button that asked for it.
    platform::ListViewSelectRow(c->hwnd, row);
    MarkListDirty(c->hwnd);
    return TRUE;
  }
  if (!code) return TRUE;
  platform::SetCursorScreenPos(POINT{static_cast<LONG>(event->x_root), static_cast<LONG>(event->y_root)});
  platform::ListViewClickRow(c->hwnd, row, code);
  if (std::find(DirtyLists().begin(), DirtyLists().end(), c->hwnd) == DirtyLists().end())
    DirtyLists().push_back(c->hwnd);
  return TRUE;
}

void MarkListDirty(HWND hwnd) {
  if (std::find(DirtyLists().begin(), DirtyLists().end(), hwnd) == DirtyLists().end())
    DirtyLists().push_back(hwnd);
}

gboolean OnListKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  const platform::ListViewModel* lv = platform::GetListViewModel(c->hwnd);
  if (!lv || lv->rows.empty()) return FALSE;
  int count = static_cast<int>(lv->rows.size());
  int row = static_cast<int>(SendMessageA(c->hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  switch (event->keyval) {
    case GDK_KEY_Up: row = row < 0 ? 0 : std::max(row - 1, 0); break;
    case GDK_KEY_Down: row = row < 0 ? 0 : std::min(row + 1, count - 1); break;
    case GDK_KEY_Home: row = 0; break;
    case GDK_KEY_End: row = count - 1; break;
    default: return FALSE;
  }
  platform::ListViewSelectRow(c->hwnd, row);
  SendMessageA(c->hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  MarkListDirty(c->hwnd);
  return TRUE;
}

void OnListSelectionChanged(GtkTreeSelection* selection, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  if (c->syncing) return;
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  int row = -1;
  if (gtk_tree_selection_get_selected(selection, &model, &iter)) {
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
  }
  platform::ListViewSelectRow(c->hwnd, row);
}

// Whether a cell's text fits its column as the view shows it (the cell's
// padding and the view's separators taken off the column's width).
bool CellTextFits(GtkTreeView* view, GtkTreeViewColumn* column, const char* utf8) {
  PangoLayout* layout = gtk_widget_create_pango_layout(GTK_WIDGET(view), utf8);
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
  int xpad = 0;
  GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
  if (cells) {
    gtk_cell_renderer_get_padding(GTK_CELL_RENDERER(cells->data), &xpad, nullptr);
    g_list_free(cells);
  }
  return w + 2 * xpad + 6 <= gtk_tree_view_column_get_width(column);
}

// A cell cut by its column shows its whole text as a tooltip.
gboolean OnListTooltip(GtkWidget* widget, gint x, gint y, gboolean keyboard, GtkTooltip* tooltip,
                       gpointer) {
  GtkTreeView* view = GTK_TREE_VIEW(widget);
  GtkTreeModel* model = nullptr;
  GtkTreePath* path = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_view_get_tooltip_context(view, &x, &y, keyboard, &model, &path, &iter)) return FALSE;
  GtkTreeViewColumn* column = nullptr;
  gboolean shown = FALSE;
  if (gtk_tree_view_get_path_at_pos(view, x, y, nullptr, &column, nullptr, nullptr) && column) {
    int index = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(column), "column-index"));
    gchar* text = nullptr;
    gtk_tree_model_get(model, &iter, index, &text, -1);
    if (text && *text && !CellTextFits(view, column, text)) {
      gtk_tooltip_set_text(tooltip, text);
      gtk_tree_view_set_tooltip_cell(view, tooltip, path, column, nullptr);
      shown = TRUE;
    }
    g_free(text);
  }
  gtk_tree_path_free(path);
  return shown;
}

void OnColumnClicked(GtkTreeViewColumn* column, gpointer data) {
  ControlWidget* c = static_cast<ControlWidget*>(data);
  int index = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(column), "column-index"));
  platform::ListViewClickColumn(c->hwnd, index);
}

// Puts the model's rows into the view's store, detached from the view
// meanwhile so that the view takes them in at once.
void FillListStore(ControlWidget* c, const platform::ListViewModel* lv, int n) {
  GtkTreeView* view = GTK_TREE_VIEW(c->inner);
  GtkListStore* store = GTK_LIST_STORE(gtk_tree_view_get_model(view));
  g_object_ref(store);
  gtk_tree_view_set_model(view, nullptr);
  gtk_list_store_clear(store);
  std::vector<GValue> values(static_cast<size_t>(n));
  std::vector<int> indexes(static_cast<size_t>(n));
  std::vector<std::string> utf8(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) indexes[static_cast<size_t>(i)] = i;
  c->rows.clear();
  for (const platform::ListViewRow& row : lv->rows) {
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
      utf8[i] = i < row.texts.size() ? Cp932ToUtf8(row.texts[i]) : std::string();
      values[i] = G_VALUE_INIT;
      g_value_init(&values[i], G_TYPE_STRING);
      g_value_set_static_string(&values[i], utf8[i].c_str());
    }
    gtk_list_store_insert_with_valuesv(store, nullptr, -1, indexes.data(), values.data(), n);
    for (GValue& v : values) g_value_unset(&v);
    c->rows.push_back(row.texts);
  }
  gtk_tree_view_set_model(view, GTK_TREE_MODEL(store));
  g_object_unref(store);
}

// Renders a list view from its model: columns when they changed, then every
// row and the selection.
void SyncList(ControlWidget* c) {
  const platform::ListViewModel* lv = platform::GetListViewModel(c->hwnd);
  if (!lv) return;
  GtkTreeView* view = GTK_TREE_VIEW(c->inner);
  c->syncing = true;
  int n = static_cast<int>(lv->columns.size());
  if (c->columns != n) {
    while (GtkTreeViewColumn* old = gtk_tree_view_get_column(view, 0)) gtk_tree_view_remove_column(view, old);
    std::vector<GType> types(static_cast<size_t>(std::max(n, 1)), G_TYPE_STRING);
    GtkListStore* store = gtk_list_store_newv(static_cast<int>(types.size()), types.data());
    gtk_tree_view_set_model(view, GTK_TREE_MODEL(store));
    g_object_unref(store);
    c->rows.clear();
    for (int i = 0; i < n; ++i) {
      GtkCellRenderer* cell = gtk_cell_renderer_text_new();
      // A text cut by its column says so; its tooltip shows it whole.
      g_object_set(cell, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
      if (lv->columns[i].format == LVCFMT_RIGHT) g_object_set(cell, "xalign", 1.0, nullptr);
      GtkTreeViewColumn* column =
          gtk_tree_view_column_new_with_attributes("", cell, "text", i, nullptr);
      gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
      gtk_tree_view_column_set_clickable(column, TRUE);
      gtk_tree_view_column_set_resizable(column, TRUE);
      g_object_set_data(G_OBJECT(column), "column-index", GINT_TO_POINTER(i));
      g_signal_connect(column, "clicked", G_CALLBACK(OnColumnClicked), c);
      gtk_tree_view_append_column(view, column);
    }
    c->columns = n;
  }
  for (int i = 0; i < n; ++i) {
    GtkTreeViewColumn* column = gtk_tree_view_get_column(view, i);
    gtk_tree_view_column_set_title(column, Cp932ToUtf8(lv->columns[i].text).c_str());
    int width = lv->columns[i].width;
    gtk_tree_view_column_set_visible(column, width > 0);
    if (width > 0) gtk_tree_view_column_set_fixed_width(column, width);
  }
  gtk_tree_view_set_grid_lines(view, (lv->exStyle & LVS_EX_GRIDLINES) ? GTK_TREE_VIEW_GRID_LINES_BOTH
                                                                       : GTK_TREE_VIEW_GRID_LINES_NONE);
  // The rows are filled while the store is away from the view, so the view
  // hears of them once instead of row by row; rows as they were are kept
  // (a click that only selects leaves the view scrolled where it was).
  bool sameRows = c->rows.size() == lv->rows.size();
  for (size_t r = 0; sameRows && r < lv->rows.size(); ++r) sameRows = c->rows[r] == lv->rows[r].texts;
  if (!sameRows) FillListStore(c, lv, n);
  int selected = -1;
  for (size_t r = 0; r < lv->rows.size(); ++r)
    if (lv->rows[r].state & LVIS_SELECTED) selected = static_cast<int>(r);
  GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
  gtk_tree_selection_unselect_all(selection);
  if (selected >= 0) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(selected, -1);
    gtk_tree_selection_select_path(selection, path);
    gtk_tree_path_free(path);
  }
  // Scrolled only when asked anew (or the rows were put in again), so the
  // user's own scrolling stays; an unrealized view scrolls once it is shown.
  if ((!sameRows || lv->topRow != c->scrolledTo) && lv->topRow >= 0 &&
      lv->topRow < static_cast<int>(lv->rows.size())) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(lv->topRow, -1);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
  }
  c->scrolledTo = lv->topRow;
  c->syncing = false;
}

void FlushDirtyLists() {
  std::vector<HWND> dirty;
  dirty.swap(DirtyLists());
  for (HWND h : dirty)
    if (ControlWidget* c = ControlOf(h)) SyncList(c);
}

void CreateDialogWindow(HWND hwnd) {
  platform::WindowInfo info = platform::GetWindowInfo(hwnd);
  const platform::WindowModel* m = platform::GetWindowModel(hwnd);
  auto owned = std::make_unique<DialogWin>();
  DialogWin* d = owned.get();
  d->hwnd = hwnd;
  d->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(d->window), Cp932ToUtf8(m->title).c_str());
  gtk_window_set_resizable(GTK_WINDOW(d->window), FALSE);
  gtk_window_set_modal(GTK_WINDOW(d->window), TRUE);
  gtk_window_set_type_hint(GTK_WINDOW(d->window), GDK_WINDOW_TYPE_HINT_DIALOG);
  if (GtkWin* owner = Win(info.parent)) gtk_window_set_transient_for(GTK_WINDOW(d->window), GTK_WINDOW(owner->window));
  gtk_window_move(GTK_WINDOW(d->window), info.windowRect.left, info.windowRect.top);
  d->fixed = gtk_fixed_new();
  gtk_widget_set_size_request(d->fixed, m->clientWidth, m->clientHeight);
  gtk_container_add(GTK_CONTAINER(d->window), d->fixed);
  gtk_style_context_add_class(gtk_widget_get_style_context(d->window), "game-dialog");
  g_signal_connect(d->window, "delete-event", G_CALLBACK(OnDialogDelete), d);
  g_signal_connect(d->window, "key-press-event", G_CALLBACK(OnDialogKey), d);
  g_signal_connect(d->window, "configure-event", G_CALLBACK(OnDialogConfigure), d);
  Dialogs()[hwnd] = std::move(owned);
}

void CreateControl(DialogWin* d, HWND hwnd) {
  platform::WindowInfo info = platform::GetWindowInfo(hwnd);
  const platform::WindowModel* m = platform::GetWindowModel(hwnd);
  auto owned = std::make_unique<ControlWidget>();
  ControlWidget* c = owned.get();
  c->hwnd = hwnd;
  if (info.className == WC_BUTTONA && (info.style & 0xF) == BS_GROUPBOX) {
    c->kind = ControlWidget::kGroup;
    c->outer = c->inner = gtk_frame_new(TitleUtf8(hwnd).c_str());
  } else if (info.className == WC_BUTTONA) {
    c->kind = ControlWidget::kButton;
    c->outer = c->inner = gtk_button_new_with_mnemonic(MnemonicUtf8(hwnd).c_str());
    g_signal_connect(c->inner, "clicked", G_CALLBACK(OnButtonClicked), c);
  } else if (info.className == WC_EDITA) {
    c->kind = ControlWidget::kEdit;
    c->outer = c->inner = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(c->inner), TitleUtf8(hwnd).c_str());
    g_signal_connect(c->inner, "changed", G_CALLBACK(OnEntryChanged), c);
  } else if (info.className == WC_LISTVIEWA) {
    c->kind = ControlWidget::kList;
    c->outer = gtk_scrolled_window_new(nullptr, nullptr);
    // Columns wider than the view are reached with a scroll bar that is
    // always there to see, not one that shows only while scrolling.
    gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(c->outer), FALSE);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(c->outer), GTK_SHADOW_IN);
    c->inner = gtk_tree_view_new();
    // Every row is one line of text in columns of fixed widths: the view
    // measures one row and takes it for all instead of measuring each cell.
    gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(c->inner), TRUE);
    gtk_container_add(GTK_CONTAINER(c->outer), c->inner);
    // The selection is the model's: the tree shows it, clicks and keys change
    // it through the model (the tree alone would select a row on focus).
    gtk_tree_selection_set_select_function(
        gtk_tree_view_get_selection(GTK_TREE_VIEW(c->inner)),
        +[](GtkTreeSelection*, GtkTreeModel*, GtkTreePath*, gboolean, gpointer data) -> gboolean {
          return static_cast<ControlWidget*>(data)->syncing;
        },
        c, nullptr);
    gtk_widget_set_has_tooltip(c->inner, TRUE);
    g_signal_connect(c->inner, "query-tooltip", G_CALLBACK(OnListTooltip), c);
    g_signal_connect(c->inner, "key-press-event", G_CALLBACK(OnListKey), c);
    g_signal_connect(c->inner, "button-press-event", G_CALLBACK(OnListButton), c);
    g_signal_connect(c->inner, "button-release-event", G_CALLBACK(OnListButton), c);
    g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(c->inner)), "changed",
                     G_CALLBACK(OnListSelectionChanged), c);
  } else if (info.style & SS_NOTIFY) {
    // Clickable statics: the dialog's links (drawn as WM_CTLCOLORSTATIC says).
    c->kind = ControlWidget::kLink;
    c->inner = gtk_label_new(nullptr);
    c->outer = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(c->outer), c->inner);
    gtk_widget_add_events(c->outer, GDK_ENTER_NOTIFY_MASK | GDK_BUTTON_PRESS_MASK);
    g_signal_connect(c->outer, "button-press-event", G_CALLBACK(OnLinkPress), c);
    g_signal_connect(c->outer, "enter-notify-event", G_CALLBACK(OnLinkEnter), c);
  } else {
    c->kind = ControlWidget::kStatic;
    c->outer = c->inner = gtk_label_new(nullptr);
  }
  // The Japanese gothics lose their thin strokes (an underscore) to full
  // hinting at dialog sizes: dialog texts are hinted lightly whatever the
  // desktop's default.
  static cairo_font_options_t* lightHinting = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
    return o;
  }();
  gtk_widget_set_font_options(c->inner, lightHinting);
  if (c->kind == ControlWidget::kStatic || c->kind == ControlWidget::kLink) {
    gtk_label_set_xalign(GTK_LABEL(c->inner), 0.0f);
    gtk_label_set_yalign(GTK_LABEL(c->inner), 0.0f);
    // Several lines only where the template leaves room for them; a single
    // line never widens the dialog beyond its size.
    const bool wraps = m->clientHeight >= 28;
    gtk_label_set_line_wrap(GTK_LABEL(c->inner), wraps);
    if (!wraps && c->kind == ControlWidget::kStatic)
      gtk_label_set_ellipsize(GTK_LABEL(c->inner), PANGO_ELLIPSIZE_END);
  }
  gtk_widget_set_size_request(c->outer, m->clientWidth, m->clientHeight);
  POINT at{0, 0};
  ClientToScreen(hwnd, &at);
  POINT dialogOrigin{0, 0};
  ClientToScreen(d->hwnd, &dialogOrigin);
  gtk_fixed_put(GTK_FIXED(d->fixed), c->outer, at.x - dialogOrigin.x, at.y - dialogOrigin.y);
  d->controls[hwnd] = std::move(owned);
  if (info.visible) gtk_widget_show_all(c->outer);
}

// A GDI font as a Pango description: the desktop family for its face and
// pitch, its cell height in pixels, bold from weight 700.
std::string FontDescriptionOf(const platform::FontInfo& font) {
  std::string desc = platform::FontFamilyFor(font.faceCp932, font.pitchAndFamily) + ",";
  if (font.weight >= FW_BOLD) desc += " Bold";
  if (font.italic) desc += " Italic";
  return desc + " " + std::to_string(font.height) + "px";
}

// A static control's context: it measures text as the control's label shows it.
class FaceDc : public HDC__ {
 public:
  explicit FaceDc(GtkWidget* label) : label_(label) {}
  ~FaceDc() override { platform::ForgetDc(this); }
  bool MeasureText(const char* text, int count, SIZE* size) override {
    if (!size || count < 0 || (count > 0 && !text)) return false;
    std::string utf8 = Cp932ToUtf8(std::string(text, static_cast<size_t>(count)));
    PangoLayout* layout = gtk_widget_create_pango_layout(label_, utf8.c_str());
    // In the font the procedure chose into this context, as the label shows it.
    platform::FontInfo font = platform::GetFontInfo(platform::GetDcState(this).font);
    if (font.found) {
      PangoFontDescription* desc = pango_font_description_from_string(FontDescriptionOf(font).c_str());
      pango_layout_set_font_description(layout, desc);
      pango_font_description_free(desc);
    }
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    *size = SIZE{w, h};
    return true;
  }

 private:
  GtkWidget* label_;
};

// Asks the dialog procedure how a static is drawn (WM_CTLCOLORSTATIC) and
// shows its text so: the text colour and the font's underline it chose.
void StyleStatic(ControlWidget* c) {
  if (c->kind != ControlWidget::kStatic && c->kind != ControlWidget::kLink) return;
  HWND dialog = GetParent(c->hwnd);
  FaceDc dc(c->inner);
  LRESULT brush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(static_cast<HDC>(&dc)),
                               reinterpret_cast<LPARAM>(c->hwnd));
  platform::DcState state = platform::GetDcState(&dc);
  platform::FontInfo font = platform::GetFontInfo(state.font);
  gchar* escaped = g_markup_escape_text(TitleUtf8(c->hwnd).c_str(), -1);
  std::string markup = escaped;
  g_free(escaped);
  if (brush && (state.textColorSet || font.underline || font.found)) {
    std::string span = "<span";
    if (font.found) {
      gchar* desc = g_markup_escape_text(FontDescriptionOf(font).c_str(), -1);
      span += std::string(" font=\"") + desc + "\"";
      g_free(desc);
    }
    if (state.textColorSet) {
      char colour[16];
      snprintf(colour, sizeof(colour), "#%02X%02X%02X", GetRValue(state.textColor),
               GetGValue(state.textColor), GetBValue(state.textColor));
      span += std::string(" foreground=\"") + colour + "\"";
    }
    if (font.underline) span += " underline=\"single\"";
    markup = span + ">" + markup + "</span>";
  }
  gtk_label_set_markup(GTK_LABEL(c->inner), markup.c_str());
}

void SetControlText(ControlWidget* c) {
  std::string text = TitleUtf8(c->hwnd);
  switch (c->kind) {
    case ControlWidget::kButton:
      gtk_button_set_label(GTK_BUTTON(c->inner), MnemonicUtf8(c->hwnd).c_str());
      break;
    case ControlWidget::kGroup:
      gtk_frame_set_label(GTK_FRAME(c->inner), text.c_str());
      break;
    case ControlWidget::kEdit:
      if (text != gtk_entry_get_text(GTK_ENTRY(c->inner))) {
        c->syncing = true;
        gtk_entry_set_text(GTK_ENTRY(c->inner), text.c_str());
        c->syncing = false;
      }
      break;
    case ControlWidget::kLink:
    case ControlWidget::kStatic: {
      DialogWin* d = DialogOf(GetParent(c->hwnd));
      if (d && gtk_widget_get_visible(d->window)) StyleStatic(c);
      else gtk_label_set_text(GTK_LABEL(c->inner), text.c_str());
      break;
    }
    case ControlWidget::kList:
      break;
  }
}

UINT RunGtkPopupMenu(HMENU menu, POINT screen, HWND owner) {
  const platform::MenuModel* model = platform::GetMenuModel(menu);
  if (!model) return 0;
  struct Run {
    UINT chosen = 0;
    bool done = false;
  } run;
  GtkWidget* popup = gtk_menu_new();
  for (const platform::MenuItemModel& m : model->items) {
    GtkWidget* item;
    if (m.type == MFT_SEPARATOR) {
      item = gtk_separator_menu_item_new();
    } else {
      std::string label, accel;
      SplitMenuText(m.text, &label, &accel);
      item = gtk_menu_item_new_with_mnemonic(label.c_str());
      gtk_widget_set_sensitive(item, (m.state & (MF_GRAYED | MF_DISABLED)) == 0 && !m.subMenu);
      g_object_set_data(G_OBJECT(item), "command-id", GUINT_TO_POINTER(m.id));
      g_signal_connect(item, "activate", G_CALLBACK(+[](GtkMenuItem* i, gpointer data) {
        static_cast<Run*>(data)->chosen = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(i), "command-id"));
      }), &run);
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(popup), item);
  }
  g_signal_connect(popup, "selection-done", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
    static_cast<Run*>(data)->done = true;
  }), &run);
  g_signal_connect(popup, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
    // A dismissal without a choice ends here; a choice follows at once.
    g_idle_add(+[](gpointer d) -> gboolean {
      static_cast<Run*>(d)->done = true;
      return G_SOURCE_REMOVE;
    }, data);
  }), &run);
  gtk_widget_show_all(popup);
  GtkWidget* anchor = nullptr;
  if (DialogWin* d = DialogOf(owner)) anchor = d->window;
  else if (GtkWin* w = Win(owner)) anchor = w->window;
  GdkWindow* gw = anchor ? gtk_widget_get_window(anchor) : nullptr;
  if (!gw) {
    gtk_widget_destroy(popup);
    return 0;
  }
  int ox = 0, oy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  GdkRectangle rect{screen.x - ox, screen.y - oy, 1, 1};
  gtk_menu_popup_at_rect(GTK_MENU(popup), gw, &rect, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST,
                         nullptr);
  if (!gtk_widget_get_visible(popup)) run.done = true;
  while (!run.done) gtk_main_iteration_do(TRUE);
  // The idle that ends a dismissal may still be queued: let it run while
  // `run` is alive.
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gtk_widget_destroy(popup);
  return run.chosen;
}

class GtkFace : public platform::WindowFace {
 public:
  void TitleChanged(HWND hwnd) override {
    if (DialogWin* d = DialogOf(hwnd)) {
      gtk_window_set_title(GTK_WINDOW(d->window), TitleUtf8(hwnd).c_str());
      return;
    }
    if (ControlWidget* c = ControlOf(hwnd)) {
      SetControlText(c);
      return;
    }
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
    std::vector<BoxButton> buttons = BoxButtons(request.type);
    int def = platform::DefaultMessageBoxAnswer(request.type);
    GtkWidget* defButton = nullptr;
    bool hasCancel = false;
    for (const BoxButton& b : buttons) {
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
      for (const BoxButton& b : buttons) isButton = isButton || b.id == r;
      if (isButton) { answer = r; break; }
      if (hasCancel) { answer = IDCANCEL; break; }
      if (buttons.size() == 1) { answer = buttons[0].id; break; }
    }
    gtk_widget_destroy(box);
    RefreshPointer();
    return answer;
  }

  // Why the chooser does not close, in a box over it under its own title;
  // the chooser stays as it was, the name typed still in it.
  static void TellInChooser(GtkWidget* chooser, const std::string& title, const std::string& text) {
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(chooser), GTK_DIALOG_MODAL,
                                            GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), title.c_str());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
  }

  // The chooser greys its accept button out while nothing is chosen, and
  // looks at a typed name again only 150 ms after the last key: a Return that
  // follows the typing faster than that would fall on the greyed button and
  // be lost, and the player would believe the stage saved. Before the typed
  // name's Return reaches the button, the button is made to match it; the
  // chooser still checks the name as for a click.
  static gboolean ReturnTakesTypedName(GtkWidget* dialog, GdkEventKey* event, gpointer) {
    if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter &&
        event->keyval != GDK_KEY_ISO_Enter)
      return FALSE;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog));
    GtkWidget* accept = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    if (accept && GTK_IS_ENTRY(focus) && gtk_entry_get_activates_default(GTK_ENTRY(focus)) &&
        gtk_entry_get_text_length(GTK_ENTRY(focus)) > 0)
      gtk_widget_set_sensitive(accept, TRUE);
    return FALSE;
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
    gtk_window_set_default_size(GTK_WINDOW(dialog), 600, 420);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
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
    g_signal_connect(dialog, "key-press-event", G_CALLBACK(ReturnTakesTypedName), nullptr);
    bool chosen = false;
    while (!chosen && gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
      gchar* file = gtk_file_chooser_get_filename(chooser);
      if (!file) break;
      gchar* utf8 = g_filename_to_utf8(file, -1, nullptr, nullptr, nullptr);
      std::string host = utf8 ? utf8 : "";
      g_free(utf8);
      g_free(file);
      // The game keeps paths in Shift-JIS: a name it cannot hold (or one that
      // is not even UTF-8) would be written or read as another file, so the
      // chooser stays open for another name instead.
      if (host.empty() || !platform::HostPathFitsGame(host)) {
        TellInChooser(dialog, title,
                      "このファイル名には使えない文字が含まれています。\n別の名前を選んでください。");
        continue;
      }
      std::string path = platform::HostPathToGamePath(host);
      int used = *filterIndex;
      GtkFileFilter* usedFilter = gtk_file_chooser_get_filter(chooser);
      for (size_t i = 0; i < filters.size(); ++i)
        if (filters[i] == usedFilter) used = static_cast<int>(i + 1);
      // A path the game cannot hold, its extension added, would be lost
      // after the dialog: the user shortens it here instead.
      std::string refusal = platform::FileDialogRefusal(request, path, used);
      if (!refusal.empty()) {
        TellInChooser(dialog, title, refusal);
        continue;
      }
      *gamePath = path;
      *filterIndex = used;
      chosen = true;
    }
    gtk_widget_destroy(dialog);
    RefreshPointer();
    return chosen;
  }

  void WindowCreated(HWND hwnd) override {
    platform::WindowInfo info = platform::GetWindowInfo(hwnd);
    if (!info.found) return;
    if (info.className == "#32770") {
      CreateDialogWindow(hwnd);
      return;
    }
    if (info.style & WS_CHILD) {
      if (DialogWin* d = DialogOf(info.parent)) {
        CreateControl(d, hwnd);
        if (ControlWidget* c = ControlOf(hwnd)) {
          SetControlText(c);
          if (c->kind == ControlWidget::kList) SyncList(c);
        }
      }
      return;
    }
    if (info.parent) return;
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
    GtkWidget* direct =
        WantDirectPresent() ? MakeDirectAreaWidget(w, m->clientWidth, m->clientHeight) : nullptr;
    if (direct) {
      w->area = direct;
      ConnectArea(w);
    } else {
      MakeGlArea(w, m->clientWidth, m->clientHeight);
    }
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
    if (direct && !AttachDirectSurface(w, direct, m->clientWidth, m->clientHeight)) {
      gtk_widget_destroy(direct);
      MakeGlArea(w, m->clientWidth, m->clientHeight);
      gtk_widget_show(w->area);
      gtk_widget_realize(w->area);
    }
    SetGlContext(w);
    ApplyCursor(w);
  }

  void WindowDestroyed(HWND hwnd) override {
    if (DialogWin* d = DialogOf(hwnd)) {
      GtkWidget* window = d->window;
      Dialogs().erase(hwnd);
      gtk_widget_destroy(window);
      RefreshPointer();
      return;
    }
    if (DialogWin* d = DialogOf(GetParent(hwnd))) {
      auto c = d->controls.find(hwnd);
      if (c != d->controls.end()) {
        gtk_widget_destroy(c->second->outer);
        d->controls.erase(c);
      }
      return;
    }
    auto it = FS().windows.find(hwnd);
    if (it == FS().windows.end()) return;
    if (GetGlContext() == it->second.get()) SetGlContext(nullptr);
    if (it->second->direct) {
      // The child window goes before the X window it lies in.
      gdk_window_remove_filter(nullptr, OnDirectXEvent, it->second.get());
      it->second->direct.reset();
    }
    GtkWidget* window = it->second->window;
    FS().windows.erase(it);
    gtk_widget_destroy(window);
  }

  void WindowShown(HWND hwnd, bool visible) override {
    if (DialogWin* d = DialogOf(hwnd)) {
      FlushDirtyLists();
      if (visible) {
        gtk_widget_show_all(d->window);
        std::vector<ControlWidget*> statics;
        for (auto& [h, c] : d->controls) statics.push_back(c.get());
        for (ControlWidget* c : statics) StyleStatic(c);
        gtk_window_present(GTK_WINDOW(d->window));
      } else {
        gtk_widget_hide(d->window);
      }
      return;
    }
    if (ControlWidget* c = ControlOf(hwnd)) {
      if (visible) gtk_widget_show_all(c->outer);
      else gtk_widget_hide(c->outer);
      return;
    }
    GtkWin* w = Win(hwnd);
    if (!w) return;
    if (visible) gtk_widget_show(w->window);
    else gtk_widget_hide(w->window);
    if (IsIconic(hwnd)) gtk_window_iconify(GTK_WINDOW(w->window));
  }

  void WindowMoved(HWND hwnd) override {
    if (DialogWin* d = DialogOf(hwnd)) {
      platform::WindowInfo info = platform::GetWindowInfo(hwnd);
      const platform::WindowModel* m = platform::GetWindowModel(hwnd);
      gtk_widget_set_size_request(d->fixed, m->clientWidth, m->clientHeight);
      gtk_window_move(GTK_WINDOW(d->window), info.windowRect.left, info.windowRect.top);
      return;
    }
    if (ControlWidget* c = ControlOf(hwnd)) {
      DialogWin* d = DialogOf(GetParent(hwnd));
      const platform::WindowModel* m = platform::GetWindowModel(hwnd);
      POINT at{0, 0}, origin{0, 0};
      ClientToScreen(hwnd, &at);
      ClientToScreen(d->hwnd, &origin);
      gtk_fixed_move(GTK_FIXED(d->fixed), c->outer, at.x - origin.x, at.y - origin.y);
      gtk_widget_set_size_request(c->outer, m->clientWidth, m->clientHeight);
      return;
    }
    GtkWin* w = Win(hwnd);
    if (!w) return;
    platform::WindowInfo info = platform::GetWindowInfo(hwnd);
    const platform::WindowModel* m = platform::GetWindowModel(hwnd);
    gtk_widget_set_size_request(w->area, m->clientWidth, m->clientHeight);
    gtk_window_move(GTK_WINDOW(w->window), info.windowRect.left, info.windowRect.top);
  }

  void WindowRaised(HWND hwnd) override {
    if (DialogWin* d = DialogOf(hwnd)) gtk_window_present(GTK_WINDOW(d->window));
    if (GtkWin* w = Win(hwnd)) gtk_window_present(GTK_WINDOW(w->window));
  }

  void WindowEnabled(HWND hwnd, bool enabled) override {
    if (ControlWidget* c = ControlOf(hwnd)) gtk_widget_set_sensitive(c->outer, enabled);
  }

  void FocusSet(HWND hwnd) override {
    if (ControlWidget* c = ControlOf(hwnd)) gtk_widget_grab_focus(c->inner);
  }

  void ListViewChanged(HWND hwnd) override {
    if (std::find(DirtyLists().begin(), DirtyLists().end(), hwnd) == DirtyLists().end())
      DirtyLists().push_back(hwnd);
  }

  UINT RunPopupMenu(HMENU menu, POINT screen, HWND owner) override {
    FlushDirtyLists();
    return RunGtkPopupMenu(menu, screen, owner);
  }

  bool OpenDocument(const std::string& utf8) override {
    GError* error = nullptr;
    bool ok = gtk_show_uri_on_window(nullptr, utf8.c_str(), GDK_CURRENT_TIME, &error);
    if (error) g_error_free(error);
    return ok;
  }

  bool DesktopRect(RECT* screen) override {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return false;
    int n = gdk_display_get_n_monitors(display);
    bool any = false;
    for (int i = 0; i < n; ++i) {
      GdkMonitor* monitor = gdk_display_get_monitor(display, i);
      if (!monitor) continue;
      GdkRectangle r;
      gdk_monitor_get_geometry(monitor, &r);
      if (r.width <= 0 || r.height <= 0) continue;
      RECT m{r.x, r.y, r.x + r.width, r.y + r.height};
      if (!any) {
        *screen = m;
        any = true;
      } else {
        screen->left = std::min(screen->left, m.left);
        screen->top = std::min(screen->top, m.top);
        screen->right = std::max(screen->right, m.right);
        screen->bottom = std::max(screen->bottom, m.bottom);
      }
    }
    return any;
  }

  // One turn of GLib's main context whose poll ends at the deadline to the
  // nanosecond (GLib's own timeouts are whole milliseconds, and a wait
  // rounded to them lands a millisecond late half of the time).
  // Shows the frames whose buffer swaps were put off: when the loop is idle,
  // or once they have waited longer than a frame (a loop that never waits).
  void FinishPresents(int64_t olderThanNs = 0) {
    const int64_t now = MonotonicNs();
    for (auto& [h, w] : FS().windows)
      if (w->swapPending && now - w->presentedAt >= olderThanNs && w->direct->MakeCurrent())
        w->FinishPresent();
  }

  bool WaitEventsUntil(int64_t monotonicNs) override {
    FinishPresents();
    FlushDirtyLists();
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context)) return false;
    gint priority = 0;
    if (g_main_context_prepare(context, &priority)) {
      // A source is ready now: dispatch it without waiting.
      g_main_context_dispatch(context);
      g_main_context_release(context);
      return true;
    }
    gint timeoutMs = -1;
    gint count = g_main_context_query(context, priority, &timeoutMs, pollFds_.data(),
                                      static_cast<gint>(pollFds_.size()));
    if (count > static_cast<gint>(pollFds_.size())) {
      pollFds_.resize(static_cast<size_t>(count));
      count = g_main_context_query(context, priority, &timeoutMs, pollFds_.data(), count);
    }
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t wait = monotonicNs - (static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec);
    if (wait < 0) wait = 0;
    // A GLib timer of its own that comes sooner (the frame clock, a blink).
    if (timeoutMs >= 0 && static_cast<int64_t>(timeoutMs) * 1000000 < wait)
      wait = static_cast<int64_t>(timeoutMs) * 1000000;
    timespec span{static_cast<time_t>(wait / 1000000000), static_cast<long>(wait % 1000000000)};
    // GPollFD is struct pollfd on every Unix GLib supports.
    static_assert(sizeof(GPollFD) == sizeof(pollfd), "GPollFD is not struct pollfd");
    ppoll(reinterpret_cast<pollfd*>(pollFds_.data()), static_cast<nfds_t>(count), &span, nullptr);
    if (g_main_context_check(context, priority, pollFds_.data(), count))
      g_main_context_dispatch(context);
    g_main_context_release(context);
    return true;
  }

  bool PumpEvents(bool wait) override {
    FinishPresents(wait ? 0 : 20000000);
    FlushDirtyLists();
    // Bounded, so a stream of events cannot starve the game's frames.
    for (int i = 0; i < 200 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
    if (wait && platform::PendingMessages().empty()) gtk_main_iteration_do(TRUE);
    return true;
  }

 private:
  std::vector<GPollFD> pollFds_ = std::vector<GPollFD>(16);
};

GtkFace* g_face = nullptr;

}  // namespace

namespace platform {

bool SessionBusReachable(const char* busAddress, const char* runtimeDir) {
  if (busAddress && *busAddress) return true;
  if (!runtimeDir || !*runtimeDir) return false;
  struct stat s;
  return stat((std::string(runtimeDir) + "/bus").c_str(), &s) == 0;
}

bool InstallGtkFace(std::string* error) {
  if (g_face) return true;
  // The game draws a fixed 640 x 480 picture in device pixels.
  setenv("GDK_SCALE", "1", 1);
  // The file chooser keeps its settings through GSettings. Without a session
  // bus the desktop's settings store cannot be reached and every change is a
  // warning on stderr; the settings then live for the run only.
  const bool sessionBus =
      SessionBusReachable(getenv("DBUS_SESSION_BUS_ADDRESS"), getenv("XDG_RUNTIME_DIR"));
  if (!getenv("GSETTINGS_BACKEND") && !sessionBus) setenv("GSETTINGS_BACKEND", "memory", 1);
  // Nor is the accessibility bus, which is found through the session bus:
  // the toolkit's bridge to it would only start a bus launcher that cannot
  // help (a child process at every start).
  if (!getenv("NO_AT_BRIDGE") && !sessionBus) setenv("NO_AT_BRIDGE", "1", 1);
  // The game's window draws through an EGL context of its own on X11, so
  // GDK's own GL (which loads and probes the GL driver for every visual while
  // the display opens) is not wanted there; it stays where the GL area is
  // used instead.
  const char* wayland = getenv("WAYLAND_DISPLAY");
  const char* backend = getenv("GDK_BACKEND");
  const bool x11Session = getenv("DISPLAY") && (!wayland || !*wayland ||
                                                (backend && std::strcmp(backend, "x11") == 0));
  const bool direct = x11Session && DirectPresentAllowed() && GlWindowSurface::Available();
  if (direct && !getenv("GDK_GL")) setenv("GDK_GL", "disable", 1);
  // The locale is set here rather than by the toolkit (the same call), so
  // that the GL driver can start loading on a thread of its own while the
  // toolkit starts: nothing changes the environment or the locale after.
  gtk_disable_setlocale();
  setlocale(LC_ALL, "");
  if (direct) GlWindowSurface::StartEarly();
  if (!gtk_init_check(nullptr, nullptr)) {
    GlWindowSurface::FinishEarly();
    if (error) *error = "cannot open the display";
    return false;
  }
  // Dialogs are laid out in the template's units for a small Japanese dialog
  // font: the proportional gothic at 9 points keeps the texts within their
  // controls; lists, mostly names and numbers, take the gothic whose narrow
  // letters are half a full-width character, as the columns were sized for.
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css,
      ".game-dialog, .game-dialog * { font-family: IPAPGothic; font-size: 9pt; }"
      ".game-dialog treeview, .game-dialog treeview header button,"
      " .game-dialog treeview header button * { font-family: IPAGothic; }"
      ".game-dialog button { padding: 0px 6px; min-height: 0px; min-width: 0px; }"
      ".game-dialog entry { min-height: 0px; padding-top: 0px; padding-bottom: 0px; }",
      -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
  g_face = new GtkFace;
  SetWindowFace(g_face);
  return true;
}

void UninstallGtkFace() {
  // A start-up that ended before its window was made may leave the driver
  // still loading.
  GlWindowSurface::FinishEarly();
  if (!g_face) return;
  std::vector<HWND> dialogs;
  for (auto& [h, d] : Dialogs()) dialogs.push_back(h);
  for (HWND h : dialogs) g_face->WindowDestroyed(h);
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

namespace {
GtkWidget* RenderedEntryWidget(HWND window, HMENU menu, int position) {
  GtkWin* w = Win(window);
  if (!w || position < 0) return nullptr;
  const platform::WindowModel* m = platform::GetWindowModel(window);
  RenderedMenu* rendered = nullptr;
  if (m && m->menu == menu) rendered = &w->bar;
  else if (w->popups.count(menu)) rendered = &w->popups[menu];
  if (!rendered || position >= static_cast<int>(rendered->entries.size())) return nullptr;
  return rendered->entries[position].widget;
}
}  // namespace

bool GtkMenuEntryChecked(HWND window, HMENU menu, int position) {
  GtkWidget* item = RenderedEntryWidget(window, menu, position);
  return item && GTK_IS_CHECK_MENU_ITEM(item) &&
         gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item));
}

bool GtkMenuEntrySensitive(HWND window, HMENU menu, int position) {
  GtkWidget* item = RenderedEntryWidget(window, menu, position);
  return item && gtk_widget_get_sensitive(item);
}

bool GtkControlTextShownWhole(HWND control) {
  ControlWidget* c = ControlOf(control);
  if (!c || !gtk_widget_get_realized(c->inner)) return false;
  if (c->kind == ControlWidget::kList) {
    GtkTreeView* view = GTK_TREE_VIEW(c->inner);
    GtkTreeModel* model = gtk_tree_view_get_model(view);
    GtkTreeIter iter;
    bool whole = true;
    for (gboolean more = model && gtk_tree_model_get_iter_first(model, &iter); more && whole;
         more = gtk_tree_model_iter_next(model, &iter)) {
      for (int i = 0; GtkTreeViewColumn* column = gtk_tree_view_get_column(view, i); ++i) {
        if (!gtk_tree_view_column_get_visible(column)) continue;
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, i, &text, -1);
        whole = whole && (!text || CellTextFits(view, column, text));
        g_free(text);
      }
    }
    return whole;
  }
  if (c->kind != ControlWidget::kStatic && c->kind != ControlWidget::kLink) return true;
  PangoLayout* layout = gtk_label_get_layout(GTK_LABEL(c->inner));
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  return !pango_layout_is_ellipsized(layout) && w <= gtk_widget_get_allocated_width(c->inner) &&
         h <= gtk_widget_get_allocated_height(c->inner);
}

int GtkDialogWidth(HWND dialog) {
  DialogWin* d = DialogOf(dialog);
  return d && gtk_widget_get_realized(d->window) ? gtk_widget_get_allocated_width(d->window) : 0;
}

bool GtkDropUris(HWND window, const std::vector<std::string>& uris, POINT clientPoint) {
  GtkWin* w = Win(window);
  return w && DropUris(w, uris, clientPoint);
}

unsigned long GtkNativeWindowId(HWND window) {
  GtkWin* w = Win(window);
  if (!w) return 0;
  GdkWindow* gw = gtk_widget_get_window(w->window);
  if (!gw || !GDK_IS_X11_WINDOW(gw)) return 0;
  return gdk_x11_window_get_xid(gw);
}

}  // namespace platform
