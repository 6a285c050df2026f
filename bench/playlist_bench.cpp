// Opening the play list over a folder of many play files on the real desktop
// face: the main thread's processor time from the dialog being asked for
// until the list has been drawn and the main loop has nothing left to do
// (everything the list view does in the background included), beside the
// wall-clock time of the same span. Needs a display; run it under Xvfb:
//
//   xvfb-run -a build/bench/playlist_bench [files [openings]]
//
// The figures are medians over the openings (the first opening counts too:
// a player opens the list once and waits for it).
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/menus.h"
#include "app/play_list.h"
#include "app/shell_globals.h"
#include "platform/gtk_face.h"
#include "platform/text_encoding.h"
#include "platform/win_dialog.h"
#include "platform/win_files.h"
#include "platform/win_message.h"
#include "platform/win_user.h"
#include "platform/win_window.h"
#include "world/globals.h"
#include "world/stage_file_format.h"
#include "tests/title_window_support.h"

namespace {

double Now(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// The head of a play file: all the list reads of it.
void WriteHead(const std::string& path, int n) {
  std::vector<uint8_t> b(kPlayListHeadSize, 0);
  std::memcpy(b.data(), "GIZMOWORKS_PLAYONLY", 19);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(44, static_cast<uint32_t>(n % 4));
  put(48, static_cast<uint32_t>(n * 7 % 500));
  for (int w = 0; w < 4; ++w) put(52 + 4 * w, 0x9E3779B9u * static_cast<uint32_t>(n + 1) + 0x1234567u * w);
  std::string editor = "editor" + std::to_string(n % 37);
  std::memcpy(b.data() + 68, editor.data(), editor.size());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

struct Opening {
  HWND dialog = nullptr;
  GtkWidget* window = nullptr;
  bool drawn = false;
  bool done = false;
  double cpuEnd = 0, wallEnd = 0;
  double initMs = 0;  // the dialog procedure's own start: scan, rows, sort
};
Opening g_opening;

gboolean OnIdleAfterDraw(gpointer) {
  // Nothing of higher priority is left: the list view's background work is over.
  g_opening.cpuEnd = Now(CLOCK_THREAD_CPUTIME_ID);
  g_opening.wallEnd = Now(CLOCK_MONOTONIC);
  g_opening.done = true;
  PostMessageA(g_opening.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return G_SOURCE_REMOVE;
}

gboolean OnDialogDrawn(GtkWidget*, cairo_t*, gpointer) {
  if (!g_opening.drawn) {
    g_opening.drawn = true;
    g_idle_add_full(G_PRIORITY_LOW, OnIdleAfterDraw, nullptr, nullptr);
  }
  return FALSE;
}

INT_PTR TimedPlayListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    g_opening.dialog = dialog;
    // The dialog's own window is the newest top-level one besides the main window.
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
      const char* title = gtk_window_get_title(GTK_WINDOW(l->data));
      if (title && std::strcmp(title, "プレイリスト") == 0) g_opening.window = GTK_WIDGET(l->data);
    }
    g_list_free(all);
    if (g_opening.window)
      g_signal_connect_after(g_opening.window, "draw", G_CALLBACK(OnDialogDrawn), nullptr);
    double start = Now(CLOCK_THREAD_CPUTIME_ID);
    INT_PTR result = PlayListDialogProc(dialog, message, wParam, lParam);
    g_opening.initMs = Now(CLOCK_THREAD_CPUTIME_ID) - start;
    return result;
  }
  return PlayListDialogProc(dialog, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  int files = argc > 1 ? std::atoi(argv[1]) : 1000;
  int openings = argc > 2 ? std::atoi(argv[2]) : 5;
  if (files < 1) files = 1000;
  if (openings < 1) openings = 5;

  std::string why;
  if (!platform::InstallGtkFace(&why)) {
    std::fprintf(stderr, "playlist_bench: %s (run it under xvfb-run)\n", why.c_str());
    return 1;
  }
  char pattern[] = "/tmp/playlist_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string dir = pattern;
  mkdir((dir + "/more").c_str(), 0755);
  for (int i = 0; i < files; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s/stage_%04d.ply", i % 5 == 4 ? "/more" : "", i);
    WriteHead(dir + name, i);
  }
  std::snprintf(g_programDir, sizeof g_programDir, "%s\\",
                platform::HostPathToGamePath(dir).c_str());

  RegisterGameMenus();
  RegisterGameDialogs();
  g_titleMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuTitle));
  MakeTitleWindow();
  g_appMode = kModeTitle;
  for (int t = 0; t < 100; ++t) {
    platform::DispatchWaitingMessages(g_hWnd, nullptr);
    usleep(5000);
  }

  std::vector<double> cpu, wall, init;
  for (int i = 0; i < openings; ++i) {
    g_opening = Opening{};
    double cpu0 = Now(CLOCK_THREAD_CPUTIME_ID), wall0 = Now(CLOCK_MONOTONIC);
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogPlayList), g_hWnd, TimedPlayListProc, 0);
    if (!g_opening.done) {
      std::fprintf(stderr, "playlist_bench: the list was never drawn\n");
      return 1;
    }
    cpu.push_back(g_opening.cpuEnd - cpu0);
    wall.push_back(g_opening.wallEnd - wall0);
    init.push_back(g_opening.initMs);
    std::printf("opening %d: main thread %.1f ms (of which the dialog's start %.1f), wall %.1f ms, rows %d\n",
                i + 1, cpu.back(), init.back(), wall.back(), g_playFileCount);
  }
  std::string rm = "rm -rf '" + dir + "'";
  if (std::system(rm.c_str()) != 0) std::fprintf(stderr, "playlist_bench: %s failed\n", rm.c_str());
  std::printf("playlist%d_start_ms=%.1f playlist%d_wall_ms=%.1f openings=%d playlist%d_open_ms=%.1f\n",
              files, Median(init), files, Median(wall), openings, files, Median(cpu));
  return 0;
}
