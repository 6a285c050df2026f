// The real program on a virtual display (run under xvfb-run): started from
// another folder, it finds its own folder and data, opens at the place kept
// in Config.dat with the title screen, goes to the editor through the title's
// button, places an item, asks to save on Escape and, answered "No", quits
// and writes Config.dat with where the window was moved to; started again it
// comes back there, and the session's end closes it the same way. Without
// its data it says so under "ERROR". Screenshots go to the build folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/title_screen.h"
#include "window_waits.h"

#ifndef TEST_BUILD_DIR
#define TEST_BUILD_DIR "."
#endif
#ifndef TEST_GAME_BINARY
#define TEST_GAME_BINARY "gizmoworks"
#endif

namespace {

const std::string kBuild = TEST_BUILD_DIR;
const std::string kTitle = "ギズモワークス Ver.1.10";

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

void Wait(int ms) { usleep(ms * 1000); }

// A program folder of its own in the build folder: a copy of the game (its
// folder is where the binary really lies) and, when asked, its data.
std::string MakeProgramFolder(const std::string& name, bool withData) {
  std::string folder = kBuild + "/" + name;
  Shell("rm -rf '" + folder + "' && mkdir -p '" + folder + "' && cp '" TEST_GAME_BINARY "' '" +
        folder + "/gizmoworks'");
  if (withData) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) symlink((std::string(cwd) + "/data").c_str(), (folder + "/data").c_str());
  }
  return folder;
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  return bytes;
}

int32_t Int32At(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                              (static_cast<uint32_t>(b[at + 3]) << 24));
}

void WriteConfig(const std::string& folder, int32_t x, int32_t y, const char* name) {
  unsigned char b[52] = {};
  for (int i = 0; i < 4; ++i) {
    b[4 + i] = static_cast<unsigned char>(static_cast<uint32_t>(x) >> (8 * i));
    b[8 + i] = static_cast<unsigned char>(static_cast<uint32_t>(y) >> (8 * i));
  }
  std::memcpy(b + 12, name, std::strlen(name));
  FILE* f = std::fopen((folder + "/Config.dat").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b, 1, sizeof b, f);
  std::fclose(f);
}

// The game started from the root folder, as a launcher anywhere would; it
// is killed when the test ends.
struct Game : ChildGame {
  void Start(const std::string& folder) {
    ChildGame::Start(folder + "/gizmoworks", "/", folder + "/game.log");
  }
};

// A shown window of the game's own process named exactly name, within a
// minute: a window of the same name may still be there from the process
// before (the server tears a client's windows down only once it gets to it),
// and its id is handed again to a window of the next process, which may be
// another of its windows altogether. Empty when none came.
std::string FindWindow(const std::string& name, pid_t pid) { return WaitForWindowOf(pid, name, 60000); }

std::string WindowName(const std::string& id) { return Shell("xdotool getwindowname " + id); }

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
  int ClientTop() const { return y + height - 480; }  // the GL area lies under the menu bar
};

Geometry GeometryOf(const std::string& id) {
  Geometry g;
  std::string out = Shell("xdotool getwindowgeometry --shell " + id + " 2>/dev/null");
  auto read = [&](const char* key, int* value) {
    const size_t at = out.find(key);
    if (at != std::string::npos) std::sscanf(out.c_str() + at + std::strlen(key), "%d", value);
  };
  read("\nX=", &g.x);
  read("\nY=", &g.y);
  read("WIDTH=", &g.width);
  read("HEIGHT=", &g.height);
  return g;
}

// The window where it was asked to open and at its full size: the toolkit
// makes it at a size of its own first and places and sizes it after, and
// the clicks are aimed from this geometry.
bool PlacedAt(const Geometry& g, int x, int y) {
  return g.x == x && g.y == y && g.width == 640 && g.height > 480;
}

void Screenshot(const std::string& name) {
  Shell("import -window root '" + kBuild + "/" + name + ".png'");
}

// The pixel at a screen point of a screenshot as r, g, b.
struct Rgb {
  int r = -1, g = -1, b = -1;
};
Rgb PixelOf(const std::string& name, int x, int y) {
  std::string out = Shell("convert '" + kBuild + "/" + name + ".png' -crop 1x1+" +
                          std::to_string(x) + "+" + std::to_string(y) +
                          " -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:");
  Rgb c;
  std::sscanf(out.c_str(), "%d %d %d", &c.r, &c.g, &c.b);
  return c;
}

