// The models of the data folder, built in code. Units are model units: each
// model is drawn with the scale its item uses, so its extent matches the
// physics body (see ModelInfos for the boxes).
#include <cmath>

#include "tools/art.h"
#include "tools/art_internal.h"

namespace art {
namespace {

const float kPi = 3.14159265358979f;
typedef std::vector<std::vector<std::array<float, 2>>> Profile;

// The toy palette of the models (diffuse colours).
const unsigned kRedC = 0xE8453C, kOrangeC = 0xF39C2D, kYellowC = 0xF7CF3A, kGreenC = 0x4DB845, kBlueC = 0x3C7DD9,
               kWhiteC = 0xF4F1EA, kInkC = 0x2B2540, kSteelC = 0x8C93A3, kSkinC = 0xFFD2AE, kGoldC = 0xF2BE2E;

std::vector<float> CircleOutline(float cx, float cy, float r, int n) {
  std::vector<float> o;
  for (int i = 0; i < n; ++i) {
    float a = 2 * kPi * i / n;
    o.push_back(cx + r * Cos(a));
    o.push_back(cy + r * Sin(a));
  }
  return o;
}

std::vector<float> RoundRectOutline(float x0, float y0, float x1, float y1, float r, int perCorner = 5) {
  std::vector<float> o;
  // Anticlockwise from the bottom-right corner.
  const float order[4][2] = {{x1 - r, y0 + r}, {x1 - r, y1 - r}, {x0 + r, y1 - r}, {x0 + r, y0 + r}};
  const float a0[4] = {-kPi / 2, 0, kPi / 2, kPi};
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i <= perCorner; ++i) {
      float a = a0[c] + (kPi / 2) * i / perCorner;
      o.push_back(order[c][0] + r * Cos(a));
      o.push_back(order[c][1] + r * Sin(a));
    }
  return o;
}

// An arc-shaped arrow around the origin, anticlockwise from a0 to a1.
std::vector<float> ArcArrow(float R, float band, float a0, float a1, float headLen, float headHalf) {
  std::vector<float> o;
  float s1 = a1 - headLen / R;
  const int n = 20;
  for (int i = 0; i <= n; ++i) {
    float a = a0 + (s1 - a0) * i / n;
    o.push_back((R + band / 2) * Cos(a));
    o.push_back((R + band / 2) * Sin(a));
  }
  o.push_back((R + headHalf) * Cos(s1));
  o.push_back((R + headHalf) * Sin(s1));
  o.push_back(R * Cos(a1));
  o.push_back(R * Sin(a1));
  o.push_back((R - headHalf) * Cos(s1));
  o.push_back((R - headHalf) * Sin(s1));
  for (int i = n; i >= 0; --i) {
    float a = a0 + (s1 - a0) * i / n;
    o.push_back((R - band / 2) * Cos(a));
    o.push_back((R - band / 2) * Sin(a));
  }
  return o;
}

void Capsule(Mesh& m, float r, float y0, float y1, const Xf& xf, int mat, int seg = 20) {
  Profile p(1);
  const int k = 6;
  for (int i = 0; i <= k; ++i) {
    float a = -kPi / 2 + (kPi / 2) * i / k;
    p[0].push_back({r * Cos(a), y0 + r + r * Sin(a)});
  }
  for (int i = 0; i <= k; ++i) {
    float a = (kPi / 2) * i / k;
    p[0].push_back({r * Cos(a), y1 - r + r * Sin(a)});
  }
  AddLathe(m, p, seg, xf, mat);
}

Mesh Sky() {
  Mesh m;
  Material mat = MakeMaterial("Sky", 0xFFFFFF, 1.0f, "data\\Sky.jpg");
  int s = m.AddMaterial(mat);
  // Inward-facing: the profile runs from the top down, so normals face in.
  Profile p(1);
  const int rings = 24;
  for (int i = 0; i <= rings; ++i) {
    float phi = kPi * i / rings;
    p[0].push_back({Sin(phi), Cos(phi)});
  }
  AddLathe(m, p, 48, Xf(), s, 1, 1 / kPi);
  return m;
}

Mesh Capsule() {  // the end cap of bars: half-disc toward +y, z -1..1
  Mesh m;
  int mat = m.AddMaterial(MakeMaterial("Cap", 0xFFFFFF));
  std::vector<float> o;
  // Two caps per bar and four per rubber bar make caps most of a full
  // stage's triangles. Twelve segments keep the arc within 0.9 % of the
  // radius of a true half circle: under half a pixel for bars up to radius 5
  // at the closest zoom and for the widest at the usual ones. The count stays
  // even so the arc's top lies exactly at y = 1.
  const int n = 12;
  for (int i = 0; i <= n; ++i) {
    float a = kPi * i / n;
    o.push_back(Cos(a));
    o.push_back(Sin(a));
  }
  AddExtrusion(m, o, -1, 1, Xf(), mat, 30);
  return m;
}

Mesh Gear() {
  // Drawn at S(k, k, 1) over an item that fills z -2..2, and mirrored by a
  // half turn about y for the other direction: a gear face in front and one
  // behind, each with an arrow, so the half turn shows the arrow reversed.
  Mesh m;
  int gold = m.AddMaterial(MakeMaterial("GearBody", kOrangeC, 0.45f));
  int hub = m.AddMaterial(MakeMaterial("GearHub", 0x8A4A1A, 0.45f));
  int arrow = m.AddMaterial(MakeMaterial("GearArrow", 0xFFFFFF, 0.8f));
  std::vector<float> o;
  const int teeth = 10;
  for (int i = 0; i < teeth; ++i) {
    float a = 2 * kPi * i / teeth, w = 2 * kPi / teeth;
    float pts[4][2] = {{0.80f, a}, {1.0f, a + w * 0.12f}, {1.0f, a + w * 0.42f}, {0.80f, a + w * 0.54f}};
    for (auto& q : pts) {
      o.push_back(q[0] * Cos(q[1]));
      o.push_back(q[0] * Sin(q[1]));
    }
  }
  std::vector<float> arc = ArcArrow(0.55f, 0.13f, -70 * kPi / 180, 200 * kPi / 180, 0.22f, 0.17f);
  for (float side : {-1.0f, 1.0f}) {
    float zIn = side * 2.1f, zOut = side * 2.4f;
    AddExtrusion(m, o, std::min(zIn, zOut), std::max(zIn, zOut), Xf(), gold, 10);
    AddFlat(m, arc, zOut + side * 0.005f, side < 0, Xf(), arrow);
    AddCylinder(m, 0.22f, 0, 0.08f, 24, Xf::AlongAxis({0, 0, side}) * Xf::Translate(0, 0, zOut), hub);
  }
  return m;
}

Mesh RotaryJoint() {
  Mesh m;
  int mat = m.AddMaterial(MakeMaterial("Pin", 0xFFFFFF, 0.6f, "data\\Joint.bmp"));
  AddCylinder(m, 0.28f, -2.5f, 2.5f, 16, Xf::AlongAxis({0, 0, 1}), mat, false);
  for (float side : {-1.0f, 1.0f}) {
    size_t first = m.verts.size();
    AddExtrusion(m, CircleOutline(0, 0, 0.8f, 32), side < 0 ? -2.7f : 2.5f, side < 0 ? -2.5f : 2.7f, Xf(), mat, 20);
    for (size_t i = first; i < m.verts.size(); ++i) {  // the pin head: left half of the texture
      Vertex& v = m.verts[i];
      if (std::fabs(v.n.z) > 0.5f) {
        v.u = (v.p.x / 0.8f + 1) * 0.25f;
        v.v = (1 - v.p.y / 0.8f) * 0.5f;
      } else {
        v.u = 0.02f;
        v.v = 0.5f;
      }
    }
  }
  return m;
}

Mesh FixedJoint() {
  Mesh m;
  int mat = m.AddMaterial(MakeMaterial("Plate", 0xFFFFFF, 0.6f, "data\\Joint.bmp"));
  AddBox(m, {-0.3f, -0.3f, -2.5f}, {0.3f, 0.3f, 2.5f}, Xf(), mat);
  for (float side : {-1.0f, 1.0f}) {
    size_t first = m.verts.size();
    AddExtrusion(m, RoundRectOutline(-0.75f, -0.75f, 0.75f, 0.75f, 0.1f, 3), side < 0 ? -2.7f : 2.5f,
                 side < 0 ? -2.5f : 2.7f, Xf(), mat, 20);
    for (size_t i = first; i < m.verts.size(); ++i) {  // the plate: right half of the texture
      Vertex& v = m.verts[i];
      if (std::fabs(v.n.z) > 0.5f) {
        v.u = 0.5f + (v.p.x / 0.75f + 1) * 0.25f;
        v.v = (1 - v.p.y / 0.75f) * 0.5f;
      } else {
        v.u = 0.52f;
        v.v = 0.5f;
      }
    }
  }
  return m;
}

Mesh Bell() {
  // Hangs from its origin (the swing pivot) along +z; its y axis is the
  // stage's depth once the item's upright turn applies. At the drawing
  // scale of 2.5 the item's capsule (radius 2, length 2.5, centred 2.5 below
  // the pivot) is radius 0.8 about the z axis, its straight part z 0.5..1.5
  // and its round ends reaching z -0.3 and 2.3. The bell keeps to it: a
  // round crown around the axle, a slight waist, the lip flaring out to the
  // capsule's width and turning in along its lower end, and the clapper's
  // ball under the mouth as the tip.
  Mesh m;
  int gold = m.AddMaterial(MakeMaterial("Bell", kGoldC, 0.4f));
  int band = m.AddMaterial(MakeMaterial("BellBand", 0xD89A1E, 0.4f));
  int inner = m.AddMaterial(MakeMaterial("BellInside", 0xA87818, 0.4f));
  int metal = m.AddMaterial(MakeMaterial("Yoke", 0x5E6472, 0.4f));
  Xf along = Xf::AlongAxis({0, 0, 1});
  const float R = 0.8f, top = 0.5f, bottom = 1.5f;
  Profile crown(1), side(1), lip(1), inside(1);
  for (int i = 0; i <= 10; ++i) {
    float a = (kPi / 2) * i / 10;
    crown[0].push_back({R * Sin(a), top - R * Cos(a)});
  }
  // The waist: in by 0.06 half-way down the straight part, out again.
  for (int i = 0; i <= 8; ++i) {
    float t = float(i) / 8;
    side[0].push_back({R - 0.06f * Sin(kPi * t), top + (bottom - top) * t});
  }
  for (int i = 0; i <= 4; ++i) {
    float a = 0.38f * i / 4;
    lip[0].push_back({R * Cos(a), bottom + R * Sin(a)});
  }
  const float mouth = bottom + R * Sin(0.38f) + 0.02f;
  lip[0].push_back({R * Cos(0.38f) - 0.1f, mouth});
  // The inside runs back up from the mouth to under the crown.
  const float Ri = 0.68f;
  inside[0].push_back(lip[0].back());
  inside[0].push_back({Ri - 0.02f, bottom});
  for (int i = 0; i <= 8; ++i) {
    float a = (kPi / 2) * (8 - i) / 8;
    inside[0].push_back({Ri * Sin(a), top - Ri * Cos(a)});
  }
  AddLathe(m, crown, 40, along, gold);
  AddLathe(m, side, 40, along, gold);
  AddLathe(m, lip, 40, along, band);
  AddLathe(m, inside, 40, along, inner);
  // The clapper hangs from the axle on its rod; its ball is the bell's tip.
  AddCylinder(m, 0.035f, 0, 2.0f, 8, along, metal, false);
  AddSphere(m, 0.22f, 16, 10, Xf::Translate(0, 0, 2.08f), metal);
  // The axle of the swing runs through the crown along the stage's depth.
  AddCylinder(m, 0.06f, -0.72f, 0.72f, 12, Xf::AlongAxis({0, 1, 0}), metal);
  for (float end : {-0.76f, 0.76f})
    AddCylinder(m, 0.1f, end - 0.04f, end + 0.04f, 16, Xf::AlongAxis({0, 1, 0}), metal);
  return m;
}

Mesh StartBall() {  // radius 1; a beach ball whose panels show it rolling
  Mesh m;
  const unsigned colours[6] = {kRedC, kWhiteC, kBlueC, kWhiteC, kYellowC, kWhiteC};
  int white = m.AddMaterial(MakeMaterial("BallWhite", kWhiteC, 0.4f));
  int mats[6];
  const char* names[6] = {"BallRed", "BallWhite", "BallBlue", "BallWhite", "BallYellow", "BallWhite"};
  for (int i = 0; i < 6; ++i) mats[i] = m.AddMaterial(MakeMaterial(names[i], colours[i], 0.4f));
  Xf along = Xf::AlongAxis({0, 0, 1});
  const float cap = 0.2f;
  std::vector<std::array<float, 2>> front, back, gore;
  const int rings = 16;
  for (int i = 0; i <= rings; ++i) {
    float phi = cap + (kPi - 2 * cap) * i / rings;
    gore.push_back({Sin(phi), -Cos(phi)});
  }
  for (int i = 0; i <= 3; ++i) {
    float phi = cap * i / 3;
    front.push_back({Sin(phi), -Cos(phi)});
    back.push_back({Sin(kPi - cap + cap * i / 3), -Cos(kPi - cap + cap * i / 3)});
  }
  AddLathe(m, {front}, 30, along, white);
  AddLathe(m, {back}, 30, along, white);
  for (int g = 0; g < 6; ++g)
    AddLathe(m, {gore}, 6, along, mats[g], 1, 1, 2 * kPi * g / 6, 2 * kPi * (g + 1) / 6);
  return m;
}

Mesh Tire() {  // radius 1, z -1..1, a chunky tyre on a yellow rim with spokes
  Mesh m;
  int rubber = m.AddMaterial(MakeMaterial("Rubber", 0x3A3A46, 0.45f));
  int rim = m.AddMaterial(MakeMaterial("Rim", kYellowC, 0.4f));
  int hubm = m.AddMaterial(MakeMaterial("Hub", kSteelC, 0.4f));
  Xf along = Xf::AlongAxis({0, 0, 1});
  AddLathe(m,
           {{{0.56f, -0.86f}, {0.66f, -0.96f}, {0.82f, -1.0f}, {0.92f, -0.96f}, {0.96f, -0.86f}, {0.96f, 0.86f},
             {0.92f, 0.96f}, {0.82f, 1.0f}, {0.66f, 0.96f}, {0.56f, 0.86f}}},
           40, along, rubber);
  // Tread lugs, alternating like a chevron.
  for (int i = 0; i < 18; ++i) {
    float a = 2 * kPi * i / 18;
    float z0 = (i % 2) ? -0.78f : -0.1f, z1 = (i % 2) ? 0.1f : 0.78f;
    AddBox(m, {0.93f, -0.1f, z0}, {1.0f, 0.1f, z1}, Xf::RotZ(a), rubber);
  }
  for (float side : {-1.0f, 1.0f}) {
    Xf face = Xf::AlongAxis({0, 0, side});
    // Rim dish from the tyre's bead in to the hub.
    AddLathe(m, {{{0.56f, 0.86f}, {0.5f, 0.84f}, {0.3f, 0.76f}, {0.16f, 0.74f}, {0, 0.74f}}}, 32, face, rim);
    AddCylinder(m, 0.16f, 0.74f, 0.9f, 20, face, hubm);
    for (int k = 0; k < 5; ++k) {
      float a = 2 * kPi * k / 5 + kPi / 2;
      Xf spoke = Xf::RotZ(a) * Xf::Translate(0, 0, side * 0.8f);
      AddBox(m, {0.14f, -0.06f, -0.04f}, {0.52f, 0.06f, 0.04f}, spoke, hubm);
    }
  }
  return m;
}

Mesh Car() {
  // Body x -2..2, y -1 (the axles) up to the cab (the cab block sits at
  // y 1..1.5), z +-0.667;
  // the wheel arches are centred on the tyres at (+-1.25, -1).
  Mesh m;
  int body = m.AddMaterial(MakeMaterial("TruckBody", kRedC, 0.4f));
  int glass = m.AddMaterial(MakeMaterial("Glass", 0xA8DDF2, 0.55f));
  int stripe = m.AddMaterial(MakeMaterial("Stripe", kYellowC, 0.45f));
  int trim = m.AddMaterial(MakeMaterial("Trim", kSteelC, 0.4f));
  int lamp = m.AddMaterial(MakeMaterial("Lamp", 0xFFF2A8, 0.8f));
  int tail = m.AddMaterial(MakeMaterial("TailLamp", 0xFF5A4A, 0.7f));
  std::vector<float> o;
  auto P = [&](float x, float y) {
    o.push_back(x);
    o.push_back(y);
  };
  const float R = 1.08f;
  auto arch = [&](float cx, float aFrom, float aTo) {
    const int n = 14;
    for (int i = 0; i <= n; ++i) {
      float a = aFrom + (aTo - aFrom) * i / n;
      P(cx + R * Cos(a), -1 + R * Sin(a));
    }
  };
  float yb = -0.2f;
  float side = std::sqrt(R * R - (yb + 1) * (yb + 1));
  float aRear0 = Atan2(std::sqrt(R * R - 0.75f * 0.75f), -0.75f);
  float aIn = Atan2(yb + 1, side);
  // Anticlockwise: along the bottom from the rear, up the front, back over the top.
  arch(-1.25f, aRear0, aIn);
  P(-0.36f, yb);
  P(-0.3f, -0.55f);
  P(0.3f, -0.55f);
  P(0.36f, yb);
  arch(1.25f, kPi - aIn, kPi - aRear0);
  // A square-nosed bonnet up to the box's top, so its front corner fills.
  P(2.0f, 0.9f);
  P(1.95f, 0.98f);
  P(0.9f, 1.0f);
  P(0.72f, 1.0f);
  P(0.45f, 1.46f);
  P(-0.45f, 1.46f);
  P(-0.52f, 1.0f);
  P(-1.9f, 1.0f);
  P(-2.0f, 0.92f);
  AddExtrusion(m, o, -0.64f, 0.64f, Xf(), body, 0);
  for (float s : {-1.0f, 1.0f}) {
    float z = s * 0.644f;
    AddFlat(m, {0.58f, 1.02f, 0.39f, 1.38f, 0.02f, 1.38f, 0.02f, 1.02f}, z, s < 0, Xf(), glass);
    AddFlat(m, {-0.06f, 1.02f, -0.06f, 1.38f, -0.38f, 1.38f, -0.42f, 1.02f}, z, s < 0, Xf(), glass);
    AddFlat(m, {-1.85f, 0.32f, 1.9f, 0.32f, 1.9f, 0.46f, -1.85f, 0.46f}, z, s < 0, Xf(), stripe);
    AddFlat(m, {-1.85f, 0.58f, -0.7f, 0.58f, -0.7f, 0.66f, -1.85f, 0.66f}, z, s < 0, Xf(), stripe);
  }
  AddBox(m, {1.86f, -0.28f, -0.667f}, {2.0f, 0.02f, 0.667f}, Xf(), trim);
  AddBox(m, {-2.0f, -0.28f, -0.667f}, {-1.86f, 0.02f, 0.667f}, Xf(), trim);
  // Axles down to the tyres' centres at (+-1.25, -1), with the differential
  // between them: the body reaches the bottom of its box there.
  int axle = m.AddMaterial(MakeMaterial("Axle", 0x4A4E5A, 0.4f));
  AddCylinder(m, 0.07f, -1.25f, 1.25f, 12, Xf::AlongAxis({1, 0, 0}) * Xf::Translate(0, -0.93f, 0), axle);
  AddSphere(m, 0.2f, 16, 8, Xf::Scale(1, 0.8f, 1) * Xf::Translate(0, -0.84f, 0), axle);
  for (float x : {-0.9f, 0.9f})
    AddCylinder(m, 0.05f, -0.93f, -0.1f, 8, Xf::RotZ(x > 0 ? 0.35f : -0.35f) * Xf::Translate(x, 0, 0), trim);
  AddBox(m, {1.9f, 0.58f, -0.5f}, {2.0f, 0.76f, -0.22f}, Xf(), lamp);
  AddBox(m, {1.9f, 0.58f, 0.22f}, {2.0f, 0.76f, 0.5f}, Xf(), lamp);
  AddBox(m, {-2.0f, 0.6f, -0.5f}, {-1.92f, 0.82f, -0.3f}, Xf(), tail);
  AddBox(m, {-2.0f, 0.6f, 0.3f}, {-1.92f, 0.82f, 0.5f}, Xf(), tail);
  // Roof lamps.
  for (float x : {-0.25f, 0.0f, 0.25f}) AddBox(m, {x - 0.07f, 1.46f, -0.15f}, {x + 0.07f, 1.5f, 0.15f}, Xf(), lamp);
  return m;
}

Mesh Rocket() {
  // The rocket stands in its launch tower, which fills the item's box: the
  // pad along the bottom (y = -2), a tower up each side (x = +-1) and a beam
  // across the top (y = 2) behind the nose, all over the item's depth
  // (z +-0.667). What touches the box touches the tower.
  Mesh m;
  int hull = m.AddMaterial(MakeMaterial("Hull", kWhiteC, 0.4f));
  int red = m.AddMaterial(MakeMaterial("Nose", kRedC, 0.4f));
  int dark = m.AddMaterial(MakeMaterial("Nozzle", 0x4A4E5A, 0.4f));
  int glass = m.AddMaterial(MakeMaterial("Porthole", 0x7CC8F0, 0.6f));
  int fin = m.AddMaterial(MakeMaterial("Fin", kBlueC, 0.4f));
  int tower = m.AddMaterial(MakeMaterial("Tower", kOrangeC, 0.4f));
  int pad = m.AddMaterial(MakeMaterial("Pad", kSteelC, 0.4f));
  int lamp = m.AddMaterial(MakeMaterial("TowerLamp", kYellowC, 0.8f));
  AddLathe(m, {{{0, -2.0f}, {0.34f, -2.0f}}, {{0.34f, -2.0f}, {0.3f, -1.88f}, {0.27f, -1.78f}}}, 24, Xf(), dark);
  AddLathe(m, {{{0.27f, -1.78f}, {0.52f, -1.72f}}, {{0.52f, -1.72f}, {0.56f, -1.5f}, {0.58f, -1.1f}}}, 32, Xf(),
           hull);
  AddLathe(m, {{{0.58f, -1.1f}, {0.585f, -1.08f}, {0.585f, -0.86f}, {0.58f, -0.84f}}}, 32, Xf(), red);
  AddLathe(m, {{{0.58f, -0.84f}, {0.58f, 0.55f}}}, 32, Xf(), hull);
  AddLathe(m, {{{0.58f, 0.55f}, {0.56f, 0.95f}, {0.48f, 1.32f}, {0.34f, 1.66f}, {0.16f, 1.92f}, {0, 2.0f}}}, 32,
           Xf(), red);
  // Four fins, short of the towers and within the item's depth.
  for (int i = 0; i < 4; ++i) {
    float reach = (i % 2) ? 0.66f : 0.76f;
    std::vector<float> o = {0.5f, -1.75f, reach, -1.86f, reach, -1.5f, 0.52f, -0.75f};
    AddExtrusion(m, o, -0.05f, 0.05f, Xf::RotY(kPi / 2 * i), fin, 0);
  }
  // Porthole facing the camera.
  AddCylinder(m, 0.2f, 0.5f, 0.6f, 24, Xf::AlongAxis({0, 0, -1}) * Xf::Translate(0, 0.25f, 0), hull);
  AddCylinder(m, 0.15f, 0.55f, 0.615f, 24, Xf::AlongAxis({0, 0, -1}) * Xf::Translate(0, 0.25f, 0), glass);

  const float Z = 0.667f, post = 0.12f, padTop = -1.88f;
  AddBox(m, {-1, -2, -Z}, {1, padTop, Z}, Xf(), pad);
  for (float s : {-1.0f, 1.0f}) {
    float x0 = s < 0 ? -1 : 1 - post, x1 = x0 + post;
    // Corner posts in front and behind with rungs between them; the front
    // post ends in a lamp.
    AddBox(m, {x0, padTop, -Z}, {x1, 2 - 0.09f, -Z + post}, Xf(), tower);
    AddBox(m, {x0, 2 - 0.09f, -Z}, {x1, 2, -Z + post}, Xf(), lamp);
    AddBox(m, {x0, padTop, Z - post}, {x1, 2, Z}, Xf(), tower);
    for (int k = 0; k < 5; ++k) {
      float y = padTop + 0.3f + 0.8f * k;
      AddBox(m, {x0 + 0.02f, y, -Z + post}, {x1 - 0.02f, y + 0.07f, Z - post}, Xf(), tower);
    }
    // On the face the camera sees, a thin inner rail and a brace zig-zagging
    // up between it and the post.
    float xc = s * (1 - post / 2), xr = s * 0.72f;
    AddBox(m, {std::min(xr, xr + s * 0.04f), padTop, -Z + 0.03f}, {std::max(xr, xr + s * 0.04f), 2 - post, -Z + 0.07f},
           Xf(), tower);
    for (int k = 0; k < 4; ++k) {
      float y0 = padTop + 0.05f + 0.94f * k, y1 = y0 + 0.94f;
      float xa = (k % 2) ? xr : xc, xb = (k % 2) ? xc : xr;
      V3 a = {xa, y0, -Z + 0.05f}, b = {xb, y1, -Z + 0.05f};
      V3 d = b - a;
      float len = std::sqrt(Dot(d, d));
      AddCylinder(m, 0.025f, 0, len, 6, Xf::AlongAxis(d) * Xf::Translate(a.x, a.y, a.z), tower, false);
    }
  }
  // The top beam runs behind the nose, so the rocket shows in front of it.
  AddBox(m, {-1 + post, 2 - post, Z - 0.2f}, {1 - post, 2, Z}, Xf(), tower);
  return m;
}

Mesh ToyBox() {
  // Open at the top: x -1.5..1.5, y -1..1, z -1.333..1.333 with walls 0.1
  // thick (1 unit at the drawing scale of 10).
  Mesh m;
  int wall = m.AddMaterial(MakeMaterial("BoxWall", kBlueC, 0.4f));
  int inside = m.AddMaterial(MakeMaterial("BoxInside", 0x9CC0F0, 0.45f));
  int rim = m.AddMaterial(MakeMaterial("BoxRim", kRedC, 0.4f));
  int star = m.AddMaterial(MakeMaterial("BoxStar", kYellowC, 0.5f));
  const float Z = 1.333f, T = 0.1f;
  AddBox(m, {-1.5f, -1, -Z}, {-1.5f + T, 0.92f, Z}, Xf(), wall);
  AddBox(m, {1.5f - T, -1, -Z}, {1.5f, 0.92f, Z}, Xf(), wall);
  AddBox(m, {-1.5f + T, -1, -Z}, {1.5f - T, -1 + T, Z}, Xf(), inside);
  AddBox(m, {-1.5f + T, -1 + T, -Z}, {1.5f - T, 0.92f, -Z + 0.08f}, Xf(), wall);
  AddBox(m, {-1.5f + T, -1 + T, Z - 0.08f}, {1.5f - T, 0.92f, Z}, Xf(), wall);
  // Red rim around the opening.
  AddBox(m, {-1.5f, 0.92f, -Z}, {1.5f, 1.0f, -Z + 0.1f}, Xf(), rim);
  AddBox(m, {-1.5f, 0.92f, Z - 0.1f}, {1.5f, 1.0f, Z}, Xf(), rim);
  AddBox(m, {-1.5f, 0.92f, -Z + 0.1f}, {-1.5f + T, 1.0f, Z - 0.1f}, Xf(), rim);
  AddBox(m, {1.5f - T, 0.92f, -Z + 0.1f}, {1.5f, 1.0f, Z - 0.1f}, Xf(), rim);
  // Stars on the front, and a band of dots.
  auto starOutline = [](float cx, float cy, float r) {
    std::vector<float> o;
    for (int i = 0; i < 10; ++i) {
      float a = kPi / 2 + kPi * i / 5;
      float rr = (i % 2) ? r * 0.45f : r;
      o.push_back(cx + rr * Cos(a));
      o.push_back(cy + rr * Sin(a));
    }
    return o;
  };
  AddFlat(m, starOutline(0, 0.0f, 0.45f), -Z - 0.004f, true, Xf(), star);
  AddFlat(m, starOutline(-0.95f, 0.25f, 0.22f), -Z - 0.004f, true, Xf(), star);
  AddFlat(m, starOutline(0.95f, 0.25f, 0.22f), -Z - 0.004f, true, Xf(), star);
  for (int i = 0; i < 7; ++i)
    AddFlat(m, CircleOutline(-1.2f + 0.4f * i, -0.7f, 0.07f, 12), -Z - 0.004f, true, Xf(), rim);
  return m;
}

Mesh DollHead() {  // radius 1.2
  Mesh m;
  int skin = m.AddMaterial(MakeMaterial("Skin", kSkinC, 0.45f));
  int hair = m.AddMaterial(MakeMaterial("Hair", 0x7A4A2A, 0.4f));
  int eye = m.AddMaterial(MakeMaterial("Eye", kInkC, 0.4f));
  int shine = m.AddMaterial(MakeMaterial("Shine", 0xFFFFFF, 0.9f));
  int cheek = m.AddMaterial(MakeMaterial("Cheek", 0xFF9C96, 0.5f));
  int mouth = m.AddMaterial(MakeMaterial("Mouth", 0xC0433C, 0.45f));
  AddSphere(m, 1.2f, 32, 16, Xf(), skin);
  // Hair over the top and the back.
  std::vector<std::array<float, 2>> h;
  for (int i = 0; i <= 8; ++i) {
    float phi = kPi * 0.62f + kPi * 0.38f * i / 8;
    h.push_back({1.215f * Sin(phi), -1.215f * Cos(phi)});
  }
  AddLathe(m, {h}, 32, Xf(), hair);
  for (float s : {-1.0f, 1.0f}) {
    AddSphere(m, 0.16f, 12, 8, Xf::Scale(1, 1.3f, 0.5f) * Xf::Translate(s * 0.4f, 0.12f, -1.1f), eye);
    AddSphere(m, 0.05f, 8, 6, Xf::Translate(s * 0.4f - 0.05f, 0.2f, -1.17f), shine);
    AddSphere(m, 0.17f, 12, 8, Xf::Scale(1, 0.6f, 0.3f) * Xf::Translate(s * 0.68f, -0.25f, -0.93f), cheek);
  }
  std::vector<float> smile = ArcArrow(0.28f, 0.07f, kPi * 1.2f, kPi * 1.8f, 0.0001f, 0.035f);
  AddFlat(m, smile, -1.155f, true, Xf::Translate(0, -0.08f, 0), mouth);
  return m;
}

Mesh DollBody() {  // 3 x 4
  Mesh m;
  int shirt = m.AddMaterial(MakeMaterial("Shirt", kRedC, 0.4f));
  int collar = m.AddMaterial(MakeMaterial("Collar", kWhiteC, 0.45f));
  int button = m.AddMaterial(MakeMaterial("Button", kYellowC, 0.5f));
  AddExtrusion(m, RoundRectOutline(-1.5f, -2, 1.5f, 2, 0.55f), -0.9f, 0.9f, Xf(), shirt, 40);
  AddFlat(m, {-0.55f, 2.0f, -0.2f, 1.45f, 0, 1.75f, 0.2f, 1.45f, 0.55f, 2.0f}, -0.905f, true, Xf(), collar);
  for (int i = 0; i < 3; ++i)
    AddCylinder(m, 0.14f, 0, 0.06f, 16, Xf::AlongAxis({0, 0, -1}) * Xf::Translate(0, 0.9f - 0.9f * i, -0.9f),
                button);
  return m;
}

Mesh DollUpperArm() {  // 1 x 3
  Mesh m;
  int shirt = m.AddMaterial(MakeMaterial("Shirt", kRedC, 0.4f));
  Capsule(m, 0.5f, -1.5f, 1.5f, Xf(), shirt);
  return m;
}

Mesh DollForearm() {  // 1 x 3, the hand at the bottom
  Mesh m;
  int skin = m.AddMaterial(MakeMaterial("Skin", kSkinC, 0.45f));
  int cuff = m.AddMaterial(MakeMaterial("Collar", kWhiteC, 0.45f));
  Capsule(m, 0.4f, -1.0f, 1.5f, Xf(), skin);
  AddCylinder(m, 0.44f, 0.9f, 1.2f, 20, Xf(), cuff);
  AddSphere(m, 0.5f, 20, 10, Xf::Scale(1, 1, 0.8f) * Xf::Translate(0, -1.0f, 0), skin);
  return m;
}

Mesh DollWaist() {  // 3 x 2
  Mesh m;
  int pants = m.AddMaterial(MakeMaterial("Pants", kBlueC, 0.4f));
  int belt = m.AddMaterial(MakeMaterial("Belt", 0x5A3A22, 0.4f));
  int buckle = m.AddMaterial(MakeMaterial("Buckle", kYellowC, 0.5f));
  AddExtrusion(m, RoundRectOutline(-1.5f, -1, 1.5f, 1, 0.4f), -0.85f, 0.85f, Xf(), pants, 40);
  AddExtrusion(m, RoundRectOutline(-1.52f, 0.55f, 1.52f, 0.9f, 0.15f), -0.88f, 0.88f, Xf(), belt, 40);
  AddBox(m, {-0.2f, 0.57f, -0.92f}, {0.2f, 0.88f, -0.86f}, Xf(), buckle);
  return m;
}

Mesh DollLeg() {  // 1.5 x 6, the shoe at the bottom
  Mesh m;
  int pants = m.AddMaterial(MakeMaterial("Pants", kBlueC, 0.4f));
  int sock = m.AddMaterial(MakeMaterial("Collar", kWhiteC, 0.45f));
  int shoe = m.AddMaterial(MakeMaterial("Shoe", 0x5A3A22, 0.4f));
  AddCylinder(m, 0.6f, -1.6f, 3.0f, 24, Xf(), pants);
  AddCylinder(m, 0.5f, -2.35f, -1.6f, 24, Xf(), sock);
  AddExtrusion(m, RoundRectOutline(-0.75f, -3.0f, 0.75f, -2.3f, 0.3f), -1.1f, 0.55f, Xf(), shoe, 40);
  return m;
}

Mesh DollHat() {
  // 2 x 2: a striped top hat, its brim as wide as the box and its crown up
  // to the box's top, so the hat fills its box as far as a hat can.
  Mesh m;
  int a = m.AddMaterial(MakeMaterial("HatA", kYellowC, 0.45f));
  int b = m.AddMaterial(MakeMaterial("HatB", kGreenC, 0.4f));
  int ribbon = m.AddMaterial(MakeMaterial("HatRibbon", kWhiteC, 0.5f));
  const float base = -1.0f, brim = 1.0f, crown = 0.76f, brimTop = base + 0.1f, top = 1.0f;
  AddLathe(m, {{{0, base}, {brim, base}}, {{brim, base}, {brim, brimTop}}, {{brim, brimTop}, {crown, brimTop}}}, 40,
           Xf(), a);
  const float ribbonTop = brimTop + 0.3f;
  AddLathe(m, {{{crown, brimTop}, {crown, ribbonTop}}}, 40, Xf(), ribbon);
  const int bands = 4;
  for (int i = 0; i < bands; ++i) {
    float h0 = ribbonTop + (top - ribbonTop) * i / bands, h1 = ribbonTop + (top - ribbonTop) * (i + 1) / bands;
    AddLathe(m, {{{crown, h0}, {crown, h1}}}, 40, Xf(), (i % 2) ? a : b);
  }
  AddLathe(m, {{{crown, top}, {0, top}}}, 40, Xf(), b);
  return m;
}

// A thin tube along a polyline (for wire guards).
void AddWire(Mesh& m, const std::vector<V3>& pts, float r, int mat) {
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    V3 d = pts[i + 1] - pts[i];
    float len = std::sqrt(Dot(d, d));
    if (len <= 0) continue;
    // Each piece runs a wire's radius past its ends so the bends stay closed.
    V3 u = d * (1 / len);
    V3 p = pts[i] - u * r;
    AddCylinder(m, r, 0, len + 2 * r, 5, Xf::AlongAxis(d) * Xf::Translate(p.x, p.y, p.z), mat, false);
  }
}

