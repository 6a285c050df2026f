// Mesh records: loading with per-subset materials and textures, the five ways
// of drawing one, the empty record a failed load leaves, the primitive meshes
// with their planar texture coordinates, and the device defaults and lights.
#include <cstring>

#include "tests/render_test_support.h"

using namespace rts;

namespace {

// Three slabs side by side: x -3..-1 material 0 (white glow, textured
// orange), x -1..1 material 1 (green glow, its texture file is missing),
// x 1..3 material 2 (blue glow, no texture).
std::string ThreeSubsetModel() {
  std::vector<XTriangle> t;
  AddBox(&t, D3DXVECTOR3(-3, -1, -1), D3DXVECTOR3(-1, 1, 1), 0);
  AddBox(&t, D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1), 1);
  AddBox(&t, D3DXVECTOR3(1, -1, -1), D3DXVECTOR3(3, 1, 1), 2);
  std::vector<XMaterial> m = {
      {0.0f, 0.0f, 0.0f, 1.0f, 1, 1, 1, "data\\Orange.bmp"},
      {0.25f, 0.5f, 0.75f, 1.0f, 0, 1, 0, "data\\NotThere.bmp"},
      {0.0f, 0.0f, 0.0f, 1.0f, 0, 0, 1, ""},
  };
  return XModelText(t, m);
}

class MeshRecordTest : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    if (HasFatalFailure() || !device) return;
    WriteSolidBmp("data/Orange.bmp", 4, 4, 0xFFFF4000);
    SetGameCamera(D3DXVECTOR3(0, 0, -50));
    device->SetTransform(D3DTS_WORLD, &identity);
  }
  uint32_t At(const Pixels& p, float x, float y) {
    POINT s = ScreenOf(device, D3DXVECTOR3(x, y, -1));
    return p.at(s.x, s.y);
  }
  Pixels DrawFrame(void (*draw)(const MeshRecord*), const MeshRecord* r) {
    ClearScreen();
    device->BeginScene();
    draw(r);
    device->EndScene();
    return Grab(device);
  }
  D3DXMATRIX identity = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
};

D3DMATERIAL9 Glow(float r, float g, float b) {
  D3DMATERIAL9 m;
  memset(&m, 0, sizeof m);
  m.Diffuse.a = 1;
  m.Emissive = {r, g, b, 0};
  return m;
}

