// Meshes: .x models through assimp, generated boxes and cylinders, cloning
// and drawing by subset.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/cp932.h"
#include "platform/d3dx9.h"
#include "platform/gl_internal.h"
#include "platform/regular_file.h"

struct D3DXMeshImpl {
  D3DDeviceImpl* device = nullptr;
  DWORD fvf = 0;
  UINT stride = 0;
  std::vector<uint8_t> vertices;
  std::vector<uint32_t> indices;     // three per face
  std::vector<DWORD> attributes;     // one per face
  struct Range {
    DWORD attrib, faceStart, faceCount;
  };
  std::vector<Range> table;  // runs of faces with one attribute
  MeshPlace place;              // in the device's buffers for this format
  bool opaqueVertices = true;  // as of the last upload
  bool dirty = true;
  bool locked = false;
  unsigned version = 0;  // counts uploads

  DWORD Faces() const { return (DWORD)attributes.size(); }
  DWORD Vertices() const { return stride ? (DWORD)(vertices.size() / stride) : 0; }
  void BuildTable() {
    table.clear();
    for (DWORD f = 0; f < Faces(); ++f) {
      if (!table.empty() && table.back().attrib == attributes[f] &&
          table.back().faceStart + table.back().faceCount == f)
        ++table.back().faceCount;
      else
        table.push_back({attributes[f], f, 1});
    }
  }
  // Sends the vertices and indices to the device's buffers for this format.
  void Upload() {
    PlaceMesh(device, fvf, stride, vertices, indices, &place);
    opaqueVertices = VerticesOpaque(vertices.data(), Vertices(), stride, fvf);
    dirty = false;
    ++version;
  }
};

namespace {

ID3DXMesh* NewMesh(D3DDeviceImpl* device, DWORD fvf) {
  auto* m = new D3DXMeshImpl;
  m->device = device;
  m->fvf = fvf;
  m->stride = LayoutOfFvf(fvf).stride;
  return new ID3DXMesh(m);
}

ID3DXBuffer* NoNeighbours(DWORD faces) {
  // Neighbour lists are only handed back to Optimize, which needs none.
  auto* b = new ID3DXBuffer((size_t)faces * 3 * sizeof(DWORD));
  memset(b->GetBufferPointer(), 0xff, (size_t)faces * 3 * sizeof(DWORD));
  return b;
}

// Writes one vertex of a position + normal mesh.
void PutVertex(D3DXMeshImpl* m, const D3DXVECTOR3& p, const D3DXVECTOR3& n) {
  FvfLayout l = LayoutOfFvf(m->fvf);
  size_t at = m->vertices.size();
  m->vertices.resize(at + m->stride, 0);
  memcpy(&m->vertices[at + l.position], &p, 12);
  if (l.normal >= 0) memcpy(&m->vertices[at + l.normal], &n, 12);
}

void PutFace(D3DXMeshImpl* m, uint32_t a, uint32_t b, uint32_t c) {
  m->indices.insert(m->indices.end(), {a, b, c});
  m->attributes.push_back(0);
}

HRESULT Finish(ID3DXMesh* mesh, ID3DXMesh** out, ID3DXBuffer** adjacency) {
  mesh->impl()->BuildTable();
  *out = mesh;
  if (adjacency) *adjacency = NoNeighbours(mesh->impl()->Faces());
  return D3D_OK;
}

D3DCOLORVALUE Color(const aiMaterial* m, const char* key, unsigned type, unsigned index,
                    float defaultAlpha) {
  aiColor4D c(0, 0, 0, defaultAlpha);
  if (aiGetMaterialColor(m, key, type, index, &c) != AI_SUCCESS) c = aiColor4D(0, 0, 0, defaultAlpha);
  return {c.r, c.g, c.b, c.a};
}

}  // namespace

// ---- ID3DXBuffer ----

ID3DXBuffer::ID3DXBuffer(size_t size) : data_(calloc(size ? size : 1, 1)), size_(size) {}
ID3DXBuffer::~ID3DXBuffer() { free(data_); }

// ---- ID3DXMesh ----

ID3DXMesh::~ID3DXMesh() { delete impl_; }

