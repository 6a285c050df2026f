#include "render/meshes.h"

#include <cstdlib>
#include <cstring>

#include "render/render_state.h"
#include "world/types.h"

MeshRecord g_meshSky;
MeshRecord g_meshFanBody;
MeshRecord g_meshFanCase;
MeshRecord g_meshHand;
MeshRecord g_meshGranade;
MeshRecord g_meshGranadeNude;
MeshRecord g_meshUzi;
MeshRecord g_meshJoints[2];
MeshRecord& g_meshJoint = g_meshJoints[0];
MeshRecord& g_meshFixJoint = g_meshJoints[1];
MeshRecord g_meshBell;
MeshRecord g_meshStartBall;
MeshRecord g_meshGear;
MeshRecord g_meshTire;
MeshRecord g_meshCar;
MeshRecord g_meshRocket;
MeshRecord g_meshBox;
MeshRecord g_meshDollHead;
MeshRecord g_meshDollBody;
MeshRecord g_meshDollArm;
MeshRecord g_meshDollArm2;
MeshRecord g_meshDollWaist;
MeshRecord g_meshDollLeg;
MeshRecord g_meshDollHat;

ID3DXMesh* g_primitiveMeshes[kPrimCount];

const ModelFile kModelFiles[kModelCount] = {
    {&g_meshSky, "data\\Sky.x"},
    {&g_meshFanBody, "data\\FanBody.x"},
    {&g_meshFanCase, "data\\FanCase.x"},
    {&g_meshHand, "data\\Hand.x"},
    {&g_meshGranade, "data\\Granade.x"},
    {&g_meshGranadeNude, "data\\GranadeNude.x"},
    {&g_meshUzi, "data\\Uzi.x"},
    {&g_meshJoints[0], "data\\Joint.x"},
    {&g_meshJoints[1], "data\\FixJoint.x"},
    {&g_meshBell, "data\\Bell.x"},
    {&g_meshStartBall, "data\\StartBall.x"},
    {&g_meshGear, "data\\Gear.x"},
    {&g_meshTire, "data\\Tire.x"},
    {&g_meshCar, "data\\Car.x"},
    {&g_meshRocket, "data\\Rocket.x"},
    {&g_meshBox, "data\\Box.x"},
    {&g_meshDollHead, "data\\D-Head.x"},
    {&g_meshDollBody, "data\\D-Body.x"},
    {&g_meshDollArm, "data\\D-Arm.x"},
    {&g_meshDollArm2, "data\\D-Arm2.x"},
    {&g_meshDollWaist, "data\\D-Waist.x"},
    {&g_meshDollLeg, "data\\D-Leg.x"},
    {&g_meshDollHat, "data\\D-Hat.x"},
};

namespace {

constexpr DWORD kOptimizeFlags =
    D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED;

template <typename T>
void ReleaseAndNull(T** object) {
  if (*object) {
    (*object)->Release();
    *object = nullptr;
  }
}

// Black, opaque, glowing in one colour.
D3DMATERIAL9 EmissiveMaterial(float r, float g, float b) {
  D3DMATERIAL9 m;
  memset(&m, 0, sizeof m);
  m.Diffuse.a = 1.0f;
  m.Emissive.r = r;
  m.Emissive.g = g;
  m.Emissive.b = b;
  return m;
}

// A record with nothing to draw touches no device state at all.
bool Drawable(const MeshRecord* record) {
  return record && record->mesh && record->materialCount > 0 && g_device;
}

}  // namespace

