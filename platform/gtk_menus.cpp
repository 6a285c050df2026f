// The GTK face's texts and menus: menu texts as mnemonic labels with their
// accelerators, the menu bar and its pop-ups kept in line with the menu
// model, the pop-up menus the game runs (TrackPopupMenu), and what window
// tests ask of the rendered entries.
#include <string>
#include <vector>

#include "platform/gtk_face.h"
#include "platform/gtk_face_internal.h"
#include "platform/text_encoding.h"

namespace gtk_face {

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

namespace {

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

}  // namespace

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

namespace {

void OnMenuActivate(GtkMenuItem* item, gpointer data) {
  GtkWin* w = static_cast<GtkWin*>(data);
  UINT id = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "command-id"));
  PostMessageA(w->hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  // A check item ticked itself; the game decides with CheckMenuItem.
  if (GTK_IS_CHECK_MENU_ITEM(item)) SyncBar(w);
  for (auto& [sub, popup] : w->popups)
    if (const platform::MenuModel* m = platform::GetMenuModel(sub)) SyncMenu(w, popup, m->items, 1);
}

}  // namespace

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

}  // namespace gtk_face

using namespace gtk_face;

namespace platform {

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

}  // namespace platform