DWORD ID3DXMesh::GetNumFaces() { return impl_->Faces(); }
DWORD ID3DXMesh::GetNumVertices() { return impl_->Vertices(); }
DWORD ID3DXMesh::GetFVF() { return impl_->fvf; }
DWORD ID3DXMesh::GetNumBytesPerVertex() { return impl_->stride; }

HRESULT ID3DXMesh::LockVertexBuffer(DWORD, void** data) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = impl_->vertices.data();
  impl_->locked = true;
  return D3D_OK;
}

HRESULT ID3DXMesh::UnlockVertexBuffer() {
  impl_->locked = false;
  impl_->dirty = true;
  return D3D_OK;
}

HRESULT ID3DXMesh::DrawSubset(DWORD attribId) {
  D3DXMeshImpl* m = impl_;
  if (m->locked) return D3DERR_INVALIDCALL;
  if (m->Faces() == 0) return D3D_OK;
  if (m->dirty) m->Upload();
  for (const auto& r : m->table) {
    if (r.attrib != attribId) continue;
    DrawSetup s;
    s.fvf = m->fvf;
    s.stride = m->stride;
    const MeshArena* arena = m->place.arena;
    s.vbo = arena->vbo;
    s.ebo = arena->ebo;
    s.vao = arena->vao;
    s.indexBase = m->place.firstIndex;
    s.baseVertex = m->place.baseVertex;
    s.opaqueVertices = m->opaqueVertices;
    s.mode = GL_TRIANGLES;
    s.first = (GLint)(r.faceStart * 3);
    s.count = (GLsizei)(r.faceCount * 3);
    s.mesh = m;
    s.meshVersion = m->version;
    s.cpuVertices = m->vertices.data();
    s.vertexCount = m->Vertices();
    s.cpuIndices = m->indices.data();
    s.indexCount = (unsigned)m->indices.size();
    DeviceDraw(m->device, s);
  }
  return D3D_OK;
}

HRESULT ID3DXMesh::CloneMeshFVF(DWORD, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out) {
  if (!out) return D3DERR_INVALIDCALL;
  FvfLayout to = LayoutOfFvf(fvf), from = LayoutOfFvf(impl_->fvf);
  if (to.position < 0) return D3DERR_INVALIDCALL;
  ID3DXMesh* clone = NewMesh(device ? device->impl() : impl_->device, fvf);
  D3DXMeshImpl* c = clone->impl();
  DWORD n = impl_->Vertices();
  c->vertices.assign((size_t)n * c->stride, 0);
  auto copy = [&](int dst, int src, size_t bytes, DWORD v) {
    if (dst >= 0 && src >= 0)
      memcpy(&c->vertices[(size_t)v * c->stride + dst],
             &impl_->vertices[(size_t)v * impl_->stride + src], bytes);
  };
  for (DWORD v = 0; v < n; ++v) {
    copy(to.position, from.position, 12, v);
    copy(to.normal, from.normal, 12, v);
    copy(to.diffuse, from.diffuse, 4, v);
    copy(to.texcoord, from.texcoord, 8, v);
  }
  c->indices = impl_->indices;
  c->attributes = impl_->attributes;
  c->BuildTable();
  *out = clone;
  return D3D_OK;
}

HRESULT ID3DXMesh::Optimize(DWORD, const DWORD*, DWORD* adjacencyOut, DWORD* faceRemap,
                            ID3DXBuffer** vertexRemap, ID3DXMesh** out) {
  if (!out) return D3DERR_INVALIDCALL;
  ID3DXMesh* copy = nullptr;
  HRESULT hr = CloneMeshFVF(0, impl_->fvf, nullptr, &copy);
  if (FAILED(hr)) return hr;
  D3DXMeshImpl* c = copy->impl();
  DWORD faces = c->Faces();
  std::vector<DWORD> order(faces);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](DWORD a, DWORD b) { return impl_->attributes[a] < impl_->attributes[b]; });
  for (DWORD f = 0; f < faces; ++f) {
    DWORD src = order[f];
    c->attributes[f] = impl_->attributes[src];
    for (int k = 0; k < 3; ++k) c->indices[f * 3 + k] = impl_->indices[src * 3 + k];
    if (faceRemap) faceRemap[f] = src;
  }
  c->BuildTable();
  if (adjacencyOut) memset(adjacencyOut, 0xff, (size_t)faces * 3 * sizeof(DWORD));
  if (vertexRemap) {
    DWORD n = c->Vertices();
    *vertexRemap = new ID3DXBuffer((size_t)n * sizeof(DWORD));
    auto* map = static_cast<DWORD*>((*vertexRemap)->GetBufferPointer());
    for (DWORD v = 0; v < n; ++v) map[v] = v;
  }
  *out = copy;
  return D3D_OK;
}

