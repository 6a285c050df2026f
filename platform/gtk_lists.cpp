// The GTK face's list views (WC_LISTVIEWA in a dialog): a tree view
// rendered from the list view model, its clicks, keys and selection fed back
// to it, and a cell cut by its column shown whole as a tooltip.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/gtk_face_internal.h"
#include "platform/text_encoding.h"

namespace gtk_face {

std::vector<HWND>& DirtyLists() {
  static auto* dirty = new std::vector<HWND>;
  return *dirty;
}

namespace {

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

}  // namespace

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

namespace {

void MarkListDirty(HWND hwnd) {
  if (std::find(DirtyLists().begin(), DirtyLists().end(), hwnd) == DirtyLists().end())
    DirtyLists().push_back(hwnd);
}

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace gtk_face
