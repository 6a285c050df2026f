// Start-up and shut-down without a display: the program's folder, Config.dat
// on disk, the whole start-up on a headless drawing context with the real
// data folder, failures reported under "ERROR", the main loop's choices, and
// everything released at the end with Config.dat written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/dialogs.h"
#include "app/fonts_textures.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/small_dialogs.h"
#include "app/startup.h"
#include "app/title_screen.h"
#include "game/frame.h"
#include "platform/d3dx9.h"
#include "platform/gl_context.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_dialog.h"
#include "platform/win_kernel.h"
#include "platform/win_user.h"
#include "ordinary_user.h"
#include "system_call_filter.h"
#include "platform/winmm.h"
#include "render/meshes.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/snapshot.h"

namespace {

std::string MakeTempFolder() {
  char pattern[] = "/tmp/startup_test_XXXXXX";
  const char* made = mkdtemp(pattern);
  return made ? made : "";
}

// Plays the program living in hostFolder (its Config.dat goes there).
void PretendProgramIn(const std::string& hostFolder) {
  platform::SetProgramPathForTests((hostFolder + "/gizmoworks").c_str());
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

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

int32_t Int32At(const std::vector<unsigned char>& b, size_t at) {
  return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                              (static_cast<uint32_t>(b[at + 3]) << 24));
}

// A Config.dat image: reserved, x, y and a name.
std::vector<unsigned char> ConfigImage(int32_t reserved, int32_t x, int32_t y, const char* name) {
  std::vector<unsigned char> b(52, 0);
  int32_t fields[3] = {reserved, x, y};
  for (int f = 0; f < 3; ++f)
    for (int i = 0; i < 4; ++i) b[4 * f + i] = static_cast<unsigned char>(static_cast<uint32_t>(fields[f]) >> (8 * i));
  std::memcpy(b.data() + 12, name, std::strlen(name));
  return b;
}

const std::string kDefaultName = Cp932Text("新人エディター");

// Everything the loop and frames need, on a context without a window: one
// for the whole process, as the device never owns its context.
void UseHeadlessDrawing() {
  std::string why;
  static GlContext* const context = CreateHeadlessGlContext(&why);
  ASSERT_NE(context, nullptr) << why;
  SetGlContext(context);
}

// Waits (a minute at most) until the texture read-ahead has prepared every
// texture asked of it.
bool ReadAheadFinished() {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (TexturesLeftToReadAhead() != 0) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Goes back to the folder the case started in, however the case ends.
struct BackToStartFolder {
  char start[4096] = "";
  BackToStartFolder() { EXPECT_NE(getcwd(start, sizeof start), nullptr); }
  ~BackToStartFolder() { EXPECT_EQ(chdir(start), 0); }
};

}  // namespace

TEST(ConfigFile, RecordIsWrittenFieldByFieldAndReadBack) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  Config config = {};
  config.reserved = 77;  // never stored
  config.windowX = -3;
  config.windowY = 0x1234;
  std::strcpy(config.editorName, Cp932Text("表示テスト"));  // a trail byte 0x5C inside
  ASSERT_EQ(WriteConfigFile(platform::HostPathToGamePath(path).c_str(), &config), 1);

  std::vector<unsigned char> b = ReadBytes(path);
  ASSERT_EQ(b.size(), 52u);
  EXPECT_EQ(Int32At(b, 0), 0);
  EXPECT_EQ(b[4], 0xFD);
  EXPECT_EQ(b[7], 0xFF);
  EXPECT_EQ(b[8], 0x34);
  EXPECT_EQ(b[9], 0x12);
  EXPECT_EQ(b[11], 0x00);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 12)), config.editorName);
  for (size_t i = 12 + std::strlen(config.editorName); i < 52; ++i) EXPECT_EQ(b[i], 0) << i;

  Config back;
  ASSERT_EQ(ReadConfigFile(platform::HostPathToGamePath(path).c_str(), &back), 1);
  EXPECT_EQ(back.reserved, 0);
  EXPECT_EQ(back.windowX, -3);
  EXPECT_EQ(back.windowY, 0x1234);
  EXPECT_STREQ(back.editorName, config.editorName);

  // A record with more after it: the first 52 bytes are the record.
  std::vector<unsigned char> longer = ConfigImage(5, 10, 20, "Long");
  longer.resize(60, 0xEE);
  WriteBytes(path, longer);
  ASSERT_EQ(ReadConfigFile(path.c_str(), &back), 1);
  EXPECT_EQ(back.reserved, 0);
  EXPECT_EQ(back.windowX, 10);
  EXPECT_EQ(back.windowY, 20);
  EXPECT_STREQ(back.editorName, "Long");
}

