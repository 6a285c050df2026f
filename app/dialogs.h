// The game's dialog resources and their control ids, as data.
//
// RegisterGameDialogs registers the three dialog templates once at start-up;
// DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialog...), owner, proc, 0)
// then runs one:
// - kDialogEditorName "エディター情報": a label, the edit box
//   kIdcEditorNameEdit, OK (IDOK) and "キャンセル" (IDCANCEL);
// - kDialogAbout "バージョン情報": OK, the version line kIdcVersionText, a
//   credit line, the contact link kIdcContactLink, the site link
//   kIdcSiteLink, the ODE line and the "Special Thanks" group with the links
//   kIdcWebsiteLink and kIdcBookLink (links are SS_NOTIFY statics);
// - kDialogPlayList "プレイリスト": "プレイ" (IDOK, default), "閉じる"
//   (IDCANCEL), the count text kIdcPlayListCount and the instructions; the
//   list view kIdcPlayListView is made by the dialog procedure.
#pragma once

enum : int {
  kDialogEditorName = 9,
  kDialogPlayList = 205,
  kDialogAbout = 207,
};

enum : int {
  kIdcEditorNameEdit = 204,
  kIdcVersionText = 1002,
  kIdcContactLink = 1000,
  kIdcSiteLink = 1001,
  kIdcWebsiteLink = 206,
  kIdcBookLink = 207,
  kIdcPlayListCount = 205,
  kIdcPlayListView = 100,
};

// The texts of the four links of the about dialog (CP932; plain ASCII).
extern const char kTextContactAddress[];
extern const char kTextSiteAddress[];
extern const char kTextWebsiteName[];
extern const char kTextBookTitle[];

void RegisterGameDialogs();
