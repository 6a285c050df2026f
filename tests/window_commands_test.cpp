// The window procedure's commands that are not about files: new stage, goals,
// test play, undo and redo, selection, the wheel, activation, painting and
// closing with the save prompt.
#include "command_test_support.h"

namespace {

class WindowCommands : public CommandTest {};

// The title screen with its falling boxes, as the program starts.
void TitleScreen() {
  g_appMode = kModeTitle;
  for (int i = 0; i < 5; ++i)
    CreateItem(D3DXVECTOR3(300.0f + 20 * i, 80, 0), nullptr, 5, 5, kKindBox, 1);
  UpdateWindowTitle();
}

}  // namespace

TEST_F(WindowCommands, CtrlNOnTheTitleGivesTheEditorMenuAndANewStageWithTheBell) {
  TitleScreen();
  ASSERT_EQ(Shown(), g_titleMenu);
  headless::PressCtrlKey(g_hWnd, 'N');
  EXPECT_TRUE(Pump());

  EXPECT_EQ(Shown(), g_editorMenu);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_isPlayFile, 0);
  EXPECT_EQ(g_goalType, kGoalBell);
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_NE(FindKind(kKindGoalBell), -1);
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdGoalBell).checked);
  EXPECT_EQ(Bar(kEditorMenuTestPlayPos).textCp932, kTextTestPlayStart);
  EXPECT_TRUE(Bar(kEditorMenuTestPlayPos).grayed);
  EXPECT_TRUE(Bar(kEditorMenuStageSettingsPos).enabled);
  EXPECT_EQ(Title(), "ギズモワークス Ver.1.10 -［ 新規ステージ：ゴールベル ］ Edit by tester");
  EXPECT_TRUE(dialogs_.empty());  // the editor has a name
}

TEST_F(WindowCommands, ANewStageKeepsTheGoalAndAsksTheDefaultEditorForAName) {
  EditStage(kGoalTruck);
  std::strcpy(g_editorName, Cp932Text("新人エディター"));
  WatchDialogs(1);
  Command(kCmdNewStage);
  EXPECT_EQ(g_goalType, kGoalTruck);
  EXPECT_EQ(LiveItems(), 4);  // the truck, its tyres and its cab, nothing else
  EXPECT_EQ(g_areaEditState, kAreaNone);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(dialogs_, std::vector<std::string>{"エディター情報"});
  // Undo right after the new stage changes nothing.
  Command(kCmdUndo);
  EXPECT_EQ(LiveItems(), 4);
}

// The name is asked for over the new stage while the window is inactive, so
// no update recounts the items meanwhile: the counter must already read the
// new stage's bell, not the title's boxes.
TEST_F(WindowCommands, WhileTheFirstNameIsAskedTheCounterReadsTheNewStagesItems) {
  TitleScreen();
  g_itemCount = LiveItems();  // as the title's last update counted its boxes
  ASSERT_EQ(g_itemCount, 5);
  std::strcpy(g_editorName, Cp932Text("新人エディター"));
  int counted = -1;
  headless::QueueDialogAction([&](HWND dialog) {
    counted = g_itemCount;
    EndDialog(dialog, 0);
  });
  headless::PressCtrlKey(g_hWnd, 'N');
  Pump();
  EXPECT_EQ(counted, 1);
  EXPECT_EQ(g_itemCount, 1);
}

TEST_F(WindowCommands, CtrlNWhileAPlayFileIsLoadedDoesNothing) {
  EditStage();
  SetMenu(g_hWnd, g_playMenu);
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  PlaceBall();
  headless::PressCtrlKey(g_hWnd, 'N');
  Pump();
  EXPECT_EQ(LiveItems(), 4);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(Shown(), g_playMenu);
}

