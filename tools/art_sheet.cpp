// Contact sheets: every atlas picture on grey (raw and as the game tints it),
// every texture, and every model drawn in software with the game's light, in
// the poses the game draws them.
#include <algorithm>
#include <cmath>
#include <map>

#include "tools/art.h"
#include "tools/art_internal.h"

namespace art {
namespace {

const float kPi = 3.14159265358979f;

void Label(Canvas& c, const std::string& text, float x, float y, const Rgba& colour = Hex(0xFFFFFF)) {
  std::u32string u(text.begin(), text.end());
  Mask m = RenderText(u, TextStyle{12, 0});
  FillMask(c, m, (int)x, (int)y, Solid(colour));
}

void Blit(Canvas& dst, const Canvas& src, int ox, int oy, int zoom) {
  for (int y = 0; y < src.h * zoom; ++y)
    for (int x = 0; x < src.w * zoom; ++x) {
      Rgba s = src.Get(x / zoom, y / zoom);
      dst.Blend(ox + x, oy + y, Rgba{s.r, s.g, s.b, 1}, s.a);
    }
}

Canvas Keyed(const Image8& atlas, const AtlasRect& r, uint32_t tint) {
  Canvas c(r.right - r.left, r.bottom - r.top);
  float ta = tint ? ((tint >> 24) & 255) / 255.0f : 1, tr = tint ? ((tint >> 16) & 255) / 255.0f : 1,
        tg = tint ? ((tint >> 8) & 255) / 255.0f : 1, tb = tint ? (tint & 255) / 255.0f : 1;
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const uint8_t* p = &atlas.data[(size_t(r.top + y) * atlas.w + r.left + x) * 3];
      if (p[0] == 255 && p[1] == 0 && p[2] == 255) continue;
      c.Blend(x, y, Rgba{p[0] / 255.0f * tr, p[1] / 255.0f * tg, p[2] / 255.0f * tb, ta}, 1);
    }
  return c;
}

Canvas AtlasSheet(const Image8& atlas) {
  const int W = 1400;
  Canvas sheet(W, 2200);
  sheet.Clear(Hex(0x3A3A44));
  Label(sheet, "Sprite.bmp (512 x 512, magenta = colour key)", 10, 8);
  Canvas whole = FromImage(atlas);
  Blit(sheet, whole, 10, 28, 1);
  Label(sheet, "Each rectangle at 2x on grey: raw | as the game tints it (additive ones on black)", 540, 8);
  int x = 540, y = 28, rowH = 0;
  for (const AtlasRect& r : AtlasRects()) {
    int w = r.right - r.left, h = r.bottom - r.top;
    bool tinted = r.tint != 0 && r.tint != 0xFFFFFFFF;
    int tileW = (tinted ? 4 * w + 16 : 2 * w + 8);
    tileW = std::max(tileW, 170);
    int tileH = 2 * h + 30;
    if (x + tileW > W - 10) {
      x = 540;
      y += rowH + 8;
      rowH = 0;
      if (y > 520) x = 10;
    }
    Fill(sheet, RoundRect(x, y, x + tileW, y + tileH, 0), Solid(r.additive ? Hex(0x000000) : Hex(0x8A8A8A)));
    Blit(sheet, Keyed(atlas, r, 0), x + 4, y + 4, 2);
    if (tinted) Blit(sheet, Keyed(atlas, r, r.tint), x + 2 * w + 12, y + 4, 2);
    Label(sheet, r.name, x + 4, y + tileH - 20);
    x += tileW + 8;
    rowH = std::max(rowH, tileH);
  }
  Canvas out(W, std::min(2200, y + rowH + 20));
  for (int yy = 0; yy < out.h; ++yy)
    for (int xx = 0; xx < W; ++xx)
      for (int k = 0; k < 4; ++k) out.at(xx, yy)[k] = sheet.at(xx, yy)[k];
  return out;
}

Canvas TextureSheet(const std::vector<Texture>& textures) {
  Canvas sheet(1400, 1300);
  sheet.Clear(Hex(0x3A3A44));
  int x = 10, y = 10, rowH = 0;
  for (const Texture& t : textures) {
    Canvas c = FromImage(t.image);
    int zoom = c.w <= 1 ? 64 : (c.w <= 64 ? 4 : (c.w <= 128 ? 2 : 1));
    int w = c.w * zoom, h = c.h * zoom;
    if (x + w > 1390) {
      x = 10;
      y += rowH + 30;
      rowH = 0;
    }
    rowH = std::max(rowH, h);
    // A chequerboard behind, so alpha shows.
    for (int yy = 0; yy < h; ++yy)
      for (int xx = 0; xx < w; ++xx)
        sheet.Blend(x + xx, y + yy, ((xx / 8 + yy / 8) % 2) ? Hex(0x9A9AA6) : Hex(0x6A6A76), 1);
    Blit(sheet, c, x, y, zoom);
    Label(sheet, t.file + " " + std::to_string(c.w) + "x" + std::to_string(c.h), x, y + h + 4);
    x += w + 20;
  }
  return sheet;
}

// ---- software rendering of the models ----

struct Item {
  const Mesh* mesh;
  Xf xf;
  const Material* override = nullptr;  // the item material of the primitive kinds
  const Canvas* overrideTexture = nullptr;
};

struct Renderer {
  Canvas& c;
  std::vector<float> depth;
  int x0, y0, w, h;
  const std::map<std::string, Canvas>& textures;
  Renderer(Canvas& canvas, int ox, int oy, int width, int height, const std::map<std::string, Canvas>& tex)
      : c(canvas), depth(size_t(width) * height, 1e30f), x0(ox), y0(oy), w(width), h(height), textures(tex) {}

