// Geometry services of the scene: the view-frustum test that culls items and
// joints, the bounding rectangle of the stage's items, fitting the camera to a
// freshly loaded stage, and the z-angles of two directions.
#pragma once
#include <cstdint>

#include "platform/d3dx_math.h"

// The cached frustum: view direction, top-right far corner direction, then the
// side normals right, top, left, bottom (pointing out, not normalised).
extern D3DXVECTOR3 g_frustumPlanes[6];
// 1 while the run camera should follow awake items (written by the framing).
extern int32_t g_sceneMoving;

// The depth of centre along the view direction when a sphere of radius may be
// visible from eye, else exactly 0.
float TestSphereInViewFrustum(const D3DXVECTOR3* centre, float radius, const D3DXVECTOR3* eye,
                              float pitch, float yaw, int halfAngleDeg, float farDistance);
// Writes the rectangle of the live items (x minimum / y maximum to topLeft, x
// maximum / y minimum to bottomRight). Mode 0 prefers the awake movable items
// while the stage is not cleared, mode 1 takes all items, mode 2 all items and
// the defined area. Returns 1 when mode 0 found an awake movable item.
int ComputeSceneBounds(D3DXVECTOR3* topLeft, D3DXVECTOR3* bottomRight, int mode);
// Centres the camera on the stage and picks the nearest zoom level that shows it.
void FitCameraToStage();
// Angles in degrees of the rotations about +z that turn +y onto the
// directions from origin to a and to b (positive toward -x).
void ComputeDirectionAngles(const D3DXVECTOR3* origin, const D3DXVECTOR3* a, const D3DXVECTOR3* b,
                            float* angleA, float* angleB);
