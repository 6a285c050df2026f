#include "app/game_hooks.h"

#include "app/save_command.h"
#include "app/window_title.h"
#include "game/goal_reached.h"
#include "render/camera.h"
#include "world/world_hooks.h"

void ConnectGameHooks() {
  g_titleChangedHook = UpdateWindowTitle;
  g_goalReachedHook = HandleGoalReached;
  g_stageLoadedHook = FitCameraToStage;
  g_saveRequestedHook = SaveStageCommand;
}
