// The generated art: data/ is exactly what the generator writes, every model
// loads with the box its item needs, and every sprite-atlas rectangle holds a
// picture bordered by the colour key.
#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/art.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::set<std::string> ListFolder(const std::string& dir) {
  std::set<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.insert(e->d_name);
    closedir(d);
  }
  return names;
}

uint32_t Le32(const std::string& b, size_t o) {
  return uint8_t(b[o]) | uint8_t(b[o + 1]) << 8 | uint8_t(b[o + 2]) << 16 | uint32_t(uint8_t(b[o + 3])) << 24;
}
uint32_t Be32(const std::string& b, size_t o) {
  return uint32_t(uint8_t(b[o])) << 24 | uint8_t(b[o + 1]) << 16 | uint8_t(b[o + 2]) << 8 | uint8_t(b[o + 3]);
}

// A 24-bit bottom-up BMP as RGB rows from the top.
struct Rgb {
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 3]; }
  bool key(int x, int y) const {
    const uint8_t* p = at(x, y);
    return p[0] == 255 && p[1] == 0 && p[2] == 255;
  }
};
Rgb ReadBmp(const std::string& path) {
  std::string b = ReadFile(path);
  Rgb img;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return img;
  img.w = (int)Le32(b, 18);
  img.h = (int)Le32(b, 22);
  if (uint8_t(b[28]) != 24) return {};
  uint32_t off = Le32(b, 10);
  int row = (img.w * 3 + 3) & ~3;
  img.px.resize(size_t(img.w) * img.h * 3);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      for (int k = 0; k < 3; ++k)
        img.px[(size_t(y) * img.w + x) * 3 + k] = uint8_t(b[off + size_t(img.h - 1 - y) * row + x * 3 + 2 - k]);
  return img;
}

void ImageSize(const std::string& path, int* w, int* h) {
  std::string b = ReadFile(path);
  *w = *h = -1;
  if (b.size() > 26 && b[0] == 'B' && b[1] == 'M') {
    *w = (int)Le32(b, 18);
    *h = (int)Le32(b, 22);
  } else if (b.size() > 24 && b.compare(1, 3, "PNG") == 0) {
    *w = (int)Be32(b, 16);
    *h = (int)Be32(b, 20);
  } else if (b.size() > 4 && uint8_t(b[0]) == 0xFF && uint8_t(b[1]) == 0xD8) {
    for (size_t i = 2; i + 9 < b.size();) {
      if (uint8_t(b[i]) != 0xFF) break;
      uint8_t m = uint8_t(b[i + 1]);
      size_t len = size_t(uint8_t(b[i + 2])) << 8 | uint8_t(b[i + 3]);
      if (m >= 0xC0 && m <= 0xC3) {
        *h = uint8_t(b[i + 5]) << 8 | uint8_t(b[i + 6]);
        *w = uint8_t(b[i + 7]) << 8 | uint8_t(b[i + 8]);
        return;
      }
      i += 2 + len;
    }
  }
}

const art::AtlasRect& Rect(const char* name) {
  for (const auto& r : art::AtlasRects())
    if (std::strcmp(r.name, name) == 0) return r;
  ADD_FAILURE() << "no rectangle " << name;
  return art::AtlasRects()[0];
}

