// The drawing device against Direct3D 9's fixed-function results, on real
// pixels of a headless GL context.
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gl_internal.h"
#include "tests/gfx_test_util.h"

namespace {

struct LitVertex {  // XYZ | NORMAL
  float x, y, z, nx, ny, nz;
};
struct ColorVertex {  // XYZ | DIFFUSE | TEX1
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

// A square of half-size h at depth z, corners in clockwise screen order.
void SquareColor(ColorVertex out[4], float cx, float cy, float h, float z, D3DCOLOR c) {
  out[0] = {cx - h, cy + h, z, c, 0, 0};
  out[1] = {cx + h, cy + h, z, c, 1, 0};
  out[2] = {cx + h, cy - h, z, c, 1, 1};
  out[3] = {cx - h, cy - h, z, c, 0, 1};
}

D3DMATERIAL9 Material(float r, float g, float b, float a, float er, float eg, float eb) {
  D3DMATERIAL9 m;
  memset(&m, 0, sizeof m);
  m.Diffuse = {r, g, b, a};
  m.Emissive = {er, eg, eb, 0};
  return m;
}

D3DLIGHT9 Directional(float x, float y, float z) {
  D3DLIGHT9 l;
  memset(&l, 0, sizeof l);
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1, 1, 1, 0};
  l.Specular = {1, 1, 1, 0};
  l.Direction = D3DXVECTOR3(x, y, z);
  return l;
}

int ToByte(float v) { return (int)std::lround(std::fmin(1.0f, std::fmax(0.0f, v)) * 255.0f); }

class DeviceTest : public DeviceFixture {};

TEST_F(DeviceTest, LitSurfaceFollowsTheLightingFormula) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  D3DLIGHT9 l0 = Directional(-0.6f, -1.0f, 0.8f), l1 = Directional(-1.0f, 0.0f, 1.0f);
  device->SetLight(0, &l0);
  device->SetLight(1, &l1);
  device->LightEnable(0, TRUE);
  device->LightEnable(1, TRUE);
  D3DMATERIAL9 m = Material(0.8f, 0.6f, 0.4f, 1.0f, 0.1f, 0.05f, 0.0f);
  m.Ambient = m.Diffuse;  // ambient light is zero, so this changes nothing
  device->SetMaterial(&m);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
  // Facing the camera: normal -z. A second square turned to face +x.
  LitVertex front[4] = {{-4, 2, 0, 0, 0, -1}, {0, 2, 0, 0, 0, -1}, {0, -2, 0, 0, 0, -1},
                        {-4, -2, 0, 0, 0, -1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, front, sizeof(LitVertex));
  LitVertex tilted[4] = {{1, 2, 0, 0.6f, 0, -0.8f}, {5, 2, 0, 0.6f, 0, -0.8f},
                         {5, -2, 0, 0.6f, 0, -0.8f}, {1, -2, 0, 0.6f, 0, -0.8f}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, tilted, sizeof(LitVertex));
  device->EndScene();
  Pixels p = Grab(device);
  SavePicture(p, "device_lighting");

  // L = -normalised direction; N.L per light, negative ones count as 0.
  auto expect = [&](float nx, float ny, float nz, int px, int py) {
    float s0 = std::sqrt(0.36f + 1.0f + 0.64f), s1 = std::sqrt(2.0f);
    float d0 = std::fmax(0.0f, (nx * 0.6f + ny * 1.0f + nz * -0.8f) / s0);
    float d1 = std::fmax(0.0f, (nx * 1.0f + nz * -1.0f) / s1);
    float k = d0 + d1;
    EXPECT_COLOR_NEAR(p.at(px, py), ToByte(0.1f + 0.8f * k), ToByte(0.05f + 0.6f * k),
                      ToByte(0.4f * k), 1);
  };
  expect(0, 0, -1, 240, 240);
  expect(0.6f, 0, -0.8f, 400, 240);
}

TEST_F(DeviceTest, NormalsAreRenormalisedOnlyWhenAsked) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  D3DLIGHT9 l0 = Directional(0, 0, 1);  // straight into the screen
  device->SetLight(0, &l0);
  device->LightEnable(0, TRUE);
  D3DMATERIAL9 m = Material(1, 1, 1, 1, 0, 0, 0);
  device->SetMaterial(&m);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
  LitVertex sq[4] = {{-1, 1, 0, 0, 0, -1}, {1, 1, 0, 0, 0, -1}, {1, -1, 0, 0, 0, -1},
                     {-1, -1, 0, 0, 0, -1}};
  // Scaled by 2 in z: the normal transformed by the inverse transpose halves.
  D3DXMATRIX s, t, w;
  D3DXMatrixScaling(&s, 2, 2, 2);
  D3DXMatrixTranslation(&t, -3, 0, 0);
  D3DXMatrixMultiply(&w, &s, &t);
  device->SetTransform(D3DTS_WORLD, &w);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, sq, sizeof(LitVertex));
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  D3DXMatrixTranslation(&t, 3, 0, 0);
  D3DXMatrixMultiply(&w, &s, &t);
  device->SetTransform(D3DTS_WORLD, &w);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, sq, sizeof(LitVertex));
  Pixels p = Grab(device);
  SavePicture(p, "device_normalize");
  EXPECT_COLOR_NEAR(p.at(320 - 166, 240), 128, 128, 128, 1);  // 0.5
  EXPECT_COLOR_NEAR(p.at(320 + 166, 240), 255, 255, 255, 0);
}

