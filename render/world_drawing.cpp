#include "render/world_drawing.h"

#include <ode/ode.h>

#include <cmath>
#include <cstring>

#include "render/camera.h"
#include "render/item_drawing.h"
#include "render/meshes.h"
#include "render/render_state.h"
#include "render/transforms.h"
#include "render/view_state.h"
#include "world/effects.h"
#include "world/globals.h"
#include "world/joint_records.h"
#include "world/rotations.h"
#include "world/types.h"
#include "world/update_state.h"

float g_skyAngle = 0.0f;
int32_t g_anyHighlighted = 0;

namespace {

constexpr D3DCOLOR kBackground = 0xFF1E415A;
constexpr D3DCOLOR kGridColour = 0xFF5B695B;
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr D3DCOLOR kPlayFloorColour = 0xFFC86400;
constexpr D3DCOLOR kBandColour = 0xFFFFFF00;
constexpr D3DCOLOR kAreaBad = 0x96FF0000;
constexpr D3DCOLOR kAreaGood = 0x320000FF;
constexpr D3DCOLOR kEdgeHovered = 0x64FFFF00;
constexpr D3DCOLOR kEdgePlain = 0x64FFFFFF;

// Joints are tested against the same view as the items.
constexpr int kViewHalfAngle = 30;
constexpr float kViewFar = 5000.0f;
constexpr float kJointViewRadius = 5.0f;
// Anchors that part by more than this in a run tear the joint.
constexpr float kJointBreakStretch = 1.0f;
constexpr int kJointBreakShards = 20;
// Narrower or lower areas cannot hold anything and show red.
constexpr float kAreaMinSize = 5.0f;
constexpr float kAreaEdgeWidth = 2.0f;


void SetWorld(const D3DXMATRIX& m) { g_device->SetTransform(D3DTS_WORLD, &m); }

bool Finite(float v) { return std::isfinite(v); }
bool Finite(const D3DXVECTOR3& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }
bool Finite(const D3DXMATRIX& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!Finite(m(r, c))) return false;
  return true;
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Every quad and grid line of the scene goes through these four vertices.
ColoredVertex g_quad[4];

void SetQuadVertex(int i, float x, float y, float z, D3DCOLOR colour, float u, float v) {
  g_quad[i].pos = D3DXVECTOR3(x, y, z);
  g_quad[i].color = colour;
  g_quad[i].u = u;
  g_quad[i].v = v;
}

void DrawQuad() { g_device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, g_quad, sizeof(ColoredVertex)); }

void DrawLine(float x0, float y0, float x1, float y1, D3DCOLOR colour) {
  SetQuadVertex(0, x0, y0, 0, colour, 0, 0);
  SetQuadVertex(1, x1, y1, 0, colour, 0, 0);
  g_device->DrawPrimitiveUP(D3DPT_LINELIST, 1, g_quad, sizeof(ColoredVertex));
}

// A flat quad in the stage plane through its corners in the order given.
void DrawPlaneQuad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3,
                   D3DCOLOR colour) {
  SetQuadVertex(0, x0, y0, 0, colour, 0, 0);
  SetQuadVertex(1, x1, y1, 0, colour, 0, 0);
  SetQuadVertex(2, x2, y2, 0, colour, 0, 0);
  SetQuadVertex(3, x3, y3, 0, colour, 0, 0);
  DrawQuad();
}

// ---------------------------------------------------------------------------
// Background, sky, grid and floors

