// Process calls of the start-up code: the program's own path, the current
// folder, and a short wait for the main loop while no frame is due.
//
// Paths are the game's (CP932, '\' between folders; see win_files.h).
#pragma once
#include "platform/win_files.h"
#include "platform/win_types.h"

typedef HINSTANCE HMODULE;

// GetModuleFileNameA, the program's own path: win_files.h.
// The current folder, without a trailing separator. Returns the bytes
// copied, or the size needed (with the NUL) when buffer is too small.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
// Gives up the processor for about ms milliseconds.
void Sleep(DWORD ms);

namespace platform {
// Makes the folder of the running program the current one when it holds a
// folder named `sub` ("data"), whatever characters its path has. False, and
// the current folder unchanged, otherwise.
bool EnterProgramFolderHolding(const char* sub);
// Makes the program's path this host path (UTF-8, '/') instead of the real
// one (tests); an empty path goes back to the real one.
void SetProgramPathForTests(const char* hostPath);
}  // namespace platform
