#include "stage_test_support.h"

#include "platform/win_input.h"
#include "world/goals.h"

namespace {

class WindowTitleTest : public StageTest {};

TEST_F(WindowTitleTest, NamedUnchangedStageShowsGoalAndEditorInCp932) {
  std::strcpy(g_stageName, "a");
  g_goalType = kGoalBell;
  UpdateWindowTitle();
  std::string expected = Utf8ToCp932(
      "ギズモワークス Ver.1.10 -［ a：ゴールベル ］ Edit by 新人エディター");
  EXPECT_EQ(Title(), expected);
  // The full-width brackets and colon are the CP932 double-byte forms.
  EXPECT_NE(Title().find("\x81\x6d a\x81\x46"), std::string::npos);
  EXPECT_NE(Title().find(" \x81\x6e Edit by "), std::string::npos);
  EXPECT_STREQ(g_windowTitle, expected.c_str());
}

TEST_F(WindowTitleTest, NewStageChangedMarkAndPlayFile) {
  g_goalType = kGoalTruck;
  UpdateWindowTitle();
  EXPECT_EQ(Title(), Utf8ToCp932("ギズモワークス Ver.1.10 -［ 新規ステージ：トラックレース ］ "
                                 "Edit by 新人エディター"));
  g_stageModified = 1;
  UpdateWindowTitle();
  EXPECT_EQ(Title(), Utf8ToCp932("ギズモワークス Ver.1.10 -［ 新規ステージ：トラックレース * ］ "
                                 "Edit by 新人エディター"));
  g_isPlayFile = 1;
  std::strcpy(g_stageName, "stage1");
  UpdateWindowTitle();
  EXPECT_EQ(Title(),
            Utf8ToCp932("ギズモワークス Ver.1.10 -［ stage1：トラックレース * ］ プレイ中"));
}

TEST_F(WindowTitleTest, SameTextIsSetOnce) {
  g_goalType = kGoalBell;
  UpdateWindowTitle();
  int before = headless::TitleSetCount(g_hWnd);
  UpdateWindowTitle();
  EXPECT_EQ(headless::TitleSetCount(g_hWnd), before);
}

TEST_F(WindowTitleTest, TitleScreenShowsProgramNameOnly) {
  g_appMode = kModeTitle;
  g_stageModified = 1;
  UpdateWindowTitle();
  EXPECT_EQ(Title(), Utf8ToCp932("ギズモワークス Ver.1.10"));
  // No menu item is touched on the title screen.
  EXPECT_EQ(g_shownDirtyState, 0xFF);
}

TEST_F(WindowTitleTest, MenuItemsFollowTheChangedMark) {
  g_goalType = kGoalBell;
  EnableMenuItem(g_editorMenu, kCmdExportPlayFile, MF_BYCOMMAND | MF_ENABLED);
  UpdateWindowTitle();
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdSaveStage).grayed);
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdExportPlayFile).enabled);

  // Placing mode: changed, but the export item stays as it is.
  g_appMode = kModePlay;
  g_stageModified = 1;
  UpdateWindowTitle();
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdSaveStage).enabled);
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdExportPlayFile).enabled);
  EXPECT_NE(Title().find("* "), std::string::npos);

  // Editing a changed stage greys the export item every time.
  g_appMode = kModeEdit;
  UpdateWindowTitle();
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdExportPlayFile).grayed);
}

TEST_F(WindowTitleTest, LongStageNameIsCutAtACharacterBoundary) {
  g_goalType = kGoalBell;
  std::string name;
  while (name.size() < 250) name += Cp932Text("長");
  std::strcpy(g_stageName, name.c_str());
  UpdateWindowTitle();
  std::string t = Title();
  ASSERT_LE(t.size(), 259u);
  size_t pos = 0;
  while (pos < t.size()) pos += Cp932CharLength((unsigned char)t[pos]);
  EXPECT_EQ(pos, t.size());
}

TEST_F(WindowTitleTest, SetModeForFileKind) {
  g_goalType = kGoalBell;
  SetModeForFileKind(kFilePlay);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_isPlayFile, 1);
  EXPECT_NE(Title().find(Cp932Text("プレイ中")), std::string::npos);
  g_appMode = kModeRun;
  SetModeForFileKind(kFilePause);
  EXPECT_EQ(g_appMode, kModeRun);
  EXPECT_EQ(g_isPlayFile, 1);
  SetModeForFileKind(kFileStage);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_isPlayFile, 0);
}

TEST_F(WindowTitleTest, ReturnFromPlacingRemovesPlayerItemsOnly) {
  SetGoalType(kGoalBell);
  int stageBox = CreateItem(D3DXVECTOR3(100, 50, 0), nullptr, 0, 0, kKindBox, 0);
  g_appMode = kModePlay;
  int playerBall = CreateItem(D3DXVECTOR3(200, 50, 0), nullptr, 0, 0, kKindBall, 1);
  ASSERT_GE(playerBall, 0);
  ReturnToStageEditing(kFilePause);  // only kind 0 acts
  EXPECT_EQ(g_appMode, kModePlay);
  ReturnToStageEditing(kFileStage);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_items[playerBall].state, kItemFree);
  EXPECT_EQ(g_items[stageBox].state, kItemFixed);
  EXPECT_EQ(LiveItems(), 2);
}

TEST_F(WindowTitleTest, ReturnFromRunRestoresThePlacedStageAndShowsTheCursor) {
  SetGoalType(kGoalBell);
  int box = CreateItem(D3DXVECTOR3(100, 50, 0), nullptr, 0, 0, kKindBox, 1);
  g_appMode = kModePlay;
  CaptureSnapshot(1, g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
  g_appMode = kModeRun;
  CreateItem(D3DXVECTOR3(300, 50, 0), nullptr, 0, 0, kKindBall, 1);  // made during the run
  dBodySetPosition(g_items[box].body, 120, 30, 0);
  g_cursorVisible = 0;
  ShowCursor(FALSE);
  g_cursorIdleFrames = 77;
  ReturnToStageEditing(kFileStage);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(LiveItems(), 2);
  EXPECT_EQ(Pos(box).x, 100.0f);
  EXPECT_EQ(Pos(box).y, 50.0f);
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(g_cursorIdleFrames, 0);
}

}  // namespace
