// The sprite atlas: every picture of the overlays, drawn for its role, and
// the table of rectangles the game draws from.
#include <algorithm>
#include <cmath>

#include "tools/art.h"
#include "tools/art_image.h"
#include "tools/art_internal.h"

namespace art {

// Every rectangle the game's overlays draw from "data\Sprite.bmp".
// tint: the sprite colour (ARGB) the game draws the picture with; pictures
// tinted with a colour are white and grey so the tint decides their colour.
const std::vector<AtlasRect>& AtlasRects() {
  static const std::vector<AtlasRect> rects = {
      // Goal markers and scroll buttons.
      {"goal marker", 230, 2, 285, 57, "goal bell / goal area marker, centred at the marker point", 0x96FFFFFF,
       "none", false},
      {"object marker", 172, 2, 227, 57, "marker of the object to carry (start ball, truck, rocket), centred",
       0x96FFFFFF, "none", false},
      {"marker arrow", 141, 46, 166, 60, "arrow beside a marker, centre (12, 42): sits 28..42 px from the marker",
       0x96FFFFFF, "points up at 0; turned towards the target", false},
      {"scroll arrow", 141, 2, 169, 21, "scroll buttons W S D A at the window edges, scaled 1.5, centre (14, 9)",
       0xFFFF0000, "points up at 0; W 0, S pi, D pi/2, A -pi/2; tinted red, pink when lit, green when fast",
       false},
      {"zoom-in button", 288, 2, 323, 18, "Q button at (590, 62) scaled 1.5, letter Q drawn over it at image (15, 4)",
       0xFFFF0000, "none; tinted red, pink when lit", false},
      {"zoom-out button", 288, 21, 323, 42, "E button at (590, 87) scaled 1.5, letter E drawn over it at image (15, 5)",
       0xFFFF0000, "none; tinted red, pink when lit", false},
      // Labels and gizmos.
      {"motor icon", 347, 128, 415, 171, "spins at the hovered motorised item, centre (34, 21)", 0xC8FFFFFF,
       "any angle; mirrored in x for a right motor; arrows turn anticlockwise as drawn", false},
      {"move arrow", 2, 2, 37, 62, "move gizmo: four arrows 80 px from the item, centre (17, 30)", 0x9BFFFFFF,
       "0/90/180/270; drawn below the item at 0, so it points down, away from the item", false},
      {"rotate arrow", 40, 2, 100, 67, "rotate gizmo: two curved arrows at (-60, 60) from the item, centre (30, 32)",
       0x9BFFFFFF, "item angle and +180; the arc bulges away from the item", false},
      {"resize arrow", 103, 2, 138, 62, "resize gizmo: four double arrows 100 px from the item, centre (17, 30)",
       0x9BFFFFFF, "item angle + 0/90/180/270", false},
      // HUD.
      {"palette panel", 3, 70, 114, 175, "dark panel behind the palette wheel, bottom-right corner of the screen",
       0x96000000, "none; only its shape shows (tinted black)", false},
      {"still-scene picture", 113, 241, 222, 268, "shown at (266, 120) while nothing moves in a run", 0,
       "none; white with the fading alpha", false},
      {"clear sparkle", 117, 65, 135, 83, "clear sparkles, centre (9, 9), scaled", 0,
       "any angle; additive, white with the sparkle's alpha", true},
      {"clear banner", 138, 65, 378, 92, "stage-clear banner at (200, 120)", 0xFFFFFFFF, "none", false},
      {"clear blink line", 117, 95, 357, 122, "pulses over the banner at (200, 120), alpha 40..200", 0, "none", false},
      {"mode badge, editing", 170, 125, 344, 148, "top-left badge in the editing mode, at (2, 2)", 0xFFFFFFFF, "none",
       false},
      {"mode badge, placing", 170, 151, 299, 174, "top-left badge in the placing mode, at (2, 2)", 0xFFFFFFFF, "none",
       false},
      {"mode badge, running", 170, 177, 282, 200, "top-left badge in the running mode, at (2, 2)", 0xFFFFFFFF, "none",
       false},
      {"verified icon", 2, 200, 57, 255, "at (5, 420) once a test run has cleared the stage", 0xFFFFFFFF, "none",
       false},
      {"start button", 381, 2, 478, 33, "start button at (390, 445) in the placing mode; top 26 rows light up",
       0xFFFFFFFF, "none", false},
      {"stop button", 381, 36, 478, 67, "stop button at (390, 445) in the running mode; top 26 rows light up",
       0xFFFFFFFF, "none", false},
      {"item-bar slot frame", 2, 258, 122, 339,
       "frame of an item-bar slot at (532, 37 + 81 k); only the left 108 columns are on screen", 0xDCFFFFFF,
       "none; columns from 109 on are shared with the pictures to its right", false},
      {"truck guide 1", 291, 241, 430, 271, "truck keys: arrows tilt, at (10, 440)", 0xFFFFFFFF, "none", false},
      {"truck guide 2", 291, 274, 431, 304, "truck keys: Z X drive, at (170, 440)", 0xFFFFFFFF, "none", false},
      {"truck guide 3", 291, 307, 425, 337, "truck keys: C camera, at (10, 410)", 0xFFFFFFFF, "none", false},
      {"truck guide 4", 364, 174, 436, 204, "truck key: R sets it upright, at (284, 220) while still", 0xFFFFFFFF,
       "none", false},
      // Title screen.
      {"logo", 2, 357, 461, 449, "title logo at (91, 50)", 0xFFFFFFFF, "none", false},
      {"play-list button", 113, 271, 288, 311, "title button at (233, 300): opens the play list", 0xFFFFFFFF, "none",
       false},
      {"new-stage button", 113, 314, 288, 354, "title button at (233, 350): new stage in the editor", 0xFFFFFFFF,
       "none", false},
      {"pip, level attained", 288, 45, 301, 59, "device-level pip at (590 + 15 k, 5)", 0xFFFFFFFF, "none", false},
      {"pip, level not attained", 304, 45, 317, 59, "device-level pip at (590 + 15 k, 5)", 0xFFFFFFFF, "none",
       false},
  };
  return rects;
}

namespace {

const float kPi = 3.14159265358979f;

// The toy palette every picture shares.
const Rgba kInk = Hex(0x2B2540);
const Rgba kWhite = Hex(0xFFFFFF);
const Rgba kCream = Hex(0xFFF6E0);
const Rgba kRed = Hex(0xE8453C);
const Rgba kOrange = Hex(0xF39C2D);
const Rgba kYellow = Hex(0xF7D038);
const Rgba kGreen = Hex(0x4DB845);
const Rgba kBlue = Hex(0x3C7DD9);
const Rgba kSky = Hex(0x39B6D6);
const Rgba kGrey = Hex(0xB8BCC8);

Rgba Lighter(const Rgba& c, float t) { return Mix(c, kWhite, t); }
Rgba Darker(const Rgba& c, float t) { return Mix(c, Hex(0x000000), t); }

// A shape with a dark rim: the silhouette is `shape` grown by `rim`.
void Outlined(Canvas& c, const Sdf& shape, const Paint& fill, float rim, const Rgba& rimColour = kInk) {
  Fill(c, Grow(shape, rim), Solid(rimColour));
  Fill(c, shape, fill);
}

// A glossy toy button face.
void Button(Canvas& c, float x0, float y0, float x1, float y1, float r, const Rgba& base) {
  Fill(c, RoundRect(x0, y0, x1, y1, r), Solid(kInk));
  Fill(c, RoundRect(x0 + 1.5f, y0 + 1.5f, x1 - 1.5f, y1 - 1.5f, r - 1.5f),
       Linear(0, y0, Lighter(base, 0.25f), 0, y1, Darker(base, 0.18f)));
  float mid = (y0 + y1) / 2;
  Fill(c, RoundRect(x0 + 4, y0 + 3, x1 - 4, mid, std::max(1.0f, r - 3)),
       Linear(0, y0 + 3, Rgba{1, 1, 1, 0.45f}, 0, mid, Rgba{1, 1, 1, 0.08f}));
}

std::vector<float> ArcArrowPolygon(float cx, float cy, float R, float a0, float a1, float band, float headLen,
                                   float headHalf, bool headAtStart, bool headAtEnd) {
  // Angles in radians, screen coordinates (y down); the arc runs a0 -> a1.
  std::vector<float> pts;
  auto P = [&](float r, float a) {
    pts.push_back(cx + r * Cos(a));
    pts.push_back(cy + r * Sin(a));
  };
  float dir = a1 > a0 ? 1.0f : -1.0f;
  float headAng = headLen / R;
  float s0 = headAtStart ? a0 + dir * headAng : a0;
  float s1 = headAtEnd ? a1 - dir * headAng : a1;
  const int n = 24;
  float ro = R + band / 2, ri = R - band / 2;
  // Outer edge s0 -> s1.
  for (int i = 0; i <= n; ++i) P(ro, s0 + (s1 - s0) * i / n);
  if (headAtEnd) {
    P(R + headHalf, s1);
    P(R, a1);
    P(R - headHalf, s1);
  }
  for (int i = n; i >= 0; --i) P(ri, s0 + (s1 - s0) * i / n);
  if (headAtStart) {
    P(R - headHalf, s0);
    P(R, a0);
    P(R + headHalf, s0);
  }
  return pts;
}

std::vector<float> StarPolygon(float cx, float cy, float ro, float ri, int points, float rot) {
  std::vector<float> p;
  for (int i = 0; i < points * 2; ++i) {
    float a = rot + kPi * i / points;
    float r = (i % 2) ? ri : ro;
    p.push_back(cx + r * Sin(a));
    p.push_back(cy - r * Cos(a));
  }
  return p;
}

void KeyCap(Canvas& c, float x, float y, float w, float h, const std::u32string& label, float px) {
  Fill(c, RoundRect(x, y, x + w, y + h, 4), Solid(kInk));
  Fill(c, RoundRect(x + 1, y + 1, x + w - 1, y + h - 1, 3), Solid(Hex(0x9A9AB0)));
  Fill(c, RoundRect(x + 1, y + 1, x + w - 1, y + h - 3, 3), Linear(0, y, kWhite, 0, y + h, Hex(0xD8DAE6)));
  TextStyle st{px, 0.4f};
  st = FitText(label, st, w - 4);
  DrawText(c, label, st, x + w / 2, y + (h - 2) / 2, Solid(kInk), kInk, 0);
}

Canvas MoveArrow() {  // 35 x 60, points down (away from the item above it)
  Canvas c(35, 60);
  Sdf s = Polygon({12.5f, 4, 22.5f, 4, 22.5f, 31, 32, 31, 17.5f, 56, 3, 31, 12.5f, 31});
  Outlined(c, s, Linear(0, 4, Lighter(kGreen, 0.35f), 0, 56, Darker(kGreen, 0.1f)), 2);
  Fill(c, Polygon({15, 7, 17, 7, 17, 33, 15, 33}), Solid(Rgba{1, 1, 1, 0.5f}));
  return c;
}

Canvas ResizeArrow() {  // 35 x 60, double-headed along y
  Canvas c(35, 60);
  Sdf s = Polygon({17.5f, 3, 32, 21, 22, 21, 22, 39, 32, 39, 17.5f, 57, 3, 39, 13, 39, 13, 21, 3, 21});
  Outlined(c, s, Linear(0, 3, Lighter(kOrange, 0.35f), 0, 57, Darker(kOrange, 0.1f)), 2);
  Fill(c, Polygon({15.5f, 14, 17.5f, 14, 17.5f, 46, 15.5f, 46}), Solid(Rgba{1, 1, 1, 0.45f}));
  return c;
}

Canvas RotateArrow() {  // 60 x 65: a curved double arrow bulging away from the item
  Canvas c(60, 65);
  // Drawn at (-60, 60) from the item (up and to the right of the picture at
  // rotation 0); the arc's centre lies toward the item.
  float cx = 50, cy = 12, R = 28;
  float a0 = 80 * kPi / 180, a1 = 190 * kPi / 180;
  std::vector<float> poly = ArcArrowPolygon(cx, cy, R, a0, a1, 9, 13, 11, true, true);
  Sdf s = Polygon(poly);
  Outlined(c, s, Radial(cx, cy, R + 8, Lighter(kBlue, 0.45f), Darker(kBlue, 0.05f)), 2);
  std::vector<float> hl = ArcArrowPolygon(cx, cy, R + 1.5f, a0 + 0.5f, a1 - 0.5f, 2.2f, 0, 0, false, false);
  Fill(c, Polygon(hl), Solid(Rgba{1, 1, 1, 0.45f}));
  return c;
}

Canvas MotorIcon() {  // 68 x 43, centre (34, 21): a gear in an orbit of two arrows (anticlockwise)
  Canvas c(68, 43);
  float cx = 34, cy = 21;
  // Orbit arrows on an ellipse: build each arc as a polygon in a circle
  // space and squash it vertically.
  auto squash = [&](std::vector<float> p) {
    for (size_t i = 1; i < p.size(); i += 2) p[i] = cy + (p[i] - cy) * 0.56f;
    return p;
  };
  // Screen y is down: decreasing angle runs anticlockwise on screen.
  std::vector<float> a = squash(ArcArrowPolygon(cx, cy, 29, 10 * kPi / 180, -150 * kPi / 180, 6, 9, 7.5f, false, true));
  std::vector<float> b = squash(ArcArrowPolygon(cx, cy, 29, 190 * kPi / 180, 30 * kPi / 180, 6, 9, 7.5f, false, true));
  Outlined(c, Polygon(a), Solid(Lighter(kYellow, 0.1f)), 1.8f);
  Outlined(c, Polygon(b), Solid(Lighter(kYellow, 0.1f)), 1.8f);
  // Gear in the middle.
  std::vector<float> g;
  const int teeth = 8;
  for (int i = 0; i < teeth * 4; ++i) {
    float ang = 2 * kPi * (i + 0.5f) / (teeth * 4);
    float r = (i % 4 < 2) ? 10.5f : 8.0f;
    g.push_back(cx + r * Cos(ang));
    g.push_back(cy + r * Sin(ang));
  }
  Sdf gear = Subtract(Polygon(g), Circle(cx, cy, 3));
  Outlined(c, gear, Radial(cx - 3, cy - 3, 12, Lighter(kOrange, 0.4f), Darker(kOrange, 0.1f)), 1.6f);
  return c;
}

Canvas MarkerArrow() {  // 25 x 14, points up
  Canvas c(25, 14);
  Sdf s = Polygon({12.5f, 2.5f, 22.5f, 11.5f, 2.5f, 11.5f});
  Outlined(c, s, Linear(0, 2, Lighter(kYellow, 0.3f), 0, 12, kOrange), 1.8f);
  return c;
}

Canvas ScrollArrow() {  // 28 x 19, points up; white and grey for the tint
  Canvas c(28, 19);
  Sdf s = Grow(Polygon({14, 3.5f, 24.5f, 15, 3.5f, 15}), 1.0f);
  Outlined(c, s, Linear(0, 3, kWhite, 0, 16, Hex(0xC8C8C8)), 1.8f, Hex(0x404040));
  Fill(c, Polygon({14, 7, 18.5f, 12, 9.5f, 12}), Solid(Rgba{1, 1, 1, 0.9f}));
  return c;
}

Canvas ZoomButton(int w, int h, bool plus) {  // white and grey pill with a magnifier
  Canvas c(w, h);
  float r = h / 2.0f - 0.5f;
  Fill(c, RoundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, r), Solid(Hex(0x383838)));
  Fill(c, RoundRect(2, 2, w - 2, h - 2, r - 1.5f), Linear(0, 2, kWhite, 0, h - 2.0f, Hex(0xBEBEBE)));
  // Magnifier on the left, clear of the letter the game draws at x 15..21.
  float mx = 7.0f, my = h / 2.0f - 1.0f, mr = h >= 20 ? 4.6f : 3.8f;
  Fill(c, Ring(Circle(mx, my, mr), 1.1f), Solid(Hex(0x383838)));
  Fill(c, Segment(mx + mr * 0.7f, my + mr * 0.7f, mx + mr * 1.5f, my + mr * 1.5f, 1.3f), Solid(Hex(0x383838)));
  Fill(c, Segment(mx - mr * 0.5f, my, mx + mr * 0.5f, my, 0.6f), Solid(Hex(0x383838)));
  if (plus) Fill(c, Segment(mx, my - mr * 0.5f, mx, my + mr * 0.5f, 0.6f), Solid(Hex(0x383838)));
  // A darker well for the game's letter.
  Fill(c, RoundRect(13.5f, 3, 23.5f, h - 3.0f, 3), Solid(Hex(0x8C8C8C)));
  return c;
}

Canvas GoalMarker() {  // 55 x 55, centred
  Canvas c(55, 55);
  float cx = 27.5f, cy = 27.5f;
  Fill(c, Circle(cx, cy, 26.5f), Solid(kInk));
  Fill(c, Circle(cx, cy, 25), Linear(0, 3, Lighter(kYellow, 0.3f), 0, 52, kOrange));
  Fill(c, Circle(cx, cy, 19.5f), Solid(kInk));
  Fill(c, Circle(cx, cy, 18.5f), Radial(cx, cy - 6, 22, kWhite, kCream));
  // A chequered flag over the word, both inside the cream disc: the marker is
  // drawn at alpha 150, so nothing may cross the dark ring.
  float fx = 21, fy = 12.5f;
  Fill(c, Segment(fx, fy, fx, fy + 12.5f, 1.1f), Solid(kInk));
  Fill(c, RoundRect(fx + 1, fy, fx + 14.5f, fy + 8.5f, 1), Solid(kInk));
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 5; ++i) {
      float x0 = fx + 1.75f + i * 2.4f, y0 = fy + 0.75f + j * 2.35f;
      Fill(c, RoundRect(x0, y0, x0 + 2.4f, y0 + 2.35f, 0), Solid(((i + j) % 2) ? kInk : kWhite));
    }
  TextStyle st = FitText(U"ゴール", TextStyle{11.5f, 0.9f}, 29);
  DrawText(c, U"ゴール", st, cx, 34.5f, Solid(Darker(kRed, 0.15f)), kWhite, 0);
  return c;
}

