// The generated art through our graphics layer: every model loads with its
// materials, textures and box, draws lit in the pose its item uses, and the
// sprite atlas draws with its colour key. Leaves contact sheets of what it
// drew in the build folder.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/d3dx9.h"
#include "tests/gfx_test_util.h"
#include "tools/art.h"
#include "tools/art_image.h"

namespace {

struct Model {
  ID3DXMesh* mesh = nullptr;
  DWORD count = 0;
  std::vector<D3DMATERIAL9> materials;
  std::vector<IDirect3DTexture9*> textures;
  int texturesNamed = 0, texturesMissing = 0;
  void Release() {
    for (auto* t : textures)
      if (t) t->Release();
    textures.clear();
    if (mesh) mesh->Release();
    mesh = nullptr;
  }
};

// Loads a model the way the game does: materials with ambient = diffuse and
// one texture per material, named relative to the current folder.
Model LoadModel(IDirect3DDevice9* device, const std::string& file) {
  Model m;
  ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
  std::string path = "data\\" + file;
  if (D3DXLoadMeshFromXA(path.c_str(), 0x220, device, &adjacency, &materials, nullptr, &m.count, &m.mesh) < 0)
    return m;
  if (adjacency) adjacency->Release();
  auto* entries = (D3DXMATERIAL*)materials->GetBufferPointer();
  for (DWORD i = 0; i < m.count; ++i) {
    D3DMATERIAL9 mat = entries[i].MatD3D;
    mat.Ambient = mat.Diffuse;
    m.materials.push_back(mat);
    IDirect3DTexture9* tex = nullptr;
    if (entries[i].pTextureFilename) {
      ++m.texturesNamed;
      if (D3DXCreateTextureFromFileA(device, entries[i].pTextureFilename, &tex) < 0) ++m.texturesMissing;
    }
    m.textures.push_back(tex);
  }
  materials->Release();
  return m;
}

D3DXMATRIX Scale(float x, float y, float z) {
  D3DXMATRIX m;
  return *D3DXMatrixScaling(&m, x, y, z);
}
D3DXMATRIX Move(float x, float y, float z) {
  D3DXMATRIX m;
  return *D3DXMatrixTranslation(&m, x, y, z);
}
D3DXMATRIX TurnX(float a) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationX(&m, a);
}
D3DXMATRIX TurnY(float a) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationY(&m, a);
}
D3DXMATRIX TurnZ(float a) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationZ(&m, a);
}

class ArtThroughGraphicsLayer : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    if (!device) return;
    // The game's device defaults and its scene light.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    D3DLIGHT9 light;
    std::memset(&light, 0, sizeof light);
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Specular = {1, 1, 1, 0};
    light.Direction = {-0.6f, -1.0f, 0.8f};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    for (const auto& info : art::ModelInfos()) models[info.file] = LoadModel(device, info.file);
  }
  void TearDown() override {
    for (auto& m : models) m.second.Release();
    DeviceFixture::TearDown();
  }
  void Draw(const char* file, const D3DXMATRIX& world) {
    Model& m = models[file];
    device->SetTransform(D3DTS_WORLD, &world);
    for (DWORD i = 0; i < m.count; ++i) {
      device->SetMaterial(&m.materials[i]);
      device->SetTexture(0, m.textures[i]);
      m.mesh->DrawSubset(i);
    }
  }
  // Joints are drawn in one emissive colour over their own texture.
  void DrawEmissive(const char* file, const D3DXMATRIX& world, float r, float g, float b) {
    Model& m = models[file];
    D3DMATERIAL9 mat;
    std::memset(&mat, 0, sizeof mat);
    mat.Diffuse.a = 1;
    mat.Emissive = {r, g, b, 0};
    device->SetMaterial(&mat);
    device->SetTransform(D3DTS_WORLD, &world);
    for (DWORD i = 0; i < m.count; ++i) {
      device->SetTexture(0, m.textures[i]);
      m.mesh->DrawSubset(i);
    }
  }
  std::map<std::string, Model> models;
};

TEST_F(ArtThroughGraphicsLayer, EveryModelLoadsWithItsMaterialsTexturesAndBox) {
  for (const auto& info : art::ModelInfos()) {
    SCOPED_TRACE(info.file);
    Model& m = models[info.file];
    ASSERT_NE(m.mesh, nullptr);
    EXPECT_GE(m.count, 1u);
    EXPECT_EQ(m.texturesMissing, 0);
    void* data = nullptr;
    ASSERT_GE(m.mesh->LockVertexBuffer(0, &data), 0);
    D3DXVECTOR3 lo, hi;
    D3DXComputeBoundingBox((const D3DXVECTOR3*)data, m.mesh->GetNumVertices(), m.mesh->GetNumBytesPerVertex(), &lo,
                           &hi);
    m.mesh->UnlockVertexBuffer();
    const float l[3] = {lo.x, lo.y, lo.z}, h[3] = {hi.x, hi.y, hi.z};
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(l[k], info.min[k], info.tolerance) << "axis " << k;
      EXPECT_NEAR(h[k], info.max[k], info.tolerance) << "axis " << k;
    }
  }
  // The models that name textures: the sky and the two joints.
  EXPECT_EQ(models["Sky.x"].texturesNamed, 1);
  EXPECT_EQ(models["Joint.x"].texturesNamed, 1);
  EXPECT_EQ(models["FixJoint.x"].texturesNamed, 1);
}

