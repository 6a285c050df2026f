// The GTK face's drawing surface: the client area drawn straight into an
// X11 window of its own (direct), or a GtkGLArea where that is not to be
// had; the picture presented into it and drawn again when uncovered.
#include <gdk/gdkx.h>

#include <cstdlib>
#include <cstring>

#include "platform/gtk_face_internal.h"

namespace gtk_face {

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

namespace {

// Draws nothing: the direct client area's picture lies in the child window
// over it.
gboolean OnDirectDraw(GtkWidget*, cairo_t*, gpointer) { return TRUE; }

}  // namespace

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

namespace {

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

}  // namespace

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

}  // namespace gtk_face
