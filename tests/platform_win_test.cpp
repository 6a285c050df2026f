// The window-system side of the platform layer through its headless face:
// text conversion, menus, title, message boxes, cursor, keys and clock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_dialog.h"
#include "platform/win_files.h"
#include "platform/win_menu.h"
#include "platform/win_user.h"
#include "platform/winmm.h"

namespace {

// Game texts as the game holds them (CP932 bytes).
const char kGoalBell[] = "\x83S\x81[\x83\x8B\x83x\x83\x8B";  // ゴールベル
const char kTestPlayStart[] = "\x83" "e\x83X\x83g\x83v\x83\x8C\x83" "C\x8AJ\x8En(&T)";
const char kTestPlayEnd[] = "\x83" "e\x83X\x83g\x83v\x83\x8C\x83" "C\x8FI\x97\xB9(&T)";
const char kStageSettings[] = "\x83X\x83" "e\x81[\x83W\x90\xDD\x92\xE8(&S)";  // ステージ設定(&S)
const char kFileMenu[] = "\x83t\x83@\x83" "C\x83\x8B(&F)";                   // ファイル(&F)
const char kExport[] = "\x83v\x83\x8C\x83" "C\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8Fo\x97\xCD(&P)";
const char kTitleExample[] =
    "\x83M\x83Y\x83\x82\x83\x8F\x81[\x83N\x83X Ver.1.10 -\x81m a\x81" "F\x83S\x81[\x83\x8B\x83x"
    "\x83\x8B \x81n Edit by \x90V\x90l\x83G\x83" "f\x83" "B\x83^\x81[";

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// A bar shaped like the editor's: pop-up, item, item, pop-up, item.
std::vector<MenuTemplateEntry> EditorLikeBar() {
  return {
      MenuPopupEntry(kFileMenu, {MenuItemEntry(32778, "New"), MenuItemEntry(32780, "Save"),
                                 MenuSeparatorEntry(), MenuItemEntry(32823, "Pause", MF_GRAYED)}),
      MenuItemEntry(32802, kExport, MF_GRAYED),
      MenuItemEntry(32817, kTestPlayStart, MF_GRAYED),
      MenuPopupEntry(kStageSettings, {MenuItemEntry(32776, "Bell"), MenuItemEntry(32777, "Ball"),
                                      MenuSeparatorEntry(), MenuItemEntry(32797, "Name")}),
      MenuItemEntry(32796, "About"),
  };
}

// The game's one record, filled the way its menu code fills it.
MENUITEMINFOA GameMenuItemInfo() {
  MENUITEMINFOA info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = 48;
  info.fMask = MIIM_STATE;
  return info;
}

}  // namespace

// --- text conversion ------------------------------------------------------------

TEST(TextEncoding, GameTextsRoundTripThroughUtf8) {
  EXPECT_EQ(Cp932ToUtf8(kGoalBell), "ゴールベル");
  EXPECT_EQ(Cp932ToUtf8(kTestPlayStart), "テストプレイ開始(&T)");
  EXPECT_EQ(Cp932ToUtf8(kTestPlayEnd), "テストプレイ終了(&T)");
  EXPECT_EQ(Cp932ToUtf8(kTitleExample), "ギズモワークス Ver.1.10 -［ a：ゴールベル ］ Edit by 新人エディター");
  EXPECT_EQ(Utf8ToCp932("ゴールベル"), kGoalBell);
  EXPECT_EQ(Utf8ToCp932("テストプレイ開始(&T)"), kTestPlayStart);
  EXPECT_EQ(Utf8ToCp932("ギズモワークス Ver.1.10 -［ a：ゴールベル ］ Edit by 新人エディター"),
            kTitleExample);
  // The code page's own rows: wave dash, NEC circled digits, IBM kanji, half-width kana,
  // and a trail byte that is a backslash (ソ).
  EXPECT_EQ(Cp932ToUtf8("\x81`"), "～");
  EXPECT_EQ(Utf8ToCp932("～"), "\x81`");
  EXPECT_EQ(Utf8ToCp932("①髙ｱソ"), "\x87@\xFB\xFC\xB1\x83\\");
  EXPECT_EQ(Cp932ToUtf8("\x87@\xFB\xFC\xB1\x83\\"), "①髙ｱソ");
  // The NEC-selected copy of an IBM kanji reads the same; it is written back
  // in the IBM row, as the desktop writes it.
  EXPECT_EQ(Cp932ToUtf8("\xEE\xE0"), "髙");
  EXPECT_EQ(Cp932ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextEncoding, InvalidBytesAreReplacedNotFatal) {
  EXPECT_EQ(Cp932ToUtf8("\x80"), kReplacement);
  EXPECT_EQ(Cp932ToUtf8("A\xFF" "B"), "A" + kReplacement + "B");
  // A lead byte before a byte that cannot trail it: only the lead is lost.
  EXPECT_EQ(Cp932ToUtf8("\x83 A"), kReplacement + " A");
  // A text that ends inside a character.
  EXPECT_EQ(Cp932ToUtf8(std::string(kGoalBell) + "\x83"), "ゴールベル" + kReplacement);
  // UTF-8 without a CP932 form, and broken UTF-8.
  EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToCp932("x\xE3\x81"), "x?");
  EXPECT_EQ(Utf8ToCp932("\xE3\x81" "A"), "?A");
  EXPECT_EQ(Utf8ToCp932("\xFF\xFE"), "??");
}

