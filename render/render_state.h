// What everything drawn goes through: the device, the 2-D batch, and the
// game's nine textures and four fonts. Start-up makes them; the drawing of
// every layer reads them.
#pragma once
#include <cstdint>

#include "platform/d3d9.h"
#include "platform/d3dx9.h"

// The drawing device; the frame driver leaves this frame's view, projection
// and viewport on it, and the picking reads them back.
extern IDirect3DDevice9* g_device;
extern D3DVIEWPORT9 g_viewport;  // the device's viewport, as last fetched
// The 2-D batch every overlay picture and text goes through (made at start-up).
extern ID3DXSprite* g_sprite;
// Which device creation start-up succeeded with: 4 the best .. 1 the plainest
// (0 before start-up); the title screen shows it as pips.
extern int32_t g_deviceLevel;

extern IDirect3DTexture9* g_groundTexture;   // "data\Ground.bmp", the floor
extern IDirect3DTexture9* g_obTexture;       // "data\OB.bmp", play floor and outer band
extern IDirect3DTexture9* g_spriteAtlas;     // "data\Sprite.bmp", every HUD picture
extern IDirect3DTexture9* g_smokeTexture;    // "data\Smoke.png", 8 x 8 smoke frames
extern IDirect3DTexture9* g_flashTexture;    // "data\Flash.bmp", drawn by nothing
extern IDirect3DTexture9* g_jetTexture;      // "data\Jet.bmp", trail ribbons
extern IDirect3DTexture9* g_solidTexture;    // "data\1Black.bmp", 1 x 1, every filled box
// By createdInMode: 0 "data\Text10.png" (stage items), 1 "data\Text.jpg" (player items).
extern IDirect3DTexture9* g_itemTextures[2];

extern ID3DXFont* g_boldFont;   // 12 pixels, weight 1000
extern ID3DXFont* g_labelFont;  // 12 pixels
extern ID3DXFont* g_hintFont;   // 10 pixels
extern ID3DXFont* g_titleFont;  // 22 pixels, weight 1000
