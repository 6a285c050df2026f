#include "app/window_title.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/shell_globals.h"
#include "platform/text_encoding.h"
#include "platform/win_input.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/snapshot.h"

char g_windowTitle[260] = "";

namespace {

constexpr size_t kTitleBytes = 260;

// Cuts a CP932 text to at most max bytes without splitting a character.
void CutToCharBoundary(std::string& s, size_t max) {
  size_t pos = 0;
  while (pos < s.size()) {
    size_t len = (size_t)Cp932CharLength((unsigned char)s[pos]);
    if (pos + len > max) break;
    pos += len;
  }
  s.resize(pos);
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  std::string s((size_t)(n > 0 ? n : 0), '\0');
  std::snprintf(&s[0], s.size() + 1, format, args...);
  return s;
}

}  // namespace

void UpdateWindowTitle() {
  std::string text;
  if (g_appMode == kModeTitle) {
    text = g_appTitle;
  } else {
    if ((uint8_t)g_stageModified != g_shownDirtyState) {
      g_shownDirtyState = (uint8_t)g_stageModified;
      EnableMenuItem(g_editorMenu, kCmdSaveStage,
                     MF_BYCOMMAND | (g_stageModified ? MF_ENABLED : MF_GRAYED));
    }
    const char* mark = g_stageModified ? "* " : "";
    if (g_stageModified && g_appMode == kModeEdit)
      EnableMenuItem(g_editorMenu, kCmdExportPlayFile, MF_BYCOMMAND | MF_GRAYED);

    std::string modeText;
    if (g_isPlayFile) {
      modeText = Cp932Text("プレイ中");
    } else {
      char name[sizeof g_editorName + 1] = {};
      std::memcpy(name, g_editorName, sizeof g_editorName);
      modeText = std::string("Edit by ") + name;
    }
    // A file loaded from the title screen has no goal for a moment; its name
    // is left blank until the goal is set.
    const char* goalName =
        (g_goalType >= 0 && g_goalType < 4) ? g_goalTypeNames[g_goalType] : "";
    if (g_stageName[0]) {
      text = Format(Cp932Text("ギズモワークス %s -［ %s：%s %s］ %s"), "Ver.1.10", g_stageName,
                    goalName, mark, modeText.c_str());
    } else {
      text = Format(Cp932Text("ギズモワークス %s -［ 新規ステージ：%s %s］ %s"), "Ver.1.10",
                    goalName, mark, modeText.c_str());
    }
  }
  CutToCharBoundary(text, kTitleBytes - 1);
  if (std::strcmp(text.c_str(), g_windowTitle) != 0) {
    SetWindowTextA(g_hWnd, text.c_str());
    std::memcpy(g_windowTitle, text.c_str(), text.size() + 1);
  }
}