TEST(TextEncoding, Cp932TextGivesStableGameBytes) {
  const char* a = Cp932Text("ゴールベル");
  const char* b = Cp932Text("ゴールベル");
  EXPECT_STREQ(a, kGoalBell);
  EXPECT_EQ(a, b);
  EXPECT_STREQ(Cp932Text("テストプレイ終了(&T)"), kTestPlayEnd);
}

// --- menus ---------------------------------------------------------------------------

TEST(PlatformMenu, BuiltFromDescriptionReadByPositionAndId) {
  HMENU bar = CreateMenuFromTemplate(EditorLikeBar());
  ASSERT_TRUE(IsMenu(bar));
  ASSERT_EQ(GetMenuItemCount(bar), 5);
  EXPECT_EQ(GetMenuItemID(bar, 0), (UINT)-1);  // a pop-up
  EXPECT_EQ(GetMenuItemID(bar, 2), 32817u);
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_TRUE(IsMenu(file));
  EXPECT_EQ(GetMenuItemCount(file), 4);
  EXPECT_EQ(GetSubMenu(bar, 1), nullptr);

  headless::MenuItemView test = headless::MenuItemAt(bar, 2);
  EXPECT_EQ(test.id, 32817u);
  EXPECT_EQ(test.textCp932, kTestPlayStart);
  EXPECT_EQ(test.textUtf8, "テストプレイ開始(&T)");
  EXPECT_FALSE(test.enabled);
  EXPECT_TRUE(test.grayed);
  EXPECT_EQ(headless::MenuItemAt(bar, 3).textUtf8, "ステージ設定(&S)");
  EXPECT_TRUE(headless::MenuItemAt(bar, 3).enabled);
  EXPECT_TRUE(headless::MenuItemAt(file, 2).separator);
  EXPECT_FALSE(headless::MenuItemAt(bar, 5).found);

  // By command id the pop-ups are searched too.
  headless::MenuItemView pause = headless::MenuItemById(bar, 32823);
  ASSERT_TRUE(pause.found);
  EXPECT_FALSE(pause.enabled);
  EXPECT_EQ(GetMenuState(bar, 32823, MF_BYCOMMAND), MF_GRAYED);
  EXPECT_EQ(GetMenuState(bar, 3, MF_BYPOSITION), MF_POPUP | (4u << 8));
  EXPECT_EQ(GetMenuState(bar, 99999, MF_BYCOMMAND), (UINT)-1);
  char text[64];
  EXPECT_EQ(GetMenuStringA(bar, 32802, text, sizeof text, MF_BYCOMMAND), (int)std::strlen(kExport));
  EXPECT_STREQ(text, kExport);
}

