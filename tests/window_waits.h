// Waits of the window tests, each with a time limit, and the game as a child
// process that never outlives its test. A window is found by the process
// that shows it and by its whole name: a name pattern finds a dialog's name
// inside the main window's longer title, and a window of an earlier run of
// the game may still be there under the same name.
#pragma once
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

// Asks done every 50 ms until it holds or limitMs have passed; whether it
// held.
inline bool WaitFor(const std::function<bool()>& done, int limitMs) {
  for (int t = 0; t < limitMs; t += 50) {
    if (done()) return true;
    usleep(50 * 1000);
  }
  return done();
}

namespace window_waits {

inline std::string OutputOf(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace window_waits

// The shown windows of process pid whose name is exactly name, as xdotool's
// window ids.
inline std::vector<std::string> ShownWindowsOf(pid_t pid, const std::string& name) {
  std::vector<std::string> found;
  std::istringstream ids(window_waits::OutputOf("xdotool search --onlyvisible --pid " +
                                                std::to_string(pid) + " 2>/dev/null"));
  for (std::string id; ids >> id;)
    if (window_waits::OutputOf("xdotool getwindowname " + id + " 2>/dev/null") == name)
      found.push_back(id);
  return found;
}

// The first window of that process and name to show within limitMs; empty
// when none did.
inline std::string WaitForWindowOf(pid_t pid, const std::string& name, int limitMs) {
  std::vector<std::string> shown;
  WaitFor([&] { return !(shown = ShownWindowsOf(pid, name)).empty(); }, limitMs);
  return shown.empty() ? std::string() : shown.front();
}

// Whether every window of that process and name is gone within limitMs.
inline bool WaitUntilNoWindowOf(pid_t pid, const std::string& name, int limitMs) {
  return WaitFor([&] { return ShownWindowsOf(pid, name).empty(); }, limitMs);
}

// The same waits for a script that plays a user in the background while
// this process (pid) shows a modal window, as shell functions; NAME is a
// whole window name:
//   shown_windows NAME   the ids of the process's shown windows of that name
//   wait_window NAME     waits (a minute at most) for one and prints its id;
//                        fails when none came
//   wait_no_window NAME  waits (a minute at most) until none is shown; fails
//                        when one stayed
inline std::string WindowWaitShellFunctions(pid_t pid) {
  return "P=" + std::to_string(pid) + R"sh(
shown_windows() {
  for w in $(xdotool search --onlyvisible --pid $P 2>/dev/null); do
    [ "$(xdotool getwindowname $w 2>/dev/null)" = "$1" ] && echo $w
  done
}
wait_window() {
  end=$(($(date +%s) + 60))
  until w=$(shown_windows "$1" | head -1); [ -n "$w" ]; do
    [ $(date +%s) -gt $end ] && return 1; sleep 0.1
  done
  echo $w
}
wait_no_window() {
  end=$(($(date +%s) + 60))
  while [ -n "$(shown_windows "$1")" ]; do
    [ $(date +%s) -gt $end ] && return 1; sleep 0.1
  done
}
)sh";
}

// A program run as the test's child: killed and reaped when the test ends
// (however it ends: a failed check returns past the destructor, and a test
// process that is itself killed takes the child with it).
struct ChildGame {
  pid_t pid = -1;
  int status = -1;

  // Runs binary from folder cwd, its output to logPath.
  void Start(const std::string& binary, const std::string& cwd, const std::string& logPath) {
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(125);  // the test ended before the line above
      if (chdir(cwd.c_str()) != 0) _exit(126);
      std::freopen(logPath.c_str(), "w", stdout);
      std::freopen(logPath.c_str(), "a", stderr);
      execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  // Whether it has ended within limitMs (status then says how).
  bool Ended(int limitMs) {
    return WaitFor([&] { return pid <= 0 || reaped || (reaped = waitpid(pid, &status, WNOHANG) == pid); },
                   limitMs);
  }
  ~ChildGame() {
    if (pid > 0 && !reaped && waitpid(pid, &status, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
  }

 private:
  bool reaped = false;  // its pid is no longer its own
};
