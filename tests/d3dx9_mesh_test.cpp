// Meshes: .x models written by the test, generated shapes, cloning and
// drawing by subset, on real pixels.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9.h"
#include "tests/gfx_test_util.h"

namespace {

// Two triangles of a quad in the z = 0 plane, facing -z (clockwise seen from
// the camera); the first triangle uses material 0 (red, textured), the
// second material 1 (blue, half transparent, no texture).
const char* kQuadX = R"(xof 0303txt 0032

Material RedMat {
 1.000000;0.000000;0.000000;1.000000;;
 10.000000;
 0.500000;0.500000;0.500000;;
 0.200000;0.000000;0.000000;;
 TextureFilename {
  "data\\)" "\x83\x65\x83\x58\x83\x67" R"(.bmp";
 }
}

Frame Root {
 FrameTransformMatrix {
  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;
 }
 Mesh Quad {
  4;
  -1.000000;1.000000;0.000000;,
  1.000000;1.000000;0.250000;,
  1.000000;-1.000000;0.000000;,
  -1.000000;-1.000000;0.000000;;
  2;
  3;0,1,2;,
  3;0,2,3;;
  MeshMaterialList {
   2;
   2;
   0,
   1;;
   {RedMat}
   Material {
    0.000000;0.000000;1.000000;0.500000;;
    0.000000;
    0.000000;0.000000;0.000000;;
    0.000000;0.000000;0.400000;;
   }
  }
  MeshNormals {
   1;
   0.000000;0.000000;-1.000000;;
   2;
   3;0,0,0;,
   3;0,0,0;;
  }
  MeshTextureCoords {
   4;
   0.000000;0.000000;,
   1.000000;0.000000;,
   1.000000;1.000000;,
   0.000000;1.000000;;
  }
 }
}
)";

const char* kNoMaterialX = R"(xof 0303txt 0032
Mesh Tri {
 3;
 0.0;0.0;0.0;,
 0.0;1.0;0.0;,
 1.0;0.0;0.0;;
 1;
 3;0,1,2;;
}
)";

// One triangle under two nested frames: the inner turns a quarter turn
// about z, the outer moves by (2, 0, 5); row-vector matrices as .x has them.
const char* kFramedX = R"(xof 0303txt 0032
Frame Outer {
 FrameTransformMatrix {
  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,2.0,0.0,5.0,1.0;;
 }
 Frame Inner {
  FrameTransformMatrix {
   0.0,1.0,0.0,0.0,-1.0,0.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;
  }
  Mesh Tri {
   3;
   1.0;0.0;0.0;,
   0.0;0.0;0.0;,
   0.0;-1.0;0.0;;
   1;
   3;0,1,2;;
   MeshNormals {
    1;
    1.0;0.0;0.0;;
    1;
    3;0,0,0;;
   }
  }
 }
}
)";

struct MeshVertex {
  float x, y, z, nx, ny, nz, u, v;
};

class MeshTest : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    // Models name their textures relative to the current folder, as the game's do.
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    oldDir = here;
    dir = CaseFilesDir("mesh_cwd");
    ASSERT_EQ(system(("mkdir -p '" + dir + "/data'").c_str()), 0);
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override {
    if (!oldDir.empty()) {
      EXPECT_EQ(chdir(oldDir.c_str()), 0);
      EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    DeviceFixture::TearDown();
  }
  void Write(const char* path, const std::string& text) {
    FILE* f = fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
  std::string oldDir, dir;
};

// A model as the game's own are written: one mesh with normals, texture
// coordinates and a material list. {A}..{E} mark the numbers the damaged
// copies change.
const char* kPlainX = R"(xof 0303txt 0032

Mesh model {
 3;
 0.0;0.0;0.0;,
 0.0;1.0;0.0;,
 1.0;0.0;0.0;;
 1;
 3;0,1,{A};;

 MeshNormals {
  1;
  0.0;0.0;-1.0;;
  {E};
  3;0,0,{B};;
 }

 MeshTextureCoords {
  {C};
  0.0;0.0;,
  0.0;1.0;,
  1.0;0.0;;
 }

 MeshMaterialList {
  1;
  1;
  {D};
  Material {
   1.0;1.0;1.0;1.0;;
   5.0;
   0.0;0.0;0.0;;
   0.0;0.0;0.0;;
  }
 }
}
)";

