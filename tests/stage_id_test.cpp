#include "stage_test_support.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "world/goals.h"
#include "world/joints.h"
#include "world/stage_id.h"

namespace {

class StageIdTest : public StageTest {
 protected:
  static std::vector<uint8_t> Bytes(const uint32_t* id) {
    const uint8_t* b = (const uint8_t*)id;
    return std::vector<uint8_t>(b, b + 16);
  }
  // The ID that mixing these words into zero gives.
  static std::vector<uint8_t> Mixed(std::initializer_list<uint32_t> words) {
    uint8_t id[16] = {};
    for (uint32_t w : words) MixStageId(id, w);
    return std::vector<uint8_t>(id, id + 16);
  }
  static std::vector<uint8_t> Compute() {
    uint32_t id[4];
    ComputeStageId(id);
    return Bytes(id);
  }
  static void SetArea(float x1, float y1, float x2, float y2) {
    g_area.corner1 = D3DXVECTOR3(x1, y1, 0);
    g_area.corner2 = D3DXVECTOR3(x2, y2, 0);
  }
};

TEST(StageIdMix, MixesIntoTheFirstWordAndRotates) {
  uint8_t id[16] = {};
  MixStageId(id, 0x01020304);
  EXPECT_EQ(std::vector<uint8_t>(id, id + 16),
            (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 4}));
  MixStageId(id, 0x10);
  EXPECT_EQ(std::vector<uint8_t>(id, id + 16),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 4, 0, 0, 0x11}));
}

TEST(StageIdMix, TruncationAsTheProcessorDoesIt) {
  EXPECT_EQ(TruncateToInt32(2.9f), 2);
  EXPECT_EQ(TruncateToInt32(-2.9f), -2);
  EXPECT_EQ(TruncateToInt32(-0.5f), 0);
  EXPECT_EQ(TruncateToInt32(2147483520.0f), 2147483520);
  EXPECT_EQ(TruncateToInt32(-2147483648.0f), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(2147483648.0f), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(-3e9f), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(INFINITY), INT32_MIN);
  EXPECT_EQ(TruncateToInt32(NAN), INT32_MIN);
}

TEST(StageIdAngles, WholeDegreesAsCounted) {
  auto angle = [](double degrees) {
    double r = degrees * M_PI / 180.0;
    double R[12] = {std::cos(r), -std::sin(r), 0, 0, std::sin(r), std::cos(r), 0, 0, 0, 0, 1, 0};
    return StageIdAngle(R);
  };
  EXPECT_EQ(angle(1), 0);
  EXPECT_EQ(angle(10), 10);
  EXPECT_EQ(angle(22.5), 22);
  EXPECT_EQ(angle(100), 99);
  EXPECT_EQ(angle(45), 45);
  EXPECT_EQ(angle(90), 90);
  EXPECT_EQ(angle(135), 135);
  EXPECT_EQ(angle(180), 180);
  EXPECT_EQ(angle(-90), -90);
  EXPECT_EQ(angle(-10), -10);
  double bad[12] = {NAN, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
  EXPECT_EQ(StageIdAngle(bad), INT32_MIN);
}

TEST_F(StageIdTest, WorkedExampleEndToEnd) {
  g_cameraPos = D3DXVECTOR3(400, 10, -50);
  SetGoalType(kGoalBell);
  ASSERT_EQ(g_items[0].state, kItemFixed);
  ASSERT_EQ(g_items[0].sizeA, 2.0f);
  ASSERT_EQ(g_items[0].sizeB, 2.5f);
  SetArea(100, 300, 700, 50);
  uint32_t id[4];
  ComputeStageId(id);
  EXPECT_EQ(Bytes(id), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x42, 0x90, 0x0A, 0x14,
                                             0x00, 0x04, 0x32, 0x64, 0x2C, 0x00, 0x00, 0xBC}));
  EXPECT_EQ(id[0], 0x00000000u);
  EXPECT_EQ(id[1], 0x140A9042u);
  EXPECT_EQ(id[2], 0x64320400u);
  EXPECT_EQ(id[3], 0xBC00002Cu);
  EXPECT_EQ(Bytes(id), Mixed({0x0442900A, 0x00140000, 0xBC32642C, 0}));
}

