// Helpers of the scene-drawing tests: a headless device installed as the
// game's device, a data folder of small models and images written by the
// test itself, and the game's camera looking along +z.
#pragma once
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include "app/fonts_textures.h"
#include "app/shell_globals.h"
#include "platform/d3dx9.h"
#include "render/meshes.h"
#include "tests/gfx_test_util.h"
#include "world/globals.h"

namespace rts {

inline void WriteBytes(const std::string& path, const void* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  fwrite(data, 1, size, f);
  fclose(f);
}
inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, text.data(), text.size());
}

// A 24-bit bottom-up BMP of w x h pixels given top row first (0xAARRGGBB).
inline std::vector<uint8_t> MakeBmp(int w, int h, const std::vector<uint32_t>& px) {
  size_t rowSize = ((size_t)(w * 24 + 31) / 32) * 4;
  std::vector<uint8_t> b(54 + rowSize * h, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, (uint32_t)b.size());
  put32(10, 54);
  put32(14, 40);
  put32(18, (uint32_t)w);
  put32(22, (uint32_t)h);
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t c = px[(size_t)y * w + x];
      uint8_t* p = &b[54 + rowSize * (h - 1 - y) + x * 3];
      p[0] = (uint8_t)c;
      p[1] = (uint8_t)(c >> 8);
      p[2] = (uint8_t)(c >> 16);
    }
  return b;
}

inline void WriteBmp(const std::string& path, int w, int h, const std::vector<uint32_t>& px) {
  std::vector<uint8_t> b = MakeBmp(w, h, px);
  WriteBytes(path, b.data(), b.size());
}
inline void WriteSolidBmp(const std::string& path, int w, int h, uint32_t argb) {
  WriteBmp(path, w, h, std::vector<uint32_t>((size_t)w * h, argb));
}

// A baseline JPEG of one colour at the best quality.
inline void WriteSolidJpeg(const std::string& path, int w, int h, uint32_t rgb) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = (JDIMENSION)w;
  info.image_height = (JDIMENSION)h;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row((size_t)w * 3);
  for (int x = 0; x < w; ++x) {
    row[x * 3] = (uint8_t)(rgb >> 16);
    row[x * 3 + 1] = (uint8_t)(rgb >> 8);
    row[x * 3 + 2] = (uint8_t)rgb;
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  fclose(f);
}

inline void WriteSolidPng(const std::string& path, int w, int h, uint32_t argb) {
  std::vector<uint32_t> px((size_t)w * h, argb);
  ASSERT_TRUE(WritePngFile(path.c_str(), px.data(), w, h)) << path;
}

// ---- .x models ----

struct XMaterial {
  float r, g, b, a;     // diffuse
  float er, eg, eb;     // emissive
  std::string texture;  // as the model names it, e.g. "data\\Checker.bmp"; "" none
};
struct XTriangle {
  D3DXVECTOR3 p[3];
  int material;
};

// Turns a triangle to be clockwise seen from outside (away from `inside`),
// as the models' front faces are.
inline void OrientOutward(XTriangle* t, D3DXVECTOR3 inside) {
  D3DXVECTOR3 n, ab = t->p[1] - t->p[0], ac = t->p[2] - t->p[0];
  D3DXVec3Cross(&n, &ab, &ac);
  D3DXVECTOR3 out = (t->p[0] + t->p[1] + t->p[2]) / 3.0f - inside;
  if (D3DXVec3Dot(&n, &out) < 0) std::swap(t->p[1], t->p[2]);
}

