// The GTK face's dialog windows (CreateDialogParamA) and their controls:
// buttons, group boxes, edits, statics and links laid out as the template
// places them; the list view control is in gtk_lists.cpp.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/gtk_face_internal.h"
#include "platform/text_encoding.h"
#include "platform/win_gdi.h"

namespace gtk_face {

std::map<HWND, std::unique_ptr<DialogWin>>& Dialogs() {
  static auto* dialogs = new std::map<HWND, std::unique_ptr<DialogWin>>;
  return *dialogs;
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

namespace {

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

// Where the window manager (or, without one, the window's own request) put
// a dialog, the work area decides: a window that sticks out is moved in, one
// larger than the work area is made smaller first.
gboolean FitOnWorkArea(GtkWidget* widget, GdkEvent*, gpointer) {
  GdkWindow* gw = gtk_widget_get_window(widget);
  if (!gw) return FALSE;
  GdkDisplay* display = gdk_window_get_display(gw);
  GdkMonitor* monitor = gdk_display_get_monitor_at_window(display, gw);
  if (!monitor) return FALSE;
  GdkRectangle area, frame;
  gdk_monitor_get_workarea(monitor, &area);
  gdk_window_get_frame_extents(gw, &frame);
  GtkWindow* window = GTK_WINDOW(widget);
  int width = 0, height = 0;
  gtk_window_get_size(window, &width, &height);
  // The frame's borders and title bar, from the window manager: none without one.
  const int borderW = std::max(0, frame.width - width), borderH = std::max(0, frame.height - height);
  const int fitW = std::min(frame.width, area.width), fitH = std::min(frame.height, area.height);
  if (fitW < frame.width || fitH < frame.height)
    gtk_window_resize(window, std::max(1, fitW - borderW), std::max(1, fitH - borderH));
  const int x = std::max(area.x, std::min(frame.x, area.x + area.width - fitW));
  const int y = std::max(area.y, std::min(frame.y, area.y + area.height - fitH));
  if (x != frame.x || y != frame.y) gtk_window_move(window, x, y);
  return FALSE;
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

}  // namespace

void KeepOnWorkArea(GtkWidget* window) {
  g_signal_connect(window, "map-event", G_CALLBACK(FitOnWorkArea), nullptr);
  g_signal_connect(window, "configure-event", G_CALLBACK(FitOnWorkArea), nullptr);
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
  KeepOnWorkArea(d->window);
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

namespace {

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

}  // namespace

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

}  // namespace gtk_face
