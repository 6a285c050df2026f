// The nine textures with their sizes and colour key, the four fonts, and the
// start-up check that names whatever is missing.
#include <cstring>
#include <string>

#include "platform/text_encoding.h"
#include "tests/render_test_support.h"

using namespace rts;

namespace {

class FontsTexturesTest : public RenderFixture {};

UINT LevelWidth(IDirect3DTexture9* t, UINT level, UINT* height = nullptr) {
  D3DSURFACE_DESC d = {};
  EXPECT_EQ(t->GetLevelDesc(level, &d), D3D_OK);
  if (height) *height = d.Height;
  return d.Width;
}

}  // namespace

TEST_F(FontsTexturesTest, NineTexturesLoadAtTheirSizesWithFullMipChains) {
  WriteDataFolder();
  EXPECT_EQ(LoadTextureFiles(0, kTexturesBeforeModels), 0);
  EXPECT_NE(g_groundTexture, nullptr);
  EXPECT_NE(g_obTexture, nullptr);
  EXPECT_EQ(g_spriteAtlas, nullptr);  // the rest load after the models
  EXPECT_EQ(LoadTextureFiles(kTexturesBeforeModels, kTextureCount - kTexturesBeforeModels), 0);

  struct Expect {
    IDirect3DTexture9* texture;
    UINT side;
  } expected[] = {{g_groundTexture, 512}, {g_obTexture, 256},   {g_spriteAtlas, 512},
                  {g_smokeTexture, 256},  {g_flashTexture, 64}, {g_jetTexture, 128},
                  {g_solidTexture, 1},    {g_itemTextures[1], 64}, {g_itemTextures[0], 64}};
  for (const Expect& e : expected) {
    ASSERT_NE(e.texture, nullptr);
    UINT h = 0;
    EXPECT_EQ(LevelWidth(e.texture, 0, &h), e.side);
    EXPECT_EQ(h, e.side);
    UINT levels = 1;
    for (UINT s = e.side; s > 1; s /= 2) ++levels;
    EXPECT_EQ(e.texture->GetLevelCount(), levels) << e.side;
  }
  EXPECT_EQ(kTextureFiles[2].colourKey, 0xFFFF00FFu);
  for (int i = 0; i < kTextureCount; ++i) {
    if (i != 2) {
      EXPECT_EQ(kTextureFiles[i].colourKey, 0u) << kTextureFiles[i].path;
    }
  }

  ReleaseTextures();
  for (const TextureFile& t : kTextureFiles) EXPECT_EQ(*t.texture, nullptr);
  ReleaseTextures();  // nothing left to release
}

