// The GTK face on a real (virtual) display: run under xvfb-run. The window
// shows the device's picture, menu clicks and accelerator keys become
// commands, input feeds the key state, message boxes answer. Screenshots of
// the screen go to the build folder for a person to look at.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/menus.h"
#include "platform/d3d9.h"
#include "platform/gl_context.h"
#include "platform/gtk_face.h"
#include "platform/text_encoding.h"
#include "platform/win_files.h"
#include "platform/win_user.h"
#include "window_waits.h"

#ifndef TEST_BUILD_DIR
#define TEST_BUILD_DIR "."
#endif

namespace {

std::vector<UINT> g_commands;
std::vector<int> g_wheel;
std::vector<WPARAM> g_keys;
int g_paints = 0;
std::vector<std::string> g_dropped;
IDirect3DDevice9* g_dev = nullptr;
D3DCOLOR g_clear = 0xFF3366CC;

void DrawFrame() {
  if (!g_dev) return;
  g_dev->Clear(0, nullptr, D3DCLEAR_TARGET, g_clear, 1.0f, 0);
  g_dev->BeginScene();
  g_dev->EndScene();
  g_dev->Present(nullptr, nullptr, nullptr, nullptr);
}

LRESULT MainProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: g_commands.push_back(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: g_wheel.push_back(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_KEYDOWN: g_keys.push_back(wParam); return 0;
    case WM_PAINT: ++g_paints; DrawFrame(); break;
    case WM_CLOSE: return 0;
    case WM_DROPFILES: {
      char path[256];
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      DragQueryFileA(drop, 0, path, sizeof(path));
      g_dropped.push_back(path);
      g_dropped.push_back(std::to_string(DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0)));
      if (platform::DroppedFileUnheld(drop, 0) != platform::UnheldPart::kNone)
        g_dropped.push_back(platform::DroppedFileUnheld(drop, 0) == platform::UnheldPart::kName ? "name"
                                                                                               : "folder");
      DragFinish(drop);
      return 0;
    }
  }
  return DefWindowProcA(w, message, wParam, lParam);
}

struct Env {
  HWND window = nullptr;
  HACCEL accel = nullptr;
  unsigned long xid = 0;
  IDirect3D9* d3d = nullptr;
};

Env* g_env = nullptr;

// The window and device the tests share live for the whole run and are
// released at its end, so a leak check sees only what the system libraries
// keep for themselves.
class ReleaseSharedWindow : public ::testing::Environment {
 public:
  void TearDown() override {
    if (g_dev) g_dev->Release();
    g_dev = nullptr;
    if (!g_env) return;
    if (g_env->d3d) g_env->d3d->Release();
    delete g_env;
    g_env = nullptr;
  }
};
::testing::Environment* const kReleaseSharedWindow =
    ::testing::AddGlobalTestEnvironment(new ReleaseSharedWindow);

void PumpUntil(const std::function<bool()>& done, int maxMs = 5000);

Env& E() {
  Env*& env = g_env;
  if (env) return *env;
  env = new Env;
  std::string why;
  if (!platform::InstallGtkFace(&why)) {
    ADD_FAILURE() << "no display: " << why;
    return *env;
  }
  RegisterGameMenus();
  RegisterGameAccelerators();
  RegisterGameDialogs();
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "Generic Game SDK Window";
  RegisterClassExA(&wc);
  HMENU editor = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  env->window = CreateWindowExA(WS_EX_ACCEPTFILES, "Generic Game SDK Window", "gizmo",
                                WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                40, 30, 640, 480, nullptr, editor, nullptr, nullptr);
  env->accel = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(kAccelTable));
  env->xid = platform::GtkNativeWindowId(env->window);
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 640;
  pp.BackBufferHeight = 480;
  pp.Windowed = TRUE;
  pp.hDeviceWindow = env->window;
  IDirect3D9* d3d = env->d3d = Direct3DCreate9(32);
  EXPECT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, env->window,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &g_dev),
            D3D_OK);
  // Mapped and placed: the client area lies under the menu bar.
  PumpUntil([&] {
    POINT p{0, 0};
    ClientToScreen(env->window, &p);
    return p.y > 30 && g_paints > 0;
  });
  return *env;
}

void PumpUntil(const std::function<bool()>& done, int maxMs) {
  for (int t = 0; t < maxMs; t += 5) {
    platform::DispatchWaitingMessages(E().window, E().accel);
    if (done()) return;
    usleep(5000);
  }
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof(buf), p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void Screenshot(const std::string& name) {
  Shell(std::string("import -window root ") + TEST_BUILD_DIR + "/" + name + ".png");
}

// The screen pixel at (x, y) of a screenshot, as "#RRGGBB".
std::string PixelOf(const std::string& name, int x, int y) {
  std::string out = Shell(std::string("convert ") + TEST_BUILD_DIR + "/" + name + ".png -crop 1x1+" +
                        std::to_string(x) + "+" + std::to_string(y) + " -depth 8 txt:-");
  size_t hash = out.find('#', out.find('\n'));
  return hash == std::string::npos ? out : out.substr(hash, 7);
}

// A user played from the shell in the background while this process shows
// the dialog named title (below).
void PlayAtDialog(const std::string& title, const std::string& marks, const std::string& steps);
std::string FinalMarksOf(const std::string& marks);

void ClickAt(const RECT& r) {
  Shell("xdotool mousemove " + std::to_string((r.left + r.right) / 2) + " " +
      std::to_string((r.top + r.bottom) / 2) + " click 1");
}

POINT ClientCentre() {
  POINT p{320, 240};
  ClientToScreen(E().window, &p);
  return p;
}

bool HasCommand(UINT id) {
  for (UINT c : g_commands)
    if (c == id) return true;
  return false;
}

}  // namespace