Mesh FanCase() {
  // Blows along x: a barrel-shaped wire cage around the rotor, which turns
  // about x; the motor sits behind it. Drawn at 3 x the fan's radius with
  // the capsule kinds' upright turn, the camera sees the cage from its side,
  // and there the item's capsule is x +-0.333 with round ends of radius
  // 0.333 about z = +-0.667. The cage's outline is that: every rib runs
  // along the outside of a ring tube of radius 0.333 about the circle of
  // radius 0.667, so the cage fills the capsule seen from any side.
  Mesh m;
  int guard = m.AddMaterial(MakeMaterial("Guard", kWhiteC, 0.45f));
  int rim = m.AddMaterial(MakeMaterial("GuardRim", kBlueC, 0.4f));
  int motor = m.AddMaterial(MakeMaterial("Motor", kBlueC, 0.4f));
  int badge = m.AddMaterial(MakeMaterial("Badge", kYellowC, 0.5f));
  Xf alongX = Xf::AlongAxis({1, 0, 0});
  const float R0 = 0.667f, tube = 0.333f, wire = 0.016f, rimWire = 0.04f;
  // A point of the cage: `t` turns along the tube from the back face (-pi/2)
  // over the rim (0) to the front face, `a` turns about the fan's axis.
  auto onTube = [&](float t, float a, float inset) {
    float r = R0 + (tube - inset) * Cos(t);
    return V3{(tube - inset) * Sin(t), r * Cos(a), r * Sin(a)};
  };
  AddTorus(m, R0 + tube - rimWire, rimWire, 48, 8, alongX, rim);
  for (int i = 0; i < 16; ++i) {
    float a = 2 * kPi * i / 16;
    std::vector<V3> pts;
    for (int k = 0; k <= 12; ++k) pts.push_back(onTube(-kPi / 2 + kPi * k / 12, a, wire));
    AddWire(m, pts, wire, guard);
  }
  for (float t : {-kPi / 4, kPi / 4}) {
    V3 c = onTube(t, 0, wire);
    AddTorus(m, c.y, wire, 40, 5, alongX * Xf::Translate(c.x, 0, 0), guard);
  }
  // The two faces: a ring and spokes, flat across the opening.
  for (float side : {-1.0f, 1.0f}) {
    float x = side * (tube - wire);
    AddTorus(m, R0, wire, 40, 5, alongX * Xf::Translate(x, 0, 0), rim);
    AddTorus(m, 0.36f, wire, 32, 5, alongX * Xf::Translate(x, 0, 0), guard);
    for (int i = 0; i < 12; ++i) {
      float a = 2 * kPi * i / 12;
      float r0 = side < 0 ? 0.16f : 0.1f;  // the motor fills the back's middle
      AddWire(m, {{x, r0 * Cos(a), r0 * Sin(a)}, {x, R0 * Cos(a), R0 * Sin(a)}}, wire, guard);
    }
  }
  // A badge in the middle of the front face.
  AddCylinder(m, 0.1f, tube - 0.04f, tube, 20, alongX, badge);
  AddLathe(m, {{{0, -0.333f}, {0.08f, -0.328f}, {0.13f, -0.3f}, {0.15f, -0.26f}, {0.15f, -0.06f}, {0, -0.06f}}}, 24,
           alongX, motor);
  return m;
}

