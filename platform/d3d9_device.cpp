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
// One small shader computes the fixed-function result the game relies on.
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gl_internal.h"

namespace {

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aTex;
uniform mat4 uWvp;
uniform mat3 uNormalMat;
uniform int uLighting;
uniform int uNormalize;
uniform int uColorVertex;
uniform vec4 uMatDiffuse;
uniform vec3 uMatEmissive;
uniform int uLightCount;
uniform vec3 uLightDir[8];
uniform vec3 uLightDiffuse[8];
uniform int uDepthFix;
uniform vec2 uPixelShift;
out vec4 vColor;
out vec2 vTex;
void main() {
  vec4 p = uWvp * vec4(aPos, 1.0);
  p.xy += uPixelShift * p.w;
  if (uDepthFix != 0) p.z = 2.0 * p.z - p.w;
  gl_Position = vec4(p.x, -p.y, p.z, p.w);
  vTex = aTex;
  if (uLighting != 0) {
    vec4 diffuse = (uColorVertex != 0) ? aColor : uMatDiffuse;
    vec3 n = uNormalMat * aNormal;
    if (uNormalize != 0 && dot(n, n) > 0.0) n = normalize(n);
    vec3 c = uMatEmissive;
    for (int i = 0; i < uLightCount; ++i)
      c += uLightDiffuse[i] * diffuse.rgb * max(0.0, dot(n, uLightDir[i]));
    vColor = clamp(vec4(c, diffuse.a), 0.0, 1.0);
  } else {
    vColor = aColor;
  }
}
)";

// Texture stage 0: op 1 disable, 2 select arg1, 3 select arg2, 4 modulate;
// args 0 diffuse, 2 texture.
const char* kFragmentShader = R"(#version 330 core
in vec4 vColor;
in vec2 vTex;
uniform sampler2D uTex;
uniform int uHasTex;
uniform ivec3 uColorOps;
uniform ivec3 uAlphaOps;
out vec4 fragColor;
vec4 Arg(int a, vec4 t) { return a == 2 ? t : vColor; }
vec4 Combine(ivec3 op, vec4 t) {
  if (op.x == 2) return Arg(op.y, t);
  if (op.x == 3) return Arg(op.z, t);
  if (op.x == 4) return Arg(op.y, t) * Arg(op.z, t);
  return vColor;
}
void main() {
  vec4 t = (uHasTex != 0) ? texture(uTex, vTex) : vec4(1.0);
  fragColor = vec4(Combine(uColorOps, t).rgb, Combine(uAlphaOps, t).a);
}
)";

GLuint CompileShader(GLenum type, const char* source) {
  GLuint s = glCreateShader(type);
  glShaderSource(s, 1, &source, nullptr);
  glCompileShader(s);
  GLint ok = 0;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetShaderInfoLog(s, sizeof log, nullptr, log);
    fprintf(stderr, "shader: %s\n", log);
    glDeleteShader(s);
    return 0;
  }
  return s;
}

GLuint LinkProgram() {
  GLuint vs = CompileShader(GL_VERTEX_SHADER, kVertexShader);
  GLuint fs = CompileShader(GL_FRAGMENT_SHADER, kFragmentShader);
  if (!vs || !fs) return 0;
  GLuint p = glCreateProgram();
  glAttachShader(p, vs);
  glAttachShader(p, fs);
  glLinkProgram(p);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(p, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetProgramInfoLog(p, sizeof log, nullptr, log);
    fprintf(stderr, "program: %s\n", log);
    glDeleteProgram(p);
    return 0;
  }
  return p;
}

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
    glDeleteRenderbuffers(1, &d->colorBuffer);
    glDeleteRenderbuffers(1, &d->depthBuffer);
    d->fbo = d->colorBuffer = d->depthBuffer = 0;
  }
  glGenFramebuffers(1, &d->fbo);
  glGenRenderbuffers(1, &d->colorBuffer);
  glGenRenderbuffers(1, &d->depthBuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, d->colorBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glBindRenderbuffer(GL_RENDERBUFFER, d->depthBuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  glBindFramebuffer(GL_FRAMEBUFFER, d->fbo);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, d->colorBuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            d->depthBuffer);
  bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  d->width = width;
  d->height = height;
  return ok;
}

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

