// Start-up and shut-down: the program's folder, Config.dat, the window, the
// drawing device, every resource of the game, the main loop, and the release
// of all of it in a fixed order at the end.
#pragma once
#include <cstdint>

#include "platform/d3d9.h"
#include "platform/win_message.h"
#include "platform/win_types.h"
#include "world/types.h"

// Shell globals of start-up that only it and shut-down use; the others
// (window, menus, device, sprite, folder, settings) are in shell_globals.h.
extern char g_configPath[256];  // the program folder followed by "Config.dat"
extern IDirect3D9* g_d3d;
extern HACCEL g_accelerators;
extern HCURSOR g_handCursor;  // the pointing hand of the About dialog's links
extern int32_t g_startUpFailed;  // 1 when WinMain's start-up failed

// Config.dat's fields in the file: a little-endian image of the 52-byte record.
constexpr int kConfigFileSize = 52;
constexpr int kConfigNameOffset = 12;
// The window positions a screen can have.
constexpr int32_t kMinWindowCoordinate = -32768;
constexpr int32_t kMaxWindowCoordinate = 32767;

// The settings of a first start: the window at the screen's top-left corner
// and the editor name "新人エディター".
void SetDefaultConfig(Config* config);
// Reads Config.dat at a game path. Returns 1 when a whole, sound record was
// read. A missing file (or a named pipe, device or folder of that name, never
// waited on) or one shorter than a record gives the defaults; in a
// whole record a position outside the window coordinates, or an editor name
// with no end inside its field, gives that field's default. Returns 0 then.
// A file that is there but cannot be opened or read (or whose folder's lock,
// world/folder_lock.h, another holder keeps) gives the defaults and
// kConfigUnreadable.
int ReadConfigFile(const char* path, Config* config);
constexpr int kConfigUnreadable = -1;
// A saved place where no monitor shows enough of the window's top edge to
// grab it (a Config.dat from another screen layout) is moved to the default
// place, 0, 0. Nothing changes while the desktop is not known.
void KeepWindowReachable(Config* config);
// Writes the record (reserved as 0), under the lock of its folder, through
// WriteFileSafely
// (world/stage_file_io.h): the old file is replaced only once the new one is
// whole and on the disk, and not at all when its user may not write it.
// Returns 1 on success, 0 when it could not be written, and then the old file
// is as it was.
int WriteConfigFile(const char* path, const Config* config);

// The folder of a program path: everything up to and including its last
// separator. Into folder (size bytes); an empty folder when the path has no
// separator or the folder does not fit. Returns the folder's length.
int ProgramFolderOfPath(const char* modulePath, char* folder, int size);
// Sets g_programDir and g_configPath from the running program's path; ".\\"
// (the current folder) when that path cannot be held or spelt.
void FindProgramFolder();

// The game reads data\ from the current folder. So that it starts the same
// from a file manager, a launcher or a terminal anywhere, the program makes
// its own folder the current one when that folder holds data\. Returns 1
// when it did, 0 when the current folder was left as it was.
int EnterProgramFolder();

// The cursor of the About dialog's links: the system's pointing hand, or the
// arrow where there is none.
HCURSOR LoadHandCursor();

// The steps of WinMain, callable on their own by tests.
// Start-up: 1 when the game is ready for its loop; 0 after a failure has
// been reported (caption "ERROR") and what was made has been released.
int StartUp(HINSTANCE instance, int showCommand);
// One pass of the main loop: a waiting message is taken and dispatched
// (accelerators first); otherwise one frame call, the title frame in the
// title mode and RunFrame in every other. Returns 0 when it took WM_QUIT
// (its wParam into *exitCode), else 1.
int RunMainLoopPass(int* exitCode);
// Asks the main loop to close the window as its close box would (the save
// prompt included), at its next pass. Safe to call from a signal handler:
// the desktop session or a terminal ending the program goes through the same
// close as the player. False, and nothing asked, while an earlier request is
// still waiting or being answered; once the player has answered one (and
// cancelled it), the next request asks again.
bool RequestCloseFromOutside();
// Runs passes until WM_QUIT; returns its wParam.
int RunMainLoop();
// Start-up's read of Config.dat (g_configPath) into g_config, and
// shut-down's write of it with the window's restored place. The write is
// left out when the read found a file it could not read (g_keepConfigFile).
void ReadSettings();
void WriteSettings();
// Writes Config.dat (WriteSettings) and releases everything start-up made,
// items before the physics world, the device last.
void ShutDown();
// The release half of ShutDown: everything start-up may have made, in the
// order of the end of a run, each object only when it exists, so a start-up
// that stopped half way is taken apart the same way. Config.dat is left alone.
void ReleaseEverything();

// The program: start-up, the loop, shut-down. Returns the wParam of the
// final WM_QUIT, or 0 when start-up failed.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