TEST_F(ArtThroughGraphicsLayer, EveryModelDrawsLitInItsItemsPose) {
  const float kHalfTurn = D3DX_PI;
  const D3DXMATRIX upright = TurnX(kHalfTurn / 2);  // the capsule kinds' upright turn
  struct Pose {
    std::string name;
    float radius;  // of the view around the origin
    std::function<void()> draw;
  };
  std::vector<Pose> poses = {
      {"Bell (swing 10 deg)", 6, [&] { Draw("Bell.x", Scale(2.5f, 2.5f, 2.5f) * upright * TurnZ(0.17f) * Move(0, 2.5f, 0)); }},
      {"StartBall", 3, [&] { Draw("StartBall.x", Scale(2.5f, 2.5f, 2.5f)); }},
      {"Fan", 4.5f, [&] {
         Draw("FanCase.x", Scale(3.75f, 3.75f, 3.75f) * upright);
         Draw("FanBody.x", Scale(3.75f, 3.75f, 3.75f) * TurnX(0.5f) * upright);
       }},
      {"Truck", 11, [&] {
         Draw("Car.x", Scale(4, 4, 3));
         Draw("Tire.x", Scale(4, 4, 2) * Move(5, -4, 0));
         Draw("Tire.x", Scale(4, 4, 2) * TurnZ(1) * Move(-5, -4, 0));
       }},
      {"Tire", 4.5f, [&] { Draw("Tire.x", Scale(4, 4, 2) * TurnY(-0.5f)); }},
      {"Rocket", 7, [&] { Draw("Rocket.x", Scale(3, 3, 3)); }},
      {"Toy box, seen from above", 17, [&] { Draw("Box.x", Scale(10, 10, 1.5f) * TurnX(-0.45f)); }},
      {"Doll", 9, [&] {
         const struct {
           const char* file;
           float x, y;
         } parts[] = {{"D-Body.x", 0, 0},       {"D-Head.x", 0, 3},       {"D-Arm.x", -1.5f, 0.5f},
                      {"D-Arm.x", 1.5f, 0.5f},  {"D-Arm2.x", -1.5f, -2.5f}, {"D-Arm2.x", 1.5f, -2.5f},
                      {"D-Waist.x", 0, -3},     {"D-Leg.x", -1, -6.5f},   {"D-Leg.x", 1, -6.5f},
                      {"D-Hat.x", 0, 5}};
         for (const auto& p : parts) Draw(p.file, Move(p.x, p.y + 1, 0));
       }},
      {"Gears: left, right motor", 4.2f, [&] {
         Draw("Gear.x", Scale(1.4f, 1.4f, 1) * Move(-1.6f, 0, 0));
         Draw("Gear.x", Scale(1.4f, 1.4f, 1) * TurnY(kHalfTurn) * Move(1.6f, 0, 0));
       }},
      {"Joints: rotary, fixed (strained)", 3.0f, [&] {
         DrawEmissive("Joint.x", Move(-1, 0, 0), 1, 1, 1);
         DrawEmissive("FixJoint.x", Move(1, 0, 0), 1, 0.5f, 0.5f);
       }},
      {"Capsule (bar end caps)", 1.5f, [&] { Draw("Capsule.x", TurnY(-0.6f) * TurnX(0.4f)); }},
      {"Hand, Granade, GranadeNude, Uzi", 2.6f, [&] {
         Draw("Hand.x", Move(-1.5f, 0.8f, 0));
         Draw("Granade.x", Move(0.8f, 0.8f, 0));
         Draw("GranadeNude.x", Move(-1.2f, -1, 0));
         Draw("Uzi.x", Move(0.9f, -1, 0));
       }},
  };
  const int tile = 240, cols = 4;
  int rows = (int)(poses.size() + cols - 1) / cols + 1;
  art::Canvas sheet(cols * tile, rows * (tile + 20));
  sheet.Clear(art::Hex(0x3A3A44));
  const uint32_t background = 0xFF6E7F96;
  for (size_t i = 0; i < poses.size(); ++i) {
    SCOPED_TRACE(poses[i].name);
    float d = poses[i].radius * 2.2f;
    D3DXMATRIX view, proj;
    D3DXVECTOR3 eye(0, 0, -d), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, d * 0.2f, d * 3);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
    device->BeginScene();
    poses[i].draw();
    device->EndScene();
    Pixels p = Grab(device);
    // Something was drawn, lit: many pixels in several shades.
    int drawn = 0;
    std::set<uint32_t> shades;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        if (p.at(x, y) != background) {
          ++drawn;
          shades.insert(p.at(x, y));
        }
    EXPECT_GT(drawn, p.width * p.height / 40);
    EXPECT_GT(shades.size(), 5u);
    // The middle 480 x 480 of the picture, halved, into the sheet.
    int tx = (int)(i % cols) * tile, ty = (int)(i / cols) * (tile + 20);
    for (int y = 0; y < tile; ++y)
      for (int x = 0; x < tile; ++x) {
        uint32_t c = p.at(80 + 2 * x, 2 * y);
        sheet.Blend(tx + x, ty + y, art::Rgba{art::Hex(c & 0xFFFFFF).r, art::Hex(c & 0xFFFFFF).g,
                                              art::Hex(c & 0xFFFFFF).b, 1}, 1);
      }
    art::Mask label = art::RenderText(std::u32string(poses[i].name.begin(), poses[i].name.end()), {12, 0});
    art::FillMask(sheet, label, tx + 4, ty + tile + 4, art::Solid(art::Hex(0xFFFFFF)));
  }
  // The sky, from inside, unlit, as the editor's background.
  {
    D3DXMATRIX view, proj;
    D3DXVECTOR3 eye(400, 10, -50), at(400, 10, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 10, 5000);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF1E415A, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    Draw("Sky.x", Scale(1000, 1000, 1000) * Move(400, 0, 0));
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->EndScene();
    Pixels p = Grab(device);
    int clear = 0;
    for (int y = 0; y < p.height; y += 8)
      for (int x = 0; x < p.width; x += 8) clear += p.at(x, y) == 0xFF1E415A;
    EXPECT_EQ(clear, 0) << "the sky dome covers the whole view";
    // Blue above, lighter toward the horizon.
    EXPECT_GT(Blue(p.at(320, 5)), Red(p.at(320, 5)) + 40);
    int ty = (rows - 1) * (tile + 20);
    for (int y = 0; y < tile; ++y)
      for (int x = 0; x < 2 * tile; ++x) {
        uint32_t c = p.at(x * 640 / (2 * tile), y * 480 / tile);
        art::Rgba col = art::Hex(c & 0xFFFFFF);
        sheet.Blend(x, ty + y, col, 1);
      }
    art::FillMask(sheet, art::RenderText(U"Sky from the editor's camera", {12, 0}), 4, ty + tile + 4,
                  art::Solid(art::Hex(0xFFFFFF)));
  }
  EXPECT_TRUE(art::WritePng(std::string(ART_SHEET_DIR) + "/art_sheet_models_gfx.png", art::ToImage(sheet, 3)));
}