TEST(PlatformMenu, EnableAndCheckByCommandReportThePreviousState) {
  HMENU bar = CreateMenuFromTemplate(EditorLikeBar());
  EXPECT_EQ(EnableMenuItem(bar, 32823, MF_BYCOMMAND | MF_ENABLED), (BOOL)MF_GRAYED);
  EXPECT_TRUE(headless::MenuItemById(bar, 32823).enabled);
  EXPECT_EQ(EnableMenuItem(bar, 32823, MF_BYCOMMAND | MF_GRAYED), (BOOL)MF_ENABLED);
  EXPECT_TRUE(headless::MenuItemById(bar, 32823).grayed);
  EXPECT_EQ(EnableMenuItem(bar, 12345, MF_BYCOMMAND | MF_GRAYED), -1);

  EXPECT_EQ(CheckMenuItem(bar, 32776, MF_BYCOMMAND | MF_CHECKED), (DWORD)MF_UNCHECKED);
  EXPECT_TRUE(headless::MenuItemById(bar, 32776).checked);
  EXPECT_FALSE(headless::MenuItemById(bar, 32777).checked);
  EXPECT_EQ(CheckMenuItem(bar, 32776, MF_BYCOMMAND | MF_UNCHECKED), (DWORD)MF_CHECKED);
  EXPECT_FALSE(headless::MenuItemById(bar, 32776).checked);
  EXPECT_EQ(CheckMenuItem(bar, 12345, MF_CHECKED), (DWORD)-1);
  // Greying and checking are separate bits.
  CheckMenuItem(bar, 32777, MF_CHECKED);
  EnableMenuItem(bar, 32777, MF_GRAYED);
  headless::MenuItemView ball = headless::MenuItemById(bar, 32777);
  EXPECT_TRUE(ball.checked);
  EXPECT_TRUE(ball.grayed);
  // By position.
  EnableMenuItem(bar, 4, MF_BYPOSITION | MF_GRAYED);
  EXPECT_FALSE(headless::MenuItemAt(bar, 4).enabled);
}

TEST(PlatformMenu, SetMenuItemInfoByPositionChangesOnlyWhatTheMaskNames) {
  HMENU bar = CreateMenuFromTemplate(EditorLikeBar());
  MENUITEMINFOA info = GameMenuItemInfo();

  // Entering a test play: text and state together, then the mask goes back.
  info.fMask = MIIM_STATE | MIIM_STRING;
  info.fState = 0;
  info.dwTypeData = const_cast<char*>(kTestPlayEnd);
  ASSERT_TRUE(SetMenuItemInfoA(bar, 2, TRUE, &info));
  info.fMask = MIIM_STATE;
  info.fState = 3;
  ASSERT_TRUE(SetMenuItemInfoA(bar, 3, TRUE, &info));
  EXPECT_EQ(headless::MenuItemAt(bar, 2).textUtf8, "テストプレイ終了(&T)");
  EXPECT_TRUE(headless::MenuItemAt(bar, 2).enabled);
  EXPECT_FALSE(headless::MenuItemAt(bar, 3).enabled);
  EXPECT_EQ(headless::MenuItemAt(bar, 3).textCp932, kStageSettings);  // text untouched
  EXPECT_EQ(GetSubMenu(bar, 3), headless::MenuItemAt(bar, 3).subMenu); // still the pop-up

  // A state-only change with a stale text pointer leaves the text alone.
  info.dwTypeData = const_cast<char*>("stale");
  info.fState = 3;
  ASSERT_TRUE(SetMenuItemInfoA(bar, 2, TRUE, &info));
  EXPECT_EQ(headless::MenuItemAt(bar, 2).textCp932, kTestPlayEnd);
  EXPECT_TRUE(headless::MenuItemAt(bar, 2).grayed);

  // The state is replaced whole: a check mark goes with state 0.
  CheckMenuItem(bar, 4, MF_BYPOSITION | MF_CHECKED);
  info.fState = 0;
  SetMenuItemInfoA(bar, 4, TRUE, &info);
  EXPECT_FALSE(headless::MenuItemAt(bar, 4).checked);

  // Refused: an unfilled record, a position past the end, a missing command.
  MENUITEMINFOA empty;
  std::memset(&empty, 0, sizeof empty);
  empty.fMask = MIIM_STATE;
  empty.fState = 3;
  EXPECT_FALSE(SetMenuItemInfoA(bar, 4, TRUE, &empty));
  EXPECT_TRUE(headless::MenuItemAt(bar, 4).enabled);
  EXPECT_FALSE(SetMenuItemInfoA(bar, 5, TRUE, &info));
  EXPECT_FALSE(SetMenuItemInfoA(bar, 4242, FALSE, &info));

  // By command, and read back.
  info.fMask = MIIM_STATE;
  info.fState = MFS_CHECKED;
  ASSERT_TRUE(SetMenuItemInfoA(bar, 32797, FALSE, &info));
  EXPECT_TRUE(headless::MenuItemById(bar, 32797).checked);
  MENUITEMINFOA got = GameMenuItemInfo();
  char text[8];
  got.fMask = MIIM_STATE | MIIM_STRING | MIIM_ID;
  got.dwTypeData = text;
  got.cch = sizeof text;
  ASSERT_TRUE(GetMenuItemInfoA(bar, 2, TRUE, &got));
  EXPECT_EQ(got.wID, 32817u);
  EXPECT_EQ(got.fState, 3u);
  EXPECT_EQ(got.cch, 6u);  // 7 bytes of room: three whole double-byte characters
  EXPECT_EQ(std::string(text), std::string(kTestPlayEnd, 6));
}