TEST(ConfigFile, MissingShortOrDamagedFilesGiveTheDefaults) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  auto expectDefaults = [&](const Config& c) {
    EXPECT_EQ(c.reserved, 0);
    EXPECT_EQ(c.windowX, 0);
    EXPECT_EQ(c.windowY, 0);
    EXPECT_EQ(std::string(c.editorName), kDefaultName);
    for (size_t i = kDefaultName.size(); i < sizeof c.editorName; ++i) EXPECT_EQ(c.editorName[i], 0);
  };
  Config c;
  std::memset(&c, 0x5A, sizeof c);
  EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 0);  // not there
  expectDefaults(c);

  for (size_t size : {0u, 4u, 12u, 30u, 51u}) {
    std::vector<unsigned char> cut = ConfigImage(0, 300, 400, "Cut");
    cut.resize(size);
    WriteBytes(path, cut);
    std::memset(&c, 0x5A, sizeof c);
    EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 0) << size;
    expectDefaults(c);
  }

  // A name that fills its field without an end is not read past the field:
  // the default name, the place kept.
  std::vector<unsigned char> unended = ConfigImage(0, 300, 400, "");
  std::memset(unended.data() + 12, 'A', 40);
  WriteBytes(path, unended);
  EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 0);
  EXPECT_EQ(c.windowX, 300);
  EXPECT_EQ(c.windowY, 400);
  EXPECT_EQ(std::string(c.editorName), kDefaultName);

  // A name that is not CP932 text (a lead byte without its second byte,
  // bytes no character has, control characters): the default name, the
  // place kept. A Japanese name is kept.
  for (const char* bad : {"\x81\x20\xFF\xFE", "ab\x82", "\xA0x", "tab\there", "\x1B[2J"}) {
    WriteBytes(path, ConfigImage(0, 300, 400, bad));
    EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 0) << bad;
    EXPECT_EQ(c.windowX, 300);
    EXPECT_EQ(c.windowY, 400);
    EXPECT_EQ(std::string(c.editorName), kDefaultName) << bad;
  }
  WriteBytes(path, ConfigImage(0, 300, 400, Cp932Text("職人ｶﾅ")));
  EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 1);
  EXPECT_EQ(std::string(c.editorName), Cp932Text("職人ｶﾅ"));

  // A place no screen has: the default place, the name kept.
  for (int32_t bad : {INT32_MIN, -32769, 32768, 0x7FFFFFFF}) {
    WriteBytes(path, ConfigImage(0, bad, 10, "Keeper"));
    EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 0) << bad;
    EXPECT_EQ(c.windowX, 0);
    EXPECT_EQ(c.windowY, 0);
    EXPECT_STREQ(c.editorName, "Keeper");
    WriteBytes(path, ConfigImage(0, 10, bad, "Keeper"));
    EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 0) << bad;
    EXPECT_EQ(c.windowX, 0);
    EXPECT_EQ(c.windowY, 0);
  }
  WriteBytes(path, ConfigImage(0, -32768, 32767, "Edge"));
  EXPECT_EQ(ReadConfigFile(path.c_str(), &c), 1);
  EXPECT_EQ(c.windowX, -32768);
  EXPECT_EQ(c.windowY, 32767);

  // A folder where the file should be.
  std::string dir = folder + "/Dir.dat";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_EQ(ReadConfigFile(dir.c_str(), &c), 0);
  expectDefaults(c);
  EXPECT_EQ(WriteConfigFile(dir.c_str(), &c), 0);
  struct stat st;
  ASSERT_EQ(stat(dir.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));  // a folder is never replaced
}

TEST(ConfigFile, AWriteThatFailsLeavesTheOldSettings) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  std::vector<unsigned char> old = ConfigImage(0, 7, 8, "Keeper");
  WriteBytes(path, old);
  // The disk fills up after 20 bytes.
  signal(SIGXFSZ, SIG_IGN);
  rlimit keep;
  getrlimit(RLIMIT_FSIZE, &keep);
  rlimit small = keep;
  small.rlim_cur = 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Config config;
  SetDefaultConfig(&config);
  int result = WriteConfigFile(path.c_str(), &config);
  setrlimit(RLIMIT_FSIZE, &keep);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(WriteConfigFile(path.c_str(), &config), 1);
  EXPECT_EQ(ReadBytes(path), ConfigImage(0, 0, 0, kDefaultName.c_str()));
  // Nothing but the settings is left in the folder.
  ASSERT_EQ(unlink(path.c_str()), 0);
  EXPECT_EQ(rmdir(folder.c_str()), 0);
}

TEST(ConfigFile, APipeOfThatNameNeverHoldsStartUp) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  Config config;
  std::memset(&config, 0x55, sizeof config);
  alarm(30);  // a pipe with no writer would otherwise wait for ever
  EXPECT_EQ(ReadConfigFile(path.c_str(), &config), 0);
  alarm(0);
  Config defaults;
  SetDefaultConfig(&defaults);
  EXPECT_EQ(std::memcmp(&config, &defaults, sizeof config), 0);
}

