#include "app/save_command.h"

#include "app/file_commands.h"
#include "app/window_title.h"
#include "world/globals.h"
#include "world/snapshot.h"
#include "world/types.h"

int (*g_saveStageAsCommand)() = SaveStageAsCommand;
int (*g_savePauseFileCommand)() = SavePauseFileCommand;

int SaveStageCommand() {
  if (g_copySourceItem != -1 || g_appMode == kModeTitle) return 0;
  if (g_isPlayFile) return g_savePauseFileCommand ? g_savePauseFileCommand() : 0;
  return SaveToOwnStageFile(g_saveStageAsCommand);
}
