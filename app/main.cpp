// The program's entry on Linux: opens the desktop, makes the program's own
// folder the current one (its data\ is read from there), and runs the game.
#include <csignal>
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "platform/win_message.h"
#include "platform/gtk_face.h"

namespace {

// The session ending, the terminal closing or Ctrl+C: the game closes as from
// its close box, asking to save a changed stage and writing Config.dat. A
// second such signal before the first is answered ends it at once; after a
// close the player cancelled, the next one asks again.
void CloseOnSignal(int signal) {
  if (RequestCloseFromOutside()) return;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  std::string why;
  if (!platform::InstallGtkFace(&why)) {
    std::fprintf(stderr, "%s: cannot open the display: %s\n", argc > 0 ? argv[0] : "gizmoworks",
                 why.c_str());
    return 1;
  }
  EnterProgramFolder();
  for (int s : {SIGTERM, SIGINT, SIGHUP}) std::signal(s, CloseOnSignal);
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  int result = WinMain(nullptr, nullptr, &commandLine[0], SW_SHOWNORMAL);
  platform::UninstallGtkFace();
  // A start-up that failed has told the player why; a launcher sees it too.
  return g_startUpFailed ? 1 : result;
}