bool InsideOther(const art::AtlasRect& self, int x, int y) {
  for (const auto& r : art::AtlasRects())
    if (&r != &self && x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

// Widest run of picture pixels in each row band of a rectangle.
int PictureWidth(const Rgb& a, const art::AtlasRect& r, int y0, int y1) {
  int best = 0;
  for (int y = r.top + y0; y < r.top + y1; ++y) {
    int n = 0;
    for (int x = r.left; x < r.right; ++x) n += !a.key(x, y);
    best = std::max(best, n);
  }
  return best;
}

}  // namespace

TEST(ArtGenerator, RegeneratingGivesTheCommittedDataByteForByte) {
  char tmpl[] = "/tmp/artgen_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string dir = tmpl;
  ASSERT_EQ(art::GenerateArt(dir), 0);
  std::set<std::string> made = ListFolder(dir);
  ASSERT_FALSE(made.empty());
  for (const std::string& name : made) {
    SCOPED_TRACE(name);
    std::string fresh = ReadFile(dir + "/" + name), kept = ReadFile("data/" + name);
    EXPECT_FALSE(kept.empty()) << "missing in data/: run artgen";
    EXPECT_TRUE(fresh == kept) << "data/" << name << " differs from the generator's output: run artgen";
    unlink((dir + "/" + name).c_str());
  }
  rmdir(dir.c_str());
  // Nothing stale lies in data/ beside what the generator writes.
  for (const std::string& name : ListFolder("data")) EXPECT_TRUE(made.count(name)) << "data/" << name << " is not generated";
  // A second run in the same process gives the same bytes again.
  std::string again = std::string(tmpl) + "_2";
  ASSERT_EQ(art::GenerateArt(again), 0);
  EXPECT_EQ(ReadFile(again + "/Sprite.bmp"), ReadFile("data/Sprite.bmp"));
  EXPECT_EQ(ReadFile(again + "/Text.jpg"), ReadFile("data/Text.jpg"));
  for (const std::string& name : ListFolder(again)) unlink((again + "/" + name).c_str());
  rmdir(again.c_str());
}

TEST(ArtTextures, SizesFormatsAndTheWhiteSolidTexel) {
  struct {
    const char* file;
    int w, h;
  } expect[] = {{"Ground.bmp", 512, 512}, {"OB.bmp", 256, 256},    {"Sprite.bmp", 512, 512},
                {"Smoke.png", 256, 256},  {"Flash.bmp", 64, 64},   {"Jet.bmp", 128, 128},
                {"1Black.bmp", 1, 1},     {"Text.jpg", 64, 64},    {"Text10.png", 64, 64},
                {"Sky.jpg", 1024, 512},    {"Joint.bmp", 128, 64}};
  for (const auto& e : expect) {
    int w, h;
    ImageSize(std::string("data/") + e.file, &w, &h);
    EXPECT_EQ(w, e.w) << e.file;
    EXPECT_EQ(h, e.h) << e.file;
  }
  // Every filled box of the overlays is this texel times a tint: white.
  Rgb solid = ReadBmp("data/1Black.bmp");
  ASSERT_EQ(solid.w, 1);
  EXPECT_EQ(solid.at(0, 0)[0], 255);
  EXPECT_EQ(solid.at(0, 0)[1], 255);
  EXPECT_EQ(solid.at(0, 0)[2], 255);
  // Smoke carries alpha (RGBA PNG); the trail texture is black at its edges
  // since it is drawn additively.
  std::string smoke = ReadFile("data/Smoke.png");
  ASSERT_GT(smoke.size(), 26u);
  EXPECT_EQ(uint8_t(smoke[25]), 6) << "colour type RGBA";
  // Textures that wrap (the sky around its dome, the outer floor twice each
  // way) match across their seams.
  for (const char* file : {"data/OB.bmp"}) {
    Rgb t = ReadBmp(file);
    ASSERT_GT(t.w, 0);
    long diff = 0, inside = 0;
    for (int y = 0; y < t.h; ++y)
      for (int k = 0; k < 3; ++k) {
        diff += std::abs(t.at(0, y)[k] - t.at(t.w - 1, y)[k]);
        inside += std::abs(t.at(t.w / 2, y)[k] - t.at(t.w / 2 - 1, y)[k]);
      }
    EXPECT_LE(diff, inside * 2 + t.h * 3) << file;
  }
  Rgb jet = ReadBmp("data/Jet.bmp");
  ASSERT_EQ(jet.w, 128);
  for (int y : {0, 64, 127}) {
    EXPECT_LT(jet.at(0, y)[0] + jet.at(0, y)[1] + jet.at(0, y)[2], 12);
    EXPECT_GT(jet.at(64, y)[0], 200);
  }
}

TEST(ArtTextures, SmokeCellsGoFromADensePuffToNothing) {
  png_image img;
  std::memset(&img, 0, sizeof img);
  img.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&img, "data/Smoke.png"));
  img.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> px(PNG_IMAGE_SIZE(img));
  ASSERT_TRUE(png_image_finish_read(&img, nullptr, px.data(), 0, nullptr));
  ASSERT_EQ(img.width, 256u);
  auto cellAlpha = [&](int cell) {
    long sum = 0;
    int ox = (cell % 8) * 32, oy = (cell / 8) * 32;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) sum += px[((oy + y) * 256 + ox + x) * 4 + 3];
    return sum;
  };
  // Read row by row, each cell thinner than the one before, the last gone.
  for (int cell = 1; cell < 64; ++cell) EXPECT_LE(cellAlpha(cell), cellAlpha(cell - 1) + 32 * 255) << cell;
  EXPECT_GT(cellAlpha(0), 200 * 255);  // a dense puff of 200 pixels or so
  EXPECT_LT(cellAlpha(32), cellAlpha(0) * 2 / 3);
  EXPECT_LT(cellAlpha(63), 32 * 32 * 2);
  // No puff reaches into its neighbour: the cells' edges are clear.
  for (int cell = 0; cell < 64; ++cell) {
    int ox = (cell % 8) * 32, oy = (cell / 8) * 32;
    for (int k = 0; k < 32; ++k) {
      EXPECT_EQ(px[((oy + k) * 256 + ox) * 4 + 3], 0);
      EXPECT_EQ(px[((oy) * 256 + ox + k) * 4 + 3], 0);
    }
  }
}

