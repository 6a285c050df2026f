// The device's draw path: the GL state it shadows and sends only where it
// differs, the streamed and mesh vertex buffers, the draws held back and
// merged, and draw recording.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/d3d9_internal.h"

namespace {

GLenum BlendFactor(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    default: return GL_ONE;
  }
}

// (M^-1)^T of the upper 3 x 3 of m, laid out row by row; zero when singular.
void NormalMatrix(const D3DXMATRIX& m, float out[9]) {
  float a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32,
        i = m._33;
  float c00 = e * i - f * h, c01 = -(d * i - f * g), c02 = d * h - e * g;
  float c10 = -(b * i - c * h), c11 = a * i - c * g, c12 = -(a * h - b * g);
  float c20 = b * f - c * e, c21 = -(a * f - c * d), c22 = a * e - b * d;
  float det = a * c00 + b * c01 + c * c02;
  if (det == 0.0f) {
    memset(out, 0, 9 * sizeof(float));
    return;
  }
  float k = 1.0f / det;
  float cof[9] = {c00, c01, c02, c10, c11, c12, c20, c21, c22};
  for (int n = 0; n < 9; ++n) out[n] = cof[n] * k;
}

}  // namespace

// The one device whose shadow of the GL state is current, and the epoch it
// was current in; TouchGlState starts a new epoch.
static uint64_t g_glEpoch = 1;
D3DDeviceImpl* g_shadowOwner = nullptr;
D3DDeviceImpl* g_pendingDevice = nullptr;

// ---- GL state, sent only when it differs from what was sent last ----

void ValidateShadow(D3DDeviceImpl* d) {
  GlShadow& sh = d->shadow;
  if (g_shadowOwner != d || d->shadowEpoch != g_glEpoch) sh.valid = false;
  if (sh.valid) return;
  sh = GlShadow();
  sh.valid = true;
  g_shadowOwner = d;
  d->shadowEpoch = g_glEpoch;
  // States the device never changes, set once per epoch.
  glDisable(GL_SCISSOR_TEST);
  glActiveTexture(GL_TEXTURE0);
  glDepthFunc(GL_LEQUAL);
  glFrontFace(GL_CCW);  // Direct3D's clockwise, once clip y is negated
  glBindFramebuffer(GL_FRAMEBUFFER, d->fbo);
  sh.fbo = d->fbo;
  // Everything else is unknown: force the first comparison to send.
  sh.program = sh.vao = sh.texture = sh.sampler = ~0u;
  sh.vpW = sh.vpH = -1;
  sh.minZ = sh.maxZ = -1.0f;
  sh.srcBlend = sh.dstBlend = sh.cullFace = sh.polygonMode = ~0u;
}

