// The textures of the data folder, painted procedurally.
#include <algorithm>
#include <cmath>

#include "tools/art_internal.h"

namespace art {
namespace {

const float kPi = 3.14159265358979f;

float Smooth(float e0, float e1, float x) {
  float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

// Floor of the stage: a mown lawn. The floor quad maps u along the depth and
// v along the stage's width, so the mowing stripes run across the view.
Canvas Ground() {
  const int n = 512;
  Canvas c(n, n);
  Rgba light = Hex(0x7CC552), dark = Hex(0x62AE42);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float stripe = Smooth(-0.15f, 0.15f, Sin((x + 0.5f) * 2 * kPi / 64));
      Rgba col = Mix(dark, light, stripe);
      float f = Fbm(x / 32.0f, y / 32.0f, 16, 11, 4);
      col = Mix(col, Hex(0x4F9A38), std::max(0.0f, f - 0.55f) * 1.2f);
      float blade = Noise2(x * 0.9f, y * 0.25f, 0, 5);
      col = Scale(col, 0.93f + blade * 0.12f);
      c.Blend(x, y, col, 1);
    }
  return c;
}

// The floor around the stage (and the floor of the placing mode, tinted
// orange there): light paving stones, tiling seamlessly.
Canvas OutOfBounds() {
  const int n = 256, tile = 64;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      int tx = x / tile, ty = y / tile;
      float lx = (x % tile) + 0.5f, ly = (y % tile) + 0.5f;
      float edge = std::min(std::min(lx, tile - lx), std::min(ly, tile - ly));
      float shade = 0.94f + 0.08f * Noise2(tx * 3.1f + 0.3f, ty * 2.7f + 0.7f, 0, 3);
      float grain = Fbm(x / 16.0f, y / 16.0f, 16, 23, 3);
      Rgba stone = Scale(Hex(0xEDE3CC), shade * (0.95f + grain * 0.08f));
      // Bevel: lit upper-left edge, shaded lower-right edge.
      if (lx < 4 || ly < 4) stone = Mix(stone, Hex(0xFFFBF0), 0.35f);
      if (tile - lx < 4 || tile - ly < 4) stone = Mix(stone, Hex(0xC9BC9E), 0.45f);
      Rgba grout = Hex(0xB3A586);
      c.Blend(x, y, Mix(grout, stone, Smooth(0.8f, 2.2f, edge)), 1);
    }
  return c;
}

// Sky dome, longitude along u (seamless) and latitude along v (top = up).
// The camera looks at the band around the horizon, so that is where the
// clouds float: soft-edged cartoon puffs, lit from above.
Canvas Sky() {
  const int w = 1024, h = 512;
  Canvas c(w, h);
  Rgba zenith = Hex(0x2F78D0), horizon = Hex(0xA8DBFA), below = Hex(0xC4E6F8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float lat = 0.5f - (y + 0.5f) / h;  // +0.5 up .. -0.5 down
      Rgba col = lat > 0 ? Mix(horizon, zenith, Pow(lat * 2, 0.6f)) : Mix(horizon, below, std::min(1.0f, -lat * 4));
      if (lat > -0.03f) {
        float band = Smooth(-0.03f, 0.04f, lat) * (1 - Smooth(0.2f, 0.34f, lat));
        // Clouds flatten toward the horizon: squash the noise vertically.
        // 64 texels per noise cell: the noise repeats exactly once around.
        float sx = x / 64.0f, sy = y / 34.0f;
        float f = Fbm(sx, sy, w / 64, 7, 5);
        float cloud = Smooth(0.54f, 0.6f, f + 0.12f * (band - 0.5f)) * band;
        float top = Fbm(sx, sy + 0.18f, w / 64, 7, 5);
        float lit = Smooth(-0.05f, 0.08f, f - top);  // brighter where the puff thins upward
        Rgba cc = Mix(Hex(0xD3E2F2), Hex(0xFFFFFF), 0.45f + 0.55f * lit);
        col = Mix(col, cc, cloud);
      }
      c.Blend(x, y, col, 1);
    }
  return c;
}

// 8 x 8 cells of 32 x 32: a puff from dense to gone, read row by row. Each
// puff is a cluster of round lobes that spreads and turns as it thins.
Canvas Smoke() {
  const int n = 256;
  Canvas c(n, n);
  for (int cell = 0; cell < 64; ++cell) {
    float t = cell / 63.0f;
    int ox = (cell % 8) * 32, oy = (cell / 8) * 32;
    float R = 10.5f + 3.5f * t;
    float density = Pow(1 - t, 1.5f);  // spreading while thinning: less smoke per cell
    float lobes[6][3];
    lobes[0][0] = 0;
    lobes[0][1] = 0;
    lobes[0][2] = 0.62f * R;
    for (int k = 1; k < 6; ++k) {
      float a = (72.0f * k + 40.0f * t) * kPi / 180;
      lobes[k][0] = 0.42f * R * Cos(a);
      lobes[k][1] = 0.42f * R * Sin(a);
      lobes[k][2] = (0.44f + 0.06f * (k % 2)) * R;
    }
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        float dx = x + 0.5f - 16, dy = y + 0.5f - 16;
        float d = 1e9f;
        for (auto& l : lobes) d = std::min(d, Hypot(dx - l[0], dy - l[1]) - l[2]);
        d += (Fbm(x / 6.0f + cell * 0.37f, y / 6.0f, 0, 31, 3) - 0.5f) * 3.0f;
        float r = Hypot(dx, dy);
        float a = (1 - Smooth(-3.0f, 1.5f, d)) * density * (1 - Smooth(13.0f, 15.5f, r));
        float light = 0.8f + 0.2f * std::clamp((-dx - dy) / (R * 1.5f) + 0.5f, 0.0f, 1.0f);
        Rgba col = Scale(Hex(0xF4F4F6), light);
        col.a = std::clamp(a, 0.0f, 1.0f);
        c.Blend(ox + x, oy + y, col, 1);
      }
  }
  return c;
}

