// Fonts on FreeType: the face comes from fontconfig (the Japanese gothic of
// the pitch asked for, unless a face is named), glyphs are rendered once into
// an atlas texture and drawn as sprite pictures.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/d3dx9.h"
#include "platform/win_gdi.h"
#include "platform/device_context.h"
#include "platform/gl_internal.h"

namespace {

constexpr int kAtlasSize = 1024;

FT_Library Library() {
  static FT_Library library = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  return library;
}

// The file and face index fontconfig gives for a family name.
bool FindFontFile(const char* family, std::string* file, int* index) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  if (!pattern) return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (ok) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
  }
  FcPatternDestroy(match);
  return ok;
}

struct Glyph {
  int atlasX = 0, atlasY = 0, width = 0, height = 0;  // 0 x 0: nothing to draw
  int left = 0, top = 0;  // bitmap offset from the pen on the baseline (top: up)
  int advance = 0;
};

}  // namespace

struct D3DXFontImpl : public HDC__ {
  IDirect3DDevice9* device = nullptr;
  FT_Face face = nullptr;
  bool bold = false;
  int cellHeight = 0, ascent = 0;
  std::unordered_map<char32_t, Glyph> glyphs;
  IDirect3DTexture9* atlas = nullptr;
  int penX = 1, penY = 1, rowHeight = 0;
  ID3DXSprite* ownSprite = nullptr;

  ~D3DXFontImpl() override {
    if (ownSprite) ownSprite->Release();
    if (atlas) atlas->Release();
    if (face) FT_Done_Face(face);
  }

  const Glyph& GlyphOf(char32_t ch) {
    auto it = glyphs.find(ch);
    if (it != glyphs.end()) return it->second;
    Glyph g;
    if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) == 0) {
      FT_GlyphSlot slot = face->glyph;
      if (bold) FT_GlyphSlot_Embolden(slot);
      g.advance = (int)((slot->advance.x + 32) >> 6);
      if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) Store(slot, &g);
    }
    return glyphs.emplace(ch, g).first->second;
  }

  // Copies the rendered bitmap into the atlas; a full atlas keeps the glyph
  // invisible rather than failing the text.
  void Store(FT_GlyphSlot slot, Glyph* g) {
    const FT_Bitmap& bm = slot->bitmap;
    int w = (int)bm.width, h = (int)bm.rows;
    if (w <= 0 || h <= 0 || w > kAtlasSize - 2 || h > kAtlasSize - 2) return;
    if (penX + w + 1 > kAtlasSize) {
      penX = 1;
      penY += rowHeight + 1;
      rowHeight = 0;
    }
    if (penY + h + 1 > kAtlasSize) return;
    // The atlas is made with the first glyph: a face that draws nothing
    // before the first picture is shown costs nothing before it (making and
    // clearing 4 MB takes the software renderer some milliseconds).
    if (!atlas) atlas = CreateFilledTexture(device, kAtlasSize, kAtlasSize, 0x00FFFFFFu);
    if (!atlas) return;
    std::vector<uint32_t> texels((size_t)w * h);
    for (int y = 0; y < h; ++y) {
      const unsigned char* row = bm.buffer + (ptrdiff_t)y * bm.pitch;
      for (int x = 0; x < w; ++x) {
        unsigned a;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          a = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          a = bm.num_grays > 1 ? row[x] * 255u / (bm.num_grays - 1) : row[x];
        else
          a = 0;
        texels[(size_t)y * w + x] = (a << 24) | 0x00FFFFFFu;
      }
    }
    UpdateTextureRect(atlas, penX, penY, w, h, texels.data());
    g->atlasX = penX;
    g->atlasY = penY;
    g->width = w;
    g->height = h;
    g->left = slot->bitmap_left;
    g->top = slot->bitmap_top;
    penX += w + 1;
    if (h > rowHeight) rowHeight = h;
  }

  int LineWidth(const std::u32string& line) {
    int w = 0;
    for (char32_t c : line)
      if (c >= 0x20) w += GlyphOf(c).advance;
    return w;
  }

  bool MeasureText(const char* text, int count, SIZE* size) override {
    if (!size) return false;
    std::u32string s = Cp932ToUtf32(text, text ? count : 0);
    size->cx = LineWidth(s);
    size->cy = cellHeight;
    return true;
  }
};

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT, UINT weight, UINT, BOOL,
                        DWORD, DWORD, DWORD, DWORD pitchAndFamily, const char* faceName,
                        ID3DXFont** font) {
  if (!device || !font || height == 0) return D3DERR_INVALIDCALL;
  FT_Library lib = Library();
  if (!lib) return D3DERR_NOTAVAILABLE;
  std::string family = platform::FontFamilyFor(faceName ? faceName : "", pitchAndFamily);
  std::string file;
  int index = 0;
  if (!FindFontFile(family.c_str(), &file, &index)) return D3DERR_NOTAVAILABLE;
  auto* impl = new D3DXFontImpl;
  if (FT_New_Face(lib, file.c_str(), index, &impl->face) != 0) {
    impl->face = nullptr;
    delete impl;
    return D3DERR_NOTAVAILABLE;
  }
  FT_Face face = impl->face;
  // A positive height is the character cell (ascent + descent), a negative
  // one the em. The game's texts were laid out for a Japanese face whose
  // cell equals its em (full-width characters exactly `height` wide), so the
  // em is the cell here too; only where the baseline sits within the cell
  // comes from the face's own ascent and descent.
  int upem = face->units_per_EM ? face->units_per_EM : 1000;
  int asc = face->ascender, desc = -face->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      asc = os2->usWinAscent;
      desc = os2->usWinDescent;
    }
  }
  if (asc + desc <= 0) {
    asc = upem * 4 / 5;
    desc = upem - asc;
  }
  int ppem, cell = height > 0 ? height : 0;
  if (height > 0) {
    ppem = height;
  } else {
    ppem = -height;
    cell = ppem;
  }
  if (ppem < 1) ppem = 1;
  FT_Set_Pixel_Sizes(face, 0, (FT_UInt)ppem);
  impl->cellHeight = cell;
  impl->ascent = (int)std::lround((double)cell * asc / (asc + desc));
  impl->bold = weight >= FW_BOLD;
  impl->device = device;
  // The atlas itself is made when the first glyph is drawn (see Store).
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize < kAtlasSize || FAILED(D3DXCreateSprite(device, &impl->ownSprite))) {
    delete impl;
    return E_OUTOFMEMORY;
  }
  *font = new ID3DXFont(impl);
  return D3D_OK;
}

