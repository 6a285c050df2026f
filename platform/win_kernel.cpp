// Process calls on Linux: the program's path from /proc, the current folder
// through the C library.
#include "platform/win_kernel.h"

#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"

namespace {

std::string& ModulePathOverride() {
  static std::string* path = new std::string;
  return *path;
}

// Length of the longest prefix of text that fits in limit bytes without
// cutting a double-byte character.
size_t WholeCharsWithin(const std::string& text, size_t limit) {
  size_t n = 0;
  while (n < text.size()) {
    size_t len = Cp932CharLength(static_cast<unsigned char>(text[n]));
    if (n + len > limit || n + len > text.size()) break;
    n += len;
  }
  return n;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  std::string path = ModulePathOverride();
  if (path.empty()) {
    char host[4096];
    ssize_t n = readlink("/proc/self/exe", host, sizeof(host) - 1);
    if (n <= 0) {
      buffer[0] = '\0';
      return 0;
    }
    host[n] = '\0';
    path = platform::HostPathToGamePath(host);
  }
  size_t n = WholeCharsWithin(path, size - 1);
  std::memcpy(buffer, path.data(), n);
  buffer[n] = '\0';
  return n < path.size() ? size : static_cast<DWORD>(n);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  char host[4096];
  if (!getcwd(host, sizeof(host))) return 0;
  std::string path = platform::HostPathToGamePath(host);
  if (!buffer || path.size() + 1 > size) return static_cast<DWORD>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  if (!path || !*path) return FALSE;
  return chdir(GamePathToHost(path).c_str()) == 0 ? TRUE : FALSE;
}

void Sleep(DWORD ms) {
  timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0) {
  }
}

namespace platform {
void SetModuleFileNameForTests(const char* gamePath) {
  ModulePathOverride() = gamePath ? gamePath : "";
}
}  // namespace platform