int LoadMesh(MeshRecord* record, const char* path) {
  ReleaseMesh(record);
  memset(record, 0, sizeof *record);

  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  ID3DXMesh* loaded = nullptr;
  DWORD count = 0;
  HRESULT hr = D3DXLoadMeshFromXA(path, D3DXMESH_MANAGED, g_device, &adjacency, &materialBuffer,
                                  nullptr, &count, &loaded);
  if (FAILED(hr) || !loaded) {
    // Nothing usable: the record stays empty and draws nothing.
    ReleaseAndNull(&adjacency);
    ReleaseAndNull(&materialBuffer);
    ReleaseAndNull(&loaded);
    return 0;
  }

  ID3DXMesh* optimised = nullptr;
  const DWORD* adjacencyData = adjacency ? (const DWORD*)adjacency->GetBufferPointer() : nullptr;
  if (SUCCEEDED(loaded->Optimize(kOptimizeFlags, adjacencyData, nullptr, nullptr, nullptr,
                                 &optimised)) &&
      optimised) {
    loaded->Release();
    record->mesh = optimised;
  } else {
    record->mesh = loaded;  // the unoptimised mesh draws just as well
  }
  ReleaseAndNull(&adjacency);

  // Take no more materials than the buffer really holds.
  DWORD held = materialBuffer ? materialBuffer->GetBufferSize() / (DWORD)sizeof(D3DXMATERIAL) : 0;
  if (count > held) count = held;
  if (count > 0) {
    record->materials = (D3DMATERIAL9*)calloc(count, sizeof(D3DMATERIAL9));
    record->textures = (IDirect3DTexture9**)calloc(count, sizeof(IDirect3DTexture9*));
    if (!record->materials || !record->textures) {
      free(record->materials);
      free(record->textures);
      record->materials = nullptr;
      record->textures = nullptr;
      count = 0;
    }
  }
  record->materialCount = count;

  const D3DXMATERIAL* source =
      materialBuffer ? (const D3DXMATERIAL*)materialBuffer->GetBufferPointer() : nullptr;
  for (DWORD i = 0; i < count; ++i) {
    record->materials[i] = source[i].MatD3D;
    record->materials[i].Ambient = record->materials[i].Diffuse;
    // The name is resolved against the current folder, as the models were
    // authored; a material without a name, or a missing file, stays untextured.
    const char* name = source[i].pTextureFilename;
    if (name && name[0]) {
      IDirect3DTexture9* texture = nullptr;
      if (SUCCEEDED(D3DXCreateTextureFromFileA(g_device, name, &texture)))
        record->textures[i] = texture;
    }
  }
  ReleaseAndNull(&materialBuffer);
  return 1;
}

void ReleaseMesh(MeshRecord* record) {
  if (!record->mesh) return;
  free(record->materials);
  record->materials = nullptr;
  for (uint32_t i = 0; i < record->materialCount; ++i) ReleaseAndNull(&record->textures[i]);
  free(record->textures);
  record->textures = nullptr;
  record->materialCount = 0;
  ReleaseAndNull(&record->mesh);
}

void DrawMesh(const MeshRecord* record) {
  if (!Drawable(record)) return;
  for (uint32_t i = 0; i < record->materialCount; ++i) {
    g_device->SetMaterial(&record->materials[i]);
    g_device->SetTexture(0, record->textures[i]);
    record->mesh->DrawSubset(i);
  }
}

void DrawMeshEmissive(const MeshRecord* record, float r, float g, float b) {
  if (!Drawable(record)) return;
  D3DMATERIAL9 m = EmissiveMaterial(r, g, b);
  g_device->SetMaterial(&m);
  for (uint32_t i = 0; i < record->materialCount; ++i) {
    g_device->SetTexture(0, record->textures[i]);
    record->mesh->DrawSubset(i);
  }
}

void DrawMeshEmissiveUntextured(const MeshRecord* record, float r, float g, float b) {
  if (!Drawable(record)) return;
  g_device->SetTexture(0, nullptr);
  D3DMATERIAL9 m = EmissiveMaterial(r, g, b);
  g_device->SetMaterial(&m);
  for (uint32_t i = 0; i < record->materialCount; ++i) record->mesh->DrawSubset(i);
}

void DrawMeshWithMaterial(const MeshRecord* record, const D3DMATERIAL9* material) {
  if (!Drawable(record)) return;
  g_device->SetTexture(0, nullptr);
  g_device->SetMaterial(material);
  for (uint32_t i = 0; i < record->materialCount; ++i) record->mesh->DrawSubset(i);
}

void DrawMeshWithAlpha(const MeshRecord* record, float alpha) {
  if (!Drawable(record)) return;
  for (uint32_t i = 0; i < record->materialCount; ++i) {
    D3DMATERIAL9 m = record->materials[i];
    m.Diffuse.a = alpha;
    g_device->SetMaterial(&m);
    g_device->SetTexture(0, record->textures[i]);
    record->mesh->DrawSubset(i);
  }
}

void SetDefaultRenderStates() {
  IDirect3DDevice9* d = g_device;
  if (!d) return;
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->SetFVF(ColoredVertex::kFvf);
}

