#include "world/stage_file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Temporary files are named ".gizmoworks-<pid>-<n>.tmp": short, whatever the
// name they stand in for, and telling which run made them.
constexpr char kTempPrefix[] = ".gizmoworks-";
constexpr char kTempSuffix[] = ".tmp";
// As many links as the system follows in one path before it calls it a loop.
constexpr int kMaxLinksFollowed = 40;

bool WriteAll(int fd, const void* bytes, size_t size) {
  const char* p = static_cast<const char*>(bytes);
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads "<digits>-<digits>" + suffix at text; the first number is a process id.
bool ParsePidPair(const char* text, const char* suffix, long* pid) {
  char* end = nullptr;
  if (*text < '0' || *text > '9') return false;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '-' || value <= 0 || value > INT_MAX) return false;
  const char* second = end + 1;
  if (*second < '0' || *second > '9') return false;
  std::strtol(second, &end, 10);
  if (std::strcmp(end, suffix) != 0) return false;
  *pid = value;
  return true;
}

// A temporary file of the game whose run has ended: one of ours, or one that
// an earlier version left beside the file it was writing
// ("<name>.<pid>-<n>.tmp").
bool IsStaleTemporary(const char* entry, const std::string& targetName) {
  long pid = 0;
  bool ours = false;
  size_t prefix = sizeof kTempPrefix - 1;
  if (std::strncmp(entry, kTempPrefix, prefix) == 0) {
    ours = ParsePidPair(entry + prefix, kTempSuffix, &pid);
  } else if (std::strncmp(entry, targetName.c_str(), targetName.size()) == 0 &&
             entry[targetName.size()] == '.') {
    ours = ParsePidPair(entry + targetName.size() + 1, kTempSuffix, &pid);
  }
  if (!ours || pid == static_cast<long>(getpid())) return false;
  // A run that is still going may be writing it right now.
  return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void RemoveStaleTemporaries(const std::string& folder, const std::string& targetName) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = readdir(dir)) {
    if (IsStaleTemporary(e->d_name, targetName)) unlinkat(dirfd(dir), e->d_name, 0);
  }
  closedir(dir);
}

void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool ForbidsNewFiles(int error) { return error == EACCES || error == EPERM; }

// What a replaced file was to others besides its bytes: its owner, group,
// permissions and extended attributes (an access list among them).
struct FileLooks {
  struct stat st;
  std::vector<std::pair<std::string, std::string>> attributes;
};

// The names of the extended attributes of a file (by path, or by fd when
// path is null), or false when they cannot be listed. A file system without
// them lists none.
bool ListAttributeNames(const char* path, int fd, std::vector<std::string>* names) {
  names->clear();
  for (int tries = 0; tries < 8; ++tries) {
    ssize_t n = path ? listxattr(path, nullptr, 0) : flistxattr(fd, nullptr, 0);
    if (n < 0) return errno == ENOTSUP;
    if (n == 0) return true;
    std::string list(static_cast<size_t>(n), '\0');
    n = path ? listxattr(path, &list[0], list.size()) : flistxattr(fd, &list[0], list.size());
    if (n < 0 && errno == ERANGE) continue;  // it grew in between
    if (n < 0) return false;
    for (size_t at = 0; at < static_cast<size_t>(n);) {
      size_t end = list.find('\0', at);
      if (end == std::string::npos || end > static_cast<size_t>(n)) end = static_cast<size_t>(n);
      if (end > at) names->push_back(list.substr(at, end - at));
      at = end + 1;
    }
    return true;
  }
  return false;
}

// The value of one extended attribute; false when it cannot be read (errno
// ENODATA when the file has no such attribute).
bool ReadAttribute(const char* path, int fd, const std::string& name, std::string* value) {
  for (int tries = 0; tries < 8; ++tries) {
    ssize_t n = path ? getxattr(path, name.c_str(), nullptr, 0)
                     : fgetxattr(fd, name.c_str(), nullptr, 0);
    if (n < 0) return false;
    value->assign(static_cast<size_t>(n), '\0');
    if (n == 0) return true;
    n = path ? getxattr(path, name.c_str(), &(*value)[0], value->size())
             : fgetxattr(fd, name.c_str(), &(*value)[0], value->size());
    if (n < 0 && errno == ERANGE) continue;
    if (n < 0) return false;
    value->resize(static_cast<size_t>(n));
    return true;
  }
  return false;
}

