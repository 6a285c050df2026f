// The editor-name and version dialogs through the window procedure's
// commands, scripted as a user would use them, and the foreground step of
// dropped files.
#include "command_test_support.h"

#include "platform/win_gdi.h"

namespace {

class SmallDialogs : public CommandTest {
 protected:
  // Opens a dialog by its command; inside it, runs each action in turn.
  void Open(UINT command, std::vector<std::function<void(HWND)>> actions) {
    for (auto& a : actions) headless::QueueDialogAction(a);
    Command(command);
    EXPECT_EQ(headless::PendingDialogActions(), 0u);
  }
  static std::string EditText(HWND dialog) {
    char buf[100];
    GetDlgItemTextA(dialog, kIdcEditorNameEdit, buf, sizeof buf);
    return buf;
  }
  static std::string Name() { return std::string(g_editorName, strnlen(g_editorName, 40)); }
};

}  // namespace

TEST_F(SmallDialogs, EditorNameShowsTheNameAndTakesThirtyFiveBytes) {
  EditStage();
  Open(kCmdEditorName, {[&](HWND dialog) {
    EXPECT_EQ(Cp932ToUtf8(headless::WindowTitleCp932(dialog)), "エディター情報");
    EXPECT_EQ(EditText(dialog), "tester");
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kIdcEditorNameEdit));
    EXPECT_EQ(platform::GetEditLimit(GetDlgItem(dialog, kIdcEditorNameEdit)), 35);
    headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, std::string(36, 'n'));
    EXPECT_EQ(EditText(dialog), std::string(35, 'n'));
    headless::ClickControl(dialog, IDOK);
  }});
  EXPECT_EQ(Name(), std::string(35, 'n'));
  // The title shows the new name at once.
  EXPECT_NE(Title().find("Edit by " + std::string(35, 'n')), std::string::npos);
}

// Settings that could not be read are left alone at shut-down, unless the
// player names themselves: that name is theirs and is written. Cancel is no
// word of theirs.
TEST_F(SmallDialogs, ANameGivenAfterAnUnreadableSettingsFileIsKept) {
  EditStage();
  g_keepConfigFile = 1;
  Open(kCmdEditorName, {[&](HWND dialog) {
    headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, "other");
    headless::ClickControl(dialog, IDCANCEL);
  }});
  EXPECT_EQ(g_keepConfigFile, 1);
  Open(kCmdEditorName, {[&](HWND dialog) {
    headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, "player");
    headless::ClickControl(dialog, IDOK);
  }});
  EXPECT_EQ(Name(), "player");
  EXPECT_EQ(g_keepConfigFile, 0);
}

TEST_F(SmallDialogs, AnEmptyNameIsRefusedAndCancelKeepsTheOldOne) {
  EditStage();
  bool stillOpen = false;
  Open(kCmdEditorName, {
                           [&](HWND dialog) {
                             headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, "");
                             headless::PressKeyInDialog(dialog, VK_RETURN);
                           },
                           [&](HWND dialog) {
                             stillOpen = IsWindowVisible(dialog);
                             EXPECT_STREQ(g_editorName, "tester");
                             headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, "other");
                             headless::ClickControl(dialog, IDCANCEL);
                           },
                       });
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(headless::MessageBoxes()[0].textUtf8, "エディター名を入力してください。");
  EXPECT_EQ(headless::MessageBoxes()[0].captionCp932, std::string(g_appTitle));
  EXPECT_EQ(headless::MessageBoxes()[0].owner, g_hWnd);
  EXPECT_EQ(Name(), "tester");
}

TEST_F(SmallDialogs, TheNameAlwaysEndsWithinItsFortyBytes) {
  // A name from Config.dat that fills its field with no end.
  std::memset(g_editorName, 'a', 40);
  Open(kCmdEditorName, {[&](HWND dialog) {
    EXPECT_EQ(EditText(dialog), std::string(40, 'a'));
    // Longer than the field (set, not typed): 38 bytes and a double-byte
    // character that would end at byte 40.
    SetDlgItemTextA(dialog, kIdcEditorNameEdit, (std::string(38, 'b') + "\x96\xBC").c_str());  // 名
    headless::ClickControl(dialog, IDOK);
  }});
  EXPECT_EQ(Name(), std::string(38, 'b'));
  EXPECT_EQ(g_editorName[38], '\0');
  EXPECT_EQ(g_editorName[39], '\0');

  Open(kCmdEditorName, {[&](HWND dialog) {
    std::string name = std::string(33, 'c') + Utf8ToCp932("名");  // 35 bytes, whole
    headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, name);
    headless::ClickControl(dialog, IDOK);
  }});
  EXPECT_EQ(Name(), std::string(33, 'c') + Utf8ToCp932("名"));
}

