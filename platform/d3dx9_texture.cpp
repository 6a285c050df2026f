// Textures from image files.
#include <cmath>

#include "platform/cp932.h"
#include "platform/d3dx9.h"
#include "platform/gl_internal.h"
#include "platform/image_file.h"

namespace {

// Bilinear resampling with texel centres aligned, as a stretch of the whole
// picture onto the new size.
std::vector<uint32_t> Resample(const Image& src, uint32_t w, uint32_t h) {
  std::vector<uint32_t> out((size_t)w * h);
  auto channel = [](uint32_t c, int shift) { return (float)((c >> shift) & 0xff); };
  for (uint32_t y = 0; y < h; ++y) {
    float sy = ((float)y + 0.5f) * (float)src.height / (float)h - 0.5f;
    if (sy < 0) sy = 0;
    uint32_t y0 = (uint32_t)sy, y1 = y0 + 1 < src.height ? y0 + 1 : y0;
    float fy = sy - (float)y0;
    for (uint32_t x = 0; x < w; ++x) {
      float sx = ((float)x + 0.5f) * (float)src.width / (float)w - 0.5f;
      if (sx < 0) sx = 0;
      uint32_t x0 = (uint32_t)sx, x1 = x0 + 1 < src.width ? x0 + 1 : x0;
      float fx = sx - (float)x0;
      uint32_t c00 = src.argb[(size_t)y0 * src.width + x0], c01 = src.argb[(size_t)y0 * src.width + x1],
               c10 = src.argb[(size_t)y1 * src.width + x0], c11 = src.argb[(size_t)y1 * src.width + x1];
      uint32_t c = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        float top = channel(c00, shift) * (1 - fx) + channel(c01, shift) * fx;
        float bottom = channel(c10, shift) * (1 - fx) + channel(c11, shift) * fx;
        float v = top * (1 - fy) + bottom * fy;
        c |= (uint32_t)std::lround(v) << shift;
      }
      out[(size_t)y * w + x] = c;
    }
  }
  return out;
}

// The picture at the top left of a w x h field of transparent black.
std::vector<uint32_t> Place(const Image& src, uint32_t w, uint32_t h) {
  std::vector<uint32_t> out((size_t)w * h, 0);
  for (uint32_t y = 0; y < h && y < src.height; ++y)
    for (uint32_t x = 0; x < w && x < src.width; ++x)
      out[(size_t)y * w + x] = src.argb[(size_t)y * src.width + x];
  return out;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* path, UINT width,
                                     UINT height, UINT mipLevels, DWORD, D3DFORMAT, D3DPOOL,
                                     DWORD filter, DWORD, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*,
                                     IDirect3DTexture9** texture) {
  if (!device || !path || !texture) return D3DERR_INVALIDCALL;
  Image img;
  if (!LoadImageFile(GamePathToHost(path).c_str(), &img)) return D3DXERR_INVALIDDATA;
  if (srcInfo) *srcInfo = {img.width, img.height, 1, 1, D3DFMT_A8R8G8B8};
  if (colorKey != 0)
    for (auto& c : img.argb)
      if (c == colorKey) c = 0;
  uint32_t w = (width == 0 || width == D3DX_DEFAULT) ? img.width : width;
  uint32_t h = (height == 0 || height == D3DX_DEFAULT) ? img.height : height;
  if (w > kMaxImageSide || h > kMaxImageSide) return D3DERR_INVALIDCALL;
  std::vector<uint32_t> pixels;
  if (w == img.width && h == img.height)
    pixels.swap(img.argb);
  else if (filter == D3DX_FILTER_NONE)
    pixels = Place(img, w, h);
  else
    pixels = Resample(img, w, h);
  UINT levels = mipLevels == D3DX_DEFAULT ? 0 : mipLevels;
  IDirect3DTexture9* t = CreateTextureFromPixels(device, pixels.data(), w, h, levels);
  if (!t) return E_OUTOFMEMORY;
  *texture = t;
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                      0, nullptr, nullptr, texture);
}
