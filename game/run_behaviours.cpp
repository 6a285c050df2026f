#include "game/run_behaviours.h"

#include <cmath>
#include <cstdlib>

#include "game/goal_reached.h"
#include "platform/win_user.h"
#include "render/camera.h"
#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/pushes.h"
#include "world/rocket_doll.h"
#include "world/rotations.h"
#include "world/types.h"

float g_truckAngle = 0.0f;
float g_truckTiltRate = 0.0f;
float g_truckWheelSpeed = 0.0f;
int32_t g_fireworkTimer = 0;
int32_t g_truckCameraKeyLatch = 0;
int32_t g_truckResetKeyLatch = 0;

namespace {

bool IsHeld(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

// The first live item whose body is `body`, or -1.
int ItemOfBody(dBodyID body) {
  if (!body) return -1;
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree && g_items[i].body == body) return i;
  return -1;
}

D3DXVECTOR3 GeomPosition(dGeomID geom) {
  const dReal* v = dGeomGetPosition(geom);
  return D3DXVECTOR3((float)v[0], (float)v[1], (float)v[2]);
}

D3DXVECTOR3 BodyPosition(dBodyID body) {
  D3DXVECTOR3 p;
  ConvertOdeVectorToVector3(dBodyGetPosition(body), &p);
  return p;
}

// Degrees between an own x axis and the world x axis, negative when the
// axis points downwards.
float AxisAngle(const D3DXVECTOR3& v) {
  float d = v.x;  // v . (1, 0, 0)
  if (d > 1.0f) d = 1.0f;
  if (d < -1.0f) d = -1.0f;
  float a = ArcCosine(d) * kRadToDeg;
  if (v.y < 0.0f) a = -a;
  return a;
}

// Moves `value` towards 0 by `step` without crossing it.
float EaseToZero(float value, float step) {
  if (value > 0.0f) return value - step < 0.0f ? 0.0f : value - step;
  if (value < 0.0f) return value + step > 0.0f ? 0.0f : value + step;
  return value;
}

void StopBody(dBodyID body) {
  dBodySetLinearVel(body, 0, 0, 0);
  dBodySetAngularVel(body, 0, 0, 0);
  dBodySetForce(body, 0, 0, 0);
  dBodySetTorque(body, 0, 0, 0);
}

void ExplodeGrenade(int index) {
  const D3DXVECTOR3 p = GeomPosition(g_items[index].geom);
  // Through DestroyItem, so that its joints (records and engine hinges)
  // and its world joint go with it instead of hanging on a freed body.
  DestroyItem(index);
  ApplyRadialForce(&p, 2000.0f, 50.0f);
  const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
  SpawnSmokePuff(&p, &still, 0.0f, 3.0f, 0);
  const int debris = std::rand() % 5 + 1;
  for (int k = 0; k < debris; ++k) {
    const int pitchDraw = std::rand() % 180;
    const int yawDraw = std::rand() % 360;
    const float pitch = (float)-pitchDraw * kDegToRad;
    const float yaw = (float)yawDraw * kDegToRad;
    D3DXMATRIX turn;
    D3DXMatrixRotationYawPitchRoll(&turn, yaw, pitch, 0.0f);
    const D3DXVECTOR3 forward(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 direction;
    D3DXVec3TransformCoord(&direction, &forward, &turn);
    const int sizeDraw = std::rand() % 5;
    const float size = (float)(sizeDraw + 10) / 20.0f;
    const int speedDraw = std::rand() % 10;
    const float speed = (float)(speedDraw + 10) / 10.0f;
    SpawnSmokePuff(&p, &direction, speed, size, 0);
  }
}

// Keeps the start ball and the truck on the field. Returns 0 (inside), 1 (a
// side wall) or 2 (the floor).
int ClampToField(StageItem& it, const D3DXVECTOR3& p) {
  int mark = 0;
  D3DXVECTOR3 q = p;
  if (q.x < 0.0f) {
    q.x = 0.0f;
    mark = 1;
  } else if (q.x > 800.0f) {
    q.x = 800.0f;
    mark = 1;
  }
  if (q.y < 0.0f) {
    q.y = 0.0f;
    mark = 2;
  }
  if (mark) dGeomSetPosition(it.geom, q.x, q.y, q.z);
  return mark;
}

// Items fade in on the field and out off it, and go once invisible. The goal
// bell stands where the editor clamps it, which may be the field's far edge,
// so for it the edge still counts as the field.
void FadeByField(int index, const D3DXVECTOR3& p) {
  StageItem& it = g_items[index];
  bool inside = p.x >= 0.0f && p.x < 800.0f && p.y >= 0.0f && p.y < 400.0f;
  if (it.kind == kKindGoalBell) inside = p.x >= 0.0f && p.x <= 800.0f && p.y >= 0.0f && p.y <= 400.0f;
  if (inside) {
    it.alpha += 5;
    if (it.alpha > 255) it.alpha = 255;
    return;
  }
  it.alpha -= 2;
  if (it.alpha <= 0) DestroyItem(index);
}

bool IsInsideGoalArea(const D3DXVECTOR3& c) {
  const float L = g_area.corner1.x, T = g_area.corner1.y;
  const float R = g_area.corner2.x, B = g_area.corner2.y;
  return L < c.x && c.x < R && B < c.y && c.y < T;
}

}  // namespace

void MoveShards() {
  for (Shard& s : g_shards) {
    if (s.life == 0) continue;
    s.pos += s.vel;
    s.vel.y -= 0.03f;
    s.angle += s.spin;
    s.life -= 2;
    if (s.life < 0) s.life = 0;
    if (s.pos.y < 0.0f) s.life = 0;
  }
}

void UpdateTruckControl() {
  if (g_goalType != kGoalTruck) return;
  const int truck = g_stageCleared ? -1 : ItemOfBody(g_truckBody);
  if (truck >= 0) {
    StageItem& it = g_items[truck];
    D3DXMATRIX m;
    ConvertOdeRotationToMatrix(dGeomGetRotation(it.geom), &m);
    const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f);
    D3DXVECTOR3 v;
    D3DXVec3TransformNormal(&v, &xAxis, &m);
    g_truckAngle = AxisAngle(v);

    if (IsHeld(VK_RIGHT) && -70.0f < g_truckAngle && g_truckAngle < 100.0f) {
      g_truckTiltRate -= 1.0f;
      if (g_truckTiltRate < -5.0f) g_truckTiltRate = -5.0f;
    }
    if (IsHeld(VK_LEFT) && -100.0f < g_truckAngle && g_truckAngle < 70.0f) {
      g_truckTiltRate += 1.0f;
      if (g_truckTiltRate > 5.0f) g_truckTiltRate = 5.0f;
    }
    g_truckTiltRate = EaseToZero(g_truckTiltRate, 0.2f);
    D3DXMATRIX tilt;
    D3DXMatrixRotationZ(&tilt, g_truckTiltRate * kDegToRad);
    m = m * tilt;
    dMatrix3 R;
    ConvertMatrixToOdeRotation(&m, R);
    dGeomSetRotation(it.geom, R);

    if (IsHeld('X')) {
      g_truckWheelSpeed -= 9.0f;
      if (g_truckWheelSpeed < -400.0f) g_truckWheelSpeed = -400.0f;
    }
    if (IsHeld('Z')) {
      g_truckWheelSpeed += 9.0f;
      if (g_truckWheelSpeed > 400.0f) g_truckWheelSpeed = 400.0f;
    }

    if (IsHeld('C')) {
      if (!g_truckCameraKeyLatch) {
        g_truckCameraKeyLatch = 1;
        g_truckOverviewCamera = 1 - g_truckOverviewCamera;
      }
    } else {
      g_truckCameraKeyLatch = 0;
    }

    // Putting the truck upright is for a truck that has come to rest.
    if (g_sceneMoving == 0) {
      if (IsHeld('R')) {
        if (!g_truckResetKeyLatch) {
          g_truckResetKeyLatch = 1;
          dMatrix3 identity;
          dRSetIdentity(identity);
          dBodySetRotation(it.body, identity);
          StopBody(it.body);
          for (int i = 0; i < kMaxItems; ++i)
            if (g_items[i].state != kItemFree && g_items[i].kind == kKindTire)
              StopBody(g_items[i].body);
          g_truckTiltRate = 0.0f;
          g_truckWheelSpeed = 0.0f;
        }
      } else {
        g_truckResetKeyLatch = 0;
      }
    }
  }
  g_truckWheelSpeed = EaseToZero(g_truckWheelSpeed, 5.0f);
}

