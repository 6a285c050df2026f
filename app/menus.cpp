// The game's menus: the editor, play and title menu bars and the play list's
// pop-up, registered as menu resources for LoadMenuA. Texts are CP932 bytes
// (the UTF-8 in the comments is for reading only).
#include "app/menus.h"

#include "platform/win_menu.h"
#include "platform/win_message.h"

const char kTextTestPlayStart[] = "\x83" "e\x83X\x83g\x83v\x83\x8C\x83" "C\x8AJ\x8En(&T)";  // テストプレイ開始(&T)
const char kTextTestPlayEnd[] = "\x83" "e\x83X\x83g\x83v\x83\x8C\x83" "C\x8FI\x97\xB9(&T)";  // テストプレイ終了(&T)

void RegisterGameMenus() {
  // Editor menu: pop-up, export, test-play switch, stage settings pop-up, about.
  RegisterMenuResource(kMenuEditor, {
    MenuPopupEntry("\x83t\x83@\x83" "C\x83\x8B(&F)", {  // ファイル(&F)
      MenuItemEntry(kCmdNewStage, "\x90V\x8BK\x83X\x83" "e\x81[\x83W\x8D\xEC\x90\xAC(&N)\tCtrl+N"),  // 新規ステージ作成(&N) Ctrl+N
      MenuItemEntry(kCmdOpenStage, "\x83X\x83" "e\x81[\x83W\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8AJ\x82\xAD(&O)\tCtrl+O"),  // ステージファイルを開く(&O) Ctrl+O
      MenuItemEntry(kCmdSaveStage, "\x83X\x83" "e\x81[\x83W\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8F\xE3\x8F\x91\x82\xAB\x95\xDB\x91\xB6\tCtrl+S"),  // ステージファイルを上書き保存 Ctrl+S
      MenuItemEntry(kCmdSaveStageAs, "\x96\xBC\x91O\x82\xF0\x95t\x82\xAF\x82\xC4\x83X\x83" "e\x81[\x83W\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x95\xDB\x91\xB6(&A)"),  // 名前を付けてステージファイルを保存(&A)
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdOpenPause, "\x83v\x83\x8C\x83" "C\x93r\x92\x86\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x8AJ\x82\xAD"),  // プレイ途中の状態を開く
      MenuItemEntry(kCmdSavePause, "\x83v\x83\x8C\x83" "C\x93r\x92\x86\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x95\xDB\x91\xB6", MF_GRAYED),  // プレイ途中の状態を保存
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdPlayList, "\x83v\x83\x8C\x83" "C\x83\x8A\x83X\x83g\x82\xF0\x8AJ\x82\xAD(&P)\tCtrl+P"),  // プレイリストを開く(&P) Ctrl+P
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdExit, "\x8FI\x97\xB9(&X)"),  // 終了(&X)
    }),
    MenuItemEntry(kCmdExportPlayFile, "\x83v\x83\x8C\x83" "C\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8Fo\x97\xCD(&P)", MF_GRAYED),  // プレイファイルを出力(&P)
    MenuItemEntry(kCmdTestPlay, kTextTestPlayStart, MF_GRAYED),
    MenuPopupEntry("\x83X\x83" "e\x81[\x83W\x90\xDD\x92\xE8(&S)", {  // ステージ設定(&S)
      MenuItemEntry(kCmdGoalBell, "\x83S\x81[\x83\x8B\x83x\x83\x8B\x82\xF0\x96\xC2\x82\xE7\x82\xB7(&1)"),  // ゴールベルを鳴らす(&1)
      MenuItemEntry(kCmdGoalStartBall, "\x83X\x83^\x81[\x83g\x83{\x81[\x83\x8B\x82\xF0\x89^\x82\xD4(&2)"),  // スタートボールを運ぶ(&2)
      MenuItemEntry(kCmdGoalTruck, "\x83g\x83\x89\x83" "b\x83N\x82\xF0\x83S\x81[\x83\x8B\x82\xDC\x82\xC5\x91\x96\x82\xE7\x82\xB9\x82\xE9(&3)"),  // トラックをゴールまで走らせる(&3)
      MenuItemEntry(kCmdGoalRocketDoll, "\x94\xF2\x82\xD1\x8Fo\x82\xB5\x82\xBD\x90l\x8C`\x82\xF0\x94\xA0\x82\xC9\x93\xFC\x82\xEA\x82\xE9(&4)"),  // 飛び出した人形を箱に入れる(&4)
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdEditorName, "\x83G\x83" "f\x83" "B\x83^\x81[\x8F\xEE\x95\xF1\x95\xCF\x8DX(&E)"),  // エディター情報変更(&E)
    }),
    MenuItemEntry(kCmdAbout, "\x83o\x81[\x83W\x83\x87\x83\x93\x8F\xEE\x95\xF1(&V)"),  // バージョン情報(&V)
  });

  RegisterMenuResource(kMenuPlay, {
    MenuPopupEntry("\x83t\x83@\x83" "C\x83\x8B(&F)", {  // ファイル(&F)
      MenuItemEntry(kCmdPlayList, "\x83v\x83\x8C\x83" "C\x83\x8A\x83X\x83g\x82\xF0\x8AJ\x82\xAD(&P)\tCtrl+P"),  // プレイリストを開く(&P) Ctrl+P
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdOpenPause, "\x83v\x83\x8C\x83" "C\x93r\x92\x86\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x8AJ\x82\xAD(&O)\tCtrl+O"),  // プレイ途中の状態を開く(&O) Ctrl+O
      MenuItemEntry(kCmdSavePause, "\x83v\x83\x8C\x83" "C\x93r\x92\x86\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x95\xDB\x91\xB6(&S)\tCtrl+S"),  // プレイ途中の状態を保存(&S) Ctrl+S
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdStageEdit, "\x83X\x83" "e\x81[\x83W\x83G\x83" "f\x83" "B\x83" "b\x83g(&E)"),  // ステージエディット(&E)
      MenuSeparatorEntry(),
      MenuItemEntry(kCmdExit, "\x8FI\x97\xB9(&X)"),  // 終了(&X)
    }),
    MenuItemEntry(kCmdAbout, "\x83o\x81[\x83W\x83\x87\x83\x93\x8F\xEE\x95\xF1(&V)"),  // バージョン情報(&V)
  });

  RegisterMenuResource(kMenuTitle, {
    MenuItemEntry(kCmdPlayList, "\x83v\x83\x8C\x83" "C\x83\x8A\x83X\x83g\x82\xF0\x8AJ\x82\xAD(&P)"),  // プレイリストを開く(&P)
    MenuItemEntry(kCmdStageEdit, "\x90V\x8BK\x83X\x83" "e\x81[\x83W\x8D\xEC\x90\xAC(&N)"),  // 新規ステージ作成(&N)
    MenuItemEntry(kCmdOpenStage, "\x83X\x83" "e\x81[\x83W\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8AJ\x82\xAD(&O)"),  // ステージファイルを開く(&O)
    MenuItemEntry(kCmdOpenPause, "\x83v\x83\x8C\x83" "C\x93r\x92\x86\x82\xCC\x8F\xF3\x91\xD4\x82\xF0\x8AJ\x82\xAD"),  // プレイ途中の状態を開く
  });

  // The play list's right-click menu: the bar holds the one pop-up.
  RegisterMenuResource(kMenuPlayListPopup, {
    MenuPopupEntry("", {
      MenuItemEntry(kCmdDeletePlayFile, "\x8D\xED\x8F\x9C(&D)"),  // 削除(&D)
    }),
  });
}

void RegisterGameAccelerators() {
  // The keyboard forms of New, Open, Save and Play list carry ids of their
  // own, so the window procedure can test more before it acts.
  const BYTE ctrl = FVIRTKEY | FCONTROL;
  RegisterAcceleratorResource(kAccelTable, {
    ACCEL{ctrl, 'D', static_cast<WORD>(kCmdClearSelection)},
    ACCEL{ctrl, 'A', static_cast<WORD>(kCmdSelectAll)},
    ACCEL{ctrl, 'N', static_cast<WORD>(kCmdAccelNew)},
    ACCEL{ctrl, 'O', static_cast<WORD>(kCmdAccelOpen)},
    ACCEL{ctrl, 'P', static_cast<WORD>(kCmdAccelPlayList)},
    ACCEL{ctrl, 'S', static_cast<WORD>(kCmdAccelSave)},
    ACCEL{ctrl, 'Z', static_cast<WORD>(kCmdUndo)},
  });
}