  void Draw(const std::vector<Item>& items, const Xf& view, bool fitAll) {
    // Fit the view box of everything drawn into the tile.
    V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const Item& it : items)
      for (const Vertex& v : it.mesh->verts) {
        V3 p = view.Point(it.xf.Point(v.p));
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
      }
    (void)fitAll;
    float s = 0.86f * std::min(w / std::max(1e-3f, hi.x - lo.x), h / std::max(1e-3f, hi.y - lo.y));
    float cx = (lo.x + hi.x) / 2, cy = (lo.y + hi.y) / 2;
    V3 light = Normalize(V3{-0.6f, -1.0f, 0.8f});
    V3 lightV = Normalize(view.Normal(light) * 1.0f);  // light direction in view space
    // Normal() normalises the inverse transpose; for a rotation that is the rotation.
    for (const Item& it : items) {
      const Mesh& m = *it.mesh;
      Xf full = it.xf * view;
      for (size_t f = 0; f < m.faces.size(); ++f) {
        const Material& mat = it.override ? *it.override : m.materials[m.faceMaterial[f]];
        const Canvas* tex = it.overrideTexture;
        if (!it.override && !mat.texture.empty()) {
          std::string name = mat.texture.substr(mat.texture.find('\\') + 1);
          auto found = textures.find(name);
          if (found != textures.end()) tex = &found->second;
        }
        V3 p[3], n[3];
        float u[3], vv[3];
        for (int k = 0; k < 3; ++k) {
          const Vertex& vx = m.verts[m.faces[f][k]];
          p[k] = full.Point(vx.p);
          n[k] = full.Normal(vx.n);
          u[k] = vx.u;
          vv[k] = vx.v;
        }
        V3 cr = Cross(p[1] - p[0], p[2] - p[0]);
        if (cr.z >= 0) continue;  // clockwise front faces only, as the game culls
        float sx[3], sy[3];
        for (int k = 0; k < 3; ++k) {
          sx[k] = w / 2.0f + (p[k].x - cx) * s;
          sy[k] = h / 2.0f - (p[k].y - cy) * s;
        }
        int bx0 = std::max(0, (int)std::floor(std::min({sx[0], sx[1], sx[2]})));
        int bx1 = std::min(w - 1, (int)std::ceil(std::max({sx[0], sx[1], sx[2]})));
        int by0 = std::max(0, (int)std::floor(std::min({sy[0], sy[1], sy[2]})));
        int by1 = std::min(h - 1, (int)std::ceil(std::max({sy[0], sy[1], sy[2]})));
        float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
        if (std::fabs(area) < 1e-8f) continue;
        for (int yy = by0; yy <= by1; ++yy)
          for (int xx = bx0; xx <= bx1; ++xx) {
            float px = xx + 0.5f, py = yy + 0.5f;
            float b0 = ((sx[1] - px) * (sy[2] - py) - (sy[1] - py) * (sx[2] - px)) / area;
            float b1 = ((sx[2] - px) * (sy[0] - py) - (sy[2] - py) * (sx[0] - px)) / area;
            float b2 = 1 - b0 - b1;
            if (b0 < 0 || b1 < 0 || b2 < 0) continue;
            float z = b0 * p[0].z + b1 * p[1].z + b2 * p[2].z;
            float& d = depth[size_t(yy) * w + xx];
            if (z >= d) continue;
            d = z;
            V3 nn = Normalize(n[0] * b0 + n[1] * b1 + n[2] * b2);
            float lambert = std::max(0.0f, -Dot(nn, lightV));
            Rgba col{mat.emissive[0] + mat.diffuse[0] * lambert, mat.emissive[1] + mat.diffuse[1] * lambert,
                     mat.emissive[2] + mat.diffuse[2] * lambert, 1};
            if (tex) {
              Rgba t = tex->Sample(b0 * u[0] + b1 * u[1] + b2 * u[2], b0 * vv[0] + b1 * vv[1] + b2 * vv[2], true);
              col = {col.r * t.r, col.g * t.g, col.b * t.b, 1};
            }
            col = {std::min(1.0f, col.r), std::min(1.0f, col.g), std::min(1.0f, col.b), 1};
            float* q = c.at(x0 + xx, y0 + yy);
            q[0] = col.r;
            q[1] = col.g;
            q[2] = col.b;
            q[3] = 1;
          }
      }
    }
  }
};

