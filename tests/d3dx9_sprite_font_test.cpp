// The sprite batch and fonts on real pixels: placement with centre and
// transform, colour key, blending at flush time, state saving, Japanese text
// drawn and measured.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9.h"
#include "platform/gl_internal.h"
#include "tests/gfx_test_util.h"

namespace {

// The ink of a picture: the bounding box of pixels that differ from `bg`.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  bool empty() const { return right < 0; }
};
Box InkBox(const Pixels& p, uint32_t bg, int x0 = 0, int y0 = 0, int x1 = 640, int y1 = 480) {
  Box b;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (p.at(x, y) != bg) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

class SpriteTest : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
    // An 8 x 4 picture: a magenta frame (colour-keyed away) round red texels,
    // with one green texel at (1, 1) so the corner is visible.
    std::vector<uint32_t> px(32, 0xFFFF0000);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 8; ++x)
        if (x == 0 || y == 0 || x == 7 || y == 3) px[y * 8 + x] = 0;  // keyed-away texels
    px[1 * 8 + 1] = 0xFF00FF00;
    picture = CreateTextureFromPixels(device, px.data(), 8, 4, 1);
    uint32_t white = 0xFFFFFFFF;
    solid = CreateTextureFromPixels(device, &white, 1, 1, 1);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  }
  void TearDown() override {
    if (sprite) sprite->Release();
    if (picture) picture->Release();
    if (solid) solid->Release();
    DeviceFixture::TearDown();
  }
  ID3DXSprite* sprite = nullptr;
  IDirect3DTexture9 *picture = nullptr, *solid = nullptr;
};

TEST_F(SpriteTest, PictureLandsAtItsPixelsWithCentreAndTransform) {
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  // Source rectangle: the picture's inner 6 x 2 texels.
  RECT inner = {1, 1, 7, 3};
  D3DXVECTOR3 pos(100, 50, 0);
  sprite->Draw(picture, &inner, nullptr, &pos, 0xFFFFFFFF);
  // Centre (3, 1) placed at (200, 80) through a translation transform.
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 200, 80, 0);
  sprite->SetTransform(&t);
  D3DXVECTOR3 centre(3, 1, 0);
  sprite->Draw(picture, &inner, &centre, nullptr, 0xFFFFFFFF);
  // A filled box: the 1 x 1 texture scaled to 40 x 20 at (300, 200), tinted.
  D3DXMATRIX s, st;
  D3DXMatrixScaling(&s, 40, 20, 1);
  D3DXMatrixTranslation(&t, 300, 200, 0);
  D3DXMatrixMultiply(&st, &s, &t);
  sprite->SetTransform(&st);
  sprite->Draw(solid, nullptr, nullptr, nullptr, 0xFF3366CC);
  sprite->End();
  Pixels p = Grab(device);
  SavePicture(p, "sprite_placement");
  Box a = InkBox(p, 0xFF000000, 0, 0, 150, 100);
  EXPECT_EQ(a.left, 100);
  EXPECT_EQ(a.top, 50);
  EXPECT_EQ(a.right, 105);
  EXPECT_EQ(a.bottom, 51);
  EXPECT_EQ(p.at(100, 50), 0xFF00FF00u);  // texel (1, 1) at the position
  EXPECT_EQ(p.at(101, 50), 0xFFFF0000u);
  Box b = InkBox(p, 0xFF000000, 150, 0, 290, 150);
  EXPECT_EQ(b.left, 197);
  EXPECT_EQ(b.top, 79);
  EXPECT_EQ(p.at(197, 79), 0xFF00FF00u);
  Box c = InkBox(p, 0xFF000000, 290, 150, 640, 480);
  EXPECT_EQ(c.left, 300);
  EXPECT_EQ(c.top, 200);
  EXPECT_EQ(c.right, 339);
  EXPECT_EQ(c.bottom, 219);
  EXPECT_EQ(p.at(320, 210), 0xFF3366CCu);
}

