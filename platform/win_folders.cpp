#include "platform/win_folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/text_encoding.h"

struct PlatformFind {
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

namespace {

DWORD g_lastError = 0;

DWORD ErrorOf(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    default: return ERROR_ACCESS_DENIED;
  }
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// '*' any run of bytes, '?' one character (CP932 double-byte characters
// count as one), ASCII letters without regard to case.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') {
    for (const char* n = name;; n += Cp932CharLength(static_cast<unsigned char>(*n))) {
      if (Matches(pattern + 1, n)) return true;
      if (*n == '\0') return false;
    }
  }
  if (*name == '\0') return false;
  int length = Cp932CharLength(static_cast<unsigned char>(*name));
  if (*pattern == '?') return Matches(pattern + 1, name + length);
  int patternLength = Cp932CharLength(static_cast<unsigned char>(*pattern));
  if (length != patternLength) return false;
  for (int i = 0; i < length; ++i) {
    if (name[i] == '\0' || Lower(name[i]) != Lower(pattern[i])) return false;
  }
  return Matches(pattern + length, name + length);
}

// The last '\' of a CP932 path, skipping trail bytes; -1 when none.
long LastSeparator(const char* path) {
  long last = -1;
  for (long i = 0; path[i] != '\0';) {
    if (path[i] == '\\' || path[i] == '/') last = i;
    int length = Cp932CharLength(static_cast<unsigned char>(path[i]));
    i += (length == 2 && path[i + 1] == '\0') ? 1 : length;
  }
  return last;
}

void FillTimes(const struct stat& st, WIN32_FIND_DATAA* data) {
  // 100-ns steps since 1601-01-01.
  uint64_t t = (static_cast<uint64_t>(st.st_mtime) + 11644473600ull) * 10000000ull;
  data->ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(t);
  data->ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(t >> 32);
  data->ftCreationTime = data->ftLastWriteTime;
  data->ftLastAccessTime = data->ftLastWriteTime;
}

// What st (of full, whose own name is name) is as Windows names it;
// isLink: full is a link to it.
DWORD AttributesOf(const std::string& full, const std::string& name, const struct stat& st,
                   bool isLink) {
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (isLink) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (access(full.c_str(), W_OK) != 0 && !S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
  if (name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// An entry as the game sees it; false when the game could not name it.
bool MakeEntry(const std::string& hostFolder, const char* hostName, WIN32_FIND_DATAA* data) {
  std::memset(data, 0, sizeof *data);
  std::string name = hostName;
  if (name.find('\\') != std::string::npos) return false;
  std::string cp932 = Utf8ToCp932(name);
  if (Cp932ToUtf8(cp932) != name || cp932.size() >= MAX_PATH) return false;
  std::memcpy(data->cFileName, cp932.c_str(), cp932.size() + 1);

  std::string full = hostFolder + "/" + name;
  struct stat link;
  if (lstat(full.c_str(), &link) != 0) return false;
  struct stat st = link;
  bool isLink = S_ISLNK(link.st_mode);
  if (isLink && stat(full.c_str(), &st) != 0) return false;  // a dangling link
  // Pipes, sockets and devices have no place in a Windows folder: reading
  // one could wait for ever.
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return false;
  data->dwFileAttributes = AttributesOf(full, name, st, isLink);
  if (!S_ISDIR(st.st_mode)) {
    uint64_t size = static_cast<uint64_t>(st.st_size);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  }
  FillTimes(st, data);
  return true;
}

}  // namespace

HANDLE_FIND FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !data) {
    g_lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_FIND_HANDLE;
  }
  long separator = LastSeparator(pattern);
  std::string folder(pattern, separator < 0 ? 0 : static_cast<size_t>(separator));
  const char* namePattern = pattern + separator + 1;
  // As on Windows, "*.*" takes names without a dot too.
  if (std::strcmp(namePattern, "*.*") == 0) namePattern = "*";
  std::string hostFolder = separator < 0 ? "." : GamePathToHost(folder.c_str());
  if (separator == 0) hostFolder = "/";

  DIR* dir = opendir(hostFolder.c_str());
  if (!dir) {
    g_lastError = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorOf(errno);
    return INVALID_FIND_HANDLE;
  }
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
      names.push_back(e->d_name);
  }
  closedir(dir);

  PlatformFind* find = new PlatformFind;
  WIN32_FIND_DATAA entry;
  // Windows lists the two relative entries of every folder but a drive's root.
  if (hostFolder != "/") {
    for (const char* dots : {".", ".."}) {
      if (Matches(namePattern, dots) && MakeEntry(hostFolder, dots, &entry))
        find->entries.push_back(entry);
    }
  }
  for (const std::string& name : names) {
    if (!MakeEntry(hostFolder, name.c_str(), &entry)) continue;
    if (Matches(namePattern, entry.cFileName)) find->entries.push_back(entry);
  }
  if (find->entries.empty()) {
    delete find;
    g_lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_FIND_HANDLE;
  }
  *data = find->entries[0];
  find->next = 1;
  return find;
}

BOOL FindNextFileA(HANDLE_FIND find, WIN32_FIND_DATAA* data) {
  if (!find || find == INVALID_FIND_HANDLE || !data) return FALSE;
  if (find->next >= find->entries.size()) {
    g_lastError = ERROR_NO_MORE_FILES;
    return FALSE;
  }
  *data = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HANDLE_FIND find) {
  if (!find || find == INVALID_FIND_HANDLE) return FALSE;
  delete find;
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path) {
  if (!path || !*path) {
    g_lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::string host = GamePathToHost(path);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) {
    g_lastError = ErrorOf(errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  const bool isLink = S_ISLNK(st.st_mode);
  if (isLink && stat(host.c_str(), &st) != 0) return FILE_ATTRIBUTE_REPARSE_POINT;
  const size_t slash = host.rfind('/');
  return AttributesOf(host, slash == std::string::npos ? host : host.substr(slash + 1), st, isLink);
}

BOOL DeleteFileA(LPCSTR path) {
  if (!path || !*path) {
    g_lastError = ERROR_FILE_NOT_FOUND;
    return FALSE;
  }
  std::string host = GamePathToHost(path);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) {
    g_lastError = ErrorOf(errno);
    return FALSE;
  }
  if (S_ISDIR(st.st_mode)) {
    g_lastError = ERROR_ACCESS_DENIED;
    return FALSE;
  }
  if (unlink(host.c_str()) != 0) {
    g_lastError = ErrorOf(errno);
    return FALSE;
  }
  return TRUE;
}

DWORD GetLastError() { return g_lastError; }