void UpdateRocketCountdown() {
  if (g_goalType != kGoalRocketDoll || g_dollLaunchCounter == -1) return;
  g_dollLaunchCounter -= 1;
  if (g_dollLaunchCounter > 0) return;
  g_dollLaunchCounter = -1;
  if (!g_rocketBody) return;  // nothing to fire from
  const D3DXVECTOR3 p = BodyPosition(g_rocketBody);
  D3DXMATRIX m;
  ConvertOdeRotationToMatrix(dBodyGetRotation(g_rocketBody), &m);
  const D3DXVECTOR3 xAxis(1.0f, 0.0f, 0.0f), yAxis(0.0f, 1.0f, 0.0f);
  D3DXVECTOR3 v, u;
  D3DXVec3TransformNormal(&v, &xAxis, &m);
  D3DXVec3TransformNormal(&u, &yAxis, &m);
  const float a = truncf(AxisAngle(v));

  D3DXVECTOR3 smoke = p + u * 10.0f;
  smoke.z = 0.0f;
  const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
  SpawnSmokePuff(&smoke, &still, 0.0f, 1.0f, 16);
  LaunchRocketDoll(p + u * 16.0f, a);
}

void AdvanceAnimTick() {
  g_animTick += 1;
  if (g_animTick >= 360) g_animTick = 0;
}

