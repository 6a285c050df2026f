// Modal dialogs from the game's templates, their controls and the report
// list view, driven by scripted user actions through the headless face.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/menus.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"

namespace {

std::string g_name = "old";
std::vector<std::string> g_events;
int g_mainPaints = 0;

LRESULT MainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) ++g_mainPaints;
  return DefWindowProcA(w, m, wp, lp);
}

HWND MakeMain() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = "Dialog Test Main";
  RegisterClassExA(&wc);
  return CreateWindowExA(0, "Dialog Test Main", "", WS_POPUP | WS_VISIBLE, 100, 50, 640, 480,
                         nullptr, nullptr, nullptr, nullptr);
}

// An editor-name procedure as the game writes it.
INT_PTR NameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetFocus(GetDlgItem(dialog, kIdcEditorNameEdit));
      SetDlgItemTextA(dialog, kIdcEditorNameEdit, g_name.c_str());
      SendDlgItemMessageA(dialog, kIdcEditorNameEdit, EM_LIMITTEXT, 35, 0);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char buf[40];
        GetDlgItemTextA(dialog, kIdcEditorNameEdit, buf, sizeof(buf));
        if (!buf[0]) {
          MessageBoxA(nullptr, "empty", "", MB_OK);
          return FALSE;
        }
        g_name = buf;
        EndDialog(dialog, 0);
      } else if (LOWORD(wParam) == IDCANCEL) {
        g_events.push_back("cancel");
        EndDialog(dialog, 0);
      }
      return FALSE;
  }
  return FALSE;
}

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    RegisterGameDialogs();
    RegisterGameMenus();
    g_name = "old";
    g_events.clear();
    g_mainPaints = 0;
  }
};

}  // namespace

TEST_F(Dialogs, EditorNameIsTypedWithinTheLimitAndTakenOnOk) {
  HWND main = MakeMain();
  HWND seen = nullptr;
  headless::QueueDialogAction([&](HWND dialog) {
    seen = dialog;
    char buf[64];
    EXPECT_EQ(GetDlgItemTextA(dialog, kIdcEditorNameEdit, buf, sizeof(buf)), 3u);
    EXPECT_STREQ(buf, "old");
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kIdcEditorNameEdit));
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_EQ(headless::WindowTitleUtf8(dialog), "エディター情報");
    // 36 bytes typed; the box takes 35.
    EXPECT_TRUE(headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, std::string(36, 'n')));
    EXPECT_TRUE(headless::ClickControl(dialog, IDOK));
  });
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogEditorName), main, NameProc, 0), 0);
  EXPECT_EQ(g_name, std::string(35, 'n'));
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_EQ(headless::PendingDialogActions(), 0u);
}

TEST_F(Dialogs, AnEmptyNameKeepsTheDialogAndEscapeCancels) {
  HWND main = MakeMain();
  headless::QueueDialogAction([](HWND dialog) {
    headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, "");
    headless::PressKeyInDialog(dialog, VK_RETURN);  // Enter is the default button
  });
  headless::QueueDialogAction([](HWND dialog) {
    EXPECT_TRUE(IsWindowVisible(dialog));  // still open after the refusal
    headless::PressKeyInDialog(dialog, VK_ESCAPE);
  });
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogEditorName), main, NameProc, 0);
  EXPECT_EQ(g_name, "old");
  EXPECT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(g_events, std::vector<std::string>{"cancel"});
}

TEST_F(Dialogs, DoubleByteNamesAreCutAtAWholeCharacter) {
  HWND main = MakeMain();
  headless::QueueDialogAction([](HWND dialog) {
    std::string name(34, 'a');
    name += Utf8ToCp932("名");  // bytes 35 and 36
    headless::TypeIntoEdit(dialog, kIdcEditorNameEdit, name);
    headless::ClickControl(dialog, IDOK);
  });
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogEditorName), main, NameProc, 0);
  EXPECT_EQ(g_name, std::string(34, 'a'));
}

TEST_F(Dialogs, TheDialogLoopPaintsTheMainWindowAndAnUnscriptedDialogIsCancelled) {
  HWND main = MakeMain();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  g_mainPaints = 0;
  headless::QueueDialogAction([&](HWND) { InvalidateRect(main, nullptr, FALSE); });
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogEditorName), main, NameProc, 0);
  EXPECT_EQ(g_mainPaints, 1);
  EXPECT_EQ(g_events, std::vector<std::string>{"cancel"});  // Escape for the user
}