TEST_F(StageIdTest, TurnedItemNegativeMotorAndWrappedPositions) {
  g_goalType = kGoalBell;  // no goal objects: the one item below is the stage
  SetArea(0, 0, 0, 0);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, -90.0f * kDegToRad);
  int box = CreateItem(D3DXVECTOR3(300.7f, 260, 0), &turn, 3, 5, kKindBox, 1);
  g_items[box].motorSpeed = -3;
  // w1: sizeB 5000 rem 64 = 8, sizeA 3000 rem 64 = 56, state 1, x 300 rem 256 = 44, y 4.
  uint32_t w1 = (8u << 24) | (56u << 18) | (1u << 16) | (44u << 8) | 4u;
  // w2: motor -3 sets bits 24..31; kind 1; no joints; A = -90 sets bits 8 and up.
  uint32_t w2 = 0xFD000000u | (1u << 16) | 0xFFFFFFA6u;
  EXPECT_EQ(Compute(), Mixed({w1, w2, 0, 0}));
}

TEST_F(StageIdTest, EmptyStageStillMixesAreaAndGoal) {
  SetArea(-3, 0, 256, 513);
  // corner2 (256, 513): 0 and 1; corner1 (-3, 0): -3 rem 256 shifted by 8.
  uint32_t area = (0u << 24) | (1u << 16) | 0xFFFFFD00u | 0u;
  EXPECT_EQ(Compute(), Mixed({area, 0xFFFFFFFFu}));
  g_goalType = kGoalRocketDoll;
  EXPECT_EQ(Compute(), Mixed({area, 3u}));
}

TEST_F(StageIdTest, ItemsAreMixedByXThenYDownAndJointsAfterThem) {
  g_goalType = kGoalBell;
  SetArea(0, 0, 0, 0);
  int high = CreateItem(D3DXVECTOR3(50, 30, 0), nullptr, 1, 1, kKindBox, 0);
  int right = CreateItem(D3DXVECTOR3(60, 10, 0), nullptr, 1, 1, kKindBox, 0);
  int low = CreateItem(D3DXVECTOR3(50, 10, 0), nullptr, 1, 1, kKindBox, 0);
  D3DXVECTOR3 at(55, 10, 0);
  int j = CreateHingeJoint(right, low, &at, 0);
  ASSERT_GE(j, 0);
  auto itemWord = [](int x, int y) {
    return (1000u % 64 << 24) | (1000u % 64 << 18) | (2u << 16) | ((uint32_t)x << 8) | (uint32_t)y;
  };
  const uint32_t kOneJoint = 1u << 9, kBox = 1u << 16;
  uint32_t jw1 = (1u << 25) | (55u << 8) | 10u;
  uint32_t jw2 = ((uint32_t)g_joints[j].itemB << 23) | ((uint32_t)g_joints[j].itemA << 15);
  (void)high;
  EXPECT_EQ(Compute(), Mixed({itemWord(50, 30), kBox, itemWord(50, 10), kBox | kOneJoint,
                              itemWord(60, 10), kBox | kOneJoint, jw1, jw2, 0, 0}));
}

TEST_F(StageIdTest, PlayersItemsAndJointsLeaveTheIdAlone) {
  SetGoalType(kGoalBell);
  SetArea(100, 300, 700, 50);
  int a = CreateItem(D3DXVECTOR3(200, 40, 0), nullptr, 0, 0, kKindBox, 0);
  int b = CreateItem(D3DXVECTOR3(220, 40, 0), nullptr, 0, 0, kKindBox, 1);
  std::vector<uint8_t> unjoined = Compute();
  D3DXVECTOR3 at(210, 40, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &at, 0), 0);  // made in stage editing: counts
  std::vector<uint8_t> stage = Compute();
  EXPECT_NE(stage, unjoined);

  // Placing: the player's ball jointed to a stage part, and a run's item.
  g_appMode = kModePlay;
  int ball = CreateItem(D3DXVECTOR3(240, 40, 0), nullptr, 0, 0, kKindBall, 1);
  D3DXVECTOR3 at2(230, 40, 0);
  ASSERT_GE(CreateHingeJoint(b, ball, &at2, 0), 0);
  EXPECT_EQ(g_items[b].jointCount, 2);
  g_appMode = kModeRun;
  CreateItem(D3DXVECTOR3(10, 40, 0), nullptr, 0, 0, kKindBall, 1);
  EXPECT_EQ(Compute(), stage);
}

