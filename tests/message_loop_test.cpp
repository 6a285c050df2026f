// Windows with procedures, the message queue, accelerators and placement,
// driven through the headless face.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/menus.h"
#include "platform/headless.h"
#include "platform/win_user.h"

namespace {

struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> g_seen;
bool g_quitOnClose = true;

LRESULT CALLBACK_TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_seen.push_back({window, message, wParam, lParam});
  switch (message) {
    case WM_CLOSE:
      if (!g_quitOnClose) break;
      PostQuitMessage(7);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) PostQuitMessage(3);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<UINT> Messages() {
  std::vector<UINT> out;
  for (const Seen& s : g_seen) out.push_back(s.message);
  return out;
}

HWND MakeMainWindow(DWORD style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                    HMENU menu = nullptr) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = CALLBACK_TestProc;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "Test Window";
    EXPECT_NE(RegisterClassExA(&wc), 0);
    registered = true;
  }
  return CreateWindowExA(WS_EX_ACCEPTFILES, "Test Window", "title", style, 30, 40, 640, 480,
                         nullptr, menu, nullptr, nullptr);
}

class MessageLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    g_seen.clear();
    g_quitOnClose = true;
  }
};

}  // namespace

TEST_F(MessageLoop, CreationSendsCreateAndAVisibleWindowIsPaintedOnce) {
  HWND w = MakeMainWindow();
  ASSERT_TRUE(IsWindow(w));
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_CREATE});
  RECT client;
  ASSERT_TRUE(GetClientRect(w, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);

  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_PAINT);
  // Peeking leaves it; getting it validates the window.
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.hwnd, w);
  DispatchMessageA(&msg);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), -1);  // nothing can come headless

  InvalidateRect(w, nullptr, FALSE);
  InvalidateRect(w, nullptr, FALSE);
  int paints = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) paints += msg.message == WM_PAINT;
  EXPECT_EQ(paints, 1);
}

TEST_F(MessageLoop, UnknownClassOrBadParentMakesNoWindow) {
  EXPECT_EQ(CreateWindowExA(0, "No Such Class", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  MakeMainWindow();
  EXPECT_EQ(CreateWindowExA(0, "Test Window", "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr,
                            nullptr, nullptr),
            nullptr);
  WNDCLASSEXA again{};
  again.cbSize = sizeof(again);
  again.lpszClassName = "Test Window";
  again.lpfnWndProc = CALLBACK_TestProc;
  EXPECT_EQ(RegisterClassExA(&again), 0);
}

TEST_F(MessageLoop, PostedMessagesComeInOrderBeforeQuitAndPaint) {
  HWND w = MakeMainWindow();
  g_seen.clear();
  PostMessageA(w, WM_COMMAND, MAKEWPARAM(kCmdAbout, 0), 0);
  PostQuitMessage(5);
  PostMessageA(w, WM_COMMAND, MAKEWPARAM(kCmdExit, 0), 0);
  MSG msg;
  std::vector<UINT> order;
  std::vector<WPARAM> params;
  BOOL r;
  while ((r = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    order.push_back(msg.message);
    params.push_back(msg.wParam);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(r, 0);
  EXPECT_EQ(msg.message, (UINT)WM_QUIT);
  EXPECT_EQ(msg.wParam, 5u);
  EXPECT_EQ(order, (std::vector<UINT>{WM_COMMAND, WM_COMMAND}));
  EXPECT_EQ(LOWORD(params[0]), kCmdAbout);
  EXPECT_EQ(LOWORD(params[1]), kCmdExit);
  // The paint of the new window is still due after the quit.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_PAINT);
}

TEST_F(MessageLoop, SendCallsTheProcedureAtOnceAndUpdateWindowPaintsOnlyWhenInvalid) {
  HWND w = MakeMainWindow();
  g_seen.clear();
  SendMessageA(w, WM_COMMAND, kCmdNewStage, 0);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].wParam, kCmdNewStage);
  UpdateWindow(w);  // the new window is invalid
  UpdateWindow(w);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_COMMAND, WM_PAINT}));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageLoop, CloseBoxAndEscapeReachTheProcedureAndEndTheLoop) {
  HWND w = MakeMainWindow();
  headless::ClickCloseBox(w);
  int code = -1;
  EXPECT_FALSE(platform::DispatchWaitingMessages(w, nullptr, &code));
  EXPECT_EQ(code, 7);
  EXPECT_TRUE(IsWindow(w));  // the procedure did not pass WM_CLOSE on

  headless::KeyDown(w, VK_ESCAPE);
  EXPECT_FALSE(platform::DispatchWaitingMessages(w, nullptr, &code));
  EXPECT_EQ(code, 3);
  EXPECT_TRUE(GetAsyncKeyState(VK_ESCAPE) & 0x8000);
}