TEST(ArtAtlas, EveryRectangleHoldsAPictureBorderedByTheColourKey) {
  Rgb a = ReadBmp("data/Sprite.bmp");
  ASSERT_EQ(a.w, 512);
  ASSERT_EQ(a.h, 512);
  EXPECT_EQ(art::AtlasRects().size(), 31u);
  for (const auto& r : art::AtlasRects()) {
    SCOPED_TRACE(r.name);
    ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 512 && r.bottom <= 512 && r.left < r.right &&
                r.top < r.bottom);
    int w = r.right - r.left, h = r.bottom - r.top, filled = 0;
    std::set<uint32_t> colours;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (!a.key(x, y)) {
          ++filled;
          const uint8_t* p = a.at(x, y);
          colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
        }
    EXPECT_GT(filled, w * h / 10) << "too little picture";
    EXPECT_GE(colours.size(), 3u) << "a flat placeholder";
    // The ring just outside is colour key, except where another picture's
    // rectangle lies.
    for (int x = r.left - 1; x <= r.right; ++x)
      for (int y : {r.top - 1, r.bottom}) {
        if (x < 0 || y < 0 || x >= 512 || y >= 512 || InsideOther(r, x, y)) continue;
        EXPECT_TRUE(a.key(x, y)) << "border at " << x << "," << y;
      }
    for (int y = r.top; y < r.bottom; ++y)
      for (int x : {r.left - 1, r.right}) {
        if (x < 0 || x >= 512 || InsideOther(r, x, y)) continue;
        EXPECT_TRUE(a.key(x, y)) << "border at " << x << "," << y;
      }
  }
}

TEST(ArtAtlas, OnlyTheSlotFramesOffScreenColumnsAreShared) {
  const auto& rects = art::AtlasRects();
  const auto& slot = Rect("item-bar slot frame");
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const auto &p = rects[i], &q = rects[j];
      int l = std::max(p.left, q.left), rr = std::min(p.right, q.right);
      int t = std::max(p.top, q.top), b = std::min(p.bottom, q.bottom);
      if (l >= rr || t >= b) continue;
      bool involvesSlot = &p == &slot || &q == &slot;
      EXPECT_TRUE(involvesSlot) << p.name << " overlaps " << q.name;
      // The slot frame is drawn at x = 532: columns from 108 on fall past 640.
      EXPECT_GE(l - slot.left, 108) << p.name << " / " << q.name;
    }
  // The slot frame's visible part has a frame and an open middle.
  Rgb a = ReadBmp("data/Sprite.bmp");
  EXPECT_FALSE(a.key(slot.left + 2, slot.top + 40));
  EXPECT_TRUE(a.key(slot.left + 54, slot.top + 40));
  EXPECT_FALSE(a.key(slot.left + 105, slot.top + 40));
}

