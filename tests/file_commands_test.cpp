// The file commands through the window procedure: the dialogs they ask for,
// stage, play and pause files written and read back through them, failures
// and cancels that change nothing, and files dropped on the window.
#include "command_test_support.h"
#include "ordinary_user.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

std::vector<uint8_t> ReadBytes(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::string MagicOf(const std::string& hostPath) {
  std::vector<uint8_t> b = ReadBytes(hostPath);
  if (b.size() < 40) return std::string();
  return std::string((const char*)b.data(), strnlen((const char*)b.data(), 40));
}

class FileCommands : public CommandTest {
 protected:
  // Saves the stage being edited as a stage file through save as.
  void SaveAs(const std::string& nameUtf8) {
    headless::QueueFileDialogAnswer(GamePath(nameUtf8));
    ASSERT_EQ(SaveStageAsCommand(), 1);
  }
  // Writes a file of a kind from the present state, as the game names it.
  void Write(const std::string& nameWithoutExtension, int kind) {
    ASSERT_EQ(SaveStageFile(GamePath(nameWithoutExtension).c_str(), kind), 1);
  }
  // A name in the test folder whose game path is exactly bytes long; the
  // folders it lies in are made. Its file name has at least 10 characters.
  std::string NameOfLength(size_t bytes, const std::string& ext = "") {
    size_t left = bytes - GamePath("").size() - 1 - ext.size();
    std::string name;
    for (char c = 'a'; left > 210; ++c, left -= 201) {
      name += std::string(200, c);
      mkdir(HostPath(name).c_str(), 0755);
      name += "/";
    }
    return name + std::string(left, 'n') + ext;
  }
  // Opens a file that is there but cannot be read, by open, which may drop
  // it or answer a dialog with it. "" when the reader said so, once, and the
  // stage being edited (the saved stage "mine") is just as it was; else what
  // differs.
  std::string RefusedAsUnreadable(const std::string& what, const std::function<void()>& open) {
    const std::string title = Title();
    headless::ClearMessageBoxes();
    open();
    Pump();
    std::string wrong;
    const size_t messages = headless::MessageBoxes().size();
    if (messages != 1) wrong += " messages " + std::to_string(messages);
    if (LastMessageUtf8() != "ファイルを読み込めませんでした。") wrong += " message " + LastMessageUtf8();
    if (LiveItems() != 3) wrong += " items " + std::to_string(LiveItems());
    if (std::string(g_stageName) != "mine") wrong += std::string(" name ") + g_stageName;
    if (std::string(g_stagePath) != mine_) wrong += std::string(" path ") + g_stagePath;
    if (g_stageFileChosen != 1) wrong += " not its own file";
    if (g_appMode != kModeEdit || g_isPlayFile != 0) wrong += " mode";
    if (Shown() != g_editorMenu) wrong += " menu";
    if (Title() != title) wrong += " title " + Title();
    return wrong.empty() ? wrong : what + ":" + wrong;
  }
  bool DropGamePath(const std::string& gamePath) {
    bool posted = headless::DropFiles(g_hWnd, {gamePath});
    Pump();
    return posted;
  }
  std::string mine_;  // game path of the stage "mine" without its extension

  bool Drop(const std::vector<std::string>& namesUtf8) {
    std::vector<std::string> paths;
    for (const std::string& n : namesUtf8) paths.push_back(GamePath(n));
    bool posted = headless::DropFiles(g_hWnd, paths);
    Pump();
    return posted;
  }
};

}  // namespace

TEST_F(FileCommands, SaveAsAsksWithTheStageFilterAndTiesTheStageToTheFile) {
  EditStage();
  Edit();
  headless::QueueFileDialogAnswer(GamePath("bridge.stg"));
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdSaveStageAs));
  Pump();

  ASSERT_EQ(DialogCount(), 1u);
  const platform::FileDialogRequest& r = LastDialog().request;
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.owner, g_hWnd);
  EXPECT_EQ(Cp932ToUtf8(r.title), "ステージファイルの保存");
  EXPECT_EQ(r.flags, (DWORD)6);
  ASSERT_EQ(r.filters.size(), 1u);
  EXPECT_EQ(Cp932ToUtf8(r.filters[0].text), "ステージファイル(*.stg)");
  EXPECT_EQ(r.filters[0].patterns, std::vector<std::string>{"*.stg"});
  EXPECT_EQ(r.fileName, "");           // a new stage proposes no name
  EXPECT_EQ(r.folder, g_programDir);  // the first dialog opens in the program's folder

  EXPECT_STREQ(g_stageName, "bridge");
  EXPECT_EQ(std::string(g_stagePath), GamePath("bridge"));
  EXPECT_EQ(MagicOf(HostPath("bridge.stg")), "GIZMOWORKS_STAGEEDIT");
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(Title(), "ギズモワークス Ver.1.10 -［ bridge：ゴールベル ］ Edit by tester");
  EXPECT_FALSE(Enabled(kCmdSaveStage));
  EXPECT_EQ(g_ofn.lpstrInitialDir, nullptr);

  // The next save-as proposes the stage's own file.
  headless::QueueFileDialogCancel();
  Command(kCmdSaveStageAs);
  EXPECT_EQ(LastDialog().request.fileName, "bridge.stg");
  EXPECT_EQ(LastDialog().request.folder, GamePath("") + "\\");
}

TEST_F(FileCommands, ANameTypedWithoutTheExtensionGetsItFromTheWriter) {
  EditStage();
  SaveAs("plain");
  EXPECT_STREQ(g_stageName, "plain");
  EXPECT_TRUE(Exists(HostPath("plain.stg")));
  EXPECT_FALSE(Exists(HostPath("plain")));
  // Only the exact extension is cut: "X.STG" is a name of its own.
  SaveAs("Upper.STG");
  EXPECT_STREQ(g_stageName, "Upper.STG");
  EXPECT_TRUE(Exists(HostPath("Upper.STG.stg")));
}