TEST_F(Dialogs, AQuitInsideTheDialogEndsItAndReachesTheMainLoop) {
  HWND main = MakeMain();
  headless::QueueDialogAction([](HWND) { PostQuitMessage(4); });
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogEditorName), main, NameProc, 0);
  int code = -1;
  EXPECT_FALSE(platform::DispatchWaitingMessages(main, nullptr, &code));
  EXPECT_EQ(code, 4);
}

TEST_F(Dialogs, AboutLinksNotifyAndOpenAddresses) {
  HWND main = MakeMain();
  std::vector<int> clicked;
  auto proc = +[](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      SetDlgItemTextA(dialog, kIdcVersionText, "GizmoWorks Ver.1.10");
      return FALSE;
    }
    if (message == WM_COMMAND) {
      int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) EndDialog(dialog, 0);
      if (id == kIdcContactLink) {
        char text[101];
        GetDlgItemTextA(dialog, id, text, sizeof(text));
        std::string uri = std::string("mailto:") + text + "?subject=about";
        ShellExecuteA(dialog, "open", uri.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      }
    }
    return FALSE;
  };
  headless::QueueDialogAction([&](HWND dialog) {
    char version[64];
    GetDlgItemTextA(dialog, kIdcVersionText, version, sizeof(version));
    EXPECT_STREQ(version, "GizmoWorks Ver.1.10");
    for (int id : {kIdcContactLink, kIdcSiteLink, kIdcWebsiteLink, kIdcBookLink})
      EXPECT_TRUE(platform::GetWindowInfo(GetDlgItem(dialog, id)).style & SS_NOTIFY);
    headless::ClickControl(dialog, kIdcContactLink);
    headless::ClickControl(dialog, IDOK);
  });
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogAbout), main, proc, 0);
  ASSERT_EQ(headless::OpenedDocuments().size(), 1u);
  EXPECT_EQ(headless::OpenedDocuments()[0], std::string("mailto:") + kTextContactAddress + "?subject=about");
  (void)clicked;
}

// --- the list view ----------------------------------------------------------------------