// ---- Generated shapes ----

HRESULT D3DXCreateBox(IDirect3DDevice9* device, float width, float height, float depth,
                      ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (!device || !mesh || !(width >= 0) || !(height >= 0) || !(depth >= 0))
    return D3DERR_INVALIDCALL;
  ID3DXMesh* out = NewMesh(device->impl(), D3DFVF_XYZ | D3DFVF_NORMAL);
  D3DXMeshImpl* m = out->impl();
  D3DXVECTOR3 half(width / 2, height / 2, depth / 2);
  // Each face: outward normal n and two axes with u x v = n, so the corners
  // c-u-v, c+u-v, c+u+v, c-u+v run clockwise seen from outside.
  const D3DXVECTOR3 X(1, 0, 0), Y(0, 1, 0), Z(0, 0, 1);
  struct Face {
    D3DXVECTOR3 n, u, v;
  } faces[6] = {{-Z, Y, X}, {Z, X, Y}, {-X, Z, Y}, {X, Y, Z}, {-Y, X, Z}, {Y, Z, X}};
  auto scale = [&](const D3DXVECTOR3& a) {
    return D3DXVECTOR3(a.x * half.x, a.y * half.y, a.z * half.z);
  };
  for (const Face& f : faces) {
    uint32_t base = (uint32_t)m->Vertices();
    D3DXVECTOR3 c = scale(f.n), u = scale(f.u), v = scale(f.v);
    PutVertex(m, c - u - v, f.n);
    PutVertex(m, c + u - v, f.n);
    PutVertex(m, c + u + v, f.n);
    PutVertex(m, c - u + v, f.n);
    PutFace(m, base, base + 1, base + 2);
    PutFace(m, base, base + 2, base + 3);
  }
  return Finish(out, mesh, adjacency);
}

HRESULT D3DXCreateCylinder(IDirect3DDevice9* device, float radius1, float radius2, float length,
                           UINT slices, UINT stacks, ID3DXMesh** mesh, ID3DXBuffer** adjacency) {
  if (!device || !mesh || !(radius1 >= 0) || !(radius2 >= 0) || !(length >= 0) || slices < 2 ||
      stacks < 1)
    return D3DERR_INVALIDCALL;
  ID3DXMesh* out = NewMesh(device->impl(), D3DFVF_XYZ | D3DFVF_NORMAL);
  D3DXMeshImpl* m = out->impl();
  float z0 = -length / 2;
  // Side normals lean toward the narrow end of a cone.
  float slope = length > 0 ? (radius1 - radius2) / length : 0.0f;
  std::vector<float> cs(slices), sn(slices);
  for (UINT i = 0; i < slices; ++i) {
    float a = 2.0f * D3DX_PI * (float)i / (float)slices;
    cs[i] = std::cos(a);
    sn[i] = std::sin(a);
  }
  // Side: stacks + 1 rings.
  for (UINT k = 0; k <= stacks; ++k) {
    float t = (float)k / (float)stacks;
    float r = radius1 + (radius2 - radius1) * t, z = z0 + length * t;
    for (UINT i = 0; i < slices; ++i) {
      D3DXVECTOR3 n(cs[i], sn[i], slope), nn;
      D3DXVec3Normalize(&nn, &n);
      PutVertex(m, D3DXVECTOR3(r * cs[i], r * sn[i], z), nn);
    }
  }
  for (UINT k = 0; k < stacks; ++k)
    for (UINT i = 0; i < slices; ++i) {
      uint32_t a = k * slices + i, b = k * slices + (i + 1) % slices;
      uint32_t c = b + slices, d = a + slices;
      PutFace(m, a, b, c);  // winding chosen so the outside is the front
      PutFace(m, a, c, d);
    }
  // Caps: a centre and a ring each.
  for (int end = 0; end < 2; ++end) {
    float z = end ? -z0 : z0, r = end ? radius2 : radius1;
    D3DXVECTOR3 n(0, 0, end ? 1.0f : -1.0f);
    uint32_t centre = (uint32_t)m->Vertices();
    PutVertex(m, D3DXVECTOR3(0, 0, z), n);
    for (UINT i = 0; i < slices; ++i) PutVertex(m, D3DXVECTOR3(r * cs[i], r * sn[i], z), n);
    for (UINT i = 0; i < slices; ++i) {
      uint32_t a = centre + 1 + i, b = centre + 1 + (i + 1) % slices;
      if (end)
        PutFace(m, centre, a, b);
      else
        PutFace(m, centre, b, a);
    }
  }
  return Finish(out, mesh, adjacency);
}

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* first, DWORD count, DWORD stride,
                               D3DXVECTOR3* min, D3DXVECTOR3* max) {
  if (!first || !min || !max || count == 0) return D3DERR_INVALIDCALL;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(first);
  D3DXVECTOR3 lo, hi;
  memcpy(&lo, p, 12);
  hi = lo;
  for (DWORD i = 1; i < count; ++i) {
    D3DXVECTOR3 v;
    memcpy(&v, p + (size_t)i * stride, 12);
    lo = D3DXVECTOR3(std::fmin(lo.x, v.x), std::fmin(lo.y, v.y), std::fmin(lo.z, v.z));
    hi = D3DXVECTOR3(std::fmax(hi.x, v.x), std::fmax(hi.y, v.y), std::fmax(hi.z, v.z));
  }
  *min = lo;
  *max = hi;
  return D3D_OK;
}