// The mean colour of a rectangle of a screenshot.
Rgb MeanOf(const std::string& name, int x, int y, int width, int height) {
  std::string out = Shell("convert '" + kBuild + "/" + name + ".png' -crop " + std::to_string(width) +
                          "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                          std::to_string(y) +
                          " -scale 1x1! -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:");
  Rgb c;
  std::sscanf(out.c_str(), "%d %d %d", &c.r, &c.g, &c.b);
  return c;
}

// The game's main window where Config.dat puts it (at x, y) at its full size,
// showing the title's ground: where a test aims its clicks from.
::testing::AssertionResult AtTheTitle(const Game& game, const std::string& folder,
                                      const std::string& shot, std::string* id, Geometry* g,
                                      int x = 40, int y = 30) {
  *id = FindWindow(kTitle, game.pid);
  if (id->empty())
    return ::testing::AssertionFailure() << "no window: " << Shell("cat '" + folder + "/game.log'");
  if (!WaitFor([&] {
        *g = GeometryOf(*id);
        return PlacedAt(*g, x, y);
      }, 10000))
    return ::testing::AssertionFailure() << "placed at " << g->x << " " << g->y << " " << g->width
                                         << " x " << g->height;
  Rgb ground;
  if (!WaitFor([&] {
        Screenshot(shot);
        ground = PixelOf(shot, g->x + 20, g->ClientTop() + 470);
        return ground.g > ground.r && ground.g > ground.b;
      }, 60000))
    return ::testing::AssertionFailure() << "no title; ground " << ground.r << " " << ground.g << " "
                                         << ground.b;
  return ::testing::AssertionSuccess();
}

// A press held long enough for a frame to see it, as a hand's click is, even
// when frames come slowly.
void ClickAt(int x, int y) {
  Shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y));
  Wait(100);
  Shell("xdotool mousedown 1");
  Wait(400);
  Shell("xdotool mouseup 1");
  Wait(100);
}

// The middle of a title button, in client pixels, from the title's own layout.
POINT TitleButtonCentre(int button) {
  long sx = 0, sy = 0, n = 0;
  for (LONG y = 0; y < 480; ++y)
    for (LONG x = 0; x < 640; ++x)
      if (TitleButtonAt(POINT{x, y}) == button) sx += x, sy += y, ++n;
  if (n == 0) return POINT{-1, -1};
  return POINT{static_cast<LONG>(sx / n), static_cast<LONG>(sy / n)};
}

}  // namespace

