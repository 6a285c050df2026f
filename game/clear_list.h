// ClearList.dat: the stage IDs of cleared play files, in the order of their
// first clear. Little-endian: an int32 count, then count 16-byte IDs (four
// uint32 words each, exactly as play files store them).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The most entries a list holds. A player who cleared a new stage every
// minute, ten hours a day, would need three years to fill it, and at 16
// bytes an entry it is 16 MiB: read in a blink and kept in memory anywhere.
// A file longer than such a list (the count and the entries) the game never
// wrote: it is damaged, and it is neither read nor written.
constexpr int32_t kMaxClearListEntries = 1 << 20;
constexpr long long kMaxClearListBytes = 4 + 16LL * kMaxClearListEntries;

// What became of a clear given to AddToClearList.
enum : int {
  kClearListRefused = -1,  // the list is longer than any the game writes: left as it is
  kClearNotRecorded = 0,   // the list could not be read or written: left as it is
  kClearRecorded = 1,      // the ID is (now) listed
};

// Adds the ID to the list file at path unless it is listed already. A missing
// file is created; an existing file that cannot be opened (or a named pipe,
// device or folder of that name, never waited on) is left alone, and so is
// a file its user may not write. The list is written whole through
// WriteFileSafely (world/stage_file_io.h), so a failed write leaves the old
// list, or no file where there was none. A
// negative count reads as an empty list, and a count larger than the entries
// the file holds is cut back to the whole entries, so the new ID is written
// right after them (over a torn last entry) and the count always matches.
// The read, the change and the write happen under the lock of the list's
// folder (world/folder_lock.h), so two games clearing at once both keep
// their clears; a lock another holder keeps past its wait records nothing.
// A full list (kMaxClearListEntries) records nothing more.
int AddToClearList(const char* path, const uint32_t* stageId16);

// 1 when the list file at path holds the ID among its first count entries,
// else 0 (also when the file is missing, unreadable or refused).
int ClearListContains(const char* path, const uint32_t* stageId16);

// What one reading of a list found.
enum ClearListRead : int {
  kClearListRead,        // the list as the file holds it
  kClearListMissing,     // no file: an empty list
  kClearListUnreadable,  // there but not readable (or its lock not had): an empty list
  kClearListTooLong,     // longer than any list the game writes: an empty list
};

// The IDs of one reading of a list, for looking many IDs up.
class ClearedStages {
 public:
  bool Has(const uint32_t* stageId16) const;
  size_t size() const { return ids_.size(); }

 private:
  friend ClearListRead ReadClearList(const char* path, ClearedStages* stages);
  std::vector<std::array<uint32_t, 4>> ids_;  // sorted
};

// Reads the list file at path once (under its folder's lock) into *stages:
// the IDs that ClearListContains would find.
ClearListRead ReadClearList(const char* path, ClearedStages* stages);
