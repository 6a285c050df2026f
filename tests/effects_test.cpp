#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "world/effects.h"

namespace {

int LiveShards() {
  int n = 0;
  for (const Shard& s : g_shards) n += s.life != 0;
  return n;
}

int LiveSparkles() {
  int n = 0;
  for (const Sparkle& s : g_sparkles) n += s.active != 0;
  return n;
}

// Every case starts from empty tables, also when the cases share a process.
class Effects : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(g_smokePuffs, 0, sizeof(g_smokePuffs));
    std::memset(g_trails, 0, sizeof(g_trails));
    std::memset(g_shards, 0, sizeof(g_shards));
    std::memset(g_sparkles, 0, sizeof(g_sparkles));
  }
};

}  // namespace

TEST_F(Effects, ShardBurstFillsOnlyFreeRecordsUpToTheCount) {
  // 45 live shards, the free ones scattered through the table.
  for (int i = 0; i < 45; ++i) g_shards[i < 40 ? i : i + 2].life = 7;
  const D3DXVECTOR3 at(10, 20, 0);
  SpawnShardBurst(&at, 20);
  EXPECT_EQ(LiveShards(), 50);
  for (int i : {40, 41, 47, 48, 49}) {
    EXPECT_EQ(g_shards[i].life, 255) << i;
    EXPECT_EQ(g_shards[i].pos, at);
  }
  for (int i = 0; i < 40; ++i) EXPECT_EQ(g_shards[i].life, 7) << "live record overwritten";
}

TEST_F(Effects, ShardBurstCountOfZeroStillMakesOneAndAFullTableNothing) {
  const D3DXVECTOR3 at(1, 2, 3);
  SpawnShardBurst(&at, 0);
  EXPECT_EQ(LiveShards(), 1);
  SpawnShardBurst(&at, -5);
  EXPECT_EQ(LiveShards(), 2);
  SpawnShardBurst(&at, 3);
  EXPECT_EQ(LiveShards(), 5);
  SpawnShardBurst(&at, 1000);
  EXPECT_EQ(LiveShards(), 50);
  Shard before[kMaxShards];
  std::memcpy(before, g_shards, sizeof(before));
  SpawnShardBurst(&at, 4);
  EXPECT_EQ(std::memcmp(before, g_shards, sizeof(before)), 0);
}

TEST_F(Effects, ShardBurstShapesStayInTheirRanges) {
  const D3DXVECTOR3 at(0, 0, 0);
  for (unsigned seed = 1; seed <= 400; ++seed) {
    std::srand(seed);
    std::memset(g_shards, 0, sizeof(g_shards));
    SpawnShardBurst(&at, 50);
    for (const Shard& s : g_shards) {
      ASSERT_EQ(s.life, 255);
      EXPECT_NEAR(std::hypot(s.vel.x, s.vel.z), 0.3f, 1e-6f);
      EXPECT_GE(s.vel.y, 0.0f);
      EXPECT_LE(s.vel.y, 0.998f + 1e-6f);
      D3DXVECTOR3 sum = s.corners[0] + s.corners[1] + s.corners[2];
      EXPECT_NEAR(sum.x, 0, 1e-5f);
      EXPECT_EQ(sum.y, 0.0f);
      EXPECT_NEAR(sum.z, 0, 1e-5f);
      // The triangle lies flat; its normal is vertical and never NaN.
      ASSERT_TRUE(std::isfinite(s.normal.x) && std::isfinite(s.normal.y) &&
                  std::isfinite(s.normal.z));
      EXPECT_EQ(s.normal.x, 0.0f);
      EXPECT_EQ(s.normal.z, 0.0f);
      EXPECT_EQ(std::fabs(s.normal.y), 1.0f);
      EXPECT_NEAR(D3DXVec3Length(&s.spinAxis), 1.0f, 1e-5f);
      EXPECT_EQ(s.angle, 0.0f);
      EXPECT_GE(s.spin, 1.0f);
      EXPECT_LE(s.spin, 20.0f);
      EXPECT_EQ(s.spin, std::floor(s.spin));
    }
  }
}

TEST_F(Effects, ShardBurstDrawsInTheGivenOrder) {
  std::srand(1234);
  int draws[9];
  for (int& d : draws) d = std::rand();
  std::srand(1234);
  const D3DXVECTOR3 at(5, 6, 0);
  SpawnShardBurst(&at, 1);
  const Shard& s = g_shards[0];
  // heading, lift, three radii, roll, pitch, yaw, spin
  const float heading = (float)(draws[0] % 360) * (D3DX_PI / 180.0f);
  EXPECT_NEAR(s.vel.x, 0.3f * std::cos(heading), 1e-6f);
  EXPECT_EQ(s.vel.y, (float)((draws[1] % 500) / 500.0));
  const float r0 = (float)((draws[2] % 200) / 100.0 + 1.0);
  const float r1 = (float)((draws[3] % 200) / 100.0 + 1.0);
  const float r2 = (float)((draws[4] % 200) / 100.0 + 1.0);
  const float cx = (r0 + r1 * 0.5f - r2 * 0.5f) / 3.0f;
  EXPECT_NEAR(s.corners[0].x, r0 - cx, 1e-5f);
  EXPECT_EQ(s.spin, (float)(draws[8] % 20 + 1));
}

