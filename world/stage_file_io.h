// Opening and writing the game's own files (stage, play and pause files,
// Config.dat, ClearList.dat) so that they are never misread, never lost and
// never hang the game. Paths here are host paths (GamePathToHost).
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/regular_file.h"  // OpenRegularFileForReading

// What WriteFileSafely did.
enum class FileWriteResult {
  kWritten,        // every byte is on the disk under the name
  kReadOnly,       // the file is there and its user may not write it: unchanged
  kFailed,         // not written; the file that was there is as it was
  // The folder takes no new files, so the file itself was to be written over;
  kNoRoomInPlace,  // but the disk has no room for the new bytes: unchanged
  kFailedInPlace,  // but writing it failed part way: it may now be damaged
};

// Writes bytes to hostPath so that it holds all of them or what it held
// before, never a part, and is on the disk before the call returns. The
// bytes go to an unnamed file in the same folder (or, where the file system
// has none, to a short-named temporary one), which takes the name only once
// it is whole and synced; so a long name that the folder accepts can always
// be written, and a program killed midway leaves nothing behind. Temporary
// files that an earlier run killed midway left in the folder are removed.
//
// A file its user may not write is not replaced (a rename would ignore its
// permissions). A file that is replaced keeps its owner, group, permissions
// and extended attributes (so its access list). When the folder takes no
// new files, or the new file could not keep all of that (another user's
// file, a group the player is no member of), or the file has more names
// than one (hard links), but the file may be written, it is written over in
// place, room for the new bytes taken first.
// A name that leads through a link is written at the file the link names,
// and the link stays: a link to a file that is not there yet gets that file
// made where it points. Links that lead round in a loop are kFailed, and so
// is a link in a sticky folder open to all (as /tmp) that neither the
// player nor the folder's owner made: nothing is written, made or removed.
FileWriteResult WriteFileSafely(const std::string& hostPath, const void* bytes, size_t size);
