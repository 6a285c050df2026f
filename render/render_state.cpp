#include "render/render_state.h"

IDirect3DDevice9* g_device = nullptr;
D3DVIEWPORT9 g_viewport = {};
ID3DXSprite* g_sprite = nullptr;
int32_t g_deviceLevel = 0;

IDirect3DTexture9* g_groundTexture = nullptr;
IDirect3DTexture9* g_obTexture = nullptr;
IDirect3DTexture9* g_spriteAtlas = nullptr;
IDirect3DTexture9* g_smokeTexture = nullptr;
IDirect3DTexture9* g_flashTexture = nullptr;
IDirect3DTexture9* g_jetTexture = nullptr;
IDirect3DTexture9* g_solidTexture = nullptr;
IDirect3DTexture9* g_itemTextures[2] = {nullptr, nullptr};

ID3DXFont* g_boldFont = nullptr;
ID3DXFont* g_labelFont = nullptr;
ID3DXFont* g_hintFont = nullptr;
ID3DXFont* g_titleFont = nullptr;
