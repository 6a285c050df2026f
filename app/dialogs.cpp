// The game's dialogs as templates (CP932 texts; the UTF-8 in the comments is
// for reading only). Positions and sizes are dialog units.
#include "app/dialogs.h"

#include "platform/win_dialog.h"

const char kTextContactAddress[] = "gizmoworks@example.org";
const char kTextSiteAddress[] = "https://gizmoworks.example.org/";
const char kTextWebsiteName[] = "Open Dynamics Engine";
const char kTextBookTitle[] = "Game Physics Engine Development";

namespace {

const DWORD kChild = WS_CHILD | WS_VISIBLE;

DialogControlTemplate Control(const char* className, const char* text, int id, DWORD style, int x,
                              int y, int cx, int cy) {
  DialogControlTemplate c;
  c.className = className;
  c.text = text;
  c.id = id;
  c.style = kChild | style;
  c.x = x;
  c.y = y;
  c.cx = cx;
  c.cy = cy;
  return c;
}

DialogControlTemplate Label(const char* text, int x, int y, int cx, int cy, int id = -1) {
  return Control(WC_STATICA, text, id, SS_LEFT, x, y, cx, cy);
}

DialogControlTemplate Link(const char* text, int id, int x, int y, int cx, int cy) {
  return Control(WC_STATICA, text, id, SS_LEFT | SS_NOTIFY, x, y, cx, cy);
}

DialogControlTemplate Button(const char* text, int id, DWORD style, int x, int y, int cx, int cy) {
  return Control(WC_BUTTONA, text, id, style | WS_TABSTOP, x, y, cx, cy);
}

}  // namespace

void RegisterGameDialogs() {
  DialogTemplate name;
  name.caption = "\x83G\x83" "f\x83" "B\x83^\x81[\x8F\xEE\x95\xF1";  // エディター情報
  name.style |= DS_CENTER;
  name.cx = 186;
  name.cy = 62;
  name.controls = {
    Label("\x83X\x83" "e\x81[\x83W\x90\xBB\x8D\xEC\x8E\xD2\x82\xCC\x96\xBC\x91O\x82\xF0\x93\xFC\x97\xCD"
          "\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2",  // ステージ製作者の名前を入力してください
          7, 7, 172, 10),
    Control(WC_EDITA, "", kIdcEditorNameEdit, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 20, 172,
            13),
    Button("OK", IDOK, BS_DEFPUSHBUTTON, 75, 41, 50, 14),
    Button("\x83L\x83\x83\x83\x93\x83Z\x83\x8B", IDCANCEL, BS_PUSHBUTTON, 129, 41, 50, 14),  // キャンセル
  };
  RegisterDialogResource(kDialogEditorName, name);

  DialogTemplate about;
  about.caption = "\x83o\x81[\x83W\x83\x87\x83\x93\x8F\xEE\x95\xF1";  // バージョン情報
  about.style |= DS_CENTER;
  about.cx = 240;
  about.cy = 150;
  about.controls = {
    Button("OK", IDOK, BS_DEFPUSHBUTTON, 183, 7, 50, 14),
    Label("", 7, 9, 150, 10, kIdcVersionText),
    Label("Programmed by the GizmoWorks team", 7, 22, 150, 10),
    Label("\x82\xB2\x88\xD3\x8C\xA9\x81" "E\x82\xB2\x8A\xB4\x91z\x81" "E\x83o\x83O\x8F\xEE\x95\xF1",  // ご意見・ご感想・バグ情報
          7, 40, 100, 10),
    Link(kTextContactAddress, kIdcContactLink, 107, 40, 106, 10),
    Label("\x8E\x9E\x8A\xD4\x82\xC9\x97]\x97T\x82\xCC\x82\xA0\x82\xE9\x90l\x82\xCD",  // 時間に余裕のある人は
          7, 54, 100, 10),
    Link(kTextSiteAddress, kIdcSiteLink, 107, 54, 126, 10),
    Label("Powered by ODE (Open Dynamics Engine)", 7, 72, 226, 10),
    Control(WC_BUTTONA, "Special Thanks", -1, BS_GROUPBOX, 7, 88, 226, 52),
    Label("Useful Website :", 14, 102, 72, 10),
    Link(kTextWebsiteName, kIdcWebsiteLink, 88, 102, 140, 10),
    Label("Useful Book :", 14, 118, 72, 10),
    Link(kTextBookTitle, kIdcBookLink, 88, 118, 140, 10),
  };
  RegisterDialogResource(kDialogAbout, about);

  DialogTemplate list;
  list.caption = "\x83v\x83\x8C\x83" "C\x83\x8A\x83X\x83g";  // プレイリスト
  list.cx = 396;
  list.cy = 239;
  list.controls = {
    Button("\x83v\x83\x8C\x83" "C", IDOK, BS_DEFPUSHBUTTON, 139, 218, 50, 14),  // プレイ
    Button("\x95\xC2\x82\xB6\x82\xE9", IDCANCEL, BS_PUSHBUTTON, 211, 218, 50, 14),  // 閉じる
    Label("", 7, 219, 111, 13, kIdcPlayListCount),
    // プレイするステージを選んでください。（● = クリアしたステージ）　右クリックメニューで削除することもできます。
    Label("\x83v\x83\x8C\x83" "C\x82\xB7\x82\xE9\x83X\x83" "e\x81[\x83W\x82\xF0\x91I\x82\xF1\x82\xC5"
          "\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B\x81i\x81\x9C = \x83N\x83\x8A\x83" "A\x82\xB5\x82\xBD"
          "\x83X\x83" "e\x81[\x83W\x81j\x81@\x89" "E\x83N\x83\x8A\x83" "b\x83N\x83\x81\x83j\x83\x85\x81["
          "\x82\xC5\x8D\xED\x8F\x9C\x82\xB7\x82\xE9\x82\xB1\x82\xC6\x82\xE0\x82\xC5\x82\xAB\x82\xDC\x82"
          "\xB7\x81" "B",
          7, 7, 382, 11),
  };
  RegisterDialogResource(kDialogPlayList, list);
}
