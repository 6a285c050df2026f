// The play list on a real (virtual) display: run under xvfb-run. The list
// of a temporary program folder shows its rows over the main window; a
// double click on a row plays that file. The screenshot goes to the build
// folder for a person to look at.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/menus.h"
#include "app/play_list.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "game/goal_reached.h"
#include "platform/gtk_face.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/goals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/snapshot.h"
#include "world/stage_file_format.h"
#include "world/stage_files.h"
#include "world/update_state.h"
#include "title_window_support.h"
#include "window_waits.h"

#ifndef TEST_BUILD_DIR
#define TEST_BUILD_DIR "."
#endif

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof(buf), p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void Pump(int ms) {
  for (int t = 0; t < ms; t += 5) {
    platform::DispatchWaitingMessages(g_hWnd, nullptr);
    usleep(5000);
  }
}

// The head of a play file: what the list reads.
void WriteHead(const std::string& hostPath, int goal, int count, uint32_t id0, const char* editor) {
  std::vector<uint8_t> b(kPlayListHeadSize, 0);
  std::memcpy(b.data(), "GIZMOWORKS_PLAYONLY", 19);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(44, static_cast<uint32_t>(goal));
  put(48, static_cast<uint32_t>(count));
  put(52, id0);
  put(56, 0x1234);
  std::memcpy(b.data() + 68, editor, std::strlen(editor));
  std::ofstream(hostPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// What the dialog looked like when the row was double-clicked.
struct Shown {
  bool checked = false;
  int width = 0;
  std::vector<std::string> cut;  // controls whose text is not shown whole
};
Shown g_shown;

INT_PTR CheckedPlayListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == NM_DBLCLK &&
      !g_shown.checked) {
    g_shown.checked = true;
    g_shown.width = platform::GtkDialogWidth(dialog);
    for (HWND child : platform::GetChildWindows(dialog))
      if (!platform::GtkControlTextShownWhole(child)) {
        char text[256] = "";
        GetWindowTextA(child, text, sizeof text);
        g_shown.cut.push_back(platform::GetWindowInfo(child).className + " " + Cp932ToUtf8(text));
      }
  }
  return PlayListDialogProc(dialog, message, wParam, lParam);
}

}  // namespace

