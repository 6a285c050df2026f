#include "tools/art_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace art {

V3 Normalize(V3 a) {
  float l = std::sqrt(Dot(a, a));
  return l > 0 ? a * (1 / l) : V3{0, 1, 0};
}

Material MakeMaterial(const std::string& name, unsigned rgb, float share, const std::string& texture) {
  Material m;
  m.name = name;
  m.diffuse[0] = ((rgb >> 16) & 255) / 255.0f;
  m.diffuse[1] = ((rgb >> 8) & 255) / 255.0f;
  m.diffuse[2] = (rgb & 255) / 255.0f;
  m.diffuse[3] = 1;
  for (int i = 0; i < 3; ++i) m.emissive[i] = m.diffuse[i] * share;
  m.texture = texture;
  return m;
}

Xf Xf::Translate(float x, float y, float z) {
  Xf r;
  r.t = {x, y, z};
  return r;
}
Xf Xf::Scale(float x, float y, float z) {
  Xf r;
  r.m[0][0] = x;
  r.m[1][1] = y;
  r.m[2][2] = z;
  return r;
}
Xf Xf::RotX(float a) {
  Xf r;
  float c = Cos(a), s = Sin(a);
  r.m[1][1] = c;
  r.m[1][2] = -s;
  r.m[2][1] = s;
  r.m[2][2] = c;
  return r;
}
Xf Xf::RotY(float a) {
  Xf r;
  float c = Cos(a), s = Sin(a);
  r.m[0][0] = c;
  r.m[0][2] = s;
  r.m[2][0] = -s;
  r.m[2][2] = c;
  return r;
}
Xf Xf::RotZ(float a) {
  Xf r;
  float c = Cos(a), s = Sin(a);
  r.m[0][0] = c;
  r.m[0][1] = -s;
  r.m[1][0] = s;
  r.m[1][1] = c;
  return r;
}
Xf Xf::AlongAxis(V3 axis) {
  V3 y = Normalize(axis);
  V3 helper = std::fabs(y.y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0};
  V3 x = Normalize(Cross(helper, y));
  V3 z = Cross(x, y);
  Xf r;
  // Columns are the images of the local axes.
  r.m[0][0] = x.x; r.m[1][0] = x.y; r.m[2][0] = x.z;
  r.m[0][1] = y.x; r.m[1][1] = y.y; r.m[2][1] = y.z;
  r.m[0][2] = z.x; r.m[1][2] = z.y; r.m[2][2] = z.z;
  return r;
}
V3 Xf::Point(V3 p) const {
  return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + t.x, m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + t.y,
          m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + t.z};
}
V3 Xf::Normal(V3 n) const {
  // Inverse transpose through the cofactors (the determinant's sign is kept
  // so that a mirror still gives the outward normal).
  float c[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      c[i][j] = m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1];
    }
  float det = m[0][0] * c[0][0] + m[0][1] * c[0][1] + m[0][2] * c[0][2];
  V3 r{c[0][0] * n.x + c[0][1] * n.y + c[0][2] * n.z, c[1][0] * n.x + c[1][1] * n.y + c[1][2] * n.z,
       c[2][0] * n.x + c[2][1] * n.y + c[2][2] * n.z};
  if (det < 0) r = r * -1;
  return Normalize(r);
}
Xf operator*(const Xf& a, const Xf& b) {
  Xf r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = b.m[i][0] * a.m[0][j] + b.m[i][1] * a.m[1][j] + b.m[i][2] * a.m[2][j];
  r.t = b.Point(a.t);
  return r;
}

int Mesh::AddMaterial(const Material& mat) {
  for (size_t i = 0; i < materials.size(); ++i)
    if (materials[i].name == mat.name) return (int)i;
  materials.push_back(mat);
  return (int)materials.size() - 1;
}

void Mesh::Finish() {
  std::vector<std::array<int, 3>> f2;
  std::vector<int> m2;
  for (size_t i = 0; i < faces.size(); ++i) {
    auto f = faces[i];
    V3 a = verts[f[0]].p, b = verts[f[1]].p, c = verts[f[2]].p;
    V3 cr = Cross(b - a, c - a);
    if (Dot(cr, cr) < 1e-14f) continue;
    V3 n = verts[f[0]].n + verts[f[1]].n + verts[f[2]].n;
    // Left-handed, clockwise front faces: the cross product of the edges
    // points out of the front.
    if (Dot(cr, n) < 0) std::swap(f[1], f[2]);
    f2.push_back(f);
    m2.push_back(faceMaterial[i]);
  }
  faces.swap(f2);
  faceMaterial.swap(m2);
}