bool SameMaterial(const D3DMATERIAL9& a, const D3DMATERIAL9& b) {
  return memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST_F(MeshRecordTest, LoadKeepsEveryMaterialWithItsTextureAndDrawsEachSubset) {
  WriteText("data/Three.x", ThreeSubsetModel());
  MeshRecord r = {};
  ASSERT_EQ(LoadMesh(&r, "data\\Three.x"), 1);
  ASSERT_NE(r.mesh, nullptr);
  ASSERT_EQ(r.materialCount, 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(r.materials[i].Ambient.r, r.materials[i].Diffuse.r);
    EXPECT_EQ(r.materials[i].Ambient.g, r.materials[i].Diffuse.g);
    EXPECT_EQ(r.materials[i].Ambient.b, r.materials[i].Diffuse.b);
    EXPECT_EQ(r.materials[i].Ambient.a, r.materials[i].Diffuse.a);
  }
  EXPECT_FLOAT_EQ(r.materials[1].Ambient.g, 0.5f);
  EXPECT_NE(r.textures[0], nullptr);  // found relative to the current folder
  EXPECT_EQ(r.textures[1], nullptr);  // named but missing
  EXPECT_EQ(r.textures[2], nullptr);  // none named

  Pixels p = DrawFrame(DrawMesh, &r);
  SavePicture(p, "mesh_three_subsets");
  EXPECT_COLOR_NEAR(At(p, -2, 0), 255, 64, 0, 3);  // texture x white glow
  EXPECT_COLOR_NEAR(At(p, 2, 0), 0, 0, 255, 3);  // untextured blue glow

  // The middle subset is lit: green glow plus its diffuse under light 0
  // (0.8 / sqrt 2 on a face toward the camera), untextured.
  float lit = 0.8f / sqrtf(2.0f);
  EXPECT_COLOR_NEAR(At(p, 0, 0), 0.25f * lit * 255, 255, 0.75f * lit * 255, 3);

  ReleaseMesh(&r);
  EXPECT_EQ(r.mesh, nullptr);
  EXPECT_EQ(r.materials, nullptr);
  EXPECT_EQ(r.textures, nullptr);
  EXPECT_EQ(r.materialCount, 0u);
  ReleaseMesh(&r);  // a second release does nothing
}

TEST_F(MeshRecordTest, FailedLoadLeavesAnEmptyRecordThatDrawsNothing) {
  WriteText("data/Broken.x", "xof 0303txt 0032\nMesh Broken {\n 3;\n 0.0;0.0;");
  WriteText("data/Three.x", ThreeSubsetModel());
  MeshRecord r = {};
  EXPECT_EQ(LoadMesh(&r, "data\\Missing.x"), 0);
  EXPECT_EQ(r.mesh, nullptr);
  EXPECT_EQ(r.materialCount, 0u);
  EXPECT_EQ(LoadMesh(&r, "data\\Broken.x"), 0);
  EXPECT_EQ(r.mesh, nullptr);

  // A record that held a model and then fails to load another is empty too.
  ASSERT_EQ(LoadMesh(&r, "data\\Three.x"), 1);
  EXPECT_EQ(LoadMesh(&r, "data\\Missing.x"), 0);
  EXPECT_EQ(r.mesh, nullptr);
  EXPECT_EQ(r.materials, nullptr);
  EXPECT_EQ(r.textures, nullptr);
  EXPECT_EQ(r.materialCount, 0u);

  D3DMATERIAL9 before = Glow(0.1f, 0.2f, 0.3f);
  device->SetMaterial(&before);
  D3DMATERIAL9 mine = Glow(1, 1, 1);
  ClearScreen();
  device->BeginScene();
  DrawMesh(&r);
  DrawMeshEmissive(&r, 1, 1, 1);
  DrawMeshEmissiveUntextured(&r, 1, 1, 1);
  DrawMeshWithMaterial(&r, &mine);
  DrawMeshWithAlpha(&r, 1);
  device->EndScene();
  EXPECT_EQ(CountChanged(Grab(device)), 0);
  D3DMATERIAL9 after;
  device->GetMaterial(&after);
  EXPECT_TRUE(SameMaterial(before, after));
  ReleaseMesh(&r);
  ReleaseMesh(&r);
}

TEST_F(MeshRecordTest, DrawVariantsPickMaterialAndTexture) {
  // One slab, black diffuse with a white glow, textured orange (255, 64, 0).
  std::vector<XTriangle> t;
  AddBox(&t, D3DXVECTOR3(-3, -1, -1), D3DXVECTOR3(3, 1, 1), 0);
  WriteText("data/Slab.x",
            XModelText(t, {{0, 0, 0, 1.0f, 1, 1, 1, "data\\Orange.bmp"}}));
  MeshRecord r = {};
  ASSERT_EQ(LoadMesh(&r, "data\\Slab.x"), 1);
  ASSERT_EQ(r.materialCount, 1u);

  Pixels own = DrawFrame(DrawMesh, &r);
  EXPECT_COLOR_NEAR(At(own, 0, 0), 255, 64, 0, 3);

  Pixels glow = DrawFrame([](const MeshRecord* m) { DrawMeshEmissive(m, 0, 1, 0.5f); }, &r);
  EXPECT_COLOR_NEAR(At(glow, 0, 0), 0, 64, 0, 3);  // the glow times the model's texture

  Pixels flat =
      DrawFrame([](const MeshRecord* m) { DrawMeshEmissiveUntextured(m, 0, 1, 0.5f); }, &r);
  EXPECT_COLOR_NEAR(At(flat, 0, 0), 0, 255, 128, 3);

  Pixels half = DrawFrame([](const MeshRecord* m) { DrawMeshWithAlpha(m, 0.5f); }, &r);
  EXPECT_COLOR_NEAR(At(half, 0, 0), 128, 32, 0, 3);  // over the black clear
  EXPECT_EQ(r.materials[0].Diffuse.a, 1.0f);         // the record keeps its own alpha
  SavePicture(half, "mesh_half_alpha");

  D3DMATERIAL9 blue = Glow(0, 0, 1);
  ClearScreen();
  device->BeginScene();
  DrawMeshWithMaterial(&r, &blue);
  device->EndScene();
  EXPECT_COLOR_NEAR(At(Grab(device), 0, 0), 0, 0, 255, 3);
  D3DMATERIAL9 bound;
  device->GetMaterial(&bound);
  EXPECT_TRUE(SameMaterial(bound, blue));  // nothing restored afterwards

  // The texture of stage 0 stays null after DrawMeshWithMaterial: drawing
  // the subset again with a white glow gives white, not orange.
  D3DMATERIAL9 white = Glow(1, 1, 1);
  device->SetMaterial(&white);
  ClearScreen();
  device->BeginScene();
  r.mesh->DrawSubset(0);
  device->EndScene();
  EXPECT_COLOR_NEAR(At(Grab(device), 0, 0), 255, 255, 255, 3);

  // ... and the last texture of DrawMesh stays bound after it.
  DrawFrame(DrawMesh, &r);
  device->SetMaterial(&white);
  ClearScreen();
  device->BeginScene();
  r.mesh->DrawSubset(0);
  device->EndScene();
  EXPECT_COLOR_NEAR(At(Grab(device), 0, 0), 255, 64, 0, 3);
  ReleaseMesh(&r);
}

TEST_F(MeshRecordTest, ModelWithoutMaterialsDrawsNothingAndBindsNothing) {
  std::vector<XTriangle> t;
  AddBox(&t, D3DXVECTOR3(-3, -1, -1), D3DXVECTOR3(3, 1, 1), 0);
  WriteText("data/Bare.x", XModelText(t, {}));
  MeshRecord r = {};
  ASSERT_EQ(LoadMesh(&r, "data\\Bare.x"), 1);
  EXPECT_NE(r.mesh, nullptr);
  EXPECT_EQ(r.materialCount, 0u);
  D3DMATERIAL9 before = Glow(0.5f, 0.5f, 0.5f);
  device->SetMaterial(&before);
  ClearScreen();
  device->BeginScene();
  DrawMesh(&r);
  DrawMeshEmissive(&r, 1, 0, 0);
  DrawMeshWithAlpha(&r, 0.5f);
  device->EndScene();
  EXPECT_EQ(CountChanged(Grab(device)), 0);
  D3DMATERIAL9 after;
  device->GetMaterial(&after);
  EXPECT_TRUE(SameMaterial(before, after));
  ReleaseMesh(&r);
}

TEST(MeshRecordTables, TheJointModelsAreOneTwoEntryArrayByJointType) {
  EXPECT_EQ(&g_meshJoint, &g_meshJoints[kJointRotary - 1]);
  EXPECT_EQ(&g_meshFixJoint, &g_meshJoints[kJointFixed - 1]);
  EXPECT_EQ(&g_meshJoints[1], &g_meshJoints[0] + 1);

  // The 23 models in load order, each its own record, with the game's paths.
  ASSERT_EQ(kModelCount, 23);
  EXPECT_STREQ(kModelFiles[0].path, "data\\Sky.x");
  EXPECT_EQ(kModelFiles[0].record, &g_meshSky);
  EXPECT_STREQ(kModelFiles[7].path, "data\\Joint.x");
  EXPECT_EQ(kModelFiles[7].record, &g_meshJoints[0]);
  EXPECT_STREQ(kModelFiles[8].path, "data\\FixJoint.x");
  EXPECT_EQ(kModelFiles[8].record, &g_meshJoints[1]);
  EXPECT_STREQ(kModelFiles[22].path, "data\\D-Hat.x");
  EXPECT_EQ(kModelFiles[22].record, &g_meshDollHat);
  for (int i = 0; i < kModelCount; ++i)
    for (int j = i + 1; j < kModelCount; ++j) {
      EXPECT_NE(kModelFiles[i].record, kModelFiles[j].record) << i << " " << j;
      EXPECT_STRNE(kModelFiles[i].path, kModelFiles[j].path);
    }
}

TEST_F(MeshRecordTest, AllModelsLoadAndReleaseAsATable) {
  WriteDataFolder();
  EXPECT_EQ(LoadModels(), 0);
  for (const ModelFile& m : kModelFiles) {
    EXPECT_NE(m.record->mesh, nullptr) << m.path;
    EXPECT_EQ(m.record->materialCount, 1u) << m.path;
    EXPECT_NE(m.record->textures[0], nullptr) << m.path;
  }
  ReleaseModels();
  for (const ModelFile& m : kModelFiles) EXPECT_EQ(m.record->mesh, nullptr) << m.path;

  // Without the data folder every record stays empty and the count says so.
  ASSERT_EQ(system("rm -rf data"), 0);
  EXPECT_EQ(LoadModels(), kModelCount);
  for (const ModelFile& m : kModelFiles) EXPECT_EQ(m.record->mesh, nullptr) << m.path;
}

namespace {

// Checks a primitive mesh's layout, its bounds and the planar coordinates of
// every vertex.
void ExpectPlanarMesh(ID3DXMesh* mesh, D3DXVECTOR3 lo, D3DXVECTOR3 hi) {
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetFVF(), 0x112u);
  EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
  void* data = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
  const MeshVertex* v = (const MeshVertex*)data;
  DWORD n = mesh->GetNumVertices();
  ASSERT_GT(n, 0u);
  D3DXVECTOR3 mn = v[0].pos, mx = v[0].pos;
  for (DWORD i = 0; i < n; ++i) {
    mn = D3DXVECTOR3(std::min(mn.x, v[i].pos.x), std::min(mn.y, v[i].pos.y),
                     std::min(mn.z, v[i].pos.z));
    mx = D3DXVECTOR3(std::max(mx.x, v[i].pos.x), std::max(mx.y, v[i].pos.y),
                     std::max(mx.z, v[i].pos.z));
  }
  EXPECT_NEAR(mn.x, lo.x, 1e-4);
  EXPECT_NEAR(mn.y, lo.y, 1e-4);
  EXPECT_NEAR(mn.z, lo.z, 1e-4);
  EXPECT_NEAR(mx.x, hi.x, 1e-4);
  EXPECT_NEAR(mx.y, hi.y, 1e-4);
  EXPECT_NEAR(mx.z, hi.z, 1e-4);
  for (DWORD i = 0; i < n; ++i) {
    EXPECT_FLOAT_EQ(v[i].u, ((v[i].pos.x - mn.x) + (v[i].pos.z - mn.z)) / (mx.x - mn.x)) << i;
    EXPECT_FLOAT_EQ(v[i].v, (v[i].pos.y - mn.y) / (mx.y - mn.y)) << i;
    EXPECT_NEAR(D3DXVec3Length(&v[i].normal), 1.0f, 1e-3) << i;
  }
  mesh->UnlockVertexBuffer();
}

}  // namespace