void SetAttribute(GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride,
                  int offset, size_t base) {
  glEnableVertexAttribArray(index);
  glVertexAttribPointer(index, size, type, normalized, stride,
                        reinterpret_cast<const void*>(base + (size_t)offset));
}

void ApplyState(D3DDeviceImpl* d, const DrawSetup& s) {
  const DeviceState& st = d->state;
  const D3DVIEWPORT9& vp = st.viewport;
  glViewport((GLint)vp.X, (GLint)vp.Y, (GLsizei)vp.Width, (GLsizei)vp.Height);
  glDepthRangef(vp.MinZ, vp.MaxZ);
  glDisable(GL_SCISSOR_TEST);

  if (st.renderState[D3DRS_ALPHABLENDENABLE]) {
    glEnable(GL_BLEND);
    glBlendFunc(BlendFactor(st.renderState[D3DRS_SRCBLEND]),
                BlendFactor(st.renderState[D3DRS_DESTBLEND]));
  } else {
    glDisable(GL_BLEND);
  }

  glUniform1i(d->uDepthFix, d->clipControl ? 0 : 1);
  if (s.overlay)
    glUniform2f(d->uPixelShift, 0.0f, 0.0f);
  else  // half a pixel in clip units, y up before the flip
    glUniform2f(d->uPixelShift, 1.0f / (float)vp.Width, -1.0f / (float)vp.Height);
  glUniform1i(d->uTex, 0);
  glActiveTexture(GL_TEXTURE0);

  if (s.overlay) {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // Pixels of the viewport to clip space (Direct3D's, y up).
    float w = (float)vp.Width, h = (float)vp.Height;
    D3DXMATRIX ortho(2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1);
    glUniformMatrix4fv(d->uWvp, 1, GL_FALSE, &ortho._11);
    glUniform1i(d->uLighting, 0);
    IDirect3DTexture9* t = s.overlayTexture;
    glUniform1i(d->uHasTex, t ? 1 : 0);
    glBindTexture(GL_TEXTURE_2D, t ? t->impl()->tex : 0);
    glBindSampler(0, d->overlaySampler);
    glUniform3i(d->uColorOps, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    glUniform3i(d->uAlphaOps, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
    return;
  }

  if (st.renderState[D3DRS_ZENABLE]) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(st.renderState[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  switch (st.renderState[D3DRS_CULLMODE]) {
    case D3DCULL_NONE: glDisable(GL_CULL_FACE); break;
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_FRONT);
      break;
    default:
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
      break;
  }
  glPolygonMode(GL_FRONT_AND_BACK,
                st.renderState[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);

  D3DXMATRIX wv, wvp;
  D3DXMatrixMultiply(&wv, &st.world, &st.view);
  D3DXMatrixMultiply(&wvp, &wv, &st.projection);
  glUniformMatrix4fv(d->uWvp, 1, GL_FALSE, &wvp._11);

  bool lighting = st.renderState[D3DRS_LIGHTING] != 0;
  glUniform1i(d->uLighting, lighting ? 1 : 0);
  if (lighting) {
    float nm[9];
    NormalMatrix(st.world, nm);
    glUniformMatrix3fv(d->uNormalMat, 1, GL_FALSE, nm);
    glUniform1i(d->uNormalize, st.renderState[D3DRS_NORMALIZENORMALS] ? 1 : 0);
    glUniform1i(d->uColorVertex, (s.fvf & D3DFVF_DIFFUSE) ? 1 : 0);
    const D3DMATERIAL9& m = st.material;
    glUniform4f(d->uMatDiffuse, m.Diffuse.r, m.Diffuse.g, m.Diffuse.b, m.Diffuse.a);
    glUniform3f(d->uMatEmissive, m.Emissive.r, m.Emissive.g, m.Emissive.b);
    float dirs[kMaxLights * 3], cols[kMaxLights * 3];
    int n = 0;
    for (int i = 0; i < kMaxLights; ++i) {
      const D3DLIGHT9& l = st.lights[i];
      if (!st.lightEnabled[i] || l.Type != D3DLIGHT_DIRECTIONAL) continue;
      D3DXVECTOR3 dir;
      D3DXVec3Normalize(&dir, &l.Direction);
      dirs[n * 3 + 0] = -dir.x;
      dirs[n * 3 + 1] = -dir.y;
      dirs[n * 3 + 2] = -dir.z;
      cols[n * 3 + 0] = l.Diffuse.r;
      cols[n * 3 + 1] = l.Diffuse.g;
      cols[n * 3 + 2] = l.Diffuse.b;
      ++n;
    }
    glUniform1i(d->uLightCount, n);
    if (n) {
      glUniform3fv(d->uLightDir, n, dirs);
      glUniform3fv(d->uLightDiffuse, n, cols);
    }
  }

  IDirect3DTexture9* t = st.textures[0];
  glUniform1i(d->uHasTex, t ? 1 : 0);
  glBindTexture(GL_TEXTURE_2D, t ? t->impl()->tex : 0);
  GLuint smp = d->stageSampler;
  DWORD minF = st.sampler[0][D3DSAMP_MINFILTER], magF = st.sampler[0][D3DSAMP_MAGFILTER],
        mipF = st.sampler[0][D3DSAMP_MIPFILTER];
  GLenum minGl;
  bool minLinear = minF == D3DTEXF_LINEAR;
  if (mipF == D3DTEXF_NONE)
    minGl = minLinear ? GL_LINEAR : GL_NEAREST;
  else if (mipF == D3DTEXF_POINT)
    minGl = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  else
    minGl = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  glSamplerParameteri(smp, GL_TEXTURE_MIN_FILTER, (GLint)minGl);
  glSamplerParameteri(smp, GL_TEXTURE_MAG_FILTER, magF == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  glBindSampler(0, smp);
  glUniform3i(d->uColorOps, (GLint)st.stage[0][D3DTSS_COLOROP], (GLint)st.stage[0][2],
              (GLint)st.stage[0][3]);
  glUniform3i(d->uAlphaOps, (GLint)st.stage[0][D3DTSS_ALPHAOP],
              (GLint)st.stage[0][D3DTSS_ALPHAARG1], (GLint)st.stage[0][D3DTSS_ALPHAARG2]);
}

D3DDeviceImpl* ImplOf(IDirect3DDevice9* device) { return device->impl(); }

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
    D3DXMATRIX wv;
    D3DXMatrixMultiply(&wv, &st.world, &st.view);
    D3DXMatrixMultiply(&m, &wv, &st.projection);
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

GlContext* g_currentContext = nullptr;

}  // namespace

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

GLuint StreamVertices(D3DDeviceImpl* d, const void* data, size_t bytes, size_t* offset) {
  glBindBuffer(GL_ARRAY_BUFFER, d->streamVbo);
  // One big buffer filled front to back; draws still reading its earlier
  // parts are never written over, so no write has to wait for them. When it
  // is full a fresh store replaces it (the old one lives on until those
  // draws are done).
  if (d->streamUsed + bytes > d->streamCapacity) {
    const size_t kMinimum = (size_t)4 << 20;
    d->streamCapacity = bytes > kMinimum ? bytes : kMinimum;
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)d->streamCapacity, nullptr, GL_STREAM_DRAW);
    d->streamUsed = 0;
  }
  void* p = glMapBufferRange(GL_ARRAY_BUFFER, (GLintptr)d->streamUsed, (GLsizeiptr)bytes,
                             GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT |
                                 GL_MAP_UNSYNCHRONIZED_BIT);
  if (p) {
    memcpy(p, data, bytes);
    glUnmapBuffer(GL_ARRAY_BUFFER);
  } else {
    glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)d->streamUsed, (GLsizeiptr)bytes, data);
  }
  *offset = d->streamUsed;
  d->streamUsed += (bytes + 63) & ~(size_t)63;
  return d->streamVbo;
}

