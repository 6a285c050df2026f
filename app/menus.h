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
#include "world/command_ids.h"

enum : int {
  kMenuEditor = 203,
  kMenuPlay = 208,
  kMenuTitle = 209,
  kMenuPlayListPopup = 210,
  kAccelTable = 204,  // the keyboard accelerators of the main window
};

// The two texts of the test-play switch (CP932).
extern const char kTextTestPlayStart[];  // テストプレイ開始(&T)
extern const char kTextTestPlayEnd[];    // テストプレイ終了(&T)

void RegisterGameMenus();
// Registers the accelerator table kAccelTable for LoadAcceleratorsA: Ctrl+A,
// Ctrl+D, Ctrl+N, Ctrl+O, Ctrl+P, Ctrl+S and Ctrl+Z.
void RegisterGameAccelerators();