TEST_F(MeshRecordTest, PrimitiveMeshesAreMeshVerticesWithPlanarCoordinates) {
  WriteText("data/Capsule.x",
            XModelText(CapTriangles(), {Paint(1, 0, 0, "data\\Orange.bmp")}, &kCapInside));
  ASSERT_EQ(CreatePrimitiveMeshes(), 0);
  ExpectPlanarMesh(g_primitiveMeshes[kPrimCylinder], D3DXVECTOR3(-1, -1, -1),
                   D3DXVECTOR3(1, 1, 1));
  ExpectPlanarMesh(g_primitiveMeshes[kPrimBox], D3DXVECTOR3(-0.5f, -0.5f, -0.5f),
                   D3DXVECTOR3(0.5f, 0.5f, 0.5f));
  ExpectPlanarMesh(g_primitiveMeshes[kPrimCap], D3DXVECTOR3(-1, 0, -1), D3DXVECTOR3(1, 1, 1));
  // The cylinder has 20 slices.
  EXPECT_GE(g_primitiveMeshes[kPrimCylinder]->GetNumFaces(), 40u);

  // Building again replaces the three; releasing leaves null.
  ASSERT_EQ(CreatePrimitiveMeshes(), 0);
  ReleasePrimitiveMeshes();
  for (ID3DXMesh* m : g_primitiveMeshes) EXPECT_EQ(m, nullptr);

  // Without the cap model the other two still build.
  ASSERT_EQ(system("rm data/Capsule.x"), 0);
  EXPECT_EQ(CreatePrimitiveMeshes(), 1);
  EXPECT_NE(g_primitiveMeshes[kPrimCylinder], nullptr);
  EXPECT_NE(g_primitiveMeshes[kPrimBox], nullptr);
  EXPECT_EQ(g_primitiveMeshes[kPrimCap], nullptr);
}