void DeviceDraw(D3DDeviceImpl* d, const DrawSetup& s) {
  if (s.count <= 0) return;
  FvfLayout layout = LayoutOfFvf(s.fvf);
  if (layout.position < 0) return;
  GLsizei stride = (GLsizei)(s.stride ? s.stride : layout.stride);
  glBindFramebuffer(GL_FRAMEBUFFER, d->fbo);
  glUseProgram(d->program);
  glBindVertexArray(d->vao);
  glBindBuffer(GL_ARRAY_BUFFER, s.vbo);
  SetAttribute(0, 3, GL_FLOAT, GL_FALSE, stride, layout.position, s.vboOffset);
  if (layout.normal >= 0) {
    SetAttribute(1, 3, GL_FLOAT, GL_FALSE, stride, layout.normal, s.vboOffset);
  } else {
    glDisableVertexAttribArray(1);
    glVertexAttrib3f(1, 0.0f, 0.0f, 0.0f);
  }
  if (layout.diffuse >= 0) {
    SetAttribute(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, layout.diffuse, s.vboOffset);
  } else {
    glDisableVertexAttribArray(2);
    glVertexAttrib4f(2, 1.0f, 1.0f, 1.0f, 1.0f);  // opaque white
  }
  if (layout.texcoord >= 0) {
    SetAttribute(3, 2, GL_FLOAT, GL_FALSE, stride, layout.texcoord, s.vboOffset);
  } else {
    glDisableVertexAttribArray(3);
    glVertexAttrib2f(3, 0.0f, 0.0f);
  }
  ApplyState(d, s);
  if (g_drawRecorder) RecordDraw(d, s);
  if (s.ebo) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.ebo);
    glDrawElements(s.mode, s.count, GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>((size_t)s.first * sizeof(uint32_t)));
  } else {
    glDrawArrays(s.mode, s.first, s.count);
  }
}