Canvas ObjectMarker() {  // 55 x 55, centred
  Canvas c(55, 55);
  float cx = 27.5f, cy = 27.5f;
  Fill(c, Circle(cx, cy, 26.5f), Solid(kInk));
  Fill(c, Circle(cx, cy, 25), Linear(0, 3, Lighter(kSky, 0.3f), 0, 52, kBlue));
  Fill(c, Circle(cx, cy, 19.5f), Solid(kInk));
  Fill(c, Circle(cx, cy, 18.5f), Radial(cx, cy - 6, 22, kWhite, kCream));
  Sdf star = Polygon(StarPolygon(cx, cy + 1, 15, 6.5f, 5, 0));
  Outlined(c, star, Linear(0, 12, Lighter(kYellow, 0.4f), 0, 42, kOrange), 1.6f);
  return c;
}

Canvas PalettePanel() {  // 111 x 105: only the shape shows (tinted black)
  Canvas c(111, 105);
  Sdf s = Union(RoundRect(0, 0, 111 + 20, 105 + 20, 16), RoundRect(0, 0, 0, 0, 0));
  Fill(c, s, Solid(Hex(0x34344A)));
  Fill(c, Ring(RoundRect(1.5f, 1.5f, 131, 125, 14.5f), 0.6f), Solid(Hex(0x5A5A78)));
  return c;
}