namespace {

void UseProgram(GlShadow& sh, GLuint p) {
  if (sh.program != p) glUseProgram(sh.program = p);
}
void BindVao(GlShadow& sh, GLuint v) {
  if (sh.vao != v) glBindVertexArray(sh.vao = v);
}
void Toggle(int* shadow, bool on, GLenum cap) {
  if (*shadow != (int)on) {
    *shadow = on;
    if (on)
      glEnable(cap);
    else
      glDisable(cap);
  }
}
void DepthMask(GlShadow& sh, bool on) {
  if (sh.depthMask != (int)on) {
    sh.depthMask = on;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
  }
}
void PolygonMode(GlShadow& sh, GLenum mode) {
  if (sh.polygonMode != mode) glPolygonMode(GL_FRONT_AND_BACK, sh.polygonMode = mode);
}
void BindTexture(GlShadow& sh, GLuint t) {
  if (sh.texture != t) glBindTexture(GL_TEXTURE_2D, sh.texture = t);
}
void BindSampler(GlShadow& sh, GLuint s) {
  if (sh.sampler != s) glBindSampler(0, sh.sampler = s);
}

// The sampler object for stage 0's filters (made on first use).
GLuint StageSampler(D3DDeviceImpl* d) {
  const DeviceState& st = d->state;
  DWORD minF = st.sampler[0][D3DSAMP_MINFILTER], magF = st.sampler[0][D3DSAMP_MAGFILTER],
        mipF = st.sampler[0][D3DSAMP_MIPFILTER];
  bool minLinear = minF == D3DTEXF_LINEAR;
  int mip = mipF == D3DTEXF_NONE ? 0 : mipF == D3DTEXF_POINT ? 1 : 2;
  int mag = magF == D3DTEXF_LINEAR ? 1 : 0;
  GLuint& smp = d->stageSamplers[mip * 2 + (minLinear ? 1 : 0)][mag];
  if (!smp) {
    static const GLenum kMin[6] = {GL_NEAREST,
                                   GL_LINEAR,
                                   GL_NEAREST_MIPMAP_NEAREST,
                                   GL_LINEAR_MIPMAP_NEAREST,
                                   GL_NEAREST_MIPMAP_LINEAR,
                                   GL_LINEAR_MIPMAP_LINEAR};
    glGenSamplers(1, &smp);
    glSamplerParameteri(smp, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(smp, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glSamplerParameteri(smp, GL_TEXTURE_MIN_FILTER, (GLint)kMin[mip * 2 + (minLinear ? 1 : 0)]);
    glSamplerParameteri(smp, GL_TEXTURE_MAG_FILTER, mag ? GL_LINEAR : GL_NEAREST);
  }
  return smp;
}

// Enabled directional lights, in index order, as the shader takes them.
void UpdateLights(D3DDeviceImpl* d) {
  if (d->lightsOf == d->lightsSerial) return;
  d->lightsOf = d->lightsSerial;
  const DeviceState& st = d->state;
  int n = 0;
  for (int i = 0; i < kMaxLights; ++i) {
    const D3DLIGHT9& l = st.lights[i];
    if (!st.lightEnabled[i] || l.Type != D3DLIGHT_DIRECTIONAL) continue;
    D3DXVECTOR3 dir;
    D3DXVec3Normalize(&dir, &l.Direction);
    d->lightDirs[n * 3 + 0] = -dir.x;
    d->lightDirs[n * 3 + 1] = -dir.y;
    d->lightDirs[n * 3 + 2] = -dir.z;
    d->lightColors[n * 3 + 0] = l.Diffuse.r;
    d->lightColors[n * 3 + 1] = l.Diffuse.g;
    d->lightColors[n * 3 + 2] = l.Diffuse.b;
    ++n;
  }
  d->lightCount = n;
}

// Whether the shader's alpha is 1 for every pixel of the draw.
bool AlphaIsOne(const DeviceState& st, const DrawSetup& s, const VariantKey& k,
                IDirect3DTexture9* texture) {
  bool vertexOne;
  if (k.lighting)
    vertexOne = k.hasDiffuse ? s.opaqueVertices : st.material.Diffuse.a >= 1.0f;
  else
    vertexOne = !k.hasDiffuse || s.opaqueVertices;
  const bool textureOne = !texture || texture->impl()->opaque;
  auto arg = [&](int isTexture) { return isTexture ? textureOne : vertexOne; };
  switch (k.alphaOp[0]) {
    case 2: return arg(k.alphaOp[1]);
    case 3: return arg(k.alphaOp[2]);
    case 4: return arg(k.alphaOp[1]) && arg(k.alphaOp[2]);
  }
  return vertexOne;
}

// Sends what the draw needs and differs from what GL has; false when the
// draw cannot be made (no shader).
bool ApplyState(D3DDeviceImpl* d, const DrawSetup& s, const FvfLayout& layout) {
  const DeviceState& st = d->state;
  GlShadow& sh = d->shadow;
  const D3DVIEWPORT9& vp = st.viewport;
  if (sh.vpX != (GLint)vp.X || sh.vpY != (GLint)vp.Y || sh.vpW != (GLsizei)vp.Width ||
      sh.vpH != (GLsizei)vp.Height) {
    sh.vpX = (GLint)vp.X;
    sh.vpY = (GLint)vp.Y;
    sh.vpW = (GLsizei)vp.Width;
    sh.vpH = (GLsizei)vp.Height;
    glViewport(sh.vpX, sh.vpY, sh.vpW, sh.vpH);
  }
  if (sh.minZ != vp.MinZ || sh.maxZ != vp.MaxZ) {
    sh.minZ = vp.MinZ;
    sh.maxZ = vp.MaxZ;
    glDepthRangef(vp.MinZ, vp.MaxZ);
  }

  VariantKey k{};
  k.depthFix = !d->clipControl;
  k.hasNormal = layout.normal >= 0;
  k.hasDiffuse = layout.diffuse >= 0;
  k.hasTexcoord = layout.texcoord >= 0;
  IDirect3DTexture9* t = s.overlay ? s.overlayTexture : st.textures[0];
  // Untextured draws go through the textured shader too, told by a vertex
  // stage uniform to read opaque white instead, and leave the texture that
  // is bound where it is: textured and untextured draws alternate item by
  // item (body, coat), and a software renderer pays dearly on the thread
  // that sends the draws for every change to the pixel stage's program,
  // textures or uniforms, while vertex stage uniforms cost next to nothing.
  // Lines keep the plain untextured shader: they come in long runs (the
  // grid), never between an item's body and coat, and reading the texture
  // for every pixel of them would be work for nothing.
  k.hasTexture =
      t != nullptr || (!s.overlay && s.mode != GL_LINES && d->whiteTexture != 0);
  if (s.overlay) {
    StageOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, k.colorOp);
    StageOps(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, k.alphaOp);
  } else {
    StageOps(st.stage[0][D3DTSS_COLOROP], st.stage[0][2], st.stage[0][3], k.colorOp);
    StageOps(st.stage[0][D3DTSS_ALPHAOP], st.stage[0][D3DTSS_ALPHAARG1],
             st.stage[0][D3DTSS_ALPHAARG2], k.alphaOp);
    k.lighting = st.renderState[D3DRS_LIGHTING] != 0;
  }
  if (k.lighting) {
    UpdateLights(d);
    k.lights = d->lightCount;
    k.normalize = st.renderState[D3DRS_NORMALIZENORMALS] != 0;
  }
  ShaderVariant* v = Variant(d, k);
  if (!v->program) return false;
  UseProgram(sh, v->program);

  // Blending by source alpha is left out where that alpha is 1 for certain
  // (every alpha in play is opaque): the blend would give back the source.
  bool blend = st.renderState[D3DRS_ALPHABLENDENABLE] != 0;
  GLenum src = BlendFactor(st.renderState[D3DRS_SRCBLEND]);
  GLenum dst = BlendFactor(st.renderState[D3DRS_DESTBLEND]);
  if (blend && !s.overlay && src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA &&
      AlphaIsOne(st, s, k, t))
    blend = false;
  Toggle(&sh.blend, blend, GL_BLEND);
  if (blend && (sh.srcBlend != src || sh.dstBlend != dst))
    glBlendFunc(sh.srcBlend = src, sh.dstBlend = dst);

  if (t)
    BindTexture(sh, t->impl()->tex);
  else if (k.hasTexture && (sh.texture == 0 || sh.texture == ~0u))
    BindTexture(sh, d->whiteTexture);  // nothing bound to read from
  if (v->uUseTex >= 0 && v->useTex != (t != nullptr))
    glUniform1f(v->uUseTex, (v->useTex = t != nullptr) ? 1.0f : 0.0f);
  if (s.overlay) {
    Toggle(&sh.depthTest, false, GL_DEPTH_TEST);
    DepthMask(sh, false);
    Toggle(&sh.cull, false, GL_CULL_FACE);
    PolygonMode(sh, GL_FILL);
    BindSampler(sh, d->overlaySampler);
    const uint64_t tag = (1ull << 63) | d->viewportSerial;
    if (v->matrixTag != tag) {
      v->matrixTag = tag;
      // Pixels of the viewport to clip space (Direct3D's, y up).
      float w = (float)vp.Width, h = (float)vp.Height;
      D3DXMATRIX ortho(2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1);
      glUniformMatrix4fv(v->uWvp, 1, GL_FALSE, &ortho._11);
    }
    if (v->shiftTag != (1ull << 63)) {
      v->shiftTag = 1ull << 63;
      glUniform2f(v->uPixelShift, 0.0f, 0.0f);
    }
    return true;
  }

  const bool depth = st.renderState[D3DRS_ZENABLE] != 0;
  Toggle(&sh.depthTest, depth, GL_DEPTH_TEST);
  if (depth) DepthMask(sh, st.renderState[D3DRS_ZWRITEENABLE] != 0);
  switch (st.renderState[D3DRS_CULLMODE]) {
    case D3DCULL_NONE: Toggle(&sh.cull, false, GL_CULL_FACE); break;
    case D3DCULL_CW:
      Toggle(&sh.cull, true, GL_CULL_FACE);
      if (sh.cullFace != GL_FRONT) glCullFace(sh.cullFace = GL_FRONT);
      break;
    default:
      Toggle(&sh.cull, true, GL_CULL_FACE);
      if (sh.cullFace != GL_BACK) glCullFace(sh.cullFace = GL_BACK);
      break;
  }
  PolygonMode(sh, st.renderState[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
  BindSampler(sh, StageSampler(d));

  if (v->shiftTag != d->viewportSerial) {
    v->shiftTag = d->viewportSerial;
    // Half a pixel in clip units, y up before the flip.
    glUniform2f(v->uPixelShift, 1.0f / (float)vp.Width, -1.0f / (float)vp.Height);
  }
  if (d->wvpOf != d->transformSerial) {
    d->wvpOf = d->transformSerial;
    D3DXMATRIX wv;
    D3DXMatrixMultiply(&wv, &st.world, &st.view);
    D3DXMatrixMultiply(&d->wvp, &wv, &st.projection);
  }
  if (v->matrixTag != d->transformSerial) {
    v->matrixTag = d->transformSerial;
    glUniformMatrix4fv(v->uWvp, 1, GL_FALSE, &d->wvp._11);
  }
  if (k.lighting) {
    if (d->normalOf != d->worldSerial) {
      d->normalOf = d->worldSerial;
      NormalMatrix(st.world, d->normalMat);
    }
    if (v->normalTag != d->worldSerial) {
      v->normalTag = d->worldSerial;
      glUniformMatrix3fv(v->uNormalMat, 1, GL_FALSE, d->normalMat);
    }
    if (v->materialTag != d->materialSerial) {
      v->materialTag = d->materialSerial;
      const D3DMATERIAL9& m = st.material;
      glUniform4f(v->uMatDiffuse, m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a);
      glUniform3f(v->uMatEmissive, m.Emissive.r, m.Emissive.g, m.Emissive.b);
    }
    if (v->lightsTag != d->lightsSerial) {
      v->lightsTag = d->lightsSerial;
      if (d->lightCount) {
        glUniform3fv(v->uLightDir, d->lightCount, d->lightDirs);
        glUniform3fv(v->uLightDiffuse, d->lightCount, d->lightColors);
      }
    }
  }
  return true;
}

DrawRecorder g_drawRecorder = nullptr;
void* g_drawRecorderUser = nullptr;

// Hands the draw to the recorder with the whole vertex transform of the
// shader folded into one matrix (pixel shift, y flip, depth remap).
void RecordDraw(D3DDeviceImpl* d, const DrawSetup& s) {
  const DeviceState& st = d->state;
  const D3DVIEWPORT9& vp = st.viewport;
  D3DXMATRIX m;
  float sx = 0.0f, sy = 0.0f;
  if (s.overlay) {
    float w = (float)vp.Width, h = (float)vp.Height;
    m = D3DXMATRIX(2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1);
  } else {
    m = d->wvp;  // as the draw's state left it
    sx = 1.0f / (float)vp.Width;
    sy = -1.0f / (float)vp.Height;
  }
  D3DXMATRIX post(1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, sx, -sy, 0, 1);
  if (!d->clipControl) {
    post._33 = 2.0f;
    post._43 = -1.0f;
  }
  D3DXMATRIX clip;
  D3DXMatrixMultiply(&clip, &m, &post);
  RecordedDraw r{};
  r.mode = s.mode;
  memcpy(r.clip, &clip._11, sizeof r.clip);
  r.viewport[0] = (int)vp.X;
  r.viewport[1] = (int)vp.Y;
  r.viewport[2] = (int)vp.Width;
  r.viewport[3] = (int)vp.Height;
  r.mesh = s.mesh;
  r.meshVersion = s.meshVersion;
  r.vertices = static_cast<const uint8_t*>(s.cpuVertices);
  r.stride = s.stride ? s.stride : LayoutOfFvf(s.fvf).stride;
  r.vertexCount = s.vertexCount;
  r.indices = s.ebo ? s.cpuIndices : nullptr;
  r.indexCount = s.ebo ? s.indexCount : 0;
  r.first = s.first;
  r.count = s.count;
  if (r.vertices) g_drawRecorder(r, g_drawRecorderUser);
}

}  // namespace

void RecordDraws(DrawRecorder recorder, void* user) {
  g_drawRecorder = recorder;
  g_drawRecorderUser = user;
}

FvfLayout LayoutOfFvf(DWORD fvf) {
  FvfLayout l;
  UINT off = 0;
  if (fvf & D3DFVF_XYZ) {
    l.position = (int)off;
    off += 12;
  }
  if (fvf & D3DFVF_NORMAL) {
    l.normal = (int)off;
    off += 12;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    l.diffuse = (int)off;
    off += 4;
  }
  if (fvf & D3DFVF_TEX1) {
    l.texcoord = (int)off;
    off += 8;
  }
  l.stride = off;
  return l;
}

bool VerticesOpaque(const void* vertices, UINT count, UINT stride, DWORD fvf) {
  const int at = LayoutOfFvf(fvf).diffuse;
  if (at < 0) return true;
  const uint8_t* p = static_cast<const uint8_t*>(vertices) + at + 3;  // ARGB: alpha last
  for (UINT i = 0; i < count; ++i, p += stride)
    if (*p != 0xFF) return false;
  return true;
}

UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT n) {
  switch (type) {
    case D3DPT_LINELIST: return 2 * n;
    case D3DPT_LINESTRIP: return n ? n + 1 : 0;
    case D3DPT_TRIANGLELIST: return 3 * n;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return n ? n + 2 : 0;
  }
  return 0;
}

GLuint StreamVertices(D3DDeviceImpl* d, const void* data, size_t bytes, UINT stride,
                      size_t* offset) {
  glBindBuffer(GL_ARRAY_BUFFER, d->streamVbo);
  // One big buffer filled front to back; draws still reading its earlier
  // parts are never written over, so no write has to wait for them. When it
  // is full a fresh store replaces it (the old one lives on until those
  // draws are done). Data starts at a whole vertex, so a draw names it by
  // its first vertex and the stream's vertex arrays never change.
  size_t at = stride ? (d->streamUsed + stride - 1) / stride * stride : d->streamUsed;
  if (at + bytes > d->streamCapacity) {
    const size_t kMinimum = (size_t)4 << 20;
    d->streamCapacity = bytes > kMinimum ? bytes : kMinimum;
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)d->streamCapacity, nullptr, GL_STREAM_DRAW);
    at = 0;
  }
  void* p = glMapBufferRange(GL_ARRAY_BUFFER, (GLintptr)at, (GLsizeiptr)bytes,
                             GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT |
                                 GL_MAP_UNSYNCHRONIZED_BIT);
  if (p) {
    memcpy(p, data, bytes);
    glUnmapBuffer(GL_ARRAY_BUFFER);
  } else {
    glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)at, (GLsizeiptr)bytes, data);
  }
  *offset = at;
  d->streamUsed = at + bytes;
  return d->streamVbo;
}

