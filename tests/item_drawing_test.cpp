// Item drawing: every kind in every style on real pixels, the view cull, the
// materials and textures of the styles, where each recipe puts its meshes,
// and kinds or models that have nothing to draw.
#include <algorithm>
#include <cstring>

#include "game/run_behaviours.h"
#include "render/item_drawing.h"
#include "render/transforms.h"
#include "tests/render_test_support.h"

using namespace rts;

namespace {

const D3DXMATRIX kIdentity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

// An item as the tests place it: kind, sizes and the rotation of its body;
// `view` is the half-height a picture of it should show (0: its cull radius).
struct Sample {
  int kind;
  float sizeA, sizeB;
  D3DXMATRIX rotation;
  float view = 0;
};

// Every kind with a drawing, at the sizes the game gives them (bars and the
// fan stood up along the plane as the world does), then kinds without one.
std::vector<Sample> AllKinds() {
  D3DXMATRIX up = RotationX(D3DX_PI / 2);
  return {
      {kKindBall, 5, 0, kIdentity},        {kKindBox, 8, 5, kIdentity},
      {kKindCapsule, 2.5f, 8, up},         {kKindRubberBall, 5, 0, kIdentity},
      {kKindRubberBox, 8, 5, kIdentity},   {kKindRubberCapsule, 2.5f, 8, up},
      {kKindGoalBell, 2, 2.5f, kIdentity, 6}, {kKindStartBall, 2.5f, 0, kIdentity},
      {kKindFan, 1.25f, 5, up, 5},            {kKindTruck, 16, 8, kIdentity, 9},
      {kKindTire, 4, 0, kIdentity},        {kKindRocket, 6, 12, kIdentity, 9},
      {kKindToyBox, 4, 4, kIdentity, 10},      {kKindDollHead, 1.2f, 0, kIdentity},
      {kKindDollBody, 3, 4, kIdentity},    {kKindDollHat, 2, 2, kIdentity},
      {kKindDollUpperArm, 1, 3, kIdentity}, {kKindDollForearm, 1, 3, kIdentity},
      {kKindDollLeg, 1.5f, 6, kIdentity},  {kKindDollWaist, 3, 2, kIdentity},
      // No recipe: these must draw nothing at all.
      {3, 5, 5, kIdentity},                {kKindGrenade, 5, 5, kIdentity},
      {8, 5, 5, kIdentity},                {0x13, 5, 5, kIdentity},
      {kKindHiddenBox, 5, 5, kIdentity},   {0x23, 5, 5, kIdentity},
      {-1, 5, 5, kIdentity},               {1000, 5, 5, kIdentity},
  };
}

bool HasDrawing(int kind) {
  return (kind >= 0 && kind <= 2) || (kind >= 5 && kind <= 7) ||
         (kind >= kKindGoalBell && kind <= kKindDollWaist && kind != kKindHiddenBox);
}

D3DMATERIAL9 Sentinel() {
  D3DMATERIAL9 m;
  memset(&m, 0, sizeof m);
  m.Diffuse = {0.1f, 0.2f, 0.3f, 0.4f};
  m.Emissive = {0.5f, 0.6f, 0.7f, 0.8f};
  return m;
}

class ItemDrawingTest : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    if (HasFatalFailure() || !device) return;
    WriteDataFolder();
    LoadDataFolder();
    g_appMode = kModeEdit;
    SetGameCamera(D3DXVECTOR3(0, 0, -50));
  }
  // One item in its own frame; the picture afterwards.
  Pixels DrawAlone(int kind, D3DXVECTOR3 at, const D3DXMATRIX& rotation, float a, float b,
                   float alpha, int style, int mode, int cull = 0) {
    ClearScreen();
    device->BeginScene();
    D3DXMATRIX t = Translation(at.x, at.y, at.z);
    DrawItem(kind, &t, &rotation, a, b, alpha, style, mode, cull);
    device->EndScene();
    return Grab(device);
  }
  D3DXMATRIX World() {
    D3DXMATRIX w;
    device->GetTransform(D3DTS_WORLD, &w);
    return w;
  }
  uint32_t At(const Pixels& p, D3DXVECTOR3 world) {
    POINT s = ScreenOf(device, world);
    return p.at(s.x, s.y);
  }
};

}  // namespace