TEST_F(FontsTexturesTest, LoadTextureSizesAndFailures) {
  WriteSolidBmp("data/Odd.bmp", 20, 10, 0xFF123456);
  IDirect3DTexture9* t = nullptr;
  // Width and height 0: the file's own size.
  LoadTexture(&t, "data\\Odd.bmp", 0, 0, 0);
  ASSERT_NE(t, nullptr);
  UINT h = 0;
  EXPECT_EQ(LevelWidth(t, 0, &h), 20u);
  EXPECT_EQ(h, 10u);

  // A file that is not there leaves the old texture in place.
  IDirect3DTexture9* kept = t;
  LoadTexture(&t, "data\\Gone.bmp", 64, 64, 0);
  EXPECT_EQ(t, kept);
  IDirect3DTexture9* none = nullptr;
  LoadTexture(&none, "data\\Gone.bmp", 64, 64, 0);
  EXPECT_EQ(none, nullptr);

  // Loading over a texture replaces it; here at an explicit size.
  LoadTexture(&t, "data\\Odd.bmp", 32, 16, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(LevelWidth(t, 0, &h), 32u);
  EXPECT_EQ(h, 16u);
  EXPECT_EQ(t->GetLevelCount(), 6u);

  IDirect3DTexture9* d = nullptr;
  LoadTextureDefaultMips(&d, "data\\Odd.bmp", 0, 0, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_GT(d->GetLevelCount(), 1u);
  t->Release();
  d->Release();
}

TEST_F(FontsTexturesTest, AtlasColourKeyMakesMagentaTransparent) {
  WriteDataFolder();
  ASSERT_EQ(LoadTextureFiles(0, kTextureCount), 0);
  ID3DXSprite* sprite = nullptr;
  ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
  ClearScreen(0xFF0000FF);
  device->BeginScene();
  sprite->Begin(D3DXSPRITE_ALPHABLEND);
  RECT corner = {0, 0, 64, 64};
  D3DXVECTOR3 pos(0, 0, 0);
  sprite->Draw(g_spriteAtlas, &corner, nullptr, &pos, 0xFFFFFFFF);
  sprite->End();
  device->EndScene();
  Pixels p = Grab(device);
  SavePicture(p, "atlas_colour_key");
  EXPECT_COLOR_NEAR(p.at(10, 10), 255, 255, 255, 1);  // the white picture
  EXPECT_COLOR_NEAR(p.at(50, 50), 0, 0, 255, 1);      // magenta shows the ground
  sprite->Release();
}

TEST_F(FontsTexturesTest, FourFontsAtTheirSizesAfterTheLights) {
  // CreateFonts sets up the lights first: a white diffuse quad is lit by light 0.
  SetGameCamera(D3DXVECTOR3(0, 0, -50));
  device->LightEnable(0, FALSE);
  ASSERT_EQ(CreateFonts(), 1);
  ASSERT_NE(g_boldFont, nullptr);
  ASSERT_NE(g_labelFont, nullptr);
  ASSERT_NE(g_hintFont, nullptr);
  ASSERT_NE(g_titleFont, nullptr);

  NormalVertex quad[3] = {{D3DXVECTOR3(-5, 5, 0), D3DXVECTOR3(0, 0, -1)},
                          {D3DXVECTOR3(5, 5, 0), D3DXVECTOR3(0, 0, -1)},
                          {D3DXVECTOR3(5, -5, 0), D3DXVECTOR3(0, 0, -1)}};
  D3DMATERIAL9 white;
  memset(&white, 0, sizeof white);
  white.Diffuse = {1, 1, 1, 1};
  D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  device->SetTransform(D3DTS_WORLD, &identity);
  ClearScreen();
  device->BeginScene();
  device->SetMaterial(&white);
  device->SetTexture(0, nullptr);
  device->SetFVF(NormalVertex::kFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad, sizeof(NormalVertex));
  device->EndScene();
  POINT s = ScreenOf(device, D3DXVECTOR3(3, 3, 0));
  int l0 = (int)std::lround(0.8 / std::sqrt(2.0) * 255);
  EXPECT_COLOR_NEAR(Grab(device).at(s.x, s.y), l0, l0, l0, 2);

  // Heights 12, 12, 10 and 22 pixels; the bold faces draw wider.
  const char* text = Cp932Text("ギズモ Works");
  SIZE bold = {}, label = {}, hint = {}, title = {};
  EXPECT_TRUE(GetTextExtentPoint32A(g_boldFont->GetDC(), text, (int)strlen(text), &bold));
  EXPECT_TRUE(GetTextExtentPoint32A(g_labelFont->GetDC(), text, (int)strlen(text), &label));
  EXPECT_TRUE(GetTextExtentPoint32A(g_hintFont->GetDC(), text, (int)strlen(text), &hint));
  EXPECT_TRUE(GetTextExtentPoint32A(g_titleFont->GetDC(), text, (int)strlen(text), &title));
  EXPECT_EQ(bold.cy, 12);
  EXPECT_EQ(label.cy, 12);
  EXPECT_EQ(hint.cy, 10);
  EXPECT_EQ(title.cy, 22);
  EXPECT_GE(bold.cx, label.cx);
  EXPECT_LT(hint.cx, label.cx);
  EXPECT_GT(title.cx, bold.cx);

  // Creating again replaces the four; releasing twice releases once.
  EXPECT_EQ(CreateFonts(), 1);
  ReleaseFonts();
  EXPECT_EQ(g_boldFont, nullptr);
  EXPECT_EQ(g_labelFont, nullptr);
  EXPECT_EQ(g_hintFont, nullptr);
  EXPECT_EQ(g_titleFont, nullptr);
  ReleaseFonts();
}

TEST_F(FontsTexturesTest, StartUpCheckNamesWhatIsMissing) {
  char message[1024];
  // Nothing loaded: every file and the fonts are named.
  EXPECT_EQ(CheckDrawingResources(message, sizeof message), 0);
  std::string m = message;
  EXPECT_EQ(m.rfind(Cp932Text("次のファイルを読み込めませんでした。"), 0), 0u);
  EXPECT_NE(m.find("data\\Ground.bmp\n"), std::string::npos);
  EXPECT_NE(m.find("data\\Text10.png\n"), std::string::npos);
  EXPECT_NE(m.find("data\\Sky.x\n"), std::string::npos);
  EXPECT_NE(m.find("data\\Capsule.x\n"), std::string::npos);
  EXPECT_NE(m.find(Cp932Text("フォントを作成できませんでした。")), std::string::npos);

  // Everything in place: success and an empty message.
  WriteDataFolder();
  LoadDataFolder();
  ASSERT_EQ(CreateFonts(), 1);
  EXPECT_EQ(CheckDrawingResources(message, sizeof message), 1);
  EXPECT_STREQ(message, "");

  // One texture and one model gone: exactly those two are named.
  ReleaseTextures();
  ReleaseModels();
  ASSERT_EQ(system("rm data/Jet.bmp data/D-Leg.x"), 0);
  EXPECT_EQ(LoadTextureFiles(0, kTextureCount), 1);
  EXPECT_EQ(LoadModels(), 1);
  EXPECT_EQ(CheckDrawingResources(message, sizeof message), 0);
  EXPECT_EQ(std::string(message), std::string(Cp932Text("次のファイルを読み込めませんでした。")) +
                                       "\ndata\\Jet.bmp\ndata\\D-Leg.x\n");

  // A font missing is told on its own line.
  g_hintFont->Release();
  g_hintFont = nullptr;
  EXPECT_EQ(CheckDrawingResources(message, sizeof message), 0);
  EXPECT_NE(std::string(message).find(Cp932Text("フォントを作成できませんでした。")),
            std::string::npos);

  // A short buffer gets a cut, terminated message.
  char tiny[16];
  memset(tiny, 'x', sizeof tiny);
  EXPECT_EQ(CheckDrawingResources(tiny, sizeof tiny), 0);
  EXPECT_LT(strlen(tiny), sizeof tiny);
}