TEST(ConfigFile, ALinkInItsPlaceIsFollowedAndALoopOfLinksIsNotWritten) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  ASSERT_EQ(mkdir((folder + "/kept").c_str(), 0700), 0);
  // The settings are kept elsewhere, in a file not made yet.
  ASSERT_EQ(symlink("kept/Settings.dat", path.c_str()), 0);
  Config config;
  SetDefaultConfig(&config);
  config.windowX = 9;
  EXPECT_EQ(WriteConfigFile(path.c_str(), &config), 1);
  EXPECT_EQ(ReadBytes(folder + "/kept/Settings.dat"), ConfigImage(0, 9, 0, kDefaultName.c_str()));
  struct stat st;
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A link to itself names no file at all: nothing is written, the link stays.
  ASSERT_EQ(unlink(path.c_str()), 0);
  ASSERT_EQ(symlink("Config.dat", path.c_str()), 0);
  EXPECT_EQ(WriteConfigFile(path.c_str(), &config), 0);
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  unlink(path.c_str());
  unlink((folder + "/kept/Settings.dat").c_str());
  rmdir((folder + "/kept").c_str());
  EXPECT_EQ(rmdir(folder.c_str()), 0);  // nothing else was left
}

// In a sticky folder open to all (as /tmp), a link that another user put in
// the settings' place is not followed: the player's file it names is not
// written over.
TEST(ConfigFile, AnotherUsersLinkInAStickyFolderIsNotFollowed) {
  ScratchFolder sticky, home;
  ASSERT_RAN(PlantLinkToNotes(sticky, home, "Config.dat"));
  const std::string path = sticky / "Config.dat";
  ASSERT_AS_USER(kPlayerUser, [&]() -> std::string {
    Config config;
    SetDefaultConfig(&config);
    ORDINARY_CHECK(WriteConfigFile(path.c_str(), &config) == 0);
    ORDINARY_CHECK(TextOf(home / "notes.txt") == "my");
    return "";
  });
}

TEST(ConfigFile, AWriteProtectedFileKeepsItsSettings) {
  EXPECT_AS_ORDINARY_USER([]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    const std::string path = folder / "Config.dat";
    Config config;
    SetDefaultConfig(&config);
    config.windowX = 5;
    ORDINARY_CHECK(WriteConfigFile(path.c_str(), &config) == 1);
    ORDINARY_CHECK(chmod(path.c_str(), 0444) == 0);
    config.windowX = 6;
    ORDINARY_CHECK(WriteConfigFile(path.c_str(), &config) == 0);
    Config back;
    ReadConfigFile(path.c_str(), &back);
    ORDINARY_CHECK(back.windowX == 5);
    return "";
  });
}

#if defined(__x86_64__)
// Settings that could not be read at start-up are not lost at shut-down: the
// game runs with the defaults and leaves the file as it was. A missing or
// short file gives the defaults and is written at the end, as always.
TEST(ConfigFile, AFileThatCouldNotBeReadIsNotWrittenOver) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  const std::vector<unsigned char> kept = ConfigImage(0, 40, 30, "Tester");
  WriteBytes(path, kept);
  std::snprintf(g_configPath, sizeof g_configPath, "%s", path.c_str());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!FailEveryRead()) _exit(2);  // the disk fails every read
    ReadSettings();
    if (g_keepConfigFile != 1) _exit(3);
    if (g_config.windowX != 0 || g_config.windowY != 0 || kDefaultName != g_editorName) _exit(4);
    WriteSettings();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no system-call filter here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3: taken as read, 4: not the defaults";
  EXPECT_EQ(ReadBytes(path), kept);

  // Read whole, the same file is the player's settings and is written back.
  ReadSettings();
  EXPECT_EQ(g_keepConfigFile, 0);
  EXPECT_STREQ(g_editorName, "Tester");
  g_config.windowX = 41;
  WriteSettings();
  EXPECT_EQ(ReadBytes(path), ConfigImage(0, 41, 30, "Tester"));

  for (size_t size : {0, 10}) {
    std::vector<unsigned char> shortFile(kept.begin(), kept.begin() + size);
    WriteBytes(path, shortFile);
    ReadSettings();
    EXPECT_EQ(g_keepConfigFile, 0) << size;
    EXPECT_EQ(std::string(g_editorName), kDefaultName) << size;
    WriteSettings();
    EXPECT_EQ(ReadBytes(path), ConfigImage(0, 0, 0, kDefaultName.c_str())) << size;
  }
  ASSERT_EQ(unlink(path.c_str()), 0);
  ReadSettings();
  EXPECT_EQ(g_keepConfigFile, 0);
  WriteSettings();
  EXPECT_EQ(ReadBytes(path), ConfigImage(0, 0, 0, kDefaultName.c_str()));
  unlink(path.c_str());
  EXPECT_EQ(rmdir(folder.c_str()), 0);
}
#endif