TEST_F(ItemDrawingTest, EveryKindInEveryStyleDrawsInItsCellWithoutGlErrors) {
  // Six columns by five cells of 106 x 96 pixels, each its own viewport with
  // a camera in front of its item, close enough to see it whole.
  std::vector<Sample> kinds = AllKinds();
  g_appMode = kModeEdit;
  g_animTick = 7;
  g_bellSwing = 30;
  D3DXMATRIX proj;
  D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 106.0f / 96.0f, 1.0f, 5000.0f);
  for (int style = kStyleNeutral; style <= kStyleMotorRight; ++style) {
    D3DVIEWPORT9 whole = {0, 0, 640, 480, 0, 1};
    device->SetViewport(&whole);
    ClearScreen(0xFF303040);
    device->BeginScene();
    for (size_t i = 0; i < kinds.size(); ++i) {
      const Sample& s = kinds[i];
      D3DVIEWPORT9 cell = {(DWORD)(106 * (i % 6)), (DWORD)(96 * (i / 6)), 106, 96, 0, 1};
      device->SetViewport(&cell);
      float extent = s.view > 0 ? s.view : std::max(ItemCullRadius(s.kind, s.sizeA, s.sizeB), 4.0f);
      D3DXVECTOR3 centre(1000.0f * (float)i, 0, 0);
      g_cameraPos = centre + D3DXVECTOR3(0, 0, -extent * 1.9f - 2);
      D3DXVECTOR3 up(0, 1, 0);
      D3DXMATRIX view;
      D3DXMatrixLookAtLH(&view, &g_cameraPos, &centre, &up);
      device->SetTransform(D3DTS_VIEW, &view);
      device->SetTransform(D3DTS_PROJECTION, &proj);
      D3DXMATRIX t = Translation(centre.x, centre.y, centre.z);
      DrawItem(s.kind, &t, &s.rotation, s.sizeA, s.sizeB, 0.6f, style, (int)(i % 2), 1);
      EXPECT_EQ(TakeGlErrors(), 0u) << "kind " << s.kind << " style " << style;
    }
    device->EndScene();
    Pixels p = Grab(device);
    SavePicture(p, "items_style_" + std::to_string(style));

    for (size_t i = 0; i < kinds.size(); ++i) {
      int changed = 0;
      for (int y = 96 * (int)(i / 6); y < 96 * (int)(i / 6 + 1); ++y)
        for (int x = 106 * (int)(i % 6); x < 106 * (int)(i % 6 + 1); ++x)
          if ((p.at(x, y) & 0xFFFFFF) != 0x303040) ++changed;
      if (HasDrawing(kinds[i].kind))
        EXPECT_GT(changed, 40) << "kind " << kinds[i].kind << " style " << style;
      else
        EXPECT_EQ(changed, 0) << "kind " << kinds[i].kind << " style " << style;
    }
  }
}