// ---- IDirect3DTexture9 ----

IDirect3DTexture9::~IDirect3DTexture9() {
  if (impl_->tex) glDeleteTextures(1, &impl_->tex);
  delete impl_;
}

DWORD IDirect3DTexture9::GetLevelCount() { return impl_->levels; }

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc || level >= impl_->levels) return D3DERR_INVALIDCALL;
  desc->Format = D3DFMT_A8R8G8B8;
  desc->Pool = D3DPOOL_MANAGED;
  desc->Width = impl_->width >> level ? impl_->width >> level : 1;
  desc->Height = impl_->height >> level ? impl_->height >> level : 1;
  return D3D_OK;
}

IDirect3DTexture9* CreateTextureFromPixels(IDirect3DDevice9* device, const uint32_t* pixels,
                                           UINT width, UINT height, UINT levels) {
  if (!device || !pixels || width == 0 || height == 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)width > maxSize || (GLint)height > maxSize) return nullptr;
  UINT full = 1;
  for (UINT s = width > height ? width : height; s > 1; s >>= 1) ++full;
  if (levels == 0 || levels > full) levels = full;
  auto* impl = new D3DTextureImpl;
  impl->width = width;
  impl->height = height;
  impl->levels = levels;
  glGenTextures(1, &impl->tex);
  glBindTexture(GL_TEXTURE_2D, impl->tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)width, (GLsizei)height, 0, GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)levels - 1);
  if (levels > 1) glGenerateMipmap(GL_TEXTURE_2D);
  return new IDirect3DTexture9(impl);
}

