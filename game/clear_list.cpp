#include "game/clear_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/cp932.h"

namespace {

constexpr long kEntryBytes = 16;

bool ReadInt32(FILE* f, int32_t* out) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, f) != 4) return false;
  *out = (int32_t)((uint32_t)b[0] | ((uint32_t)b[1] << 8) | ((uint32_t)b[2] << 16) |
                   ((uint32_t)b[3] << 24));
  return true;
}

void PutUint32(unsigned char* p, uint32_t v) {
  p[0] = (unsigned char)v;
  p[1] = (unsigned char)(v >> 8);
  p[2] = (unsigned char)(v >> 16);
  p[3] = (unsigned char)(v >> 24);
}

uint32_t GetUint32(const unsigned char* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) |
         ((uint32_t)p[3] << 24);
}

bool SameId(const unsigned char* entry, const uint32_t* id) {
  for (int w = 0; w < 4; ++w) {
    if (GetUint32(entry + 4 * w) != id[w]) return false;
  }
  return true;
}

// Reads the count and scans the entries for id. Sets *whole to the number of
// entries that are both counted and fully present in the file. A count that
// no list can have (below 0) is damage to the count alone: the entries in
// the file still stand, and all of them are read.
bool ScanList(FILE* f, const uint32_t* id, int32_t* whole) {
  *whole = 0;
  int32_t count = 0;
  if (!ReadInt32(f, &count)) return false;
  if (count < 0) count = INT32_MAX;
  unsigned char entry[kEntryBytes];
  for (int32_t i = 0; i < count; ++i) {
    if (std::fread(entry, 1, kEntryBytes, f) != (size_t)kEntryBytes) return false;
    *whole = i + 1;
    if (SameId(entry, id)) return true;
  }
  return false;
}

bool WriteAt(FILE* f, long offset, const unsigned char* bytes, size_t n) {
  if (std::fseek(f, offset, SEEK_SET) != 0) return false;
  return std::fwrite(bytes, 1, n, f) == n;
}

}  // namespace

int AddToClearList(const char* path, const uint32_t* id) {
  unsigned char idBytes[kEntryBytes];
  for (int w = 0; w < 4; ++w) PutUint32(idBytes + 4 * w, id[w]);

  // The path is the game's (CP932, '\' between folders).
  const std::string hostPath = GamePathToHost(path);
  FILE* f = std::fopen(hostPath.c_str(), "r+b");
  if (!f) {
    // Only a file that is not there is made anew: one that exists but cannot
    // be opened keeps what it holds. "x" refuses to replace a file that
    // appeared in the meantime.
    if (errno != ENOENT) return 0;
    f = std::fopen(hostPath.c_str(), "wbx");
    if (!f) return 0;
    unsigned char bytes[4 + kEntryBytes];
    PutUint32(bytes, 1);
    std::memcpy(bytes + 4, idBytes, kEntryBytes);
    bool ok = std::fwrite(bytes, 1, sizeof bytes, f) == sizeof bytes;
    ok = (std::fclose(f) == 0) && ok;
    return ok ? 1 : 0;
  }

  int32_t whole = 0;
  if (ScanList(f, id, &whole)) {
    std::fclose(f);
    return 1;
  }
  if (whole == INT32_MAX) {  // no room left in the count
    std::fclose(f);
    return 0;
  }
  // The new entry goes right after the last whole counted entry, and only
  // then is the count raised, so a failed write never leaves the count naming
  // bytes that are not an ID.
  unsigned char countBytes[4];
  PutUint32(countBytes, (uint32_t)(whole + 1));
  bool ok = WriteAt(f, 4 + (long)whole * kEntryBytes, idBytes, kEntryBytes) &&
            std::fflush(f) == 0 && WriteAt(f, 0, countBytes, 4);
  ok = (std::fclose(f) == 0) && ok;
  return ok ? 1 : 0;
}

int ClearListContains(const char* path, const uint32_t* id) {
  FILE* f = std::fopen(GamePathToHost(path).c_str(), "rb");
  if (!f) return 0;
  int32_t whole = 0;
  bool found = ScanList(f, id, &whole);
  std::fclose(f);
  return found ? 1 : 0;
}