// What the file at path is to others; false when that cannot all be read,
// so a new file could not be made the same.
bool ReadLooks(const std::string& path, FileLooks* looks) {
  std::vector<std::string> names;
  if (!ListAttributeNames(path.c_str(), -1, &names)) return false;
  looks->attributes.clear();
  for (const std::string& name : names) {
    std::string value;
    if (ReadAttribute(path.c_str(), -1, name, &value)) {
      looks->attributes.emplace_back(name, std::move(value));
    } else if (errno != ENODATA) {  // gone in between: nothing to keep
      return false;
    }
  }
  return true;
}

// Makes the new file what the old one was to others: the same owner and
// group, the same extended attributes, no others, and the same permissions
// (set last, as an access list written earlier takes its group bits).
// False when any of it cannot be done: the player may not give a file away
// or to a group of which they are no member, or may not set an attribute.
bool TakeOldLooks(int fd, const FileLooks& old) {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  uid_t owner = now.st_uid == old.st.st_uid ? static_cast<uid_t>(-1) : old.st.st_uid;
  gid_t group = now.st_gid == old.st.st_gid ? static_cast<gid_t>(-1) : old.st.st_gid;
  if ((owner != static_cast<uid_t>(-1) || group != static_cast<gid_t>(-1)) &&
      fchown(fd, owner, group) != 0)
    return false;
  std::vector<std::string> names;
  if (!ListAttributeNames(nullptr, fd, &names)) return false;
  for (const std::string& name : names) {
    bool kept = false;
    for (const auto& attribute : old.attributes) kept = kept || attribute.first == name;
    if (!kept && fremovexattr(fd, name.c_str()) != 0 && errno != ENODATA) return false;
  }
  for (const auto& attribute : old.attributes) {
    std::string value;
    if (ReadAttribute(nullptr, fd, attribute.first, &value) && value == attribute.second) continue;
    if (fsetxattr(fd, attribute.first.c_str(), attribute.second.data(), attribute.second.size(),
                  0) != 0)
      return false;
  }
  return fchmod(fd, old.st.st_mode & 07777) == 0;
}

// The new file: its bytes, then what the file it replaces was to others
// (after the bytes, as a write by its user takes away a set-id bit or file
// capabilities), all on the disk. kCannotKeep when it cannot be made the
// same as the file it replaces.
enum class Step { kDone, kFailed, kNoNewFiles, kUnsupported, kCannotKeep };

Step FillNewFile(int fd, const void* bytes, size_t size, const FileLooks* old) {
  if (!WriteAll(fd, bytes, size)) return Step::kFailed;
  if (old && !TakeOldLooks(fd, *old)) return Step::kCannotKeep;
  return fsync(fd) == 0 ? Step::kDone : Step::kFailed;
}

// Gives the finished new file a name in the folder, then the target's.
bool PutInPlace(const std::string& temp, const std::string& path) {
  if (rename(temp.c_str(), path.c_str()) == 0) return true;
  unlink(temp.c_str());
  return false;
}

std::string TempName(const std::string& folder, int attempt) {
  return folder + "/" + kTempPrefix + std::to_string(static_cast<long>(getpid())) + "-" +
         std::to_string(attempt) + kTempSuffix;
}

// An unnamed file in the folder, named only once whole. kUnsupported: the
// file system has no unnamed files (or linking one is not allowed here): use
// a named one.
Step WriteThroughUnnamedFile(const std::string& folder, const std::string& path,
                             const void* bytes, size_t size, const FileLooks* old) {
#ifdef O_TMPFILE
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return ForbidsNewFiles(errno) ? Step::kNoNewFiles : Step::kUnsupported;
  Step filled = FillNewFile(fd, bytes, size, old);
  if (filled != Step::kDone) {
    close(fd);
    return filled;
  }
  // Linking by the descriptor itself needs a privilege; through /proc it
  // does not.
  std::string temp;
  bool linked = false;
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
    temp = TempName(folder, attempt);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        linkat(fd, "", AT_FDCWD, temp.c_str(), AT_EMPTY_PATH) == 0) {
      linked = true;
    } else if (errno != EEXIST) {
      break;
    }
  }
  close(fd);
  if (!linked) return Step::kUnsupported;
  return PutInPlace(temp, path) ? Step::kDone : Step::kFailed;
#else
  (void)folder, (void)path, (void)bytes, (void)size, (void)old;
  return Step::kUnsupported;
#endif
}

Step WriteThroughNamedFile(const std::string& folder, const std::string& path, const void* bytes,
                           size_t size, const FileLooks* old) {
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(folder, attempt);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return ForbidsNewFiles(errno) ? Step::kNoNewFiles : Step::kFailed;
  }
  if (fd < 0) return Step::kFailed;
  Step filled = FillNewFile(fd, bytes, size, old);
  if (close(fd) != 0 && filled == Step::kDone) filled = Step::kFailed;
  if (filled != Step::kDone) {
    unlink(temp.c_str());
    return filled;
  }
  return PutInPlace(temp, path) ? Step::kDone : Step::kFailed;
}

