// Process calls on Linux: the program's path from /proc, the current folder
// through the C library.
#include "platform/win_kernel.h"

#include <sys/stat.h>
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

// The running program's path on the host (UTF-8, '/'), "" when unknown.
std::string HostProgramPath() {
  if (!ModulePathOverride().empty()) return ModulePathOverride();
  char host[4096];
  ssize_t n = readlink("/proc/self/exe", host, sizeof(host) - 1);
  if (n <= 0) return std::string();
  host[n] = '\0';
  return host;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (module || !buffer || size == 0) return 0;
  buffer[0] = '\0';
  std::string host = HostProgramPath();
  if (host.empty()) return 0;
  std::string path = platform::HostPathToGamePath(host);
  // A name the code page has no letters for would come back as another
  // path, one that does not exist.
  if (GamePathToHost(path.c_str()) != host) return 0;
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
bool EnterProgramFolderHolding(const char* sub) {
  std::string program = HostProgramPath();
  size_t slash = program.rfind('/');
  if (slash == std::string::npos) return false;
  std::string folder = program.substr(0, slash + 1);
  struct stat st;
  if (stat((folder + (sub ? sub : "")).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return chdir(folder.c_str()) == 0;
}

void SetProgramPathForTests(const char* hostPath) {
  ModulePathOverride() = hostPath ? hostPath : "";
}
}  // namespace platform
