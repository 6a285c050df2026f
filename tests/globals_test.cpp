#include <gtest/gtest.h>

#include <cstring>

#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/types.h"

namespace {

bool IsZero(const void* p, size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i] != 0) return false;
  return true;
}

}  // namespace

TEST(Globals, GameStartsOnTitleWithEmptyTablesAndCameraAtStage) {
  EXPECT_EQ(g_cameraPos, D3DXVECTOR3(400.0f, 10.0f, -50.0f));
  EXPECT_EQ(g_appMode, kModeTitle);
  EXPECT_EQ(g_goalType, kGoalNone);
  for (const StageItem& it : g_items) {
    EXPECT_EQ(it.state, kItemFree);
    EXPECT_EQ(it.jointIndexes, nullptr);
  }
  ASSERT_EQ(sizeof(g_joints) / sizeof(g_joints[0]), 520u);
  for (const JointRecord& j : g_joints) EXPECT_EQ(j.type, kJointFree);
  EXPECT_EQ(g_goalBellBody, nullptr);
  EXPECT_EQ(g_startBallBody, nullptr);
  EXPECT_EQ(g_truckBody, nullptr);
  EXPECT_EQ(g_rocketBody, nullptr);
  EXPECT_EQ(g_toyBoxBody, nullptr);
  EXPECT_EQ(g_dollBody, nullptr);
}

TEST(Globals, MatricesVectorsAndEffectTablesStartAtZero) {
  EXPECT_TRUE(IsZero(&g_viewMatrix, sizeof g_viewMatrix));
  EXPECT_TRUE(IsZero(&g_projMatrix, sizeof g_projMatrix));
  EXPECT_TRUE(IsZero(&g_worldIdentity, sizeof g_worldIdentity));
  EXPECT_TRUE(IsZero(&g_savedCameraPos, sizeof g_savedCameraPos));
  EXPECT_TRUE(IsZero(&g_cameraTarget, sizeof g_cameraTarget));
  EXPECT_TRUE(IsZero(&g_stageMouse, sizeof g_stageMouse));
  EXPECT_TRUE(IsZero(&g_rotationPivot, sizeof g_rotationPivot));
  EXPECT_TRUE(IsZero(&g_area, sizeof g_area));
  EXPECT_TRUE(IsZero(&g_bandStart, sizeof g_bandStart));
  EXPECT_TRUE(IsZero(&g_bandEnd, sizeof g_bandEnd));
  EXPECT_TRUE(IsZero(&g_grabOffset, sizeof g_grabOffset));
  EXPECT_TRUE(IsZero(&g_connectPoint, sizeof g_connectPoint));
  EXPECT_TRUE(IsZero(&g_hoveredJointScreen, sizeof g_hoveredJointScreen));
  EXPECT_EQ(g_cursorOnStage, 0);

  EXPECT_EQ(sizeof(g_smokePuffs) / sizeof(g_smokePuffs[0]), 140u);
  EXPECT_EQ(sizeof(g_trails) / sizeof(g_trails[0]), 30u);
  EXPECT_EQ(sizeof(g_shards) / sizeof(g_shards[0]), 50u);
  EXPECT_EQ(sizeof(g_sparkles) / sizeof(g_sparkles[0]), 500u);
  EXPECT_TRUE(IsZero(g_smokePuffs, sizeof g_smokePuffs));
  EXPECT_TRUE(IsZero(g_trails, sizeof g_trails));
  EXPECT_TRUE(IsZero(g_shards, sizeof g_shards));
  EXPECT_TRUE(IsZero(g_sparkles, sizeof g_sparkles));
}

TEST(Globals, NonZeroInitialValues) {
  EXPECT_EQ(g_dollGroup, -1);
  EXPECT_EQ(g_zoomLevel, 2);
  EXPECT_EQ(g_hoveredItem, -1);
  EXPECT_EQ(g_copySourceItem, -1);
  EXPECT_EQ(g_hoveredJoint, -1);
  EXPECT_EQ(g_paletteTypes[0], kKindBall);
  EXPECT_EQ(g_paletteTypes[1], kKindBox);
  EXPECT_EQ(g_paletteTypes[2], kKindCapsule);
  EXPECT_EQ(g_paletteTypes[3], -1);
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(g_showItemCount, 1);
  EXPECT_EQ(g_playListSortColumn, 1);
  EXPECT_EQ(g_shownDirtyState, 0xFF);
  EXPECT_EQ(g_testPlayEnabledCache, -1);
  EXPECT_EQ(g_frustumKey.yaw, 9999.0f);
  EXPECT_EQ(g_frustumKey.pitch, 9999.0f);
  EXPECT_EQ(g_frustumKey.farDistance, -1.0f);
  EXPECT_EQ(g_frustumKey.halfAngle, -1);
}

TEST(Globals, TextsAreShiftJisBytes) {
  // ゴールベル, スタートボール, トラックレース, ロケットドール
  const unsigned char bell[] = {0x83, 0x53, 0x81, 0x5b, 0x83, 0x8b, 0x83, 0x78, 0x83, 0x8b, 0};
  const unsigned char ball[] = {0x83, 0x58, 0x83, 0x5e, 0x81, 0x5b, 0x83, 0x67,
                                0x83, 0x7b, 0x81, 0x5b, 0x83, 0x8b, 0};
  const unsigned char truck[] = {0x83, 0x67, 0x83, 0x89, 0x83, 0x62, 0x83, 0x4e,
                                 0x83, 0x8c, 0x81, 0x5b, 0x83, 0x58, 0};
  const unsigned char doll[] = {0x83, 0x8d, 0x83, 0x50, 0x83, 0x62, 0x83, 0x67,
                                0x83, 0x68, 0x81, 0x5b, 0x83, 0x8b, 0};
  EXPECT_EQ(std::memcmp(g_goalTypeNames[kGoalBell], bell, sizeof bell), 0);
  EXPECT_EQ(std::memcmp(g_goalTypeNames[kGoalStartBall], ball, sizeof ball), 0);
  EXPECT_EQ(std::memcmp(g_goalTypeNames[kGoalTruck], truck, sizeof truck), 0);
  EXPECT_EQ(std::memcmp(g_goalTypeNames[kGoalRocketDoll], doll, sizeof doll), 0);
  // テストプレイ開始(&T) and テストプレイ終了(&T)
  const unsigned char start[] = {0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x83, 0x76, 0x83, 0x8c, 0x83,
                                 0x43, 0x8a, 0x4a, 0x8e, 0x6e, '(',  '&',  'T',  ')',  0};
  const unsigned char end[] = {0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x83, 0x76, 0x83, 0x8c, 0x83,
                               0x43, 0x8f, 0x49, 0x97, 0xb9, '(',  '&',  'T',  ')',  0};
  EXPECT_EQ(std::memcmp(g_testPlayStartText, start, sizeof start), 0);
  EXPECT_EQ(std::memcmp(g_testPlayEndText, end, sizeof end), 0);
}

TEST(Globals, AngleAndHingeConstantsHaveTheirSinglePrecisionValues) {
  EXPECT_EQ(kDegToRad, 0.01745329238474369f);
  EXPECT_EQ(kRadToDeg, 57.2957763671875f);
  EXPECT_EQ(kHingeNoLimit, 3.1375665016953265e306);
  EXPECT_EQ(kMaxItems, 500);
  EXPECT_EQ(kMaxJoints, 500);
  EXPECT_EQ(kBoxDepth, 4.0f);
}