TEST(PlayListWindow, ShowsItsRowsAndADoubleClickPlaysOne) {
  std::string why;
  ASSERT_TRUE(platform::InstallGtkFace(&why)) << why;
  RegisterGameMenus();
  RegisterGameDialogs();
  g_playMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuPlay));
  g_titleMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuTitle));
  MakeTitleWindow();
  ASSERT_NE(g_hWnd, nullptr);
  // Shown and placed: the client area lies under the menu bar.
  ASSERT_TRUE(WaitFor([] {
    Pump(5);
    POINT p{0, 0};
    ClientToScreen(g_hWnd, &p);
    return p.y > 30;
  }, 10000));

  // A program folder with a real play file, three heads and a cleared one.
  char pattern[] = "/tmp/play_list_window.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string dir = pattern;
  std::snprintf(g_programDir, sizeof g_programDir, "%s\\",
                platform::HostPathToGamePath(dir).c_str());
  CreatePhysicsWorld();
  AllocateSnapshotBuffers();
  g_appMode = kModeEdit;
  std::strcpy(g_editorName, Cp932Text("新人エディター"));
  SetGoalType(kGoalBell);
  CreateItem(D3DXVECTOR3(300, 40, 0), nullptr, 10, 6, kKindBox, 0);
  CreateItem(D3DXVECTOR3(340, 60, 0), nullptr, 4, 4, kKindBox, 0);
  g_area.corner1 = D3DXVECTOR3(200, 200, 0);
  g_area.corner2 = D3DXVECTOR3(500, 10, 0);
  g_areaEditState = kAreaDefined;
  g_clearVerified = 1;
  ASSERT_EQ(SaveStageFile(platform::HostPathToGamePath(dir + "/" + "a_bridge").c_str(), kFilePlay),
            1);
  for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
  g_goalType = kGoalNone;
  g_appMode = kModeTitle;
  mkdir((dir + "/more").c_str(), 0755);
  WriteHead(dir + "/b_tower.ply", kGoalTruck, 12, 0xB, "Amy");
  WriteHead(dir + "/more/c_domino.ply", kGoalRocketDoll, 7, 0xC, Cp932Text("ドミノ職人"));
  WriteHead(dir + "/d_swing.ply", kGoalStartBall, 0, 0xDDDDDDDD, "carl");
  {
    std::vector<uint8_t> list(4 + 16, 0);
    list[0] = 1;
    list[4] = 0xB;
    list[8] = 0x34;
    list[9] = 0x12;
    std::ofstream(dir + "/ClearList.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(list.data()), static_cast<std::streamsize>(list.size()));
  }

  // The dialog lies over the main window's client area; its list starts 30
  // pixels down, under its header the first row (the real file, by name).
  POINT origin{0, 0};
  ClientToScreen(g_hWnd, &origin);
  int x = origin.x + 100, y = origin.y + 30 + 24 + 10;
  // Played from the shell in the background, each wait for this process's
  // list window of exactly that name, or for its rows, a minute at most: a
  // picture once the rows are drawn, a second with the list scrolled to its
  // right end (the stage IDs), then a double click on the first row.
  const std::string build = TEST_BUILD_DIR;
  const std::string marks = build + "/play_list_window_marks.txt";
  const std::string rows = "600x120+" + std::to_string(origin.x) + "+" + std::to_string(origin.y + 30);
  Shell("rm -f '" + marks + "'");
  std::ofstream(marks + ".sh") << WindowWaitShellFunctions(getpid()) << "M='" << marks << "'\n"
                               << R"sh(
wait_window 'プレイリスト' > /dev/null || { echo "gave up: no list" >> "$M"; exit 1; }
end=$(($(date +%s) + 60))
until [ "$(import -window root png:- | convert - -crop )sh" << rows << R"sh( -format %k info:)" -gt 2 ]; do
  [ $(date +%s) -gt $end ] && break; sleep 0.1
done
import -window root ')sh" << build << R"sh(/play_list_window.png'
xdotool mousemove )sh" << x << " " << y << R"sh( click --repeat 8 --delay 30 7
import -window root ')sh" << build << R"sh(/play_list_window_ids.png'
xdotool click --repeat 2 --delay 80 1
wait_no_window 'プレイリスト' || { xdotool key Escape; echo "gave up: the list stayed" >> "$M"; exit 1; }
echo closed >> "$M"
)sh";
  Shell("sh '" + marks + ".sh' > /dev/null 2>&1 &");
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogPlayList), g_hWnd, CheckedPlayListProc, 0);

  // The dialog keeps the main window's client width, and every text in it,
  // the instruction and every cell of the list (stage IDs whole), is shown.
  ASSERT_TRUE(g_shown.checked);
  EXPECT_EQ(g_shown.width, 640);
  for (const std::string& cut : g_shown.cut) ADD_FAILURE() << "not shown whole: " << cut;

  EXPECT_EQ(g_playFileCount, 4);
  EXPECT_EQ(g_clearedPlayCount, 1);
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_STREQ(g_stageName, "a_bridge");
  EXPECT_EQ(GetMenu(g_hWnd), g_playMenu);
  EXPECT_EQ(g_goalPanelState, 1);
  std::string marked;
  WaitFor([&] {
    Pump(5);
    marked = Shell("cat '" + marks + "' 2>/dev/null");
    return !marked.empty();
  }, 120000);
  EXPECT_EQ(marked, "closed");

  // The screenshot shows something besides the background around the rows.
  std::string colours = Shell(std::string("convert ") + TEST_BUILD_DIR +
                              "/play_list_window.png -crop 600x120+" + std::to_string(origin.x) +
                              "+" + std::to_string(origin.y + 30) +
                              " -format %k info:");
  EXPECT_GT(std::atoi(colours.c_str()), 2) << colours;

  for (int i = 0; i < kMaxItems; ++i) DestroyItem(i);
  FreeSnapshotBuffers();
  DestroyPhysicsWorld();
  Shell("rm -rf " + dir);
}
