#include "stage_test_support.h"

#include "game/goal_reached.h"
#include "platform/win_dialog.h"
#include "world/goals.h"
#include "world/joints.h"

namespace {

class GoalsTest : public StageTest {
 protected:
  // Fills the item table with player boxes until n items are live.
  static void FillItems(int n) {
    for (int x = 0; LiveItems() < n; ++x)
      ASSERT_GE(CreateItem(D3DXVECTOR3((float)(x % 190) * 4 + 10, (float)(x / 190) * 10 + 100, 0),
                           nullptr, 1, 1, kKindBox, 0),
                0);
  }
  static bool Checked(unsigned id) { return headless::MenuItemById(g_editorMenu, id).checked; }
  static int CountKind(int kind) {
    int n = 0;
    for (const StageItem& it : g_items) n += it.state != kItemFree && it.kind == kind;
    return n;
  }
};

TEST_F(GoalsTest, TruckGoalIsBuiltInFrontOfTheCamera) {
  g_cameraPos = D3DXVECTOR3(300, 50, -50);
  SetGoalType(kGoalTruck);
  EXPECT_EQ(g_goalType, kGoalTruck);
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(LiveJoints(), 3);
  EXPECT_EQ(g_items[0].kind, kKindTruck);
  EXPECT_EQ(g_truckBody, g_items[0].body);
  EXPECT_EQ(Pos(1), D3DXVECTOR3(305, 46, 0));
  EXPECT_EQ(Pos(2), D3DXVECTOR3(295, 46, 0));
  EXPECT_EQ(Pos(3), D3DXVECTOR3(300, 55, 0));
  EXPECT_EQ(g_items[3].sizeA, 4.0f);
  EXPECT_EQ(g_items[3].sizeB, 2.0f);
  EXPECT_EQ(g_joints[0].type, kJointBuiltInRotary);
  EXPECT_EQ(g_joints[1].type, kJointBuiltInRotary);
  EXPECT_EQ(g_joints[2].type, kJointBuiltInFixed);
  EXPECT_EQ(dJointGetHingeParam(g_joints[2].joint, dParamLoStop), 0.0);
  EXPECT_EQ(dJointGetHingeParam(g_joints[2].joint, dParamHiStop), 0.0);
  EXPECT_TRUE(Checked(32838));
  EXPECT_EQ(g_stageModified, 0);  // a first goal leaves the changed mark alone
  EXPECT_NE(Title().find(Cp932Text("トラックレース")), std::string::npos);
}

TEST_F(GoalsTest, RocketGoalAndItsToyBoxPlacement) {
  g_cameraPos = D3DXVECTOR3(790, 5, -50);
  SetGoalType(kGoalRocketDoll);
  EXPECT_EQ(LiveItems(), 5);
  EXPECT_EQ(LiveJoints(), 3);
  EXPECT_EQ(Pos(0), D3DXVECTOR3(790, 5, 0));
  EXPECT_EQ(Pos(1), D3DXVECTOR3(800, 12, 0));
  EXPECT_EQ(Pos(2), D3DXVECTOR3(785.5f, 12, 0));
  EXPECT_EQ(Pos(3), D3DXVECTOR3(814.5f, 12, 0));
  EXPECT_EQ(Pos(4), D3DXVECTOR3(800, 2.5f, 0));
  EXPECT_EQ(g_rocketBody, g_items[0].body);
  EXPECT_EQ(g_toyBoxBody, g_items[1].body);
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(g_joints[j].type, kJointBuiltInFixed);
    EXPECT_EQ(g_joints[j].anchor, D3DXVECTOR3(800, 12, 0));
  }
  EXPECT_TRUE(Checked(32840));
}

TEST_F(GoalsTest, ChangingGoalsMovesTheCheckAndRemovesTheOldObjects) {
  SetGoalType(kGoalTruck);
  // A tyre and a hidden box of the author's own go with the truck.
  CreateItem(D3DXVECTOR3(100, 30, 0), nullptr, 0, 0, kKindTire, 1);
  CreateItem(D3DXVECTOR3(120, 30, 0), nullptr, 0, 0, kKindHiddenBox, 1);
  int keep = CreateItem(D3DXVECTOR3(140, 30, 0), nullptr, 0, 0, kKindBox, 1);
  SetGoalType(kGoalBell);
  EXPECT_FALSE(Checked(32838));
  EXPECT_TRUE(Checked(32776));
  EXPECT_EQ(CountKind(kKindTire), 0);
  EXPECT_EQ(CountKind(kKindHiddenBox), 0);
  EXPECT_EQ(g_truckBody, nullptr);
  EXPECT_EQ(LiveItems(), 2);
  EXPECT_EQ(g_items[keep].state, kItemMovable);
  EXPECT_EQ(LiveJoints(), 0);
  EXPECT_EQ(g_stageModified, 1);

  SetGoalType(kGoalRocketDoll);
  SetGoalType(kGoalStartBall);
  EXPECT_EQ(CountKind(kKindRocket) + CountKind(kKindToyBox) + CountKind(kKindHiddenBox), 0);
  EXPECT_EQ(CountKind(kKindStartBall), 1);
  EXPECT_TRUE(Checked(32777));
  EXPECT_FALSE(Checked(32840));
}

