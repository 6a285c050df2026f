#include "tools/art_image.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <fontconfig/fontconfig.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace art {

static float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

Rgba Hex(uint32_t rgb, float a) {
  return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, a};
}
Rgba Mix(const Rgba& x, const Rgba& y, float t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
Rgba Scale(const Rgba& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Rgba Canvas::Get(int x, int y) const {
  const float* p = at(x, y);
  if (p[3] <= 0) return {0, 0, 0, 0};
  return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

void Canvas::Blend(int x, int y, const Rgba& c, float coverage) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  float a = Clamp01(c.a * coverage);
  if (a <= 0) return;
  float* p = at(x, y);
  p[0] = c.r * a + p[0] * (1 - a);
  p[1] = c.g * a + p[1] * (1 - a);
  p[2] = c.b * a + p[2] * (1 - a);
  p[3] = a + p[3] * (1 - a);
}

void Canvas::Clear(const Rgba& c) {
  for (int i = 0; i < w * h; ++i) {
    px[i * 4 + 0] = c.r * c.a;
    px[i * 4 + 1] = c.g * c.a;
    px[i * 4 + 2] = c.b * c.a;
    px[i * 4 + 3] = c.a;
  }
}

Rgba Canvas::Sample(float u, float v, bool wrap) const {
  float fx = u * w - 0.5f, fy = v * h - 0.5f;
  int x0 = (int)std::floor(fx), y0 = (int)std::floor(fy);
  float tx = fx - x0, ty = fy - y0;
  float acc[4] = {0, 0, 0, 0};
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      int xx = x0 + i, yy = y0 + j;
      if (wrap) {
        xx = ((xx % w) + w) % w;
        yy = ((yy % h) + h) % h;
      } else {
        xx = std::clamp(xx, 0, w - 1);
        yy = std::clamp(yy, 0, h - 1);
      }
      float wgt = (i ? tx : 1 - tx) * (j ? ty : 1 - ty);
      const float* p = at(xx, yy);
      for (int k = 0; k < 4; ++k) acc[k] += p[k] * wgt;
    }
  if (acc[3] <= 0) return {0, 0, 0, 0};
  return {acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3]};
}

Sdf Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return Hypot(x - cx, y - cy) - r; };
}
Sdf Ellipse(float cx, float cy, float rx, float ry) {
  // Approximate distance: scaled by the gradient length of the implicit form.
  return [=](float x, float y) {
    float dx = (x - cx) / rx, dy = (y - cy) / ry;
    float k = std::sqrt(dx * dx + dy * dy);
    float gx = dx / rx, gy = dy / ry;
    float g = std::sqrt(gx * gx + gy * gy);
    if (g < 1e-6f) return -std::min(rx, ry);
    return (k - 1) * k / g;
  };
}
Sdf RoundRect(float x0, float y0, float x1, float y1, float r) {
  float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  return [=](float x, float y) {
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return Hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - r;
  };
}
Sdf Segment(float ax, float ay, float bx, float by, float hw) {
  return [=](float x, float y) {
    float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    float l2 = bax * bax + bay * bay;
    float t = l2 > 0 ? std::clamp((pax * bax + pay * bay) / l2, 0.0f, 1.0f) : 0.0f;
    return Hypot(pax - bax * t, pay - bay * t) - hw;
  };
}
Sdf Polygon(std::vector<float> p) {
  return [p](float x, float y) {
    size_t n = p.size() / 2;
    float d = 1e30f;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      float xi = p[2 * i], yi = p[2 * i + 1], xj = p[2 * j], yj = p[2 * j + 1];
      float ex = xj - xi, ey = yj - yi, wx = x - xi, wy = y - yi;
      float l2 = ex * ex + ey * ey;
      float t = l2 > 0 ? std::clamp((wx * ex + wy * ey) / l2, 0.0f, 1.0f) : 0.0f;
      d = std::min(d, Hypot(wx - ex * t, wy - ey * t));
      if (((yi > y) != (yj > y)) && (x < (xj - xi) * (y - yi) / (yj - yi) + xi)) inside = !inside;
    }
    return inside ? -d : d;
  };
}
Sdf Union(Sdf a, Sdf b) { return [=](float x, float y) { return std::min(a(x, y), b(x, y)); }; }
Sdf Intersect(Sdf a, Sdf b) { return [=](float x, float y) { return std::max(a(x, y), b(x, y)); }; }
Sdf Subtract(Sdf a, Sdf b) { return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); }; }
Sdf Grow(Sdf a, float r) { return [=](float x, float y) { return a(x, y) - r; }; }
Sdf Ring(Sdf a, float hw) { return [=](float x, float y) { return std::fabs(a(x, y)) - hw; }; }
Sdf Rotated(Sdf a, float cx, float cy, float ang) {
  float c = Cos(ang), s = Sin(ang);
  return [=](float x, float y) {
    float dx = x - cx, dy = y - cy;
    return a(cx + dx * c + dy * s, cy - dx * s + dy * c);
  };
}

