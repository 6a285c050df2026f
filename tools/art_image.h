// Images of the art generator: floating-point RGBA canvases with anti-aliased
// shape filling (signed distance fields), FreeType text, and writers for the
// three file formats the game reads (BMP, PNG, JPEG).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/art_math.h"

namespace art {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};
Rgba Hex(uint32_t rgb, float a = 1.0f);  // 0xRRGGBB
Rgba Mix(const Rgba& x, const Rgba& y, float t);
Rgba Scale(const Rgba& c, float k);  // colour times k, alpha kept

// Premultiplied RGBA, row 0 at the top.
struct Canvas {
  int w = 0, h = 0;
  std::vector<float> px;  // 4 floats per pixel
  Canvas() = default;
  Canvas(int width, int height) : w(width), h(height), px(size_t(width) * height * 4, 0.0f) {}
  float* at(int x, int y) { return &px[(size_t(y) * w + x) * 4]; }
  const float* at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
  Rgba Get(int x, int y) const;                  // straight colour
  void Blend(int x, int y, const Rgba& c, float coverage);  // source over
  void Clear(const Rgba& c);
  Rgba Sample(float u, float v, bool wrap) const;  // bilinear, texel centres at +0.5
};

// Distance field: negative inside, in pixels of the canvas.
using Sdf = std::function<float(float x, float y)>;
using Paint = std::function<Rgba(float x, float y)>;

Sdf Circle(float cx, float cy, float r);
Sdf Ellipse(float cx, float cy, float rx, float ry);
Sdf RoundRect(float x0, float y0, float x1, float y1, float r);
Sdf Segment(float ax, float ay, float bx, float by, float halfWidth);
Sdf Polygon(std::vector<float> xy);  // x0,y0,x1,y1,...
Sdf Union(Sdf a, Sdf b);
Sdf Intersect(Sdf a, Sdf b);
Sdf Subtract(Sdf a, Sdf b);
Sdf Grow(Sdf a, float r);
Sdf Ring(Sdf a, float halfWidth);
Sdf Rotated(Sdf a, float cx, float cy, float radians);

Paint Solid(const Rgba& c);
Paint Linear(float x0, float y0, const Rgba& c0, float x1, float y1, const Rgba& c1);
Paint Radial(float cx, float cy, float r, const Rgba& inner, const Rgba& outer);

// Fills the shape with anti-aliased edges (coverage from the distance at the
// pixel centre), within the bounding box [x0, x1) x [y0, y1) when given.
void Fill(Canvas& c, const Sdf& shape, const Paint& paint);

// A coverage mask (0..1), e.g. rendered text.
struct Mask {
  int w = 0, h = 0;
  std::vector<float> v;
  float at(int x, int y) const { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : v[size_t(y) * w + x]; }
};
Mask Dilate(const Mask& m, float radius);
void FillMask(Canvas& c, const Mask& m, int ox, int oy, const Paint& paint);

// Text through FreeType with the game's Japanese gothic face.
struct TextStyle {
  float px = 14;        // pixel size of the em
  float bold = 0;       // extra stroke in pixels
};
// Renders UTF-32 text into a mask just large enough; baseline offset so the
// text's ink box starts at (0, 0) of the mask.
Mask RenderText(const std::u32string& text, const TextStyle& style);
float TextAdvance(const std::u32string& text, const TextStyle& style);

// Helper: text with an outline, drawn centred on (cx, cy) (ink box centre).
void DrawText(Canvas& c, const std::u32string& text, const TextStyle& style, float cx, float cy,
              const Paint& fill, const Rgba& outline, float outlineWidth);
// Shrinks the pixel size until the text fits maxWidth.
TextStyle FitText(const std::u32string& text, TextStyle style, float maxWidth);

// 8-bit output image.
struct Image8 {
  int w = 0, h = 0, channels = 3;  // 3 RGB or 4 RGBA
  std::vector<uint8_t> data;
};
Image8 ToImage(const Canvas& c, int channels);          // straight colour, rounded
Canvas FromImage(const Image8& img);

bool WriteBmp(const std::string& path, const Image8& img);   // 24-bit bottom-up
bool WritePng(const std::string& path, const Image8& img);   // RGB or RGBA, 8 bit
bool WriteJpeg(const std::string& path, const Image8& img, int quality);

// Simple value noise in 0..1, periodic with the given period (for tiling).
float Noise2(float x, float y, int period, uint32_t seed);
float Fbm(float x, float y, int period, uint32_t seed, int octaves);

}  // namespace art
