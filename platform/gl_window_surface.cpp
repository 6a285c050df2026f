// An X11 child window with an EGL window surface (see gl_window_surface.h).
#include "platform/gl_window_surface.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <epoxy/egl.h>

#include <thread>

namespace {

bool HasX11Platform() {
  return epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_KHR_platform_x11") ||
         epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_x11");
}

EGLDisplay X11EglDisplay(Display* display) {
  if (!HasX11Platform()) return EGL_NO_DISPLAY;
  auto getPlatformDisplay =
      (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  return getPlatformDisplay(EGL_PLATFORM_X11_KHR, display, nullptr);
}

// The display's EGL initialised for OpenGL and its window configuration
// and context made: what the window surface needs besides its window.
struct EglSetup {
  EGLDisplay egl = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  EGLContext context = EGL_NO_CONTEXT;
};

EglSetup SetUpEgl(Display* display) {
  EglSetup setup;
  EGLDisplay egl = X11EglDisplay(display);
  if (egl == EGL_NO_DISPLAY) return setup;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(egl, &major, &minor) || !eglBindAPI(EGL_OPENGL_API)) return setup;
  // The device draws into a framebuffer of its own and only copies the
  // picture here: colour alone, no depth.
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_WINDOW_BIT, EGL_RENDERABLE_TYPE,
                                  EGL_OPENGL_BIT,   EGL_RED_SIZE,   8,
                                  EGL_GREEN_SIZE,   8,              EGL_BLUE_SIZE,
                                  8,                EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configs = 0;
  if (!eglChooseConfig(egl, configAttribs, &config, 1, &configs) || configs < 1) return setup;
  const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                   3,
                                   EGL_CONTEXT_MINOR_VERSION,
                                   3,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                   EGL_NONE};
  EGLContext context = eglCreateContext(egl, config, EGL_NO_CONTEXT, contextAttribs);
  if (context == EGL_NO_CONTEXT) return setup;
  setup.egl = egl;
  setup.config = config;
  setup.context = context;
  return setup;
}

// The set-up made by StartEarly, on its own connection to the display (X
// windows are the server's, so a surface made over one connection can show
// a window made over another). The connection stays open for the process,
// as the driver's display does.
struct EarlySetup {
  std::thread thread;
  Display* display = nullptr;
  EglSetup setup;
};
EarlySetup* g_early = nullptr;

}  // namespace

bool GlWindowSurface::Available() { return HasX11Platform(); }

void GlWindowSurface::StartEarly() {
  if (g_early) return;
  // Xlib is used from two threads from here on (each its own connection).
  XInitThreads();
  g_early = new EarlySetup;
  // The connection is opened here, before the toolkit opens its own: opening
  // one holds a lock of the whole library until the server answers, and the
  // toolkit, while it holds the server to itself during its start, takes
  // that lock (to trap errors) and would wait for an answer the server does
  // not give meanwhile.
  g_early->display = XOpenDisplay(nullptr);
  if (!g_early->display) return;
  g_early->thread = std::thread([early = g_early] { early->setup = SetUpEgl(early->display); });
}

void GlWindowSurface::FinishEarly() {
  if (g_early && g_early->thread.joinable()) g_early->thread.join();
}