TEST_F(FileCommands, AJapaneseNameWhoseSecondByteLooksLikeASeparatorIsKeptWhole) {
  EditStage();
  SaveAs("表示テスト.stg");  // 表 is 0x95 0x5C in CP932
  EXPECT_EQ(Cp932ToUtf8(g_stageName), "表示テスト");
  EXPECT_TRUE(Exists(HostPath("表示テスト.stg")));
  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath("表示テスト.stg"));
  Command(kCmdOpenStage);
  EXPECT_EQ(Cp932ToUtf8(g_stageName), "表示テスト");
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(FileCommands, SaveAsTakesOnlyAPathThatCanBeOpenedAgain) {
  EditStage();
  Edit();
  // The game holds 255 bytes of path, and the writer adds ".stg".
  const std::string tooLong = NameOfLength(252);
  const std::string longest = NameOfLength(251);
  headless::QueueFileDialogAnswer(GamePath(tooLong));
  headless::QueueFileDialogAnswer(GamePath(longest));
  ASSERT_EQ(SaveStageAsCommand(), 1);
  // The dialog stayed open on the first name and took the shorter one.
  EXPECT_EQ(DialogCount(), 1u);
  EXPECT_EQ(LastDialog().refused, std::vector<std::string>{GamePath(tooLong)});
  EXPECT_FALSE(Exists(HostPath(tooLong + ".stg")));
  EXPECT_TRUE(Exists(HostPath(longest + ".stg")));
  EXPECT_EQ(std::string(g_stagePath), GamePath(longest));
  EXPECT_EQ(g_stageModified, 0);

  // What it wrote opens again.
  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath(longest + ".stg"));
  Command(kCmdOpenStage);
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(std::string(g_stagePath), GamePath(longest));
  EXPECT_TRUE(headless::MessageBoxes().empty());

  // Exporting a play file: a name typed with the extension has no room to
  // spare either; with no shorter name the export is cancelled.
  g_clearVerified = 1;
  headless::QueueFileDialogAnswer(GamePath(NameOfLength(256, ".ply")));
  EXPECT_EQ(ExportPlayFileCommand(), 0);
  EXPECT_EQ(LastDialog().refused.size(), 1u);
  headless::QueueFileDialogAnswer(GamePath(NameOfLength(252, "")));
  headless::QueueFileDialogAnswer(GamePath(NameOfLength(255, ".ply")));
  EXPECT_EQ(ExportPlayFileCommand(), 1);
  EXPECT_EQ(LastDialog().refused.size(), 1u);
  EXPECT_TRUE(Exists(HostPath(NameOfLength(255, ".ply"))));
  EXPECT_FALSE(Exists(HostPath(NameOfLength(252, "") + ".ply")));
  EXPECT_FALSE(Exists(HostPath(NameOfLength(256, ".ply"))));
}

TEST_F(FileCommands, AnOpenedFileWhosePathHasNoRoomForTheExtensionIsNotSavedUnderIt) {
  EditStage();
  Write("odd", kFileStage);
  const std::string odd = NameOfLength(253, ".dat");
  ASSERT_EQ(std::rename(HostPath("odd.stg").c_str(), HostPath(odd).c_str()), 0);
  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath(odd));
  Command(kCmdOpenStage);
  ASSERT_EQ(LiveItems(), 3);
  EXPECT_STREQ(g_stageName, std::string(odd.substr(odd.rfind('/') + 1)).c_str());
  // Ctrl+S would add ".stg" to 253 bytes: it asks for a name instead.
  Edit();
  headless::QueueFileDialogCancel();
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  EXPECT_EQ(DialogCount(), 2u);
  EXPECT_FALSE(Exists(HostPath(odd + ".stg")));
  EXPECT_EQ(g_stageModified, 1);
}

TEST_F(FileCommands, ACancelledSaveAsChangesNothing) {
  EditStage();
  Edit();
  headless::QueueFileDialogCancel();
  EXPECT_EQ(SaveStageAsCommand(), 0);
  EXPECT_STREQ(g_stageName, "");
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(g_ofn.lpstrInitialDir, g_programDir);
}

TEST_F(FileCommands, AFailedSaveAsKeepsTheStageTiedToItsOwnFile) {
  EditStage();
  SaveAs("mine.stg");
  Edit();
  headless::QueueFileDialogAnswer(GamePath("missing/other.stg"));
  EXPECT_EQ(SaveStageAsCommand(), 0);
  EXPECT_EQ(LastMessageUtf8(),
            "ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。");
  EXPECT_STREQ(g_stageName, "mine");
  EXPECT_EQ(std::string(g_stagePath), GamePath("mine"));
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_NE(Title().find("mine：ゴールベル * ］"), std::string::npos);
  // So Ctrl+S still writes the stage's own file.
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(DialogCount(), 2u);
}

TEST_F(FileCommands, CtrlSOnANewStageAsksForANameThenWritesWithoutAsking) {
  EditStage();
  Edit();
  headless::QueueFileDialogAnswer(GamePath("first.stg"));
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  EXPECT_EQ(DialogCount(), 1u);
  EXPECT_TRUE(Exists(HostPath("first.stg")));
  CreateItem(D3DXVECTOR3(360, 60, 0), nullptr, 4, 4, kKindBox, 1);
  Edit();
  size_t before = ReadBytes(HostPath("first.stg")).size();
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdSaveStage));
  Pump();
  EXPECT_EQ(DialogCount(), 1u);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(ReadBytes(HostPath("first.stg")).size(), before);  // same layout, no joints
  EXPECT_EQ(ReadBytes(HostPath("first.stg"))[92 + 56 * 3], kItemMovable);  // the fourth item
}