// Another game reading or writing the settings holds its folder's lock. One
// held past any game's need is neither read through nor written over.
TEST(ConfigFile, AnotherGamesLockHeldPastItsWaitIsNeitherReadNorWrittenThrough) {
  std::string folder = MakeTempFolder();
  std::string path = folder + "/Config.dat";
  const std::vector<unsigned char> kept = ConfigImage(0, 40, 30, "Tester");
  WriteBytes(path, kept);
  int other = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  Config config;
  SetDefaultConfig(&config);
  EXPECT_EQ(WriteConfigFile(path.c_str(), &config), 0);
  EXPECT_EQ(ReadBytes(path), kept);
  Config read;
  EXPECT_EQ(ReadConfigFile(path.c_str(), &read), kConfigUnreadable);
  EXPECT_EQ(std::string(read.editorName), kDefaultName);
  close(other);
  EXPECT_EQ(ReadConfigFile(path.c_str(), &read), 1);
  EXPECT_STREQ(read.editorName, "Tester");
  EXPECT_EQ(WriteConfigFile(path.c_str(), &config), 1);
  EXPECT_EQ(ReadBytes(path), ConfigImage(0, 0, 0, kDefaultName.c_str()));
  unlink(path.c_str());
  EXPECT_EQ(rmdir(folder.c_str()), 0);
}

TEST(ProgramFolder, IsThePathUpToItsLastSeparator) {
  char folder[256];
  EXPECT_EQ(ProgramFolderOfPath("\\home\\u\\gizmoworks", folder, sizeof folder), 8);
  EXPECT_STREQ(folder, "\\home\\u\\");
  // With or without an extension, the same folder.
  ProgramFolderOfPath("C:\\Games\\Gizmo\\gizmo.exe", folder, sizeof folder);
  EXPECT_STREQ(folder, "C:\\Games\\Gizmo\\");
  ProgramFolderOfPath("C:\\Games\\Gizmo\\gizmo", folder, sizeof folder);
  EXPECT_STREQ(folder, "C:\\Games\\Gizmo\\");
  // 表 is 0x95 0x5C: its second byte is no separator.
  ProgramFolderOfPath("\\g\\\x95\x5C\\game\x95\x5C", folder, sizeof folder);
  EXPECT_STREQ(folder, "\\g\\\x95\x5C\\");
  // A ':' is a character of a name, never the end of a drive.
  EXPECT_EQ(ProgramFolderOfPath("\\g\\a:b", folder, sizeof folder), 3);
  EXPECT_STREQ(folder, "\\g\\");
  EXPECT_EQ(ProgramFolderOfPath("gizmo:works", folder, sizeof folder), 0);
  EXPECT_EQ(ProgramFolderOfPath("gizmoworks", folder, sizeof folder), 0);
  EXPECT_STREQ(folder, "");
  // A folder that does not fit the buffer is none at all, never a cut one.
  EXPECT_EQ(ProgramFolderOfPath("\\abcdef\\x", folder, 8), 0);
  EXPECT_STREQ(folder, "");
}

TEST(ProgramFolder, ComesFromTheProgramsOwnPath) {
  // The real path of this test program, as the game sees it.
  char path[256];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
  FindProgramFolder();
  std::string dir = g_programDir;
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(std::string(path).substr(0, dir.size()), dir);
  EXPECT_EQ(std::string(path).substr(dir.size()), "startup_test");
  EXPECT_EQ(std::string(g_configPath), dir + "Config.dat");

  platform::SetProgramPathForTests("/opt/表/gizmoworks");
  FindProgramFolder();
  EXPECT_STREQ(g_programDir, "\\opt\\\x95\x5C\\");
  EXPECT_STREQ(g_configPath, "\\opt\\\x95\x5C\\Config.dat");

  // A program path too long to hold, or one with letters the game cannot
  // spell, names no folder: the files beside the program are those of the
  // current folder (the program's own, once entered).
  std::string deep = "/" + std::string(300, 'd') + "/gizmoworks";
  platform::SetProgramPathForTests(deep.c_str());
  EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof path), sizeof path);
  FindProgramFolder();
  EXPECT_STREQ(g_programDir, ".\\");
  EXPECT_STREQ(g_configPath, ".\\Config.dat");
  platform::SetProgramPathForTests("/home/u/Téléchargements/gizmoworks");
  EXPECT_EQ(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
  FindProgramFolder();
  EXPECT_STREQ(g_programDir, ".\\");
  EXPECT_STREQ(g_configPath, ".\\Config.dat");
}

TEST(ProgramFolder, BecomesTheCurrentFolderWhenItHoldsTheData) {
  char start[4096];
  ASSERT_NE(getcwd(start, sizeof start), nullptr);
  std::string bare = MakeTempFolder();
  PretendProgramIn(bare);
  EXPECT_EQ(EnterProgramFolder(), 0);
  char now[4096];
  ASSERT_NE(getcwd(now, sizeof now), nullptr);
  EXPECT_STREQ(now, start);

  std::string game = MakeTempFolder();
  ASSERT_EQ(mkdir((game + "/data").c_str(), 0700), 0);
  PretendProgramIn(game);
  EXPECT_EQ(EnterProgramFolder(), 1);
  ASSERT_NE(getcwd(now, sizeof now), nullptr);
  EXPECT_EQ(std::string(now), game);
  ASSERT_EQ(chdir(start), 0);

  // A folder named in letters the game cannot spell is entered all the same,
  // and Config.dat is then the current folder's.
  std::string french = game + "/Téléchargements";
  ASSERT_EQ(mkdir(french.c_str(), 0700), 0);
  ASSERT_EQ(mkdir((french + "/data").c_str(), 0700), 0);
  PretendProgramIn(french);
  EXPECT_EQ(EnterProgramFolder(), 1);
  ASSERT_NE(getcwd(now, sizeof now), nullptr);
  EXPECT_EQ(std::string(now), french);
  EXPECT_STREQ(g_configPath, ".\\Config.dat");
  Config config;
  SetDefaultConfig(&config);
  EXPECT_EQ(WriteConfigFile(g_configPath, &config), 1);
  EXPECT_EQ(ReadBytes(french + "/Config.dat").size(), 52u);
  ASSERT_EQ(chdir(start), 0);
}