TEST(PlatformMenu, BarShowsChangesOnlyWhenRedrawn) {
  HMENU editor = CreateMenuFromTemplate(EditorLikeBar());
  HMENU title = CreateMenuFromTemplate({MenuItemEntry(32782, "List"), MenuItemEntry(32806, "New")});
  HWND w = headless::MakeWindow("", title);
  EXPECT_EQ(GetMenu(w), title);
  ASSERT_EQ(headless::ShownMenuBar(w).size(), 2u);

  ASSERT_TRUE(SetMenu(w, editor));
  EXPECT_EQ(GetMenu(w), editor);
  ASSERT_EQ(headless::ShownMenuBar(w).size(), 5u);
  EXPECT_FALSE(headless::ShownMenuBar(w)[2].enabled);

  MENUITEMINFOA info = GameMenuItemInfo();
  info.fState = 0;
  SetMenuItemInfoA(editor, 2, TRUE, &info);
  EXPECT_TRUE(headless::MenuItemAt(editor, 2).enabled);
  EXPECT_FALSE(headless::ShownMenuBar(w)[2].enabled);  // not redrawn yet
  EXPECT_EQ(headless::MenuBarDrawCount(w), 0);
  ASSERT_TRUE(DrawMenuBar(w));
  EXPECT_TRUE(headless::ShownMenuBar(w)[2].enabled);
  EXPECT_EQ(headless::MenuBarDrawCount(w), 1);

  // Changing the other bar shows nothing in this window.
  EnableMenuItem(title, 32782, MF_GRAYED);
  DrawMenuBar(w);
  EXPECT_TRUE(headless::MenuItemAt(editor, 0).enabled);
  EXPECT_FALSE(DrawMenuBar(nullptr));
  EXPECT_FALSE(SetMenu(w, reinterpret_cast<HMENU>(uintptr_t{987654})));
  EXPECT_EQ(GetMenu(w), editor);
}

TEST(PlatformMenu, ResourcesLoadAsIndependentCopiesAndDestroyCleanly) {
  RegisterMenuResource(210, {MenuPopupEntry("", {MenuItemEntry(32836, "Delete")})});
  HMENU a = LoadMenuA(nullptr, MAKEINTRESOURCEA(210));
  HMENU b = LoadMenuA(nullptr, MAKEINTRESOURCEA(210));
  ASSERT_TRUE(IsMenu(a));
  ASSERT_TRUE(IsMenu(b));
  EXPECT_NE(a, b);
  EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCEA(211)), nullptr);
  HMENU popupA = GetSubMenu(a, 0);
  EXPECT_EQ(GetMenuItemID(popupA, 0), 32836u);
  EnableMenuItem(a, 32836, MF_GRAYED);
  EXPECT_TRUE(headless::MenuItemById(b, 32836).enabled);

  HWND w = headless::MakeWindow("", a);
  ASSERT_TRUE(DestroyMenu(a));
  EXPECT_FALSE(IsMenu(a));
  EXPECT_FALSE(IsMenu(popupA));  // its pop-up went with it
  EXPECT_EQ(GetMenu(w), nullptr);
  EXPECT_FALSE(DestroyMenu(a));
  EXPECT_EQ(EnableMenuItem(a, 32836, MF_GRAYED), -1);
  EXPECT_EQ(GetMenuItemCount(a), -1);
  EXPECT_TRUE(IsMenu(b));
  // Handles are never reused, even after a reset.
  headless::Reset();
  EXPECT_FALSE(IsMenu(b));
  HMENU c = CreateMenu();
  EXPECT_NE(c, a);
  EXPECT_NE(c, b);
  // AppendMenuA builds the same model.
  HMENU popup = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuA(popup, MF_STRING | MF_CHECKED, 7, "Seven"));
  ASSERT_TRUE(AppendMenuA(c, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "Menu"));
  EXPECT_FALSE(AppendMenuA(c, MF_POPUP, reinterpret_cast<UINT_PTR>(c), "Self"));
  EXPECT_TRUE(headless::MenuItemById(c, 7).checked);
}