TEST(GtkFace, WindowShowsTheDevicePictureAndTheTitle) {
  ASSERT_TRUE(IsWindow(E().window));
  ASSERT_NE(E().xid, 0u);
  ASSERT_NE(g_dev, nullptr);
  RECT client;
  GetClientRect(E().window, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);

  SetWindowTextA(E().window, Cp932Text("ギズモワークス Ver.1.10"));
  Pump(200);
  EXPECT_EQ(Shell("xdotool getwindowname " + std::to_string(E().xid)), "ギズモワークス Ver.1.10");

  DrawFrame();
  Pump(300);
  Screenshot("gtk_face_window");
  POINT c = ClientCentre();
  EXPECT_EQ(PixelOf("gtk_face_window", c.x, c.y), "#3366CC");
  POINT corner{0, 0};
  ClientToScreen(E().window, &corner);
  EXPECT_EQ(PixelOf("gtk_face_window", corner.x, corner.y), "#3366CC");
  EXPECT_EQ(PixelOf("gtk_face_window", corner.x + 639, corner.y + 479), "#3366CC");
  EXPECT_NE(PixelOf("gtk_face_window", corner.x + 640, corner.y + 479), "#3366CC");

  // The desktop showing the window again asks for a paint.
  g_clear = 0xFF20A040;
  int before = g_paints;
  ShowWindow(E().window, SW_HIDE);
  Pump(100);
  ShowWindow(E().window, SW_SHOW);
  PumpUntil([&] { return g_paints > before; });
  EXPECT_GT(g_paints, before);
  Pump(200);
  Screenshot("gtk_face_repaint");
  c = ClientCentre();
  EXPECT_EQ(PixelOf("gtk_face_repaint", c.x, c.y), "#20A040");
}

// A window is found by the process that shows it and its whole name: a
// dialog's name inside the main window's title finds nothing, where a name
// pattern finds the main window.
TEST(GtkFace, WindowsAreFoundByTheirProcessAndWholeName) {
  ASSERT_TRUE(IsWindow(E().window));
  char before[256] = "";
  GetWindowTextA(E().window, before, sizeof before);
  const std::string title = "ギズモワークス Ver.1.10 -［ ステージファイルの保存 ］";
  SetWindowTextA(E().window, Cp932Text(title.c_str()));
  const std::string xid = std::to_string(E().xid);
  std::vector<std::string> found;
  PumpUntil([&] { return !(found = ShownWindowsOf(getpid(), title)).empty(); });
  EXPECT_EQ(found, std::vector<std::string>{xid});
  EXPECT_EQ(Shell("xdotool search --onlyvisible --name 'ステージファイルの保存'"), xid);
  EXPECT_TRUE(ShownWindowsOf(getpid(), "ステージファイルの保存").empty());
  EXPECT_TRUE(ShownWindowsOf(getppid(), title).empty());
  SetWindowTextA(E().window, before);
  PumpUntil([&] { return ShownWindowsOf(getpid(), title).empty(); });
  EXPECT_TRUE(ShownWindowsOf(getpid(), title).empty());
}

TEST(GtkFace, MenuClicksPostTheirCommands) {
  HMENU bar = GetMenu(E().window);
  RECT about;
  ASSERT_TRUE(platform::GtkMenuEntryScreenRect(E().window, bar, 4, &about));
  g_commands.clear();
  ClickAt(about);
  PumpUntil([] { return HasCommand(kCmdAbout); });
  EXPECT_TRUE(HasCommand(kCmdAbout));

  // The File pop-up opens on a click; its second item opens a stage.
  RECT file;
  ASSERT_TRUE(platform::GtkMenuEntryScreenRect(E().window, bar, 0, &file));
  ClickAt(file);
  HMENU filePopup = GetSubMenu(bar, 0);
  RECT open;
  PumpUntil([&] { return platform::GtkMenuEntryScreenRect(E().window, filePopup, 1, &open); });
  ASSERT_TRUE(platform::GtkMenuEntryScreenRect(E().window, filePopup, 1, &open));
  Pump(200);
  Screenshot("gtk_face_file_menu");
  ClickAt(open);
  PumpUntil([] { return HasCommand(kCmdOpenStage); });
  EXPECT_TRUE(HasCommand(kCmdOpenStage));

  // A greyed item posts nothing; once enabled it does.
  g_commands.clear();
  ClickAt(file);
  RECT savePause;
  PumpUntil([&] { return platform::GtkMenuEntryScreenRect(E().window, filePopup, 6, &savePause); });
  ClickAt(savePause);
  Pump(300);
  EXPECT_FALSE(HasCommand(kCmdSavePause));
  Shell("xdotool key Escape");
  Pump(200);
  EnableMenuItem(bar, kCmdSavePause, MF_BYCOMMAND | MF_ENABLED);
  ClickAt(file);
  PumpUntil([&] { return platform::GtkMenuEntryScreenRect(E().window, filePopup, 6, &savePause); });
  Pump(100);
  ClickAt(savePause);
  PumpUntil([] { return HasCommand(kCmdSavePause); });
  EXPECT_TRUE(HasCommand(kCmdSavePause));

  // A bar entry greyed and drawn again cannot be clicked.
  MENUITEMINFOA info{};
  info.cbSize = 48;
  info.fMask = MIIM_STATE | MIIM_STRING;
  info.fState = 0;
  info.dwTypeData = const_cast<char*>(kTextTestPlayEnd);
  SetMenuItemInfoA(bar, kEditorMenuTestPlayPos, TRUE, &info);
  DrawMenuBar(E().window);
  Pump(200);
  RECT testPlay;
  ASSERT_TRUE(platform::GtkMenuEntryScreenRect(E().window, bar, kEditorMenuTestPlayPos, &testPlay));
  Screenshot("gtk_face_bar_changed");
  ClickAt(testPlay);
  PumpUntil([] { return HasCommand(kCmdTestPlay); });
  EXPECT_TRUE(HasCommand(kCmdTestPlay));
}

