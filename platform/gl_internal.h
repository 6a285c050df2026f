// Inside of the drawing device, shared by the device, texture, mesh, sprite
// and font code of the platform layer. Never included by game code.
#pragma once
#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/d3d9.h"
#include "platform/gl_context.h"

struct D3DTextureImpl {
  GLuint tex = 0;
  UINT width = 0;
  UINT height = 0;
  UINT levels = 1;
  bool opaque = true;  // every texel's alpha is 255
};

// Where the elements of a flexible-vertex-format vertex sit; -1 when absent.
struct FvfLayout {
  UINT stride = 0;
  int position = -1;
  int normal = -1;
  int diffuse = -1;
  int texcoord = -1;
};
FvfLayout LayoutOfFvf(DWORD fvf);
// Whether `count` vertices of `fvf` with `stride` have no colour or only
// colours of alpha 255.
bool VerticesOpaque(const void* vertices, UINT count, UINT stride, DWORD fvf);

// Vertex count of `primitiveCount` primitives of `type`; 0 for an unknown type.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount);

// One draw call as the device carries it out.
struct DrawSetup {
  DWORD fvf = 0;
  UINT stride = 0;
  GLuint vbo = 0;
  size_t vboOffset = 0;  // bytes to the first vertex
  GLuint ebo = 0;        // 0: not indexed; else 32-bit indices
  GLenum mode = GL_TRIANGLES;
  GLuint vao = 0;   // the meshes' vertex array; 0: the stream's for this format
  size_t indexBase = 0;   // indexed: where the mesh's indices start in the buffer
  GLint baseVertex = 0;   // indexed: where the mesh's vertices start
  bool opaqueVertices = false;  // no vertex colours, or all with alpha 255
  GLint first = 0;  // first vertex, or first index when indexed
  GLsizei count = 0;
  // 2-D overlay drawing of the sprite: positions are pixels of the viewport,
  // no lighting, culling or depth, the sprite's own linear clamped sampling,
  // texture x vertex colour; the blend states stay the device's current ones.
  bool overlay = false;
  IDirect3DTexture9* overlayTexture = nullptr;
  // The same vertices in CPU memory, for draw recording: vertex 0 (what
  // vboOffset points at) and the mesh's indices when indexed.
  const void* mesh = nullptr;
  unsigned meshVersion = 0;
  const void* cpuVertices = nullptr;
  unsigned vertexCount = 0;
  const uint32_t* cpuIndices = nullptr;
  unsigned indexCount = 0;
};

constexpr int kMaxLights = 8;
constexpr int kStages = 8;

struct DeviceState {
  DWORD renderState[256];
  D3DXMATRIX world, view, projection;
  D3DVIEWPORT9 viewport;
  D3DLIGHT9 lights[kMaxLights];
  BOOL lightEnabled[kMaxLights];
  D3DMATERIAL9 material;
  IDirect3DTexture9* textures[kStages];
  DWORD sampler[kStages][16];
  DWORD stage[kStages][32];
  DWORD fvf;
};

// Every mesh of one vertex format shares one vertex buffer, one index
// buffer and one vertex array, so drawing one mesh after another only moves
// offsets. Copies of everything placed are kept to fill larger buffers.
struct MeshArena {
  DWORD fvf = 0;
  UINT stride = 0;
  GLuint vbo = 0, ebo = 0, vao = 0;
  std::vector<uint8_t> vertices;
  std::vector<uint32_t> indices;
  size_t vertexCapacity = 0, indexCapacity = 0;  // bytes, indices
};

// Where a mesh's vertices and indices lie in its arena.
struct MeshPlace {
  const MeshArena* arena = nullptr;
  GLint baseVertex = 0;
  size_t firstIndex = 0;
  size_t vertexBytes = 0, indexCount = 0;
};

// Places a mesh's vertices and indices in the device's arena for its format
// (over its old place when they are the same size).
void PlaceMesh(D3DDeviceImpl* device, DWORD fvf, UINT stride, const std::vector<uint8_t>& vertices,
               const std::vector<uint32_t>& indices, MeshPlace* place);
MeshArena* ArenaOf(D3DDeviceImpl* device, DWORD fvf, UINT stride);

// One compiled shader of the fixed-function colours, for one combination of
// the states that shape it (lighting and how many lights, which vertex
// elements exist, the texture stage's operations, ...). Each keeps its own
// uniform values, so what it was last sent is remembered here and only what
// changed since is sent again.
struct ShaderVariant {
  GLuint program = 0;
  GLint uWvp = -1, uNormalMat = -1, uMatDiffuse = -1, uMatEmissive = -1, uLightDir = -1,
        uLightDiffuse = -1, uPixelShift = -1, uUseTex = -1;
  int useTex = -1;  // what uUseTex holds
  uint64_t matrixTag = ~0ull, shiftTag = ~0ull, normalTag = ~0ull, materialTag = ~0ull,
           lightsTag = ~0ull;
};

// What the device last sent to GL, so that a draw sends only what differs.
// `valid` false: nothing is known (another piece of code touched GL).
struct GlShadow {
  bool valid = false;
  GLuint fbo = 0, program = 0, vao = 0, texture = 0, sampler = 0;
  GLint vpX = 0, vpY = 0;
  GLsizei vpW = 0, vpH = 0;
  float minZ = 0, maxZ = 0;
  int blend = -1, depthTest = -1, depthMask = -1, cull = -1;
  GLenum srcBlend = 0, dstBlend = 0, cullFace = 0, polygonMode = 0;
};