void Mesh::Bounds(V3& lo, V3& hi) const {
  lo = {1e30f, 1e30f, 1e30f};
  hi = {-1e30f, -1e30f, -1e30f};
  for (const auto& v : verts) {
    lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
    hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
  }
}

static void Quad(Mesh& m, int a, int b, int c, int d, int mat) {
  m.faces.push_back({a, b, c});
  m.faceMaterial.push_back(mat);
  m.faces.push_back({a, c, d});
  m.faceMaterial.push_back(mat);
}

static int Add(Mesh& m, const Xf& xf, V3 p, V3 n, float u, float v) {
  Vertex vx;
  vx.p = xf.Point(p);
  vx.n = xf.Normal(n);
  vx.u = u;
  vx.v = v;
  m.verts.push_back(vx);
  return (int)m.verts.size() - 1;
}

void AddLathe(Mesh& m, const std::vector<std::vector<std::array<float, 2>>>& strips, int segments, const Xf& xf,
              int mat, float uScale, float vScale, float a0, float a1) {
  float vAcc = 0;
  for (const auto& s : strips) {
    size_t n = s.size();
    std::vector<std::array<float, 2>> nrm(n);
    std::vector<float> vcoord(n);
    for (size_t i = 0; i < n; ++i) {
      float nr = 0, nh = 0;
      for (int k = -1; k <= 0; ++k) {
        long a = (long)i + k, b = a + 1;
        if (a < 0 || b >= (long)n) continue;
        float dr = s[b][0] - s[a][0], dh = s[b][1] - s[a][1];
        float l = Hypot(dr, dh);
        if (l <= 0) continue;
        nr += dh / l;
        nh += -dr / l;
      }
      float l = Hypot(nr, nh);
      nrm[i] = l > 0 ? std::array<float, 2>{nr / l, nh / l} : std::array<float, 2>{1, 0};
      if (i > 0) vAcc += Hypot(s[i][0] - s[i - 1][0], s[i][1] - s[i - 1][1]);
      vcoord[i] = vAcc * vScale;
    }
    int base = (int)m.verts.size();
    for (size_t i = 0; i < n; ++i)
      for (int j = 0; j <= segments; ++j) {
        float a = a0 + (a1 - a0) * j / segments, c = Cos(a), sn = Sin(a);
        Add(m, xf, {s[i][0] * c, s[i][1], s[i][0] * sn}, {nrm[i][0] * c, nrm[i][1], nrm[i][0] * sn},
            uScale * j / segments, vcoord[i]);
      }
    for (size_t i = 0; i + 1 < n; ++i)
      for (int j = 0; j < segments; ++j) {
        int a = base + int(i) * (segments + 1) + j;
        int d = a + segments + 1;
        Quad(m, a, a + 1, d + 1, d, mat);
      }
  }
}

void AddSphere(Mesh& m, float r, int segments, int rings, const Xf& xf, int mat) {
  std::vector<std::array<float, 2>> s;
  for (int i = 0; i <= rings; ++i) {
    float phi = 3.14159265f * i / rings;
    s.push_back({r * Sin(phi), -r * Cos(phi)});
  }
  AddLathe(m, {s}, segments, xf, mat, 1, 1.0f / (3.14159265f * r));
}

void AddCylinder(Mesh& m, float r, float y0, float y1, int segments, const Xf& xf, int mat, bool caps) {
  std::vector<std::vector<std::array<float, 2>>> s;
  if (caps) s.push_back({{0, y0}, {r, y0}});
  s.push_back({{r, y0}, {r, y1}});
  if (caps) s.push_back({{r, y1}, {0, y1}});
  AddLathe(m, s, segments, xf, mat);
}

void AddTorus(Mesh& m, float R, float r, int segments, int sides, const Xf& xf, int mat) {
  std::vector<std::array<float, 2>> s;
  for (int i = 0; i <= sides; ++i) {
    float a = 6.28318530718f * i / sides;
    s.push_back({R + r * Cos(a), r * Sin(a)});
  }
  AddLathe(m, {s}, segments, xf, mat);
}

