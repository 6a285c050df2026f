#include "game/clear_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "world/stage_file_io.h"

namespace {

constexpr size_t kEntryBytes = 16;

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

enum class ListRead { kRead, kMissing, kUnreadable };

// The whole list file. Only a regular file is read: a named pipe, device or
// folder of that name is never waited on, and is unreadable.
ListRead ReadList(const std::string& hostPath, std::vector<unsigned char>* bytes) {
  bytes->clear();
  FILE* f = OpenRegularFileForReading(hostPath.c_str());
  if (!f) return errno == ENOENT ? ListRead::kMissing : ListRead::kUnreadable;
  unsigned char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok ? ListRead::kRead : ListRead::kUnreadable;
}

// Reads the count and scans the entries for id. Sets *whole to the number of
// entries that are both counted and fully present in the file. A file too
// short to hold a count is an empty list. A count that no list can have
// (below 0) is damage to the count alone: the entries in the file still
// stand, and all of them are read.
bool ScanList(const std::vector<unsigned char>& bytes, const uint32_t* id, int32_t* whole) {
  *whole = 0;
  if (bytes.size() < 4) return false;
  int32_t count = (int32_t)GetUint32(bytes.data());
  if (count < 0) count = INT32_MAX;
  for (int32_t i = 0; i < count; ++i) {
    size_t at = 4 + (size_t)i * kEntryBytes;
    if (bytes.size() - at < kEntryBytes || at > bytes.size()) return false;
    *whole = i + 1;
    if (SameId(bytes.data() + at, id)) return true;
  }
  return false;
}

}  // namespace

int AddToClearList(const char* path, const uint32_t* id) {
  // The path is the game's (CP932, '\' between folders).
  const std::string hostPath = GamePathToHost(path);
  std::vector<unsigned char> bytes;
  // Only a file that is not there is made anew: one that exists but cannot
  // be read keeps what it holds.
  if (ReadList(hostPath, &bytes) == ListRead::kUnreadable) return 0;

  int32_t whole = 0;
  if (ScanList(bytes, id, &whole)) return 1;
  if (whole == INT32_MAX) return 0;  // no room left in the count
  // The new entry goes right after the last whole counted entry and the
  // count names exactly the entries up to it; whatever the file holds after
  // them stays. The list is written whole through a new file that takes its
  // place once synced, so a failed write leaves the old list (or none).
  size_t at = 4 + (size_t)whole * kEntryBytes;
  if (bytes.size() < at + kEntryBytes) bytes.resize(at + kEntryBytes, 0);
  PutUint32(bytes.data(), (uint32_t)(whole + 1));
  for (int w = 0; w < 4; ++w) PutUint32(bytes.data() + at + 4 * w, id[w]);
  return WriteFileSafely(hostPath, bytes.data(), bytes.size()) == FileWriteResult::kWritten ? 1 : 0;
}

int ClearListContains(const char* path, const uint32_t* id) {
  std::vector<unsigned char> bytes;
  if (ReadList(GamePathToHost(path), &bytes) != ListRead::kRead) return 0;
  int32_t whole = 0;
  return ScanList(bytes, id, &whole) ? 1 : 0;
}
