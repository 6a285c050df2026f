// The game's menu resources and command ids.
//
// RegisterGameMenus registers the four menus once at start-up; each
// LoadMenuA(instance, MAKEINTRESOURCEA(kMenu...)) then builds a fresh copy:
// - kMenuEditor, the bar of stage editing: 0 pop-up "ファイル(&F)", 1 export,
//   2 test-play switch, 3 pop-up "ステージ設定(&S)" (the goals), 4 about;
// - kMenuPlay, the bar while a play or pause file is loaded;
// - kMenuTitle, the bar of the title screen (four plain items);
// - kMenuPlayListPopup, the play list's right-click menu (GetSubMenu(menu, 0)).
// RegisterGameAccelerators does the same for the accelerator table.
#pragma once
#include "platform/win_types.h"

enum : int {
  kMenuEditor = 203,
  kMenuPlay = 208,
  kMenuTitle = 209,
  kMenuPlayListPopup = 210,
  kAccelTable = 204,  // the keyboard accelerators of the main window
};

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

// The two texts of the test-play switch (CP932).
extern const char kTextTestPlayStart[];  // テストプレイ開始(&T)
extern const char kTextTestPlayEnd[];    // テストプレイ終了(&T)

void RegisterGameMenus();
// Registers the accelerator table kAccelTable for LoadAcceleratorsA: Ctrl+A,
// Ctrl+D, Ctrl+N, Ctrl+O, Ctrl+P, Ctrl+S and Ctrl+Z.
void RegisterGameAccelerators();
