// Our D3DX-shaped helpers over the drawing device: textures from image
// files, meshes (.x models and generated shapes), the 2-D sprite batch and
// fonts. Only what the game uses is declared. Paths and texts are the game's
// Shift-JIS (CP932) bytes; paths may use backslashes.
#pragma once
#include <cstddef>

#include "platform/d3d9.h"
#include "platform/d3dx_math.h"
#include "platform/win_types.h"

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_FILTER_NONE 0x1

// ---- Textures ----

struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
};
struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};

// Reads a BMP, PNG or JPEG file at its own size with a full mip chain.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture);
// width/height: D3DX_DEFAULT (or 0) for the file's own; otherwise the image
// is scaled to that size, or with D3DX_FILTER_NONE placed at the top left
// and cropped or padded with transparent black. mipLevels 0 or D3DX_DEFAULT:
// the full chain. colorKey: 0 none, else texels of exactly that ARGB colour
// become transparent black. format, pool, usage and mipFilter are accepted
// and the texture is always 32-bit ARGB. *texture is left alone on failure.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* path, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                     D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                     PALETTEENTRY* palette, IDirect3DTexture9** texture);
// Starts reading and preparing (decoding, colour key, size, mip levels) the
// texture of an image file on a worker thread, so that the next
// D3DXCreateTextureFromFileExA of that file with the same width, height,
// mipLevels, filter and colorKey only hands it to the device, waiting for
// what is left of it. What that call gives is the same either way. A
// relative path names the file in the current folder at the time of this
// call. Meant for start-up, which drops what it did not take.
void PrefetchTextureFromFileExA(const char* path, UINT width, UINT height, UINT mipLevels,
                                DWORD filter, D3DCOLOR colorKey);
// Forgets every texture read ahead and not yet made, so that a later creation
// reads its file as it is then.
void DropPrefetchedTextures();
// How many textures asked for ahead the worker has not yet prepared (waiting
// or in hand): 0 once it has read every file it was asked for. Only a file
// opens for reading, so nothing in a file's place keeps this from 0.
int TexturesLeftToReadAhead();

// ---- Meshes ----

#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000

class ID3DXBuffer : public D3DObject {
 public:
  explicit ID3DXBuffer(size_t size);
  void* GetBufferPointer() { return data_; }
  DWORD GetBufferSize() { return (DWORD)size_; }

 private:
  ~ID3DXBuffer() override;
  void* data_;
  size_t size_;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

// One entry of a model's material buffer; the file name points into the
// same buffer and is null when the material has no texture.
struct D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  char* pTextureFilename;
};

struct D3DXMeshImpl;

// A triangle mesh in one vertex and one index buffer; every face carries an
// attribute id, and DrawSubset(i) draws the faces whose id is i.
class ID3DXMesh : public D3DObject {
 public:
  HRESULT DrawSubset(DWORD attribId);
  DWORD GetNumFaces();
  DWORD GetNumVertices();
  DWORD GetFVF();
  DWORD GetNumBytesPerVertex();
  HRESULT LockVertexBuffer(DWORD flags, void** data);
  HRESULT UnlockVertexBuffer();
  // A copy in another vertex format; elements the source lacks are zero.
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out);
  // A copy with faces sorted by attribute (the other optimisations are
  // accepted and change nothing here).
  HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                   DWORD* faceRemap, ID3DXBuffer** vertexRemap, ID3DXMesh** out);

  D3DXMeshImpl* impl() { return impl_; }
  explicit ID3DXMesh(D3DXMeshImpl* impl) : impl_(impl) {}

 private:
  ~ID3DXMesh() override;
  D3DXMeshImpl* impl_;
};
typedef ID3DXMesh* LPD3DXMESH;

// Loads a .x model: one subset per material, in the file's material order.
// A file that is missing or cannot be read gives a failure and no objects.
HRESULT D3DXLoadMeshFromXA(const char* path, DWORD options, IDirect3DDevice9* device,
                           ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                           ID3DXBuffer** effectInstances, DWORD* materialCount,
                           ID3DXMesh** mesh);
// Starts reading and importing these .x models on worker threads, so that
// D3DXLoadMeshFromXA of one of them later only waits for what is left of its
// import. What the load gives is the same either way. A model never loaded
// is dropped at the next call or when the program ends. The textures its
// materials name are read ahead too, as D3DXCreateTextureFromFileA makes
// them.
void PrefetchMeshesFromX(const char* const* paths, int count);
// Waits for the model readers and forgets every model they read and that was
// not loaded; after it no reader asks for a texture any more.
void DropPrefetchedMeshes();
// Box of width (x), height (y), depth (z) centred on the origin; position and
// normal; clockwise outward faces.
HRESULT D3DXCreateBox(IDirect3DDevice9* device, float width, float height, float depth,
                      ID3DXMesh** mesh, ID3DXBuffer** adjacency);
