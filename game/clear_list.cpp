#include "game/clear_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/cp932.h"
#include "world/folder_lock.h"
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

// The whole list file. Only a regular file is read: a named pipe, device or
// folder of that name is never waited on, and is unreadable. A file longer
// than any list is refused before a byte of it is read, and memory that
// cannot be had makes the file unreadable, never ends the game.
ClearListRead ReadList(const std::string& hostPath, std::vector<unsigned char>* bytes) {
  bytes->clear();
  FILE* f = OpenRegularFileForReading(hostPath.c_str());
  if (!f) return errno == ENOENT ? kClearListMissing : kClearListUnreadable;
  ClearListRead result = kClearListRead;
  struct stat st;
  if (fstat(fileno(f), &st) != 0) {
    result = kClearListUnreadable;
  } else if (st.st_size > kMaxClearListBytes) {
    result = kClearListTooLong;
  } else {
    try {
      bytes->reserve(static_cast<size_t>(st.st_size));
      unsigned char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + n);
        // Grown since it was measured, by something other than a game.
        if (bytes->size() > static_cast<size_t>(kMaxClearListBytes)) {
          result = kClearListTooLong;
          break;
        }
      }
      if (result == kClearListRead && std::ferror(f)) result = kClearListUnreadable;
    } catch (const std::bad_alloc&) {
      result = kClearListUnreadable;
    }
  }
  std::fclose(f);
  if (result != kClearListRead) std::vector<unsigned char>().swap(*bytes);
  return result;
}

// The number of entries that are both counted and fully present in the
// file. A file too short to hold a count is an empty list. A count that no
// list can have (below 0) is damage to the count alone: the entries in the
// file still stand, and all of them count.
int32_t WholeEntries(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 4) return 0;
  int32_t count = (int32_t)GetUint32(bytes.data());
  size_t present = (bytes.size() - 4) / kEntryBytes;  // at most kMaxClearListEntries
  if (count < 0 || (size_t)count > present) return (int32_t)present;
  return count;
}

bool ListHolds(const std::vector<unsigned char>& bytes, int32_t whole, const uint32_t* id) {
  for (int32_t i = 0; i < whole; ++i)
    if (SameId(bytes.data() + 4 + (size_t)i * kEntryBytes, id)) return true;
  return false;
}

}  // namespace

int AddToClearList(const char* path, const uint32_t* id) {
  // The path is the game's (CP932, '\' between folders).
  const std::string hostPath = GamePathToHost(path);
  // Another game's clear between this read and this write would be lost.
  FolderLock lock(hostPath);
  if (!lock.Held()) return kClearNotRecorded;
  std::vector<unsigned char> bytes;
  // Only a file that is not there is made anew: one that exists but cannot
  // be read keeps what it holds, and so does one too long to be a list.
  ClearListRead read = ReadList(hostPath, &bytes);
  if (read == kClearListTooLong) return kClearListRefused;
  if (read == kClearListUnreadable) return kClearNotRecorded;

  const int32_t whole = WholeEntries(bytes);
  if (ListHolds(bytes, whole, id)) return kClearRecorded;
  if (whole >= kMaxClearListEntries) return kClearNotRecorded;  // the list is full
  // The new entry goes right after the last whole counted entry and the
  // count names exactly the entries up to it; whatever the file holds after
  // them stays. The list is written whole through a new file that takes its
  // place once synced, so a failed write leaves the old list (or none).
  size_t at = 4 + (size_t)whole * kEntryBytes;
  try {
    if (bytes.size() < at + kEntryBytes) bytes.resize(at + kEntryBytes, 0);
  } catch (const std::bad_alloc&) {
    return kClearNotRecorded;
  }
  PutUint32(bytes.data(), (uint32_t)(whole + 1));
  for (int w = 0; w < 4; ++w) PutUint32(bytes.data() + at + 4 * w, id[w]);
  return WriteFileSafely(hostPath, bytes.data(), bytes.size()) == FileWriteResult::kWritten
             ? kClearRecorded
             : kClearNotRecorded;
}

int ClearListContains(const char* path, const uint32_t* id) {
  ClearedStages stages;
  ReadClearList(path, &stages);
  return stages.Has(id) ? 1 : 0;
}

ClearListRead ReadClearList(const char* path, ClearedStages* stages) {
  stages->ids_.clear();
  const std::string hostPath = GamePathToHost(path);
  std::vector<unsigned char> bytes;
  ClearListRead read;
  {
    // Not in the middle of another game's write in place.
    FolderLock lock(hostPath);
    if (!lock.Held()) return kClearListUnreadable;
    read = ReadList(hostPath, &bytes);
  }
  if (read != kClearListRead) return read;
  const int32_t whole = WholeEntries(bytes);
  try {
    stages->ids_.resize((size_t)whole);
  } catch (const std::bad_alloc&) {
    return kClearListUnreadable;
  }
  for (int32_t i = 0; i < whole; ++i)
    for (int w = 0; w < 4; ++w)
      stages->ids_[(size_t)i][w] = GetUint32(bytes.data() + 4 + (size_t)i * kEntryBytes + 4 * w);
  std::sort(stages->ids_.begin(), stages->ids_.end());
  return kClearListRead;
}

bool ClearedStages::Has(const uint32_t* id) const {
  const std::array<uint32_t, 4> key = {id[0], id[1], id[2], id[3]};
  return std::binary_search(ids_.begin(), ids_.end(), key);
}