TEST_F(WindowCommands, TheNewStageSavePromptCancelNoAndYes) {
  EditStage();
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", GamePath("kept").c_str());
  g_stageFileChosen = 1;  // the stage file it was opened from
  std::strcpy(g_stageName, "kept");
  Edit();

  headless::QueueMessageBoxAnswer(IDCANCEL);
  Command(kCmdNewStage);
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_STREQ(g_stageName, "kept");
  EXPECT_EQ(headless::MessageBoxes().back().textUtf8, "変更されたステージ内容を保存しますか？");

  headless::QueueMessageBoxAnswer(IDNO);
  Command(kCmdNewStage);
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_FALSE(Exists(HostPath("kept.stg")));
  EXPECT_STREQ(g_stageName, "");

  // Yes writes the changed stage to its file before it is cleared.
  EditStage();
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", GamePath("kept").c_str());
  g_stageFileChosen = 1;  // the stage file it was opened from
  std::strcpy(g_stageName, "kept");
  Edit();
  headless::QueueMessageBoxAnswer(IDYES);
  Command(kCmdNewStage);
  EXPECT_TRUE(Exists(HostPath("kept.stg")));
  EXPECT_EQ(LiveItems(), 1);
}

TEST_F(WindowCommands, YesOnANeverSavedStageWithTheDialogCancelledKeepsTheStage) {
  EditStage();
  Edit();
  headless::QueueMessageBoxAnswer(IDYES);
  headless::QueueFileDialogCancel();
  Command(kCmdNewStage);
  EXPECT_EQ(DialogCount(), 1u);
  EXPECT_TRUE(LastDialog().request.save);
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_stageModified, 1);
}

TEST_F(WindowCommands, StageEditFromThePlayMenuLeavesThePlayFileForANewStage) {
  EditStage(kGoalStartBall);
  SetMenu(g_hWnd, g_playMenu);
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  g_goalPanelState = 2;
  PlaceBall();
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdStageEdit));
  Pump();
  EXPECT_EQ(Shown(), g_editorMenu);
  EXPECT_EQ(g_isPlayFile, 0);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_goalPanelState, 0);
  EXPECT_EQ(g_goalType, kGoalStartBall);
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_TRUE(headless::MessageBoxes().empty());  // a play file is never saved
}

TEST_F(WindowCommands, GoalCommandsActOnlyInStageEditingAndCannotBeUndone) {
  EditStage();
  g_clearVerified = 1;
  SetEditorBarState(kEditorMenuExportPos, MFS_ENABLED);
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdGoalRocketDoll));
  Pump();
  EXPECT_EQ(g_goalType, kGoalRocketDoll);
  EXPECT_TRUE(headless::MenuItemById(g_editorMenu, kCmdGoalRocketDoll).checked);
  EXPECT_FALSE(headless::MenuItemById(g_editorMenu, kCmdGoalBell).checked);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_TRUE(Bar(kEditorMenuExportPos).grayed);
  int items = LiveItems();
  Command(kCmdUndo);  // the pair was reset after the change
  EXPECT_EQ(g_goalType, kGoalRocketDoll);
  EXPECT_EQ(LiveItems(), items);

  g_appMode = kModePlay;
  Command(kCmdGoalBell);
  EXPECT_EQ(g_goalType, kGoalRocketDoll);
  g_appMode = kModeEdit;
  g_isPlayFile = 1;
  Command(kCmdGoalBell);
  EXPECT_EQ(g_goalType, kGoalRocketDoll);
}

TEST_F(WindowCommands, TestPlaySwitchInAndOutOfARun) {
  EditStage();
  int box = FindKind(kKindBox);
  SelectAllItems();
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdTestPlay));
  Pump();
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_items[box].flags & kFlagSelected, 0u);
  EXPECT_EQ(g_goalPanelState, 1);
  EXPECT_EQ(g_goalPanelAlpha, 0);
  EXPECT_EQ(Bar(kEditorMenuTestPlayPos).textCp932, g_testPlayEndText);
  EXPECT_TRUE(Bar(kEditorMenuTestPlayPos).enabled);
  EXPECT_TRUE(Bar(kEditorMenuStageSettingsPos).grayed);
  EXPECT_TRUE(Enabled(kCmdSavePause));

  int ball = PlaceBall();
  D3DXVECTOR3 placed = Pos(ball);
  D3DXVECTOR3 camera = g_cameraPos;
  RunUnderWay(ball);
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdTestPlay));
  Pump();
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(LiveItemsOfMode(kModePlay), 0);  // the player's ball is gone
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_cameraPos, camera);
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(g_goalPanelState, 0);
  EXPECT_EQ(Bar(kEditorMenuTestPlayPos).textCp932, g_testPlayStartText);
  EXPECT_TRUE(Bar(kEditorMenuStageSettingsPos).enabled);
  EXPECT_FALSE(Enabled(kCmdSavePause));
  (void)placed;
}