TEST_F(FileCommands, CtrlSDoesNothingDuringACopyDragOrOnTheTitle) {
  EditStage();
  Edit();
  g_copySourceItem = FindKind(kKindBox);
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  g_copySourceItem = -1;
  g_appMode = kModeTitle;
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  Command(kCmdSaveStage);
  Command(kCmdSaveStageAs);
  EXPECT_EQ(DialogCount(), 0u);
  EXPECT_TRUE(Files().empty());
}

TEST_F(FileCommands, SavingTheStageDuringARunWritesThePlacedStateAndLeavesTheTestPlay) {
  EditStage();
  SaveAs("run");
  Command(kCmdTestPlay);
  int ball = PlaceBall();
  RunUnderWay(ball);
  int box = FindKind(kKindBox);
  D3DXVECTOR3 boxAt = Pos(box);
  dBodySetPosition(g_items[box].body, 250, 3, 0);
  Command(kCmdSaveStage);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(g_items[ball].state, kItemFree);
  EXPECT_EQ(Pos(box), boxAt);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(Bar(kEditorMenuTestPlayPos).textCp932, g_testPlayStartText);
  EXPECT_FALSE(Enabled(kCmdSavePause));

  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath("run.stg"));
  Command(kCmdOpenStage);
  box = FindKind(kKindBox);
  EXPECT_EQ(Pos(box), boxAt);
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(FileCommands, OpenStageRoundTripThroughTheCommands) {
  EditStage(kGoalStartBall);
  g_clearVerified = 1;
  SaveAs("round.stg");
  std::vector<uint8_t> saved = ReadBytes(HostPath("round.stg"));

  Command(kCmdNewStage);
  ASSERT_EQ(LiveItems(), 1);
  headless::QueueFileDialogAnswer(GamePath("round.stg"));
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdOpenStage));
  Pump();
  const platform::FileDialogRequest& r = LastDialog().request;
  EXPECT_FALSE(r.save);
  EXPECT_EQ(Cp932ToUtf8(r.title), "ステージファイルの読み込み");
  EXPECT_EQ(r.flags, (DWORD)0x1004);
  EXPECT_EQ(r.fileName, "");

  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_goalType, kGoalStartBall);
  EXPECT_STREQ(g_stageName, "round");
  EXPECT_EQ(g_clearVerified, 1);
  EXPECT_TRUE(Bar(kEditorMenuExportPos).enabled);
  EXPECT_TRUE(Bar(kEditorMenuTestPlayPos).enabled);
  EXPECT_TRUE(Bar(kEditorMenuStageSettingsPos).enabled);
  EXPECT_EQ(Shown(), g_editorMenu);
  // Written again unchanged, the file holds the same stage: everything from
  // the area on is the same bytes (the camera was fitted to the stage).
  Edit();
  Command(kCmdSaveStage);
  std::vector<uint8_t> again = ReadBytes(HostPath("round.stg"));
  ASSERT_EQ(again.size(), saved.size());
  EXPECT_TRUE(std::equal(again.begin() + 64, again.end(), saved.begin() + 64));
  EXPECT_TRUE(std::equal(again.begin(), again.begin() + 48, saved.begin()));
}

TEST_F(FileCommands, OpeningFromTheTitleSwitchesToTheEditorMenuAndACancelStaysOnTheTitle) {
  EditStage();
  SaveAs("t.stg");
  DestroyAllItems();
  SetMenu(g_hWnd, g_titleMenu);
  g_appMode = kModeTitle;
  CreateItem(D3DXVECTOR3(300, 80, 0), nullptr, 5, 5, kKindBox, 1);

  headless::QueueFileDialogCancel();
  Command(kCmdOpenStage);
  EXPECT_EQ(g_appMode, kModeTitle);
  EXPECT_EQ(Shown(), g_titleMenu);
  EXPECT_EQ(LiveItems(), 0);  // the falling boxes are gone until the title makes more

  headless::QueueFileDialogAnswer(GamePath("t.stg"));
  Command(kCmdOpenStage);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(Shown(), g_editorMenu);
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(FileCommands, OpeningAStageWithUnsavedChangesAsksFirst) {
  EditStage();
  SaveAs("a.stg");
  Write("b", kFileStage);
  Edit();
  headless::QueueFileDialogAnswer(GamePath("b.stg"));
  headless::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(OpenStageFileCommand(), 0);
  EXPECT_STREQ(g_stageName, "a");
  EXPECT_EQ(g_stageModified, 1);

  // Yes saves the changes to the open stage's file, then opens the other.
  CreateItem(D3DXVECTOR3(360, 60, 0), nullptr, 4, 4, kKindBox, 1);
  headless::QueueFileDialogAnswer(GamePath("b.stg"));
  headless::QueueMessageBoxAnswer(IDYES);
  EXPECT_EQ(OpenStageFileCommand(), 1);
  EXPECT_STREQ(g_stageName, "b");
  EXPECT_EQ(LiveItems(), 3);
  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath("a.stg"));
  Command(kCmdOpenStage);
  EXPECT_EQ(LiveItems(), 4);
}

TEST_F(FileCommands, AWrongFileInTheOpenDialogIsRefusedAndLeavesTheStage) {
  EditStage();
  Write("p", kFilePlay);
  g_clearVerified = 0;
  headless::QueueFileDialogAnswer(GamePath("p.ply"));
  EXPECT_EQ(OpenStageFileCommand(), 0);
  EXPECT_EQ(LastMessageUtf8(), "未対応のファイル形式です。");
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_ofn.lpstrInitialDir, g_programDir);
}

TEST_F(FileCommands, ExportBeforeAClearedTestPlayOnlyExplains) {
  EditStage();
  g_clearVerified = 0;
  Command(kCmdExportPlayFile);
  EXPECT_EQ(LastMessageUtf8(),
            "テストプレイが完了していません。\nテストプレイでクリアできることを確認してください。");
  EXPECT_EQ(DialogCount(), 0u);
}