TEST_F(ItemDrawingTest, CulledItemsDrawNothingAndTouchNoState) {
  // From z = -50 the plane z = 0 shows x within +-38.5 and y within +-28.9.
  D3DXMATRIX before = Translation(1, 2, 3);
  D3DMATERIAL9 material = Sentinel();
  auto prime = [&]() {
    device->SetTransform(D3DTS_WORLD, &before);
    device->SetMaterial(&material);
  };
  auto untouched = [&]() {
    D3DMATERIAL9 m;
    device->GetMaterial(&m);
    return SameMatrix(World(), before, 0) && memcmp(&m, &material, sizeof m) == 0;
  };

  for (const Sample& s : AllKinds()) {
    prime();
    Pixels p = DrawAlone(s.kind, D3DXVECTOR3(200, 0, 0), s.rotation, s.sizeA, s.sizeB, 1,
                         kStyleNeutral, 0, 1);
    EXPECT_EQ(CountChanged(p), 0) << s.kind;
    EXPECT_TRUE(untouched()) << s.kind;
  }
  // Behind the camera is outside too.
  prime();
  EXPECT_EQ(CountChanged(DrawAlone(kKindBall, D3DXVECTOR3(0, 0, -80), kIdentity, 5, 0, 1,
                                   kStyleNeutral, 0, 1)),
            0);
  EXPECT_TRUE(untouched());

  // Without the test the same far item still sets its state (and draws off screen).
  prime();
  DrawAlone(kKindBall, D3DXVECTOR3(200, 0, 0), kIdentity, 5, 0, 1, kStyleNeutral, 0, 0);
  EXPECT_FALSE(untouched());

  // A ball just past the left edge whose sphere (radius |(5, 0, 4)|) reaches
  // across the side plane is drawn; one further out is not. (The side planes
  // lean at 37.6 degrees and their normals are 0.757 long, so an offset past
  // the edge counts as 0.79 x 0.757 of it against the radius.)
  Pixels edge = DrawAlone(kKindBall, D3DXVECTOR3(-41, 0, 0), kIdentity, 5, 0, 1, kStyleNeutral,
                          0, 1);
  EXPECT_GT(CountChanged(edge), 0);
  prime();
  Pixels gone = DrawAlone(kKindBall, D3DXVECTOR3(-55, 0, 0), kIdentity, 5, 0, 1, kStyleNeutral,
                          0, 1);
  EXPECT_EQ(CountChanged(gone), 0);
  EXPECT_TRUE(untouched());
  EXPECT_NEAR(ItemCullRadius(kKindBall, 5, 0), sqrtf(41.0f), 1e-5);
  EXPECT_NEAR(ItemCullRadius(kKindRubberCapsule, 2, 10), sqrtf(4.8f * 4.8f + 12.8f * 12.8f + 16),
              1e-4);
  EXPECT_EQ(ItemCullRadius(kKindHiddenBox, 5, 5), 0.0f);
}

TEST_F(ItemDrawingTest, KindsWithoutARecipeAndUnknownStylesLeaveTheDeviceAlone) {
  D3DXMATRIX before = Translation(1, 2, 3);
  D3DMATERIAL9 material = Sentinel();
  for (int kind : {3, 4, 8, 9, 0x10, 0x13, 0x19, 0x23, 0x7fffffff, -5}) {
    for (int style = -1; style <= 11; ++style) {
      device->SetTransform(D3DTS_WORLD, &before);
      device->SetMaterial(&material);
      Pixels p = DrawAlone(kind, D3DXVECTOR3(0, 0, 0), kIdentity, 5, 5, 1, style, 0, 0);
      EXPECT_EQ(CountChanged(p), 0) << kind << " " << style;
      D3DMATERIAL9 m;
      device->GetMaterial(&m);
      EXPECT_TRUE(SameMatrix(World(), before, 0));
      EXPECT_EQ(memcmp(&m, &material, sizeof m), 0);
    }
  }
  for (int style : {-1, 11, 100}) {
    Pixels p = DrawAlone(kKindBox, D3DXVECTOR3(0, 0, 0), kIdentity, 5, 5, 1, style, 0, 0);
    EXPECT_EQ(CountChanged(p), 0) << style;
  }
}

