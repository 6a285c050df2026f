// Making the game's four fonts and nine textures (their globals are in
// render/render_state.h): the texture loader start-up uses for all of them,
// and a check that tells start-up what is missing so it can say so instead of
// drawing with holes later.
#pragma once
#include <cstddef>

#include "platform/d3d9.h"
#include "platform/d3dx9.h"
#include "render/render_state.h"


// One of the nine textures, in load order.
struct TextureFile {
  IDirect3DTexture9** texture;
  const char* path;
  UINT width, height;
  D3DCOLOR colourKey;  // 0: none
};
constexpr int kTextureCount = 9;
// The first two load before the models, the other seven after them.
constexpr int kTexturesBeforeModels = 2;
extern const TextureFile kTextureFiles[kTextureCount];

// Loads the image at path at width x height (0: the file's own) with a full
// mip chain and the colour key (0: none). On failure *out is left as it was.
void LoadTexture(IDirect3DTexture9** out, const char* path, UINT width, UINT height,
                 D3DCOLOR colourKey);
// The same with the library's default mip-level count.
void LoadTextureDefaultMips(IDirect3DTexture9** out, const char* path, UINT width, UINT height,
                            D3DCOLOR colourKey);
// Loads kTextureFiles[first .. first + count - 1]; returns how many are
// still missing afterwards.
// Starts reading and preparing the texture files on worker threads for the
// LoadTextureFiles that follows.
void PrefetchTextureFiles();
int LoadTextureFiles(int first, int count);
// Releases the nine textures, each set to null.
void ReleaseTextures();

// Sets up the lights and creates the four fonts. Returns 1 when all four
// exist, 0 when any could not be made (those stay null).
int CreateFonts();
// Releases the fonts that exist and sets them to null.
void ReleaseFonts();

// Start-up's check of the data folder and the fonts: 1 when every texture,
// model, primitive mesh and font exists. Otherwise 0, and `message` gets a
// Shift-JIS text for a message box naming what is missing (cut to size).
int CheckDrawingResources(char* message, size_t size);
