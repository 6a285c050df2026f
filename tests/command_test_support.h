// The main window with its real procedure and the game's three menus, a
// physics world, and a temporary folder for stage, play and pause files, for
// the tests of the window procedure's commands.
//
// The frame belongs to another part of the game; where it is not linked in,
// the weak stand-in below records what the window procedure asked of it.
#pragma once
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_steps.h"
#include "app/dialogs.h"
#include "app/small_dialogs.h"
#include "app/file_commands.h"
#include "app/menus.h"
#include "app/play_list.h"
#include "app/save_command.h"
#include "app/shell_globals.h"
#include "app/window_proc.h"
#include "app/window_title.h"
#include "game/frame.h"
#include "game/goal_reached.h"
#include "game/runs.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/goals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/rotations.h"
#include "world/snapshot.h"
#include "world/stage_files.h"
#include "world/update_state.h"

// What the stand-ins saw.
struct StandInLog {
  int frames = 0;  // RunFrame calls
};
inline StandInLog g_standIns;

__attribute__((weak)) int32_t g_appInactive = 0;
__attribute__((weak)) void RunFrame() { ++g_standIns.frames; }

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    g_standIns = StandInLog();
    RegisterGameMenus();
    RegisterGameAccelerators();
    RegisterGameDialogs();
    g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
    g_playMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuPlay));
    g_titleMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuTitle));
    accelerators_ = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(kAccelTable));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWndProc;
    wc.lpszClassName = "Generic Game SDK Window";
    RegisterClassExA(&wc);
    std::strcpy(g_appTitle, Cp932Text("ギズモワークス Ver.1.10"));
    g_hWnd = CreateWindowExA(WS_EX_ACCEPTFILES, wc.lpszClassName, g_appTitle,
                             WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                             640, 480, nullptr, g_titleMenu, nullptr, nullptr);
    ASSERT_NE(g_hWnd, nullptr);
    // A named editor, so that a new stage does not ask for a name.
    std::strcpy(g_editorName, "tester");
    CreatePhysicsWorld();
    AllocateSnapshotBuffers();
    g_appMode = kModeEdit;
    g_goalType = kGoalNone;
    g_cursorVisible = 1;

    char pattern[] = "/tmp/commands_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::snprintf(g_programDir, sizeof g_programDir, "%s\\", GamePath("").c_str());
    g_ofn.lpstrInitialDir = g_programDir;
  }
  void TearDown() override {
    for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
    FreeSnapshotBuffers();
    DestroyPhysicsWorld();
    RemoveFolder(dir_);
  }

  static void RemoveFolder(const std::string& dir) {
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::string path = dir + "/" + e->d_name;
        if (e->d_type == DT_DIR) RemoveFolder(path);
        else unlink(path.c_str());
      }
      closedir(d);
    }
    rmdir(dir.c_str());
  }

  // A file of the temporary folder: as the host names it, and as the game
  // and its dialogs name it (CP932, backslashes).
  std::string HostPath(const std::string& nameUtf8) const { return dir_ + "/" + nameUtf8; }
  std::string GamePath(const std::string& nameUtf8) const {
    std::string host = nameUtf8.empty() ? dir_ : HostPath(nameUtf8);
    return platform::HostPathToGamePath(host);
  }
  static bool Exists(const std::string& hostPath) { return access(hostPath.c_str(), F_OK) == 0; }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
      closedir(d);
    }
    return names;
  }

  static LRESULT Command(UINT id) { return SendMessageA(g_hWnd, WM_COMMAND, id, 0); }
  // The messages waiting now, through the accelerators as the main loop
  // takes them. Returns false when the loop would end (WM_QUIT).
  bool Pump() { return platform::DispatchWaitingMessages(g_hWnd, accelerators_); }
  static bool QuitPosted() {
    for (const MSG& m : platform::PendingMessages())
      if (m.message == WM_QUIT) return true;
    return false;
  }

  static std::string Title() { return headless::WindowTitleUtf8(g_hWnd); }
  static HMENU Shown() { return GetMenu(g_hWnd); }
  static headless::MenuItemView Bar(int position) {
    return headless::MenuItemAt(g_editorMenu, position);
  }
  static bool Enabled(UINT id) { return headless::MenuItemById(g_editorMenu, id).enabled; }
  static std::string LastMessageUtf8() {
    const auto& boxes = headless::MessageBoxes();
    return boxes.empty() ? std::string() : boxes.back().textUtf8;
  }
  // Each modal dialog that opens from now on adds its caption (UTF-8) and is
  // then closed.
  void WatchDialogs(int count) {
    for (int i = 0; i < count; ++i) {
      headless::QueueDialogAction([this](HWND dialog) {
        char caption[256] = "";
        GetWindowTextA(dialog, caption, sizeof caption);
        dialogs_.push_back(Cp932ToUtf8(caption));
        EXPECT_EQ(GetParent(dialog), g_hWnd);
        EndDialog(dialog, 0);
      });
    }
  }
  static size_t DialogCount() { return headless::FileDialogs().size(); }
  static const platform::FileDialogRecord& LastDialog() { return headless::FileDialogs().back(); }

  static int LiveItems() {
    int n = 0;
    for (const StageItem& it : g_items) n += it.state != kItemFree;
    return n;
  }
  static int LiveItemsOfMode(int mode) {
    int n = 0;
    for (const StageItem& it : g_items) n += it.state != kItemFree && it.createdInMode == mode;
    return n;
  }
  static D3DXVECTOR3 Pos(int item) {
    D3DXVECTOR3 p;
    ConvertOdeVectorToVector3(dGeomGetPosition(g_items[item].geom), &p);
    return p;
  }
  static int FindKind(int kind) {
    for (int i = 0; i < kMaxItems; ++i)
      if (g_items[i].state != kItemFree && g_items[i].kind == kind) return i;
    return -1;
  }

  // A stage in stage editing as the editor shows it: the editor menu, a goal,
  // two boxes, a defined area, the test play allowed, undo pair taken.
  static void EditStage(int goal = kGoalBell) {
    SetMenu(g_hWnd, g_editorMenu);
    g_appMode = kModeEdit;
    g_isPlayFile = 0;
    SetGoalType(goal);
    CreateItem(D3DXVECTOR3(300, 40, 0), nullptr, 10, 6, kKindBox, 0);
    CreateItem(D3DXVECTOR3(340, 60, 0), nullptr, 4, 4, kKindBox, 1);
    g_area.corner1 = D3DXVECTOR3(200, 200, 0);
    g_area.corner2 = D3DXVECTOR3(500, 10, 0);
    g_areaEditState = kAreaDefined;
    SetEditorBarState(kEditorMenuTestPlayPos, MFS_ENABLED);
    ResetUndoPair();
    UpdateWindowTitle();
  }
  // Marks the stage changed as an edit would.
  static void Edit() {
    g_stageModified = 1;
    UpdateWindowTitle();
  }
  // A player's item placed in the placing mode.
  static int PlaceBall(float x = 320, float y = 120) {
    return CreateItem(D3DXVECTOR3(x, y, 0), nullptr, 3, 0, kKindBall, 1);
  }
  // A run under way: started from the placing mode, a ball moved as the run
  // would move it, the cursor hidden by the idle mouse.
  static void RunUnderWay(int ball) {
    ASSERT_EQ(g_appMode, kModePlay);
    StartRun();
    ASSERT_EQ(g_appMode, kModeRun);
    dBodySetPosition(g_items[ball].body, 330, 5, 0);
    g_cameraPos = D3DXVECTOR3(330, 20, -80);
    ShowCursor(FALSE);
    g_cursorVisible = 0;
  }

  std::string dir_;
  HACCEL accelerators_ = nullptr;
  std::vector<std::string> dialogs_;  // captions of the modal dialogs seen
};