TEST_F(ItemDrawingTest, StylesChooseMaterialAlphaAndItemTexture) {
  const D3DXVECTOR3 o(0, 0, 0), front(0, 0, -2);
  // Front faces toward the camera take light 0 at 0.8 / sqrt 2; the normals
  // are not normalised, so an item scaled by s along z gets 1 / s of it.
  const float lit = 0.8f / sqrtf(2.0f);
  const float litBall = lit / 2, litBox = lit / 4;

  // Ghost: yellow glow on black, untextured, opaque whatever alpha says.
  Pixels ghost = DrawAlone(kKindBox, o, kIdentity, 8, 6, 0.3f, kStyleGhost, 0, 0);
  EXPECT_COLOR_NEAR(At(ghost, front), 255, 255, 0, 2);
  SavePicture(ghost, "item_box_ghost");

  // Movable at half opacity: cyan lit, times the player texture (white),
  // half over the black clear; with the stage texture (magenta) only blue.
  float cyan = 0.4f + litBall;
  Pixels mov1 = DrawAlone(kKindBall, o, kIdentity, 5, 0, 0.5f, kStyleMovable, 1, 0);
  EXPECT_COLOR_NEAR(At(mov1, front), 0, 0.5f * cyan * 255, 0.5f * cyan * 255, 3);
  Pixels mov0 = DrawAlone(kKindBall, o, kIdentity, 5, 0, 0.5f, kStyleMovable, 0, 0);
  EXPECT_COLOR_NEAR(At(mov0, front), 0, 0, 0.5f * cyan * 255, 3);

  // Neutral ignores alpha: grey 0.32 + 0.8 x lit, fully opaque.
  float grey = 0.32f + 0.8f * litBall;
  Pixels neutral = DrawAlone(kKindBall, o, kIdentity, 5, 0, 0.1f, kStyleNeutral, 1, 0);
  EXPECT_COLOR_NEAR(At(neutral, front), grey * 255, grey * 255, grey * 255, 3);

  // Another createdInMode leaves stage 0 as it was: here the ground texture.
  device->SetTexture(0, g_groundTexture);
  Pixels other = DrawAlone(kKindBall, o, kIdentity, 5, 0, 1, kStyleNeutral, 2, 0);
  EXPECT_COLOR_NEAR(At(other, front), grey * 0x40, grey * 0x80, grey * 0x40, 3);

  // Fixed: white lit; error: red; connect target: sky blue; awake: green.
  float white = 0.4f + litBox;
  EXPECT_COLOR_NEAR(At(DrawAlone(kKindBox, o, kIdentity, 8, 6, 1, kStyleFixed, 1, 0), front),
                    white * 255, white * 255, white * 255, 3);
  EXPECT_COLOR_NEAR(At(DrawAlone(kKindBox, o, kIdentity, 8, 6, 1, kStyleError, 1, 0), front),
                    white * 255, 0, 0, 3);
  EXPECT_COLOR_NEAR(
      At(DrawAlone(kKindBox, o, kIdentity, 8, 6, 1, kStyleConnectTarget, 1, 0), front), 0,
      0.5f * white * 255, white * 255, 3);
  EXPECT_COLOR_NEAR(At(DrawAlone(kKindBox, o, kIdentity, 8, 6, 1, kStyleAwake, 1, 0), front), 0,
                    white * 255, 0, 3);
  // The highlights glow without diffuse, textured: green-teal and pale yellow.
  EXPECT_COLOR_NEAR(
      At(DrawAlone(kKindBox, o, kIdentity, 8, 6, 0.2f, kStyleHighlightMovable, 1, 0), front), 0,
      255, 0.3f * 255, 2);
  EXPECT_COLOR_NEAR(
      At(DrawAlone(kKindBox, o, kIdentity, 8, 6, 0.2f, kStyleHighlightFixed, 1, 0), front), 255,
      255, 128, 2);

  // The rubber coat shows around the box as the same dark grey in every style.
  float coat = 0.08f + 0.2f * lit / 3.6f;
  const D3DXVECTOR3 rim(4.2f, 0, -1.8f);
  for (int style : {kStyleNeutral, kStyleGhost, kStyleMovable, kStyleHighlightFixed}) {
    Pixels p = DrawAlone(kKindRubberBox, o, kIdentity, 8, 6, 0.3f, style, 0, 0);
    SCOPED_TRACE(style);
    EXPECT_COLOR_NEAR(At(p, rim), coat * 255, coat * 255, coat * 255, 3);
    if (style == kStyleGhost) {
      EXPECT_COLOR_NEAR(At(p, front), 255, 255, 0, 2);
      SavePicture(p, "item_rubber_box_ghost");
    }
  }
}

