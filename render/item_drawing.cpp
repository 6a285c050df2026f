#include "render/item_drawing.h"

#include <cmath>
#include <cstring>

#include "render/camera.h"
#include "render/meshes.h"
#include "render/render_state.h"
#include "render/transforms.h"
#include "render/view_state.h"
#include "world/globals.h"
#include "world/types.h"

namespace {

// The cull looks along +z from the camera with these fixed view limits.
constexpr int kCullHalfAngle = 30;
constexpr float kCullFar = 5000.0f;


void SetWorld(const D3DXMATRIX& m) { g_device->SetTransform(D3DTS_WORLD, &m); }

void DrawPrimitive(int index) {
  if (g_primitiveMeshes[index]) g_primitiveMeshes[index]->DrawSubset(0);
}

D3DCOLORVALUE Colour(float r, float g, float b, float a) { return {r, g, b, a}; }

// The glowing coat of the rubber kinds: dark grey, always opaque, untextured.
void SetCoatMaterial() {
  D3DMATERIAL9 m;
  memset(&m, 0, sizeof m);
  m.Diffuse = Colour(0.2f, 0.2f, 0.2f, 1.0f);
  m.Emissive = Colour(0.4f * 0.2f, 0.4f * 0.2f, 0.4f * 0.2f, 0.0f);
  g_device->SetTexture(0, nullptr);
  g_device->SetMaterial(&m);
}

// The two end caps of a bar of length `length`, each facing away from its middle.
void DrawCapPair(const D3DXMATRIX& R, const D3DXMATRIX& T, float length, float k, float d) {
  D3DXVECTOR3 plus(0, 0, length / 2), minus(0, 0, -length / 2);
  D3DXVECTOR3 ePlus, eMinus;
  D3DXVec3TransformCoord(&ePlus, &plus, &R);
  D3DXVec3TransformCoord(&eMinus, &minus, &R);
  D3DXMATRIX cap = Scaling(k, k, d) * RotationX(D3DX_PI / 2) * R;
  SetWorld(cap * Translation(ePlus) * T);
  DrawPrimitive(kPrimCap);
  SetWorld(RotationZ(D3DX_PI) * cap * Translation(eMinus) * T);
  DrawPrimitive(kPrimCap);
}

void DrawBar(const D3DXMATRIX& R, const D3DXMATRIX& T, const D3DXMATRIX& W, float width,
             float depth, float length, float capK, float capD) {
  SetWorld(RotationX(-D3DX_PI / 2) * Scaling(width, depth, length) * W);
  DrawPrimitive(kPrimBox);
  DrawCapPair(R, T, length, capK, capD);
}

bool HasRecipe(int kind) {
  switch (kind) {
    case kKindBall: case kKindBox: case kKindCapsule:
    case kKindRubberBall: case kKindRubberBox: case kKindRubberCapsule:
    case kKindGoalBell: case kKindStartBall: case kKindFan: case kKindTruck: case kKindTire:
      return true;
    default:
      return kind >= kKindRocket && kind <= kKindDollWaist;
  }
}

bool IsPrimitiveKind(int kind) {
  return kind == kKindBall || kind == kKindBox || kind == kKindCapsule ||
         kind == kKindRubberBall || kind == kKindRubberBox || kind == kKindRubberCapsule;
}

// Draws a model in its own colours, or, in the two styles that show it as a
// flat shape, with the style's material untextured.
void DrawModel(const MeshRecord* record, bool flat, const D3DMATERIAL9& material) {
  if (flat)
    DrawMeshWithMaterial(record, &material);
  else
    DrawMesh(record);
}

void DrawModelGlowing(const MeshRecord* record, bool glowing, const D3DMATERIAL9& material) {
  if (glowing)
    DrawMeshEmissiveUntextured(record, material.Emissive.r, material.Emissive.g,
                               material.Emissive.b);
  else
    DrawMesh(record);
}

// Models whose small textures shimmer when mip-mapped draw from the full image.
void DrawWithoutMips(const MeshRecord* record, bool flat, const D3DMATERIAL9& material) {
  g_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  DrawModel(record, flat, material);
  g_device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
}

const MeshRecord* DollRecord(int kind) {
  switch (kind) {
    case kKindDollHead: return &g_meshDollHead;
    case kKindDollBody: return &g_meshDollBody;
    case kKindDollHat: return &g_meshDollHat;
    case kKindDollUpperArm: return &g_meshDollArm;
    case kKindDollForearm: return &g_meshDollArm2;
    case kKindDollLeg: return &g_meshDollLeg;
    case kKindDollWaist: return &g_meshDollWaist;
    default: return nullptr;
  }
}

}  // namespace