// Trail ribbon, drawn additively: a hot core across u, flickering along v.
Canvas Jet() {
  const int n = 128;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float u = (x + 0.5f) / n - 0.5f;
      float flick = 0.75f + 0.25f * Noise2(x / 6.0f, y / 20.0f, 0, 41);
      float core = Exp(-u * u / 0.004f);
      float glow = Exp(-u * u / 0.03f) * flick;
      Rgba col = Hex(0x000000);
      col = Mix(col, Hex(0xE0561A), std::min(1.0f, glow));
      col = Mix(col, Hex(0xFFD04A), std::min(1.0f, glow * glow));
      col = Mix(col, Hex(0xFFFFF0), core);
      float edge = Smooth(0.5f, 0.42f, std::fabs(u));
      c.Blend(x, y, Scale(col, edge), 1);
    }
  return c;
}

Canvas Flash() {
  const int n = 64;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float dx = x + 0.5f - 32, dy = y + 0.5f - 32;
      float r = Hypot(dx, dy) / 32;
      float a = Atan2(dy, dx);
      float rays = Pow(std::fabs(Cos(a * 4)), 8.0f) * std::max(0.0f, 1 - r);
      float core = Exp(-r * r / 0.05f);
      float halo = std::max(0.0f, 1 - r) * 0.35f;
      Rgba col = Mix(Hex(0x000000), Hex(0xFF9A2A), std::min(1.0f, halo + rays * 0.6f));
      col = Mix(col, Hex(0xFFF0B0), std::min(1.0f, rays * 0.5f + core));
      col = Mix(col, Hex(0xFFFFFF), core);
      c.Blend(x, y, col, 1);
    }
  return c;
}

// Items the player places: light toy-wood blocks with bevelled edges. The
// game multiplies this by the item's colour, so it stays bright.
Canvas PlayerItems() {
  const int n = 64;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float g = Sin((y + 6 * Fbm(x / 20.0f, y / 8.0f, 0, 61, 3)) * 0.9f);
      float grain = 0.5f + 0.5f * g;
      Rgba col = Mix(Hex(0xFFF8EA), Hex(0xEADBC0), grain * 0.7f);
      float lx = x + 0.5f, ly = y + 0.5f;
      float e = std::min(std::min(lx, n - lx), std::min(ly, n - ly));
      if (e < 5) {
        bool lit = (lx < ly) ? (lx < n - ly) : (ly < n - lx);  // upper or left edge
        col = Mix(col, lit ? Hex(0xFFFFFF) : Hex(0xC8B898), 0.55f * (1 - e / 5));
      }
      if (e < 1.0f) col = Mix(col, Hex(0x9C8A6C), 0.6f);
      c.Blend(x, y, col, 1);
    }
  // A little star stamped in the middle.
  std::vector<float> star;
  for (int i = 0; i < 10; ++i) {
    float a = kPi * i / 5;
    float r = (i % 2) ? 5.0f : 11.0f;
    star.push_back(32 + r * Sin(a));
    star.push_back(33 - r * Cos(a));
  }
  Fill(c, Polygon(star), Solid(Rgba{1, 1, 1, 0.65f}));
  Fill(c, Ring(Polygon(star), 0.5f), Solid(Rgba{0.75f, 0.68f, 0.55f, 0.5f}));
  return c;
}