TEST_F(ItemDrawingTest, MotorGearsFaceTheCameraAtTheirScale) {
  const D3DXMATRIX T = Translation(10, 5, 0);
  const D3DXMATRIX R = RotationZ(0.7f);
  // A box of 8 x 2 shows a gear of 0.25 x min(8, 2) = 0.5, unrotated.
  Pixels left = DrawAlone(kKindBox, D3DXVECTOR3(10, 5, 0), R, 8, 2, 1, kStyleMotorLeft, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(0.5f, 0.5f, 1) * T));
  // Only the gear: the box's far ends stay empty.
  EXPECT_EQ(At(left, D3DXVECTOR3(13.5f, 5, -2)) & 0xFFFFFF, 0u);
  EXPECT_NE(At(left, D3DXVECTOR3(10, 5, -2.6f)) & 0xFFFFFF, 0u);
  DrawAlone(kKindBox, D3DXVECTOR3(10, 5, 0), R, 8, 2, 1, kStyleMotorRight, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(0.5f, 0.5f, 1) * RotationY(D3DX_PI) * T));
  DrawAlone(kKindRubberBall, D3DXVECTOR3(10, 5, 0), R, 6, 0, 1, kStyleMotorLeft, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(3, 3, 1) * T));
  DrawAlone(kKindCapsule, D3DXVECTOR3(10, 5, 0), R, 2, 9, 1, kStyleMotorLeft, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(1.5f, 1.5f, 1) * T));

  // The gear takes alpha into its own materials.
  Pixels half = DrawAlone(kKindBall, D3DXVECTOR3(0, 0, 0), kIdentity, 8, 0, 0.5f,
                          kStyleMotorLeft, 0, 0);
  Pixels full = DrawAlone(kKindBall, D3DXVECTOR3(0, 0, 0), kIdentity, 8, 0, 1.0f,
                          kStyleMotorLeft, 0, 0);
  EXPECT_NEAR(Green(At(half, D3DXVECTOR3(0, 0, -2.6f))),
              Green(At(full, D3DXVECTOR3(0, 0, -2.6f))) / 2.0, 2);

  // Other kinds draw their own model in the gear styles.
  DrawAlone(kKindTire, D3DXVECTOR3(10, 5, 0), R, 4, 0, 1, kStyleMotorRight, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(4, 4, 2) * R * T));
}

TEST_F(ItemDrawingTest, RecipesPlaceEachMesh) {
  const D3DXVECTOR3 at(3, 4, 0);
  const D3DXMATRIX T = Translation(3, 4, 0);
  const D3DXMATRIX R = RotationZ(0.3f) * RotationX(D3DX_PI / 2);
  const D3DXMATRIX W = R * T;

  DrawAlone(kKindBall, at, R, 5, 0, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(5, 5, 2) * W));
  DrawAlone(kKindRubberBall, at, R, 5, 0, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(5.4f, 5.4f, 1.8f) * W));  // the coat last
  DrawAlone(kKindRubberBox, at, R, 8, 6, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(8.8f, 6.8f, 3.6f) * W));

  // A bar ends with its second cap: half a turn about the model's z, at the
  // end -length/2 along the bar.
  D3DXVECTOR3 minus(0, 0, -4), eMinus;
  D3DXVec3TransformCoord(&eMinus, &minus, &R);
  D3DXMATRIX atMinus = Translation(eMinus.x, eMinus.y, eMinus.z);
  DrawAlone(kKindCapsule, at, R, 2.5f, 8, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), RotationZ(D3DX_PI) * Scaling(2.5f, 2.5f, 2) * RotationX(D3DX_PI / 2) *
                                      R * atMinus * T));
  DrawAlone(kKindRubberCapsule, at, R, 2.5f, 8, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), RotationZ(D3DX_PI) * Scaling(2.9f, 2.9f, 1.8f) *
                                      RotationX(D3DX_PI / 2) * R * atMinus * T));

  g_bellSwing = 90;
  DrawAlone(kKindGoalBell, at, R, 2, 2.5f, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(2.5f, 2.5f, 2.5f) * R * RotationZ(20 * kDegToRad) *
                                      Translation(0, 2.5f, 0) * T));

  g_animTick = 3;
  DrawAlone(kKindFan, at, R, 1.25f, 5, 1, kStyleHighlightMovable, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(3.75f, 3.75f, 3.75f) * RotationX(60 * kDegToRad) * W));
  DrawAlone(kKindFan, at, R, 1.25f, 5, 1, kStyleError, 0, 0);  // blades stand still
  EXPECT_TRUE(SameMatrix(World(), Scaling(3.75f, 3.75f, 3.75f) * W));

  DrawAlone(kKindTruck, at, R, 16, 8, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(4, 4, 3) * W));
  DrawAlone(kKindToyBox, at, R, 4, 4, 1, kStyleGhost, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(10, 10, 1.5f) * W));
  DrawAlone(kKindDollLeg, at, R, 1.5f, 6, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), W));

  // The rocket at rest, and squashed and shaken in the launch countdown.
  DrawAlone(kKindRocket, at, R, 6, 12, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(3, 3, 3) * W));
  g_appMode = kModeRun;
  g_dollLaunchCounter = 30;
  g_animTick = 2;  // (2 / 2) mod 2 = 1: shaken by (60 - 30) / 120
  DrawAlone(kKindRocket, at, R, 6, 12, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Translation(0, 2, 0) * Scaling(3, 2, 3) *
                                      Translation(0.25f, -6, 0) * W));
  g_animTick = 4;  // (4 / 2) mod 2 = 0: no shake
  DrawAlone(kKindRocket, at, R, 6, 12, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Translation(0, 2, 0) * Scaling(3, 2, 3) *
                                      Translation(0, -6, 0) * W));
  g_dollLaunchCounter = -1;  // launched
  DrawAlone(kKindRocket, at, R, 6, 12, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(3, 3, 3) * W));
  g_appMode = kModePlay;
  g_dollLaunchCounter = 30;
  DrawAlone(kKindRocket, at, R, 6, 12, 1, kStyleNeutral, 0, 0);
  EXPECT_TRUE(SameMatrix(World(), Scaling(3, 3, 3) * W));
}

