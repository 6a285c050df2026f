// A headless GL context (EGL, surfaceless Mesa) for tests, benchmarks and
// tools, and the read-back of the device's picture.
#include <epoxy/egl.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gl_internal.h"

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

namespace {

class HeadlessContext : public GlContext {
 public:
  HeadlessContext(EGLDisplay display, EGLContext context) : display_(display), context_(context) {}
  ~HeadlessContext() override {
    if (eglGetCurrentContext() == context_)
      eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display_, context_);
  }
  bool MakeCurrent() override {
    return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
  }
  bool BindPresentTarget(int*, int*) override { return false; }
  void Presented() override {}

 private:
  EGLDisplay display_;
  EGLContext context_;
};

HeadlessContext* g_headless = nullptr;

}  // namespace

GlContext* CreateHeadlessGlContext(std::string* error) {
  auto fail = [error](const char* why) -> GlContext* {
    if (error) *error = why;
    return nullptr;
  };
  // Mesa picks its platform from this when a display is opened.
  setenv("EGL_PLATFORM", "surfaceless", 0);
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless"))
    return fail("EGL_MESA_platform_surfaceless is missing");
  auto getPlatformDisplay =
      (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
  if (!getPlatformDisplay) return fail("eglGetPlatformDisplayEXT is missing");
  EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY,
                                          nullptr);
  if (display == EGL_NO_DISPLAY) return fail("no surfaceless EGL display");
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) return fail("eglInitialize failed");
  if (!eglBindAPI(EGL_OPENGL_API)) return fail("eglBindAPI(OpenGL) failed");
  // No surface is ever made: any config will do, or none where allowed.
  EGLConfig config = EGL_NO_CONFIG_KHR;
  if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) {
    const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                    EGL_DONT_CARE, EGL_NONE};
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &configs) || configs < 1)
      return fail("no EGL config for OpenGL");
  }
  const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                   3,
                                   EGL_CONTEXT_MINOR_VERSION,
                                   3,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                   EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
  if (context == EGL_NO_CONTEXT) return fail("eglCreateContext(3.3 core) failed");
  auto* c = new HeadlessContext(display, context);
  if (!c->MakeCurrent()) {
    delete c;
    return fail("eglMakeCurrent failed");
  }
  return c;
}

IDirect3DDevice9* CreateHeadlessDevice(UINT width, UINT height) {
  if (!g_headless) {
    std::string why;
    g_headless = static_cast<HeadlessContext*>(CreateHeadlessGlContext(&why));
    if (!g_headless) {
      fprintf(stderr, "headless GL: %s\n", why.c_str());
      return nullptr;
    }
  }
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24X8;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  IDirect3DDevice9* device = nullptr;
  if (FAILED(CreateDeviceOnContext(g_headless, &pp, &device))) return nullptr;
  return device;
}

std::vector<uint32_t> ReadBackBuffer(IDirect3DDevice9* device, int* width, int* height) {
  D3DDeviceImpl* d = device->impl();
  std::vector<uint32_t> pixels((size_t)d->width * d->height);
  TouchGlState();
  glFinish();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, d->fbo);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(0, 0, d->width, d->height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
  for (auto& p : pixels) p |= 0xFF000000u;
  if (width) *width = d->width;
  if (height) *height = d->height;
  return pixels;
}

bool WritePngFile(const char* path, const uint32_t* pixels, int width, int height) {
  FILE* f = fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row((size_t)width * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t p = pixels[(size_t)y * width + x];
      row[x * 4 + 0] = (png_byte)(p >> 16);
      row[x * 4 + 1] = (png_byte)(p >> 8);
      row[x * 4 + 2] = (png_byte)p;
      row[x * 4 + 3] = (png_byte)(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return fclose(f) == 0;
}

unsigned TakeGlErrors() {
  FlushPendingDraws();  // their errors count too
  unsigned n = 0;
  while (glGetError() != GL_NO_ERROR && n < 1000) ++n;
  return n;
}