TEST_F(SmallDialogs, AboutShowsTheVersionAndOpensItsLinks) {
  Open(kCmdAbout, {[&](HWND dialog) {
    EXPECT_EQ(Cp932ToUtf8(headless::WindowTitleCp932(dialog)), "バージョン情報");
    char version[256];
    GetDlgItemTextA(dialog, kIdcVersionText, version, sizeof version);
    EXPECT_STREQ(version, g_appTitle);
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
    for (int id : {kIdcContactLink, kIdcSiteLink, kIdcWebsiteLink, kIdcBookLink})
      headless::ClickControl(dialog, id);
    headless::ClickControl(dialog, IDOK);
  }});
  EXPECT_EQ(headless::OpenedDocuments(),
            (std::vector<std::string>{std::string("mailto:") + kTextContactAddress +
                                          "?subject=ギズモワークスについて",
                                      kWebsiteLinkAddress, kBookLinkAddress}));
}

TEST_F(SmallDialogs, AboutLinksAreVioletUnderlinedAsWideAsTheirTextsWithTheHand) {
  Open(kCmdAbout, {[&](HWND dialog) {
    for (int id : {kIdcContactLink, kIdcSiteLink, kIdcWebsiteLink, kIdcBookLink}) {
      HWND link = GetDlgItem(dialog, id);
      RECT before;
      GetWindowRect(link, &before);
      platform::MeasuringDc dc;
      LRESULT brush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(&dc),
                                   reinterpret_cast<LPARAM>(link));
      EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
      platform::DcState state = platform::GetDcState(&dc);
      ASSERT_NE(state.font, nullptr);
      EXPECT_EQ(state.font, g_gdiFont);
      platform::FontInfo font = platform::GetFontInfo(state.font);
      EXPECT_TRUE(font.underline);
      EXPECT_EQ(font.height, 12);
      EXPECT_EQ(Cp932ToUtf8(font.faceCp932), "ＭＳ ゴシック");
      EXPECT_EQ(state.textColor, RGB(128, 0, 255));
      EXPECT_EQ(state.bkMode, TRANSPARENT);
      char text[128];
      int n = GetWindowTextA(link, text, sizeof text);
      SIZE size;
      GetTextExtentPoint32A(&dc, text, n, &size);
      RECT after;
      GetWindowRect(link, &after);
      EXPECT_EQ(after.right - after.left, size.cx) << id;
      EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
      EXPECT_EQ(after.left, before.left);
      EXPECT_EQ(after.top, before.top);

      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      EXPECT_EQ(SendMessageA(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), 0), TRUE);
      EXPECT_EQ(SetCursor(nullptr), LoadCursorA(nullptr, IDC_HAND));
    }
    // Other statics keep their look; other controls keep the arrow.
    HWND version = GetDlgItem(dialog, kIdcVersionText);
    platform::MeasuringDc dc;
    LRESULT brush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(&dc),
                                 reinterpret_cast<LPARAM>(version));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(platform::GetDcState(&dc).font, nullptr);
    EXPECT_FALSE(platform::GetDcState(&dc).textColorSet);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageA(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), 0),
              FALSE);
    EXPECT_EQ(SetCursor(nullptr), LoadCursorA(nullptr, IDC_ARROW));
    headless::PressKeyInDialog(dialog, VK_ESCAPE);
  }});
  EXPECT_TRUE(headless::OpenedDocuments().empty());
}

TEST_F(SmallDialogs, ForceForegroundWindowRaisesTheWindowAndRestoresTheLockTimeOut) {
  HWND other = headless::MakeWindow("another program");
  SetForegroundWindow(other);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(200000), 0);
  ForceForegroundWindow(g_hWnd);
  EXPECT_EQ(GetForegroundWindow(), g_hWnd);
  DWORD timeout = 0;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
  EXPECT_EQ(timeout, 200000u);
}