TEST_F(FileCommands, ExportDuringARunWritesThePlacedStageAndKeepsTheStageName) {
  EditStage();
  SaveAs("own.stg");
  Command(kCmdTestPlay);
  int ball = PlaceBall();
  RunUnderWay(ball);
  g_clearVerified = 1;
  headless::QueueFileDialogAnswer(GamePath("out.ply"));
  Command(kCmdExportPlayFile);
  EXPECT_TRUE(headless::CursorShown());
  const platform::FileDialogRequest& r = LastDialog().request;
  EXPECT_EQ(Cp932ToUtf8(r.title), "プレイファイルの保存");
  EXPECT_EQ(Cp932ToUtf8(r.filters[0].text), "プレイファイル(*.ply)");
  EXPECT_EQ(r.fileName, "own.ply");
  EXPECT_EQ(MagicOf(HostPath("out.ply")), "GIZMOWORKS_PLAYONLY");
  EXPECT_EQ(ReadBytes(HostPath("out.ply")).size(), 136156u);
  EXPECT_STREQ(g_stageName, "own");
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(LiveItemsOfMode(kModePlay), 0);

  // A cancelled export writes nothing.
  headless::QueueFileDialogCancel();
  EXPECT_EQ(ExportPlayFileCommand(), 0);
  EXPECT_EQ(Files().size(), 2u);
}

TEST_F(FileCommands, PauseSaveAndOpenRoundTrip) {
  EditStage();
  g_clearVerified = 1;
  Write("game", kFilePlay);
  Command(kCmdNewStage);
  ASSERT_TRUE(Drop({"game.ply"}));
  ASSERT_EQ(g_isPlayFile, 1);
  int ball = PlaceBall();
  D3DXVECTOR3 ballAt = Pos(ball);
  RunUnderWay(ball);

  headless::QueueFileDialogAnswer(GamePath("halfway.pau"));
  headless::PressCtrlKey(g_hWnd, 'S');  // with a play file loaded: the pause save
  Pump();
  const platform::FileDialogRequest& r = LastDialog().request;
  EXPECT_EQ(Cp932ToUtf8(r.title), "一時ファイルの保存");
  EXPECT_EQ(Cp932ToUtf8(r.filters[0].text), "一時ファイル(*.pau)");
  EXPECT_EQ(r.fileName, "game.pau");
  EXPECT_EQ(g_appMode, kModePlay);  // the run was stopped first
  EXPECT_EQ(MagicOf(HostPath("halfway.pau")), "GIZMOWORKS_PLAYPAUSE");
  EXPECT_STREQ(g_stageName, "halfway");
  EXPECT_NE(Title().find("halfway："), std::string::npos);

  SetMenu(g_hWnd, g_editorMenu);
  Command(kCmdNewStage);
  ASSERT_EQ(LiveItems(), 1);
  headless::QueueFileDialogAnswer(GamePath("halfway.pau"));
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdOpenPause));
  Pump();
  EXPECT_EQ(Cp932ToUtf8(LastDialog().request.title), "一時ファイルの読み込み");
  EXPECT_EQ(LastDialog().request.flags, (DWORD)0x1004);
  EXPECT_EQ(g_isPlayFile, 1);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(Shown(), g_playMenu);
  EXPECT_EQ(g_goalPanelState, 1);
  EXPECT_EQ(g_goalPanelAlpha, 0);
  EXPECT_STREQ(g_stageName, "halfway");
  EXPECT_NE(Title().find("プレイ中"), std::string::npos);
  EXPECT_EQ(LiveItems(), 4);
  ASSERT_EQ(LiveItemsOfMode(kModePlay), 1);
  int placed = FindKind(kKindBall);
  EXPECT_EQ(Pos(placed), ballAt);
}

TEST_F(FileCommands, APauseFileNamedWithTheExtensionTwiceShowsTheNameWithoutEither) {
  EditStage();
  g_appMode = kModePlay;
  PlaceBall();
  Write("twice.pau", kFilePause);  // on disk: twice.pau.pau
  ASSERT_TRUE(Exists(HostPath("twice.pau.pau")));
  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath("twice.pau.pau"));
  ASSERT_EQ(OpenPauseFileCommand(), 1);
  EXPECT_STREQ(g_stageName, "twice");
  EXPECT_EQ(std::string(g_stagePath), GamePath("twice.pau"));
  EXPECT_NE(Title().find("twice："), std::string::npos);
  EXPECT_EQ(Title().find("twice.pau"), std::string::npos);
}