// The folder takes no new files: the file itself is written over. Room for
// the new bytes is taken before the first byte changes, so a full disk
// leaves the file as it was; the bytes are written from the start and the
// rest cut off after them, so the file is never empty on the way.
FileWriteResult WriteInPlace(const std::string& path, const void* bytes, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FileWriteResult::kFailed;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return FileWriteResult::kFailed;
  }
  if (size > 0 && fallocate(fd, 0, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS) {
    int error = errno;
    close(fd);
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? FileWriteResult::kNoRoomInPlace
                                                                 : FileWriteResult::kFailed;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  bool ok = WriteAll(fd, bytes, size) && ftruncate(fd, static_cast<off_t>(size)) == 0 &&
            fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  return ok ? FileWriteResult::kWritten : FileWriteResult::kFailedInPlace;
}

// Whether the link may be followed. In a folder where everyone may make
// files and only their owners may remove them (a sticky, world-writable one,
// as /tmp), anyone may plant a link under a name the player is about to
// use; there only a link of the player's own or of the folder's owner is
// followed, as the system does for its own look-ups where so configured.
bool MayFollowLink(const std::string& link, const struct stat& linkStat) {
  struct stat folder;
  if (stat(FolderOf(link).c_str(), &folder) != 0) return false;
  constexpr mode_t kOpenToAll = S_ISVTX | S_IWOTH;
  if ((folder.st_mode & kOpenToAll) != kOpenToAll) return true;
  return linkStat.st_uid == geteuid() || linkStat.st_uid == folder.st_uid;
}

// The file that a name leads to through links, one link after another: the
// name itself when it is no link, else what the last link names, which need
// not be there yet (a link to a file still to be made). A link relative to
// its own folder is taken from there. False for links that lead round in a
// loop (or through more links than the system itself would follow), and
// for a link that another user planted (MayFollowLink), errno EACCES.
bool FollowLinks(std::string* path) {
  for (int hops = 0; hops <= kMaxLinksFollowed; ++hops) {
    struct stat st;
    if (lstat(path->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    if (!MayFollowLink(*path, st)) {
      errno = EACCES;
      return false;
    }
    std::string target(PATH_MAX, '\0');
    ssize_t n = readlink(path->c_str(), &target[0], target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return false;
    target.resize(static_cast<size_t>(n));
    *path = target[0] == '/' ? target : FolderOf(*path) + "/" + target;
  }
  errno = ELOOP;
  return false;
}

}  // namespace

FileWriteResult WriteFileSafely(const std::string& hostPath, const void* bytes, size_t size) {
  // Through a link the file it names is written, and the link stays.
  std::string path = hostPath;
  if (!FollowLinks(&path)) return FileWriteResult::kFailed;
  FileLooks looks;
  const FileLooks* old = nullptr;
  bool replaceable = true;
  if (stat(path.c_str(), &looks.st) == 0) {
    // Only a file is ever replaced: a folder, pipe or device keeps its name.
    if (!S_ISREG(looks.st.st_mode)) return FileWriteResult::kFailed;
    // Asked as the real user, the one whose files these are.
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, 0) != 0)
      return errno == EACCES || errno == EPERM || errno == EROFS ? FileWriteResult::kReadOnly
                                                                 : FileWriteResult::kFailed;
    // A new file in its place would split it from its other names, and
    // must be what it was to others (ReadLooks, TakeOldLooks); where that
    // cannot be, the file itself takes the bytes.
    replaceable = looks.st.st_nlink <= 1 && ReadLooks(path, &looks);
    old = &looks;
  }

  const std::string folder = FolderOf(path);
  RemoveStaleTemporaries(folder, NameOf(path));
  if (!replaceable) return WriteInPlace(path, bytes, size);
  Step step = WriteThroughUnnamedFile(folder, path, bytes, size, old);
  if (step == Step::kUnsupported) step = WriteThroughNamedFile(folder, path, bytes, size, old);
  switch (step) {
    case Step::kDone:
      SyncFolder(folder);
      return FileWriteResult::kWritten;
    case Step::kNoNewFiles:
    case Step::kCannotKeep:
      return old ? WriteInPlace(path, bytes, size) : FileWriteResult::kFailed;
    default:
      return FileWriteResult::kFailed;
  }
}