TEST(StartUp, MakesEverythingAndShutDownReleasesItAndWritesConfig) {
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  WriteBytes(folder + "/Config.dat", ConfigImage(9, 120, 80, "Maker"));
  headless::SetTimerCaps(1);
  UseHeadlessDrawing();

  ASSERT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 1);
  EXPECT_EQ(g_initDone, 1);
  EXPECT_STREQ(g_editorName, "Maker");
  EXPECT_EQ(g_config.reserved, 0);
  EXPECT_EQ(std::string(g_programDir), platform::HostPathToGamePath(folder) + "\\");

  // The window: class, styles, position, client size, title menu, title.
  ASSERT_NE(g_hWnd, nullptr);
  platform::WindowInfo info = platform::GetWindowInfo(g_hWnd);
  EXPECT_EQ(info.className, "Generic Game SDK Window");
  EXPECT_TRUE(info.exStyle & WS_EX_ACCEPTFILES);
  EXPECT_EQ(info.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_TRUE(info.visible);
  EXPECT_EQ(info.windowRect.left, 120);
  EXPECT_EQ(info.windowRect.top, 80);
  RECT client;
  GetClientRect(g_hWnd, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(GetMenu(g_hWnd), g_titleMenu);
  EXPECT_NE(g_editorMenu, nullptr);
  EXPECT_NE(g_playMenu, nullptr);
  // The dialogs the menus and the title's play-list button open.
  EXPECT_NE(FindDialogResource(kDialogPlayList), nullptr);
  EXPECT_NE(FindDialogResource(kDialogEditorName), nullptr);
  EXPECT_NE(FindDialogResource(kDialogAbout), nullptr);
  EXPECT_EQ(headless::WindowTitleCp932(g_hWnd), Cp932Text("ギズモワークス Ver.1.10"));
  EXPECT_STREQ(g_appTitle, Cp932Text("ギズモワークス Ver.1.10"));

  // The device, its set-up and the frame clock.
  ASSERT_NE(g_device, nullptr);
  EXPECT_EQ(g_deviceLevel, 4);
  EXPECT_EQ(g_presentParams.BackBufferWidth, 640u);
  EXPECT_EQ(g_presentParams.BackBufferHeight, 480u);
  EXPECT_TRUE(g_presentParams.Windowed);
  EXPECT_TRUE(g_presentParams.EnableAutoDepthStencil);
  EXPECT_EQ(g_presentParams.AutoDepthStencilFormat, D3DFMT_D24X8);
  EXPECT_EQ(g_presentParams.SwapEffect, D3DSWAPEFFECT_COPY);
  EXPECT_EQ(g_presentParams.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
  EXPECT_EQ(g_presentParams.hDeviceWindow, g_hWnd);
  EXPECT_EQ(g_frameInterval, 17u);
  EXPECT_EQ(headless::ActiveTimerPeriods(), std::vector<UINT>{1});
  EXPECT_EQ(g_viewport.Width, 640u);
  EXPECT_EQ(g_viewport.Height, 480u);
  EXPECT_EQ(g_menuItemInfo.cbSize, 48u);
  EXPECT_EQ(g_menuItemInfo.fMask, (UINT)MIIM_STATE);

  // Drawing resources, physics, the pick ray, snapshots, accelerators.
  char missing[512];
  EXPECT_EQ(CheckDrawingResources(missing, sizeof missing), 1) << missing;
  EXPECT_NE(g_sprite, nullptr);
  EXPECT_NE(g_world, nullptr);
  EXPECT_NE(g_space, nullptr);
  EXPECT_NE(g_groundGeom, nullptr);
  EXPECT_NE(g_contactGroup, nullptr);
  EXPECT_NE(g_pickRay, nullptr);
  EXPECT_NE(g_fileSnapshotItems, nullptr);
  EXPECT_NE(g_runSnapshotJoints, nullptr);
  EXPECT_NE(g_undoSlots[1].bodies, nullptr);
  EXPECT_NE(g_accelerators, nullptr);
  EXPECT_NE(g_handCursor, nullptr);
  platform::FontInfo linkFont = platform::GetFontInfo(g_gdiFont);
  EXPECT_TRUE(linkFont.found);
  EXPECT_EQ(linkFont.height, 12);
  EXPECT_TRUE(linkFont.underline);
  EXPECT_FALSE(linkFont.italic);
  EXPECT_EQ(linkFont.faceCp932, Cp932Text("ＭＳ ゴシック"));
  HFONT font = g_gdiFont;
  EXPECT_EQ(g_worldIdentity._11, 1.0f);
  EXPECT_EQ(g_worldIdentity._44, 1.0f);
  EXPECT_EQ(g_appMode, kModeTitle);

  // Items alive at the end (the title's boxes, a run's items), a cursor
  // hidden by a run, a window the player moved.
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  ASSERT_GE(CreateItem(D3DXVECTOR3(100, 50, 0), &identity, 5, 5, kKindBox, 1), 0);
  ASSERT_GE(CreateItem(D3DXVECTOR3(130, 50, 0), &identity, 3, 3, kKindBall, 1), 0);
  g_cursorVisible = 0;
  ShowCursor(FALSE);
  g_cursorIdleFrames = 40;
  platform::SetWindowPlacementFromFace(g_hWnd, POINT{333, 222}, POINT{333, 250}, false);

  HWND window = g_hWnd;
  ShutDown();
  for (int i = 0; i < kMaxItems; ++i) EXPECT_EQ(g_items[i].state, 0) << i;
  EXPECT_EQ(g_world, nullptr);
  EXPECT_EQ(g_space, nullptr);
  EXPECT_EQ(g_pickRay, nullptr);
  EXPECT_EQ(g_fileSnapshotItems, nullptr);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_sprite, nullptr);
  EXPECT_EQ(g_d3d, nullptr);
  EXPECT_EQ(g_groundTexture, nullptr);
  EXPECT_EQ(g_meshSky.mesh, nullptr);
  EXPECT_EQ(g_primitiveMeshes[kPrimCap], nullptr);
  EXPECT_EQ(g_boldFont, nullptr);
  EXPECT_EQ(g_gdiFont, nullptr);
  EXPECT_FALSE(platform::GetFontInfo(font).found);
  EXPECT_TRUE(headless::ActiveTimerPeriods().empty());
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(g_cursorIdleFrames, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(g_titleMenu, nullptr);
  EXPECT_EQ(g_initDone, 0);

  std::vector<unsigned char> b = ReadBytes(folder + "/Config.dat");
  ASSERT_EQ(b.size(), 52u);
  EXPECT_EQ(Int32At(b, 0), 0);
  EXPECT_EQ(Int32At(b, 4), 333);
  EXPECT_EQ(Int32At(b, 8), 222);
  EXPECT_STREQ(reinterpret_cast<const char*>(b.data() + 12), "Maker");
}

TEST(StartUp, FirstStartOpensAtTheCornerAndExitWhileMinimisedKeepsTheRestoredPlace) {
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  headless::SetTimerCaps(2);
  UseHeadlessDrawing();
  ASSERT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 1);
  platform::WindowInfo info = platform::GetWindowInfo(g_hWnd);
  EXPECT_EQ(info.windowRect.left, 0);
  EXPECT_EQ(info.windowRect.top, 0);
  EXPECT_EQ(std::string(g_editorName), kDefaultName);
  EXPECT_EQ(g_frameInterval, 8u);  // 60 frames a second at a 2 ms timer

  platform::SetWindowPlacementFromFace(g_hWnd, POINT{64, 48}, POINT{64, 76}, false);
  platform::SetWindowPlacementFromFace(g_hWnd, POINT{-32000, -32000}, POINT{-32000, -32000}, true);
  ShutDown();
  std::vector<unsigned char> b = ReadBytes(folder + "/Config.dat");
  ASSERT_EQ(b.size(), 52u);
  EXPECT_EQ(Int32At(b, 4), 64);
  EXPECT_EQ(Int32At(b, 8), 48);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 12)), kDefaultName);
}