TEST_F(FileCommands, CtrlOOpensAPauseFileWhilePlayingAndAStageOtherwise) {
  EditStage();
  headless::QueueFileDialogCancel();
  headless::PressCtrlKey(g_hWnd, 'O');
  Pump();
  EXPECT_EQ(Cp932ToUtf8(LastDialog().request.title), "ステージファイルの読み込み");
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  headless::QueueFileDialogCancel();
  headless::PressCtrlKey(g_hWnd, 'O');
  Pump();
  EXPECT_EQ(Cp932ToUtf8(LastDialog().request.title), "一時ファイルの読み込み");
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(FileCommands, AFailedPauseSaveKeepsTheName) {
  EditStage();
  SaveAs("s.stg");
  Command(kCmdTestPlay);
  headless::QueueFileDialogAnswer(GamePath("gone/x.pau"));
  EXPECT_EQ(SavePauseFileCommand(), 0);
  EXPECT_STREQ(g_stageName, "s");
  headless::QueueFileDialogCancel();
  EXPECT_EQ(SavePauseFileCommand(), 0);
  EXPECT_STREQ(g_stageName, "s");
}

TEST_F(FileCommands, DroppedFilesOfEachKind) {
  EditStage(kGoalTruck);
  g_clearVerified = 1;
  Write("d", kFileStage);
  Write("d", kFilePlay);
  g_appMode = kModePlay;
  PlaceBall();
  Write("d", kFilePause);
  DestroyAllItems();
  g_goalType = kGoalNone;
  SetMenu(g_hWnd, g_titleMenu);
  g_appMode = kModeTitle;

  // Another program has the focus; the drop brings the game to the front
  // and leaves the foreground lock time-out as it was.
  HWND other = headless::MakeWindow("file manager");
  SetForegroundWindow(other);
  ASSERT_EQ(GetForegroundWindow(), other);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(200000), 0);
  ASSERT_TRUE(Drop({"d.ply"}));
  EXPECT_EQ(GetForegroundWindow(), g_hWnd);
  DWORD lockTimeout = 0;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &lockTimeout, 0);
  EXPECT_EQ(lockTimeout, 200000u);
  EXPECT_EQ(g_isPlayFile, 1);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(Shown(), g_playMenu);
  EXPECT_EQ(g_goalPanelState, 1);
  EXPECT_EQ(LiveItems(), 6);  // the truck's four parts and two boxes
  EXPECT_EQ(platform::LiveDropCount(), 0);

  ASSERT_TRUE(Drop({"d.pau"}));
  EXPECT_EQ(g_isPlayFile, 1);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(LiveItems(), 7);

  g_goalPanelState = 2;
  ASSERT_TRUE(Drop({"d.stg"}));
  EXPECT_EQ(g_isPlayFile, 0);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(Shown(), g_editorMenu);
  EXPECT_EQ(g_goalPanelState, 0);
  EXPECT_TRUE(Bar(kEditorMenuStageSettingsPos).enabled);
  EXPECT_EQ(LiveItems(), 6);
  EXPECT_STREQ(g_stageName, "d");
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(FileCommands, DroppedFilesOfOtherKindsAreRefused) {
  EditStage();
  Write("u", kFileStage);
  std::rename(HostPath("u.stg").c_str(), HostPath("u.STG").c_str());
  std::ofstream(HostPath("notes.txt")) << "hello";
  std::ofstream(HostPath("stg")) << "x";

  for (const char* name : {"u.STG", "notes.txt", "stg"}) {
    headless::ClearMessageBoxes();
    ASSERT_TRUE(Drop({name}));
    EXPECT_EQ(LastMessageUtf8(), "未対応のファイル形式です。") << name;
    EXPECT_EQ(headless::MessageBoxes().back().captionUtf8, "ギズモワークス Ver.1.10");
  }
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(platform::LiveDropCount(), 0);
}