TEST_F(WindowCommands, TheTestPlaySwitchIsNoCommandOfAPlayFile) {
  EditStage();
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  int ball = PlaceBall();
  Command(kCmdTestPlay);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_items[ball].state, kItemMovable);
}

TEST_F(WindowCommands, CtrlZUndoesAndASecondCtrlZRedoes) {
  EditStage();
  g_clearVerified = 1;
  SetEditorBarState(kEditorMenuExportPos, MFS_ENABLED);
  int box = FindKind(kKindBox);
  D3DXVECTOR3 before = Pos(box);
  // An edit as the tools make it: the state before goes into the undo slot.
  CaptureSnapshot(g_appMode, g_undoSlots[g_undoIndex].items, g_undoSlots[g_undoIndex].bodies,
                  g_undoSlots[g_undoIndex].joints, &g_undoSlots[g_undoIndex].jointList);
  DestroyItem(box);
  ASSERT_EQ(LiveItems(), 2);

  headless::PressCtrlKey(g_hWnd, 'Z');
  Pump();
  EXPECT_EQ(LiveItems(), 3);
  ASSERT_EQ(g_items[box].state, kItemFixed);
  EXPECT_EQ(Pos(box), before);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_TRUE(Bar(kEditorMenuExportPos).grayed);
  EXPECT_NE(Title().find("* ］"), std::string::npos);

  headless::PressCtrlKey(g_hWnd, 'Z');
  Pump();
  EXPECT_EQ(LiveItems(), 2);
  headless::PressCtrlKey(g_hWnd, 'Z');
  Pump();
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(WindowCommands, CtrlZInARunOrOnTheTitleDoesNothing) {
  EditStage();
  g_appMode = kModePlay;
  ResetUndoPair();
  int ball = PlaceBall();
  CaptureSnapshot(g_appMode, g_undoSlots[g_undoIndex].items, g_undoSlots[g_undoIndex].bodies,
                  g_undoSlots[g_undoIndex].joints, &g_undoSlots[g_undoIndex].jointList);
  RunUnderWay(ball);
  int index = g_undoIndex;
  Command(kCmdUndo);
  EXPECT_EQ(g_appMode, kModeRun);
  EXPECT_EQ(g_undoIndex, index);
  EXPECT_EQ(g_items[ball].state, kItemMovable);

  g_appMode = kModeTitle;
  Command(kCmdUndo);
  EXPECT_EQ(g_undoIndex, index);
}

TEST_F(WindowCommands, UndoInThePlacingModeLeavesTheChangedMarkAlone) {
  EditStage();
  g_appMode = kModePlay;
  ResetUndoPair();
  CaptureSnapshot(g_appMode, g_undoSlots[g_undoIndex].items, g_undoSlots[g_undoIndex].bodies,
                  g_undoSlots[g_undoIndex].joints, &g_undoSlots[g_undoIndex].jointList);
  int ball = PlaceBall();
  Command(kCmdUndo);
  EXPECT_EQ(g_items[ball].state, kItemFree);
  EXPECT_EQ(g_stageModified, 0);
}

TEST_F(WindowCommands, SelectAllAndClearSelectionExceptDuringACopyDrag) {
  EditStage();
  headless::PressCtrlKey(g_hWnd, 'A');
  Pump();
  int selected = 0;
  for (const StageItem& it : g_items) selected += it.state && (it.flags & kFlagSelected);
  EXPECT_EQ(selected, 3);
  g_copySourceItem = FindKind(kKindBox);
  headless::PressCtrlKey(g_hWnd, 'D');
  Pump();
  EXPECT_NE(g_items[FindKind(kKindBox)].flags & kFlagSelected, 0u);
  g_copySourceItem = -1;
  headless::PressCtrlKey(g_hWnd, 'D');
  Pump();
  for (const StageItem& it : g_items) EXPECT_EQ(it.flags & kFlagSelected, 0u);
}

TEST_F(WindowCommands, TheWheelZoomsOneStepPerNotchWithinItsLimitsInEditingAndPlacing) {
  EditStage();
  g_zoomLevel = 0;
  headless::Wheel(g_hWnd, 1);
  Pump();
  EXPECT_EQ(g_zoomLevel, 1);
  // A fast turn of three notches in one message is still one step.
  PostMessageA(g_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(SHORT)(-3 * WHEEL_DELTA)), 0);
  Pump();
  EXPECT_EQ(g_zoomLevel, 0);
  for (int i = 0; i < 5; ++i) headless::Wheel(g_hWnd, 1);
  Pump();
  EXPECT_EQ(g_zoomLevel, 2);
  g_appMode = kModePlay;
  for (int i = 0; i < 12; ++i) headless::Wheel(g_hWnd, -1);
  Pump();
  EXPECT_EQ(g_zoomLevel, -6);
  g_appMode = kModeRun;
  headless::Wheel(g_hWnd, 1);
  g_appMode = kModeTitle;
  headless::Wheel(g_hWnd, 1);
  Pump();
  EXPECT_EQ(g_zoomLevel, -6);
}