// ---- .x models ----

namespace {

void CollectNode(const aiScene* scene, const aiNode* node, const aiMatrix4x4& parent,
                 D3DXMeshImpl* m, const std::vector<DWORD>& materialOf, bool normals,
                 bool texcoords) {
  aiMatrix4x4 world = parent * node->mTransformation;
  aiMatrix3x3 normalMat(world);
  normalMat.Inverse().Transpose();
  FvfLayout l = LayoutOfFvf(m->fvf);
  for (unsigned i = 0; i < node->mNumMeshes; ++i) {
    const aiMesh* mesh = scene->mMeshes[node->mMeshes[i]];
    uint32_t base = (uint32_t)m->Vertices();
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      size_t at = m->vertices.size();
      m->vertices.resize(at + m->stride, 0);
      aiVector3D p = world * mesh->mVertices[v];
      float pos[3] = {p.x, p.y, p.z};
      memcpy(&m->vertices[at + l.position], pos, 12);
      if (normals && mesh->mNormals) {
        aiVector3D n = normalMat * mesh->mNormals[v];
        n.Normalize();
        float nn[3] = {n.x, n.y, n.z};
        memcpy(&m->vertices[at + l.normal], nn, 12);
      }
      if (texcoords && mesh->mTextureCoords[0]) {
        float uv[2] = {mesh->mTextureCoords[0][v].x, mesh->mTextureCoords[0][v].y};
        memcpy(&m->vertices[at + l.texcoord], uv, 8);
      }
    }
    DWORD attrib = mesh->mMaterialIndex < materialOf.size() ? materialOf[mesh->mMaterialIndex] : 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) continue;  // points and lines are not drawn
      bool inRange = face.mIndices[0] < mesh->mNumVertices &&
                     face.mIndices[1] < mesh->mNumVertices && face.mIndices[2] < mesh->mNumVertices;
      if (!inRange) continue;
      m->indices.insert(m->indices.end(), {base + face.mIndices[0], base + face.mIndices[1],
                                           base + face.mIndices[2]});
      m->attributes.push_back(attrib);
    }
  }
  for (unsigned c = 0; c < node->mNumChildren; ++c)
    CollectNode(scene, node->mChildren[c], world, m, materialOf, normals, texcoords);
}

constexpr unsigned kImportFlags =
    aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_ConvertToLeftHanded;

