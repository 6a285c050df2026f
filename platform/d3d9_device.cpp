// The drawing device on OpenGL 3.3 core.
//
// The game keeps Direct3D's conventions everywhere: row-vector left-handed
// matrices, clip depth 0..1, screen y down, clockwise front faces, ARGB
// vertex colours. They are converted only here, at the GL boundary:
// - matrices are multiplied on the CPU in single precision and uploaded
//   as they lie in memory, which GL reads as the transpose, so the shader's
//   M * v is the game's v * M;
// - clip y is negated, so row 0 of our framebuffer is the top of the picture
//   and GL's counter-clockwise (in its y-up window space) is Direct3D's
//   clockwise on a y-down screen: front faces agree without reordering;
// - depth 0..1 comes from glClipControl (or is remapped in the shader);
// - vertex colours are read as GL_BGRA bytes, which is ARGB in a uint32;
// - Direct3D 9 puts pixel centres on whole screen coordinates, GL half a
//   pixel further on, so 3-D geometry moves half a pixel right and down to
//   cover the pixels it covers there (the sprite maps texels to pixels
//   exactly by itself and is not moved).
// One small shader computes the fixed-function result the game relies on
// (d3d9_shaders.cpp); the GL state is sent by the draw path
// (d3d9_gl_state.cpp).
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/d3d9_internal.h"