ID3DXFont::~ID3DXFont() { delete impl_; }

INT ID3DXFont::DrawTextA(ID3DXSprite* sprite, const char* text, INT count, RECT* rect,
                         DWORD format, D3DCOLOR color) {
  if (!text || !rect) return 0;
  D3DXFontImpl* f = impl_;
  std::u32string all = Cp932ToUtf32(text, count);
  std::vector<std::u32string> lines(1);
  for (char32_t c : all) {
    if (c == U'\n')
      lines.emplace_back();
    else if (c != U'\r')
      lines.back() += c;
  }
  ID3DXSprite* target = sprite ? sprite : f->ownSprite;
  if (!sprite) target->Begin(D3DXSPRITE_ALPHABLEND);
  int top = rect->top;
  for (const auto& line : lines) {
    int width = f->LineWidth(line);
    int x = rect->left;
    if (format & DT_CENTER)
      x = rect->left + (rect->right - rect->left - width) / 2;
    else if (format & DT_RIGHT)
      x = rect->right - width;
    int baseline = top + f->ascent;
    for (char32_t c : line) {
      if (c < 0x20) continue;
      const Glyph& g = f->GlyphOf(c);
      if (g.width > 0)
        SpriteQueueQuad(target, f->atlas, (float)g.atlasX, (float)g.atlasY,
                        (float)(g.atlasX + g.width), (float)(g.atlasY + g.height),
                        (float)(x + g.left), (float)(baseline - g.top), color);
      x += g.advance;
    }
    top += f->cellHeight;
  }
  if (!sprite) target->End();
  return (INT)lines.size() * f->cellHeight;
}

HDC ID3DXFont::GetDC() { return impl_; }
HRESULT ID3DXFont::OnLostDevice() {
  NoteDeviceObjectEvent(this, false);
  return D3D_OK;
}
HRESULT ID3DXFont::OnResetDevice() {
  NoteDeviceObjectEvent(this, true);
  return D3D_OK;
}

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size) {
  if (!dc || !size || count < 0) return FALSE;
  return dc->MeasureText(text, count, size) ? TRUE : FALSE;
}