GLuint MakeVertexArray(GLuint vbo, GLuint ebo, DWORD fvf, UINT stride) {
  FvfLayout layout = LayoutOfFvf(fvf);
  GLuint vao = 0;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  auto attribute = [&](GLuint index, int offset, GLint size, GLenum type, GLboolean norm) {
    if (offset < 0) return;
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, size, type, norm, (GLsizei)stride,
                          reinterpret_cast<const void*>((size_t)offset));
  };
  attribute(0, layout.position, 3, GL_FLOAT, GL_FALSE);
  attribute(1, layout.normal, 3, GL_FLOAT, GL_FALSE);
  attribute(2, layout.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE);
  attribute(3, layout.texcoord, 2, GL_FLOAT, GL_FALSE);
  if (ebo) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
  return vao;
}

// A software renderer bins a scene's triangles on this thread and only
// starts filling pixels on its own threads when GL is flushed: with one
// flush at the end of the frame, the pixel threads wait while the draws are
// sent and the sender waits while they work. A flush after each third of
// what the last scene sent lets both run at once. The pictures stay the
// same: the work is only handed over sooner, in order. Each flush costs the
// renderer a fraction of a millisecond, so small scenes are left whole.
void StartRasterisingEarly(D3DDeviceImpl* d, size_t vertices) {
  constexpr size_t kLeastVerticesPerFlush = 24000;
  d->verticesThisScene += vertices;
  d->verticesSinceFlush += vertices;
  if (d->verticesSinceFlush >= std::max(kLeastVerticesPerFlush, d->verticesLastScene / 3)) {
    d->verticesSinceFlush = 0;
    glFlush();
  }
}