// Triangles of a box from lo to hi, front faces outward.
inline void AddBox(std::vector<XTriangle>* tris, D3DXVECTOR3 lo, D3DXVECTOR3 hi, int material) {
  D3DXVECTOR3 c[8];
  for (int i = 0; i < 8; ++i)
    c[i] = D3DXVECTOR3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
  static const int quads[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
  D3DXVECTOR3 centre = (lo + hi) / 2.0f;
  for (const auto& q : quads) {
    XTriangle t1 = {{c[q[0]], c[q[1]], c[q[2]]}, material};
    XTriangle t2 = {{c[q[0]], c[q[2]], c[q[3]]}, material};
    OrientOutward(&t1, centre);
    OrientOutward(&t2, centre);
    tris->push_back(t1);
    tris->push_back(t2);
  }
}

// The bar end cap: a half-disc of radius 1 bulging toward +y from y = 0,
// extruded over z -1..1.
inline std::vector<XTriangle> CapTriangles(int segments = 16) {
  std::vector<XTriangle> t;
  for (int i = 0; i < segments; ++i) {
    float a0 = D3DX_PI * i / segments, a1 = D3DX_PI * (i + 1) / segments;
    D3DXVECTOR3 p0(cosf(a0), sinf(a0), 0), p1(cosf(a1), sinf(a1), 0);
    for (float z : {-1.0f, 1.0f})
      t.push_back({{D3DXVECTOR3(0, 0, z), D3DXVECTOR3(p0.x, p0.y, z), D3DXVECTOR3(p1.x, p1.y, z)},
                   0});
    D3DXVECTOR3 a(p0.x, p0.y, -1), b(p1.x, p1.y, -1), c(p1.x, p1.y, 1), d(p0.x, p0.y, 1);
    t.push_back({{a, b, c}, 0});
    t.push_back({{a, c, d}, 0});
  }
  t.push_back({{D3DXVECTOR3(-1, 0, -1), D3DXVECTOR3(1, 0, -1), D3DXVECTOR3(1, 0, 1)}, 0});
  t.push_back({{D3DXVECTOR3(-1, 0, -1), D3DXVECTOR3(1, 0, 1), D3DXVECTOR3(-1, 0, 1)}, 0});
  return t;
}

// A point inside the bar cap.
const D3DXVECTOR3 kCapInside(0, 0.4f, 0);

// A text .x model: each face gets a flat normal (and with `inside` is first
// turned outward from that point); texture coordinates are planar over x, y.
inline std::string XModelText(const std::vector<XTriangle>& tris,
                              const std::vector<XMaterial>& materials,
                              const D3DXVECTOR3* inside = nullptr) {
  std::string s = "xof 0303txt 0032\nMesh Model {\n";
  char line[256];
  std::vector<D3DXVECTOR3> pos, nrm;
  for (const XTriangle& t : tris) {
    XTriangle o = t;
    if (inside) OrientOutward(&o, *inside);
    D3DXVECTOR3 a = o.p[0], b = o.p[1], c = o.p[2];
    D3DXVECTOR3 n, ab = b - a, ac = c - a;
    D3DXVec3Cross(&n, &ab, &ac);
    D3DXVec3Normalize(&n, &n);
    pos.insert(pos.end(), {a, b, c});
    nrm.push_back(n);
  }
  snprintf(line, sizeof line, "%zu;\n", pos.size());
  s += line;
  for (size_t i = 0; i < pos.size(); ++i) {
    snprintf(line, sizeof line, "%f;%f;%f;%s\n", pos[i].x, pos[i].y, pos[i].z,
             i + 1 == pos.size() ? ";" : ",");
    s += line;
  }
  snprintf(line, sizeof line, "%zu;\n", tris.size());
  s += line;
  for (size_t f = 0; f < tris.size(); ++f) {
    snprintf(line, sizeof line, "3;%zu,%zu,%zu;%s\n", 3 * f, 3 * f + 1, 3 * f + 2,
             f + 1 == tris.size() ? ";" : ",");
    s += line;
  }
  if (!materials.empty()) {
    snprintf(line, sizeof line, "MeshMaterialList {\n%zu;\n%zu;\n", materials.size(), tris.size());
    s += line;
    for (size_t f = 0; f < tris.size(); ++f) {
      snprintf(line, sizeof line, "%d%s\n", tris[f].material, f + 1 == tris.size() ? ";;" : ",");
      s += line;
    }
    for (const XMaterial& m : materials) {
      snprintf(line, sizeof line,
               "Material {\n%f;%f;%f;%f;;\n0.0;\n0.0;0.0;0.0;;\n%f;%f;%f;;\n", m.r, m.g, m.b,
               m.a, m.er, m.eg, m.eb);
      s += line;
      if (!m.texture.empty()) {
        std::string escaped;
        for (char ch : m.texture) escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
        s += "TextureFilename {\n\"" + escaped + "\";\n}\n";
      }
      s += "}\n";
    }
    s += "}\n";
  }
  snprintf(line, sizeof line, "MeshNormals {\n%zu;\n", nrm.size());
  s += line;
  for (size_t i = 0; i < nrm.size(); ++i) {
    snprintf(line, sizeof line, "%f;%f;%f;%s\n", nrm[i].x, nrm[i].y, nrm[i].z,
             i + 1 == nrm.size() ? ";" : ",");
    s += line;
  }
  snprintf(line, sizeof line, "%zu;\n", tris.size());
  s += line;
  for (size_t f = 0; f < tris.size(); ++f) {
    snprintf(line, sizeof line, "3;%zu,%zu,%zu;%s\n", f, f, f, f + 1 == tris.size() ? ";" : ",");
    s += line;
  }
  s += "}\n";
  snprintf(line, sizeof line, "MeshTextureCoords {\n%zu;\n", pos.size());
  s += line;
  for (size_t i = 0; i < pos.size(); ++i) {
    snprintf(line, sizeof line, "%f;%f;%s\n", 0.5f + pos[i].x * 0.5f, 0.5f - pos[i].y * 0.5f,
             i + 1 == pos.size() ? ";" : ",");
    s += line;
  }
  s += "}\n}\n";
  return s;
}

inline std::string BoxModel(D3DXVECTOR3 lo, D3DXVECTOR3 hi, const std::vector<XMaterial>& mats) {
  std::vector<XTriangle> t;
  AddBox(&t, lo, hi, 0);
  return XModelText(t, mats);
}

// A plain lit material of a colour, glowing at 0.4 of it, with a texture name.
inline XMaterial Paint(float r, float g, float b, const std::string& texture = "") {
  return {r, g, b, 1.0f, 0.4f * r, 0.4f * g, 0.4f * b, texture};
}

// ---- The fixture ----

class RenderFixture : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    if (!device) return;
    g_device = device;
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    oldDir = here;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = CaseFilesDir(std::string("render_") + info->test_suite_name() + "_" + info->name());
    ASSERT_EQ(system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/data'").c_str()), 0);
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override {
    ReleaseFonts();
    ReleaseTextures();
    ReleaseModels();
    ReleasePrimitiveMeshes();
    g_device = nullptr;
    if (!oldDir.empty()) {
      EXPECT_EQ(chdir(oldDir.c_str()), 0);
      EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    DeviceFixture::TearDown();
  }

  // Every file of the data folder, as small stand-ins: the nine images with
  // their sizes, the 23 models as boxes shaped and coloured for their roles
  // (the first material of each textured with a checker), and the bar cap.
  void WriteDataFolder() {
    std::vector<uint32_t> checker(16 * 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        checker[y * 16 + x] = ((x / 4 + y / 4) & 1) ? 0xFFFFFFFF : 0xFFB0B0B0;
    WriteBmp("data/Checker.bmp", 16, 16, checker);

    WriteSolidBmp("data/Ground.bmp", 512, 512, 0xFF408040);
    WriteSolidBmp("data/OB.bmp", 256, 256, 0xFF404040);
    std::vector<uint32_t> atlas(512 * 512, 0xFFFF00FF);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) atlas[y * 512 + x] = 0xFFFFFFFF;
    WriteBmp("data/Sprite.bmp", 512, 512, atlas);
    WriteSolidPng("data/Smoke.png", 256, 256, 0x80FFFFFF);
    WriteSolidBmp("data/Flash.bmp", 64, 64, 0xFFFFFF00);
    WriteSolidBmp("data/Jet.bmp", 128, 128, 0xFF2080FF);
    WriteSolidBmp("data/1Black.bmp", 1, 1, 0xFFFFFFFF);
    // Stage items magenta, player items white: the two are told apart in pixels.
    WriteSolidJpeg("data/Text.jpg", 64, 64, 0xFFFFFF);
    WriteSolidPng("data/Text10.png", 64, 64, 0xFFFF00FF);

    const std::string tex = "data\\Checker.bmp";
    auto box = [&](const char* name, D3DXVECTOR3 lo, D3DXVECTOR3 hi, float r, float g, float b) {
      WriteText(std::string("data/") + name, BoxModel(lo, hi, {Paint(r, g, b, tex)}));
    };
    D3DXVECTOR3 u(-1, -1, -1), U(1, 1, 1);
    box("Sky.x", u, U, 0.4f, 0.6f, 1.0f);
    box("FanBody.x", D3DXVECTOR3(-0.15f, -0.9f, -0.9f), D3DXVECTOR3(0.15f, 0.9f, -0.7f), 0.9f,
        0.9f, 0.2f);
    box("FanCase.x", D3DXVECTOR3(-1, -1, -0.6f), D3DXVECTOR3(1, 1, 0.6f), 0.3f, 0.5f, 0.9f);
    box("Hand.x", u, U, 1, 0.8f, 0.6f);
    box("Granade.x", u, U, 0.2f, 0.5f, 0.2f);
    box("GranadeNude.x", u, U, 0.2f, 0.5f, 0.2f);
    box("Uzi.x", u, U, 0.3f, 0.3f, 0.3f);
    box("Joint.x", D3DXVECTOR3(-1, -1, -3), D3DXVECTOR3(1, 1, -2.2f), 1, 0.9f, 0.2f);
    box("FixJoint.x", D3DXVECTOR3(-1, -1, -3), D3DXVECTOR3(1, 1, -2.2f), 1, 0.4f, 0.2f);
    box("Bell.x", D3DXVECTOR3(-0.7f, -1.8f, -0.7f), D3DXVECTOR3(0.7f, 0, 0.7f), 1, 0.8f, 0.1f);
    box("StartBall.x", D3DXVECTOR3(-0.8f, -0.8f, -0.8f), D3DXVECTOR3(0.8f, 0.8f, 0.8f), 1, 0.3f,
        0.3f);
    // Through the item, so the gear shows in front when mirrored too.
    box("Gear.x", D3DXVECTOR3(-1, -1, -2.6f), D3DXVECTOR3(1, 1, 2.6f), 0.9f, 0.9f, 0.9f);
    box("Tire.x", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1), 0.2f, 0.2f, 0.2f);
    box("Car.x", D3DXVECTOR3(-2, -1, -0.67f), D3DXVECTOR3(2, 1, 0.67f), 0.9f, 0.2f, 0.2f);
    box("Rocket.x", D3DXVECTOR3(-0.5f, -2, -0.5f), D3DXVECTOR3(0.5f, 1.5f, 0.5f), 0.9f, 0.9f,
        0.9f);
    box("Box.x", D3DXVECTOR3(-1, -0.5f, -1), D3DXVECTOR3(1, 0.5f, 1), 0.8f, 0.6f, 0.3f);
    box("D-Head.x", D3DXVECTOR3(-1.2f, -1.2f, -1.2f), D3DXVECTOR3(1.2f, 1.2f, 1.2f), 1, 0.85f,
        0.7f);
    box("D-Body.x", D3DXVECTOR3(-1.5f, -2, -1), D3DXVECTOR3(1.5f, 2, 1), 0.9f, 0.3f, 0.5f);
    box("D-Arm.x", D3DXVECTOR3(-0.5f, -1.5f, -0.5f), D3DXVECTOR3(0.5f, 1.5f, 0.5f), 0.9f, 0.3f,
        0.5f);
    box("D-Arm2.x", D3DXVECTOR3(-0.5f, -1.5f, -0.5f), D3DXVECTOR3(0.5f, 1.5f, 0.5f), 1, 0.85f,
        0.7f);
    box("D-Waist.x", D3DXVECTOR3(-1.5f, -1, -1), D3DXVECTOR3(1.5f, 1, 1), 0.3f, 0.3f, 0.8f);
    box("D-Leg.x", D3DXVECTOR3(-0.75f, -3, -0.75f), D3DXVECTOR3(0.75f, 3, 0.75f), 0.3f, 0.3f,
        0.8f);
    box("D-Hat.x", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1), 0.9f, 0.2f, 0.2f);
    WriteText("data/Capsule.x", XModelText(CapTriangles(), {Paint(1, 1, 1)}, &kCapInside));
  }

  // Loads what WriteDataFolder wrote, the way start-up does.
  void LoadDataFolder() {
    ASSERT_EQ(LoadTextureFiles(0, kTexturesBeforeModels), 0);
    ASSERT_EQ(LoadModels(), 0);
    ASSERT_EQ(LoadTextureFiles(kTexturesBeforeModels, kTextureCount - kTexturesBeforeModels), 0);
    ASSERT_EQ(CreatePrimitiveMeshes(), 0);
  }

  // The game's camera at eye, looking along +z (60 degrees, 4:3, near 10,
  // far 5000), and the defaults every scene drawing starts from.
  void SetGameCamera(D3DXVECTOR3 eye) {
    g_cameraPos = eye;
    D3DXVECTOR3 at = eye + D3DXVECTOR3(0, 0, 1), up(0, 1, 0);
    D3DXMATRIX view, proj;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3.0f, 10.0f, 5000.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    SetDefaultRenderStates();
    SetupLights();
  }

  void ClearScreen(D3DCOLOR colour = 0xFF000000) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
  }

  std::string oldDir, dir;
};

// Pixels that differ from `background`.
inline int CountChanged(const Pixels& p, uint32_t background = 0xFF000000) {
  int n = 0;
  for (uint32_t c : p.argb)
    if ((c | 0xFF000000) != (background | 0xFF000000)) ++n;
  return n;
}

// Where a world point lands on the 640 x 480 back buffer with the device's
// current view and projection.
inline POINT ScreenOf(IDirect3DDevice9* d, D3DXVECTOR3 p) {
  D3DXMATRIX view, proj;
  d->GetTransform(D3DTS_VIEW, &view);
  d->GetTransform(D3DTS_PROJECTION, &proj);
  D3DXMATRIX vp = view * proj;
  D3DXVECTOR3 ndc;
  D3DXVec3TransformCoord(&ndc, &p, &vp);
  return {(LONG)std::lround((ndc.x + 1) * 320.0f - 0.5f), (LONG)std::lround((1 - ndc.y) * 240.0f - 0.5f)};
}

inline bool SameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = 1e-4f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (std::fabs(a(r, c) - b(r, c)) > tol) return false;
  return true;
}

}  // namespace rts