// The importer trusts the indices inside a .x file (a normal index past the
// normals reads wild memory), and a damaged model must not take the game
// down. A text .x file made of the objects models are written with (frames,
// meshes with their normals, texture coordinates and materials) is checked
// here, every count and index of it, before the importer sees it; that takes
// a fraction of the import. Anything else (binary or compressed files,
// templates, skins, references) is first imported by a child process: only
// when that finishes cleanly, within 20 seconds, is it imported here. Only a
// regular file is a model: anything else in its place (a named pipe, a
// folder) is refused as damaged at once, before the importer can wait on it.
enum class XCheck { kSound, kDamaged, kUnknown };

class XTextChecker {
 public:
  explicit XTextChecker(std::string text) : text_(std::move(text)) {}

  XCheck Run() {
    if (text_.size() < 16 || text_.compare(0, 4, "xof ") != 0 || text_.compare(8, 4, "txt ") != 0)
      return XCheck::kUnknown;
    at_ = 16;
    while (true) {
      std::string_view name = Next();
      if (name.empty() && at_ >= text_.size()) break;
      if (name == "Frame") Frame();
      else if (name == "Mesh") Mesh();
      else Unknown();
      if (result_ != XCheck::kSound) return result_;
    }
    return meshes_ > 0 ? result_ : XCheck::kUnknown;
  }

 private:
  std::string text_;
  size_t at_ = 0;
  XCheck result_ = XCheck::kSound;
  int meshes_ = 0;

  void Unknown() {
    if (result_ == XCheck::kSound) result_ = XCheck::kUnknown;
  }
  void Damaged() { result_ = XCheck::kDamaged; }
  bool Ok() const { return result_ == XCheck::kSound; }

