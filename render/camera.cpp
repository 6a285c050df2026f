#include "render/camera.h"

#include <ode/ode.h>

#include <cmath>

#include "world/globals.h"
#include "world/update_state.h"

D3DXVECTOR3 g_frustumPlanes[6];
int32_t g_sceneMoving = 0;

namespace {

enum { kViewDir = 0, kCornerDir = 1, kRightNormal = 2, kTopNormal = 3, kLeftNormal = 4,
       kBottomNormal = 5 };

// Grows the rectangle to hold one geom's box in the plane.
void WidenBy(dGeomID geom, bool first, D3DXVECTOR3* topLeft, D3DXVECTOR3* bottomRight) {
  dReal aabb[6];
  dGeomGetAABB(geom, aabb);
  float minX = (float)aabb[0], maxX = (float)aabb[1];
  float minY = (float)aabb[2], maxY = (float)aabb[3];
  if (first) {
    *topLeft = D3DXVECTOR3(minX, maxY, 0);
    *bottomRight = D3DXVECTOR3(maxX, minY, 0);
    return;
  }
  if (minX < topLeft->x) topLeft->x = minX;
  if (maxY > topLeft->y) topLeft->y = maxY;
  if (maxX > bottomRight->x) bottomRight->x = maxX;
  if (minY < bottomRight->y) bottomRight->y = minY;
}

}  // namespace

float TestSphereInViewFrustum(const D3DXVECTOR3* centre, float radius, const D3DXVECTOR3* eye,
                              float pitch, float yaw, int halfAngleDeg, float farDistance) {
  D3DXVECTOR3 d = *centre - *eye;
  FrustumKey& key = g_frustumKey;
  if (halfAngleDeg != key.halfAngle || farDistance != key.farDistance) {
    float h = tanf((float)halfAngleDeg * kDegToRad) * farDistance;
    float w = h * 4.0f / 3.0f;
    D3DXVECTOR3 corner(w, h, farDistance);
    D3DXVec3Normalize(&g_frustumPlanes[kCornerDir], &corner);
  }
  if (halfAngleDeg != key.halfAngle || farDistance != key.farDistance || yaw != key.yaw ||
      pitch != key.pitch) {
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, yaw, pitch, 0);
    const D3DXVECTOR3 c = g_frustumPlanes[kCornerDir];
    D3DXVECTOR3 forward(0, 0, 1);
    D3DXVec3TransformCoord(&g_frustumPlanes[kViewDir], &forward, &m);

    D3DXVECTOR3 r, mirrored(c.x, -c.y, c.z);
    D3DXVec3Cross(&r, &c, &mirrored);
    D3DXVECTOR3 left(-r.x, r.y, r.z);
    D3DXVec3TransformCoord(&g_frustumPlanes[kLeftNormal], &left, &m);
    D3DXVec3TransformCoord(&g_frustumPlanes[kRightNormal], &r, &m);

    D3DXVECTOR3 t, flipped(-c.x, c.y, c.z);
    D3DXVec3Cross(&t, &flipped, &c);
    D3DXVECTOR3 bottom(t.x, -t.y, t.z);
    D3DXVec3TransformCoord(&g_frustumPlanes[kBottomNormal], &bottom, &m);
    D3DXVec3TransformCoord(&g_frustumPlanes[kTopNormal], &t, &m);

    key.yaw = yaw;
    key.pitch = pitch;
    key.farDistance = farDistance;
    key.halfAngle = halfAngleDeg;
  }
  float depth = D3DXVec3Dot(&g_frustumPlanes[kViewDir], &d);
  if (depth < -radius || depth > farDistance + radius) return 0.0f;
  for (int i = kRightNormal; i <= kBottomNormal; ++i) {
    if (D3DXVec3Dot(&g_frustumPlanes[i], &d) > radius) return 0.0f;
  }
  return depth;
}

int ComputeSceneBounds(D3DXVECTOR3* topLeft, D3DXVECTOR3* bottomRight, int mode) {
  bool any = false, anyAwake = false;
  D3DXVECTOR3 awakeTopLeft(0, 0, 0), awakeBottomRight(0, 0, 0);
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& item = g_items[i];
    if (item.state == kItemFree || !item.geom) continue;
    WidenBy(item.geom, !any, topLeft, bottomRight);
    any = true;
    if (mode == 0 && item.state == kItemMovable && item.body && dBodyIsEnabled(item.body)) {
      WidenBy(item.geom, !anyAwake, &awakeTopLeft, &awakeBottomRight);
      anyAwake = true;
    }
  }
  if (mode == 0 && anyAwake && g_stageCleared == 0) {
    *topLeft = awakeTopLeft;
    *bottomRight = awakeBottomRight;
  }
  if (mode == 2 && g_areaEditState == kAreaDefined) {
    // With no item the area alone frames the stage.
    if (!any) {
      *topLeft = g_area.corner1;
      *bottomRight = g_area.corner2;
    }
    if (g_area.corner1.x < topLeft->x) topLeft->x = g_area.corner1.x;
    if (g_area.corner1.y > topLeft->y) topLeft->y = g_area.corner1.y;
    if (g_area.corner2.x > bottomRight->x) bottomRight->x = g_area.corner2.x;
    if (g_area.corner2.y < bottomRight->y) bottomRight->y = g_area.corner2.y;
    topLeft->z = bottomRight->z = 0;
  }
  return anyAwake ? 1 : 0;
}

void FitCameraToStage() {
  // A stage without items or area keeps the field's centre in view.
  D3DXVECTOR3 topLeft(400, 200, 0), bottomRight(400, 200, 0);
  g_sceneMoving = ComputeSceneBounds(&topLeft, &bottomRight, 2);
  g_cameraPos.x = (topLeft.x + bottomRight.x) / 2;
  g_cameraPos.y = (topLeft.y + bottomRight.y) / 2;
  float halfHeight = (topLeft.y - bottomRight.y) / 2;
  float halfWidth = (bottomRight.x - topLeft.x) / 2;
  float byHeight = halfHeight / tanf(30.0f * kDegToRad);
  float byWidth = halfWidth / tanf(40.0f * kDegToRad);
  float distance = byHeight > byWidth ? byHeight : byWidth;
  float z = -distance;
  if (z > -50.0f) z = -50.0f;
  g_zoomLevel = 0;
  for (int level = 2; level >= -6; --level) {
    if ((float)(50 * level - 150) <= z) {
      g_zoomLevel = level;
      break;
    }
  }
  g_cameraPos.z = (float)(50 * g_zoomLevel - 150);
}

void ComputeDirectionAngles(const D3DXVECTOR3* origin, const D3DXVECTOR3* a, const D3DXVECTOR3* b,
                            float* angleA, float* angleB) {
  const D3DXVECTOR3* points[2] = {a, b};
  float* angles[2] = {angleA, angleB};
  const D3DXVECTOR3 up(0, 1, 0);
  for (int i = 0; i < 2; ++i) {
    D3DXVECTOR3 v = *points[i] - *origin;
    v.z = 0;
    D3DXVec3Normalize(&v, &v);
    float c = D3DXVec3Dot(&v, &up);
    if (c < -1.0f) c = -1.0f;
    if (c > 1.0f) c = 1.0f;
    float angle = ArcCosine(c) * kRadToDeg;
    if (v.x > 0) angle = -angle;
    *angles[i] = angle;
  }
}
