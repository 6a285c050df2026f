#include "app/menus.h"

#include "platform/text_encoding.h"
#include "platform/win_menu.h"

namespace {

MenuTemplateEntry Item(UINT id, const char* utf8, UINT state = 0) {
  return MenuItemEntry(id, Cp932Text(utf8), state);
}

}  // namespace

void RegisterGameMenus() {
  RegisterMenuResource(
      kEditorMenuResource,
      {MenuPopupEntry(Cp932Text("ファイル(&F)"),
                      {Item(32778, "新規ステージ作成(&N)\tCtrl+N"),
                       Item(32779, "ステージファイルを開く(&O)\tCtrl+O"),
                       Item(32780, "ステージファイルを上書き保存\tCtrl+S"),
                       Item(32781, "名前を付けてステージファイルを保存(&A)"),
                       MenuSeparatorEntry(),
                       Item(32824, "プレイ途中の状態を開く"),
                       Item(32823, "プレイ途中の状態を保存", MF_GRAYED),
                       MenuSeparatorEntry(),
                       Item(32782, "プレイリストを開く(&P)\tCtrl+P"),
                       MenuSeparatorEntry(),
                       Item(32783, "終了(&X)")}),
       Item(32802, "プレイファイルを出力(&P)", MF_GRAYED),
       Item(32817, "テストプレイ開始(&T)", MF_GRAYED),
       MenuPopupEntry(Cp932Text("ステージ設定(&S)"),
                      {Item(32776, "ゴールベルを鳴らす(&1)"),
                       Item(32777, "スタートボールを運ぶ(&2)"),
                       Item(32838, "トラックをゴールまで走らせる(&3)"),
                       Item(32840, "飛び出した人形を箱に入れる(&4)"),
                       MenuSeparatorEntry(),
                       Item(32797, "エディター情報変更(&E)")}),
       Item(32796, "バージョン情報(&V)")});

  RegisterMenuResource(
      kPlayMenuResource,
      {MenuPopupEntry(Cp932Text("ファイル(&F)"),
                      {Item(32782, "プレイリストを開く(&P)\tCtrl+P"),
                       MenuSeparatorEntry(),
                       Item(32824, "プレイ途中の状態を開く(&O)\tCtrl+O"),
                       Item(32823, "プレイ途中の状態を保存(&S)\tCtrl+S"),
                       MenuSeparatorEntry(),
                       Item(32806, "ステージエディット(&E)"),
                       MenuSeparatorEntry(),
                       Item(32783, "終了(&X)")}),
       Item(32796, "バージョン情報(&V)")});

  RegisterMenuResource(kTitleMenuResource,
                       {Item(32782, "プレイリストを開く(&P)"),
                        Item(32806, "新規ステージ作成(&N)"),
                        Item(32779, "ステージファイルを開く(&O)"),
                        Item(32824, "プレイ途中の状態を開く")});
}