TEST_F(DeviceTest, UnlitDrawingUsesVertexColourOrWhite) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ColorVertex q[4];
  SquareColor(q, -3, 0, 1.5f, 0, 0xFF3366CC);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  // A layout without colour draws opaque white.
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
  LitVertex sq[4] = {{1.5f, 1.5f, 0, 0, 0, -1}, {4.5f, 1.5f, 0, 0, 0, -1},
                     {4.5f, -1.5f, 0, 0, 0, -1}, {1.5f, -1.5f, 0, 0, 0, -1}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, sq, sizeof(LitVertex));
  Pixels p = Grab(device);
  EXPECT_COLOR_NEAR(p.at(320 - 125, 240), 0x33, 0x66, 0xCC, 0);
  EXPECT_COLOR_NEAR(p.at(320 + 125, 240), 255, 255, 255, 0);
}

TEST_F(DeviceTest, TextureModulatesDiffuseAndNullTextureIsWhite) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  // 2 x 2 texture, one colour: (200, 100, 50), alpha 255.
  uint32_t texels[4] = {0xFFC86432, 0xFFC86432, 0xFFC86432, 0xFFC86432};
  IDirect3DTexture9* tex = CreateTextureFromPixels(device, texels, 2, 2, 1);
  ASSERT_NE(tex, nullptr);
  device->SetTexture(0, tex);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ColorVertex q[4];
  SquareColor(q, -3, 0, 1.5f, 0, 0x80FF8040);  // half alpha
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  device->SetTexture(0, nullptr);
  SquareColor(q, 3, 0, 1.5f, 0, 0xFF8040FF);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  tex->Release();
  Pixels p = Grab(device);
  SavePicture(p, "device_texture");
  // texture x diffuse = (200, 50.2, 12.5), blended at alpha 128/255 over black.
  float a = 128.0f / 255.0f;
  EXPECT_COLOR_NEAR(p.at(320 - 166, 240), (int)std::lround(200 * a), (int)std::lround(100 * 128 / 255.0f * a),
                    (int)std::lround(50 * 64 / 255.0f * a), 1);
  EXPECT_COLOR_NEAR(p.at(320 + 166, 240), 0x80, 0x40, 0xFF, 0);
}

// Black, cleared; unlit coloured vertices blended by their alpha, no depth.
void StartBlendedColours(IDirect3DDevice9* device) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
}