TEST_F(MessageLoop, DefaultCloseDestroysTheWindowAndDropsItsMessages) {
  g_quitOnClose = false;
  HWND w = MakeMainWindow();
  HWND child = CreateWindowExA(0, "Test Window", "", WS_CHILD | WS_VISIBLE, 5, 6, 100, 50, w,
                               reinterpret_cast<HMENU>(100), nullptr, nullptr);
  ASSERT_TRUE(IsWindow(child));
  EXPECT_EQ(GetParent(child), w);
  EXPECT_EQ(platform::GetWindowInfo(child).controlId, 100);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 35);
  EXPECT_EQ(p.y, 46);

  g_seen.clear();
  PostMessageA(w, WM_COMMAND, kCmdAbout, 0);
  SendMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(IsWindow(child));
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[1].message, (UINT)WM_DESTROY);
  EXPECT_EQ(g_seen[1].window, w);  // the parent first, then its children
  EXPECT_EQ(g_seen[2].window, child);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(SendMessageA(w, WM_COMMAND, 0, 0), 0);
}

TEST_F(MessageLoop, GameAcceleratorsBecomeTheirCommandsBeforeTranslation) {
  RegisterGameAccelerators();
  HACCEL table = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(kAccelTable));
  ASSERT_NE(table, nullptr);
  HWND w = MakeMainWindow();
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);  // the first paint
  const std::pair<int, UINT> keys[] = {{'A', kCmdSelectAll},     {'D', kCmdClearSelection},
                                       {'N', kCmdAccelNew},      {'O', kCmdAccelOpen},
                                       {'P', kCmdAccelPlayList}, {'S', kCmdAccelSave},
                                       {'Z', kCmdUndo}};
  for (const auto& [key, cmd] : keys) {
    g_seen.clear();
    headless::PressCtrlKey(w, key);
    // Let go already: the game's next update still sees the press, once.
    EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
    FinishInputPoll();
    EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
    EXPECT_TRUE(platform::DispatchWaitingMessages(w, table));
    // Ctrl itself is dispatched as a key; the letter only as its command.
    ASSERT_EQ(g_seen.size(), 4u) << char(key);
    EXPECT_EQ(g_seen[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(g_seen[0].wParam, (WPARAM)VK_CONTROL);
    EXPECT_EQ(g_seen[1].message, (UINT)WM_COMMAND);
    EXPECT_EQ(LOWORD(g_seen[1].wParam), cmd);
    EXPECT_EQ(HIWORD(g_seen[1].wParam), 1);  // from an accelerator
    EXPECT_EQ(g_seen[2].message, (UINT)WM_KEYUP);
  }

  // Without Ctrl, with Shift as well, or a key outside the table: plain keys.
  // The keys count as held as they were when each message was queued.
  g_seen.clear();
  headless::KeyDown(w, 'Z');
  headless::KeyDown(w, VK_CONTROL);
  headless::KeyDown(w, VK_SHIFT);
  headless::KeyDown(w, 'Z');
  headless::KeyUp(w, VK_SHIFT);
  headless::KeyDown(w, 'Q');
  platform::DispatchWaitingMessages(w, table);
  for (const Seen& s : g_seen) EXPECT_NE(s.message, (UINT)WM_COMMAND);
  EXPECT_EQ(g_seen.size(), 6u);
  // Shift was let go before the Ctrl+Q, and Ctrl+Z is now taken.
  g_seen.clear();
  headless::KeyDown(w, 'Z');
  platform::DispatchWaitingMessages(w, table);
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_COMMAND});
}

TEST_F(MessageLoop, WheelNotchesCarryASignedDelta) {
  HWND w = MakeMainWindow();
  headless::SetCursorScreenPos(100, 200);
  headless::Wheel(w, 1);
  headless::Wheel(w, -1);
  g_seen.clear();
  platform::DispatchWaitingMessages(w, nullptr);
  ASSERT_GE(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].message, (UINT)WM_MOUSEWHEEL);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(g_seen[0].wParam), 120);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(g_seen[1].wParam), -120);
  EXPECT_EQ(LOWORD(g_seen[0].lParam), 100);
  EXPECT_EQ(HIWORD(g_seen[0].lParam), 200);
}