// Cylinder (or cone) along z, centred on the origin: radius1 at z = -length/2,
// radius2 at z = +length/2, closed by two caps.
HRESULT D3DXCreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                           UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency);
HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* firstPosition, DWORD count, DWORD stride,
                               D3DXVECTOR3* min, D3DXVECTOR3* max);

// ---- Sprite ----

#define D3DXSPRITE_ALPHABLEND 0x10

struct D3DXSpriteImpl;

// A batch of textured 2-D quads in pixels of the viewport (x right, y down).
// Begin saves the device state (with D3DXSPRITE_ALPHABLEND it switches on
// SRCALPHA / INVSRCALPHA blending); Flush draws the batch with the device's
// blend states of that moment; End flushes and puts the saved state back.
class ID3DXSprite : public D3DObject {
 public:
  HRESULT Begin(DWORD flags);
  HRESULT End();
  HRESULT Flush();
  HRESULT SetTransform(const D3DXMATRIX* transform);
  HRESULT GetTransform(D3DXMATRIX* transform);
  // source: a rectangle of the texture (null: all of it); centre: the point
  // of the picture placed at `position` (null: 0); both are transformed by
  // the sprite transform. color tints the texels (ARGB).
  HRESULT Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR3* center,
               const D3DXVECTOR3* position, D3DCOLOR color);
  HRESULT OnLostDevice();
  HRESULT OnResetDevice();

  D3DXSpriteImpl* impl() { return impl_; }
  explicit ID3DXSprite(D3DXSpriteImpl* impl) : impl_(impl) {}

 private:
  ~ID3DXSprite() override;
  D3DXSpriteImpl* impl_;
};
typedef ID3DXSprite* LPD3DXSPRITE;

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);

// ---- Fonts ----

#ifndef SHIFTJIS_CHARSET
#define SHIFTJIS_CHARSET 128
#endif
#ifndef OUT_DEFAULT_PRECIS
#define OUT_DEFAULT_PRECIS 0
#endif
#ifndef DEFAULT_QUALITY
#define DEFAULT_QUALITY 0
#endif
#ifndef DEFAULT_PITCH
#define DEFAULT_PITCH 0
#endif
#ifndef FIXED_PITCH
#define FIXED_PITCH 1
#endif
#ifndef VARIABLE_PITCH
#define VARIABLE_PITCH 2
#endif
#ifndef FF_DONTCARE
#define FF_DONTCARE 0
#endif
#ifndef FW_DONTCARE
#define FW_DONTCARE 0
#endif
#ifndef FW_BOLD
#define FW_BOLD 700
#endif

#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_NOCLIP 0x00000100

struct D3DXFontImpl;

class ID3DXFont : public D3DObject {
 public:
  // Draws Shift-JIS text laid out in `rect` (lines split at '\n'; DT_CENTER
  // or DT_RIGHT align each line); count -1 for the whole string. With a
  // sprite the glyphs join its batch under its transform; without one they
  // are drawn at once. Returns the height of the text in pixels.
  INT DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect, DWORD format,
                D3DCOLOR color);
  // A context for GetTextExtentPoint32A measuring with this font.
  HDC GetDC();
  HRESULT OnLostDevice();
  HRESULT OnResetDevice();

  D3DXFontImpl* impl() { return impl_; }
  explicit ID3DXFont(D3DXFontImpl* impl) : impl_(impl) {}

 private:
  ~ID3DXFont() override;
  D3DXFontImpl* impl_;
};
typedef ID3DXFont* LPD3DXFONT;

// height: pixels of the character cell (ascent + descent); weight 700 and
// above is drawn bold; faceName null or empty: the desktop's proportional
// Japanese gothic, or its fixed-pitch gothic when pitchAndFamily asks for
// FIXED_PITCH (a name is resolved as for GDI fonts, win_gdi.h).
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                        UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                        DWORD quality, DWORD pitchAndFamily, const char* faceName,
                        ID3DXFont** font);

// Width and height in pixels of `count` bytes of Shift-JIS text in the
// font of `dc`. FALSE when dc cannot measure.
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