TEST(GameWindow, StartsEditsAndQuitsWithConfigWritten) {
  std::string folder = MakeProgramFolder("window_game", true);
  WriteConfig(folder, 40, 30, "Tester");
  Game game;
  game.Start(folder);
  std::string id = FindWindow(kTitle, game.pid);
  ASSERT_FALSE(id.empty()) << Shell("cat '" + folder + "/game.log'");
  EXPECT_EQ(WindowName(id), kTitle);

  // Where Config.dat put it (once the desktop has placed it), a 640 x 480
  // client area under the menu bar.
  Geometry g;
  WaitFor([&] {
    g = GeometryOf(id);
    return PlacedAt(g, 40, 30);
  }, 10000);
  EXPECT_EQ(g.x, 40);
  EXPECT_EQ(g.y, 30);
  EXPECT_EQ(g.width, 640);
  EXPECT_GT(g.height, 480);
  const int top = g.ClientTop();

  // The title screen, once start-up has loaded everything (slow on a busy
  // machine): the ground below, the two buttons in their colours.
  Rgb ground;
  EXPECT_TRUE(WaitFor([&] {
    Screenshot("game_window_title");
    ground = PixelOf("game_window_title", g.x + 20, top + 470);
    return ground.g > ground.r && ground.g > ground.b;
  }, 60000)) << ground.r << " " << ground.g << " " << ground.b;
  Wait(500);
  Screenshot("game_window_title");
  POINT playList = TitleButtonCentre(kTitleButtonPlayList);
  POINT newStage = TitleButtonCentre(kTitleButtonNewStage);
  ASSERT_GE(newStage.x, 0);
  Rgb blue = PixelOf("game_window_title", g.x + playList.x - 60, top + playList.y);
  EXPECT_GT(blue.b, blue.r) << blue.r << " " << blue.g << " " << blue.b;
  Rgb orange = PixelOf("game_window_title", g.x + newStage.x - 60, top + newStage.y);
  EXPECT_GT(orange.r, orange.b) << orange.r << " " << orange.g << " " << orange.b;

  // The new-stage button: the editor with a new stage.
  ClickAt(g.x + newStage.x, top + newStage.y);
  EXPECT_TRUE(WaitFor([&] { return WindowName(id).find("新規ステージ") != std::string::npos; }, 20000))
      << WindowName(id);
  Wait(500);
  Screenshot("game_window_editor");

  // A click on the empty stage places the palette's item: the stage changed.
  ClickAt(g.x + 200, top + 300);
  bool placed = WaitFor([&] { return WindowName(id).find("* ］") != std::string::npos; }, 20000);
  if (!placed) Screenshot("game_window_item_missing");
  EXPECT_TRUE(placed) << WindowName(id);
  Wait(500);
  Screenshot("game_window_item");

  // The player moves the window.
  Shell("xdotool windowmove " + id + " 120 90");
  EXPECT_TRUE(WaitFor([&] {
    Geometry m = GeometryOf(id);
    return m.x == 120 && m.y == 90;
  }, 3000));
  Wait(300);

  // Escape asks whether to save the changed stage; "No" quits.
  Shell("xdotool mousemove " + std::to_string(120 + 320) + " " + std::to_string(90 + 240));
  Shell("xdotool key Escape");
  const std::string prompt = FindWindow(kTitle, game.pid);  // the main window's title is longer
  EXPECT_FALSE(prompt.empty()) << "quit without asking: " << game.Ended(0);
  Screenshot("game_window_save_prompt");
  Shell("xdotool key alt+n");
  ASSERT_TRUE(game.Ended(30000));
  ASSERT_TRUE(WIFEXITED(game.status));
  EXPECT_EQ(WEXITSTATUS(game.status), 0);

  std::vector<unsigned char> config = ReadBytes(folder + "/Config.dat");
  ASSERT_EQ(config.size(), 52u);
  EXPECT_EQ(Int32At(config, 0), 0);
  EXPECT_EQ(Int32At(config, 4), 120);
  EXPECT_EQ(Int32At(config, 8), 90);
  EXPECT_STREQ(reinterpret_cast<const char*>(config.data() + 12), "Tester");

  // Started again, it opens where it was left. The session ending (SIGTERM)
  // closes it as the close box does: on the title, at once, Config.dat written.
  Game again;
  again.Start(folder);
  std::string id2;
  Geometry g2;
  ASSERT_TRUE(AtTheTitle(again, folder, "game_window_again", &id2, &g2, 120, 90));
  std::remove((folder + "/Config.dat").c_str());
  kill(again.pid, SIGTERM);
  ASSERT_TRUE(again.Ended(60000));
  ASSERT_TRUE(WIFEXITED(again.status));
  EXPECT_EQ(WEXITSTATUS(again.status), 0);
  EXPECT_EQ(ReadBytes(folder + "/Config.dat").size(), 52u);
}

TEST(GameWindow, WithoutItsDataItSaysSoUnderErrorAndEnds) {
  std::string folder = MakeProgramFolder("window_game_nodata", false);
  Game game;
  game.Start(folder);
  std::string id = FindWindow("ERROR", game.pid);
  ASSERT_FALSE(id.empty()) << Shell("cat '" + folder + "/game.log'");
  Wait(500);
  Screenshot("game_window_no_data");
  Shell("xdotool key Return");
  ASSERT_TRUE(game.Ended(30000));
  ASSERT_TRUE(WIFEXITED(game.status));
  EXPECT_EQ(WEXITSTATUS(game.status), 1);
  // Nothing was saved from a start that never finished.
  EXPECT_TRUE(ReadBytes(folder + "/Config.dat").empty());
}