std::string PlainX(const char* a, const char* b, const char* c, const char* d, const char* e) {
  std::string text = kPlainX;
  const char* values[] = {a, b, c, d, e};
  const char* marks[] = {"{A}", "{B}", "{C}", "{D}", "{E}"};
  for (int i = 0; i < 5; ++i) text.replace(text.find(marks[i]), 3, values[i]);
  return text;
}

TEST_F(MeshTest, ModelsOfThePlainFormAreCheckedWithoutAChildAndDamagedOnesRefused) {
  ID3DXMesh* mesh = nullptr;
  const int children = ModelImportChildren();
  Write("data/plain.x", PlainX("2", "0", "3", "0", "1"));
  ASSERT_EQ(D3DXLoadMeshFromXA("data\\plain.x", 0, device, nullptr, nullptr, nullptr, nullptr,
                               &mesh),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 1u);
  mesh->Release();
  // A vertex, a normal or a material past the end, too few texture
  // coordinates, a face without its normals: refused before the importer
  // reads past what the file holds.
  for (const std::string& damaged :
       {PlainX("3", "0", "3", "0", "1"), PlainX("2", "1", "3", "0", "1"),
        PlainX("2", "0", "2", "0", "1"), PlainX("2", "0", "3", "1", "1"),
        PlainX("2", "0", "3", "0", "0")}) {
    Write("data/damaged.x", damaged);
    mesh = nullptr;
    EXPECT_LT(D3DXLoadMeshFromXA("data\\damaged.x", 0, device, nullptr, nullptr, nullptr, nullptr,
                                 &mesh),
              0)
        << damaged;
    EXPECT_EQ(mesh, nullptr);
  }
  EXPECT_EQ(ModelImportChildren(), children);

  // Every model of the game's data folder is of that form.
  ASSERT_EQ(chdir(oldDir.c_str()), 0);
  for (const char* name : {"Sky", "Bell", "Box", "Capsule", "Car", "FanCase", "D-Head", "Uzi"}) {
    mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA(("data\\" + std::string(name) + ".x").c_str(), 0, device, nullptr,
                                 nullptr, nullptr, nullptr, &mesh),
              D3D_OK)
        << name;
    mesh->Release();
  }
  EXPECT_EQ(ModelImportChildren(), children);

  // Other forms (here a material referred to by name) go through a child
  // import first.
  ASSERT_EQ(chdir(dir.c_str()), 0);
  Write("data/quad.x", kQuadX);
  mesh = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA("data\\quad.x", 0, device, nullptr, nullptr, nullptr, nullptr,
                               &mesh),
            D3D_OK);
  mesh->Release();
  EXPECT_EQ(ModelImportChildren(), children + 1);
}

// Models read ahead load as they would have without it: the same vertices and
// faces; a damaged one is still refused, one of another form still goes
// through its child import, and a model loaded a second time is read again.
TEST_F(MeshTest, ModelsReadAheadLoadAsTheyWouldHaveWithout) {
  Write("data/plain.x", PlainX("2", "0", "3", "0", "1"));
  Write("data/damaged.x", PlainX("3", "0", "3", "0", "1"));
  Write("data/quad.x", kQuadX);
  auto load = [&](const char* path, std::vector<float>* vertices) {
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromXA(path, 0, device, nullptr, nullptr, nullptr, nullptr, &mesh);
    if (mesh) {
      void* data = nullptr;
      mesh->LockVertexBuffer(0, &data);
      const float* f = static_cast<const float*>(data);
      vertices->assign(f, f + mesh->GetNumVertices() * mesh->GetNumBytesPerVertex() / 4);
      vertices->push_back((float)mesh->GetNumFaces());
      mesh->UnlockVertexBuffer();
      mesh->Release();
    }
    return hr;
  };
  std::vector<float> plain, quad, ignored;
  ASSERT_EQ(load("data\\plain.x", &plain), D3D_OK);
  ASSERT_EQ(load("data\\quad.x", &quad), D3D_OK);

  const char* paths[] = {"data\\plain.x", "data\\damaged.x", "data\\quad.x", "data\\none.x"};
  PrefetchMeshesFromX(paths, 4);
  const int children = ModelImportChildren();
  std::vector<float> again;
  ASSERT_EQ(load("data\\plain.x", &again), D3D_OK);
  EXPECT_EQ(again, plain);
  EXPECT_LT(load("data\\damaged.x", &ignored), 0);
  EXPECT_LT(load("data\\none.x", &ignored), 0);
  ASSERT_EQ(load("data\\quad.x", &again), D3D_OK);
  EXPECT_EQ(again, quad);
  EXPECT_EQ(ModelImportChildren(), children + 1);
  // Changed on the disk after it was read ahead and loaded: the next load
  // reads the file as it now is.
  Write("data/plain.x", kQuadX);
  ASSERT_EQ(load("data\\plain.x", &again), D3D_OK);
  EXPECT_EQ(again, quad);
  // Read ahead and never loaded: dropped at the next read-ahead.
  PrefetchMeshesFromX(paths, 1);
  PrefetchMeshesFromX(nullptr, 0);
}