TEST_F(WindowCommands, ActivationMarksTheWindowInactiveUntilItHasTheFocusAgain) {
  g_appInactive = 0;
  SendMessageA(g_hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
  EXPECT_EQ(g_appInactive, 1);
  SendMessageA(g_hWnd, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(g_appInactive, 0);
  SendMessageA(g_hWnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), 0);
  SendMessageA(g_hWnd, WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_EQ(g_appInactive, 1);
  SendMessageA(g_hWnd, WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_EQ(g_appInactive, 0);
  SendMessageA(g_hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
  EXPECT_EQ(g_appInactive, 0);
}

TEST_F(WindowCommands, PaintRunsAFrameOnlyOnceStartUpIsDoneAndNotOnTheTitle) {
  EditStage();
  g_initDone = 0;
  InvalidateRect(g_hWnd, nullptr, FALSE);
  Pump();
  EXPECT_EQ(g_standIns.frames, 0);
  g_initDone = 1;
  g_appMode = kModeTitle;
  InvalidateRect(g_hWnd, nullptr, FALSE);
  Pump();
  EXPECT_EQ(g_standIns.frames, 0);
  g_appMode = kModePlay;
  InvalidateRect(g_hWnd, nullptr, FALSE);
  Pump();
  EXPECT_EQ(g_standIns.frames, 1);
  Pump();  // painted: nothing more until the window is invalid again
  EXPECT_EQ(g_standIns.frames, 1);
}

TEST_F(WindowCommands, CloseWithoutChangesQuitsAndTheWindowStays) {
  EditStage();
  headless::ClickCloseBox(g_hWnd);
  EXPECT_FALSE(Pump());
  EXPECT_TRUE(IsWindow(g_hWnd));
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(WindowCommands, CloseWithChangesCancelKeepsRunningNoQuitsWithoutSaving) {
  EditStage();
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", GamePath("s").c_str());
  g_stageFileChosen = 1;  // the stage file it was opened from
  Edit();
  headless::QueueMessageBoxAnswer(IDCANCEL);
  headless::ClickCloseBox(g_hWnd);
  EXPECT_TRUE(Pump());
  EXPECT_FALSE(QuitPosted());
  EXPECT_EQ(headless::MessageBoxes().size(), 1u);

  headless::QueueMessageBoxAnswer(IDNO);
  headless::ClickCloseBox(g_hWnd);
  EXPECT_FALSE(Pump());
  EXPECT_FALSE(Exists(HostPath("s.stg")));
}

TEST_F(WindowCommands, CloseWithChangesYesSavesThenQuits) {
  EditStage();
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", GamePath("s").c_str());
  g_stageFileChosen = 1;  // the stage file it was opened from
  Edit();
  headless::QueueMessageBoxAnswer(IDYES);
  headless::ClickCloseBox(g_hWnd);
  EXPECT_FALSE(Pump());
  EXPECT_TRUE(Exists(HostPath("s.stg")));
  EXPECT_EQ(g_stageModified, 0);
}

TEST_F(WindowCommands, EscapeAndTheExitCommandCloseLikeTheCloseBox) {
  EditStage();
  Edit();
  headless::QueueMessageBoxAnswer(IDCANCEL);
  headless::KeyDown(g_hWnd, VK_ESCAPE);
  EXPECT_TRUE(Pump());
  EXPECT_EQ(headless::MessageBoxes().size(), 1u);
  headless::QueueMessageBoxAnswer(IDCANCEL);
  Command(kCmdExit);
  EXPECT_FALSE(QuitPosted());
  EXPECT_EQ(headless::MessageBoxes().size(), 2u);

  headless::QueueMessageBoxAnswer(IDNO);
  headless::KeyDown(g_hWnd, VK_ESCAPE);
  EXPECT_FALSE(Pump());
}

TEST_F(WindowCommands, OtherKeysAreLeftToThePolling) {
  EditStage();
  EXPECT_EQ(SendMessageA(g_hWnd, WM_KEYDOWN, VK_TAB, 0), 0);
  headless::KeyDown(g_hWnd, VK_SPACE);
  headless::KeyDown(g_hWnd, 'Q');
  EXPECT_TRUE(Pump());
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(WindowCommands, CloseDuringARunShowsTheCursorForThePrompt) {
  EditStage();
  Edit();
  g_appMode = kModePlay;
  RunUnderWay(PlaceBall());
  ASSERT_FALSE(headless::CursorShown());
  headless::QueueMessageBoxAnswer(IDCANCEL);
  Command(kCmdExit);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(g_appMode, kModeRun);
}

TEST_F(WindowCommands, PlayListAboutAndEditorNameOpenTheirDialogs) {
  EditStage();
  g_appMode = kModePlay;
  RunUnderWay(PlaceBall());
  WatchDialogs(4);
  headless::PressCtrlKey(g_hWnd, 'P');
  Pump();
  EXPECT_TRUE(headless::CursorShown());
  Command(kCmdPlayList);
  Command(kCmdAbout);
  Command(kCmdEditorName);
  EXPECT_EQ(dialogs_, (std::vector<std::string>{"プレイリスト", "プレイリスト", "バージョン情報",
                                                "エディター情報"}));
}

TEST_F(WindowCommands, ANewStageFromATestPlayPutsTheEditorMenuBackForEditing) {
  EditStage();
  Command(kCmdTestPlay);
  ASSERT_TRUE(Enabled(kCmdSavePause));
  PlaceBall();
  headless::PressCtrlKey(g_hWnd, 'N');
  Pump();
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(LiveItems(), 1);
  EXPECT_EQ(Bar(kEditorMenuTestPlayPos).textCp932, g_testPlayStartText);
  EXPECT_TRUE(Bar(kEditorMenuTestPlayPos).grayed);  // no area yet
  EXPECT_TRUE(Bar(kEditorMenuStageSettingsPos).enabled);
  EXPECT_FALSE(Enabled(kCmdSavePause));
}

TEST_F(WindowCommands, ANewStageAfterAVerifiedClearNoLongerOffersTheExport) {
  EditStage();
  g_clearVerified = 1;
  SetEditorBarState(kEditorMenuExportPos, MFS_ENABLED);
  g_stageModified = 0;
  Command(kCmdNewStage);
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_TRUE(Bar(kEditorMenuExportPos).grayed);
}
