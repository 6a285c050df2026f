// Keyboard, mouse buttons and cursor, polled by the game once per update.
//
// GetAsyncKeyState reports bit 0x8000 while a key or mouse button is held at
// the moment of the call, and also for a key or button pressed since the last
// FinishInputPoll even when it has been let go already (the game uses nothing
// else of its result; bit 0 is always 0 here). The game calls FinishInputPoll
// once per update, after its last test of the keys: a tap shorter than one
// update then counts as held for exactly the next update, while keys held
// longer read as they are. Letters and digits are their ASCII capital codes ('A' 0x41,
// '1' 0x31). GetCursorPos gives screen pixels; ScreenToClient (win_window.h)
// turns them into the window's client pixels. The mouse wheel arrives as a
// window message, not here.
//
// ShowCursor keeps the system's display counter: TRUE adds one, FALSE takes
// one away, the new count is returned, and the cursor shows while the count
// is 0 or more (it starts at 0, shown).
//
// The state is fed by the face: the desktop face from its events, tests
// through headless.h.
#pragma once
#include "platform/win_types.h"

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5

// The virtual screen: the bounding box of every monitor. 0 for each while
// the desktop is not known.
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
int GetSystemMetrics(int index);

SHORT GetAsyncKeyState(int virtualKey);
void FinishInputPoll();
BOOL GetCursorPos(POINT* point);
int ShowCursor(BOOL show);