TEST_F(ArtThroughGraphicsLayer, AtlasPicturesDrawWithTheColourKeyAndTheirTints) {
  IDirect3DTexture9* atlas = nullptr;
  ASSERT_GE(D3DXCreateTextureFromFileExA(device, "data\\Sprite.bmp", 512, 512, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                         D3DX_FILTER_NONE, D3DX_DEFAULT, 0xFFFF00FF, nullptr, nullptr, &atlas),
            0);
  ID3DXSprite* sprite = nullptr;
  ASSERT_GE(D3DXCreateSprite(device, &sprite), 0);
  const uint32_t background = 0xFF808080;
  // Two passes: every picture untinted, then as the game tints it.
  for (int pass = 0; pass < 2; ++pass) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
    device->BeginScene();
    sprite->Begin(D3DXSPRITE_ALPHABLEND);
    int x = 4, y = 4, rowH = 0;
    std::vector<RECT> placed;
    for (const auto& r : art::AtlasRects()) {
      int w = r.right - r.left, h = r.bottom - r.top;
      if (std::string(r.name) == "item-bar slot frame") w = 108;  // what the screen shows
      if (x + w > 636) {
        x = 4;
        y += rowH + 4;
        rowH = 0;
      }
      RECT src = {r.left, r.top, r.left + w, r.bottom};
      D3DXMATRIX at = Move((float)x, (float)y, 0);
      sprite->SetTransform(&at);
      uint32_t tint = (pass == 1 && r.tint) ? r.tint : 0xFFFFFFFF;
      sprite->Draw(atlas, &src, nullptr, nullptr, tint);
      placed.push_back({x, y, x + w, y + h});
      x += w + 4;
      rowH = std::max(rowH, h);
    }
    sprite->End();
    device->EndScene();
    Pixels p = Grab(device);
    SavePicture(p, pass == 0 ? "art_atlas_untinted" : "art_atlas_tinted");
    // The colour key never shows.
    int magenta = 0;
    for (int yy = 0; yy < p.height; ++yy)
      for (int xx = 0; xx < p.width; ++xx) {
        uint32_t c = p.at(xx, yy);
        magenta += Red(c) > 200 && Green(c) < 60 && Blue(c) > 200;
      }
    EXPECT_EQ(magenta, 0) << "pass " << pass;
    // Every picture changed the ground under it.
    for (size_t i = 0; i < placed.size(); ++i) {
      int changed = 0;
      for (int yy = placed[i].top; yy < placed[i].bottom && yy < p.height; ++yy)
        for (int xx = placed[i].left; xx < placed[i].right; ++xx) changed += p.at(xx, yy) != background;
      EXPECT_GT(changed, 20) << art::AtlasRects()[i].name << " pass " << pass;
    }
  }
  sprite->Release();
  atlas->Release();
}

}  // namespace