TEST(ArtAtlas, ArrowsPointWhereTheyAreDrawnAndTintedPicturesAreGrey) {
  Rgb a = ReadBmp("data/Sprite.bmp");
  // Up at rotation 0: narrow at the top, wide at the bottom.
  for (const char* name : {"marker arrow", "scroll arrow"}) {
    const auto& r = Rect(name);
    int h = r.bottom - r.top;
    EXPECT_LT(PictureWidth(a, r, 0, h / 3), PictureWidth(a, r, 2 * h / 3, h)) << name;
  }
  // The move arrow is drawn below the item at rotation 0 and points away.
  const auto& mv = Rect("move arrow");
  EXPECT_GT(PictureWidth(a, mv, 0, 20), 0);
  EXPECT_LT(PictureWidth(a, mv, 0, 20), PictureWidth(a, mv, 35, 50));
  // Pictures the game tints red, pink or green carry no colour of their own.
  for (const char* name : {"scroll arrow", "zoom-in button", "zoom-out button"}) {
    const auto& r = Rect(name);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        if (a.key(x, y)) continue;
        const uint8_t* p = a.at(x, y);
        ASSERT_TRUE(std::abs(p[0] - p[1]) <= 2 && std::abs(p[1] - p[2]) <= 2) << name << " at " << x << "," << y;
      }
  }
  // The additive sparkle fades to black (nothing) towards its corners.
  const auto& sp = Rect("clear sparkle");
  const uint8_t* corner = a.at(sp.left, sp.top);
  EXPECT_LT(corner[0] + corner[1] + corner[2], 30);
  const uint8_t* mid = a.at(sp.left + 9, sp.top + 9);
  EXPECT_GT(mid[0] + mid[1] + mid[2], 600);
  // The start and stop buttons differ (green and red faces).
  const auto &st = Rect("start button"), &sp2 = Rect("stop button");
  const uint8_t* g = a.at(st.left + 48, st.top + 22);
  const uint8_t* rd = a.at(sp2.left + 48, sp2.top + 22);
  EXPECT_GT(g[1], g[0]);
  EXPECT_GT(rd[0], rd[1]);
}

// The markers are drawn at alpha 150 over the scene: their flag, word or star
// stays inside the dark ring, which is whole all round.
TEST(ArtAtlas, MarkerDrawingsStayInsideTheirDarkRing) {
  Rgb a = ReadBmp("data/Sprite.bmp");
  for (const char* name : {"goal marker", "object marker"}) {
    SCOPED_TRACE(name);
    const auto& r = Rect(name);
    int ring = 0;
    for (int y = 0; y < r.bottom - r.top; ++y)
      for (int x = 0; x < r.right - r.left; ++x) {
        float d = std::hypot(x + 0.5f - 27.5f, y + 0.5f - 27.5f);
        if (d < 18.9f || d > 19.2f) continue;
        ++ring;
        const uint8_t* p = a.at(r.left + x, r.top + y);
        EXPECT_TRUE(p[0] < 100 && p[1] < 100 && p[2] < 100)
            << "ring pixel (" << x << ", " << y << ") is " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
      }
    EXPECT_GT(ring, 30);
  }
}

