// The game's menus as registered resources, read through the headless face.
#include <gtest/gtest.h>

#include "app/menus.h"
#include "platform/headless.h"
#include "platform/win_menu.h"

namespace {

std::vector<std::string> TextsUtf8(HMENU menu) {
  std::vector<std::string> texts;
  for (const headless::MenuItemView& v : headless::MenuItems(menu))
    texts.push_back(v.separator ? "-" : v.textUtf8);
  return texts;
}

}  // namespace

TEST(GameMenus, EditorBarHasItsEntriesAndInitialStates) {
  RegisterGameMenus();
  HMENU bar = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  ASSERT_TRUE(IsMenu(bar));
  EXPECT_EQ(TextsUtf8(bar), (std::vector<std::string>{"ファイル(&F)", "プレイファイルを出力(&P)",
                                                      "テストプレイ開始(&T)", "ステージ設定(&S)",
                                                      "バージョン情報(&V)"}));
  EXPECT_EQ(GetMenuItemID(bar, kEditorMenuExportPos), kCmdExportPlayFile);
  EXPECT_EQ(GetMenuItemID(bar, kEditorMenuTestPlayPos), kCmdTestPlay);
  EXPECT_EQ(headless::MenuItemAt(bar, kEditorMenuTestPlayPos).textCp932, kTextTestPlayStart);
  EXPECT_FALSE(headless::MenuItemAt(bar, kEditorMenuExportPos).enabled);
  EXPECT_FALSE(headless::MenuItemAt(bar, kEditorMenuTestPlayPos).enabled);
  EXPECT_TRUE(headless::MenuItemAt(bar, kEditorMenuStageSettingsPos).enabled);
  EXPECT_TRUE(headless::MenuItemAt(bar, 4).enabled);

  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(TextsUtf8(file),
            (std::vector<std::string>{"新規ステージ作成(&N)\tCtrl+N", "ステージファイルを開く(&O)\tCtrl+O",
                                      "ステージファイルを上書き保存\tCtrl+S",
                                      "名前を付けてステージファイルを保存(&A)", "-",
                                      "プレイ途中の状態を開く", "プレイ途中の状態を保存", "-",
                                      "プレイリストを開く(&P)\tCtrl+P", "-", "終了(&X)"}));
  EXPECT_FALSE(headless::MenuItemById(bar, kCmdSavePause).enabled);
  EXPECT_TRUE(headless::MenuItemById(bar, kCmdSaveStage).enabled);

  HMENU goals = GetSubMenu(bar, kEditorMenuStageSettingsPos);
  const UINT ids[] = {kCmdGoalBell, kCmdGoalStartBall, kCmdGoalTruck, kCmdGoalRocketDoll};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(GetMenuItemID(goals, i), ids[i]);
    EXPECT_FALSE(headless::MenuItemById(bar, ids[i]).checked);
  }
  EXPECT_EQ(headless::MenuItemAt(goals, 0).textUtf8, "ゴールベルを鳴らす(&1)");
  EXPECT_EQ(headless::MenuItemAt(goals, 3).textUtf8, "飛び出した人形を箱に入れる(&4)");
  EXPECT_EQ(GetMenuItemID(goals, 5), kCmdEditorName);
}

TEST(GameMenus, PlayTitleAndPopupMenus) {
  RegisterGameMenus();
  HMENU play = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuPlay));
  ASSERT_EQ(GetMenuItemCount(play), 2);
  EXPECT_EQ(TextsUtf8(GetSubMenu(play, 0)),
            (std::vector<std::string>{"プレイリストを開く(&P)\tCtrl+P", "-",
                                      "プレイ途中の状態を開く(&O)\tCtrl+O",
                                      "プレイ途中の状態を保存(&S)\tCtrl+S", "-",
                                      "ステージエディット(&E)", "-", "終了(&X)"}));
  EXPECT_TRUE(headless::MenuItemById(play, kCmdSavePause).enabled);
  EXPECT_EQ(GetMenuItemID(play, 1), kCmdAbout);

  HMENU title = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuTitle));
  EXPECT_EQ(TextsUtf8(title), (std::vector<std::string>{"プレイリストを開く(&P)", "新規ステージ作成(&N)",
                                                        "ステージファイルを開く(&O)",
                                                        "プレイ途中の状態を開く"}));
  const UINT titleIds[] = {kCmdPlayList, kCmdStageEdit, kCmdOpenStage, kCmdOpenPause};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GetMenuItemID(title, i), titleIds[i]);

  HMENU popup = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuPlayListPopup));
  HMENU first = GetSubMenu(popup, 0);
  ASSERT_TRUE(IsMenu(first));
  EXPECT_EQ(GetMenuItemID(first, 0), kCmdDeletePlayFile);
  EXPECT_EQ(headless::MenuItemAt(first, 0).textUtf8, "削除(&D)");
}