namespace {

// Whether process pid has ended: no such process, or only what is left of
// one until its parent reaps it.
bool ProcessEnded(pid_t pid) {
  const std::vector<unsigned char> bytes = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
  const std::string stat(bytes.begin(), bytes.end());
  const size_t name = stat.rfind(')');
  return name == std::string::npos || stat.compare(name + 1, 3, " Z ") == 0;
}

}  // namespace

// A game started by a test dies with the test, as a test killed at its time
// limit is: no game is left on the display for the next test.
TEST(GameWindow, AGameDiesWithTheTestThatStartedIt) {
  std::string folder = MakeProgramFolder("window_game_orphan", false);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t test = fork();
  if (test == 0) {
    Game game;
    game.Start(folder);
    if (write(fds[1], &game.pid, sizeof game.pid) != sizeof game.pid) _exit(1);
    pause();
    _exit(0);
  }
  close(fds[1]);
  pid_t gamePid = -1;
  ASSERT_EQ(read(fds[0], &gamePid, sizeof gamePid), static_cast<ssize_t>(sizeof gamePid));
  close(fds[0]);
  // Up, saying under "ERROR" that it has no data, and waiting for an answer.
  EXPECT_FALSE(FindWindow("ERROR", gamePid).empty());
  kill(test, SIGKILL);
  waitpid(test, nullptr, 0);
  EXPECT_TRUE(WaitFor([&] { return ProcessEnded(gamePid); }, 30000));
  if (!ProcessEnded(gamePid)) kill(gamePid, SIGKILL);
}

// Clicks as short as a touchpad's tap (xdotool's click: down and up at once)
// press the title's buttons and place one item each on the stage; the play
// list closed over the title leaves no button lit where the pointer was.
TEST(GameWindow, QuickClicksAreNeverLostAndNothingStaysLitAfterThePlayList) {
  std::string folder = MakeProgramFolder("window_game_taps", true);
  WriteConfig(folder, 40, 30, "Tester");
  Game game;
  game.Start(folder);
  std::string id;
  Geometry g;
  ASSERT_TRUE(AtTheTitle(game, folder, "game_window_taps_title", &id, &g));
  const int top = g.ClientTop();
  auto screen = [&](int cx, int cy) { return std::to_string(g.x + cx) + " " + std::to_string(top + cy); };
  const POINT playList = TitleButtonCentre(kTitleButtonPlayList);
  const POINT newStage = TitleButtonCentre(kTitleButtonNewStage);
  Shell("xdotool mousemove " + screen(20, 440));
  Wait(500);
  Screenshot("game_window_taps_title");
  // The button's face (a lit button gains 150 in every channel).
  auto face = [&](const std::string& shot) {
    return MeanOf(shot, g.x + playList.x - 80, top + playList.y - 15, 160, 30);
  };
  const Rgb unlit = face("game_window_taps_title");

  // The play list from a quick click; the pointer leaves the button while the
  // list is open (the game's window hears nothing of that), and Escape
  // closes it.
  Shell("xdotool mousemove " + screen(playList.x, playList.y) + " click 1");
  std::string list = FindWindow("プレイリスト", game.pid);
  ASSERT_FALSE(list.empty());
  Wait(500);
  Screenshot("game_window_taps_play_list");
  Shell("xdotool mousemove " + screen(500, 200));  // over the list
  Wait(200);
  Shell("xdotool key Escape");
  EXPECT_TRUE(WaitUntilNoWindowOf(game.pid, "プレイリスト", 10000));
  Wait(500);
  Screenshot("game_window_taps_after_play_list");
  const Rgb after = face("game_window_taps_after_play_list");
  EXPECT_LT(after.r + after.g + after.b, unlit.r + unlit.g + unlit.b + 40)
      << "lit: " << after.r << " " << after.g << " " << after.b << " unlit: " << unlit.r << " "
      << unlit.g << " " << unlit.b;

  // The new-stage button from a quick click.
  Shell("xdotool mousemove " + screen(newStage.x, newStage.y) + " click 1");
  ASSERT_TRUE(WaitFor([&] { return WindowName(id).find("新規ステージ") != std::string::npos; }, 20000))
      << WindowName(id);
  Wait(500);
  Screenshot("game_window_taps_editor");
  // A placed item of the palette's first kind is cyan; the sky never is.
  auto cyan = [](Rgb c) { return c.r < 60 && c.g > 150 && c.b > 150; };
  for (int k = 0; k < 10; ++k)
    EXPECT_FALSE(cyan(PixelOf("game_window_taps_editor", g.x + 60 + 50 * k, top + 120))) << k;

  // Ten quick clicks on the empty sky of the stage, a moment apart: ten items.
  for (int k = 0; k < 10; ++k) {
    Shell("xdotool mousemove " + screen(60 + 50 * k, 120) + " click 1");
    Wait(400);  // several updates apart, even on a machine under load
  }
  Shell("xdotool mousemove " + screen(200, 300));
  Wait(500);
  Screenshot("game_window_quick_clicks");
  int placed = 0;
  for (int k = 0; k < 10; ++k) {
    Rgb c = PixelOf("game_window_quick_clicks", g.x + 60 + 50 * k, top + 120);
    placed += cyan(c);
    EXPECT_TRUE(cyan(c)) << "click " << k << ": " << c.r << " " << c.g << " " << c.b;
  }
  EXPECT_EQ(placed, 10);

  // Pictures to look at: an item's label and its hints, and the hints of the
  // empty stage with the cursor near the right edge.
  Shell("xdotool mousemove " + screen(210, 120));
  Wait(700);
  Screenshot("game_window_item_label");
  Shell("xdotool mousemove " + screen(445, 200));
  Wait(700);
  Screenshot("game_window_hints_right");
}