float ItemCullRadius(int kind, float sizeA, float sizeB) {
  D3DXVECTOR3 v;
  switch (kind) {
    case kKindBall: case kKindDollHead: case kKindTire:
      v = D3DXVECTOR3(sizeA, 0, 4); break;
    case kKindCapsule:
      v = D3DXVECTOR3(2 * sizeA, sizeA + sizeB, 4); break;
    case kKindRubberBall:
      v = D3DXVECTOR3(sizeA + 0.4f, 0, 4); break;
    case kKindRubberBox:
      v = D3DXVECTOR3(sizeA + 0.8f, sizeB + 0.8f, 4); break;
    case kKindRubberCapsule:
      v = D3DXVECTOR3(2 * sizeA + 0.8f, sizeA + sizeB + 0.8f, 4); break;
    case kKindGoalBell:
      v = D3DXVECTOR3(3, 0, 4); break;
    case kKindStartBall:
      v = D3DXVECTOR3(2.5f, 0, 4); break;
    case kKindFan:
      v = D3DXVECTOR3(3 * sizeA, 0, 4); break;
    case kKindTruck:
      v = D3DXVECTOR3(3.5f, 0, 4); break;
    default:
      if (kind == kKindBox || (kind >= kKindRocket && kind <= kKindDollWaist)) {
        v = D3DXVECTOR3(sizeA, sizeB, 4);
        break;
      }
      return 0.0f;
  }
  return D3DXVec3Length(&v);
}

