// Short-lived visual effects: smoke puffs, trails, joint-break shards and
// clear sparkles. Each lives in a fixed table; a record whose marked field is
// 0 is free.
#pragma once
#include <cstdint>

#include "platform/d3dx_math.h"

constexpr int kMaxSmokePuffs = 140;
constexpr int kMaxTrails = 30;
constexpr int kMaxShards = 50;
constexpr int kMaxSparkles = 500;

// A billboard showing one cell of the 8 x 8 smoke atlas (world units).
struct SmokePuff {
  D3DXVECTOR3 pos;
  D3DXVECTOR3 vel;    // drift direction; drift per update is vel * speedFactor
  float speedFactor;
  float size;
  int32_t active;     // 0 free
  int32_t frame;      // half-steps of the animation; the cell shown is frame / 2
};
static_assert(sizeof(SmokePuff) == 40, "SmokePuff layout");

// A ribbon of ten points whose head flies and whose tail follows (world units).
struct Trail {
  D3DXVECTOR3 points[10];  // head first
  D3DXVECTOR3 vel;         // head direction
  float speed;
  float width;
  int32_t state;  // 0 free; 2 or more flying (counts down); 1 settled
};
static_assert(sizeof(Trail) == 144, "Trail layout");

// A flat triangle thrown off a breaking joint (world units).
struct Shard {
  D3DXVECTOR3 pos;
  D3DXVECTOR3 vel;
  D3DXVECTOR3 spinAxis;
  float angle;  // degrees about spinAxis
  float spin;   // degrees per update
  int32_t life;  // 0 free; also the opacity, life / 255
  D3DXVECTOR3 corners[3];  // relative to pos
  D3DXVECTOR3 normal;
};
static_assert(sizeof(Shard) == 96, "Shard layout");

// A star of the clear celebration, in the 640 x 480 overlay space.
struct Sparkle {
  D3DXVECTOR3 pos;  // pixels; z unused
  D3DXVECTOR3 vel;  // pixels per update
  float scale;
  int32_t active;   // 0 free
  float angle;      // degrees in the screen plane
  float spin;       // degrees per update
  int32_t alpha;    // 0..255
};
static_assert(sizeof(Sparkle) == 44, "Sparkle layout");

extern SmokePuff g_smokePuffs[kMaxSmokePuffs];
extern Trail g_trails[kMaxTrails];
extern Shard g_shards[kMaxShards];
extern Sparkle g_sparkles[kMaxSparkles];

// Spawners. Each fills free records from index 0 and never touches a live one;
// a full table is not reported.
// Up to `count` shards at `at`; at least one when a record is free.
void SpawnShardBurst(const D3DXVECTOR3* at, int count);
// Up to `count` sparkles at `at` (overlay pixels) sharing one scale and speed;
// at least one when a record is free.
void SpawnSparkles(D3DXVECTOR3 at, int count);
// One puff. With `vel` null the record keeps its old drift direction, so such
// callers pass a speedFactor of 0.
void SpawnSmokePuff(const D3DXVECTOR3* at, const D3DXVECTOR3* vel, float speedFactor, float size,
                    int startCell);
// One trail flying from `at` along `vel`, slightly turned at random.
void SpawnTrail(const D3DXVECTOR3* at, const D3DXVECTOR3* vel, float speed, float width);