TEST(GtkFace, AcceleratorsKeysWheelAndButtonsReachTheGame) {
  POINT c = ClientCentre();
  Shell("xdotool mousemove " + std::to_string(c.x) + " " + std::to_string(c.y));
  Pump(200);
  g_commands.clear();
  g_keys.clear();
  Shell("xdotool key ctrl+z");
  PumpUntil([] { return HasCommand(kCmdUndo); });
  EXPECT_TRUE(HasCommand(kCmdUndo));
  for (WPARAM k : g_keys) EXPECT_NE(k, (WPARAM)'Z');  // taken by the accelerator

  Shell("xdotool key ctrl+s");
  PumpUntil([] { return HasCommand(kCmdAccelSave); });
  EXPECT_TRUE(HasCommand(kCmdAccelSave));

  g_keys.clear();
  Shell("xdotool key Escape");
  PumpUntil([] { return !g_keys.empty(); });
  ASSERT_FALSE(g_keys.empty());
  EXPECT_EQ(g_keys.back(), (WPARAM)VK_ESCAPE);

  Shell("xdotool keydown space");
  PumpUntil([] { return (GetAsyncKeyState(VK_SPACE) & 0x8000) != 0; });
  EXPECT_TRUE(GetAsyncKeyState(VK_SPACE) & 0x8000);
  // Let go, the key reads up once an update has read its input.
  Shell("xdotool keyup space");
  PumpUntil([] {
    FinishInputPoll();
    return (GetAsyncKeyState(VK_SPACE) & 0x8000) == 0;
  });
  EXPECT_FALSE(GetAsyncKeyState(VK_SPACE) & 0x8000);

  g_wheel.clear();
  Shell("xdotool click 4");
  Shell("xdotool click 5");
  PumpUntil([] { return g_wheel.size() >= 2; });
  EXPECT_EQ(g_wheel, (std::vector<int>{120, -120}));

  Shell("xdotool mousemove " + std::to_string(c.x - 200) + " " + std::to_string(c.y + 100));
  PumpUntil([&] {
    POINT p;
    GetCursorPos(&p);
    return p.x == c.x - 200;
  });
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(E().window, &p);
  EXPECT_EQ(p.x, 120);
  EXPECT_EQ(p.y, 340);
  Shell("xdotool mousedown 3");
  PumpUntil([] { return (GetAsyncKeyState(VK_RBUTTON) & 0x8000) != 0; });
  EXPECT_TRUE(GetAsyncKeyState(VK_RBUTTON) & 0x8000);
  Shell("xdotool mouseup 3");
  PumpUntil([] {
    FinishInputPoll();
    return (GetAsyncKeyState(VK_RBUTTON) & 0x8000) == 0;
  });
  EXPECT_FALSE(GetAsyncKeyState(VK_RBUTTON) & 0x8000);
}

TEST(GtkFace, MessageBoxAnswersWithItsDefaultButtonOnReturn) {
  ASSERT_TRUE(IsWindow(E().window));
  // Named as the game's own box is, which the main window's title begins with.
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_message_box_marks.txt";
  PlayAtDialog("ギズモワークス", marks, std::string(R"sh(
find_dialog
shoot_box $dialog ')sh") + TEST_BUILD_DIR + R"sh(/gtk_face_message_box.png'
xdotool key Return
wait_count -eq 0 "box gone"; echo closed >> "$M"
)sh");
  int answer = MessageBoxA(E().window, Cp932Text("変更を保存しますか？"), Cp932Text("ギズモワークス"),
                           MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(FinalMarksOf(marks), "closed");
  ASSERT_FALSE(platform::GetMessageBoxLog().empty());
  EXPECT_EQ(platform::GetMessageBoxLog().back().textUtf8, "変更を保存しますか？");
}

namespace {

std::string g_name = "old";

INT_PTR NameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetFocus(GetDlgItem(dialog, kIdcEditorNameEdit));
    SetDlgItemTextA(dialog, kIdcEditorNameEdit, g_name.c_str());
    SendDlgItemMessageA(dialog, kIdcEditorNameEdit, EM_LIMITTEXT, 35, 0);
    return FALSE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    char buf[40];
    GetDlgItemTextA(dialog, kIdcEditorNameEdit, buf, sizeof(buf));
    g_name = buf;
    EndDialog(dialog, 0);
  } else if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, 0);
  }
  return FALSE;
}

HWND g_list = nullptr;
std::vector<std::string> g_played;

INT_PTR ListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      RECT client;
      GetClientRect(dialog, &client);
      g_list = CreateWindowExA(0, WC_LISTVIEWA, "", 0x5000000D, 0, 30, client.right,
                               client.bottom - 80, dialog, reinterpret_cast<HMENU>(kIdcPlayListView),
                               nullptr, nullptr);
      SendMessageA(g_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, 0x21);
      const char* headers[] = {"", "\x83X\x83" "e\x81[\x83W\x83t\x83@\x83" "C\x83\x8B\x96\xBC", "count"};
      for (int i = 0; i < 3; ++i) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        c.fmt = i == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        c.cx = i == 0 ? 30 : 150;
        c.pszText = const_cast<char*>(headers[i]);
        SendMessageA(g_list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
      }
      const char* names[] = {"bridge.ply", "tower.ply", "\x83h\x83~\x83m.ply"};  // ドミノ.ply
      for (int r = 0; r < 3; ++r) {
        LVITEMA it{};
        it.mask = LVIF_TEXT | LVIF_PARAM;
        it.iItem = r;
        it.pszText = const_cast<char*>(r == 1 ? "\x81\x9C" : "");  // ●
        it.lParam = r;
        SendMessageA(g_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
        LVITEMA text{};
        text.iSubItem = 1;
        text.pszText = const_cast<char*>(names[r]);
        SendMessageA(g_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&text));
        std::string count = std::to_string(10 * (r + 1));
        text.iSubItem = 2;
        text.pszText = const_cast<char*>(count.c_str());
        SendMessageA(g_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&text));
      }
      SetDlgItemTextA(dialog, kIdcPlayListCount, "\x83N\x83\x8A\x83" "A\x90\x94 1 / 3");  // クリア数 1 / 3
      return FALSE;
    }
    case WM_NOTIFY: {
      const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr->code == NM_DBLCLK) SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      if (hdr->code == NM_RCLICK) {
        HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuPlayListPopup));
        POINT p;
        GetCursorPos(&p);
        SetForegroundWindow(dialog);
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, dialog, nullptr);
        PostMessageA(dialog, WM_NULL, 0, 0);
        DestroyMenu(menu);
      }
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == kCmdDeletePlayFile) {
        int row = static_cast<int>(SendMessageA(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row >= 0) SendMessageA(g_list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        g_played.push_back("deleted " + std::to_string(row));
      } else if (id == IDOK) {
        int row = static_cast<int>(SendMessageA(g_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (row < 0) return FALSE;
        char buf[100];
        LVITEMA it{};
        it.iSubItem = 1;
        it.pszText = buf;
        it.cchTextMax = sizeof(buf);
        SendMessageA(g_list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
        g_played.push_back(buf);
        EndDialog(dialog, 1);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, 2);
      }
      return FALSE;
    }
  }
  return FALSE;
}

}  // namespace