TEST(StartUp, NoDeviceIsReportedUnderErrorAndNothingIsLeft) {
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  SetGlContext(nullptr);  // no drawing context anywhere: every device set-up fails
  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 0);
  EXPECT_EQ(g_startUpFailed, 1);
  const auto& boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].captionCp932, "ERROR");
  EXPECT_EQ(boxes[0].textCp932,
            Cp932Text("DirectX9が初期化できません。\n未対応のパソコンと思われます。"));
  EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONERROR);
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_EQ(g_hWnd, nullptr);
  EXPECT_EQ(g_d3d, nullptr);
  EXPECT_EQ(g_deviceLevel, 0);
  EXPECT_EQ(g_initDone, 0);
  // A start that failed leaves the settings as they were.
  EXPECT_TRUE(ReadBytes(folder + "/Config.dat").empty());
}

TEST(StartUp, AMissingDataFolderIsReportedUnderErrorInsteadOfDrawnWithHoles) {
  char start[4096];
  ASSERT_NE(getcwd(start, sizeof start), nullptr);
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  ASSERT_EQ(chdir(folder.c_str()), 0);  // no data\ here
  UseHeadlessDrawing();
  EXPECT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 0);
  ASSERT_EQ(chdir(start), 0);
  const auto& boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].captionCp932, "ERROR");
  const std::string& text = boxes[0].textCp932;
  EXPECT_EQ(text.find(Cp932Text("次のファイルを読み込めませんでした。")), 0u) << boxes[0].textUtf8;
  EXPECT_NE(text.find("data\\Ground.bmp"), std::string::npos);
  EXPECT_NE(text.find("data\\Sky.x"), std::string::npos);
  // and where they were looked for.
  EXPECT_NE(text.find(Cp932Text("データフォルダー: ") + platform::HostPathToGamePath(folder) +
                      "\\data"),
            std::string::npos)
      << boxes[0].textUtf8;
  // Everything made before the check is gone again.
  EXPECT_EQ(g_hWnd, nullptr);
  EXPECT_EQ(g_device, nullptr);
  EXPECT_EQ(g_world, nullptr);
  EXPECT_EQ(g_pickRay, nullptr);
  EXPECT_EQ(g_boldFont, nullptr);
  EXPECT_TRUE(headless::ActiveTimerPeriods().empty());
  EXPECT_EQ(g_initDone, 0);
}