Mesh FanBody() {
  Mesh m;
  int blade = m.AddMaterial(MakeMaterial("Blade", kOrangeC, 0.45f));
  int hub = m.AddMaterial(MakeMaterial("Spinner", kRedC, 0.4f));
  Xf alongX = Xf::AlongAxis({1, 0, 0});
  AddLathe(m, {{{0, -0.05f}, {0.12f, -0.05f}}, {{0.12f, -0.05f}, {0.12f, 0.04f}, {0.09f, 0.1f}, {0.05f, 0.14f}, {0, 0.15f}}},
           24, alongX, hub);
  // Blade outline: width across, radius along local y.
  std::vector<float> o = {-0.06f, 0.1f, 0.06f, 0.1f, 0.17f, 0.55f, 0.16f, 0.78f, 0.08f, 0.88f, -0.04f, 0.88f,
                          -0.12f, 0.76f, -0.1f, 0.5f};
  for (int i = 0; i < 4; ++i) {
    Xf xf = Xf::RotY(kPi / 2) * Xf::RotY(0.45f) * Xf::RotX(kPi / 2 * i);
    AddExtrusion(m, o, -0.018f, 0.018f, xf, blade, 0);
  }
  return m;
}

Mesh Hand() {  // not drawn by the game: a small mitten
  Mesh m;
  int mat = m.AddMaterial(MakeMaterial("Glove", kWhiteC, 0.45f));
  AddExtrusion(m, RoundRectOutline(-0.5f, -0.6f, 0.5f, 0.6f, 0.3f), -0.2f, 0.2f, Xf(), mat, 40);
  Capsule(m, 0.15f, -0.3f, 0.3f, Xf::RotZ(-0.8f) * Xf::Translate(-0.55f, -0.1f, 0), mat, 12);
  return m;
}