// A named pipe or a folder where a model is looked for is refused at once,
// read ahead or not, with no child import: nothing waits on it, and dropping
// the read-ahead does not wait on a worker stuck there.
TEST_F(MeshTest, APipeOrAFolderInAModelsPlaceIsRefusedAtOnce) {
  ASSERT_EQ(mkfifo("data/pipe.x", 0600), 0);
  ASSERT_EQ(mkdir("data/folder.x", 0700), 0);
  const char* paths[] = {"data\\pipe.x", "data\\folder.x"};
  const int children = ModelImportChildren();
  alarm(60);  // a reader waiting on the pipe would otherwise hold the case for ever
  for (bool readAhead : {true, false}) {
    if (readAhead) PrefetchMeshesFromX(paths, 2);
    for (const char* path : paths) {
      ID3DXMesh* mesh = nullptr;
      EXPECT_EQ(D3DXLoadMeshFromXA(path, 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
                D3DXERR_INVALIDDATA)
          << path << (readAhead ? " read ahead" : "");
      EXPECT_EQ(mesh, nullptr);
    }
    DropPrefetchedMeshes();
  }
  alarm(0);
  EXPECT_EQ(ModelImportChildren(), children);
}

TEST_F(MeshTest, XModelKeepsMaterialsSubsetsWindingAndTextureNames) {
  Write("data/quad.x", kQuadX);
  // The texture the first material names, a white 1 x 1 picture.
  uint32_t white = 0xFFFFFFFF;
  ASSERT_TRUE(WritePngFile("data/\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.bmp", &white, 1, 1));

  ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
  DWORD count = 0;
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA("data\\quad.x", D3DXMESH_MANAGED, device, &adjacency, &materials,
                               nullptr, &count, &mesh),
            D3D_OK);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(mesh->GetNumFaces(), 2u);
  EXPECT_EQ(mesh->GetFVF(), (DWORD)(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  EXPECT_EQ(adjacency->GetBufferSize(), 2u * 3 * 4);
  auto* mats = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_FLOAT_EQ(mats[0].MatD3D.Diffuse.r, 1.0f);
  EXPECT_FLOAT_EQ(mats[0].MatD3D.Diffuse.a, 1.0f);
  EXPECT_FLOAT_EQ(mats[0].MatD3D.Power, 10.0f);
  EXPECT_FLOAT_EQ(mats[0].MatD3D.Emissive.r, 0.2f);
  ASSERT_NE(mats[0].pTextureFilename, nullptr);
  EXPECT_STREQ(mats[0].pTextureFilename, "data\\\x83\x65\x83\x58\x83\x67.bmp");
  EXPECT_FLOAT_EQ(mats[1].MatD3D.Diffuse.b, 1.0f);
  EXPECT_FLOAT_EQ(mats[1].MatD3D.Diffuse.a, 0.5f);
  EXPECT_FLOAT_EQ(mats[1].MatD3D.Emissive.b, 0.4f);
  EXPECT_EQ(mats[1].pTextureFilename, nullptr);

  // Positions, normals and texture coordinates as the file has them: z of
  // the second corner stays +0.25, the normal -z, (u, v) (1, 0) there.
  void* data = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
  auto* v = static_cast<MeshVertex*>(data);
  bool found = false;
  for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
    EXPECT_FLOAT_EQ(v[i].nz, -1.0f);
    if (v[i].x == 1.0f && v[i].y == 1.0f) {
      found = true;
      EXPECT_FLOAT_EQ(v[i].z, 0.25f);
      EXPECT_FLOAT_EQ(v[i].u, 1.0f);
      EXPECT_FLOAT_EQ(v[i].v, 0.0f);
    }
  }
  EXPECT_TRUE(found);
  mesh->UnlockVertexBuffer();

  // Draw both subsets lit by emissive only: each lands where its triangle is.
  IDirect3DTexture9* tex = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device, mats[0].pTextureFilename, &tex), D3D_OK);
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  D3DXMATRIX world;
  D3DXMatrixScaling(&world, 3, 3, 3);
  device->SetTransform(D3DTS_WORLD, &world);
  for (DWORD i = 0; i < count; ++i) {
    device->SetMaterial(&mats[i].MatD3D);
    device->SetTexture(0, i == 0 ? tex : nullptr);
    mesh->DrawSubset(i);
  }
  Pixels p = Grab(device);
  SavePicture(p, "mesh_x_subsets");
  // Upper right triangle: emissive red 0.2 = 51; lower left: blue 0.4 at alpha 0.5.
  EXPECT_COLOR_NEAR(p.at(320 + 60, 240 - 60), 51, 0, 0, 1);
  EXPECT_COLOR_NEAR(p.at(320 - 60, 240 + 60), 0, 0, 51, 1);
  // Turned away from the camera, the model is culled.
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, D3DX_PI);
  device->SetTransform(D3DTS_WORLD, &turn);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  mesh->DrawSubset(0);
  mesh->DrawSubset(1);
  EXPECT_EQ(Grab(device).at(320, 240), 0xFF000000u);

  tex->Release();
  mesh->Release();
  materials->Release();
  adjacency->Release();
}