TEST_F(DeviceTest, AlphaBlendingFollowsDrawOrder) {
  SetCamera();
  StartBlendedColours(device);
  ColorVertex red[4], blue[4];
  SquareColor(red, -1, 0, 2, 0, 0x80FF0000);
  SquareColor(blue, 1, 0, 2, 0, 0x800000FF);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, red, sizeof(ColorVertex));
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, blue, sizeof(ColorVertex));
  // Additive: destination blend ONE.
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  ColorVertex green[4];
  SquareColor(green, 0, -4, 1, 0, 0x8000FF00);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, green, sizeof(ColorVertex));
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, green, sizeof(ColorVertex));
  Pixels p = Grab(device);
  SavePicture(p, "device_blending");
  float a = 128.0f / 255.0f;
  // Where they overlap blue went last: red*(1-a)*a... over black.
  int r = (int)std::lround(255 * a * (1 - a)), b = (int)std::lround(255 * a);
  EXPECT_COLOR_NEAR(p.at(320, 240), r, 0, b, 1);
  EXPECT_COLOR_NEAR(p.at(320, 240 + 4 * 41), 0, (int)std::lround(2 * 255 * a), 0, 1);
}

// A scene far bigger than the renderer is handed in one part: blended
// squares on either side of the big draws must still go in their order, in
// the first scene and in the next, which is cut by the first one's size.
TEST_F(DeviceTest, ABigSceneKeepsItsDrawingOrderWhenHandedOverInParts) {
  SetCamera();
  std::vector<ColorVertex> specks(90000, ColorVertex{50, 50, 0, 0x80FFFFFF, 0, 0});  // no area
  const float a = 128.0f / 255.0f;
  for (int scene = 0; scene < 2; ++scene) {
    device->BeginScene();
    StartBlendedColours(device);
    ColorVertex q[4];
    const D3DCOLOR colours[3] = {0xFFFF0000, 0x800000FF, 0x8000FF00};
    for (int i = 0; i < 3; ++i) {
      SquareColor(q, 0, 0, 2, 0, colours[i]);
      device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // a state change between
      device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, (UINT)specks.size() / 3, specks.data(),
                              sizeof(ColorVertex));
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    }
    device->EndScene();
    Pixels p = Grab(device);
    // Red, then blue over it, then green over both.
    SCOPED_TRACE(scene);
    EXPECT_COLOR_NEAR(p.at(320, 240), (int)std::lround(255 * (1 - a) * (1 - a)),
                      (int)std::lround(255 * a), (int)std::lround(255 * a * (1 - a)), 2);
  }
}

TEST_F(DeviceTest, CoplanarDrawsPassLessEqualAndDepthWritesCanBeOff) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ColorVertex q[4];
  SquareColor(q, -3, 0, 1.5f, 0, 0xFFFF0000);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  SquareColor(q, -3, 0, 1.5f, 0, 0xFF00FF00);  // same depth: still drawn
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  SquareColor(q, -3, 0, 1.5f, 1.0f, 0xFF0000FF);  // behind: hidden
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  // Without depth writes a near square does not hide a far one drawn later.
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  SquareColor(q, 3, 0, 1.5f, -1.0f, 0xFFFF0000);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  SquareColor(q, 3, 0, 1.0f, 0.5f, 0xFFFFFF00);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  Pixels p = Grab(device);
  SavePicture(p, "device_depth");
  EXPECT_EQ(p.at(320 - 125, 240), 0xFF00FF00u);
  EXPECT_EQ(p.at(439, 240), 0xFFFFFF00u);
}

TEST_F(DeviceTest, CullingFollowsClockwiseFrontFaces) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ColorVertex cw[3] = {{-4, 1, 0, 0xFFFF0000, 0, 0}, {-2, 1, 0, 0xFFFF0000, 0, 0},
                       {-3, -1, 0, 0xFFFF0000, 0, 0}};
  ColorVertex ccw[3] = {cw[0], cw[2], cw[1]};
  for (auto& v : ccw) v.x += 6;
  // Default: counter-clockwise triangles are culled.
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(ColorVertex));
  Pixels p = Grab(device);
  EXPECT_EQ(p.at(320 - 125, 250), 0xFFFF0000u);
  EXPECT_EQ(p.at(320 + 125, 250), 0xFF000000u);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(ColorVertex));
  p = Grab(device);
  EXPECT_EQ(p.at(320 - 125, 250), 0xFF000000u);
  EXPECT_EQ(p.at(320 + 125, 250), 0xFFFF0000u);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(ColorVertex));
  p = Grab(device);
  EXPECT_EQ(p.at(320 - 125, 250), 0xFFFF0000u);
}