TEST_F(FileCommands, OfSeveralDroppedFilesOnlyTheFirstIsOpened) {
  EditStage(kGoalStartBall);
  Write("one", kFileStage);
  CreateItem(D3DXVECTOR3(360, 60, 0), nullptr, 4, 4, kKindBox, 1);
  Write("two", kFileStage);
  ASSERT_TRUE(Drop({"one.stg", "two.stg", "notes.txt"}));
  EXPECT_STREQ(g_stageName, "one");
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(FileCommands, ADroppedFileWithAPathTooLongToHoldCannotBeRead) {
  EditStage();
  const std::string deep = NameOfLength(256, ".stg");
  const std::string longest = NameOfLength(255, ".stg");
  Write(deep.substr(0, deep.size() - 4), kFileStage);
  Write(longest.substr(0, longest.size() - 4), kFileStage);
  Command(kCmdNewStage);
  const int items = LiveItems();
  headless::ClearMessageBoxes();
  ASSERT_TRUE(Drop({deep}));
  EXPECT_EQ(LastMessageUtf8(), "ファイルを読み込めませんでした。");
  EXPECT_EQ(headless::MessageBoxes().back().captionUtf8, "ギズモワークス Ver.1.10");
  EXPECT_EQ(LiveItems(), items);
  EXPECT_STREQ(g_stageName, "");
  EXPECT_EQ(platform::LiveDropCount(), 0);

  // One byte less is a path the game holds: it opens, and keeps its path.
  headless::ClearMessageBoxes();
  ASSERT_TRUE(Drop({longest}));
  EXPECT_TRUE(headless::MessageBoxes().empty());
  EXPECT_EQ(LiveItems(), 3);
  EXPECT_EQ(std::string(g_stagePath), GamePath(longest.substr(0, longest.size() - 4)));
}

// A dropped file whose folder or name the game cannot hold in Shift-JIS
// comes without a path: the box says which, and the stage stays.
TEST_F(FileCommands, ADroppedFileTheGameCannotNameIsToldAboutByWhatIsInTheWay) {
  EditStage();
  const int items = LiveItems();
  const std::pair<platform::UnheldPart, const char*> cases[] = {
      {platform::UnheldPart::kFolder, "フォルダー名に、このゲームでは扱えない文字（アクセント記号付きの文字や"
                                      "絵文字など）が含まれているため、このファイルは開けません。"},
      {platform::UnheldPart::kName, "ファイル名に、このゲームでは扱えない文字（アクセント記号付きの文字や"
                                    "絵文字など）が含まれているため、このファイルは開けません。"}};
  for (const auto& [part, text] : cases) {
    headless::ClearMessageBoxes();
    ASSERT_TRUE(headless::DropFiles(g_hWnd, {"", GamePath("other.stg")}, POINT{320, 240}, {part}));
    Pump();
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(LastMessageUtf8(), text);
    EXPECT_EQ(headless::MessageBoxes().back().captionUtf8, "ギズモワークス Ver.1.10");
    EXPECT_EQ(LiveItems(), items);
    EXPECT_EQ(g_appMode, kModeEdit);
    EXPECT_EQ(platform::LiveDropCount(), 0);
  }
}

TEST_F(FileCommands, AFileDroppedDuringARunShowsTheCursorAgain) {
  EditStage();
  Write("r", kFileStage);
  g_appMode = kModePlay;
  RunUnderWay(PlaceBall());
  ASSERT_TRUE(Drop({"r.stg"}));
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(LiveItems(), 3);
}

TEST_F(FileCommands, ADroppedStageWithUnsavedChangesAsksAndCancelKeepsEverything) {
  EditStage();
  Write("x", kFileStage);
  Edit();
  SetMenu(g_hWnd, g_editorMenu);
  headless::QueueMessageBoxAnswer(IDCANCEL);
  ASSERT_TRUE(Drop({"x.stg"}));
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_STREQ(g_stageName, "");
  EXPECT_EQ(headless::MessageBoxes().size(), 1u);
}

TEST_F(FileCommands, NoExportWhilePlayingAndNoPauseFileOfTheTitle) {
  EditStage();
  g_clearVerified = 1;
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  EXPECT_EQ(ExportPlayFileCommand(), 0);
  g_isPlayFile = 0;
  g_appMode = kModeTitle;
  EXPECT_EQ(SavePauseFileCommand(), 0);
  EXPECT_EQ(DialogCount(), 0u);
  EXPECT_TRUE(headless::MessageBoxes().empty());
  EXPECT_TRUE(Files().empty());
}

TEST_F(FileCommands, AfterAPauseSaveTheNextStageSaveAsksForItsFile) {
  EditStage();
  SaveAs("bridge.stg");
  // Another stage of the folder, of the pause file's name.
  std::ofstream(HostPath("halfway.stg")) << "someone else's stage";
  const std::vector<uint8_t> other = ReadBytes(HostPath("halfway.stg"));
  const std::vector<uint8_t> bridge = ReadBytes(HostPath("bridge.stg"));
  std::ofstream(HostPath("next.stg"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bridge.data()), (std::streamsize)bridge.size());

  Command(kCmdTestPlay);
  ASSERT_EQ(g_appMode, kModePlay);
  PlaceBall();
  headless::QueueFileDialogAnswer(GamePath("halfway.pau"));
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdSavePause));
  Pump();
  ASSERT_TRUE(Exists(HostPath("halfway.pau")));
  // The stage goes by the pause file's name from here on.
  EXPECT_STREQ(g_stageName, "halfway");
  EXPECT_EQ(std::string(g_stagePath), GamePath("halfway"));
  EXPECT_NE(Title().find("halfway："), std::string::npos);

  Command(kCmdTestPlay);
  ASSERT_EQ(g_appMode, kModeEdit);
  CreateItem(D3DXVECTOR3(360, 60, 0), nullptr, 4, 4, kKindBox, 1);
  Edit();
  const size_t dialogs = DialogCount();

  // Ctrl+S and the menu's overwrite save each ask, proposing the pause
  // file's name under the stage filter, with the question before a replace.
  headless::QueueFileDialogCancel();
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  headless::QueueFileDialogCancel();
  ASSERT_TRUE(headless::ChooseMenuCommand(g_hWnd, kCmdSaveStage));
  Pump();
  ASSERT_EQ(DialogCount(), dialogs + 2);
  for (size_t i = dialogs; i < dialogs + 2; ++i) {
    const platform::FileDialogRequest& r = headless::FileDialogs()[i].request;
    EXPECT_TRUE(r.save);
    EXPECT_EQ(Cp932ToUtf8(r.title), "ステージファイルの保存");
    EXPECT_EQ(r.flags & OFN_OVERWRITEPROMPT, (DWORD)OFN_OVERWRITEPROMPT);
    EXPECT_EQ(r.fileName, "halfway.stg");
    EXPECT_EQ(r.folder, GamePath("") + "\\");
  }
  // Cancelled: neither stage file was touched, and the changes wait.
  EXPECT_EQ(ReadBytes(HostPath("halfway.stg")), other);
  EXPECT_EQ(ReadBytes(HostPath("bridge.stg")), bridge);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_STREQ(g_stageName, "halfway");

  // The save prompt's Yes asks the same way before another file is opened.
  headless::QueueMessageBoxAnswer(IDYES);
  headless::QueueFileDialogCancel();
  ASSERT_TRUE(Drop({"next.stg"}));
  EXPECT_EQ(DialogCount(), dialogs + 3);
  EXPECT_EQ(LastDialog().request.fileName, "halfway.stg");
  EXPECT_EQ(ReadBytes(HostPath("halfway.stg")), other);
  EXPECT_STREQ(g_stageName, "halfway");

  // The player chooses bridge.stg: it gets the edits, and is the stage's
  // own file again, written by Ctrl+S without a question.
  headless::QueueFileDialogAnswer(GamePath("bridge.stg"));
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  EXPECT_EQ(DialogCount(), dialogs + 4);
  EXPECT_STREQ(g_stageName, "bridge");
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(ReadBytes(HostPath("bridge.stg"))[92 + 56 * 3], kItemMovable);  // the new box
  CreateItem(D3DXVECTOR3(380, 60, 0), nullptr, 4, 4, kKindBox, 1);
  Edit();
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  EXPECT_EQ(DialogCount(), dialogs + 4);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(ReadBytes(HostPath("bridge.stg"))[92 + 56 * 4], kItemMovable);
  EXPECT_EQ(ReadBytes(HostPath("halfway.stg")), other);
}