void SetupLights() {
  if (!g_device) return;
  D3DLIGHT9 light;
  memset(&light, 0, sizeof light);
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Specular = {1.0f, 1.0f, 1.0f, 0.0f};
  // The directions are used as they stand; the device normalises them.
  light.Direction = D3DXVECTOR3(-0.6f, -1.0f, 0.8f);
  g_device->SetLight(0, &light);
  g_device->LightEnable(0, TRUE);
  light.Direction = D3DXVECTOR3(-1.0f, 0.0f, 1.0f);
  g_device->SetLight(1, &light);
}

namespace {
constexpr char kEndCapPath[] = "data\\Capsule.x";
}  // namespace

void PrefetchModelFiles() {
  const char* paths[kModelCount + 1];
  for (int i = 0; i < kModelCount; ++i) paths[i] = kModelFiles[i].path;
  paths[kModelCount] = kEndCapPath;
  PrefetchMeshesFromX(paths, kModelCount + 1);
}

int LoadModels() {
  int failed = 0;
  for (const ModelFile& model : kModelFiles)
    if (!LoadMesh(model.record, model.path)) ++failed;
  return failed;
}

void ReleaseModels() {
  for (const ModelFile& model : kModelFiles) {
    if (model.record == &g_meshFanBody) {
      ReleaseMesh(&g_meshFanCase);
      ReleaseMesh(&g_meshFanBody);
    } else if (model.record != &g_meshFanCase) {
      ReleaseMesh(model.record);
    }
  }
}

void ApplyPlanarTexCoords(ID3DXMesh* mesh) {
  if (!mesh || mesh->GetFVF() != MeshVertex::kFvf ||
      mesh->GetNumBytesPerVertex() != sizeof(MeshVertex))
    return;
  DWORD count = mesh->GetNumVertices();
  void* data = nullptr;
  if (count == 0 || FAILED(mesh->LockVertexBuffer(0, &data)) || !data) return;
  MeshVertex* v = (MeshVertex*)data;
  D3DXVECTOR3 lo, hi;
  D3DXComputeBoundingBox(&v[0].pos, count, sizeof(MeshVertex), &lo, &hi);
  float width = hi.x - lo.x;
  float height = hi.y - lo.y;
  for (DWORD i = 0; i < count; ++i) {
    // A shape flat in x or y gets 0 along that axis rather than a division by zero.
    v[i].u = width != 0.0f ? ((v[i].pos.x - lo.x) + (v[i].pos.z - lo.z)) / width : 0.0f;
    v[i].v = height != 0.0f ? (v[i].pos.y - lo.y) / height : 0.0f;
  }
  mesh->UnlockVertexBuffer();
}

namespace {

// Takes a generated or loaded mesh into the MeshVertex layout with planar
// texture coordinates; the source is released either way.
ID3DXMesh* ToMeshVertexLayout(ID3DXMesh* source) {
  if (!source) return nullptr;
  ID3DXMesh* clone = nullptr;
  if (FAILED(source->CloneMeshFVF(D3DXMESH_NPATCHES, MeshVertex::kFvf, g_device, &clone)))
    clone = nullptr;
  source->Release();
  ApplyPlanarTexCoords(clone);
  return clone;
}

}  // namespace

int CreatePrimitiveMeshes() {
  ReleasePrimitiveMeshes();
  ID3DXMesh* source = nullptr;
  if (FAILED(D3DXCreateCylinder(g_device, 1.0f, 1.0f, 2.0f, 20, 1, &source, nullptr)))
    source = nullptr;
  g_primitiveMeshes[kPrimCylinder] = ToMeshVertexLayout(source);

  source = nullptr;
  if (FAILED(D3DXCreateBox(g_device, 1.0f, 1.0f, 1.0f, &source, nullptr))) source = nullptr;
  g_primitiveMeshes[kPrimBox] = ToMeshVertexLayout(source);

  // The end cap's materials are not kept: it draws with the bar's own.
  source = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD materialCount = 0;
  if (FAILED(D3DXLoadMeshFromXA(kEndCapPath, D3DXMESH_MANAGED, g_device, &adjacency,
                                &materials, nullptr, &materialCount, &source)))
    source = nullptr;
  ReleaseAndNull(&adjacency);
  ReleaseAndNull(&materials);
  g_primitiveMeshes[kPrimCap] = ToMeshVertexLayout(source);

  int missing = 0;
  for (ID3DXMesh* mesh : g_primitiveMeshes)
    if (!mesh) ++missing;
  return missing;
}

void ReleasePrimitiveMeshes() {
  for (ID3DXMesh*& mesh : g_primitiveMeshes) ReleaseAndNull(&mesh);
}