// A texture read ahead is the file of that name in the folder that was
// current when it was asked for, and a start-up forgets what it did not take:
// neither another folder's start-up nor a later one after the file went away
// is handed the picture read before.
TEST(StartUp, TexturesReadAheadElsewhereOrBeforeAreNeverHandedToAStartUp) {
  BackToStartFolder back;
  const std::vector<unsigned char> ground = ReadBytes(std::string(back.start) + "/data/Ground.bmp");
  ASSERT_FALSE(ground.empty());
  // The first folder has the ground texture only; the read-ahead has read it
  // once its worker has nothing left to prepare.
  const std::string first = MakeTempFolder();
  const std::string firstGround = first + "/data/Ground.bmp";
  ASSERT_EQ(mkdir((first + "/data").c_str(), 0700), 0);
  WriteBytes(firstGround, ground);
  ASSERT_EQ(chdir(first.c_str()), 0);
  PrefetchTextureFiles();
  ASSERT_TRUE(ReadAheadFinished());

  auto startUpMisses = [](const std::string& folder, const char* file) {
    headless::ClearMessageBoxes();
    PretendProgramIn(folder);
    EXPECT_EQ(chdir(folder.c_str()), 0);
    UseHeadlessDrawing();
    EXPECT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 0);
    const auto& boxes = headless::MessageBoxes();
    return boxes.size() == 1 && boxes[0].textCp932.find(file) != std::string::npos;
  };
  // A folder without data, with the first folder's ground texture read.
  EXPECT_TRUE(startUpMisses(MakeTempFolder(), "data\\Ground.bmp"));
  // The first folder again, its ground texture gone since.
  ASSERT_EQ(unlink(firstGround.c_str()), 0);
  EXPECT_TRUE(startUpMisses(first, "data\\Ground.bmp"));
}

TEST(MainLoop, MessagesFirstAcceleratorsBeforeDispatchAndFramesByMode) {
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  headless::SetTime(1000);
  UseHeadlessDrawing();
  ASSERT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 1);
  platform::ClearMessageQueue();
  int exitCode = -1;

  // No message in the title mode: a title frame, which drops the first box.
  headless::AdvanceTime(20);
  ASSERT_EQ(RunMainLoopPass(&exitCode), 1);
  EXPECT_EQ(g_lastFrameTime, 1020u);
  int boxes = 0;
  for (int i = 0; i < kMaxItems; ++i) boxes += g_items[i].state != 0;
  EXPECT_EQ(boxes, 1);

  // Ctrl+N is the new-stage accelerator: the title is left for the editor.
  headless::PressCtrlKey(g_hWnd, 'N');
  while (!platform::PendingMessages().empty()) ASSERT_EQ(RunMainLoopPass(&exitCode), 1);
  EXPECT_EQ(g_appMode, kModeEdit);
  EXPECT_EQ(GetMenu(g_hWnd), g_editorMenu);
  // The title's box is gone; the new stage holds its goal bell only.
  std::vector<int> kinds;
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != 0) kinds.push_back(g_items[i].kind);
  EXPECT_EQ(kinds, std::vector<int>{kKindGoalBell});

  // No message in the editor: RunFrame, which spawns nothing.
  int32_t spawn = g_titleSpawnTimer;
  headless::AdvanceTime(20);
  ASSERT_EQ(RunMainLoopPass(&exitCode), 1);
  EXPECT_EQ(g_lastFrameTime, 1040u);
  EXPECT_EQ(g_titleSpawnTimer, spawn);
  int live = 0;
  for (int i = 0; i < kMaxItems; ++i) live += g_items[i].state != 0;
  EXPECT_EQ(live, 1);

  // Messages queued before the quit are all handled; the quit ends the loop.
  g_zoomLevel = 0;
  headless::Wheel(g_hWnd, 1);
  PostQuitMessage(3);
  EXPECT_EQ(RunMainLoop(), 3);
  EXPECT_EQ(g_zoomLevel, 1);
  ShutDown();
}