TEST_F(GoalsTest, SameGoalDoesNothingAtAll) {
  SetGoalType(kGoalBell);
  std::strcpy(g_windowTitle, "stale");
  int sets = headless::TitleSetCount(g_hWnd);
  g_stageModified = 0;
  SetGoalType(kGoalBell);
  EXPECT_EQ(headless::TitleSetCount(g_hWnd), sets);
  EXPECT_STREQ(g_windowTitle, "stale");
  EXPECT_EQ(LiveItems(), 1);
}

TEST_F(GoalsTest, RoomForTheBellWithFourHundredNinetyNineItems) {
  FillItems(499);
  SetGoalType(kGoalBell);
  EXPECT_EQ(g_goalType, kGoalBell);
  EXPECT_EQ(LiveItems(), 500);
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(GoalsTest, FullTableRefusesWithTheItemMessage) {
  FillItems(500);
  SetGoalType(kGoalStartBall);
  EXPECT_EQ(g_goalType, kGoalNone);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(),
            "アイテムが多すぎてルールを変更できません。\nあと1個削除してください。");
  EXPECT_EQ(headless::MessageBoxes()[0].captionCp932, std::string(g_appTitle));
  EXPECT_EQ(headless::MessageBoxes()[0].type & MB_TYPEMASK, MB_OK);
}

TEST_F(GoalsTest, TruckNeedsFourItems) {
  FillItems(498);
  SetGoalType(kGoalTruck);
  EXPECT_EQ(LastMessageUtf8(),
            "アイテムが多すぎてルールを変更できません。\nあと2個削除してください。");
  EXPECT_EQ(LiveItems(), 498);
}

TEST_F(GoalsTest, TheOldGoalsObjectsStillCount) {
  SetGoalType(kGoalTruck);
  FillItems(481);
  SetGoalType(kGoalRocketDoll);
  EXPECT_EQ(g_goalType, kGoalTruck);
  EXPECT_EQ(LastMessageUtf8(),
            "アイテムが多すぎてルールを変更できません。\nあと1個削除してください。");
  EXPECT_EQ(CountKind(kKindTruck), 1);
}

TEST_F(GoalsTest, JointRoomIsTestedAfterItemRoom) {
  int a = CreateItem(D3DXVECTOR3(100, 50, 0), nullptr, 0, 0, kKindBox, 1);
  int b = CreateItem(D3DXVECTOR3(110, 50, 0), nullptr, 0, 0, kKindBox, 1);
  D3DXVECTOR3 at(105, 50, 0);
  while (LiveJoints() < 490) ASSERT_GE(CreateHingeJoint(a, b, &at, 0), 0);
  SetGoalType(kGoalRocketDoll);
  EXPECT_EQ(g_goalType, kGoalNone);
  EXPECT_EQ(LastMessageUtf8(),
            "ジョイントが多すぎてルールを変更できません。\nあと10個削除してください。");
  SetGoalType(kGoalTruck);  // needs 3 joints: room enough
  EXPECT_EQ(g_goalType, kGoalTruck);
}

TEST_F(GoalsTest, ChangeInEditingWithdrawsAVerifiedClear) {
  SetGoalType(kGoalBell);
  g_clearVerified = 1;
  SetEditorBarState(1, MFS_ENABLED);
  SetGoalType(kGoalStartBall);
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, 1).grayed);
  EXPECT_TRUE(headless::ShownMenuBar(g_hWnd).at(1).grayed);
}

TEST_F(GoalsTest, ChangeWhileLoadingLeavesTheChangedMarkAlone) {
  SetGoalType(kGoalBell);
  g_appMode = kModePlay;
  g_clearVerified = 1;
  SetGoalType(kGoalTruck);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(g_clearVerified, 1);
}

}  // namespace