void DrawSky() {
  if (g_appMode == kModePlay) return;
  D3DXMATRIX yaw;
  D3DXMatrixRotationY(&yaw, g_skyAngle * kDegToRad);
  SetWorld(Scaling(1000, 1000, 1000) * yaw * Translation(400, 0, 0));
  g_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawMesh(&g_meshSky);
  g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void DrawGrid() {
  if (g_appMode == kModeRun) return;
  g_device->SetTexture(0, nullptr);
  for (int i = 0; i <= 200; ++i) DrawLine(4.0f * i, 0, 4.0f * i, 400, kGridColour);
  for (int j = 1; j <= 100; ++j) DrawLine(0, 4.0f * j, 800, 4.0f * j, kGridColour);
}

void DrawFloors() {
  const bool play = g_appMode == kModePlay;
  const D3DCOLOR colour = play ? kPlayFloorColour : kWhite;
  g_device->SetTexture(0, play ? g_obTexture : g_groundTexture);
  SetQuadVertex(0, 0, 0, -500, colour, 0, 0);
  SetQuadVertex(1, 0, 0, 1000, colour, 1, 0);
  SetQuadVertex(2, 800, 0, 1000, colour, 1, 1);
  SetQuadVertex(3, 800, 0, -500, colour, 0, 1);
  DrawQuad();
  if (!play) {
    // The wide band around the field, a little lower, its texture repeated.
    g_device->SetTexture(0, g_obTexture);
    SetQuadVertex(0, -1500, -5.5f, -1000, kWhite, 0, 0);
    SetQuadVertex(1, -1500, -5.5f, 2000, kWhite, 2, 0);
    SetQuadVertex(2, 1500, -5.5f, 2000, kWhite, 2, 2);
    SetQuadVertex(3, 1500, -5.5f, -1000, kWhite, 0, 2);
    DrawQuad();
  }
}

// ---------------------------------------------------------------------------
// Items and joints

// The pose of a live item's geom; false when it has none or it is not finite.
bool ItemPose(const StageItem& item, D3DXMATRIX* t, D3DXMATRIX* r) {
  if (!item.geom) return false;
  D3DXVECTOR3 p;
  ConvertOdeVectorToVector3(dGeomGetPosition(item.geom), &p);
  ConvertOdeRotationToMatrix(dGeomGetRotation(item.geom), r);
  if (!Finite(p) || !Finite(*r)) return false;
  *t = Translation(p.x, p.y, p.z);
  return true;
}

float ItemAlpha(const StageItem& item) { return Clamp01((float)(item.alpha / 255.0)); }

bool HighlightStyle(int style) {
  return style == kStyleHighlightMovable || style == kStyleHighlightFixed;
}

// The highlight flag the item pass sets, for a frame that draws no items.
void MarkAnyHighlighted() {
  g_anyHighlighted = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& item = g_items[i];
    if (item.state == kItemFree || !HighlightStyle(ChooseItemDrawStyle(i))) continue;
    D3DXMATRIX t, r;
    if (ItemPose(item, &t, &r)) {  // an item with no place to be drawn at lights nothing
      g_anyHighlighted = 1;
      return;
    }
  }
}

void DrawItems() {
  g_anyHighlighted = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& item = g_items[i];
    if (item.state == kItemFree) continue;
    D3DXMATRIX t, r;
    if (!ItemPose(item, &t, &r)) continue;
    const int style = ChooseItemDrawStyle(i);
    if (HighlightStyle(style)) g_anyHighlighted = 1;
    const float alpha = ItemAlpha(item);
    DrawItem(item.kind, &t, &r, item.sizeA, item.sizeB, alpha, style, item.createdInMode, 1);
    if (item.state == kItemMovable && item.motorSpeed != 0) {
      DrawItem(item.kind, &t, &r, item.sizeA, item.sizeB, alpha,
               item.motorSpeed > 0 ? kStyleMotorLeft : kStyleMotorRight, item.createdInMode, 1);
    }
  }
}

// A user joint that the scene shows: its first anchor, on the stage plane,
// in view. False for other joints, for one whose body has left the numbers
// behind (it has no place to be drawn at), and for one out of view.
bool JointShown(const JointRecord& rec, D3DXVECTOR3* centre) {
  if (rec.type != kJointRotary && rec.type != kJointFixed) return false;
  if (!rec.joint) return false;
  dVector3 anchor1;
  dJointGetHingeAnchor(rec.joint, anchor1);
  const float x1 = (float)anchor1[0], y1 = (float)anchor1[1];
  if (!Finite(x1) || !Finite(y1)) return false;
  *centre = D3DXVECTOR3(x1, y1, 0);
  return TestSphereInViewFrustum(centre, kJointViewRadius, &g_cameraPos, 0, 0, kViewHalfAngle,
                                 kViewFar) != 0.0f;
}

