// What the world tells the layers above it. The world never calls upward: it
// calls these hooks, which ConnectGameHooks (app/game_hooks.h) connects at
// start-up and in the tests' shared setup. A hook not connected does nothing
// (the save request answers 0: nothing was saved). The layers above raise the
// same events through the same hooks.
#pragma once

// The stage's name, goal, changed mark or mode changed: the title is refreshed.
extern void (*g_titleChangedHook)();
// The goal bell was struck during a run.
extern void (*g_goalReachedHook)();
// A stage file replaced the stage: the camera frames the new one.
extern void (*g_stageLoadedHook)();
// A changed stage is about to be replaced and the user chose to save it first;
// returns 1 when the stage is now saved in a file.
extern int (*g_saveRequestedHook)();

inline void NotifyTitleChanged() {
  if (g_titleChangedHook) g_titleChangedHook();
}
inline void NotifyGoalReached() {
  if (g_goalReachedHook) g_goalReachedHook();
}
inline void NotifyStageLoaded() {
  if (g_stageLoadedHook) g_stageLoadedHook();
}
inline int RequestSave() { return g_saveRequestedHook ? g_saveRequestedHook() : 0; }