TEST_F(DeviceTest, UpIsUpAndViewportClearCoversOnlyTheViewport) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF1E415A, 1.0f, 0);
  D3DVIEWPORT9 vp = {520, 390, 120, 90, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  D3DVIEWPORT9 back;
  device->GetViewport(&back);
  EXPECT_EQ(back.X, 520u);
  D3DVIEWPORT9 full = {0, 0, 640, 480, 0.0f, 1.0f};
  device->SetViewport(&full);
  // A triangle in the upper half of the world lands in the upper rows.
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ColorVertex up[3] = {{-1, 4, 0, 0xFFFF0000, 0, 0}, {1, 4, 0, 0xFFFF0000, 0, 0},
                       {0, 2, 0, 0xFFFF0000, 0, 0}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, up, sizeof(ColorVertex));
  Pixels p = Grab(device);
  SavePicture(p, "device_viewport");
  EXPECT_EQ(p.at(600, 450), 0xFFFFFFFFu);
  EXPECT_EQ(p.at(519, 450), 0xFF1E415Au);
  EXPECT_EQ(p.at(600, 389), 0xFF1E415Au);
  EXPECT_EQ(p.at(320, 240 - 3 * 41), 0xFFFF0000u);
  EXPECT_EQ(p.at(320, 240 + 3 * 41), 0xFF1E415Au);
}

TEST_F(DeviceTest, ADepthClearOfTheViewportResetsDepthThereOnlyInDrawingOrder) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  ColorVertex q[4];
  SquareColor(q, 0, 0, 20, -2.0f, 0xFFFF0000);  // near, over the whole view
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  D3DVIEWPORT9 inset = {520, 390, 120, 90, 0.0f, 1.0f};
  device->SetViewport(&inset);
  device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  D3DVIEWPORT9 full = {0, 0, 640, 480, 0.0f, 1.0f};
  device->SetViewport(&full);
  SquareColor(q, 0, 0, 20, 2.0f, 0xFF00FF00);  // far: shows where depth was cleared
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  Pixels p = Grab(device);
  EXPECT_EQ(p.at(520, 390), 0xFF00FF00u);
  EXPECT_EQ(p.at(639, 479), 0xFF00FF00u);
  EXPECT_EQ(p.at(519, 450), 0xFFFF0000u);
  EXPECT_EQ(p.at(600, 389), 0xFFFF0000u);
  EXPECT_EQ(p.at(100, 100), 0xFFFF0000u);
}

namespace {
void CountDraw(const RecordedDraw& draw, void* user) {
  auto* counts = static_cast<std::vector<int>*>(user);
  counts->push_back(draw.count);
}
}  // namespace

TEST_F(DeviceTest, UserMemoryDrawsUnderUnchangedStateGoOutAsOneDraw) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  std::vector<int> counts;
  RecordDraws(&CountDraw, &counts);
  ColorVertex line[2] = {{-4, 0, 0, 0xFFFFFFFF, 0, 0}, {4, 0, 0, 0xFFFFFFFF, 0, 0}};
  for (int i = 0; i < 10; ++i) {
    line[0].y = line[1].y = 0.5f * (float)i - 2.0f;
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(ColorVertex));
  }
  // A state that changes sends what came before; one set to its own value
  // changes nothing.
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  ColorVertex q[4];
  SquareColor(q, -3, 3, 0.5f, 0, 0xFF0000FF);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  SquareColor(q, 3, 3, 0.5f, 0, 0xFF0000FF);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  Pixels p = Grab(device);
  RecordDraws(nullptr, nullptr);
  // Ten lines; two fans as four triangles; the last fan after the change.
  EXPECT_EQ(counts, (std::vector<int>{20, 12, 6}));
  EXPECT_EQ(p.at(320, 240), 0xFFFFFFFFu);  // the line at y = 0
  EXPECT_EQ(p.at(320 - 125, 240 - 125), 0xFF0000FFu);
  EXPECT_EQ(p.at(320 + 125, 240 - 125), 0xFF0000FFu);
}