TEST_F(MessageLoop, MenuClicksReachOnlyItemsThatAreShownAndEnabled) {
  RegisterGameMenus();
  HMENU editor = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  HWND w = MakeMainWindow(WS_POPUP | WS_VISIBLE | WS_CAPTION, editor);
  EXPECT_EQ(GetMenu(w), editor);
  EXPECT_TRUE(headless::ChooseMenuCommand(w, kCmdOpenStage));   // in the File pop-up
  EXPECT_TRUE(headless::ChooseMenuCommand(w, kCmdAbout));       // on the bar
  EXPECT_FALSE(headless::ChooseMenuCommand(w, kCmdSavePause));  // greyed
  EXPECT_FALSE(headless::ChooseMenuCommand(w, kCmdTestPlay));   // greyed on the bar
  EXPECT_FALSE(headless::ChooseMenuCommand(w, kCmdStageEdit));  // not in this menu
  // A greyed pop-up hides its items; the bar shows the change once redrawn.
  MENUITEMINFOA info{};
  info.cbSize = 48;
  info.fMask = MIIM_STATE;
  info.fState = MFS_GRAYED;
  SetMenuItemInfoA(editor, kEditorMenuStageSettingsPos, TRUE, &info);
  EXPECT_TRUE(headless::ChooseMenuCommand(w, kCmdGoalTruck));
  DrawMenuBar(w);
  EXPECT_FALSE(headless::ChooseMenuCommand(w, kCmdGoalTruck));

  g_seen.clear();
  platform::DispatchWaitingMessages(w, nullptr);
  std::vector<UINT> commands;
  for (const Seen& s : g_seen)
    if (s.message == WM_COMMAND) commands.push_back(LOWORD(s.wParam));
  EXPECT_EQ(commands, (std::vector<UINT>{kCmdOpenStage, kCmdAbout, kCmdGoalTruck}));
}

TEST_F(MessageLoop, PlacementKeepsTheRestoredPositionWhileMinimised) {
  HWND w = MakeMainWindow();
  RECT r{0, 0, 640, 480};
  AdjustWindowRect(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, TRUE);
  SetWindowPos(w, nullptr, 120, 80, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);

  // The desktop moves the window (a caption of 24 pixels and a menu bar of
  // 20 above the client area), then minimises it.
  platform::SetWindowPlacementFromFace(w, POINT{300, 200}, POINT{301, 244}, false);
  POINT p{0, 0};
  ClientToScreen(w, &p);
  EXPECT_EQ(p.x, 301);
  EXPECT_EQ(p.y, 244);
  platform::SetWindowPlacementFromFace(w, POINT{-32000, -32000}, POINT{0, 0}, true);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof(wp);
  ASSERT_EQ(sizeof(wp), 44u);
  ASSERT_TRUE(GetWindowPlacement(w, &wp));
  EXPECT_EQ(wp.showCmd, (UINT)SW_SHOWMINIMIZED);
  EXPECT_EQ(wp.rcNormalPosition.left, 300);
  EXPECT_EQ(wp.rcNormalPosition.top, 200);
  wp.length = 40;
  EXPECT_FALSE(GetWindowPlacement(w, &wp));
}

namespace {

// A desktop that reports which modifiers are held on the keyboard.
struct KeyboardFace : platform::WindowFace {
  int held = 0;
  int RunMessageBox(const platform::MessageBoxRequest&) override { return IDOK; }
  int ModifiersHeld() override { return held; }
};

}  // namespace

