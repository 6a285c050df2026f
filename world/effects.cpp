#include "world/effects.h"

#include <cstdlib>

#include "world/types.h"

// All records start free (zero).
SmokePuff g_smokePuffs[kMaxSmokePuffs];
Trail g_trails[kMaxTrails];
Shard g_shards[kMaxShards];
Sparkle g_sparkles[kMaxSparkles];

// ---------------------------------------------------------------------------
// Spawners. Every rand() draw is taken into a local of its own, one statement
// at a time: the order of the draws is part of what a spawner makes, and the
// order in which C++ evaluates function arguments is unspecified.

namespace {

// `v` turned by a yaw-pitch-roll rotation whose three angles (degrees) were
// drawn by the caller.
D3DXVECTOR3 TurnYawPitchRoll(const D3DXVECTOR3& v, int yawDeg, int pitchDeg, int rollDeg) {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, (float)yawDeg * kDegToRad, (float)pitchDeg * kDegToRad,
                                 (float)rollDeg * kDegToRad);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

D3DXVECTOR3 TurnAboutY(const D3DXVECTOR3& v, float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, degrees * kDegToRad);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

void FillShard(Shard* s, const D3DXVECTOR3& at) {
  s->life = 255;
  s->pos = at;

  const int heading = rand() % 360;
  s->vel = TurnAboutY(D3DXVECTOR3(0.3f, 0, 0), (float)heading);
  const int lift = rand() % 500;
  s->vel.y = (float)(lift / 500.0);

  for (int j = 0; j < 3; ++j) {
    const int radius = rand() % 200;
    const float r = (float)(radius / 100.0 + 1.0);
    s->corners[j] = TurnAboutY(D3DXVECTOR3(r, 0, 0), (float)(60 * j));
  }
  D3DXVECTOR3 centroid = (s->corners[0] + s->corners[1] + s->corners[2]) / 3.0f;
  for (int j = 0; j < 3; ++j) s->corners[j] -= centroid;

  // The corners lie in the horizontal plane, so the normal is vertical. Three
  // corners on one line (radii such as 2, 1, 2 put them there) have no normal
  // of their own; they get the plane's, so lighting never sees a zero or
  // non-finite normal.
  D3DXVECTOR3 e1 = s->corners[1] - s->corners[0];
  D3DXVECTOR3 e2 = s->corners[2] - s->corners[0];
  D3DXVECTOR3 cross;
  D3DXVec3Cross(&cross, &e1, &e2);
  D3DXVec3Normalize(&s->normal, &cross);
  const float len = D3DXVec3Length(&s->normal);
  if (!(len > 0.5f && len < 1.5f)) s->normal = D3DXVECTOR3(0, 1, 0);

  const int roll = rand() % 360;
  const int pitch = rand() % 360;
  const int yaw = rand() % 360;
  s->spinAxis = TurnYawPitchRoll(D3DXVECTOR3(0, 1, 0), yaw, pitch, roll);

  s->angle = 0;
  const int spin = rand() % 20;
  s->spin = (float)(spin + 1);
}

}  // namespace

void SpawnShardBurst(const D3DXVECTOR3* at, int count) {
  int made = 0;
  for (int i = 0; i < kMaxShards; ++i) {
    if (g_shards[i].life != 0) continue;
    FillShard(&g_shards[i], *at);
    ++made;
    if (made >= count) break;  // compared after filling: a count <= 0 still makes one
  }
}

void SpawnSparkles(D3DXVECTOR3 at, int count) {
  const int scaleDraw = rand() % 100;
  const float scale = (float)((scaleDraw + 50) / 200.0);
  const int speedDraw = rand() % 200;
  const float speed = (float)((speedDraw + 200) / 100.0);
  int made = 0;
  for (int i = 0; i < kMaxSparkles; ++i) {
    Sparkle* s = &g_sparkles[i];
    if (s->active != 0) continue;
    s->active = 1;
    s->pos = at;
    s->alpha = 255;
    const int roll = rand() % 360;
    const int pitch = rand() % 360;
    const int yaw = rand() % 360;
    s->vel = TurnYawPitchRoll(D3DXVECTOR3(0, -speed, 0), yaw, pitch, roll);
    s->scale = scale;
    s->angle = 0;
    const int spin = rand() % 100;
    s->spin = (float)((spin - 50) / 10.0);
    ++made;
    if (made >= count) break;
  }
}

void SpawnSmokePuff(const D3DXVECTOR3* at, const D3DXVECTOR3* vel, float speedFactor, float size,
                    int startCell) {
  for (int i = 0; i < kMaxSmokePuffs; ++i) {
    SmokePuff* p = &g_smokePuffs[i];
    if (p->active != 0) continue;
    p->active = 1;
    p->frame = 2 * startCell;
    p->pos = *at;
    p->speedFactor = speedFactor;
    p->size = size;
    if (vel) p->vel = *vel;
    return;
  }
}

void SpawnTrail(const D3DXVECTOR3* at, const D3DXVECTOR3* vel, float speed, float width) {
  for (int i = 0; i < kMaxTrails; ++i) {
    Trail* t = &g_trails[i];
    if (t->state != 0) continue;
    const int life = rand() % 60;
    t->state = life + 10;
    for (int k = 0; k < 10; ++k) t->points[k] = *at;
    t->speed = speed;
    t->width = width;
    const int roll = rand() % 11 - 5;
    const int pitch = rand() % 11 - 5;
    const int yaw = rand() % 11 - 5;
    t->vel = TurnYawPitchRoll(*vel, yaw, pitch, roll);
    return;
  }
}