TEST(GtkFace, EditorNameDialogTakesWhatIsTypedAndEnter) {
  ASSERT_TRUE(IsWindow(E().window));
  POINT c = ClientCentre();
  Shell("xdotool mousemove " + std::to_string(c.x) + " " + std::to_string(c.y));
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_editor_name_marks.txt";
  PlayAtDialog("エディター情報", marks, std::string(R"sh(
find_dialog
xdotool key ctrl+a; xdotool type --delay 40 'Tester'
import -window root ')sh") + TEST_BUILD_DIR + R"sh(/gtk_face_editor_name.png'
xdotool key Return
wait_count -eq 0 "dialog gone"; echo closed >> "$M"
)sh");
  g_name = "old";
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogEditorName), E().window, NameProc, 0), 0);
  EXPECT_EQ(g_name, "Tester");
  EXPECT_EQ(FinalMarksOf(marks), "closed");
}

TEST(GtkFace, PlayListShowsItsRowsAndADoubleClickPlaysOne) {
  ASSERT_TRUE(IsWindow(E().window));
  POINT origin{0, 0};
  ClientToScreen(E().window, &origin);
  // The second row, under the header, in the file-name column.
  int x = origin.x + 100, y = origin.y + 30 + 24 + 30;
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_play_list_marks.txt";
  PlayAtDialog("プレイリスト", marks, std::string(R"sh(
find_dialog
shoot_box $dialog ')sh") + TEST_BUILD_DIR + R"sh(/gtk_face_play_list.png'
xdotool mousemove )sh" + std::to_string(x) + " " + std::to_string(y) + R"sh( click --repeat 2 --delay 80 1
wait_count -eq 0 "list gone"; echo closed >> "$M"
)sh");
  g_played.clear();
  INT_PTR r = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogPlayList), E().window, ListProc, 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g_played, std::vector<std::string>{"tower.ply"});
  EXPECT_EQ(FinalMarksOf(marks), "closed");
}

namespace {

HFONT g_linkFont = nullptr;
std::vector<int> g_aboutClicks;

bool IsLink(HWND control) {
  int id = GetDlgCtrlID(control);
  return id == kIdcContactLink || id == kIdcSiteLink || id == kIdcWebsiteLink || id == kIdcBookLink;
}

// An about procedure as the game writes it: links drawn violet in an
// underlined font, each as wide as its text, with the hand over them.
INT_PTR AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetFocus(GetDlgItem(dialog, IDOK));
      SetDlgItemTextA(dialog, kIdcVersionText, Cp932Text("ギズモワークス Ver.1.10"));
      return FALSE;
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (!IsLink(control)) return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      HDC dc = reinterpret_cast<HDC>(wParam);
      SelectObject(dc, g_linkFont);
      SetTextColor(dc, RGB(128, 0, 255));
      SetBkMode(dc, TRANSPARENT);
      char text[101];
      int n = GetWindowTextA(control, text, 100);
      SIZE size;
      GetTextExtentPoint32A(dc, text, n, &size);
      RECT r;
      GetWindowRect(control, &r);
      SetWindowPos(control, nullptr, 0, 0, size.cx, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    }
    case WM_SETCURSOR:
      if (!IsLink(reinterpret_cast<HWND>(wParam))) return FALSE;
      SetCursor(LoadCursorA(nullptr, IDC_HAND));
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) EndDialog(dialog, 0);
      else g_aboutClicks.push_back(id);
      return FALSE;
    }
  }
  return FALSE;
}

}  // namespace

TEST(GtkFace, AboutLinksAreStyledByTheProcedureAndClickable) {
  ASSERT_TRUE(IsWindow(E().window));
  g_linkFont = CreateFontA(12, 0, 0, 0, FW_DONTCARE, FALSE, TRUE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                           FIXED_PITCH | FF_MODERN, Cp932Text("ＭＳ ゴシック"));
  POINT origin{0, 0};
  ClientToScreen(E().window, &origin);
  // The dialog is centred on the main client area; the contact link starts
  // at (107, 40) dialog units of its client area.
  const DialogTemplate* about = FindDialogResource(kDialogAbout);
  ASSERT_NE(about, nullptr);
  RECT dialogSize{0, 0, about->cx, about->cy};
  MapDialogRect(nullptr, &dialogSize);
  int dx = origin.x + (640 - dialogSize.right) / 2, dy = origin.y + (480 - dialogSize.bottom) / 2;
  int x = dx + 107 * 6 / 4 + 10, y = dy + 40 * 12 / 8 + 6;
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_about_marks.txt";
  PlayAtDialog("バージョン情報", marks, std::string(R"sh(
find_dialog
xdotool mousemove )sh") + std::to_string(x) + " " + std::to_string(y) + R"sh(
shoot_box $dialog ')sh" + TEST_BUILD_DIR + R"sh(/gtk_face_about.png'
xdotool click 1 key Return
wait_count -eq 0 "dialog gone"; echo closed >> "$M"
)sh");
  g_aboutClicks.clear();
  auto proc = +[](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    return AboutProc(dialog, message, wParam, lParam);
  };
  DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogAbout), E().window, proc, 0);
  EXPECT_EQ(g_aboutClicks, std::vector<int>{kIdcContactLink});
  EXPECT_EQ(FinalMarksOf(marks), "closed");
  DeleteObject(g_linkFont);
}

TEST(GtkFace, PlayListRightClickMenuDeletesARow) {
  ASSERT_TRUE(IsWindow(E().window));
  POINT origin{0, 0};
  ClientToScreen(E().window, &origin);
  int x = origin.x + 100, y = origin.y + 30 + 24 + 8;  // the first row
  // Right click the first row as a hand does, the button held a moment; its
  // menu opens at the pointer with one item just below and right of it, and
  // stays open when the button is let go.
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_popup_marks.txt";
  PlayAtDialog("プレイリスト", marks, std::string(R"sh(
find_dialog
shoot_box $dialog ')sh") + TEST_BUILD_DIR + R"sh(/gtk_face_popup_list.png'
xdotool mousemove )sh" + std::to_string(x) + " " + std::to_string(y) + R"sh(
shown=$(xdotool search --onlyvisible --pid $P | wc -l)
xdotool mousedown 3; sleep 0.4; xdotool mouseup 3
wait_all_count -gt $shown menu
import -window root ')sh" + TEST_BUILD_DIR + R"sh(/gtk_face_popup.png'
xdotool mousemove )sh" + std::to_string(x + 20) + " " + std::to_string(y + 12) + R"sh( click 1
wait_all_count -le $shown "menu gone"
xdotool key Escape
wait_count -eq 0 "list gone"; echo closed >> "$M"
)sh");
  g_played.clear();
  INT_PTR r = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kDialogPlayList), E().window, ListProc, 0);
  EXPECT_EQ(r, 2);
  EXPECT_EQ(g_played, std::vector<std::string>{"deleted 0"});
  EXPECT_EQ(FinalMarksOf(marks), "closed");
}