void DrawItem(int kind, const D3DXMATRIX* translation, const D3DXMATRIX* rotation, float sizeA,
              float sizeB, float alpha, int style, int createdInMode, int cull) {
  if (!g_device || !HasRecipe(kind) || style < kStyleNeutral || style > kStyleMotorRight) return;
  const D3DXMATRIX& T = *translation;
  const D3DXMATRIX& R = *rotation;

  // Step 1: the cull touches no device state.
  if (cull == 1) {
    D3DXVECTOR3 centre(T._41, T._42, T._43);
    float radius = ItemCullRadius(kind, sizeA, sizeB);
    if (TestSphereInViewFrustum(&centre, radius, &g_cameraPos, 0.0f, 0.0f, kCullHalfAngle,
                                kCullFar) == 0.0f)
      return;
  }

  // Step 2: the material of the style.
  D3DMATERIAL9 material;
  memset(&material, 0, sizeof material);
  bool itemTexture = true;
  bool tinted = false;  // emissive is 0.4 x diffuse
  switch (style) {
    case kStyleNeutral: material.Diffuse = Colour(0.8f, 0.8f, 0.8f, 1.0f); tinted = true; break;
    case kStyleMovable: material.Diffuse = Colour(0, 1, 1, alpha); tinted = true; break;
    case kStyleAwake: material.Diffuse = Colour(0, 1, 0, alpha); tinted = true; break;
    case kStyleError: material.Diffuse = Colour(1, 0, 0, alpha); tinted = true; break;
    case kStyleGhost:
      material.Diffuse = Colour(0, 0, 0, 1.0f);
      material.Emissive = Colour(1, 1, 0, 0);
      itemTexture = false;
      break;
    case kStyleHighlightMovable:
      material.Diffuse = Colour(0, 0, 0, 1.0f);
      material.Emissive = Colour(0, 1, 0.3f, 0);
      break;
    case kStyleFixed: material.Diffuse = Colour(1, 1, 1, alpha); tinted = true; break;
    case kStyleHighlightFixed:
      material.Diffuse = Colour(0, 0, 0, 1.0f);
      material.Emissive = Colour(1, 1, 0.5f, 0);
      break;
    case kStyleConnectTarget: material.Diffuse = Colour(0, 0.5f, 1, alpha); tinted = true; break;
    default: itemTexture = false; break;  // the motor gears keep their own
  }
  if (tinted) {
    material.Emissive.r = 0.4f * material.Diffuse.r;
    material.Emissive.g = 0.4f * material.Diffuse.g;
    material.Emissive.b = 0.4f * material.Diffuse.b;
  }
  if (style == kStyleGhost)
    g_device->SetTexture(0, nullptr);
  else if (itemTexture && (createdInMode == 0 || createdInMode == 1))
    g_device->SetTexture(0, g_itemTextures[createdInMode]);
  g_device->SetMaterial(&material);

  // Step 3.
  const D3DXMATRIX W = R * T;

  // Step 4: the kind's recipe.
  if (IsPrimitiveKind(kind) && (style == kStyleMotorLeft || style == kStyleMotorRight)) {
    // Only the motor gear, facing the camera whatever the item's turn.
    float k;
    if (kind == kKindBall || kind == kKindRubberBall)
      k = 0.5f * sizeA;
    else if (kind == kKindBox || kind == kKindRubberBox)
      k = 0.25f * (sizeA < sizeB ? sizeA : sizeB);
    else
      k = 0.75f * sizeA;
    if (style == kStyleMotorLeft)
      SetWorld(Scaling(k, k, 1) * T);
    else
      SetWorld(Scaling(k, k, 1) * RotationY(D3DX_PI) * T);
    DrawMeshWithAlpha(&g_meshGear, alpha);
    return;
  }

  const bool glowing45 = style == kStyleGhost || style == kStyleHighlightMovable;
  const bool flat347 =
      style == kStyleError || style == kStyleGhost || style == kStyleHighlightFixed;
  switch (kind) {
    case kKindBall:
    case kKindRubberBall:
      SetWorld(Scaling(sizeA, sizeA, 2) * W);
      DrawPrimitive(kPrimCylinder);
      if (kind == kKindRubberBall) {
        SetCoatMaterial();
        SetWorld(Scaling(sizeA + 0.4f, sizeA + 0.4f, 1.8f) * W);
        DrawPrimitive(kPrimCylinder);
      }
      break;
    case kKindBox:
    case kKindRubberBox:
      SetWorld(Scaling(sizeA, sizeB, 4) * W);
      DrawPrimitive(kPrimBox);
      if (kind == kKindRubberBox) {
        SetCoatMaterial();
        SetWorld(Scaling(sizeA + 0.8f, sizeB + 0.8f, 3.6f) * W);
        DrawPrimitive(kPrimBox);
      }
      break;
    case kKindCapsule:
    case kKindRubberCapsule:
      DrawBar(R, T, W, 2 * sizeA, 4, sizeB, sizeA, 2);
      if (kind == kKindRubberCapsule) {
        SetCoatMaterial();
        DrawBar(R, T, W, 2 * sizeA + 0.8f, 3.6f, sizeB, sizeA + 0.4f, 1.8f);
      }
      break;
    case kKindGoalBell: {
      float swing = 20.0f * kDegToRad * sinf((float)g_bellSwing * kDegToRad);
      SetWorld(Scaling(2.5f, 2.5f, 2.5f) * R * RotationZ(swing) * Translation(0, 2.5f, 0) * T);
      DrawModelGlowing(&g_meshBell, style == kStyleGhost || style == kStyleHighlightFixed,
                       material);
      break;
    }
    case kKindStartBall:
      SetWorld(Scaling(2.5f, 2.5f, 2.5f) * W);
      DrawModelGlowing(&g_meshStartBall, glowing45, material);
      break;
    case kKindFan: {
      const D3DXMATRIX S = Scaling(3 * sizeA, 3 * sizeA, 3 * sizeA);
      SetWorld(S * W);
      if (flat347) {
        DrawMeshWithMaterial(&g_meshFanCase, &material);
        DrawMeshWithMaterial(&g_meshFanBody, &material);  // blades stand still
      } else {
        DrawMesh(&g_meshFanCase);
        SetWorld(S * RotationX(20.0f * (float)g_animTick * kDegToRad) * W);
        DrawMesh(&g_meshFanBody);
      }
      break;
    }
    case kKindTruck:
      SetWorld(Scaling(4, 4, 3) * W);
      DrawModelGlowing(&g_meshCar, glowing45, material);
      break;
    case kKindTire:
      SetWorld(Scaling(sizeA, sizeA, 2) * W);
      DrawModelGlowing(&g_meshTire, glowing45, material);
      break;
    case kKindRocket: {
      int c = g_dollLaunchCounter;
      if (g_appMode == kModeRun && c > 0) {
        // Squashed toward its base (model y = -2 stays put) and shaking
        // harder as the launch nears.
        float shake = (float)((g_animTick / 2) % 2) * (float)(60 - c) / 120.0f;
        SetWorld(Translation(0, 2, 0) * Scaling(3, 1.0f + 2.0f * (float)c / 60.0f, 3) *
                 Translation(shake, -6, 0) * W);
      } else {
        SetWorld(Scaling(3, 3, 3) * W);
      }
      DrawModel(&g_meshRocket, style == kStyleGhost || style == kStyleHighlightFixed, material);
      break;
    }
    case kKindToyBox:
      SetWorld(Scaling(10, 10, 1.5f) * W);
      DrawWithoutMips(&g_meshBox, glowing45, material);
      break;
    default: {  // the doll parts
      const MeshRecord* record = DollRecord(kind);
      SetWorld(W);
      if (kind == kKindDollHead)
        DrawWithoutMips(record, glowing45, material);
      else
        DrawModel(record, glowing45, material);
      break;
    }
  }
}