// --- window title and coordinates ---------------------------------------------------

TEST(PlatformWindow, TitleStoredAsCp932AndShownAsUtf8) {
  HWND w = headless::MakeWindow("start");
  EXPECT_EQ(headless::TitleSetCount(w), 0);
  ASSERT_TRUE(SetWindowTextA(w, kTitleExample));
  EXPECT_EQ(headless::WindowTitleCp932(w), kTitleExample);
  EXPECT_EQ(headless::WindowTitleUtf8(w),
            "ギズモワークス Ver.1.10 -［ a：ゴールベル ］ Edit by 新人エディター");
  EXPECT_EQ(headless::TitleSetCount(w), 1);
  EXPECT_EQ(GetWindowTextLengthA(w), (int)std::strlen(kTitleExample));

  char buffer[260];
  EXPECT_EQ(GetWindowTextA(w, buffer, sizeof buffer), (int)std::strlen(kTitleExample));
  EXPECT_STREQ(buffer, kTitleExample);
  // A short buffer never ends in half a character: "ギ" is two bytes.
  EXPECT_EQ(GetWindowTextA(w, buffer, 4), 2);
  EXPECT_EQ(std::string(buffer), std::string(kTitleExample, 2));
  EXPECT_EQ(GetWindowTextA(w, buffer, 1), 0);
  EXPECT_EQ(buffer[0], '\0');

  // Invalid bytes in a title are shown, not fatal.
  SetWindowTextA(w, "\x83");
  EXPECT_EQ(headless::WindowTitleUtf8(w), kReplacement);
  SetWindowTextA(w, nullptr);
  EXPECT_EQ(headless::WindowTitleCp932(w), "");
  EXPECT_FALSE(SetWindowTextA(nullptr, "x"));
  EXPECT_EQ(GetWindowTextA(nullptr, buffer, sizeof buffer), 0);
}

TEST(PlatformWindow, CursorInClientPixels) {
  HWND w = headless::MakeWindow("", nullptr, POINT{100, 50});
  headless::SetCursorClientPos(w, 320, 240);
  POINT p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p.x, 420);
  EXPECT_EQ(p.y, 290);
  ASSERT_TRUE(ScreenToClient(w, &p));
  EXPECT_EQ(p.x, 320);
  EXPECT_EQ(p.y, 240);
  // Outside the client area the coordinates simply go negative or past the size.
  headless::SetCursorScreenPos(90, 600);
  GetCursorPos(&p);
  ScreenToClient(w, &p);
  EXPECT_EQ(p.x, -10);
  EXPECT_EQ(p.y, 550);
  RECT r;
  ASSERT_TRUE(GetClientRect(w, &r));
  EXPECT_EQ(r.right, 640);
  EXPECT_EQ(r.bottom, 480);
  platform::SetWindowClientOrigin(w, POINT{0, 0});
  headless::SetCursorScreenPos(5, 6);
  GetCursorPos(&p);
  ScreenToClient(w, &p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
}

// --- message boxes ------------------------------------------------------------------

