// Steps that depend on file permissions, run as an ordinary user: root
// ignores permissions, so under root the steps run in a child process that
// has become "nobody" (it inherits the test's whole state); under any other
// user they run right here. Steps between users (one plants a link, one
// shares a group) run as users given by number, which only root can become.
#pragma once
#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// What became of the steps: they ran (failure is empty when every check of
// theirs held, else it says which did not), or they could not run as an
// ordinary user (skipReason says why).
struct OrdinaryUserRun {
  bool ran = false;
  std::string failure;
  std::string skipReason;
};

// A user by number, with the groups it is a member of; no entry in the
// system's user or group lists is needed to act as one.
struct UserIds {
  uid_t uid;
  gid_t gid;
  std::vector<gid_t> groups;
};

// Runs the steps in a child process that has become the user (as setpriv
// would make it). Only root can; anyone else gets a skip reason.
inline OrdinaryUserRun RunAsUser(const UserIds& who, const std::function<std::string()>& steps) {
  OrdinaryUserRun run;
  if (geteuid() != 0) {
    run.skipReason = "only root can act as other users";
    return run;
  }
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    run.skipReason = "no pipe to the child";
    return run;
  }
  pid_t child = fork();
  if (child < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    run.skipReason = "cannot start a child process";
    return run;
  }
  if (child == 0) {
    close(pipeFds[0]);
    std::string result;
    int code = 0;
    if (setgroups(who.groups.size(), who.groups.data()) != 0 ||
        setresgid(who.gid, who.gid, who.gid) != 0 || setresuid(who.uid, who.uid, who.uid) != 0) {
      result = "cannot become user " + std::to_string(who.uid);
      code = 2;
    } else {
      result = steps();
    }
    size_t done = 0;
    while (done < result.size()) {
      ssize_t n = write(pipeFds[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(pipeFds[1]);
    _exit(code);
  }
  close(pipeFds[1]);
  std::string text;
  char buffer[512];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
    run.skipReason = text;
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    run.ran = true;
    run.failure = "the child process ended abnormally";
  } else {
    run.ran = true;
    run.failure = text;
  }
  return run;
}

inline OrdinaryUserRun RunAsOrdinaryUser(const std::function<std::string()>& steps) {
  if (geteuid() != 0) {
    OrdinaryUserRun run;
    run.ran = true;
    run.failure = steps();
    return run;
  }
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNoGroup = 65534;
  return RunAsUser(UserIds{kNobody, kNoGroup, {}}, steps);
}

// Two users who share a group, and a group that neither is a member of.
constexpr gid_t kSharedGroup = 61100;
constexpr gid_t kForeignGroup = 61200;
inline const UserIds kPlayerUser{61001, 61001, {61001, kSharedGroup}};
inline const UserIds kOtherUser{61002, 61002, {61002, kSharedGroup}};

// For use in a test: runs the steps as an ordinary user, fails the test with
// the first check that did not hold, or skips it when no ordinary user is
// to be had.
#define EXPECT_AS_ORDINARY_USER(steps)                                       \
  do {                                                                       \
    OrdinaryUserRun run_ = RunAsOrdinaryUser(steps);                         \
    if (!run_.ran) GTEST_SKIP() << "needs an ordinary user: " << run_.skipReason; \
    EXPECT_EQ(run_.failure, "");                                             \
  } while (0)

// For a run of steps between users: the test ends at the first run whose
// steps did not hold, or is skipped when it cannot act as other users.
#define ASSERT_RAN(runOfSteps)                                  \
  do {                                                          \
    OrdinaryUserRun run_ = (runOfSteps);                        \
    if (!run_.ran) GTEST_SKIP() << "needs other users: " << run_.skipReason; \
    ASSERT_EQ(run_.failure, "");                                \
  } while (0)
#define ASSERT_AS_USER(who, steps) ASSERT_RAN(RunAsUser(who, steps))

// Inside the steps: the first check that does not hold ends them.
#define ORDINARY_CHECK(cond) \
  if (!(cond)) return std::string(#cond) + " (line " + std::to_string(__LINE__) + ")"

// A folder of the user's own under /tmp, removed with all its files at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/gizmoworks_user.XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    chmod(path_.c_str(), 0700);
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") unlink((path_ + "/" + name).c_str());
      }
      closedir(d);
    }
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::string operator/(const char* name) const { return path_ + "/" + name; }
  // Hands the folder to the owner and group with the mode, for steps
  // between users.
  bool Share(uid_t owner, gid_t group, mode_t mode) const {
    return !path_.empty() && chown(path_.c_str(), owner, group) == 0 && chmod(path_.c_str(), mode) == 0;
  }

 private:
  std::string path_;
};

// Makes `sticky` a folder that everyone may write and only owners remove
// from (as /tmp), root's, and `home` a folder of the player's that holds
// their notes.txt, "my". False when that cannot be done (not root).
inline bool MakeStickyFolderAndNotes(const ScratchFolder& sticky, const ScratchFolder& home) {
  if (geteuid() != 0 || !sticky.Share(0, 0, 01777) ||
      !home.Share(kPlayerUser.uid, kPlayerUser.gid, 0755))
    return false;
  const std::string notes = home / "notes.txt";
  FILE* f = std::fopen(notes.c_str(), "wb");
  if (!f) return false;
  bool written = std::fputs("my", f) >= 0;
  return std::fclose(f) == 0 && written && chown(notes.c_str(), kPlayerUser.uid, kPlayerUser.gid) == 0;
}

// What a small file holds, as text.
inline std::string TextOf(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

// Another user's link under `name` in the sticky folder, to the player's
// notes (MakeStickyFolderAndNotes makes both folders first).
inline OrdinaryUserRun PlantLinkToNotes(const ScratchFolder& sticky, const ScratchFolder& home,
                                        const char* name) {
  if (!MakeStickyFolderAndNotes(sticky, home)) {
    OrdinaryUserRun run;
    run.skipReason = "only root can act as other users";
    return run;
  }
  return RunAsUser(kOtherUser, [&]() -> std::string {
    if (symlink((home / "notes.txt").c_str(), (sticky / name).c_str()) != 0)
      return "cannot plant the link";
    return "";
  });
}