TEST_F(ItemDrawingTest, ModelStylesDrawOwnColoursOrTheStyleFlat) {
  const D3DXVECTOR3 o(0, 0, 0);
  // The start ball glows untextured in styles 4 and 5 and keeps its own
  // (checker-textured red) material otherwise.
  Pixels own = DrawAlone(kKindStartBall, o, kIdentity, 2.5f, 0, 1, kStyleNeutral, 0, 0);
  Pixels glow = DrawAlone(kKindStartBall, o, kIdentity, 2.5f, 0, 1, kStyleHighlightMovable, 0, 0);
  EXPECT_COLOR_NEAR(At(glow, D3DXVECTOR3(0.3f, 0.3f, -2)), 0, 255, 77, 2);
  EXPECT_GT(Red(At(own, D3DXVECTOR3(0.3f, 0.3f, -2))), 150);
  EXPECT_LT(Green(At(own, D3DXVECTOR3(0.3f, 0.3f, -2))), 120);
  // The toy box in style 4 takes the item material (yellow glow) untextured.
  Pixels box = DrawAlone(kKindToyBox, o, kIdentity, 4, 4, 1, kStyleGhost, 0, 0);
  EXPECT_COLOR_NEAR(At(box, D3DXVECTOR3(3, 0, -1.5f)), 255, 255, 0, 2);
  SavePicture(box, "item_toybox_ghost");
}

TEST_F(ItemDrawingTest, MissingModelsAndMeshesDrawNothing) {
  const D3DXVECTOR3 o(0, 0, 0);
  ASSERT_GT(CountChanged(DrawAlone(kKindGoalBell, o, kIdentity, 2, 2.5f, 1, kStyleNeutral, 0, 0)),
            0);
  ASSERT_EQ(LoadMesh(&g_meshBell, "data\\NoSuchBell.x"), 0);
  for (int style = 0; style <= 10; ++style)
    EXPECT_EQ(CountChanged(DrawAlone(kKindGoalBell, o, kIdentity, 2, 2.5f, 1, style, 0, 0)), 0)
        << style;

  ReleaseModels();
  ReleasePrimitiveMeshes();
  for (const Sample& s : AllKinds())
    for (int style = 0; style <= 10; ++style)
      EXPECT_EQ(CountChanged(DrawAlone(s.kind, o, s.rotation, s.sizeA, s.sizeB, 1, style, 0, 1)),
                0)
          << s.kind << " " << style;
}