TEST_F(StageIdTest, PauseFileCarriesThePlayFilesIdThroughSnapshots) {
  SetGoalType(kGoalTruck);
  SetArea(100, 300, 700, 50);
  int a = CreateItem(D3DXVECTOR3(200, 40, 0), nullptr, 0, 0, kKindBox, 0);
  int b = CreateItem(D3DXVECTOR3(220, 40, 0), nullptr, 0, 0, kKindRubberBall, 1);
  D3DXVECTOR3 at(210, 40, 0);
  ASSERT_GE(CreateHingeJoint(a, b, &at, 0), 0);
  // Exporting the play file: a stage-only capture, then the ID.
  CaptureSnapshot(0, g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                  &g_snapshotJointList);
  std::vector<uint8_t> play = Compute();

  // Playing it: the player joins a ball of their own to the stage's ball.
  RestoreSnapshot(g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                  &g_snapshotJointList);
  g_appMode = kModePlay;
  int mine = CreateItem(D3DXVECTOR3(240, 40, 0), nullptr, 0, 0, kKindBall, 1);
  D3DXVECTOR3 at2(230, 40, 0);
  ASSERT_GE(CreateHingeJoint(b, mine, &at2, 0), 0);
  // Saving and reopening the pause file keeps everything.
  CaptureSnapshot(1, g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                  &g_snapshotJointList);
  EXPECT_EQ(Compute(), play);
  RestoreSnapshot(g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                  &g_snapshotJointList);
  EXPECT_EQ(g_items[b].jointCount, 2);
  EXPECT_EQ(Compute(), play);
}

TEST_F(StageIdTest, RocketToyBoxJointsKeepTheSortsOrderOfEquals) {
  g_cameraPos = D3DXVECTOR3(400, 10, -50);
  SetGoalType(kGoalRocketDoll);
  std::vector<JointRecord> copy(g_joints, g_joints + kMaxJoints);
  SortStageIdRecords(copy.data(), copy.size(), sizeof(JointRecord), CompareJointsByAnchor);
  // The three joints share the toy box's anchor; the range they end in is
  // sorted by selection, which leaves them as joint 1, joint 2, joint 0.
  auto wall = [](const JointRecord& r) { return r.itemA == 1 ? r.itemB : r.itemA; };
  ASSERT_NE(copy[2].type, kJointFree);
  EXPECT_EQ(wall(copy[0]), wall(g_joints[1]));
  EXPECT_EQ(wall(copy[1]), wall(g_joints[2]));
  EXPECT_EQ(wall(copy[2]), wall(g_joints[0]));
  EXPECT_EQ(copy[3].type, kJointFree);
}

struct Keyed {
  int32_t state;  // 0 free
  float key;
  int tag;
};
int CompareKeyed(const void* a, const void* b) {
  const Keyed* x = (const Keyed*)a;
  const Keyed* y = (const Keyed*)b;
  if (!x->state) return 1;
  if (!y->state) return -1;
  return x->key < y->key ? -1 : x->key > y->key ? 1 : 0;
}

TEST(StageIdSort, ShortRangeOfEqualsByHand) {
  std::vector<Keyed> v = {{1, 5, 0}, {1, 5, 1}, {1, 5, 2}};
  SortStageIdRecords(v.data(), v.size(), sizeof(Keyed), CompareKeyed);
  EXPECT_EQ(v[0].tag, 1);
  EXPECT_EQ(v[1].tag, 2);
  EXPECT_EQ(v[2].tag, 0);
}

TEST(StageIdSort, SortsLargeTablesWithFreeRecordsLast) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<Keyed> v(500);
    for (int i = 0; i < 500; ++i)
      v[i] = {(int32_t)(rng() % 4 != 0), (float)(rng() % 40), i};
    SortStageIdRecords(v.data(), v.size(), sizeof(Keyed), CompareKeyed);
    size_t live = (size_t)std::count_if(v.begin(), v.end(), [](const Keyed& k) { return k.state; });
    for (size_t i = 0; i < v.size(); ++i) ASSERT_EQ(v[i].state != 0, i < live);
    for (size_t i = 1; i < live; ++i) ASSERT_LE(v[i - 1].key, v[i].key);
    std::vector<int> tags;
    for (const Keyed& k : v) tags.push_back(k.tag);
    std::sort(tags.begin(), tags.end());
    for (int i = 0; i < 500; ++i) ASSERT_EQ(tags[i], i);  // a permutation
  }
}

}  // namespace