TEST_F(FileCommands, AnOpenedStageFileIsWrittenAgainWithoutAQuestion) {
  EditStage();
  Write("opened", kFileStage);
  g_clearVerified = 1;
  Write("played", kFilePlay);
  Command(kCmdNewStage);
  headless::QueueFileDialogAnswer(GamePath("opened.stg"));
  ASSERT_EQ(OpenStageFileCommand(), 1);
  CreateItem(D3DXVECTOR3(360, 60, 0), nullptr, 4, 4, kKindBox, 1);
  Edit();
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  EXPECT_EQ(DialogCount(), 1u);
  EXPECT_EQ(g_stageModified, 0);
  EXPECT_EQ(ReadBytes(HostPath("opened.stg"))[92 + 56 * 3], kItemMovable);

  // A dropped one likewise; a pause save from its test play ends that.
  ASSERT_TRUE(Drop({"opened.stg"}));
  Command(kCmdTestPlay);
  headless::QueueFileDialogAnswer(GamePath("later.pau"));
  ASSERT_EQ(SavePauseFileCommand(), 1);
  Command(kCmdTestPlay);
  Edit();
  headless::QueueFileDialogCancel();
  Command(kCmdSaveStage);
  EXPECT_EQ(DialogCount(), 3u);
  EXPECT_FALSE(Exists(HostPath("later.stg")));
  // A failed pause save leaves the stage's own file as it was.
  headless::QueueMessageBoxAnswer(IDNO);
  ASSERT_TRUE(Drop({"opened.stg"}));
  ASSERT_STREQ(g_stageName, "opened");
  Command(kCmdTestPlay);
  headless::QueueFileDialogAnswer(GamePath("gone/x.pau"));
  EXPECT_EQ(SavePauseFileCommand(), 0);
  Command(kCmdTestPlay);
  Edit();
  Command(kCmdSaveStage);
  EXPECT_EQ(DialogCount(), 4u);
  EXPECT_EQ(g_stageModified, 0);
}

