// Inside of the drawing device, shared by the device, texture, mesh, sprite
// and font code of the platform layer. Never included by game code.
#pragma once
#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d9.h"
#include "platform/gl_context.h"

struct D3DTextureImpl {
  GLuint tex = 0;
  UINT width = 0;
  UINT height = 0;
  UINT levels = 1;
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

struct D3DDeviceImpl {
  GlContext* context = nullptr;
  D3DPRESENT_PARAMETERS params{};
  int width = 0, height = 0;
  GLuint fbo = 0, colorBuffer = 0, depthBuffer = 0;
  GLuint program = 0, vao = 0, streamVbo = 0;
  size_t streamCapacity = 0, streamUsed = 0;
  GLuint stageSampler = 0, overlaySampler = 0;
  bool clipControl = false;
  HRESULT simulatedState = D3D_OK;
  DeviceState state;
  // Uniform locations.
  GLint uWvp = -1, uNormalMat = -1, uLighting = -1, uNormalize = -1, uColorVertex = -1,
        uMatDiffuse = -1, uMatEmissive = -1, uLightCount = -1, uLightDir = -1,
        uLightDiffuse = -1, uHasTex = -1, uColorOps = -1, uAlphaOps = -1, uTex = -1,
        uDepthFix = -1, uPixelShift = -1;
};

// Appends `bytes` of vertex data to the device's streaming buffer; returns
// that buffer (bound to GL_ARRAY_BUFFER) and where in it the data starts.
GLuint StreamVertices(D3DDeviceImpl* device, const void* data, size_t bytes, size_t* offset);
void DeviceDraw(D3DDeviceImpl* device, const DrawSetup& setup);

// Creates a texture of width x height from 0xAARRGGBB texels (top row first),
// with `levels` mip levels (0: the full chain). Null on failure.
IDirect3DTexture9* CreateTextureFromPixels(IDirect3DDevice9* device, const uint32_t* pixels,
                                           UINT width, UINT height, UINT levels);
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