void UpdateClearCelebration() {
  if (!g_stageCleared) return;
  g_bellSwing += 4;
  if (g_bellSwing >= 360) g_bellSwing -= 360;
  g_clearBlinkAngle += 3;
  if (g_clearBlinkAngle >= 360) g_clearBlinkAngle -= 360;

  if (g_fireworkTimer == 0) {
    const int y = std::rand() % 240;
    const int x = std::rand() % 540 + 50;
    SpawnSparkles(D3DXVECTOR3((float)x, (float)y, 0.0f), 80);
    g_fireworkTimer = std::rand() % 40 + 30;
  }
  g_fireworkTimer -= 1;
  if (g_fireworkTimer < 0) g_fireworkTimer = 0;

  for (Sparkle& s : g_sparkles) {
    if (!s.active) continue;
    s.pos += s.vel;
    s.vel.y += 0.05f;
    s.angle += s.spin;
    if (s.pos.x < -20.0f || s.pos.x > 660.0f || s.pos.y > 500.0f) s.active = 0;
  }
}

void ApplyRunBehaviours() {
  const int end = g_liveItemEnd;
  for (int i = 0; i < end; ++i) {
    StageItem& it = g_items[i];
    if (it.state == kItemFree) continue;
    const D3DXVECTOR3 p = GeomPosition(it.geom);
    switch (it.kind) {
      case kKindGrenade:
        // The state is the fuse. A burnt-out fuse frees the slot through
        // DestroyItem, which needs to find the item still live.
        if (it.state - 1 <= 0) {
          ExplodeGrenade(i);
        } else {
          it.state -= 1;
        }
        break;
      case kKindStartBall: {
        const int mark = ClampToField(it, p);
        if (mark == 1) {
          const dReal* v = dBodyGetLinearVel(it.body);
          dBodySetLinearVel(it.body, -v[0], v[1], 0);
          const dReal* w = dBodyGetAngularVel(it.body);
          dBodySetAngularVel(it.body, -w[0], w[1], 0);
        }
        break;
      }
      case kKindTruck:
        if (ClampToField(it, p)) dBodySetLinearVel(it.body, 0, 0, 0);
        break;
      case kKindToyBox: {
        D3DXVECTOR3 q = p;
        if (q.x < 15.0f) q.x = 15.0f;
        if (q.x > 785.0f) q.x = 785.0f;
        if (q.y < 10.0f) q.y = 10.0f;
        if (q != p) dGeomSetPosition(it.geom, q.x, q.y, q.z);
        break;
      }
      case kKindTire:
      case kKindHiddenBox:
      case kKindRocket:
      case kKindDollHead:
      case kKindDollBody:
      case kKindDollHat:
      case kKindDollUpperArm:
      case kKindDollForearm:
      case kKindDollLeg:
      case kKindDollWaist:
        break;
      default:
        FadeByField(i, p);
        break;
    }
    if (it.state == kItemFree) continue;  // exploded or faded away
    if (it.state == kItemMovable && it.motorSpeed != 0)
      dBodySetAngularVel(it.body, 0, 0, (float)(it.motorSpeed * 40) * kDegToRad);
    if (it.kind == kKindTire) {
      dBodySetAngularVel(it.body, 0, 0, g_truckWheelSpeed * kDegToRad);
      dBodyEnable(it.body);
    }
  }
}

void MoveRunEffects() {
  for (SmokePuff& s : g_smokePuffs) {
    if (!s.active) continue;
    s.pos += s.vel * s.speedFactor;
    s.speedFactor *= 0.95f;
    s.frame += 1;
    if (s.frame > 126) s.active = 0;
  }
  for (Trail& t : g_trails) {
    if (t.state == 0) continue;
    if (t.state > 1) {
      t.state -= 1;
      if (t.state < 1) t.state = 1;
      t.points[0] += t.vel * t.speed;
      t.vel.y -= 0.03f;
      if (t.points[0].y <= 0.0f) {
        t.points[0].y = 0.0f;
        t.vel.y *= -0.5f;
        if (t.vel.y < 0.2f) t.state = 1;
      }
    } else if (t.points[0] == t.points[9]) {
      t.state = 0;
      continue;
    }
    for (int k = 9; k >= 1; --k) t.points[k] = t.points[k - 1];
  }
}

void CheckRunGoals() {
  if (g_stageCleared) return;
  switch (g_goalType) {
    case kGoalStartBall:
      if (g_startBallBody && IsInsideGoalArea(BodyPosition(g_startBallBody))) HandleGoalReached();
      break;
    case kGoalTruck:
      if (g_truckBody && IsInsideGoalArea(BodyPosition(g_truckBody))) HandleGoalReached();
      break;
    case kGoalRocketDoll:
      if (g_dollBody && g_toyBoxBody) {
        const D3DXVECTOR3 d = BodyPosition(g_dollBody);
        const D3DXVECTOR3 t = BodyPosition(g_toyBoxBody);
        if (t.x - 15.0f < d.x && d.x < t.x + 15.0f && t.y - 10.0f < d.y && d.y < t.y + 10.0f)
          HandleGoalReached();
      }
      break;
    default:
      break;
  }
}