TEST_F(SpriteTest, ColourKeyedTexelsAreTransparentAndFlushUsesTheCurrentBlend) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1.0f, 0);
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  D3DXVECTOR3 pos(10, 10, 0);
  sprite->Draw(picture, nullptr, nullptr, &pos, 0xFFFFFFFF);
  // Half-transparent white box, normal blending.
  D3DXMATRIX s, t, st;
  D3DXMatrixScaling(&s, 20, 20, 1);
  D3DXMatrixTranslation(&t, 100, 100, 0);
  D3DXMatrixMultiply(&st, &s, &t);
  sprite->SetTransform(&st);
  sprite->Draw(solid, nullptr, nullptr, nullptr, 0x80FFFFFF);
  // The same box again, additive: flushed first, then destination blend ONE.
  sprite->Flush();
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  D3DXMatrixTranslation(&t, 200, 100, 0);
  D3DXMatrixMultiply(&st, &s, &t);
  sprite->SetTransform(&st);
  sprite->Draw(solid, nullptr, nullptr, nullptr, 0x80FFFFFF);
  sprite->Flush();
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  sprite->End();
  Pixels p = Grab(device);
  SavePicture(p, "sprite_blending");
  EXPECT_EQ(p.at(10, 10), 0xFF202020u);  // keyed frame: background shows
  EXPECT_EQ(p.at(12, 11), 0xFFFF0000u);
  float a = 128.0f / 255.0f;
  int over = (int)std::lround(255 * a + 0x20 * (1 - a));
  int add = std::min(255, (int)std::lround(255 * a + 0x20));
  EXPECT_COLOR_NEAR(p.at(110, 110), over, over, over, 1);
  EXPECT_COLOR_NEAR(p.at(210, 110), add, add, add, 1);
}

TEST_F(SpriteTest, BeginAndEndSaveAndRestoreDeviceState) {
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->SetTexture(0, picture);
  D3DXMATRIX w;
  D3DXMatrixTranslation(&w, 5, 6, 7);
  device->SetTransform(D3DTS_WORLD, &w);
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  DWORD v = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, (DWORD)TRUE);
  device->GetRenderState(D3DRS_DESTBLEND, &v);
  EXPECT_EQ(v, (DWORD)D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetTexture(0, solid);
  sprite->Draw(solid, nullptr, nullptr, nullptr, 0xFFFFFFFF);
  EXPECT_EQ(sprite->End(), D3D_OK);
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, (DWORD)FALSE);
  device->GetRenderState(D3DRS_DESTBLEND, &v);
  EXPECT_EQ(v, (DWORD)D3DBLEND_ZERO);
  EXPECT_EQ(device->impl()->state.textures[0], picture);
  D3DXMATRIX back;
  device->GetTransform(D3DTS_WORLD, &back);
  EXPECT_EQ(back, w);
  // Drawing outside a batch is refused.
  EXPECT_LT(sprite->Draw(solid, nullptr, nullptr, nullptr, 0xFFFFFFFF), 0);
  EXPECT_LT(sprite->End(), 0);
  device->SetTexture(0, nullptr);
}

// "日本語" and "テスト" in Shift-JIS.
const char kNihongo[] = "\x93\xfa\x96\x7b\x8c\xea";
const char kTesuto[] = "\x83\x65\x83\x58\x83\x67";

class FontTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    ASSERT_EQ(D3DXCreateFontA(device, 12, 0, 0, 0, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr, &font),
              D3D_OK);
    ASSERT_EQ(D3DXCreateFontA(device, 12, 0, 1000, 0, FALSE, SHIFTJIS_CHARSET,
                              OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              nullptr, &bold),
              D3D_OK);
  }
  void TearDown() override {
    if (font) font->Release();
    if (bold) bold->Release();
    SpriteTest::TearDown();
  }
  SIZE Measure(ID3DXFont* f, const char* text) {
    SIZE s = {0, 0};
    EXPECT_TRUE(GetTextExtentPoint32A(f->GetDC(), text, (int)strlen(text), &s));
    return s;
  }
  ID3DXFont *font = nullptr, *bold = nullptr;
};

TEST_F(FontTest, JapaneseTextMeasuresByItsCells) {
  SIZE one = Measure(font, "\x93\xfa"), three = Measure(font, kNihongo), a = Measure(font, "A"),
       ab = Measure(font, "AB");
  EXPECT_EQ(one.cy, 12);
  EXPECT_GE(one.cx, 10);
  EXPECT_LE(one.cx, 13);
  EXPECT_EQ(three.cx, 3 * one.cx);
  EXPECT_EQ(ab.cx, 2 * a.cx);
  // The default face is proportional: a narrow letter takes less than half a
  // full-width character, a wide one more.
  EXPECT_LT(Measure(font, "i").cx, a.cx);
  EXPECT_GT(Measure(font, "W").cx, a.cx);
  // Asked for fixed pitch, full width is exactly two half widths.
  ID3DXFont* fixed = nullptr;
  ASSERT_EQ(D3DXCreateFontA(device, 12, 0, 0, 0, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, FIXED_PITCH | FF_DONTCARE, nullptr, &fixed),
            D3D_OK);
  EXPECT_EQ(Measure(fixed, "\x93\xfa").cx, one.cx);
  EXPECT_EQ(Measure(fixed, "\x93\xfa").cx, 2 * Measure(fixed, "A").cx);
  EXPECT_EQ(Measure(fixed, "i").cx, Measure(fixed, "W").cx);
  fixed->Release();
  SIZE b = Measure(bold, kNihongo);
  EXPECT_GE(b.cx, three.cx);
  SIZE part = {0, 0};
  EXPECT_TRUE(GetTextExtentPoint32A(font->GetDC(), kNihongo, 2, &part));  // the first character
  EXPECT_EQ(part.cx, one.cx);
  EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "A", 1, &part));
}