TEST_F(MeshRecordTest, DefaultStatesAndTheTwoLights) {
  // Put the device somewhere else first.
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(NormalVertex::kFvf);
  SetDefaultRenderStates();
  DWORD v = 0;
  device->GetRenderState(D3DRS_ZENABLE, &v);
  EXPECT_EQ(v, (DWORD)D3DZB_TRUE);
  device->GetRenderState(D3DRS_ZWRITEENABLE, &v);
  EXPECT_EQ(v, (DWORD)TRUE);
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, (DWORD)TRUE);
  device->GetRenderState(D3DRS_SRCBLEND, &v);
  EXPECT_EQ(v, (DWORD)D3DBLEND_SRCALPHA);
  device->GetRenderState(D3DRS_DESTBLEND, &v);
  EXPECT_EQ(v, (DWORD)D3DBLEND_INVSRCALPHA);
  device->GetRenderState(D3DRS_CULLMODE, &v);
  EXPECT_EQ(v, (DWORD)D3DCULL_CCW);
  device->GetRenderState(D3DRS_LIGHTING, &v);
  EXPECT_EQ(v, (DWORD)TRUE);
  device->GetFVF(&v);
  EXPECT_EQ(v, 0x142u);

  // A white, purely diffuse quad facing the camera under the lights.
  NormalVertex quad[6] = {
      {D3DXVECTOR3(-5, 5, 0), D3DXVECTOR3(0, 0, -1)}, {D3DXVECTOR3(5, 5, 0), D3DXVECTOR3(0, 0, -1)},
      {D3DXVECTOR3(5, -5, 0), D3DXVECTOR3(0, 0, -1)}, {D3DXVECTOR3(-5, 5, 0), D3DXVECTOR3(0, 0, -1)},
      {D3DXVECTOR3(5, -5, 0), D3DXVECTOR3(0, 0, -1)}, {D3DXVECTOR3(-5, -5, 0), D3DXVECTOR3(0, 0, -1)},
  };
  D3DMATERIAL9 white;
  memset(&white, 0, sizeof white);
  white.Diffuse = {1, 1, 1, 1};
  auto shade = [&]() {
    ClearScreen();
    device->BeginScene();
    device->SetTexture(0, nullptr);
    device->SetMaterial(&white);
    device->SetFVF(NormalVertex::kFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(NormalVertex));
    device->EndScene();
    return Grab(device).at(320, 240);
  };
  // Light 0 alone: N.L = 0.8 / |(-0.6, -1, 0.8)| = 0.8 / sqrt 2.
  int l0 = (int)std::lround(0.8 / std::sqrt(2.0) * 255);
  EXPECT_COLOR_NEAR(shade(), l0, l0, l0, 2);
  // Light 1 alone (set up, but off until switched on): 1 / sqrt 2.
  device->LightEnable(0, FALSE);
  device->LightEnable(1, TRUE);
  int l1 = (int)std::lround(1.0 / std::sqrt(2.0) * 255);
  EXPECT_COLOR_NEAR(shade(), l1, l1, l1, 2);
  // SetupLights switches light 0 on and leaves light 1 as it was.
  SetupLights();
  EXPECT_COLOR_NEAR(shade(), 255, 255, 255, 1);
  device->LightEnable(1, FALSE);
  EXPECT_COLOR_NEAR(shade(), l0, l0, l0, 2);
}
