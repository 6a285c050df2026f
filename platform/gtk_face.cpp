// The GTK 3 face: real windows for the window model. The gtk_*.cpp files
// are the only ones that see GTK; they read the model to render and feed
// input back through the setters of window_model.h and the messages of
// win_message.h. This one is the face itself (the window system's calls
// handed to the files of each concern, and the desktop's event loop) with
// its install, uninstall and the probes window tests ask.
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

#include "platform/gl_window_surface.h"
#include "platform/gtk_face_internal.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"
#include "platform/window_model.h"

namespace gtk_face {

int64_t MonotonicNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FaceState& FS() {
  static FaceState* state = new FaceState;
  return *state;
}

GtkWin* Win(HWND hwnd) {
  auto it = FS().windows.find(hwnd);
  return it == FS().windows.end() ? nullptr : it->second.get();
}

namespace {

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
    return RunGtkMessageBox(request);
  }

  bool RunFileDialog(const platform::FileDialogRequest& request, std::string* gamePath,
                     int* filterIndex) override {
    return RunGtkFileDialog(request, gamePath, filterIndex);
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

  int ModifiersHeld() override { return ModifiersHeldNow(); }

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

}  // namespace gtk_face

using namespace gtk_face;

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