// How much of the joint is left: 1 less how far its two anchors have parted
// during a run (1 outside runs). At or below 0, or not a number (the bodies
// flew apart), the joint breaks: it is destroyed with a burst of shards at
// its first anchor, and true is returned.
bool BreakIfTorn(int j, const D3DXVECTOR3& centre, float* left) {
  float stretch = 0.0f;
  if (g_appMode == kModeRun) {
    dVector3 anchor2;
    dJointGetHingeAnchor2(g_joints[j].joint, anchor2);
    D3DXVECTOR3 gap = centre - D3DXVECTOR3((float)anchor2[0], (float)anchor2[1], 0);
    stretch = D3DXVec3Length(&gap);
  }
  *left = 1.0f - stretch;
  if (*left < 1.0f - kJointBreakStretch || !Finite(*left)) {
    SpawnShardBurst(&centre, kJointBreakShards);
    DestroyJoint(-1, j);
    return true;
  }
  return false;
}

// What the joint pass does besides drawing, for a frame that draws nothing.
void BreakTornJoints() {
  for (int j = 0; j < kMaxJoints; ++j) {
    D3DXVECTOR3 centre;
    float left = 0.0f;
    if (JointShown(g_joints[j], &centre)) BreakIfTorn(j, centre, &left);
  }
}

// Draws every user joint in view; during a run a joint whose two anchors have
// parted by more than a unit breaks instead, scattering shards.
void DrawJoints() {
  for (int j = 0; j < kMaxJoints; ++j) {
    const JointRecord& rec = g_joints[j];
    D3DXVECTOR3 centre;
    if (!JointShown(rec, &centre)) continue;
    SetWorld(Translation(centre.x, centre.y, 0));
    float e = 0.0f;
    if (BreakIfTorn(j, centre, &e)) continue;
    const MeshRecord* mesh = rec.type == kJointRotary ? &g_meshJoint : &g_meshFixJoint;
    if (j == g_hoveredJoint) {
      if (rec.type == kJointRotary)
        DrawMeshEmissiveUntextured(mesh, 1, 1, 0);
      else
        DrawMeshEmissiveUntextured(mesh, 1, 0, 0);
    } else {
      DrawMeshEmissive(mesh, 1, e, e);
    }
  }
}