Canvas StillScene() {  // 109 x 27: "SPACE で戻る"
  Canvas c(109, 27);
  Fill(c, RoundRect(0.5f, 0.5f, 108.5f, 26.5f, 13), Solid(kInk));
  Fill(c, RoundRect(2, 2, 107, 25, 11.5f), Linear(0, 2, Hex(0x4A4470), 0, 25, Hex(0x332E52)));
  KeyCap(c, 7, 5, 44, 17, U"SPACE", 9);
  TextStyle st{14, 0.5f};
  DrawText(c, U"で戻る", st, 79, 13.5f, Solid(kWhite), kInk, 0);
  return c;
}

Canvas Sparkle() {  // 18 x 18, additive: black is nothing
  Canvas c(18, 18);
  c.Clear(Hex(0x000000));
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x) {
      float dx = x + 0.5f - 9, dy = y + 0.5f - 9;
      float r = Hypot(dx, dy);
      float cross = Exp(-std::fabs(dx) * 1.3f) * std::max(0.0f, 1 - std::fabs(dy) / 9) +
                    Exp(-std::fabs(dy) * 1.3f) * std::max(0.0f, 1 - std::fabs(dx) / 9);
      float core = Exp(-r * r / 6.0f);
      float halo = std::max(0.0f, 1 - r / 9) * 0.25f;
      float v = std::min(1.0f, cross * 0.8f + core + halo);
      Rgba col = Mix(Hex(0xFFC640), Hex(0xFFFFF0), std::min(1.0f, core + cross * 0.4f));
      c.Blend(x, y, Scale(col, v), 1);
    }
  return c;
}

