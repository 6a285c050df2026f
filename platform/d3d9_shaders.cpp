// The device's GL programs: the one shader of the fixed-function colours,
// linked in a variant for each combination of the states that shape it, and
// the program that copies the picture to the present target. How the game's
// Direct3D conventions meet GL's is told at the top of d3d9_device.cpp.
#include <cstdio>
#include <string>

#include "platform/d3d9_internal.h"

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

}  // namespace

void StageOps(DWORD op, DWORD arg1, DWORD arg2, int out[3]) {
  out[0] = (op == 2 || op == 3 || op == D3DTOP_MODULATE) ? (int)op : 1;
  out[1] = arg1 == D3DTA_TEXTURE ? 1 : 0;
  out[2] = arg2 == D3DTA_TEXTURE ? 1 : 0;
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
