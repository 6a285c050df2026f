// A file dropped on the main window: opened by its extension.
#include <cstring>
#include <string>
#include <vector>

#include "app/command_steps.h"
#include "app/small_dialogs.h"
#include "app/file_commands.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/stage_files.h"
#include "world/types.h"
#include "world/update_state.h"

namespace {

bool EndsWith(const std::vector<char>& path, const char* ext) {
  size_t n = std::strlen(path.data());
  return n >= 4 && std::memcmp(path.data() + n - 4, ext, 4) == 0;
}

}  // namespace

int HandleDroppedFiles(HDROP drop) {
  UpdateWindow(g_hWnd);
  // Only the first file counts. It is taken whole: a path cut to a fixed
  // buffer could name another file or lose its extension. One too long for
  // the game to hold is then refused by the reader as a file it cannot read.
  UINT length = DragQueryFileA(drop, 0, nullptr, 0);
  std::vector<char> path((size_t)length + 1, '\0');
  DragQueryFileA(drop, 0, path.data(), length + 1);
  const platform::UnheldPart unheld = platform::DroppedFileUnheld(drop, 0);
  DragFinish(drop);
  ForceForegroundWindow(g_hWnd);
  // During a run the cursor the run hid comes back before anything is asked.
  if (g_appMode == kModeRun) ShowCursorForCommand();

  // A file whose path cannot be held in the game's Shift-JIS comes without
  // one: the player learns which part of it is in the way.
  if (unheld != platform::UnheldPart::kNone) {
    const std::string text =
        platform::UnheldPartPhrase(unheld) + "含まれているため、このファイルは開けません。";
    MessageBoxA(g_hWnd, Cp932Text(text.c_str()), g_appTitle, MB_OK);
    return 0;
  }
  if (EndsWith(path, ".stg")) {
    if (!LoadStageFile(path.data(), kFileStage)) return 0;
    UpdateWindowTitle();
    SetMenu(g_hWnd, g_editorMenu);
    ShowStageSettingsForEditing();
    g_goalPanelState = 0;
  } else if (EndsWith(path, ".ply")) {
    if (!LoadStageFile(path.data(), kFilePlay)) return 0;
    UpdateWindowTitle();
    SetMenu(g_hWnd, g_playMenu);
    g_goalPanelState = 1;
    g_goalPanelAlpha = 0;
  } else if (EndsWith(path, ".pau")) {
    if (!LoadStageFile(path.data(), kFilePause)) return 0;
    g_isPlayFile = 1;
    g_appMode = kModePlay;
    UpdateWindowTitle();
    SetMenu(g_hWnd, g_playMenu);
    g_goalPanelState = 1;
    g_goalPanelAlpha = 0;
  } else {
    MessageBoxA(g_hWnd, Cp932Text("未対応のファイル形式です。"), g_appTitle, MB_OK);
    return 0;
  }
  g_copySourceItem = -1;
  return 1;
}