// Stage parts: riveted light metal plates with a fine diagonal tread.
Canvas StageItems() {
  const int n = 64;
  Canvas c(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float d = std::fmod((x + y) + 0.5f, 8.0f);
      float tread = Smooth(0.5f, 1.5f, d) * (1 - Smooth(2.5f, 3.5f, d));
      Rgba col = Mix(Hex(0xECEFF4), Hex(0xD3D8E2), tread * 0.8f);
      col = Scale(col, 0.97f + 0.05f * Noise2(x / 4.0f, y / 4.0f, 16, 77));
      float lx = x + 0.5f, ly = y + 0.5f;
      float e = std::min(std::min(lx, n - lx), std::min(ly, n - ly));
      if (e < 6) {
        bool lit = (lx < ly) ? (lx < n - ly) : (ly < n - lx);
        col = Mix(Hex(0xE4E7EE), lit ? Hex(0xFFFFFF) : Hex(0xA9B0BF), 0.5f * (1 - e / 6));
      }
      if (e < 1.0f) col = Mix(col, Hex(0x7D8596), 0.7f);
      c.Blend(x, y, col, 1);
    }
  for (float px : {9.0f, 55.0f})
    for (float py : {9.0f, 55.0f}) {
      Fill(c, Circle(px + 0.6f, py + 0.6f, 2.6f), Solid(Hex(0x8C93A3)));
      Fill(c, Circle(px, py, 2.3f), Radial(px - 0.8f, py - 0.8f, 3, Hex(0xFFFFFF), Hex(0xB5BCC9)));
    }
  return c;
}

// Caps of the joints: the left half is the round pin head of a rotary joint,
// the right half the square plate of a fixed joint. Drawn white-lit, so the
// game's emissive colour tints them (white, turning red as a joint strains).
Canvas Joints() {
  Canvas c(128, 64);
  c.Clear(Hex(0xB0B0B0));
  // Pin head.
  Fill(c, Circle(32, 32, 31), Radial(24, 22, 44, Hex(0xFFFFFF), Hex(0x9A9A9A)));
  Fill(c, Ring(Circle(32, 32, 22), 1.6f), Solid(Hex(0x8A8A8A)));
  Fill(c, Circle(32, 32, 12), Radial(28, 28, 16, Hex(0xF4F4F4), Hex(0xA0A0A0)));
  Fill(c, Segment(24, 32, 40, 32, 2.2f), Solid(Hex(0x6E6E6E)));
  // Fixed plate with four bolts and a cross bar.
  Fill(c, RoundRect(66, 2, 126, 62, 6), Linear(66, 2, Hex(0xFFFFFF), 126, 62, Hex(0xA4A4A4)));
  Fill(c, Ring(RoundRect(70, 6, 122, 58, 4), 1.2f), Solid(Hex(0x8C8C8C)));
  Fill(c, Segment(78, 14, 114, 50, 3), Solid(Hex(0x9C9C9C)));
  Fill(c, Segment(114, 14, 78, 50, 3), Solid(Hex(0x9C9C9C)));
  for (float x : {76.0f, 116.0f})
    for (float y : {12.0f, 52.0f}) Fill(c, Circle(x, y, 4), Radial(x - 1, y - 1, 5, Hex(0xFFFFFF), Hex(0x8A8A8A)));
  return c;
}

}  // namespace

std::vector<Texture> BuildTextures() {
  Canvas white(1, 1);
  white.Clear(Hex(0xFFFFFF));
  std::vector<Texture> t;
  t.push_back({"Ground.bmp", ToImage(Ground(), 3), Texture::kBmp});
  t.push_back({"OB.bmp", ToImage(OutOfBounds(), 3), Texture::kBmp});
  t.push_back({"Smoke.png", ToImage(Smoke(), 4), Texture::kPng});
  t.push_back({"Flash.bmp", ToImage(Flash(), 3), Texture::kBmp});
  t.push_back({"Jet.bmp", ToImage(Jet(), 3), Texture::kBmp});
  t.push_back({"1Black.bmp", ToImage(white, 3), Texture::kBmp});
  t.push_back({"Text.jpg", ToImage(PlayerItems(), 3), Texture::kJpeg});
  t.push_back({"Text10.png", ToImage(StageItems(), 3), Texture::kPng});
  t.push_back({"Sky.jpg", ToImage(Sky(), 3), Texture::kJpeg});
  t.push_back({"Joint.bmp", ToImage(Joints(), 3), Texture::kBmp});
  return t;
}

}  // namespace art