const std::u32string kClearText = U"ステージクリア！";
const TextStyle kClearStyle{19, 1.0f};

Canvas ClearBanner() {  // 240 x 27
  Canvas c(240, 27);
  // Ribbon with notched tails.
  Sdf tails = Union(Polygon({0.5f, 5, 26, 5, 26, 24, 0.5f, 24, 8, 14.5f}),
                    Polygon({239.5f, 5, 214, 5, 214, 24, 239.5f, 24, 232, 14.5f}));
  Fill(c, tails, Solid(kInk));
  Fill(c, Grow(tails, -1.5f), Solid(Darker(kRed, 0.25f)));
  Sdf band = RoundRect(14, 0.5f, 226, 26.5f, 5);
  Fill(c, band, Solid(kInk));
  Fill(c, RoundRect(15.5f, 2, 224.5f, 25, 4), Linear(0, 2, Lighter(kRed, 0.2f), 0, 25, Darker(kRed, 0.12f)));
  Fill(c, RoundRect(18, 3.5f, 222, 12, 3), Solid(Rgba{1, 1, 1, 0.22f}));
  Mask m = RenderText(kClearText, kClearStyle);
  Mask o = Dilate(m, 2.0f);
  int ox = 120 - m.w / 2, oy = 14 - m.h / 2;
  int pad = (o.w - m.w) / 2;
  FillMask(c, o, ox - pad, oy - pad, Solid(kInk));
  FillMask(c, m, ox, oy, Linear(0, (float)oy, kWhite, 0, (float)oy + m.h, kYellow));
  return c;
}

