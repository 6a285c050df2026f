// Inside of the GTK face, shared by its files: the face itself
// (gtk_face.cpp), the menus (gtk_menus.cpp), input (gtk_input.cpp), the
// drawing surface (gtk_surface.cpp), message boxes and file dialogs
// (gtk_message_boxes.cpp), dialog windows (gtk_dialogs.cpp) and their list
// views (gtk_lists.cpp). These files are the only ones that see GTK.
#pragma once
#include <gtk/gtk.h>
#include <time.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl_context.h"
#include "platform/gl_window_surface.h"
#include "platform/win_user.h"
#include "platform/window_model.h"

namespace gtk_face {

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

// CLOCK_MONOTONIC now, in nanoseconds.
int64_t MonotonicNs();

struct FaceState {
  std::map<HWND, std::unique_ptr<GtkWin>> windows;
  bool cursorShown = true;
  int cursorId = 32512;
};

FaceState& FS();

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

GtkWin* Win(HWND hwnd);

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

std::map<HWND, std::unique_ptr<DialogWin>>& Dialogs();
DialogWin* DialogOf(HWND hwnd);
ControlWidget* ControlOf(HWND hwnd);

// --- texts and menus (gtk_menus.cpp) ---

// A menu text in CP932 ("&File\tCtrl+N") as a GTK mnemonic label and the
// accelerator text after the tab.
void SplitMenuText(const std::string& cp932, std::string* label, std::string* accel);
// Brings a rendered menu in line with the model's items.
void SyncMenu(GtkWin* w, RenderedMenu& menu, const std::vector<platform::MenuItemModel>& items,
              int depth);
void SyncBar(GtkWin* w);
gboolean OnBarButtonRelease(GtkWidget* bar, GdkEventButton* event, gpointer data);
// A pop-up menu shown at a screen point until it is dismissed: the command
// chosen (0: none).
UINT RunGtkPopupMenu(HMENU menu, POINT screen, HWND owner);

// --- input (gtk_input.cpp) ---

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data);
// Reads the pointer where it is now, once a modal window is gone.
void RefreshPointer();
// The modifiers held on the keyboard now (platform::kShiftHeld, ...).
int ModifiersHeldNow();
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data);
gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer data);
gboolean OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer data);
gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data);
// The client area's input and size signals.
void ConnectArea(GtkWin* w);
// Files dropped as URIs at a point of the window's client area.
bool DropUris(GtkWin* w, const std::vector<std::string>& uris, POINT clientPoint);
void OnDragReceived(GtkWidget*, GdkDragContext* context, gint x, gint y,
                    GtkSelectionData* data, guint, guint time, gpointer user);
void ApplyCursor(GtkWin* w);

// --- the drawing surface (gtk_surface.cpp) ---

GdkFilterReturn OnDirectXEvent(GdkXEvent* xevent, GdkEvent*, gpointer data);
bool DirectPresentAllowed();
bool WantDirectPresent();
GtkWidget* MakeDirectAreaWidget(GtkWin* w, int width, int height);
bool AttachDirectSurface(GtkWin* w, GtkWidget* area, int width, int height);
void MakeGlArea(GtkWin* w, int width, int height);

// --- message boxes and file dialogs (gtk_message_boxes.cpp) ---

// A message box run to its answer (IDOK, IDYES, ...).
int RunGtkMessageBox(const platform::MessageBoxRequest& request);
// A file chooser run until a name the game can hold is chosen (true) or it
// is cancelled.
bool RunGtkFileDialog(const platform::FileDialogRequest& request, std::string* gamePath,
                      int* filterIndex);

// --- dialog windows (gtk_dialogs.cpp) ---

std::string TitleUtf8(HWND hwnd);
void CreateDialogWindow(HWND hwnd);
void CreateControl(DialogWin* d, HWND hwnd);
// Keeps a dialog's window, its frame included, on the work area of its
// monitor from now on: moved in where it would stick out, made smaller
// where it is larger (its content allowing).
void KeepOnWorkArea(GtkWidget* window);
// Asks the dialog procedure how a static is drawn and shows its text so.
void StyleStatic(ControlWidget* c);
void SetControlText(ControlWidget* c);

// --- list views (gtk_lists.cpp) ---

// The list views whose model changed since they were last rendered.
std::vector<HWND>& DirtyLists();
gboolean OnListButton(GtkWidget* widget, GdkEventButton* event, gpointer data);
gboolean OnListKey(GtkWidget*, GdkEventKey* event, gpointer data);
void OnListSelectionChanged(GtkTreeSelection* selection, gpointer data);
// Whether a cell's text fits its column as the view shows it.
bool CellTextFits(GtkTreeView* view, GtkTreeViewColumn* column, const char* utf8);
gboolean OnListTooltip(GtkWidget* widget, gint x, gint y, gboolean keyboard, GtkTooltip* tooltip,
                       gpointer);
// Renders a list view from its model.
void SyncList(ControlWidget* c);
void FlushDirtyLists();

}  // namespace gtk_face