namespace {

struct Loaded {
  const aiScene* scene = nullptr;
  aiVector3D lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  unsigned vertices = 0, faces = 0, wrongWinding = 0;
  ~Loaded() {
    if (scene) aiReleaseImport(scene);
  }
};

void Load(const std::string& path, Loaded* out) {
  out->scene = aiImportFile(path.c_str(), 0);
  if (!out->scene) return;
  for (unsigned i = 0; i < out->scene->mNumMeshes; ++i) {
    const aiMesh* m = out->scene->mMeshes[i];
    out->vertices += m->mNumVertices;
    out->faces += m->mNumFaces;
    for (unsigned v = 0; v < m->mNumVertices; ++v) {
      // assimp takes .x files into its right-handed space by negating z (and
      // reversing the winding); undo it to compare with our left-handed boxes.
      aiVector3D p = m->mVertices[v];
      p.z = -p.z;
      out->lo = aiVector3D(std::min(out->lo.x, p.x), std::min(out->lo.y, p.y), std::min(out->lo.z, p.z));
      out->hi = aiVector3D(std::max(out->hi.x, p.x), std::max(out->hi.y, p.y), std::max(out->hi.z, p.z));
    }
    if (!m->HasNormals()) continue;
    for (unsigned f = 0; f < m->mNumFaces; ++f) {
      const aiFace& face = m->mFaces[f];
      if (face.mNumIndices != 3) continue;
      aiVector3D a = m->mVertices[face.mIndices[0]], b = m->mVertices[face.mIndices[1]],
                 c = m->mVertices[face.mIndices[2]];
      aiVector3D n = m->mNormals[face.mIndices[0]] + m->mNormals[face.mIndices[1]] + m->mNormals[face.mIndices[2]];
      // Clockwise front faces in left-handed space: (b - a) x (c - a) points out.
      // (The mirror and the reversal that assimp applies together keep this test.)
      if (((b - a) ^ (c - a)) * n <= 0) ++out->wrongWinding;
    }
  }
}

}  // namespace

TEST(ArtModels, EveryModelLoadsWithTheBoxItsItemNeeds) {
  const char* files[] = {"Sky.x",    "FanBody.x", "FanCase.x",  "Hand.x",     "Granade.x", "GranadeNude.x",
                         "Uzi.x",    "Joint.x",   "FixJoint.x", "Bell.x",     "StartBall.x", "Gear.x",
                         "Tire.x",   "Car.x",     "Rocket.x",   "Box.x",      "D-Head.x",  "D-Body.x",
                         "D-Arm.x",  "D-Arm2.x",  "D-Waist.x",  "D-Leg.x",    "D-Hat.x",   "Capsule.x"};
  EXPECT_EQ(art::ModelInfos().size(), 24u);
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const art::ModelInfo* info = nullptr;
    for (const auto& m : art::ModelInfos())
      if (std::strcmp(m.file, file) == 0) info = &m;
    ASSERT_NE(info, nullptr);
    Loaded l;
    Load(std::string("data/") + file, &l);
    ASSERT_NE(l.scene, nullptr) << aiGetErrorString();
    EXPECT_GT(l.faces, 10u);
    EXPECT_EQ(l.wrongWinding, 0u);
    ASSERT_GE(l.scene->mNumMaterials, 1u);
    for (unsigned i = 0; i < l.scene->mNumMeshes; ++i) EXPECT_TRUE(l.scene->mMeshes[i]->HasNormals());
    // Ambient light is 0: every material glows a little by itself.
    for (unsigned i = 0; i < l.scene->mNumMaterials; ++i) {
      aiColor4D e;
      ASSERT_EQ(aiGetMaterialColor(l.scene->mMaterials[i], AI_MATKEY_COLOR_EMISSIVE, &e), AI_SUCCESS);
      EXPECT_GT(e.r + e.g + e.b, 0.05f);
      aiString tex;
      if (aiGetMaterialTexture(l.scene->mMaterials[i], aiTextureType_DIFFUSE, 0, &tex) == AI_SUCCESS) {
        std::string p = tex.C_Str();
        EXPECT_EQ(p.rfind("data\\", 0), 0u) << p;  // resolved against the current folder
        std::replace(p.begin(), p.end(), '\\', '/');
        p.erase(std::unique(p.begin(), p.end(), [](char x, char y) { return x == '/' && y == '/'; }), p.end());
        struct stat st;
        EXPECT_EQ(stat(p.c_str(), &st), 0) << p;
      }
    }
    float tol = info->tolerance;
    const float lo[3] = {l.lo.x, l.lo.y, l.lo.z}, hi[3] = {l.hi.x, l.hi.y, l.hi.z};
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(lo[k], info->min[k], tol) << "axis " << k;
      EXPECT_NEAR(hi[k], info->max[k], tol) << "axis " << k;
    }
  }
}

