// ClearList.dat: the stage IDs of cleared play files, in the order of their
// first clear. Little-endian: an int32 count, then count 16-byte IDs (four
// uint32 words each, exactly as play files store them).
#pragma once
#include <cstdint>

// Adds the ID to the list file at path unless it is listed already. A missing
// file is created; an existing file that cannot be opened (or a named pipe,
// device or folder of that name, never waited on) is left alone, and so is
// a file its user may not write. The list is written whole through
// WriteFileSafely (world/stage_file_io.h), so a failed write leaves the old
// list, or no file where there was none. A
// negative count reads as an empty list, and a count larger than the entries
// the file holds is cut back to the whole entries, so the new ID is written
// right after them (over a torn last entry) and the count always matches.
// Returns 1 when the ID is (now) listed, 0 when it could not be recorded.
int AddToClearList(const char* path, const uint32_t* stageId16);

// 1 when the list file at path holds the ID among its first count entries,
// else 0 (also when the file is missing or unreadable).
int ClearListContains(const char* path, const uint32_t* stageId16);