void DeviceDraw(D3DDeviceImpl* d, const DrawSetup& s) {
  if (s.count <= 0) return;
  if (d->pending.active && !d->flushing) FlushPendingDraws();
  FvfLayout layout = LayoutOfFvf(s.fvf);
  if (layout.position < 0) return;
  ValidateShadow(d);
  GlShadow& sh = d->shadow;
  if (sh.fbo != d->fbo) glBindFramebuffer(GL_FRAMEBUFFER, sh.fbo = d->fbo);
  GLuint stride = s.stride ? s.stride : layout.stride;
  GLint first = s.first;
  GLuint vao = s.vao;
  if (!vao) {  // from the stream: its own array for this format and stride
    uint64_t key = (uint64_t)stride << 32 | s.fvf;
    GLuint& streamVao = d->streamVaos[key];
    if (!streamVao) {
      streamVao = MakeVertexArray(d->streamVbo, 0, s.fvf, stride);
      sh.vao = streamVao;
    }
    vao = streamVao;
    first += (GLint)(s.vboOffset / stride);
  }
  if (!ApplyState(d, s, layout)) return;
  BindVao(sh, vao);
  if (g_drawRecorder) RecordDraw(d, s);
  if (s.ebo) {
    glDrawElementsBaseVertex(
        s.mode, s.count, GL_UNSIGNED_INT,
        reinterpret_cast<const void*>((s.indexBase + (size_t)s.first) * sizeof(uint32_t)),
        s.baseVertex);
  } else {
    glDrawArrays(s.mode, first, s.count);
  }
  StartRasterisingEarly(d, (size_t)s.count);
}