namespace {

HWND g_list = nullptr;
std::vector<std::string> g_notes;
int g_sortDescending = 0;

std::string Cell(int row, int column) {
  char buf[100];
  LVITEMA it{};
  it.iSubItem = column;
  it.pszText = buf;
  it.cchTextMax = sizeof(buf);
  SendMessageA(g_list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
  return buf;
}

// Finds rows by their item data while the sort runs, as the play list does.
int CompareRows(LPARAM a, LPARAM b, LPARAM column) {
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = a;
  int ra = static_cast<int>(SendMessageA(g_list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
  find.lParam = b;
  int rb = static_cast<int>(SendMessageA(g_list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
  int c = std::strcmp(Cell(ra, static_cast<int>(column)).c_str(), Cell(rb, static_cast<int>(column)).c_str());
  return g_sortDescending ? -c : c;
}

void AddRow(int row, const char* name, const char* count) {
  LVITEMA it{};
  it.mask = LVIF_TEXT | LVIF_PARAM;
  it.iItem = row;
  it.pszText = const_cast<char*>("");
  it.lParam = row;
  SendMessageA(g_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
  LVITEMA text{};
  text.iSubItem = 1;
  text.pszText = const_cast<char*>(name);
  SendMessageA(g_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&text));
  text.iSubItem = 2;
  text.pszText = const_cast<char*>(count);
  SendMessageA(g_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&text));
}

INT_PTR ListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      RECT client;
      GetClientRect(dialog, &client);
      g_list = CreateWindowExA(0, WC_LISTVIEWA, "", 0x5000000D, 0, 30, client.right,
                               client.bottom - 80, dialog, reinterpret_cast<HMENU>(kIdcPlayListView),
                               nullptr, nullptr);
      SendMessageA(g_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   SendMessageA(g_list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) | 0x21);
      const char* headers[] = {"", "name", "count"};
      for (int i = 0; i < 3; ++i) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        c.fmt = i == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        c.cx = i == 0 ? 30 : 150;
        c.pszText = const_cast<char*>(headers[i]);
        SendMessageA(g_list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
      }
      AddRow(0, "c.ply", "7");
      AddRow(1, "a.ply", "12");
      AddRow(2, "b.ply", "3");
      SendMessageA(g_list, LVM_SORTITEMS, 1, reinterpret_cast<LPARAM>(CompareRows));
      return FALSE;
    }
    case WM_NOTIFY: {
      const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr->idFrom != static_cast<UINT_PTR>(kIdcPlayListView)) return FALSE;
      const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (hdr->code == LVN_COLUMNCLICK) {
        g_sortDescending = 1 - g_sortDescending;
        SendMessageA(g_list, LVM_SORTITEMS, static_cast<WPARAM>(nm->iSubItem),
                     reinterpret_cast<LPARAM>(CompareRows));
        g_notes.push_back("sorted " + std::to_string(nm->iSubItem));
      } else if (hdr->code == NM_RCLICK) {
        g_notes.push_back("right " + std::to_string(nm->iItem));
        HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuPlayListPopup));
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, 0, 0, 0, dialog, nullptr);
        PostMessageA(dialog, WM_NULL, 0, 0);
        DestroyMenu(menu);
      } else if (hdr->code == NM_DBLCLK) {
        if (SendMessageA(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) >= 0)
          SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kCmdDeletePlayFile) {
        int row = static_cast<int>(SendMessageA(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        g_notes.push_back("delete " + Cell(row, 1));
        SendMessageA(g_list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
      } else if (LOWORD(wParam) == IDOK) {
        int row = static_cast<int>(SendMessageA(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row < 0) return FALSE;
        g_notes.push_back("play " + Cell(row, 1));
        EndDialog(dialog, 1);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 2);
      }
      return FALSE;
  }
  return FALSE;
}

std::vector<std::string> Names() {
  std::vector<std::string> out;
  const platform::ListViewModel* lv = platform::GetListViewModel(g_list);
  for (const auto& row : lv->rows) out.push_back(row.texts[1]);
  return out;
}

}  // namespace

TEST_F(Dialogs, PlayListViewSortsNotifiesAndDeletesThroughItsPopup) {
  HWND main = MakeMain();
  g_notes.clear();
  g_sortDescending = 0;
  headless::QueueDialogAction([](HWND dialog) {
    const platform::ListViewModel* lv = platform::GetListViewModel(g_list);
    ASSERT_NE(lv, nullptr);
    EXPECT_EQ(lv->exStyle, 0x21u);
    ASSERT_EQ(lv->columns.size(), 3u);
    EXPECT_EQ(lv->columns[2].format, LVCFMT_RIGHT);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.ply", "b.ply", "c.ply"}));
    // Item data stays with its row through the sort.
    EXPECT_EQ(lv->rows[0].param, 1);
    EXPECT_EQ(lv->rows[2].param, 0);
    RECT r;
    GetClientRect(g_list, &r);
    RECT d;
    GetClientRect(dialog, &d);
    EXPECT_EQ(r.right, d.right);
    EXPECT_EQ(r.bottom, d.bottom - 80);
    platform::ListViewClickColumn(g_list, 1);
  });
  headless::QueueDialogAction([](HWND) {
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.ply", "b.ply", "a.ply"}));
    headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
    platform::ListViewClickRow(g_list, 1, NM_RCLICK);
  });
  headless::QueueDialogAction([](HWND dialog) {
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.ply", "a.ply"}));
    // "Play" with nothing selected does nothing; a double click on a row plays it.
    platform::ListViewSelectRow(g_list, -1);
    headless::ClickControl(dialog, IDOK);
  });
  headless::QueueDialogAction([](HWND) { platform::ListViewClickRow(g_list, 1, NM_DBLCLK); });
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogPlayList), main, ListProc, 0), 1);
  EXPECT_EQ(g_notes, (std::vector<std::string>{"sorted 1", "right 1", "delete b.ply", "play a.ply"}));
}