TEST(PlatformMessageBox, ScriptedAnswersAndRecords) {
  HWND w = headless::MakeWindow();
  const char* question = Cp932Text("変更されたステージ内容を保存しますか？");
  // Unscripted: the default button.
  EXPECT_EQ(MessageBoxA(w, question, kGoalBell, MB_YESNOCANCEL), IDYES);
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);

  headless::QueueMessageBoxAnswer(IDCANCEL);
  headless::QueueMessageBoxAnswer(IDNO);
  headless::QueueMessageBoxAnswer(IDNO);  // not a button of an OK box
  EXPECT_EQ(headless::PendingMessageBoxAnswers(), 3u);
  EXPECT_EQ(MessageBoxA(w, question, kGoalBell, MB_YESNOCANCEL | MB_ICONQUESTION), IDCANCEL);
  EXPECT_EQ(MessageBoxA(w, question, kGoalBell, MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Direct3D", "ERROR", MB_ICONERROR), IDOK);
  EXPECT_EQ(headless::PendingMessageBoxAnswers(), 0u);
  EXPECT_EQ(MessageBoxA(w, nullptr, nullptr, MB_OK), IDOK);

  const auto& boxes = headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 9u);
  EXPECT_EQ(boxes[0].textCp932, question);
  EXPECT_EQ(boxes[0].textUtf8, "変更されたステージ内容を保存しますか？");
  EXPECT_EQ(boxes[0].captionCp932, kGoalBell);
  EXPECT_EQ(boxes[0].captionUtf8, "ゴールベル");
  EXPECT_EQ(boxes[0].owner, w);
  EXPECT_EQ(boxes[5].type, MB_YESNOCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(boxes[5].answer, IDCANCEL);
  EXPECT_EQ(boxes[7].owner, nullptr);
  EXPECT_EQ(boxes[7].type, MB_ICONERROR);
  EXPECT_EQ(boxes[7].captionUtf8, "ERROR");
  EXPECT_EQ(boxes[8].textUtf8, "");
  EXPECT_EQ(boxes[8].captionUtf8, "Error");
  headless::ClearMessageBoxes();
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

namespace {

// A face that stands in for a desktop one: answers No and counts notifications.
class RecordingFace : public platform::WindowFace {
 public:
  int RunMessageBox(const platform::MessageBoxRequest& request) override {
    lastText = request.text;
    return IDNO;
  }
  void TitleChanged(HWND) override { titles += 1; }
  void MenuBarChanged(HWND) override { bars += 1; }
  void MenuChanged(HMENU) override { menus += 1; }
  void CursorShownChanged(bool shown) override { cursor += shown ? "S" : "H"; }
  std::string lastText, cursor;
  int titles = 0, bars = 0, menus = 0;
};

}  // namespace

TEST(PlatformFace, DesktopFaceIsToldOfChangesAndAnswersBoxes) {
  RecordingFace face;
  platform::SetWindowFace(&face);
  HMENU bar = CreateMenuFromTemplate(EditorLikeBar());
  int menusAfterBuild = face.menus;
  HWND w = headless::MakeWindow("", bar);
  SetWindowTextA(w, kGoalBell);
  EnableMenuItem(bar, 32823, MF_ENABLED);
  DrawMenuBar(w);
  SetMenu(w, nullptr);
  EXPECT_EQ(MessageBoxA(w, kGoalBell, "c", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(MessageBoxA(w, kGoalBell, "c", MB_OK), IDOK);  // No is not a button here
  ShowCursor(FALSE);
  ShowCursor(FALSE);
  ShowCursor(TRUE);
  ShowCursor(TRUE);
  platform::SetWindowFace(nullptr);
  ShowCursor(FALSE);

  EXPECT_EQ(face.titles, 1);
  EXPECT_EQ(face.bars, 2);
  EXPECT_EQ(face.menus, menusAfterBuild + 1);
  EXPECT_EQ(face.lastText, kGoalBell);
  EXPECT_EQ(face.cursor, "HS");
  EXPECT_EQ(GetMenu(w), nullptr);
  EXPECT_TRUE(headless::ShownMenuBar(w).empty());
}

// --- cursor and keys ------------------------------------------------------------------

TEST(PlatformInput, ShowCursorKeepsTheDisplayCounter) {
  EXPECT_EQ(headless::CursorDisplayCount(), 0);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_FALSE(headless::CursorShown());
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_FALSE(headless::CursorShown());  // one show does not undo two hides
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_TRUE(headless::CursorShown());
  EXPECT_EQ(ShowCursor(TRUE), 1);
  EXPECT_EQ(headless::CursorDisplayCount(), 1);
}

TEST(PlatformInput, KeyStateHasTheHighBitWhileHeld) {
  for (int vk : {VK_LBUTTON, VK_RBUTTON, VK_SPACE, VK_SHIFT, VK_CONTROL, VK_DELETE, VK_LEFT,
                 VK_RIGHT, VK_UP, VK_DOWN, VK_ESCAPE, int{'Z'}, int{'1'}}) {
    EXPECT_EQ(GetAsyncKeyState(vk), 0) << vk;
    headless::SetKey(vk, true);
    EXPECT_TRUE(GetAsyncKeyState(vk) & 0x8000) << vk;
    EXPECT_EQ(GetAsyncKeyState(vk) & 0x7FFF, 0) << vk;
  }
  EXPECT_EQ(GetAsyncKeyState('X'), 0);
  headless::SetKey(VK_SPACE, false);
  EXPECT_EQ(GetAsyncKeyState(VK_SPACE), 0);
  EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  headless::ReleaseAllKeys();
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
  // Either Shift (or Ctrl) key holds the general one.
  headless::SetKey(VK_RSHIFT, true);
  headless::SetKey(VK_LCONTROL, true);
  EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
  EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  EXPECT_EQ(GetAsyncKeyState(VK_LSHIFT), 0);
  // Codes outside the table are never held.
  headless::SetKey(300, true);
  EXPECT_EQ(GetAsyncKeyState(300), 0);
  EXPECT_EQ(GetAsyncKeyState(-1), 0);
}

// --- clock ------------------------------------------------------------------------------

TEST(PlatformClock, ManualClockAndTimerPeriods) {
  DWORD a = timeGetTime();
  DWORD b = timeGetTime();
  EXPECT_LE(b - a, 60000u);  // the system clock never runs backwards

  headless::SetTime(1000);
  EXPECT_EQ(timeGetTime(), 1000u);
  EXPECT_EQ(timeGetTime(), 1000u);
  headless::AdvanceTime(17);
  EXPECT_EQ(timeGetTime(), 1017u);
  headless::SetTime(0xFFFFFFF0u);
  headless::AdvanceTime(0x20);
  EXPECT_EQ(timeGetTime(), 0x10u);  // wraps like the real clock
  EXPECT_EQ(timeGetTime() - 0xFFFFFFF0u, 0x20u);

  TIMECAPS caps;
  ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
  EXPECT_EQ(caps.wPeriodMin, 1u);
  EXPECT_EQ(timeGetDevCaps(&caps, 4), TIMERR_NOCANDO);
  EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOCANDO);
  headless::SetTimerCaps(2);
  ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
  EXPECT_EQ(caps.wPeriodMin, 2u);
  EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOCANDO);
  EXPECT_EQ(timeBeginPeriod(caps.wPeriodMin), TIMERR_NOERROR);
  EXPECT_EQ(headless::ActiveTimerPeriods(), std::vector<UINT>{2});
  EXPECT_EQ(timeEndPeriod(3), TIMERR_NOCANDO);
  EXPECT_EQ(timeEndPeriod(2), TIMERR_NOERROR);
  EXPECT_EQ(timeEndPeriod(2), TIMERR_NOCANDO);
  EXPECT_TRUE(headless::ActiveTimerPeriods().empty());
}

// Keys let go while a modal window has the keyboard are never told to the
// game's window: each modal window starts with nothing held.
TEST(PlatformInput, ModalWindowsStartWithNothingHeld) {
  HWND w = headless::MakeWindow();
  auto holdCtrlS = [] {
    headless::SetKey(VK_CONTROL, true);
    headless::SetKey('S', true);
    headless::SetKey(VK_LBUTTON, true);
  };
  auto nothingHeld = [] {
    return GetAsyncKeyState(VK_CONTROL) == 0 && GetAsyncKeyState('S') == 0 &&
           GetAsyncKeyState(VK_LBUTTON) == 0;
  };

  holdCtrlS();
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_OK), IDOK);
  EXPECT_TRUE(nothingHeld());

  holdCtrlS();
  char file[256] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = w;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  headless::QueueFileDialogCancel();
  EXPECT_FALSE(GetSaveFileNameA(&ofn));
  EXPECT_TRUE(nothingHeld());

  holdCtrlS();
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 7, "x");
  headless::QueuePopupMenuChoice(0);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, 0, 0, 0, w, nullptr);
  EXPECT_TRUE(nothingHeld());
  DestroyMenu(menu);

  holdCtrlS();
  DialogTemplate t;
  t.caption = "d";
  t.cx = 50;
  t.cy = 20;
  RegisterDialogResource(4242, t);
  headless::QueueDialogAction([](HWND dialog) { EndDialog(dialog, 1); });
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4242), w,
                            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0),
            1);
  EXPECT_TRUE(nothingHeld());
}