TEST_F(MeshTest, FrameTransformsAreAppliedAsRowVectorMatrices) {
  Write("data/framed.x", kFramedX);
  ID3DXMesh* mesh = nullptr;
  DWORD count = 9;
  ASSERT_EQ(D3DXLoadMeshFromXA("data\\framed.x", 0, device, nullptr, nullptr, nullptr, &count,
                               &mesh),
            D3D_OK);
  EXPECT_EQ(count, 0u);
  ASSERT_EQ(mesh->GetFVF(), (DWORD)(D3DFVF_XYZ | D3DFVF_NORMAL));
  struct V {
    float x, y, z, nx, ny, nz;
  };
  void* data = nullptr;
  mesh->LockVertexBuffer(0, &data);
  auto* v = static_cast<V*>(data);
  ASSERT_EQ(mesh->GetNumVertices(), 3u);
  // (1, 0, 0) turns to (0, 1, 0), then moves to (2, 1, 5); the normal turns alike.
  bool found = false;
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(v[i].nx, 0.0f, 1e-6);
    EXPECT_NEAR(v[i].ny, 1.0f, 1e-6);
    EXPECT_NEAR(v[i].z, 5.0f, 1e-6);
    if (std::fabs(v[i].y - 1.0f) < 1e-5) {
      found = true;
      EXPECT_NEAR(v[i].x, 2.0f, 1e-5);
    }
  }
  EXPECT_TRUE(found);
  mesh->UnlockVertexBuffer();
  mesh->Release();
}

TEST_F(MeshTest, ModelsThatCannotLoadFailWithoutObjects) {
  ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(0x1);
  ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(0x1);
  DWORD count = 77;
  EXPECT_LT(D3DXLoadMeshFromXA("data\\missing.x", D3DXMESH_MANAGED, device, nullptr, &materials,
                               nullptr, &count, &mesh),
            0);
  Write("data/garbage.x", "xof 0303txt 0032\nMesh { 99999; 1.0; }\n");
  EXPECT_LT(D3DXLoadMeshFromXA("data\\garbage.x", D3DXMESH_MANAGED, device, nullptr, &materials,
                               nullptr, &count, &mesh),
            0);
  Write("data/empty.x", "");
  EXPECT_LT(D3DXLoadMeshFromXA("data\\empty.x", D3DXMESH_MANAGED, device, nullptr, &materials,
                               nullptr, &count, &mesh),
            0);
  // A normal index far past the normals: the importer itself would read
  // wild memory; the load fails and the game goes on. The index reaches
  // gigabytes past the normals, beyond any heap the process has grown by then.
  std::string wild = kQuadX;
  size_t at = wild.find("3;0,0,0;;");
  ASSERT_NE(at, std::string::npos);
  wild.replace(at, 9, "3;0,0,1500000000;;");
  Write("data/wild.x", wild);
  EXPECT_LT(D3DXLoadMeshFromXA("data\\wild.x", D3DXMESH_MANAGED, device, nullptr, &materials,
                               nullptr, &count, &mesh),
            0);
  EXPECT_EQ(mesh, reinterpret_cast<ID3DXMesh*>(0x1));
  EXPECT_EQ(materials, reinterpret_cast<ID3DXBuffer*>(0x1));
  EXPECT_EQ(count, 77u);

  // A model without materials loads with none.
  Write("data/tri.x", kNoMaterialX);
  mesh = nullptr;
  materials = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA("data\\tri.x", D3DXMESH_MANAGED, device, nullptr, &materials,
                               nullptr, &count, &mesh),
            D3D_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(mesh->GetNumFaces(), 1u);
  mesh->Release();
  materials->Release();
}