TEST_F(FileCommands, AFileInTheWayThatCannotBeReadIsSaidSoAndChangesNothing) {
  EditStage();
  SaveAs("mine.stg");
  mine_ = GamePath("mine");
  ASSERT_EQ(mkdir(HostPath("x.stg").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(HostPath("y.ply").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(HostPath("p.stg").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(HostPath("p.pau").c_str(), 0600), 0);
  alarm(60);  // a pipe is never waited on
  for (const std::string name : {"x.stg", "y.ply", "p.stg", "p.pau"}) {
    const std::string path = GamePath(name);
    const std::string dropped =
        RefusedAsUnreadable("dropped " + name, [&] { ASSERT_TRUE(DropGamePath(path)); });
    EXPECT_EQ(dropped, "");
    // Play files are opened from the play list, not from a file dialog.
    if (name == "y.ply") continue;
    const UINT command = name == "p.pau" ? kCmdOpenPause : kCmdOpenStage;
    const std::string opened = RefusedAsUnreadable("opened " + name, [&] {
      headless::QueueFileDialogAnswer(path);
      Command(command);
    });
    EXPECT_EQ(opened, "");
  }
  alarm(0);
  EXPECT_EQ(platform::LiveDropCount(), 0);

  // A stage the player may not read.
  EXPECT_AS_ORDINARY_USER([this]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    const std::string base = platform::HostPathToGamePath(folder / "locked");
    ORDINARY_CHECK(SaveStageFile(base.c_str(), kFileStage) == 1);
    ORDINARY_CHECK(chmod((folder / "locked.stg").c_str(), 0200) == 0);
    const std::string path = base + ".stg";
    std::string wrong = RefusedAsUnreadable("dropped", [&] { DropGamePath(path); });
    if (wrong.empty())
      wrong = RefusedAsUnreadable("opened", [&] {
        headless::QueueFileDialogAnswer(path);
        Command(kCmdOpenStage);
      });
    return wrong;
  });
}

TEST_F(FileCommands, AColonIsPartOfTheFilesName) {
  EditStage();
  Write("a:b", kFileStage);
  ASSERT_TRUE(Exists(HostPath("a:b.stg")));
  for (bool dropped : {false, true}) {
    Command(kCmdNewStage);
    if (dropped) {
      ASSERT_TRUE(Drop({"a:b.stg"}));
    } else {
      headless::QueueFileDialogAnswer(GamePath("a:b.stg"));
      ASSERT_EQ(OpenStageFileCommand(), 1);
    }
    EXPECT_STREQ(g_stageName, "a:b") << dropped;
    EXPECT_EQ(std::string(g_stagePath), GamePath("a:b")) << dropped;
    EXPECT_NE(Title().find("［ a:b：ゴールベル ］"), std::string::npos) << Title();

    // Save as proposes that very file in its own folder.
    headless::QueueFileDialogCancel();
    EXPECT_EQ(SaveStageAsCommand(), 0);
    EXPECT_EQ(LastDialog().request.fileName, "a:b.stg");
    EXPECT_EQ(LastDialog().request.folder, GamePath("") + "\\");
  }
  // And a name chosen with a ':' in it is taken whole.
  headless::QueueFileDialogAnswer(GamePath("c:d.stg"));
  ASSERT_EQ(SaveStageAsCommand(), 1);
  EXPECT_STREQ(g_stageName, "c:d");
  EXPECT_TRUE(Exists(HostPath("c:d.stg")));
}

// The chooser asks before it gives back a file that is there, but a name
// typed without the extension is saved under another file, which the game
// asks about itself: No brings the dialog back with the name typed.
TEST_F(FileCommands, SaveAsAsksBeforeReplacingTheFileANameWithoutTheExtensionWrites) {
  EditStage();
  Edit();
  std::ofstream(HostPath("halfway.stg")) << "someone else's stage";
  const std::vector<uint8_t> other = ReadBytes(HostPath("halfway.stg"));

  // No, then the dialog cancelled: nothing is saved.
  headless::QueueFileDialogAnswer(GamePath("halfway"));
  headless::QueueMessageBoxAnswer(IDNO);
  headless::QueueFileDialogCancel();
  headless::PressCtrlKey(g_hWnd, 'S');
  Pump();
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const platform::MessageBoxRecord& box = headless::MessageBoxes()[0];
  EXPECT_EQ(box.textUtf8, "「halfway.stg」は既にあります。\n上書きしますか？");
  EXPECT_EQ(box.captionUtf8, "ギズモワークス Ver.1.10");
  EXPECT_EQ(box.owner, g_hWnd);
  EXPECT_EQ(box.type & 0xFu, MB_YESNO);
  ASSERT_EQ(DialogCount(), 2u);
  const platform::FileDialogRequest& again = LastDialog().request;
  EXPECT_EQ(Cp932ToUtf8(again.title), "ステージファイルの保存");
  EXPECT_EQ(again.fileName, "halfway");
  EXPECT_EQ(again.folder, GamePath("") + "\\");
  EXPECT_EQ(ReadBytes(HostPath("halfway.stg")), other);
  EXPECT_STREQ(g_stageName, "");
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_EQ(g_stageFileChosen, 0);

  // No, then a name nothing has: written without a question.
  headless::QueueFileDialogAnswer(GamePath("halfway"));
  headless::QueueMessageBoxAnswer(IDNO);
  headless::QueueFileDialogAnswer(GamePath("fresh"));
  ASSERT_EQ(SaveStageAsCommand(), 1);
  EXPECT_EQ(headless::MessageBoxes().size(), 2u);
  EXPECT_EQ(DialogCount(), 4u);
  EXPECT_STREQ(g_stageName, "fresh");
  EXPECT_EQ(MagicOf(HostPath("fresh.stg")), "GIZMOWORKS_STAGEEDIT");
  EXPECT_EQ(ReadBytes(HostPath("halfway.stg")), other);

  // Yes replaces it.
  headless::QueueFileDialogAnswer(GamePath("halfway"));
  headless::QueueMessageBoxAnswer(IDYES);
  ASSERT_EQ(SaveStageAsCommand(), 1);
  EXPECT_EQ(headless::MessageBoxes().size(), 3u);
  EXPECT_EQ(DialogCount(), 5u);
  EXPECT_STREQ(g_stageName, "halfway");
  EXPECT_EQ(MagicOf(HostPath("halfway.stg")), "GIZMOWORKS_STAGEEDIT");

  // Typed with its extension, the file is the one the chooser asked about.
  headless::QueueFileDialogAnswer(GamePath("fresh.stg"));
  ASSERT_EQ(SaveStageAsCommand(), 1);
  EXPECT_EQ(LastDialog().request.flags & OFN_OVERWRITEPROMPT, (DWORD)OFN_OVERWRITEPROMPT);
  EXPECT_EQ(headless::MessageBoxes().size(), 3u);
  EXPECT_STREQ(g_stageName, "fresh");
}

// Whatever has the name is asked about, and only Yes goes on.
TEST_F(FileCommands, AnythingInTheWayOfANameWithoutTheExtensionIsAskedAbout) {
  EditStage();
  ASSERT_EQ(mkdir(HostPath("folder.stg").c_str(), 0700), 0);
  ASSERT_EQ(symlink("nowhere.stg", HostPath("link.stg").c_str()), 0);
  for (const std::string name : {"folder", "link"}) {
    headless::ClearMessageBoxes();
    // The box left to its default button: No.
    headless::QueueFileDialogAnswer(GamePath(name));
    EXPECT_EQ(SaveStageAsCommand(), 0) << name;
    ASSERT_EQ(headless::MessageBoxes().size(), 1u) << name;
    EXPECT_EQ(LastMessageUtf8(), "「" + name + ".stg」は既にあります。\n上書きしますか？");
    EXPECT_EQ(headless::MessageBoxes()[0].answer, IDNO);
    EXPECT_EQ(LastDialog().request.fileName, name);
  }
  struct stat st;
  EXPECT_TRUE(S_ISDIR(stat(HostPath("folder.stg").c_str(), &st) == 0 ? st.st_mode : 0));
  EXPECT_FALSE(Exists(HostPath("nowhere.stg")));
  EXPECT_STREQ(g_stageName, "");
}

TEST_F(FileCommands, ExportAndPauseSaveAskBeforeReplacingTheFileANameWithoutTheExtensionWrites) {
  EditStage();
  SaveAs("own.stg");
  g_clearVerified = 1;
  struct Case {
    UINT command;
    std::string ext, titleUtf8, magic;
  };
  const Case cases[] = {{kCmdExportPlayFile, ".ply", "プレイファイルの保存", "GIZMOWORKS_PLAYONLY"},
                        {kCmdSavePause, ".pau", "一時ファイルの保存", "GIZMOWORKS_PLAYPAUSE"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ext);
    if (c.command == kCmdSavePause) Command(kCmdTestPlay);
    const std::string halfway = "halfway" + c.ext;
    std::ofstream(HostPath(halfway)) << "someone else's file";
    const std::vector<uint8_t> other = ReadBytes(HostPath(halfway));
    headless::ClearMessageBoxes();
    const size_t dialogs = DialogCount();

    headless::QueueFileDialogAnswer(GamePath("halfway"));
    headless::QueueMessageBoxAnswer(IDNO);
    headless::QueueFileDialogCancel();
    Command(c.command);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(LastMessageUtf8(), "「" + halfway + "」は既にあります。\n上書きしますか？");
    EXPECT_EQ(headless::MessageBoxes()[0].captionUtf8, "ギズモワークス Ver.1.10");
    ASSERT_EQ(DialogCount(), dialogs + 2);
    EXPECT_EQ(Cp932ToUtf8(LastDialog().request.title), c.titleUtf8);
    EXPECT_EQ(LastDialog().request.fileName, "halfway");
    EXPECT_EQ(ReadBytes(HostPath(halfway)), other);
    EXPECT_STREQ(g_stageName, "own");

    headless::QueueFileDialogAnswer(GamePath("halfway"));
    headless::QueueMessageBoxAnswer(IDYES);
    Command(c.command);
    EXPECT_EQ(headless::MessageBoxes().size(), 2u);
    EXPECT_EQ(MagicOf(HostPath(halfway)), c.magic);

    // Typed with the extension, or a name nothing has: no question.
    headless::QueueFileDialogAnswer(GamePath(halfway));
    Command(c.command);
    headless::QueueFileDialogAnswer(GamePath("fresh"));
    Command(c.command);
    EXPECT_EQ(DialogCount(), dialogs + 5);
    EXPECT_EQ(headless::MessageBoxes().size(), 2u);
    EXPECT_EQ(MagicOf(HostPath("fresh" + c.ext)), c.magic);
  }
}