Paint Solid(const Rgba& c) { return [=](float, float) { return c; }; }
Paint Linear(float x0, float y0, const Rgba& c0, float x1, float y1, const Rgba& c1) {
  float dx = x1 - x0, dy = y1 - y0, l2 = dx * dx + dy * dy;
  return [=](float x, float y) {
    float t = l2 > 0 ? Clamp01(((x - x0) * dx + (y - y0) * dy) / l2) : 0;
    return Mix(c0, c1, t);
  };
}
Paint Radial(float cx, float cy, float r, const Rgba& inner, const Rgba& outer) {
  return [=](float x, float y) { return Mix(inner, outer, Clamp01(Hypot(x - cx, y - cy) / r)); };
}

void Fill(Canvas& c, const Sdf& shape, const Paint& paint) {
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      float d = shape(px, py);
      if (d >= 0.5f) continue;
      float cov = Clamp01(0.5f - d);
      c.Blend(x, y, paint(px, py), cov);
    }
}

Mask Dilate(const Mask& m, float radius) {
  int pad = (int)std::ceil(radius) + 1;
  Mask out;
  out.w = m.w + 2 * pad;
  out.h = m.h + 2 * pad;
  out.v.assign(size_t(out.w) * out.h, 0.0f);
  for (int y = 0; y < out.h; ++y)
    for (int x = 0; x < out.w; ++x) {
      float best = 0;
      for (int dy = -pad; dy <= pad; ++dy)
        for (int dx = -pad; dx <= pad; ++dx) {
          float w = Clamp01(radius + 0.5f - Hypot((float)dx, (float)dy));
          if (w <= 0) continue;
          float v = m.at(x - pad + dx, y - pad + dy) * w;
          best = std::max(best, v);
        }
      out.v[size_t(y) * out.w + x] = best;
    }
  // Keep the original origin: callers offset by -pad.
  return out;
}

void FillMask(Canvas& c, const Mask& m, int ox, int oy, const Paint& paint) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      float v = m.v[size_t(y) * m.w + x];
      if (v <= 0) continue;
      c.Blend(ox + x, oy + y, paint(ox + x + 0.5f, oy + y + 0.5f), v);
    }
}

// ---- text ----

static std::string FindFontFile() {
  const char* fixed = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
  struct stat st;
  if (stat(fixed, &st) == 0) return fixed;
  std::string found;
  if (FcInit()) {
    FcPattern* pat = FcNameParse((const FcChar8*)"IPAGothic");
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    if (match) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) found = (const char*)file;
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
  }
  return found;
}

static FT_Face GetFace() {
  static FT_Library lib = nullptr;
  static FT_Face face = nullptr;
  if (!face) {
    std::string path = FindFontFile();
    if (FT_Init_FreeType(&lib) || path.empty() || FT_New_Face(lib, path.c_str(), 0, &face)) {
      std::fprintf(stderr, "artgen: cannot open the gothic font (fonts-ipafont-gothic)\n");
      std::exit(1);
    }
  }
  return face;
}

struct GlyphBitmap {
  int left, top, w, h;
  float advance;
  std::vector<float> cov;
};

static GlyphBitmap LoadGlyph(char32_t ch, const TextStyle& st) {
  FT_Face face = GetFace();
  FT_Set_Char_Size(face, 0, (FT_F26Dot6)std::lround(st.px * 64), 72, 72);
  GlyphBitmap g{};
  if (FT_Load_Char(face, ch, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT)) return g;
  if (st.bold > 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&face->glyph->outline, (FT_Pos)std::lround(st.bold * 64));
  FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
  FT_Bitmap& bm = face->glyph->bitmap;
  g.left = face->glyph->bitmap_left;
  g.top = face->glyph->bitmap_top;
  g.w = (int)bm.width;
  g.h = (int)bm.rows;
  g.advance = face->glyph->advance.x / 64.0f + st.bold;
  g.cov.resize(size_t(g.w) * g.h);
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) g.cov[size_t(y) * g.w + x] = bm.buffer[y * bm.pitch + x] / 255.0f;
  return g;
}

float TextAdvance(const std::u32string& text, const TextStyle& st) {
  float a = 0;
  for (char32_t ch : text) a += LoadGlyph(ch, st).advance;
  return a;
}

Mask RenderText(const std::u32string& text, const TextStyle& st) {
  std::vector<GlyphBitmap> gs;
  std::vector<int> pens;
  float pen = 0;
  int minx = 1 << 20, maxx = -(1 << 20), miny = 1 << 20, maxy = -(1 << 20);
  for (char32_t ch : text) {
    GlyphBitmap g = LoadGlyph(ch, st);
    int px = (int)std::lround(pen);
    if (g.w > 0 && g.h > 0) {
      minx = std::min(minx, px + g.left);
      maxx = std::max(maxx, px + g.left + g.w);
      miny = std::min(miny, -g.top);
      maxy = std::max(maxy, -g.top + g.h);
    }
    pens.push_back(px);
    pen += g.advance;
    gs.push_back(std::move(g));
  }
  Mask m;
  if (maxx <= minx) return m;
  m.w = maxx - minx;
  m.h = maxy - miny;
  m.v.assign(size_t(m.w) * m.h, 0.0f);
  for (size_t i = 0; i < gs.size(); ++i) {
    const GlyphBitmap& g = gs[i];
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x) {
        int mx = pens[i] + g.left + x - minx, my = -g.top + y - miny;
        float& d = m.v[size_t(my) * m.w + mx];
        d = std::min(1.0f, d + g.cov[size_t(y) * g.w + x]);
      }
  }
  return m;
}

