#include "app/file_commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/command_steps.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "game/goal_reached.h"
#include "platform/text_encoding.h"
#include "platform/win_folders.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/stage_files.h"
#include "world/types.h"
#include "world/update_state.h"

namespace {

char g_ofnFile[256] = "";
char g_ofnFileTitle[256] = "";

OPENFILENAMEA MakeDialogRecord() {
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = 76;
  ofn.lpstrFile = g_ofnFile;
  ofn.nMaxFile = sizeof g_ofnFile;
  ofn.lpstrFileTitle = g_ofnFileTitle;
  ofn.nMaxFileTitle = sizeof g_ofnFileTitle - 1;
  ofn.lpstrInitialDir = g_programDir;
  return ofn;
}

// A filter of one display text and one pattern, ended by the empty string.
struct Filter {
  std::string pairs;
  Filter(const char* textUtf8, const char* pattern) {
    pairs = Cp932Text(textUtf8);
    pairs += '\0';
    pairs += pattern;
    pairs += '\0';
    pairs += '\0';
  }
};

const char* StageFilter() {
  static const Filter f("ステージファイル(*.stg)", "*.stg");
  return f.pairs.c_str();
}
const char* PlayFilter() {
  static const Filter f("プレイファイル(*.ply)", "*.ply");
  return f.pairs.c_str();
}
const char* PauseFilter() {
  static const Filter f("一時ファイル(*.pau)", "*.pau");
  return f.pairs.c_str();
}

// The last four characters of text are ext (exactly; a shorter text never
// matches).
bool EndsWithExtension(const char* text, const char* ext) {
  size_t n = std::strlen(text);
  return n >= 4 && std::memcmp(text + n - 4, ext, 4) == 0;
}

void PrepareDialog(const char* titleUtf8, const char* filter, DWORD flags) {
  g_ofn.hwndOwner = g_hWnd;
  g_ofn.lpstrTitle = Cp932Text(titleUtf8);
  g_ofn.lpstrFilter = filter;
  g_ofn.nFilterIndex = 1;
  g_ofn.Flags = flags;
}

// An open dialog starts with both buffers empty.
BOOL RunOpenDialog(const char* titleUtf8, const char* filter) {
  PrepareDialog(titleUtf8, filter, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
  g_ofn.lpstrFile[0] = '\0';
  g_ofn.lpstrFileTitle[0] = '\0';
  return GetOpenFileNameA(&g_ofn);
}

// Whether the file that saving under the chosen name writes may be written.
// The chooser asks before it gives back the name of a file that is there,
// but a name typed without ext gets it added, and that file the chooser never
// looked at: the player is asked about it here.
bool MayWriteChosenFile(const char* ext) {
  if (EndsWithExtension(g_ofn.lpstrFile, ext)) return true;
  const std::string written = std::string(g_ofn.lpstrFile) + ext;
  if (GetFileAttributesA(written.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  std::string name(written.size() + 1, '\0');
  GetFileTitleA(written.c_str(), &name[0], static_cast<WORD>(name.size()));
  std::string question(name.size() + 64, '\0');
  std::snprintf(&question[0], question.size(), Cp932Text("「%s」は既にあります。\n上書きしますか？"),
                name.c_str());
  return MessageBoxA(g_hWnd, question.c_str(), g_appTitle,
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

// A save dialog proposes the open stage's name and path with ext, or nothing
// for a new stage. A file the player will not have replaced brings the
// dialog back with the name they chose, for another one.
BOOL RunSaveDialog(const char* titleUtf8, const char* filter, const char* ext) {
  PrepareDialog(titleUtf8, filter, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
  if (g_stageName[0] != '\0') {
    std::snprintf(g_ofn.lpstrFileTitle, g_ofn.nMaxFileTitle, "%s%s", g_stageName, ext);
    std::snprintf(g_ofn.lpstrFile, g_ofn.nMaxFile, "%s%s", g_stagePath, ext);
  } else {
    g_ofn.lpstrFileTitle[0] = '\0';
    g_ofn.lpstrFile[0] = '\0';
  }
  do {
    if (!GetSaveFileNameA(&g_ofn)) return FALSE;
    g_ofn.lpstrInitialDir = nullptr;
  } while (!MayWriteChosenFile(ext));
  return TRUE;
}

// The stage's name and path, kept so that a failed save can give them back.
struct StageNaming {
  char name[sizeof g_stageName];
  char path[sizeof g_stagePath];
  int32_t chosen = g_stageFileChosen;
  StageNaming() {
    std::memcpy(name, g_stageName, sizeof name);
    std::memcpy(path, g_stagePath, sizeof path);
  }
  void Restore() const {
    std::memcpy(g_stageName, name, sizeof name);
    std::memcpy(g_stagePath, path, sizeof path);
    g_stageFileChosen = chosen;
  }
};

// The stage takes the chosen file's title and path, without ext when the
// title ends in it.
void TakeChosenName(const char* ext) {
  std::snprintf(g_stageName, sizeof g_stageName, "%s", g_ofn.lpstrFileTitle);
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", g_ofn.lpstrFile);
  if (EndsWithExtension(g_ofn.lpstrFileTitle, ext)) {
    size_t nameLength = std::strlen(g_stageName);
    size_t pathLength = std::strlen(g_stagePath);
    if (nameLength >= 4) g_stageName[nameLength - 4] = '\0';
    if (pathLength >= 4) g_stagePath[pathLength - 4] = '\0';
  }
}

}  // namespace

OPENFILENAMEA g_ofn = MakeDialogRecord();

int OpenStageFileCommand() {
  if (g_appMode == kModeTitle) DestroyAllItems();
  else if (g_appMode == kModeRun) ShowCursorForCommand();
  if (!RunOpenDialog("ステージファイルの読み込み", StageFilter())) return 0;
  if (!LoadStageFile(g_ofn.lpstrFile, kFileStage)) return 0;
  g_ofn.lpstrInitialDir = nullptr;
  // Whatever was shown before (title, play menu, a test play's bar), the
  // stage is edited now.
  SetMenu(g_hWnd, g_editorMenu);
  ShowStageSettingsForEditing();
  g_goalPanelState = 0;
  g_copySourceItem = -1;
  return 1;
}

int OverwriteSaveCommand() {
  // The title screen's boxes are no stage.
  if (g_isPlayFile || g_appMode == kModeTitle) return 0;
  return SaveToOwnStageFile(SaveStageAsCommand);
}

int SaveToOwnStageFile(int (*saveAs)()) {
  if (g_stagePath[0] == '\0' || !g_stageFileChosen) return saveAs ? saveAs() : 0;
  if (g_appMode == kModeRun) StopRunForCommand();
  return SaveStageFile(g_stagePath, kFileStage);
}

int SaveStageAsCommand() {
  if (g_appMode == kModeRun) ShowCursorForCommand();
  if (g_isPlayFile || g_appMode == kModeTitle) return 0;
  if (!RunSaveDialog("ステージファイルの保存", StageFilter(), ".stg")) return 0;
  StageNaming before;
  TakeChosenName(".stg");
  if (g_appMode == kModeRun) StopRunForCommand();
  if (!SaveStageFile(g_stagePath, kFileStage)) {
    // Nothing was written: the stage stays tied to the file it came from.
    before.Restore();
    UpdateWindowTitle();
    return 0;
  }
  g_stageFileChosen = 1;
  return 1;
}

int ExportPlayFileCommand() {
  // Only the stage being edited can be exported.
  if (g_isPlayFile || g_appMode == kModeTitle) return 0;
  if (g_clearVerified != 1) {
    MessageBoxA(g_hWnd,
                Cp932Text("テストプレイが完了していません。\n"
                          "テストプレイでクリアできることを確認してください。"),
                g_appTitle, MB_OK);
    return 0;
  }
  if (g_appMode == kModeRun) StopRunForCommand();
  if (!RunSaveDialog("プレイファイルの保存", PlayFilter(), ".ply")) return 0;
  if (EndsWithExtension(g_ofn.lpstrFile, ".ply"))
    g_ofn.lpstrFile[std::strlen(g_ofn.lpstrFile) - 4] = '\0';
  return SaveStageFile(g_ofn.lpstrFile, kFilePlay);
}

int SavePauseFileCommand() {
  if (g_appMode == kModeRun) ShowCursorForCommand();
  // The title screen has nothing in progress to keep.
  if (g_appMode == kModeTitle) return 0;
  if (!RunSaveDialog("一時ファイルの保存", PauseFilter(), ".pau")) return 0;
  StageNaming before;
  TakeChosenName(".pau");
  if (!SaveStageFile(g_stagePath, kFilePause)) {
    before.Restore();
    UpdateWindowTitle();
    return 0;
  }
  // The stage now bears the pause file's name; a stage file of that name is
  // not one the player chose, so the next overwrite save asks.
  g_stageFileChosen = 0;
  UpdateWindowTitle();
  return 1;
}

int OpenPauseFileCommand() {
  if (g_appMode == kModeTitle) DestroyAllItems();
  else if (g_appMode == kModeRun) ShowCursorForCommand();
  if (!RunOpenDialog("一時ファイルの読み込み", PauseFilter())) return 0;
  if (!LoadStageFile(g_ofn.lpstrFile, kFilePause)) return 0;
  g_ofn.lpstrInitialDir = nullptr;
  g_isPlayFile = 1;
  g_appMode = kModePlay;
  g_copySourceItem = -1;
  // The reader took one ".pau" off the name; a file saved as "x.pau.pau" is
  // shown as "x" all the same (its path keeps the rest).
  if (EndsWithExtension(g_stageName, ".pau")) g_stageName[std::strlen(g_stageName) - 4] = '\0';
  UpdateWindowTitle();
  SetMenu(g_hWnd, g_playMenu);
  g_goalPanelState = 1;
  g_goalPanelAlpha = 0;
  return 1;
}