Canvas ClearBlink() {  // 240 x 27: the banner's letters, lit
  Canvas c(240, 27);
  Mask m = RenderText(kClearText, kClearStyle);
  Mask o = Dilate(m, 1.0f);
  int ox = 120 - m.w / 2, oy = 14 - m.h / 2;
  int pad = (o.w - m.w) / 2;
  FillMask(c, o, ox - pad, oy - pad, Solid(Hex(0xFFF2A0)));
  FillMask(c, m, ox, oy, Solid(Hex(0xFFFFF4)));
  return c;
}

enum BadgeIcon { kIconPencil, kIconBlock, kIconPlay };

Canvas Badge(int w, const std::u32string& text, const Rgba& base, BadgeIcon icon) {  // w x 23
  Canvas c(w, 23);
  Button(c, 0.5f, 0.5f, w - 0.5f, 22.5f, 11, base);
  float ix = 12, iy = 11.5f;
  Fill(c, Circle(ix, iy, 8), Solid(kInk));
  Fill(c, Circle(ix, iy, 7), Solid(kWhite));
  switch (icon) {
    case kIconPencil:
      Fill(c, Segment(ix - 3.5f, iy + 3.5f, ix + 3, iy - 3, 1.7f), Solid(Darker(base, 0.2f)));
      Fill(c, Polygon({ix - 5, iy + 5, ix - 4.5f, iy + 2.2f, ix - 2.2f, iy + 4.5f}), Solid(kInk));
      break;
    case kIconBlock:
      Fill(c, RoundRect(ix - 4.5f, iy - 1, ix + 0.5f, iy + 4.5f, 0.8f), Solid(Darker(base, 0.2f)));
      Fill(c, RoundRect(ix + 1, iy - 1, ix + 5, iy + 4.5f, 0.8f), Solid(kOrange));
      Fill(c, RoundRect(ix - 2, iy - 5.5f, ix + 3, iy - 1.5f, 0.8f), Solid(kRed));
      break;
    case kIconPlay:
      Fill(c, Polygon({ix - 2.5f, iy - 4.5f, ix + 4.5f, iy, ix - 2.5f, iy + 4.5f}), Solid(Darker(base, 0.2f)));
      break;
  }
  TextStyle st = FitText(text, TextStyle{14, 0.6f}, w - 32.0f);
  float cx = 22 + (w - 22) / 2.0f - 2;
  DrawText(c, text, st, cx, 11.5f, Solid(kWhite), kInk, 1.4f);
  return c;
}

