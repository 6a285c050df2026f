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

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gl_internal.h"

namespace {

// The fixed-function colours, written once with switches that each variant
// fixes at compile time: the lighting loop runs over exactly the enabled
// lights, absent vertex elements are constants, and the texture stage's
// operations are one expression instead of branches per pixel.
const char* kVertexShader = R"(
layout(location = 0) in vec3 aPos;
#if HAS_NORMAL
layout(location = 1) in vec3 aNormal;
#else
const vec3 aNormal = vec3(0.0);
#endif
#if HAS_DIFFUSE
layout(location = 2) in vec4 aColor;
#else
const vec4 aColor = vec4(1.0);  // opaque white
#endif
#if HAS_TEXCOORD
layout(location = 3) in vec2 aTex;
#else
const vec2 aTex = vec2(0.0);
#endif
uniform mat4 uWvp;
uniform vec2 uPixelShift;
#if HAS_TEXTURE
uniform float uUseTex;
// The texture coordinates and, in z, whether the texture is read at all: one
// interpolated vector instead of two, since a software renderer stores and
// sets up every interpolated vector of every triangle it draws.
out vec3 vTexUse;
#endif
#if LIGHTING
uniform mat3 uNormalMat;
uniform vec4 uMatDiffuse;
uniform vec3 uMatEmissive;
#if LIGHTS > 0
uniform vec3 uLightDir[LIGHTS];
uniform vec3 uLightDiffuse[LIGHTS];
#endif
#endif
out vec4 vColor;
void main() {
  vec4 p = uWvp * vec4(aPos, 1.0);
  p.xy += uPixelShift * p.w;
#if DEPTH_FIX
  p.z = 2.0 * p.z - p.w;
#endif
  gl_Position = vec4(p.x, -p.y, p.z, p.w);
#if HAS_TEXTURE
  vTexUse = vec3(aTex, uUseTex);
#endif
#if LIGHTING
#if HAS_DIFFUSE
  vec4 diffuse = aColor;
#else
  vec4 diffuse = uMatDiffuse;
#endif
  vec3 n = uNormalMat * aNormal;
#if NORMALIZE
  if (dot(n, n) > 0.0) n = normalize(n);
#endif
  vec3 c = uMatEmissive;
#if LIGHTS > 0
  for (int i = 0; i < LIGHTS; ++i)
    c += uLightDiffuse[i] * diffuse.rgb * max(0.0, dot(n, uLightDir[i]));
#endif
  vColor = clamp(vec4(c, diffuse.a), 0.0, 1.0);
#else
  vColor = aColor;
#endif
}
)";

const char* kFragmentShader = R"(
in vec4 vColor;
#if HAS_TEXTURE
uniform sampler2D uTex;
in vec3 vTexUse;
#endif
out vec4 fragColor;
void main() {
#if HAS_TEXTURE
  // Without a texture of its own the draw reads opaque white whatever is
  // bound (see ApplyState).
  // z is 0 or 1 at every corner; interpolated, it only comes near them.
  vec4 s = texture(uTex, vTexUse.xy);
  vec4 t = vTexUse.z > 0.5 ? s : vec4(1.0);
#else
  vec4 t = vec4(1.0);
#endif
  fragColor = vec4((COLOR_RESULT).rgb, (ALPHA_RESULT).a);
}
)";

// What shapes a shader variant, packed into 32 bits.
struct VariantKey {
  bool lighting, normalize, depthFix, hasNormal, hasDiffuse, hasTexcoord, hasTexture;
  int lights;         // 0..8
  int colorOp[3];     // op 1..4 (1: the diffuse colour), args 1: texture, 0: diffuse
  int alphaOp[3];
  uint32_t Pack() const {
    uint32_t k = 0;
    k |= (uint32_t)lighting << 0 | (uint32_t)normalize << 1 | (uint32_t)depthFix << 2 |
         (uint32_t)hasNormal << 3 | (uint32_t)hasDiffuse << 4 | (uint32_t)hasTexcoord << 5 |
         (uint32_t)hasTexture << 6;
    k |= (uint32_t)lights << 7;
    k |= (uint32_t)(colorOp[0] - 1) << 11 | (uint32_t)colorOp[1] << 13 | (uint32_t)colorOp[2] << 14;
    k |= (uint32_t)(alphaOp[0] - 1) << 15 | (uint32_t)alphaOp[1] << 17 | (uint32_t)alphaOp[2] << 18;
    return k;
  }
};