  static bool Space(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\v'; }
  static bool Digit(char c) { return c >= '0' && c <= '9'; }

  // The next token: a word or number, a string, or one of { } ; , ; empty
  // at the end. Comments (# and //) are skipped.
  std::string_view Next() {
    const size_t size = text_.size();
    while (at_ < size) {
      char c = text_[at_];
      if (c == '#' || (c == '/' && at_ + 1 < size && text_[at_ + 1] == '/')) {
        while (at_ < size && text_[at_] != '\n') ++at_;
      } else if (Space(c)) {
        ++at_;
      } else {
        break;
      }
    }
    if (at_ >= size) return std::string_view();
    const size_t from = at_;
    char c = text_[at_];
    if (c == '{' || c == '}' || c == ';' || c == ',') {
      ++at_;
      return std::string_view(text_).substr(from, 1);
    }
    if (c == '"') {
      size_t end = text_.find('"', at_ + 1);
      if (end == std::string::npos) end = size - 1;
      at_ = end + 1;
      return std::string_view(text_).substr(from, at_ - from);
    }
    while (at_ < size) {
      c = text_[at_];
      if (Space(c) || c == '{' || c == '}' || c == ';' || c == ',' || c == '"') break;
      ++at_;
    }
    return std::string_view(text_).substr(from, at_ - from);
  }

  // The next number token, the separators before it skipped.
  std::string_view NumberToken() {
    std::string_view t = Next();
    while (t == ";" || t == ",") t = Next();
    return t;
  }
  bool Count(uint32_t* out) {
    std::string_view t = NumberToken();
    if (t.empty() || t.size() > 9) {
      Unknown();
      return false;
    }
    uint32_t value = 0;
    for (char c : t) {
      if (!Digit(c)) {
        Unknown();
        return false;
      }
      value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    *out = value;
    return true;
  }
  // A decimal number: sign, digits with at most one point, an exponent.
  static bool IsFloat(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
      if (Digit(t[i])) ++digits;
      else if (t[i] == '.' && !point) point = true;
      else break;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
      ++i;
      if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
      size_t exponent = 0;
      for (; i < t.size() && Digit(t[i]); ++i) ++exponent;
      if (exponent == 0) return false;
    }
    return i == t.size();
  }
  bool Floats(uint64_t n) {
    for (uint64_t i = 0; i < n; ++i) {
      if (!IsFloat(NumberToken())) {
        Unknown();
        return false;
      }
    }
    return true;
  }
  // An object's opening: an optional name, then "{".
  bool Open() {
    std::string_view t = Next();
    if (t != "{" && t != ";" && t != ",") t = Next();
    if (t != "{") Unknown();
    return Ok();
  }
  // The closing "}" of an object, separators before it allowed.
  bool Close() {
    std::string_view t = Next();
    while (t == ";" || t == ",") t = Next();
    if (t != "}") Unknown();
    return Ok();
  }
  // Faces: count, then per face its index count and indices below `limit`.
  bool Faces(uint32_t limit, std::vector<uint32_t>* sizes) {
    uint32_t faces = 0;
    if (!Count(&faces)) return false;
    sizes->reserve(std::min<uint32_t>(faces, 1u << 20));
    for (uint32_t f = 0; f < faces; ++f) {
      uint32_t n = 0;
      if (!Count(&n)) return false;
      sizes->push_back(n);
      for (uint32_t i = 0; i < n; ++i) {
        uint32_t index = 0;
        if (!Count(&index)) return false;
        if (index >= limit) {
          Damaged();
          return false;
        }
      }
    }
    return true;
  }

  void Frame() {
    if (!Open()) return;
    while (Ok()) {
      std::string_view t = Next();
      if (t == "}") return;
      if (t == "FrameTransformMatrix") {
        if (Open() && Floats(16)) Close();
      } else if (t == "Frame") {
        Frame();
      } else if (t == "Mesh") {
        Mesh();
      } else {
        Unknown();
      }
    }
  }

  void Mesh() {
    if (!Open()) return;
    uint32_t vertices = 0;
    std::vector<uint32_t> faces;
    if (!Count(&vertices) || !Floats(uint64_t{3} * vertices) || !Faces(vertices, &faces)) return;
    while (Ok()) {
      std::string_view t = Next();
      while (t == ";" || t == ",") t = Next();
      if (t == "}") {
        ++meshes_;
        return;
      }
      if (t == "MeshNormals") {
        uint32_t normals = 0;
        std::vector<uint32_t> normalFaces;
        if (!Open() || !Count(&normals) || !Floats(uint64_t{3} * normals) ||
            !Faces(normals, &normalFaces))
          return;
        // One normal face for each face, with as many corners.
        if (normalFaces != faces) return Damaged();
        Close();
      } else if (t == "MeshTextureCoords") {
        uint32_t coords = 0;
        if (!Open() || !Count(&coords)) return;
        if (coords != vertices) return Damaged();
        if (Floats(uint64_t{2} * coords)) Close();
      } else if (t == "MeshMaterialList") {
        MaterialList(static_cast<uint32_t>(faces.size()));
      } else {
        Unknown();
      }
    }
  }

  void MaterialList(uint32_t faces) {
    uint32_t materials = 0, indexed = 0;
    if (!Open() || !Count(&materials) || !Count(&indexed)) return;
    if (indexed != faces && indexed != 1) return Damaged();
    for (uint32_t i = 0; i < indexed; ++i) {
      uint32_t index = 0;
      if (!Count(&index)) return;
      if (index >= materials) return Damaged();
    }
    uint32_t listed = 0;
    while (Ok()) {
      std::string_view t = Next();
      while (t == ";" || t == ",") t = Next();
      if (t == "}") break;
      if (t != "Material") return Unknown();
      Material();
      ++listed;
    }
    if (Ok() && listed != materials) Damaged();
  }

  void Material() {
    if (!Open() || !Floats(4 + 1 + 3 + 3)) return;
    std::string_view t = Next();
    while (t == ";" || t == ",") t = Next();
    if (t == "}") return;
    if (t != "TextureFilename" || !Open()) return Unknown();
    std::string_view name = NumberToken();
    if (name.size() < 2 || name.front() != '"') return Unknown();
    if (Close()) Close();
  }
};

XCheck CheckXFile(const std::string& hostPath) {
  FILE* f = OpenRegularFileForReading(hostPath.c_str());
  if (!f) return XCheck::kDamaged;  // nothing the importer could read either
  std::string text;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
  std::fclose(f);
  return XTextChecker(std::move(text)).Run();
}

int g_importChildren = 0;

bool ImportSurvives(const std::string& hostPath) {
  switch (CheckXFile(hostPath)) {
    case XCheck::kSound: return true;
    case XCheck::kDamaged: return false;
    case XCheck::kUnknown: break;
  }
  ++g_importChildren;
  pid_t pid = fork();
  if (pid < 0) return true;  // no child to be had: trust the file
  if (pid == 0) {
    alarm(20);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(hostPath, kImportFlags);
    _exit(scene && scene->mNumMeshes > 0 ? 0 : 1);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return true;  // children are reaped elsewhere: trust the file
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The textures a model's materials name, read ahead with the arguments
// D3DXCreateTextureFromFileA gives.
void PrefetchMaterialTextures(const aiScene* scene) {
  for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
    aiString file;
    if (scene->mMaterials[i]->GetTexture(aiTextureType_DIFFUSE, 0, &file) == AI_SUCCESS &&
        file.length > 0)
      PrefetchTextureFromFileExA(std::string(file.C_Str(), file.length).c_str(), D3DX_DEFAULT,
                                 D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0);
  }
}

// Models read ahead on worker threads. Only a model its check finds sound is
// imported there (a doubtful one goes to a child process, which the load
// forks only once the workers are done); the others are left to the load.
class MeshPrefetch {
 public:
  ~MeshPrefetch() { Drop(); }

  void Start(std::vector<std::string> hostPaths) {
    Drop();
    std::lock_guard<std::mutex> lock(mutex_);
    next_ = 0;
    for (std::string& path : hostPaths) {
      Entry& e = entries_.emplace_back();
      e.hostPath = std::move(path);
      e.done = e.promise.get_future();
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t workers = std::min<size_t>(entries_.size(), std::min(cores, 6u));
    for (size_t i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
  }

  // Waits until every model has been read ahead (what was read stays to be
  // taken). A child forked while a worker is inside the importer or the
  // allocator could inherit a lock held for good and hang until its alarm.
  void Settle() {
    for (std::thread& t : workers_) t.join();
    workers_.clear();
  }

  // The importer holding the model at hostPath, once imported; null when the
  // model was not read ahead or its check left it to the load.
  std::unique_ptr<Assimp::Importer> Take(const std::string& hostPath) {
    std::future<std::unique_ptr<Assimp::Importer>> done;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (Entry& e : entries_)
        if (e.hostPath == hostPath && e.done.valid()) {
          done = std::move(e.done);
          break;
        }
    }
    return done.valid() ? done.get() : nullptr;
  }

  // Waits for the workers and forgets what was not taken.
  void Drop() {
    Settle();
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
  }

 private:
  struct Entry {
    std::string hostPath;
    std::promise<std::unique_ptr<Assimp::Importer>> promise;
    std::future<std::unique_ptr<Assimp::Importer>> done;
  };

  void Work() {
    for (size_t i; (i = next_.fetch_add(1)) < entries_.size();) {
      Entry& e = entries_[i];
      std::unique_ptr<Assimp::Importer> importer;
      if (CheckXFile(e.hostPath) == XCheck::kSound) {
        importer = std::make_unique<Assimp::Importer>();
        if (const aiScene* scene = importer->ReadFile(e.hostPath, kImportFlags))
          PrefetchMaterialTextures(scene);
      }
      e.promise.set_value(std::move(importer));
    }
  }

  std::mutex mutex_;
  std::vector<Entry> entries_;  // not resized while workers run
  std::atomic<size_t> next_{0};
  std::vector<std::thread> workers_;
};

MeshPrefetch g_meshPrefetch;

}  // namespace

int ModelImportChildren() { return g_importChildren; }

void PrefetchMeshesFromX(const char* const* paths, int count) {
  std::vector<std::string> hostPaths;
  for (int i = 0; i < count; ++i)
    if (paths && paths[i]) hostPaths.push_back(GamePathToHost(paths[i]));
  g_meshPrefetch.Start(std::move(hostPaths));
}

void DropPrefetchedMeshes() { g_meshPrefetch.Drop(); }

HRESULT D3DXLoadMeshFromXA(const char* path, DWORD, IDirect3DDevice9* device,
                           ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                           ID3DXBuffer** effectInstances, DWORD* materialCount,
                           ID3DXMesh** mesh) {
  if (!path || !device || !mesh) return D3DERR_INVALIDCALL;
  std::string hostPath = GamePathToHost(path);
  if (access(hostPath.c_str(), R_OK) != 0) return D3DXERR_INVALIDDATA;
  std::unique_ptr<Assimp::Importer> importer = g_meshPrefetch.Take(hostPath);
  if (!importer) {
    g_meshPrefetch.Settle();  // before a child may be forked
    if (!ImportSurvives(hostPath)) return D3DXERR_INVALIDDATA;
    importer = std::make_unique<Assimp::Importer>();
    importer->ReadFile(hostPath, kImportFlags);
  }
  const aiScene* scene = importer->GetScene();
  if (!scene || !scene->mRootNode || scene->mNumMeshes == 0 ||
      (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE))
    return D3DXERR_INVALIDDATA;

  // The importer invents one material when a model has none; such a model
  // has no materials of its own.
  std::vector<DWORD> materialOf(scene->mNumMaterials, 0);
  std::vector<const aiMaterial*> kept;
  for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
    const aiMaterial* mat = scene->mMaterials[i];
    aiString name;
    if (mat->Get(AI_MATKEY_NAME, name) != AI_SUCCESS ||
        strcmp(name.C_Str(), AI_DEFAULT_MATERIAL_NAME) == 0)
      continue;  // the file's own materials always carry a name
    materialOf[i] = (DWORD)kept.size();
    kept.push_back(mat);
  }

  bool normals = false, texcoords = false;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    normals |= scene->mMeshes[i]->mNormals != nullptr;
    texcoords |= scene->mMeshes[i]->mTextureCoords[0] != nullptr;
  }
  DWORD fvf = D3DFVF_XYZ | (normals ? D3DFVF_NORMAL : 0) | (texcoords ? D3DFVF_TEX1 : 0);
  ID3DXMesh* out = NewMesh(device->impl(), fvf);
  CollectNode(scene, scene->mRootNode, aiMatrix4x4(), out->impl(), materialOf, normals, texcoords);
  if (out->impl()->Faces() == 0) {
    out->Release();
    return D3DXERR_INVALIDDATA;
  }
  // Faces of one material together, in material order.
  ID3DXMesh* sorted = nullptr;
  out->impl()->BuildTable();
  if (FAILED(out->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &sorted))) {
    out->Release();
    return E_OUTOFMEMORY;
  }
  out->Release();

  if (materials) {
    size_t size = kept.size() * sizeof(D3DXMATERIAL);
    std::vector<std::string> names(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
      aiString file;
      if (kept[i]->GetTexture(aiTextureType_DIFFUSE, 0, &file) == AI_SUCCESS && file.length > 0)
        names[i] = std::string(file.C_Str(), file.length);
      if (!names[i].empty()) size += names[i].size() + 1;
    }
    auto* buffer = new ID3DXBuffer(size);
    auto* entries = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
    char* strings = reinterpret_cast<char*>(entries + kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
      D3DMATERIAL9& md = entries[i].MatD3D;
      md.Diffuse = Color(kept[i], AI_MATKEY_COLOR_DIFFUSE, 1.0f);
      md.Ambient = {0, 0, 0, 0};
      md.Specular = Color(kept[i], AI_MATKEY_COLOR_SPECULAR, 1.0f);
      md.Emissive = Color(kept[i], AI_MATKEY_COLOR_EMISSIVE, 1.0f);
      float power = 0;
      if (aiGetMaterialFloat(kept[i], AI_MATKEY_SHININESS, &power) != AI_SUCCESS) power = 0;
      md.Power = power;
      entries[i].pTextureFilename = nullptr;
      if (!names[i].empty()) {
        memcpy(strings, names[i].c_str(), names[i].size() + 1);
        entries[i].pTextureFilename = strings;
        strings += names[i].size() + 1;
      }
    }
    *materials = buffer;
  }
  if (materialCount) *materialCount = (DWORD)kept.size();
  if (effectInstances) *effectInstances = nullptr;
  if (adjacency) *adjacency = NoNeighbours(sorted->impl()->Faces());
  *mesh = sorted;
  return D3D_OK;
}
