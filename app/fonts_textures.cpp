#include "app/fonts_textures.h"

#include <cstdio>
#include <cstring>

#include "app/shell_globals.h"
#include "platform/text_encoding.h"
#include "render/meshes.h"

const TextureFile kTextureFiles[kTextureCount] = {
    {&g_groundTexture, "data\\Ground.bmp", 512, 512, 0},
    {&g_obTexture, "data\\OB.bmp", 256, 256, 0},
    {&g_spriteAtlas, "data\\Sprite.bmp", 512, 512, 0xFFFF00FF},
    {&g_smokeTexture, "data\\Smoke.png", 256, 256, 0},
    {&g_flashTexture, "data\\Flash.bmp", 64, 64, 0},
    {&g_jetTexture, "data\\Jet.bmp", 128, 128, 0},
    {&g_solidTexture, "data\\1Black.bmp", 1, 1, 0},
    {&g_itemTextures[1], "data\\Text.jpg", 64, 64, 0},
    {&g_itemTextures[0], "data\\Text10.png", 64, 64, 0},
};

namespace {

struct FontRecipe {
  ID3DXFont** font;
  INT height;
  UINT weight;
};
// Creation and release order.
const FontRecipe kFonts[4] = {
    {&g_boldFont, 12, 1000},
    {&g_labelFont, 12, 0},
    {&g_hintFont, 10, 0},
    {&g_titleFont, 22, 1000},
};

void LoadTextureWithMips(IDirect3DTexture9** out, const char* path, UINT width, UINT height,
                         D3DCOLOR colourKey, UINT mipLevels) {
  if (width == 0) width = D3DX_DEFAULT;
  if (height == 0) height = D3DX_DEFAULT;
  IDirect3DTexture9* texture = nullptr;
  if (FAILED(D3DXCreateTextureFromFileExA(g_device, path, width, height, mipLevels, 0,
                                          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                          D3DX_DEFAULT, colourKey, nullptr, nullptr, &texture)) ||
      !texture)
    return;
  // A texture loaded over an old one replaces it instead of leaking it.
  if (*out) (*out)->Release();
  *out = texture;
}

// Appends text to the message, cutting it at the end of the buffer.
void Append(char* message, size_t size, const char* text) {
  size_t used = strlen(message);
  if (used + 1 >= size) return;
  snprintf(message + used, size - used, "%s", text);
}

}  // namespace

void LoadTexture(IDirect3DTexture9** out, const char* path, UINT width, UINT height,
                 D3DCOLOR colourKey) {
  LoadTextureWithMips(out, path, width, height, colourKey, 0);
}

void LoadTextureDefaultMips(IDirect3DTexture9** out, const char* path, UINT width, UINT height,
                            D3DCOLOR colourKey) {
  LoadTextureWithMips(out, path, width, height, colourKey, D3DX_DEFAULT);
}

void PrefetchTextureFiles() {
  // The same arguments as LoadTexture's: only then is the work taken up.
  for (const TextureFile& t : kTextureFiles)
    PrefetchTextureFromFileExA(t.path, t.width == 0 ? D3DX_DEFAULT : t.width,
                               t.height == 0 ? D3DX_DEFAULT : t.height, 0, D3DX_FILTER_NONE,
                               t.colourKey);
}

int LoadTextureFiles(int first, int count) {
  int missing = 0;
  for (int i = first; i < first + count && i < kTextureCount; ++i) {
    if (i < 0) continue;
    const TextureFile& t = kTextureFiles[i];
    LoadTexture(t.texture, t.path, t.width, t.height, t.colourKey);
    if (!*t.texture) ++missing;
  }
  return missing;
}

void ReleaseTextures() {
  for (const TextureFile& t : kTextureFiles) {
    if (*t.texture) {
      (*t.texture)->Release();
      *t.texture = nullptr;
    }
  }
}

int CreateFonts() {
  SetupLights();
  int made = 0;
  for (const FontRecipe& recipe : kFonts) {
    if (*recipe.font) {
      (*recipe.font)->Release();
      *recipe.font = nullptr;
    }
    ID3DXFont* font = nullptr;
    if (SUCCEEDED(D3DXCreateFontA(g_device, recipe.height, 0, recipe.weight, 0, FALSE,
                                  SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, nullptr, &font)) &&
        font) {
      font->OnResetDevice();
      *recipe.font = font;
      ++made;
    }
  }
  return made == 4 ? 1 : 0;
}

void ReleaseFonts() {
  for (const FontRecipe& recipe : kFonts) {
    if (*recipe.font) {
      (*recipe.font)->Release();
      *recipe.font = nullptr;
    }
  }
}

int CheckDrawingResources(char* message, size_t size) {
  if (message && size) message[0] = '\0';
  char list[2048] = "";
  int missingFiles = 0;
  auto note = [&](const char* path) {
    ++missingFiles;
    Append(list, sizeof list, path);
    Append(list, sizeof list, "\n");
  };
  for (const TextureFile& t : kTextureFiles)
    if (!*t.texture) note(t.path);
  for (const ModelFile& m : kModelFiles)
    if (!m.record->mesh) note(m.path);
  if (!g_primitiveMeshes[kPrimCap]) note("data\\Capsule.x");
  bool shapesMissing = !g_primitiveMeshes[kPrimCylinder] || !g_primitiveMeshes[kPrimBox];
  bool fontsMissing = false;
  for (const FontRecipe& recipe : kFonts)
    if (!*recipe.font) fontsMissing = true;
  if (missingFiles == 0 && !fontsMissing && !shapesMissing) return 1;

  if (message && size) {
    if (missingFiles) {
      Append(message, size, Cp932Text("次のファイルを読み込めませんでした。"));
      Append(message, size, "\n");
      Append(message, size, list);
    }
    if (shapesMissing) {
      Append(message, size, Cp932Text("図形を作成できませんでした。"));
      Append(message, size, "\n");
    }
    if (fontsMissing) {
      Append(message, size, Cp932Text("フォントを作成できませんでした。"));
      Append(message, size, "\n");
    }
  }
  return 0;
}
