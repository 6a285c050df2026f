// Steps that depend on file permissions, run as an ordinary user: root
// ignores permissions, so under root the steps run in a child process that
// has become "nobody" (it inherits the test's whole state); under any other
// user they run right here.
#pragma once
#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

// What became of the steps: they ran (failure is empty when every check of
// theirs held, else it says which did not), or they could not run as an
// ordinary user (skipReason says why).
struct OrdinaryUserRun {
  bool ran = false;
  std::string failure;
  std::string skipReason;
};

inline OrdinaryUserRun RunAsOrdinaryUser(const std::function<std::string()>& steps) {
  OrdinaryUserRun run;
  if (geteuid() != 0) {
    run.ran = true;
    run.failure = steps();
    return run;
  }
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    run.skipReason = "no pipe to the child";
    return run;
  }
  pid_t child = fork();
  if (child < 0) {
    run.skipReason = "cannot start a child process";
    return run;
  }
  if (child == 0) {
    close(pipeFds[0]);
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kNoGroup = 65534;
    std::string result;
    int code = 0;
    if (setgroups(0, nullptr) != 0 || setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
        setresuid(kNobody, kNobody, kNobody) != 0) {
      result = "cannot become nobody";
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

// For use in a test: runs the steps as an ordinary user, fails the test with
// the first check that did not hold, or skips it when no ordinary user is
// to be had.
#define EXPECT_AS_ORDINARY_USER(steps)                                       \
  do {                                                                       \
    OrdinaryUserRun run_ = RunAsOrdinaryUser(steps);                         \
    if (!run_.ran) GTEST_SKIP() << "needs an ordinary user: " << run_.skipReason; \
    EXPECT_EQ(run_.failure, "");                                             \
  } while (0)

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

 private:
  std::string path_;
};