TEST_F(DeviceTest, WireframeAndLinesDrawEdgesOnly) {
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  ColorVertex q[4];
  SquareColor(q, -3, 0, 2, 0, 0xFFFFFF00);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, q, sizeof(ColorVertex));
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  struct LineVertex {
    float x, y, z;
    D3DCOLOR c;
  } strip[5] = {{1, 2, 0, 0xFF00FFFF}, {5, 2, 0, 0xFF00FFFF}, {5, -2, 0, 0xFF00FFFF},
                {1, -2, 0, 0xFF00FFFF}, {1, 2, 0, 0xFF00FFFF}};
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, strip, sizeof(LineVertex));
  LineVertex cross[2] = {{3, 2, 0, 0xFFFF00FF}, {3, -2, 0, 0xFFFF00FF}};
  device->DrawPrimitiveUP(D3DPT_LINELIST, 1, cross, sizeof(LineVertex));
  Pixels p = Grab(device);
  SavePicture(p, "device_wireframe_lines");
  EXPECT_EQ(p.at(320 - 125, 240 + 20), 0xFF000000u);  // inside the wire square: empty
  int yellow = 0, cyan = 0, magenta = 0;
  for (uint32_t c : p.argb) {
    yellow += c == 0xFFFFFF00u;
    cyan += c == 0xFF00FFFFu;
    magenta += c == 0xFFFF00FFu;
  }
  // Four edges of about 166 pixels each, one pixel wide.
  EXPECT_GT(yellow, 500);
  EXPECT_LT(yellow, 900);
  EXPECT_GT(cyan, 500);
  EXPECT_LT(cyan, 900);
  EXPECT_GT(magenta, 150);
  EXPECT_LT(magenta, 190);
}

TEST_F(DeviceTest, PixelCentresSitOnWholeCoordinatesAsInDirect3D9) {
  // World units are screen pixels here (x right, y down).
  D3DXMATRIX proj(1.0f / 320, 0, 0, 0, 0, -1.0f / 240, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1);
  device->SetTransform(D3DTS_PROJECTION, &proj);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  struct V {
    float x, y, z;
    D3DCOLOR c;
  };
  // A vertical line on x = 100 covers column 100, whose centre it passes.
  V line[2] = {{100, 10, 0.5f, 0xFFFFFFFF}, {100, 50, 0.5f, 0xFFFFFFFF}};
  device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(V));
  // A rectangle from x = 200.3 to 210.7 covers the centres 201 .. 210.
  V quad[4] = {{200.3f, 10, 0.5f, 0xFFFF0000}, {210.7f, 10, 0.5f, 0xFFFF0000},
               {210.7f, 50, 0.5f, 0xFFFF0000}, {200.3f, 50, 0.5f, 0xFFFF0000}};
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(V));
  Pixels p = Grab(device);
  EXPECT_EQ(p.at(100, 30), 0xFFFFFFFFu);
  EXPECT_EQ(p.at(99, 30), 0xFF000000u);
  EXPECT_EQ(p.at(101, 30), 0xFF000000u);
  EXPECT_EQ(p.at(200, 30), 0xFF000000u);
  EXPECT_EQ(p.at(201, 30), 0xFFFF0000u);
  EXPECT_EQ(p.at(210, 30), 0xFFFF0000u);
  EXPECT_EQ(p.at(211, 30), 0xFF000000u);
  // Rows alike: the top edge at y = 10 takes row 10, the bottom at 50 not row 50.
  EXPECT_EQ(p.at(205, 10), 0xFFFF0000u);
  EXPECT_EQ(p.at(205, 9), 0xFF000000u);
  EXPECT_EQ(p.at(205, 49), 0xFFFF0000u);
  EXPECT_EQ(p.at(205, 50), 0xFF000000u);
}