// The primitive meshes the game builds itself, with its planar mapping.
Mesh PlanarMapped(Mesh m) {
  V3 lo, hi;
  m.Bounds(lo, hi);
  for (Vertex& v : m.verts) {
    v.u = ((v.p.x - lo.x) + (v.p.z - lo.z)) / (hi.x - lo.x);
    v.v = (v.p.y - lo.y) / (hi.y - lo.y);
  }
  return m;
}

}  // namespace

int WriteContactSheets(const std::string& folder, const std::string& prefix) {
  (void)folder;
  Image8 atlas = BuildAtlas();
  std::vector<Texture> textures = BuildTextures();
  bool ok = WritePng(prefix + "_atlas.png", ToImage(AtlasSheet(atlas), 3));
  ok = WritePng(prefix + "_textures.png", ToImage(TextureSheet(textures), 3)) && ok;

  std::map<std::string, Canvas> tex;
  for (const Texture& t : textures) tex[t.file] = FromImage(t.image);
  auto models = BuildModels();
  std::map<std::string, const Mesh*> M;
  for (auto& p : models) M[p.first] = &p.second;

  Mesh cube, cylinder;
  int dummy = cube.AddMaterial(MakeMaterial("x", 0xFFFFFF));
  AddBox(cube, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, Xf(), dummy);
  cylinder.AddMaterial(MakeMaterial("x", 0xFFFFFF));
  AddCylinder(cylinder, 1, -1, 1, 20, Xf::AlongAxis({0, 0, 1}), 0);
  cylinder.Finish();
  cube.Finish();
  cube = PlanarMapped(cube);
  cylinder = PlanarMapped(cylinder);
  Mesh capsule = PlanarMapped(*M["Capsule.x"]);
  Material movable = MakeMaterial("movable", 0x00FFFF, 0.4f), fixed = MakeMaterial("fixed", 0xFFFFFF, 0.4f);
  Material coat = MakeMaterial("coat", 0x333333, 0.4f);
  const Canvas* player = &tex["Text.jpg"];
  const Canvas* stage = &tex["Text10.png"];

  Xf up = Xf::RotX(kPi / 2);  // the upright turn of the capsule kinds
  struct Tile {
    std::string name;
    std::vector<Item> items;
  };
  std::vector<Tile> tiles;
  tiles.push_back({"Bell.x (2.5, upright, pivot +2.5)", {{M["Bell.x"], Xf::Scale(2.5f, 2.5f, 2.5f) * up * Xf::Translate(0, 2.5f, 0)}}});
  tiles.push_back({"StartBall.x (2.5)", {{M["StartBall.x"], Xf::Scale(2.5f, 2.5f, 2.5f)}}});
  Xf fan = Xf::Scale(3.75f, 3.75f, 3.75f) * up;
  tiles.push_back({"FanCase.x + FanBody.x", {{M["FanCase.x"], fan}, {M["FanBody.x"], Xf::Scale(3.75f, 3.75f, 3.75f) * Xf::RotX(0.5f) * up}}});
  tiles.push_back({"Car.x + Tire.x x2", {{M["Car.x"], Xf::Scale(4, 4, 3)},
                                          {M["Tire.x"], Xf::Scale(4, 4, 2) * Xf::Translate(5, -4, 0)},
                                          {M["Tire.x"], Xf::Scale(4, 4, 2) * Xf::RotZ(1.0f) * Xf::Translate(-5, -4, 0)}}});
  tiles.push_back({"Tire.x (4)", {{M["Tire.x"], Xf::Scale(4, 4, 2)}}});
  tiles.push_back({"Rocket.x (3)", {{M["Rocket.x"], Xf::Scale(3, 3, 3)}}});
  tiles.push_back({"Box.x (10, 10, 1.5)", {{M["Box.x"], Xf::Scale(10, 10, 1.5f)}}});
  Tile doll{"doll (10 parts at launch offsets)", {}};
  doll.items = {{M["D-Body.x"], Xf()},
                {M["D-Head.x"], Xf::Translate(0, 3, 0)},
                {M["D-Arm.x"], Xf::Translate(-1.5f, 0.5f, 0)},
                {M["D-Arm.x"], Xf::Translate(1.5f, 0.5f, 0)},
                {M["D-Arm2.x"], Xf::Translate(-1.5f, -2.5f, 0)},
                {M["D-Arm2.x"], Xf::Translate(1.5f, -2.5f, 0)},
                {M["D-Waist.x"], Xf::Translate(0, -3, 0)},
                {M["D-Leg.x"], Xf::Translate(-1, -6.5f, 0)},
                {M["D-Leg.x"], Xf::Translate(1, -6.5f, 0)},
                {M["D-Hat.x"], Xf::Translate(0, 5, 0)}};
  tiles.push_back(doll);
  // Player items with gears and joints.
  Tile items{"ball, box, bar + gears, joints", {}};
  items.items.push_back({&cylinder, Xf::Scale(3, 3, 2) * Xf::Translate(-9, 0, 0), &movable, player});
  items.items.push_back({M["Gear.x"], Xf::Scale(1.5f, 1.5f, 1) * Xf::Translate(-9, 0, 0)});
  items.items.push_back({&cube, Xf::Scale(8, 4, 4) * Xf::RotZ(0.3f) * Xf::Translate(3, 0, 0), &fixed, stage});
  items.items.push_back({M["Gear.x"], Xf::Scale(1, 1, 1) * Xf::RotY(kPi) * Xf::Translate(3, 0, 0)});
  Xf barR = up * Xf::RotZ(-0.5f);
  items.items.push_back({&cube, Xf::RotX(-kPi / 2) * Xf::Scale(2, 4, 6) * barR * Xf::Translate(0, 8, 0), &movable, player});
  V3 ep = barR.Point({0, 0, 3}), em = barR.Point({0, 0, -3});
  items.items.push_back({&capsule, Xf::Scale(1, 1, 2) * Xf::RotX(kPi / 2) * barR * Xf::Translate(ep.x, 8 + ep.y, ep.z), &movable, player});
  items.items.push_back({&capsule, Xf::RotZ(kPi) * Xf::Scale(1, 1, 2) * Xf::RotX(kPi / 2) * barR * Xf::Translate(em.x, 8 + em.y, em.z), &movable, player});
  items.items.push_back({M["Joint.x"], Xf::Translate(-4, 0, 0)});
  items.items.push_back({M["FixJoint.x"], Xf::Translate(8, 3, 0)});
  tiles.push_back(items);
  Tile rubber{"rubber ball / box (coats)", {}};
  rubber.items.push_back({&cylinder, Xf::Scale(2, 2, 2) * Xf::Translate(-6, 0, 0), &movable, player});
  rubber.items.push_back({&cylinder, Xf::Scale(2.4f, 2.4f, 1.8f) * Xf::Translate(-6, 0, 0), &coat, nullptr});
  rubber.items.push_back({&cube, Xf::Scale(4, 4, 4) * Xf::Translate(3, 0, 0), &fixed, stage});
  rubber.items.push_back({&cube, Xf::Scale(4.8f, 4.8f, 3.6f) * Xf::Translate(3, 0, 0), &coat, nullptr});
  tiles.push_back(rubber);
  for (const char* n : {"Gear.x", "Joint.x", "FixJoint.x", "Hand.x", "Granade.x", "GranadeNude.x", "Uzi.x", "Capsule.x",
                        "D-Head.x", "D-Hat.x", "D-Arm2.x", "D-Leg.x"})
    tiles.push_back({n, {{M[n], Xf()}}});

  const int T = 230, cols = 4;
  int rows = (int)(tiles.size() + cols - 1) / cols;
  Canvas sheet(cols * (2 * T + 20) + 10, rows * (T + 30) + 10);
  sheet.Clear(Hex(0x3A3A44));
  for (size_t i = 0; i < tiles.size(); ++i) {
    int tx = 10 + (int)(i % cols) * (2 * T + 20), ty = 10 + (int)(i / cols) * (T + 30);
    Fill(sheet, RoundRect(tx, ty, tx + 2 * T + 6, ty + T, 0), Solid(Hex(0x6E7F96)));
    Renderer front(sheet, tx, ty, T, T, tex);
    front.Draw(tiles[i].items, Xf(), true);
    Renderer side(sheet, tx + T + 6, ty, T, T, tex);
    side.Draw(tiles[i].items, Xf::RotY(-0.6f) * Xf::RotX(0.45f), true);
    Label(sheet, tiles[i].name, tx, ty + T + 4);
  }
  ok = WritePng(prefix + "_models.png", ToImage(sheet, 3)) && ok;
  return ok ? 0 : 1;
}

}  // namespace art