MeshArena* ArenaOf(D3DDeviceImpl* d, DWORD fvf, UINT stride) {
  std::unique_ptr<MeshArena>& a = d->arenas[(uint64_t)stride << 32 | fvf];
  if (!a) {
    a.reset(new MeshArena);
    a->fvf = fvf;
    a->stride = stride;
  }
  return a.get();
}

void PlaceMesh(D3DDeviceImpl* d, DWORD fvf, UINT stride, const std::vector<uint8_t>& vertices,
               const std::vector<uint32_t>& indices, MeshPlace* place) {
  TouchGlState();
  MeshArena* a = ArenaOf(d, fvf, stride);
  const size_t vertexAt = place->arena == a && place->vertexBytes == vertices.size() &&
                                  place->indexCount == indices.size()
                              ? (size_t)place->baseVertex * stride
                              : a->vertices.size();
  const size_t indexAt = vertexAt == a->vertices.size() ? a->indices.size() : place->firstIndex;
  if (vertexAt == a->vertices.size()) {
    a->vertices.insert(a->vertices.end(), vertices.begin(), vertices.end());
    a->indices.insert(a->indices.end(), indices.begin(), indices.end());
  } else {  // the same room again
    std::copy(vertices.begin(), vertices.end(), a->vertices.begin() + (ptrdiff_t)vertexAt);
    std::copy(indices.begin(), indices.end(), a->indices.begin() + (ptrdiff_t)indexAt);
  }
  place->arena = a;
  place->baseVertex = (GLint)(vertexAt / stride);
  place->firstIndex = indexAt;
  place->vertexBytes = vertices.size();
  place->indexCount = indices.size();
  if (a->vertices.size() > a->vertexCapacity || a->indices.size() > a->indexCapacity) {
    // New, larger buffers with everything placed so far; draws already
    // made keep reading the old ones until they are done.
    if (a->vao) glDeleteVertexArrays(1, &a->vao);
    if (a->vbo) glDeleteBuffers(1, &a->vbo);
    if (a->ebo) glDeleteBuffers(1, &a->ebo);
    a->vertexCapacity = std::max(a->vertexCapacity * 2, std::max(a->vertices.size(), (size_t)1 << 20));
    a->indexCapacity = std::max(a->indexCapacity * 2, std::max(a->indices.size(), (size_t)1 << 18));
    glGenBuffers(1, &a->vbo);
    glGenBuffers(1, &a->ebo);
    glBindBuffer(GL_ARRAY_BUFFER, a->vbo);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)a->vertexCapacity, nullptr, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)a->vertices.size(), a->vertices.data());
    a->vao = MakeVertexArray(a->vbo, a->ebo, fvf, stride);  // stays bound
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)(a->indexCapacity * 4), nullptr,
                 GL_STATIC_DRAW);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, (GLsizeiptr)(a->indices.size() * 4),
                    a->indices.data());
  } else {
    glBindBuffer(GL_ARRAY_BUFFER, a->vbo);
    glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)vertexAt, (GLsizeiptr)vertices.size(),
                    vertices.data());
    glBindVertexArray(a->vao);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, (GLintptr)(indexAt * 4),
                    (GLsizeiptr)(indices.size() * 4), indices.data());
  }
}

void TouchGlState() {
  FlushPendingDraws();
  ++g_glEpoch;
}

void FlushPendingDraws() {
  D3DDeviceImpl* d = g_pendingDevice;
  if (!d) return;
  g_pendingDevice = nullptr;
  PendingDraws& p = d->pending;
  if (!p.active) return;
  p.active = false;
  DrawSetup s;
  s.fvf = p.fvf;
  s.stride = p.stride;
  s.vbo = StreamVertices(d, p.bytes.data(), p.bytes.size(), p.stride, &s.vboOffset);
  s.mode = p.mode;
  s.count = (GLsizei)p.vertexCount;
  s.cpuVertices = p.bytes.data();
  s.vertexCount = p.vertexCount;
  s.opaqueVertices = p.opaqueVertices;
  d->flushing = true;
  DeviceDraw(d, s);
  d->flushing = false;
  p.bytes.clear();
  p.vertexCount = 0;
}

void DeviceStateReplaced(D3DDeviceImpl* d) {
  if (d->pending.active) FlushPendingDraws();
  ++d->transformSerial;
  ++d->worldSerial;
  ++d->viewportSerial;
  ++d->materialSerial;
  ++d->lightsSerial;
}