void AddBox(Mesh& m, V3 lo, V3 hi, const Xf& xf, int mat) {
  struct F {
    V3 n, u, v;
  };
  const F fs[6] = {{{0, 0, -1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
                   {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                   {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}}};
  V3 c = (lo + hi) * 0.5f, h = (hi - lo) * 0.5f;
  for (const F& f : fs) {
    int base = (int)m.verts.size();
    for (int k = 0; k < 4; ++k) {
      float su = (k == 1 || k == 2) ? 1.0f : -1.0f, sv = (k >= 2) ? 1.0f : -1.0f;
      V3 d = f.n + f.u * su + f.v * sv;
      V3 p{c.x + d.x * h.x, c.y + d.y * h.y, c.z + d.z * h.z};
      Add(m, xf, p, f.n, (su + 1) / 2, (1 - sv) / 2);
    }
    Quad(m, base, base + 1, base + 2, base + 3, mat);
  }
}

// Ear clipping of an anticlockwise outline.
static std::vector<std::array<int, 3>> Triangulate(const std::vector<float>& o) {
  int n = (int)o.size() / 2;
  std::vector<int> idx(n);
  for (int i = 0; i < n; ++i) idx[i] = i;
  std::vector<std::array<int, 3>> tris;
  auto X = [&](int i) { return o[2 * i]; };
  auto Y = [&](int i) { return o[2 * i + 1]; };
  auto cross = [&](int a, int b, int c) { return (X(b) - X(a)) * (Y(c) - Y(a)) - (Y(b) - Y(a)) * (X(c) - X(a)); };
  int guard = 0;
  while (idx.size() > 3 && guard++ < 10000) {
    bool cut = false;
    for (size_t i = 0; i < idx.size(); ++i) {
      int a = idx[(i + idx.size() - 1) % idx.size()], b = idx[i], c = idx[(i + 1) % idx.size()];
      if (cross(a, b, c) <= 1e-9f) continue;
      bool inside = false;
      for (int p : idx) {
        if (p == a || p == b || p == c) continue;
        if (cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0) {
          inside = true;
          break;
        }
      }
      if (inside) continue;
      tris.push_back({a, b, c});
      idx.erase(idx.begin() + i);
      cut = true;
      break;
    }
    if (!cut) break;
  }
  if (idx.size() == 3) tris.push_back({idx[0], idx[1], idx[2]});
  return tris;
}

void AddFlat(Mesh& m, const std::vector<float>& o, float z, bool minusZ, const Xf& xf, int mat) {
  float minx = 1e30f, maxx = -1e30f, miny = 1e30f, maxy = -1e30f;
  for (size_t i = 0; i < o.size(); i += 2) {
    minx = std::min(minx, o[i]);
    maxx = std::max(maxx, o[i]);
    miny = std::min(miny, o[i + 1]);
    maxy = std::max(maxy, o[i + 1]);
  }
  int base = (int)m.verts.size();
  V3 n{0, 0, minusZ ? -1.0f : 1.0f};
  for (size_t i = 0; i < o.size(); i += 2)
    Add(m, xf, {o[i], o[i + 1], z}, n, (o[i] - minx) / std::max(1e-6f, maxx - minx),
        1 - (o[i + 1] - miny) / std::max(1e-6f, maxy - miny));
  for (auto t : Triangulate(o)) {
    m.faces.push_back({base + t[0], base + t[1], base + t[2]});
    m.faceMaterial.push_back(mat);
  }
}

void AddExtrusion(Mesh& m, const std::vector<float>& o, float z0, float z1, const Xf& xf, int mat, float smoothDeg,
                  int capMat) {
  if (capMat < 0) capMat = mat;
  AddFlat(m, o, z0, true, xf, capMat);
  AddFlat(m, o, z1, false, xf, capMat);
  int n = (int)o.size() / 2;
  std::vector<V3> en(n);
  for (int i = 0; i < n; ++i) {
    int j = (i + 1) % n;
    float dx = o[2 * j] - o[2 * i], dy = o[2 * j + 1] - o[2 * i + 1];
    en[i] = Normalize({dy, -dx, 0});
  }
  float cosLim = Cos(smoothDeg * 3.14159265f / 180);
  float len = 0;
  for (int i = 0; i < n; ++i) {
    int j = (i + 1) % n, prev = (i + n - 1) % n, next = (i + 1) % n;
    V3 na = en[i], nb = en[i];
    if (smoothDeg > 0 && Dot(en[prev], en[i]) > cosLim) na = Normalize(en[prev] + en[i]);
    if (smoothDeg > 0 && Dot(en[next], en[i]) > cosLim) nb = Normalize(en[next] + en[i]);
    float seg = Hypot(o[2 * j] - o[2 * i], o[2 * j + 1] - o[2 * i + 1]);
    int base = (int)m.verts.size();
    Add(m, xf, {o[2 * i], o[2 * i + 1], z0}, na, len, 0);
    Add(m, xf, {o[2 * j], o[2 * j + 1], z0}, nb, len + seg, 0);
    Add(m, xf, {o[2 * j], o[2 * j + 1], z1}, nb, len + seg, 1);
    Add(m, xf, {o[2 * i], o[2 * i + 1], z1}, na, len, 1);
    Quad(m, base, base + 1, base + 2, base + 3, mat);
    len += seg;
  }
}

void Append(Mesh& dst, const Mesh& src, const Xf& xf) {
  std::vector<int> remap;
  for (const auto& mat : src.materials) remap.push_back(dst.AddMaterial(mat));
  int base = (int)dst.verts.size();
  for (const auto& v : src.verts) {
    Vertex w = v;
    w.p = xf.Point(v.p);
    w.n = xf.Normal(v.n);
    dst.verts.push_back(w);
  }
  for (size_t i = 0; i < src.faces.size(); ++i) {
    auto f = src.faces[i];
    dst.faces.push_back({f[0] + base, f[1] + base, f[2] + base});
    dst.faceMaterial.push_back(remap[src.faceMaterial[i]]);
  }
}

static std::string F(float v) {
  if (std::fabs(v) < 5e-7f) v = 0;
  char b[32];
  std::snprintf(b, sizeof b, "%.6f", v);
  return b;
}

std::string WriteX(const Mesh& m) {
  std::string s = "xof 0303txt 0032\n\n";
  s += "Mesh model {\n ";
  s += std::to_string(m.verts.size()) + ";\n";
  for (size_t i = 0; i < m.verts.size(); ++i) {
    const V3& p = m.verts[i].p;
    s += " " + F(p.x) + ";" + F(p.y) + ";" + F(p.z) + ";" + (i + 1 < m.verts.size() ? ",\n" : ";\n");
  }
  auto faceList = [&]() {
    std::string f = " " + std::to_string(m.faces.size()) + ";\n";
    for (size_t i = 0; i < m.faces.size(); ++i) {
      const auto& t = m.faces[i];
      f += " 3;" + std::to_string(t[0]) + "," + std::to_string(t[1]) + "," + std::to_string(t[2]) + ";" +
           (i + 1 < m.faces.size() ? ",\n" : ";\n");
    }
    return f;
  };
  s += faceList();
  s += "\n MeshNormals {\n ";
  s += std::to_string(m.verts.size()) + ";\n";
  for (size_t i = 0; i < m.verts.size(); ++i) {
    const V3& n = m.verts[i].n;
    s += " " + F(n.x) + ";" + F(n.y) + ";" + F(n.z) + ";" + (i + 1 < m.verts.size() ? ",\n" : ";\n");
  }
  s += faceList();
  s += " }\n\n MeshTextureCoords {\n ";
  s += std::to_string(m.verts.size()) + ";\n";
  for (size_t i = 0; i < m.verts.size(); ++i)
    s += " " + F(m.verts[i].u) + ";" + F(m.verts[i].v) + ";" + (i + 1 < m.verts.size() ? ",\n" : ";\n");
  s += " }\n\n MeshMaterialList {\n ";
  s += std::to_string(m.materials.size()) + ";\n " + std::to_string(m.faces.size()) + ";\n";
  for (size_t i = 0; i < m.faceMaterial.size(); ++i)
    s += " " + std::to_string(m.faceMaterial[i]) + (i + 1 < m.faceMaterial.size() ? ",\n" : ";\n");
  for (const Material& mt : m.materials) {
    s += "\n  Material " + mt.name + " {\n";
    s += "   " + F(mt.diffuse[0]) + ";" + F(mt.diffuse[1]) + ";" + F(mt.diffuse[2]) + ";" + F(mt.diffuse[3]) + ";;\n";
    s += "   " + F(mt.power) + ";\n";
    s += "   " + F(mt.specular[0]) + ";" + F(mt.specular[1]) + ";" + F(mt.specular[2]) + ";;\n";
    s += "   " + F(mt.emissive[0]) + ";" + F(mt.emissive[1]) + ";" + F(mt.emissive[2]) + ";;\n";
    if (!mt.texture.empty()) {
      std::string t;
      for (char ch : mt.texture) t += (ch == '\\') ? std::string("\\\\") : std::string(1, ch);
      s += "\n   TextureFilename {\n    \"" + t + "\";\n   }\n";
    }
    s += "  }\n";
  }
  s += " }\n}\n";
  return s;
}

}  // namespace art