namespace {

// What lengthens a folder whose game path, with the '\' after it, is held
// bytes to wanted bytes: components of 200 'd's or fewer (201 for the last
// at most), never an empty one.
// Where one byte is left, no component fits ("/d" is two): the last name
// grows by a 'd' instead.
std::string Lengthening(size_t held, size_t wanted) {
  std::string tail;
  while (held < wanted) {
    size_t left = wanted - held;
    size_t add = left == 1 ? 0 : std::min<size_t>(left - 1, 200);
    tail += left == 1 ? "d" : "/" + std::string(add, 'd');
    held += add + 1;
  }
  return tail;
}

// A folder under the build folder whose game path, with the '\' after it,
// is bytes long (240: a name of 15 bytes fills the game's 255 exactly).
std::string FolderOfBytes(const std::string& name, size_t bytes = 240) {
  std::string folder = std::string(TEST_BUILD_DIR) + "/" + name;
  Shell("rm -rf '" + folder + "'");
  folder += Lengthening(platform::HostPathToGamePath(folder).size() + 1, bytes);
  Shell("mkdir -p '" + folder + "'");
  return folder;
}

// Plays a user at the dialog (a file dialog, a message box, one of the
// game's) named title, from the shell in the background: steps may use the
// helpers below, and what they see goes to the file marks, a line each. Each
// wait is for this process's windows of exactly that name (at most a minute;
// then the dialog is let go with Escape and the script stops). The steps end
// by marking "closed" once the dialog is gone. This display has no window
// manager: keys go to the window under the pointer, so a step points at a
// window before it types.
void PlayAtDialog(const std::string& title, const std::string& marks, const std::string& steps) {
  const std::string script = marks + ".sh";
  Shell("rm -f '" + marks + "'");
  std::ofstream(script) << WindowWaitShellFunctions(getpid()) << "T='" << title << "'\nM='"
                        << marks << "'\n" << R"sh(: > "$M"
windows() { shown_windows "$T"; }
count() { windows | wc -l; }
point_at() {
  eval $(xdotool getwindowgeometry --shell "$1")
  l=$((X < 0 ? 0 : X)); t=$((Y < 0 ? 0 : Y))
  r=$((X + WIDTH > 1024 ? 1024 : X + WIDTH)); b=$((Y + HEIGHT > 768 ? 768 : Y + HEIGHT))
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2))
}
give_up() {
  echo "gave up $1" >> "$M"
  for i in 1 2 3; do
    w=$(windows | tail -1); [ -n "$w" ] && point_at "$w" && xdotool key Escape
  done
  exit 1
}
# until the count of windows named T is $1 $2 (test's -ge, -le, -eq); once
# the dialog is up, its closing ends any other wait
wait_count() {
  end=$(($(date +%s) + 60))
  until c=$(count); [ "$c" "$1" "$2" ]; do
    [ -n "$chooser" ] && [ "$c" -eq 0 ] && give_up "$3, the dialog closed"
    [ $(date +%s) -gt $end ] && give_up "$3"; sleep 0.1
  done
}
# the dialog (a file dialog's chooser), once up, pointed at
find_chooser() { wait_count -ge 1 dialog; chooser=$(windows | head -1); point_at $chooser; }
find_dialog() { find_chooser; dialog=$chooser; }
# until the count of all this process's shown windows (menus too) is $1 $2
wait_all_count() {
  end=$(($(date +%s) + 60))
  until c=$(xdotool search --onlyvisible --pid $P 2>/dev/null | wc -l); [ "$c" "$1" "$2" ]; do
    [ $(date +%s) -gt $end ] && give_up "$3"; sleep 0.1
  done
}
# the one window titled T that is not $1
other_than() { windows | grep -vx "$1" | head -1; }
# a screenshot once the box $1 shows its text (not one flat colour)
shoot_box() {
  eval $(xdotool getwindowgeometry --shell "$1")
  i=0
  until import -window root "$2" &&
        [ "$(convert "$2" -crop ${WIDTH}x${HEIGHT}+$X+$Y -format %k info:)" -gt 20 ]; do
    i=$((i + 1)); [ $i -gt 100 ] && { echo "box never drawn" >> "$M"; break; }
  done
}
)sh" << steps << "\n";
  Shell("sh '" + script + "' > /dev/null 2>&1 &");
}

// The same for a file dialog.
void PlayAtFileDialog(const std::string& title, const std::string& marks,
                      const std::string& steps) {
  PlayAtDialog(title, marks, steps);
}

std::string MarksOf(const std::string& marks) { return Shell("cat '" + marks + "' 2>/dev/null"); }

// The marks the script left once it has closed the dialog or given up (two
// minutes at most: each of its waits has one).
std::string FinalMarksOf(const std::string& marks) {
  PumpUntil([&] { return MarksOf(marks).find("closed") != std::string::npos ||
                         MarksOf(marks).find("gave up") != std::string::npos; }, 120000);
  return MarksOf(marks);
}

// A stage file dialog over the game's window, starting in gameFolder.
OPENFILENAMEA StageDialog(char* file, char* title, const std::string& gameFolder,
                          const char* titleUtf8) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = 76;
  ofn.hwndOwner = E().window;
  ofn.lpstrFile = file;
  ofn.nMaxFile = 256;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = 255;
  ofn.lpstrInitialDir = gameFolder.c_str();
  ofn.lpstrFilter = "\x83X\x83" "e\x81[\x83W\x83t\x83@\x83" "C\x83\x8B(*.stg)\0*.stg\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrTitle = Cp932Text(titleUtf8);
  return ofn;
}

}  // namespace