Mesh Grenade(bool withLever) {  // not drawn by the game
  Mesh m;
  int body = m.AddMaterial(MakeMaterial("Shell", 0x5E7A3A, 0.4f));
  int metal = m.AddMaterial(MakeMaterial("Fuse", kSteelC, 0.4f));
  AddSphere(m, 0.5f, 20, 12, Xf::Scale(1, 1.15f, 1), body);
  AddCylinder(m, 0.15f, 0.5f, 0.72f, 12, Xf(), metal);
  if (withLever) {
    // The lever runs from the fuse down along the shell.
    AddBox(m, {0.1f, 0.62f, -0.06f}, {0.56f, 0.7f, 0.06f}, Xf(), metal);
    AddBox(m, {0.5f, -0.2f, -0.05f}, {0.58f, 0.7f, 0.05f}, Xf(), metal);
    AddTorus(m, 0.12f, 0.025f, 16, 6, Xf::AlongAxis({0, 0, 1}) * Xf::Translate(-0.25f, 0.7f, 0), metal);
  }
  return m;
}

Mesh Uzi() {  // not drawn by the game
  Mesh m;
  int mat = m.AddMaterial(MakeMaterial("Gun", 0x4A4E5A, 0.4f));
  AddBox(m, {-0.6f, 0, -0.1f}, {0.5f, 0.25f, 0.1f}, Xf(), mat);
  AddBox(m, {-0.1f, -0.5f, -0.08f}, {0.1f, 0.0f, 0.08f}, Xf(), mat);
  AddCylinder(m, 0.05f, 0.5f, 0.8f, 10, Xf::AlongAxis({1, 0, 0}) * Xf::Translate(0, 0.15f, 0), mat);
  return m;
}

}  // namespace

