#include "world/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

std::string FolderOfHostPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

FolderLock::FolderLock(const std::string& hostPath) {
  fd_ = open(FolderOfHostPath(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFolderLockWaitMs);
  for (;;) {
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return;  // no locks here: go on as without them
    if (std::chrono::steady_clock::now() >= giveUp) break;
    // The holder's write takes milliseconds; a short nap keeps the wait cheap.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  held_ = false;
  close(fd_);
  fd_ = -1;
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor lets the lock go
}