namespace {

void Identity(D3DXMATRIX* m) { D3DXMatrixIdentity(m); }

// The state a freshly created or reset device starts in.
void DefaultState(DeviceState* s, int width, int height, bool depthBuffer) {
  memset(s, 0, sizeof *s);
  s->renderState[D3DRS_ZENABLE] = depthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
  s->renderState[D3DRS_FILLMODE] = D3DFILL_SOLID;
  s->renderState[D3DRS_ZWRITEENABLE] = TRUE;
  s->renderState[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  s->renderState[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  s->renderState[D3DRS_CULLMODE] = D3DCULL_CCW;
  s->renderState[D3DRS_ALPHABLENDENABLE] = FALSE;
  s->renderState[D3DRS_LIGHTING] = TRUE;
  s->renderState[D3DRS_NORMALIZENORMALS] = FALSE;
  Identity(&s->world);
  Identity(&s->view);
  Identity(&s->projection);
  s->viewport = {0, 0, (DWORD)width, (DWORD)height, 0.0f, 1.0f};
  for (int i = 0; i < kStages; ++i) {
    s->sampler[i][D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    s->sampler[i][D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    s->sampler[i][D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    s->stage[i][D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : 1;
    s->stage[i][2] = D3DTA_TEXTURE;  // colour argument 1
    s->stage[i][3] = D3DTA_DIFFUSE;  // colour argument 2
    s->stage[i][D3DTSS_ALPHAOP] = i == 0 ? 2 : 1;  // select argument 1
    s->stage[i][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s->stage[i][D3DTSS_ALPHAARG2] = D3DTA_DIFFUSE;
  }
}

bool CreateFramebuffer(D3DDeviceImpl* d, int width, int height) {
  if (d->fbo) {
    glDeleteFramebuffers(1, &d->fbo);
    glDeleteTextures(1, &d->colorBuffer);
    glDeleteRenderbuffers(1, &d->depthBuffer);
    d->fbo = d->colorBuffer = d->depthBuffer = 0;
  }
  glGenFramebuffers(1, &d->fbo);
  glGenTextures(1, &d->colorBuffer);
  glGenRenderbuffers(1, &d->depthBuffer);
  // The picture is a texture, so that Present can draw it (see there).
  glBindTexture(GL_TEXTURE_2D, d->colorBuffer);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindRenderbuffer(GL_RENDERBUFFER, d->depthBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, d->fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, d->colorBuffer, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            d->depthBuffer);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  d->width = width;
  d->height = height;
  d->pictureShown = false;  // the new buffer holds no picture yet
  return ok;
}

// Draws held back were gathered under the state as it stands; they go out
// before any of it changes.
void BeforeStateChange(D3DDeviceImpl* d) {
  if (d->pending.active) FlushPendingDraws();
}

// Copies the picture onto the context's present target and tells the
// context; false when there is no target (a headless context).
bool ShowPicture(D3DDeviceImpl* d) {
  int w = 0, h = 0;
  if (!d->context || !d->context->BindPresentTarget(&w, &h)) return false;
  // Our rows run top-down; the target's run bottom-up.
  if (w != d->width || h != d->height || !DrawPicture(d)) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, d->fbo);
    glBlitFramebuffer(0, 0, d->width, d->height, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  }
  d->context->Presented();
  glBindFramebuffer(GL_FRAMEBUFFER, d->fbo);
  return true;
}

// The live devices, for PresentAgain to find the one of a context.
std::vector<D3DDeviceImpl*>& LiveDevices() {
  static std::vector<D3DDeviceImpl*>* devices = new std::vector<D3DDeviceImpl*>;
  return *devices;
}

}  // namespace

HRESULT CreateDeviceOnContext(GlContext* context, const D3DPRESENT_PARAMETERS* params,
                              IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  *device = nullptr;
  if (!context || !context->MakeCurrent()) return D3DERR_NOTAVAILABLE;
  if (epoxy_gl_version() < 33) return D3DERR_NOTAVAILABLE;
  // A software rasteriser allocates and frees its per-frame scene memory in
  // large blocks; handed back to the system after every frame, each block
  // is faulted in again on the next, which costs more than the drawing.
  // Keep freed memory in the process instead.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  auto* d = new D3DDeviceImpl;
  d->context = context;
  if (params) d->params = *params;
  int w = d->params.BackBufferWidth ? (int)d->params.BackBufferWidth : 640;
  int h = d->params.BackBufferHeight ? (int)d->params.BackBufferHeight : 480;
  d->params.BackBufferWidth = (UINT)w;
  d->params.BackBufferHeight = (UINT)h;
  TouchGlState();
  if (!CreateFramebuffer(d, w, h)) {
    delete d;
    return D3DERR_NOTAVAILABLE;
  }
  d->clipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
  if (d->clipControl) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  glGenBuffers(1, &d->streamVbo);
  glGenSamplers(1, &d->overlaySampler);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  const uint8_t white[4] = {255, 255, 255, 255};
  glGenTextures(1, &d->whiteTexture);
  glBindTexture(GL_TEXTURE_2D, d->whiteTexture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  // The shader of the default state, so a device that cannot compile it
  // is refused now rather than drawing nothing later.
  VariantKey first{};
  first.lighting = true;
  first.depthFix = !d->clipControl;
  first.hasDiffuse = first.hasTexcoord = true;
  StageOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, first.colorOp);
  StageOps(2, D3DTA_TEXTURE, D3DTA_DIFFUSE, first.alphaOp);
  ValidateShadow(d);
  if (!Variant(d, first)->program) {
    glDeleteFramebuffers(1, &d->fbo);
    glDeleteTextures(1, &d->colorBuffer);
    glDeleteRenderbuffers(1, &d->depthBuffer);
    glDeleteBuffers(1, &d->streamVbo);
    glDeleteSamplers(1, &d->overlaySampler);
    glDeleteTextures(1, &d->whiteTexture);
    if (g_shadowOwner == d) g_shadowOwner = nullptr;
    delete d;
    return D3DERR_NOTAVAILABLE;
  }
  DefaultState(&d->state, w, h, true);
  LiveDevices().push_back(d);
  *device = new IDirect3DDevice9(d);
  return D3D_OK;
}

bool PresentAgain(GlContext* context) {
  for (D3DDeviceImpl* d : LiveDevices()) {
    if (d->context != context || !d->pictureShown) continue;
    TouchGlState();
    return ShowPicture(d);
  }
  return false;
}

IDirect3DDevice9::~IDirect3DDevice9() {
  D3DDeviceImpl* d = impl_;
  auto& live = LiveDevices();
  live.erase(std::remove(live.begin(), live.end(), d), live.end());
  if (g_pendingDevice == d) FlushPendingDraws();
  TouchGlState();
  if (g_shadowOwner == d) g_shadowOwner = nullptr;
  for (auto& t : d->state.textures)
    if (t) t->Release();
  glDeleteFramebuffers(1, &d->fbo);
  glDeleteTextures(1, &d->colorBuffer);
  glDeleteRenderbuffers(1, &d->depthBuffer);
  if (d->presentProgram) glDeleteProgram(d->presentProgram);
  if (d->presentVao) glDeleteVertexArrays(1, &d->presentVao);
  for (auto& v : d->variants)
    if (v.second.program) glDeleteProgram(v.second.program);
  for (auto& v : d->streamVaos) glDeleteVertexArrays(1, &v.second);
  for (auto& a : d->arenas) {
    glDeleteVertexArrays(1, &a.second->vao);
    glDeleteBuffers(1, &a.second->vbo);
    glDeleteBuffers(1, &a.second->ebo);
  }
  glDeleteBuffers(1, &d->streamVbo);
  for (auto& row : d->stageSamplers)
    for (GLuint smp : row)
      if (smp) glDeleteSamplers(1, &smp);
  glDeleteSamplers(1, &d->overlaySampler);
  glDeleteTextures(1, &d->whiteTexture);
  delete d;
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if ((unsigned)state >= 256) return D3DERR_INVALIDCALL;
  DWORD& slot = impl_->state.renderState[state];
  if (slot != value) {
    BeforeStateChange(impl_);
    slot = value;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if ((unsigned)state >= 256 || !value) return D3DERR_INVALIDCALL;
  *value = impl_->state.renderState[state];
  return D3D_OK;
}

static D3DXMATRIX* TransformSlot(DeviceState* s, D3DTRANSFORMSTATETYPE t) {
  switch (t) {
    case D3DTS_WORLD: return &s->world;
    case D3DTS_VIEW: return &s->view;
    case D3DTS_PROJECTION: return &s->projection;
  }
  return nullptr;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DXMATRIX* matrix) {
  D3DXMATRIX* slot = TransformSlot(&impl_->state, state);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  if (memcmp(slot, matrix, sizeof *slot) != 0) {
    BeforeStateChange(impl_);
    *slot = *matrix;
    ++impl_->transformSerial;
    if (state == D3DTS_WORLD) ++impl_->worldSerial;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE state, D3DXMATRIX* matrix) {
  D3DXMATRIX* slot = TransformSlot(&impl_->state, state);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  *matrix = *slot;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* vp) {
  if (!vp || vp->Width == 0 || vp->Height == 0 || vp->X + vp->Width > (DWORD)impl_->width ||
      vp->Y + vp->Height > (DWORD)impl_->height)
    return D3DERR_INVALIDCALL;
  if (memcmp(&impl_->state.viewport, vp, sizeof *vp) != 0) {
    BeforeStateChange(impl_);
    impl_->state.viewport = *vp;
    ++impl_->viewportSerial;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = impl_->state.viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
  if (memcmp(&impl_->state.lights[index], light, sizeof *light) != 0) {
    BeforeStateChange(impl_);
    impl_->state.lights[index] = *light;
    ++impl_->lightsSerial;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::LightEnable(DWORD index, BOOL enable) {
  if (index >= kMaxLights) return D3DERR_INVALIDCALL;
  BOOL on = enable ? TRUE : FALSE;
  if (impl_->state.lightEnabled[index] != on) {
    BeforeStateChange(impl_);
    impl_->state.lightEnabled[index] = on;
    ++impl_->lightsSerial;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetLight(DWORD index, D3DLIGHT9* light) {
  if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
  *light = impl_->state.lights[index];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetLightEnable(DWORD index, BOOL* enable) {
  if (index >= kMaxLights || !enable) return D3DERR_INVALIDCALL;
  *enable = impl_->state.lightEnabled[index];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  if (memcmp(&impl_->state.material, material, sizeof *material) != 0) {
    BeforeStateChange(impl_);
    impl_->state.material = *material;
    ++impl_->materialSerial;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetMaterial(D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = impl_->state.material;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
  if (stage >= kStages) return D3DERR_INVALIDCALL;
  IDirect3DTexture9*& slot = impl_->state.textures[stage];
  if (slot == texture) return D3D_OK;
  BeforeStateChange(impl_);
  if (texture) texture->AddRef();  // the device keeps what it draws with alive
  if (slot) slot->Release();
  slot = texture;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kStages || (unsigned)type >= 16) return D3DERR_INVALIDCALL;
  DWORD& slot = impl_->state.sampler[sampler][type];
  if (slot != value) {
    BeforeStateChange(impl_);
    slot = value;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
  if (stage >= kStages || (unsigned)type >= 32) return D3DERR_INVALIDCALL;
  DWORD& slot = impl_->state.stage[stage][type];
  if (slot != value) {
    BeforeStateChange(impl_);
    slot = value;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
  impl_->state.fvf = fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = impl_->state.fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                          const void* vertices, UINT stride) {
  UINT count = VertexCountOf(type, primitiveCount);
  if (!vertices || count == 0 || stride == 0) return D3DERR_INVALIDCALL;
  D3DDeviceImpl* d = impl_;
  FvfLayout layout = LayoutOfFvf(d->state.fvf);
  if (layout.position < 0 || stride < layout.stride) return D3DERR_INVALIDCALL;
  if (g_pendingDevice && g_pendingDevice != d) FlushPendingDraws();
  if (type == D3DPT_LINESTRIP) {  // drawn as it comes, never merged
    if (d->pending.active) FlushPendingDraws();
    DrawSetup s;
    s.fvf = d->state.fvf;
    s.stride = stride;
    s.vbo = StreamVertices(d, vertices, (size_t)count * stride, stride, &s.vboOffset);
    s.mode = GL_LINE_STRIP;
    s.count = (GLsizei)count;
    s.opaqueVertices = VerticesOpaque(vertices, count, stride, s.fvf);
    s.cpuVertices = vertices;
    s.vertexCount = count;
    DeviceDraw(d, s);
    return D3D_OK;
  }
  // Lists, fans and strips join the draws held back when nothing has
  // changed since them (every state change sends those first); fans and
  // strips become the triangles GL would make of them, vertices in the
  // order GL takes them.
  GLenum mode = type == D3DPT_LINELIST ? GL_LINES : GL_TRIANGLES;
  PendingDraws& p = d->pending;
  if (p.active && (p.fvf != d->state.fvf || p.stride != stride || p.mode != mode))
    FlushPendingDraws();
  if (!p.active) {
    p.active = true;
    p.fvf = d->state.fvf;
    p.stride = stride;
    p.mode = mode;
    p.vertexCount = 0;
    p.opaqueVertices = true;
    p.bytes.clear();
    g_pendingDevice = d;
  }
  if (p.opaqueVertices) p.opaqueVertices = VerticesOpaque(vertices, count, stride, p.fvf);
  const uint8_t* v = static_cast<const uint8_t*>(vertices);
  auto put = [&](UINT i) {
    p.bytes.insert(p.bytes.end(), v + (size_t)i * stride, v + (size_t)(i + 1) * stride);
    ++p.vertexCount;
  };
  if (type == D3DPT_TRIANGLEFAN) {
    for (UINT t = 0; t < primitiveCount; ++t) {
      put(t + 1);
      put(t + 2);
      put(0);
    }
  } else if (type == D3DPT_TRIANGLESTRIP) {
    for (UINT t = 0; t < primitiveCount; ++t) {
      if (t % 2 == 0) {
        put(t);
        put(t + 1);
      } else {
        put(t + 1);
        put(t);
      }
      put(t + 2);
    }
  } else {
    p.bytes.insert(p.bytes.end(), v, v + (size_t)count * stride);
    p.vertexCount += count;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD stencil) {
  if (count != 0 || rects) return D3DERR_INVALIDCALL;
  const D3DVIEWPORT9& vp = impl_->state.viewport;
  TouchGlState();
  impl_->pictureShown = false;
  glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
  glEnable(GL_SCISSOR_TEST);  // Clear covers the viewport only
  glScissor((GLint)vp.X, (GLint)vp.Y, (GLsizei)vp.Width, (GLsizei)vp.Height);
  GLbitfield bits = 0;
  if (flags & D3DCLEAR_TARGET) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(((color >> 16) & 0xff) / 255.0f, ((color >> 8) & 0xff) / 255.0f,
                 (color & 0xff) / 255.0f, ((color >> 24) & 0xff) / 255.0f);
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    glDepthMask(GL_TRUE);
    glClearDepth(z);
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    glStencilMask(0xff);
    glClearStencil((GLint)stencil);
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  if (bits) glClear(bits);
  glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
  // Whatever ran between scenes (the window's own drawing, a present) may
  // have changed GL state: nothing sent before is taken for granted.
  TouchGlState();
  impl_->pictureShown = false;
  if (impl_->context) impl_->context->MakeCurrent();
  glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
  FlushPendingDraws();
  glFlush();
  impl_->verticesLastScene = impl_->verticesThisScene;
  impl_->verticesThisScene = impl_->verticesSinceFlush = 0;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const void*) {
  if (impl_->simulatedState != D3D_OK) return D3DERR_DEVICELOST;
  TouchGlState();
  if (ShowPicture(impl_)) impl_->pictureShown = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::TestCooperativeLevel() { return impl_->simulatedState; }

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* params) {
  if (impl_->simulatedState == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
  TouchGlState();
  if (params) {
    int w = params->BackBufferWidth ? (int)params->BackBufferWidth : impl_->width;
    int h = params->BackBufferHeight ? (int)params->BackBufferHeight : impl_->height;
    if (w != impl_->width || h != impl_->height) {
      if (!CreateFramebuffer(impl_, w, h)) return D3DERR_NOTAVAILABLE;
    }
    impl_->params = *params;
  }
  TouchGlState();
  for (auto& t : impl_->state.textures)
    if (t) t->Release();
  DefaultState(&impl_->state, impl_->width, impl_->height, true);
  DeviceStateReplaced(impl_);
  impl_->simulatedState = D3D_OK;
  return D3D_OK;
}