// Consecutive user-memory draws of one vertex format under unchanged state,
// held back and sent as one GL draw (fans and strips as the triangle lists
// GL would make of them).
struct PendingDraws {
  bool active = false;
  DWORD fvf = 0;
  UINT stride = 0;
  GLenum mode = GL_TRIANGLES;
  UINT vertexCount = 0;
  bool opaqueVertices = true;
  std::vector<uint8_t> bytes;
};

struct D3DDeviceImpl {
  GlContext* context = nullptr;
  D3DPRESENT_PARAMETERS params{};
  int width = 0, height = 0;
  GLuint fbo = 0, colorBuffer = 0, depthBuffer = 0;  // colorBuffer: a texture
  // What Present draws the picture with (made on first use; 0 until then).
  GLuint presentProgram = 0, presentVao = 0;
  GLint presentTop = -1;
  bool presentFailed = false;
  // The picture in colorBuffer is the one the last Present showed: no scene
  // and no clear has begun the next one since.
  bool pictureShown = false;
  GLuint streamVbo = 0;
  size_t streamCapacity = 0, streamUsed = 0;
  GLuint overlaySampler = 0;
  GLuint whiteTexture = 0;  // stands in for "no texture" (see ApplyState)
  // Vertices sent in this scene, since the last flush, and in the last scene
  // (see StartRasterisingEarly).
  size_t verticesThisScene = 0, verticesSinceFlush = 0, verticesLastScene = 0;
  GLuint stageSamplers[6][2] = {};  // by minification x magnification filter
  bool clipControl = false;
  HRESULT simulatedState = D3D_OK;
  DeviceState state;

  // Serial numbers of the state, raised whenever a value really changes.
  uint64_t transformSerial = 1, worldSerial = 1, viewportSerial = 1, materialSerial = 1,
           lightsSerial = 1;
  // Derived from the state, recomputed when their serial moves on.
  uint64_t wvpOf = 0, normalOf = 0, lightsOf = 0;
  D3DXMATRIX wvp;
  float normalMat[9] = {};
  int lightCount = 0;
  float lightDirs[kMaxLights * 3] = {}, lightColors[kMaxLights * 3] = {};

  std::unordered_map<uint32_t, ShaderVariant> variants;
  uint32_t lastKey = ~0u;
  ShaderVariant* lastVariant = nullptr;
  std::unordered_map<uint64_t, GLuint> streamVaos;  // by stride << 32 | fvf
  std::unordered_map<uint64_t, std::unique_ptr<MeshArena>> arenas;  // the same
  GlShadow shadow;
  uint64_t shadowEpoch = 0;
  PendingDraws pending;
  bool flushing = false;
};

// Every piece of platform code that calls GL outside the device's draw path
// (texture and mesh uploads, clears, present, read-back) calls this first:
// draws held back are sent, and the device sends its whole state again
// before its next draw instead of trusting what it sent before.
void TouchGlState();
// Sends the draws held back by the device that holds any.
void FlushPendingDraws();

// A vertex array reading vertices of `fvf` with `stride` from `vbo` (from
// its start) and, when `ebo` is not 0, indices from `ebo`.
GLuint MakeVertexArray(GLuint vbo, GLuint ebo, DWORD fvf, UINT stride);

// Appends `bytes` of vertex data to the device's streaming buffer, at an
// offset that is a whole number of `stride`s; returns that buffer and where
// in it the data starts.
GLuint StreamVertices(D3DDeviceImpl* device, const void* data, size_t bytes, UINT stride,
                      size_t* offset);
void DeviceDraw(D3DDeviceImpl* device, const DrawSetup& setup);
// The device's state was replaced wholesale (a sprite's End, a reset): every
// serial moves on, so everything derived from it is sent again.
void DeviceStateReplaced(D3DDeviceImpl* device);

// Creates a texture of width x height from 0xAARRGGBB texels (top row first),
// with `levels` mip levels (0: the full chain). Null on failure.
IDirect3DTexture9* CreateTextureFromPixels(IDirect3DDevice9* device, const uint32_t* pixels,
                                           UINT width, UINT height, UINT levels);
// What CreateTextureFromPixels makes on the CPU before it calls GL, made
// apart (on any thread) and handed to CreateTextureFromChain.
struct MipChain {
  UINT width = 0, height = 0, levels = 0;  // levels as made, at least 1
  bool opaque = true;                      // every texel's alpha is 255
  std::vector<std::vector<uint32_t>> below;  // levels 1.. when made on the CPU
};
MipChain PlanMipChain(const uint32_t* pixels, UINT width, UINT height, UINT levels);
IDirect3DTexture9* CreateTextureFromChain(IDirect3DDevice9* device, const uint32_t* pixels,
                                          const MipChain& chain);
// A texture of width x height, one level, every texel `colour` (0xAARRGGBB).
IDirect3DTexture9* CreateFilledTexture(IDirect3DDevice9* device, UINT width, UINT height,
                                       uint32_t colour);
// Replaces a rectangle of level 0 (used by the font's glyph cache).
void UpdateTextureRect(IDirect3DTexture9* texture, int x, int y, int width, int height,
                       const uint32_t* pixels);

class ID3DXSprite;
// Queues one picture of the sprite batch: texels (l, t)-(r, b) of the texture
// drawn with their top-left corner at (x, y) of the sprite's space, under
// the sprite's current transform. False outside Begin/End.
bool SpriteQueueQuad(ID3DXSprite* sprite, IDirect3DTexture9* texture, float l, float t, float r,
                     float b, float x, float y, D3DCOLOR color);

// Adds an OnLostDevice (reset false) or OnResetDevice of a sprite or font to
// the log that a test asked for, if any.
void NoteDeviceObjectEvent(const void* object, bool reset);