void DrawConnectPoint() {
  if (g_appMode == kModeRun || g_connectTarget == -1) return;
  if (!Finite(g_connectPoint)) return;
  g_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  SetWorld(Translation(g_connectPoint.x, g_connectPoint.y, 0));
  DrawMeshEmissiveUntextured(&g_meshJoint, 1, 1, 0);
  g_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

// ---------------------------------------------------------------------------
// Effects

void DrawSmokePuffs() {
  g_device->SetFVF(ColoredVertex::kFvf);
  g_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  g_device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  g_device->SetTexture(0, g_smokeTexture);
  for (int i = 0; i < kMaxSmokePuffs; ++i) {
    const SmokePuff& puff = g_smokePuffs[i];
    if (puff.active == 0) continue;
    if (!Finite(puff.pos) || !Finite(puff.size)) continue;
    // The atlas holds 8 x 8 cells of 32 x 32 texels, read row by row; a frame
    // beyond the last cell keeps showing a cell of the atlas.
    int cell = puff.frame / 2;
    if (cell < 0) cell = 0;
    if (cell > 63) cell = 63;
    const int c = cell % 8, r = cell / 8;
    const float u0 = (32.0f * c) / 256.0f, u1 = (32.0f * c + 32.0f) / 256.0f;
    const float v0 = (32.0f * r) / 256.0f, v1 = (32.0f * r + 32.0f) / 256.0f;
    SetQuadVertex(0, -10, 10, 0, kWhite, u0, v0);
    SetQuadVertex(1, 10, 10, 0, kWhite, u1, v0);
    SetQuadVertex(2, 10, -10, 0, kWhite, u1, v1);
    SetQuadVertex(3, -10, -10, 0, kWhite, u0, v1);
    SetWorld(Scaling(puff.size, puff.size, puff.size) *
             Translation(puff.pos.x, puff.pos.y, puff.pos.z));
    DrawQuad();
  }
}

bool TrailFinite(const Trail& trail) {
  for (const D3DXVECTOR3& p : trail.points)
    if (!Finite(p)) return false;
  return Finite(trail.width);
}

// White with the opacity of point n of a ribbon, fading from head to tail.
D3DCOLOR TrailColour(int n) { return ((DWORD)((9 - n) * 255 / 9) << 24) | 0x00FFFFFFu; }

void DrawTrails() {
  g_device->SetTexture(0, g_jetTexture);
  SetWorld(Identity());
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  g_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  const D3DXVECTOR3 eye = g_cameraPos;
  for (int i = 0; i < kMaxTrails; ++i) {
    const Trail& trail = g_trails[i];
    if (trail.state == 0 || !TrailFinite(trail)) continue;
    const D3DXVECTOR3* p = trail.points;
    const float w = trail.width * 0.002f;
    // The side vector is left unnormalised: the ribbon widens with the
    // segment's length and its distance from the eye.
    D3DXVECTOR3 s, a = p[1] - p[0], b = eye - p[0];
    D3DXVec3Cross(&s, &a, &b);
    s = -s * w;
    for (int k = 0; k < 9; ++k) {
      const D3DXVECTOR3 v1 = p[k] + s, v2 = p[k] - s;
      a = p[k] - p[k + 1];
      b = eye - p[k + 1];
      D3DXVec3Cross(&s, &a, &b);
      s = s * w;
      const D3DXVECTOR3 v3 = p[k + 1] - s, v4 = p[k + 1] + s;
      const float t0 = (float)k / 9.0f, t1 = (float)(k + 1) / 9.0f;
      SetQuadVertex(0, v1.x, v1.y, v1.z, TrailColour(k), 0, t0);
      SetQuadVertex(1, v2.x, v2.y, v2.z, TrailColour(k), 1, t0);
      SetQuadVertex(2, v3.x, v3.y, v3.z, TrailColour(k + 1), 1, t1);
      SetQuadVertex(3, v4.x, v4.y, v4.z, TrailColour(k + 1), 0, t1);
      DrawQuad();
    }
  }
  g_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  g_device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

bool ShardFinite(const Shard& shard) {
  return Finite(shard.pos) && Finite(shard.spinAxis) && Finite(shard.angle) &&
         Finite(shard.corners[0]) && Finite(shard.corners[1]) && Finite(shard.corners[2]) &&
         Finite(shard.normal);
}

void DrawShards() {
  g_device->SetFVF(NormalVertex::kFvf);
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  g_device->SetTexture(0, nullptr);
  D3DMATERIAL9 material;
  memset(&material, 0, sizeof material);
  const float grey = 220.0f / 255.0f;
  material.Diffuse = {grey, grey, grey, 1.0f};
  material.Emissive = {0.4f * grey, 0.4f * grey, 0.4f * grey, 0.0f};
  NormalVertex tri[3];
  for (int i = 0; i < kMaxShards; ++i) {
    const Shard& shard = g_shards[i];
    if (shard.life == 0 || !ShardFinite(shard)) continue;
    material.Diffuse.a = Clamp01((float)shard.life / 255.0f);
    g_device->SetMaterial(&material);
    for (int k = 0; k < 3; ++k) {
      tri[k].pos = shard.corners[k];
      tri[k].normal = shard.normal;
    }
    D3DXMATRIX spin;
    if (D3DXVec3LengthSq(&shard.spinAxis) > 0.0f)
      D3DXMatrixRotationAxis(&spin, &shard.spinAxis, shard.angle * kDegToRad);
    else
      spin = Identity();
    SetWorld(spin * Translation(shard.pos.x, shard.pos.y, shard.pos.z));
    g_device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(NormalVertex));
  }
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

// ---------------------------------------------------------------------------
// Ghosts, band and area

bool GhostsShown() {
  if (g_leftButtonDown && g_copySourceItem == -1) return false;
  if (g_rightButtonDown || g_mouseOverButton || !g_cursorOnStage) return false;
  if (g_itemCount >= kMaxItems) return false;
  return !(g_appMode == kModePlay && g_goalType == kGoalTruck);
}

void DrawGhost(const StageItem& item, const D3DXVECTOR3& at, const D3DXMATRIX& rotation) {
  D3DXMATRIX t = Translation(at.x, at.y, at.z);
  DrawItem(item.kind, &t, &rotation, item.sizeA, item.sizeB, 1.0f, kStyleGhost, 0, 1);
}

void DrawPlacementGhost() {
  if (g_paletteIndex < 0 || g_paletteIndex >= 4) return;
  const int kind = g_paletteTypes[g_paletteIndex];
  D3DXMATRIX r = Identity();
  float sizeA, sizeB;
  switch (kind) {
    case kKindBall: sizeA = 2; sizeB = 0; break;
    case kKindBox: sizeA = 4; sizeB = 4; break;
    case kKindCapsule:
      sizeA = 1;
      sizeB = 6;
      D3DXMatrixRotationX(&r, D3DX_PI / 2);
      break;
    default: return;  // the palette offers nothing else
  }
  D3DXMATRIX t = Translation(g_stageMouse.x, g_stageMouse.y, g_stageMouse.z);
  DrawItem(kind, &t, &r, sizeA, sizeB, 1.0f, kStyleGhost, 0, 1);
}

void DrawCopyGhosts() {
  const int source = g_copySourceItem;
  if (source < 0 || source >= kMaxItems) return;
  const StageItem& src = g_items[source];
  if (src.state == kItemFree) return;
  D3DXMATRIX t, r;
  if (!ItemPose(src, &t, &r)) return;
  const D3DXVECTOR3 at = g_stageMouse + g_grabOffset;
  if (!Finite(at)) return;
  DrawGhost(src, at, r);
  const D3DXVECTOR3 offset = at - D3DXVECTOR3(t._41, t._42, t._43);
  for (int i = 0; i < kMaxItems; ++i) {
    if (i == source) continue;
    const StageItem& item = g_items[i];
    if (item.state == kItemFree || item.createdInMode != g_appMode ||
        item.kind >= kFirstStagePartKind || !(item.flags & kFlagSelected))
      continue;
    D3DXMATRIX ti, ri;
    if (!ItemPose(item, &ti, &ri)) continue;
    const D3DXVECTOR3 q = D3DXVECTOR3(ti._41, ti._42, ti._43) + offset;
    if (q.x < 0.0f || q.x > 800.0f || q.y < 0.0f || q.y > 400.0f) continue;
    DrawGhost(item, q, ri);
  }
}

void DrawGhosts() {
  if (!GhostsShown()) return;
  g_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  if (g_copySourceItem == -1)
    DrawPlacementGhost();
  else
    DrawCopyGhosts();
  g_device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

void DrawBand() {
  if (g_appMode == kModeRun || !g_bandSelecting) return;
  if (!Finite(g_bandStart) || !Finite(g_bandEnd)) return;
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  g_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  SetWorld(Identity());
  g_device->SetFVF(LineVertex::kFvf);
  g_device->SetTexture(0, nullptr);
  const D3DXVECTOR3 a = g_bandStart, b = g_bandEnd;
  LineVertex band[5] = {{a, kBandColour},
                        {D3DXVECTOR3(b.x, a.y, 0), kBandColour},
                        {b, kBandColour},
                        {D3DXVECTOR3(a.x, b.y, 0), kBandColour},
                        {a, kBandColour}};
  g_device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, band, sizeof(LineVertex));
  g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void DrawArea() {
  if (g_areaEditState == kAreaNone) return;
  if (g_appMode == kModeRun && g_goalType != kGoalStartBall && g_goalType != kGoalTruck) return;
  if (!Finite(g_area.corner1) || !Finite(g_area.corner2)) return;
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  g_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  SetWorld(Identity());
  g_device->SetFVF(ColoredVertex::kFvf);
  g_device->SetTexture(0, nullptr);
  const D3DXVECTOR3& c1 = g_area.corner1;
  const D3DXVECTOR3& c2 = g_area.corner2;
  const float left = c1.x < c2.x ? c1.x : c2.x, right = c1.x < c2.x ? c2.x : c1.x;
  const float top = c1.y > c2.y ? c1.y : c2.y, bottom = c1.y > c2.y ? c2.y : c1.y;
  const bool bad = (g_appMode == kModePlay && g_itemOutsideArea == 1) ||
                   right - left < kAreaMinSize || top - bottom < kAreaMinSize;
  DrawPlaneQuad(left, top, right, top, right, bottom, left, bottom, bad ? kAreaBad : kAreaGood);
  auto edge = [](int bit) {
    return g_appMode == kModeEdit && (g_areaEdgeHover & bit) ? kEdgeHovered : kEdgePlain;
  };
  const float w = kAreaEdgeWidth;
  DrawPlaneQuad(left, top, right, top, right, top - w, left, top - w, edge(1));
  DrawPlaneQuad(left, bottom + w, right, bottom + w, right, bottom, left, bottom, edge(2));
  DrawPlaneQuad(left, top, left + w, top, left + w, bottom, left, bottom, edge(4));
  DrawPlaneQuad(right - w, top, right, top, right, bottom, right - w, bottom, edge(8));
  g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
  g_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

}  // namespace

int ChooseItemDrawStyle(int index) {
  if (index < 0 || index >= kMaxItems) return kStyleNeutral;
  const StageItem& item = g_items[index];
  const bool movable = item.state == kItemMovable;
  const bool selected = (item.flags & kFlagSelected) != 0;
  const bool inBand = (item.flags & kFlagInBand) != 0;
  if (index == g_hoveredItem || selected != inBand)
    return movable ? kStyleHighlightMovable : kStyleHighlightFixed;
  if (g_appMode == kModeEdit || g_appMode == kModePlay) {
    const bool target = index == g_connectTarget;
    if ((item.flags & (kFlagOutsideArea | kFlagOverlap)) && !target) return kStyleError;
    if (target) return kStyleConnectTarget;
  }
  return movable ? kStyleMovable : kStyleFixed;
}

void DrawWorld() {
  if (!g_device) return;
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
  DrawSky();
  TurnSky();

  g_device->SetTexture(0, nullptr);
  g_device->SetRenderState(D3DRS_LIGHTING, FALSE);
  g_device->SetFVF(ColoredVertex::kFvf);
  SetWorld(Identity());
  DrawGrid();
  DrawFloors();
  g_device->SetRenderState(D3DRS_LIGHTING, TRUE);
  SetWorld(Identity());
  g_device->SetTexture(0, nullptr);
  g_device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);

  DrawItems();
  DrawJoints();
  DrawConnectPoint();
  g_device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);

  DrawSmokePuffs();
  DrawTrails();
  DrawShards();
  DrawGhosts();
  DrawBand();
  DrawArea();
}

void TurnSky() {
  if (g_appMode == kModePlay) return;
  g_skyAngle += kSkySpin;
  if (g_skyAngle >= 360.0f) g_skyAngle -= 360.0f;
  // A corrupted angle would turn the dome into nothing for good.
  if (!Finite(g_skyAngle) || g_skyAngle < 0.0f || g_skyAngle >= 360.0f) g_skyAngle = 0.0f;
}

void PassWorldUnseen() {
  // In DrawWorld's order: the sky, the item pass, the joint pass.
  TurnSky();
  MarkAnyHighlighted();
  BreakTornJoints();
}