Canvas Verified() {  // 55 x 55
  Canvas c(55, 55);
  float cx = 27.5f, cy = 24;
  std::vector<float> ros;
  for (int i = 0; i < 64; ++i) {
    float a = 2 * kPi * i / 64;
    float r = 22 + 2.0f * Cos(a * 16);
    ros.push_back(cx + r * Cos(a));
    ros.push_back(cy + r * Sin(a));
  }
  Outlined(c, Polygon(ros), Linear(0, 2, Lighter(kGreen, 0.3f), 0, 48, Darker(kGreen, 0.15f)), 1.5f);
  Fill(c, Ring(Circle(cx, cy, 16), 0.8f), Solid(Rgba{1, 1, 1, 0.6f}));
  Sdf check = Union(Segment(cx - 9, cy - 1, cx - 3, cy + 6, 3), Segment(cx - 3, cy + 6, cx + 10, cy - 9, 3));
  Outlined(c, check, Solid(kWhite), 1.5f);
  // Ribbon across the bottom with the label.
  Sdf ribbon = Polygon({1, 40, 8, 38, 47, 38, 54, 40, 51, 47, 54, 54, 47, 52, 8, 52, 1, 54, 4, 47});
  Outlined(c, ribbon, Linear(0, 38, Lighter(kRed, 0.15f), 0, 53, Darker(kRed, 0.1f)), 1.2f);
  TextStyle st = FitText(U"クリア済", TextStyle{10.5f, 0.35f}, 40);
  DrawText(c, U"クリア済", st, cx, 45.5f, Solid(kWhite), kInk, 0);
  return c;
}

Canvas StartStop(bool start) {  // 97 x 31: face in the top 26 rows, base below
  Canvas c(97, 31);
  Rgba base = start ? kGreen : kRed;
  Fill(c, RoundRect(0.5f, 4, 96.5f, 30.5f, 8), Solid(kInk));
  Fill(c, RoundRect(2, 5, 95, 29, 7), Solid(Darker(base, 0.45f)));
  Button(c, 0.5f, 0.5f, 96.5f, 25.5f, 8, base);
  float ix = 16, iy = 13;
  if (start)
    Outlined(c, Polygon({ix - 4, iy - 6, ix + 6, iy, ix - 4, iy + 6}), Solid(kWhite), 1.4f);
  else
    Outlined(c, RoundRect(ix - 5, iy - 5, ix + 5, iy + 5, 1.2f), Solid(kWhite), 1.4f);
  TextStyle st = FitText(start ? U"スタート" : U"ストップ", TextStyle{15, 0.7f}, 64);
  DrawText(c, start ? U"スタート" : U"ストップ", st, 56, 13, Solid(kWhite), kInk, 1.5f);
  return c;
}