std::unique_ptr<GlWindowSurface> GlWindowSurface::Create(void* xDisplay, unsigned long parent,
                                                         int width, int height) {
  Display* display = static_cast<Display*>(xDisplay);
  if (!display || !parent || width <= 0 || height <= 0) return nullptr;
  EglSetup setup;
  if (g_early) {
    FinishEarly();
    setup = g_early->setup;
    g_early->setup = EglSetup();  // taken: a second window makes its own
  }
  // On the toolkit's own connection when the early start made nothing.
  if (setup.context == EGL_NO_CONTEXT) setup = SetUpEgl(display);
  if (setup.context == EGL_NO_CONTEXT) return nullptr;
  EGLDisplay egl = setup.egl;
  EGLConfig config = setup.config;
  std::unique_ptr<GlWindowSurface> s(new GlWindowSurface);
  s->display_ = display;
  s->eglDisplay_ = egl;
  s->context_ = setup.context;
  s->width_ = width;
  s->height_ = height;
  // The API is chosen per thread: the context may have been made on another.
  if (!eglBindAPI(EGL_OPENGL_API)) return nullptr;
  EGLint visualId = 0;
  eglGetConfigAttrib(egl, config, EGL_NATIVE_VISUAL_ID, &visualId);
  XVisualInfo want{};
  want.visualid = static_cast<VisualID>(visualId);
  int found = 0;
  XVisualInfo* visual = XGetVisualInfo(display, VisualIDMask, &want, &found);
  if (!visual || found < 1) {
    if (visual) XFree(visual);
    return nullptr;
  }
  XSetWindowAttributes attrs{};
  s->colormap_ = XCreateColormap(display, parent, visual->visual, AllocNone);
  attrs.colormap = s->colormap_;
  attrs.background_pixmap = None;  // nothing cleared under the picture on exposure
  attrs.border_pixel = 0;
  attrs.event_mask = ExposureMask | VisibilityChangeMask;
  s->window_ = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, visual->depth, InputOutput,
                             visual->visual, CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask,
                             &attrs);
  XFree(visual);
  if (!s->window_) return nullptr;
  XMapWindow(display, s->window_);
  // The window must exist at the server before the driver, perhaps over
  // another connection, asks about it.
  XSync(display, False);
  EGLNativeWindowType native = static_cast<EGLNativeWindowType>(s->window_);
  s->surface_ = eglCreateWindowSurface(egl, config, native, nullptr);
  if (s->surface_ == EGL_NO_SURFACE) return nullptr;
  if (!s->MakeCurrent()) return nullptr;
  // A frame is shown when it is done; the game paces frames itself.
  eglSwapInterval(egl, 0);
  return s;
}

GlWindowSurface::~GlWindowSurface() {
  EGLDisplay egl = static_cast<EGLDisplay>(eglDisplay_);
  if (egl) {
    eglMakeCurrent(egl, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (surface_) eglDestroySurface(egl, static_cast<EGLSurface>(surface_));
    if (context_) eglDestroyContext(egl, static_cast<EGLContext>(context_));
  }
  Display* display = static_cast<Display*>(display_);
  if (display && window_) XDestroyWindow(display, window_);
  if (display && colormap_) XFreeColormap(display, colormap_);
}

bool GlWindowSurface::MakeCurrent() {
  EGLDisplay egl = static_cast<EGLDisplay>(eglDisplay_);
  EGLSurface surface = static_cast<EGLSurface>(surface_);
  EGLContext context = static_cast<EGLContext>(context_);
  if (eglGetCurrentContext() == context && eglGetCurrentSurface(EGL_DRAW) == surface) return true;
  return eglMakeCurrent(egl, surface, surface, context) == EGL_TRUE;
}

bool GlWindowSurface::BindTarget(int* width, int* height) {
  if (!MakeCurrent()) return false;
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  *width = width_;
  *height = height_;
  return width_ > 0 && height_ > 0;
}

void GlWindowSurface::Flush() {
  if (MakeCurrent()) glFlush();
}

void GlWindowSurface::Swap() {
  eglSwapBuffers(static_cast<EGLDisplay>(eglDisplay_), static_cast<EGLSurface>(surface_));
}

void GlWindowSurface::Resize(int width, int height) {
  if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
  width_ = width;
  height_ = height;
  XResizeWindow(static_cast<Display*>(display_), window_, static_cast<unsigned>(width),
                static_cast<unsigned>(height));
  // Sent now: the driver may ask the window's size over a connection of its
  // own.
  XFlush(static_cast<Display*>(display_));
}