// With the manual clock the headless face waits as a perfect timer would,
// moving the clock to the moment asked for: an idle pass must ask for the
// very millisecond the next frame falls due, so every frame comes on time and
// is drawn, and a waiting message is taken before any wait.
TEST(MainLoop, AnIdlePassWaitsExactlyUntilTheNextFrameIsDue) {
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  headless::SetTime(1000);
  UseHeadlessDrawing();
  ASSERT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 1);
  platform::ClearMessageQueue();
  headless::PressCtrlKey(g_hWnd, 'N');
  int exitCode = -1;
  while (!platform::PendingMessages().empty()) ASSERT_EQ(RunMainLoopPass(&exitCode), 1);
  ASSERT_EQ(g_appMode, kModeEdit);

  headless::SetTime(5000);
  g_lastFrameTime = 5000 - g_frameInterval;
  g_frameLag = 0;
  const uint64_t drawn = g_drawnFrameCount;
  const uint64_t paced = g_pacedFrameCount;
  // A frame, then an idle pass that waits for the next one: 30 frames.
  for (int i = 0; i < 60; ++i) ASSERT_EQ(RunMainLoopPass(&exitCode), 1);
  EXPECT_EQ(g_pacedFrameCount - paced, 30u);
  EXPECT_EQ(g_drawnFrameCount - drawn, 30u);
  EXPECT_EQ(g_frameLag, 0u);
  EXPECT_EQ(timeGetTime(), 5000u + 30 * g_frameInterval);
  EXPECT_EQ(g_lastFrameTime, 5000u + 29 * g_frameInterval);

  // Nothing waits for a frame already due, nor past a waiting message.
  g_frameLag = 0;
  platform::WaitForMessageOrTime(g_lastFrameTime);
  EXPECT_EQ(timeGetTime(), 5000u + 30 * g_frameInterval);
  headless::Wheel(g_hWnd, 1);
  platform::WaitForMessageOrTime(timeGetTime() + 100);
  EXPECT_EQ(timeGetTime(), 5000u + 30 * g_frameInterval);
  platform::ClearMessageQueue();
  ShutDown();
}

TEST(MainLoop, AnOutsideCloseRequestClosesAsTheCloseBoxDoes) {
  std::string folder = MakeTempFolder();
  PretendProgramIn(folder);
  UseHeadlessDrawing();
  ASSERT_EQ(StartUp(nullptr, SW_SHOWNORMAL), 1);
  platform::ClearMessageQueue();

  // With a changed stage the player is asked first; Cancel keeps the game.
  // A second request while the first waits is refused (a second signal ends
  // the game at once); once the player has cancelled, the next one asks again.
  g_appMode = kModeEdit;
  g_stageModified = 1;
  int exitCode = -1;
  for (size_t asked = 1; asked <= 2; ++asked) {
    headless::QueueMessageBoxAnswer(IDCANCEL);
    EXPECT_TRUE(RequestCloseFromOutside());
    EXPECT_FALSE(RequestCloseFromOutside());
    for (int i = 0; i < 5; ++i) ASSERT_EQ(RunMainLoopPass(&exitCode), 1);
    ASSERT_EQ(headless::MessageBoxes().size(), asked);
    EXPECT_TRUE(IsWindow(g_hWnd));
  }

  // Unchanged, it quits, and shut-down writes Config.dat.
  g_stageModified = 0;
  EXPECT_TRUE(RequestCloseFromOutside());
  EXPECT_EQ(RunMainLoop(), 0);
  EXPECT_EQ(headless::MessageBoxes().size(), 2u);
  ShutDown();
  EXPECT_EQ(ReadBytes(folder + "/Config.dat").size(), 52u);
}

TEST(ConfigFile, APlaceNoMonitorShowsOpensAtTheDefaultPlace) {
  headless::Reset();
  auto placed = [](int32_t x, int32_t y) {
    Config c;
    SetDefaultConfig(&c);
    c.windowX = x;
    c.windowY = y;
    KeepWindowReachable(&c);
    return std::make_pair(c.windowX, c.windowY);
  };
  using P = std::pair<int32_t, int32_t>;
  // Desktop not known: the place stands.
  EXPECT_EQ(placed(5000, 4000), P(5000, 4000));

  headless::SetDesktop(0, 0, 1024, 768);
  EXPECT_EQ(placed(100, 50), P(100, 50));
  EXPECT_EQ(placed(-500, 744 - 16), P(-500, 728));   // 140 x 16 of the top strip shows
  EXPECT_EQ(placed(5000, 4000), P(0, 0));
  EXPECT_EQ(placed(1000, 100), P(0, 0));             // 24 pixels wide
  EXPECT_EQ(placed(-600, 100), P(0, 0));             // 40 pixels wide
  EXPECT_EQ(placed(100, 760), P(0, 0));              // 8 pixels high
  EXPECT_EQ(placed(100, -20), P(0, 0));              // the top strip above the screen
  EXPECT_EQ(placed(-32768, 32767), P(0, 0));

  // A second monitor left of the first: places on it stand.
  headless::SetDesktop(-1280, 0, 2304, 1024);
  EXPECT_EQ(placed(-1000, 100), P(-1000, 100));
  EXPECT_EQ(placed(-2000, 100), P(0, 0));
}
