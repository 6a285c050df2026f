// Inside of the drawing device itself, shared by its files (the device,
// its GL state, its shaders, its textures, the IDirect3D9 object); the
// texture, mesh, sprite and font code needs only gl_internal.h.
#pragma once
#include <cstdint>

#include "platform/gl_internal.h"

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
void StageOps(DWORD op, DWORD arg1, DWORD arg2, int out[3]);
// The device's compiled shader for `k` (linked on first use; its program is
// 0 when that failed).
ShaderVariant* Variant(D3DDeviceImpl* d, const VariantKey& k);
// Draws the device's picture onto the bound present target (see
// d3d9_shaders.cpp); false when the program cannot be made.
bool DrawPicture(D3DDeviceImpl* d);

// The device whose shadow of the GL state is current, and the device whose
// draws are held back (see d3d9_gl_state.cpp).
extern D3DDeviceImpl* g_shadowOwner;
extern D3DDeviceImpl* g_pendingDevice;
// Makes the device's shadow of the GL state current, forgetting it when
// another device or other code touched GL since.
void ValidateShadow(D3DDeviceImpl* d);
