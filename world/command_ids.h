// The command ids of the game's menus and accelerators, and the editor bar's
// entries changed by position: the world checks goal items and greys entries.
#pragma once
#include "platform/win_types.h"

// Top-level positions of the editor bar that are changed by position.
enum : UINT {
  kEditorMenuExportPos = 1,
  kEditorMenuTestPlayPos = 2,
  kEditorMenuStageSettingsPos = 3,
};

// Command ids of the menus and of the accelerator table.
enum : UINT {
  kCmdGoalBell = 32776,
  kCmdGoalStartBall = 32777,
  kCmdNewStage = 32778,
  kCmdOpenStage = 32779,
  kCmdSaveStage = 32780,
  kCmdSaveStageAs = 32781,
  kCmdPlayList = 32782,
  kCmdExit = 32783,
  kCmdAccelOpen = 32784,      // Ctrl+O
  kCmdAccelNew = 32786,       // Ctrl+N
  kCmdAccelSave = 32788,      // Ctrl+S
  kCmdAccelPlayList = 32790,  // Ctrl+P
  kCmdAbout = 32796,
  kCmdEditorName = 32797,
  kCmdExportPlayFile = 32802,
  kCmdStageEdit = 32806,
  kCmdTestPlay = 32817,
  kCmdSavePause = 32823,
  kCmdOpenPause = 32824,
  kCmdSelectAll = 32830,      // Ctrl+A
  kCmdClearSelection = 32831, // Ctrl+D
  kCmdUndo = 32833,           // Ctrl+Z
  kCmdDeletePlayFile = 32836,
  kCmdGoalTruck = 32838,
  kCmdGoalRocketDoll = 32840,
};