// Boxes in model units. Sources: the drawing scale of each item and its
// physics body; see the comments of each model.
const std::vector<ModelInfo>& ModelInfos() {
  static const std::vector<ModelInfo> infos = {
      {"Sky.x", {-1, -1, -1}, {1, 1, 1}, 0.02f},
      {"FanBody.x", {-0.08f, -0.9f, -0.9f}, {0.15f, 0.9f, 0.9f}, 0.05f},
      {"FanCase.x", {-0.333f, -1, -1}, {0.333f, 1, 1}, 0.005f},
      {"Hand.x", {-0.8f, -0.7f, -0.2f}, {0.5f, 0.6f, 0.2f}, 0.3f},
      {"Granade.x", {-0.5f, -0.575f, -0.5f}, {0.58f, 0.8f, 0.5f}, 0.05f},
      {"GranadeNude.x", {-0.5f, -0.6f, -0.5f}, {0.5f, 0.72f, 0.5f}, 0.1f},
      {"Uzi.x", {-0.6f, -0.5f, -0.1f}, {0.8f, 0.25f, 0.1f}, 0.1f},
      {"Joint.x", {-0.8f, -0.8f, -2.7f}, {0.8f, 0.8f, 2.7f}, 0.02f},
      {"FixJoint.x", {-0.75f, -0.75f, -2.7f}, {0.75f, 0.75f, 2.7f}, 0.02f},
      // Bell: pivot 2.5 above the capsule's centre (radius 2, length 2.5),
      // scale 2.5: from 0.75 / 2.5 = 0.3 above the pivot to 5.75 / 2.5 = 2.3
      // below it along +z, radius 2 / 2.5.
      {"Bell.x", {-0.8f, -0.8f, -0.3f}, {0.8f, 0.8f, 2.3f}, 0.005f},
      {"StartBall.x", {-1, -1, -1}, {1, 1, 1}, 0.02f},
      // Gear: a face in front of z = -2 and one behind z = 2.
      {"Gear.x", {-1, -1, -2.485f}, {1, 1, 2.485f}, 0.03f},
      {"Tire.x", {-1, -1, -1}, {1, 1, 1}, 0.02f},
      // Truck: the 16 x 8 body at S(4, 4, 3), the cab block 4 x 2 above it.
      {"Car.x", {-2, -1, -0.667f}, {2, 1.5f, 0.667f}, 0.02f},
      // Rocket in its tower: the 6 x 12 x 4 box at S(3, 3, 3); the bottom is
      // the squash anchor.
      {"Rocket.x", {-1, -2, -0.667f}, {1, 2, 0.667f}, 0.005f},
      // Toy box: 30 x 20 at S(10, 10, 1.5).
      {"Box.x", {-1.5f, -1, -1.337f}, {1.5f, 1, 1.333f}, 0.01f},
      {"D-Head.x", {-1.2f, -1.2f, -1.2f}, {1.2f, 1.2f, 1.2f}, 0.03f},
      {"D-Body.x", {-1.5f, -2, -0.95f}, {1.5f, 2, 0.9f}, 0.06f},
      {"D-Arm.x", {-0.5f, -1.5f, -0.5f}, {0.5f, 1.5f, 0.5f}, 0.02f},
      {"D-Arm2.x", {-0.5f, -1.5f, -0.44f}, {0.5f, 1.5f, 0.44f}, 0.06f},
      {"D-Waist.x", {-1.52f, -1, -0.92f}, {1.52f, 1, 0.88f}, 0.02f},
      {"D-Leg.x", {-0.75f, -3, -1.1f}, {0.75f, 3, 0.6f}, 0.06f},
      {"D-Hat.x", {-1, -1, -1}, {1, 1, 1}, 0.005f},
      {"Capsule.x", {-1, 0, -1}, {1, 1, 1}, 0.001f},
  };
  return infos;
}

std::vector<std::pair<std::string, Mesh>> BuildModels() {
  std::vector<std::pair<std::string, Mesh>> r = {
      {"Sky.x", Sky()},
      {"FanBody.x", FanBody()},
      {"FanCase.x", FanCase()},
      {"Hand.x", Hand()},
      {"Granade.x", Grenade(true)},
      {"GranadeNude.x", Grenade(false)},
      {"Uzi.x", Uzi()},
      {"Joint.x", RotaryJoint()},
      {"FixJoint.x", FixedJoint()},
      {"Bell.x", Bell()},
      {"StartBall.x", StartBall()},
      {"Gear.x", Gear()},
      {"Tire.x", Tire()},
      {"Car.x", Car()},
      {"Rocket.x", Rocket()},
      {"Box.x", ToyBox()},
      {"D-Head.x", DollHead()},
      {"D-Body.x", DollBody()},
      {"D-Arm.x", DollUpperArm()},
      {"D-Arm2.x", DollForearm()},
      {"D-Waist.x", DollWaist()},
      {"D-Leg.x", DollLeg()},
      {"D-Hat.x", DollHat()},
      {"Capsule.x", Capsule()},
  };
  for (auto& p : r) p.second.Finish();
  return r;
}

}  // namespace art