TEST_F(DeviceTest, StatesReadBackAndLostDeviceRecovers) {
  DWORD v = 0;
  device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, (DWORD)D3DCULL_CCW);
  device->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, (DWORD)TRUE);
  D3DXMATRIX m, back;
  D3DXMatrixTranslation(&m, 1, 2, 3);
  device->SetTransform(D3DTS_WORLD, &m);
  device->GetTransform(D3DTS_WORLD, &back);
  EXPECT_EQ(back, m);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  SimulateDeviceState(device, D3DERR_DEVICELOST);
  EXPECT_LT(device->Present(nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Reset(nullptr), D3DERR_DEVICELOST);
  SimulateDeviceState(device, D3DERR_DEVICENOTRESET);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 640;
  pp.BackBufferHeight = 480;
  EXPECT_EQ(device->Reset(&pp), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  device->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, (DWORD)TRUE);  // a reset puts every state back to its default
}

// A window-like present target: a GL framebuffer of its own, rows bottom-up
// as a window's are, half the device's size unless told otherwise.
class TargetContext : public GlContext {
 public:
  explicit TargetContext(GlContext* inner, int w = 320, int h = 240)
      : width(w), height(h), inner_(inner) {
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &rb);
    glBindRenderbuffer(GL_RENDERBUFFER, rb);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb);
  }
  ~TargetContext() override {
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &rb);
  }
  bool MakeCurrent() override { return inner_->MakeCurrent(); }
  bool BindPresentTarget(int* w, int* h) override {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    *w = width;
    *h = height;
    return true;
  }
  void Presented() override { ++presents; }
  int width, height;
  GLuint fbo = 0, rb = 0;
  int presents = 0;

 private:
  GlContext* inner_;
};

// A windowed 640 x 480 device with a depth buffer, made as the game makes
// its own; null when it cannot be made.
IDirect3DDevice9* WindowDevice(IDirect3D9* d3d, D3DFORMAT format) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 640;
  pp.BackBufferHeight = 480;
  pp.BackBufferFormat = format;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24X8;
  IDirect3DDevice9* device = nullptr;
  if (d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != D3D_OK)
    return nullptr;
  return device;
}

TEST(PresentTest, PresentCopiesThePictureUprightIntoTheWindowTarget) {
  IDirect3DDevice9* headless = CreateHeadlessDevice();  // makes the shared context current
  ASSERT_NE(headless, nullptr);
  headless->Release();
  std::string why;
  // Released after the target, whose framebuffer lives in it.
  std::unique_ptr<GlContext> base(CreateHeadlessGlContext(&why));
  ASSERT_NE(base, nullptr) << why;
  TargetContext target(base.get());
  SetGlContext(&target);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DDISPLAYMODE mode;
  ASSERT_EQ(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  IDirect3DDevice9* device = WindowDevice(d3d, mode.Format);
  ASSERT_NE(device, nullptr);
  // Top half red, bottom half blue.
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  D3DVIEWPORT9 top = {0, 0, 640, 240, 0, 1};
  device->SetViewport(&top);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  device->EndScene();
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(target.presents, 1);
  uint32_t bottomRow = 0, topRow = 0;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target.fbo);
  glReadPixels(10, 0, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &bottomRow);
  glReadPixels(10, 239, 1, 1, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &topRow);
  EXPECT_EQ(topRow | 0xFF000000u, 0xFFFF0000u);
  EXPECT_EQ(bottomRow | 0xFF000000u, 0xFF0000FFu);
  device->Release();
  d3d->Release();
  SetGlContext(nullptr);
  EXPECT_EQ(TakeGlErrors(), 0u);
}