// Whatever the build folder's length, the long-path tests get a real folder
// of the length they need: every name in it has one byte at least.
TEST(GtkFaceHelpers, LongFoldersAreLengthenedByRealNames) {
  for (size_t held = 1; held < 240; ++held) {
    const std::string tail = Lengthening(held, 240);
    EXPECT_EQ(held + tail.size(), 240u) << held;
    EXPECT_EQ(tail.find("//"), std::string::npos) << held;
    EXPECT_TRUE(tail.empty() || tail.back() != '/') << held;
    size_t longest = 0, run = 0;
    for (char c : tail) longest = std::max(longest, run = c == '/' ? 0 : run + 1);
    EXPECT_LE(longest, 201u) << held;
  }
}

// A name typed into the open dialog comes back as the game's path of it,
// with the file's own name beside it.
TEST(GtkFace, FileDialogsReturnTheTypedPathAsAGamePath) {
  ASSERT_TRUE(IsWindow(E().window));
  std::string folder = std::string(TEST_BUILD_DIR) + "/gtk_face_files";
  Shell("mkdir -p '" + folder + "' && touch '" + folder + "/bridge.stg'");
  const std::string gameFolder = platform::HostPathToGamePath(folder) + "\\";
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_files_marks.txt";
  PlayAtFileDialog("ステージファイルの読み込み", marks, std::string(R"sh(
find_chooser
xdotool key ctrl+l type --delay 30 bridge.stg
import -window root ')sh") + TEST_BUILD_DIR + R"sh(/gtk_face_open_dialog.png'
xdotool key Return
wait_count -eq 0 "chooser gone"; echo closed >> "$M"
)sh");
  char file[256] = "";
  char title[256] = "";
  OPENFILENAMEA ofn = StageDialog(file, title, gameFolder, "ステージファイルの読み込み");
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  ASSERT_TRUE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(std::string(file), gameFolder + "bridge.stg");
  EXPECT_STREQ(title, "bridge.stg");
  EXPECT_EQ(FinalMarksOf(marks), "closed");
}

// The player types a name and presses Return at once, as in a hurry: a name
// that would not fit with the ".stg" the game adds brings a box over the
// chooser, which stays with the name still typed (Return again brings the box
// again); a shorter name then saves.
TEST(GtkFace, ASaveDialogStaysOpenOnAPathTooLongForTheGameAndSaysWhy) {
  ASSERT_TRUE(IsWindow(E().window));
  const std::string folder = FolderOfBytes("gtk_face_long_save");
  const std::string gameFolder = platform::HostPathToGamePath(folder) + "\\";
  ASSERT_EQ(gameFolder.size(), 240u);
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_long_save_marks.txt";
  PlayAtFileDialog("ステージファイルの保存", marks, std::string(R"sh(
find_chooser
xdotool key ctrl+a type --delay 30 a_name_too_long; xdotool key Return
wait_count -ge 2 box; box=$(other_than $chooser); echo box >> "$M"
shoot_box $box ')sh") + TEST_BUILD_DIR + R"sh(/gtk_face_path_too_long.png'
point_at $box; xdotool key Return
wait_count -le 1 "box gone"; [ "$(windows)" = "$chooser" ] && echo still-open >> "$M"
point_at $chooser; xdotool key Return
wait_count -ge 2 "box again"; box=$(other_than $chooser); echo box >> "$M"
point_at $box; xdotool key Return
wait_count -le 1 "box gone again"; [ "$(windows)" = "$chooser" ] && echo still-open >> "$M"
point_at $chooser; xdotool key ctrl+a type --delay 30 short; xdotool key Return
wait_count -eq 0 "chooser gone"; echo closed >> "$M"
)sh");
  char file[256] = "";
  char title[256] = "";
  OPENFILENAMEA ofn = StageDialog(file, title, gameFolder, "ステージファイルの保存");
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  EXPECT_TRUE(GetSaveFileNameA(&ofn));
  EXPECT_EQ(std::string(file), gameFolder + "short");
  ASSERT_FALSE(platform::GetFileDialogLog().empty());
  const std::string tooLong = gameFolder + "a_name_too_long";
  EXPECT_EQ(platform::GetFileDialogLog().back().refused,
            (std::vector<std::string>{tooLong, tooLong}));
  EXPECT_EQ(FinalMarksOf(marks), "box\nstill-open\nbox\nstill-open\nclosed");
  Shell("rm -rf '" + std::string(TEST_BUILD_DIR) + "/gtk_face_long_save'");
}

// A stage whose path is 256 bytes, one more than the game holds, is not
// opened: the box says why and the chooser stays for another.
TEST(GtkFace, AnOpenDialogStaysOpenOnAFileWhosePathIsTooLongForTheGame) {
  ASSERT_TRUE(IsWindow(E().window));
  const std::string folder = FolderOfBytes("gtk_face_long_open");
  const std::string gameFolder = platform::HostPathToGamePath(folder) + "\\";
  ASSERT_EQ(gameFolder.size(), 240u);
  Shell("touch '" + folder + "/a_name_too_l.stg' '" + folder + "/short.stg'");
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_long_open_marks.txt";
  PlayAtFileDialog("ステージファイルの読み込み", marks, R"sh(
find_chooser
xdotool key ctrl+l type --delay 30 a_name_too_l.stg; xdotool key Return
wait_count -ge 2 box; box=$(other_than $chooser); echo box >> "$M"
point_at $box; xdotool key Return
wait_count -le 1 "box gone"; [ "$(windows)" = "$chooser" ] && echo still-open >> "$M"
point_at $chooser; xdotool key ctrl+a type --delay 30 short.stg; xdotool key Return
wait_count -eq 0 "chooser gone"; echo closed >> "$M"
)sh");
  char file[256] = "";
  char title[256] = "";
  OPENFILENAMEA ofn =
      StageDialog(file, title, gameFolder, "ステージファイルの読み込み");
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  EXPECT_TRUE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(std::string(file), gameFolder + "short.stg");
  ASSERT_FALSE(platform::GetFileDialogLog().empty());
  EXPECT_EQ(platform::GetFileDialogLog().back().refused,
            std::vector<std::string>{gameFolder + "a_name_too_l.stg"});
  EXPECT_EQ(FinalMarksOf(marks), "box\nstill-open\nclosed");
  Shell("rm -rf '" + std::string(TEST_BUILD_DIR) + "/gtk_face_long_open'");
}

// The chooser over a folder of a long name, and the next one, lie on the
// screen whole: a name of 200 bytes widens neither beyond it, in the path
// bar nor in the side bar, which also lists the folder the game was started
// from (here the same one).
TEST(GtkFace, FileDialogsOverALongFolderNameStayOnTheScreen) {
  ASSERT_TRUE(IsWindow(E().window));
  const std::string folder = std::string(TEST_BUILD_DIR) + "/gtk_face_wide/" + std::string(200, 'w');
  Shell("mkdir -p '" + folder + "'");
  struct BackToStartFolder {
    char start[4096] = "";
    BackToStartFolder() { EXPECT_NE(getcwd(start, sizeof start), nullptr); }
    ~BackToStartFolder() { EXPECT_EQ(chdir(start), 0); }
  } back;
  ASSERT_EQ(chdir(folder.c_str()), 0);
  const std::string screen = Shell("xdotool getdisplaygeometry");
  int screenW = 0, screenH = 0;
  ASSERT_EQ(std::sscanf(screen.c_str(), "%d %d", &screenW, &screenH), 2);
  const std::string gameFolder = platform::HostPathToGamePath(folder);
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_wide_marks.txt";
  for (int round = 0; round < 2; ++round) {
    const char* title = round == 0 ? "ステージファイルの保存" : "ステージファイルの読み込み";
    PlayAtFileDialog(title, marks, std::string(R"sh(
find_chooser
eval $(xdotool getwindowgeometry --shell $chooser); echo "$X $Y $WIDTH $HEIGHT" >> "$M"
import -window root ')sh") + TEST_BUILD_DIR + "/gtk_face_wide_" + std::to_string(round) + R"sh(.png'
point_at $chooser; xdotool key Escape
wait_count -eq 0 "chooser gone"; echo closed >> "$M"
)sh");
    char file[256] = "";
    char fileTitle[256] = "";
    OPENFILENAMEA ofn = StageDialog(file, fileTitle, gameFolder, title);
    if (round == 0) EXPECT_FALSE(GetSaveFileNameA(&ofn));
    else EXPECT_FALSE(GetOpenFileNameA(&ofn));
    const std::string seen = FinalMarksOf(marks);
    int x = -1, y = -1, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(seen.c_str(), "%d %d %d %d", &x, &y, &w, &h), 4) << seen;
    EXPECT_GE(x, 0) << seen;
    EXPECT_GE(y, 0) << seen;
    EXPECT_LE(x + w, screenW) << seen;
    EXPECT_LE(y + h, screenH) << seen;
  }
  Shell("rm -rf '" + std::string(TEST_BUILD_DIR) + "/gtk_face_wide'");
}

// A path of 255 bytes, the most the game holds, is taken by both dialogs;
// one of 256 brings the box that says so.
TEST(GtkFace, FileDialogsTakeAPathOfExactlyTheLongestTheGameHolds) {
  ASSERT_TRUE(IsWindow(E().window));
  const std::string folder = FolderOfBytes("gtk_face_edge", 241);
  const std::string gameFolder = platform::HostPathToGamePath(folder) + "\\";
  ASSERT_EQ(gameFolder.size(), 241u);
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_edge_marks.txt";
  for (const bool save : {true, false}) {
    const char* title = save ? "ステージファイルの保存" : "ステージファイルの読み込み";
    Shell("touch '" + folder + "/abcdefghi.stg'");
    if (!save) Shell("touch '" + folder + "/abcdefghij.stg' '" + folder + "/klmnopqrstu.stg'");
    PlayAtFileDialog(title, marks, R"sh(
find_chooser
xdotool key ctrl+l ctrl+a type --delay 30 klmnopqrstu.stg; xdotool key Return
wait_count -ge 2 box; box=$(other_than $chooser); echo box >> "$M"
point_at $box; xdotool key Return
wait_count -le 1 "box gone"
point_at $chooser; xdotool key ctrl+a type --delay 30 abcdefghij.stg; xdotool key Return
wait_count -eq 0 "chooser gone"; echo closed >> "$M"
)sh");
    char file[256] = "";
    char fileTitle[256] = "";
    OPENFILENAMEA ofn = StageDialog(file, fileTitle, gameFolder, title);
    ofn.Flags = save ? OFN_HIDEREADONLY : OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    EXPECT_TRUE(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), gameFolder + "abcdefghij.stg");
    EXPECT_EQ(std::string(file).size(), 255u);
    EXPECT_EQ(platform::GetFileDialogLog().back().refused,
              std::vector<std::string>{gameFolder + "klmnopqrstu.stg"});
    EXPECT_EQ(FinalMarksOf(marks), "box\nclosed") << title;
  }
  Shell("rm -rf '" + std::string(TEST_BUILD_DIR) + "/gtk_face_edge'");
}

// A path the game cannot hold in Shift-JIS keeps the chooser open with a box
// that says whether its folder or its name is in the way.
TEST(GtkFace, FileDialogsSayWhetherTheFolderOrTheNameCannotBeHeld) {
  ASSERT_TRUE(IsWindow(E().window));
  const std::string folder = std::string(TEST_BUILD_DIR) + "/gtk_face_odd";
  Shell("rm -rf '" + folder + "'; mkdir -p '" + folder + "/café_naïve_😀' && touch '" + folder +
        "/naïve.stg'");
  const std::string gameFolder = platform::HostPathToGamePath(folder);
  const std::string marks = std::string(TEST_BUILD_DIR) + "/gtk_face_odd_marks.txt";
  for (const bool save : {true, false}) {
    const char* title = save ? "ステージファイルの保存" : "ステージファイルの読み込み";
    PlayAtFileDialog(title, marks, std::string(R"sh(
find_chooser
xdotool key ctrl+l ctrl+a type --delay 30 ')sh") + (save ? "café_naïve_😀/s.stg" : "naïve.stg") + R"sh('
xdotool key Return
wait_count -ge 2 box; box=$(other_than $chooser); echo box >> "$M"
shoot_box $box ')sh" + TEST_BUILD_DIR + "/gtk_face_odd_" + (save ? "folder" : "name") + R"sh(.png'
point_at $box; xdotool key Return
wait_count -le 1 "box gone"
# Escape closes the list of matching names first, if it shows, then the chooser.
for i in $(seq 20); do [ "$(count)" -eq 0 ] && break; point_at $chooser; xdotool key Escape; sleep 0.2; done
wait_count -eq 0 "chooser gone"; echo closed >> "$M"
)sh");
    char file[256] = "";
    char fileTitle[256] = "";
    OPENFILENAMEA ofn = StageDialog(file, fileTitle, gameFolder, title);
    EXPECT_FALSE(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn));
    EXPECT_EQ(FinalMarksOf(marks), "box\nclosed") << title;
    ASSERT_FALSE(platform::GetFileDialogLog().empty());
    EXPECT_EQ(platform::GetFileDialogLog().back().told,
              std::vector<std::string>{platform::UnheldPathText(
                  save ? platform::UnheldPart::kFolder : platform::UnheldPart::kName)});
  }
  Shell("rm -rf '" + folder + "'");
}

TEST(GtkFace, TheWindowPositionIsKeptForTheSettings) {
  ASSERT_TRUE(IsWindow(E().window));
  SetWindowPos(E().window, nullptr, 120, 90, 640, 480, SWP_NOZORDER);
  PumpUntil([] {
    POINT p{0, 0};
    ClientToScreen(E().window, &p);
    return p.x == 120;
  });
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  ASSERT_TRUE(GetWindowPlacement(E().window, &wp));
  EXPECT_EQ(wp.rcNormalPosition.left, 120);
  EXPECT_EQ(wp.rcNormalPosition.top, 90);
  POINT p{0, 0};
  ClientToScreen(E().window, &p);
  EXPECT_EQ(p.x, 120);  // no decorations on this display; the bar is above
  EXPECT_GT(p.y, 90);
}

TEST(GtkFace, DroppedUrisReachTheWindowAsGamePaths) {
  ASSERT_TRUE(IsWindow(E().window));
  g_dropped.clear();
  // ステージ.stg, percent-encoded as a file manager sends it.
  std::string uri = "file:///tmp/%E3%82%B9%E3%83%86%E3%83%BC%E3%82%B8.stg";
  ASSERT_TRUE(platform::GtkDropUris(E().window, {uri, "https://example.org/x.ply"}, POINT{5, 5}));
  PumpUntil([] { return !g_dropped.empty(); });
  ASSERT_EQ(g_dropped.size(), 2u);
  EXPECT_EQ(g_dropped[0], std::string("\\tmp\\") + Cp932Text("ステージ") + ".stg");
  EXPECT_EQ(g_dropped[1], "1");  // the web address is no file
  EXPECT_FALSE(platform::GtkDropUris(E().window, {"https://example.org/x.ply"}, POINT{5, 5}));
  // A name the game cannot hold comes without a path, and says why.
  g_dropped.clear();
  ASSERT_TRUE(platform::GtkDropUris(E().window, {"file:///tmp/na%C3%AFve.stg", uri}, POINT{5, 5}));
  PumpUntil([] { return !g_dropped.empty(); });
  ASSERT_EQ(g_dropped.size(), 3u);
  EXPECT_EQ(g_dropped[0], "");
  EXPECT_EQ(g_dropped[1], "2");
  EXPECT_EQ(g_dropped[2], "name");
  DragAcceptFiles(E().window, FALSE);
  EXPECT_FALSE(platform::GtkDropUris(E().window, {uri}, POINT{5, 5}));
  DragAcceptFiles(E().window, TRUE);
}

TEST(GtkFace, GoalItemsShowTheTickTheGameSetsAndClicksDoNotMoveIt) {
  ASSERT_TRUE(IsWindow(E().window));
  HMENU bar = GetMenu(E().window);
  HMENU goals = GetSubMenu(bar, kEditorMenuStageSettingsPos);
  CheckMenuItem(bar, kCmdGoalBell, MF_BYCOMMAND | MF_CHECKED);
  EnableMenuItem(bar, kCmdEditorName, MF_BYCOMMAND | MF_GRAYED);
  Pump(100);
  RECT entry;
  ASSERT_TRUE(platform::GtkMenuEntryScreenRect(E().window, bar, kEditorMenuStageSettingsPos, &entry));
  ClickAt(entry);
  RECT truck;
  PumpUntil([&] { return platform::GtkMenuEntryScreenRect(E().window, goals, 2, &truck); });
  ASSERT_TRUE(platform::GtkMenuEntryScreenRect(E().window, goals, 2, &truck));
  Pump(200);
  Screenshot("gtk_face_goal_menu");
  EXPECT_TRUE(platform::GtkMenuEntryChecked(E().window, goals, 0));
  EXPECT_FALSE(platform::GtkMenuEntryChecked(E().window, goals, 2));
  EXPECT_FALSE(platform::GtkMenuEntrySensitive(E().window, goals, 5));
  g_commands.clear();
  ClickAt(truck);
  PumpUntil([] { return HasCommand(kCmdGoalTruck); });
  EXPECT_TRUE(HasCommand(kCmdGoalTruck));
  // Nothing ticks until the game says so.
  EXPECT_TRUE(platform::GtkMenuEntryChecked(E().window, goals, 0));
  EXPECT_FALSE(platform::GtkMenuEntryChecked(E().window, goals, 2));
  CheckMenuItem(bar, kCmdGoalBell, MF_BYCOMMAND | MF_UNCHECKED);
  CheckMenuItem(bar, kCmdGoalTruck, MF_BYCOMMAND | MF_CHECKED);
  EXPECT_FALSE(platform::GtkMenuEntryChecked(E().window, goals, 0));
  EXPECT_TRUE(platform::GtkMenuEntryChecked(E().window, goals, 2));
  EnableMenuItem(bar, kCmdEditorName, MF_BYCOMMAND | MF_ENABLED);
  EXPECT_TRUE(platform::GtkMenuEntrySensitive(E().window, goals, 5));
}

TEST(GtkFaceSettings, TheSessionBusIsReachableByAddressOrByTheRuntimeFolderSocket) {
  EXPECT_TRUE(platform::SessionBusReachable("unix:path=/run/user/1000/bus", nullptr));
  EXPECT_FALSE(platform::SessionBusReachable(nullptr, nullptr));
  EXPECT_FALSE(platform::SessionBusReachable("", ""));
  char folder[] = "/tmp/busXXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  EXPECT_FALSE(platform::SessionBusReachable(nullptr, folder));
  std::string bus = std::string(folder) + "/bus";
  FILE* f = std::fopen(bus.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(platform::SessionBusReachable(nullptr, folder));
  std::remove(bus.c_str());
  rmdir(folder);
}