// Texture stage 0: op 2 select arg1, 3 select arg2, 4 modulate, anything
// else the diffuse colour; an argument is the texture (D3DTA_TEXTURE) or
// else the diffuse colour.
void StageOps(DWORD op, DWORD arg1, DWORD arg2, int out[3]) {
  out[0] = (op == 2 || op == 3 || op == D3DTOP_MODULATE) ? (int)op : 1;
  out[1] = arg1 == D3DTA_TEXTURE ? 1 : 0;
  out[2] = arg2 == D3DTA_TEXTURE ? 1 : 0;
}

std::string StageExpression(const int op[3]) {
  const char* a1 = op[1] ? "t" : "vColor";
  const char* a2 = op[2] ? "t" : "vColor";
  switch (op[0]) {
    case 2: return a1;
    case 3: return a2;
    case 4: return std::string("(") + a1 + " * " + a2 + ")";
  }
  return "vColor";
}

GLuint CompileShader(GLenum type, const std::string& source) {
  GLuint s = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(s, 1, &text, nullptr);
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

// The program of two compiled shaders (0 for one that failed), which it
// takes: 0 when either is missing or the link fails.
GLuint LinkProgram(GLuint vs, GLuint fs) {
  if (!vs || !fs) {
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return 0;
  }
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

GLuint LinkVariant(const VariantKey& k) {
  char defines[512];
  snprintf(defines, sizeof defines,
           "#version 330 core\n#define LIGHTING %d\n#define LIGHTS %d\n#define NORMALIZE %d\n"
           "#define DEPTH_FIX %d\n#define HAS_NORMAL %d\n#define HAS_DIFFUSE %d\n"
           "#define HAS_TEXCOORD %d\n#define HAS_TEXTURE %d\n",
           k.lighting, k.lights, k.normalize, k.depthFix, k.hasNormal, k.hasDiffuse,
           k.hasTexcoord, k.hasTexture);
  std::string fragment = std::string(defines) + "#define COLOR_RESULT " +
                         StageExpression(k.colorOp) + "\n#define ALPHA_RESULT " +
                         StageExpression(k.alphaOp) + "\n" + kFragmentShader;
  return LinkProgram(CompileShader(GL_VERTEX_SHADER, std::string(defines) + kVertexShader),
                     CompileShader(GL_FRAGMENT_SHADER, fragment));
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

// The one device whose shadow of the GL state is current, and the epoch it
// was current in; TouchGlState starts a new epoch.
uint64_t g_glEpoch = 1;
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

ShaderVariant* Variant(D3DDeviceImpl* d, const VariantKey& k) {
  uint32_t key = k.Pack();
  if (key == d->lastKey && d->lastVariant) return d->lastVariant;
  auto it = d->variants.find(key);
  if (it == d->variants.end()) {
    ShaderVariant v;
    v.program = LinkVariant(k);
    if (v.program) {
      GLuint p = v.program;
      v.uWvp = glGetUniformLocation(p, "uWvp");
      v.uNormalMat = glGetUniformLocation(p, "uNormalMat");
      v.uMatDiffuse = glGetUniformLocation(p, "uMatDiffuse");
      v.uMatEmissive = glGetUniformLocation(p, "uMatEmissive");
      v.uLightDir = glGetUniformLocation(p, "uLightDir");
      v.uLightDiffuse = glGetUniformLocation(p, "uLightDiffuse");
      v.uPixelShift = glGetUniformLocation(p, "uPixelShift");
      v.uUseTex = glGetUniformLocation(p, "uUseTex");
      GLint tex = glGetUniformLocation(p, "uTex");
      if (tex >= 0) {
        d->shadow.program = p;
        glUseProgram(p);
        glUniform1i(tex, 0);
      }
    }
    it = d->variants.emplace(key, v).first;
  }
  d->lastKey = key;
  d->lastVariant = &it->second;
  return d->lastVariant;
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

D3DDeviceImpl* ImplOf(IDirect3DDevice9* device) { return device->impl(); }

// Draws held back were gathered under the state as it stands; they go out
// before any of it changes.
void BeforeStateChange(D3DDeviceImpl* d) {
  if (d->pending.active) FlushPendingDraws();
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

GlContext* g_currentContext = nullptr;

// The next mip level of a w x h ARGB picture, each texel the mean of the 2 x 2
// it covers (1 x 2 or 2 x 1 once a side is down to one texel), rounded as
// two rounded halvings: across the rows' pairs, then between the rows. This
// is, to the bit, what the software rasteriser's own mipmap generation
// gives; made here it spares a shader compiled at start-up for it.
std::vector<uint32_t> HalvedLevel(const uint32_t* src, UINT w, UINT h) {
  const UINT nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
  const UINT dx = w > 1 ? 1 : 0;
  const size_t dy = h > 1 ? w : 0;
  std::vector<uint32_t> out((size_t)nw * nh);
  for (UINT y = 0; y < nh; ++y) {
    const uint32_t* row = src + (size_t)(h > 1 ? 2 * y : 0) * w;
    for (UINT x = 0; x < nw; ++x) {
      const uint32_t* p = row + (w > 1 ? 2 * x : 0);
      const uint32_t a = p[0], b = p[dx], c = p[dy], e = p[dy + dx];
      uint32_t v = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t top = (((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + 1) >> 1;
        const uint32_t bottom = (((c >> shift) & 0xFF) + ((e >> shift) & 0xFF) + 1) >> 1;
        v |= ((top + bottom + 1) >> 1) << shift;
      }
      out[(size_t)y * nw + x] = v;
    }
  }
  return out;
}

// The picture copied 1:1 to the present target by a draw of its own, rows
// turned over (ours run top-down, the target's bottom-up): the very pixels
// glBlitFramebuffer gives. The software rasteriser serves a blit with
// shaders of its own that it compiles afresh in every process, 40 to 55 ms
// before the first picture can be shown; the code of this program's shaders
// comes from the driver's on-disk cache from the second start on. The state
// it changes is sent again by the device before its next draw (Present
// touches the state). False when the program cannot be made.
bool DrawPicture(D3DDeviceImpl* d) {
  if (d->presentFailed) return false;
  if (!d->presentProgram) {
    d->presentFailed = true;  // until it is made
    GLuint p = LinkProgram(CompileShader(GL_VERTEX_SHADER, R"(#version 330 core
void main() {
  // One triangle over the whole target.
  gl_Position = vec4(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0, 0.0, 1.0);
}
)"),
                           CompileShader(GL_FRAGMENT_SHADER, R"(#version 330 core
uniform sampler2D uPicture;
uniform int uTop;
out vec4 fragColor;
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  fragColor = texelFetch(uPicture, ivec2(p.x, uTop - p.y), 0);
}
)"));
    if (!p) return false;
    d->presentProgram = p;
    d->presentFailed = false;
    glUseProgram(p);
    glUniform1i(glGetUniformLocation(p, "uPicture"), 0);
    d->presentTop = glGetUniformLocation(p, "uTop");
    glGenVertexArrays(1, &d->presentVao);
  }
  glUseProgram(d->presentProgram);
  glUniform1i(d->presentTop, d->height - 1);
  glBindVertexArray(d->presentVao);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, d->colorBuffer);
  glBindSampler(0, 0);
  glViewport(0, 0, d->width, d->height);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  return true;
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

bool IsPowerOfTwo(UINT n) { return n != 0 && (n & (n - 1)) == 0; }

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

// ---- IDirect3DTexture9 ----

IDirect3DTexture9::~IDirect3DTexture9() {
  if (impl_->tex) {
    TouchGlState();
    glDeleteTextures(1, &impl_->tex);
  }
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

MipChain PlanMipChain(const uint32_t* pixels, UINT width, UINT height, UINT levels) {
  MipChain chain;
  chain.width = width;
  chain.height = height;
  UINT full = 1;
  for (UINT s = width > height ? width : height; s > 1; s >>= 1) ++full;
  if (levels == 0 || levels > full) levels = full;
  chain.levels = levels;
  for (size_t i = 0, n = (size_t)width * height; i < n && chain.opaque; ++i)
    chain.opaque = (pixels[i] >> 24) == 0xFF;
  if (levels > 1 && IsPowerOfTwo(width) && IsPowerOfTwo(height)) {
    // Power-of-two sides halve exactly, so the levels are made here.
    const uint32_t* above = pixels;
    UINT w = width, h = height;
    for (UINT l = 1; l < levels; ++l) {
      chain.below.push_back(HalvedLevel(above, w, h));
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
      above = chain.below.back().data();
    }
  }
  return chain;
}

IDirect3DTexture9* CreateTextureFromChain(IDirect3DDevice9* device, const uint32_t* pixels,
                                          const MipChain& chain) {
  if (!device || !pixels || chain.width == 0 || chain.height == 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)chain.width > maxSize || (GLint)chain.height > maxSize) return nullptr;
  TouchGlState();
  auto* impl = new D3DTextureImpl;
  impl->width = chain.width;
  impl->height = chain.height;
  impl->levels = chain.levels;
  impl->opaque = chain.opaque;
  glGenTextures(1, &impl->tex);
  glBindTexture(GL_TEXTURE_2D, impl->tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)chain.width, (GLsizei)chain.height, 0,
               GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)chain.levels - 1);
  if (!chain.below.empty()) {
    UINT w = chain.width, h = chain.height;
    for (UINT l = 1; l < chain.levels && l - 1 < chain.below.size(); ++l) {
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
      glTexImage2D(GL_TEXTURE_2D, (GLint)l, GL_RGBA8, (GLsizei)w, (GLsizei)h, 0, GL_BGRA,
                   GL_UNSIGNED_INT_8_8_8_8_REV, chain.below[l - 1].data());
    }
  } else if (chain.levels > 1) {
    glGenerateMipmap(GL_TEXTURE_2D);
  }
  return new IDirect3DTexture9(impl);
}

IDirect3DTexture9* CreateTextureFromPixels(IDirect3DDevice9* device, const uint32_t* pixels,
                                           UINT width, UINT height, UINT levels) {
  if (!device || !pixels || width == 0 || height == 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)width > maxSize || (GLint)height > maxSize) return nullptr;
  return CreateTextureFromChain(device, pixels, PlanMipChain(pixels, width, height, levels));
}

IDirect3DTexture9* CreateFilledTexture(IDirect3DDevice9* device, UINT width, UINT height,
                                       uint32_t colour) {
  if (!device || width == 0 || height == 0) return nullptr;
  // Filled by the driver where it can: a picture of one colour need not be
  // built in memory and copied over (a font's atlas is 4 MB).
  if (epoxy_gl_version() < 44 && !epoxy_has_gl_extension("GL_ARB_clear_texture")) {
    std::vector<uint32_t> pixels((size_t)width * height, colour);
    return CreateTextureFromPixels(device, pixels.data(), width, height, 1);
  }
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)width > maxSize || (GLint)height > maxSize) return nullptr;
  TouchGlState();
  auto* impl = new D3DTextureImpl;
  impl->width = width;
  impl->height = height;
  impl->levels = 1;
  impl->opaque = (colour >> 24) == 0xFF;
  glGenTextures(1, &impl->tex);
  glBindTexture(GL_TEXTURE_2D, impl->tex);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)width, (GLsizei)height, 0, GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glClearTexImage(impl->tex, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &colour);
  return new IDirect3DTexture9(impl);
}

void UpdateTextureRect(IDirect3DTexture9* texture, int x, int y, int width, int height,
                       const uint32_t* pixels) {
  TouchGlState();
  D3DTextureImpl* t = texture->impl();
  for (size_t i = 0, n = (size_t)width * height; i < n && t->opaque; ++i)
    t->opaque = (pixels[i] >> 24) == 0xFF;
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
