// The 2-D sprite batch.
#include <cstring>

#include "platform/d3dx9.h"
#include "platform/gl_internal.h"

namespace {

struct SpriteVertex {  // XYZ | DIFFUSE | TEX1
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

struct Run {
  IDirect3DTexture9* texture;  // a reference held until the run is drawn
  size_t first, count;         // vertices
};

}  // namespace

struct D3DXSpriteImpl {
  IDirect3DDevice9* device = nullptr;
  D3DXMATRIX transform;
  bool begun = false;
  DWORD flags = 0;
  DeviceState saved;
  std::vector<SpriteVertex> vertices;
  std::vector<Run> runs;
};

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
  if (!device || !sprite) return D3DERR_INVALIDCALL;
  auto* impl = new D3DXSpriteImpl;
  impl->device = device;
  device->AddRef();
  D3DXMatrixIdentity(&impl->transform);
  *sprite = new ID3DXSprite(impl);
  return D3D_OK;
}

ID3DXSprite::~ID3DXSprite() {
  if (impl_->begun) End();
  for (auto& r : impl_->runs) r.texture->Release();
  impl_->device->Release();
  delete impl_;
}

HRESULT ID3DXSprite::Begin(DWORD flags) {
  D3DXSpriteImpl* s = impl_;
  if (s->begun) return D3DERR_INVALIDCALL;
  D3DDeviceImpl* d = s->device->impl();
  s->saved = d->state;
  for (auto* t : s->saved.textures)
    if (t) t->AddRef();
  s->flags = flags;
  s->begun = true;
  if (flags & D3DXSPRITE_ALPHABLEND) {
    s->device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    s->device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    s->device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  return D3D_OK;
}

HRESULT ID3DXSprite::Flush() {
  D3DXSpriteImpl* s = impl_;
  if (!s->begun) return D3DERR_INVALIDCALL;
  if (!s->vertices.empty()) {
    D3DDeviceImpl* d = s->device->impl();
    size_t offset = 0;
    GLuint vbo = StreamVertices(d, s->vertices.data(), s->vertices.size() * sizeof(SpriteVertex),
                                sizeof(SpriteVertex), &offset);
    for (const Run& r : s->runs) {
      DrawSetup setup;
      setup.fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
      setup.stride = sizeof(SpriteVertex);
      setup.vbo = vbo;
      setup.vboOffset = offset;
      setup.mode = GL_TRIANGLES;
      setup.first = (GLint)r.first;
      setup.count = (GLsizei)r.count;
      setup.overlay = true;
      setup.overlayTexture = r.texture;
      setup.cpuVertices = s->vertices.data();
      setup.vertexCount = (unsigned)s->vertices.size();
      DeviceDraw(d, setup);
    }
  }
  for (auto& r : s->runs) r.texture->Release();
  s->runs.clear();
  s->vertices.clear();
  return D3D_OK;
}

HRESULT ID3DXSprite::End() {
  D3DXSpriteImpl* s = impl_;
  if (!s->begun) return D3DERR_INVALIDCALL;
  Flush();
  FlushPendingDraws();  // drawn under the state they were given in
  // Everything back as it was at Begin, textures through their references.
  DeviceState& live = s->device->impl()->state;
  IDirect3DTexture9* savedTextures[kStages];
  memcpy(savedTextures, s->saved.textures, sizeof savedTextures);
  for (int i = 0; i < kStages; ++i) s->device->SetTexture((DWORD)i, savedTextures[i]);
  memcpy(s->saved.textures, live.textures, sizeof savedTextures);
  live = s->saved;
  DeviceStateReplaced(s->device->impl());
  for (auto* t : savedTextures)
    if (t) t->Release();
  s->begun = false;
  return D3D_OK;
}

HRESULT ID3DXSprite::SetTransform(const D3DXMATRIX* transform) {
  if (!transform) return D3DERR_INVALIDCALL;
  impl_->transform = *transform;
  return D3D_OK;
}

HRESULT ID3DXSprite::GetTransform(D3DXMATRIX* transform) {
  if (!transform) return D3DERR_INVALIDCALL;
  *transform = impl_->transform;
  return D3D_OK;
}

bool SpriteQueueQuad(ID3DXSprite* sprite, IDirect3DTexture9* texture, float l, float t, float r,
                     float b, float x, float y, D3DCOLOR color) {
  D3DXSpriteImpl* s = sprite->impl();
  if (!s->begun || !texture) return false;
  D3DTextureImpl* ti = texture->impl();
  float w = r - l, h = b - t;
  const float corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  SpriteVertex v[4];
  for (int i = 0; i < 4; ++i) {
    D3DXVECTOR3 p(x + corners[i][0], y + corners[i][1], 0.0f), q;
    D3DXVec3TransformCoord(&q, &p, &s->transform);
    v[i] = {q.x, q.y, 0.0f, color, (l + corners[i][0]) / (float)ti->width,
            (t + corners[i][1]) / (float)ti->height};
  }
  if (s->runs.empty() || s->runs.back().texture != texture) {
    texture->AddRef();
    s->runs.push_back({texture, s->vertices.size(), 0});
  }
  const int order[6] = {0, 1, 2, 0, 2, 3};
  for (int i : order) s->vertices.push_back(v[i]);
  s->runs.back().count += 6;
  return true;
}

HRESULT ID3DXSprite::Draw(IDirect3DTexture9* texture, const RECT* source,
                          const D3DXVECTOR3* center, const D3DXVECTOR3* position, D3DCOLOR color) {
  if (!texture) return D3DERR_INVALIDCALL;
  D3DTextureImpl* ti = texture->impl();
  RECT r = source ? *source : RECT{0, 0, (LONG)ti->width, (LONG)ti->height};
  float x = 0, y = 0;
  if (center) {
    x -= center->x;
    y -= center->y;
  }
  if (position) {
    x += position->x;
    y += position->y;
  }
  return SpriteQueueQuad(this, texture, (float)r.left, (float)r.top, (float)r.right,
                         (float)r.bottom, x, y, color)
             ? D3D_OK
             : D3DERR_INVALIDCALL;
}

HRESULT ID3DXSprite::OnLostDevice() {
  NoteDeviceObjectEvent(this, false);
  return D3D_OK;
}
HRESULT ID3DXSprite::OnResetDevice() {
  NoteDeviceObjectEvent(this, true);
  return D3D_OK;
}