Canvas SlotFrame() {  // 120 x 81; the screen shows its left 108 columns
  Canvas c(108, 81);
  Sdf outer = RoundRect(1, 1, 107, 80, 9);
  Sdf frame = Subtract(outer, RoundRect(5, 5, 103, 76, 6));
  Fill(c, Grow(frame, 1.2f), Solid(kInk));
  Fill(c, frame, Linear(0, 1, kWhite, 0, 80, Hex(0xA8AEC0)));
  // Rivets in the corners.
  for (float x : {3.0f, 105.0f})
    for (float y : {3.0f, 78.0f}) Fill(c, Circle(x, y, 1.1f), Solid(Hex(0x6A7088)));
  return c;
}

Canvas TruckGuide(int w, const std::vector<std::u32string>& keys, const std::u32string& text) {  // w x 30
  Canvas c(w, 30);
  Fill(c, RoundRect(0.5f, 0.5f, w - 0.5f, 29.5f, 9), Solid(kInk));
  Fill(c, RoundRect(2, 2, w - 2.0f, 28, 7.5f), Linear(0, 2, Hex(0x4A4470), 0, 28, Hex(0x332E52)));
  float x = 5;
  for (const auto& k : keys) {
    KeyCap(c, x, 4, 22, 22, k, k.size() == 1 && k[0] < 128 ? 13 : 12);
    x += 24;
  }
  float avail = w - x - 6;
  TextStyle st = FitText(text, TextStyle{13, 0.5f}, avail);
  DrawText(c, text, st, x + 2 + avail / 2, 15, Solid(kWhite), kInk, 0);
  return c;
}

Canvas Logo() {  // 459 x 92
  Canvas c(459, 92);
  const std::u32string title = U"ギズモワークス";
  const Rgba colours[7] = {kRed, kOrange, kYellow, kGreen, kSky, kBlue, Hex(0x9A62D0)};
  TextStyle st{66, 2.2f};
  // Lay the letters out one by one with a little bounce.
  std::vector<Mask> masks;
  float total = 0;
  for (char32_t ch : title) {
    masks.push_back(RenderText(std::u32string(1, ch), st));
    total += masks.back().w + 4;
  }
  total -= 4;
  float x = (459 - total) / 2;
  for (size_t i = 0; i < masks.size(); ++i) {
    const Mask& m = masks[i];
    int ox = (int)std::lround(x), oy = (int)std::lround(46 - m.h / 2.0f + ((i % 2) ? 3 : -3));
    Mask outline = Dilate(m, 4.5f);
    int pad = (outline.w - m.w) / 2;
    FillMask(c, outline, ox - pad + 2, oy - pad + 3, Solid(Darker(kInk, 0.2f)));  // shadow
    FillMask(c, outline, ox - pad, oy - pad, Solid(kInk));
    Mask inner = Dilate(m, 1.5f);
    int p2 = (inner.w - m.w) / 2;
    FillMask(c, inner, ox - p2, oy - p2, Solid(kWhite));
    FillMask(c, m, ox, oy,
             Linear(0, (float)oy, Lighter(colours[i], 0.35f), 0, (float)oy + m.h, Darker(colours[i], 0.1f)));
    // A glossy streak on the upper part of each letter.
    for (int yy = 0; yy < m.h * 0.38f; ++yy)
      for (int xx = 0; xx < m.w; ++xx) {
        float v = m.at(xx, yy) * m.at(xx, yy + 3);
        if (v > 0) c.Blend(ox + xx, oy + yy, Rgba{1, 1, 1, 0.35f}, v);
      }
    x += m.w + 4;
  }
  return c;
}

Canvas TitleButton(const std::u32string& text, const Rgba& base, bool listIcon) {  // 175 x 40
  Canvas c(175, 40);
  Fill(c, RoundRect(0.5f, 3, 174.5f, 39.5f, 12), Solid(kInk));
  Fill(c, RoundRect(2, 4, 173, 38.5f, 11), Solid(Darker(base, 0.45f)));
  Button(c, 0.5f, 0.5f, 174.5f, 35.5f, 12, base);
  float ix = 22, iy = 18;
  Fill(c, Circle(ix, iy, 12), Solid(kInk));
  Fill(c, Circle(ix, iy, 10.5f), Solid(kWhite));
  if (listIcon) {
    for (int i = -1; i <= 1; ++i) {
      Fill(c, Circle(ix - 4.5f, iy + i * 4.5f, 1.4f), Solid(base));
      Fill(c, Segment(ix - 1.5f, iy + i * 4.5f, ix + 5, iy + i * 4.5f, 1.1f), Solid(Darker(base, 0.3f)));
    }
  } else {
    Fill(c, Segment(ix - 5.5f, iy, ix + 5.5f, iy, 1.8f), Solid(base));
    Fill(c, Segment(ix, iy - 5.5f, ix, iy + 5.5f, 1.8f), Solid(base));
  }
  TextStyle st = FitText(text, TextStyle{17, 0.8f}, 128);
  DrawText(c, text, st, 102, 18, Solid(kWhite), kInk, 1.8f);
  return c;
}