TEST_F(MeshTest, BoxAndCylinderAreClosedOutwardFacingAndClone) {
  ID3DXMesh *box = nullptr, *cyl = nullptr;
  ASSERT_EQ(D3DXCreateBox(device, 1, 1, 1, &box, nullptr), D3D_OK);
  ASSERT_EQ(D3DXCreateCylinder(device, 1, 1, 2, 20, 1, &cyl, nullptr), D3D_OK);
  EXPECT_EQ(box->GetNumFaces(), 12u);
  EXPECT_EQ(cyl->GetNumFaces(), 20u * 2 + 20u * 2);
  for (ID3DXMesh* m : {box, cyl}) {
    // Every face's winding agrees with its normals: (b - a) x (c - a) points
    // the way they do, outward.
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(m->CloneMeshFVF(D3DXMESH_NPATCHES, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, device,
                              &clone),
              D3D_OK);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 32u);
    void* data = nullptr;
    clone->LockVertexBuffer(0, &data);
    auto* v = static_cast<MeshVertex*>(data);
    D3DXVECTOR3 lo, hi;
    ASSERT_EQ(D3DXComputeBoundingBox(reinterpret_cast<D3DXVECTOR3*>(v), clone->GetNumVertices(),
                                     32, &lo, &hi),
              D3D_OK);
    EXPECT_EQ(v[0].u, 0.0f);  // new elements start zeroed
    clone->UnlockVertexBuffer();
    if (m == box) {
      EXPECT_EQ(lo, D3DXVECTOR3(-0.5f, -0.5f, -0.5f));
      EXPECT_EQ(hi, D3DXVECTOR3(0.5f, 0.5f, 0.5f));
    } else {
      EXPECT_NEAR(lo.x, -1.0f, 1e-6);
      EXPECT_EQ(lo.z, -1.0f);
      EXPECT_EQ(hi.z, 1.0f);
    }
    clone->Release();
  }
  // Drawn lit from the camera side, the box shows its front face only.
  SetCamera();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  D3DLIGHT9 light;
  memset(&light, 0, sizeof light);
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 0};
  light.Direction = D3DXVECTOR3(0, 0, 1);
  device->SetLight(0, &light);
  device->LightEnable(0, TRUE);
  D3DMATERIAL9 mat;
  memset(&mat, 0, sizeof mat);
  mat.Diffuse = {0, 1, 0, 1};
  device->SetMaterial(&mat);
  D3DXMATRIX s, t, w;
  D3DXMatrixScaling(&s, 3, 3, 3);
  D3DXMatrixTranslation(&t, -3, 0, 0);
  D3DXMatrixMultiply(&w, &s, &t);
  device->SetTransform(D3DTS_WORLD, &w);
  device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  box->DrawSubset(0);
  D3DXMatrixTranslation(&t, 0, 0, 0);
  D3DXMATRIX r;
  D3DXMatrixRotationX(&r, D3DX_PI / 2);  // the cylinder's side toward the camera
  D3DXMatrixMultiply(&w, &r, &t);
  device->SetTransform(D3DTS_WORLD, &w);
  cyl->DrawSubset(0);
  Pixels p = Grab(device);
  SavePicture(p, "mesh_box_cylinder");
  EXPECT_COLOR_NEAR(p.at(320 - 125, 240), 0, 255, 0, 1);
  EXPECT_COLOR_NEAR(p.at(320, 240), 0, 255, 0, 1);  // the side's middle faces us
  EXPECT_COLOR_NEAR(p.at(320, 240 - 30), 0, 255, 0, 1);
  EXPECT_EQ(p.at(320 + 50, 240), 0xFF000000u);
  box->Release();
  cyl->Release();
}

}  // namespace