TEST_F(Effects, SparklesBurstSharesScaleAndSpeed) {
  std::srand(99);
  const int scaleDraw = std::rand();
  const int speedDraw = std::rand();
  std::srand(99);
  SpawnSparkles(D3DXVECTOR3(320, 240, 0), 400);
  EXPECT_EQ(LiveSparkles(), 400);
  const float scale = (float)((scaleDraw % 100 + 50) / 200.0);
  const float speed = (float)((speedDraw % 200 + 200) / 100.0);
  bool directionsDiffer = false, spinsDiffer = false;
  for (int i = 0; i < 400; ++i) {
    const Sparkle& s = g_sparkles[i];
    EXPECT_EQ(s.active, 1);
    EXPECT_EQ(s.pos, D3DXVECTOR3(320, 240, 0));
    EXPECT_EQ(s.alpha, 255);
    EXPECT_EQ(s.scale, scale);
    EXPECT_EQ(s.angle, 0.0f);
    EXPECT_NEAR(D3DXVec3Length(&s.vel), speed, 1e-4f);
    EXPECT_GE(s.spin, -5.0f);
    EXPECT_LE(s.spin, 4.9f + 1e-6f);
    EXPECT_NEAR(s.spin * 10.0f, std::round(s.spin * 10.0f), 1e-4f);
    directionsDiffer |= s.vel != g_sparkles[0].vel;
    spinsDiffer |= s.spin != g_sparkles[0].spin;
  }
  EXPECT_TRUE(directionsDiffer);
  EXPECT_TRUE(spinsDiffer);
  EXPECT_EQ(g_sparkles[400].active, 0);
  // The table has 100 free records left; a burst of 0 still makes one.
  SpawnSparkles(D3DXVECTOR3(0, 0, 0), 0);
  EXPECT_EQ(LiveSparkles(), 401);
  SpawnSparkles(D3DXVECTOR3(0, 0, 0), 500);
  EXPECT_EQ(LiveSparkles(), 500);
}

TEST_F(Effects, SmokePuffTakesTheFirstFreeRecordAndKeepsOldDriftWithoutVelocity) {
  g_smokePuffs[0].active = 1;
  g_smokePuffs[1].vel = D3DXVECTOR3(7, 8, 9);
  const D3DXVECTOR3 at(1, 2, 0);
  SpawnSmokePuff(&at, nullptr, 0.0f, 1.0f, 16);
  const SmokePuff& p = g_smokePuffs[1];
  EXPECT_EQ(p.active, 1);
  EXPECT_EQ(p.frame, 32);
  EXPECT_EQ(p.pos, at);
  EXPECT_EQ(p.vel, D3DXVECTOR3(7, 8, 9));
  EXPECT_EQ(p.speedFactor, 0.0f);
  EXPECT_EQ(p.size, 1.0f);
  const D3DXVECTOR3 up(0, 1, 0);
  SpawnSmokePuff(&at, &up, 0.5f, 3.0f, 0);
  EXPECT_EQ(g_smokePuffs[2].vel, up);
  EXPECT_EQ(g_smokePuffs[2].frame, 0);
  EXPECT_EQ(g_smokePuffs[3].active, 0);

  for (SmokePuff& q : g_smokePuffs) q.active = 1;
  SmokePuff before[kMaxSmokePuffs];
  std::memcpy(before, g_smokePuffs, sizeof(before));
  SpawnSmokePuff(&at, &up, 1.0f, 1.0f, 5);
  EXPECT_EQ(std::memcmp(before, g_smokePuffs, sizeof(before)), 0);
}

TEST_F(Effects, TrailStartsAllPointsAtTheSpotAndTurnsSlightly) {
  std::srand(5);
  const int lifeDraw = std::rand();
  std::srand(5);
  g_trails[0].state = 3;
  const D3DXVECTOR3 at(100, 50, 0), vel(1, 0, 0);
  SpawnTrail(&at, &vel, 2.0f, 1.5f);
  const Trail& t = g_trails[1];
  EXPECT_EQ(t.state, lifeDraw % 60 + 10);
  for (const D3DXVECTOR3& p : t.points) EXPECT_EQ(p, at);
  EXPECT_EQ(t.speed, 2.0f);
  EXPECT_EQ(t.width, 1.5f);
  EXPECT_NEAR(D3DXVec3Length(&t.vel), 1.0f, 1e-5f);
  // No more than three 5-degree turns away from the given direction.
  EXPECT_GT(t.vel.x, std::cos(15.0f * D3DX_PI / 180.0f));
  for (unsigned seed = 0; seed < 200; ++seed) {
    std::srand(seed);
    g_trails[2].state = 0;
    SpawnTrail(&at, &vel, 1, 1);
    EXPECT_GE(g_trails[2].state, 10);
    EXPECT_LE(g_trails[2].state, 69);
  }
}