TEST_F(Dialogs, ContextsKeepTheFontColourAndModeAProcedureChooses) {
  platform::MeasuringDc dc;
  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32A(&dc, "ab\x82\xA0", 4, &size));  // "abあ" without a font
  EXPECT_EQ(size.cx, 6 + 6 + 12);
  HFONT font = CreateFontA(-16, 0, 0, 0, FW_DONTCARE, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           FIXED_PITCH | FF_MODERN, "gothic");
  EXPECT_EQ(SelectObject(&dc, font), nullptr);
  EXPECT_EQ(SetTextColor(&dc, RGB(128, 0, 255)), 0u);
  EXPECT_EQ(SetBkMode(&dc, TRANSPARENT), OPAQUE);
  platform::DcState state = platform::GetDcState(&dc);
  EXPECT_EQ(state.font, font);
  EXPECT_EQ(GetRValue(state.textColor), 128);
  EXPECT_EQ(GetBValue(state.textColor), 255);
  EXPECT_EQ(state.bkMode, TRANSPARENT);
  platform::FontInfo info = platform::GetFontInfo(font);
  EXPECT_TRUE(info.underline);
  EXPECT_EQ(info.height, 16);
  ASSERT_TRUE(GetTextExtentPoint32A(&dc, "ab\x82\xA0", 4, &size));
  EXPECT_EQ(size.cx, 8 + 8 + 16);
  EXPECT_EQ(size.cy, 16);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(GetStockObject(NULL_BRUSH)));
}

TEST_F(Dialogs, FontsResolveToTheGothicOfTheirPitch) {
  // No face name: the proportional gothic, unless fixed pitch is asked for.
  EXPECT_EQ(platform::FontFamilyFor("", DEFAULT_PITCH), "IPAPGothic");
  EXPECT_EQ(platform::FontFamilyFor("", VARIABLE_PITCH | FF_MODERN), "IPAPGothic");
  EXPECT_EQ(platform::FontFamilyFor("", FIXED_PITCH | FF_MODERN), "IPAGothic");
  // The About links' fixed-pitch system gothic stays fixed-pitch; its
  // proportional sibling is proportional; another name is kept.
  HFONT link = CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           FIXED_PITCH | FF_MODERN, Cp932Text("ＭＳ ゴシック"));
  platform::FontInfo info = platform::GetFontInfo(link);
  EXPECT_EQ(info.pitchAndFamily, (DWORD)(FIXED_PITCH | FF_MODERN));
  EXPECT_EQ(platform::FontFamilyFor(info.faceCp932, info.pitchAndFamily), "IPAGothic");
  EXPECT_EQ(platform::FontFamilyFor(Cp932Text("ＭＳ Ｐゴシック"), DEFAULT_PITCH), "IPAPGothic");
  EXPECT_EQ(platform::FontFamilyFor("DejaVu Sans", DEFAULT_PITCH), "DejaVu Sans");
  DeleteObject(link);
}

TEST_F(Dialogs, ASingleSelectionListKeepsOneSelectedRow) {
  HWND main = MakeMain();
  HWND lv = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SINGLESEL, 0, 0, 200,
                            100, main, reinterpret_cast<HMENU>(100), nullptr, nullptr);
  ASSERT_TRUE(IsWindow(lv));
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT;
  c.pszText = const_cast<char*>("name");
  SendMessageA(lv, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&c));
  for (int i = 0; i < 3; ++i) {
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    it.iItem = i;
    it.pszText = const_cast<char*>("x");
    it.lParam = 10 + i;
    it.state = it.stateMask = i == 1 ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    EXPECT_EQ(SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)), i);
  }
  EXPECT_EQ(SendMessageA(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  LVITEMA state{};
  state.state = state.stateMask = LVIS_SELECTED;
  SendMessageA(lv, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(SendMessageA(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
  EXPECT_EQ(SendMessageA(lv, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
  EXPECT_EQ(SendMessageA(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
  // Clearing every row's selection at once.
  state.state = 0;
  SendMessageA(lv, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(SendMessageA(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
  // Texts of rows and columns that do not exist are refused or empty.
  char buf[8] = "?";
  LVITEMA get{};
  get.iSubItem = 3;
  get.pszText = buf;
  get.cchTextMax = sizeof(buf);
  EXPECT_EQ(SendMessageA(lv, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&get)), 0);
  EXPECT_STREQ(buf, "");
  get.iSubItem = 0;
  EXPECT_EQ(SendMessageA(lv, LVM_GETITEMTEXTA, 7, reinterpret_cast<LPARAM>(&get)), 0);
  EXPECT_FALSE(SendMessageA(lv, LVM_DELETEITEM, 3, 0));
}