// A window of the picture's own size gets every pixel as it is, rows turned
// over, and the present leaves nothing behind that changes the next frame.
TEST(PresentTest, PresentGivesAWindowOfThePicturesSizeEveryPixelUnchanged) {
  IDirect3DDevice9* headless = CreateHeadlessDevice();
  ASSERT_NE(headless, nullptr);
  headless->Release();
  std::string why;
  std::unique_ptr<GlContext> base(CreateHeadlessGlContext(&why));
  ASSERT_NE(base, nullptr) << why;
  TargetContext target(base.get(), 640, 480);
  SetGlContext(&target);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  IDirect3DDevice9* device = WindowDevice(d3d, D3DFMT_UNKNOWN);
  ASSERT_NE(device, nullptr);
  // Colours shaded across the picture, half-transparent over a clear, so
  // neighbouring pixels differ and a row or column out of place shows.
  auto drawFrame = [&] {
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    // Identity transforms: the corners are in clip space.
    const ColorVertex quad[4] = {{-0.9f, 0.8f, 0.5f, 0xC0FF0000, 0, 0},
                                 {0.95f, 0.9f, 0.5f, 0x8000FF00, 1, 0},
                                 {0.7f, -0.85f, 0.5f, 0xFF0000FF, 1, 1},
                                 {-0.8f, -0.95f, 0.5f, 0x40FFFFFF, 0, 1}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ColorVertex));
    device->EndScene();
  };
  drawFrame();
  Pixels picture = Grab(device);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(target.presents, 1);
  std::vector<uint32_t> shown(640 * 480);
  glFinish();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target.fbo);
  glReadPixels(0, 0, 640, 480, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, shown.data());
  int wrong = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      wrong += (shown[(size_t)(479 - y) * 640 + x] | 0xFF000000u) != picture.at(x, y);
  EXPECT_EQ(wrong, 0);
  drawFrame();
  Pixels again = Grab(device);
  EXPECT_TRUE(again.argb == picture.argb);
  device->Release();
  d3d->Release();
  SetGlContext(nullptr);
  EXPECT_EQ(TakeGlErrors(), 0u);
}

}  // namespace

namespace {

std::vector<uint32_t> LevelOf(GLuint tex, int level, int w, int h) {
  std::vector<uint32_t> out((size_t)w * h);
  glBindTexture(GL_TEXTURE_2D, tex);
  glGetTexImage(GL_TEXTURE_2D, level, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.data());
  return out;
}

}  // namespace

// The mip levels made for a texture are those the GL driver would make of the
// same picture, so textures look the same whoever makes them; narrow and
// wide sides and transparent texels included.
TEST_F(DeviceTest, MipLevelsMatchTheDriversOwn) {
  for (auto [w, h] : {std::pair<UINT, UINT>{64, 16}, {8, 32}, {1, 4}}) {
    std::vector<uint32_t> texels((size_t)w * h);
    uint32_t seed = 12345;
    for (uint32_t& t : texels) t = seed = seed * 1664525u + 1013904223u;
    IDirect3DTexture9* ours = CreateTextureFromPixels(device, texels.data(), w, h, 0);
    ASSERT_NE(ours, nullptr);
    GLuint theirs = 0;
    glGenTextures(1, &theirs);
    glBindTexture(GL_TEXTURE_2D, theirs);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, (GLsizei)w, (GLsizei)h, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, texels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    ASSERT_GT(ours->GetLevelCount(), 1u);
    for (UINT level = 1; level < ours->GetLevelCount(); ++level) {
      const int lw = std::max<int>(1, (int)(w >> level)), lh = std::max<int>(1, (int)(h >> level));
      EXPECT_EQ(LevelOf(ours->impl()->tex, (int)level, lw, lh), LevelOf(theirs, (int)level, lw, lh))
          << w << " x " << h << " level " << level;
    }
    glDeleteTextures(1, &theirs);
    ours->Release();
  }
}

// A texture of one colour holds that colour in every texel, transparent or
// not, and knows whether it is opaque.
TEST_F(DeviceTest, FilledTextureHoldsItsColourEverywhere) {
  for (uint32_t colour : {0x00FFFFFFu, 0xFF336699u}) {
    IDirect3DTexture9* tex = CreateFilledTexture(device, 64, 32, colour);
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->GetLevelCount(), 1u);
    EXPECT_EQ(tex->impl()->opaque, colour >> 24 == 0xFF);
    EXPECT_EQ(LevelOf(tex->impl()->tex, 0, 64, 32), std::vector<uint32_t>(64 * 32, colour));
    tex->Release();
  }
}