TEST(ArtModels, PartsThatAnchorOrAlignSitExactly) {
  Loaded rocket, cap, bell, gear, box;
  Load("data/Rocket.x", &rocket);
  Load("data/Capsule.x", &cap);
  Load("data/Bell.x", &bell);
  Load("data/Gear.x", &gear);
  Load("data/Box.x", &box);
  ASSERT_TRUE(rocket.scene && cap.scene && bell.scene && gear.scene && box.scene);
  // The squash of the launch keeps y = -2 in place: the rocket stands on it.
  EXPECT_FLOAT_EQ(rocket.lo.y, -2.0f);
  // The end cap bulges toward +y from y = 0, radius 1, over z -1..1.
  EXPECT_FLOAT_EQ(cap.lo.y, 0.0f);
  EXPECT_FLOAT_EQ(cap.hi.y, 1.0f);
  EXPECT_FLOAT_EQ(cap.lo.z, -1.0f);
  EXPECT_FLOAT_EQ(cap.hi.z, 1.0f);
  // The bell hangs from its origin along +z, its crown round the axle
  // reaching 0.3 above it, as the top of the item's capsule does.
  EXPECT_NEAR(bell.hi.z, 2.3f, 0.005f);
  EXPECT_NEAR(bell.lo.z, -0.3f, 0.005f);
  // The gear shows in front of the item (z < -2) and, turned half a turn about
  // y for the other direction, from behind it too.
  EXPECT_LT(gear.lo.z, -2.0f);
  EXPECT_GT(gear.hi.z, 2.0f);
  // The toy box is open at the top: no face lies across the opening.
  unsigned across = 0;
  for (unsigned i = 0; i < box.scene->mNumMeshes; ++i) {
    const aiMesh* m = box.scene->mMeshes[i];
    for (unsigned f = 0; f < m->mNumFaces; ++f) {
      bool allTop = true;
      float minx = 1e9f, maxx = -1e9f;
      for (unsigned k = 0; k < m->mFaces[f].mNumIndices; ++k) {
        const aiVector3D& p = m->mVertices[m->mFaces[f].mIndices[k]];
        allTop = allTop && p.y > 0.9f;
        minx = std::min(minx, p.x);
        maxx = std::max(maxx, p.x);
      }
      // A top face spanning the inside between the side walls would close it.
      if (allTop && minx < -1.3f && maxx > 1.3f) {
        float minz = 1e9f, maxz = -1e9f;
        for (unsigned k = 0; k < 3; ++k) {
          const aiVector3D& p = m->mVertices[m->mFaces[f].mIndices[k]];
          minz = std::min(minz, p.z);
          maxz = std::max(maxz, p.z);
        }
        if (maxz - minz > 0.5f) ++across;
      }
    }
  }
  EXPECT_EQ(across, 0u);
}

// Draws the contact sheets into the build folder for a person to look at.
TEST(ArtGenerator, WritesTheContactSheets) {
  std::string prefix = std::string(ART_SHEET_DIR) + "/art_sheet";
  ASSERT_EQ(art::WriteContactSheets("data", prefix), 0);
  for (const char* part : {"_atlas.png", "_textures.png", "_models.png"}) {
    struct stat st;
    EXPECT_EQ(stat((prefix + part).c_str(), &st), 0) << part;
  }
}
