// Meshes of the art generator: building blocks for the models and the writer
// of the text .x format (left-handed, y up, clockwise front faces).
#pragma once
#include <array>
#include <string>
#include <vector>

#include "tools/art_math.h"

namespace art {

struct V3 {
  float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Normalize(V3 a);

struct Material {
  std::string name;
  float diffuse[4] = {1, 1, 1, 1};
  float power = 0;
  float specular[3] = {0, 0, 0};
  float emissive[3] = {0, 0, 0};
  std::string texture;  // as the game resolves it, e.g. "data\\Sky.bmp"; empty for none
};
// A material lit by the game's one white light with no ambient light: the
// emissive part keeps the side away from the light readable.
Material MakeMaterial(const std::string& name, unsigned rgb, float emissiveShare = 0.35f,
                      const std::string& texture = "");

struct Vertex {
  V3 p, n;
  float u = 0, v = 0;
};

// Affine transform p' = M p + t (rows of M), normals by the inverse transpose.
struct Xf {
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  V3 t;
  static Xf Translate(float x, float y, float z);
  static Xf Scale(float x, float y, float z);
  static Xf RotX(float radians);  // the drawing library's sense: y toward z
  static Xf RotY(float radians);
  static Xf RotZ(float radians);  // x toward y
  // Frame whose local y axis is `axis` (used for lathes along any axis).
  static Xf AlongAxis(V3 axis);
  V3 Point(V3 p) const;
  V3 Normal(V3 n) const;
};
Xf operator*(const Xf& a, const Xf& b);  // a then b (row-vector order)

struct Mesh {
  std::vector<Vertex> verts;
  std::vector<std::array<int, 3>> faces;
  std::vector<int> faceMaterial;
  std::vector<Material> materials;

  int AddMaterial(const Material& m);
  // Every face wound clockwise as seen from the side its normals face;
  // degenerate faces dropped.
  void Finish();
  void Bounds(V3& lo, V3& hi) const;
};

// Lathe: a profile of (radius, height) points around the local y axis of
// `xf`. Each strip is smooth; corners between strips are sharp. Profiles run
// so that the surface's outside is to the right of the direction of travel in
// the (r, h) plane (bottom to top on an outside wall).
void AddLathe(Mesh& m, const std::vector<std::vector<std::array<float, 2>>>& strips, int segments, const Xf& xf,
              int material, float uScale = 1, float vScale = 1, float a0 = 0,
              float a1 = 6.28318530718f);
void AddSphere(Mesh& m, float r, int segments, int rings, const Xf& xf, int material);
void AddBox(Mesh& m, V3 lo, V3 hi, const Xf& xf, int material);
// A 2-D outline (x, y pairs, anticlockwise) extruded from z0 to z1; side
// normals smoothed where neighbouring edges turn by less than smoothDeg.
void AddExtrusion(Mesh& m, const std::vector<float>& outline, float z0, float z1, const Xf& xf, int material,
                  float smoothDeg = 0, int capMaterial = -1);
// A flat polygon facing -z at depth z (a decal), anticlockwise outline.
void AddFlat(Mesh& m, const std::vector<float>& outline, float z, bool facingMinusZ, const Xf& xf, int material);
void AddTorus(Mesh& m, float R, float r, int segments, int sides, const Xf& xf, int material);
void AddCylinder(Mesh& m, float r, float y0, float y1, int segments, const Xf& xf, int material, bool caps = true);
void Append(Mesh& dst, const Mesh& src, const Xf& xf);  // src's materials merged by name

std::string WriteX(const Mesh& m);

}  // namespace art