Canvas Pip(bool on) {  // 13 x 14
  Canvas c(13, 14);
  float cx = 6.5f, cy = 7;
  Fill(c, Circle(cx, cy, 6), Solid(kInk));
  if (on) {
    Fill(c, Circle(cx, cy, 4.8f), Radial(cx - 1.5f, cy - 1.5f, 6, Lighter(kGreen, 0.6f), kGreen));
    Fill(c, Circle(cx - 1.6f, cy - 1.8f, 1.4f), Solid(Rgba{1, 1, 1, 0.85f}));
  } else {
    Fill(c, Circle(cx, cy, 4.8f), Radial(cx + 1, cy + 1, 6, Hex(0x6A6A7A), Hex(0x3C3C48)));
  }
  return c;
}

// Writes a picture into the atlas: covered pixels opaque, the rest colour key.
void Place(Image8& atlas, const Canvas& pic, int left, int top, int width, int height) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* d = &atlas.data[(size_t(top + y) * atlas.w + left + x) * 3];
      Rgba s = (x < pic.w && y < pic.h) ? pic.Get(x, y) : Rgba{0, 0, 0, 0};
      if (s.a < 0.5f) {
        d[0] = 255;
        d[1] = 0;
        d[2] = 255;
        continue;
      }
      auto q = [](float v) { return (uint8_t)std::lround(std::clamp(v, 0.0f, 1.0f) * 255); };
      d[0] = q(s.r);
      d[1] = q(s.g);
      d[2] = q(s.b);
      if (d[0] == 255 && d[1] == 0 && d[2] == 255) d[0] = 254;  // never the key by accident
    }
}

}  // namespace

Image8 BuildAtlas() {
  Image8 atlas;
  atlas.w = atlas.h = kAtlasSize;
  atlas.channels = 3;
  atlas.data.assign(size_t(kAtlasSize) * kAtlasSize * 3, 0);
  for (size_t i = 0; i < atlas.data.size(); i += 3) {
    atlas.data[i] = 255;
    atlas.data[i + 1] = 0;
    atlas.data[i + 2] = 255;
  }
  // The slot frame first: its columns from 109 on lie off the screen and are
  // shared with the pictures to its right, which are placed after it.
  auto put = [&](const char* name, const Canvas& pic) {
    for (const AtlasRect& r : AtlasRects())
      if (std::string(r.name) == name) {
        int w = r.right - r.left, h = r.bottom - r.top;
        if (std::string(name) == "item-bar slot frame") w = pic.w;
        Place(atlas, pic, r.left, r.top, w, h);
        return;
      }
  };
  put("item-bar slot frame", SlotFrame());
  put("goal marker", GoalMarker());
  put("object marker", ObjectMarker());
  put("marker arrow", MarkerArrow());
  put("scroll arrow", ScrollArrow());
  put("zoom-in button", ZoomButton(35, 16, true));
  put("zoom-out button", ZoomButton(35, 21, false));
  put("motor icon", MotorIcon());
  put("move arrow", MoveArrow());
  put("rotate arrow", RotateArrow());
  put("resize arrow", ResizeArrow());
  put("palette panel", PalettePanel());
  put("still-scene picture", StillScene());
  put("clear sparkle", Sparkle());
  put("clear banner", ClearBanner());
  put("clear blink line", ClearBlink());
  put("mode badge, editing", Badge(174, U"ステージ編集モード", kOrange, kIconPencil));
  put("mode badge, placing", Badge(129, U"アイテム配置", kBlue, kIconBlock));
  put("mode badge, running", Badge(112, U"実行モード", kGreen, kIconPlay));
  put("verified icon", Verified());
  put("start button", StartStop(true));
  put("stop button", StartStop(false));
  put("truck guide 1", TruckGuide(139, {U"←", U"→"}, U"車体を傾ける"));
  put("truck guide 2", TruckGuide(140, {U"Z", U"X"}, U"タイヤを回す"));
  put("truck guide 3", TruckGuide(134, {U"C"}, U"カメラ切り替え"));
  put("truck guide 4", TruckGuide(72, {U"R"}, U"起こす"));
  put("logo", Logo());
  put("play-list button", TitleButton(U"プレイリスト", kBlue, true));
  put("new-stage button", TitleButton(U"新しいステージ", kOrange, false));
  put("pip, level attained", Pip(true));
  put("pip, level not attained", Pip(false));
  return atlas;
}

}  // namespace art
