// The lock under which a game reads, changes and writes back a file that
// every game started from one folder shares (ClearList.dat, Config.dat), so
// that two games at once never lose each other's change.
#pragma once
#include <string>

// Holds, while it lives, an exclusive advisory lock (flock) on the folder
// that holds the file at hostPath. The folder is locked rather than the
// file: the file is replaced by a rename, and a lock on the old file would
// not keep a second game from reading the new one in between; nor could a
// lock file be made in a folder that takes no new files, where the file is
// still written in place. Another game's lock is waited for, but no longer
// than kFolderLockWaitMs, so a lock held for ever (another user may lock a
// folder that they can read) never freezes the game.
class FolderLock {
 public:
  explicit FolderLock(const std::string& hostPath);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False only when another holder kept the lock for the whole wait. A
  // folder that cannot be opened or locked at all (one the player may not
  // read, a file system without locks) counts as locked, as the file was
  // read and written before there were locks: the file's own read or write
  // then fails, or goes through, as it would have.
  bool Held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = true;
};

// How long a lock held by someone else is waited for. A game holds it for a
// read and a write of a few bytes to a few megabytes.
constexpr int kFolderLockWaitMs = 5000;
