// Drawing straight into a window of the X display: an X11 child window laid
// over a widget, with an EGL context of its own (OpenGL 3.3 core) whose window
// surface is shown with a buffer swap. Nothing is read back or copied through
// the toolkit: on a software renderer that copy costs more than the drawing.
//
// The child selects only exposure and visibility events, so pointer events
// fall through to the widget under it.
#pragma once
#include <memory>

class GlWindowSurface {
 public:
  // Makes the child window inside the X window `parent` of the X display
  // `display` (an Xlib Display*), width x height at its top-left corner, and
  // the context. Null when the display offers no EGL for X11 or no OpenGL
  // 3.3 core context.
  static std::unique_ptr<GlWindowSurface> Create(void* display, unsigned long parent, int width,
                                                 int height);
  ~GlWindowSurface();
  // Whether the EGL library offers X11 window surfaces at all (asked before
  // any display is open).
  static bool Available();
  // Starts loading the GL driver and making the context on a thread of its
  // own, over a display connection of its own, while the toolkit starts up
  // (the driver's loading and set-up is the longest single wait of the
  // game's start-up). The next Create takes what it made, waiting for it if
  // need be. Call it only once no other thread changes the environment or
  // the locale any more.
  static void StartEarly();
  // Waits for what StartEarly began (nothing when it was not started): the
  // program must not end while that thread is inside the driver.
  static void FinishEarly();

  bool MakeCurrent();
  // Binds the window surface as the draw framebuffer; its size in pixels.
  bool BindTarget(int* width, int* height);
  // Hands what was drawn so far to the renderer without waiting for it.
  void Flush();
  // Shows what was drawn into the target.
  void Swap();
  void Resize(int width, int height);
  // The child's X window, for the events the toolkit does not know it has.
  unsigned long Window() const { return window_; }

 private:
  GlWindowSurface() = default;
  void* display_ = nullptr;  // Display*
  unsigned long window_ = 0;
  unsigned long colormap_ = 0;
  void* eglDisplay_ = nullptr;
  void* surface_ = nullptr;
  void* context_ = nullptr;
  int width_ = 0, height_ = 0;
};