void DrawText(Canvas& c, const std::u32string& text, const TextStyle& st, float cx, float cy,
              const Paint& fill, const Rgba& outline, float outlineWidth) {
  Mask m = RenderText(text, st);
  int ox = (int)std::lround(cx - m.w / 2.0f), oy = (int)std::lround(cy - m.h / 2.0f);
  if (outlineWidth > 0) {
    Mask o = Dilate(m, outlineWidth);
    int pad = (o.w - m.w) / 2;
    FillMask(c, o, ox - pad, oy - pad, Solid(outline));
  }
  FillMask(c, m, ox, oy, fill);
}

TextStyle FitText(const std::u32string& text, TextStyle st, float maxWidth) {
  while (st.px > 6 && RenderText(text, st).w > maxWidth) st.px -= 0.5f;
  return st;
}

// ---- output ----

Image8 ToImage(const Canvas& c, int channels) {
  Image8 img;
  img.w = c.w;
  img.h = c.h;
  img.channels = channels;
  img.data.resize(size_t(c.w) * c.h * channels);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      Rgba s = c.Get(x, y);
      uint8_t* d = &img.data[(size_t(y) * c.w + x) * channels];
      d[0] = (uint8_t)std::lround(Clamp01(s.r) * 255);
      d[1] = (uint8_t)std::lround(Clamp01(s.g) * 255);
      d[2] = (uint8_t)std::lround(Clamp01(s.b) * 255);
      if (channels == 4) d[3] = (uint8_t)std::lround(Clamp01(s.a) * 255);
    }
  return img;
}

Canvas FromImage(const Image8& img) {
  Canvas c(img.w, img.h);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* s = &img.data[(size_t(y) * img.w + x) * img.channels];
      float a = img.channels == 4 ? s[3] / 255.0f : 1.0f;
      float* d = c.at(x, y);
      d[0] = s[0] / 255.0f * a;
      d[1] = s[1] / 255.0f * a;
      d[2] = s[2] / 255.0f * a;
      d[3] = a;
    }
  return c;
}

static void Put16(std::vector<uint8_t>& b, uint32_t v) { b.push_back(v & 255); b.push_back((v >> 8) & 255); }
static void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }

bool WriteBmp(const std::string& path, const Image8& img) {
  int rowBytes = (img.w * 3 + 3) & ~3;
  uint32_t dataSize = uint32_t(rowBytes) * img.h;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + dataSize);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);  // BITMAPINFOHEADER
  Put32(b, img.w);
  Put32(b, img.h);  // positive: bottom-up
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);  // BI_RGB
  Put32(b, dataSize);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* s = &img.data[(size_t(y) * img.w + x) * img.channels];
      b.push_back(s[2]);
      b.push_back(s[1]);
      b.push_back(s[0]);
    }
    for (int p = img.w * 3; p < rowBytes; ++p) b.push_back(0);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

bool WritePng(const std::string& path, const Image8& img) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  // Fixed compression settings: the same pixels always give the same bytes.
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, img.w, img.h, 8, img.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < img.h; ++y)
    png_write_row(png, (png_const_bytep)&img.data[size_t(y) * img.w * img.channels]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool WriteJpeg(const std::string& path, const Image8& img, int quality) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = img.w;
  cinfo.image_height = img.h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_ISLOW;  // the exact integer transform, the same on every CPU
  cinfo.optimize_coding = FALSE;
  cinfo.write_JFIF_header = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(img.w) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = cinfo.next_scanline;
    for (int x = 0; x < img.w; ++x)
      for (int k = 0; k < 3; ++k) row[x * 3 + k] = img.data[(size_t(y) * img.w + x) * img.channels + k];
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(f) == 0;
}

// ---- noise ----

static float Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / float(0xFFFFFF);
}

float Noise2(float x, float y, int period, uint32_t seed) {
  int x0 = (int)std::floor(x), y0 = (int)std::floor(y);
  float tx = x - x0, ty = y - y0;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto h = [&](int i, int j) {
    int a = i, b = j;
    if (period > 0) {
      a = ((a % period) + period) % period;
      b = ((b % period) + period) % period;
    }
    return Hash(a, b, seed);
  };
  float a = h(x0, y0) + (h(x0 + 1, y0) - h(x0, y0)) * tx;
  float b = h(x0, y0 + 1) + (h(x0 + 1, y0 + 1) - h(x0, y0 + 1)) * tx;
  return a + (b - a) * ty;
}

float Fbm(float x, float y, int period, uint32_t seed, int octaves) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += Noise2(x, y, period, seed + o * 17) * amp;
    norm += amp;
    x *= 2;
    y *= 2;
    period *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

}  // namespace art