void UpdateTextureRect(IDirect3DTexture9* texture, int x, int y, int width, int height,
                       const uint32_t* pixels) {
  glBindTexture(GL_TEXTURE_2D, texture->impl()->tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                  pixels);
}

// ---- IDirect3DDevice9 ----

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
  d->program = LinkProgram();
  if (!d->program || !CreateFramebuffer(d, w, h)) {
    if (d->program) glDeleteProgram(d->program);
    delete d;
    return D3DERR_NOTAVAILABLE;
  }
  d->clipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
  if (d->clipControl) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  glGenVertexArrays(1, &d->vao);
  glGenBuffers(1, &d->streamVbo);
  glGenSamplers(1, &d->stageSampler);
  glSamplerParameteri(d->stageSampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glSamplerParameteri(d->stageSampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glGenSamplers(1, &d->overlaySampler);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(d->overlaySampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glFrontFace(GL_CCW);  // Direct3D's clockwise, once clip y is negated
  GLuint p = d->program;
  d->uWvp = glGetUniformLocation(p, "uWvp");
  d->uNormalMat = glGetUniformLocation(p, "uNormalMat");
  d->uLighting = glGetUniformLocation(p, "uLighting");
  d->uNormalize = glGetUniformLocation(p, "uNormalize");
  d->uColorVertex = glGetUniformLocation(p, "uColorVertex");
  d->uMatDiffuse = glGetUniformLocation(p, "uMatDiffuse");
  d->uMatEmissive = glGetUniformLocation(p, "uMatEmissive");
  d->uLightCount = glGetUniformLocation(p, "uLightCount");
  d->uLightDir = glGetUniformLocation(p, "uLightDir");
  d->uLightDiffuse = glGetUniformLocation(p, "uLightDiffuse");
  d->uHasTex = glGetUniformLocation(p, "uHasTex");
  d->uColorOps = glGetUniformLocation(p, "uColorOps");
  d->uAlphaOps = glGetUniformLocation(p, "uAlphaOps");
  d->uTex = glGetUniformLocation(p, "uTex");
  d->uDepthFix = glGetUniformLocation(p, "uDepthFix");
  d->uPixelShift = glGetUniformLocation(p, "uPixelShift");
  DefaultState(&d->state, w, h, true);
  *device = new IDirect3DDevice9(d);
  return D3D_OK;
}

IDirect3DDevice9::~IDirect3DDevice9() {
  D3DDeviceImpl* d = impl_;
  for (auto& t : d->state.textures)
    if (t) t->Release();
  glDeleteFramebuffers(1, &d->fbo);
  glDeleteRenderbuffers(1, &d->colorBuffer);
  glDeleteRenderbuffers(1, &d->depthBuffer);
  glDeleteProgram(d->program);
  glDeleteVertexArrays(1, &d->vao);
  glDeleteBuffers(1, &d->streamVbo);
  glDeleteSamplers(1, &d->stageSampler);
  glDeleteSamplers(1, &d->overlaySampler);
  delete d;
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if ((unsigned)state >= 256) return D3DERR_INVALIDCALL;
  impl_->state.renderState[state] = value;
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
  *slot = *matrix;
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
  impl_->state.viewport = *vp;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = impl_->state.viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (index >= kMaxLights || !light) return D3DERR_INVALIDCALL;
  impl_->state.lights[index] = *light;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::LightEnable(DWORD index, BOOL enable) {
  if (index >= kMaxLights) return D3DERR_INVALIDCALL;
  impl_->state.lightEnabled[index] = enable ? TRUE : FALSE;
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
  impl_->state.material = *material;
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
  if (texture) texture->AddRef();  // the device keeps what it draws with alive
  if (slot) slot->Release();
  slot = texture;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kStages || (unsigned)type >= 16) return D3DERR_INVALIDCALL;
  impl_->state.sampler[sampler][type] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
  if (stage >= kStages || (unsigned)type >= 32) return D3DERR_INVALIDCALL;
  impl_->state.stage[stage][type] = value;
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
  FvfLayout layout = LayoutOfFvf(impl_->state.fvf);
  if (layout.position < 0 || stride < layout.stride) return D3DERR_INVALIDCALL;
  GLenum mode = GL_TRIANGLES;
  switch (type) {
    case D3DPT_LINELIST: mode = GL_LINES; break;
    case D3DPT_LINESTRIP: mode = GL_LINE_STRIP; break;
    case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES; break;
    case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP; break;
    case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN; break;
  }
  DrawSetup s;
  s.fvf = impl_->state.fvf;
  s.stride = stride;
  s.vbo = StreamVertices(impl_, vertices, (size_t)count * stride, &s.vboOffset);
  s.mode = mode;
  s.count = (GLsizei)count;
  s.cpuVertices = vertices;
  s.vertexCount = count;
  DeviceDraw(impl_, s);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR color,
                                float z, DWORD stencil) {
  if (count != 0 || rects) return D3DERR_INVALIDCALL;
  const D3DVIEWPORT9& vp = impl_->state.viewport;
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
  if (impl_->context) impl_->context->MakeCurrent();
  glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
  glFlush();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, HWND, const void*) {
  if (impl_->simulatedState != D3D_OK) return D3DERR_DEVICELOST;
  int w = 0, h = 0;
  if (impl_->context && impl_->context->BindPresentTarget(&w, &h)) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, impl_->fbo);
    // Our rows run top-down; the target's run bottom-up.
    glBlitFramebuffer(0, 0, impl_->width, impl_->height, 0, h, w, 0, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    impl_->context->Presented();
    glBindFramebuffer(GL_FRAMEBUFFER, impl_->fbo);
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::TestCooperativeLevel() { return impl_->simulatedState; }

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* params) {
  if (impl_->simulatedState == D3DERR_DEVICELOST) return D3DERR_DEVICELOST;
  if (params) {
    int w = params->BackBufferWidth ? (int)params->BackBufferWidth : impl_->width;
    int h = params->BackBufferHeight ? (int)params->BackBufferHeight : impl_->height;
    if (w != impl_->width || h != impl_->height) {
      if (!CreateFramebuffer(impl_, w, h)) return D3DERR_NOTAVAILABLE;
    }
    impl_->params = *params;
  }
  for (auto& t : impl_->state.textures)
    if (t) t->Release();
  DefaultState(&impl_->state, impl_->width, impl_->height, true);
  impl_->simulatedState = D3D_OK;
  return D3D_OK;
}

// ---- IDirect3D9 ----

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) {
  if (!mode) return D3DERR_INVALIDCALL;
  *mode = {640, 480, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS* params,
                                 IDirect3DDevice9** device) {
  return CreateDeviceOnContext(g_currentContext, params, device);
}

IDirect3D9* Direct3DCreate9(UINT) { return new IDirect3D9; }

void RecordDraws(DrawRecorder recorder, void* user) {
  g_drawRecorder = recorder;
  g_drawRecorderUser = user;
}

void SetGlContext(GlContext* context) { g_currentContext = context; }
GlContext* GetGlContext() { return g_currentContext; }

void SimulateDeviceState(IDirect3DDevice9* device, HRESULT state) {
  if (device) ImplOf(device)->simulatedState = state;
}

// ---- Lost-device notifications seen by tests ----

static std::vector<DeviceObjectEvent>* g_deviceObjectLog = nullptr;

void RecordDeviceObjectEvents(std::vector<DeviceObjectEvent>* log) { g_deviceObjectLog = log; }

void NoteDeviceObjectEvent(const void* object, bool reset) {
  if (g_deviceObjectLog) g_deviceObjectLog->push_back(DeviceObjectEvent{object, reset});
}