// A key let go while another window has the keyboard (a modal window, or
// the focus elsewhere) never comes as a message: afterwards the keys read as
// the keyboard has them, and a plain key is no shortcut.
TEST_F(MessageLoop, KeysLetGoElsewhereAreUpForTheAcceleratorsAfterwards) {
  RegisterGameAccelerators();
  HACCEL table = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(kAccelTable));
  HWND w = MakeMainWindow();
  platform::DispatchWaitingMessages(w, table);
  auto commandsOf = [&](int key) {
    g_seen.clear();
    headless::KeyDown(w, key);
    headless::KeyUp(w, key);
    platform::DispatchWaitingMessages(w, table);
    int commands = 0;
    for (const Seen& s : g_seen) commands += s.message == WM_COMMAND;
    return commands;
  };
  // Ctrl+O's dialog (or any modal window) takes the keyboard with Ctrl down.
  headless::KeyDown(w, VK_CONTROL);
  platform::DispatchWaitingMessages(w, table);
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_OK), IDOK);
  EXPECT_EQ(commandsOf('S'), 0);
  EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  // The focus leaves with Ctrl down and comes back.
  headless::KeyDown(w, VK_CONTROL);
  platform::DispatchWaitingMessages(w, table);
  platform::SetWindowActiveFromFace(w, false);
  platform::SetWindowActiveFromFace(w, true);
  EXPECT_EQ(commandsOf('Z'), 0);

  // Where the desktop tells, Ctrl still held as the window gets the keyboard
  // back is held, for polling and for shortcuts.
  KeyboardFace face;
  platform::SetWindowFace(&face);
  face.held = platform::kCtrlHeld;
  EXPECT_EQ(MessageBoxA(w, "x", "c", MB_OK), IDOK);
  EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  EXPECT_EQ(commandsOf('Z'), 1);
  face.held = 0;
  platform::SetWindowActiveFromFace(w, false);
  platform::SetWindowActiveFromFace(w, true);
  EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  EXPECT_EQ(commandsOf('Z'), 0);
  platform::SetWindowFace(nullptr);

  // A key message from the desktop carries the modifiers held as it came:
  // they count, not what earlier messages left.
  headless::KeyDown(w, VK_CONTROL);
  platform::DispatchWaitingMessages(w, table);
  g_seen.clear();
  platform::PostKeyMessage(w, WM_KEYDOWN, 'S', 0, 0);
  platform::PostKeyMessage(w, WM_KEYDOWN, 'Z', 0, platform::kCtrlHeld | platform::kShiftHeld);
  platform::PostKeyMessage(w, WM_KEYDOWN, 'Z', 0, platform::kCtrlHeld);
  platform::DispatchWaitingMessages(w, table);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_COMMAND}));

  // Polled, a modifier held on the desktop's word (its side unknown) goes
  // up as either side is let go, or as the desktop says it is up.
  FinishInputPoll();
  platform::SetModifiersHeld(platform::kCtrlHeld | platform::kShiftHeld);
  EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  platform::SetKeyHeld(VK_RCONTROL, false);
  EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
  platform::SetKeyHeld(VK_LSHIFT, true);
  FinishInputPoll();
  platform::SetModifiersHeld(0);
  EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
}

TEST_F(MessageLoop, DeactivationLetsGoOfHeldKeysAndTellsTheWindow) {
  HWND w = MakeMainWindow();
  headless::SetKey(VK_LBUTTON, true);
  headless::SetKey(VK_SPACE, true);
  g_seen.clear();
  platform::SetWindowActiveFromFace(w, false);
  EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  EXPECT_FALSE(GetAsyncKeyState(VK_SPACE) & 0x8000);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].message, (UINT)WM_ACTIVATE);
  EXPECT_EQ(LOWORD(g_seen[0].wParam), WA_INACTIVE);
  platform::SetWindowActiveFromFace(w, true);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATE, WM_SETFOCUS}));
  EXPECT_EQ(GetForegroundWindow(), w);
  EXPECT_EQ(GetFocus(), w);
}

TEST_F(MessageLoop, ForegroundLockTimeoutIsSavedAndRestored) {
  DWORD saved = 0;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0));
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  DWORD now = 1;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &now, 0);
  EXPECT_EQ(now, 0u);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                        reinterpret_cast<void*>(static_cast<uintptr_t>(saved)), 0);
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &now, 0);
  EXPECT_EQ(now, saved);
}

TEST_F(MessageLoop, ChildrenMoveWithTheirParentAndArePlacedInItsClientPixels) {
  HWND w = MakeMainWindow();  // at (30, 40)
  HWND child = CreateWindowExA(0, "Test Window", "", WS_CHILD | WS_VISIBLE, 5, 6, 100, 50, w,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
  RECT r;
  ASSERT_TRUE(GetWindowRect(child, &r));
  EXPECT_EQ(r.left, 35);
  EXPECT_EQ(r.top, 46);
  SetWindowPos(w, nullptr, 200, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 205);
  EXPECT_EQ(p.y, 106);
  SetWindowPos(child, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  p = POINT{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 210);
  EXPECT_EQ(p.y, 120);
  // The desktop moving the parent moves the child too.
  platform::SetWindowPlacementFromFace(w, POINT{0, 0}, POINT{0, 0}, false);
  p = POINT{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
}
