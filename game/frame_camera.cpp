// The camera of a run and the view and projection of every drawn frame.
#include <algorithm>
#include <cmath>

#include "game/frame.h"
#include "game/goal_reached.h"
#include "game/run_behaviours.h"
#include "render/camera.h"
#include "render/render_state.h"
#include "world/globals.h"
#include "world/items.h"

namespace {

// Half the vertical and horizontal fields of view the framing fits a scene
// into (25 and 35 degrees), as single-precision radians.
constexpr float kFrameHalfHeightAngle = 0.4363323f;
constexpr float kFrameHalfWidthAngle = 0.6108652f;
// The truck counts as lying turned over beyond this tilt, in degrees.
constexpr float kTruckFlippedAngle = 130.0f;
// Drawn frames the truck must lie turned over before the scene counts as still.
constexpr int32_t kTruckFlipStillFrames = 180;
// The doll rests once it moved less than this per drawn frame ...
constexpr float kDollStillDistance = 0.03f;
// ... for more than this many drawn frames in a row.
constexpr int32_t kDollRestFrames = 120;
// The camera never comes nearer the stage than this, nor lower than kCameraMinY.
constexpr float kCameraNearestZ = -50.0f;
constexpr float kCameraMinY = 10.0f;

bool Finite(const D3DXVECTOR3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

D3DXVECTOR3 BodyPosition(dBodyID body) {
  const dReal* p = dBodyGetPosition(body);
  return D3DXVECTOR3((float)p[0], (float)p[1], (float)p[2]);
}

bool TruckFlipped() {
  return g_truckAngle > kTruckFlippedAngle || g_truckAngle < -kTruckFlippedAngle;
}

// Aims the camera at the middle of the bounds, far enough back for them to
// fit the view both ways.
void FrameBounds(const D3DXVECTOR3& topLeft, const D3DXVECTOR3& bottomRight) {
  g_cameraTarget.x = (topLeft.x + bottomRight.x) / 2.0f;
  g_cameraTarget.y = (topLeft.y + bottomRight.y) / 2.0f;
  const float halfHeight = (topLeft.y - bottomRight.y) / 2.0f;
  const float halfWidth = (bottomRight.x - topLeft.x) / 2.0f;
  const float byHeight = halfHeight / std::tan(kFrameHalfHeightAngle);
  const float byWidth = halfWidth / std::tan(kFrameHalfWidthAngle);
  g_cameraTarget.z = -std::max(byHeight, byWidth);
}

// The launched doll: still while it moves less than kDollStillDistance per
// drawn frame for long enough; then the scene counts as still whatever else
// is awake, so the run can be judged over.
void WatchDoll() {
  const D3DXVECTOR3 doll = BodyPosition(g_dollBody);
  const D3DXVECTOR3 last(g_lastDollPos[0], g_lastDollPos[1], g_lastDollPos[2]);
  const D3DXVECTOR3 moved = last - doll;
  if (D3DXVec3Length(&moved) < kDollStillDistance) {
    ++g_dollStillFrames;
  } else {
    g_dollStillFrames = 0;
    g_dollAtRest = 0;
  }
  g_lastDollPos[0] = doll.x;
  g_lastDollPos[1] = doll.y;
  g_lastDollPos[2] = doll.z;
  if (g_dollStillFrames > kDollRestFrames) g_dollAtRest = 1;
  if (g_dollAtRest == 1) g_sceneMoving = 0;
}

void AimAtScene() {
  D3DXVECTOR3 topLeft(0, 0, 0), bottomRight(0, 0, 0);
  if (g_stageCleared == 0) {
    g_sceneMoving = ComputeSceneBounds(&topLeft, &bottomRight, 0);
    if (g_goalType == kGoalRocketDoll) {
      if (g_dollLaunchCounter > 0) {
        // Before the launch the rocket belongs in the picture.
        if (g_rocketBody) {
          const D3DXVECTOR3 rocket = BodyPosition(g_rocketBody);
          if (rocket.x < topLeft.x) topLeft.x = rocket.x;
          if (rocket.y > topLeft.y) topLeft.y = rocket.y;
          if (rocket.x > bottomRight.x) bottomRight.x = rocket.x;
          if (rocket.y < bottomRight.y) bottomRight.y = rocket.y;
        }
      } else if (g_dollBody) {
        WatchDoll();
      }
    }
  } else {
    g_sceneMoving = ComputeSceneBounds(&topLeft, &bottomRight, 1);
  }
  FrameBounds(topLeft, bottomRight);
}

void AimForTruck() {
  D3DXVECTOR3 topLeft(0, 0, 0), bottomRight(0, 0, 0);
  g_sceneMoving = ComputeSceneBounds(&topLeft, &bottomRight, 2);
  if (g_stageCleared == 0 && g_truckOverviewCamera == 0 && g_truckBody) {
    // Follow the truck, looking a little ahead of where it drives.
    const D3DXVECTOR3 truck = BodyPosition(g_truckBody);
    g_cameraTarget.x = TruckFlipped() ? truck.x : truck.x - 0.08f * g_truckWheelSpeed;
    g_cameraTarget.y = truck.y;
    g_cameraTarget.z = -60.0f;
  } else {
    FrameBounds(topLeft, bottomRight);
  }
  // The truck's scene counts as still only once the truck has lain turned
  // over for a while (then R may set it upright).
  if (g_sceneMoving == 0) {
    if (TruckFlipped()) {
      ++g_truckFlipFrames;
      g_sceneMoving = g_truckFlipFrames > kTruckFlipStillFrames ? 0 : 1;
    } else {
      g_truckFlipFrames = 0;
      g_sceneMoving = 1;
    }
  }
}

}  // namespace

void UpdateRunCamera() {
  const D3DXVECTOR3 lastTarget = g_cameraTarget;
  if (g_goalType == kGoalTruck) {
    AimForTruck();
  } else {
    AimAtScene();
  }
  // A body that has left the numbers behind gives no place to look at; the
  // camera keeps heading where it was going instead of losing the view for
  // the rest of the run.
  if (!Finite(g_cameraTarget)) g_cameraTarget = Finite(lastTarget) ? lastTarget : g_cameraPos;
  if (g_cameraTarget.z > kCameraNearestZ) g_cameraTarget.z = kCameraNearestZ;

  // Ease toward the target: a far camera closes a smaller share of the gap.
  const D3DXVECTOR3 gap = g_cameraTarget - g_cameraPos;
  if (D3DXVec3Length(&gap) < 0.1f) {
    g_cameraPos = g_cameraTarget;
  } else {
    float k = -g_cameraPos.z / 5.0f;
    if (k > 20.0f) k = 20.0f;
    if (k < 5.0f) k = 5.0f;
    g_cameraPos += gap / k;
  }
  if (g_cameraPos.z > kCameraNearestZ) g_cameraPos.z = kCameraNearestZ;
  if (g_cameraPos.y < kCameraMinY) g_cameraPos.y = kCameraMinY;
}

void SetViewAndProjection() {
  const D3DXVECTOR3 at(g_cameraPos.x, g_cameraPos.y, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&g_viewMatrix, &g_cameraPos, &at, &up);
  D3DXMatrixPerspectiveFovLH(&g_projMatrix, 1.0471976f, 4.0f / 3.0f, 10.0f, 5000.0f);
  if (!g_device) return;
  g_device->SetTransform(D3DTS_VIEW, &g_viewMatrix);
  g_device->SetTransform(D3DTS_PROJECTION, &g_projMatrix);
}
