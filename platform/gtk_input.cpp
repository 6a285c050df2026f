// The GTK face's input: keys, mouse buttons, the pointer and the wheel over
// the client area, the close box, focus, the window's place and state, files
// dropped on it, and the cursor shown over it.
#include <string>
#include <vector>

#include "platform/gtk_face_internal.h"

namespace gtk_face {

namespace {

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

int ModifiersOf(guint state) {
  return ((state & GDK_SHIFT_MASK) ? platform::kShiftHeld : 0) |
         ((state & GDK_CONTROL_MASK) ? platform::kCtrlHeld : 0) |
         ((state & GDK_MOD1_MASK) ? platform::kAltHeld : 0);
}

}  // namespace

int ModifiersHeldNow() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return -1;
  return ModifiersOf(gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(display)));
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  int vk = VirtualKeyOf(event);
  bool down = event->type == GDK_KEY_PRESS;
  bool alt = (event->state & GDK_MOD1_MASK) != 0 || vk == VK_LMENU || vk == VK_RMENU;
  if (vk != 0) {
    // Each key event says which modifiers were held as it came: a modifier
    // let go while another window had the keyboard reads up from here on.
    const int modifiers = ModifiersOf(event->state);
    platform::SetModifiersHeld(modifiers);
    platform::SetKeyHeld(vk, down);
    int key = MessageKeyOf(vk);
    UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    LPARAM lParam = static_cast<LPARAM>((event->hardware_keycode & 0xFF) << 16 | 1);
    if (!down) lParam |= static_cast<LPARAM>(0xC0000000u);
    platform::PostKeyMessage(w->hwnd, message, static_cast<WPARAM>(key), lParam, modifiers);
  }
  // With Alt the menu bar's mnemonics and F10 stay the desktop's; every other
  // key is the game's alone.
  return alt || event->keyval == GDK_KEY_F10 ? FALSE : TRUE;
}

namespace {

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

}  // namespace

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

namespace {

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

}  // namespace

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

namespace {

void OnAreaAllocate(GtkWidget*, GdkRectangle* allocation, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  if (w->direct) w->direct->Resize(allocation->width, allocation->height);
  UpdateClientOrigin(w);
}

}  // namespace

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

// Files dropped as URIs (text/uri-list) at a point of the window's client
// area: the local ones become WM_DROPFILES with their game paths.
bool DropUris(GtkWin* w, const std::vector<std::string>& uris, POINT clientPoint) {
  std::vector<std::string> paths;
  std::vector<platform::UnheldPart> unheld;
  for (const std::string& uri : uris) {
    gchar* file = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    if (!file) continue;  // not a local file
    // A name that is not UTF-8 shows its unreadable bytes as U+FFFD, which
    // the game cannot hold either.
    gchar* utf8 = g_filename_display_name(file);
    // A file whose path the game cannot hold in Shift-JIS comes without one
    // rather than under a name that means another file; the game says why.
    const platform::UnheldPart part = platform::UnheldPartOf(utf8);
    paths.push_back(part == platform::UnheldPart::kNone ? platform::HostPathToGamePath(utf8) : "");
    unheld.push_back(part);
    g_free(utf8);
    g_free(file);
  }
  return platform::DropFiles(w->hwnd, paths, clientPoint, unheld);
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

}  // namespace gtk_face
