// The texture object (IDirect3DTexture9): GL textures of ARGB texels with
// their mip chains, made from pixels, filled with one colour or updated in
// part.
#include <vector>

#include "platform/d3d9_internal.h"

namespace {

// The next mip level of a w x h ARGB picture, each texel the mean of the 2 x 2
// it covers (1 x 2 or 2 x 1 once a side is down to one texel), rounded as
// two rounded halvings: across the rows' pairs, then between the rows. This
// is, to the bit, what the software rasteriser's own mipmap generation
// gives; made here it spares a shader compiled at start-up for it.
std::vector<uint32_t> HalvedLevel(const uint32_t* src, UINT w, UINT h) {
  const UINT nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
  const UINT dx = w > 1 ? 1 : 0;
  const size_t dy = h > 1 ? w : 0;
  std::vector<uint32_t> out((size_t)nw * nh);
  for (UINT y = 0; y < nh; ++y) {
    const uint32_t* row = src + (size_t)(h > 1 ? 2 * y : 0) * w;
    for (UINT x = 0; x < nw; ++x) {
      const uint32_t* p = row + (w > 1 ? 2 * x : 0);
      const uint32_t a = p[0], b = p[dx], c = p[dy], e = p[dy + dx];
      uint32_t v = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t top = (((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + 1) >> 1;
        const uint32_t bottom = (((c >> shift) & 0xFF) + ((e >> shift) & 0xFF) + 1) >> 1;
        v |= ((top + bottom + 1) >> 1) << shift;
      }
      out[(size_t)y * nw + x] = v;
    }
  }
  return out;
}

bool IsPowerOfTwo(UINT n) { return n != 0 && (n & (n - 1)) == 0; }

}  // namespace

IDirect3DTexture9::~IDirect3DTexture9() {
  if (impl_->tex) {
    TouchGlState();
    glDeleteTextures(1, &impl_->tex);
  }
  delete impl_;
}

DWORD IDirect3DTexture9::GetLevelCount() { return impl_->levels; }

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc || level >= impl_->levels) return D3DERR_INVALIDCALL;
  desc->Format = D3DFMT_A8R8G8B8;
  desc->Pool = D3DPOOL_MANAGED;
  desc->Width = impl_->width >> level ? impl_->width >> level : 1;
  desc->Height = impl_->height >> level ? impl_->height >> level : 1;
  return D3D_OK;
}

MipChain PlanMipChain(const uint32_t* pixels, UINT width, UINT height, UINT levels) {
  MipChain chain;
  chain.width = width;
  chain.height = height;
  UINT full = 1;
  for (UINT s = width > height ? width : height; s > 1; s >>= 1) ++full;
  if (levels == 0 || levels > full) levels = full;
  chain.levels = levels;
  for (size_t i = 0, n = (size_t)width * height; i < n && chain.opaque; ++i)
    chain.opaque = (pixels[i] >> 24) == 0xFF;
  if (levels > 1 && IsPowerOfTwo(width) && IsPowerOfTwo(height)) {
    // Power-of-two sides halve exactly, so the levels are made here.
    const uint32_t* above = pixels;
    UINT w = width, h = height;
    for (UINT l = 1; l < levels; ++l) {
      chain.below.push_back(HalvedLevel(above, w, h));
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
      above = chain.below.back().data();
    }
  }
  return chain;
}

IDirect3DTexture9* CreateTextureFromChain(IDirect3DDevice9* device, const uint32_t* pixels,
                                          const MipChain& chain) {
  if (!device || !pixels || chain.width == 0 || chain.height == 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)chain.width > maxSize || (GLint)chain.height > maxSize) return nullptr;
  TouchGlState();
  auto* impl = new D3DTextureImpl;
  impl->width = chain.width;
  impl->height = chain.height;
  impl->levels = chain.levels;
  impl->opaque = chain.opaque;
  glGenTextures(1, &impl->tex);
  glBindTexture(GL_TEXTURE_2D, impl->tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)chain.width, (GLsizei)chain.height, 0,
               GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, (GLint)chain.levels - 1);
  if (!chain.below.empty()) {
    UINT w = chain.width, h = chain.height;
    for (UINT l = 1; l < chain.levels && l - 1 < chain.below.size(); ++l) {
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
      glTexImage2D(GL_TEXTURE_2D, (GLint)l, GL_RGBA8, (GLsizei)w, (GLsizei)h, 0, GL_BGRA,
                   GL_UNSIGNED_INT_8_8_8_8_REV, chain.below[l - 1].data());
    }
  } else if (chain.levels > 1) {
    glGenerateMipmap(GL_TEXTURE_2D);
  }
  return new IDirect3DTexture9(impl);
}

IDirect3DTexture9* CreateTextureFromPixels(IDirect3DDevice9* device, const uint32_t* pixels,
                                           UINT width, UINT height, UINT levels) {
  if (!device || !pixels || width == 0 || height == 0) return nullptr;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)width > maxSize || (GLint)height > maxSize) return nullptr;
  return CreateTextureFromChain(device, pixels, PlanMipChain(pixels, width, height, levels));
}

IDirect3DTexture9* CreateFilledTexture(IDirect3DDevice9* device, UINT width, UINT height,
                                       uint32_t colour) {
  if (!device || width == 0 || height == 0) return nullptr;
  // Filled by the driver where it can: a picture of one colour need not be
  // built in memory and copied over (a font's atlas is 4 MB).
  if (epoxy_gl_version() < 44 && !epoxy_has_gl_extension("GL_ARB_clear_texture")) {
    std::vector<uint32_t> pixels((size_t)width * height, colour);
    return CreateTextureFromPixels(device, pixels.data(), width, height, 1);
  }
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if ((GLint)width > maxSize || (GLint)height > maxSize) return nullptr;
  TouchGlState();
  auto* impl = new D3DTextureImpl;
  impl->width = width;
  impl->height = height;
  impl->levels = 1;
  impl->opaque = (colour >> 24) == 0xFF;
  glGenTextures(1, &impl->tex);
  glBindTexture(GL_TEXTURE_2D, impl->tex);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)width, (GLsizei)height, 0, GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glClearTexImage(impl->tex, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &colour);
  return new IDirect3DTexture9(impl);
}

void UpdateTextureRect(IDirect3DTexture9* texture, int x, int y, int width, int height,
                       const uint32_t* pixels) {
  TouchGlState();
  D3DTextureImpl* t = texture->impl();
  for (size_t i = 0, n = (size_t)width * height; i < n && t->opaque; ++i)
    t->opaque = (pixels[i] >> 24) == 0xFF;
  glBindTexture(GL_TEXTURE_2D, texture->impl()->tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                  pixels);
}