TEST_F(FontTest, TextDrawsThroughTheSpriteAlignedAndOnSeveralLines) {
  RECT screen = {0, 0, 640, 480};
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 40, 30, 0);
  sprite->SetTransform(&t);
  std::string twoLines = std::string(kNihongo) + "\n" + kTesuto;
  INT h = font->DrawTextA(sprite, twoLines.c_str(), -1, &screen, DT_NOCLIP, 0xFFFFFFFF);
  EXPECT_EQ(h, 24);
  D3DXMatrixIdentity(&t);
  sprite->SetTransform(&t);
  RECT centred = {100, 200, 540, 450};
  font->DrawTextA(sprite, kTesuto, -1, &centred, DT_CENTER | DT_NOCLIP, 0xFFFF0000);
  RECT right = {0, 300, 570, 480};
  bold->DrawTextA(sprite, "Ver.1.10", -1, &right, DT_RIGHT | DT_NOCLIP, 0xFF00FF00);
  sprite->End();
  // Without a sprite the font draws at once.
  RECT plain = {10, 400, 640, 480};
  font->DrawTextA(nullptr, kNihongo, -1, &plain, DT_NOCLIP, 0xFFFFFF00);
  Pixels p = Grab(device);
  SavePicture(p, "font_text");

  SIZE w = Measure(font, kNihongo), w2 = Measure(font, kTesuto);
  Box first = InkBox(p, 0xFF000000, 0, 0, 640, 42);
  Box second = InkBox(p, 0xFF000000, 0, 42, 640, 60);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_GE(first.left, 40);
  EXPECT_LE(first.left, 42);
  EXPECT_LE(first.right, 40 + w.cx);
  EXPECT_GE(first.top, 30);
  EXPECT_LE(first.bottom, 41);
  EXPECT_GE(second.top, 42);
  EXPECT_LE(second.bottom, 53);

  Box c = InkBox(p, 0xFF000000, 0, 190, 640, 230);
  ASSERT_FALSE(c.empty());
  int inkCentre = (c.left + c.right + 1) / 2;
  EXPECT_NEAR(inkCentre, 320, 2);
  EXPECT_LE(c.right - c.left + 1, w2.cx);
  int redInk = 0;
  for (int yy = c.top; yy <= c.bottom; ++yy)
    for (int xx = c.left; xx <= c.right; ++xx) redInk += Red(p.at(xx, yy)) > 0 && Blue(p.at(xx, yy)) == 0;
  EXPECT_GT(redInk, 10);

  Box r = InkBox(p, 0xFF000000, 0, 290, 640, 330);
  ASSERT_FALSE(r.empty());
  EXPECT_LE(r.right, 569);
  EXPECT_GE(r.right, 565);
  EXPECT_EQ(Red(p.at(r.left, r.top)) | Blue(p.at(r.left, r.top)), 0);  // green only

  Box y = InkBox(p, 0xFF000000, 0, 390, 640, 480);
  ASSERT_FALSE(y.empty());
  EXPECT_GE(y.left, 10);
  EXPECT_LE(y.left, 12);
}

TEST_F(FontTest, BoldInksMoreAndLostDeviceIsHarmless) {
  RECT a = {0, 0, 640, 480}, b = {0, 100, 640, 480};
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  font->DrawTextA(sprite, kNihongo, -1, &a, DT_NOCLIP, 0xFFFFFFFF);
  bold->DrawTextA(sprite, kNihongo, -1, &b, DT_NOCLIP, 0xFFFFFFFF);
  sprite->End();
  Pixels p = Grab(device);
  auto ink = [&](int y0, int y1) {
    long sum = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < 100; ++x) sum += Red(p.at(x, y));
    return sum;
  };
  EXPECT_GT(ink(100, 120), ink(0, 20) * 11 / 10);
  EXPECT_EQ(font->OnLostDevice(), D3D_OK);
  EXPECT_EQ(sprite->OnLostDevice(), D3D_OK);
  EXPECT_EQ(sprite->OnResetDevice(), D3D_OK);
  EXPECT_EQ(font->OnResetDevice(), D3D_OK);
}

}  // namespace
