#include "world/stage_file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

// The new file: its permissions those of the file it replaces, its bytes on
// the disk.
bool FillNewFile(int fd, const void* bytes, size_t size, const struct stat* old) {
  if (!WriteAll(fd, bytes, size)) return false;
  if (old && fchmod(fd, old->st_mode & 07777) != 0) return false;
  return fsync(fd) == 0;
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

// An unnamed file in the folder, named only once whole. -1 = the file system
// has no unnamed files (or linking one is not allowed here): use a named one.
enum class Step { kDone, kFailed, kNoNewFiles, kUnsupported };

Step WriteThroughUnnamedFile(const std::string& folder, const std::string& path,
                             const void* bytes, size_t size, const struct stat* old) {
#ifdef O_TMPFILE
  int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return ForbidsNewFiles(errno) ? Step::kNoNewFiles : Step::kUnsupported;
  if (!FillNewFile(fd, bytes, size, old)) {
    close(fd);
    return Step::kFailed;
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
                           size_t size, const struct stat* old) {
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(folder, attempt);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return ForbidsNewFiles(errno) ? Step::kNoNewFiles : Step::kFailed;
  }
  if (fd < 0) return Step::kFailed;
  bool ok = FillNewFile(fd, bytes, size, old);
  ok = close(fd) == 0 && ok;
  if (!ok) {
    unlink(temp.c_str());
    return Step::kFailed;
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

// The file that a name leads to through links, one link after another: the
// name itself when it is no link, else what the last link names, which need
// not be there yet (a link to a file still to be made). A link relative to
// its own folder is taken from there. False for links that lead round in a
// loop (or through more links than the system itself would follow).
bool FollowLinks(std::string* path) {
  for (int hops = 0; hops <= kMaxLinksFollowed; ++hops) {
    struct stat st;
    if (lstat(path->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
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
  struct stat st;
  const struct stat* old = nullptr;
  if (stat(path.c_str(), &st) == 0) {
    // Only a file is ever replaced: a folder, pipe or device keeps its name.
    if (!S_ISREG(st.st_mode)) return FileWriteResult::kFailed;
    // Asked as the real user, the one whose files these are.
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, 0) != 0)
      return errno == EACCES || errno == EPERM || errno == EROFS ? FileWriteResult::kReadOnly
                                                                 : FileWriteResult::kFailed;
    old = &st;
  }

  const std::string folder = FolderOf(path);
  RemoveStaleTemporaries(folder, NameOf(path));
  Step step = WriteThroughUnnamedFile(folder, path, bytes, size, old);
  if (step == Step::kUnsupported) step = WriteThroughNamedFile(folder, path, bytes, size, old);
  switch (step) {
    case Step::kDone:
      SyncFolder(folder);
      return FileWriteResult::kWritten;
    case Step::kNoNewFiles:
      return old ? WriteInPlace(path, bytes, size) : FileWriteResult::kFailed;
    default:
      return FileWriteResult::kFailed;
  }
}