namespace {

// A whole screenshot read once, its pixels as r, g, b bytes.
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  Rgb At(int x, int y) const {
    Rgb c;
    if (x < 0 || y < 0 || x >= width || y >= height) return c;
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    c.r = p[0];
    c.g = p[1];
    c.b = p[2];
    return c;
  }
};

Picture ReadPicture(const std::string& name) {
  Picture pic;
  const std::string file = "'" + kBuild + "/" + name + ".png'";
  std::sscanf(Shell("identify -format '%w %h' " + file).c_str(), "%d %d", &pic.width, &pic.height);
  if (FILE* p = popen(("convert " + file + " -depth 8 rgb:-").c_str(), "r")) {
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) pic.rgb.insert(pic.rgb.end(), buf, buf + n);
    pclose(p);
  }
  if (pic.rgb.size() != static_cast<size_t>(pic.width) * pic.height * 3) pic.width = pic.height = 0;
  return pic;
}

}  // namespace

// A message box that follows a file dialog: while it is up the game draws no
// frame, yet the game area around it shows the game's picture again, not
// what the closed dialog left there.
TEST(GameWindow, AMessageBoxAfterAFileDialogStandsOverTheGamesPicture) {
  std::string folder = MakeProgramFolder("window_game_box_after_dialog", true);
  WriteConfig(folder, 40, 30, "Tester");
  {
    FILE* f = std::fopen((folder + "/broken.stg").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a stage of the game, just words long enough to be read as one", f);
    std::fclose(f);
  }
  Game game;
  game.Start(folder);
  std::string id;
  Geometry g;
  ASSERT_TRUE(AtTheTitle(game, folder, "game_window_box_title", &id, &g));
  const int top = g.ClientTop();
  const POINT newStage = TitleButtonCentre(kTitleButtonNewStage);
  ClickAt(g.x + newStage.x, top + newStage.y);
  ASSERT_TRUE(WaitFor([&] { return WindowName(id).find("新規ステージ") != std::string::npos; }, 20000))
      << WindowName(id);
  // The pointer on the menu bar, off the stage (no hint follows it), where
  // the keys still reach the window.
  Shell("xdotool mousemove " + std::to_string(g.x + 620) + " " + std::to_string((g.y + top) / 2));

  // Points of the game area on a 20-pixel grid, away from a box (and its
  // frame) and from the palette's turning preview in the corner: how many of
  // them differ between two screenshots.
  int compared = 0, differing = 0;
  auto compare = [&](const std::string& first, const std::string& second, const Geometry& b) {
    const Picture one = ReadPicture(first);
    const Picture two = ReadPicture(second);
    compared = differing = 0;
    if (one.width == 0 || two.width == 0) return;
    for (int y = 10; y < 480; y += 20)
      for (int x = 10; x < 640; x += 20) {
        const int sx = g.x + x, sy = top + y;
        if (sx > b.x - 40 && sx < b.x + b.width + 40 && sy > b.y - 60 && sy < b.y + b.height + 40)
          continue;
        if (x >= 500 && y >= 370) continue;
        const Rgb before = one.At(sx, sy);
        const Rgb now = two.At(sx, sy);
        ++compared;
        differing += std::abs(before.r - now.r) + std::abs(before.g - now.g) +
                         std::abs(before.b - now.b) > 30;
      }
  };
  // The editor's picture once it has settled: two screenshots in a row alike.
  Screenshot("game_window_box_editor");
  ASSERT_TRUE(WaitFor([&] {
    Shell("mv '" + kBuild + "/game_window_box_editor.png' '" + kBuild + "/game_window_box_editor_0.png'");
    Screenshot("game_window_box_editor");
    compare("game_window_box_editor_0", "game_window_box_editor", Geometry{});
    return compared > 200 && differing == 0;
  }, 30000));

  // The open dialog chooses the file the game cannot read; the box says so.
  Shell("xdotool key ctrl+o");
  ASSERT_FALSE(FindWindow("ステージファイルの読み込み", game.pid).empty());
  Screenshot("game_window_box_open_dialog");
  // Ctrl+L opens the chooser's location entry, where the name is typed.
  Shell("xdotool key ctrl+l");
  Shell("xdotool type --delay 30 'broken.stg'");
  Shell("xdotool key Return");
  std::string box = FindWindow(kTitle, game.pid);
  ASSERT_FALSE(box.empty());
  const Geometry b = GeometryOf(box);

  // Each point shows again what it showed before the dialog.
  WaitFor([&] {
    Screenshot("game_window_box_after_dialog");
    compare("game_window_box_editor", "game_window_box_after_dialog", b);
    return compared > 200 && differing < compared / 20;
  }, 20000);
  EXPECT_GT(compared, 200);
  EXPECT_LT(differing, compared / 20) << differing << " of " << compared << " points changed";

  Shell("xdotool key Return");
  EXPECT_TRUE(WaitUntilNoWindowOf(game.pid, kTitle, 10000));
  kill(game.pid, SIGTERM);
  ASSERT_TRUE(game.Ended(60000));
}

namespace {

// The editor with one item placed, the pointer on the menu bar (off the
// stage, where the keys still reach the window).
::testing::AssertionResult InTheEditorWithAnItem(const Game& game, const std::string& folder,
                                                 const std::string& shot, std::string* id,
                                                 Geometry* g) {
  ::testing::AssertionResult title = AtTheTitle(game, folder, shot, id, g);
  if (!title) return title;
  const int top = g->ClientTop();
  const POINT newStage = TitleButtonCentre(kTitleButtonNewStage);
  ClickAt(g->x + newStage.x, top + newStage.y);
  if (!WaitFor([&] { return WindowName(*id).find("新規ステージ") != std::string::npos; }, 20000))
    return ::testing::AssertionFailure() << "no editor: " << WindowName(*id);
  ClickAt(g->x + 200, top + 300);
  if (!WaitFor([&] { return WindowName(*id).find("* ］") != std::string::npos; }, 20000))
    return ::testing::AssertionFailure() << "no item placed: " << WindowName(*id);
  Shell("xdotool mousemove " + std::to_string(g->x + 620) + " " + std::to_string((g->y + top) / 2));
  return ::testing::AssertionSuccess();
}

}  // namespace

// Ctrl goes up while a shortcut's window has the keyboard: the game's window
// never hears it, yet the plain keys that follow are plain keys.
TEST(GameWindow, PlainKeysAfterTheShortcutsWindowsAreNoShortcuts) {
  std::string folder = MakeProgramFolder("window_game_keys", true);
  WriteConfig(folder, 40, 30, "Tester");
  Game game;
  game.Start(folder);
  std::string id;
  Geometry g;
  ASSERT_TRUE(InTheEditorWithAnItem(game, folder, "game_window_keys_title", &id, &g));
  const int top = g.ClientTop();

  // A shortcut's window comes up, and goes with the keys answering it.
  auto through = [&](const std::string& shortcut, const std::string& name, const std::string& answer) {
    Shell("xdotool key " + shortcut);
    if (WaitForWindowOf(game.pid, name, 30000).empty()) return false;
    Screenshot("game_window_keys_" + shortcut);
    Shell("xdotool key " + answer);
    return WaitUntilNoWindowOf(game.pid, name, 30000);
  };
  // Ctrl+N asks to save the changed stage; No gives a new one.
  ASSERT_TRUE(through("ctrl+n", kTitle, "alt+n"));
  ASSERT_TRUE(WaitFor([&] { return WindowName(id).find("* ］") == std::string::npos; }, 20000))
      << WindowName(id);
  ClickAt(g.x + 200, top + 300);
  ASSERT_TRUE(WaitFor([&] { return WindowName(id).find("* ］") != std::string::npos; }, 20000))
      << WindowName(id);
  Shell("xdotool mousemove " + std::to_string(g.x + 620) + " " + std::to_string((g.y + top) / 2));
  ASSERT_TRUE(through("ctrl+o", "ステージファイルの読み込み", "Escape"));
  ASSERT_TRUE(through("ctrl+p", "プレイリスト", "Escape"));
  const std::string changed = WindowName(id);

  // Where the placed item shows, away from the palette's turning preview:
  // the height of the middle of its points (a movable item is green or cyan,
  // no grass, sky or hint is), and how many there are.
  struct Item {
    int points = 0, middleY = 0;
  };
  auto item = [&](const std::string& shot) {
    Screenshot(shot);
    const Picture pic = ReadPicture(shot);
    Item it;
    long sumY = 0;
    for (int y = 0; y < 480; y += 2)
      for (int x = 0; x < 640; x += 2) {
        const Rgb c = pic.At(g.x + x, top + y);
        if ((x >= 500 && y >= 370) || c.r < 0 || c.r >= 40 || c.g <= 150) continue;
        ++it.points;
        sumY += y;
      }
    if (it.points) it.middleY = static_cast<int>(sumY / it.points);
    return it;
  };
  const Item before = item("game_window_keys_before");
  ASSERT_GT(before.points, 40);

  // Z (the resize key, not the undo) and then S held: the view scrolls
  // down, and the item with the stage.
  Shell("xdotool key z keydown s");
  Item after;
  const bool scrolled = WaitFor([&] {
    after = item("game_window_keys_scrolled");
    return after.points > before.points / 2 && std::abs(after.middleY - before.middleY) >= 16;
  }, 30000);
  Shell("xdotool keyup s");
  EXPECT_TRUE(scrolled) << before.points << " points at " << before.middleY << ", now "
                        << after.points << " at " << after.middleY;
  // No dialog came, and the stage was neither saved nor undone.
  EXPECT_TRUE(ShownWindowsOf(game.pid, "ステージファイルの保存").empty());
  EXPECT_EQ(WindowName(id), changed);
  EXPECT_EQ(Shell("ls '" + folder + "' | grep -c '\\.stg$'"), "0");
}

// The session's end asks as the close box does. Cancelled, the game plays
// on, and the next signal asks again; one more while the question is up
// ends the game at once.
TEST(GameWindow, ASignalAfterACancelledCloseAsksAgain) {
  std::string folder = MakeProgramFolder("window_game_signals", true);
  WriteConfig(folder, 40, 30, "Tester");
  Game game;
  game.Start(folder);
  std::string id;
  Geometry g;
  ASSERT_TRUE(InTheEditorWithAnItem(game, folder, "game_window_signals_title", &id, &g));
  auto asked = [&] { return !WaitForWindowOf(game.pid, kTitle, 30000).empty(); };

  kill(game.pid, SIGTERM);
  ASSERT_TRUE(asked());
  Screenshot("game_window_signals_asked");
  Shell("xdotool key Escape");  // キャンセル
  ASSERT_TRUE(WaitUntilNoWindowOf(game.pid, kTitle, 30000));
  EXPECT_FALSE(game.Ended(0));

  kill(game.pid, SIGTERM);
  ASSERT_TRUE(asked()) << "ended: " << game.Ended(0);
  EXPECT_FALSE(game.Ended(0));
  kill(game.pid, SIGHUP);
  ASSERT_TRUE(game.Ended(30000));
  EXPECT_TRUE(WIFSIGNALED(game.status) && WTERMSIG(game.status) == SIGHUP) << game.status;
}
